#include "montextedit.h"

#include <QKeyEvent>

monQTextEdit::monQTextEdit(QWidget *parent)
    : QTextEdit(parent)
{ }

void monQTextEdit::keyPressEvent(QKeyEvent *e)
{
    // The widget handles every key first; the window then switches its mode.
    QTextEdit::keyPressEvent(e);
    if (e->key() == Qt::Key_Insert)
        emit insertKeyPressed();
}
