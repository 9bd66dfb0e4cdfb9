// "Vérifier la page": the check of the page in a worker, and the panel of
// problems, which the site's check and search fill too.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "colonnes.h"
#include "copiedocument.h"
#include "deplacements.h"
#include "montextedit.h"
#include "panneauproblemes.h"
#include "verificationenfond.h"

#include <QAction>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTextBlock>
#include <QTreeWidget>

// The panel, made at its first use.
PanneauProblemes *KalTextEdit::panneau()
{
    if (panneauProblemes)
        return panneauProblemes;
    QTextDocument *document = textEdit->document();
    panneauProblemes = new PanneauProblemes(this);
    addDockWidget(Qt::BottomDockWidgetArea, panneauProblemes);
    panneauProblemes->suitDocument(document);
    panneauProblemes->documentCourant(currentFile);
    connect(panneauProblemes, &PanneauProblemes::allerDansLeTexte, this,
            &KalTextEdit::slotAllerDansLeTexte);
    connect(panneauProblemes, &PanneauProblemes::ouvrirFichier, this,
            &KalTextEdit::ouvrePourLePanneau);
    connect(panneauProblemes, &PanneauProblemes::retourTexte, textEdit,
            qOverload<>(&QWidget::setFocus));
    // The window's own members are not used: the panel is also hidden while the
    // window is being destroyed.
    QAction *vue = viewProblemesAct;
    PanneauProblemes *panneau = panneauProblemes;
    connect(panneauProblemes, &QDockWidget::visibilityChanged, vue, [vue, panneau] {
        const QSignalBlocker silence(vue);
        vue->setChecked(!panneau->isHidden());
    });
    // Rows stay, but the title says when the text is no longer the one checked.
    connect(document, &QTextDocument::contentsChanged, panneauProblemes, [this] {
        if (panneauProblemes->aUnResultat() && revisionVerifiee >= 0)
            panneauProblemes->setTexteModifie(textEdit->document()->revision() != revisionVerifiee);
    });
    // The edits made while a copy of the text is checked, to carry its rows to
    // the text of then.
    connect(document, &QTextDocument::contentsChange, this,
            [this](int position, int retires, int ajoutes) {
                if (suiviVerifie)
                    suiviVerifie->note(position, retires, ajoutes);
            });
    return panneauProblemes;
}

// Another text is shown (a file opened, a new document, a text recovered): a
// check of the one before still under way would give its rows over the new one,
// and the page's own rows would lead to its places in the new one. A site's rows
// stay: they lead to their files, this one among them.
void KalTextEdit::panneauAvantRemplacement()
{
    arreteVerificationPage();
    if (!panneauProblemes)
        return;
    if (panneauProblemes->listeDeLaPage())
        panneauProblemes->vide();
    panneauProblemes->avantRemplacement();
}

// The page's check under way gives no rows: another text or another list
// takes the panel. Nor is the copy of the text kept, nor its edits followed,
// for a result that will not come.
void KalTextEdit::arreteVerificationPage()
{
    if (copieVerifiee)
        copieVerifiee->arrete();
    if (verification)
        verification->abandonne();
    suiviVerifie.reset();
    texteVerifie.clear();
}

void KalTextEdit::panneauDocumentCourant(const QString &chemin)
{
    if (panneauProblemes)
        panneauProblemes->documentCourant(chemin);
}

void KalTextEdit::slotVerifierPage()
{
    arreteVerificationSite();
    PanneauProblemes *problemes = panneau();
    if (!verification) {
        verification = new Verification::VerificationEnFond(this);
        connect(verification, &Verification::VerificationEnFond::terminee, this,
                [this](const Verification::Resultat &resultat) { verificationTerminee(resultat); });
        // The worker gets a copy: the document is the GUI thread's alone.
        copieVerifiee = new CopieDocument(textEdit->document(), this);
        connect(copieVerifiee, &CopieDocument::copiee, this,
                [this](const QString &texte, int revision) {
                    revisionVerifiee = revision;
                    texteVerifie = texte;
                    suiviVerifie = std::make_shared<Deplacements>();
                    verification->demande({texte, currentFile});
                });
    }
    problemes->show();
    problemes->raise();
    problemes->verificationEnCours();
    revisionDemandee = textEdit->document()->revision();
    copieVerifiee->demarre();
}

void KalTextEdit::verificationTerminee(const Verification::Resultat &resultat)
{
    // The site's check or search filled the panel since F7: their rows, newer,
    // stay.
    if (!panneauProblemes->listeDeLaPage()) {
        suiviVerifie.reset();
        texteVerifie.clear();
        return;
    }
    // The rows are of the text checked, under the name it has now: a "save as"
    // while it was checked does not make them another file's.
    const PanneauProblemes::Source source {texteVerifie, suiviVerifie};
    panneauProblemes->montre(resultat, currentFile, &source);
    suiviVerifie.reset();
    texteVerifie.clear();
    panneauProblemes->setTexteModifie(textEdit->document()->revision() != revisionVerifiee);
    // The keyboard stays where the user is: what is typed while the page is
    // checked goes where it was meant to, and the rows are reached with F8 or
    // with a click.
}

void KalTextEdit::slotAllerDansLeTexte(int debut, int fin, bool supprime, bool prendClavier)
{
    QTextCursor cursor(textEdit->document());
    cursor.setPosition(debut);
    cursor.setPosition(fin, QTextCursor::KeepAnchor);
    textEdit->setTextCursor(cursor);
    textEdit->ensureCursorVisible();
    if (supprime)
        statusBar()->showMessage(
            QStringLiteral("Le texte de ce problème a été supprimé depuis la vérification."), 5000);
    if (prendClavier)
        textEdit->setFocus();
}

// A row of another file: opened as the open command would, once the question on
// a modified text is answered.
void KalTextEdit::ouvrePourLePanneau(const QString &chemin)
{
    if (!QFileInfo::exists(chemin)) {
        avertissement(this, QStringLiteral("Marlisse"),
                      QStringLiteral("Le fichier %1 n'existe plus.").arg(chemin));
        return;
    }
    bool ok = true;
    if (textEdit->document()->isModified())
        demandeSauvegarde(&ok);
    if (ok)
        ouvreFichier(chemin);
}

// Asked for from the menu or with its shortcut, the panel takes the keyboard.
void KalTextEdit::slotViewProblemes(bool on)
{
    PanneauProblemes *problemes = panneau();
    if (on) {
        problemes->show();
        problemes->raise();
        problemes->liste()->setFocus();
    } else {
        problemes->hide();
        textEdit->setFocus();
    }
}

void KalTextEdit::slotProblemeSuivant()
{
    parcourtProblemes(false);
}

void KalTextEdit::slotProblemePrecedent()
{
    parcourtProblemes(true);
}

void KalTextEdit::parcourtProblemes(bool arriere)
{
    if (!panneauProblemes || !panneauProblemes->suivant(arriere)) {
        statusBar()->showMessage(
            QStringLiteral("Aucun problème à parcourir\u00a0: F7 vérifie la page."), 5000);
        return;
    }
    panneauProblemes->show();
}

void KalTextEdit::slotAllerAuProbleme(int ligne, int colonne)
{
    QTextDocument *document = textEdit->document();
    QTextBlock bloc = document->findBlockByNumber(ligne - 1);
    if (!bloc.isValid())
        bloc = document->lastBlock();
    QTextCursor cursor(bloc);
    cursor.setPosition(bloc.position() + int(Colonnes::position(bloc.text(), colonne)));
    textEdit->setTextCursor(cursor);
    textEdit->setFocus();
}
