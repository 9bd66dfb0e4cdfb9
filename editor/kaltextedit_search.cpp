// Search, replace and repeat, and the elementary edit commands.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "etapeannulation.h"
#include "montextedit.h"
#include "ui_dlgcherche.h"
#include "ui_dlgremplace.h"

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QScrollBar>
#include <QStatusBar>
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

// Asks for a text, its replacement and the case option in the replace dialog,
// filled with the remembered values; they take the dialog's values only when it is
// accepted.
bool demandeRemplacement(QString *cherche, QString *remplace, bool *casse)
{
    QDialog dialog;
    Ui::DlgRemplace form;
    form.setupUi(&dialog);
    form.lineEditCherche->setText(*cherche);
    form.lineEditCherche->selectAll();
    form.lineEditCherche->setFocus();
    form.lineEditRemplace->setText(*remplace);
    form.cbCasse->setChecked(*casse);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    *cherche = form.lineEditCherche->text();
    *casse = form.cbCasse->isChecked();
    *remplace = form.lineEditRemplace->text();
    return true;
}

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
    if (demandeRemplacement(&strCherche, &strRemplace, &respecteCasse) && !strCherche.isEmpty())
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

// Selects the next (or previous) occurrence of the searched text, which setting
// the cursor scrolls into view; when there is none, says so and leaves the cursor
// where it was.
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
    return true;
}

// Every occurrence of the whole document, found in its text as it stood, so that
// a replacement is never searched again. The replacements are made in one edit
// block: one undo step, and the document is highlighted once, not once per
// replacement. An empty replacement removes the occurrences.
void KalTextEdit::slotEditReplaceTout()
{
    if (!demandeRemplacement(&strCherche, &strRemplace, &respecteCasse) || strCherche.isEmpty())
        return;

    QTextDocument *document = textEdit->document();
    const Qt::CaseSensitivity casse = respecteCasse ? Qt::CaseSensitive : Qt::CaseInsensitive;
    // The raw text holds the characters themselves (non-breaking spaces included)
    // at the document's positions, a block's end counting as one character.
    const QString texte = document->toRawText();
    const qsizetype longueur = strCherche.size();
    qsizetype debut = texte.indexOf(strCherche, 0, casse);
    if (debut < 0) {
        statusBar()->showMessage(
            QStringLiteral("Aucune occurrence de «\u00a0%1\u00a0»").arg(strCherche));
        return;
    }

    // The layout follows an edit block at once over the whole stretch it changed,
    // here most of the document, and a cursor moved after the last replacement
    // would make it run to the end before the command returns. Without a page
    // size it leaves the text alone; given its size back, it lays the document out
    // afresh in steps between events, as when a file is opened. The view stays on
    // the text it showed, and only that much is laid out at once.
    const QSizeF page = document->pageSize();
    const int premierVisible = textEdit->cursorForPosition(QPoint(0, 0)).position();
    int visible = premierVisible;
    qsizetype nombre = 0;
    document->setPageSize(QSizeF(0, 0));
    {
        EtapeAnnulation etape(textEdit);
        QTextCursor curseur(document);
        const qsizetype ecart = strRemplace.size() - longueur;
        for (; debut >= 0; debut = texte.indexOf(strCherche, debut + longueur, casse)) {
            curseur.setPosition(int(debut + nombre * ecart));
            curseur.setPosition(int(debut + nombre * ecart + longueur), QTextCursor::KeepAnchor);
            if (strRemplace.isEmpty())
                curseur.removeSelectedText();
            else
                curseur.insertText(strRemplace);
            ++nombre;
            if (debut + longueur <= premierVisible)
                visible += int(ecart);
        }
        textEdit->setTextCursor(curseur);
    }
    document->setPageSize(page);
    gardeEnHaut(visible);
    statusBar()->showMessage(nombre == 1 ? QStringLiteral("1 remplacement")
                                         : QStringLiteral("%1 remplacements").arg(nombre));
}

// Scrolls the view so that the block holding position is at its top while the
// document is being laid out afresh: the layout runs at once only down to the
// view's bottom, so the scroll bar's range, which grows with the layout, always
// holds the view; it is widened here before the layout next reports its size.
void KalTextEdit::gardeEnHaut(int position)
{
    QAbstractTextDocumentLayout *mise = textEdit->document()->documentLayout();
    QTextBlock bloc = textEdit->document()->findBlock(position);
    const int haut = qRound(mise->blockBoundingRect(bloc).top());
    const int bas = haut + textEdit->viewport()->height();
    while (bloc.isValid() && mise->blockBoundingRect(bloc).bottom() < bas)
        bloc = bloc.next();
    QScrollBar *barre = textEdit->verticalScrollBar();
    barre->setMaximum(qMax(barre->maximum(), haut));
    barre->setValue(haut);
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
