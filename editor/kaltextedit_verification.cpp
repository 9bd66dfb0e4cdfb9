// "Vérifier la page": the check of the page in a worker, and its panel.

#include "kaltextedit.h"

#include "colonnes.h"
#include "copiedocument.h"
#include "montextedit.h"
#include "panneauproblemes.h"
#include "verificationenfond.h"

#include <QApplication>
#include <QTextBlock>
#include <QTreeWidget>

void KalTextEdit::slotVerifierPage()
{
    if (!panneauProblemes) {
        QTextDocument *document = textEdit->document();
        panneauProblemes = new PanneauProblemes(this);
        addDockWidget(Qt::BottomDockWidgetArea, panneauProblemes);
        connect(panneauProblemes, &PanneauProblemes::allerA, this,
                &KalTextEdit::slotAllerAuProbleme);
        connect(panneauProblemes, &PanneauProblemes::retourTexte, textEdit,
                qOverload<>(&QWidget::setFocus));
        // Rows stay, but the title says when the text is no longer the one checked.
        connect(document, &QTextDocument::contentsChanged, panneauProblemes, [this] {
            if (panneauProblemes->aUnResultat())
                panneauProblemes->setTexteModifie(textEdit->document()->revision()
                                                  != revisionVerifiee);
        });
        verification = new Verification::VerificationEnFond(this);
        connect(verification, &Verification::VerificationEnFond::terminee, this,
                [this](const Verification::Resultat &resultat) { verificationTerminee(resultat); });
        // The worker gets a copy: the document is the GUI thread's alone.
        copieVerifiee = new CopieDocument(document, this);
        connect(copieVerifiee, &CopieDocument::copiee, this,
                [this](const QString &texte, int revision) {
                    revisionVerifiee = revision;
                    verification->demande({texte, currentFile});
                });
    }
    panneauProblemes->show();
    panneauProblemes->raise();
    panneauProblemes->verificationEnCours();
    revisionDemandee = textEdit->document()->revision();
    copieVerifiee->demarre();
}

void KalTextEdit::verificationTerminee(const Verification::Resultat &resultat)
{
    panneauProblemes->montre(resultat);
    const int revision = textEdit->document()->revision();
    panneauProblemes->setTexteModifie(revision != revisionVerifiee);
    // The list takes the keyboard, unless the user went on typing since F7 (or
    // went elsewhere): what is typed goes where it was meant to.
    const QWidget *focus = QApplication::focusWidget();
    if (revision == revisionDemandee && panneauProblemes->isVisible()
        && (!focus || focus == textEdit || panneauProblemes->isAncestorOf(focus)))
        panneauProblemes->liste()->setFocus();
}

// Another text is shown (a file opened, a new document, a text recovered): the
// rows of the one before, and a check of it still under way, would lead to its
// places in the new one.
void KalTextEdit::oublieVerification()
{
    if (!panneauProblemes)
        return;
    copieVerifiee->arrete();
    verification->abandonne();
    panneauProblemes->vide();
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
