#pragma once

#include "kaltextedit.h"
#include "montextedit.h"

#include <QAction>
#include <QString>
#include <QTextCursor>
#include <QTextDocument>

// Helpers of the tests that drive the editor's commands.
namespace CommandTest {

// The text as the document holds it: toPlainText() would turn non-breaking
// spaces into plain ones.
inline QString texteDe(const monQTextEdit *edit)
{
    return edit->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

// A fresh text with the selection from ancre to position (equal: just a cursor).
inline void prepare(monQTextEdit *edit, const QString &texte, int ancre, int position)
{
    edit->setPlainText(texte);
    QTextCursor cursor(edit->document());
    cursor.setPosition(ancre);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

} // namespace CommandTest
