#include "documentfile.h"
#include "lisorel.h"
#include "piperescue.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <QTextBlock>
#include <QToolBar>

using namespace TestSupport;

namespace {

// A viewer window for one test, closed and destroyed at the end of the test.
struct Viewer
{
    Viewer(const QString &caption, const QString &fileName, bool html)
        : w(new Lisorel(QIcon(QStringLiteral(":/images/marlisse.png")), caption, fileName, html))
    { }
    ~Viewer()
    {
        closeStrayModals();
        if (w)
            w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    Lisorel *operator->() const { return w; }
    QPointer<Lisorel> w;
};

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

QByteArray page(const QByteArray &title, const QByteArray &body, const QByteArray &head = {})
{
    return "<html><head>" + head + "<title>" + title + "</title></head><body>" + body
        + "</body></html>";
}

// Where the text of a link lies in the browser's viewport.
QPoint linkPosition(QTextBrowser *browser, const QString &linkText)
{
    const QTextCursor found = browser->document()->find(linkText);
    QTextCursor inside(browser->document());
    inside.setPosition(found.selectionStart() + 1);
    return browser->cursorRect(inside).center();
}

} // namespace

class TestLisorel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void title_data();
    void title();
    void decoding_data();
    void decoding();
    void stylesheetEncoding_data();
    void stylesheetEncoding();
    void manualShowsAccents();
    void unreadableFilesShowAsMissing_data();
    void unreadableFilesShowAsMissing();
    void windowSize_data();
    void windowSize();
    void menusAndToolBar();
    void toolBarToggle();
    void closeEmitsOnceAndDestroys_data();
    void closeEmitsOnceAndDestroys();
    void hoverShowsLinkAddress();
    void navigation();
    void reloadKeepsPlace_data();
    void reloadKeepsPlace();
    void printIntoPdf();
    void printDialog_data();
    void printDialog();
    void aboutBoxes_data();
    void aboutBoxes();
};

void TestLisorel::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestLisorel::title_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown");

    QTest::newRow("page title") << "Lisorel"
                                << "page.html" << page("Accueil", "<b>Bonjour</b>") << true
                                << "Lisorel - Accueil"
                                << "Bonjour";
    QTest::newRow("empty title") << "Lisorel"
                                 << "page.html" << page("", "Bonjour") << true << "Lisorel"
                                 << "Bonjour";
    QTest::newRow("no title element")
        << "Lisorel"
        << "page.htm" << QByteArray("<p>Bonjour</p>") << true << "Lisorel"
        << "Bonjour";
    QTest::newRow("help caption") << "Marlisse"
                                  << "index.html" << page("Manuel", "Sommaire") << true
                                  << "Marlisse - Manuel"
                                  << "Sommaire";
    QTest::newRow("accented title")
        << "Lisorel"
        << "page.html" << page("\xc9t\xe9", "x") << true << "Lisorel - \u00c9t\u00e9"
        << "x";
    QTest::newRow("plain text, tags visible")
        << "Lisorel"
        << "notes.txt" << QByteArray("<title>Pas un titre</title>\n<b>gras</b>") << false
        << "Lisorel - notes.txt"
        << "<title>Pas un titre</title>\n<b>gras</b>";
    // A page that is not there says so, and where it was looked for (%1).
    QTest::newRow("missing page") << "Lisorel"
                                  << "absent.html" << QByteArray() << true
                                  << "Lisorel - Page introuvable"
                                  << "Page introuvable\nAucun fichier à cet emplacement :\n%1";
    QTest::newRow("missing plain text, no title") << "Lisorel"
                                                  << "absent.txt" << QByteArray() << false << ""
                                                  << "";
}

void TestLisorel::title()
{
    QFETCH(QString, caption);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(bool, html);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    QTemporaryDir dir;
    const QString path
        = content.isNull() ? dir.filePath(fileName) : writeFile(dir, fileName, content);
    Viewer v(caption, path, html);
    QCOMPARE(v->windowTitle(), title);
    QCOMPARE(v->textBrowser->toPlainText(),
             shown.contains(QLatin1String("%1")) ? shown.arg(path) : shown);
    QVERIFY(v->isVisible());
    QVERIFY(v->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(v->centralWidget(), v->textBrowser);
    QCOMPARE(v->focusWidget(), v->textBrowser);
}

// The editor's pages seldom declare a character set, and many are in ISO 8859-1:
// read as UTF-8 by default, every accented letter of the preview was garbage.
void TestLisorel::decoding_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain text in ISO 8859-1")
        << QByteArray("caf\xe9 <b>\xe9t\xe9</b>") << false << QStringLiteral("café <b>été</b>");
    QTest::newRow("plain text with CR LF")
        << QByteArray("un\r\ndeux\xe9") << false << QStringLiteral("un\ndeuxé");
    QTest::newRow("page declaring nothing")
        << page("t", "\xe9t\xe9") << true << QStringLiteral("été");
    QTest::newRow("page declaring ISO-8859-1")
        << page("t", "\xe9t\xe9",
                "<meta http-equiv=\"content-type\" content=\"text/html; charset=ISO-8859-1\">")
        << true << QStringLiteral("été");
    QTest::newRow("page declaring utf-8")
        << page("t", "\xc3\xa9t\xc3\xa9", "<meta charset=\"utf-8\">") << true
        << QStringLiteral("été");
    QTest::newRow("upper-case declaration")
        << page("t", "\xc3\xa9t\xc3\xa9",
                "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; CHARSET=UTF-8\">")
        << true << QStringLiteral("été");
    QTest::newRow("XML declaration") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n")
            + page("t", "\xc3\xa9t\xc3\xa9")
                                     << true << QStringLiteral("été");
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf") + page("t", "\xc3\xa9t\xc3\xa9")
                                     << true << QStringLiteral("été");
    QTest::newRow("unknown character set")
        << page("t", "\xe9t\xe9", "<meta charset=\"x-inconnu\">") << true << QStringLiteral("été");
    // The editor's reading rule: a page reads the same in both windows.
    QTest::newRow("UTF-8 page declaring nothing")
        << page("t", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac") << true << QStringLiteral("été €");
    QTest::newRow("plain text in UTF-8")
        << QByteArray("<b>\xc3\xa9t\xc3\xa9</b>\r\n") << false << QStringLiteral("<b>été</b>\n");
    if (QStringDecoder("windows-1252").isValid())
        QTest::newRow("page declaring windows-1252")
            << page("t", "\x80 \xe9t\xe9", "<meta charset=\"windows-1252\">") << true
            << QStringLiteral("€ été");
}

void TestLisorel::decoding()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, html);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = writeFile(dir, html ? "page.html" : "notes.txt", content);
    Viewer v(QStringLiteral("Lisorel"), path, html);
    QCOMPARE(v->textBrowser->toPlainText(), expected);

    if (html) {
        // A reload reads the page again and decodes it the same way.
        action(v.w, "rechargerAct")->trigger();
        QCOMPARE(v->textBrowser->toPlainText(), expected);
    }
}

void TestLisorel::stylesheetEncoding_data()
{
    QTest::addColumn<QString>("pageEncoding"); // declared by the page
    QTest::addColumn<QByteArray>("stylesheet");
    QTest::addColumn<bool>("matches"); // the selector naming "Привет" is read as written
    const QString rule = QStringLiteral("p[title=\"Привет\"] { color: #ff0000; }\n");
    const auto in = [](const char *encoding, const QString &text) {
        return QByteArray(QStringEncoder(encoding).encode(text));
    };
    QTest::newRow("@charset") << "UTF-8"
                              << in("windows-1251", "@charset \"windows-1251\";\n" + rule) << true;
    QTest::newRow("the page's encoding") << "windows-1251" << in("windows-1251", rule) << true;
    QTest::newRow("@charset before the page's encoding")
        << "windows-1251" << in("KOI8-R", "@charset \"koi8-r\";\n" + rule) << true;
    QTest::newRow("mark before @charset")
        << "UTF-8"
        << "\xef\xbb\xbf" + in("UTF-8", "@charset \"windows-1251\";\n" + rule) << true;
    // Not at the very start, it declares nothing.
    QTest::newRow("@charset after a blank")
        << "UTF-8" << in("windows-1251", " @charset \"windows-1251\";\n" + rule) << false;
}

// A stylesheet is read as CSS reads it: its mark, its @charset, the encoding of
// its page, UTF-8. Read as a page, a windows-1251 stylesheet with @charset was
// ISO 8859-1, and a selector naming Cyrillic text matched nothing.
void TestLisorel::stylesheetEncoding()
{
    QFETCH(QString, pageEncoding);
    QFETCH(QByteArray, stylesheet);
    QFETCH(bool, matches);
    QTemporaryDir dir;
    writeFile(dir, "style.css", stylesheet);
    const QByteArray encoding = pageEncoding.toLatin1();
    const QByteArray title = QStringEncoder(encoding.constData()).encode(QStringLiteral("Привет"));
    const QString path = writeFile(
        dir, "page.html",
        page("t", "<p title=\"" + title + "\">Bonjour</p>",
             "<meta charset=\"" + encoding
                 + "\"><link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\">"));
    Viewer v(QStringLiteral("Lisorel"), path, true);
    QTextCursor bonjour(v->textBrowser->document()->begin());
    bonjour.movePosition(QTextCursor::NextCharacter);
    QCOMPARE(bonjour.charFormat().foreground().color() == QColor(Qt::red), matches);
}

// The manual is written in ISO 8859-1: its pages must show their accents.
void TestLisorel::manualShowsAccents()
{
    const QString folder = QFINDTESTDATA("../help/AideMarlisse");
    if (folder.isEmpty())
        QSKIP("the help manual is not in the source tree");
    const QStringList pages = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(pages.contains(QStringLiteral("index.html")));
    bool accentSeen = false;
    for (const QString &name : pages) {
        Viewer v(QStringLiteral("Marlisse"), folder + QLatin1Char('/') + name, true);
        const QString text = v->textBrowser->toPlainText();
        QVERIFY2(!text.isEmpty(), qPrintable(name));
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), qPrintable(name));
        QVERIFY2(!v->windowTitle().contains(QChar::ReplacementCharacter), qPrintable(name));
        QVERIFY2(v->windowTitle().startsWith(QLatin1String("Marlisse - ")), qPrintable(name));
        accentSeen = accentSeen || text.contains(QStringLiteral("é"));
    }
    QVERIFY(accentSeen);
}

void TestLisorel::unreadableFilesShowAsMissing_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("fromPageFolder"); // the program started from the page's folder
    QTest::newRow("regular file") << "file" << false;
    QTest::newRow("pipe") << "pipe" << false;
    QTest::newRow("/dev/zero") << "/dev/zero" << false;
    QTest::newRow("one byte over the limit") << "huge" << false;
    QTest::newRow("/proc/self/pagemap, empty and endless") << "/proc/self/pagemap" << false;
    // For an image given back as nothing, the toolkit opened its name itself,
    // relative to the working folder.
    QTest::newRow("pipe, from the page's folder") << "pipe" << true;
}

// Images, stylesheets, linked pages and plain-text documents are read only from
// regular files within the document limit; anything else shows as missing, at
// once. Read whole, a pipe named by a page blocked the program for ever, and
// /dev/zero ended it for want of memory.
void TestLisorel::unreadableFilesShowAsMissing()
{
    QFETCH(QString, what);
    QFETCH(bool, fromPageFolder);
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    const auto restore = qScopeGuard([before] { QDir::setCurrent(before); });
    if (fromPageFolder)
        QVERIFY(QDir::setCurrent(dir.path()));
    const QByteArray css("p { color: #ff0000; }");
    const bool readable = what == QLatin1String("file");
    QString target = dir.filePath(QStringLiteral("cible.css"));
    std::unique_ptr<PipeRescue> rescue;
    if (readable) {
        writeFile(dir, "cible.css", css);
    } else if (what == QLatin1String("pipe")) {
        QVERIFY(makePipe(target));
        rescue = std::make_unique<PipeRescue>(target);
    } else if (what == QLatin1String("huge")) {
        QFile sparse(target);
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(DocumentFile::maxSize + 1));
    } else {
        target = what;
    }
    const QByteArray name = target == what ? what.toLatin1() : QByteArray("cible.css");
    const QString path = writeFile(
        dir, "page.html",
        page("t", "<p>Bonjour</p><img src=\"" + name + "\"><a href=\"" + name + "\">lien</a>",
             "<link rel=\"stylesheet\" type=\"text/css\" href=\"" + name + "\">"));
    {
        Viewer v(QStringLiteral("Lisorel"), path, true);
        QTextBrowser *browser = v->textBrowser;
        QTextCursor bonjour(browser->document()->begin());
        bonjour.movePosition(QTextCursor::NextCharacter);
        QCOMPARE(bonjour.charFormat().foreground().color() == QColor(Qt::red), readable);
        QCOMPARE(
            browser
                ->loadResource(QTextDocument::StyleSheetResource, QUrl(QString::fromLatin1(name)))
                .toString(),
            readable ? QString::fromLatin1(css) : QString());
        // A stylesheet is no image either: a placeholder stands for it.
        const QVariant image
            = browser->loadResource(QTextDocument::ImageResource, QUrl(QString::fromLatin1(name)));
        QVERIFY(!qvariant_cast<QImage>(image).isNull());
        browser->setSource(QUrl(QString::fromLatin1(name))); // the link followed
        QCOMPARE(browser->toPlainText(), readable ? QString::fromLatin1(css) : QString());
    }
    Viewer plain(QStringLiteral("Lisorel"), target, false);
    QCOMPARE(plain->textBrowser->toPlainText(), readable ? QString::fromLatin1(css) : QString());
    if (rescue)
        QVERIFY(!rescue->wasNeeded());
}

// The window size follows the screen: narrower than 800 or lower than 600 gives
// 600 x 440, otherwise 700 x 500. Each screen runs in a child process of its own size.
void TestLisorel::windowSize_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::newRow("1024x768") << QSize(1024, 768) << QSize(700, 500);
    QTest::newRow("800x600") << QSize(800, 600) << QSize(700, 500);
    QTest::newRow("640x480") << QSize(640, 480) << QSize(600, 440);
    QTest::newRow("799x1024") << QSize(799, 1024) << QSize(600, 440);
    QTest::newRow("1280x599") << QSize(1280, 599) << QSize(600, 440);
}

void TestLisorel::windowSize()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    if (TestSupport::inScreenChild()) {
        QTemporaryDir dir;
        Viewer v(QStringLiteral("Lisorel"), writeFile(dir, "p.html", page("t", "x")), true);
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), screen);
        QCOMPARE(v->size(), window);
        return;
    }
    const QString failure = TestSupport::runOnScreen(screen, QStringLiteral("windowSize"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

static QStringList entries(const QMenu *menu)
{
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return texts;
}

void TestLisorel::menusAndToolBar()
{
    QTemporaryDir dir;
    Viewer v(QStringLiteral("Lisorel"), writeFile(dir, "p.html", page("t", "x")), true);
    const QList<QAction *> top = v->menuBar()->actions();
    QStringList titles;
    for (QAction *a : top)
        titles << a->text();
    QCOMPARE(titles, QStringList({"&Fichier", "Affichage", "Aller à", "&Aide"}));
    QCOMPARE(entries(top.at(0)->menu()), QStringList({"filePrintAct", "-", "fileQuitAct"}));
    QCOMPARE(entries(top.at(1)->menu()), QStringList({"rechargerAct", "viewToolBarAct"}));
    QCOMPARE(entries(top.at(2)->menu()), QStringList({"precedentAct", "suivantAct", "origineAct"}));
    QCOMPARE(entries(top.at(3)->menu()), QStringList({"helpAboutAct", "helpAboutQtAct"}));

    auto *bar = v->findChild<QToolBar *>(QStringLiteral("toolBar"));
    QVERIFY(bar);
    QCOMPARE(bar->windowTitle(), QStringLiteral("Barre d'outils"));
    QCOMPARE(bar->iconSize(), QSize(16, 16));
    QStringList buttons;
    for (QAction *a : bar->actions()) {
        buttons << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QVERIFY2(a->isSeparator() || !a->icon().pixmap(16, 16).isNull(),
                 qPrintable(a->objectName()));
    }
    QCOMPARE(buttons,
             QStringList({"precedentAct", "suivantAct", "origineAct", "rechargerAct", "-",
                          "filePrintAct", "-", "whatsThisAct", "-"}));
}

void TestLisorel::toolBarToggle()
{
    QTemporaryDir dir;
    Viewer v(QStringLiteral("Lisorel"), writeFile(dir, "p.html", page("t", "x")), true);
    auto *bar = v->findChild<QToolBar *>(QStringLiteral("toolBar"));
    QAction *toggle = action(v.w, "viewToolBarAct");
    QVERIFY(toggle->isCheckable());
    QVERIFY(toggle->isChecked());
    QVERIFY(bar->isVisible());
    toggle->trigger();
    QVERIFY(!toggle->isChecked());
    QVERIFY(!bar->isVisible());
    toggle->trigger();
    QVERIFY(toggle->isChecked());
    QVERIFY(bar->isVisible());
}

void TestLisorel::closeEmitsOnceAndDestroys_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("window frame") << QStringLiteral("close");
    QTest::newRow("Fermer entry") << QStringLiteral("action");
    QTest::newRow("Ctrl+Q") << QStringLiteral("key");
    QTest::newRow("slotFileQuit") << QStringLiteral("slot");
}

void TestLisorel::closeEmitsOnceAndDestroys()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    auto *viewer = new Lisorel(QIcon(), QStringLiteral("Lisorel"),
                               writeFile(dir, "p.html", page("t", "x")), true);
    QPointer<Lisorel> guard(viewer);
    QSignalSpy spy(viewer, &Lisorel::FermetureBrowser);
    if (how == QLatin1String("close")) {
        viewer->close();
    } else if (how == QLatin1String("action")) {
        action(viewer, "fileQuitAct")->trigger();
    } else if (how == QLatin1String("key")) {
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        QTest::keySequence(viewer->textBrowser, QKeySequence(QStringLiteral("Ctrl+Q")));
    } else {
        viewer->slotFileQuit();
    }
    QCOMPARE(spy.count(), 1);
    QVERIFY(guard);
    QVERIFY(!guard->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(guard.isNull());
    QCOMPARE(spy.count(), 1);
}

void TestLisorel::hoverShowsLinkAddress()
{
    QTemporaryDir dir;
    writeFile(dir, "suite.html", page("Suite", "fin"));
    const QString path = writeFile(
        dir, "p.html", page("t", "<p>Voir <a href=\"suite.html\">la suite du texte</a></p>"));
    Viewer v(QStringLiteral("Lisorel"), path, true);
    QVERIFY(QTest::qWaitForWindowExposed(v.w));
    QWidget *viewport = v->textBrowser->viewport();
    QTest::mouseMove(viewport, linkPosition(v->textBrowser, QStringLiteral("la suite du texte")));
    QTRY_COMPARE(v->statusBar()->currentMessage(),
                 QUrl::fromLocalFile(dir.filePath(QStringLiteral("suite.html"))).toString());
    QTest::mouseMove(viewport, QPoint(viewport->width() - 5, viewport->height() - 5));
    QTRY_COMPARE(v->statusBar()->currentMessage(), QString());
}

// Following a link, then back, forward and home from their shortcuts: the page and
// the title follow each move, and pages reached by a link keep their accents.
void TestLisorel::navigation()
{
    QTemporaryDir dir;
    writeFile(dir, "deux.html", page("Deuxi\xe8me", "<p>page deux, \xe9t\xe9</p>"));
    const QString first = writeFile(
        dir, "un.html", page("Premi\xe8re", "<p><a href=\"deux.html\">vers deux</a></p>"));
    Viewer v(QStringLiteral("Lisorel"), first, true);
    QTextBrowser *browser = v->textBrowser;
    v->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(v.w));
    QCOMPARE(v->windowTitle(), QStringLiteral("Lisorel - Première"));
    QVERIFY(!browser->isBackwardAvailable());

    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {},
                      linkPosition(browser, QStringLiteral("vers deux")));
    QTRY_COMPARE(v->windowTitle(), QStringLiteral("Lisorel - Deuxième"));
    QCOMPARE(browser->toPlainText(), QStringLiteral("page deux, été"));
    QVERIFY(browser->isBackwardAvailable());

    const struct
    {
        const char *keys;
        const char *title;
    } moves[] = {{"Alt+Left", "Lisorel - Première"},
                 {"Alt+Right", "Lisorel - Deuxième"},
                 {"Alt+Up", "Lisorel - Première"}};
    for (const auto &move : moves) {
        QTest::keySequence(browser, QKeySequence(QLatin1String(move.keys)));
        QCOMPARE(v->windowTitle(), QString::fromUtf8(move.title));
    }

    // F5 reads the page again from disk.
    writeFile(dir, "un.html", page("Nouvelle", "<p>chang\xe9</p>"));
    QTest::keySequence(browser, QKeySequence(QStringLiteral("F5")));
    QCOMPARE(v->windowTitle(), QStringLiteral("Lisorel - Nouvelle"));
    QCOMPARE(browser->toPlainText(), QStringLiteral("changé"));
}

void TestLisorel::reloadKeepsPlace_data()
{
    QTest::addColumn<bool>("readerMoves");
    QTest::newRow("F5") << false;
    QTest::newRow("F5, then Home before the page's size is known") << true;
}

// A page this long is laid out in steps: F5 takes the reader back to his place
// once the scroll bars know the page's size, unless he has gone elsewhere by then.
void TestLisorel::reloadKeepsPlace()
{
    QFETCH(bool, readerMoves);
    QTemporaryDir dir;
    QByteArray body;
    for (int i = 0; i < 10000; ++i)
        body += "<p>paragraphe " + QByteArray::number(i) + "</p>";
    Viewer v(QStringLiteral("Lisorel"), writeFile(dir, "long.html", page("Long", body)), true);
    QScrollBar *scroll = v->textBrowser->verticalScrollBar();
    QTRY_VERIFY(scroll->maximum() > 100000);
    scroll->setValue(scroll->maximum() / 2);
    const int place = scroll->value();

    QTest::keyClick(v->textBrowser, Qt::Key_F5);
    QVERIFY(scroll->value() < place); // not known yet: else this row tests nothing
    if (readerMoves)
        QTest::keyClick(v->textBrowser, Qt::Key_Home);
    QTRY_VERIFY(scroll->maximum() >= place);
    QCOMPARE(scroll->value(), readerMoves ? 0 : place);
}

// The print command prints the displayed document; the tests print into PDF files.
void TestLisorel::printIntoPdf()
{
    QTemporaryDir dir;
    Viewer v(QStringLiteral("Lisorel"),
             writeFile(dir, "p.html", page("t", "<h1>Titre</h1><p>\xe9t\xe9</p>")), true);
    const QString pdf = dir.filePath(QStringLiteral("sortie.pdf"));
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    v->imprimeDocument(&printer);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.size() > 500);
    QVERIFY(file.read(5) == "%PDF-");
}

// Ctrl+P opens Qt's print dialog; printing to a PDF file from it writes that file,
// cancelling it prints nothing.
void TestLisorel::printDialog_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted") << true;
    QTest::newRow("cancelled") << false;
}

void TestLisorel::printDialog()
{
    QFETCH(bool, accept);
    QTemporaryDir dir;
    Viewer v(QStringLiteral("Lisorel"), writeFile(dir, "p.html", page("t", "<p>texte</p>")), true);
    const QString pdf = dir.filePath(QStringLiteral("dialogue.pdf"));
    bool seen = false;
    whenModalShows([&](QWidget *modal) {
        seen = true;
        auto *dialog = qobject_cast<QPrintDialog *>(modal);
        QVERIFY(dialog);
        auto *printers = dialog->findChild<QComboBox *>(QStringLiteral("printers"));
        auto *fileName = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
        QVERIFY(printers && fileName);
        const int toFile = printers->findText(QStringLiteral("Print to File (PDF)"));
        QVERIFY(toFile >= 0);
        printers->setCurrentIndex(toFile);
        fileName->setText(pdf);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
    v->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(v.w));
    QTest::keySequence(v->textBrowser, QKeySequence(QStringLiteral("Ctrl+P")));
    QVERIFY(seen);
    QVERIFY(!closeStrayModals());
    QFileInfo written(pdf);
    QCOMPARE(written.exists(), accept);
    if (accept)
        QVERIFY(written.size() > 500);
}

void TestLisorel::aboutBoxes_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textStart");
    QTest::newRow("viewer") << "helpAboutAct"
                            << "A propos de l'afficheur de textes..."
                            << "Lisorel - afficheur de textes\nVersion 0.2 pour Windows\n";
    QTest::newRow("Qt") << "helpAboutQtAct"
                        << "Lisorel - afficheur de textes"
                        << "<h3>About Qt</h3>";
}

void TestLisorel::aboutBoxes()
{
    QFETCH(QString, actionName);
    QFETCH(QString, title);
    QFETCH(QString, textStart);
    QTemporaryDir dir;
    Viewer v(QStringLiteral("Lisorel"), writeFile(dir, "p.html", page("t", "x")), true);
    QString seenTitle;
    QString seenText;
    QWidget *seenParent = nullptr;
    whenModalShows([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        seenTitle = box->windowTitle();
        seenText = box->text();
        seenParent = box->parentWidget();
        box->accept();
    });
    action(v.w, actionName.toLatin1().constData())->trigger();
    QCOMPARE(seenTitle, title);
    QVERIFY2(seenText.startsWith(textStart), qPrintable(seenText));
    QVERIFY(seenText.size() > textStart.size());
    QCOMPARE(seenParent, v.w.data());
}

QTEST_MAIN(TestLisorel)
#include "tst_lisorel.moc"
