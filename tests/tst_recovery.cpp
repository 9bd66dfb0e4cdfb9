#include "commandtest.h"
#include "dialoganswers.h"
#include "journalrecuperation.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QDeadlineTimer>
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
    void restored_data();
    void restored();
    void offeredInTurn_data();
    void offeredInTurn();
    void folderUnusable_data();
    void folderUnusable();
    void killedProgramOffersText();
};

namespace {

const qint64 quand = 1700000000000;

QByteArray journal(const QString &texte, const QString &fichier = QString(), qint64 ms = quand,
                   const QString &codage = QStringLiteral("ISO 8859-1"))
{
    return FormatJournal::ecrit({texte, fichier, !fichier.endsWith(QLatin1String(".txt")), codage,
                                 QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC)});
}

// A journal as a program left it. The lock returned for a live program, held by
// this running process, stands for one; otherwise the lock names a process that
// has ended.
std::unique_ptr<QLockFile> plante(const QString &nom, const QByteArray &octets, bool vivant = false)
{
    const QString base = JournalRecuperation::dossier() + QLatin1Char('/') + nom;
    writeBytes(base + QLatin1String(".journal"), octets);
    auto verrou = std::make_unique<QLockFile>(base + QLatin1String(".lock"));
    if (!verrou->tryLock(0) || vivant)
        return verrou;
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

// Written by itself after a change, with all it takes to restore it; gone once the
// changes are saved or dropped, and not written again while the text is as saved.
void TestRecovery::journalFollowsDocument()
{
    QFETCH(QString, action);
    QFETCH(bool, remains);
    QTemporaryDir docs;
    const QString page = docs.filePath(QStringLiteral("page.html"));
    QVERIFY(writeBytes(page, "<p>x</p>\n"));
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(openThroughDialog(f.window, page));

    QSignalSpy ecrit(w.journal(), &JournalRecuperation::journalEcrit);
    w.textEdit()->insertPlainText(QStringLiteral("é"));
    QVERIFY(ecrit.wait(5000));
    DocumentRecupere lu;
    QCOMPARE(FormatJournal::lit(readBytes(w.journal()->chemin()), &lu),
             FormatJournal::Etat::Lisible);
    QCOMPARE(lu.texte, QStringLiteral("é<p>x</p>\n"));
    QCOMPARE(lu.fichier, page);
    QVERIFY(lu.html);

    DialogAnswers answers;
    if (action == QLatin1String("save")) {
        QVERIFY(f.window->slotFileSave());
    } else if (action == QLatin1String("undo")) {
        w.textEdit()->undo();
    } else {
        answers.press(action.section(QStringLiteral(", "), 1));
        if (action.startsWith(QLatin1String("new")))
            f.window->slotFileNew();
        else
            f.window->close();
    }
    QVERIFY(cleanRun(answers));
    w.journal()->termine();
    QCOMPARE(QFileInfo::exists(w.journal()->chemin()), remains);
}

void TestRecovery::restored_data()
{
    QTest::addColumn<QString>("codage");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("UTF-8") << "UTF-8" << QByteArray("premi\xc3\xa8re\xc2\xa0!\n\tsuite");
    // A name this program does not know leaves the encoding it has, and says so.
    QTest::newRow("unknown encoding") << "X-inconnu" << QByteArray("premi\xe8re\xa0!\n\tsuite");
}

// "Oui" gives a plain text, whose file was deleted since, back as if the file had
// been opened and edited, with characters that a plain-text copy would change.
void TestRecovery::restored()
{
    QFETCH(QString, codage);
    QFETCH(QByteArray, written);
    QTemporaryDir docs;
    const QString notes = docs.filePath(QStringLiteral("notes.txt"));
    const QString texte = QStringLiteral("première\u00a0!\u2028\tsuite");
    plante(QStringLiteral("laisse"), journal(texte, notes, quand, codage));
    const QString chemin = JournalRecuperation::dossier() + QLatin1String("/laisse.journal");

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    DialogAnswers answers;
    answers.press(QStringLiteral("Oui"));
    f.window->proposeRecuperation();
    QVERIFY(cleanRun(answers));
    QVERIFY(answers.log().value(0).startsWith(
        QStringLiteral("Récupération | Le document «\u00a0notes.txt\u00a0»")));
    QVERIFY(answers.log().value(0).contains(
        QDateTime::fromMSecsSinceEpoch(quand).toString(u"HH:mm:ss")));
    QCOMPARE(CommandTest::texteDe(w.textEdit()), texte);
    QVERIFY(w.textEdit()->document()->isModified());
    QCOMPARE(w.labelModif()->text(), QStringLiteral(" document modifé "));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - notes.txt"));
    QVERIFY(!action(f.window, QStringLiteral("carGrasAct"))->isEnabled());
    QCOMPARE(w.textEdit()->textCursor().position(), 0);
    QCOMPARE(f.window->statusBar()->currentMessage().contains(codage), codage == "X-inconnu");
    // The window holds the journal now: another program would not offer it.
    QVERIFY(!QLockFile(JournalRecuperation::dossier() + QLatin1String("/laisse.lock")).tryLock(0));

    // Ctrl+S makes the file again, in the document's encoding, and the journal goes.
    QVERIFY(f.window->slotFileSave());
    QCOMPARE(readBytes(notes), written);
    w.journal()->attend();
    QVERIFY(!QFileInfo::exists(chemin));
}

void TestRecovery::offeredInTurn_data()
{
    QTest::addColumn<bool>("newestLive");
    QTest::addColumn<QByteArray>("unusable"); // null: none
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("restored");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QStringList>("remaining");
    const QByteArray bon = journal(QStringLiteral("<p>texte</p>"));
    QByteArray change = bon;
    change[bon.size() - 25] = 'X';
    QByteArray plusRecent = bon;
    plusRecent[19] = 3; // the format's version
    const QStringList nonNon {"Non", "Non"};
    QTest::newRow("Oui to the newest") << false << QByteArray() << QStringList {"Oui"} << "récent"
                                       << "" << QStringList {"ancien", "récent"};
    QTest::newRow("Non, then Oui")
        << false << QByteArray() << QStringList {"Non", "Oui"} << "ancien"
        << "" << QStringList {"ancien"};
    QTest::newRow("newest program alive") << true << QByteArray() << QStringList {"Non"} << ""
                                          << "" << QStringList {"récent"};
    QTest::newRow("byte changed") << false << change << nonNon << ""
                                  << "abîmé" << QStringList {"mauvais"};
    QTest::newRow("empty") << false << QByteArray("") << nonNon << ""
                           << "vide" << QStringList {"mauvais"};
    QTest::newRow("newer program")
        << false << plusRecent << nonNon << ""
        << "écrit par une version plus récente" << QStringList {"mauvais"};
    QTest::newRow("pipe") << false << QByteArray("pipe") << nonNon << ""
                          << "illisible" << QStringList {"mauvais"};
}

// The journals of programs that died are offered in turn, the newest first; one
// declined goes, one not taken stays for the next start, one whose program still
// runs is never offered. One that cannot be read is skipped with a message and
// left in place, never a crash nor a wait.
void TestRecovery::offeredInTurn()
{
    QFETCH(bool, newestLive);
    QFETCH(QByteArray, unusable);
    QFETCH(QStringList, answers);
    QFETCH(QString, restored);
    QFETCH(QString, reason);
    QFETCH(QStringList, remaining);
    const QDir dossier(JournalRecuperation::dossier());
    plante(QStringLiteral("ancien"), journal(QStringLiteral("ancien")));
    const auto vivant = plante(QStringLiteral("récent"),
                               journal(QStringLiteral("récent"), {}, quand + 1), newestLive);
    const QString mauvais = dossier.filePath(QStringLiteral("mauvais.journal"));
    if (unusable == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(mauvais).constData(), 0600), 0);
    else if (!unusable.isNull())
        plante(QStringLiteral("mauvais"), unusable);

    EditorFixture f;
    DialogAnswers dialogs;
    for (const QString &answer : answers)
        dialogs.press(answer);
    f.window->proposeRecuperation();
    QVERIFY(cleanRun(dialogs));
    QCOMPARE(CommandTest::texteDe(KalTextEditTestAccess(f.window).textEdit()), restored);
    QCOMPARE(f.window->statusBar()->currentMessage().contains(
                 QStringLiteral("ignoré, laissé en place\u00a0: %1 (%2)").arg(mauvais, reason)),
             !reason.isEmpty());
    QCOMPARE(dossier.entryList({QStringLiteral("*.journal")}, QDir::Files | QDir::System)
                 .replaceInStrings(QStringLiteral(".journal"), QString()),
             remaining);
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

// The real program on a VNC screen of its own, typed into by an RFB 3.3 client.
class Programme
{
public:
    ~Programme() { tue(); }

    // A port found free may be taken by another program before this one listens on
    // it: the VNC server then says so, and the program starts again on another.
    bool demarre(const QString &chemin, const QString &donnees)
    {
        for (int essai = 0; essai < 5; ++essai) {
            QTcpServer libre;
            libre.listen();
            const quint16 port = libre.serverPort();
            libre.close();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_DATA_HOME"), donnees);
            env.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("vnc:size=800x600:port=%1").arg(port));
            process.setProcessEnvironment(env);
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(chemin, QStringList());
            QByteArray dit;
            const QDeadlineTimer limite(30000);
            while (!dit.contains("QVncServer") && !limite.hasExpired()
                   && process.state() != QProcess::NotRunning) {
                process.waitForReadyRead(500);
                dit += process.readAll();
            }
            if (dit.contains("QVncServer created")) {
                // The server answers each step of the handshake before it reads
                // the next: its version, no password, then the screen's size.
                socket.connectToHost(QHostAddress::LocalHost, port);
                return socket.waitForConnected(10000) && lis(12).startsWith("RFB 003.")
                    && socket.write("RFB 003.003\n") == 12 && lis(4) == QByteArray("\0\0\0\1", 4)
                    && socket.write("\1", 1) == 1 && lis(24).size() == 24;
            }
            tue();
        }
        return false;
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

    Programme premier;
    QVERIFY(premier.demarre(programme, donnees));
    QTRY_COMPARE_WITH_TIMEOUT(verrous(), 1, 30000); // the window is up
    QTest::qWait(300);
    premier.tape(texte);
    QTRY_COMPARE_WITH_TIMEOUT(texteDuJournal(recuperation), texte, 30000);
    premier.tue();

    // The program asks before its screen answers anything.
    Programme second;
    QVERIFY(second.demarre(programme, donnees));
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
