#include "kaltextedit.h"

#include "emplacements.h"
#include "highlighterhtml.h"
#include "journalrecuperation.h"
#include "lisorel.h"
#include "montextedit.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {

// The folder of the running program. A bare name or a relative path in argv[0]
// (a program started through PATH) says nothing of where the program lies, so
// only a full path is taken as it stands.
QString folderOfProgram(const QString &programPath)
{
    if (QFileInfo(programPath).isAbsolute())
        return QFileInfo(programPath).absolutePath();
    return QCoreApplication::applicationDirPath();
}

} // namespace

KalTextEdit::KalTextEdit(const QString &appName, const QString &fileName, bool standalone,
                         QString const &programPath, QString version)
    : QMainWindow(nullptr)
    , browser(nullptr)
    , fileMenu(nullptr)
    , editMenu(nullptr)
    , htmlMenu(nullptr)
    , caracteresMenu(nullptr)
    , titresMenu(nullptr)
    , justificationMenu(nullptr)
    , listesMenu(nullptr)
    , viewMenu(nullptr)
    , helpMenu(nullptr)
    , toolBar(nullptr)
    , toolBarB(nullptr)
    , textEdit(nullptr)
    , codecName("ISO 8859-1")
    , respecteCasse(false)
    , highlighter(nullptr)
    , labelModif(nullptr)
    , labelAlignement(nullptr)
    , labelInsertion(nullptr)
    , labelPosition(nullptr)
    , labelEncodage(nullptr)
    , encodageMenu(nullptr)
    , rouvrirEncodageMenu(nullptr)
    , enregistrerEncodageMenu(nullptr)
    , finsDeLigne(LineEnds::Convention::LF)
    , labelFinsDeLigne(nullptr)
    , finsDeLigneMenu(nullptr)
    , standalone(standalone)
    , isHtml(true)
    , optionsModifiees(false)
    , journal(nullptr)
    , panneauProblemes(nullptr)
    , copieVerifiee(nullptr)
    , verification(nullptr)
    , revisionDemandee(-1)
    , revisionVerifiee(-1)
{
    programDir = folderOfProgram(programPath);
    helpDir = Emplacements::dossierAide(programDir);
    optionsFile = programDir + QLatin1String("/marlisse.opt");

    currentDir = programDir;
    // An installed copy, or one whose folder cannot be written, keeps its preferences
    // in the user's own folders, and its documents are not among its programs.
    const QString userOptions = Emplacements::fichierOptionsUtilisateur();
    if (!userOptions.isEmpty()
        && (Emplacements::copieInstallee(programDir)
            || !Emplacements::dossierInscriptible(programDir))) {
        optionsFile = userOptions;
        currentDir = QDir::homePath();
    }
    this->version = version;
    baseTitle = appName + QLatin1Char(' ') + version;
    setWindowTitle(baseTitle);
    setWindowIcon(QIcon(QStringLiteral(":/images/marlisse.png")));
    windowTitleText = baseTitle;

    createActions();
    createMenus();
    createToolBars();
    createStatusBar();

    labelAlignement->setText(tr("Gauche"));

    textEdit = new monQTextEdit(this);
    highlighter = new HighlighterHtml(textEdit->document());
    textEdit->setColoriage(highlighter);
    // Source text runs left to right: no paragraph has to be scanned for its direction.
    QTextOption option = textEdit->document()->defaultTextOption();
    option.setTextDirection(Qt::LeftToRight);
    textEdit->document()->setDefaultTextOption(option);
    textEdit->setAcceptRichText(false);
    textEdit->setNumerosLigne(viewNumerosLigneAct->isChecked());
    // New documents are in the encoding that codecName names.
    adopteEncodage(DocumentEncoding::fromName(QString::fromLatin1(codecName))
                       .value_or(DocumentEncoding::latin1()),
                   QString());
    adopteFinsDeLigne(LineEnds::Convention::LF);

    if (!litOptions()) {
        editorFont.setFamily(QStringLiteral("Helvetica"));
        editorFont.setFixedPitch(true);
        editorFont.setPointSize(14);
    }
    applyEditorFont();

    // This program always starts on a new document; a name given here is opened
    // as the open command would, and a file that cannot be read leaves a new one.
    if (!fileName.isEmpty() && loadFile(fileName)) {
        retientDossier(fileName);
        setCurrentFile(fileName);
        majTypeDocument(fileName);
    } else {
        currentFile.clear();
        isHtml = true;
        windowTitleText += tr(" - Nouveau");
        setWindowTitle(windowTitleText);
    }

    activeCommandesHtml(isHtml);

    connect(textEdit, &QTextEdit::copyAvailable, editCutAct, &QAction::setEnabled);
    connect(textEdit, &QTextEdit::copyAvailable, editCopyAct, &QAction::setEnabled);
    connect(textEdit, &QTextEdit::undoAvailable, editAnnulerAct, &QAction::setEnabled);
    connect(textEdit, &QTextEdit::redoAvailable, editRefaireAct, &QAction::setEnabled);
    connect(textEdit->document(), &QTextDocument::modificationChanged, this,
            &KalTextEdit::slotMaJStatusBarreInfoModif);
    connect(textEdit, &monQTextEdit::insertKeyPressed, this, &KalTextEdit::slotInsertRewrite);
    connect(textEdit, &QTextEdit::cursorPositionChanged, this, &KalTextEdit::slotMaJPosition);
    demarreJournal();

    textEdit->setFocus();
    setCentralWidget(textEdit);

    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    if (desktop.width() <= 800 || desktop.height() <= 600)
        resize(600, 440);
    else
        resize(800, 600);

    show();
}

KalTextEdit::~KalTextEdit()
{
    // Its last write reads the document and the members: it goes first.
    delete journal;
    journal = nullptr;
    if (browser) {
        delete browser;
        browser = nullptr;
    }
    // The What's This action has no parent: it goes with the window that made it.
    delete whatsThisAct;
}
