// Alignment, image, table and document skeleton, through their actions.

#include "commandtest.h"
#include "dialoganswers.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
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

QTEST_MAIN(TestBlocks)
#include "tst_blocks.moc"
