// The tag commands, triggered through their actions as the menus, toolbars and
// shortcuts do.

#include "commandtest.h"
#include "completeurhtml.h"
#include "completionhtml.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCompleter>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>
#include <QToolButton>

using namespace CommandTest;
using namespace TestSupport;

namespace {

// How a command places its texts and the cursor, as the command table says.
enum Genre {
    Paire, // around the selection; with none, the cursor goes back between the tags
    Paragraphe, // around the selection; the cursor always goes back before "</p>"
    Titre, // as a pair, plus a line break after a wrapped selection
    Seul, // one text after the selection
};

struct Commande
{
    const char *action;
    const char *ouvrante;
    const char *fermante;
    Genre genre;
    int recul; // characters back when nothing is selected
};

const Commande commandes[] = {
    {"carGrasAct", "<b>", "</b>", Paire, 4},
    {"carItalicAct", "<i>", "</i>", Paire, 4},
    {"carSouligneAct", "<u>", "</u>", Paire, 4},
    {"carPreformateAct", "<pre>", "</pre>", Paire, 6},
    {"paragrapheAct", "<p>", "</p>", Paragraphe, 4},
    {"titre1Act", "<h1>", "</h1>", Titre, 5},
    {"titre2Act", "<h2>", "</h2>", Titre, 5},
    {"titre3Act", "<h3>", "</h3>", Titre, 5},
    {"titre4Act", "<h4>", "</h4>", Titre, 5},
    {"titre5Act", "<h5>", "</h5>", Titre, 5},
    {"titre6Act", "<h6>", "</h6>", Titre, 5},
    {"listeSimpleAct", "<ul>", "</ul>", Paire, 5},
    {"listeOrdoAct", "<ol>", "</ol>", Paire, 5},
    {"elemListeAct", "<li>", "</li>", Paire, 5},
    {"listeDefAct", "<dl>", "</dl>", Paire, 5},
    {"termDefAct", "<dt>", "</dt>", Paire, 5},
    {"definitionAct", "<dd>", "</dd>", Paire, 5},
    {"lienHypTextAct", "<a href=\"\">", "</a>", Paire, 4},
    {"nameAncreAct", "<a name=\"\">", "</a>", Paire, 4},
    {"alaLigneAct", "", "<br />", Seul, 0},
    {"ligneHorizAct", "", "<hr />", Seul, 0},
    {"blancInsecAct", "", "&nbsp;", Seul, 0},
    {"euroAct", "", "&#8364;", Seul, 0},
};

// Where the command starts: a text, the selection's anchor and the cursor.
struct Situation
{
    const char *nom;
    QString texte;
    int ancre;
    int position;
};

const QList<Situation> situations = {
    {"empty document", QString(), 0, 0},
    {"cursor at start", QStringLiteral("texte"), 0, 0},
    {"cursor in middle", QStringLiteral("texte"), 2, 2},
    {"cursor at end", QStringLiteral("texte"), 5, 5},
    {"word selected", QStringLiteral("un mot ici"), 3, 6},
    {"word selected backwards", QStringLiteral("un mot ici"), 6, 3},
    {"two lines selected", QStringLiteral("avant\nligne un\nligne deux\napres"), 6, 25},
    {"markup selected", QStringLiteral("x a<b&c y"), 2, 7},
    {"non-breaking space selected", QStringLiteral("1\u00a0000 F"), 0, 5},
};

// The cursor moved to the start of the text and back, as with two clicks.
void cliqueAilleursEtRevient(QWidget *widget)
{
    auto *edit = static_cast<monQTextEdit *>(widget);
    QTextCursor cursor = edit->textCursor();
    const int position = cursor.position();
    cursor.setPosition(0);
    edit->setTextCursor(cursor);
    cursor.setPosition(position);
    edit->setTextCursor(cursor);
}

// Types texte into the widget key by key, as a user does: "\n" is Return, "←" and
// "→" the arrow keys, "⌫" Backspace, "↶" and "↷" Ctrl+Z and Ctrl+Y, "⇆" two
// clicks that leave the cursor where it was; and for the list of names "⇥" Tab,
// "⎋" Escape, "↓" Down, "⌃" Ctrl+Space, "⎀" Insert, "⇱" Home, "⇧" Shift+Left.
void tape(QWidget *edit, const QString &texte)
{
    const QHash<QChar, QPair<Qt::Key, Qt::KeyboardModifiers>> touches
        = {{u'⇥', {Qt::Key_Tab, Qt::NoModifier}},    {u'⎋', {Qt::Key_Escape, Qt::NoModifier}},
           {u'↓', {Qt::Key_Down, Qt::NoModifier}},   {u'⌃', {Qt::Key_Space, Qt::ControlModifier}},
           {u'⎀', {Qt::Key_Insert, Qt::NoModifier}}, {u'⇱', {Qt::Key_Home, Qt::NoModifier}},
           {u'⇧', {Qt::Key_Left, Qt::ShiftModifier}}};
    for (const QChar c : texte) {
        if (touches.contains(c))
            QTest::keyClick(edit, touches[c].first, touches[c].second);
        else if (c == u'\n')
            QTest::keyClick(edit, Qt::Key_Return);
        else if (c == u'←')
            QTest::keyClick(edit, Qt::Key_Left);
        else if (c == u'→')
            QTest::keyClick(edit, Qt::Key_Right);
        else if (c == u'⌫')
            QTest::keyClick(edit, Qt::Key_Backspace);
        else if (c == u'↶')
            QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
        else if (c == u'↷')
            QTest::keyClick(edit, Qt::Key_Y, Qt::ControlModifier);
        else if (c == u'⇆')
            cliqueAilleursEtRevient(edit);
        else
            QTest::keyClicks(edit, QString(c));
    }
}

} // namespace

class TestTags : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void examples_data();
    void examples();
    void typedTextIsNotUndoneWithCommand_data();
    void typedTextIsNotUndoneWithCommand();
    void everyWayOfTriggering_data();
    void everyWayOfTriggering();
    void cursorMoves_data();
    void cursorMoves();
    void engineLeavesNothingSelected();
    void typedTags_data();
    void typedTags();
    void closingTagUndo_data();
    void closingTagUndo();
    void closingTagsOnlyWhereAsked_data();
    void closingTagsOnlyWhereAsked();
    void completionContext_data();
    void completionContext();
    void completionLists();
    void completionTyping_data();
    void completionTyping();
    void completionOnlyWhereAsked_data();
    void completionOnlyWhereAsked();
    void completionAtFullSpeed();
    void matchingTagShown_data();
    void matchingTagShown();
    void tagPairCommands_data();
    void tagPairCommands();
};

void TestTags::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QTextCursor")));
}

// Every command in every starting situation; the expected text and cursor are
// worked out from the command's texts and its cursor rule.
void TestTags::commands_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("curseur");

    for (const Commande &c : commandes) {
        const QString o = QString::fromLatin1(c.ouvrante);
        const QString f = QString::fromLatin1(c.fermante);
        for (const Situation &s : situations) {
            const int debut = qMin(s.ancre, s.position);
            const int fin = qMax(s.ancre, s.position);
            const QString avant = s.texte.left(debut);
            const QString choisi = s.texte.mid(debut, fin - debut);
            const QString apres = s.texte.mid(fin);

            QString insere;
            int curseur = 0;
            switch (c.genre) {
            case Paire:
                insere = o + choisi + f;
                curseur = avant.size() + insere.size() - (choisi.isEmpty() ? c.recul : 0);
                break;
            case Paragraphe:
                insere = o + choisi + f;
                curseur = avant.size() + insere.size() - c.recul;
                break;
            case Titre:
                insere = o + choisi + f + (choisi.isEmpty() ? QString() : QStringLiteral("\n"));
                curseur = avant.size() + insere.size() - (choisi.isEmpty() ? c.recul : 0);
                break;
            case Seul:
                insere = choisi + f;
                curseur = avant.size() + insere.size();
                break;
            }
            QTest::addRow("%s, %s", c.action, s.nom)
                << QString::fromLatin1(c.action) << s.texte << s.ancre << s.position
                << avant + insere + apres << curseur;
        }
    }
}

void TestTags::commands()
{
    QFETCH(QString, actionName);
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(QString, attendu);
    QFETCH(int, curseur);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    QAction *commande = action(f.window, actionName);
    QVERIFY(commande);

    // Overwrite mode must not change anything: the markup is inserted, never typed over.
    for (bool refrappe : {false, true}) {
        if (refrappe != edit->overwriteMode())
            QTest::keyClick(edit, Qt::Key_Insert);
        QCOMPARE(edit->overwriteMode(), refrappe);
        prepare(edit, texte, ancre, position);

        commande->trigger();
        QCOMPARE(texteDe(edit), attendu);
        QCOMPARE(edit->textCursor().position(), curseur);
        QVERIFY(!edit->textCursor().hasSelection());
        QVERIFY(edit->document()->isModified());

        // One undo takes the whole command back, the line break of a heading too.
        action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
        QCOMPARE(texteDe(edit), texte);
        QVERIFY(!edit->document()->isUndoAvailable());
        action(f.window, QStringLiteral("editRefaireAct"))->trigger();
        QCOMPARE(texteDe(edit), attendu);
    }
}

// The cases that the command table illustrates, written out in full.
void TestTags::examples_data()
{
    QTest::addColumn<QString>("alignement");
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("curseur");

    QTest::newRow("bold, nothing selected") << "alignGaucheAct"
                                            << "carGrasAct"
                                            << "" << 0 << 0 << "<b></b>" << 3;
    QTest::newRow("bold around a word") << "alignGaucheAct"
                                        << "carGrasAct"
                                        << "mot" << 0 << 3 << "<b>mot</b>" << 10;
    QTest::newRow("list item over two lines") << "alignGaucheAct"
                                              << "elemListeAct"
                                              << "un\ndeux" << 0 << 7 << "<li>un\ndeux</li>" << 16;
    QTest::newRow("markup kept unescaped") << "alignGaucheAct"
                                           << "carItalicAct"
                                           << "a<b & c" << 0 << 7 << "<i>a<b & c</i>" << 14;
    QTest::newRow("centred paragraph around a word")
        << "alignCentreAct"
        << "paragrapheAct"
        << "texte" << 0 << 5 << "<p align=\"center\">texte</p>" << 23;
    QTest::newRow("empty heading, left") << "alignGaucheAct"
                                         << "titre2Act"
                                         << "" << 0 << 0 << "<h2></h2>" << 4;
    QTest::newRow("heading around a word, right")
        << "alignDroiteAct"
        << "titre2Act"
        << "Titre\nsuite" << 0 << 5 << "<h2 align=\"right\">Titre</h2>\n\nsuite" << 29;
    QTest::newRow("empty link") << "alignGaucheAct"
                                << "lienHypTextAct"
                                << "" << 0 << 0 << "<a href=\"\"></a>" << 11;
    QTest::newRow("empty anchor") << "alignGaucheAct"
                                  << "nameAncreAct"
                                  << "" << 0 << 0 << "<a name=\"\"></a>" << 11;
    QTest::newRow("euro after 100 and a space")
        << "alignGaucheAct"
        << "euroAct"
        << "100 francs" << 0 << 4 << "100 &#8364;francs" << 11;
    QTest::newRow("line break in the middle of a word")
        << "alignGaucheAct"
        << "alaLigneAct"
        << "motlong" << 3 << 3 << "mot<br />long" << 9;
    QTest::newRow("justified paragraph, nothing selected")
        << "alignJustifieAct"
        << "paragrapheAct"
        << "" << 0 << 0 << "<p align=\"justify\"></p>" << 19;
    QTest::newRow("centred heading 6, nothing selected")
        << "alignCentreAct"
        << "titre6Act"
        << "" << 0 << 0 << "<h6 align=\"center\"></h6>" << 19;
}

void TestTags::examples()
{
    QFETCH(QString, alignement);
    QFETCH(QString, actionName);
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(QString, attendu);
    QFETCH(int, curseur);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    action(f.window, alignement)->trigger();
    prepare(w.textEdit(), texte, ancre, position);
    action(f.window, actionName)->trigger();
    QCOMPARE(texteDe(w.textEdit()), attendu);
    QCOMPARE(w.textEdit()->textCursor().position(), curseur);
    QVERIFY(!w.textEdit()->textCursor().hasSelection());

    // Typing goes where the cursor was left.
    QTest::keyClicks(w.textEdit(), QStringLiteral("X"));
    QCOMPARE(texteDe(w.textEdit()), attendu.insert(curseur, QLatin1Char('X')));
}

// A command is an undo step of its own, apart from the text typed just before
// and just after it.
void TestTags::typedTextIsNotUndoneWithCommand_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<bool>("selection");
    for (const char *name :
         {"carGrasAct", "paragrapheAct", "titre1Act", "euroAct", "alaLigneAct"}) {
        QTest::addRow("%s, after the typed text", name) << QString::fromLatin1(name) << false;
        QTest::addRow("%s, around the typed text", name) << QString::fromLatin1(name) << true;
    }
}

void TestTags::typedTextIsNotUndoneWithCommand()
{
    QFETCH(QString, actionName);
    QFETCH(bool, selection);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    QAction *annuler = action(f.window, QStringLiteral("editAnnulerAct"));
    QTest::keyClicks(edit, QStringLiteral("abc"));
    if (selection)
        edit->selectAll();
    action(f.window, actionName)->trigger();
    const QString apresCommande = texteDe(edit);
    QVERIFY(apresCommande != QStringLiteral("abc"));
    QTest::keyClicks(edit, QStringLiteral("xy"));

    annuler->trigger();
    QCOMPARE(texteDe(edit), apresCommande);
    annuler->trigger();
    QCOMPARE(texteDe(edit), QStringLiteral("abc"));
}

// A command acts on the editing widget whichever widget has the focus, and the
// same from the keyboard and from the HTML toolbar.
void TestTags::everyWayOfTriggering_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("shortcut, editor focused") << "shortcut";
    QTest::newRow("shortcut, focus elsewhere") << "shortcut elsewhere";
    QTest::newRow("toolbar button") << "toolbar";
}

void TestTags::everyWayOfTriggering()
{
    QFETCH(QString, way);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    prepare(w.textEdit(), QStringLiteral("un mot ici"), 3, 6);

    QAction *gras = action(f.window, QStringLiteral("carGrasAct"));
    if (way == QLatin1String("toolbar")) {
        auto *button = qobject_cast<QToolButton *>(w.toolBarB()->widgetForAction(gras));
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton);
    } else {
        QWidget *target = w.textEdit();
        if (way == QLatin1String("shortcut elsewhere")) {
            auto *other = new QToolButton(w.toolBar());
            other->setFocusPolicy(Qt::StrongFocus);
            w.toolBar()->addWidget(other);
            other->setFocus();
            QTRY_VERIFY(other->hasFocus());
            target = other;
        }
        QTest::keySequence(target, QKeySequence(QStringLiteral("Ctrl+Alt+G")));
    }
    QCOMPARE(texteDe(w.textEdit()), QStringLiteral("un <b>mot</b> ici"));
    QCOMPARE(w.textEdit()->textCursor().position(), 13);
}

// The engine's cursor move: characters first, then whole lines (text blocks, not
// the lines that wrapping shows), landing at the start of a line.
void TestTags::cursorMoves_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("depart");
    QTest::addColumn<int>("decalage");
    QTest::addColumn<int>("lignes");
    QTest::addColumn<int>("attendu");

    const QString troisLignes = QStringLiteral("abc\ndef\nghi");
    QTest::newRow("back 2") << troisLignes << 6 << -2 << 0 << 4;
    QTest::newRow("forward 3") << troisLignes << 1 << 3 << 0 << 4;
    QTest::newRow("up 1 from the middle of a line") << troisLignes << 9 << 0 << -1 << 4;
    QTest::newRow("up 2 to the first line") << troisLignes << 11 << 0 << -2 << 0;
    QTest::newRow("back 1 then up 1") << troisLignes << 8 << -1 << -1 << 0;
    QTest::newRow("up past the first line stays on it") << troisLignes << 5 << 0 << -5 << 0;
    QTest::newRow("back past the start stops there") << troisLignes << 2 << -10 << 0 << 0;
    QTest::newRow("forward past the end stops there") << troisLignes << 9 << 10 << 0 << 11;
    const QString longue
        = QStringLiteral("debut\n") + QString(2000, QLatin1Char('x')) + QStringLiteral("\nfin");
    QTest::newRow("a wrapped line counts once") << longue << 2008 << 0 << -1 << 6;
}

void TestTags::cursorMoves()
{
    QFETCH(QString, texte);
    QFETCH(int, depart);
    QFETCH(int, decalage);
    QFETCH(int, lignes);
    QFETCH(int, attendu);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    prepare(w.textEdit(), texte, depart, depart);
    w.deplaceCurseur(decalage, lignes);
    QCOMPARE(w.textEdit()->textCursor().position(), attendu);
    QVERIFY(!w.textEdit()->textCursor().hasSelection());
    QCOMPARE(texteDe(w.textEdit()), texte);
}

// A zero move changes nothing, not even the selection; the line break keeps the
// selection's text and follows it.
void TestTags::engineLeavesNothingSelected()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();

    prepare(edit, QStringLiteral("un mot"), 3, 6);
    QVERIFY(w.aSelection());
    w.deplaceCurseur(0, 0);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("mot"));

    w.insereRetourLigne();
    QCOMPARE(texteDe(edit), QStringLiteral("un mot\n"));
    QCOMPARE(edit->textCursor().position(), 7);
    QCOMPARE(edit->textCursor().block().blockNumber(), 1);
    QVERIFY(!w.aSelection());

    w.insereBalises(QStringLiteral("<x>"), QStringLiteral("</x>"), -4, 0);
    QCOMPARE(texteDe(edit), QStringLiteral("un mot\n<x></x>"));
    QCOMPARE(edit->textCursor().position(), 10);
}

// What typing a tag gives, in a new HTML document: the closing tag of an opening
// tag, and none where it would be wrong.
void TestTags::typedTags_data()
{
    QTest::addColumn<QString>("texte"); // the text before typing, the cursor at its end
    QTest::addColumn<int>("position"); // or here, when not -1
    QTest::addColumn<bool>("refrappe");
    QTest::addColumn<QString>("frappe");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("curseur");

    const auto tel = [](const char *nom, const QString &frappe) {
        QTest::newRow(nom) << QString() << -1 << false << frappe << frappe << int(frappe.size());
    };
    QTest::newRow("opening tag closed") << "" << -1 << false << "<h1>Titre"
                                        << "<h1>Titre</h1>" << 9;
    QTest::newRow("case kept") << "" << -1 << false << "<DIV>"
                               << "<DIV></DIV>" << 5;
    QTest::newRow("name with attributes") << "" << -1 << false << "<Div class=\"a\">"
                                          << "<Div class=\"a\"></Div>" << 15;
    QTest::newRow("'>' in a quoted value") << "" << -1 << false << "<a title=\"a>b\">"
                                           << "<a title=\"a>b\"></a>" << 15;
    QTest::newRow("'>' in single quotes") << "" << -1 << false << "<a title='a>b'>"
                                          << "<a title='a>b'></a>" << 15;
    QTest::newRow("'<' in a quoted value") << "" << -1 << false << "<a title=\"a<b\" href=\"x\">"
                                           << "<a title=\"a<b\" href=\"x\"></a>" << 24;
    QTest::newRow("tag over two lines") << "" << -1 << false << "<a\nhref=\"x\">"
                                        << "<a\nhref=\"x\"></a>" << 12;
    QTest::newRow("after a comment") << "" << -1 << false << "<!-- <p> --><b>"
                                     << "<!-- <p> --><b></b>" << 15;
    QTest::newRow("after a script") << "<script>x</script>" << -1 << false << "<p>"
                                    << "<script>x</script><p></p>" << 21;
    QTest::newRow("'>' in the text") << "" << -1 << false << "<p>a > b"
                                     << "<p>a > b</p>" << 8;
    QTest::newRow("another closing tag follows") << "</b>" << 0 << false << "<p>"
                                                 << "<p></p></b>" << 3;
    QTest::newRow("overwrite mode inserts it") << "abcdefgh" << 0 << true << "<i>"
                                               << "<i></i>defgh" << 3;
    QTest::newRow("overwrite mode types over it") << "" << -1 << true << "<p>x</p>"
                                                  << "<p>x</p>" << 8;

    // Typed over: a closing tag typed in front of the one inserted gives it once.
    tel("closing tag typed over", QStringLiteral("<p>texte</p>"));
    tel("nested closing tags typed over", QStringLiteral("<tr><td>a</td></tr>"));
    tel("typed over in another case", QStringLiteral("<P>x</p>"));
    QTest::newRow("a typed closing tag stays") << "<p></p>" << 3 << false << "</p>"
                                               << "<p></p></p>" << 7;
    QTest::newRow("an inserted tag once touched stays") << "" << -1 << false << "<em>→→⌫/←←</em>"
                                                        << "<em></em></em>" << 9;

    // No closing tag.
    for (const char *vide :
         {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
          "track", "wbr", "param", "keygen", "basefont", "frame", "isindex"})
        tel(qPrintable(QStringLiteral("void element %1").arg(QLatin1String(vide))),
            QLatin1Char('<') + QLatin1String(vide) + QLatin1Char('>'));
    tel("void element in upper case", QStringLiteral("<BR>"));
    tel("image with attributes", QStringLiteral("<img src=\"a.png\" alt=\"\">"));
    tel("ending in />", QStringLiteral("<span/>"));
    tel("ending in a blank and />", QStringLiteral("<p />"));
    tel("closing tag", QStringLiteral("</p>"));
    tel("doctype", QStringLiteral("<!DOCTYPE html>"));
    tel("comment", QStringLiteral("<!-- c -->"));
    tel("processing instruction", QStringLiteral("<?xml version=\"1.0\"?>"));
    tel("in a comment", QStringLiteral("<!-- <p>"));
    tel("'>' typed in a quoted value", QStringLiteral("<a title=\"x>"));
    tel("'<' and a blank", QStringLiteral("a < b>"));
    tel("in a script", QStringLiteral("<script>if (a<b && c>d)</script>"));
    tel("in a style", QStringLiteral("<style>p<i></style>"));
    QTest::newRow("its closing tag follows") << "</p>" << 0 << false << "<p>"
                                             << "<p></p>" << 3;
    QTest::newRow("its closing tag follows in upper case") << "</P>" << 0 << false << "<p>"
                                                           << "<p></P>" << 3;

    QTest::newRow("its closing tag further on") << "Bonjour</b>" << 0 << false << "<b>"
                                                << "<b>Bonjour</b>" << 3;
    QTest::newRow("a deleted opening tag typed again") << "\nBonjour</p>" << 0 << false << "<p>"
                                                       << "<p>\nBonjour</p>" << 3;
    QTest::newRow("a missing '>' typed") << "<p class=\"x\"texte</p>" << 12 << false << ">"
                                         << "<p class=\"x\">texte</p>" << 13;
    QTest::newRow("another of the same name opens first") << "<b>x</b>" << 0 << false << "<b>"
                                                          << "<b></b><b>x</b>" << 3;
    QTest::newRow("its closing tag only in a comment after")
        << "<!-- </b> -->" << 0 << false << "<b>"
        << "<b></b><!-- </b> -->" << 3;
    QTest::newRow("overwrite mode leaves the inserted tag")
        << "abcdefghij" << 0 << true << "<p>texte"
        << "<p>texte</p>defghij" << 8;
    QTest::newRow("redo keeps it typed over") << "" << -1 << false << "<em>↶↷x</em>"
                                              << "<em>x</em>" << 10;
    QTest::newRow("undo of a typed-over tag keeps it typed over")
        << "" << -1 << false << "<em>x</em>↶>"
        << "<em>x</em>" << 10;
    QTest::newRow("unquoted value ending in /") << "" << -1 << false << "<a href=http://x.fr/>"
                                                << "<a href=http://x.fr/></a>" << 21;
    QTest::newRow("after a comment that mentions a script")
        << "<!-- ancien : <script src=\"x.js\"> -->\n"
        << -1 << false << "<p>"
        << "<!-- ancien : <script src=\"x.js\"> -->\n<p></p>" << 41;
    // The context is known however far its start: a long script or comment.
    const QString script
        = QStringLiteral("<script>\n") + QStringLiteral("var a = 1;\n").repeated(500);
    QTest::newRow("far into a script") << script << -1 << false << "var s = \"<b>\";"
                                       << script + "var s = \"<b>\";" << int(script.size()) + 14;
    const QString commentaire = QStringLiteral("<!-- menu\n")
        + QStringLiteral("<li><a href=\"x.htm\">x</a></li>\n").repeated(220);
    QTest::newRow("far into a comment") << commentaire << -1 << false << "<li>"
                                        << commentaire + "<li>" << int(commentaire.size()) + 4;
    QTest::newRow("after a long script")
        << script + "</script>\n"
        << -1 << false << "<p>" << script + "</script>\n<p></p>" << int(script.size()) + 13;
    tel("in a PHP instruction", QStringLiteral("<?php echo \"<div class=\\\"a\\\">\"; ?>"));
    tel("in an ASP block", QStringLiteral("<% s = \"<p>\" %>"));
    tel("in a textarea", QStringLiteral("<textarea><b></textarea>"));

    // "</" completes the innermost element still open.
    QTest::newRow("'</' after a list item") << "<ul><li>x" << -1 << false << "</"
                                            << "<ul><li>x</li>" << 14;
    QTest::newRow("'</' past void and closed elements")
        << "<DIV><p>a</p><br><img src=\"i.png\">" << -1 << false << "</"
        << "<DIV><p>a</p><br><img src=\"i.png\"></DIV>" << 40;
    QTest::newRow("'</' past an unclosed item") << "<ul><li>a<li>b" << -1 << false << "</"
                                                << "<ul><li>a<li>b</li>" << 19;
    QTest::newRow("'</' in a script") << "<script>if (a<b)" << -1 << false << "</"
                                      << "<script>if (a<b)</script>" << 25;
    QTest::newRow("'</' then more text") << "<ul><li>x" << -1 << false << "</\n"
                                         << "<ul><li>x</li>\n"
                                         << 15;
    QTest::newRow("'</' in place of the inserted tag") << "" << -1 << false << "<li></"
                                                       << "<li></li>" << 9;
    QTest::newRow("'</' undone") << "<ul><li>x" << -1 << false << "</↶"
                                 << "<ul><li>x</" << 11;
    QTest::newRow("'</' then a click away and back") << "<ul><li>x" << -1 << false << "</⇆l"
                                                     << "<ul><li>x</li>l" << 15;
    tel("'</' with nothing open", QStringLiteral("<p>a</p></"));
    tel("'</' in a comment", QStringLiteral("<!-- <p> </"));
    tel("'</' in a quoted value", QStringLiteral("<a title=\"</"));
    QTest::newRow("'/' typed into a tag") << "<li>" << 1 << false << "/"
                                          << "</li>" << 2;

    // The scan back stops after 4,096 characters: a tag of 4,096 is closed, a
    // longer one is not.
    const QString debut = QStringLiteral("<div title=\"");
    const QString court = debut + QString(4082, u'x') + u'"';
    const QString long_ = debut + QString(4083, u'x') + u'"';
    QTest::newRow("tag of 4096 characters")
        << court << -1 << false << ">" << court + "></div>" << int(court.size()) + 1;
    QTest::newRow("tag of 4097 characters")
        << long_ << -1 << false << ">" << long_ + ">" << int(long_.size()) + 1;
}

void TestTags::typedTags()
{
    QFETCH(QString, texte);
    QFETCH(int, position);
    QFETCH(bool, refrappe);
    QFETCH(QString, frappe);
    QFETCH(QString, attendu);
    QFETCH(int, curseur);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QVERIFY(action(f.window, QStringLiteral("fermerBalisesAct"))->isChecked());
    prepare(edit, texte, position < 0 ? int(texte.size()) : position,
            position < 0 ? int(texte.size()) : position);
    if (refrappe)
        QTest::keyClick(edit, Qt::Key_Insert);
    QCOMPARE(edit->overwriteMode(), refrappe);
    tape(edit, frappe);
    QCOMPARE(texteDe(edit), attendu);
    QCOMPARE(edit->textCursor().position(), curseur);
}

// One Ctrl+Z takes back the closing tag inserted, the next what was typed, as the
// widget groups it; the closing tag typed over goes with its ">".
void TestTags::closingTagUndo_data()
{
    QTest::addColumn<QString>("frappe");
    QTest::addColumn<QStringList>("etapes"); // the text after each Ctrl+Z
    QTest::newRow("inserted closing tag") << "<em>" << QStringList {"<em>", ""};
    QTest::newRow("text typed inside") << "<em>mot" << QStringList {"<em></em>", "<em>", ""};
    // The "</" first received "p>", which the typed "p" took back: what was typed
    // after it is a step of its own.
    QTest::newRow("closing tag typed over")
        << "<p>texte</p>"
        << QStringList {"<p>texte</p</p>", "<p>texte</</p>", "<p></p>", "<p>", ""};
    // Return takes "input" from the list: one step of its own.
    QTest::newRow("name accepted from the list") << "<inp\n" << QStringList {"<inp", ""};
}

void TestTags::closingTagUndo()
{
    QFETCH(QString, frappe);
    QFETCH(QStringList, etapes);
    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    tape(edit, frappe);
    for (const QString &etape : etapes) {
        QTest::keySequence(edit, QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(texteDe(edit), etape);
    }
    QVERIFY(!edit->document()->isUndoAvailable());
}

// Only what is typed into an HTML document, with the option on, gets its closing
// tag: not a plain text, not a paste.
void TestTags::closingTagsOnlyWhereAsked_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("HTML document") << "html"
                                   << "<p></p>";
    QTest::newRow("plain-text document") << "txt"
                                         << "<p>";
    QTest::newRow("back to an HTML document") << "txt then html"
                                              << "<p></p>";
    QTest::newRow("option off") << "off"
                                << "<p>";
    QTest::newRow("option off, then on") << "off then on"
                                         << "<p></p>";
    QTest::newRow("pasted") << "paste"
                            << "<p>";
    // The same places for "</", after "<p>x" typed ("... </").
    QTest::newRow("'</', HTML document") << "html </"
                                         << "<p>x</p>";
    QTest::newRow("'</', plain-text document") << "txt </"
                                               << "<p>x</";
    QTest::newRow("'</', option off") << "off </"
                                      << "<p>x</";
}

void TestTags::closingTagsOnlyWhereAsked()
{
    QFETCH(QString, situation);
    QFETCH(QString, attendu);
    const bool barre = situation.endsWith(QLatin1String(" </"));
    if (barre)
        situation.chop(3);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    QAction *option = action(f.window, QStringLiteral("fermerBalisesAct"));
    // The choice is the user's, kept for the next runs: this test leaves it on.
    const auto remet = qScopeGuard([option] { option->setChecked(true); });

    const auto typeDocument = [&w](const QString &nom) {
        w.setCurrentFile(nom);
        w.majTypeDocument(nom);
        w.activeCommandesHtml(w.isHtml());
    };
    if (situation.startsWith(QLatin1String("txt"))) {
        typeDocument(QStringLiteral("/tmp/notes.txt"));
        QVERIFY(!option->isEnabled());
    }
    if (situation.endsWith(QLatin1String("html"))) {
        typeDocument(QStringLiteral("/tmp/page.html"));
        QVERIFY(option->isEnabled());
    }
    if (situation.startsWith(QLatin1String("off")))
        option->trigger();
    if (situation.endsWith(QLatin1String("on")))
        option->trigger();
    QCOMPARE(option->isChecked(), !situation.endsWith(QLatin1String("off")));

    if (situation == QLatin1String("paste")) {
        QApplication::clipboard()->setText(QStringLiteral("<p>"));
        action(f.window, QStringLiteral("editPasteAct"))->trigger();
    } else {
        tape(edit, barre ? QStringLiteral("<p>x</") : QStringLiteral("<p>"));
    }
    QCOMPARE(texteDe(edit), attendu);
    QCOMPARE(edit->textCursor().position(), barre ? int(attendu.size()) : 3);
}

// The tag whose name holds the cursor and its partner get a background, and
// nothing does where the partner is not sure.
void TestTags::matchingTagShown_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("attendu"); // the stretches with a background

    const QString page = QStringLiteral("<div><p>a</p></div>");
    QTest::newRow("opening tag") << page << 2 << "0-5 13-19";
    QTest::newRow("closing tag") << page << 15 << "0-5 13-19";
    QTest::newRow("at the end of the name") << page << 4 << "0-5 13-19";
    QTest::newRow("inner element") << page << 6 << "5-8 9-13";
    QTest::newRow("cursor in the text") << page << 8 << "";
    QTest::newRow("cursor before the '<'") << page << 0 << "";
    QTest::newRow("nested of the same name") << "<div><div>a</div></div>" << 1 << "0-5 17-23";
    QTest::newRow("case differs") << "<DIV>a</div>" << 1 << "0-5 6-12";
    QTest::newRow("void element inside") << "<p>a<br>b<img src=\"i.png\"></p>" << 1 << "0-3 26-30";
    QTest::newRow("void element itself") << "<p><br></p>" << 4 << "";
    QTest::newRow("tag ending in />") << "<p><span/></p>" << 4 << "";
    QTest::newRow("closing tag in a comment") << "<b>x<!-- </b> --></b>" << 1 << "0-3 17-21";
    QTest::newRow("tag in a comment") << "<!-- <b> --><b>x</b>" << 6 << "";
    QTest::newRow("after a comment") << "<!-- <b> --><b>x</b>" << 13 << "12-15 16-20";
    QTest::newRow("script") << "<script>if (a<b) s = \"</b>\";</script>" << 2 << "0-8 28-37";
    QTest::newRow("tag in a script") << "<script>s = \"<b>x</b>\";</script>" << 14 << "";
    QTest::newRow("tag in a quoted value") << "<a title=\"<b>\">x</a>" << 11 << "";
    QTest::newRow("around a quoted value") << "<a title=\"<b>\">x</a>" << 1 << "0-15 16-20";
    QTest::newRow("closed by its parent") << "<ul><li>a<li>b</ul>" << 5 << "";
    QTest::newRow("parent of unclosed items") << "<ul><li>a<li>b</ul>" << 1 << "0-4 14-19";
    QTest::newRow("stray closing tag") << "<p>a</b></p>" << 1 << "0-3 8-12";
    QTest::newRow("unclosed") << "<p>a" << 1 << "";
    const QString longue = QStringLiteral("<a href=\"data:,%1\">x</a>").arg(QString(10000, u'x'));
    QTest::newRow("tag longer than the first reading") << longue << 1 << "0-10017 10018-10022";
    // The search reads 100,000 characters on the partner's side of the tag, and
    // gives nothing rather than a guess when it is not found there.
    const QString loin = QStringLiteral("<div>") + QString(99989, u'x') + QStringLiteral("</div>");
    QTest::newRow("partner within reach") << loin << 1 << "0-5 99994-100000";
    QTest::newRow("within reach, backwards") << loin << 99996 << "0-5 99994-100000";
    const QString tropLoin = QStringLiteral("<div>") + QStringLiteral("x\n").repeated(55000)
        + QStringLiteral("</div>");
    QTest::newRow("partner beyond reach") << tropLoin << 1 << "";
    QTest::newRow("beyond reach, backwards") << tropLoin << 110007 << "";
    const QString commentaire = QStringLiteral("<!-- ") + QStringLiteral("<b>\n").repeated(3000);
    QTest::newRow("far into a comment")
        << commentaire + "--><b>x</b>" << int(commentaire.size()) - 2 << "";
    QTest::newRow("after a long comment")
        << commentaire + "--><b>x</b>" << int(commentaire.size()) + 4
        << QStringLiteral("%1-%2 %3-%4")
               .arg(commentaire.size() + 3)
               .arg(commentaire.size() + 6)
               .arg(commentaire.size() + 7)
               .arg(commentaire.size() + 11);
}

void TestTags::matchingTagShown()
{
    QFETCH(QString, texte);
    QFETCH(int, position);
    QFETCH(QString, attendu);
    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    prepare(edit, texte, position, position);
    QStringList fonds;
    for (const QTextEdit::ExtraSelection &s : edit->extraSelections()) {
        QVERIFY(s.format.hasProperty(QTextFormat::BackgroundBrush));
        fonds
            << QStringLiteral("%1-%2").arg(s.cursor.selectionStart()).arg(s.cursor.selectionEnd());
    }
    QCOMPARE(fonds.join(u' '), attendu);

    // A plain text has none; back in HTML, the pair shows again.
    KalTextEditTestAccess w(f.window);
    w.majTypeDocument(QStringLiteral("/tmp/notes.txt"));
    w.activeCommandesHtml(w.isHtml());
    QVERIFY(edit->extraSelections().isEmpty());
    w.majTypeDocument(QStringLiteral("/tmp/page.html"));
    w.activeCommandesHtml(w.isHtml());
    QCOMPARE(edit->extraSelections().size(), fonds.size());
}

// "Aller à la balise correspondante" (Ctrl+B) and "Sélectionner l'élément"
// (Ctrl+Shift+B), once or more.
void TestTags::tagPairCommands_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("touches"); // "B" Ctrl+B, "S" Ctrl+Shift+B, "Z" Ctrl+Z, "Y" Ctrl+Y
    QTest::addColumn<int>("ancreAttendue");
    QTest::addColumn<int>("positionAttendue");
    QTest::addColumn<QString>("message"); // the start of the status bar's message

    const QString page = QStringLiteral("<div class=\"a\">\n<p>un <b>mot</b></p>\n</div>");
    // <div class="a"> 0-15, <p> 16-19, <b> 22-25, </b> 28-32, </p> 32-36, </div> 37-43
    QTest::newRow("Ctrl+B to the closing tag") << page << 2 << 2 << "B" << 39 << 39 << "";
    QTest::newRow("Ctrl+B from among the attributes") << page << 12 << 12 << "B" << 39 << 39 << "";
    QTest::newRow("Ctrl+B twice comes back") << page << 2 << 2 << "BB" << 1 << 1 << "";
    QTest::newRow("Ctrl+B from a closing tag") << page << 34 << 34 << "B" << 17 << 17 << "";
    QTest::newRow("Ctrl+B in the text") << page << 26 << 26 << "B" << 26 << 26 << "Le curseur";
    QTest::newRow("Ctrl+B on a void element")
        << "<p><br></p>" << 4 << 4 << "B" << 4 << 4 << "Pas de";
    QTest::newRow("Ctrl+Shift+B in the text") << page << 26 << 26 << "S" << 22 << 32 << "";
    QTest::newRow("Ctrl+Shift+B twice") << page << 26 << 26 << "SS" << 16 << 36 << "";
    QTest::newRow("Ctrl+Shift+B three times") << page << 26 << 26 << "SSS" << 0 << 43 << "";
    QTest::newRow("Ctrl+Shift+B in a tag") << page << 18 << 18 << "S" << 16 << 36 << "";
    QTest::newRow("Ctrl+Shift+B on a selected word") << page << 25 << 28 << "S" << 22 << 32 << "";
    QTest::newRow("Ctrl+Shift+B on a void element")
        << "<p><br></p>" << 4 << 4 << "SS" << 0 << 11 << "";
    QTest::newRow("Ctrl+Shift+B past the outermost")
        << page << 26 << 26 << "SSSS" << 0 << 43 << "Aucun élément";
    QTest::newRow("Ctrl+Shift+B in a comment")
        << "<p><!-- <b>x</b> --></p>" << 12 << 12 << "S" << 0 << 24 << "";
    // A tag longer than the first reading around the cursor: an inline image.
    const QString longue = QStringLiteral("<a href=\"data:,%1\">x</a>").arg(QString(10000, u'x'));
    QTest::newRow("Ctrl+B from a long tag")
        << longue << 1 << 1 << "B" << int(longue.size()) - 2 << int(longue.size()) - 2 << "";
    // The cursor stands after "</b>", just before "</p>".
    QTest::newRow("Ctrl+Shift+B then Ctrl+B") << page << 26 << 26 << "SB" << 17 << 17 << "";
    QTest::newRow("after an undo and a redo") << page << 26 << 26 << "ZYZS" << 22 << 32 << "";
}

void TestTags::tagPairCommands()
{
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(QString, touches);
    QFETCH(int, ancreAttendue);
    QFETCH(int, positionAttendue);
    QFETCH(QString, message);
    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    prepare(edit, texte, ancre, position);
    if (touches.startsWith(u'Z')) {
        // Something to undo and redo around the command.
        QTest::keyClicks(edit, QStringLiteral("x"));
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(position);
        edit->setTextCursor(cursor);
    }
    f.window->statusBar()->clearMessage();
    for (const QChar touche : touches) {
        const char *sequence = touche == u'B' ? "Ctrl+B"
            : touche == u'S'                  ? "Ctrl+Shift+B"
            : touche == u'Z'                  ? "Ctrl+Z"
                                              : "Ctrl+Y";
        QTest::keySequence(edit, QKeySequence(QString::fromLatin1(sequence)));
    }
    QCOMPARE(texteDe(edit), texte);
    QCOMPARE(edit->textCursor().anchor(), ancreAttendue);
    QCOMPARE(edit->textCursor().position(), positionAttendue);
    const QString affiche = f.window->statusBar()->currentMessage();
    QVERIFY2(message.isEmpty() ? affiche.isEmpty() : affiche.startsWith(message),
             qPrintable(affiche));
}

// Where the cursor stands for the list of names, from the text before it alone.
void TestTags::completionContext_data()
{
    using CompletionHtml::Genre;
    QTest::addColumn<QString>("avant"); // "\n" is a block break
    QTest::addColumn<int>("genre");
    QTest::addColumn<QString>("prefixe");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("attribut");
    const auto rang
        = [](const char *nom, const QString &avant, Genre genre, const QString &prefixe = QString(),
             const QString &element = QString(), const QString &attribut = QString()) {
              QTest::newRow(nom) << avant << int(genre) << prefixe << element << attribut;
          };
    rang("element name", "<p>Texte <inp", Genre::Element, "inp");
    rang("'<' alone", "x <", Genre::Element);
    rang("text after a tag", "<p>texte", Genre::Aucune);
    rang("'<' and a blank", "a < b", Genre::Aucune);
    rang("closing tag", "<p>x</p", Genre::Aucune);
    rang("attribute", "<input ty", Genre::Attribut, "ty", "input");
    rang("attribute in capitals", "<DIV CL", Genre::Attribut, "CL", "div");
    rang("after a blank", "<a href=\"x\" ", Genre::Attribut, "", "a");
    rang("attribute on its own line", "<img\n  sr", Genre::Attribut, "sr", "img");
    rang("name glued to a value", "<a href=\"x\"t", Genre::Aucune);
    rang("after the name of an attribute", "<a href ", Genre::Aucune);
    rang("'>' in a quoted value", "<a title=\"a>b\" hr", Genre::Attribut, "hr", "a");
    rang("'<' in a quoted value", "<a title='<b class=\"' hr", Genre::Attribut, "hr", "a");
    rang("value", "<input type=\"", Genre::Valeur, "", "input", "type");
    rang("value begun", "<input type='te", Genre::Valeur, "te", "input", "type");
    rang("unquoted value", "<form method=po", Genre::Valeur, "po", "form", "method");
    rang("second keyword of a value", "<a rel=\"noopener n", Genre::Valeur, "n", "a", "rel");
    rang("reference", "Un &eac", Genre::Entite, "eac");
    rang("'&' alone", "a &", Genre::Entite);
    rang("reference in a value", "<a href=\"?a=1&am", Genre::Entite, "am");
    rang("numeric reference", "&#23", Genre::Aucune);
    rang("in a comment", "<!-- <di", Genre::Aucune);
    rang("after a comment", "<!-- <script> --> <di", Genre::Element, "di");
    rang("in a script", "<script>if (a<b", Genre::Aucune);
    rang("reference in a script", "<script type=\"module\">a &b", Genre::Aucune);
    rang("after a script", "<script>x</script><di", Genre::Element, "di");
    rang("in a style", "<style>p<b", Genre::Aucune);
    rang("in PHP", "<?php echo \"<di", Genre::Aucune);
    rang("in ASP", "<% x = \"<di", Genre::Aucune);
    rang("after PHP", "<?php x ?><di", Genre::Element, "di");
    rang("in a textarea", "<textarea><di", Genre::Aucune);
    rang("reference in a textarea", "<textarea>&eac", Genre::Entite, "eac");
    rang("in a title", "<title>Mon <b", Genre::Aucune);
    rang("after an empty comment", "<!--> <di", Genre::Element, "di");
    rang("after a comment ending in '--!>'", "<!-- x --!><di", Genre::Element, "di");
    rang("after a value that mentions a script", "<a title=\"<script>\">x <di", Genre::Element,
         "di");
    // The "<" of a tag is looked for 4,096 characters back, no further.
    const QString valeur = QString(4076, u'x');
    rang("tag of 4,096 characters",
         QStringLiteral("<a title=\"") + valeur + QStringLiteral("\" hreflang"), Genre::Attribut,
         "hreflang", "a");
    rang("tag of 4,097 characters",
         QStringLiteral("<a title=\"") + valeur + u'x' + QStringLiteral("\" hreflang"),
         Genre::Aucune);
}

void TestTags::completionContext()
{
    QFETCH(QString, avant);
    QFETCH(int, genre);
    QFETCH(QString, prefixe);
    QFETCH(QString, element);
    QFETCH(QString, attribut);
    const CompletionHtml::Contexte c
        = CompletionHtml::contexte(avant.replace(u'\n', QChar::ParagraphSeparator));
    QCOMPARE(int(c.genre), genre);
    QCOMPARE(c.prefixe, prefixe);
    QCOMPARE(c.element, element);
    QCOMPARE(c.attribut, attribut);
}

// The names are the standard's, in the order QCompleter searches a sorted list:
// one out of it would never be offered.
void TestTags::completionLists()
{
    using CompletionHtml::caracteres;
    using CompletionHtml::noms;
    using G = CompletionHtml::Genre;
    const auto trie = [](const QStringList &noms, bool casse) {
        for (qsizetype i = 1; i < noms.size(); ++i) {
            if (casse ? noms[i] < noms[i - 1] : noms[i].toLower() < noms[i - 1].toLower())
                return false;
        }
        return !noms.isEmpty();
    };
    const QStringList elements = noms({G::Element, QString(), QString(), QString()});
    QVERIFY(trie(elements, false));
    for (const char *nom : {"a", "h1", "input", "search", "svg", "template", "wbr"})
        QVERIFY2(elements.contains(QLatin1String(nom)), nom);
    int valeurs = 0;
    for (const QString &element : elements + QStringList {QStringLiteral("mon-element")}) {
        const QStringList attributs = noms({G::Attribut, QString(), element, QString()});
        QVERIFY2(trie(attributs, false), qPrintable(element));
        QVERIFY(attributs.contains(QLatin1String("class")));
        for (const QString &attribut : attributs) {
            QVERIFY(!attribut.startsWith(QLatin1String("aria-"))
                    && !attribut.startsWith(QLatin1String("data-")));
            const QStringList liste = noms({G::Valeur, QString(), element, attribut});
            QVERIFY(liste.isEmpty() || trie(liste, false));
            valeurs += liste.isEmpty() ? 0 : 1;
        }
    }
    QVERIFY(valeurs > 200);
    QVERIFY(noms({G::Attribut, QString(), "input", QString()}).contains("formaction"));
    QVERIFY(!noms({G::Attribut, QString(), "p", QString()}).contains("href"));
    QCOMPARE(noms({G::Valeur, QString(), "p", "dir"}), QStringList({"auto", "ltr", "rtl"}));

    // The 2,231 references of the standard are 2,125 names: 106 old ones are read
    // without their ";" too.
    QStringList entites = noms({G::Entite, QString(), QString(), QString()});
    QVERIFY(trie(entites, true));
    QCOMPARE(entites.size(), 2125);
    QCOMPARE(entites.removeDuplicates(), 0);
    for (const QString &nom : entites)
        QVERIFY2(!caracteres(nom).isEmpty(), qPrintable(nom));
    QCOMPARE(caracteres("eacute"), QStringLiteral("é"));
    QCOMPARE(caracteres("Eacute"), QStringLiteral("É"));
    QCOMPARE(caracteres("NotEqualTilde"), QStringLiteral("\u2242\u0338"));
    QCOMPARE(caracteres("fopf"), QString::fromUcs4(U"\U0001D557"));
    QVERIFY(caracteres("inconnu").isEmpty());
}

// Typing into a new HTML document with the list of names: what Return, Tab,
// Escape and the other keys make of it, and the name the list has chosen after
// the last key ("" when it is closed).
void TestTags::completionTyping_data()
{
    QTest::addColumn<QString>("texte"); // the text before typing, the cursor at its end
    QTest::addColumn<QString>("frappe");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<QString>("choisi");
    QTest::addColumn<int>("curseur"); // -1: at the end of the text
    const auto rang = [](const char *nom, const QString &texte, const QString &frappe,
                         const QString &attendu, const QString &choisi, int curseur = -1) {
        QTest::newRow(nom) << texte << frappe << attendu << choisi << curseur;
    };
    rang("element accepted with Return", "", "<inp\n", "<input", "");
    rang("element accepted with Tab", "", "<inp⇥", "<input", "");
    rang("attribute, then its values", "", "<input ty\n=\"", "<input type=\"", "button");
    rang("value accepted", "", "<input type=\"tex\n", "<input type=\"text", "");
    rang("reference with its ';'", "", "&eac\n", "&eacute;", "");
    rang("reference shown with its character", "", "&eac", "&eac", "eacute");
    rang("reference typed in full gets its ';'", "", "&amp\n", "&amp;", "");
    rang("reference in a value", "<a href=\"", "?a=1&amp⇥", "<a href=\"?a=1&amp;", "");
    rang("list shown at the first letter", "", "<h", "<h", "h1");
    rang("typing narrows it", "", "<hea", "<hea", "head");
    rang("no name left closes it", "", "<hx", "<hx", "");
    rang("Down chooses the next", "", "<h↓\n", "<h2", "");
    rang("Escape closes it", "", "<inp⎋", "<inp", "");
    rang("a move along the line closes it", "", "<di←\n", "<d\ni", "", 3);
    rang("after Escape, Return is a line break", "", "<inp⎋\n", "<inp\n", "");
    rang("name typed in full: Return is a line break", "", "<a\n", "<a\n", "");
    rang("name typed in full: Tab is a tab", "", "<b⇥", "<b\t", "");
    rang("'>' closes it and goes into the text", "", "<inp>", "<inp></inp>", "", 5);
    rang("a blank closes it and goes into the text", "", "<inp x", "<inp x", "");
    rang("capitals kept", "", "<INP\n", "<INPUT", "");
    rang("attribute of the element", "", "<a hr\n", "<a href", "");
    rang("global attribute of any element", "", "<mon-widget cl\n", "<mon-widget class", "");
    rang("second keyword of a value", "", "<a rel=\"noopener n", "<a rel=\"noopener n", "next");
    rang("language", "", "<html lang=\"f", "<html lang=\"f", "fr");
    rang("Backspace widens it", "", "<hea⌫", "<he", "head");
    rang("a selection closes it", "", "<inp⇧", "<inp", "", 3);
    rang("none beside a selection", "<inp", "⇧⌃", "<inp", "", 3);
    rang("Ctrl+Space after a blank in a tag", "<input ", "⌃", "<input ", "accept");
    rang("Ctrl+Space, then Return", "<input ", "⌃\n", "<input accept", "");
    rang("Ctrl+Space in the middle of a name", "<inp", "⌃", "<inp", "input");
    rang("Ctrl+Space in the text", "texte", "⌃", "texte", "");
    rang("none in a script", "<script>", "if (a<bo", "<script>if (a<bo", "");
    rang("none in a comment", "<!-- ", "<di", "<!-- <di", "");
    // Known as a script however far its start.
    const QString script
        = QStringLiteral("<script>\n") + QStringLiteral("var a = 1;\n").repeated(4000);
    rang("none far into a script", script, "if (a<bo", script + "if (a<bo", "");
    rang("accepted in overwrite mode, nothing overwritten", "abcdefgh", "⎀⇱<inp\n", "<inputefgh",
         "", 6);
    // Typed at full speed through the open lists, never Return nor Tab: exactly
    // what was typed.
    const QString page
        = QStringLiteral("<input type=\"text\" name=\"q\" value=\"&eacute;t&eacute;\">"
                         "<img src=\"a.png\" alt=\"&amp;\" loading=\"lazy\">");
    rang("a tag typed in full", "", page, page, "");
}

void TestTags::completionTyping()
{
    QFETCH(QString, texte);
    QFETCH(QString, frappe);
    QFETCH(QString, attendu);
    QFETCH(QString, choisi);
    QFETCH(int, curseur);
    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QVERIFY(action(f.window, QStringLiteral("completionAct"))->isChecked());
    prepare(edit, texte, int(texte.size()), int(texte.size()));
    if (frappe.startsWith(u'⎀'))
        QTest::keyClick(edit, Qt::Key_Insert);
    tape(edit, frappe.startsWith(u'⎀') ? frappe.mid(1) : frappe);
    QCOMPARE(texteDe(edit), attendu);
    QCOMPARE(edit->textCursor().position(), curseur < 0 ? int(attendu.size()) : curseur);
    const CompleteurHtml *completeur = edit->completeurHtml();
    const QAbstractItemView *liste = completeur->completer()->popup();
    // A window that never takes the keyboard from the text.
    QCOMPARE(liste->windowType(), Qt::ToolTip);
    if (choisi == QLatin1String("eacute"))
        QCOMPARE(liste->currentIndex().data(Qt::UserRole + 1).toString(), QStringLiteral("é"));
    QCOMPARE(completeur->ouverte()
                 ? completeur->completer()->popup()->currentIndex().data().toString()
                 : QString(),
             choisi);
}

// Only an HTML document gets the list: as names are typed while "Complétion" is on,
// and on Ctrl+Space whatever it is; never a plain text, never what is pasted.
void TestTags::completionOnlyWhereAsked_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("frappe");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("HTML document") << "html"
                                   << "<inp\n"
                                   << "<input";
    QTest::newRow("option off") << "off"
                                << "<inp\n"
                                << "<inp\n";
    QTest::newRow("option off, Ctrl+Space") << "off"
                                            << "<inp⌃\n"
                                            << "<input";
    QTest::newRow("option off, then on") << "off then on"
                                         << "<inp\n"
                                         << "<input";
    QTest::newRow("plain-text document") << "txt"
                                         << "<inp\n"
                                         << "<inp\n";
    QTest::newRow("plain-text document, Ctrl+Space") << "txt"
                                                     << "<inp⌃\n"
                                                     << "<inp\n";
    QTest::newRow("back to an HTML document") << "txt then html"
                                              << "<inp\n"
                                              << "<input";
    QTest::newRow("pasted") << "paste"
                            << "\n"
                            << "<inp\n";
}

void TestTags::completionOnlyWhereAsked()
{
    QFETCH(QString, situation);
    QFETCH(QString, frappe);
    QFETCH(QString, attendu);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    QAction *option = action(f.window, QStringLiteral("completionAct"));
    QAction *demande = action(f.window, QStringLiteral("completerNomAct"));
    // The choice is the user's, kept for the next runs: this test leaves it on.
    const auto remet = qScopeGuard([option] { option->setChecked(true); });
    const auto typeDocument = [&w](const QString &nom) {
        w.setCurrentFile(nom);
        w.majTypeDocument(nom);
        w.activeCommandesHtml(w.isHtml());
    };
    if (situation.startsWith(QLatin1String("txt"))) {
        typeDocument(QStringLiteral("/tmp/notes.txt"));
        QVERIFY(!option->isEnabled());
        QVERIFY(!demande->isEnabled());
    }
    if (situation.endsWith(QLatin1String("html"))) {
        typeDocument(QStringLiteral("/tmp/page.html"));
        QVERIFY(option->isEnabled());
        QVERIFY(demande->isEnabled());
    }
    if (situation.startsWith(QLatin1String("off")))
        option->trigger();
    if (situation.endsWith(QLatin1String("on")))
        option->trigger();
    QCOMPARE(option->isChecked(), !situation.endsWith(QLatin1String("off")));

    if (situation == QLatin1String("paste")) {
        QApplication::clipboard()->setText(QStringLiteral("<inp"));
        action(f.window, QStringLiteral("editPasteAct"))->trigger();
        QVERIFY(!edit->completeurHtml()->ouverte());
    }
    tape(edit, frappe);
    QCOMPARE(texteDe(edit), attendu);
}

// A page typed key by key at full speed, lists opening and closing all along, and
// never a Return or a Tab while one is open: the text is exactly what was typed.
void TestTags::completionAtFullSpeed()
{
    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QAction *fermer = action(f.window, QStringLiteral("fermerBalisesAct"));
    const auto remet = qScopeGuard([fermer] { fermer->setChecked(true); });
    fermer->setChecked(false);
    const QString page = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>L'&eacute;t&eacute; &amp; l'hiver</title>\n"
        "<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n"
        "<h1 class=\"titre\" id=\"haut\">Bonjour &mdash; salut</h1>\n"
        "<p>Texte &lt;b&gt; avec <a href=\"page.html?a=1&amp;b=2\" target=\"_blank\">un "
        "lien</a>, <em>un mot</em> &nbsp;et <b>gras</b>.</p>\n"
        "<form method=\"post\" action=\"/envoi\"><input type=\"email\" required></form>\n"
        "<script>if (a<b && c>d) x = \"<div>\";</script>\n<!-- <p> fin -->\n</body>\n</html>\n");
    // No Return while a list is open: each line ends on a character that closes it.
    bool ouverteAvantRetour = false;
    for (const QChar c : page) {
        if (c == u'\n')
            ouverteAvantRetour = ouverteAvantRetour || edit->completeurHtml()->ouverte();
        tape(edit, QString(c));
    }
    QVERIFY(!ouverteAvantRetour);
    QCOMPARE(texteDe(edit), page);
}

QTEST_MAIN(TestTags)
#include "tst_tags.moc"
