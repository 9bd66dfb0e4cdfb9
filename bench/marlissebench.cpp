// Measures the editor on large documents: open, typing, the recovery journal,
// save, highlighting, memory and start-up, each figure beside a straightforward reference measured
// in the same run (the rule-by-rule highlighter and the default font strategy).
//
//   marlisse_bench [--runs N] [--sizes 100K,1M,5M,20M] [--replace-all] [--save-1251]
//                  [--typing] [--check] [--journal] [--late-declarations] [--site]
//                  [--site-search]
//
// --replace-all measures only "Remplacer tout" (5 MB, 50,000 occurrences, the
// view at the top and in the middle), which a full run measures after the tables,
// with the text as typed and with a regular expression that gives the same result.
// --save-1251 measures only the save of a 5 MB page in windows-1251, unchanged and
// after a typed "é" that the encoding lacks, beside the way it was saved before
// the table of bytes; a full run measures it last.
// --typing measures only the typing aids on 5 MB: keystrokes, cursor moves into
// tag names and scrolling with the line numbers, the closing tags, the tag pairs and
// the completion on beside all off, the keystrokes and the lists of names with the
// completion on beside it alone off, and going to the last line of a page still
// being laid out; a full run measures them after the tables.
// --check measures only "Vérifier la page" at each size: from F7 to the rows in
// the panel, with the longest event-loop stall meanwhile, beside the same check
// run on the GUI thread and the stalls of an editor that checks nothing; the
// resident size after the check beside before it; and a second F7 while the
// first check runs.
// --journal measures only the recovery journal's stalls, handed the edits and
// copying the whole text as before, which a full run shows after each size.
// --late-declarations measures only the reading of a 5 MB page that declares
// nothing, its <meta> looked for in the whole page as browsers' parsers meet it,
// beside the same page read as before, looked for in its first 1024 bytes only;
// and the page as generated, which declares ISO-8859-1, read as browsers read
// it (windows-1252) beside the same bytes read in ISO 8859-1 as before; a full
// run measures it after the save in windows-1251.
// --site-search measures only "Chercher dans le site" and "Remplacer dans le site"
// on a generated site (bancsite.cpp), beside the time to only read its files.
// --site measures only "Vérifier le site" on a generated site of 2,000 pages of
// 20 KB with 50 links each, beside the time to only read the same files.
//
// Each size is measured on a page in ISO 8859-1 and on the same page in UTF-8, so
// that the cost of reading a file by its encoding shows beside the former.
//
// Every measurement runs in a child process of its own, so that memory figures
// and caches do not leak from one to the next.

#include "bancsite.h"
#include "completeurhtml.h"
#include "contextedocument.h"
#include "copiedocument.h"
#include "documentencoding.h"
#include "ecriturecomplete.h"
#include "htmlgenerator.h"
#include "journalrecuperation.h"
#include "montextedit.h"
#include "pairesbalises.h"
#include "panneauproblemes.h"
#include "parcourssite.h"
#include "referencehighlighter.h"
#include "sitegenerator.h"
#include "testsupport.h"
#include "verificationpage.h"
#include "verificationsite.h"

#include <QAbstractItemView>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The processor time of the calling thread, in milliseconds.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Resident memory in kB from /proc/self/status ("VmRSS" or "VmHWM").
qint64 memoryKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key) + 1).trimmed().split(' ').first().toLongLong();
    return 0;
}

void resetPeakMemory()
{
    // Writing 5 to clear_refs resets the peak resident size (VmHWM).
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Counts the paints of a widget.
class PaintWatch : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

bool fullyLaidOut(QTextDocument *document)
{
    const QTextBlock last = document->lastBlock();
    return last.layout() && last.layout()->lineCount() > 0;
}

// Pumps the event loop until done() holds; returns the time it took and, in
// longestStall, the longest time the loop did not answer. An interval above 0
// leaves the processor to other threads while the loop waits.
double pumpUntil(const std::function<bool()> &done, double *longestStall, int intervalMs = 0)
{
    QElapsedTimer total;
    total.start();
    QElapsedTimer sinceTick;
    sinceTick.start();
    double stall = 0;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(intervalMs);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&]() {
        stall = std::max(stall, ms(sinceTick));
        sinceTick.restart();
        if (done() || total.elapsed() > 120000)
            loop.quit();
    });
    tick.start();
    loop.exec();
    *longestStall = stall;
    return ms(total);
}

double waitForLayout(QTextDocument *document, double *longestStall)
{
    return pumpUntil([document] { return fullyLaidOut(document); }, longestStall);
}

QList<double> typingTimes(monQTextEdit *edit, int position, int count)
{
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(position);
    edit->setTextCursor(cursor);
    QCoreApplication::processEvents();
    QList<double> times;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        QTest::keyClick(edit, Qt::Key_X);
        QCoreApplication::processEvents(); // repaint included
        times << ms(t);
    }
    return times;
}

// One run on one document, printed as "key=value" pairs.
int runChild(qsizetype size, bool reference, bool utf8)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    const QByteArray bytes = utf8 ? generateHtmlUtf8(size) : generateHtml(size);
    if (!TestSupport::writeBytes(path, bytes))
        return 2;

    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    monQTextEdit *edit = w.textEdit();
    QTextDocument *document = edit->document();
    if (reference) {
        QVector<HighlightRule> rules = w.highlighter()->ruleList();
        w.highlighter()->setDocument(nullptr);
        new ReferenceHighlighter(document, rules);
        QFont font = edit->font();
        font.setStyleStrategy(QFont::PreferDefault);
        edit->setFont(font);
        QTextOption option = document->defaultTextOption();
        option.setTextDirection(Qt::LayoutDirectionAuto);
        document->setDefaultTextOption(option);
    }
    PaintWatch paints;
    edit->viewport()->installEventFilter(&paints);
    QApplication::processEvents();
    QTest::qWait(50);

    QMap<QString, double> r;
    const qint64 emptyKb = memoryKb("VmRSS:");
    resetPeakMemory();

    QElapsedTimer t;
    t.start();
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QString text = DocumentEncoding::decode(file.readAll()).text;
        r[QStringLiteral("read")] = ms(t);
        if (text.isEmpty())
            return 3;
    }

    t.restart();
    const int paintsBefore = paints.paints;
    fixture.window->loadFile(path);
    while (paints.paints == paintsBefore && t.elapsed() < 60000)
        QCoreApplication::processEvents();
    r[QStringLiteral("shown")] = ms(t);
    double stall = 0;
    r[QStringLiteral("laidout")] = r[QStringLiteral("shown")] + waitForLayout(document, &stall);
    r[QStringLiteral("stall")] = stall;

    const QString copy = dir.filePath(QStringLiteral("copy.html"));
    t.restart();
    const bool saved = fixture.window->saveFile(copy);
    r[QStringLiteral("save")] = ms(t);
    {
        QFile file(copy);
        file.open(QIODevice::ReadOnly);
        r[QStringLiteral("identical")] = saved && file.readAll() == bytes ? 1 : 0;
    }

    const int characters = document->characterCount();
    r[QStringLiteral("typemid")] = median(typingTimes(edit, characters / 2, 25));
    r[QStringLiteral("typetop")] = median(typingTimes(edit, 200, 25));

    // The recovery journal after one more typed character: once the character is
    // shown, the event loop is watched until the whole text is on disk, so that
    // the longest stall is the journal's own (the copy of the text it takes on
    // the GUI thread), not the typing's.
    {
        JournalRecuperation *journal = w.journal();
        journal->termine(); // what the typing above left to write
        QTest::qWait(200); // and its report
        bool written = false;
        QObject::connect(journal, &JournalRecuperation::journalEcrit, journal,
                         [&written] { written = true; });
        t.restart();
        QTest::keyClick(edit, Qt::Key_X);
        QTest::qWait(200);
        double journalStall = 0;
        pumpUntil([&written] { return written; }, &journalStall);
        r[QStringLiteral("journalstall")] = journalStall;
        r[QStringLiteral("journalwrite")] = written ? ms(t) : -1;
    }

    // One highlighting pass over the whole text, on a document without a view so
    // that only the highlighter is timed.
    {
        QTextDocument alone;
        alone.setPlainText(DocumentEncoding::decode(bytes).text);
        QSyntaxHighlighter *pass = nullptr;
        HighlighterHtml fastPass(nullptr);
        if (reference)
            pass = new ReferenceHighlighter(nullptr, fastPass.ruleList());
        else
            pass = &fastPass;
        QList<double> passes;
        for (int i = 0; i < 3; ++i) {
            pass->setDocument(nullptr);
            t.restart();
            pass->setDocument(&alone);
            pass->rehighlight();
            passes << ms(t);
        }
        r[QStringLiteral("highlight")] = median(passes);
        if (pass != &fastPass)
            delete pass;
    }
    r[QStringLiteral("bytesperchar")]
        = double(memoryKb("VmHWM:") - emptyKb) * 1024.0 / double(characters);

    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    edit->document()->setModified(false);
    return 0;
}

// The recovery journal's writes as the user edits a page: the first write after
// the page is read, then writes after a typed character, a small paste and a
// deleted word. For each, the longest time the event loop did not answer from
// the edit until the journal is on disk, and the journal's own longest run on
// the GUI thread (the edit's report, then the write handed over) in the time the
// thread ran, which other programs on a busy machine do not lengthen. The page is
// a document of its own, as the editor's is, without a view: the toolkit takes
// minutes to lay out a 20M page, which would hide the journal's share. With copy
// set, the journal copies the whole text at each write, as it did before it was
// handed the edits.
int runJournalChild(qsizetype size, bool copy)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    QTextDocument document;
    document.setDocumentLayout(new TestSupport::NoLayout(&document));
    const QString text = DocumentEncoding::decode(generateHtml(size)).text;
    document.setPlainText(text);
    JournalRecuperation journal(&document, [&path](DocumentRecupere *recupere) {
        recupere->fichier = path;
        recupere->codage = QStringLiteral("ISO 8859-1");
    });
    if (!journal.demarre())
        return 3;
    journal.copieAChaqueEcriture(copy);
    journal.nouveauTexte(text); // as the editor does once it has read a file
    QTextCursor cursor(&document);
    cursor.setPosition(document.characterCount() / 2);

    bool written = false;
    QObject::connect(&journal, &JournalRecuperation::journalEcrit, &journal,
                     [&written] { written = true; });
    QMap<QString, double> r;
    const auto measure = [&](const char *key, const std::function<void()> &edit) {
        written = false;
        journal.remetPlusLongTravail();
        edit();
        double journalStall = 0;
        pumpUntil([&written] { return written; }, &journalStall);
        r[QLatin1String(key)] = written ? journalStall : -1;
        r[QLatin1String(key) + QLatin1String("own")] = journal.plusLongTravail();
    };
    measure("journalfirst", [&cursor] { cursor.insertText(QStringLiteral("x")); });
    measure("journaltyped", [&cursor] { cursor.insertText(QStringLiteral("y")); });
    measure("journalpaste", [&cursor] {
        cursor.movePosition(QTextCursor::NextBlock);
        cursor.insertText(QStringLiteral("<b>coll\u00e9</b>"));
    });
    measure("journaldelete", [&document] {
        QTextCursor word(&document);
        word.setPosition(200);
        word.setPosition(205, QTextCursor::KeepAnchor);
        word.removeSelectedText();
    });
    r[QStringLiteral("journalcopies")] = journal.copiesCompletes();
    r[QStringLiteral("journalsame")] = journal.texteDuTravailleur()
            == document.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
        ? 1
        : 0;

    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    document.setModified(false);
    return 0;
}

// "Remplacer tout" on a laid-out document of about size characters holding
// occurrences of a marker, spread evenly, with the view at the top or in the
// middle: from Ok to the command's end, to the next paint and to the end of the
// layout, then the undo of the whole step. With expression, the marker is found by
// a regular expression and the replacement takes what it captured.
int runReplaceAllChild(qsizetype size, int occurrences, bool middle, bool expression)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    const QString marker = QStringLiteral("@cible@");
    const QString page = QString::fromLatin1(generateHtml(size));
    const qsizetype step = page.size() / occurrences;
    QString text;
    text.reserve(page.size() + occurrences * marker.size());
    for (qsizetype i = 0; i < occurrences; ++i) {
        text += marker;
        text += QStringView(page).mid(i * step, step);
    }
    text += QStringView(page).mid(occurrences * step);
    {
        QFile file(path);
        const QByteArray bytes = text.toLatin1();
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 2;
    }

    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    monQTextEdit *edit = w.textEdit();
    PaintWatch paints;
    edit->viewport()->installEventFilter(&paints);
    if (!fixture.window->loadFile(path))
        return 3;
    double stall = 0;
    waitForLayout(edit->document(), &stall);
    if (middle) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(edit->document()->characterCount() / 2);
        edit->setTextCursor(cursor);
    }
    QTest::qWait(50);

    const QString before = edit->document()->toRawText();
    QElapsedTimer t;
    TestSupport::whenModalShows([&t, expression](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))
            ->setText(expression ? QStringLiteral("@(c)ible@") : QStringLiteral("@cible@"));
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"))
            ->setText(expression ? QStringLiteral("<b>rempla\\1\u00e9</b>")
                                 : QStringLiteral("<b>remplac\u00e9</b>"));
        dialog->findChild<QCheckBox *>(QStringLiteral("cbExpression"))->setChecked(expression);
        t.start();
        TestSupport::clickButton(dialog, QStringLiteral("Ok"));
    });
    TestSupport::action(fixture.window, QStringLiteral("editReplaceToutAct"))->trigger();
    QMap<QString, double> r;
    r[QStringLiteral("replaceall")] = ms(t);
    const int paintsBefore = paints.paints;
    while (paints.paints == paintsBefore && t.elapsed() < 60000)
        QCoreApplication::processEvents();
    r[QStringLiteral("replaceshown")] = ms(t);
    r[QStringLiteral("replacelaidout")] = ms(t) + waitForLayout(edit->document(), &stall);
    r[QStringLiteral("replaced")]
        = fixture.window->statusBar()->currentMessage().section(u' ', 0, 0).toDouble();
    r[QStringLiteral("left")] = edit->document()->toRawText().count(marker);

    t.restart();
    TestSupport::action(fixture.window, QStringLiteral("editAnnulerAct"))->trigger();
    r[QStringLiteral("replaceundo")] = ms(t);
    r[QStringLiteral("restored")] = edit->document()->toRawText() == before ? 1 : 0;

    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    edit->document()->setModified(false);
    return 0;
}

// A page saved in an encoding of one byte a character as it was before the table
// of bytes: the whole text written and read back to find whether it is complete,
// then, when some character is missing, gone through character by character (each
// one tried alone once) and written again.
QByteArray encodeAsBefore(QString text, const char *name)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    const auto complete = [name](QStringView part, QByteArray *bytes) {
        QStringEncoder encoder(name, QStringConverter::Flag::Stateless);
        *bytes = encoder.encode(part);
        if (encoder.hasError())
            return false;
        QStringDecoder decoder(name, QStringConverter::Flag::Stateless);
        const QString back = decoder.decode(*bytes);
        return back == part && !decoder.hasError();
    };
    QByteArray bytes;
    if (complete(text, &bytes))
        return bytes;
    QHash<char32_t, bool> holds;
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).sliced(i, length);
        const char32_t codePoint = character.toUcs4().value(0);
        auto found = holds.constFind(codePoint);
        if (found == holds.cend()) {
            QByteArray alone;
            found = holds.insert(codePoint, complete(character, &alone));
        }
        if (*found)
            result += character;
        else
            result += QLatin1String("&#") + QString::number(quint32(codePoint)) + QLatin1Char(';');
        i += length - 1;
    }
    return QStringEncoder(name, QStringConverter::Flag::Stateless).encode(result);
}

// The generated page without its <meta>, which declares its encoding.
QByteArray undeclared(QByteArray page)
{
    const qsizetype meta = page.indexOf("<meta ");
    if (meta >= 0)
        page.remove(meta, page.indexOf('\n', meta) + 1 - meta);
    return page;
}

// Reading a page from its file, as the editor reads it, in two ways, in
// milliseconds: the medians of readings made in turn, so that both ways meet the
// same load of the machine.
std::pair<double, double> readingMs(const QString &path,
                                    const std::function<bool(const QByteArray &)> &one,
                                    const std::function<bool(const QByteArray &)> &other)
{
    QList<double> first;
    QList<double> second;
    for (int i = 0; i < 10; ++i) {
        // Each way first as often as the other.
        const std::function<bool(const QByteArray &)> *order[] = {&one, &other};
        if (i % 2)
            std::swap(order[0], order[1]);
        for (const auto *decode : order) {
            QElapsedTimer t;
            t.start();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || !(*decode)(file.readAll()))
                return {-1, -1};
            (decode == &one ? first : second) << ms(t);
        }
    }
    return {median(first), median(second)};
}

int runLateChild(qsizetype size)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString iso = dir.filePath(QStringLiteral("iso.html"));
    const QString utf8 = dir.filePath(QStringLiteral("utf8.html"));
    const QString declared = dir.filePath(QStringLiteral("declared.html"));
    if (!TestSupport::writeBytes(iso, undeclared(generateHtml(size)))
        || !TestSupport::writeBytes(utf8, undeclared(generateHtmlUtf8(size)))
        || !TestSupport::writeBytes(declared, generateHtml(size)))
        return 2;
    // As most pages have: a <meta> that declares no encoding, and "charset" said
    // in an element that is no <meta>.
    QByteArray named = undeclared(generateHtml(size));
    named.replace("<head>\n",
                  "<head>\n<meta name=\"viewport\" content=\"width=device-width\">\n"
                  "<script charset=\"ISO-8859-1\" src=\"menu.js\"></script>\n");
    const QString viewport = dir.filePath(QStringLiteral("viewport.html"));
    if (!TestSupport::writeBytes(viewport, named))
        return 2;
    using DocumentEncoding::Reach;
    const auto reading = [](Reach reach, const char *label) {
        return [reach, label](const QByteArray &bytes) {
            return DocumentEncoding::decode(bytes, DocumentEncoding::Kind::Page, std::nullopt,
                                            reach)
                       .encoding.label()
                == QLatin1String(label);
        };
    };
    QMap<QString, double> r;
    std::tie(r[QStringLiteral("isowhole")], r[QStringLiteral("isofirst")]) = readingMs(
        iso, reading(Reach::WholePage, "ISO 8859-1"), reading(Reach::FirstKilobyte, "ISO 8859-1"));
    std::tie(r[QStringLiteral("utf8whole")], r[QStringLiteral("utf8first")]) = readingMs(
        utf8, reading(Reach::WholePage, "UTF-8"), reading(Reach::FirstKilobyte, "UTF-8"));
    std::tie(r[QStringLiteral("namedwhole")], r[QStringLiteral("namedfirst")])
        = readingMs(viewport, reading(Reach::WholePage, "ISO 8859-1"),
                    reading(Reach::FirstKilobyte, "ISO 8859-1"));
    {
        QFile file(iso);
        if (!file.open(QIODevice::ReadOnly))
            return 3;
        const QByteArray bytes = file.readAll();
        QList<double> times;
        for (int i = 0; i < 7; ++i) {
            QElapsedTimer t;
            t.start();
            if (DocumentEncoding::findDeclaration(bytes).found())
                return 3;
            times << ms(t);
        }
        r[QStringLiteral("scan")] = median(times);
    }
    {
        // A comment of one long rule of dashes before the <meta>, which the parser
        // must read through.
        const QByteArray dashes = "<!-- " + QByteArray(size, '-')
            + " --><meta charset=\"windows-1251\"><p>\xcf\xf0\xe8\xe2\xe5\xf2</p>";
        QList<double> times;
        for (int i = 0; i < 7; ++i) {
            QElapsedTimer t;
            t.start();
            if (DocumentEncoding::findDeclaration(dashes).name != QLatin1String("windows-1251"))
                return 3;
            times << ms(t);
        }
        r[QStringLiteral("dashes")] = median(times);
    }
    std::tie(r[QStringLiteral("declaredweb")], r[QStringLiteral("declaredlatin1")]) = readingMs(
        declared, reading(Reach::WholePage, "windows-1252"), [](const QByteArray &bytes) {
            return DocumentEncoding::decodeAs(bytes, DocumentEncoding::latin1()).has_value();
        });
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    return 0;
}

// The save of a 5 MB page in windows-1251, unchanged then after a typed "é", by the
// editor and as it was saved before.
int runSave1251Child(qsizetype size)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    const QByteArray bytes = generateHtml1251(size);
    if (!TestSupport::writeBytes(path, bytes))
        return 2;
    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    if (!fixture.window->loadFile(path))
        return 3;
    QMap<QString, double> r;
    const QString copy = dir.filePath(QStringLiteral("copy.html"));
    const auto saveBefore = [&] {
        return ecritureComplete(
            copy, encodeAsBefore(w.textEdit()->document()->toRawText(), "windows-1251"));
    };
    const auto readCopy = [&copy] {
        QFile file(copy);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // Once untimed, so that both ways write over a file that exists.
    saveBefore();
    QElapsedTimer t;
    for (const bool typed : {false, true}) {
        if (typed) {
            QTextCursor cursor(w.textEdit()->document());
            cursor.setPosition(w.textEdit()->document()->characterCount() / 2);
            cursor.insertText(QStringLiteral("\u00e9"));
        }
        const QString key = typed ? QStringLiteral("typed") : QStringLiteral("plain");
        t.start();
        const bool saved = fixture.window->saveFile(copy);
        r[key] = ms(t);
        const QByteArray now = readCopy();
        t.start();
        saveBefore();
        r[key + QStringLiteral("before")] = ms(t);
        r[key + QStringLiteral("same")] = saved && now == readCopy() ? 1 : 0;
        // The conversion alone, without the disk.
        const QString text = w.textEdit()->document()->toRawText();
        const auto encoding = DocumentEncoding::fromName(QStringLiteral("windows-1251"));
        t.start();
        const QByteArray encoded = DocumentEncoding::encode(text, *encoding, true);
        r[key + QStringLiteral("encode")] = ms(t);
        t.start();
        const QByteArray before = encodeAsBefore(text, "windows-1251");
        r[key + QStringLiteral("encodebefore")] = ms(t);
        r[key + QStringLiteral("same")] = r[key + QStringLiteral("same")] && encoded == before;
    }
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    w.textEdit()->document()->setModified(false);
    return 0;
}

// Opening, keystrokes and scrolling on a laid-out document, with the line numbers,
// the closing tags and the completion on (as the user finds them) or all off (the
// editor before them); or with only the completion off, to see what it costs.
int runTypingChild(qsizetype size, bool aids, bool completion)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    if (!TestSupport::writeBytes(path, generateHtml(size)))
        return 2;

    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    monQTextEdit *edit = w.textEdit();
    TestSupport::action(fixture.window, QStringLiteral("viewNumerosLigneAct"))->setChecked(aids);
    TestSupport::action(fixture.window, QStringLiteral("fermerBalisesAct"))->setChecked(aids);
    TestSupport::action(fixture.window, QStringLiteral("completionAct"))->setChecked(completion);
    QTest::qWait(50);
    QMap<QString, double> r;
    QElapsedTimer t;
    t.start();
    if (!fixture.window->loadFile(path) || edit->numerosLigne() != aids
        || edit->fermetureBalises() != aids
        || edit->completeurHtml()->pendantFrappe() != completion)
        return 3;
    double stall = 0;
    r[QStringLiteral("aidlaidout")] = ms(t) + waitForLayout(edit->document(), &stall);
    r[QStringLiteral("aidstall")] = stall;
    QTest::qWait(50);

    // Each step timed on the clock and in the processor time of this thread, which
    // a machine busy with other work changes less.
    const auto measure = [&r](const char *key, int count, const std::function<void()> &step) {
        QList<double> wall;
        QList<double> cpu;
        for (int i = 0; i < count; ++i) {
            QElapsedTimer t;
            t.start();
            const double before = threadCpuMs();
            step();
            QCoreApplication::processEvents(); // repaint included
            cpu << threadCpuMs() - before;
            wall << ms(t);
        }
        r[QLatin1String(key)] = median(wall);
        r[QLatin1String(key) + QLatin1String("cpu")] = median(cpu);
    };
    const auto placeCursor = [edit](int position) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(position);
        edit->setTextCursor(cursor);
        QCoreApplication::processEvents();
    };
    const auto type = [edit](Qt::Key key) { return [edit, key] { QTest::keyClick(edit, key); }; };
    // The cursor into tag names: with the aids, the tag and its partner are shown.
    // The first move three quarters down finds the page read ahead since it opened.
    if (!aids)
        edit->setPaireVisible(false);
    const QString texte = edit->document()->toRawText();
    const auto nomsApres = [&texte](qsizetype debut, const char *balise, int nombre) {
        QList<int> noms;
        for (qsizetype i = texte.indexOf(QLatin1String(balise), debut);
             i >= 0 && noms.size() < nombre; i = texte.indexOf(QLatin1String(balise), i + 1))
            noms << int(i) + 2;
        return noms;
    };
    const auto versLeNom = [edit](const QList<int> &noms) {
        return [edit, noms, n = 0]() mutable {
            QTextCursor cursor = edit->textCursor();
            cursor.setPosition(noms.value(n++ % noms.size()));
            edit->setTextCursor(cursor);
        };
    };
    measure("aidpairefirst", 1, versLeNom(nomsApres(texte.size() * 3 / 4, "<td", 1)));
    measure("aidpaire", 25, versLeNom(nomsApres(texte.size() / 2, "<td", 25)));
    // <body> closes at the end of the page: its partner lies beyond the search's reach.
    const int body = int(texte.indexOf(QLatin1String("<body")));
    measure("aidpairefar", 25, versLeNom({body + 2, body + 3}));
    // Ctrl+D with the cursor in a tag name, and the next moves: the tag pair looked
    // for each time, the command's change told to what reads the page.
    placeCursor(nomsApres(texte.size() / 2, "<td", 1).value(0));
    measure("aidduplicate", 25, [&fixture, edit] {
        TestSupport::action(fixture.window, QStringLiteral("dupliquerLigneAct"))->trigger();
        QTest::keyClick(edit, Qt::Key_Right);
        QTest::keyClick(edit, Qt::Key_Left);
    });
    // A one-line script of 1 MB, as a minified one inlined: a move inside it reads
    // from a point near the cursor, not from the script's start.
    {
        QTextDocument ligne;
        ligne.setPlainText(QStringLiteral("<body><script>")
                           + QStringLiteral("var a=1;").repeated(131072)
                           + QStringLiteral("</script></body>"));
        ContexteDocument lexique(&ligne);
        const int milieu = ligne.characterCount() / 2;
        lexique.etatA(milieu);
        measure("aidpaireligne", 25, [&lexique, milieu, n = 0]() mutable {
            PairesBalises::paireDuNom(lexique, milieu + n++ % 64);
        });
    }
    placeCursor(edit->document()->characterCount() / 2);
    measure("aidtypemid", 25, type(Qt::Key_X));
    // A ">" in the text, after a word: the scan back for its tag, bounded, then nothing.
    measure("aidtypegt", 25, type(Qt::Key_Greater));
    // A blank and a letter, as at each word: the letter makes the completion look
    // for a tag the cursor would be in.
    measure("aidtypeword", 25, [edit] {
        QTest::keyClick(edit, Qt::Key_Space);
        QTest::keyClick(edit, Qt::Key_X);
    });
    // The first letter of a name after "<" and after "&": from the key to the list
    // shown and painted. The "<" or "&" before it and the name taken back after it
    // are not timed.
    QAbstractItemView *vue = edit->completeurHtml()->completer()->popup();
    PaintWatch peint;
    vue->viewport()->installEventFilter(&peint);
    const auto liste = [&r, &peint, edit, vue](const QString &key, Qt::Key avant, Qt::Key lettre) {
        QList<double> wall;
        QList<double> cpu;
        int montrees = 0;
        const int count = 25;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(edit, avant);
            QCoreApplication::processEvents();
            const int peintes = peint.paints;
            QElapsedTimer t;
            t.start();
            const double before = threadCpuMs();
            QTest::keyClick(edit, lettre);
            QCoreApplication::processEvents(); // the text repainted
            // The list is shown from the event loop, and painted after.
            while (edit->completeurHtml()->ouverte() && peint.paints == peintes
                   && t.elapsed() < 1000)
                QCoreApplication::processEvents();
            cpu << threadCpuMs() - before;
            wall << ms(t);
            montrees += vue->isVisible() && peint.paints > peintes ? 1 : 0;
            QTest::keyClick(edit, Qt::Key_Escape);
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClick(edit, Qt::Key_Backspace);
            QCoreApplication::processEvents();
        }
        r[key] = median(wall);
        r[key + QLatin1String("cpu")] = median(cpu);
        r[key + QLatin1String("shown")] = double(montrees) / count;
    };
    liste(QStringLiteral("aidlisttag"), Qt::Key_Less, Qt::Key_D);
    liste(QStringLiteral("aidlistref"), Qt::Key_Ampersand, Qt::Key_E);
    // The completion's own work for a key, alone: what it does before and after the
    // widget handles a typed letter, the list's window aside (shown from the event
    // loop, in the rows above). Mean of 1000, in microseconds.
    if (completion) {
        CompleteurHtml *completeur = edit->completeurHtml();
        const auto travail = [&r, edit, completeur](const char *key, const QString &avant) {
            QTextCursor cursor = edit->textCursor();
            cursor.insertText(avant + u'x');
            edit->setTextCursor(cursor);
            QKeyEvent touche(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
            const int count = 1000;
            const double before = threadCpuMs();
            for (int i = 0; i < count; ++i) {
                completeur->avantTouche(&touche);
                completeur->apresTouche(&touche);
                completeur->ferme();
            }
            r[QLatin1String(key)] = (threadCpuMs() - before) * 1000 / count;
            edit->document()->undo();
            QCoreApplication::processEvents();
        };
        travail("aidworkletter", QStringLiteral("mot"));
        travail("aidworkblank", QStringLiteral("mot "));
        travail("aidworktag", QStringLiteral("<"));
        travail("aidworkref", QStringLiteral("&"));
    }
    placeCursor(200);
    measure("aidtypetop", 25, type(Qt::Key_X));
    // Page by page from a quarter of the page, each page painted. The margin narrows
    // the view, which wraps the long lines otherwise: the window is widened by the
    // margin's width, so that both ways show the same lines.
    if (aids && !completion) {
        // Only the completion off: its keystrokes are what this run is for.
        for (auto it = r.cbegin(); it != r.cend(); ++it)
            std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
        std::fflush(stdout);
        edit->document()->setModified(false);
        return 0;
    }
    if (aids) {
        fixture.window->resize(fixture.window->width() + edit->marge()->width(),
                               fixture.window->height());
        QCoreApplication::processEvents();
        // Laid out again at the new width, all of it before the first page.
        edit->document()->documentLayout()->blockBoundingRect(edit->document()->lastBlock());
        QCoreApplication::processEvents();
    }
    r[QStringLiteral("aidviewwidth")] = edit->viewport()->width();
    // The cost of a page differs much from one page to the next (short lines, a long
    // wrapped one): the mean over many pages, rather than the median of a few.
    QScrollBar *bar = edit->verticalScrollBar();
    bar->setValue(bar->maximum() / 4);
    QCoreApplication::processEvents();
    const int pages = 1000;
    t.restart();
    const double before = threadCpuMs();
    for (int i = 0; i < pages; ++i) {
        bar->setValue(bar->value() + bar->pageStep());
        QCoreApplication::processEvents();
    }
    r[QStringLiteral("aidscrollcpu")] = (threadCpuMs() - before) / pages;
    r[QStringLiteral("aidscroll")] = ms(t) / pages;
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    edit->document()->setModified(false);
    return 0;
}

// "Atteindre la ligne" to the last line of a page whose text is shown but still
// being laid out: from Ok to the command's end and to the next paint, and
// whether the cursor is then at the start of that line, in the middle of the view.
int runGotoChild(qsizetype size)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    if (!TestSupport::writeBytes(path, generateHtml(size)))
        return 2;

    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    monQTextEdit *edit = w.textEdit();
    QTextDocument *document = edit->document();
    PaintWatch paints;
    edit->viewport()->installEventFilter(&paints);
    QTest::qWait(50);
    int before = paints.paints;
    if (!fixture.window->loadFile(path))
        return 3;
    while (paints.paints == before)
        QCoreApplication::processEvents();

    QMap<QString, double> r;
    r[QStringLiteral("gotostilllaying")] = fullyLaidOut(document) ? 0 : 1;
    const int lines = document->blockCount();
    QElapsedTimer t;
    double cpu = 0;
    TestSupport::whenModalShows([&t, &cpu, lines](QWidget *dialog) {
        auto *saisie = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditLigne"));
        if (!saisie) {
            dialog->close();
            return;
        }
        saisie->setText(QString::number(lines));
        t.start();
        cpu = threadCpuMs();
        TestSupport::clickButton(dialog, QStringLiteral("Ok"));
    });
    TestSupport::action(fixture.window, QStringLiteral("atteindreLigneAct"))->trigger();
    r[QStringLiteral("gotoline")] = ms(t);
    r[QStringLiteral("gotocpu")] = threadCpuMs() - cpu;
    before = paints.paints;
    while (paints.paints == before && t.elapsed() < 60000)
        QCoreApplication::processEvents();
    r[QStringLiteral("gotoshown")] = ms(t);
    const QTextCursor cursor = edit->textCursor();
    const int middle = edit->viewport()->height() / 2;
    const QRect shown = edit->cursorRect();
    // The last line cannot rise above the bottom of the view: as near the middle as
    // the end of the text allows.
    const QScrollBar *bar = edit->verticalScrollBar();
    const bool placed = qAbs(shown.center().y() - middle) <= shown.height()
        || (bar->value() == bar->maximum() && edit->viewport()->rect().contains(shown));
    r[QStringLiteral("gotoright")]
        = cursor.blockNumber() == lines - 1 && cursor.positionInBlock() == 0 && placed ? 1 : 0;
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    return 0;
}

// "Vérifier la page" on a laid-out page of about size characters: "worker" is F7
// until the panel shows the rows; "gui" is the same check called on the GUI
// thread (the straightforward way); "idle" watches the event loop of the same
// editor, checking nothing, for as long as the worker took.
int runCheckChild(qsizetype size, const QString &mode, double idleMs)
{
    TestSupport::init();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.html"));
    if (!TestSupport::writeBytes(path, generateHtml(size)))
        return 2;
    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    if (!fixture.window->loadFile(path))
        return 3;
    w.currentFile() = path;
    double stall = 0;
    waitForLayout(w.textEdit()->document(), &stall);
    QTest::qWait(100);

    QMap<QString, double> r;
    // The resident size once the check is done, as a share of the size before it.
    const qint64 residentAvant = memoryKb("VmRSS:");
    auto residentApres = [&r, residentAvant] {
        QTest::qWait(200);
        r[QStringLiteral("checkresident")] = 100.0 * double(memoryKb("VmRSS:")) / residentAvant;
    };
    QElapsedTimer t;
    t.start();
    if (mode == QLatin1String("worker")) {
        TestSupport::action(fixture.window, QStringLiteral("verifierPageAct"))->trigger();
        auto *panel = fixture.window->findChild<PanneauProblemes *>();
        r[QStringLiteral("checkshown")]
            = pumpUntil([panel] { return panel && panel->aUnResultat(); }, &stall, 2);
        r[QStringLiteral("checkstall")] = stall;
        residentApres();
    } else if (mode == QLatin1String("twice")) {
        // The second F7 once the first check runs on the worker.
        QAction *verifier = TestSupport::action(fixture.window, QStringLiteral("verifierPageAct"));
        verifier->trigger();
        auto *copie = fixture.window->findChild<CopieDocument *>();
        pumpUntil([copie] { return !copie->enCours(); }, &stall, 2);
        QTest::qWait(100);
        t.restart();
        verifier->trigger();
        auto *panel = fixture.window->findChild<PanneauProblemes *>();
        r[QStringLiteral("checksecond")]
            = pumpUntil([panel] { return panel->aUnResultat(); }, &stall, 2);
    } else if (mode == QLatin1String("gui")) {
        bool done = false;
        QTimer::singleShot(0, fixture.window, [&] {
            Verification::verifie({w.textEdit()->document()->toRawText(), path});
            done = true;
        });
        r[QStringLiteral("checkshown")] = pumpUntil([&done] { return done; }, &stall, 2);
        r[QStringLiteral("checkstall")] = stall;
        residentApres();
    } else {
        pumpUntil([&t, idleMs] { return ms(t) >= idleMs; }, &stall, 2);
        r[QStringLiteral("checkstall")] = stall;
    }
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    return 0;
}

// "Vérifier le site" on a generated site: "read" only walks it, reading each
// file by the reading rule; "check" is the check itself, without a window;
// "window" is Shift+F7 in the editor until the panel shows the rows, with the
// longest event-loop stall meanwhile.
int runSiteChild(const QString &mode)
{
    TestSupport::init();
    QTemporaryDir dir;
    if (!generateSite(dir.path(), 2000, 20 * 1000, 50))
        return 2;
    QMap<QString, double> r;
    QElapsedTimer t;
    t.start();
    if (mode == QLatin1String("read")) {
        qint64 characters = 0;
        const Site::Bilan bilan = Site::parcourt(
            dir.path(), Site::Filtre::pages(),
            [&characters](Site::Fichier &f) { characters += f.texte.size(); },
            [](const Site::Anomalie &) {});
        r[QStringLiteral("siteread")] = ms(t);
        r[QStringLiteral("sitepages")] = bilan.lus;
        r[QStringLiteral("sitemb")] = double(bilan.octets) / 1e6;
    } else if (mode == QLatin1String("check")) {
        const Site::ResultatSite resultat = Site::verifieSite(dir.path(), std::nullopt);
        r[QStringLiteral("sitecheck")] = ms(t);
        r[QStringLiteral("sitepages")] = resultat.pages;
        r[QStringLiteral("siterows")] = resultat.liens;
    } else {
        TestSupport::EditorFixture fixture;
        KalTextEditTestAccess w(fixture.window);
        const QString index = dir.filePath(QStringLiteral("index.html"));
        if (!fixture.window->loadFile(index))
            return 3;
        w.setCurrentFile(index);
        double stall = 0;
        waitForLayout(w.textEdit()->document(), &stall);
        QTest::qWait(100);
        t.restart();
        // The GUI thread's own work between two turns of the loop, apart from the
        // time other threads and programs take from it on a busy machine.
        double cpuAvant = threadCpuMs();
        double travailPlusLong = 0;
        QTimer tour;
        tour.setInterval(1);
        QObject::connect(&tour, &QTimer::timeout, &tour, [&] {
            const double maintenant = threadCpuMs();
            travailPlusLong = std::max(travailPlusLong, maintenant - cpuAvant);
            cpuAvant = maintenant;
        });
        tour.start();
        TestSupport::action(fixture.window, QStringLiteral("verifierSiteAct"))->trigger();
        auto *panel = fixture.window->findChild<PanneauProblemes *>();
        r[QStringLiteral("sitewindow")]
            = pumpUntil([panel] { return panel && !panel->enCours(); }, &stall, 2);
        r[QStringLiteral("sitestall")] = stall;
        tour.stop();
        r[QStringLiteral("siteownwork")] = travailPlusLong;
        // The same editor checking nothing, as long.
        const double duree = r[QStringLiteral("sitewindow")];
        t.restart();
        pumpUntil([&t, duree] { return ms(t) >= duree; }, &stall, 2);
        r[QStringLiteral("siteidlestall")] = stall;
    }
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        std::printf("%s=%.3f\n", qPrintable(it.key()), it.value());
    std::fflush(stdout);
    return 0;
}

// Start-up: prints a line at the window's first paint and leaves.
int runStartupChild()
{
    TestSupport::init();
    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    PaintWatch paints;
    w.textEdit()->viewport()->installEventFilter(&paints);
    while (paints.paints == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    std::printf("painted\n");
    std::fflush(stdout);
    return 0;
}

QMap<QString, double> parse(const QByteArray &output)
{
    QMap<QString, double> values;
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values[QString::fromLatin1(line.left(eq))] = line.mid(eq + 1).toDouble();
    }
    return values;
}

QByteArray runProcess(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    if (child.exitCode() != 0)
        std::fprintf(stderr, "child %s failed (%d)\n", qPrintable(arguments.join(u' ')),
                     child.exitCode());
    return child.readAllStandardOutput();
}

qsizetype parseSize(QString text)
{
    qsizetype factor = 1;
    if (text.endsWith(u'K', Qt::CaseInsensitive))
        factor = 1000;
    else if (text.endsWith(u'M', Qt::CaseInsensitive))
        factor = 1000 * 1000;
    if (factor > 1)
        text.chop(1);
    return qsizetype(text.toDouble() * double(factor));
}

struct Row
{
    const char *key;
    const char *label;
    const char *unit;
};

const Row rows[] = {
    {"read", "open: read and decode", "ms"},
    {"shown", "open: until the text is shown", "ms"},
    {"laidout", "open: until fully laid out", "ms"},
    {"stall", "open: longest event-loop stall", "ms"},
    {"typemid", "typed character, mid-document", "ms"},
    {"typetop", "typed character, near the top", "ms"},
    {"journalstall", "journal: longest event-loop stall", "ms"},
    {"journalwrite", "journal: on disk after a typed character", "ms"},
    {"save", "save", "ms"},
    {"identical", "save gives identical bytes (1 = yes)", ""},
    {"highlight", "full highlighting pass", "ms"},
    {"bytesperchar", "peak memory per character", "B"},
};

void printReplaceAll(int runs)
{
    const int occurrences = 50000;
    for (const bool middle : {false, true}) {
        QMap<QString, QList<double>> values;
        QMap<QString, QList<double>> withExpression;
        for (int run = 0; run < runs; ++run) {
            for (const bool expression : {false, true}) {
                const auto one = parse(runProcess(
                    {QStringLiteral("--replace-all-child"), QString::number(5 * 1000 * 1000),
                     QString::number(occurrences),
                     middle ? QStringLiteral("middle") : QStringLiteral("top"),
                     expression ? QStringLiteral("expression") : QStringLiteral("text")}));
                for (auto it = one.cbegin(); it != one.cend(); ++it)
                    (expression ? withExpression : values)[it.key()] << it.value();
            }
        }
        const auto m
            = [&values](const char *key) { return median(values.value(QLatin1String(key))); };
        const auto e = [&withExpression](const char *key) {
            return median(withExpression.value(QLatin1String(key)));
        };
        std::printf("Remplacer tout, 5M with %d occurrences, view %s (medians of %d "
                    "runs): %.1f ms to the command's end, %.1f ms to the next paint, %.1f ms "
                    "to the end of the layout, undo %.1f ms; %.0f replaced, %.0f left, undo "
                    "restores the text: %s\n",
                    occurrences, middle ? "in the middle" : "at the top", runs, m("replaceall"),
                    m("replaceshown"), m("replacelaidout"), m("replaceundo"), m("replaced"),
                    m("left"), m("restored") == 1 ? "yes" : "no");
        std::printf("Remplacer tout with the expression @(c)ible@, same result, view %s: %.1f ms "
                    "to the command's end (ratio to the text as typed %.2f), %.1f ms to the next "
                    "paint (%.2f), %.1f ms to the end of the layout (%.2f), undo %.1f ms; %.0f "
                    "replaced, %.0f left, undo restores the text: %s\n",
                    middle ? "in the middle" : "at the top", e("replaceall"),
                    e("replaceall") / m("replaceall"), e("replaceshown"),
                    e("replaceshown") / m("replaceshown"), e("replacelaidout"),
                    e("replacelaidout") / m("replacelaidout"), e("replaceundo"), e("replaced"),
                    e("left"), e("restored") == 1 ? "yes" : "no");
        std::fflush(stdout);
    }
}

void printLateDeclarations(int runs)
{
    QMap<QString, QList<double>> values;
    for (int run = 0; run < runs; ++run) {
        const auto one
            = parse(runProcess({QStringLiteral("--late-child"), QString::number(5 * 1000 * 1000)}));
        for (auto it = one.cbegin(); it != one.cend(); ++it)
            values[it.key()] << it.value();
    }
    const auto m = [&values](const char *key) { return median(values.value(QLatin1String(key))); };
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::printf("\n| 5M, no declaration (medians of %d runs) | whole page | first 1024 bytes | "
                "ratio |\n|---|---:|---:|---:|\n",
                runs);
    std::printf("| read and decode, ISO 8859-1 | %.1f ms | %.1f ms | %.2f |\n", m("isowhole"),
                m("isofirst"), ratio(m("isowhole"), m("isofirst")));
    std::printf("| read and decode, UTF-8 | %.1f ms | %.1f ms | %.2f |\n", m("utf8whole"),
                m("utf8first"), ratio(m("utf8whole"), m("utf8first")));
    std::printf("| read and decode, ISO 8859-1, a <meta name> and a <script charset> | %.1f ms | "
                "%.1f ms | %.2f |\n",
                m("namedwhole"), m("namedfirst"), ratio(m("namedwhole"), m("namedfirst")));
    std::printf("| the search of the whole page alone | %.1f ms | | |\n", m("scan"));
    std::printf("| the search through a comment of 5M dashes | %.1f ms | | |\n", m("dashes"));
    std::printf("\n| 5M declaring ISO-8859-1 | as windows-1252 | as ISO 8859-1 | ratio |\n"
                "|---|---:|---:|---:|\n");
    std::printf("| read and decode | %.1f ms | %.1f ms | %.2f |\n", m("declaredweb"),
                m("declaredlatin1"), ratio(m("declaredweb"), m("declaredlatin1")));
    std::fflush(stdout);
}

void printSave1251(int runs)
{
    QMap<QString, QList<double>> values;
    for (int run = 0; run < runs; ++run) {
        const auto one = parse(
            runProcess({QStringLiteral("--save-1251-child"), QString::number(5 * 1000 * 1000)}));
        for (auto it = one.cbegin(); it != one.cend(); ++it)
            values[it.key()] << it.value();
    }
    const auto m = [&values](const char *key) { return median(values.value(QLatin1String(key))); };
    std::printf("\n| 5M in windows-1251 (medians of %d runs) | Marlisse | before | ratio |\n"
                "|---|---:|---:|---:|\n",
                runs);
    std::printf("| save | %.1f ms | %.1f ms | %.2f |\n", m("plain"), m("plainbefore"),
                m("plainbefore") > 0 ? m("plain") / m("plainbefore") : 0.0);
    std::printf("| save after a typed \"\xc3\xa9\" | %.1f ms | %.1f ms | %.2f |\n", m("typed"),
                m("typedbefore"), m("typedbefore") > 0 ? m("typed") / m("typedbefore") : 0.0);
    std::printf("| after a typed \"\xc3\xa9\" / unchanged | %.2f | %.2f | |\n",
                m("plain") > 0 ? m("typed") / m("plain") : 0.0,
                m("plainbefore") > 0 ? m("typedbefore") / m("plainbefore") : 0.0);
    std::printf("| conversion only | %.1f ms | %.1f ms | %.2f |\n", m("plainencode"),
                m("plainencodebefore"),
                m("plainencodebefore") > 0 ? m("plainencode") / m("plainencodebefore") : 0.0);
    std::printf("| conversion only, after a typed \"\xc3\xa9\" | %.1f ms | %.1f ms | %.2f |\n",
                m("typedencode"), m("typedencodebefore"),
                m("typedencodebefore") > 0 ? m("typedencode") / m("typedencodebefore") : 0.0);
    std::printf("| same bytes as before (1 = yes) | %.1f | %.1f | |\n", m("plainsame"),
                m("typedsame"));
    std::fflush(stdout);
}

void printTyping(int runs)
{
    const qsizetype size = 5 * 1000 * 1000;
    QMap<QString, QList<double>> on;
    QMap<QString, QList<double>> off;
    QMap<QString, QList<double>> nocompletion;
    QMap<QString, QList<double>> go;
    for (int run = 0; run < runs; ++run) {
        for (const char *mode : {"on", "off", "nocompletion"}) {
            const auto values = parse(runProcess(
                {QStringLiteral("--typing-child"), QString::number(size), QLatin1String(mode)}));
            QMap<QString, QList<double>> &into = qstrcmp(mode, "on") == 0 ? on
                : qstrcmp(mode, "off") == 0                               ? off
                                                                          : nocompletion;
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                into[it.key()] << it.value();
        }
        const auto values
            = parse(runProcess({QStringLiteral("--goto-child"), QString::number(size)}));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            go[it.key()] << it.value();
    }
    const Row typingRows[] = {
        {"aidlaidout", "open: until fully laid out", "ms"},
        {"aidstall", "open: longest event-loop stall", "ms"},
        {"aidtypemid", "typed character, mid-document", "ms"},
        {"aidtypetop", "typed character, near the top", "ms"},
        {"aidtypegt", "typed \">\" in the text, mid-document", "ms"},
        {"aidtypeword", "typed blank and letter in the text, mid-document", "ms"},
        {"aidpairefirst", "first move into a tag name, 3/4 down the page", "ms"},
        {"aidpaire", "cursor moved into a tag name, partner shown", "ms"},
        {"aidpairefar", "cursor into <body>, partner beyond reach", "ms"},
        {"aidduplicate", "Ctrl+D in a tag name, then Right and Left", "ms"},
        {"aidpaireligne", "cursor moved in a one-line script of 1 MB", "ms"},
        {"aidscroll", "scrolling, one page painted (mean of 1000)", "ms"},
    };
    const auto table
        = [runs](const char *title, const char *columns, const Row *rows, size_t count,
                 const QMap<QString, QList<double>> &on, const QMap<QString, QList<double>> &off) {
              std::printf("| 5M, %s (medians of %d runs) | %s | ratio | processor time, on | off | "
                          "ratio |\n|---|---:|---:|---:|---:|---:|---:|\n",
                          title, runs, columns);
              for (size_t i = 0; i < count; ++i) {
                  const Row &row = rows[i];
                  const QString key = QLatin1String(row.key);
                  const double a = median(on.value(key));
                  const double b = median(off.value(key));
                  std::printf("| %s | %.2f %s | %.2f %s | %.2f |", row.label, a, row.unit, b,
                              row.unit, b > 0 ? a / b : 0.0);
                  if (on.contains(key + QLatin1String("cpu"))) {
                      const double c = median(on.value(key + QLatin1String("cpu")));
                      const double d = median(off.value(key + QLatin1String("cpu")));
                      std::printf(" %.2f %s | %.2f %s | %.2f |\n", c, row.unit, d, row.unit,
                                  d > 0 ? c / d : 0.0);
                  } else {
                      std::printf(" | | |\n");
                  }
              }
          };
    table("typing aids", "line numbers, closing tags and completion on | all off (before them)",
          typingRows, std::size(typingRows), on, off);
    const Row completionRows[] = {
        {"aidtypemid", "typed character, mid-document", "ms"},
        {"aidtypetop", "typed character, near the top", "ms"},
        {"aidtypegt", "typed \">\" in the text, mid-document", "ms"},
        {"aidtypeword", "typed blank and letter in the text, mid-document", "ms"},
        {"aidlisttag", "\"d\" after \"<\": key to list shown and painted", "ms"},
        {"aidlistref", "\"e\" after \"&\": key to list shown and painted", "ms"},
    };
    std::printf("\n");
    table("completion", "completion on | completion off (other aids on)", completionRows,
          std::size(completionRows), on, nocompletion);
    const double caractere = 1000 * median(nocompletion.value(QStringLiteral("aidtypemidcpu")));
    const auto part = [&on, caractere](const char *key) {
        const double us = median(on.value(QLatin1String(key)));
        return std::make_pair(us, caractere > 0 ? 100 * us / caractere : 0.0);
    };
    const auto [lettre, lettrePart] = part("aidworkletter");
    const auto [blanc, blancPart] = part("aidworkblank");
    const auto [balise, balisePart] = part("aidworktag");
    const auto [entite, entitePart] = part("aidworkref");
    std::printf(
        "\nThe completion's own work for a typed letter, its list's window aside (processor "
        "time, mean of 1000, medians of %d runs), and its share of a typed character "
        "mid-document with the completion off: after a letter %.1f us (%.2f%%), after "
        "a blank %.1f us (%.2f%%), after \"<\" %.1f us (%.2f%%), after \"&\" %.1f us "
        "(%.2f%%)\n",
        runs, lettre, lettrePart, blanc, blancPart, balise, balisePart, entite, entitePart);
    std::printf("\nLists shown and painted after the key, completion on: %.0f%% after \"<d\", "
                "%.0f%% after \"&e\" (off: %.0f%%, %.0f%%)\n",
                100 * median(on.value(QStringLiteral("aidlisttagshown"))),
                100 * median(on.value(QStringLiteral("aidlistrefshown"))),
                100 * median(nocompletion.value(QStringLiteral("aidlisttagshown"))),
                100 * median(nocompletion.value(QStringLiteral("aidlistrefshown"))));
    const auto m = [&go](const char *key) { return median(go.value(QLatin1String(key))); };
    std::printf("\nAtteindre la ligne, the last line of 5M while the page is still being laid "
                "out (%s; medians of %d runs): %.1f ms to the command's end (%.1f ms of "
                "processor time), %.1f ms to the next paint; cursor at the start of that line, "
                "in view, as near the middle as the end of the text allows: %s\n",
                m("gotostilllaying") == 1 ? "it was" : "it was not", runs, m("gotoline"),
                m("gotocpu"), m("gotoshown"), m("gotoright") == 1 ? "yes" : "no");
    std::fflush(stdout);
}

void printCheck(const QStringList &sizes, int runs)
{
    for (const QString &size : sizes) {
        QMap<QString, QList<double>> worker;
        QMap<QString, QList<double>> gui;
        QMap<QString, QList<double>> idle;
        for (int run = 0; run < runs; ++run) {
            const QString characters = QString::number(parseSize(size));
            const auto one = parse(runProcess({QStringLiteral("--check-child"), characters,
                                               QStringLiteral("worker"), QStringLiteral("0")}));
            for (auto it = one.cbegin(); it != one.cend(); ++it)
                worker[it.key()] << it.value();
            const auto two = parse(runProcess({QStringLiteral("--check-child"), characters,
                                               QStringLiteral("gui"), QStringLiteral("0")}));
            for (auto it = two.cbegin(); it != two.cend(); ++it)
                gui[it.key()] << it.value();
            const auto three = parse(
                runProcess({QStringLiteral("--check-child"), characters, QStringLiteral("idle"),
                            QString::number(one.value(QStringLiteral("checkshown")))}));
            for (auto it = three.cbegin(); it != three.cend(); ++it)
                idle[it.key()] << it.value();
            const auto four = parse(runProcess({QStringLiteral("--check-child"), characters,
                                                QStringLiteral("twice"), QStringLiteral("0")}));
            for (auto it = four.cbegin(); it != four.cend(); ++it)
                worker[it.key()] << it.value();
        }
        const auto m = [](const QMap<QString, QList<double>> &values, const char *key) {
            return median(values.value(QLatin1String(key)));
        };
        std::printf("| %s, Vérifier la page | F7 (worker) | on the GUI thread | no check |\n"
                    "|---|---:|---:|---:|\n",
                    qPrintable(size));
        std::printf("| from F7 to the rows shown | %.1f ms | %.1f ms | – |\n",
                    m(worker, "checkshown"), m(gui, "checkshown"));
        std::printf("| longest event-loop stall meanwhile | %.1f ms | %.1f ms | %.1f ms |\n",
                    m(worker, "checkstall"), m(gui, "checkstall"), m(idle, "checkstall"));
        std::printf("| resident size after the check, %% of before | %.0f %% | %.0f %% | – |\n",
                    m(worker, "checkresident"), m(gui, "checkresident"));
        std::printf("| second F7 during the check: to the rows shown | %.1f ms | – | – |\n\n",
                    m(worker, "checksecond"));
        std::fflush(stdout);
    }
}

void printSite(int runs)
{
    QMap<QString, QList<double>> values;
    for (int run = 0; run < runs; ++run) {
        for (const char *mode : {"read", "check", "window"}) {
            const auto one
                = parse(runProcess({QStringLiteral("--site-child"), QString::fromLatin1(mode)}));
            for (auto it = one.cbegin(); it != one.cend(); ++it)
                values[it.key()] << it.value();
        }
    }
    const auto m = [&values](const char *key) { return median(values.value(QLatin1String(key))); };
    std::printf("| %.0f pages of 20 KB (%.1f MB), 50 links each; medians of %d runs | time |\n"
                "|---|---:|\n",
                m("sitepages"), m("sitemb"), runs);
    std::printf("| only reading the files (the walk, each by the reading rule) | %.1f ms |\n",
                m("siteread"));
    std::printf("| Vérifier le site, without a window (%.0f rows) | %.1f ms |\n", m("siterows"),
                m("sitecheck"));
    std::printf("| Shift+F7 in the editor, until the rows are shown | %.1f ms |\n",
                m("sitewindow"));
    std::printf("| longest event-loop stall meanwhile | %.1f ms |\n", m("sitestall"));
    std::printf("| the GUI thread's longest own work between two turns of the loop (CPU) | %.1f "
                "ms |\n",
                m("siteownwork"));
    std::printf("| longest event-loop stall of the same editor, checking nothing | %.1f ms |\n\n",
                m("siteidlestall"));
    std::fflush(stdout);
}

const Row journalRows[] = {
    {"journalfirst", "first write, after a typed character: stall", "ms"},
    {"journalfirstown", "first write, after a typed character: journal's own work (CPU)", "ms"},
    {"journaltyped", "write after a typed character: stall", "ms"},
    {"journaltypedown", "write after a typed character: journal's own work (CPU)", "ms"},
    {"journalpaste", "write after a pasted word: stall", "ms"},
    {"journalpasteown", "write after a pasted word: journal's own work (CPU)", "ms"},
    {"journaldelete", "write after a word deleted near the top: stall", "ms"},
    {"journaldeleteown", "write after a word deleted near the top: journal's own work (CPU)", "ms"},
    {"journalsame", "the worker's text is the document's (1 = yes)", ""},
};

// The journal's longest stalls, handed the edits and copying the whole text as
// before, each in children of their own.
void printJournal(const QString &size, int runs)
{
    QMap<QString, QList<double>> edits;
    QMap<QString, QList<double>> copies;
    for (int run = 0; run < runs; ++run) {
        for (const bool copy : {false, true}) {
            const auto values = parse(
                runProcess({QStringLiteral("--journal-child"), QString::number(parseSize(size)),
                            copy ? QStringLiteral("copy") : QStringLiteral("edits")}));
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                (copy ? copies : edits)[it.key()] << it.value();
        }
    }
    std::printf("| %s, recovery journal | edits | whole copy (before) | ratio "
                "|\n|---|---:|---:|---:|\n",
                qPrintable(size));
    for (const Row &row : journalRows) {
        const double a = median(edits.value(QLatin1String(row.key)));
        const double b = median(copies.value(QLatin1String(row.key)));
        std::printf("| %s | %.1f %s | %.1f %s | %.2f |\n", row.label, a, row.unit, b, row.unit,
                    b > 0 ? a / b : 0.0);
    }
    std::printf("\nWhole copies of the text on the GUI thread, handed the edits: %.0f\n\n",
                median(edits.value(QStringLiteral("journalcopies"))));
    std::fflush(stdout);
}

// The rows shown for the UTF-8 page, beside the same page in ISO 8859-1.
const char *const utf8Rows[]
    = {"read", "shown", "laidout", "stall", "typemid", "typetop", "save", "identical"};

int runParent(const QStringList &sizes, int runs)
{
    std::printf("Marlisse benchmark: medians of %d runs; ref = rule-by-rule highlighter and "
                "default font strategy, measured in the same run; UTF-8 = the same page in "
                "UTF-8, beside ISO 8859-1.\n\n",
                runs);
    for (const QString &size : sizes) {
        QMap<QString, QList<double>> fast;
        QMap<QString, QList<double>> ref;
        QMap<QString, QList<double>> utf8;
        for (int run = 0; run < runs; ++run) {
            for (const char *kind : {"fast", "reference", "utf8"}) {
                const QString mode = QLatin1String(kind);
                const auto values = parse(
                    runProcess({QStringLiteral("--child"), QString::number(parseSize(size)),
                                mode == QLatin1String("reference") ? mode : QStringLiteral("fast"),
                                mode == QLatin1String("utf8") ? mode : QStringLiteral("latin1")}));
                auto &into = mode == QLatin1String("fast") ? fast
                    : mode == QLatin1String("reference")   ? ref
                                                           : utf8;
                for (auto it = values.cbegin(); it != values.cend(); ++it)
                    into[it.key()] << it.value();
            }
        }
        std::printf("| %s | Marlisse | reference | ratio |\n|---|---:|---:|---:|\n",
                    qPrintable(size));
        for (const Row &row : rows) {
            const double a = median(fast.value(QLatin1String(row.key)));
            const double b = median(ref.value(QLatin1String(row.key)));
            std::printf("| %s | %.1f %s | %.1f %s | %.2f |\n", row.label, a, row.unit, b, row.unit,
                        b > 0 ? a / b : 0.0);
        }
        std::printf("\n| %s | UTF-8 | ISO 8859-1 | ratio |\n|---|---:|---:|---:|\n",
                    qPrintable(size));
        for (const Row &row : rows) {
            if (std::find_if(std::begin(utf8Rows), std::end(utf8Rows),
                             [&row](const char *key) { return qstrcmp(key, row.key) == 0; })
                == std::end(utf8Rows))
                continue;
            const double a = median(utf8.value(QLatin1String(row.key)));
            const double b = median(fast.value(QLatin1String(row.key)));
            std::printf("| %s | %.1f %s | %.1f %s | %.2f |\n", row.label, a, row.unit, b, row.unit,
                        b > 0 ? a / b : 0.0);
        }
        std::printf("\n");
        std::fflush(stdout);
        printJournal(size, runs);
    }

    QList<double> startups;
    for (int run = 0; run < std::max(runs, 5); ++run) {
        QElapsedTimer t;
        t.start();
        runProcess({QStringLiteral("--startup")});
        startups << ms(t);
    }
    std::printf("Start-up to the first painted window (process start to first paint, "
                "offscreen): %.1f ms\n",
                median(startups));
    printReplaceAll(runs);
    printSave1251(runs);
    printLateDeclarations(runs);
    printTyping(runs);
    printCheck(sizes, runs);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (arguments.value(0) == QLatin1String("--startup")) {
        QApplication app(argc, argv);
        return runStartupChild();
    }
    QApplication app(argc, argv);
    if (arguments.value(0) == QLatin1String("--child"))
        return runChild(arguments.value(1).toLongLong(),
                        arguments.value(2) == QLatin1String("reference"),
                        arguments.value(3) == QLatin1String("utf8"));
    if (arguments.value(0) == QLatin1String("--save-1251-child"))
        return runSave1251Child(arguments.value(1).toLongLong());
    if (arguments.value(0) == QLatin1String("--late-child"))
        return runLateChild(arguments.value(1).toLongLong());
    if (arguments.value(0) == QLatin1String("--typing-child"))
        return runTypingChild(arguments.value(1).toLongLong(),
                              arguments.value(2) != QLatin1String("off"),
                              arguments.value(2) == QLatin1String("on"));
    if (arguments.value(0) == QLatin1String("--goto-child"))
        return runGotoChild(arguments.value(1).toLongLong());
    if (arguments.value(0) == QLatin1String("--journal-child"))
        return runJournalChild(arguments.value(1).toLongLong(),
                               arguments.value(2) == QLatin1String("copy"));
    if (arguments.value(0) == QLatin1String("--check-child"))
        return runCheckChild(arguments.value(1).toLongLong(), arguments.value(2),
                             arguments.value(3).toDouble());
    if (arguments.value(0) == QLatin1String("--site-search-child"))
        return runSiteSearchChild(arguments);
    if (arguments.value(0) == QLatin1String("--site-child"))
        return runSiteChild(arguments.value(1));
    if (arguments.value(0) == QLatin1String("--replace-all-child"))
        return runReplaceAllChild(arguments.value(1).toLongLong(), arguments.value(2).toInt(),
                                  arguments.value(3) == QLatin1String("middle"),
                                  arguments.value(4) == QLatin1String("expression"));

    int runs = 3;
    QStringList sizes = {QStringLiteral("100K"), QStringLiteral("1M"), QStringLiteral("5M"),
                         QStringLiteral("20M")};
    for (int i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--runs"))
            runs = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--sizes"))
            sizes = arguments[i + 1].split(u',');
    }
    if (arguments.contains(QLatin1String("--replace-all"))) {
        printReplaceAll(runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--late-declarations"))) {
        printLateDeclarations(runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--save-1251"))) {
        printSave1251(runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--typing"))) {
        printTyping(runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--check"))) {
        printCheck(sizes, runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--site-search"))) {
        printSiteSearch(runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--site"))) {
        printSite(runs);
        return 0;
    }
    if (arguments.contains(QLatin1String("--journal"))) {
        for (const QString &size : sizes)
            printJournal(size, runs);
        return 0;
    }
    return runParent(sizes, runs);
}
