// "Vérifier le site": the links of every page of the current page's folder, on
// a worker, shown in the panel of problems.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "copiedocument.h"
#include "deplacements.h"
#include "montextedit.h"
#include "panneauproblemes.h"
#include "verificationsite.h"

#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>

namespace {

QString nombre(int n, const char *singulier, const char *pluriel)
{
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::French).toString(n),
                                       QString::fromUtf8(n > 1 ? pluriel : singulier));
}

QString titreEnCours(int pages)
{
    return pages > 0 ? QStringLiteral("Problèmes du site (vérification en cours\u00a0: %1)")
                           .arg(nombre(pages, "page lue", "pages lues"))
                     : QStringLiteral("Problèmes du site (vérification en cours…)");
}

} // namespace

void KalTextEdit::slotVerifierSite()
{
    // A second Shift+F7 stops the check that runs, or the copy of the text it waits for.
    if (siteDemande) {
        siteDemande = false;
        if (verificationSite->enCours()) {
            verificationSite->arrete();
        } else {
            avancementSite.stop();
            suiviSite.reset();
            panneau()->interrompu(QStringLiteral("Problèmes du site\u00a0: vérification arrêtée"));
        }
        return;
    }
    if (currentFile.isEmpty()) {
        if (!questionOuiNon(this, QMessageBox::Question, QStringLiteral("Vérifier le site"),
                            QStringLiteral("La page n'a jamais été enregistrée\u00a0: son site est "
                                           "le dossier où elle le sera.\nL'enregistrer "
                                           "maintenant\u00a0?"),
                            QStringLiteral("Enregistrer"), QStringLiteral("Annuler"), true)
            || !slotFileSaveAs())
            return;
    }
    // The panel shows what was asked last: a check of the page or a search of
    // the site under way gives its rows no more.
    arreteVerificationPage();
    stopRechercheSite();
    if (!verificationSite) {
        verificationSite = new Site::VerificationSiteEnFond(this);
        connect(verificationSite, &Site::VerificationSiteEnFond::terminee, this,
                &KalTextEdit::verificationSiteTerminee);
        copieSite = new CopieDocument(textEdit->document(), this);
        connect(copieSite, &CopieDocument::copiee, this, [this](const QString &texte, int) {
            if (!siteDemande)
                return;
            texteSite = texte;
            cheminSite = currentFile;
            suiviSite = std::make_shared<Deplacements>();
            verificationSite->demande(QFileInfo(currentFile).absolutePath(),
                                      Site::PageOuverte {currentFile, texte});
        });
        // The title tells how far the check has gone.
        avancementSite.setInterval(250);
        connect(&avancementSite, &QTimer::timeout, this, [this] {
            if (panneauProblemes && panneauProblemes->enCours())
                panneauProblemes->commence(titreEnCours(verificationSite->pagesLues()));
        });
        connect(textEdit->document(), &QTextDocument::contentsChange, this,
                [this](int position, int retires, int ajoutes) {
                    if (suiviSite)
                        suiviSite->note(position, retires, ajoutes);
                });
    }
    PanneauProblemes *problemes = panneau();
    problemes->show();
    problemes->raise();
    problemes->commence(titreEnCours(0));
    siteDemande = true;
    avancementSite.start();
    copieSite->demarre();
}

// Another list takes the panel (the page's check, a search of the site): the
// site's check stops without a word, and its rows never come.
void KalTextEdit::arreteVerificationSite()
{
    // A check already told to stop would still say so, over the new list.
    if (verificationSite && verificationSite->enCours())
        verificationSite->abandonne();
    if (!siteDemande)
        return;
    siteDemande = false;
    avancementSite.stop();
    suiviSite.reset();
    texteSite.clear();
}

void KalTextEdit::verificationSiteTerminee(const Site::ResultatSite &resultat)
{
    avancementSite.stop();
    // Stopped by the user, even if the worker was done before it heard of it.
    const bool arretee = resultat.arrete || !siteDemande;
    siteDemande = false;
    const std::shared_ptr<Deplacements> suivi = std::move(suiviSite);
    const QString texte = std::move(texteSite);
    texteSite.clear();
    if (arretee) {
        panneau()->interrompu(QStringLiteral("Problèmes du site\u00a0: vérification arrêtée"));
        return;
    }
    QList<GroupeProblemes> groupes;
    for (const Site::GroupeVerifie &verifie : resultat.groupes) {
        GroupeProblemes groupe;
        groupe.chemin = verifie.chemin;
        groupe.relatif = verifie.relatif;
        for (const Verification::Probleme &p : verifie.problemes)
            groupe.rangees << RangeeProbleme::de(p);
        groupes << groupe;
    }

    const QLocale francais(QLocale::French);
    QStringList comptes;
    if (resultat.liens - resultat.orphelines > 0)
        comptes << nombre(resultat.liens - resultat.orphelines, "lien", "liens");
    if (resultat.orphelines > 0)
        comptes << nombre(resultat.orphelines, "page orpheline", "pages orphelines");
    if (resultat.nonLus > 0)
        comptes << nombre(resultat.nonLus, "fichier non lu", "fichiers non lus");
    const QString duree = resultat.millisecondes < 1000
        ? QStringLiteral("%1\u00a0ms").arg(resultat.millisecondes)
        : QStringLiteral("%1\u00a0s")
              .arg(francais.toString(double(resultat.millisecondes) / 1000.0, 'f', 1));
    const QString titre = QStringLiteral("Problèmes du site\u00a0: %1 en %2 — %3")
                              .arg(nombre(resultat.pages, "page lue", "pages lues"), duree,
                                   comptes.isEmpty() ? QStringLiteral("aucun problème")
                                                     : comptes.join(QStringLiteral(", ")));
    QStringList notes = resultat.notes;
    if (groupes.isEmpty())
        notes << QStringLiteral("Aucun problème trouvé.");
    QStringList fin;
    if (resultat.nonListes > 0)
        fin << QStringLiteral("… et %1 non listés.")
                   .arg(nombre(resultat.nonListes, "autre problème", "autres problèmes"));
    // The panel no longer shows the page's check: what the title said of its
    // text is said no more.
    revisionVerifiee = -1;
    const PanneauProblemes::Source source {texte, suivi};
    panneau()->montre(titre, groupes, notes, fin, cheminSite == currentFile ? &source : nullptr);
}
