// Search, replace and repeat, and the elementary edit commands.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "etapeannulation.h"
#include "montextedit.h"
#include "ui_dlgcherche.h"
#include "ui_dlgremplace.h"

#include <QDialog>

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
    QTextDocument::FindFlags options;
    if (respecteCasse)
        options |= QTextDocument::FindCaseSensitively;

    // The widget's find sees each non-breaking space of the text as a blank, so a
    // searched text that holds one (copied from the page) would never be found.
    QString cherche = strCherche;
    cherche.replace(QChar::Nbsp, QLatin1Char(' '));
    if (!textEdit->find(cherche, options)) {
        information(this, QStringLiteral("Recherche/Remplacement"),
                    QLatin1Char('"') + strCherche + QStringLiteral("\" non trouvé"));
        return;
    }
    if (!strRemplace.isEmpty()) {
        EtapeAnnulation etape(textEdit);
        textEdit->insertPlainText(strRemplace);
    }
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
