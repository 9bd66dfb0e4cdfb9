// Search, replace and repeat, and the elementary edit commands.

#include "kaltextedit.h"

#include "montextedit.h"

void KalTextEdit::slotEditCherche()
{ }

void KalTextEdit::slotEditReplace()
{ }

void KalTextEdit::slotEditReplaceEncore()
{ }

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
