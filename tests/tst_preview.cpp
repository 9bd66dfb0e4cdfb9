#include "dialoganswers.h"
#include "lisorel.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>
#include <QUrl>

using namespace TestSupport;

namespace {

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qWarning("cannot write %s", qPrintable(path));
    return path;
}

QByteArray page(const QByteArray &title, const QByteArray &body)
{
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

QList<Lisorel *> openViewers()
{
    QList<Lisorel *> viewers;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (auto *viewer = qobject_cast<Lisorel *>(top); viewer && viewer->isVisible())
            viewers << viewer;
    return viewers;
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Closes whatever viewer a test left open, so that none leaks into the next test.
void closeViewers()
{
    for (Lisorel *viewer : openViewers())
        viewer->close();
    processDeferredDeletes();
}

// Takes the URLs handed to the desktop, so that no test starts a real browser.
class UrlCatcher : public QObject
{
    Q_OBJECT

public slots:
    void ouvre(const QUrl &url) { urls << url; }

public:
    QList<QUrl> urls;
};

} // namespace

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void secondCommandReloadsSameWindow();
    void previewFollowsCurrentFile();
    void closedPreviewGivesFreshWindow_data();
    void closedPreviewGivesFreshWindow();
    void plainTextPreview_data();
    void plainTextPreview();
    void newDocumentPreviewIsEmpty_data();
    void newDocumentPreviewIsEmpty();
    void previewSaysWhatItShows_data();
    void previewSaysWhatItShows();
    void previewFollowsSaves_data();
    void previewFollowsSaves();
    void previewInEditorsEncoding_data();
    void previewInEditorsEncoding();
    void desktopBrowser_data();
    void desktopBrowser();
    void editorDestructionDeletesPreview();
    void helpOpensNewWindows();
    void helpWithoutManualSaysWhereItLooked();
    void closingEditorClosesViewers();
    void aboutBoxes_data();
    void aboutBoxes();
};

void TestPreview::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestPreview::cleanup()
{
    closeStrayModals();
    closeViewers();
}

// The preview shows the file on disk: a second command reads it again into the one
// window, and unsaved edits do not show.
void TestPreview::secondCommandReloadsSameWindow()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString file = writeFile(f.dir.filePath(QStringLiteral("page.html")),
                                   page("Premi\xe8re", "<p>premi\xe8re version</p>"));
    w.setCurrentFile(file);
    QAction *preview = action(f.window, "navigateurAct");
    preview->trigger();
    QPointer<Lisorel> viewer = w.browser();
    QVERIFY(viewer);
    QVERIFY(viewer->isVisible());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Lisorel - Première"));
    QCOMPARE(viewer->textBrowser->toPlainText(), QStringLiteral("première version"));

    w.textEdit()->insertPlainText(QStringLiteral("pas encore enregistré"));
    writeFile(file, page("Seconde", "<p>seconde version, \xe9t\xe9</p>"));
    preview->trigger();
    QCOMPARE(w.browser(), viewer.data());
    QCOMPARE(openViewers().size(), 1);
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Lisorel - Seconde"));
    QCOMPARE(viewer->textBrowser->toPlainText(), QStringLiteral("seconde version, été"));
}

// After Save As the preview command shows the new file in the same window.
void TestPreview::previewFollowsCurrentFile()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    w.setCurrentFile(writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A", "a")));
    action(f.window, "navigateurAct")->trigger();
    QPointer<Lisorel> viewer = w.browser();
    QVERIFY(viewer);

    const QString renamed = writeFile(f.dir.filePath(QStringLiteral("b.htm")), page("B", "b"));
    w.setCurrentFile(renamed);
    action(f.window, "navigateurAct")->trigger();
    QCOMPARE(w.browser(), viewer.data());
    QCOMPARE(openViewers().size(), 1);
    QCOMPARE(viewer->textBrowser->source(), QUrl::fromLocalFile(renamed));
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Lisorel - B"));
    QCOMPARE(viewer->textBrowser->toPlainText(), QStringLiteral("b"));
}

// Closing the preview, by any means, tells the editor once; the window is destroyed
// once (a second deletion would crash here or under the address sanitizer), and the
// next command opens a new window with a history of its own.
void TestPreview::closedPreviewGivesFreshWindow_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("window frame") << QStringLiteral("close");
    QTest::newRow("Fermer entry") << QStringLiteral("action");
}

void TestPreview::closedPreviewGivesFreshWindow()
{
    QFETCH(QString, how);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString second = writeFile(f.dir.filePath(QStringLiteral("b.html")), page("B", "b"));
    w.setCurrentFile(
        writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A", "<a href=\"b.html\">b</a>")));
    action(f.window, "navigateurAct")->trigger();
    QPointer<Lisorel> first = w.browser();
    QVERIFY(first);
    first->textBrowser->setSource(QUrl::fromLocalFile(second));
    QVERIFY(first->textBrowser->isBackwardAvailable());

    QSignalSpy spy(first.data(), &Lisorel::FermetureBrowser);
    if (how == QLatin1String("close"))
        first->close();
    else
        action(first, "fileQuitAct")->trigger();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(w.browser(), nullptr);
    processDeferredDeletes();
    QVERIFY(first.isNull());

    action(f.window, "navigateurAct")->trigger();
    QPointer<Lisorel> again = w.browser();
    QVERIFY(again);
    QCOMPARE(openViewers().size(), 1);
    QCOMPARE(again->windowTitle(), QStringLiteral("Lisorel - A"));
    QVERIFY(!again->textBrowser->isBackwardAvailable());
    QVERIFY(!again->textBrowser->isForwardAvailable());

    // The new window is remembered as the first was: closing it clears it too.
    again->close();
    QCOMPARE(w.browser(), nullptr);
    processDeferredDeletes();
    QVERIFY(again.isNull());
}

// A plain-text document is previewed as text, read as the editor wrote it, and
// stays text with its title through F5 and further preview commands.
void TestPreview::plainTextPreview_data()
{
    QTest::addColumn<QString>("then"); // the command after the first preview
    QTest::addColumn<bool>("removed"); // the file is gone before that command
    QTest::newRow("first preview") << QString() << false;
    QTest::newRow("F5") << "rechargerAct" << false;
    QTest::newRow("second preview command") << "navigateurAct" << false;
    // The old text is no longer on disk: showing it would mislead.
    QTest::newRow("F5 once the file is gone") << "rechargerAct" << true;
}

void TestPreview::plainTextPreview()
{
    QFETCH(QString, then);
    QFETCH(bool, removed);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString file = f.dir.filePath(QStringLiteral("notes.txt"));
    w.setCurrentFile(writeFile(file, "<p>caf\xe9 d'\xe9t\xe9</p>"));
    w.isHtml() = false;
    action(f.window, "navigateurAct")->trigger();
    QPointer<Lisorel> viewer = w.browser();
    QVERIFY(viewer);
    QByteArray expected = "<p>caf\xe9 d'\xe9t\xe9</p>";
    if (!then.isNull()) {
        expected = removed ? QByteArray() : QByteArray("<h1>version 2</h1>");
        if (removed)
            QVERIFY(QFile::remove(file));
        else
            writeFile(file, expected);
        QWidget *owner = then == QLatin1String("rechargerAct") ? static_cast<QWidget *>(viewer)
                                                               : f.window.data();
        action(owner, then)->trigger();
    }
    QCOMPARE(w.browser(), viewer.data());
    QCOMPARE(viewer->windowTitle(), QStringLiteral("Lisorel - notes.txt"));
    QCOMPARE(viewer->textBrowser->toPlainText(), QString::fromLatin1(expected));
}

// A document never saved has no file: the preview is an empty page titled with the
// caption alone, also in a preview window that showed another page before.
void TestPreview::newDocumentPreviewIsEmpty_data()
{
    QTest::addColumn<bool>("previewOpen");
    QTest::newRow("first preview") << false;
    QTest::newRow("after a page, Nouveau") << true;
}

void TestPreview::newDocumentPreviewIsEmpty()
{
    QFETCH(bool, previewOpen);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    if (previewOpen) {
        w.setCurrentFile(writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A", "a")));
        action(f.window, "navigateurAct")->trigger();
        action(f.window, "fileNewAct")->trigger();
    }
    w.textEdit()->insertPlainText(QStringLiteral("<p>jamais enregistré</p>"));
    action(f.window, "navigateurAct")->trigger();
    QVERIFY(w.browser());
    QVERIFY(w.browser()->isVisible());
    QCOMPARE(w.browser()->textBrowser->toPlainText(), QString());
    QCOMPARE(w.browser()->windowTitle(), QStringLiteral("Lisorel"));
    action(f.window, "navigateurAct")->trigger();
    QCOMPARE(openViewers().size(), 1);
    // "Origine" goes back to the page shown before the empty one, which F5 then
    // reads again.
    if (previewOpen) {
        action(w.browser(), "origineAct")->trigger();
        writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A2", "a"));
        action(w.browser(), "rechargerAct")->trigger();
        QCOMPARE(w.browser()->windowTitle(), QStringLiteral("Lisorel - A2"));
    }
}

// The preview shows the saved file: the status bar says so when the editor holds
// more than that, until a save brings the preview up to date.
void TestPreview::previewSaysWhatItShows_data()
{
    QTest::addColumn<bool>("saved");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("message");
    QTest::newRow("saved, unchanged") << true << false << QString();
    QTest::newRow("saved, then changed")
        << true << true
        << QStringLiteral("Aperçu de la dernière version enregistrée\u00a0: Ctrl+S pour y voir "
                          "vos modifications");
    QTest::newRow("never saved")
        << false << true
        << QStringLiteral("Aperçu vide\u00a0: enregistrez d'abord le document (Ctrl+S)");
}

void TestPreview::previewSaysWhatItShows()
{
    QFETCH(bool, saved);
    QFETCH(bool, modified);
    QFETCH(QString, message);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    auto *notice = f.window->statusBar()->findChild<QLabel *>(QStringLiteral("annonceApercu"));
    QVERIFY(notice);
    const auto said = [&] { return notice->isVisibleTo(f.window) ? notice->text() : QString(); };
    if (saved)
        w.setCurrentFile(writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A", "a")));
    if (modified)
        w.textEdit()->insertPlainText(QStringLiteral("<p>pas encore enregistré</p>"));
    // The pointer rests on the preview's button when the command runs; the notice
    // shows once it leaves, and again on a second command.
    QStatusTipEvent over(QStringLiteral("Montre le texte dans un navigateur"));
    QApplication::sendEvent(f.window, &over);
    action(f.window, "navigateurAct")->trigger();
    QStatusTipEvent leaving {QString()};
    QApplication::sendEvent(f.window, &leaving);
    QCOMPARE(said(), message);
    action(f.window, "navigateurAct")->trigger();
    QCOMPARE(said(), message);
    if (saved) {
        action(f.window, "fileSaveAct")->trigger();
        QCOMPARE(said(), QString());
    }
}

// When the document shown in the preview is saved, the preview shows it as saved
// by itself, at the same place when its name did not change; a preview that went
// on to another page stays there.
void TestPreview::previewFollowsSaves_data()
{
    QTest::addColumn<bool>("named"); // false: a new document, saved for the first time
    QTest::addColumn<bool>("elsewhere"); // the preview went on to another page
    QTest::addColumn<bool>("shorter"); // saved shorter than the place the preview had
    QTest::newRow("Ctrl+S") << true << false << false;
    QTest::newRow("first save of a new document") << false << false << false;
    QTest::newRow("preview gone on to another page") << true << true << false;
    // The place the preview had was still wanted at the next change of size, and
    // the preview jumped to its end.
    QTest::newRow("Ctrl+S on a page saved shorter, then resized") << true << false << true;
}

void TestPreview::previewFollowsSaves()
{
    QFETCH(bool, named);
    QFETCH(bool, elsewhere);
    QFETCH(bool, shorter);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QByteArray longBody;
    for (int i = 0; i < 400; ++i)
        longBody += "<p>paragraphe " + QByteArray::number(i) + "</p>";
    const QString autre
        = writeFile(f.dir.filePath(QStringLiteral("autre.html")), page("Autre", "autre page"));
    if (named) {
        QVERIFY(openThroughDialog(
            f.window,
            writeFile(f.dir.filePath(QStringLiteral("a.html")), page("Ancien", longBody))));
    }
    action(f.window, "navigateurAct")->trigger();
    QPointer<Lisorel> viewer = w.browser();
    QVERIFY(viewer);
    if (elsewhere)
        viewer->textBrowser->setSource(QUrl::fromLocalFile(autre));
    QScrollBar *scroll = viewer->textBrowser->verticalScrollBar();
    QTRY_VERIFY(scroll->maximum() > 1000 || !named || elsewhere);
    scroll->setValue(scroll->maximum() / 2);
    const int place = scroll->value();

    QByteArray shortBody;
    for (int i = 0; i < 40; ++i)
        shortBody += "<p>" + QByteArray::number(i) + "</p>";
    w.textEdit()->setPlainText(
        QString::fromLatin1(page("Nouveau titre", shorter ? shortBody : longBody)));
    DialogAnswers answers;
    if (!named)
        answers.choose(f.dir.filePath(QStringLiteral("c.html")));
    action(f.window, "fileSaveAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(w.browser(), viewer.data());
    QCOMPARE(viewer->windowTitle(),
             elsewhere ? QStringLiteral("Lisorel - Autre")
                       : QStringLiteral("Lisorel - Nouveau titre"));
    if (named && !elsewhere && !shorter) {
        QVERIFY(place > 0);
        QTRY_COMPARE(scroll->value(), place);
    }
    if (shorter) {
        // Where the page is then left, it stays when the window changes size.
        QCOMPARE(scroll->value(), scroll->maximum());
        scroll->setValue(0);
        QTest::qWait(50);
        QCOMPARE(scroll->value(), 0);
        const int range = scroll->maximum();
        viewer->resize(viewer->width(), viewer->height() - 100);
        QTRY_VERIFY(scroll->maximum() > range);
        QTest::qWait(50);
        QCOMPARE(scroll->value(), 0);
    }
}

void TestPreview::previewInEditorsEncoding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("command"); // a list of the encoding label's menu
    QTest::addColumn<bool>("previewFirst"); // the preview is open before the command
    QTest::newRow("page read again, then previewed") << "page.html"
                                                     << "rouvrir" << false;
    QTest::newRow("page read again while previewed") << "page.html"
                                                     << "rouvrir" << true;
    QTest::newRow("plain text read again, then previewed") << "notes.txt"
                                                           << "rouvrir" << false;
    QTest::newRow("page saved in windows-1251 while previewed") << "page.html"
                                                                << "enregistrer" << true;
}

// A file that declares nothing and that the reading rule cannot tell, shown in the
// editor in windows-1251 ("Rouvrir avec l'encodage", or saved so), shows in
// windows-1251 in the preview, not as "Ïðèâåò".
void TestPreview::previewInEditorsEncoding()
{
    QFETCH(QString, name);
    QFETCH(QString, command);
    QFETCH(bool, previewFirst);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString text = QStringLiteral("<p>Привет</p>");
    const QString file = f.dir.filePath(name);
    // Saved in windows-1251, the page is first read as UTF-8.
    writeFile(file,
              QStringEncoder(command == QLatin1String("rouvrir") ? "windows-1251" : "UTF-8")
                  .encode(text));
    QVERIFY(openThroughDialog(f.window, file));
    if (previewFirst)
        action(f.window, "navigateurAct")->trigger();

    QTest::mouseClick(f.window->findChild<QLabel *>(QStringLiteral("labelEncodage")),
                      Qt::LeftButton);
    auto *menu = f.window->findChild<QMenu *>(QStringLiteral("encodageMenu"));
    QVERIFY(menu);
    menu->hide();
    auto *choice = menu->findChild<QAction *>(command + QStringLiteral("EncodageAct windows-1251"));
    QVERIFY(choice);
    choice->trigger();
    QCOMPARE(w.textEdit()->toPlainText(), text);
    QCOMPARE(QString(QStringDecoder("windows-1251").decode(readBytes(file))), text);

    if (!previewFirst)
        action(f.window, "navigateurAct")->trigger();
    QVERIFY(w.browser());
    const QString shown = w.browser()->textBrowser->toPlainText();
    QCOMPARE(shown, name.endsWith(QLatin1String(".html")) ? QStringLiteral("Привет") : text);
    action(w.browser(), "rechargerAct")->trigger();
    QCOMPARE(w.browser()->textBrowser->toPlainText(), shown);
}

void TestPreview::desktopBrowser_data()
{
    QTest::addColumn<QString>("name"); // of the saved document, none when never saved
    QTest::addColumn<bool>("modified");
    QTest::addColumn<bool>("starts"); // the desktop starts a browser
    QTest::addColumn<bool>("handed"); // the page's URL is handed to the desktop
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("box");
    QTest::newRow("saved page") << "a.html" << false << true << true << QString() << QString();
    QTest::newRow("saved, then changed")
        << "a.html" << true << true << true
        << QStringLiteral("Aperçu de la dernière version enregistrée\u00a0: Ctrl+S pour y voir "
                          "vos modifications")
        << QString();
    QTest::newRow("never saved") << QString() << true << true << false
                                 << QStringLiteral(
                                        "Enregistrez d'abord le document (Ctrl+S)\u00a0: "
                                        "le navigateur montre la page enregistrée")
                                 << QString();
    QTest::newRow("a php page")
        << "a.php" << false << true << false
        << QStringLiteral("Le navigateur du bureau ne montre que les pages .htm et .html")
        << QString();
    QTest::newRow("nothing started") << "a.html" << false << false << true << QString()
                                     << QStringLiteral("Marlisse | Aucun navigateur n'a pu être "
                                                       "lancé pour montrer la page ");
}

// Shift+F5 hands the saved page to the desktop's browser, and says what it cannot show.
void TestPreview::desktopBrowser()
{
    QFETCH(QString, name);
    QFETCH(bool, modified);
    QFETCH(bool, starts);
    QFETCH(bool, handed);
    QFETCH(QString, notice);
    QFETCH(QString, box);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QString path;
    if (!name.isEmpty()) {
        path = writeFile(f.dir.filePath(name), page("A", "a"));
        w.setCurrentFile(path);
    }
    if (modified)
        w.textEdit()->insertPlainText(QStringLiteral("<p>pas encore enregistré</p>"));
    UrlCatcher catcher;
    // A handler without that slot makes the desktop report a failure.
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, starts ? "ouvre" : "absente");
    if (!starts)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No such method")));
    DialogAnswers answers;
    if (!box.isEmpty())
        answers.press(QStringLiteral("OK"));
    QAction *navigateur = action(f.window, "navigateurBureauAct");
    QVERIFY(navigateur->isEnabled());
    navigateur->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().value(0).left(box.size()), box);
    QCOMPARE(catcher.urls,
             handed && starts ? QList<QUrl> {QUrl::fromLocalFile(path)} : QList<QUrl>());
    auto *label = f.window->statusBar()->findChild<QLabel *>(QStringLiteral("annonceApercu"));
    QCOMPARE(label->text(), notice);
    QVERIFY(openViewers().isEmpty());
}

void TestPreview::editorDestructionDeletesPreview()
{
    QPointer<Lisorel> viewer;
    {
        EditorFixture f;
        KalTextEditTestAccess w(f.window);
        w.setCurrentFile(writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A", "a")));
        action(f.window, "navigateurAct")->trigger();
        viewer = w.browser();
        QVERIFY(viewer);
    }
    QVERIFY(viewer.isNull());
    processDeferredDeletes();
}

// Each F1 opens one more help window on the manual's first page; the editor keeps none.
void TestPreview::helpOpensNewWindows()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(QDir().mkpath(w.helpDir()));
    writeFile(w.helpDir() + QStringLiteral("/index.html"),
              page("Manuel d'\xe9t\xe9", "<p>Sommaire du manuel</p>"));
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    for (int press = 0; press < 3; ++press)
        QTest::keyClick(w.textEdit(), Qt::Key_F1);

    const QList<Lisorel *> viewers = openViewers();
    QCOMPARE(viewers.size(), 3);
    for (Lisorel *viewer : viewers) {
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Marlisse - Manuel d'été"));
        QCOMPARE(viewer->textBrowser->toPlainText(), QStringLiteral("Sommaire du manuel"));
    }
    QCOMPARE(w.browser(), nullptr);

    // Closing a help window leaves the others and the preview state alone.
    QPointer<Lisorel> closed = viewers.first();
    closed->close();
    processDeferredDeletes();
    QVERIFY(closed.isNull());
    QCOMPARE(openViewers().size(), 2);
    QCOMPARE(w.browser(), nullptr);
}

// A copy of the program without its manual opened an empty help window; it says
// where it looked instead, and opens nothing.
void TestPreview::helpWithoutManualSaysWhereItLooked()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString folder = f.programFolder();
    DialogAnswers answers;
    answers.press(QStringLiteral("OK"));
    action(f.window, "aideAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log(),
             QStringList({QStringLiteral("Manuel d'aide | Le manuel d'aide est introuvable. "
                                         "Marlisse l'a cherché ici\u00a0:\n%1\n%2")
                              .arg(folder + QStringLiteral("/AideMarlisse/index.html"),
                                   QDir::cleanPath(folder
                                                   + QStringLiteral("/../share/marlisse/"
                                                                    "AideMarlisse/index.html")))}));
    QCOMPARE(openViewers().size(), 0);
}

void TestPreview::closingEditorClosesViewers()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(QDir().mkpath(w.helpDir()));
    writeFile(w.helpDir() + QStringLiteral("/index.html"), page("Manuel", "aide"));
    w.setCurrentFile(writeFile(f.dir.filePath(QStringLiteral("a.html")), page("A", "a")));
    action(f.window, "navigateurAct")->trigger();
    action(f.window, "aideAct")->trigger();
    action(f.window, "aideAct")->trigger();
    QList<QPointer<Lisorel>> viewers;
    for (Lisorel *viewer : openViewers())
        viewers << viewer;
    QCOMPARE(viewers.size(), 3);
    QSignalSpy spy(w.browser(), &Lisorel::FermetureBrowser);

    QVERIFY(f.window->close());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(w.browser(), nullptr);
    QCOMPARE(openViewers().size(), 0);
    processDeferredDeletes();
    for (const QPointer<Lisorel> &viewer : viewers)
        QVERIFY(viewer.isNull());
}

void TestPreview::aboutBoxes_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("textStart");
    QTest::newRow("editor") << "helpAboutAct"
                            << "A propos..."
                            << "Marlisse - Editeur de texte avec balises HTML\nVersion 2.1\n";
    QTest::newRow("Qt") << "helpAboutQtAct"
                        << "Marlisse 2.1 - Editeur de texte avec balises HTML"
                        << "<h3>About Qt</h3>";
}

void TestPreview::aboutBoxes()
{
    QFETCH(QString, actionName);
    QFETCH(QString, title);
    QFETCH(QString, textStart);
    EditorFixture f;
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
    action(f.window, actionName.toLatin1().constData())->trigger();
    QCOMPARE(seenTitle, title);
    QVERIFY2(seenText.startsWith(textStart), qPrintable(seenText));
    QVERIFY(seenText.size() > textStart.size());
    QCOMPARE(seenParent, f.window.data());
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
