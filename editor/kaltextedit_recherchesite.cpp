// "Chercher dans le site", "Remplacer dans le site" and the undoing of the last
// replacement: the dialog, the worker, the rows and the report.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "copiedocument.h"
#include "deplacements.h"
#include "montextedit.h"
#include "panneauproblemes.h"
#include "travailsite.h"
#include "ui_dlgcherchesite.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStatusBar>
#include <QTextDocument>

#include <limits>

namespace {

QString nombre(qsizetype n, const char *singulier, const char *pluriel)
{
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::French).toString(n),
                                       QString::fromUtf8(n > 1 ? pluriel : singulier));
}

// A list of files in a box: the first ones in its text; all of them in its
// details when they do not all fit.
void ajouteListe(QStringList *texte, QStringList *details, const QString &titre,
                 const QStringList &lignes)
{
    if (lignes.isEmpty())
        return;
    constexpr int montrees = 12;
    QString partie = titre;
    for (qsizetype i = 0; i < lignes.size() && i < montrees; ++i)
        partie += QStringLiteral("\n  ") + lignes[i];
    if (lignes.size() > montrees) {
        partie += QStringLiteral("\n  … et %1 (voir les détails)")
                      .arg(nombre(lignes.size() - montrees, "autre", "autres"));
        *details << titre + QStringLiteral("\n  ") + lignes.join(QStringLiteral("\n  "));
    }
    *texte << partie;
}

void montreBilan(QWidget *fenetre, const QString &titre, bool probleme, const QStringList &texte,
                 const QStringList &details)
{
    QMessageBox box(probleme ? QMessageBox::Warning : QMessageBox::Information, titre,
                    texte.join(QStringLiteral("\n\n")), QMessageBox::Ok, fenetre);
    box.setTextFormat(Qt::PlainText);
    if (!details.isEmpty())
        box.setDetailedText(details.join(QStringLiteral("\n\n")));
    box.exec();
}

QStringList lignesLaisses(const RemplacementSite::Bilan &bilan)
{
    QStringList lignes;
    for (const RemplacementSite::Bilan::Laisse &laisse : bilan.laisses)
        lignes << laisse.relatif + QStringLiteral(" : ") + laisse.raison;
    return lignes;
}

} // namespace

void KalTextEdit::slotChercherSite()
{
    lanceRechercheSite(false);
}

void KalTextEdit::slotRemplacerSite()
{
    lanceRechercheSite(true);
}

// Asks what to search (and by what to replace it) in the site, the folder of the
// page and everything below it, then searches it on the worker; the open
// document's text, as it stands in the editor, stands for its file.
void KalTextEdit::lanceRechercheSite(bool remplacer)
{
    if (travailSite && travailSite->ecritEnCours()) {
        information(this, QStringLiteral("Marlisse"),
                    QStringLiteral("Un remplacement dans le site est en cours d'écriture."));
        return;
    }
    if (currentFile.isEmpty()) {
        if (!questionOuiNon(this, QMessageBox::Question,
                            remplacer ? QStringLiteral("Remplacer dans le site")
                                      : QStringLiteral("Chercher dans le site"),
                            QStringLiteral("Cette page n'a jamais été enregistrée\u00a0: elle n'a "
                                           "pas encore de site (son dossier et ses "
                                           "sous-dossiers).\nL'enregistrer maintenant\u00a0?"),
                            QStringLiteral("&Enregistrer..."), QStringLiteral("Annuler"), true)
            || !slotFileSaveAs())
            return;
    }
    const QString racine = Site::racineDe(QFileInfo(currentFile).absolutePath());

    QDialog dialog;
    Ui::DlgChercheSite form;
    form.setupUi(&dialog);
    form.labelSite->setText(
        QStringLiteral("Dans le site\u00a0: %1").arg(QDir::toNativeSeparators(racine)));
    form.lineEditCherche->setText(texteRecherche.isEmpty() ? strCherche : texteRecherche);
    form.lineEditCherche->selectAll();
    form.lineEditCherche->setFocus();
    form.labelRemplace->setVisible(remplacer);
    form.lineEditRemplace->setVisible(remplacer);
    form.lineEditRemplace->setText(remplaceSite);
    form.cbCasse->setChecked(respecteCasse);
    form.cbMotsEntiers->setChecked(motsEntiers);
    form.cbExpression->setChecked(expressionReguliere);
    form.rbMotifs->setChecked(parMotifsSite);
    form.lineEditMotifs->setText(motifsSite);
    if (remplacer) {
        dialog.setWindowTitle(QStringLiteral("Marlisse - Remplacer dans le site"));
        // Alt+R is "Expression régulière"'s.
        form.buttonOk->setText(QStringLiteral("Remp&lacer..."));
    }
    dialog.adjustSize();
    if (dialog.exec() != QDialog::Accepted)
        return;

    texteRecherche = form.lineEditCherche->text();
    respecteCasse = form.cbCasse->isChecked();
    motsEntiers = form.cbMotsEntiers->isChecked();
    expressionReguliere = form.cbExpression->isChecked();
    parMotifsSite = form.rbMotifs->isChecked();
    motifsSite = form.lineEditMotifs->text();
    if (remplacer)
        remplaceSite = form.lineEditRemplace->text();
    if (texteRecherche.isEmpty())
        return;

    TravailSite::Demande demande;
    demande.racine = racine;
    demande.filtre
        = parMotifsSite ? Site::Filtre::depuis(motifsSite) : RemplacementSite::pagesEtFeuilles();
    if (demande.filtre.vide()) {
        avertissement(this, QStringLiteral("Marlisse"),
                      QStringLiteral("Aucun motif de fichiers n'a été donné (par exemple "
                                     "*.html;*.css).\nRien n'a été cherché."));
        return;
    }
    demande.texte = texteRecherche;
    demande.casse = respecteCasse;
    demande.motsEntiers = motsEntiers;
    demande.expression = expressionReguliere;
    if (remplacer) {
        // As "Remplacer tout" inserts it: a Windows line end pasted in the field
        // is one line break.
        demande.modele = QString(remplaceSite).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    }
    if (!peutChercher(TravailSite::rechercheDe(demande)))
        return;

    preparerTravailSite();
    stopRechercheSite();
    arreteVerificationSite();
    arreteVerificationPage();
    travailSite->prochaine = demande;
    remplacementSite = remplacer;
    statusBar()->showMessage(QStringLiteral("Recherche dans le site…"));
    PanneauProblemes *problemes = panneau();
    // Escape in the panel stops the search.
    connect(problemes, &PanneauProblemes::retourTexte, this, &KalTextEdit::stopRechercheSite,
            Qt::UniqueConnection);
    problemes->commence(
        QStringLiteral("Recherche de «\u00a0%1\u00a0» dans le site…").arg(demande.texte));
    problemes->show();
    problemes->raise();
    copieRecherche->demarre();
}

// The worker, and the copy of the open document's text it searches, made once.
void KalTextEdit::preparerTravailSite()
{
    if (travailSite)
        return;
    travailSite = new TravailSite(this);
    connect(travailSite, &TravailSite::progression, this, [this](int fait) {
        statusBar()->showMessage(travailSite->ecritEnCours()
                                     ? QStringLiteral("Remplacement dans le site\u00a0: %1")
                                           .arg(nombre(fait, "fichier écrit", "fichiers écrits"))
                                     : QStringLiteral("Recherche dans le site\u00a0: %1")
                                           .arg(nombre(fait, "fichier lu", "fichiers lus")));
    });
    connect(travailSite, &TravailSite::chercheFini, this, [this] { rechercheSiteFinie(); });
    connect(travailSite, &TravailSite::ecritFini, this,
            [this](const RemplacementSite::Bilan &bilan) { remplacementSiteFini(bilan); });
    connect(travailSite, &TravailSite::annuleFini, this,
            [this](const RemplacementSite::Bilan &bilan) { annulationSiteFinie(bilan); });
    // The edits made while a copy of the text is searched, to carry its rows to
    // the text of then.
    connect(textEdit->document(), &QTextDocument::contentsChange, this,
            [this](int position, int retires, int ajoutes) {
                if (suiviRecherche)
                    suiviRecherche->note(position, retires, ajoutes);
            });
    // The worker gets a copy of the text: the document is the GUI thread's alone.
    copieRecherche = new CopieDocument(textEdit->document(), this);
    connect(copieRecherche, &CopieDocument::copiee, this, [this](const QString &texte) {
        TravailSite::Demande demande = travailSite->prochaine;
        demande.document = RemplacementSite::DocumentOuvert {currentFile, texte};
        suiviRecherche = std::make_shared<Deplacements>();
        travailSite->cherche(demande);
    });
}

void KalTextEdit::rechercheSiteFinie()
{
    const RemplacementSite::Resultat &resultat = travailSite->resultat;
    const TravailSite::Demande &demande = travailSite->derniere;
    montreRangeesSite();
    const QString bilan
        = QStringLiteral("«\u00a0%1\u00a0»\u00a0: %2 dans %3, %4 lus")
              .arg(demande.texte, nombre(resultat.occurrences, "occurrence", "occurrences"),
                   nombre(resultat.fichiers.size(), "fichier", "fichiers"),
                   nombre(resultat.lus, "fichier", "fichiers"));
    statusBar()->showMessage(bilan);
    if (!remplacementSite)
        return;
    remplacementSite = false;

    QList<RemplacementSite::Fichier> fichiers;
    // Those the engine gave up on go along only to be said in the report.
    qsizetype remplaces = 0;
    qsizetype occurrences = 0;
    const QString ouvert = QDir::cleanPath(QFileInfo(currentFile).absoluteFilePath());
    for (const RemplacementSite::Fichier &fichier : resultat.fichiers) {
        if (fichier.ligneAbandon > 0) {
            fichiers << fichier;
        } else if (fichier.nombre > 0) {
            fichiers << fichier;
            ++remplaces;
            occurrences += fichier.nombre;
            // Another file was opened meanwhile: this one is replaced on the disk.
            if (fichier.documentOuvert && (currentFile.isEmpty() || fichier.chemin != ouvert))
                fichiers.last().documentOuvert = false;
        }
    }
    if (remplaces == 0) {
        // The rows may show occurrences of the files given up on: none of them is
        // replaced, and the box says why.
        const qsizetype abandonnes = fichiers.size();
        information(this, QStringLiteral("Remplacer dans le site"),
                    QStringLiteral("Aucune occurrence de «\u00a0%1\u00a0» à remplacer dans le "
                                   "site.")
                            .arg(demande.texte)
                        + (abandonnes == 0
                               ? QString()
                               : QStringLiteral("\nLa recherche a été abandonnée dans %1, qui "
                                                "%2 tel%3 quel%3\u00a0: l'expression y demande "
                                                "trop de calculs.")
                                     .arg(nombre(abandonnes, "fichier", "fichiers"),
                                          abandonnes > 1 ? QStringLiteral("restent")
                                                         : QStringLiteral("reste"),
                                          abandonnes > 1 ? QStringLiteral("s") : QString())));
        return;
    }
    if (!questionOuiNon(this, QMessageBox::Question, QStringLiteral("Remplacer dans le site"),
                        QStringLiteral("Remplacer %1 dans %2 ?")
                            .arg(nombre(occurrences, "occurrence", "occurrences"),
                                 nombre(remplaces, "fichier", "fichiers")),
                        QStringLiteral("&Remplacer"), QStringLiteral("Annuler"), false))
        return;

    // The open document is changed once the files are written (0: to be done).
    documentRemplaceSite = -1;
    for (const RemplacementSite::Fichier &fichier : std::as_const(fichiers)) {
        if (fichier.documentOuvert && fichier.ligneAbandon == 0)
            documentRemplaceSite = 0;
    }
    statusBar()->showMessage(QStringLiteral("Remplacement dans le site…"));
    travailSite->ecrit(demande, fichiers, RemplacementSite::dossierRemplacements());
}

void KalTextEdit::remplacementSiteFini(const RemplacementSite::Bilan &bilan)
{
    // The open document, once the other files are written: in the editor, as one
    // step that Ctrl+Z takes back, and left to be saved. Not when the replacement
    // stopped, so that the site stays as it was; nor when another file was opened
    // meanwhile. -2: a box said why it was not changed; -3: not changed at all.
    if (documentRemplaceSite == 0) {
        const TravailSite::Demande &demande = travailSite->derniere;
        const QString ouvert = QDir::cleanPath(QFileInfo(currentFile).absoluteFilePath());
        if (!bilan.echec.isEmpty() || currentFile.isEmpty() || !demande.document
            || QDir::cleanPath(QFileInfo(demande.document->chemin).absoluteFilePath()) != ouvert) {
            documentRemplaceSite = -3;
        } else {
            const qsizetype faits = remplaceTout(TravailSite::rechercheDe(demande),
                                                 demande.modele.value_or(QString()));
            documentRemplaceSite = faits < 0 ? -2 : faits;
        }
    }
    qsizetype occurrences = bilan.occurrences;
    qsizetype fichiers = bilan.modifies.size();
    QStringList texte;
    QStringList details;
    if (documentRemplaceSite > 0) {
        occurrences += documentRemplaceSite;
        ++fichiers;
    }
    texte << (occurrences == 0
                  ? QStringLiteral("Aucune occurrence n'a été remplacée.")
                  : QStringLiteral("%1 dans %2.")
                        .arg(nombre(occurrences, "occurrence remplacée", "occurrences remplacées"),
                             nombre(fichiers, "fichier", "fichiers")));
    if (documentRemplaceSite > 0)
        texte << QStringLiteral("La page ouverte (%1) a été modifiée dans l'éditeur, sans être "
                                "enregistrée\u00a0: Ctrl+Z annule ce changement.")
                     .arg(currentFileName);
    else if (documentRemplaceSite == -2 || documentRemplaceSite == -3)
        texte << QStringLiteral("La page ouverte (%1) n'a pas été modifiée.")
                     .arg(QFileInfo(travailSite->derniere.document->chemin).fileName());
    if (bilan.references > 0)
        texte << QStringLiteral("%1 en &#N;, absents de l'encodage de leur page.")
                     .arg(nombre(bilan.references, "caractère écrit", "caractères écrits"));
    ajouteListe(&texte, &details, QStringLiteral("Fichiers laissés tels quels\u00a0:"),
                lignesLaisses(bilan));
    if (!bilan.echec.isEmpty()) {
        texte << QStringLiteral("Le remplacement s'est arrêté\u00a0: %1").arg(bilan.echec)
                + (bilan.modifies.isEmpty() ? QStringLiteral("\nAucun fichier n'a été réécrit.")
                                            : QString());
        ajouteListe(&texte, &details, QStringLiteral("Fichiers modifiés avant l'arrêt\u00a0:"),
                    bilan.modifies);
        ajouteListe(&texte, &details, QStringLiteral("Fichiers non modifiés\u00a0:"),
                    bilan.nonTraites);
    }
    if (!bilan.dossierCopies.isEmpty())
        texte << QStringLiteral("Les fichiers d'avant sont gardés dans %1\u00a0: «\u00a0Annuler "
                                "le dernier remplacement dans le site\u00a0» les remet.")
                     .arg(QDir::toNativeSeparators(bilan.dossierCopies));
    statusBar()->showMessage(texte.first());
    montreBilan(this, QStringLiteral("Remplacer dans le site"),
                !bilan.echec.isEmpty() || !bilan.laisses.isEmpty() || documentRemplaceSite < -1,
                texte, details);
}

void KalTextEdit::slotAnnulerRemplacementSite()
{
    if (travailSite && travailSite->ecritEnCours()) {
        information(this, QStringLiteral("Marlisse"),
                    QStringLiteral("Un remplacement dans le site est en cours d'écriture."));
        return;
    }
    const QString dossier = RemplacementSite::dossierRemplacements();
    const std::optional<RemplacementSite::Remplacement> dernier
        = RemplacementSite::dernier(dossier);
    if (!dernier) {
        information(this, QStringLiteral("Annuler le dernier remplacement dans le site"),
                    QStringLiteral("Aucun remplacement dans le site n'est à annuler."));
        return;
    }
    if (!questionOuiNon(
            this, QMessageBox::Question,
            QStringLiteral("Annuler le dernier remplacement dans le site"),
            QStringLiteral(
                "Le remplacement de «\u00a0%1\u00a0» par «\u00a0%2\u00a0», le %3 dans le "
                "site %4, a modifié %5.\n%6\nUn fichier modifié depuis sera laissé tel "
                "quel.")
                .arg(dernier->cherche, dernier->remplace,
                     QLocale(QLocale::French)
                         .toString(dernier->quand, QStringLiteral("d MMMM yyyy 'à' HH:mm")),
                     QDir::toNativeSeparators(dernier->racine),
                     nombre(dernier->fichiers.size(), "fichier", "fichiers"),
                     dernier->fichiers.size() > 1
                         ? QStringLiteral("Les remettre tels qu'ils étaient\u00a0?")
                         : QStringLiteral("Le remettre tel qu'il était\u00a0?")),
            QStringLiteral("&Remettre"), QStringLiteral("Annuler"), true))
        return;
    preparerTravailSite();
    statusBar()->showMessage(QStringLiteral("Annulation du remplacement dans le site…"));
    travailSite->annule(dossier, *dernier);
}

void KalTextEdit::annulationSiteFinie(const RemplacementSite::Bilan &bilan)
{
    // The open page, put back on the disk, is read again unless it was changed.
    const QString ouvert = QDir::cleanPath(QFileInfo(currentFile).absoluteFilePath());
    for (const QString &relatif : bilan.modifies) {
        if (!currentFile.isEmpty() && bilan.racine + QLatin1Char('/') + relatif == ouvert
            && !textEdit->document()->isModified())
            chargeFichier(currentFile, std::nullopt);
    }
    QStringList texte;
    QStringList details;
    texte << (bilan.modifies.size() == 1
                  ? QStringLiteral("1 fichier remis dans son état d'avant le remplacement.")
                  : QStringLiteral("%1 dans leur état d'avant le remplacement.")
                        .arg(nombre(bilan.modifies.size(), "fichier remis", "fichiers remis")));
    ajouteListe(&texte, &details, QStringLiteral("Fichiers laissés tels quels\u00a0:"),
                lignesLaisses(bilan));
    if (!bilan.echec.isEmpty()) {
        texte << QStringLiteral("L'annulation s'est arrêtée\u00a0: %1").arg(bilan.echec);
        ajouteListe(&texte, &details, QStringLiteral("Fichiers non remis\u00a0:"),
                    bilan.nonTraites);
    }
    statusBar()->showMessage(texte.first());
    montreBilan(this, QStringLiteral("Annuler le dernier remplacement dans le site"),
                !bilan.echec.isEmpty() || !bilan.laisses.isEmpty(), texte, details);
}

// The rows of the last search, one group a file; those of the open document
// follow its text, carried through what was typed since its text was copied.
void KalTextEdit::montreRangeesSite()
{
    const RemplacementSite::Resultat &resultat = travailSite->resultat;
    const TravailSite::Demande &demande = travailSite->derniere;
    QList<GroupeProblemes> groupes;
    for (const RemplacementSite::Fichier &fichier : resultat.fichiers) {
        GroupeProblemes groupe;
        groupe.chemin = fichier.chemin;
        groupe.relatif = fichier.relatif;
        groupe.total = int(std::min<qsizetype>(fichier.nombre, std::numeric_limits<int>::max()));
        for (const RemplacementSite::Occurrence &occurrence : fichier.occurrences) {
            RangeeProbleme rangee;
            rangee.ligne = occurrence.ligne;
            rangee.colonne = occurrence.colonne;
            rangee.longueur = occurrence.caracteres;
            rangee.genre = QStringLiteral("Occurrence");
            rangee.extrait = occurrence.extrait;
            rangee.debutMarque = int(occurrence.debutExtrait);
            rangee.longueurMarque = int(occurrence.longueurExtrait);
            rangee.avecRemplacement = demande.modele.has_value();
            rangee.remplacement = occurrence.remplacement;
            groupe.rangees << rangee;
        }
        if (fichier.ligneAbandon > 0) {
            RangeeProbleme rangee;
            rangee.ligne = fichier.ligneAbandon;
            rangee.genre = QStringLiteral("Abandon");
            rangee.message = QStringLiteral("La recherche a été abandonnée à cette ligne\u00a0: "
                                            "l'expression y demande trop de calculs. La suite du "
                                            "fichier n'a pas été cherchée.");
            groupe.rangees << rangee;
        }
        groupes << groupe;
    }
    QStringList notes;
    QStringList fin;
    if (resultat.fichiers.isEmpty())
        notes << QStringLiteral("Aucune occurrence de «\u00a0%1\u00a0».").arg(demande.texte);
    if (resultat.occurrences > resultat.rangees)
        fin << QStringLiteral("… et %1, non listées.")
                   .arg(nombre(resultat.occurrences - resultat.rangees, "autre occurrence",
                               "autres occurrences"));
    if (resultat.binaires > 0)
        fin << QStringLiteral("%1 (un octet nul dans leurs 8 premiers Ko).")
                   .arg(nombre(resultat.binaires, "fichier binaire non lu",
                               "fichiers binaires non lus"));
    for (const Site::Anomalie &anomalie : resultat.anomalies)
        fin << (anomalie.relatif.isEmpty()
                    ? anomalie.message
                    : anomalie.relatif + QStringLiteral("\u00a0: ") + anomalie.message);
    if (resultat.arrete)
        fin << QStringLiteral("La recherche a été arrêtée avant la fin du site.");

    const QString quoi = demande.modele
        ? QStringLiteral("Remplacer «\u00a0%1\u00a0» par «\u00a0%2\u00a0»")
              .arg(demande.texte, *demande.modele)
        : QStringLiteral("«\u00a0%1\u00a0»").arg(demande.texte);
    const QString titre = QStringLiteral("Dans le site\u00a0: %1\u00a0: %2 dans %3 (%4 lus)")
                              .arg(quoi, nombre(resultat.occurrences, "occurrence", "occurrences"),
                                   nombre(resultat.fichiers.size(), "fichier", "fichiers"),
                                   nombre(resultat.lus, "fichier", "fichiers"));
    const PanneauProblemes::Source source {demande.document ? demande.document->texte : QString(),
                                           suiviRecherche};
    PanneauProblemes *problemes = panneau();
    problemes->montre(titre, groupes, notes, fin, &source);
    suiviRecherche.reset();
    problemes->show();
    problemes->raise();
}

// Escape in the panel, a new document or the window closing: the search stops,
// its rows never come. A replacement being written goes on to its end.
void KalTextEdit::stopRechercheSite()
{
    if (!travailSite)
        return;
    if (copieRecherche)
        copieRecherche->arrete();
    if (travailSite->chercheEnCours() || (copieRecherche && copieRecherche->enCours())) {
        statusBar()->showMessage(QStringLiteral("Recherche dans le site arrêtée"));
        if (panneauProblemes && panneauProblemes->enCours())
            panneauProblemes->interrompu(QStringLiteral("Recherche dans le site arrêtée"));
    }
    travailSite->arreteRecherche();
    suiviRecherche.reset();
    remplacementSite = false;
}
