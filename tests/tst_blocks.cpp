// Alignment, image, table and document skeleton, through their actions.

#include "blocs.h"
#include "commandtest.h"
#include "dialoganswers.h"
#include "documentfile.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTextBlock>

using namespace CommandTest;
using namespace TestSupport;

namespace {

// Each line followed by a line break, as the commands insert them.
QString lignes(std::initializer_list<const char *> texte)
{
    QString resultat;
    for (const char *ligne : texte)
        resultat += QString::fromUtf8(ligne) + QLatin1Char('\n');
    return resultat;
}

const QString table3x3
    = lignes({"<table border>", "<tr>", "<td></td>", "<td></td>", "<td></td>", "</tr>", "<tr>",
              "<td></td>", "<td></td>", "<td></td>", "</tr>", "<tr>", "<td></td>", "<td></td>",
              "<td></td>", "</tr>", "</table>"});

const QString table2x2 = lignes({"<table border>", "<tr>", "<td></td>", "<td></td>", "</tr>",
                                 "<tr>", "<td></td>", "<td></td>", "</tr>", "</table>"});

const QString table1x1 = lignes({"<table>", "<tr>", "<td></td>", "</tr>", "</table>"});

const QString squelette = lignes({
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">",
    "<html lang=\"fr\" dir=\"ltr\">",
    "<head>",
    "<meta http-equiv=\"content-type\" content=\"text/html; charset=ISO-8859-1\" />",
    "<!-- Dans les 2 balises suivantes, séparer les valeurs dans content=\"\" par des , "
    "(virgule) -->",
    "<meta name=\"keywords\" content=\"\" />",
    "<meta name=\"description\" content=\"\" />",
    "<!-- la balise suivante est indispensable s'il y a une feuille de style -mettre le nom "
    "correct -->",
    "<link rel=\"stylesheet\" type=\"text/css\" href=\"feuilsty.css\" />",
    "",
    "<title></title>",
    "</head>",
    "<body>",
    "",
    "</body>",
    "</html>",
});

const QString image = QString::fromUtf8(
    R"(<img src="" name="" align="bottom" height="" width="" border="none" />)");

// A text with its selection marked: "|" the cursor, "^" the anchor when there is one.
struct Marque
{
    QString texte;
    int ancre;
    int position;
};

Marque lit(QString texte)
{
    const int position = int(texte.indexOf(u'|'));
    texte.remove(position, 1);
    const int ancre = int(texte.indexOf(u'^'));
    if (ancre < 0)
        return {texte, position, position};
    texte.remove(ancre, 1);
    return {texte, ancre, ancre < position ? position - 1 : position};
}

QString marque(const monQTextEdit *edit)
{
    QString texte = texteDe(edit);
    const QTextCursor cursor = edit->textCursor();
    texte.insert(cursor.position(), u'|');
    if (cursor.hasSelection())
        texte.insert(cursor.anchor() + (cursor.anchor() > cursor.position()), u'^');
    return texte;
}

} // namespace

class TestBlocks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void alignment_data();
    void alignment();
    void alignmentLeavesTextAlone();
    void imageReplacesSelection_data();
    void imageReplacesSelection();
    void table_data();
    void table();
    void tableDialogStartsAfresh();
    void tableRejected_data();
    void tableRejected();
    void skeleton_data();
    void skeleton();
    void pageHtml5_data();
    void pageHtml5();
    void lineCommands_data();
    void lineCommands();
    void lineCommandPastTheLimit();
    void returnBetweenTags_data();
    void returnBetweenTags();
};

void TestBlocks::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QTextCursor")));
}

void TestBlocks::alignment_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("attribut");
    QTest::addColumn<QString>("nom");
    QTest::newRow("left") << "alignGaucheAct"
                          << ""
                          << "Gauche";
    QTest::newRow("centre") << "alignCentreAct"
                            << " align=\"center\""
                            << "Centré";
    QTest::newRow("right") << "alignDroiteAct"
                           << " align=\"right\""
                           << "Droite";
    QTest::newRow("justify") << "alignJustifieAct"
                             << " align=\"justify\""
                             << "Justifié";
}

// The chosen alignment goes into every later paragraph and heading, and the
// status bar names it.
void TestBlocks::alignment()
{
    QFETCH(QString, actionName);
    QFETCH(QString, attribut);
    QFETCH(QString, nom);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    // From another alignment, so that the left one is a real change too.
    action(f.window, QStringLiteral("alignJustifieAct"))->trigger();
    action(f.window, actionName)->trigger();
    QVERIFY(action(f.window, actionName)->isChecked());
    QCOMPARE(w.labelAlignement()->text(), nom);

    prepare(edit, QString(), 0, 0);
    action(f.window, QStringLiteral("paragrapheAct"))->trigger();
    QCOMPARE(texteDe(edit), QStringLiteral("<p%1></p>").arg(attribut));

    for (int niveau = 1; niveau <= 6; ++niveau) {
        prepare(edit, QStringLiteral("T"), 0, 1);
        action(f.window, QStringLiteral("titre%1Act").arg(niveau))->trigger();
        QCOMPARE(texteDe(edit), QStringLiteral("<h%1%2>T</h%1>\n").arg(niveau).arg(attribut));
    }

    // Back to the left: no attribute at all.
    action(f.window, QStringLiteral("alignGaucheAct"))->trigger();
    prepare(edit, QString(), 0, 0);
    action(f.window, QStringLiteral("paragrapheAct"))->trigger();
    QCOMPARE(texteDe(edit), QStringLiteral("<p></p>"));
    QCOMPARE(w.labelAlignement()->text(), QStringLiteral("Gauche"));
}

// Choosing an alignment touches neither the text nor the selection; an action
// that is not an alignment changes nothing.
void TestBlocks::alignmentLeavesTextAlone()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    prepare(w.textEdit(), QStringLiteral("<p>un mot</p>"), 6, 9);
    action(f.window, QStringLiteral("alignCentreAct"))->trigger();
    QCOMPARE(texteDe(w.textEdit()), QStringLiteral("<p>un mot</p>"));
    QCOMPARE(w.textEdit()->textCursor().selectedText(), QStringLiteral("mot"));
    QVERIFY(!w.textEdit()->document()->isModified());

    f.window->slotTextAlign(action(f.window, QStringLiteral("carGrasAct")));
    f.window->slotTextAlign(nullptr);
    QCOMPARE(w.strAlignement(), QStringLiteral(" align=\"center\""));
    QCOMPARE(w.labelAlignement()->text(), QStringLiteral("Centré"));
}

void TestBlocks::imageReplacesSelection_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("attendu");
    QTest::newRow("empty document") << QString() << 0 << 0 << image;
    QTest::newRow("word selected") << "une photo ici" << 4 << 9 << "une " + image + " ici";
    QTest::newRow("middle of a word") << "photo" << 2 << 2 << "ph" + image + "oto";
}

void TestBlocks::imageReplacesSelection()
{
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(QString, attendu);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    for (bool refrappe : {false, true}) {
        edit->setOverwriteMode(refrappe);
        prepare(edit, texte, ancre, position);
        action(f.window, QStringLiteral("imageAct"))->trigger();
        QCOMPARE(texteDe(edit), attendu);
        QCOMPARE(edit->textCursor().position(), qMin(ancre, position) + image.size());
        QVERIFY(!edit->textCursor().hasSelection());
        action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
        QCOMPARE(texteDe(edit), texte);
    }
}

void TestBlocks::table_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("lignes"); // 0: the dialog accepted as it opens
    QTest::addColumn<int>("colonnes");
    QTest::addColumn<bool>("bordure");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("curseur");
    QTest::addColumn<QString>("frappe"); // keys typed as the dialog opens, \t for Tab

    QTest::newRow("accepted unchanged: 3 x 3 with a border")
        << QString() << 0 << 0 << 0 << 0 << true << "\n" + table3x3 << table3x3.size() + 1
        << QString();
    QTest::newRow("1 x 1 without a border") << QString() << 0 << 0 << 1 << 1 << false
                                            << "\n" + table1x1 << table1x1.size() + 1 << QString();
    QTest::newRow("2 x 2 with a border") << QString() << 0 << 0 << 2 << 2 << true << "\n" + table2x2
                                         << table2x2.size() + 1 << QString();
    QTest::newRow("cursor in the middle of abcdef")
        << "abcdef" << 3 << 3 << 1 << 1 << false << "abc\n" + table1x1 + "def"
        << 4 + table1x1.size() << QString();
    QTest::newRow("selected word kept")
        << "un Titre ici" << 3 << 8 << 1 << 1 << false << "un Titre\n" + table1x1 + " ici"
        << 9 + table1x1.size() << QString();
    QTest::newRow("start of an empty line: an empty line above")
        << "ligne\n\nsuite" << 6 << 6 << 1 << 1 << false << "ligne\n\n" + table1x1 + "\nsuite"
        << 7 + table1x1.size() << QString();
    QTest::newRow("dialog accepted at the end of a line")
        << "fin" << 3 << 3 << 2 << 2 << true << "fin\n" + table2x2 << 4 + table2x2.size()
        << QString();
    // Each number is typed over, not beside the value the field opens with.
    QTest::newRow("numbers typed as the dialog opens")
        << QString() << 0 << 0 << 0 << 0 << true << "\n" + table2x2 << table2x2.size() + 1
        << "2\t2";
}

void TestBlocks::table()
{
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(int, lignes);
    QFETCH(int, colonnes);
    QFETCH(bool, bordure);
    QFETCH(QString, attendu);
    QFETCH(int, curseur);
    QFETCH(QString, frappe);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, texte, ancre, position);

    DialogAnswers answers;
    answers.then([=](QWidget *dialog) {
        for (const QChar c : frappe) {
            QTRY_VERIFY(dialog->focusWidget());
            QTest::keyClick(dialog->focusWidget(), c.toLatin1());
        }
        if (lignes > 0) {
            dialog->findChild<QSpinBox *>(QStringLiteral("spbNumLignes"))->setValue(lignes);
            dialog->findChild<QSpinBox *>(QStringLiteral("spbNumCols"))->setValue(colonnes);
            dialog->findChild<QCheckBox *>(QStringLiteral("cbBordure"))->setChecked(bordure);
        }
        clickButton(dialog, QStringLiteral("&Ok"));
    });
    action(f.window, QStringLiteral("tableauxAct"))->trigger();
    QVERIFY(cleanRun(answers));

    QCOMPARE(texteDe(edit), attendu);
    QCOMPARE(edit->textCursor().position(), curseur);
    QVERIFY(!edit->textCursor().hasSelection());

    // The whole table goes with one undo.
    action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
    QCOMPARE(texteDe(edit), texte);
}

// Each use opens a new dialog on 3 rows, 3 columns and a border, whatever was
// chosen before; it has no parent window and the focus starts on the rows.
void TestBlocks::tableDialogStartsAfresh()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    struct Vu
    {
        QString titre;
        int lignes = 0, colonnes = 0;
        bool bordure = false, sansParent = false, focusLignes = false;
    };
    QList<Vu> vus;
    const auto repondre = [&vus](QWidget *dialog) {
        auto *lignes = dialog->findChild<QSpinBox *>(QStringLiteral("spbNumLignes"));
        auto *colonnes = dialog->findChild<QSpinBox *>(QStringLiteral("spbNumCols"));
        auto *bordure = dialog->findChild<QCheckBox *>(QStringLiteral("cbBordure"));
        QTRY_VERIFY(dialog->focusWidget());
        vus.append({dialog->windowTitle(), lignes->value(), colonnes->value(), bordure->isChecked(),
                    dialog->parentWidget() == nullptr,
                    dialog->focusWidget() == lignes || dialog->focusWidget()->parent() == lignes});
        lignes->setValue(5);
        colonnes->setValue(2);
        bordure->setChecked(false);
        clickButton(dialog, QStringLiteral("&Ok"));
    };
    DialogAnswers answers;
    answers.then(repondre).then(repondre);
    action(f.window, QStringLiteral("tableauxAct"))->trigger();
    action(f.window, QStringLiteral("tableauxAct"))->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(vus.size(), 2);
    for (const Vu &vu : vus) {
        QCOMPARE(vu.titre, QStringLiteral("Marlisse - Tableau"));
        QCOMPARE(vu.lignes, 3);
        QCOMPARE(vu.colonnes, 3);
        QVERIFY(vu.bordure);
        QVERIFY(vu.sansParent);
        QVERIFY(vu.focusLignes);
    }
    // Two tables of 5 rows of 2 cells: 2 + 5 * 4 lines each, after a line break.
    QCOMPARE(texteDe(w.textEdit()).count(QStringLiteral("<td></td>")), 20);
    QCOMPARE(texteDe(w.textEdit()).count(QStringLiteral("<table>\n")), 2);
}

void TestBlocks::tableRejected_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Annuler button") << "button";
    QTest::newRow("Escape key") << "escape";
    QTest::newRow("window closed") << "close";
}

// A rejected dialog inserts nothing, not even the line break, and keeps the selection.
void TestBlocks::tableRejected()
{
    QFETCH(QString, how);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    prepare(edit, QStringLiteral("un mot"), 3, 6);

    DialogAnswers answers;
    answers.then([how](QWidget *dialog) {
        // Values changed before the rejection must not matter either.
        dialog->findChild<QSpinBox *>(QStringLiteral("spbNumLignes"))->setValue(7);
        if (how == QLatin1String("button"))
            clickButton(dialog, QStringLiteral("&Annuler"));
        else if (how == QLatin1String("escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
    });
    action(f.window, QStringLiteral("tableauxAct"))->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(texteDe(edit), QStringLiteral("un mot"));
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("mot"));
    QVERIFY(!edit->document()->isModified());
    QVERIFY(!edit->document()->isUndoAvailable());
}

void TestBlocks::skeleton_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("ligne"); // block of the cursor, counted from 0
    QTest::addColumn<QString>("encodage"); // the document's; empty: that of a new one

    QTest::newRow("empty document") << QString() << 0 << 0 << squelette << 13 << QString();
    QTest::newRow("selection replaced")
        << "avant MOT apres" << 6 << 9 << "avant " + squelette + " apres" << 13 << QString();
    QTest::newRow("after two lines") << "un\ndeux\n"
                                     << 8 << 8 << "un\ndeux\n" + squelette << 15 << QString();
    // The declaration decides at the next save: the skeleton declares the
    // document's own encoding, lest the page be saved in ISO 8859-1.
    QTest::newRow("UTF-8 document")
        << "<p>Привет</p>\n"
        << 14 << 14 << "<p>Привет</p>\n" + QString(squelette).replace("ISO-8859-1", "UTF-8") << 14
        << "UTF-8 avec BOM";
}

// Sixteen lines and a final line break; the cursor waits at the start of the
// empty line of the body.
void TestBlocks::skeleton()
{
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(QString, attendu);
    QFETCH(int, ligne);
    QFETCH(QString, encodage);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    if (!encodage.isEmpty())
        QVERIFY(w.setDocumentEncodingName(encodage));
    action(f.window, QStringLiteral("alignCentreAct"))->trigger(); // not used by the skeleton
    prepare(edit, texte, ancre, position);
    action(f.window, QStringLiteral("squeletteHtmlAct"))->trigger();

    QCOMPARE(texteDe(edit), attendu);
    const QTextCursor cursor = edit->textCursor();
    QVERIFY(!cursor.hasSelection());
    QCOMPARE(cursor.blockNumber(), ligne);
    QCOMPARE(cursor.positionInBlock(), 0);
    QCOMPARE(cursor.block().text(), QString());
    QCOMPARE(cursor.block().previous().text(), QStringLiteral("<body>"));
    QCOMPARE(cursor.block().next().text(), QStringLiteral("</body>"));

    action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
    QCOMPARE(texteDe(edit), texte);
}

void TestBlocks::pageHtml5_data()
{
    QTest::addColumn<QString>("texte"); // the selection marked
    QTest::addColumn<QString>("encodage"); // the document's; empty: that of a new one
    QTest::addColumn<QString>("attendu");

    const QString page
        = QStringLiteral("<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n"
                         "    <meta charset=\"%1\">\n"
                         "    <meta name=\"viewport\" content=\"width=device-width, "
                         "initial-scale=1\">\n"
                         "    <title>|</title>\n</head>\n<body>\n\n</body>\n</html>\n");
    QTest::newRow("new document") << "|" << QString() << page.arg("ISO-8859-1");
    QTest::newRow("UTF-8 document") << "|"
                                    << "UTF-8" << page.arg("UTF-8");
    QTest::newRow("windows-1251 document") << "|"
                                           << "windows-1251" << page.arg("windows-1251");
    QTest::newRow("selection replaced")
        << "avant ^MOT| apres" << QString() << "avant " + page.arg("ISO-8859-1") + " apres";
}

// A modern page in the document's own encoding, the cursor in its title; one undo.
void TestBlocks::pageHtml5()
{
    QFETCH(QString, texte);
    QFETCH(QString, encodage);
    QFETCH(QString, attendu);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    if (!encodage.isEmpty())
        QVERIFY(w.setDocumentEncodingName(encodage));
    const Marque avant = lit(texte);
    prepare(edit, avant.texte, avant.ancre, avant.position);
    action(f.window, QStringLiteral("pageHtml5Act"))->trigger();
    QCOMPARE(marque(edit), attendu);
    action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
    QCOMPARE(texteDe(edit), avant.texte);
}

void TestBlocks::lineCommands_data()
{
    QTest::addColumn<QString>("fichier"); // the document's name; empty: a new one
    QTest::addColumn<QString>("texte"); // the selection marked
    QTest::addColumn<QString>("commande"); // "Tab", "Shift+Tab", or an action
    QTest::addColumn<QString>("attendu"); // the same text: nothing done, no undo step
    QTest::addColumn<QString>("refus"); // what the status bar says

    const auto row = [](const char *nom, const char *fichier, const char *texte,
                        const char *commande, const char *attendu, const char *refus = "") {
        QTest::newRow(nom) << QString::fromUtf8(fichier) << QString::fromUtf8(texte)
                           << QString::fromUtf8(commande) << QString::fromUtf8(attendu)
                           << QString::fromUtf8(refus);
    };
    // Tab replaced two selected lines with one tab.
    row("Tab on two lines", "", "^<ul>\n<li>a</li>|", "Tab", "^    <ul>\n    <li>a</li>|");
    row("Tab in lines indented with tabs", "", "\t<li>^a</li>\n\t<li>b|</li>", "Tab",
        "\t\t<li>^a</li>\n\t\t<li>b|</li>");
    row("Tab: the line where the selection ends at its start stays", "", "^a\nb\n|c", "Tab",
        "^    a\n    b\n|c");
    row("Tab: an empty line stays empty", "", "a^\n\nb|", "Tab", "    a^\n\n    b|");
    row("Tab in one line types a tab", "", "un ^mot| ici", "Tab", "un \t| ici");
    row("Shift+Tab on lines", "", "^        a\n    b\n  \tc\nd|", "Shift+Tab", "^    a\nb\nc\nd|");
    row("Shift+Tab without a selection", "", "x\n    a|b", "Shift+Tab", "x\na|b");
    row("Shift+Tab, the cursor in the blanks", "", "  |  a", "Shift+Tab", "|a");
    row("Shift+Tab, nothing to take away", "", "a|", "Shift+Tab", "a|");
    row("duplicate the cursor's line", "", "un\nde|ux\ntrois", "dupliquerLigneAct",
        "un\ndeux\nde|ux\ntrois");
    row("duplicate two lines", "", "^un\ndeux|\ntrois", "dupliquerLigneAct",
        "un\ndeux\n^un\ndeux|\ntrois");
    row("duplicate the last line", "", "un\nde|ux", "dupliquerLigneAct", "un\ndeux\nde|ux");
    row("move up", "", "un\ndeux\ntr|ois", "monterLignesAct", "un\ntr|ois\ndeux");
    row("move lines up", "", "un\n^deux\ntrois\n|quatre", "monterLignesAct",
        "^deux\ntrois\n|un\nquatre");
    row("move down past the last line", "", "un\n^deux\n|trois", "descendreLignesAct",
        "un\ntrois\n^deux|");
    row("move the first line up", "", "u|n\ndeux", "monterLignesAct", "u|n\ndeux");
    row("move the last line down", "", "un\nde|ux", "descendreLignesAct", "un\nde|ux");
    row("comment a line", "", "    <p>|texte</p>", "commenterAct", "    <!-- <p>|texte</p> -->");
    row("uncomment a line", "", "    <!-- <p>te|xte</p> -->", "commenterAct", "    <p>te|xte</p>");
    row("comment lines", "", "^<ul>\n<li>a</li>\n</ul>|", "commenterAct",
        "^<!-- <ul>\n<li>a</li>\n</ul>| -->");
    row("after a comment naming <script>", "", "<!-- <script> -->\n<p>x|</p>", "commenterAct",
        "<!-- <script> -->\n<!-- <p>x|</p> -->");
    // The text of a textarea or a title is no markup: "<style>" there opens nothing.
    row("after a textarea naming <style>", "", "<textarea><style></textarea>\n<p>x|</p>",
        "commenterAct", "<textarea><style></textarea>\n<!-- <p>x|</p> -->");
    row("lines in a title", "", "<title>a\nb|\n</title>", "commenterAct", "<title>a\nb|\n</title>",
        "textarea ou title");
    row("comment in a style", "", "<style>\np { color: red; }|\n</style>", "commenterAct",
        "<style>\n/* p { color: red; }| */\n</style>");
    row("uncomment in a style", "", "<style>\n/* p {}| */\n</style>", "commenterAct",
        "<style>\np {}|\n</style>");
    row("comment in a script", "", "<script>\n^  var a;\n\n  f();|\n</script>", "commenterAct",
        "<script>\n^  // var a;\n\n  // f();|\n</script>");
    row("uncomment in a script", "", "<script>\n^  // var a;\n  //f();|\n</script>", "commenterAct",
        "<script>\n^  var a;\n  f();|\n</script>");
    row("a style sheet", "style.css", "p {}|", "commenterAct", "/* p {}| */");
    row("a script file", "code.js", "f();|", "commenterAct", "// f();|");
    row("a plain text has no comments", "notes.txt", "a|", "commenterAct", "a|");
    row("'--' refused", "", "<p>a -- b|</p>", "commenterAct", "<p>a -- b|</p>", "« -- »");
    row("a comment in the lines refused", "", "^<!-- a -->\n<p>b</p>|", "commenterAct",
        "^<!-- a -->\n<p>b</p>|", "« -- »");
    row("lines inside a comment", "", "<!-- a\nb|\nc -->", "commenterAct", "<!-- a\nb|\nc -->",
        "déjà dans un commentaire");
    row("lines past the end of a script", "", "<script>\n^f();\n</script>|", "commenterAct",
        "<script>\n^f();\n</script>|", "finissent");
    row("lines inside a tag", "", "<a\n  href=\"x\"|>", "commenterAct", "<a\n  href=\"x\"|>",
        "l'intérieur d'une balise");
    row("'*/' in a style refused", "", "<style>\na /* b */ c|\n</style>", "commenterAct",
        "<style>\na /* b */ c|\n</style>", "« */ »");
}

void TestBlocks::lineCommands()
{
    QFETCH(QString, fichier);
    QFETCH(QString, texte);
    QFETCH(QString, commande);
    QFETCH(QString, attendu);
    QFETCH(QString, refus);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    if (!fichier.isEmpty()) {
        const QString nom = f.programFolder() + QLatin1Char('/') + fichier;
        w.setCurrentFile(nom);
        w.majTypeDocument(nom);
        w.activeCommandesHtml(w.isHtml());
    }
    const Marque avant = lit(texte);
    prepare(edit, avant.texte, avant.ancre, avant.position);
    if (commande == QLatin1String("Tab"))
        QTest::keyClick(edit, Qt::Key_Tab);
    else if (commande == QLatin1String("Shift+Tab"))
        QTest::keyClick(edit, Qt::Key_Backtab, Qt::ShiftModifier);
    else
        action(f.window, commande)->trigger();
    QCOMPARE(marque(edit), attendu);
    if (!refus.isEmpty())
        QVERIFY2(f.window->statusBar()->currentMessage().contains(refus),
                 qPrintable(f.window->statusBar()->currentMessage()));

    // One undo step, and none for a command that changed nothing.
    QCOMPARE(edit->document()->isUndoAvailable(), texte != attendu);
    action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
    QCOMPARE(texteDe(edit), avant.texte);
}

// Past the document's limit the text's positions overflow: a copy of every line
// of a text of more than half the limit is refused, and says so.
void TestBlocks::lineCommandPastTheLimit()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    const QString ligne = QString(999, QLatin1Char('x')) + QLatin1Char('\n');
    // Unwrapped, the view lays it out faster.
    edit->setLineWrapMode(QTextEdit::NoWrap);
    edit->setPlainText(ligne.repeated(DocumentFile::maxCharacters / 2 / ligne.size() + 1));
    const int taille = edit->document()->characterCount();
    edit->selectAll();
    action(f.window, QStringLiteral("dupliquerLigneAct"))->trigger();
    QCOMPARE(edit->document()->characterCount(), taille);
    QVERIFY(!edit->document()->isUndoAvailable());
    QVERIFY2(f.window->statusBar()->currentMessage().contains(QStringLiteral("limite")),
             qPrintable(f.window->statusBar()->currentMessage()));
}

void TestBlocks::returnBetweenTags_data()
{
    QTest::addColumn<QString>("fichier");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("attendu");

    QTest::newRow("<ul>") << ""
                          << "<ul>|</ul>"
                          << "<ul>\n    |\n</ul>";
    QTest::newRow("indented with spaces") << ""
                                          << "  <div class=\"a\">|</div>"
                                          << "  <div class=\"a\">\n      |\n  </div>";
    QTest::newRow("indented with a tab") << ""
                                         << "\t<ol>|</OL> x"
                                         << "\t<ol>\n\t\t|\n\t</OL> x";
    QTest::newRow("tag over two lines") << ""
                                        << "    <a\n  href=\"x\">|</a>"
                                        << "    <a\n  href=\"x\">\n        |\n    </a>";
    QTest::newRow("not a pair") << ""
                                << "<ul>|</ol>"
                                << "<ul>\n|</ol>";
    QTest::newRow("text between") << ""
                                  << "    <p>a|</p>"
                                  << "    <p>a\n    |</p>";
    QTest::newRow("in a comment") << ""
                                  << "<!-- <ul>|</ul> -->"
                                  << "<!-- <ul>\n|</ul> -->";
    // The text read from a known point may begin inside the opening tag's line:
    // here at the "<" of "<ul>", the first tag 2 KB into the page.
    const QString longue = "<p>" + QString(2040, QLatin1Char('x')) + "</p>\n";
    QTest::newRow("a known point on the tag's line")
        << "" << longue + "    <ul>|</ul>" << longue + "    <ul>\n        |\n    </ul>";
    QTest::newRow("a plain text") << "notes.txt"
                                  << "<ul>|</ul>"
                                  << "<ul>\n|</ul>";
}

// Return between an opening tag and its closing tag makes three lines, undone at once.
void TestBlocks::returnBetweenTags()
{
    QFETCH(QString, fichier);
    QFETCH(QString, texte);
    QFETCH(QString, attendu);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    if (!fichier.isEmpty()) {
        w.setCurrentFile(fichier);
        w.majTypeDocument(fichier);
        w.activeCommandesHtml(w.isHtml());
    }
    const Marque avant = lit(texte);
    prepare(edit, avant.texte, avant.ancre, avant.position);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(marque(edit), attendu);
    action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
    QCOMPARE(marque(edit), texte);
}

QTEST_MAIN(TestBlocks)
#include "tst_blocks.moc"
