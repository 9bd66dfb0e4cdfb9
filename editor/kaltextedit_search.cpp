// Search, replace and repeat, and the elementary edit commands.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "etapeannulation.h"
#include "montextedit.h"
#include "ui_dlgcherche.h"
#include "ui_dlgremplace.h"

#include <QDialog>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

// A search empties the replacement text, so that F3 repeats the search.
void KalTextEdit::slotEditCherche()
{
    QDialog dialog;
    Ui::DlgCherche form;
    form.setupUi(&dialog);
    form.lineEditCherche->setText(strCherche);
    form.lineEditCherche->selectAll();
    // Without this the default button, first in the dialog's focus chain, would
    // take the focus and the text could not be typed straight away.
    form.lineEditCherche->setFocus();
    form.cbCasse->setChecked(respecteCasse);
    if (dialog.exec() != QDialog::Accepted)
        return;

    strCherche = form.lineEditCherche->text();
    respecteCasse = form.cbCasse->isChecked();
    strRemplace.clear();
    if (!strCherche.isEmpty())
        slotEditReplaceEncore();
}

namespace {

// The occurrence of texte that starts at or after depuis (forward), or that ends at
// or before it (backward), or a null cursor. The document's own find sees each
// non-breaking space as a blank: a text holding one would never be found, and with
// blanks in their place it would also find the same words joined by a plain blank,
// a text that was not searched for. The blocks' own characters are searched
// instead, so that a match is the searched text itself, case aside.
QTextCursor occurrence(QTextDocument *document, const QString &texte, bool casse, int depuis,
                       bool arriere)
{
    if (texte.isEmpty())
        return QTextCursor();
    const Qt::CaseSensitivity sensibilite = casse ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const qsizetype longueur = texte.size();
    QTextBlock bloc = document->findBlock(depuis);
    qsizetype debut = -1;
    if (!arriere) {
        for (qsizetype depart = depuis - bloc.position(); bloc.isValid();
             bloc = bloc.next(), depart = 0) {
            debut = bloc.text().indexOf(texte, depart, sensibilite);
            if (debut >= 0)
                break;
        }
    } else {
        // fin: where the match must end at the latest, in the block's text.
        for (qsizetype fin = depuis - bloc.position(); bloc.isValid();
             bloc = bloc.previous(), fin = bloc.length() - 1) {
            // A negative start would make lastIndexOf count from the end.
            if (fin >= longueur)
                debut = bloc.text().lastIndexOf(texte, fin - longueur, sensibilite);
            if (debut >= 0)
                break;
        }
    }
    if (!bloc.isValid())
        return QTextCursor();

    QTextCursor trouve(document);
    trouve.setPosition(bloc.position() + int(debut));
    trouve.setPosition(bloc.position() + int(debut + longueur), QTextCursor::KeepAnchor);
    return trouve;
}

} // namespace

// An empty replacement field makes the replace command a search.
void KalTextEdit::slotEditReplace()
{
    QDialog dialog;
    Ui::DlgRemplace form;
    form.setupUi(&dialog);
    form.lineEditCherche->setText(strCherche);
    form.lineEditCherche->selectAll();
    form.lineEditCherche->setFocus();
    form.lineEditRemplace->setText(strRemplace);
    form.cbCasse->setChecked(respecteCasse);
    if (dialog.exec() != QDialog::Accepted)
        return;

    strCherche = form.lineEditCherche->text();
    respecteCasse = form.cbCasse->isChecked();
    strRemplace = form.lineEditRemplace->text();
    if (!strCherche.isEmpty())
        slotEditReplaceEncore();
}

// Forward from the end of the selection, without wrapping around. A replacement
// leaves the cursor after the inserted text, so it is never found again.
void KalTextEdit::slotEditReplaceEncore()
{
    if (!selectionneOccurrence(false))
        return;
    if (!strRemplace.isEmpty()) {
        EtapeAnnulation etape(textEdit);
        textEdit->insertPlainText(strRemplace);
    }
}

// Backward from the start of the selection; it never replaces.
void KalTextEdit::slotEditChercherPrecedent()
{
    selectionneOccurrence(true);
}

// Selects the next (or previous) occurrence of the searched text and scrolls it
// into view; when there is none, says so and leaves the cursor where it was.
bool KalTextEdit::selectionneOccurrence(bool arriere)
{
    const QTextCursor curseur = textEdit->textCursor();
    const QTextCursor trouve
        = occurrence(textEdit->document(), strCherche, respecteCasse,
                     arriere ? curseur.selectionStart() : curseur.selectionEnd(), arriere);
    if (trouve.isNull()) {
        information(this, QStringLiteral("Recherche/Remplacement"),
                    QLatin1Char('"') + strCherche + QStringLiteral("\" non trouvé"));
        return false;
    }
    textEdit->setTextCursor(trouve);
    textEdit->ensureCursorVisible();
    return true;
}

void KalTextEdit::slotFileQuit()
{
    close();
}

void KalTextEdit::slotEditAnnuler()
{
    textEdit->document()->undo();
}

void KalTextEdit::slotEditRefaire()
{
    textEdit->document()->redo();
}

void KalTextEdit::slotEditCut()
{
    textEdit->cut();
}

void KalTextEdit::slotEditCopy()
{
    textEdit->copy();
}

void KalTextEdit::slotEditPaste()
{
    textEdit->paste();
}
