// Typing into an HTML document, key by key, on random text: Return keeps the
// blanks of the line, a ">" inserts itself and at most the closing tag of its
// element after the cursor (or takes away the closing tag it types over), a "/"
// after "<" at most the name of an element and its ">", Ctrl+B and Ctrl+Shift+B
// change no text and find what a reading of the whole text finds, undo and redo
// come in between, what each position stands in is what a reading from the start
// says, and undoing every step brings back the text as it was.

#include "contextedocument.h"
#include "fuzzsupport.h"
#include "montextedit.h"
#include "pairesbalises.h"
#include "testsupport.h"

#include <QAction>
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
    {Qt::Key_Less, "<"},
    {Qt::Key_Greater, ">"},
    {Qt::Key_Slash, "/"},
    {Qt::Key_P, "p"},
    {Qt::Key_A, "a"},
    {Qt::Key_QuoteDbl, "\""},
    {Qt::Key_Apostrophe, "'"},
    {Qt::Key_Equal, "="},
    {Qt::Key_Space, " "},
    {Qt::Key_Exclam, "!"},
    {Qt::Key_Minus, "-"},
    {Qt::Key_S, "s"},
    {Qt::Key_Return, "\r"},
    {Qt::Key_Backspace, "\b"},
    {Qt::Key_Left, ""},
    {Qt::Key_Right, ""},
    {Qt::Key_L, "l"},
    {Qt::Key_I, "i"},
    // Commands, by their actions: Ctrl+B, Ctrl+Shift+B, Ctrl+Z, Ctrl+Y.
    {Qt::Key_B, nullptr},
    {Qt::Key_F, nullptr},
    {Qt::Key_Z, nullptr},
    {Qt::Key_Y, nullptr},
};

const char *actionDe(Qt::Key key)
{
    switch (key) {
    case Qt::Key_B:
        return "baliseCorrespondanteAct";
    case Qt::Key_F:
        return "selectionnerElementAct";
    case Qt::Key_Z:
        return "editAnnulerAct";
    default:
        return "editRefaireAct";
    }
}

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

// What the cursor's position stands in, as the points kept along the text find
// it, is what a reading of the text from its start finds.
void verifieContexte(monQTextEdit *edit, int position)
{
    const QString texte = edit->document()->toRawText();
    const LexiqueHtml::Etat attendu = LexiqueHtml::lit(QStringView(texte).first(position), {}).etat;
    const LexiqueHtml::Etat trouve = edit->contexteHtml()->etatA(position);
    FUZZ_CHECK(trouve == attendu, "state at %d: %d/%d, from the start %d/%d", position,
               int(trouve.mode), int(trouve.contenu), int(attendu.mode), int(attendu.contenu));
}

// A command changes no text; where Ctrl+B and Ctrl+Shift+B go is where an analysis
// of the whole text, from its start, says.
void verifieCommande(monQTextEdit *edit, Qt::Key key, const QString &avant,
                     const QTextCursor &avantCurseur)
{
    const QString apres = texteDe(edit);
    const QTextCursor curseur = edit->textCursor();
    if (key != Qt::Key_B && key != Qt::Key_F)
        return;
    FUZZ_CHECK(apres == avant, "a command on tags changed the text");
    const PairesBalises::Analyse tout = PairesBalises::analyse(avant, {}, true);
    if (key == Qt::Key_B) {
        if (curseur.position() == avantCurseur.position())
            return;
        const PairesBalises::Paire paire
            = PairesBalises::paireDeLaBalise(tout, avantCurseur.position());
        FUZZ_CHECK(!curseur.hasSelection() && paire.nomPartenaire == curseur.position(),
                   "Ctrl+B from %d to %d, partner's name at %d", avantCurseur.position(),
                   curseur.position(), paire.nomPartenaire);
        return;
    }
    if (curseur.selectionStart() == avantCurseur.selectionStart()
        && curseur.selectionEnd() == avantCurseur.selectionEnd())
        return;
    const PairesBalises::Etendue element = PairesBalises::elementAutour(
        tout, avantCurseur.selectionStart(), avantCurseur.selectionEnd());
    FUZZ_CHECK(element.debut == curseur.selectionStart() && element.fin == curseur.selectionEnd(),
               "Ctrl+Shift+B on %d-%d selected %d-%d, the element is %d-%d",
               avantCurseur.selectionStart(), avantCurseur.selectionEnd(), curseur.selectionStart(),
               curseur.selectionEnd(), element.debut, element.fin);
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
    // Sometimes long enough for the points kept along the text to matter (they
    // are kept 2,048 characters apart), short enough to be laid out quickly.
    if ((data[0] & 0xc0) == 0xc0 && !text.isEmpty())
        text = text.repeated(qMax<qsizetype>(1, 6000 / text.size()));
    edit->setPlainText(text);
    const QString origine = texteDe(edit);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition((data[1] * 256 + data[2]) % int(origine.size() + 1));
    edit->setTextCursor(cursor);

    // The text just after a "/" that received a name, which the next letter may
    // take back, and the position after that "/".
    QString avantCompletion;
    int apresBarre = -1;
    for (size_t i = 0; i < nombre; ++i) {
        const Touche &touche = touches[cles[i] % std::size(touches)];
        if (touche.texte && edit->textCursor().hasSelection()) {
            // Typing over a selection is the widget's own: the checks below type at
            // a cursor.
            QTextCursor cursor = edit->textCursor();
            cursor.clearSelection();
            edit->setTextCursor(cursor);
        }
        const QString avant = texteDe(edit);
        const QTextCursor avantCurseur = edit->textCursor();
        const int p = avantCurseur.position();
        if (!touche.texte) {
            TestSupport::action(fixture->window, QLatin1String(actionDe(touche.key)))->trigger();
            verifieCommande(edit, touche.key, avant, avantCurseur);
            avantCompletion.clear();
            continue;
        }
        tape(edit, touche);
        const QString apres = texteDe(edit);
        const int q = edit->textCursor().position();
        verifieContexte(edit, q);
        if (touche.key == Qt::Key_Slash) {
            FUZZ_CHECK(apres.left(p + 1) == avant.left(p) + u'/',
                       "'/' at %d changed the text before it", p);
            if (q != p + 1) {
                // A name and its ">", perhaps in place of an inserted closing tag.
                const QString nom = apres.mid(p + 1, q - p - 2);
                FUZZ_CHECK(p > 0 && avant.at(p - 1) == u'<' && !nom.isEmpty()
                               && apres.at(q - 1) == u'>',
                           "'/' at %d gave %s", p, qPrintable(apres.mid(p, q - p)));
                const QString reste = avant.mid(p);
                const QString fermante = QStringLiteral("</") + nom + u'>';
                FUZZ_CHECK(apres.mid(q) == reste
                               || (reste.startsWith(fermante, Qt::CaseInsensitive)
                                   && apres.mid(q) == reste.mid(fermante.size())),
                           "'/' at %d\nbefore %s\nafter  %s", p, qPrintable(avant),
                           qPrintable(apres));
                avantCompletion = avant.left(p) + u'/' + avant.mid(p);
                apresBarre = p + 1;
                continue;
            }
        } else if (!avantCompletion.isEmpty() && QChar::fromLatin1(touche.texte[0]).isLetter()
                   && apres != avant.left(p) + touche.texte + avant.mid(p)) {
            // The letter took the name back before going in.
            FUZZ_CHECK(apres
                           == avantCompletion.left(apresBarre) + touche.texte
                               + avantCompletion.mid(apresBarre),
                       "'%s' after a completion\nbefore %s\nafter  %s", touche.texte,
                       qPrintable(avant), qPrintable(apres));
        }
        avantCompletion.clear();
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
