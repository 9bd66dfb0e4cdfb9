#include "completeurhtml.h"
#include "dialoganswers.h"
#include "documentfile.h"
#include "highlighterhtml.h"
#include "marlisseapp.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>

#include <cmath>
#include <memory>

using namespace TestSupport;

namespace {

// In the table of longLines, the end of its long line.
constexpr int finLigneLongue = -2;

} // namespace

class TestEditorWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startupState();
    void programFolder_data();
    void programFolder();
    void helpFolder_data();
    void helpFolder();
    void menuBar();
    void toolBars();
    void shortcutsTriggerActions_data();
    void shortcutsTriggerActions();
    void editShortcutsAct();
    void enablingFollowsEditingWidget();
    void insertKeySwitchesOverwrite();
    void modifiedInsertKeepsMode_data();
    void modifiedInsertKeepsMode();
    void viewToggles_data();
    void viewToggles();
    void statusBarMessages();
    void positionLabel();
    void fontDialogAccepted();
    void fontDialogCancelled();
    void returnKeepsIndentation_data();
    void returnKeepsIndentation();
    void lineNumbers_data();
    void lineNumbers();
    void goToLine_data();
    void goToLine();
    void viewKeepsItsPlace_data();
    void viewKeepsItsPlace();
    void lineNumberContrast_data();
    void lineNumberContrast();
    void marginSelectsLines_data();
    void marginSelectsLines();
    void longLines_data();
    void longLines();
    void textTallerThanThePage_data();
    void textTallerThanThePage();
    void linesColouredAsShown();
    void pastedRichTextArrivesPlain_data();
    void pastedRichTextArrivesPlain();
    void alignmentGroupIsExclusive();
    void windowSizeFollowsScreen_data();
    void windowSizeFollowsScreen();
    void eventLoopResultIsExitStatus();
    void qtTextsInFrench();
};

void TestEditorWindow::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestEditorWindow::startupState()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - Nouveau"));
    QVERIFY(f.window->isVisible());
    QVERIFY(w.textEdit()->document()->isEmpty());
    QVERIFY(!w.textEdit()->document()->isModified());
    QCOMPARE(f.window->centralWidget(), w.textEdit());

    // No preferences file: 14-point Helvetica with fixed pitch.
    QCOMPARE(w.textEdit()->font().family(), QStringLiteral("Helvetica"));
    QCOMPARE(w.textEdit()->font().pointSize(), 14);
    QVERIFY(w.textEdit()->font().fixedPitch());
    QCOMPARE(w.editorFont(), w.textEdit()->font());

    QCOMPARE(f.window->statusBar()->currentMessage(), QStringLiteral("Prêt."));
    QCOMPARE(w.labelAlignement()->text(), QStringLiteral("Gauche"));
    QCOMPARE(w.labelInsertion()->text(), QStringLiteral("INS"));
    QCOMPARE(w.labelModif()->text(), QString(21, QLatin1Char(' ')));
    QVERIFY(!w.textEdit()->overwriteMode());
    QVERIFY(!w.textEdit()->acceptRichText());

    for (const char *name : {"editAnnulerAct", "editRefaireAct", "editCutAct", "editCopyAct"})
        QVERIFY2(!action(f.window, name)->isEnabled(), name);
    for (const char *name :
         {"carGrasAct", "tableauxAct", "imageAct", "viewToolBarBAct", "titre6Act",
          "alignJustifieAct", "editPasteAct", "fileSaveAct", "fermerBalisesAct",
          "atteindreLigneAct", "completionAct", "completerNomAct", "commenterAct",
          "pageHtml5Act", "retourLigneAct"})
        QVERIFY2(action(f.window, name)->isEnabled(), name);
    // The typing aids are on by default.
    QVERIFY(action(f.window, "fermerBalisesAct")->isChecked());
    QVERIFY(w.textEdit()->fermetureBalises());
    QVERIFY(action(f.window, "completionAct")->isChecked());
    QVERIFY(w.textEdit()->completeurHtml()->pendantFrappe());
    QVERIFY(action(f.window, "viewNumerosLigneAct")->isChecked());
    QVERIFY(w.textEdit()->marge()->isVisible());
    QVERIFY(action(f.window, "retourLigneAct")->isChecked());
    QCOMPARE(w.textEdit()->lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(w.textEdit()->tabStopDistance(),
             4 * QFontMetricsF(w.textEdit()->font()).horizontalAdvance(QLatin1Char(' ')));
    QVERIFY(w.toolBarB()->isVisible());
    QVERIFY(action(f.window, "viewToolBarBAct")->isChecked());
    QVERIFY(action(f.window, "alignGaucheAct")->isChecked());
    QVERIFY(!w.optionsModifiees());
    QVERIFY(w.isHtml());
    QCOMPARE(QByteArray(w.codecName()), QByteArray("ISO 8859-1"));
    QVERIFY(!f.window->windowIcon().isNull());
}

// The program folder holds marlisse.opt and the manual: a full path in argv[0] names
// it; a bare name (a program started through PATH) must not make it the working folder.
// A folder that cannot be written (here, one that does not exist) is an installed
// copy's: its preferences go to the user's configuration folder and the open dialog
// starts at home.
void TestEditorWindow::programFolder_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("writable");
    QTest::newRow("full path") << QStringLiteral("/opt/marlisse/bin/marlisse")
                               << QStringLiteral("/opt/marlisse/bin") << false;
    QTest::newRow("bare name") << QStringLiteral("marlisse")
                               << QCoreApplication::applicationDirPath() << true;
    QTest::newRow("relative path")
        << QStringLiteral("../x/marlisse") << QCoreApplication::applicationDirPath() << true;
}

void TestEditorWindow::programFolder()
{
    QFETCH(QString, programPath);
    QFETCH(QString, expected);
    QFETCH(bool, writable);
    KalTextEdit window(QStringLiteral("Marlisse"), QString(), true, programPath,
                       QStringLiteral("2.1"));
    KalTextEditTestAccess w(&window);
    QCOMPARE(w.programDir(), expected);
    QCOMPARE(w.helpDir(), expected + QStringLiteral("/AideMarlisse"));
    const QString userFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QVERIFY(!userFolder.isEmpty());
    QCOMPARE(w.optionsFile(), (writable ? expected : userFolder) + QStringLiteral("/marlisse.opt"));
    QCOMPARE(w.currentDir(), writable ? expected : QDir::homePath());
}

void TestEditorWindow::helpFolder_data()
{
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<QString>("expected");
    const QString beside = QStringLiteral("bin/AideMarlisse");
    const QString installed = QStringLiteral("share/marlisse/AideMarlisse");
    QTest::newRow("beside the program first")
        << QStringList({beside + "/index.html", installed + "/index.html"}) << beside;
    QTest::newRow("installed under share") << QStringList({installed + "/index.html"}) << installed;
    QTest::newRow("folder beside without a manual")
        << QStringList({beside + "/autre.html", installed + "/index.html"}) << installed;
}

// The manual is looked for beside the program (a build tree, a portable copy), then
// where an installation puts it, PREFIX/share/marlisse for PREFIX/bin/marlisse.
void TestEditorWindow::helpFolder()
{
    QFETCH(QStringList, pages);
    QFETCH(QString, expected);
    QTemporaryDir prefix;
    QVERIFY(QDir().mkpath(prefix.filePath(QStringLiteral("bin"))));
    for (const QString &page : pages)
        QVERIFY(writeBytes(prefix.filePath(page), "<title>Aide</title>"));
    KalTextEdit window(QStringLiteral("Marlisse"), QString(), true,
                       prefix.filePath(QStringLiteral("bin/marlisse")), QStringLiteral("2.1"));
    KalTextEditTestAccess w(&window);
    QCOMPARE(w.helpDir(), prefix.filePath(expected));
}

static QStringList entries(const QMenu *menu)
{
    QStringList texts;
    for (QAction *a : menu->actions())
        texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return texts;
}

void TestEditorWindow::menuBar()
{
    EditorFixture f;
    const QList<QAction *> top = f.window->menuBar()->actions();
    QStringList titles;
    for (QAction *a : top)
        titles << a->text();
    QCOMPARE(titles, QStringList({"&Fichier", "&Edition", "Edition &Html", "Affichage", "&Aide"}));

    const QMenu *html = top.at(2)->menu();
    QCOMPARE(entries(html),
             QStringList({"Caractères",
                          "-",
                          "Justification",
                          "-",
                          "Corps...",
                          "Page HTML5...",
                          "Paragraphe",
                          "Aller à la ligne",
                          "Ligne horizontale",
                          "Espace insécable",
                          "symbole Euro",
                          "-",
                          "Titres",
                          "-",
                          "Listes",
                          "-",
                          "Tableaux",
                          "Lien hyper-texte",
                          "Ancre hyper-texte",
                          "Image",
                          "-",
                          "Aller à la balise correspondante",
                          "Sélectionner l'élément",
                          "-",
                          "Fermer les balises",
                          "Complétion",
                          "Compléter le nom",
                          "-",
                          "Vérifier la page",
                          "Vérifier le site"}));
    QCOMPARE(entries(html->actions().at(12)->menu()).size(), 6);
    QCOMPARE(entries(html->actions().at(14)->menu()),
             QStringList({"Liste simple", "Liste ordonnée", "Elément de liste",
                          "Liste de définitions", "Terme défini", "Définition"}));
    QCOMPARE(entries(top.at(0)->menu()),
             QStringList({"&Nouveau", "&Ouvrir", "&Sauver", "Sau&ver sous...", "Fichiers &récents",
                          "-", "&Quitter"}));
    QCOMPARE(entries(top.at(1)->menu()),
             QStringList({"Annuler",
                          "Refaire",
                          "-",
                          "Co&uper",
                          "&Copier",
                          "Co&ller",
                          "-",
                          "Chercher...",
                          "&Remplacer...",
                          "Répéter chercher/remplacer",
                          "Remplacer tout...",
                          "Chercher le précédent",
                          "-",
                          "Chercher dans le site...",
                          "Remplacer dans le site...",
                          "Annuler le dernier remplacement dans le site",
                          "-",
                          "Atteindre la ligne...",
                          "-",
                          "Indenter les lignes\tTab",
                          "Désindenter les lignes\tMaj+Tab",
                          "Commenter / décommenter",
                          "Dupliquer la ligne",
                          "Déplacer la ligne vers le haut",
                          "Déplacer la ligne vers le bas"}));
    QCOMPARE(entries(top.at(3)->menu()),
             QStringList({"Voir dans le navigateur", "Ouvrir dans le navigateur du bureau", "-",
                          "Barre d'outils", "Barre d'outils HTML", "Barre de &statut",
                          "Numéros de ligne", "Retour à la ligne automatique", "-",
                          "Problèmes de la page", "Problème suivant", "Problème précédent", "-",
                          "Police Editeur"}));
}

void TestEditorWindow::toolBars()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QCOMPARE(w.toolBar()->iconSize(), QSize(16, 16));
    QCOMPARE(w.toolBarB()->iconSize(), QSize(16, 16));
    QCOMPARE(f.window->toolBarArea(w.toolBar()), Qt::TopToolBarArea);
    QCOMPARE(f.window->toolBarArea(w.toolBarB()), Qt::TopToolBarArea);
    QVERIFY(f.window->toolBarBreak(w.toolBarB()));
    QVERIFY(w.toolBarB()->y() > w.toolBar()->y());

    // Every button shows an image of its own, and both bars end with a separator.
    for (QToolBar *bar : {w.toolBar(), w.toolBarB()}) {
        const QList<QAction *> actions = bar->actions();
        QVERIFY(actions.last()->isSeparator());
        for (QAction *a : actions)
            QVERIFY2(a->isSeparator() || !a->icon().pixmap(16, 16).isNull(),
                     qPrintable(a->objectName()));
    }
    QCOMPARE(w.toolBarB()->actions().size(), 34); // 27 commands and 7 separators
}

void TestEditorWindow::shortcutsTriggerActions_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("actionName");
    const QList<QPair<const char *, const char *>> table = {{"Ctrl+N", "fileNewAct"},
                                                            {"Ctrl+O", "fileOpenAct"},
                                                            {"Ctrl+S", "fileSaveAct"},
                                                            {"Ctrl+F", "editChercheAct"},
                                                            {"Ctrl+R", "editReplaceAct"},
                                                            {"F3", "editReplaceEncoreAct"},
                                                            {"Ctrl+Alt+G", "carGrasAct"},
                                                            {"Ctrl+Alt+I", "carItalicAct"},
                                                            {"Ctrl+Alt+U", "carSouligneAct"},
                                                            {"Ctrl+Alt+F", "carPreformateAct"},
                                                            {"Ctrl+Alt+P", "paragrapheAct"},
                                                            {"Ctrl+Alt+K", "alaLigneAct"},
                                                            {"Ctrl+Alt+N", "blancInsecAct"},
                                                            {"Ctrl+Alt+1", "titre1Act"},
                                                            {"Ctrl+Alt+2", "titre2Act"},
                                                            {"Ctrl+Alt+3", "titre3Act"},
                                                            {"Ctrl+Alt+4", "titre4Act"},
                                                            {"Ctrl+Alt+5", "titre5Act"},
                                                            {"Ctrl+Alt+6", "titre6Act"},
                                                            {"Ctrl+Alt+&", "titre1Act"},
                                                            {"Ctrl+Alt+é", "titre2Act"},
                                                            {"Ctrl+Alt+\"", "titre3Act"},
                                                            {"Ctrl+Alt+'", "titre4Act"},
                                                            {"Ctrl+Alt+(", "titre5Act"},
                                                            {"Ctrl+Alt+-", "titre6Act"},
                                                            {"Shift+Alt+L", "listeSimpleAct"},
                                                            {"Shift+Alt+O", "listeOrdoAct"},
                                                            {"Shift+Alt+E", "elemListeAct"},
                                                            {"Ctrl+Alt+T", "tableauxAct"},
                                                            {"F1", "aideAct"},
                                                            {"Ctrl+Q", "fileQuitAct"},
                                                            {"F5", "navigateurAct"},
                                                            {"Shift+F5", "navigateurBureauAct"},
                                                            {"Ctrl+G", "atteindreLigneAct"},
                                                            {"Ctrl+Space", "completerNomAct"},
                                                            {"Ctrl+E", "commenterAct"},
                                                            {"Ctrl+D", "dupliquerLigneAct"},
                                                            {"Alt+Up", "monterLignesAct"},
                                                            {"Alt+Down", "descendreLignesAct"},
                                                            {"Ctrl+Shift+F", "chercherSiteAct"},
                                                            {"Ctrl+Shift+H", "remplacerSiteAct"}};
    for (const auto &row : table)
        QTest::newRow(row.first) << QString::fromUtf8(row.first) << QString::fromLatin1(row.second);
    QTest::newRow("Ctrl+B") << "Ctrl+B"
                            << "baliseCorrespondanteAct";
    QTest::newRow("Ctrl+Shift+B") << "Ctrl+Shift+B"
                                  << "selectionnerElementAct";
}

// Keys typed into the editing widget reach the action of the menus and toolbars.
void TestEditorWindow::shortcutsTriggerActions()
{
    QFETCH(QString, keys);
    QFETCH(QString, actionName);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    QAction *target = action(f.window, actionName.toLatin1().constData());
    QVERIFY(target);
    QSignalSpy spy(target, &QAction::triggered);

    // Some commands open a modal dialog: answer it.
    whenModalShows([](QWidget *modal) { modal->close(); }, 1000);
    QTest::keySequence(w.textEdit(), QKeySequence(keys));
    QCOMPARE(spy.count(), 1);
    closeStrayModals();
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top != f.window.data() && top->isWindow() && top->isVisible()
            && top->inherits("Lisorel"))
            top->close();
}

// Undo, redo, cut, copy and paste do their work from the keyboard.
void TestEditorWindow::editShortcutsAct()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    monQTextEdit *edit = w.textEdit();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keySequence(edit, QKeySequence(QStringLiteral("Ctrl+Z")));
    QCOMPARE(edit->toPlainText(), QString());
    QTest::keySequence(edit, QKeySequence(QStringLiteral("Ctrl+Y")));
    QCOMPARE(edit->toPlainText(), QStringLiteral("abc"));
    edit->selectAll();
    QTest::keySequence(edit, QKeySequence(QStringLiteral("Ctrl+X")));
    QCOMPARE(edit->toPlainText(), QString());
    QTest::keySequence(edit, QKeySequence(QStringLiteral("Ctrl+V")));
    QTest::keySequence(edit, QKeySequence(QStringLiteral("Ctrl+V")));
    QCOMPARE(edit->toPlainText(), QStringLiteral("abcabc"));
}

void TestEditorWindow::enablingFollowsEditingWidget()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QAction *undo = action(f.window, "editAnnulerAct");
    QAction *redo = action(f.window, "editRefaireAct");
    QAction *cut = action(f.window, "editCutAct");
    QAction *copy = action(f.window, "editCopyAct");
    monQTextEdit *edit = w.textEdit();

    edit->insertPlainText(QStringLiteral("mot"));
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    QVERIFY(!cut->isEnabled());

    edit->selectAll();
    QVERIFY(cut->isEnabled());
    QVERIFY(copy->isEnabled());
    QTextCursor cursor = edit->textCursor();
    cursor.clearSelection();
    edit->setTextCursor(cursor);
    QVERIFY(!cut->isEnabled());
    QVERIFY(!copy->isEnabled());

    undo->trigger();
    QCOMPARE(edit->toPlainText(), QString());
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());
    redo->trigger();
    QCOMPARE(edit->toPlainText(), QStringLiteral("mot"));

    // The same actions stand in the menu and on the toolbar.
    QVERIFY(w.toolBar()->actions().contains(undo));
    QVERIFY(f.window->menuBar()->actions().at(1)->menu()->actions().contains(undo));
}

void TestEditorWindow::insertKeySwitchesOverwrite()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    QSignalSpy spy(edit, &monQTextEdit::insertKeyPressed);
    edit->setPlainText(QStringLiteral("abcd"));
    edit->moveCursor(QTextCursor::Start);

    QTest::keyClick(edit, Qt::Key_Insert);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(w.labelInsertion()->text(), QStringLiteral(" RFP "));
    QVERIFY(edit->overwriteMode());
    QTest::keyClicks(edit, QStringLiteral("XY"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("XYcd"));

    QTest::keyClick(edit, Qt::Key_Insert);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(w.labelInsertion()->text(), QStringLiteral(" INS "));
    QVERIFY(!edit->overwriteMode());
    QTest::keyClicks(edit, QStringLiteral("Z"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("XYZcd"));

    // Other keys never emit the signal.
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Home);
    QCOMPARE(spy.count(), 2);
}

void TestEditorWindow::modifiedInsertKeepsMode_data()
{
    QTest::addColumn<int>("modifier");
    QTest::addColumn<QString>("text");
    QTest::newRow("Shift+Insert pastes") << int(Qt::ShiftModifier) << "colléXYabcd";
    QTest::newRow("Ctrl+Insert copies") << int(Qt::ControlModifier) << "XYabcd";
}

// Shift+Insert and Ctrl+Insert are paste and copy: the letters typed next are
// inserted, not written over the text.
void TestEditorWindow::modifiedInsertKeepsMode()
{
    QFETCH(int, modifier);
    QFETCH(QString, text);
    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QApplication::clipboard()->setText(QStringLiteral("collé"));
    edit->setPlainText(QStringLiteral("abcd"));
    edit->moveCursor(QTextCursor::Start);
    QTest::keyClick(edit, Qt::Key_Insert, Qt::KeyboardModifiers(modifier));
    QTest::keyClicks(edit, QStringLiteral("XY"));
    QCOMPARE(edit->toPlainText(), text);
}

void TestEditorWindow::viewToggles_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("barName");
    QTest::newRow("main toolbar") << QStringLiteral("viewToolBarAct") << QStringLiteral("toolBar");
    QTest::newRow("HTML toolbar") << QStringLiteral("viewToolBarBAct")
                                  << QStringLiteral("toolBarB");
    QTest::newRow("status bar") << QStringLiteral("viewStatusBarAct") << QString();
    QTest::newRow("line numbers") << QStringLiteral("viewNumerosLigneAct")
                                  << QStringLiteral("margeNumeros");
}

void TestEditorWindow::viewToggles()
{
    QFETCH(QString, actionName);
    QFETCH(QString, barName);
    EditorFixture f;
    QWidget *bar = barName.isEmpty() ? static_cast<QWidget *>(f.window->statusBar())
                                     : f.window->findChild<QWidget *>(barName);
    QVERIFY(bar);
    QAction *toggle = action(f.window, actionName.toLatin1().constData());
    QVERIFY(toggle->isChecked());
    QVERIFY(bar->isVisible());
    toggle->trigger();
    QVERIFY(!toggle->isChecked());
    QVERIFY(!bar->isVisible());
    toggle->trigger();
    QVERIFY(bar->isVisible());
}

// "Prêt." shows for two seconds at start, and stays after the status bar is toggled.
void TestEditorWindow::statusBarMessages()
{
    EditorFixture plain;
    EditorFixture toggled;
    QAction *toggle = action(toggled.window, "viewStatusBarAct");
    toggle->trigger();
    toggle->trigger();
    QCOMPARE(toggled.window->statusBar()->currentMessage(), QStringLiteral("Prêt."));
    QTRY_COMPARE_WITH_TIMEOUT(plain.window->statusBar()->currentMessage(), QString(), 4000);
    QCOMPARE(toggled.window->statusBar()->currentMessage(), QStringLiteral("Prêt."));
}

// The status bar says where the cursor is, lines and columns counted from 1, as the
// cursor moves and when the text is replaced.
void TestEditorWindow::positionLabel()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    auto *shown = f.window->statusBar()->findChild<QLabel *>(QStringLiteral("labelPosition"));
    QVERIFY(shown);
    w.textEdit()->setPlainText(QStringLiteral("un\ndeux\ntrois mots"));
    QTextCursor cursor = w.textEdit()->textCursor();
    cursor.setPosition(12);
    w.textEdit()->setTextCursor(cursor);
    QCOMPARE(shown->text(), QStringLiteral("Ligne 3, col. 5"));
    QTest::keyClicks(w.textEdit(), QStringLiteral("xy"));
    QCOMPARE(shown->text(), QStringLiteral("Ligne 3, col. 7"));
    w.textEdit()->document()->setModified(false);
    action(f.window, "fileNewAct")->trigger();
    QCOMPARE(shown->text(), QStringLiteral("Ligne 1, col. 1"));
}

void TestEditorWindow::fontDialogAccepted()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QFont wanted(QStringLiteral("DejaVu Sans Mono"), 11);
    wanted.setItalic(true);
    whenModalShows([&wanted](QWidget *modal) {
        auto *dialog = qobject_cast<QFontDialog *>(modal);
        QVERIFY(dialog);
        dialog->setCurrentFont(wanted);
        dialog->accept();
    });
    action(f.window, "policeEditeurAct")->trigger();
    QCOMPARE(w.editorFont().pointSize(), 11);
    QVERIFY(w.editorFont().italic());
    QCOMPARE(w.textEdit()->font(), w.editorFont());
    QVERIFY(w.optionsModifiees());
    // Tab stops every four spaces of the new font.
    QCOMPARE(w.textEdit()->tabStopDistance(),
             4 * QFontMetricsF(w.textEdit()->font()).horizontalAdvance(QLatin1Char(' ')));

    // Accepting the very same font still marks the preferences as changed.
    EditorFixture same;
    KalTextEditTestAccess s(same.window);
    whenModalShows([](QWidget *modal) { qobject_cast<QDialog *>(modal)->accept(); });
    action(same.window, "policeEditeurAct")->trigger();
    QVERIFY(s.optionsModifiees());
}

void TestEditorWindow::fontDialogCancelled()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QFont before = w.editorFont();
    whenModalShows([](QWidget *modal) {
        auto *dialog = qobject_cast<QFontDialog *>(modal);
        QVERIFY(dialog);
        dialog->setCurrentFont(QFont(QStringLiteral("DejaVu Serif"), 30));
        dialog->reject();
    });
    action(f.window, "policeEditeurAct")->trigger();
    QCOMPARE(w.editorFont(), before);
    QCOMPARE(w.textEdit()->font(), before);
    QVERIFY(!w.optionsModifiees());
}

// Return keeps the blanks that begin the line, as far as the cursor; Shift+Return
// and Ctrl+Return make the same line of the file, not a line separator that the
// file would not have. One undo step, apart from what is typed after.
void TestEditorWindow::returnKeepsIndentation_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ancre");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("touche");
    QTest::addColumn<int>("modificateurs");
    QTest::addColumn<QString>("attendu");
    QTest::addColumn<int>("curseur");

    const int retour = Qt::Key_Return;
    const int rien = Qt::NoModifier;
    QTest::newRow("spaces") << "    un" << 6 << 6 << retour << rien << "    un\n    " << 11;
    QTest::newRow("tabs") << "\t\tun" << 4 << 4 << retour << rien << "\t\tun\n\t\t" << 7;
    QTest::newRow("spaces and tabs") << " \t un" << 5 << 5 << retour << rien << " \t un\n \t " << 9;
    QTest::newRow("no blanks") << "un" << 2 << 2 << retour << rien << "un\n" << 3;
    QTest::newRow("a line of blanks") << "    " << 4 << 4 << retour << rien << "    \n    " << 9;
    QTest::newRow("cursor inside the blanks")
        << "    un" << 2 << 2 << retour << rien << "  \n    un" << 5;
    QTest::newRow("cursor at the start") << "    un" << 0 << 0 << retour << rien << "\n    un" << 1;
    QTest::newRow("the cursor's line")
        << "a\n  b\n\tc" << 5 << 5 << retour << rien << "a\n  b\n  \n\tc" << 8;
    QTest::newRow("a selection") << "    un deux" << 4 << 7 << retour << rien << "    \n    deux"
                                 << 9;
    QTest::newRow("a selection from the blanks")
        << "    un" << 2 << 4 << retour << rien << "  \n  un" << 5;
    QTest::newRow("a selection over two lines")
        << "  un\n        deux" << 4 << 11 << retour << rien << "  un\n    deux" << 7;
    QTest::newRow("Enter") << "    un" << 6 << 6 << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
                           << "    un\n    " << 11;
    QTest::newRow("Shift+Return") << "    un" << 6 << 6 << retour << int(Qt::ShiftModifier)
                                  << "    un\n    " << 11;
    QTest::newRow("Ctrl+Return") << "    un" << 6 << 6 << retour << int(Qt::ControlModifier)
                                 << "    un\n    " << 11;
}

void TestEditorWindow::returnKeepsIndentation()
{
    QFETCH(QString, texte);
    QFETCH(int, ancre);
    QFETCH(int, position);
    QFETCH(int, touche);
    QFETCH(int, modificateurs);
    QFETCH(QString, attendu);
    QFETCH(int, curseur);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    edit->setPlainText(texte);
    QTextCursor cursor(edit->document());
    cursor.setPosition(ancre);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);

    QTest::keyClick(edit, Qt::Key(touche), Qt::KeyboardModifiers(modificateurs));
    const QString raw = edit->document()->toRawText();
    QVERIFY(!raw.contains(QChar::LineSeparator));
    QCOMPARE(edit->toPlainText(), attendu);
    QCOMPARE(edit->textCursor().position(), curseur);
    QCOMPARE(edit->document()->blockCount(), int(attendu.count(QLatin1Char('\n'))) + 1);

    QAction *annuler = action(f.window, "editAnnulerAct");
    QTest::keyClicks(edit, QStringLiteral("deux"));
    annuler->trigger();
    QCOMPARE(edit->toPlainText(), attendu);
    annuler->trigger();
    QCOMPARE(edit->toPlainText(), texte);
}

// The margin numbers the lines of the file in view, each beside the first line it
// shows, where the text of that line stands, the cursor's line marked; it makes
// room for the widest number and follows the font.
void TestEditorWindow::lineNumbers_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("ligneCurseur");
    QTest::addColumn<int>("taillePolice"); // 0: the font at start
    QTest::addColumn<QList<int>>("numeros"); // empty: a run of numbers around the cursor's line
    QTest::addColumn<bool>("charge"); // opened from a file, asked before it is all laid out

    QStringList mille;
    for (int i = 1; i <= 1000; ++i)
        mille << QStringLiteral("ligne %1").arg(i);
    const QString longue
        = QStringLiteral("debut\n") + QString(600, QLatin1Char('x')) + QStringLiteral("\nfin");
    QTest::newRow("three lines") << "un\ndeux\ntrois" << 2 << 0 << QList<int> {1, 2, 3} << false;
    QTest::newRow("empty lines") << "\n\n\n" << 1 << 0 << QList<int> {1, 2, 3, 4} << false;
    QTest::newRow("a wrapped line has one number")
        << longue << 3 << 0 << QList<int> {1, 2, 3} << false;
    QTest::newRow("lines in view only")
        << mille.join(QLatin1Char('\n')) << 500 << 0 << QList<int>() << false;
    QTest::newRow("a larger font") << "un\ndeux\ntrois" << 1 << 30 << QList<int> {1, 2, 3} << false;
    QTest::newRow("a smaller font, lines in view only")
        << mille.join(QLatin1Char('\n')) << 1000 << 8 << QList<int>() << false;
    QTest::newRow("a page just opened")
        << mille.join(QLatin1Char('\n')) << 1 << 0 << QList<int>() << true;
}

void TestEditorWindow::lineNumbers()
{
    QFETCH(QString, texte);
    QFETCH(int, ligneCurseur);
    QFETCH(int, taillePolice);
    QFETCH(QList<int>, numeros);
    QFETCH(bool, charge);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    if (taillePolice > 0) {
        whenModalShows([taillePolice](QWidget *modal) {
            auto *dialog = qobject_cast<QFontDialog *>(modal);
            QVERIFY(dialog);
            dialog->setCurrentFont(QFont(QStringLiteral("DejaVu Sans Mono"), taillePolice));
            dialog->accept();
        });
        action(f.window, "policeEditeurAct")->trigger();
        QCOMPARE(edit->font().pointSize(), taillePolice);
    }
    QTemporaryDir dossier;
    if (charge) {
        // The layout of the text goes on between events: the margin is painted in
        // the meantime.
        const QString page = dossier.filePath(QStringLiteral("page.html"));
        QVERIFY(writeBytes(page, texte.toLatin1()));
        QVERIFY(f.window->loadFile(page));
    } else {
        edit->setPlainText(texte);
        edit->setTextCursor(QTextCursor(edit->document()->findBlockByNumber(ligneCurseur - 1)));
        QCoreApplication::processEvents();
    }

    const QList<monQTextEdit::NumeroAffiche> affiches = edit->numerosAffiches();
    QList<int> vus;
    for (const monQTextEdit::NumeroAffiche &n : affiches)
        vus << n.numero;
    if (QTest::currentDataTag() == QByteArray("a wrapped line has one number"))
        QVERIFY(edit->document()->findBlockByNumber(1).layout()->lineCount() > 3);
    if (!numeros.isEmpty()) {
        QCOMPARE(vus, numeros);
    } else {
        // Consecutive numbers around the cursor's line, as many as the view holds.
        QVERIFY(vus.contains(ligneCurseur));
        QVERIFY(vus.size() < 100);
        for (qsizetype i = 1; i < vus.size(); ++i)
            QCOMPARE(vus.at(i), vus.at(i - 1) + 1);
        QVERIFY(vus.first() > 1 || vus.last() < 1000);
    }

    QWidget *marge = edit->marge();
    const QFontMetrics mesures(edit->font());
    const QString plusLarge = QString::number(edit->document()->blockCount());
    QVERIFY(marge->isVisible());
    QVERIFY(marge->geometry().right() < edit->viewport()->geometry().left());
    for (const monQTextEdit::NumeroAffiche &n : affiches) {
        // Each number stands where the text of its line begins, in the view.
        const QTextBlock bloc = edit->document()->findBlockByNumber(n.numero - 1);
        const QRect texteLigne = edit->cursorRect(QTextCursor(bloc));
        QCOMPARE(qRound(n.rect.top()), texteLigne.top());
        QVERIFY(n.rect.height() >= mesures.height() - 1);
        QVERIFY(n.rect.width() >= mesures.horizontalAdvance(plusLarge));
        QVERIFY(n.rect.right() <= marge->width());
        QCOMPARE(n.courant, n.numero == ligneCurseur);
    }
}

// "Atteindre la ligne..." offers the cursor's line and puts the cursor at the
// start of the line given (or at the column given after a colon), in the middle of
// the view as far as the text allows. Any number is taken, one past the end going
// to the last line; anything else is refused in the box, which stays open and
// moves nothing. Escape changes nothing.
void TestEditorWindow::goToLine_data()
{
    QTest::addColumn<int>("lignes");
    QTest::addColumn<int>("courante");
    QTest::addColumn<QString>("reponse"); // typed in the field, then Return; or "Escape"
    QTest::addColumn<int>("attendue"); // 0: refused
    QTest::addColumn<int>("colonne");

    QTest::newRow("line 150 of 300") << 300 << 1 << "150" << 150 << 1;
    QTest::newRow("first line") << 300 << 200 << "1" << 1 << 1;
    QTest::newRow("last line") << 300 << 1 << "300" << 300 << 1;
    QTest::newRow("the line it was on") << 300 << 42 << "" << 42 << 1;
    QTest::newRow("a single line") << 1 << 1 << "1" << 1 << 1;
    QTest::newRow("Escape") << 300 << 42 << "Escape" << 42 << 4;
    // The box dropped the digits past its maximum, and took -5 for 5.
    QTest::newRow("past the last line") << 300 << 1 << "99999" << 300 << 1;
    QTest::newRow("past any number") << 300 << 1 << " 123456789012345678901234567890 " << 300 << 1;
    QTest::newRow("line and column") << 300 << 1 << "150:4" << 150 << 4;
    QTest::newRow("column past the end") << 300 << 1 << "150 : 99" << 150 << 10;
    QTest::newRow("negative refused") << 300 << 42 << "-5" << 0 << 4;
    QTest::newRow("zero refused") << 300 << 42 << "0" << 0 << 4;
    QTest::newRow("empty refused") << 300 << 42 << "<vide>" << 0 << 4;
    QTest::newRow("letters refused") << 300 << 42 << "abc" << 0 << 4;
    QTest::newRow("column zero refused") << 300 << 42 << "12:0" << 0 << 4;
}

void TestEditorWindow::goToLine()
{
    QFETCH(int, lignes);
    QFETCH(int, courante);
    QFETCH(QString, reponse);
    QFETCH(int, attendue);
    QFETCH(int, colonne);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QStringList texte;
    for (int i = 1; i <= lignes; ++i)
        texte << QStringLiteral("ligne %1").arg(i);
    edit->setPlainText(texte.join(QLatin1Char('\n')));
    QTextCursor depart(edit->document()->findBlockByNumber(courante - 1));
    depart.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 3);
    edit->setTextCursor(depart);
    const int valeurAvant = edit->verticalScrollBar()->value();

    QString titre;
    QString offert;
    QString libelle;
    QString refus;
    bool resteOuvert = false;
    whenModalShows([&](QWidget *modal) {
        titre = modal->windowTitle();
        auto *champ = modal->findChild<QLineEdit *>(QStringLiteral("lineEditLigne"));
        QVERIFY(champ);
        QTRY_VERIFY(champ->hasFocus());
        offert = champ->selectedText();
        for (const QLabel *label : modal->findChildren<QLabel *>())
            libelle += label->text();
        if (reponse == QLatin1String("Escape")) {
            QTest::keyClick(champ, Qt::Key_Escape);
            return;
        }
        if (reponse == QLatin1String("<vide>"))
            QTest::keyClick(champ, Qt::Key_Backspace);
        else
            QTest::keyClicks(champ, reponse);
        QTest::keyClick(champ, Qt::Key_Return);
        resteOuvert = modal->isVisible();
        const auto *label = modal->findChild<QLabel *>(QStringLiteral("labelRefus"));
        if (label && label->isVisible())
            refus = label->text();
        if (resteOuvert)
            QTest::keyClick(champ, Qt::Key_Escape);
    });
    action(f.window, "atteindreLigneAct")->trigger();
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(titre, QStringLiteral("Marlisse - Atteindre la ligne"));
    QVERIFY2(libelle.contains(QStringLiteral("1 à %1").arg(lignes)), qPrintable(libelle));
    QCOMPARE(offert, QString::number(courante));

    const QTextCursor arrivee = edit->textCursor();
    QCOMPARE(resteOuvert, attendue == 0);
    QCOMPARE(!refus.isEmpty(), attendue == 0);
    if (attendue == 0 || reponse == QLatin1String("Escape")) {
        QCOMPARE(arrivee.position(), depart.position());
        QCOMPARE(edit->verticalScrollBar()->value(), valeurAvant);
        return;
    }
    QCOMPARE(arrivee.blockNumber(), attendue - 1);
    QCOMPARE(arrivee.positionInBlock(), colonne - 1);
    QVERIFY(!arrivee.hasSelection());
    // In the middle of the view, or as near as the start or the end of the text allows.
    const QRect ligne = edit->cursorRect();
    const QScrollBar *barre = edit->verticalScrollBar();
    QVERIFY(edit->viewport()->rect().contains(ligne));
    if (barre->value() > 0 && barre->value() < barre->maximum())
        QVERIFY2(qAbs(ligne.center().y() - edit->viewport()->height() / 2) <= ligne.height(),
                 qPrintable(QStringLiteral("line at %1, scrolled %2 of %3")
                                .arg(ligne.center().y())
                                .arg(barre->value())
                                .arg(barre->maximum())));
    if (attendue == 150)
        QVERIFY(barre->value() > 0 && barre->value() < barre->maximum());
}

void TestEditorWindow::viewKeepsItsPlace_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<bool>("curseurVu");

    // Ticking the line numbers on line 30,000 of a long page showed lines some 2,000 lines up.
    QTest::newRow("line numbers, the cursor in view") << "viewNumerosLigneAct" << true;
    QTest::newRow("line numbers, the cursor out of view") << "viewNumerosLigneAct" << false;
    QTest::newRow("wrapping, the cursor in view") << "retourLigneAct" << true;
    QTest::newRow("wrapping, the cursor out of view") << "retourLigneAct" << false;
}

// The text laid out at another width: the first line in view stays in view, and
// the cursor too when it was in view, each way.
void TestEditorWindow::viewKeepsItsPlace()
{
    QFETCH(QString, actionName);
    QFETCH(bool, curseurVu);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QAction *toggle = action(f.window, actionName);
    const auto remet = qScopeGuard([toggle] { toggle->setChecked(true); });
    QStringList lignes;
    for (int i = 1; i <= 3000; ++i)
        lignes << QStringLiteral("<p>ligne %1 ").arg(i) + QStringLiteral("des mots ").repeated(30);
    edit->setPlainText(lignes.join(QLatin1Char('\n')));
    edit->atteindreLigne(2000);
    QScrollBar *barre = edit->verticalScrollBar();
    if (!curseurVu)
        barre->setValue(barre->value() - 3 * edit->viewport()->height());
    QCoreApplication::processEvents();
    const auto enVue = [edit, barre](int numero) {
        const QRectF bloc = edit->document()
                                ->documentLayout()
                                ->blockBoundingRect(edit->document()->findBlockByNumber(numero))
                                .translated(0, -barre->value());
        return bloc.bottom() > 0 && bloc.top() < edit->viewport()->height();
    };
    const auto curseurEnVue
        = [edit] { return edit->viewport()->rect().intersects(edit->cursorRect()); };
    QCOMPARE(curseurEnVue(), curseurVu);
    for (int fois = 0; fois < 2; ++fois) {
        const int premier = edit->cursorForPosition(QPoint(0, 0)).blockNumber();
        QVERIFY(premier > 1000);
        const bool vu = curseurEnVue();
        toggle->trigger();
        QCoreApplication::processEvents();
        // Wrapped again, the lines from the first in view to the cursor's may no longer
        // fit in the view: the cursor's stays.
        if (!vu || actionName == QLatin1String("viewNumerosLigneAct"))
            QVERIFY2(enVue(premier),
                     qPrintable(QStringLiteral("line %1 out of view, %2 shown first")
                                    .arg(premier + 1)
                                    .arg(edit->cursorForPosition(QPoint(0, 0)).blockNumber() + 1)));
        if (vu)
            QVERIFY(curseurEnVue());
    }
}

void TestEditorWindow::lineNumberContrast_data()
{
    QTest::addColumn<QColor>("fond"); // invalid: the toolkit's palette
    QTest::addColumn<QColor>("texte");
    QTest::addColumn<bool>("plusFonce"); // room for a darker number on the cursor's line

    QTest::newRow("the toolkit's palette") << QColor() << QColor() << true;
    // #B8B8B8 on #EFEFEF: 1.7:1.
    QTest::newRow("light grey margin") << QColor(0xef, 0xef, 0xef) << QColor(Qt::black) << true;
    QTest::newRow("dark theme") << QColor(0x2b, 0x2b, 0x2b) << QColor(0xe0, 0xe0, 0xe0) << true;
    QTest::newRow("pale text") << QColor(0xef, 0xef, 0xef) << QColor(0xc8, 0xc8, 0xc8) << true;
    QTest::newRow("mid grey margin") << QColor(0x77, 0x77, 0x77) << QColor(Qt::black) << false;
}

// The numbers are readable on the margin (a contrast of 4.5:1 at least, as the
// accessibility guidelines reckon it), the cursor line's number more still.
void TestEditorWindow::lineNumberContrast()
{
    QFETCH(QColor, fond);
    QFETCH(QColor, texte);
    QFETCH(bool, plusFonce);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    if (fond.isValid()) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Window, fond);
        palette.setColor(QPalette::Text, texte);
        edit->setPalette(palette);
    }
    const auto luminance = [](const QColor &c) {
        const auto lineaire
            = [](qreal v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lineaire(c.redF()) + 0.7152 * lineaire(c.greenF())
            + 0.0722 * lineaire(c.blueF());
    };
    const auto contraste = [&luminance](const QColor &a, const QColor &b) {
        const qreal la = luminance(a);
        const qreal lb = luminance(b);
        return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
    };
    const monQTextEdit::CouleursMarge couleurs = edit->couleursMarge();
    QCOMPARE(couleurs.fond, edit->palette().color(QPalette::Window));
    const qreal numero = contraste(couleurs.numero, couleurs.fond);
    const qreal courant = contraste(couleurs.courant, couleurs.fond);
    QVERIFY2(numero >= 4.5 - 0.01, qPrintable(QString::number(numero)));
    QVERIFY2(courant >= numero - 0.01, qPrintable(QString::number(courant)));
    if (plusFonce)
        QVERIFY2(courant > numero + 1,
                 qPrintable(QStringLiteral("%1 %2").arg(courant).arg(numero)));
}

void TestEditorWindow::marginSelectsLines_data()
{
    QTest::addColumn<int>("clic"); // the line clicked, from 1
    QTest::addColumn<int>("glisse"); // the line dragged to, 0: none
    QTest::addColumn<bool>("maj"); // Shift held, the cursor in line 2 before
    QTest::addColumn<int>("ancre"); // expected, in the text "un\ndeux\ntrois\nquatre\ncinq"
    QTest::addColumn<int>("position");

    QTest::newRow("a click") << 2 << 0 << false << 3 << 8;
    QTest::newRow("a click on the last line") << 5 << 0 << false << 21 << 25;
    QTest::newRow("dragged down") << 2 << 4 << false << 3 << 21;
    QTest::newRow("dragged up") << 4 << 2 << false << 21 << 3;
    QTest::newRow("Shift and a click") << 4 << 0 << true << 3 << 21;
}

// A click on a line number selects the line, a drag over the numbers the lines,
// and the cursor follows.
void TestEditorWindow::marginSelectsLines()
{
    QFETCH(int, clic);
    QFETCH(int, glisse);
    QFETCH(bool, maj);
    QFETCH(int, ancre);
    QFETCH(int, position);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    edit->setPlainText(QStringLiteral("un\ndeux\ntrois\nquatre\ncinq"));
    QTextCursor cursor(edit->document()->findBlockByNumber(1));
    cursor.movePosition(QTextCursor::Right);
    edit->setTextCursor(cursor);
    QCoreApplication::processEvents();
    const auto hauteur = [edit](int ligne) {
        for (const monQTextEdit::NumeroAffiche &n : edit->numerosAffiches())
            if (n.numero == ligne)
                return n.rect.center().toPoint();
        return QPoint(-1, -1);
    };
    QWidget *marge = edit->marge();
    const auto souris = [marge](QEvent::Type type, QPoint point, Qt::KeyboardModifiers mods) {
        QMouseEvent event(type, point, marge->mapToGlobal(point), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, mods);
        QApplication::sendEvent(marge, &event);
    };
    const Qt::KeyboardModifiers mods = maj ? Qt::ShiftModifier : Qt::NoModifier;
    souris(QEvent::MouseButtonPress, hauteur(clic), mods);
    if (glisse > 0)
        souris(QEvent::MouseMove, hauteur(glisse), mods);
    souris(QEvent::MouseButtonRelease, hauteur(glisse > 0 ? glisse : clic), mods);
    QCOMPARE(edit->textCursor().anchor(), ancre);
    QCOMPARE(edit->textCursor().position(), position);
}

void TestEditorWindow::longLines_data()
{
    QTest::addColumn<bool>("retour"); // "Retour à la ligne automatique"
    QTest::addColumn<QString>("touches"); // E: End, H: Home, S: with Shift
    QTest::addColumn<int>("depart"); // -1: the end of the line
    QTest::addColumn<QList<int>>("positions"); // after each key; -1: inside the line

    const int fin = finLigneLongue;
    QTest::newRow("End, then again") << true << "EE" << 0 << QList<int> {-1, fin};
    QTest::newRow("Home, then again") << true << "HH" << -1 << QList<int> {-1, 0};
    QTest::newRow("Shift+End twice") << true << "SS" << 0 << QList<int> {-1, fin};
    QTest::newRow("unwrapped: End") << false << "E" << 0 << QList<int> {fin};
}

// On a line that the view wraps, End goes to the end of the line on screen, and a
// second End to the end of the line of the file (End then Return split a line inside
// "</a>"); Home likewise. Unwrapped, a long line scrolls sideways.
void TestEditorWindow::longLines()
{
    QFETCH(bool, retour);
    QFETCH(QString, touches);
    QFETCH(int, depart);
    QFETCH(QList<int>, positions);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QAction *toggle = action(f.window, "retourLigneAct");
    const auto remet = qScopeGuard([toggle] { toggle->setChecked(true); });
    toggle->setChecked(retour);
    QCOMPARE(edit->lineWrapMode(), retour ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    const QString ligne = QStringLiteral("<a href=\"") + QString(400, QLatin1Char('x'))
        + QStringLiteral("\">lien</a>");
    edit->setPlainText(ligne + QStringLiteral("\nsuite"));
    QCoreApplication::processEvents();
    QCOMPARE(edit->horizontalScrollBar()->maximum() > 0, !retour);
    QTextCursor cursor(edit->document());
    cursor.setPosition(depart < 0 ? int(ligne.size()) : depart);
    edit->setTextCursor(cursor);
    for (qsizetype i = 0; i < touches.size(); ++i) {
        const QChar t = touches.at(i);
        QTest::keyClick(edit, t == u'H' ? Qt::Key_Home : Qt::Key_End,
                        t == u'S' ? Qt::ShiftModifier : Qt::NoModifier);
        const int position = edit->textCursor().position();
        if (positions.at(i) == -1)
            QVERIFY2(position > 0 && position < ligne.size(),
                     qPrintable(QString::number(position)));
        else
            QCOMPARE(position,
                     positions.at(i) == finLigneLongue ? int(ligne.size()) : positions.at(i));
        if (t == u'S')
            QCOMPARE(edit->textCursor().anchor(), depart);
    }
    if (touches.endsWith(u'E')) {
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(edit->document()->firstBlock().text(), ligne);
    }
}

void TestEditorWindow::textTallerThanThePage_data()
{
    QTest::addColumn<bool>("largeur"); // the view's width changes, far down the text

    QTest::newRow("laid out between events") << false;
    QTest::newRow("new width with the view past the first page") << true;
}

// The toolkit's layout never ended on a text taller than 8,388,607 pixels: a large
// font makes one of a few thousand lines.
void TestEditorWindow::textTallerThanThePage()
{
    QFETCH(bool, largeur);

    EditorFixture f;
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QFont police = edit->font();
    police.setPixelSize(400);
    edit->setFont(police);
    const int lignes = 9000000 / QFontMetrics(police).lineSpacing() + 100;
    edit->setPlainText(QStringLiteral("a\n").repeated(lignes));
    QTextDocument *document = edit->document();
    QTRY_VERIFY_WITH_TIMEOUT(document->lastBlock().layout()->lineCount() > 0, 60000);
    QAbstractTextDocumentLayout *mise = document->documentLayout();
    QVERIFY(mise->blockBoundingRect(document->lastBlock()).top() > 8388607);

    if (largeur) {
        QScrollBar *barre = edit->verticalScrollBar();
        barre->setValue(barre->maximum());
        QVERIFY(barre->value() > 8388607);
        const int enHaut = edit->cursorForPosition(QPoint(0, 0)).blockNumber();
        f.window->resize(f.window->width() + 100, f.window->height());
        QCoreApplication::processEvents();
        QVERIFY(qAbs(edit->cursorForPosition(QPoint(0, 0)).blockNumber() - enHaut) <= 1);
        QTRY_VERIFY_WITH_TIMEOUT(document->lastBlock().layout()->lineCount() > 0, 60000);
    }
}

// A long text's lines are coloured as they come into view, as the highlighter
// colours them in a document of their own; a line never shown is laid out plain.
void TestEditorWindow::linesColouredAsShown()
{
    EditorFixture f;
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window));
    monQTextEdit *edit = KalTextEditTestAccess(f.window).textEdit();
    QStringList lignes;
    for (int i = 1; i <= 3000; ++i)
        lignes << QStringLiteral("<p class=\"c%1\">ligne %1</p> <!-- fin").arg(i);
    edit->setPlainText(lignes.join(QLatin1Char('\n')));
    QTextDocument seul(lignes.join(QLatin1Char('\n')));
    (new HighlighterHtml(&seul))->rehighlight();
    const auto memesCouleurs = [&](int numero) {
        return edit->document()->findBlockByNumber(numero).layout()->formats()
            == seul.findBlockByNumber(numero).layout()->formats();
    };
    edit->viewport()->repaint();
    QVERIFY(memesCouleurs(0));
    QVERIFY(edit->document()->lastBlock().layout()->formats().isEmpty());

    edit->atteindreLigne(3000);
    edit->viewport()->repaint();
    QVERIFY(memesCouleurs(2999));
    QVERIFY(memesCouleurs(2990));
    // A line typed in view is coloured at once.
    QTest::keyClicks(edit, QStringLiteral("<b>"));
    QVERIFY(edit->document()->lastBlock().text().startsWith(QLatin1String("<b><p")));
    QVERIFY(!edit->document()->lastBlock().layout()->formats().isEmpty());
}

void TestEditorWindow::pastedRichTextArrivesPlain_data()
{
    QTest::addColumn<QString>("html"); // null: none on the clipboard
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("drop"); // dropped on the text, not pasted
    QTest::addColumn<QString>("box"); // the message box that refuses it
    const QString image(QChar::ObjectReplacementCharacter);
    QTest::newRow("HTML and its text") << "<b>gras</b> et <i>penché</i>"
                                       << "gras et penché"
                                       << "gras et penché" << false << QString();
    QTest::newRow("HTML alone gives its text")
        << "<b>gras</b> et <i>penché</i>" << QString() << "gras et penché" << false << QString();
    QTest::newRow("image dropped from the text") << QString() << "avant" + image + "après"
                                                 << "avantaprès" << false << QString();
    QTest::newRow("dropped") << QString() << "déposé"
                             << "déposé" << true << QString();
    // Past the limit the text's positions overflow and the layout crashes.
    const QString tropLong(DocumentFile::maxCharacters + 1, QLatin1Char('x'));
    const QString refus = QStringLiteral("Marlisse | Le texte inséré (");
    QTest::newRow("pasted past the document's limit")
        << QString() << tropLong << QString() << false << refus;
    QTest::newRow("dropped past the document's limit")
        << QString() << tropLong << QString() << true << refus;
}

// Only text comes in, never formats; an image copied with it leaves nothing.
void TestEditorWindow::pastedRichTextArrivesPlain()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QFETCH(QString, pasted);
    QFETCH(bool, drop);
    QFETCH(QString, box);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    auto *mime = new QMimeData;
    if (!html.isNull())
        mime->setHtml(html);
    if (!text.isNull())
        mime->setText(text);
    DialogAnswers answers;
    if (!box.isEmpty())
        answers.press(QStringLiteral("OK"));
    if (drop) {
        // A drop reaches only the widget that took the drag as it entered.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.textEdit()->viewport(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.textEdit()->viewport(), &event);
        delete mime;
    } else {
        QApplication::clipboard()->setMimeData(mime);
        action(f.window, "editPasteAct")->trigger();
    }
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().value(0).left(box.size()), box);
    QCOMPARE(w.textEdit()->toPlainText(), pasted);
    QVERIFY(w.textEdit()->document()->isUndoAvailable() == !pasted.isEmpty());
    if (pasted.isEmpty())
        return;
    QTextCursor cursor(w.textEdit()->document());
    cursor.setPosition(2);
    QCOMPARE(cursor.charFormat().fontWeight(), int(QFont::Normal));
}

void TestEditorWindow::alignmentGroupIsExclusive()
{
    EditorFixture f;
    QAction *gauche = action(f.window, "alignGaucheAct");
    QAction *centre = action(f.window, "alignCentreAct");
    auto *group = f.window->findChild<QActionGroup *>(QStringLiteral("alignGroup"));
    QVERIFY(group);
    QSignalSpy spy(group, &QActionGroup::triggered);
    centre->trigger();
    QVERIFY(centre->isChecked());
    QVERIFY(!gauche->isChecked());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QAction *>(), centre);
}

// The window size follows the screen: at most 800 wide or 600 high gives 600 x 440,
// otherwise 800 x 600. Each screen size runs in a child process on its own
// offscreen screen.
void TestEditorWindow::windowSizeFollowsScreen_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::newRow("1024x600") << QSize(1024, 600) << QSize(600, 440);
    QTest::newRow("800x1024") << QSize(800, 1024) << QSize(600, 440);
    QTest::newRow("1024x768") << QSize(1024, 768) << QSize(800, 600);
    QTest::newRow("1280x1024") << QSize(1280, 1024) << QSize(800, 600);
}

void TestEditorWindow::windowSizeFollowsScreen()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    if (inScreenChild()) {
        EditorFixture f;
        QCOMPARE(QGuiApplication::primaryScreen()->geometry().size(), screen);
        QCOMPARE(f.window->size(), window);
        return;
    }
    const QString failure = runOnScreen(screen, QStringLiteral("windowSizeFollowsScreen"));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

// The program returns the event loop's result once its window has closed.
void TestEditorWindow::eventLoopResultIsExitStatus()
{
    QTemporaryDir dir;
    auto *window = new MarlisseApp(QStringLiteral("Marlisse"), QString(),
                                   dir.filePath(QStringLiteral("marlisse")));
    QCOMPARE(window->metaObject()->className(), "MarlisseApp");
    QCOMPARE(window->windowTitle(), QStringLiteral("Marlisse 2.1 - Nouveau"));
    QTimer::singleShot(0, window, &QWidget::close);
    const bool quitOnLast = QApplication::quitOnLastWindowClosed();
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(quitOnLast);
    QVERIFY(!window->isVisible());
    delete window;
}

// Marlisse speaks French: on a German desktop the toolkit's own texts (its dialogs,
// the editing area's menu, the What's This button, key names) are French too. The
// checks run in a child process started on a German desktop.
void TestEditorWindow::qtTextsInFrench()
{
    if (!inScreenChild()) {
        const QString failure
            = runOnScreen(QSize(1024, 768), QStringLiteral("qtTextsInFrench"),
                          {"LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8", "LANGUAGE=de_DE.UTF-8"});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        return;
    }
    QCOMPARE(QLocale::system().language(), QLocale::German);
    QVERIFY(installQtFrenchTranslation());
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QFileDialog files;
    QStringList dialogs {QFontDialog().windowTitle()};
    for (const QPushButton *button : files.findChildren<QPushButton *>())
        dialogs << button->text();
    QVERIFY2(dialogs.contains("Choisir une police") && dialogs.contains("Annuler"),
             qPrintable(dialogs.join(" | ")));
    std::unique_ptr<QMenu> menu(w.textEdit()->createStandardContextMenu());
    QStringList seen;
    for (const QAction *entry : menu->actions() + w.toolBar()->actions())
        seen << entry->text();
    seen << action(f.window, "listeSimpleAct")->shortcut().toString(QKeySequence::NativeText);
    for (const char *text : {"Co&ller\tCtrl+V", "Qu'est-ce que c'est ?", "Alt+Maj+L"})
        QVERIFY2(seen.contains(QString::fromUtf8(text)), qPrintable(seen.join(" | ")));
}

QTEST_MAIN(TestEditorWindow)
#include "tst_editorwindow.moc"
