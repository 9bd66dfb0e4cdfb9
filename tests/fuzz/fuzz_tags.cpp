// The tag engine on random documents, selections, alignments and modes: the text
// outside the selection is kept, the selection comes back unchanged between the
// command's texts, nothing overwrites, and one undo brings back the text before.

#include "fuzzsupport.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>

namespace {

struct Command
{
    const char *action;
    const char *opening; // "%1" stands for the alignment attribute
    const char *closing;
    bool heading;
};

const Command commands[] = {
    {"carGrasAct", "<b>", "</b>", false},
    {"carItalicAct", "<i>", "</i>", false},
    {"carSouligneAct", "<u>", "</u>", false},
    {"carPreformateAct", "<pre>", "</pre>", false},
    {"paragrapheAct", "<p%1>", "</p>", false},
    {"titre1Act", "<h1%1>", "</h1>", true},
    {"titre2Act", "<h2%1>", "</h2>", true},
    {"titre3Act", "<h3%1>", "</h3>", true},
    {"titre4Act", "<h4%1>", "</h4>", true},
    {"titre5Act", "<h5%1>", "</h5>", true},
    {"titre6Act", "<h6%1>", "</h6>", true},
    {"listeSimpleAct", "<ul>", "</ul>", false},
    {"listeOrdoAct", "<ol>", "</ol>", false},
    {"elemListeAct", "<li>", "</li>", false},
    {"listeDefAct", "<dl>", "</dl>", false},
    {"termDefAct", "<dt>", "</dt>", false},
    {"definitionAct", "<dd>", "</dd>", false},
    {"lienHypTextAct", "<a href=\"\">", "</a>", false},
    {"nameAncreAct", "<a name=\"\">", "</a>", false},
    {"alaLigneAct", "", "<br />", false},
    {"ligneHorizAct", "", "<hr />", false},
    {"blancInsecAct", "", "&nbsp;", false},
    {"euroAct", "", "&#8364;", false},
};

const char *const alignActions[]
    = {"alignGaucheAct", "alignCentreAct", "alignDroiteAct", "alignJustifieAct"};
const char *const alignAttributes[]
    = {"", " align=\"center\"", " align=\"right\"", " align=\"justify\""};

TestSupport::EditorFixture *fixture = nullptr;

int number(const uint8_t *data, size_t size, size_t at)
{
    int value = 0;
    for (size_t i = at; i < at + 2; ++i)
        value = value * 256 + (i < size ? data[i] : 0);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzHeadless();
    static QApplication app(*argc, *argv);
    TestSupport::init();
    fixture = new TestSupport::EditorFixture;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 7)
        return 0;
    KalTextEdit *window = fixture->window;
    KalTextEditTestAccess w(window);
    monQTextEdit *edit = w.textEdit();

    const Command &command = commands[data[0] % std::size(commands)];
    const int alignment = data[1] % 4;
    window->findChild<QAction *>(QLatin1String(alignActions[alignment]))->trigger();
    edit->setOverwriteMode(data[2] & 1);

    QString text
        = fuzzText(QByteArray(reinterpret_cast<const char *>(data + 7), qsizetype(size - 7)));
    // The editing widget holds lines: a carriage return is a line break to it.
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    edit->setPlainText(text);
    const QString before = edit->document()->toRawText();
    const int length = int(before.size());
    const int anchor = number(data, size, 3) % (length + 1);
    const int position = number(data, size, 5) % (length + 1);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(anchor);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    const int start = edit->textCursor().selectionStart();
    const int end = edit->textCursor().selectionEnd();
    const bool selected = start != end;

    window->findChild<QAction *>(QLatin1String(command.action))->trigger();

    QString opening = QString::fromLatin1(command.opening);
    if (opening.contains(QLatin1String("%1")))
        opening = opening.arg(QLatin1String(alignAttributes[alignment]));
    QString expected = before.left(start) + opening + before.mid(start, end - start)
        + QString::fromLatin1(command.closing) + (command.heading && selected ? "\u2029" : "")
        + before.mid(end);
    const QString after = edit->document()->toRawText();
    FUZZ_CHECK(after == expected, "%s on [%d,%d]\nbefore %s\nafter  %s", command.action, start, end,
               qPrintable(before), qPrintable(after));
    FUZZ_CHECK(!edit->textCursor().hasSelection(), "%s left a selection", command.action);

    edit->document()->undo();
    FUZZ_CHECK(edit->document()->toRawText() == before, "%s: one undo does not restore",
               command.action);
    return 0;
}
