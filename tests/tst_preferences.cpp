#include "completeurhtml.h"
#include "dialoganswers.h"
#include "montextedit.h"
#include "preferencesfile.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace TestSupport;

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // The file format on its own.
    void weightScales_data();
    void weightScales();
    void sevenLines();
    void lineBreakCannotBreakTheFormat();
    void parse_data();
    void parse();

    // The window: reading at start, writing at closing.
    void defaultsWithoutFile();
    void roundTrip_data();
    void roundTrip();
    void fontDialogChoiceComesBack();
    void damagedFileStillStarts_data();
    void damagedFileStillStarts();
    void deletedFileBringsDefaults();
    void userSettings_data();
    void userSettings();
    void writtenBeforeCancelledClose();
    void unwritableFileShownAtEveryClose_data();
    void unwritableFileShownAtEveryClose();
    void installedCopyKeepsPreferences_data();
    void installedCopyKeepsPreferences();
    void closeAnswers_data();
    void closeAnswers();
    void promptButtons_data();
    void promptButtons();
};

namespace {

const char header[] = "Fichier créé par Marlisse pour enregistrer les préférences de "
                      "l'utilisateur\nNE PAS MODIFIER MANUELLEMENT\n";

// An editor window started from the program folder folder.
std::unique_ptr<KalTextEdit> startIn(const QString &folder)
{
    return std::make_unique<KalTextEdit>(QStringLiteral("Marlisse"), QString(), true,
                                         folder + QStringLiteral("/marlisse"),
                                         QStringLiteral("2.1"));
}

bool noStrays(const DialogAnswers &answers)
{
    for (const QString &line : answers.log()) {
        if (line.startsWith(QLatin1String("unexpected")) || line.startsWith(QLatin1String("left"))
            || line.startsWith(QLatin1String("not a"))
            || line.startsWith(QLatin1String("no button"))) {
            qWarning("%s", qPrintable(line));
            return false;
        }
    }
    return answers.unanswered() == 0 && !QApplication::activeModalWidget();
}

// Points the user's configuration folder (XDG_CONFIG_HOME) at folder until the
// returned guard goes.
auto configurationIn(const QString &folder)
{
    const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    return qScopeGuard([previous] { qputenv("XDG_CONFIG_HOME", previous); });
}

const QString optionsBox
    = QStringLiteral("Options | Les options modifiées n'ont pas été enregistrées");
const QString closePrompt = QStringLiteral("Fermer... | La fiche éditée a été modifiée \n "
                                           "enregistrer les modifications avant de fermer ?");

} // namespace

void TestPreferences::initTestCase()
{
    init();
    QApplication::setQuitOnLastWindowClosed(false);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestPreferences::weightScales_data()
{
    QTest::addColumn<int>("fileWeight");
    QTest::addColumn<int>("fontWeight");
    QTest::newRow("normal") << 50 << int(QFont::Normal);
    QTest::newRow("bold") << 75 << int(QFont::Bold);
    QTest::newRow("light") << 25 << int(QFont::Light);
    QTest::newRow("demi-bold") << 63 << int(QFont::DemiBold);
    QTest::newRow("black") << 87 << int(QFont::Black);
}

// Files keep the 0-99 scale (50 normal, 75 bold); fonts use 100-900.
void TestPreferences::weightScales()
{
    QFETCH(int, fileWeight);
    QFETCH(int, fontWeight);
    QCOMPARE(PreferencesFile::fromFileWeight(fileWeight), fontWeight);
    QCOMPARE(PreferencesFile::toFileWeight(fontWeight), fileWeight);
    // A weight between two named ones goes to the nearer.
    QCOMPARE(PreferencesFile::fromFileWeight(fileWeight + 1), fontWeight);
    QCOMPARE(PreferencesFile::toFileWeight(fontWeight + 20), fileWeight);
}

// The exact bytes of the file: header, family, size, weight, italic flag, folder.
void TestPreferences::sevenLines()
{
    QFont font(QStringLiteral("Courier New"), 12, QFont::Bold, true);
    const QByteArray bytes
        = PreferencesFile::format(font, QStringLiteral("/home/jean/Mes documents/été"));
    QCOMPARE(bytes, QByteArray(header) + "Courier New\n12\n75\n1\n/home/jean/Mes documents/été\n");
    QCOMPARE(bytes.count('\n'), 7);

    QFont plain(QStringLiteral("DejaVu Sans"), 9);
    QCOMPARE(PreferencesFile::format(plain, QStringLiteral("/")),
             QByteArray(header) + "DejaVu Sans\n9\n50\n0\n/\n");
    QFont oblique(QStringLiteral("DejaVu Sans"), 9);
    oblique.setStyle(QFont::StyleOblique);
    QVERIFY(PreferencesFile::format(oblique, QStringLiteral("/")).endsWith("\n50\n1\n/\n"));
}

// A folder whose name holds a line break cannot be kept on one line; the file
// still has seven lines and the folder comes back as the default.
void TestPreferences::lineBreakCannotBreakTheFormat()
{
    const QByteArray bytes
        = PreferencesFile::format(QFont(QStringLiteral("Serif"), 10), QStringLiteral("/tmp/a\nb"));
    QCOMPARE(bytes.count('\n'), 7);
    const PreferencesFile::Preferences back
        = PreferencesFile::parse(bytes, {QFont(), QStringLiteral("/programme")});
    QCOMPARE(back.folder, QStringLiteral("/programme"));
    QCOMPARE(back.font.family(), QStringLiteral("Serif"));
}

void TestPreferences::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("weight");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QString>("folder");

    const QByteArray h(header);
    const QString home = QStringLiteral("/programme");
    const int normal = QFont::Normal;
    QTest::newRow("complete") << h + "Courier New\n12\n75\n1\n/d/é a\n"
                              << "Courier New" << 12 << int(QFont::Bold) << true << "/d/é a";
    QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\nSerif\r\n11\r\n50\r\n0\r\n/x\r\n")
                                 << "Serif" << 11 << normal << false << "/x";
    QTest::newRow("no final line feed") << h + "Serif\n11\n50\n0\n/x"
                                        << "Serif" << 11 << normal << false << "/x";
    QTest::newRow("empty file") << QByteArray() << "Helvetica" << 14 << normal << false << home;
    QTest::newRow("header only") << h << "Helvetica" << 14 << normal << false << home;
    QTest::newRow("cut after the size") << h + "Serif\n20\n"
                                        << "Serif" << 20 << normal << false << home;
    QTest::newRow("words for numbers") << h + "Serif\ndouze\ngras\noui\n/x\n"
                                       << "Serif" << 14 << normal << false << "/x";
    QTest::newRow("size 0") << h + "Serif\n0\n50\n0\n/x\n"
                            << "Serif" << 14 << normal << false << "/x";
    // The font dialog offers sizes up to 512 points.
    QTest::newRow("size 201 kept") << h + "Serif\n201\n50\n0\n/x\n"
                                   << "Serif" << 201 << normal << false << "/x";
    QTest::newRow("size 513") << h + "Serif\n513\n50\n0\n/x\n"
                              << "Serif" << 14 << normal << false << "/x";
    QTest::newRow("size 1 and 200 kept") << h + "Serif\n200\n50\n0\n/x\n"
                                         << "Serif" << 200 << normal << false << "/x";
    QTest::newRow("size 1") << h + "Serif\n1\n50\n0\n/x\n"
                            << "Serif" << 1 << normal << false << "/x";
    QTest::newRow("negative weight") << h + "Serif\n10\n-1\n0\n/x\n"
                                     << "Serif" << 10 << normal << false << "/x";
    QTest::newRow("weight 100") << h + "Serif\n10\n100\n1\n/x\n"
                                << "Serif" << 10 << normal << true << "/x";
    QTest::newRow("weight 0 kept") << h + "Serif\n10\n0\n0\n/x\n"
                                   << "Serif" << 10 << int(QFont::Thin) << false << "/x";
    QTest::newRow("italic flag 2") << h + "Serif\n10\n50\n2\n/x\n"
                                   << "Serif" << 10 << normal << true << "/x";
    QTest::newRow("blanks around numbers") << h + "Serif\n 10 \n75 \n 0\n/x\n"
                                           << "Serif" << 10 << int(QFont::Bold) << false << "/x";
    QTest::newRow("empty family") << h + "\n10\n50\n0\n/x\n"
                                  << "Helvetica" << 10 << normal << false << "/x";
    QTest::newRow("folder written on an 8-bit system")
        << h + "Serif\n10\n50\n0\n/home/\xe9t\xe9\n"
        << "Serif" << 10 << normal << false << "/home/été";
    // Found by fuzzing: each of these read back differently after being written.
    QTest::newRow("blank family") << h + " \n10\n50\n0\n/x\n"
                                  << "Helvetica" << 10 << normal << false << "/x";
    QTest::newRow("family of quotes kept as written") << h + "\"\"\"\n10\n50\n0\n/x\n"
                                                      << "\"\"\"" << 10 << normal << false << "/x";
    QTest::newRow("family with a comma kept as written")
        << h + "Sans, Serif\n10\n50\n0\n/x\n"
        << "Sans, Serif" << 10 << normal << false << "/x";
    QTest::newRow("carriage return inside the folder") << h + "Serif\n10\n50\n0\n/x\rabc\n"
                                                       << "Serif" << 10 << normal << false << home;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe\n\n\x01\x02", 7) << "Helvetica"
                                    << 14 << normal << false << home;
}

// Every unusable value falls back to its own default; the others are kept.
void TestPreferences::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(int, weight);
    QFETCH(bool, italic);
    QFETCH(QString, folder);
    const PreferencesFile::Preferences read = PreferencesFile::parse(
        bytes, {PreferencesFile::defaultFont(), QStringLiteral("/programme")});
    QCOMPARE(read.font.family(), family);
    QCOMPARE(read.font.pointSize(), pointSize);
    QCOMPARE(read.font.weight(), weight);
    QCOMPARE(read.font.italic(), italic);
    QCOMPARE(read.folder, folder);
}

// No file: 14-point Helvetica with fixed pitch, the program folder for the dialog,
// and closing without a change writes nothing.
void TestPreferences::defaultsWithoutFile()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QCOMPARE(w.editorFont().family(), QStringLiteral("Helvetica"));
    QCOMPARE(w.editorFont().pointSize(), 14);
    QVERIFY(w.editorFont().fixedPitch());
    QCOMPARE(w.textEdit()->font(), w.editorFont());
    QCOMPARE(w.currentDir(), f.programFolder());
    QVERIFY(!w.optionsModifiees());

    DialogAnswers answers;
    QVERIFY(f.window->close());
    QVERIFY(noStrays(answers));
    QVERIFY(answers.log().isEmpty());
    QVERIFY(!QFileInfo::exists(w.optionsFile()));
}

void TestPreferences::roundTrip_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QByteArray>("lines");
    QTest::newRow("bold italic, blanks and accents")
        << "Courier New" << 12 << true << true << "dossier été/sous dossier"
        << QByteArray("Courier New\n12\n75\n1\n");
    QTest::newRow("normal upright") << "DejaVu Sans Mono" << 9 << false << false << "a"
                                    << QByteArray("DejaVu Sans Mono\n9\n50\n0\n");
}

// What one run writes at closing, the next run reads back: family, size, weight,
// slant and the open dialog's folder.
void TestPreferences::roundTrip()
{
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(QString, folder);
    QFETCH(QByteArray, lines);
    QTemporaryDir program;
    const QString documents = program.path() + QLatin1Char('/') + folder;
    QVERIFY(writeBytes(documents + QStringLiteral("/page.html"), "x"));
    {
        auto window = startIn(program.path());
        KalTextEditTestAccess w(window.get());
        w.editorFont() = QFont(family, pointSize, bold ? QFont::Bold : QFont::Normal, italic);
        w.optionsModifiees() = true;
        DialogAnswers answers;
        answers.choose(documents + QStringLiteral("/page.html"));
        action(window.get(), "fileOpenAct")->trigger();
        QVERIFY(window->close());
        QVERIFY(noStrays(answers));
    }
    QCOMPARE(readBytes(program.path() + QStringLiteral("/marlisse.opt")),
             QByteArray(header) + lines + documents.toUtf8() + '\n');

    auto window = startIn(program.path());
    KalTextEditTestAccess w(window.get());
    QCOMPARE(w.editorFont().family(), family);
    QCOMPARE(w.editorFont().pointSize(), pointSize);
    QCOMPARE(w.editorFont().bold(), bold);
    QCOMPARE(w.editorFont().italic(), italic);
    QCOMPARE(w.textEdit()->font(), w.editorFont());
    QCOMPARE(w.currentDir(), documents);
    QVERIFY(!w.optionsModifiees());
    DialogAnswers answers;
    answers.cancel();
    action(window.get(), "fileOpenAct")->trigger();
    QVERIFY(noStrays(answers));
    QCOMPARE(answers.log(), QStringList({"Ouvrir in " + documents}));
}

// A font chosen in "Police Editeur" is the font of the next start.
void TestPreferences::fontDialogChoiceComesBack()
{
    QTemporaryDir program;
    QFont chosen;
    {
        auto window = startIn(program.path());
        KalTextEditTestAccess w(window.get());
        DialogAnswers answers;
        answers.then([](QWidget *modal) {
            auto *dialog = qobject_cast<QFontDialog *>(modal);
            QVERIFY(dialog);
            QFont font(QStringLiteral("DejaVu Serif"), 17);
            font.setBold(true);
            font.setItalic(true);
            dialog->setCurrentFont(font);
            dialog->accept();
        });
        action(window.get(), "policeEditeurAct")->trigger();
        QVERIFY(noStrays(answers));
        QVERIFY(w.optionsModifiees());
        chosen = w.editorFont();
        QVERIFY(window->close());
    }
    QVERIFY(chosen.bold());
    QVERIFY(chosen.italic());

    auto window = startIn(program.path());
    KalTextEditTestAccess w(window.get());
    QCOMPARE(w.editorFont().family(), chosen.family());
    QCOMPARE(w.editorFont().pointSize(), chosen.pointSize());
    QCOMPARE(w.editorFont().weight(), chosen.weight());
    QCOMPARE(w.editorFont().italic(), chosen.italic());
    QCOMPARE(w.textEdit()->font(), w.editorFont());
}

void TestPreferences::damagedFileStillStarts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("pointSize");
    QTest::newRow("empty") << QByteArray() << "Helvetica" << 14;
    QTest::newRow("cut after the family") << QByteArray(header) + "Serif\n"
                                          << "Serif" << 14;
    QTest::newRow("size 0") << QByteArray(header) + "Serif\n0\n50\n0\n"
                            << "Serif" << 14;
    QTest::newRow("binary") << QByteArray(4096, '\xff') << "Helvetica" << 14;
}

// A damaged file is not reported and still gives a usable font and folder.
void TestPreferences::damagedFileStillStarts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, family);
    QFETCH(int, pointSize);
    QTemporaryDir program;
    QVERIFY(writeBytes(program.path() + QStringLiteral("/marlisse.opt"), bytes));
    DialogAnswers answers;
    auto window = startIn(program.path());
    KalTextEditTestAccess w(window.get());
    QTest::qWait(50);
    QVERIFY(noStrays(answers));
    QVERIFY(answers.log().isEmpty());
    QVERIFY(window->isVisible());
    QCOMPARE(w.textEdit()->font().family(), family);
    QCOMPARE(w.textEdit()->font().pointSize(), pointSize);
    QCOMPARE(w.currentDir(), program.path());
}

// Removing the file between runs brings the defaults back.
void TestPreferences::deletedFileBringsDefaults()
{
    QTemporaryDir program;
    const QString options = program.path() + QStringLiteral("/marlisse.opt");
    QVERIFY(writeBytes(options, QByteArray(header) + "Serif\n20\n75\n1\n/ailleurs\n"));
    {
        auto window = startIn(program.path());
        KalTextEditTestAccess w(window.get());
        QCOMPARE(w.editorFont().pointSize(), 20);
        QCOMPARE(w.currentDir(), QStringLiteral("/ailleurs"));
    }
    QVERIFY(QFile::remove(options));
    auto window = startIn(program.path());
    KalTextEditTestAccess w(window.get());
    QCOMPARE(w.editorFont().family(), QStringLiteral("Helvetica"));
    QCOMPARE(w.editorFont().pointSize(), 14);
    QVERIFY(w.editorFont().fixedPitch());
    QVERIFY(!w.editorFont().bold());
    QCOMPARE(w.currentDir(), program.path());
}

// The settings beyond marlisse.opt, in marlisse.conf of the user's configuration
// folder: the closing tags, the line numbers and the wrapping of long lines are on
// unless the file says "false";
// a file that cannot be read or makes no sense gives the defaults, and the program
// works on. A choice made in the menus is the next run's when the file can be written.
void TestPreferences::userSettings_data()
{
    QTest::addColumn<QByteArray>("contenu"); // null: no file; "<dossier>": a folder in its place
    QTest::addColumn<bool>("fermer");
    QTest::addColumn<bool>("numeros");
    QTest::addColumn<bool>("completion");
    QTest::addColumn<bool>("retour");
    QTest::addColumn<bool>("retenu");
    QTest::newRow("no file") << QByteArray() << true << true << true << true << true;
    QTest::newRow("all off") << QByteArray("[edition]\nfermerBalises=false\ncompletion=false\n"
                                           "[affichage]\nnumerosLigne=false\nretourLigne=false\n")
                             << false << false << false << false << true;
    QTest::newRow("closing tags off") << QByteArray("[edition]\nfermerBalises=false\n") << false
                                      << true << true << true << true;
    QTest::newRow("completion off")
        << QByteArray("[edition]\ncompletion=false\n") << true << true << false << true << true;
    QTest::newRow("wrapping off") << QByteArray("[affichage]\nretourLigne=false\n") << true << true
                                  << true << false << true;
    QTest::newRow("values that mean nothing")
        << QByteArray("[edition]\nfermerBalises=peut-etre\ncompletion=1\n[affichage]\n"
                      "numerosLigne=0\nretourLigne=non\n")
        << true << true << true << true << true;
    QTest::newRow("binary") << QByteArray(4096, '\xff') << true << true << true << true << true;
    QTest::newRow("a folder in its place")
        << QByteArray("<dossier>") << true << true << true << true << false;
}

void TestPreferences::userSettings()
{
    QFETCH(QByteArray, contenu);
    QFETCH(bool, fermer);
    QFETCH(bool, numeros);
    QFETCH(bool, completion);
    QFETCH(bool, retour);
    QFETCH(bool, retenu);
    QTemporaryDir configuration;
    const auto guard = configurationIn(configuration.path());
    const QString fichier = configuration.path() + QStringLiteral("/marlisse/marlisse.conf");
    if (contenu == "<dossier>")
        QVERIFY(QDir().mkpath(fichier));
    else if (!contenu.isNull())
        QVERIFY(writeBytes(fichier, contenu));

    const auto etat = [](KalTextEdit *window, bool fermer, bool numeros, bool completion,
                         bool retour) {
        KalTextEditTestAccess w(window);
        QCOMPARE(action(window, "fermerBalisesAct")->isChecked(), fermer);
        QCOMPARE(w.textEdit()->fermetureBalises(), fermer);
        QCOMPARE(action(window, "viewNumerosLigneAct")->isChecked(), numeros);
        QCOMPARE(w.textEdit()->numerosLigne(), numeros);
        QCOMPARE(action(window, "completionAct")->isChecked(), completion);
        QCOMPARE(w.textEdit()->completeurHtml()->pendantFrappe(), completion);
        QCOMPARE(action(window, "retourLigneAct")->isChecked(), retour);
        QCOMPARE(w.textEdit()->lineWrapMode() == QTextEdit::WidgetWidth, retour);
    };
    {
        EditorFixture f;
        etat(f.window, fermer, numeros, completion, retour);
        action(f.window, "fermerBalisesAct")->trigger();
        action(f.window, "viewNumerosLigneAct")->trigger();
        action(f.window, "completionAct")->trigger();
        action(f.window, "retourLigneAct")->trigger();
        etat(f.window, !fermer, !numeros, !completion, !retour);
    }
    EditorFixture suivant;
    etat(suivant.window, retenu ? !fermer : fermer, retenu ? !numeros : numeros,
         retenu ? !completion : completion, retenu ? !retour : retour);
}

// The preferences are written before the document question: a close cancelled
// there has written them all the same.
void TestPreferences::writtenBeforeCancelledClose()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    w.editorFont() = QFont(QStringLiteral("Serif"), 11);
    w.optionsModifiees() = true;
    w.textEdit()->insertPlainText(QStringLiteral("texte"));

    DialogAnswers answers;
    answers.then([&w](QWidget *modal) {
        // Already on disk while the question is asked.
        QVERIFY(readBytes(w.optionsFile()).startsWith(QByteArray(header) + "Serif\n11\n"));
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        QVERIFY(clickButton(box, QStringLiteral("Annuler")));
    });
    QVERIFY(!f.window->close());
    QVERIFY(noStrays(answers));
    QVERIFY(f.window->isVisible());
    QVERIFY(w.optionsModifiees());
    QCOMPARE(readBytes(w.optionsFile()),
             QByteArray(header) + "Serif\n11\n50\n0\n" + f.programFolder().toUtf8() + '\n');
}

void TestPreferences::unwritableFileShownAtEveryClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("program and user folders below a regular file") << "below a file";
    QTest::newRow("marlisse.opt is a folder") << "folder";
    QTest::newRow("program and user folders on a full file system") << "full";
}

// Preferences that cannot be written bring the "Options" box at every close,
// before the document question, and the previous file stays as it was. A program
// folder that cannot be written sends them to the user's folder, which here cannot
// be written either.
void TestPreferences::unwritableFileShownAtEveryClose()
{
    QFETCH(QString, how);
    QTemporaryDir base;
    QString program = base.path() + QStringLiteral("/programme");
    const auto configuration = configurationIn(program + QStringLiteral("/configuration"));
    std::unique_ptr<SmallFileSystem> small;
    const QByteArray previous = QByteArray(header) + "Serif\n10\n50\n0\n/ancien\n";
    if (how == QLatin1String("below a file")) {
        QVERIFY(writeBytes(program, "un fichier"));
    } else if (how == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(program + QStringLiteral("/marlisse.opt")));
    } else {
        small = std::make_unique<SmallFileSystem>(program);
        if (!small->mounted())
            QSKIP("cannot mount a small tmpfs here (root needed)");
        QVERIFY(writeBytes(program + QStringLiteral("/marlisse.opt"), previous));
        QVERIFY(small->fill());
    }
    auto window = startIn(program);
    KalTextEditTestAccess w(window.get());
    w.editorFont() = QFont(QStringLiteral("Monospace"), 13);
    w.optionsModifiees() = true;
    w.textEdit()->insertPlainText(QStringLiteral("texte"));

    DialogAnswers answers;
    answers.press(QStringLiteral("OK")).press(QStringLiteral("Annuler"));
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    answers.press(QStringLiteral("OK")).press(QStringLiteral("Non"));
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QVERIFY(noStrays(answers));
    QCOMPARE(answers.log(), QStringList({optionsBox, closePrompt, optionsBox, closePrompt}));
    if (how == QLatin1String("full")) {
        QCOMPARE(readBytes(program + QStringLiteral("/marlisse.opt")), previous);
        QCOMPARE(QDir(program).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({"marlisse.opt", "remplissage"}));
    }
}

void TestPreferences::installedCopyKeepsPreferences_data()
{
    QTest::addColumn<QString>("copy");
    QTest::addColumn<bool>("leftBeside"); // an earlier version's marlisse.opt beside the program
    QTest::newRow("writable program folder") << "portable" << false;
    QTest::newRow("program folder below a regular file") << "read-only" << false;
    // Run as root, an installed copy wrote marlisse.opt into /usr/bin.
    QTest::newRow("installed copy in a folder it can write") << "installed" << false;
    QTest::newRow("installed copy, marlisse.opt left beside it") << "installed" << true;
}

// marlisse.opt stays beside a portable copy while its folder can be written; an
// installed copy (its manual in ../share/marlisse), or one whose folder cannot be
// written, reads and writes it in the user's configuration folder instead, and so
// keeps a font from one start to the next without any "Options" box. A file an
// earlier version left beside the program is read once, when the user's folder
// has none.
void TestPreferences::installedCopyKeepsPreferences()
{
    QFETCH(QString, copy);
    QFETCH(bool, leftBeside);
    QTemporaryDir base;
    QTemporaryDir user;
    const auto configuration = configurationIn(user.path());
    const QString program = base.path() + QStringLiteral("/bin");
    const QString beside = program + QStringLiteral("/marlisse.opt");
    const bool portable = copy == QLatin1String("portable");
    if (copy == QLatin1String("read-only")) {
        QVERIFY(writeBytes(program, "un fichier"));
    } else {
        QVERIFY(QDir().mkpath(program));
        if (copy == QLatin1String("installed"))
            QVERIFY(
                writeBytes(base.path() + QStringLiteral("/share/marlisse/AideMarlisse/index.html"),
                           "<html></html>"));
    }
    const QByteArray old = QByteArray(header) + "Serif\n11\n50\n0\n/ancien\n";
    if (leftBeside)
        QVERIFY(writeBytes(beside, old));
    const QString expectedFile = portable
        ? beside
        : QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
            + QStringLiteral("/marlisse.opt");
    {
        auto window = startIn(program);
        KalTextEditTestAccess w(window.get());
        QCOMPARE(w.optionsFile(), expectedFile);
        if (leftBeside) {
            QCOMPARE(w.editorFont().family(), QStringLiteral("Serif"));
            QCOMPARE(w.currentDir(), QStringLiteral("/ancien"));
        } else {
            QCOMPARE(w.currentDir(), portable ? program : QDir::homePath());
        }
        w.editorFont() = QFont(QStringLiteral("DejaVu Sans Mono"), 13, QFont::Bold);
        w.optionsModifiees() = true;
        DialogAnswers answers;
        QVERIFY(window->close());
        QVERIFY(noStrays(answers));
        QVERIFY(answers.log().isEmpty());
    }
    QVERIFY(readBytes(expectedFile).startsWith(QByteArray(header) + "DejaVu Sans Mono\n13\n75\n"));
    if (!portable)
        QCOMPARE(readBytes(beside), leftBeside ? old : QByteArray("<cannot read>"));
    auto window = startIn(program);
    const QFont kept = KalTextEditTestAccess(window.get()).editorFont();
    QCOMPARE(kept.family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(kept.pointSize(), 13);
    QVERIFY(kept.bold());
}

void TestPreferences::closeAnswers_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("document");
    QTest::addColumn<bool>("closes");
    QTest::newRow("not modified: nothing asked") << ""
                                                 << "unchanged" << true;
    QTest::newRow("Oui saves and closes") << "Oui"
                                          << "named" << true;
    QTest::newRow("Non closes without saving") << "Non"
                                               << "named" << true;
    QTest::newRow("Annuler stays") << "Annuler"
                                   << "named" << false;
    QTest::newRow("Escape stays") << "Escape"
                                  << "named" << false;
    QTest::newRow("Oui, new, named in dialog") << "Oui"
                                               << "new, named" << true;
    QTest::newRow("Oui, new, dialog cancelled") << "Oui"
                                                << "new, cancelled" << false;
    QTest::newRow("Oui, save fails") << "Oui"
                                     << "unwritable" << false;
}

// Closing: the "Fermer..." prompt for a modified document, then, when the window
// may close, FermetureTextEdit(0) and fermetureMarlisse() in this order.
void TestPreferences::closeAnswers()
{
    QFETCH(QString, answer);
    QFETCH(QString, document);
    QFETCH(bool, closes);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString page = docs.path() + QStringLiteral("/page.html");
    const QString named = docs.path() + QStringLiteral("/nomme.html");
    QVERIFY(writeBytes(page, "ancien\n"));
    QVERIFY(writeBytes(docs.path() + QStringLiteral("/fichier"), "un fichier"));
    if (document == QLatin1String("named") || document == QLatin1String("unchanged")) {
        QVERIFY(f.window->loadFile(page));
        w.setCurrentFile(page);
    } else if (document == QLatin1String("unwritable")) {
        w.setCurrentFile(docs.path() + QStringLiteral("/fichier/page.html"));
    }
    if (document != QLatin1String("unchanged")) {
        w.textEdit()->moveCursor(QTextCursor::End);
        w.textEdit()->insertPlainText(QStringLiteral("ajout"));
    }

    QStringList signalsSeen;
    QObject context;
    connect(f.window, &KalTextEdit::FermetureTextEdit, &context, [&](KalTextEdit *addr) {
        signalsSeen << (addr ? QStringLiteral("FermetureTextEdit(window)")
                             : QStringLiteral("FermetureTextEdit(0)"));
    });
    connect(f.window, &KalTextEdit::fermetureMarlisse, &context,
            [&] { signalsSeen << QStringLiteral("fermetureMarlisse"); });

    DialogAnswers answers;
    if (!answer.isEmpty())
        answers.press(answer);
    if (answer == QLatin1String("Oui")) {
        if (document == QLatin1String("new, named"))
            answers.choose(named);
        else if (document == QLatin1String("new, cancelled"))
            answers.cancel();
        else if (document == QLatin1String("unwritable"))
            answers.press(QStringLiteral("OK"));
    }
    QCOMPARE(f.window->close(), closes);
    QVERIFY(noStrays(answers));
    QCOMPARE(f.window->isVisible(), !closes);
    if (answer.isEmpty())
        QVERIFY(answers.log().isEmpty());
    else
        QCOMPARE(answers.log().value(0), closePrompt);
    if (document == QLatin1String("unwritable"))
        QVERIFY(answers.log().value(1).startsWith(QStringLiteral("KalTextEdit | Cannot write")));
    QCOMPARE(signalsSeen,
             closes ? QStringList({"FermetureTextEdit(0)", "fermetureMarlisse"}) : QStringList());
    if (!closes)
        QVERIFY(w.textEdit()->document()->isModified());
    if (document == QLatin1String("named"))
        QCOMPARE(readBytes(page),
                 answer == QLatin1String("Oui") ? QByteArray("ancien\najout") : "ancien\n");
    if (document == QLatin1String("new, named"))
        QCOMPARE(readBytes(named), QByteArray("ajout"));
    // Nothing about the preferences changed, so nothing was written.
    QVERIFY(!QFileInfo::exists(w.optionsFile()));
}

void TestPreferences::promptButtons_data()
{
    QTest::addColumn<bool>("closing");
    QTest::newRow("Sauvegarde, before New") << false;
    QTest::newRow("Fermer..., at closing") << true;
}

// Both prompts are warnings offering "Oui", "Non", "Annuler", with "Oui" as the
// default button and "Annuler" for Escape; Enter therefore saves.
void TestPreferences::promptButtons()
{
    QFETCH(bool, closing);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString page = docs.path() + QStringLiteral("/page.html");
    QVERIFY(writeBytes(page, "ancien"));
    QVERIFY(f.window->loadFile(page));
    w.setCurrentFile(page);
    w.textEdit()->selectAll();
    w.textEdit()->insertPlainText(QStringLiteral("nouveau"));

    QStringList buttons;
    QString defaultButton;
    QString escapeButton;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    DialogAnswers answers;
    answers.then([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        // In the order the user sees them, left to right.
        QList<QAbstractButton *> shown = box->buttons();
        std::sort(shown.begin(), shown.end(), [](QAbstractButton *a, QAbstractButton *b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        for (QAbstractButton *button : shown)
            buttons << button->text();
        defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
        escapeButton = box->escapeButton() ? box->escapeButton()->text() : QString();
        icon = box->icon();
        QTest::keyClick(box, Qt::Key_Return);
    });
    if (closing)
        QVERIFY(f.window->close());
    else
        action(f.window, "fileNewAct")->trigger();
    QVERIFY(noStrays(answers));
    QCOMPARE(buttons, QStringList({"Oui", "Non", "Annuler"}));
    QCOMPARE(defaultButton, QStringLiteral("Oui"));
    QCOMPARE(escapeButton, QStringLiteral("Annuler"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(readBytes(page), QByteArray("nouveau"));
}

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
