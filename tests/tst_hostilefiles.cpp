// Hostile files and folders: whatever the disk holds or does, the editor says what
// happened in a box the user can read, never hangs, and loses nothing that was
// typed or saved before.

#include "dialoganswers.h"
#include "montextedit.h"
#include "piperescue.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <memory>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace TestSupport;

class TestHostileFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void binaryFileRoundTrip_data();
    void binaryFileRoundTrip();
    void hugeFileRefused_data();
    void hugeFileRefused();
    void largeFileUnderWaitCursor();
    void notARegularFileToOpen_data();
    void notARegularFileToOpen();
    void notARegularFileToSaveOver_data();
    void notARegularFileToSaveOver();
    void unwritableFolder_data();
    void unwritableFolder();
    void fullFileSystem_data();
    void fullFileSystem();
    void awkwardNames_data();
    void awkwardNames();
    void symbolicLinks_data();
    void symbolicLinks();
    void preferencesFile_data();
    void preferencesFile();
};

namespace {

const QByteArray optionsHeader
    = "Fichier cr\xc3\xa9\xc3\xa9 par Marlisse pour enregistrer les pr\xc3\xa9\x66\xc3\xa9rences "
      "de l'utilisateur\nNE PAS MODIFIER MANUELLEMENT\n";

const qint64 mebibyte = 1024 * 1024;

// A file of that size made of holes: no time and no disk space spent.
bool writeSparse(const QString &path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

// A character device of our own in a temporary folder (1,3 is the null device and
// 1,5 the zero device): should the program ever replace it, no system file goes.
bool makeDevice(const QString &path, unsigned minor)
{
    return ::mknod(nativePath(path).constData(), S_IFCHR | 0666, makedev(1, minor)) == 0;
}

// The kind of what stands at path, links not followed: 'f' file, 'd' folder,
// 'p' pipe, 'c' character device, 'l' link, '-' nothing.
char kindAt(const QString &path)
{
    struct stat info;
    if (::lstat(nativePath(path).constData(), &info) != 0)
        return '-';
    if (S_ISREG(info.st_mode))
        return 'f';
    if (S_ISDIR(info.st_mode))
        return 'd';
    if (S_ISFIFO(info.st_mode))
        return 'p';
    if (S_ISCHR(info.st_mode))
        return 'c';
    if (S_ISLNK(info.st_mode))
        return 'l';
    return '?';
}

// Types path in a save dialog and accepts it, pressing "Yes" on the question the
// dialog asks itself when the name exists (DialogAnswers' timer cannot fire while
// one of its answers runs). question receives the text of that question.
DialogAnswers::Answer chooseConfirming(const QString &path, QString *question)
{
    return [path, question](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog)
            return;
        QTimer confirm;
        confirm.setInterval(5);
        QObject::connect(&confirm, &QTimer::timeout, &confirm, [&confirm, question] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                confirm.stop();
                *question = box->text();
                clickButton(box, QStringLiteral("Yes"));
            }
        });
        confirm.start();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        static_cast<QDialog *>(dialog)->accept();
    };
}

// Chooses path in an open dialog as a click in its list of files does.
DialogAnswers::Answer clickInList(const QString &path)
{
    return [path](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        auto *list = dialog ? dialog->findChild<QListView *>(QStringLiteral("listView")) : nullptr;
        auto *files = list ? qobject_cast<QFileSystemModel *>(list->model()) : nullptr;
        if (!files)
            return;
        dialog->setDirectory(QFileInfo(path).absolutePath());
        list->selectionModel()->select(
            files->index(path), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        static_cast<QDialog *>(dialog)->accept();
    };
}

qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// How far the peak resident size of the process rose while it lived.
class MemoryPeak
{
public:
    MemoryPeak()
    {
        // Writing 5 there starts the peak afresh from the present size.
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        known = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
        clear.close();
        start = statusKb("VmRSS:");
        known = known && start > 0;
    }

    bool isKnown() const { return known; }
    qint64 growthMb() const { return (statusKb("VmHWM:") - start) / 1024; }

private:
    bool known = false;
    qint64 start = 0;
};

// Well below what reading the hostile files whole would take, well above what a
// window and its dialogs need, sanitizers included.
const qint64 memoryBoundMb = 64;

struct Before
{
    QString text;
    bool modified;
    QString file;
    QString title;
    QString folder;
    bool html;
};

Before stateOf(KalTextEdit *window)
{
    KalTextEditTestAccess w(window);
    return {w.textEdit()->toPlainText(),
            w.textEdit()->document()->isModified(),
            w.currentFile(),
            window->windowTitle(),
            w.currentDir(),
            w.isHtml()};
}

bool unchanged(KalTextEdit *window, const Before &before)
{
    const Before now = stateOf(window);
    const bool same = now.text == before.text && now.modified == before.modified
        && now.file == before.file && now.title == before.title && now.folder == before.folder
        && now.html == before.html;
    if (!same)
        qWarning("state changed: title %s, file %s, modified %d, %lld characters",
                 qPrintable(now.title), qPrintable(now.file), now.modified,
                 qint64(now.text.size()));
    return same;
}

// Types text as a keyboard does: one key press a character (keyClicks takes
// only ASCII).
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A document with unsaved work in it: what must never be lost.
void typeUnsavedWork(KalTextEdit *window)
{
    KalTextEditTestAccess w(window);
    w.textEdit()->moveCursor(QTextCursor::End);
    typeText(w.textEdit(), QStringLiteral("<p>non enregistr\xe9</p>"));
}

} // namespace

void TestHostileFiles::initTestCase()
{
    init();
    QApplication::setQuitOnLastWindowClosed(false);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestHostileFiles::binaryFileRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("text");
    const auto latin1 = [](const QByteArray &bytes) { return QString::fromLatin1(bytes); };

    const QByteArray nuls("<p>\0\0\0</p>\n\0", 13);
    QTest::newRow("NUL bytes, page") << "page.html" << nuls << nuls << latin1(nuls);
    const QByteArray invalid("\xc3\x28 \xa0\xa1 \xe2\x28\xa1 \xf0\x28\x8c\xbc \xc0\xaf "
                             "\xed\xa0\x80 \xf8\x88\x80\x80\x80 \xff\xfe\xfd\n");
    QTest::newRow("invalid UTF-8 sequences, text")
        << "donnees.bin" << invalid << invalid << latin1(invalid);
    QTest::newRow("invalid UTF-8 sequences, page")
        << "donnees.html" << invalid << invalid << latin1(invalid);
    const QByteArray utf16("\xff\xfe<\0p\0>\0\xe9\0\n\0", 12);
    QTest::newRow("UTF-16 with byte order mark") << "utf16.html" << utf16 << utf16 << "<p>é\n";
    const QByteArray utf8("\xef\xbb\xbf<p>\xc3\xa9t\xc3\xa9 \xe2\x82\xac</p>\n");
    QTest::newRow("UTF-8 with byte order mark") << "utf8.html" << utf8 << utf8 << "<p>été €</p>\n";
    const QByteArray utf8Nuls("<p>\xc3\xa9\0\0</p>", 11);
    QTest::newRow("NUL bytes in UTF-8")
        << "nuls.html" << utf8Nuls << utf8Nuls
        << QStringLiteral("<p>é") + QString(2, QChar(0)) + QStringLiteral("</p>");
    QTest::newRow("only a byte-order mark")
        << "marque.txt" << QByteArray("\xef\xbb\xbf") << QByteArray("\xef\xbb\xbf") << "";
    QTest::newRow("empty file") << "vide.txt" << QByteArray() << QByteArray() << "";
    const QByteArray controls("\x0c\x1b[0m\x7f\x85\x9f\x0b\x08\x01\n");
    QTest::newRow("control bytes") << "controles.txt" << controls << controls << latin1(controls);
    QTest::newRow("64 KiB of NUL bytes on one line")
        << "zeros.bin" << QByteArray(65536, '\0') << QByteArray(65536, '\0')
        << QString(65536, QChar(0));

    QByteArray noise(int(mebibyte), Qt::Uninitialized);
    QRandomGenerator random(4242);
    for (char &byte : noise)
        byte = char(random.bounded(256));
    // A CR is a line end to the editor (below); every other byte is kept.
    noise.replace('\r', 'x');
    QTest::newRow("one MiB of random bytes but CR")
        << "bruit.bin" << noise << noise << latin1(noise);

    // Files are read as text: a CR LF line end, or a lone CR, is one line end to the
    // editor, and the file is written back with the line ends it had.
    QTest::newRow("CR LF line ends kept")
        << "dos.bin" << QByteArray("a\r\n\0b\r\n", 7) << QByteArray("a\r\n\0b\r\n", 7)
        << latin1(QByteArray("a\n\0b\n", 5));
    QTest::newRow("lone CRs kept")
        << "mac.txt" << QByteArray("a\rb\r\rc\r") << QByteArray("a\rb\r\rc\r") << "a\nb\n\nc\n";
}

// A binary file opens without a word and is written back byte for byte; the editor
// shows the text of its encoding, or each byte as one character when no encoding
// but ISO 8859-1 holds.
void TestHostileFiles::binaryFileRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, written);
    QFETCH(QString, text);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QLatin1Char('/') + name;
    QVERIFY(writeBytes(path, bytes));

    QVERIFY(openThroughDialog(f.window, path));
    // The raw text: the plain text would show non-breaking spaces as blanks.
    QCOMPARE(w.textEdit()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), text);
    QVERIFY(!w.textEdit()->document()->isModified());

    QVERIFY(QFile::remove(path));
    DialogAnswers answers;
    action(f.window, "fileSaveAct")->trigger();
    QVERIFY(cleanRun(answers));
    QVERIFY2(answers.log().isEmpty(), qPrintable(answers.log().join(QLatin1Char('\n'))));
    QCOMPARE(readBytes(path), written);
}

void TestHostileFiles::hugeFileRefused_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("shownMb");
    QTest::newRow("200 MB") << 200 * mebibyte << 200;
    QTest::newRow("one byte over 64 MB") << 64 * mebibyte + 1 << 65;
    // Says it is empty and never ends: the size stays unknown (-1, shown as 0).
    QTest::newRow("link to /proc/self/pagemap") << qint64(-1) << 0;
}

// A file too big for the editor is refused in French before anything of it is
// read: the memory stays as it was, and the unsaved text that the user chose not
// to save ("Non") before opening is still there.
void TestHostileFiles::hugeFileRefused()
{
    QFETCH(qint64, size);
    QFETCH(int, shownMb);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString small = docs.path() + QStringLiteral("/petit.html");
    QVERIFY(writeBytes(small, "<p>petit</p>\n"));
    QVERIFY(openThroughDialog(f.window, small));
    typeUnsavedWork(f.window);
    const Before before = stateOf(f.window);
    const QString huge = docs.path() + QStringLiteral("/enorme.html");
    if (size >= 0)
        QVERIFY(writeSparse(huge, size));
    else if (!QFileInfo(QStringLiteral("/proc/self/pagemap")).isReadable())
        QSKIP("no /proc/self/pagemap here");
    else
        QVERIFY(QFile::link(QStringLiteral("/proc/self/pagemap"), huge));

    MemoryPeak peak;
    DialogAnswers answers;
    answers.press(QStringLiteral("Non")).choose(huge).press(QStringLiteral("OK"));
    action(f.window, "fileOpenAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().size(), 3);
    const QString prefix = QStringLiteral("Marlisse | Le fichier %1 est trop volumineux pour être "
                                          "ouvert\u00a0:\n")
                               .arg(huge);
    QCOMPARE(answers.log().at(2),
             prefix
                 + (size < 0
                        ? QStringLiteral("il dépasse la limite de 64 Mo.")
                        : QStringLiteral("il fait %1 Mo, la limite est de 64 Mo.").arg(shownMb)));
    QVERIFY(unchanged(f.window, before));
    // The endless file is read up to the limit: that much memory, no more.
    const qint64 bound = size < 0 ? 2 * memoryBoundMb : memoryBoundMb;
    if (peak.isKnown())
        QVERIFY2(peak.growthMb() < bound, qPrintable(QString::number(peak.growthMb())));
}

// A large file that is opened goes into the editor under the wait cursor, which is
// gone once it is there.
void TestHostileFiles::largeFileUnderWaitCursor()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QStringLiteral("/grand.html");
    const QByteArray line("<p>Une ligne de <b>texte</b> \"cit\xe9\" &amp; encore</p>\n");
    QVERIFY(writeBytes(path, line.repeated(int(2 * mebibyte / line.size()))));

    QList<Qt::CursorShape> shapes;
    QObject context;
    connect(w.textEdit()->document(), &QTextDocument::contentsChange, &context, [&shapes] {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        shapes << (cursor ? cursor->shape() : Qt::ArrowCursor);
    });
    QVERIFY(openThroughDialog(f.window, path));
    QVERIFY(!shapes.isEmpty());
    QCOMPARE(shapes.count(Qt::WaitCursor), shapes.size());
    QCOMPARE(w.textEdit()->toPlainText().size(),
             qsizetype(2 * mebibyte / line.size()) * line.size());
}

void TestHostileFiles::notARegularFileToOpen_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("afterDialog");
    QTest::addColumn<QString>("reason");
    QTest::newRow("removed after the dialog") << "removed" << true << "No such file or directory";
    QTest::newRow("folder after the dialog") << "folder" << true << "Is a directory";
    QTest::newRow("pipe after the dialog") << "pipe" << true << "Not a regular file";
    QTest::newRow("link to /dev/zero after the dialog") << "zero" << true << "Not a regular file";
    QTest::newRow("link loop after the dialog")
        << "loop" << true << "Too many levels of symbolic links";
    QTest::newRow("pipe chosen") << "pipe" << false << "Not a regular file";
    QTest::newRow("/dev/zero chosen") << "/dev/zero" << false << "Not a regular file";
    QTest::newRow("/dev/null chosen") << "/dev/null" << false << "Not a regular file";
}

// What is chosen to be opened may be, or become before it is read, something that
// is no file: the English "Cannot read file" box says why, the program never
// blocks on a pipe nor reads a device without end, and the document stays as it was.
void TestHostileFiles::notARegularFileToOpen()
{
    QFETCH(QString, what);
    QFETCH(bool, afterDialog);
    QFETCH(QString, reason);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString notes = docs.path() + QStringLiteral("/notes.txt");
    QVERIFY(writeBytes(notes, "texte\n"));
    QVERIFY(openThroughDialog(f.window, notes));
    typeUnsavedWork(f.window);
    const Before before = stateOf(f.window);

    QString path
        = what.startsWith(QLatin1Char('/')) ? what : docs.path() + QStringLiteral("/page.html");
    const auto makeHostile = [path, what, docs = docs.path()] {
        QFile::remove(path);
        if (what == QLatin1String("folder"))
            QDir().mkpath(path);
        else if (what == QLatin1String("pipe"))
            makePipe(path);
        else if (what == QLatin1String("zero"))
            QFile::link(QStringLiteral("/dev/zero"), path);
        else if (what == QLatin1String("loop")) {
            QFile::link(docs + QStringLiteral("/boucle.html"), path);
            QFile::link(path, docs + QStringLiteral("/boucle.html"));
        }
    };
    std::unique_ptr<PipeRescue> rescue;
    if (what == QLatin1String("pipe"))
        rescue = std::make_unique<PipeRescue>(path);

    // "Non" first: the unsaved text must survive the failed open all the same.
    DialogAnswers answers;
    answers.press(QStringLiteral("Non"));
    if (afterDialog) {
        QVERIFY(writeBytes(path, "<p>page</p>\n"));
        answers.choose(path, makeHostile);
    } else {
        if (!what.startsWith(QLatin1Char('/')))
            makeHostile();
        answers.choose(path);
    }
    answers.press(QStringLiteral("OK"));
    action(f.window, "fileOpenAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().size(), 3);
    QCOMPARE(answers.log().at(2),
             QStringLiteral("Marlisse | Cannot read file %1:\n%2.").arg(path, reason));
    QVERIFY(unchanged(f.window, before));
    if (rescue)
        QVERIFY(!rescue->wasNeeded());
}

void TestHostileFiles::notARegularFileToSaveOver_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("pipe") << "pipe";
    QTest::newRow("link to a null device") << "null";
    QTest::newRow("link to a pipe") << "link to pipe";
    // A box leaves another program time to put a pipe in the file's place.
    QTest::newRow("pipe made while a box asks") << "pipe during a box";
}

// Saving over a pipe or a device node, directly or through a link, is refused:
// writing a new file in its place would destroy the node (as root, /dev/null).
void TestHostileFiles::notARegularFileToSaveOver()
{
    QFETCH(QString, what);
    EditorFixture f;
    QTemporaryDir docs;
    // A plain text asks before "?" stands in for a character its encoding lacks.
    const bool box = what == QLatin1String("pipe during a box");
    const QString path
        = docs.path() + (box ? QStringLiteral("/notes.txt") : QStringLiteral("/page.html"));
    const QString node = docs.path() + QStringLiteral("/noeud");
    if (what == QLatin1String("pipe")) {
        QVERIFY(makePipe(path));
    } else if (box) {
        QVERIFY(writeBytes(path, "notes\n"));
        KalTextEditTestAccess(f.window).textEdit()->insertPlainText(QStringLiteral("\u20ac"));
    } else {
        if (what == QLatin1String("null") && !makeDevice(node, 3))
            QSKIP("cannot make a device node here (root needed)");
        if (what == QLatin1String("link to pipe"))
            QVERIFY(makePipe(node));
        QVERIFY(QFile::link(node, path));
    }
    const char kind = box ? 'p' : kindAt(path);
    const char nodeKind = kindAt(node);
    typeUnsavedWork(f.window);
    const Before before = stateOf(f.window);
    PipeRescue rescue(what.startsWith(QLatin1String("pipe")) ? path : node);

    QString question;
    DialogAnswers answers;
    answers.then(chooseConfirming(path, &question));
    if (box) {
        answers.then([path](QWidget *modal) {
            QVERIFY(QFile::remove(path) && makePipe(path));
            QVERIFY(clickButton(modal, QStringLiteral("Enregistrer")));
        });
    }
    answers.press(QStringLiteral("OK"));
    action(f.window, "fileSaveAsAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(question,
             QStringLiteral("%1 already exists.\nDo you want to replace it?")
                 .arg(QFileInfo(path).fileName()));
    QCOMPARE(answers.log(),
             QStringList({QStringLiteral("KalTextEdit | Cannot write file %1:\nNot a regular file.")
                              .arg(path)}));
    QVERIFY(unchanged(f.window, before));
    QCOMPARE(kindAt(path), kind);
    QCOMPARE(kindAt(node), nodeKind);
    QVERIFY(!rescue.wasNeeded());
}

void TestHostileFiles::unwritableFolder_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder is a regular file") << "below a file"
                                              << "Not a directory";
    QTest::newRow("folder removed after the dialog") << "removed"
                                                     << "No such file or directory";
    QTest::newRow("read-only file system, the file") << "read-only"
                                                     << "Existing file %1 is not writable";
    QTest::newRow("read-only file system, a new name") << "read-only, new"
                                                       << "Read-only file system";
}

// A folder that cannot be written: the English "Cannot write file" box says why,
// and the document keeps its text, its name and its unsaved state; an old file
// stays as it was.
void TestHostileFiles::unwritableFolder()
{
    QFETCH(QString, how);
    QFETCH(QString, reason);
    EditorFixture f;
    QTemporaryDir docs;
    const QString folder = docs.path() + QStringLiteral("/site");
    const QString path = folder + QStringLiteral("/page.html");
    const QString target
        = how == QLatin1String("read-only, new") ? folder + QStringLiteral("/nouveau.html") : path;
    reason.replace(QLatin1String("%1"), target);
    const QByteArray old("<p>ancien</p>\n");
    std::unique_ptr<SmallFileSystem> readOnly;
    if (how == QLatin1String("below a file")) {
        QVERIFY(writeBytes(folder, "un fichier"));
    } else if (how == QLatin1String("removed")) {
        QVERIFY(QDir().mkpath(folder));
    } else {
        readOnly = std::make_unique<SmallFileSystem>(folder);
        if (!readOnly->mounted())
            QSKIP("cannot mount a small tmpfs here (root needed)");
        QVERIFY(writeBytes(path, old));
        QVERIFY(openThroughDialog(f.window, path));
        QCOMPARE(QProcess::execute(QStringLiteral("mount"),
                                   {QStringLiteral("-o"), QStringLiteral("remount,ro"), folder}),
                 0);
    }
    typeUnsavedWork(f.window);
    const Before before = stateOf(f.window);

    DialogAnswers answers;
    if (how == QLatin1String("read-only")) {
        answers.press(QStringLiteral("OK"));
        action(f.window, "fileSaveAct")->trigger();
    } else {
        answers.choose(target, [how, folder] {
            if (how == QLatin1String("removed"))
                QDir(folder).removeRecursively();
        });
        answers.press(QStringLiteral("OK"));
        action(f.window, "fileSaveAsAct")->trigger();
    }
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().last(),
             QStringLiteral("KalTextEdit | Cannot write file %1:\n%2.").arg(target, reason));
    QVERIFY(unchanged(f.window, before));
    if (readOnly) {
        QCOMPARE(readBytes(path), old);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"page.html"}));
    }
}

void TestHostileFiles::fullFileSystem_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("Sauver") << "save";
    QTest::newRow("Oui before Nouveau") << "new";
    QTest::newRow("Oui before Ouvrir") << "open";
    QTest::newRow("Oui at closing") << "close";
}

// A save that the full file system stops, whichever command asked for it: the old
// file stays whole, nothing half-written is left beside it, and the command that
// needed the save stops with the text still in the window, unsaved.
void TestHostileFiles::fullFileSystem()
{
    QFETCH(QString, command);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString folder = docs.path() + QStringLiteral("/plein");
    SmallFileSystem small(folder);
    if (!small.mounted())
        QSKIP("cannot mount a small tmpfs here (root needed)");
    const QString path = folder + QStringLiteral("/page.html");
    const QByteArray old("<p>ancien</p>\n");
    QVERIFY(writeBytes(path, old));
    QVERIFY(openThroughDialog(f.window, path));
    // More than the file system holds.
    w.textEdit()->moveCursor(QTextCursor::End);
    w.textEdit()->insertPlainText(QStringLiteral("<p>texte \xe9</p>\n").repeated(8000));
    typeUnsavedWork(f.window);
    const Before before = stateOf(f.window);

    DialogAnswers answers;
    if (command != QLatin1String("save"))
        answers.press(QStringLiteral("Oui"));
    answers.press(QStringLiteral("OK"));
    if (command == QLatin1String("save"))
        action(f.window, "fileSaveAct")->trigger();
    else if (command == QLatin1String("new"))
        action(f.window, "fileNewAct")->trigger();
    else if (command == QLatin1String("open"))
        action(f.window, "fileOpenAct")->trigger();
    else
        QVERIFY(!f.window->close());
    QVERIFY(cleanRun(answers));
    QCOMPARE(
        answers.log().last(),
        QStringLiteral("KalTextEdit | Cannot write file %1:\nNo space left on device.").arg(path));
    QVERIFY(unchanged(f.window, before));
    QVERIFY(f.window->isVisible());
    QCOMPARE(readBytes(path), old);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"page.html"}));
}

void TestHostileFiles::awkwardNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("typed"); // typed in the dialog, or clicked in its list
    const QStringList names = {
        "mon beau fichier.html",
        " autour .html",
        "été à Noël – œuvre.html",
        "l'apostrophe.html",
        "-tiret.html",
        "--help.html",
        "#50% %20.html",
        "[a]{b}(c).html",
        "a\\b.html",
        "fin.",
        "\"guillemets\".html",
    };
    for (const QString &name : names) {
        QTest::addRow("%s, clicked", qPrintable(name)) << name << false;
        // The toolkit's own dialog reads double quotes in a typed name as a list
        // of names: such a file is chosen in the list.
        if (!name.contains(QLatin1Char('"')))
            QTest::addRow("%s, typed", qPrintable(name)) << name << true;
    }
}

// Awkward names open through the dialog, give the title, and are written where
// they were read, and nowhere else.
void TestHostileFiles::awkwardNames()
{
    QFETCH(QString, name);
    QFETCH(bool, typed);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QLatin1Char('/') + name;
    QVERIFY(writeBytes(path, "<p>x</p>\n"));

    {
        DialogAnswers answers;
        if (typed)
            answers.choose(path);
        else
            answers.then(clickInList(path));
        action(f.window, "fileOpenAct")->trigger();
        QVERIFY(cleanRun(answers));
    }
    QCOMPARE(w.currentFile(), path);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - ") + name);
    QCOMPARE(w.textEdit()->toPlainText(), QStringLiteral("<p>x</p>\n"));
    typeUnsavedWork(f.window);

    DialogAnswers answers;
    action(f.window, "fileSaveAct")->trigger();
    QVERIFY(cleanRun(answers));
    QVERIFY(answers.log().isEmpty());
    QCOMPARE(readBytes(path), QByteArray("<p>x</p>\n<p>non enregistr\xe9</p>"));
    QCOMPARE(QDir(docs.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({name}));
}

void TestHostileFiles::symbolicLinks_data()
{
    QTest::addColumn<QString>("target"); // what the link names, as written in it
    QTest::addColumn<bool>("chain"); // through a second link
    QTest::addColumn<bool>("dangling"); // the target does not exist yet
    QTest::newRow("absolute link to another folder") << "ABS/cible/vrai.html" << false << false;
    QTest::newRow("relative link") << "cible/vrai.html" << false << false;
    QTest::newRow("link to a link") << "cible/vrai.html" << true << false;
    QTest::newRow("dangling link, Save As") << "cible/nouveau.html" << false << true;
}

// Saving a file opened through a symbolic link writes the file at the end of the
// link, and the link stays a link to it.
void TestHostileFiles::symbolicLinks()
{
    QFETCH(QString, target);
    QFETCH(bool, chain);
    QFETCH(bool, dangling);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    target.replace(QLatin1String("ABS"), docs.path());
    const QString link = docs.path() + QStringLiteral("/page.html");
    const QString real = QDir(docs.path()).absoluteFilePath(target);
    QVERIFY(QDir().mkpath(QFileInfo(real).absolutePath()));
    QString written = target;
    if (chain) {
        QVERIFY(QFile::link(target, docs.path() + QStringLiteral("/etape.html")));
        written = QStringLiteral("etape.html");
    }
    QVERIFY(::symlink(nativePath(written).constData(), nativePath(link).constData()) == 0);
    QByteArray expected;
    if (dangling) {
        w.textEdit()->insertPlainText(QStringLiteral("<p>neuf</p>"));
        DialogAnswers answers;
        answers.choose(link);
        action(f.window, "fileSaveAsAct")->trigger();
        QVERIFY(cleanRun(answers));
        expected = "<p>neuf</p>";
    } else {
        QVERIFY(writeBytes(real, "<p>vrai</p>\n"));
        QVERIFY(openThroughDialog(f.window, link));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - page.html"));
        typeUnsavedWork(f.window);
        DialogAnswers answers;
        action(f.window, "fileSaveAct")->trigger();
        QVERIFY(cleanRun(answers));
        QVERIFY(answers.log().isEmpty());
        expected = "<p>vrai</p>\n<p>non enregistr\xe9</p>";
    }
    QVERIFY(!w.textEdit()->document()->isModified());
    QCOMPARE(w.currentFile(), link);
    QCOMPARE(kindAt(link), 'l');
    QCOMPARE(QFile::symLinkTarget(link), QDir(docs.path()).absoluteFilePath(written));
    QCOMPARE(kindAt(real), 'f');
    QCOMPARE(readBytes(real), expected);
    QCOMPARE(readBytes(link), expected);
    // No copy, no temporary file left beside the link or the file.
    QStringList expectedEntries({"cible", "page.html"});
    if (chain)
        expectedEntries.insert(1, QStringLiteral("etape.html"));
    QCOMPARE(QDir(docs.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             expectedEntries);
    QCOMPARE(QDir(QFileInfo(real).absolutePath())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({QFileInfo(real).fileName()}));
}

void TestHostileFiles::preferencesFile_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<QString>("folder"); // "" for the program's folder
    QTest::addColumn<char>("kindAfterClose"); // 'f' when the close wrote the file
    QTest::newRow("empty") << "empty"
                           << "Helvetica" << 14 << "" << 'f';
    QTest::newRow("damaged: binary bytes") << "binary"
                                           << "Helvetica" << 14 << "" << 'f';
    QTest::newRow("damaged: words for numbers") << "words"
                                                << "Serif" << 14 << "/valeur" << 'f';
    QTest::newRow("huge: 100 MB of NUL bytes") << "sparse"
                                               << "Helvetica" << 14 << "" << 'f';
    QTest::newRow("huge: a 100 MB family line") << "long family"
                                                << "Helvetica" << 14 << "" << 'f';
    QTest::newRow("huge: seven lines, then 100 MB of line feeds")
        << "long tail"
        << "Serif" << 11 << "/valeur" << 'f';
    QTest::newRow("a folder") << "folder"
                              << "Helvetica" << 14 << "" << 'd';
    QTest::newRow("a pipe") << "pipe"
                            << "Helvetica" << 14 << "" << 'p';
    QTest::newRow("a link to a zero device") << "zero"
                                             << "Helvetica" << 14 << "" << 'l';
    QTest::newRow("a link to a null device") << "null"
                                             << "Helvetica" << 14 << "" << 'l';
}

// Whatever stands at marlisse.opt, the editor starts at once, without taking the
// memory a huge file would need, on what can be read of it (the defaults for the
// rest), and without a word. Closing with changed preferences writes the seven
// lines over a damaged file, and never puts a file in place of a folder, a pipe
// or a device: the "Options" box says they were not saved.
void TestHostileFiles::preferencesFile()
{
    QFETCH(QString, what);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(QString, folder);
    QFETCH(char, kindAfterClose);
    QTemporaryDir program;
    const QString options = program.path() + QStringLiteral("/marlisse.opt");
    const QString node = program.path() + QStringLiteral("/noeud");
    const QByteArray lines = optionsHeader + "Serif\n11\n50\n0\n/valeur\n";
    if (what == QLatin1String("empty")) {
        QVERIFY(writeBytes(options, QByteArray()));
    } else if (what == QLatin1String("binary")) {
        QVERIFY(writeBytes(options, QByteArray(4096, '\xff') + QByteArray(64, '\0')));
    } else if (what == QLatin1String("words")) {
        QVERIFY(writeBytes(options, optionsHeader + "Serif\nonze\ngras\noui\n/valeur\n"));
    } else if (what == QLatin1String("sparse")) {
        QVERIFY(writeSparse(options, 100 * mebibyte));
    } else if (what == QLatin1String("long family")) {
        QVERIFY(writeBytes(
            options, optionsHeader + QByteArray(100 * mebibyte, 'A') + "\n11\n50\n0\n/valeur\n"));
    } else if (what == QLatin1String("long tail")) {
        QVERIFY(writeBytes(options, lines + QByteArray(100 * mebibyte, '\n')));
    } else if (what == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(options));
    } else if (what == QLatin1String("pipe")) {
        QVERIFY(makePipe(options));
    } else {
        if (!makeDevice(node, what == QLatin1String("zero") ? 5 : 3))
            QSKIP("cannot make a device node here (root needed)");
        QVERIFY(QFile::link(node, options));
    }
    std::unique_ptr<PipeRescue> rescue;
    if (what == QLatin1String("pipe"))
        rescue = std::make_unique<PipeRescue>(options);

    MemoryPeak peak;
    QPointer<KalTextEdit> window
        = new KalTextEdit(QStringLiteral("Marlisse"), QString(), true,
                          program.path() + QStringLiteral("/marlisse"), QStringLiteral("2.1"));
    std::unique_ptr<KalTextEdit> owner(window.data());
    KalTextEditTestAccess w(window);
    const qint64 growthMb = peak.growthMb();
    if (rescue)
        QVERIFY(!rescue->wasNeeded());
    if (peak.isKnown())
        QVERIFY2(growthMb < memoryBoundMb, qPrintable(QString::number(growthMb)));
    QCOMPARE(w.editorFont().family(), family);
    QCOMPARE(w.editorFont().pointSize(), pointSize);
    QCOMPARE(w.currentDir(), folder.isEmpty() ? program.path() : folder);

    w.optionsModifiees() = true;
    DialogAnswers answers;
    if (kindAfterClose != 'f')
        answers.press(QStringLiteral("OK"));
    QVERIFY(window->close());
    QVERIFY(cleanRun(answers));
    QCOMPARE(kindAt(options), kindAfterClose);
    if (kindAfterClose == 'f') {
        QVERIFY(answers.log().isEmpty());
        const QByteArray written = readBytes(options);
        QVERIFY(written.startsWith(optionsHeader));
        QCOMPARE(written.count('\n'), 7);
    } else {
        QCOMPARE(answers.log(),
                 QStringList({"Options | Les options modifiées n'ont pas été enregistrées"}));
    }
    if (kindAfterClose == 'l')
        QCOMPARE(kindAt(node), 'c');
}

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
