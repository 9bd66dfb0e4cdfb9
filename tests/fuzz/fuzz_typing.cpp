// Typing into an HTML document, key by key, on random text: Return keeps the
// blanks of the line, a ">" inserts itself and at most the closing tag of its
// element after the cursor (or takes away the closing tag it types over), and
// undoing every step brings back the text as it was.

#include "fuzzsupport.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>

namespace {

TestSupport::EditorFixture *fixture = nullptr;

// The keys typed, with the text each gives, sent to the widget as the window
// system's would be.
struct Touche
{
    Qt::Key key;
    const char *texte;
};

const Touche touches[] = {
    {Qt::Key_Less, "<"},       {Qt::Key_Greater, ">"},    {Qt::Key_Slash, "/"},
    {Qt::Key_P, "p"},          {Qt::Key_A, "a"},          {Qt::Key_QuoteDbl, "\""},
    {Qt::Key_Apostrophe, "'"}, {Qt::Key_Equal, "="},      {Qt::Key_Space, " "},
    {Qt::Key_Exclam, "!"},     {Qt::Key_Minus, "-"},      {Qt::Key_S, "s"},
    {Qt::Key_Return, "\r"},    {Qt::Key_Backspace, "\b"}, {Qt::Key_Left, ""},
    {Qt::Key_Right, ""},
};

void tape(QWidget *widget, const Touche &touche)
{
    const QString texte = QString::fromLatin1(touche.texte);
    QKeyEvent presse(QEvent::KeyPress, touche.key, Qt::NoModifier, texte);
    QApplication::sendEvent(widget, &presse);
    QKeyEvent relache(QEvent::KeyRelease, touche.key, Qt::NoModifier, texte);
    QApplication::sendEvent(widget, &relache);
}

QString texteDe(const monQTextEdit *edit)
{
    return edit->document()->toRawText();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzHeadless();
    // Never destroyed: the keyboard device that the first key event makes is a
    // global that exit() destroys before a static application would go.
    static QApplication *app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    TestSupport::init();
    fixture = new TestSupport::EditorFixture;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    monQTextEdit *edit = KalTextEditTestAccess(fixture->window).textEdit();
    const size_t nombre = std::min<size_t>(data[0] % 48, size - 3);
    const uint8_t *cles = data + 3;
    QString text = fuzzText(
        QByteArray(reinterpret_cast<const char *>(cles + nombre), qsizetype(size - 3 - nombre)));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    edit->setPlainText(text);
    const QString origine = texteDe(edit);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition((data[1] * 256 + data[2]) % int(origine.size() + 1));
    edit->setTextCursor(cursor);

    for (size_t i = 0; i < nombre; ++i) {
        const Touche &touche = touches[cles[i] % std::size(touches)];
        const QString avant = texteDe(edit);
        const int p = edit->textCursor().position();
        tape(edit, touche);
        const QString apres = texteDe(edit);
        const int q = edit->textCursor().position();
        if (touche.key == Qt::Key_Return) {
            const QTextBlock bloc = edit->document()->findBlock(p);
            QString blancs;
            for (const QChar c : bloc.text().left(p - bloc.position())) {
                if (c != u' ' && c != u'\t')
                    break;
                blancs += c;
            }
            FUZZ_CHECK(apres == avant.left(p) + QChar::ParagraphSeparator + blancs + avant.mid(p),
                       "Return at %d", p);
        } else if (touche.key == Qt::Key_Greater) {
            const QString tape = avant.left(p) + u'>';
            FUZZ_CHECK(q == p + 1, "'>' at %d left the cursor at %d", p, q);
            FUZZ_CHECK(apres.left(q) == tape, "'>' at %d changed the text before it", p);
            const QString suite = apres.mid(q);
            const QString reste = avant.mid(p);
            if (suite != reste) {
                // Either a closing tag inserted, or one taken away.
                const bool insere = suite.endsWith(reste) && suite.startsWith(QLatin1String("</"))
                    && suite.size() > reste.size() + 3
                    && suite.at(suite.size() - reste.size() - 1) == u'>';
                const bool retire = reste.endsWith(suite) && reste.startsWith(QLatin1String("</"))
                    && reste.at(reste.size() - suite.size() - 1) == u'>';
                FUZZ_CHECK(insere || retire, "'>' at %d\nbefore %s\nafter  %s", p,
                           qPrintable(avant), qPrintable(apres));
            }
        }
    }

    int pas = 0;
    while (edit->document()->isUndoAvailable() && pas++ < 1000)
        edit->document()->undo();
    FUZZ_CHECK(texteDe(edit) == origine,
               "undoing everything does not restore\nbefore %s\nafter  %s", qPrintable(origine),
               qPrintable(texteDe(edit)));
    return 0;
}
