#include "highlighterhtml.h"
#include "referencehighlighter.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextDocument>

class TestHighlighter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestSupport::init(); }
    void colours_data();
    void colours();
    void onlyForegroundIsSet();
    void linesAreIndependent();
    void recolouredAfterEdit();
    void sameAsReference_data();
    void sameAsReference();
    void randomLinesSameAsReference();
};

// Each row: a line of source and the expected colour of each of its characters
// ('.' default, 'g' dark green, 'b' blue, 'r' red).
void TestHighlighter::colours_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("link with two quoted values")
        << QStringLiteral(R"(<a href="page.htm" name="haut">)")
        << QStringLiteral("b..bbbbbgggggggggggbbbbbggggggb");
    QTest::newRow("single quote colours nothing")
        << QStringLiteral(R"(say "hello)") << QStringLiteral("..........");
    QTest::newRow("declaration to end of line")
        << QStringLiteral("ab <!-- note --> <p>") << QStringLiteral("...rrrrrrrrrrrrrrrrr");
    QTest::newRow("comment end alone") << QStringLiteral("fin -->") << QStringLiteral("......b");
    QTest::newRow("doctype") << QStringLiteral(
        R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)")
                             << QString(62, QLatin1Char('r'));
    QTest::newRow("case matters") << QStringLiteral("HREF=a Href=b href =c")
                                  << QStringLiteral(".....................");
    QTest::newRow("substring of a longer word")
        << QStringLiteral("xhref=1") << QStringLiteral(".bbbbb.");
    QTest::newRow("valign as a whole")
        << QStringLiteral("<td valign=top>") << QStringLiteral("b...bbbbbbb...b");
    QTest::newRow("empty line") << QString() << QString();
    QTest::newRow("plain text") << QStringLiteral("Bonjour = tout le monde")
                                << QStringLiteral(".......................");
    QTest::newRow("element name keeps default")
        << QStringLiteral("<table border=1>") << QStringLiteral("b......bbbbbbb.b");
    QTest::newRow("greedy quotes span brackets")
        << QStringLiteral(R"(x"<b>"y"z)") << QStringLiteral(".gbgbggg.");
    QTest::newRow("red wins over quote and blue")
        << QStringLiteral(R"("a" <!x "b" href=)") << QStringLiteral("ggggrrrrrrrrrrrrr");
    // The last quote may stand in the red part: the green still starts at the first.
    QTest::newRow("quote just before declaration")
        << QStringLiteral(R"(a"<!x")") << QStringLiteral(".grrrr");
    QTest::newRow("quote span cut by declaration")
        << QStringLiteral(R"(a"b<!")") << QStringLiteral(".ggrrr");
    QTest::newRow("every attribute name")
        << QStringLiteral("src=class=lang=dir=http-equiv=content=charset=rel=type=id=alt=face=")
        << QString(67, QLatin1Char('b'));
    QTest::newRow("accented text and nbsp")
        << QStringLiteral("été\u00a0\"à\"") << QStringLiteral("....ggg");
}

static QString coloursOf(const QString &line)
{
    QTextDocument document;
    document.documentLayout(); // formats are applied to laid-out blocks only
    HighlighterHtml highlighter(&document);
    document.setPlainText(line);
    return colourMap(document.firstBlock());
}

void TestHighlighter::colours()
{
    QFETCH(QString, line);
    QFETCH(QString, expected);
    QCOMPARE(expected.size(), line.size()); // guards the table itself
    QCOMPARE(coloursOf(line), expected);
}

void TestHighlighter::onlyForegroundIsSet()
{
    QTextDocument document;
    document.documentLayout(); // formats are applied to laid-out blocks only
    HighlighterHtml highlighter(&document);
    document.setPlainText(QStringLiteral(R"(<p class="x">)"));
    const auto formats = document.firstBlock().layout()->formats();
    QVERIFY(!formats.isEmpty());
    for (const auto &range : formats) {
        QCOMPARE(range.format.properties().size(), 1);
        QVERIFY(range.format.hasProperty(QTextFormat::ForegroundBrush));
        QCOMPARE(range.format.foreground().style(), Qt::SolidPattern);
    }
}

// Nothing is carried from one line to the next: a quote or a comment opened on one
// line does not colour the following one.
void TestHighlighter::linesAreIndependent()
{
    QTextDocument document;
    document.documentLayout(); // formats are applied to laid-out blocks only
    HighlighterHtml highlighter(&document);
    document.setPlainText(QStringLiteral("<!-- début\nsuite -->\n\"a\nb\""));
    QTextBlock block = document.firstBlock();
    QCOMPARE(colourMap(block), QStringLiteral("rrrrrrrrrr"));
    block = block.next();
    QCOMPARE(colourMap(block), QStringLiteral("........b"));
    block = block.next();
    QCOMPARE(colourMap(block), QStringLiteral(".."));
    block = block.next();
    QCOMPARE(colourMap(block), QStringLiteral(".."));
}

void TestHighlighter::recolouredAfterEdit()
{
    QTextDocument document;
    document.documentLayout(); // formats are applied to laid-out blocks only
    HighlighterHtml highlighter(&document);
    document.setPlainText(QStringLiteral("a b"));
    QTextCursor cursor(&document);
    cursor.setPosition(1);
    cursor.insertText(QStringLiteral("<!"));
    QCOMPARE(colourMap(document.firstBlock()), QStringLiteral(".rrrr"));
}

void TestHighlighter::sameAsReference_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("page") << QStringLiteral(
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n"
        "<html lang=\"fr\" dir=\"ltr\">\n<head>\n"
        "<meta http-equiv=\"content-type\" content=\"text/html; charset=ISO-8859-1\" />\n"
        "<link rel=\"stylesheet\" type=\"text/css\" href=\"feuilsty.css\" />\n"
        "<title>Accueil</title>\n</head>\n<body>\n"
        "<p align=\"center\">Un <b>mot</b> & l'autre <a href=\"x.htm\" id=a1>lien</a></p>\n"
        "<table border><tr><td valign=top class=\"c\">1</td></tr></table>\n"
        "<img src=\"a.png\" alt=\"\" />\n<font face=\"Arial\">x</font>\n"
        "<!-- commentaire --> <p>\n\"\"\"\n=<>=\n</body>\n</html>\n");
    QTest::newRow("repeated patterns")
        << QStringLiteral("<<<>>> href=href=name= \"\"\"\" <!<! valign=align=\n"
                          "  \"a\" b \"c\" d \"e\"   \nid=id=idid= xid= \"");
}

static void compareWithReference(const QString &text)
{
    QTextDocument fast;
    fast.documentLayout();
    HighlighterHtml highlighter(&fast);
    QTextDocument reference;
    reference.documentLayout();
    ReferenceHighlighter referenceHighlighter(&reference, highlighter.ruleList());
    fast.setPlainText(text);
    reference.setPlainText(text);
    QCOMPARE(fast.blockCount(), reference.blockCount());
    QTextBlock a = fast.firstBlock();
    QTextBlock b = reference.firstBlock();
    for (; a.isValid(); a = a.next(), b = b.next()) {
        const auto fa = a.layout()->formats();
        const auto fb = b.layout()->formats();
        if (fa != fb)
            QFAIL(qPrintable(QStringLiteral("line %1 differs: \"%2\"\n  fast %3\n  ref  %4")
                                 .arg(a.blockNumber() + 1)
                                 .arg(a.text(), colourMap(a), colourMap(b))));
    }
}

void TestHighlighter::sameAsReference()
{
    QFETCH(QString, text);
    compareWithReference(text);
}

// Random lines over the characters that matter to the rules.
void TestHighlighter::randomLinesSameAsReference()
{
    const QStringList pieces
        = {QStringLiteral("<"),      QStringLiteral(">"),          QStringLiteral("\""),
           QStringLiteral("!"),      QStringLiteral("="),          QStringLiteral(" "),
           QStringLiteral("a"),      QStringLiteral("é"),          QStringLiteral("\u00a0"),
           QStringLiteral("href"),   QStringLiteral("align"),      QStringLiteral("valign"),
           QStringLiteral("id"),     QStringLiteral("http-equiv"), QStringLiteral("<!"),
           QStringLiteral("\t"),     QStringLiteral("v"),          QStringLiteral("border"),
           QStringLiteral("\u20ac"), QStringLiteral("\U0001F600")};
    QRandomGenerator random(20261207);
    QString text;
    for (int line = 0; line < 3000; ++line) {
        const int length = random.bounded(0, 40);
        for (int i = 0; i < length; ++i)
            text += pieces.at(random.bounded(int(pieces.size())));
        text += QLatin1Char('\n');
    }
    compareWithReference(text);
}

QTEST_MAIN(TestHighlighter)
#include "tst_highlighter.moc"
