// Search, replace and F3, through the real actions and dialogs.

#include "commandtest.h"
#include "dialoganswers.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

using namespace CommandTest;
using namespace TestSupport;

namespace {

// The two options beside the case option.
enum Options { MotsEntiers = 1, Expression = 2 };

void cocheOptions(QWidget *dialog, bool casse, int options)
{
    dialog->findChild<QCheckBox *>(QStringLiteral("cbCasse"))->setChecked(casse);
    dialog->findChild<QCheckBox *>(QStringLiteral("cbMotsEntiers"))
        ->setChecked(options & MotsEntiers);
    dialog->findChild<QCheckBox *>(QStringLiteral("cbExpression"))
        ->setChecked(options & Expression);
}

// Answers the search dialog with a text and the options.
DialogAnswers::Answer chercher(const QString &texte, bool casse, int options = 0)
{
    return [=](QWidget *dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("DlgCherche"));
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))->setText(texte);
        cocheOptions(dialog, casse, options);
        clickButton(dialog, QStringLiteral("Ok"));
    };
}

// Answers the replace dialog with a text, its replacement and the options.
DialogAnswers::Answer remplacer(const QString &texte, const QString &par, bool casse,
                                int options = 0)
{
    return [=](QWidget *dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("DlgRemplace"));
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))->setText(texte);
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"))->setText(par);
        cocheOptions(dialog, casse, options);
        clickButton(dialog, QStringLiteral("Ok"));
    };
}

// What a message box showed before it was answered with OK.
struct Message
{
    QString titre;
    QString texte;
    int boutons = 0;
    QWidget *parent = nullptr;
};

// The text as the box shows it: a box that takes its text for rich text shows
// what the markup leaves of it ("<title>" vanishes).
QString texteAffiche(const QMessageBox *box)
{
    const bool riche = box->textFormat() == Qt::RichText
        || (box->textFormat() == Qt::AutoText && Qt::mightBeRichText(box->text()));
    if (!riche)
        return box->text();
    QTextDocument document;
    document.setHtml(box->text());
    return document.toPlainText();
}

DialogAnswers::Answer noter(QList<Message> *messages)
{
    return [messages](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        messages->append({box->windowTitle(), texteAffiche(box), int(box->buttons().size()),
                          box->parentWidget()});
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
    };
}

QString selection(const monQTextEdit *edit)
{
    return edit->textCursor().selectedText();
}

// A row of the search table: from the cursor at depart, Ctrl+F, or Shift+F3 on the
// remembered text when precedent, finds cherche at debut (-1: "non trouvé"), a
// match of longueur characters (-1: those of cherche).
void recherche(const char *nom, const QString &texte, const QString &cherche, bool casse,
               int depart, bool precedent, int debut, int options = 0, int longueur = -1)
{
    QTest::newRow(nom) << texte << cherche << casse << depart << precedent << debut << options
                       << (longueur < 0 ? int(cherche.size()) : longueur);
}

enum Commandes { ParF3 = 1, ParTout = 2, LesDeux = 3 };

// A row of the replace table for each command given: Ctrl+R then F3, or
// Ctrl+Shift+R ("all: " rows); curseur follows the last replacement, refrappe is
// the overwrite mode.
void remplacement(int commandes, const char *nom, const QString &texte, const QString &cherche,
                  const QString &remplace, bool casse, int remplacements, const QString &attendu,
                  int curseur, bool refrappe = false, int options = 0)
{
    for (const bool tout : {false, true}) {
        if (commandes & (tout ? ParTout : ParF3))
            QTest::addRow("%s%s", tout ? "all: " : "", nom)
                << tout << texte << cherche << remplace << casse << remplacements << attendu
                << curseur << refrappe << options;
    }
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void caseOption_data();
    void caseOption();
    void twoOccurrencesThenNotFound();
    void searchStartsAfterSelection();
    void noWrapAround();
    void replaceRepeated_data();
    void replaceRepeated();
    void replaceAllKeepsTheView();
    void emptyReplacementSearches();
    void repeatBeforeAnySearch();
    void emptySearchAccepted();
    void cancelledDialogChangesNothing_data();
    void cancelledDialogChangesNothing();
    void dialogsOpenWithLastValues();
    void refusedChangesNothing_data();
    void refusedChangesNothing();
    void emptyMatchesMoveOn_data();
    void emptyMatchesMoveOn();
    void newCommandsFromKeys_data();
    void newCommandsFromKeys();
};

void TestSearch::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestSearch::caseOption_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("cherche");
    QTest::addColumn<bool>("casse");
    QTest::addColumn<int>("depart");
    QTest::addColumn<bool>("precedent");
    QTest::addColumn<int>("debut");
    QTest::addColumn<int>("options");
    QTest::addColumn<int>("longueur");
    recherche("Table finds table without the option", "une table", "Table", false, 0, false, 4);
    recherche("Table misses table with the option", "une table", "Table", true, 0, false, -1);
    recherche("with the option, the exact case is found", "table Table", "Table", true, 0, false,
              6);
    recherche("lower case finds upper case without the option", "UNE TABLE", "table", false, 0,
              false, 4);
    recherche("accents follow the option too", "ÉTÉ", "été", false, 0, false, 0);
    recherche("a tag past its last occurrence", "<p>titre</p>", "<title>", false, 0, false, -1);
    // The widget's find takes a non-breaking space for a blank: the words joined
    // by a plain blank were selected, and F3 with a replacement rewrote them.
    const QString nbsp(QChar::Nbsp);
    recherche("a non-breaking space is not found as a blank",
              "tout le reste, tout" + nbsp + "le reste", "tout" + nbsp + "le", false, 0, false, 15);
    recherche("a blank is not found as a non-breaking space",
              "tout" + nbsp + "le reste, tout le reste", "TOUT LE", false, 0, false, 15);

    recherche("previous: nothing before the start", "mot et mot", "mot", false, 0, true, -1);
    recherche("previous: in the middle", "mot et mot et mot", "mot", false, 12, true, 7);
    recherche("previous: not the one the cursor stands in", "mot et mot", "mot", false, 9, true, 0);
    recherche("previous: the case option skips Mot", "mot Mot mot", "mot", true, 8, true, 0);

    // A letter, a digit or "_" just before or after joins a word, in the Unicode sense.
    recherche("whole words: td skips tdx", "tdx td", "td", false, 0, false, 4, MotsEntiers);
    recherche("whole words: at the text's start", "td tdx", "td", false, 0, false, 0, MotsEntiers);
    recherche("whole words: at the text's end", "xtd td", "td", false, 0, false, 4, MotsEntiers);
    recherche("whole words: an accented letter before", "étd td", "td", false, 0, false, 4,
              MotsEntiers);
    recherche("whole words: an accented letter after", "tdé td", "TD", false, 0, false, 4,
              MotsEntiers);
    recherche("whole words: a digit and _ join", "2td td_ td", "td", false, 0, false, 8,
              MotsEntiers);
    recherche("whole words: previous", "td tdx", "td", false, 6, true, 0, MotsEntiers);
    recherche("whole words: a line's edges", "xtd\ntd", "td", false, 0, false, 4, MotsEntiers);

    recherche("expression: h[1-6] finds h2", "<p><h2>", "h[1-6]", false, 0, false, 4, Expression,
              2);
    recherche("expression: the case option misses H2", "<H2>", "h[1-6]", true, 0, false, -1,
              Expression);
    recherche("expression: without it, H2 found", "<H2>", "h[1-6]", false, 0, false, 1, Expression,
              2);
    recherche("expression: \\w knows accented letters", "-- été", "\\w+", false, 0, false, 3,
              Expression, 3);
    recherche("expression: a match stays within one line", "a\nb", "a\\sb", false, 0, false, -1,
              Expression);
    recherche("expression: ^ is a line's start", "ab\nab", "^a", false, 1, false, 3, Expression, 1);
    recherche("expression: previous", "h1 h2 h3", "h\\d", false, 7, true, 3, Expression, 2);
    recherche("expression and whole words: ab|abc finds abc", "abcd abc", "ab|abc", false, 0, false,
              5, Expression | MotsEntiers, 3);
    recherche("expression and whole words: each match", "tdx td", "t.", false, 0, false, 4,
              Expression | MotsEntiers, 2);
    recherche("expression: the text as typed is not an expression", "a.b", "a\\.b", false, 0, false,
              -1);
}

void TestSearch::caseOption()
{
    QFETCH(QString, texte);
    QFETCH(QString, cherche);
    QFETCH(bool, casse);
    QFETCH(int, depart);
    QFETCH(bool, precedent);
    QFETCH(int, debut);
    QFETCH(int, options);
    QFETCH(int, longueur);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, texte, depart, depart);
    QList<Message> messages;
    DialogAnswers answers;
    if (precedent) {
        w.strCherche() = cherche;
        w.respecteCasse() = casse;
        w.motsEntiers() = options & MotsEntiers;
        w.expressionReguliere() = options & Expression;
    } else {
        answers.then(chercher(cherche, casse, options));
    }
    if (debut < 0)
        answers.then(noter(&messages));
    action(f.window, precedent ? "editChercherPrecedentAct" : "editChercheAct")->trigger();
    QVERIFY(cleanRun(answers));

    QCOMPARE(w.strCherche(), cherche);
    QCOMPARE(w.respecteCasse(), casse);
    QCOMPARE(w.motsEntiers(), bool(options & MotsEntiers));
    QCOMPARE(w.expressionReguliere(), bool(options & Expression));
    QCOMPARE(w.strRemplace(), QString());
    QCOMPARE(texteDe(edit), texte);
    if (debut < 0) {
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].texte, "\"" + cherche + "\" non trouvé");
        QVERIFY(!edit->textCursor().hasSelection());
        QCOMPARE(edit->textCursor().position(), depart);
    } else {
        QVERIFY(messages.isEmpty());
        QCOMPARE(edit->textCursor().selectionStart(), debut);
        QCOMPARE(edit->textCursor().selectionEnd(), debut + longueur);
    }
}

// The search finds the first occurrence, F3 the second, and a further F3 says
// that nothing more was found, leaving the second one selected.
void TestSearch::twoOccurrencesThenNotFound()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, QStringLiteral("un lien, deux liens."), 0, 0);
    QList<Message> messages;
    DialogAnswers answers;
    answers.then(chercher(QStringLiteral("lien"), false)).then(noter(&messages));

    action(f.window, "editChercheAct")->trigger();
    QCOMPARE(edit->textCursor().selectionStart(), 3);
    QCOMPARE(selection(edit), QStringLiteral("lien"));
    action(f.window, "editReplaceEncoreAct")->trigger();
    QCOMPARE(edit->textCursor().selectionStart(), 14);
    QCOMPARE(selection(edit), QStringLiteral("lien"));
    action(f.window, "editReplaceEncoreAct")->trigger();

    QVERIFY(cleanRun(answers));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].titre, QStringLiteral("Recherche/Remplacement"));
    QCOMPARE(messages[0].texte, QStringLiteral("\"lien\" non trouvé"));
    QCOMPARE(messages[0].boutons, 1);
    QCOMPARE(messages[0].parent, f.window.data());
    QCOMPARE(edit->textCursor().selectionStart(), 14);
    QCOMPARE(selection(edit), QStringLiteral("lien"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("un lien, deux liens."));

    // Shift+F3 goes back to the first one, then says that there is none before it.
    answers.then(noter(&messages));
    action(f.window, "editChercherPrecedentAct")->trigger();
    QCOMPARE(edit->textCursor().selectionStart(), 3);
    QCOMPARE(selection(edit), QStringLiteral("lien"));
    action(f.window, "editChercherPrecedentAct")->trigger();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(edit->textCursor().selectionStart(), 3);
}

// The search goes on from the end of the selection, and the selected text is
// not taken as the text to search.
void TestSearch::searchStartsAfterSelection()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, QStringLiteral("mot mot autre"), 0, 3);
    QString propose;
    DialogAnswers answers;
    answers.then([&propose](QWidget *dialog) {
        propose = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))->text();
        chercher(QStringLiteral("mot"), false)(dialog);
    });
    action(f.window, "editChercheAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(propose, QString());
    QCOMPARE(edit->textCursor().selectionStart(), 4);
    QCOMPARE(edit->textCursor().selectionEnd(), 7);
}

// After the last occurrence nothing is found, although earlier ones exist.
void TestSearch::noWrapAround()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, QStringLiteral("mot, mot et fin"), 9, 9);
    QList<Message> messages;
    DialogAnswers answers;
    answers.then(chercher(QStringLiteral("mot"), false)).then(noter(&messages));
    action(f.window, "editChercheAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].texte, QStringLiteral("\"mot\" non trouvé"));
    QVERIFY(!edit->textCursor().hasSelection());
    QCOMPARE(edit->textCursor().position(), 9);
}

void TestSearch::replaceRepeated_data()
{
    QTest::addColumn<bool>("tout");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("cherche");
    QTest::addColumn<QString>("remplace");
    QTest::addColumn<bool>("casse");
    QTest::addColumn<int>("remplacements");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("curseur");
    QTest::addColumn<bool>("refrappe");
    QTest::addColumn<int>("options");

    remplacement(LesDeux, "a by aa never finds the a it inserted", "a b a", "a", "aa", false, 2,
                 "aa b aa", 7);
    remplacement(ParF3, "a by ba, the a at the end of the replacement", "a a a", "a", "ba", false,
                 3, "ba ba ba", 8);
    remplacement(LesDeux, "case respected: only the lower-case words", "mot Mot mot", "mot",
                 "terme", true, 2, "terme Mot terme", 15);
    remplacement(LesDeux, "case ignored: every word", "mot Mot MOT", "mot", "x", false, 3, "x x x",
                 5);
    remplacement(LesDeux, "overwrite mode does not eat the next characters", "ab ab", "a", "xyz",
                 false, 2, "xyzb xyzb", 8, true);
    // The message quotes the tag and the entity as typed, not as markup.
    const QString td = QStringLiteral("<td align=\"center\">");
    remplacement(LesDeux, "a tag, quoted literally when no more is found", "<td>1</td><td>2</td>",
                 "<td>", td, false, 2, td + "1</td>" + td + "2</td>", 44);
    remplacement(ParF3, "an entity, quoted literally", "a&amp;b", "&amp;", "&", false, 1, "a&b", 2);
    const QString nbsp(QChar::Nbsp);
    remplacement(LesDeux, "the words joined by a plain blank are left alone", "a b, a" + nbsp + "b",
                 "a" + nbsp + "b", "x", false, 1, "a b, x", 6);
    remplacement(ParTout, "an empty replacement removes", "<b>gras</b> et <b>x</b>", "<b>", "",
                 false, 2, "gras</b> et x</b>", 12);
    remplacement(ParTout, "no occurrence: nothing changes", "abc", "z", "y", false, 0, "abc", 3);
    remplacement(ParTout, "an empty search text does nothing", "abc", "", "y", false, 0, "abc", 3);
    // A replacement pasted with a Windows line end is inserted with one line break:
    // the positions of the next occurrences moved by one character less than its length.
    remplacement(LesDeux, "a Windows line end in the replacement", "a b a b a", "a", "x\r\ny",
                 false, 3, "x\ny b x\ny b x\ny", 15);

    remplacement(LesDeux, "whole words: tdx left alone", "td tdx td", "td", "th", false, 2,
                 "th tdx th", 9, false, MotsEntiers);
    remplacement(LesDeux, "expression: every heading, its level kept", "<h1>a</h1><h2>b</h2>",
                 "<h([1-6])>", "<h\\1 class=\"t\">", false, 2,
                 "<h1 class=\"t\">a</h1><h2 class=\"t\">b</h2>", 34, false, Expression);
    remplacement(LesDeux, "expression: \\10 is \\1 then 0", "a b", "(a)", "\\10", false, 1, "a0 b",
                 2, false, Expression);
    remplacement(LesDeux, "expression: \\n, \\\\, a group not captured, any other backslash", "a,b",
                 ",", "\\n\\\\\\t\\2", false, 1, "a\n\\\\tb", 5, false, Expression);
    remplacement(LesDeux, "expression: the case option", "Ab ab", "a(b)", "\\1", true, 1, "Ab b", 4,
                 false, Expression);
    remplacement(LesDeux, "expression: ^ once at each line's start", "a\nb", "^", "> ", false, 2,
                 "> a\n> b", 6, false, Expression);
    // After an empty match the search goes on one character further, and an empty
    // match right after a longer one counts.
    remplacement(LesDeux, "expression: a* never loops", "baac", "a*", "x", false, 4, "xbxxcx", 6,
                 false, Expression);
}

// Ctrl+R replaces the first occurrence and each F3 the next one; Ctrl+Shift+R
// replaces them all from the start, whatever the cursor, and says how many in the
// status bar. Both leave the cursor after the last replacement, F3 then reports
// that nothing is left, and each replacement of F3, or all of Ctrl+Shift+R, is
// undone by one undo.
void TestSearch::replaceRepeated()
{
    QFETCH(bool, tout);
    QFETCH(QString, texte);
    QFETCH(QString, cherche);
    QFETCH(QString, remplace);
    QFETCH(bool, casse);
    QFETCH(int, remplacements);
    QFETCH(QString, attendu);
    QFETCH(int, curseur);
    QFETCH(bool, refrappe);
    QFETCH(int, options);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    const int depart = tout ? int(texte.size()) : 0;
    prepare(edit, texte, depart, depart);
    edit->setOverwriteMode(refrappe);
    f.window->statusBar()->clearMessage();
    QList<Message> messages;
    DialogAnswers answers;
    answers.then(remplacer(cherche, remplace, casse, options)).then(noter(&messages));

    action(f.window, tout ? "editReplaceToutAct" : "editReplaceAct")->trigger();
    QCOMPARE(w.strRemplace(), remplace);
    QVERIFY(!edit->textCursor().hasSelection());
    for (int i = 1; !tout && i < remplacements; ++i)
        action(f.window, "editReplaceEncoreAct")->trigger();
    QVERIFY(messages.isEmpty());
    QCOMPARE(texteDe(edit), attendu);
    QCOMPARE(edit->textCursor().position(), curseur);
    if (tout) {
        const QString message = remplacements == 1
            ? QStringLiteral("1 remplacement")
            : QStringLiteral("%1 remplacements").arg(remplacements);
        QCOMPARE(f.window->statusBar()->currentMessage(),
                 remplacements > 0       ? message
                     : cherche.isEmpty() ? QString()
                                         : "Aucune occurrence de «\u00a0" + cherche + "\u00a0»");
    }

    action(f.window, "editReplaceEncoreAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].texte, "\"" + cherche + "\" non trouvé");
    QCOMPARE(texteDe(edit), attendu);

    for (int i = 0; i < (tout ? qMin(remplacements, 1) : remplacements); ++i)
        action(f.window, "editAnnulerAct")->trigger();
    QCOMPARE(texteDe(edit), texte);
    QVERIFY(!edit->document()->isUndoAvailable());
}

// On a long page shown from its middle, the view keeps its lines while the page is
// laid out afresh, at the window's width; the cursor goes after the last replacement.
void TestSearch::replaceAllKeepsTheView()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    QStringList lignes;
    for (int i = 0; i < 3000; ++i)
        lignes << QStringLiteral("<td>ligne %1</td>").arg(i);
    const QString texte = lignes.join(u'\n');
    prepare(edit, texte, int(texte.size() / 2), int(texte.size() / 2));
    const int haut = edit->cursorForPosition(QPoint(0, 10)).blockNumber();
    QVERIFY(haut > 1000);
    const QSizeF page = edit->document()->pageSize();

    DialogAnswers answers;
    answers.then(remplacer(QStringLiteral("<td>"), QStringLiteral("<td align=\"center\">"), false));
    action(f.window, "editReplaceToutAct")->trigger();
    QCOMPARE(edit->document()->pageSize(), page);
    QCOMPARE(edit->textCursor().position(), edit->document()->lastBlock().position() + 19);
    QCOMPARE(edit->cursorForPosition(QPoint(0, 10)).blockNumber(), haut);
    QTRY_VERIFY(edit->document()->lastBlock().layout()->lineCount() > 0);
    QCOMPARE(edit->cursorForPosition(QPoint(0, 10)).blockNumber(), haut);
}

// The replace dialog accepted with an empty replacement only selects, and F3
// then goes on searching.
void TestSearch::emptyReplacementSearches()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, QStringLiteral("mot et mot"), 0, 0);
    DialogAnswers answers;
    answers.then(remplacer(QStringLiteral("mot"), QString(), false));
    action(f.window, "editReplaceAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(w.strRemplace(), QString());
    QCOMPARE(edit->toPlainText(), QStringLiteral("mot et mot"));
    QCOMPARE(edit->textCursor().selectionStart(), 0);
    QCOMPARE(selection(edit), QStringLiteral("mot"));

    action(f.window, "editReplaceEncoreAct")->trigger();
    QCOMPARE(edit->textCursor().selectionStart(), 7);
    QCOMPARE(edit->toPlainText(), QStringLiteral("mot et mot"));
    QVERIFY(!edit->document()->isModified());
}

// F3 before any search looks for the empty text: two quotes and " non trouvé".
void TestSearch::repeatBeforeAnySearch()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    prepare(w.textEdit(), QStringLiteral("du texte"), 2, 2);
    QList<Message> messages;
    DialogAnswers answers;
    answers.then(noter(&messages));
    action(f.window, "editReplaceEncoreAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].titre, QStringLiteral("Recherche/Remplacement"));
    QCOMPARE(messages[0].texte, QStringLiteral("\"\" non trouvé"));
    QCOMPARE(messages[0].boutons, 1);
    QCOMPARE(messages[0].parent, f.window.data());
    QCOMPARE(w.textEdit()->textCursor().position(), 2);
}

// An accepted search with an empty field searches nothing and says nothing, but
// remembers the empty text for F3.
void TestSearch::emptySearchAccepted()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    prepare(w.textEdit(), QStringLiteral("mot"), 0, 0);
    QList<Message> messages;
    DialogAnswers answers;
    answers.then(chercher(QStringLiteral("mot"), true)).then(chercher(QString(), false));
    action(f.window, "editChercheAct")->trigger();
    action(f.window, "editChercheAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(w.strCherche(), QString());
    QVERIFY(!w.respecteCasse());
    QCOMPARE(selection(w.textEdit()), QStringLiteral("mot"));

    answers.then(noter(&messages));
    action(f.window, "editReplaceEncoreAct")->trigger();
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].texte, QStringLiteral("\"\" non trouvé"));
}

void TestSearch::cancelledDialogChangesNothing_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("how");
    QTest::newRow("search, Cancel") << "editChercheAct"
                                    << "Cancel";
    QTest::newRow("search, Escape") << "editChercheAct"
                                    << "Escape";
    QTest::newRow("replace, Cancel") << "editReplaceAct"
                                     << "Cancel";
    QTest::newRow("replace, window closed") << "editReplaceAct"
                                            << "close";
    QTest::newRow("replace all, Cancel") << "editReplaceToutAct"
                                         << "Cancel";
}

// A cancelled dialog keeps the texts and the option, moves nothing, and F3 goes
// on doing what it did.
void TestSearch::cancelledDialogChangesNothing()
{
    QFETCH(QString, actionName);
    QFETCH(QString, how);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, QStringLiteral("a A a A"), 0, 0);
    DialogAnswers answers;
    answers.then(remplacer(QStringLiteral("A"), QStringLiteral("b"), true));
    answers.then([how](QWidget *dialog) {
        for (QLineEdit *champ : dialog->findChildren<QLineEdit *>())
            champ->setText(QStringLiteral("autre"));
        dialog->findChild<QCheckBox *>(QStringLiteral("cbCasse"))->setChecked(false);
        if (how == QLatin1String("Escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (how == QLatin1String("close"))
            dialog->close();
        else
            clickButton(dialog, how);
    });
    action(f.window, "editReplaceAct")->trigger();
    QCOMPARE(edit->toPlainText(), QStringLiteral("a b a A"));
    QCOMPARE(edit->textCursor().position(), 3);

    action(f.window, actionName)->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(w.strCherche(), QStringLiteral("A"));
    QCOMPARE(w.strRemplace(), QStringLiteral("b"));
    QVERIFY(w.respecteCasse());
    QCOMPARE(edit->toPlainText(), QStringLiteral("a b a A"));
    QCOMPARE(edit->textCursor().position(), 3);

    action(f.window, "editReplaceEncoreAct")->trigger();
    QCOMPARE(edit->toPlainText(), QStringLiteral("a b a b"));
}

// Each dialog opens on the last search text, selected so that typing replaces
// it, with the case option as last chosen; after a search the replacement is empty.
void TestSearch::dialogsOpenWithLastValues()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    prepare(w.textEdit(), QStringLiteral("Mot mot"), 0, 0);

    struct Vu
    {
        QString titre, cherche, choisi, remplace;
        bool casse = false, sansParent = false, focus = false;
    };
    QList<Vu> vus;
    const auto regarder = [&vus](QWidget *dialog) {
        auto *cherche = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"));
        auto *remplace = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"));
        QTRY_VERIFY(dialog->focusWidget());
        vus.append({dialog->windowTitle(), cherche->text(), cherche->selectedText(),
                    remplace ? remplace->text() : QStringLiteral("(none)"),
                    dialog->findChild<QCheckBox *>(QStringLiteral("cbCasse"))->isChecked(),
                    dialog->parentWidget() == nullptr, dialog->focusWidget() == cherche});
        QTest::keyClick(dialog, Qt::Key_Escape);
    };

    QList<Message> messages;
    DialogAnswers answers;
    answers.then(remplacer(QStringLiteral("zut"), QStringLiteral("flute"), false))
        .then(noter(&messages))
        .then(regarder)
        .then(chercher(QStringLiteral("mot"), true))
        .then(regarder)
        .then(regarder);
    action(f.window, "editReplaceAct")->trigger(); // "zut" is not there
    action(f.window, "editReplaceAct")->trigger();
    action(f.window, "editChercheAct")->trigger();
    action(f.window, "editReplaceAct")->trigger();
    action(f.window, "editChercheAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(messages.size(), 1);
    QCOMPARE(vus.size(), 3);

    const QString remplacer = QStringLiteral("Marlisse - Remplacer");
    const QString chercher = QStringLiteral("Marlisse - Chercher");
    QCOMPARE(vus[0].titre, remplacer);
    QCOMPARE(vus[0].cherche, QStringLiteral("zut"));
    QCOMPARE(vus[0].choisi, QStringLiteral("zut"));
    QCOMPARE(vus[0].remplace, QStringLiteral("flute"));
    QVERIFY(!vus[0].casse);

    QCOMPARE(vus[1].titre, remplacer);
    QCOMPARE(vus[1].cherche, QStringLiteral("mot"));
    QCOMPARE(vus[1].choisi, QStringLiteral("mot"));
    QCOMPARE(vus[1].remplace, QString());
    QVERIFY(vus[1].casse);

    QCOMPARE(vus[2].titre, chercher);
    QCOMPARE(vus[2].choisi, QStringLiteral("mot"));
    QVERIFY(vus[2].casse);

    for (const Vu &vu : vus) {
        QVERIFY(vu.sansParent);
        QVERIFY(vu.focus);
    }
    // The Escapes changed nothing: the case-sensitive search found "mot", not "Mot".
    QCOMPARE(w.textEdit()->textCursor().selectionStart(), 4);
}

void TestSearch::refusedChangesNothing_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("cherche");
    QTest::addColumn<QString>("remplace");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("titre");
    QTest::addColumn<QStringList>("extraits"); // of the box's text

    // The problem in the engine's words, then where it is.
    const QString expression = QStringLiteral("Marlisse - Expression régulière");
    const QStringList invalide
        = {"L'expression régulière «\u00a0a(b\u00a0» n'est pas valide\u00a0:\n",
           "parenthesis, à la fin de l'expression.", "\nRien n'a été cherché."};
    for (const char *commande : {"editChercheAct", "editReplaceAct", "editReplaceToutAct",
                                 "editReplaceEncoreAct", "editChercherPrecedentAct"})
        QTest::addRow("broken expression: %s", commande)
            << commande << "a(b c"
            << "a(b"
            << "x" << int(Expression) << expression << invalide;
    QTest::newRow("broken expression, whole words")
        << "editChercheAct"
        << "a"
        << "a)b"
        << "" << (Expression | MotsEntiers) << expression
        << QStringList {"«\u00a0a)b\u00a0»", "après «\u00a0a\u00a0»"};

    // The engine gives up on the line: never a silent "non trouvé".
    const QString lourde = QString(30, QLatin1Char('a')) + QLatin1Char('b');
    for (const char *commande :
         {"editChercheAct", "editReplaceToutAct", "editChercherPrecedentAct"})
        QTest::addRow("engine gives up: %s", commande)
            << commande << "x\n" + lourde << "(a+)+$"
            << "y" << int(Expression) << "Recherche/Remplacement"
            << QStringList {"«\u00a0(a+)+$\u00a0» a été abandonnée à la ligne 2"};

    // 270,000 letters each replaced by 250 would pass the document's limit.
    QStringList lignes(270, QString(1000, QLatin1Char('a')));
    QTest::newRow("replace all past the document's limit")
        << "editReplaceToutAct" << lignes.join(u'\n') << "a" << QString(250, QLatin1Char('x')) << 0
        << "Recherche/Remplacement" << QStringList {"la limite.\nLe texte n'a pas été modifié."};
}

// A broken expression, an engine that gives up or a result too large for the
// document: a box says so, and neither the text nor the cursor moves.
void TestSearch::refusedChangesNothing()
{
    QFETCH(QString, actionName);
    QFETCH(QString, texte);
    QFETCH(QString, cherche);
    QFETCH(QString, remplace);
    QFETCH(int, options);
    QFETCH(QString, titre);
    QFETCH(QStringList, extraits);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    const int depart
        = actionName == QLatin1String("editChercherPrecedentAct") ? int(texte.size()) : 0;
    prepare(edit, texte, depart, depart);
    edit->document()->setModified(false);
    QList<Message> messages;
    DialogAnswers answers;
    if (actionName == QLatin1String("editChercheAct")) {
        answers.then(chercher(cherche, false, options));
    } else if (actionName == QLatin1String("editReplaceAct")
               || actionName == QLatin1String("editReplaceToutAct")) {
        answers.then(remplacer(cherche, remplace, false, options));
    } else {
        w.strCherche() = cherche;
        w.strRemplace() = remplace;
        w.motsEntiers() = options & MotsEntiers;
        w.expressionReguliere() = options & Expression;
    }
    answers.then(noter(&messages));
    action(f.window, actionName)->trigger();
    QVERIFY(cleanRun(answers));

    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].titre, titre);
    for (const QString &extrait : extraits)
        QVERIFY2(messages[0].texte.contains(extrait), qPrintable(messages[0].texte));
    QCOMPARE(messages[0].parent, f.window.data());
    QVERIFY(texteDe(edit) == texte);
    QVERIFY(!edit->document()->isModified());
    QVERIFY(!edit->document()->isUndoAvailable());
    QVERIFY(!edit->textCursor().hasSelection());
    QCOMPARE(edit->textCursor().position(), depart);
}

void TestSearch::emptyMatchesMoveOn_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("cherche");
    QTest::addColumn<bool>("precedent");
    QTest::addColumn<QList<int>>("trouves"); // start and end of each match, in order
    QTest::newRow("^: line after line") << "ab\ncd\n"
                                        << "^" << false << QList<int> {0, 0, 3, 3, 6, 6};
    QTest::newRow("a*: one character further after an empty match")
        << "baac"
        << "a*" << false << QList<int> {0, 0, 1, 3, 3, 3, 4, 4};
    QTest::newRow("$: backward, line after line") << "ab\ncd"
                                                  << "$" << true << QList<int> {5, 5, 2, 2};
}

// F3 (or Shift+F3) on an expression that matches empty text goes on at each press,
// then says "non trouvé": it never stays on the same place.
void TestSearch::emptyMatchesMoveOn()
{
    QFETCH(QString, texte);
    QFETCH(QString, cherche);
    QFETCH(bool, precedent);
    QFETCH(QList<int>, trouves);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    const int depart = precedent ? int(texte.size()) : 0;
    prepare(edit, texte, depart, depart);
    w.strCherche() = cherche;
    w.expressionReguliere() = true;
    QList<Message> messages;
    DialogAnswers answers;
    answers.then(noter(&messages));
    QList<int> vus;
    for (int i = 0; i <= trouves.size() / 2 && messages.isEmpty(); ++i) {
        action(f.window, precedent ? "editChercherPrecedentAct" : "editReplaceEncoreAct")
            ->trigger();
        if (messages.isEmpty())
            vus << edit->textCursor().selectionStart() << edit->textCursor().selectionEnd();
    }
    QVERIFY(cleanRun(answers));
    QCOMPARE(vus, trouves);
    QCOMPARE(messages.size(), 1);
    QCOMPARE(messages[0].texte, "\"" + cherche + "\" non trouvé");
}

void TestSearch::newCommandsFromKeys_data()
{
    QTest::addColumn<QString>("actionName"); // the row names the keys
    QTest::newRow("Ctrl+Shift+R") << "editReplaceToutAct";
    QTest::newRow("Shift+F3") << "editChercherPrecedentAct";
}

// The keys reach the two commands, enabled like the search ones in a plain-text
// document too; each opens its dialog or its "non trouvé" box.
void TestSearch::newCommandsFromKeys()
{
    QFETCH(QString, actionName);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    w.activeCommandesHtml(false);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    QSignalSpy spy(action(f.window, actionName), &QAction::triggered);
    DialogAnswers answers;
    answers.then([](QWidget *modal) { modal->close(); });
    QTest::keySequence(w.textEdit(), QKeySequence(QString::fromLatin1(QTest::currentDataTag())));
    QCOMPARE(spy.count(), 1);
    QVERIFY(cleanRun(answers));
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
