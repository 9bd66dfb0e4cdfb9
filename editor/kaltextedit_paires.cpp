// The commands on tag pairs: going to a tag's partner, selecting an element.

#include "kaltextedit.h"

#include "montextedit.h"

#include <QStatusBar>

void KalTextEdit::slotBaliseCorrespondante()
{
    switch (textEdit->allerALaBaliseCorrespondante()) {
    case monQTextEdit::Partenaire::Trouve:
        break;
    case monQTextEdit::Partenaire::HorsBalise:
        statusBar()->showMessage(QStringLiteral("Le curseur n'est pas dans une balise."), 5000);
        break;
    case monQTextEdit::Partenaire::Aucun:
        statusBar()->showMessage(
            QStringLiteral("Pas de balise correspondante\u00a0: élément vide ou non fermé, ou "
                           "balise trop éloignée."),
            5000);
        break;
    }
}

// Again on a selected element, selects the one that holds it.
void KalTextEdit::slotSelectionnerElement()
{
    if (!textEdit->selectionnerElement())
        statusBar()->showMessage(
            QStringLiteral("Aucun élément autour\u00a0: pas de balise ouvrante et fermante "
                           "autour du curseur, ou trop éloignées."),
            5000);
}
