// Alignment, image, table and document skeleton.

#include "kaltextedit.h"

#include "montextedit.h"

#include <QAction>

void KalTextEdit::slotTextAlign(QAction *action)
{
    Q_UNUSED(action);
}

void KalTextEdit::slotImage()
{ }

void KalTextEdit::slotTableaux()
{ }

void KalTextEdit::slotSqueletteHtml()
{ }
