#include "commandtest.h"
#include "dialoganswers.h"
#include "journalrecuperation.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextCursor>
#include <QTextDocument>
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
    void restoredOverNewerFile_data();
    void restoredOverNewerFile();
    void offeredInTurn_data();
    void offeredInTurn();
    void workerFollowsEditor_data();
    void workerFollowsEditor();
    void textTooLongToKeep();
    void folderUnusable_data();
    void folderUnusable();
    void killedProgramOffersText();
};

namespace {

const qint64 quand = 1700000000000;

DocumentRecupere document(const QString &texte, const QString &fichier = QString(),
                          qint64 ms = quand, const QString &codage = QStringLiteral("ISO 8859-1"))
{
    DocumentRecupere document;
    document.texte = texte;
    document.fichier = fichier;
    document.html = !fichier.endsWith(QLatin1String(".txt"));
    document.codage = codage;
    document.derniereModification = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return document;
}

QByteArray journal(const QString &texte, const QString &fichier = QString(), qint64 ms = quand,
                   const QString &codage = QStringLiteral("ISO 8859-1"))
{
    return FormatJournal::ecrit(document(texte, fichier, ms, codage));
}

// A journal as the first version of its format wrote it: the encoding's name, no more.
QByteArray journalPremierFormat(const DocumentRecupere &document)
{
    QByteArray corps;
    QDataStream flux(&corps, QIODevice::WriteOnly);
    flux.setVersion(QDataStream::Qt_6_0);
    flux << document.derniereModification.toMSecsSinceEpoch() << document.fichier << document.html
         << document.codage << document.texte;
    QByteArray octets("MARLISSE-JOURNAL");
    QDataStream entete(&octets, QIODevice::Append);
    entete << quint32(1) << quint64(corps.size());
    octets += corps;
    return octets + QCryptographicHash::hash(octets, QCryptographicHash::Sha1);
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
    // The file's line ends are no step of the text's history: undoing the typing
    // leaves a document whose file would change.
    QTest::newRow("line ends changed, typing undone") << "line ends, undo" << true;
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
    } else if (action == QLatin1String("line ends, undo")) {
        // As the user chooses them, in the menu of the line-end label.
        QTest::mouseClick(f.window->findChild<QLabel *>(QStringLiteral("labelFinsDeLigne")),
                          Qt::LeftButton);
        auto *menu = f.window->findChild<QMenu *>(QStringLiteral("finsDeLigneMenu"));
        QVERIFY(menu);
        menu->hide();
        auto *crlf = menu->findChild<QAction *>(QStringLiteral("finsDeLigneAct CR LF"));
        QVERIFY(crlf);
        crlf->trigger();
        w.textEdit()->undo();
        QVERIFY(w.textEdit()->document()->isModified());
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
    if (remains && action.startsWith(QLatin1String("line ends"))) {
        QCOMPARE(FormatJournal::lit(readBytes(w.journal()->chemin()), &lu),
                 FormatJournal::Etat::Lisible);
        QCOMPARE(lu.finsDeLigne, LineEnds::Convention::CRLF);
        QCOMPARE(lu.texte, QStringLiteral("<p>x</p>\n"));
    }
}

void TestRecovery::restored_data()
{
    QTest::addColumn<QString>("fichier");
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QString>("codage");
    QTest::addColumn<bool>("marque");
    QTest::addColumn<QString>("declaration"); // as read; null: a journal of the first format
    QTest::addColumn<QString>("finsDeLigne");
    QTest::addColumn<QByteArray>("written");
    const QString texte = QStringLiteral("première\u00a0!\u2028\tsuite");
    QTest::newRow("UTF-8") << "notes.txt" << texte << "UTF-8" << false << ""
                           << "LF" << QByteArray("premi\xc3\xa8re\xc2\xa0!\n\tsuite");
    // A name this program does not know leaves the encoding it has, and says so.
    QTest::newRow("unknown encoding") << "notes.txt" << texte << "X-inconnu" << false << ""
                                      << "LF" << QByteArray("premi\xe8re\xa0!\n\tsuite");
    QTest::newRow("first format") << "notes.txt" << texte << "UTF-8" << false << QString() << "LF"
                                  << QByteArray("premi\xc3\xa8re\xc2\xa0!\n\tsuite");
    // Saved as without the crash: in what the page declares since it was read,
    // without the mark it was read without, in its line ends.
    const QString page = QStringLiteral("<meta charset=\"utf-8\"><p>été</p>");
    QTest::newRow("declaration changed before the crash")
        << "page.html" << page << "ISO 8859-1" << false << "iso-8859-1"
        << "LF" << page.toUtf8();
    QTest::newRow("UTF-16 without a mark") << "notes.txt"
                                           << "é"
                                           << "UTF-16 LE" << false << ""
                                           << "LF" << QByteArray("\xe9\0", 2);
    QTest::newRow("CR LF") << "notes.txt"
                           << "a\nb\n"
                           << "ISO 8859-1" << false << ""
                           << "CR LF" << QByteArray("a\r\nb\r\n");
}

// "Oui" gives a document, whose file was deleted since, back as if the file had
// been opened and edited, with characters that a plain-text copy would change;
// Ctrl+S then writes it as it would have been written without the crash.
void TestRecovery::restored()
{
    QFETCH(QString, fichier);
    QFETCH(QString, texte);
    QFETCH(QString, codage);
    QFETCH(bool, marque);
    QFETCH(QString, declaration);
    QFETCH(QString, finsDeLigne);
    QFETCH(QByteArray, written);
    QTemporaryDir docs;
    const QString chemin = docs.filePath(fichier);
    DocumentRecupere laisse = document(texte, chemin, quand, codage);
    laisse.declaration = declaration;
    laisse.marque = marque;
    laisse.finsDeLigne = *LineEnds::fromLabel(finsDeLigne);
    plante(QStringLiteral("laisse"),
           declaration.isNull() ? journalPremierFormat(laisse) : FormatJournal::ecrit(laisse));
    const QString journalLaisse = JournalRecuperation::dossier() + QLatin1String("/laisse.journal");

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    DialogAnswers answers;
    answers.press(QStringLiteral("Oui"));
    f.window->proposeRecuperation();
    QVERIFY(cleanRun(answers));
    QVERIFY(answers.log().value(0).startsWith(
        QStringLiteral("Récupération | Le document «\u00a0%1\u00a0»").arg(fichier)));
    QVERIFY(answers.log().value(0).contains(
        QDateTime::fromMSecsSinceEpoch(quand).toString(u"HH:mm:ss")));
    QCOMPARE(CommandTest::texteDe(w.textEdit()), texte);
    QVERIFY(w.textEdit()->document()->isModified());
    QCOMPARE(w.labelModif()->text(), QStringLiteral(" document modifé "));
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - ") + fichier);
    QCOMPARE(action(f.window, QStringLiteral("carGrasAct"))->isEnabled(),
             fichier.endsWith(QLatin1String(".html")));
    QCOMPARE(w.textEdit()->textCursor().position(), 0);
    QCOMPARE(f.window->statusBar()->currentMessage().contains(codage), codage == "X-inconnu");
    QCOMPARE(f.window->findChild<QLabel *>(QStringLiteral("labelFinsDeLigne"))->text(),
             finsDeLigne);
    // The window holds the journal now: another program would not offer it.
    QVERIFY(!QLockFile(JournalRecuperation::dossier() + QLatin1String("/laisse.lock")).tryLock(0));

    // Ctrl+S makes the file again, in the document's encoding, and the journal goes.
    QVERIFY(f.window->slotFileSave());
    QCOMPARE(readBytes(chemin), written);
    w.journal()->attend();
    QVERIFY(!QFileInfo::exists(journalLaisse));
}

void TestRecovery::restoredOverNewerFile_data()
{
    QTest::addColumn<bool>("premierFormat");
    QTest::addColumn<bool>("change"); // another program wrote the file after the journal
    QTest::addColumn<QString>("answer"); // to Ctrl+S's question, "" for none
    QTest::newRow("changed since, Oui") << false << true << "Oui";
    QTest::newRow("changed since, Non") << false << true << "Non";
    QTest::newRow("first format, changed since") << true << true << "Oui";
    QTest::newRow("unchanged") << false << false << "";
}

// The question says when the file is newer than the text kept, and Ctrl+S asks
// before it replaces a file that another program wrote since it was read.
void TestRecovery::restoredOverNewerFile()
{
    QFETCH(bool, premierFormat);
    QFETCH(bool, change);
    QFETCH(QString, answer);
    QTemporaryDir docs;
    const QString chemin = docs.filePath(QStringLiteral("page.html"));
    const QByteArray lu("<p>lu</p>\n");
    QVERIFY(writeBytes(chemin, lu));
    {
        // Read a minute before the last change that the journal kept.
        QFile fichier(chemin);
        QVERIFY(fichier.open(QIODevice::ReadWrite));
        QVERIFY(fichier.setFileTime(QDateTime::fromMSecsSinceEpoch(quand - 60000, Qt::UTC),
                                    QFileDevice::FileModificationTime));
    }
    DocumentRecupere laisse = document(QStringLiteral("<p>tapé</p>\n"), chemin);
    const auto disque = EtatFichier::surDisque(chemin);
    QVERIFY(disque);
    laisse.disque = EtatFichier::connu(chemin, disque->taille, disque->modification,
                                       QCryptographicHash::hash(lu, QCryptographicHash::Sha1));
    plante(QStringLiteral("laisse"),
           premierFormat ? journalPremierFormat(laisse) : FormatJournal::ecrit(laisse));
    const QByteArray autre("<p>écrit par un autre programme</p>\n");
    if (change)
        QVERIFY(writeBytes(chemin, autre));

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    {
        DialogAnswers answers;
        answers.press(QStringLiteral("Oui"));
        f.window->proposeRecuperation();
        QVERIFY(cleanRun(answers));
        QCOMPARE(answers.log().value(0).contains(
                     QStringLiteral("\nLe fichier sur le disque est plus récent\u00a0: il a été "
                                    "modifié le ")),
                 change);
    }

    DialogAnswers question;
    if (!answer.isEmpty())
        question.press(answer);
    QCOMPARE(f.window->slotFileSave(), answer != QLatin1String("Non"));
    QVERIFY(cleanRun(question));
    QCOMPARE(question.log().size(), answer.isEmpty() ? 0 : 1);
    QCOMPARE(readBytes(chemin),
             answer == QLatin1String("Non") ? autre : QByteArray("<p>tap\xe9</p>\n"));
    QCOMPARE(w.textEdit()->document()->isModified(), answer == QLatin1String("Non"));
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

void TestRecovery::workerFollowsEditor_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("copies"); // of the whole text on the GUI thread
    // Each step is the editor's own command, as the user gives it; "compare" looks
    // at the worker's text between two steps.
    QTest::newRow("typing, deleting, undo, redo")
        << QStringList {"type <b>ab", "left",   "backspace", "delete",  "return",    "compare",
                        "down",       "type é", "overwrite", "type XY", "overwrite", "undo",
                        "compare",    "undo",   "redo",      "end",     "type fin"}
        << 0;
    QTest::newRow("replace all, undo, redo")
        << QStringList {"type x", "replace all ligne|<td>ligne</td>", "compare", "undo", "compare",
                        "redo"}
        << 0;
    QTest::newRow("paste, typing in it, undo")
        << QStringList {"down",        "paste <p>collé\navec deux lignes</p>\n",
                        "left",        "type z",
                        "compare",     "undo",
                        "paste \u00a0"}
        << 0;
    QTest::newRow("whole text replaced") << QStringList {"select all", "paste tout", "type !"} << 1;
}

// The worker keeps the text from the edits the document reports, however wide
// they are: its text, and the journal it writes, are the editor's.
void TestRecovery::workerFollowsEditor()
{
    QFETCH(QStringList, steps);
    QFETCH(int, copies);
    QTemporaryDir docs;
    const QString page = docs.filePath(QStringLiteral("page.html"));
    QStringList lignes;
    for (int i = 0; i < 200; ++i)
        lignes << QStringLiteral("<p>ligne %1</p>").arg(i);
    QVERIFY(writeBytes(page, lignes.join(QLatin1Char('\n')).toLatin1() + '\n'));
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(openThroughDialog(f.window, page));
    monQTextEdit *edit = w.textEdit();

    DialogAnswers answers;
    for (const QString &step : steps) {
        const QString what = step.section(QLatin1Char(' '), 0, 0);
        const QString argument = step.section(QLatin1Char(' '), 1);
        if (what == QLatin1String("type")) {
            // QTest types ASCII only: the others come as the text of a key.
            for (const QChar c : argument) {
                if (c.unicode() < 0x80) {
                    QTest::keyClicks(edit, QString(c));
                } else {
                    QKeyEvent touche(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c);
                    QApplication::sendEvent(edit, &touche);
                }
            }
        } else if (what == QLatin1String("paste")) {
            QApplication::clipboard()->setText(argument);
            action(f.window, "editPasteAct")->trigger();
        } else if (what == QLatin1String("replace")) {
            const QString cherche = argument.section(QLatin1Char(' '), 1).section(u'|', 0, 0);
            const QString par = argument.section(QLatin1Char(' '), 1).section(u'|', 1);
            answers.then([cherche, par](QWidget *dialog) {
                dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))->setText(cherche);
                dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"))->setText(par);
                clickButton(dialog, QStringLiteral("Ok"));
            });
            action(f.window, "editReplaceToutAct")->trigger();
        } else if (what == QLatin1String("undo")) {
            action(f.window, "editAnnulerAct")->trigger();
        } else if (what == QLatin1String("redo")) {
            action(f.window, "editRefaireAct")->trigger();
        } else if (what == QLatin1String("select")) {
            edit->selectAll();
        } else if (what == QLatin1String("compare")) {
            QCOMPARE(w.journal()->texteDuTravailleur(), CommandTest::texteDe(edit));
        } else {
            static const QHash<QString, Qt::Key> keys {{"left", Qt::Key_Left},
                                                       {"down", Qt::Key_Down},
                                                       {"end", Qt::Key_End},
                                                       {"return", Qt::Key_Return},
                                                       {"backspace", Qt::Key_Backspace},
                                                       {"delete", Qt::Key_Delete},
                                                       {"overwrite", Qt::Key_Insert}};
            QVERIFY2(keys.contains(what), qPrintable(step));
            QTest::keyClick(edit, keys.value(what),
                            what == QLatin1String("end") ? Qt::ControlModifier : Qt::NoModifier);
        }
    }
    QVERIFY(cleanRun(answers));
    QVERIFY(edit->document()->isModified());
    const QString texte = CommandTest::texteDe(edit);
    QCOMPARE(w.journal()->texteDuTravailleur(), texte);
    w.journal()->termine();
    DocumentRecupere lu;
    QCOMPARE(FormatJournal::lit(readBytes(w.journal()->chemin()), &lu),
             FormatJournal::Etat::Lisible);
    QCOMPARE(lu.texte, texte);
    QCOMPARE(w.journal()->copiesCompletes(), copies);
}

namespace { } // namespace

// A text longer than the document's limit is not written, and the status bar
// says so once; the journal goes on once the text is shorter again.
void TestRecovery::textTooLongToKeep()
{
    QTextDocument document;
    document.setDocumentLayout(new NoLayout(&document));
    JournalRecuperation journal(&document, [](DocumentRecupere *) {});
    QVERIFY(journal.demarre());
    QSignalSpy dit(&journal, &JournalRecuperation::recuperationImpossible);
    QSignalSpy ecrit(&journal, &JournalRecuperation::journalEcrit);
    // In lines, as a page has them: a block of millions of characters would take
    // the document seconds at each edit.
    QString limite;
    limite.reserve(JournalRecuperation::longueurMax);
    const QString ligne = QString(999, u'a') + QLatin1Char('\n');
    while (limite.size() + ligne.size() <= JournalRecuperation::longueurMax)
        limite += ligne;
    limite += QString(JournalRecuperation::longueurMax - limite.size(), u'a');
    document.setPlainText(limite);
    journal.nouveauTexte(limite);

    QTextCursor curseur(&document);
    curseur.movePosition(QTextCursor::End);
    for (const QString &tape : {QStringLiteral("b"), QStringLiteral("c")}) {
        curseur.insertText(tape);
        journal.termine();
    }
    QTest::qWait(50); // what the worker reports comes through the event loop
    QCOMPARE(ecrit.size(), 0);
    QVERIFY(!QFileInfo::exists(journal.chemin()));
    QCOMPARE(dit.size(), 1);
    QVERIFY2(dit.value(0).value(0).toString().startsWith(
                 QStringLiteral("Récupération suspendue\u00a0: le texte dépasse 67108864 "
                                "caractères")),
             qPrintable(dit.value(0).value(0).toString()));

    curseur.setPosition(3);
    curseur.setPosition(document.characterCount() - 3, QTextCursor::KeepAnchor);
    curseur.removeSelectedText();
    journal.termine();
    DocumentRecupere lu;
    QCOMPARE(FormatJournal::lit(readBytes(journal.chemin()), &lu), FormatJournal::Etat::Lisible);
    QCOMPARE(lu.texte, QStringLiteral("aaabc"));
    QCOMPARE(dit.size(), 1);
    QCOMPARE(journal.copiesCompletes(), 0);
    document.setModified(false);
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
