// "Vérifier la page": the check of the page in a worker, and its panel.

#include "kaltextedit.h"

#include "colonnes.h"
#include "montextedit.h"
#include "panneauproblemes.h"
#include "verificationenfond.h"

#include <QApplication>
#include <QTextBlock>
#include <QTreeWidget>

void KalTextEdit::slotVerifierPage()
{
    QTextDocument *document = textEdit->document();
    if (!panneauProblemes) {
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
    }
    panneauProblemes->show();
    panneauProblemes->raise();
    // The worker gets a copy: the document is the GUI thread's alone.
    revisionVerifiee = document->revision();
    verification->demande({document->toRawText(), currentFile});
    panneauProblemes->verificationEnCours();
}

void KalTextEdit::verificationTerminee(const Verification::Resultat &resultat)
{
    panneauProblemes->montre(resultat);
    const bool inchange = textEdit->document()->revision() == revisionVerifiee;
    panneauProblemes->setTexteModifie(!inchange);
    // The list takes the keyboard, unless the user went on typing meanwhile (or
    // went elsewhere): what is typed goes where it was meant to.
    const QWidget *focus = QApplication::focusWidget();
    if (inchange && panneauProblemes->isVisible()
        && (!focus || focus == textEdit || panneauProblemes->isAncestorOf(focus)))
        panneauProblemes->liste()->setFocus();
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
