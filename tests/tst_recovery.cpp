#include "commandtest.h"
#include "dialoganswers.h"
#include "journalrecuperation.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <sys/stat.h>

using namespace TestSupport;

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void journalFollowsDocument_data();
    void journalFollowsDocument();
    void nothingWrittenWhileUnchanged();
    void offeredAtStart_data();
    void offeredAtStart();
    void newestFirst_data();
    void newestFirst();
    void unusableJournalSkipped_data();
    void unusableJournalSkipped();
    void folderUnusable_data();
    void folderUnusable();
    void killedProgramOffersText();
};

enum class Verrou { Aucun, Mort, Vivant };
Q_DECLARE_METATYPE(Verrou)

namespace {

QByteArray journal(const QString &texte, const QString &fichier = QString(), bool html = true,
                   qint64 quand = 1700000000000, const QString &codage = "ISO 8859-1")
{
    return FormatJournal::ecrit(
        {texte, fichier, html, codage, QDateTime::fromMSecsSinceEpoch(quand, Qt::UTC)});
}

// A journal as a program left it. The lock returned for Verrou::Vivant, held by
// this running process, stands for a program still running.
std::unique_ptr<QLockFile> plante(const QString &nom, const QByteArray &octets, Verrou etat)
{
    const QString base = JournalRecuperation::dossier() + QLatin1Char('/') + nom;
    writeBytes(base + QLatin1String(".journal"), octets);
    if (etat == Verrou::Aucun)
        return nullptr;
    auto verrou = std::make_unique<QLockFile>(base + QLatin1String(".lock"));
    if (!verrou->tryLock(0) || etat == Verrou::Vivant)
        return verrou;
    // The same lock, naming a process that has ended.
    const QByteArray contenu = readBytes(base + QLatin1String(".lock"));
    verrou->unlock();
    QProcess fini;
    fini.start(QStringLiteral("true"));
    fini.waitForStarted();
    const qint64 pid = fini.processId();
    fini.waitForFinished();
    writeBytes(base + QLatin1String(".lock"),
               QByteArray::number(pid) + contenu.mid(contenu.indexOf('\n')));
    return nullptr;
}

} // namespace

void TestRecovery::initTestCase()
{
    TestSupport::init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

// Every test starts with no journal: what a window of the test before left goes.
void TestRecovery::init()
{
    const QString dossier = JournalRecuperation::dossier();
    QVERIFY(dossier.startsWith(dataFolder()));
    QFile::remove(dossier);
    QVERIFY(QDir(dossier).removeRecursively());
}

void TestRecovery::journalFollowsDocument_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("remains");
    QTest::newRow("saved") << "save" << false;
    QTest::newRow("New answered Non") << "new, Non" << false;
    QTest::newRow("closing answered Non") << "close, Non" << false;
    QTest::newRow("closing answered Annuler") << "close, Annuler" << true;
    QTest::newRow("undone to the saved text") << "undo" << false;
}

void TestRecovery::journalFollowsDocument()
{
    QFETCH(QString, action);
    QFETCH(bool, remains);
    QTemporaryDir docs;
    const QString page = docs.filePath(QStringLiteral("page.html"));
    QVERIFY(writeBytes(page, "<p>x</p>\n"));
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(f.window->loadFile(page));
    w.setCurrentFile(page);

    // Written by itself after a change, with all it takes to restore it.
    QSignalSpy ecrit(w.journal(), &JournalRecuperation::journalEcrit);
    w.textEdit()->insertPlainText(QStringLiteral("é"));
    QVERIFY(ecrit.wait(5000));
    DocumentRecupere lu;
    QCOMPARE(FormatJournal::lit(readBytes(w.journal()->chemin()), &lu),
             FormatJournal::Etat::Lisible);
    QCOMPARE(lu.texte, QStringLiteral("é<p>x</p>\n"));
    QCOMPARE(lu.fichier, page);
    QVERIFY(lu.html);
    QCOMPARE(lu.codage, w.documentEncodingName());

    DialogAnswers answers;
    if (action == QLatin1String("save")) {
        QVERIFY(f.window->slotFileSave());
    } else if (action == QLatin1String("new, Non")) {
        answers.press(QStringLiteral("Non"));
        f.window->slotFileNew();
    } else if (action.startsWith(QLatin1String("close, "))) {
        answers.press(action.mid(7));
        f.window->close();
    } else {
        w.textEdit()->undo();
    }
    QVERIFY(cleanRun(answers));
    w.journal()->attend();
    QCOMPARE(QFileInfo::exists(w.journal()->chemin()), remains);
}

// A text loaded, then changed and undone before the write, is not written.
void TestRecovery::nothingWrittenWhileUnchanged()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QSignalSpy ecrit(w.journal(), &JournalRecuperation::journalEcrit);
    w.textEdit()->setPlainText(QStringLiteral("<p>chargé</p>"));
    QTest::keyClick(w.textEdit(), Qt::Key_X);
    w.textEdit()->undo();
    QTest::qWait(JournalRecuperation::delai + 500);
    w.journal()->termine();
    QCOMPARE(ecrit.count(), 0);
    QVERIFY(!QFileInfo::exists(w.journal()->chemin()));
}

void TestRecovery::offeredAtStart_data()
{
    QTest::addColumn<Verrou>("verrou");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("restored");
    QTest::addColumn<bool>("remains");
    QTest::addColumn<QString>("codage");
    const QString latin1 = QStringLiteral("ISO 8859-1");
    QTest::newRow("dead program, Oui") << Verrou::Mort << "Oui" << true << true << latin1;
    QTest::newRow("no lock, Oui") << Verrou::Aucun << "Oui" << true << true << latin1;
    QTest::newRow("unknown encoding, Oui") << Verrou::Mort << "Oui" << true << true << "X-inconnu";
    QTest::newRow("dead program, Non") << Verrou::Mort << "Non" << false << false << latin1;
    QTest::newRow("dead program, Escape") << Verrou::Mort << "Escape" << false << true << latin1;
    QTest::newRow("live program") << Verrou::Vivant << "" << false << true << latin1;
}

void TestRecovery::offeredAtStart()
{
    QFETCH(Verrou, verrou);
    QFETCH(QString, answer);
    QFETCH(bool, restored);
    QFETCH(bool, remains);
    QFETCH(QString, codage);
    const QString latin1 = QStringLiteral("ISO 8859-1");
    // A plain text whose file was deleted since, with characters that a plain-text
    // copy or UTF-8 would change.
    QTemporaryDir docs;
    const QString notes = docs.filePath(QStringLiteral("notes.txt"));
    const QString texte = QStringLiteral("première\u00a0!\u2028\tsuite\n\n")
        + QString::fromUcs4(U"\U0001F600") + QChar(0xd800);
    const auto vivant = plante(QStringLiteral("laisse"),
                               journal(texte, notes, false, 1700000000000, codage), verrou);
    const QString chemin = JournalRecuperation::dossier() + QLatin1String("/laisse.journal");

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    {
        DialogAnswers answers;
        if (!answer.isEmpty())
            answers.press(answer);
        f.window->proposeRecuperation();
        QVERIFY(cleanRun(answers));
        QCOMPARE(answers.log().size(), answer.isEmpty() ? 0 : 1);
        const QString heure = QDateTime::fromMSecsSinceEpoch(1700000000000).toString(u"HH:mm:ss");
        QVERIFY2(answer.isEmpty()
                     || (answers.log().first().startsWith(
                             QStringLiteral("Récupération | Le document «\u00a0notes.txt\u00a0»"))
                         && answers.log().first().contains(heure)),
                 qPrintable(answers.log().value(0)));
    }
    QCOMPARE(QFileInfo::exists(chemin), remains);
    QCOMPARE(w.textEdit()->document()->isModified(), restored);
    QCOMPARE(CommandTest::texteDe(w.textEdit()), restored ? texte : QString());
    if (!restored)
        return;

    // As if the file had been opened and edited.
    QCOMPARE(w.currentFile(), notes);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - notes.txt"));
    QVERIFY(!w.isHtml());
    QVERIFY(!action(f.window, QStringLiteral("carGrasAct"))->isEnabled());
    QCOMPARE(w.labelAlignement()->text(), QString());
    QCOMPARE(w.labelModif()->text(), QStringLiteral(" document modifé "));
    // A name this program does not know leaves the encoding it has, and says so.
    QCOMPARE(w.documentEncodingName(), latin1);
    QCOMPARE(f.window->statusBar()->currentMessage().contains(codage), codage != latin1);
    QCOMPARE(w.textEdit()->textCursor().position(), 0);
    // The window holds the journal now: another program would not offer it.
    QLockFile autre(JournalRecuperation::dossier() + QLatin1String("/laisse.lock"));
    QVERIFY(!autre.tryLock(0));

    // Ctrl+S makes the file again, and the journal goes.
    DialogAnswers question; // the characters beyond ISO 8859-1
    question.press(QStringLiteral("Enregistrer"));
    QVERIFY(f.window->slotFileSave());
    QVERIFY(cleanRun(question));
    QCOMPARE(readBytes(notes), QByteArray("premi\xe8re\xa0!\n\tsuite\n\n??"));
    w.journal()->attend();
    QVERIFY(!QFileInfo::exists(chemin));
}

void TestRecovery::newestFirst_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("restored");
    QTest::addColumn<int>("leftForNextStart");
    QTest::newRow("Oui to the first") << QStringList {"Oui"} << "récent" << 1;
    QTest::newRow("Non, then Oui") << QStringList {"Non", "Oui"} << "ancien" << 0;
    QTest::newRow("Non to both") << QStringList {"Non", "Non"} << "" << 0;
}

// Two programs killed together: each journal in turn, the newest first.
void TestRecovery::newestFirst()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, restored);
    QFETCH(int, leftForNextStart);
    const qint64 t = 1700000000000;
    plante(QStringLiteral("b"), journal(QStringLiteral("ancien"), {}, true, t), Verrou::Mort);
    plante(QStringLiteral("a"), journal(QStringLiteral("récent"), {}, true, t + 1), Verrou::Mort);

    EditorFixture f;
    DialogAnswers dialogs;
    for (const QString &answer : answers)
        dialogs.press(answer);
    f.window->proposeRecuperation();
    QVERIFY(cleanRun(dialogs));
    QCOMPARE(CommandTest::texteDe(KalTextEditTestAccess(f.window).textEdit()), restored);
    QCOMPARE(int(JournalRecuperation::abandonnes().size()), leftForNextStart);
}

void TestRecovery::unusableJournalSkipped_data()
{
    QTest::addColumn<QByteArray>("octets");
    QTest::addColumn<QString>("reason");
    const QByteArray bon = journal(QStringLiteral("<p>texte</p>"));
    QByteArray change = bon;
    change[bon.size() - 25] = 'X';
    QByteArray plusRecent = bon;
    plusRecent[19] = 2; // the format's version
    QTest::newRow("cut short") << bon.chopped(1) << "abîmé";
    QTest::newRow("byte changed") << change << "abîmé";
    QTest::newRow("not a journal") << QByteArray(64, '<') << "abîmé";
    QTest::newRow("empty") << QByteArray() << "vide";
    QTest::newRow("newer program") << plusRecent << "écrit par une version plus récente";
    QTest::newRow("pipe") << QByteArray("pipe") << "illisible";
}

// Skipped with a message and left in place, never a crash nor a wait; a good
// journal beside it is still offered.
void TestRecovery::unusableJournalSkipped()
{
    QFETCH(QByteArray, octets);
    QFETCH(QString, reason);
    const QString chemin = JournalRecuperation::dossier() + QLatin1String("/mauvais.journal");
    plante(QStringLiteral("bon"), journal(QStringLiteral("bon")), Verrou::Mort);
    if (octets == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(chemin).constData(), 0600), 0);
    else
        plante(QStringLiteral("mauvais"), octets, Verrou::Mort);

    EditorFixture f;
    DialogAnswers answers;
    answers.press(QStringLiteral("Non"));
    f.window->proposeRecuperation();
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().size(), 1);
    QCOMPARE(f.window->statusBar()->currentMessage(),
             QStringLiteral("Journal de récupération ignoré, laissé en place\u00a0: %1 (%2)")
                 .arg(chemin, reason));
    QVERIFY(QFileInfo(chemin).exists());
}

void TestRecovery::folderUnusable_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QString>("message");
    QTest::newRow("a file where the folder goes") << false << "Récupération désactivée";
    QTest::newRow("full disk") << true << "Récupération interrompue";
}

// The editor works as before and says once that the journal cannot be kept.
void TestRecovery::folderUnusable()
{
    QFETCH(bool, fullDisk);
    QFETCH(QString, message);
    std::unique_ptr<SmallFileSystem> disque;
    if (fullDisk) {
        disque = std::make_unique<SmallFileSystem>(JournalRecuperation::dossier());
        if (!disque->mounted())
            QSKIP("mounting a small file system needs root");
    } else {
        QVERIFY(writeBytes(JournalRecuperation::dossier(), "pas un dossier"));
    }
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(!disque || disque->fill());
    QStringList messages;
    for (const QString &texte : {QStringLiteral("<p>a</p>"), QStringLiteral("b")}) {
        QTest::keyClicks(w.textEdit(), texte);
        w.journal()->termine();
        QTest::qWait(50); // the worker's report comes through the event loop
        messages << f.window->statusBar()->currentMessage();
        f.window->statusBar()->clearMessage();
    }
    QVERIFY2(messages.first().startsWith(message), qPrintable(messages.first()));
    QCOMPARE(messages.last(), QString()); // once only
    QCOMPARE(CommandTest::texteDe(w.textEdit()), QStringLiteral("<p>a</p>b"));
    w.textEdit()->document()->setModified(false);
}

namespace {

// The real program on a VNC screen, through which the test types as an RFB 3.3
// client without password.
class Programme
{
public:
    Programme(const QString &chemin, const QString &donnees)
    {
        QTcpServer libre;
        libre.listen(QHostAddress::LocalHost);
        port = libre.serverPort();
        libre.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), donnees);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                   QStringLiteral("vnc:size=800x600:port=%1").arg(port));
        process.setProcessEnvironment(env);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(chemin, QStringList());
    }
    ~Programme() { tue(); }

    bool connecte()
    {
        QElapsedTimer depuis;
        depuis.start();
        while (!socket.waitForConnected(1000) && depuis.elapsed() < 30000) {
            socket.abort();
            socket.connectToHost(QHostAddress::LocalHost, port);
        }
        if (!lis(12).startsWith("RFB 003.") || socket.write("RFB 003.003\n") != 12
            || lis(4) != QByteArray("\0\0\0\1", 4) || socket.write("\1", 1) != 1)
            return false;
        const QByteArray init = lis(24);
        const int nom = init.size() == 24 ? qFromBigEndian<qint32>(init.constData() + 20) : -1;
        return lis(nom).size() == nom;
    }

    // Latin-1 letters are their own key symbols; a line feed is Return.
    void tape(const QString &texte)
    {
        for (const QChar c : texte) {
            for (const char appui : {1, 0}) {
                char message[8] = {4, appui, 0, 0};
                qToBigEndian<quint32>(c == QLatin1Char('\n') ? 0xff0d : c.unicode(), message + 4);
                socket.write(message, 8);
            }
        }
        socket.waitForBytesWritten(5000);
    }

    void tue()
    {
        process.kill(); // SIGKILL: nothing of the program's own runs
        process.waitForFinished(10000);
    }

private:
    QByteArray lis(int taille)
    {
        QByteArray octets;
        while (octets.size() < taille
               && (socket.bytesAvailable() > 0 || socket.waitForReadyRead(10000)))
            octets += socket.read(taille - octets.size());
        return octets;
    }

    QProcess process;
    QTcpSocket socket;
    quint16 port = 0;
};

QString texteDuJournal(const QDir &dossier)
{
    const QStringList journaux = dossier.entryList({QStringLiteral("*.journal")});
    DocumentRecupere lu;
    if (journaux.size() != 1
        || FormatJournal::lit(readBytes(dossier.filePath(journaux.value(0))), &lu)
            != FormatJournal::Etat::Lisible)
        return journaux.join(QLatin1Char(' '));
    return lu.texte;
}

} // namespace

// Typed, killed with SIGKILL, started again: Return gives the text back.
void TestRecovery::killedProgramOffersText()
{
    QTemporaryDir dir;
    // Started through a link in a folder of the test's own, the program keeps
    // there what it writes beside itself.
    const QString programme = dir.filePath(QStringLiteral("marlisse"));
    QVERIFY(QFile::link(QStringLiteral(MARLISSE_PROGRAM), programme));
    const QString donnees = dir.filePath(QStringLiteral("donnees"));
    const QDir recuperation(donnees + QLatin1String("/marlisse/recovery"));
    const QString texte = QStringLiteral("<p>Déjà tapé</p>\nfin");
    const auto verrous = [&] { return recuperation.entryList({QStringLiteral("*.lock")}).size(); };

    Programme premier(programme, donnees);
    QVERIFY(premier.connecte());
    QTRY_COMPARE_WITH_TIMEOUT(verrous(), 1, 30000); // the window is up
    QTest::qWait(300);
    premier.tape(texte);
    QTRY_COMPARE_WITH_TIMEOUT(texteDuJournal(recuperation), texte, 30000);
    premier.tue();

    // The program asks before its screen answers anything.
    Programme second(programme, donnees);
    QVERIFY(second.connecte());
    QTRY_COMPARE_WITH_TIMEOUT(verrous(), 2, 30000);
    QTest::qWait(300);
    second.tape(QStringLiteral("\n"));
    // The window took the journal over and let its own lock go; typing shows
    // the text back, the cursor at its start, and the journal going on.
    QTRY_COMPARE_WITH_TIMEOUT(verrous(), 1, 30000);
    second.tape(QStringLiteral("!"));
    QTRY_COMPARE_WITH_TIMEOUT(texteDuJournal(recuperation), QLatin1Char('!') + texte, 30000);
}

QTEST_MAIN(TestRecovery)
#include "tst_recovery.moc"
