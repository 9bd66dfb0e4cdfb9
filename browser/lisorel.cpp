#include "lisorel.h"

#include "documentencoding.h"
#include "documentfile.h"
#include <QAbstractTextDocumentLayout>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QWhatsThis>

namespace {

const char *const copyrightLine = "Copyright (C) les auteurs de Marlisse";

// Drawn for an image that cannot be shown.
QImage imageAbsente()
{
    QImage placeholder(QStringLiteral(":/qt-project.org/styles/commonstyle/images/file-16.png"));
    if (placeholder.isNull()) {
        placeholder = QImage(16, 16, QImage::Format_ARGB32_Premultiplied);
        placeholder.fill(Qt::lightGray);
    }
    return placeholder;
}

// An image as the toolkit's image handler takes it: a pixmap on the GUI thread,
// an image elsewhere.
QVariant pourAffichage(const QImage &image)
{
    if (QThread::currentThread() == qApp->thread())
        return QPixmap::fromImage(image);
    return image;
}

bool estImage(const QVariant &resource)
{
    if (resource.userType() == QMetaType::QPixmap)
        return !resource.value<QPixmap>().isNull();
    return resource.userType() == QMetaType::QImage && !resource.value<QImage>().isNull();
}

// The page shown for a link to a file that is not there: an empty page would say
// nothing of it.
QString pageIntrouvable(const QString &fileName)
{
    return QStringLiteral("<html><head><title>Page introuvable</title></head><body>"
                          "<h2>Page introuvable</h2>"
                          "<p>Aucun fichier à cet emplacement\u00a0:</p><p><tt>%1</tt></p>"
                          "</body></html>")
        .arg(fileName.toHtmlEscaped());
}

// The document of the viewer. For an image given back as anything but an image,
// the toolkit's image handler opens the name itself, relative to the working
// folder (where a pipe blocks it for ever), so every image is given back as one,
// if only a placeholder. And the toolkit's document keeps one resource per
// address, whatever was asked for: a stylesheet refused at an address would be
// given to an image of the same address. Here only images are kept (the image
// handler asks again at each paint); what else the browser gives is used once.
class LisorelDocument : public QTextDocument
{
public:
    explicit LisorelDocument(LisorelTextBrowser *browser)
        : QTextDocument(browser)
        , browser(browser)
    { }

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type != QTextDocument::ImageResource) {
            const QVariant resource = browser->loadResource(type, name);
            // Nothing for what the browser does not read: data URLs are the toolkit's.
            return resource.isValid() ? resource : QTextDocument::loadResource(type, name);
        }
        // The browser's images of local files, compiled-in ones and data URLs.
        const QVariant image = QTextDocument::loadResource(type, name);
        if (estImage(image))
            return image;
        // Kept in place of the bytes that the toolkit kept.
        const QVariant placeholder = pourAffichage(imageAbsente());
        addResource(type, name, placeholder);
        return placeholder;
    }

private:
    LisorelTextBrowser *browser;
};

} // namespace

LisorelTextBrowser::LisorelTextBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    setDocument(new LisorelDocument(this));
}

// Pages come here on every load (the first one, a followed link, back, forward,
// home and reload), and so do images and stylesheets. The toolkit would read a
// local file whole whatever it is: a pipe named by an <img> would block the whole
// program and /dev/zero would exhaust its memory. Local files are read here, only
// when regular and within the document limit; anything else is shown as missing,
// never as a null resource, for which the document would read the file itself:
// an image as a placeholder, a page that is not there as a page that says so.
// The decoding of pages is ours too, so that a page reaches the browser as text
// and Qt does not guess again.
QVariant LisorelTextBrowser::loadResource(int type, const QUrl &name)
{
    const std::optional<QString> fileName = localFile(name);
    if (!fileName)
        return QTextBrowser::loadResource(type, name);
    const DocumentFile::Reading reading
        = fileName->isEmpty() ? DocumentFile::Reading() : DocumentFile::read(*fileName);
    if (type == QTextDocument::ImageResource) {
        QImage image;
        if (reading.result != DocumentFile::Result::Read || !image.loadFromData(reading.bytes))
            image = imageAbsente();
        return pourAffichage(image);
    }
    if (reading.result != DocumentFile::Result::Read) {
        if (type == QTextDocument::HtmlResource && !fileName->isEmpty()
            && !QFileInfo::exists(*fileName))
            return pageIntrouvable(*fileName);
        return type == QTextDocument::HtmlResource ? QVariant(QString()) : QVariant(QByteArray());
    }
    if (type == QTextDocument::HtmlResource) {
        DocumentEncoding::Decoded page = decodeFile(*fileName, reading.bytes);
        pageEncoding = page.encoding;
        return page.text;
    }
    // Stylesheets too, as CSS reads them: the toolkit would read their bytes as
    // UTF-8 whatever they are. They come after their page.
    if (type == QTextDocument::StyleSheetResource)
        return DocumentEncoding::decode(reading.bytes, DocumentEncoding::Kind::Stylesheet,
                                        pageEncoding)
            .text;
    return reading.bytes;
}

// The local file that name designates, relative names taken from the page shown;
// none for what is not a local file (compiled-in resources, other schemes), which
// the toolkit reads without touching the file system. Empty for a name that no
// page places: the toolkit would read it from the working folder, which is
// the page's own only by chance.
std::optional<QString> LisorelTextBrowser::localFile(const QUrl &name) const
{
    const QUrl url = name.isRelative() && !source().isEmpty() ? source().resolved(name) : name;
    QString path;
    if (url.scheme().isEmpty())
        path = url.path();
    else if (url.isLocalFile())
        path = url.toLocalFile();
    if (path.isEmpty() || path.startsWith(QLatin1Char(':')))
        return std::nullopt;
    if (QFileInfo(path).isRelative())
        return QString();
    return QDir::cleanPath(path);
}

void LisorelTextBrowser::setEncodingOf(const QString &fileName,
                                       const std::optional<DocumentEncoding::Encoding> &encoding)
{
    encodedFile = fileName.isEmpty() ? QString() : QFileInfo(fileName).absoluteFilePath();
    fileEncoding = encoding;
}

DocumentEncoding::Decoded LisorelTextBrowser::decodeFile(const QString &fileName,
                                                         const QByteArray &bytes) const
{
    // A file changed on disk since may no longer be in that encoding: the rule
    // then reads it as the editor would open it.
    if (fileEncoding && !encodedFile.isEmpty()
        && QFileInfo(fileName).absoluteFilePath() == encodedFile) {
        if (auto decoded = DocumentEncoding::decodeAs(bytes, *fileEncoding))
            return std::move(*decoded);
    }
    return DocumentEncoding::decode(bytes, DocumentEncoding::kindOf(fileName));
}

Lisorel::Lisorel(const QIcon &icon, const QString &caption, const QString &fileName, bool html,
                 const std::optional<DocumentEncoding::Encoding> &encoding)
    : QMainWindow(nullptr)
    , textBrowser(nullptr)
    , fileMenu(nullptr)
    , viewMenu(nullptr)
    , goMenu(nullptr)
    , helpMenu(nullptr)
    , toolBar(nullptr)
{
    setWindowIcon(icon);
    setAttribute(Qt::WA_DeleteOnClose, true);

    createActions();
    createMenus();
    createToolBars();

    baseCaption = caption;

    textBrowser = new LisorelTextBrowser(this);
    connect(textBrowser, &QTextBrowser::sourceChanged, this, &Lisorel::slotMaJCaption);
    QStatusBar *bar = statusBar();
    connect(textBrowser, qOverload<const QUrl &>(&QTextBrowser::highlighted), bar,
            [bar](const QUrl &link) { bar->showMessage(link.toString()); });

    // Following a link, back, forward and home show a page of the history.
    connect(textBrowser, &QTextBrowser::sourceChanged, this, [this] {
        contenu = Contenu::Page;
        disconnect(suiviPosition);
    });
    // Once the reader scrolls, the place a reload had is no longer wanted.
    for (QScrollBar *bar : {textBrowser->horizontalScrollBar(), textBrowser->verticalScrollBar()})
        connect(bar, &QAbstractSlider::actionTriggered, this,
                [this] { disconnect(suiviPosition); });

    montreFichier(fileName, html, encoding);

    textBrowser->setFocus(Qt::OtherFocusReason);
    setCentralWidget(textBrowser);

    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    if (desktop.width() < 800 || desktop.height() < 600)
        resize(600, 440);
    else
        resize(700, 500);

    show();
}

// A plain-text document is shown as it is, tags visible, read as the editor reads it.
// A file that can no longer be read leaves the viewer empty, as a page would: the
// text it showed before is no longer what is on disk.
void Lisorel::chargeTexteSimple(const QString &fileName)
{
    const DocumentFile::Reading reading = DocumentFile::read(fileName);
    if (reading.result != DocumentFile::Result::Read) {
        textBrowser->clear();
        return;
    }
    textBrowser->setPlainText(
        static_cast<LisorelTextBrowser *>(textBrowser)->decodeFile(fileName, reading.bytes).text);
    caption = baseCaption + QLatin1String(" - ") + QFileInfo(fileName).fileName();
    setWindowTitle(caption);
}

void Lisorel::montreFichier(const QString &fileName, bool html,
                            const std::optional<DocumentEncoding::Encoding> &encoding)
{
    static_cast<LisorelTextBrowser *>(textBrowser)->setEncodingOf(fileName, encoding);
    if (fileName.isEmpty()) {
        montrePageVide();
        return;
    }
    const bool memeContenu = html ? contenu == Contenu::Page : contenu == Contenu::TexteSimple;
    if (memeContenu && fichierAffiche() == fileName) {
        slotRecharger();
        return;
    }
    disconnect(suiviPosition);
    if (!html) {
        contenu = Contenu::TexteSimple;
        texteSimple = fileName;
        chargeTexteSimple(fileName);
        return;
    }
    // The page the browser had before a plain text or the empty page took its
    // place is read again, not added to the history a second time.
    const QUrl url = QUrl::fromLocalFile(fileName);
    if (textBrowser->source().adjusted(QUrl::RemoveFragment) == url)
        textBrowser->reload();
    else
        textBrowser->setSource(url);
}

QString Lisorel::fichierAffiche() const
{
    switch (contenu) {
    case Contenu::TexteSimple:
        return texteSimple;
    case Contenu::Vide:
        return QString();
    case Contenu::Page:
        break;
    }
    const QUrl source = textBrowser->source();
    return source.isLocalFile() ? source.toLocalFile() : QString();
}

// A document never saved has no file to show. The browser cannot be given an
// empty source (it keeps the page it has), so the page is emptied by hand.
void Lisorel::montrePageVide()
{
    disconnect(suiviPosition);
    contenu = Contenu::Vide;
    texteSimple.clear();
    textBrowser->clear();
    caption = baseCaption;
    setWindowTitle(caption);
}

// Puts the view back where it was before the same document was read again.
void Lisorel::remetPosition(const QPoint &position)
{
    QScrollBar *horizontal = textBrowser->horizontalScrollBar();
    QScrollBar *vertical = textBrowser->verticalScrollBar();
    // A long page is laid out in steps after it is loaded: lay it out now down to
    // the place the reader had reached (no further, a long page takes a while).
    textBrowser->document()->documentLayout()->hitTest(
        QPointF(0, position.y() + textBrowser->viewport()->height()), Qt::FuzzyHit);
    horizontal->setValue(position.x());
    vertical->setValue(position.y());
    if (horizontal->value() == position.x() && vertical->value() == position.y())
        return;
    // The scroll bars take the size of what is laid out at the next turn of the
    // event loop. A page saved shorter than the place has no such turn: the range
    // that changes next is the window's, once it is resized, and the place is no
    // longer wanted then, nor once the reader scrolls.
    const QSize taille = textBrowser->size();
    suiviPosition = connect(
        vertical, &QScrollBar::rangeChanged, this,
        [this, horizontal, vertical, position, taille] {
            if (textBrowser->size() != taille)
                return;
            horizontal->setValue(position.x());
            vertical->setValue(position.y());
        },
        Qt::SingleShotConnection);
}

void Lisorel::createActions()
{
    filePrintAct
        = new QAction(QIcon(QStringLiteral(":/images/printer.png")), tr("Im&primer"), this);
    filePrintAct->setObjectName(QStringLiteral("filePrintAct"));
    filePrintAct->setShortcut(QKeySequence(tr("Ctrl+P")));
    filePrintAct->setStatusTip(tr("Imprime le texte affiché"));
    filePrintAct->setWhatsThis(QStringLiteral("Imprimer\n\nImprime le texte affiché"));
    connect(filePrintAct, &QAction::triggered, this, &Lisorel::slotFilePrint);

    fileQuitAct = new QAction(tr("&Fermer"), this);
    fileQuitAct->setObjectName(QStringLiteral("fileQuitAct"));
    fileQuitAct->setShortcut(QKeySequence(tr("Ctrl+Q")));
    fileQuitAct->setStatusTip(QStringLiteral("Ferme cette fenêtre"));
    fileQuitAct->setWhatsThis(QStringLiteral("Fermer\n\nFerme cette fenêtre"));
    connect(fileQuitAct, &QAction::triggered, this, &Lisorel::slotFileQuit);

    suivantAct
        = new QAction(QIcon(QStringLiteral(":/images/forward.png")), tr("Page suivante"), this);
    suivantAct->setObjectName(QStringLiteral("suivantAct"));
    suivantAct->setShortcut(QKeySequence(tr("Alt+Right")));
    suivantAct->setStatusTip(QStringLiteral("Page suivante"));
    suivantAct->setWhatsThis(QStringLiteral("Page suivante\n\nPermet d'aller à la page suivante\n"
                                            "dans l'historique de la navigation en cours"));
    connect(suivantAct, &QAction::triggered, this, &Lisorel::slotSuivant);

    precedentAct
        = new QAction(QIcon(QStringLiteral(":/images/backward.png")), tr("Page précédente"), this);
    precedentAct->setObjectName(QStringLiteral("precedentAct"));
    precedentAct->setShortcut(QKeySequence(tr("Alt+Left")));
    precedentAct->setStatusTip(QStringLiteral("Page précédente"));
    precedentAct->setWhatsThis(
        QStringLiteral("Page précédente\n\nPermet d'aller à la page précédente\n"
                       "dans l'historique de la navigation en cours"));
    connect(precedentAct, &QAction::triggered, this, &Lisorel::slotPrecedent);

    rechargerAct
        = new QAction(QIcon(QStringLiteral(":/images/recharger.png")), tr("Recharger"), this);
    rechargerAct->setObjectName(QStringLiteral("rechargerAct"));
    rechargerAct->setShortcut(QKeySequence(tr("F5")));
    rechargerAct->setStatusTip(QStringLiteral("Recharger"));
    rechargerAct->setWhatsThis(
        QStringLiteral("Recharger\n\nRecharge le document affiché dans le navigateur"));
    connect(rechargerAct, &QAction::triggered, this, &Lisorel::slotRecharger);

    origineAct = new QAction(QIcon(QStringLiteral(":/images/debut.png")), tr("Origine"), this);
    origineAct->setObjectName(QStringLiteral("origineAct"));
    origineAct->setShortcut(QKeySequence(tr("Alt+Up")));
    origineAct->setStatusTip(QStringLiteral("Origine"));
    origineAct->setWhatsThis(
        QStringLiteral("Origine\n\nPermet de retourner à la première page "
                       "ouverte\ndans l'historique de la navigation en cours"));
    connect(origineAct, &QAction::triggered, this, &Lisorel::slotOrigine);

    viewToolBarAct = new QAction(QStringLiteral("Barre d'outils"), this);
    viewToolBarAct->setObjectName(QStringLiteral("viewToolBarAct"));
    viewToolBarAct->setStatusTip(QStringLiteral("Active/désactive la barre d'outils"));
    viewToolBarAct->setWhatsThis(
        QStringLiteral("Barre d'outils\n\nActive/désactive la barre d'outils"));
    viewToolBarAct->setCheckable(true);
    viewToolBarAct->setChecked(true);
    connect(viewToolBarAct, &QAction::triggered, this, &Lisorel::slotViewToolBar);

    helpAboutAct = new QAction(tr("A propos de l'afficheur de textes"), this);
    helpAboutAct->setObjectName(QStringLiteral("helpAboutAct"));
    helpAboutAct->setStatusTip(QStringLiteral("A propos de l'afficheur de textes"));
    helpAboutAct->setWhatsThis(QStringLiteral("A propos\n\nA propos de l'afficheur de textes"));
    connect(helpAboutAct, &QAction::triggered, this, &Lisorel::slotHelpAbout);

    helpAboutQtAct = new QAction(tr("A propos de Qt"), this);
    helpAboutQtAct->setObjectName(QStringLiteral("helpAboutQtAct"));
    helpAboutQtAct->setStatusTip(
        QStringLiteral("A propos de l'outil de développement de l'application"));
    helpAboutQtAct->setWhatsThis(
        QStringLiteral("A propos de Qt\n\nA propos de l'outil de développement l'application"));
    connect(helpAboutQtAct, &QAction::triggered, this, &Lisorel::slotHelpAboutQt);

    whatsThisAct = QWhatsThis::createAction(this);
    whatsThisAct->setObjectName(QStringLiteral("whatsThisAct"));
}

void Lisorel::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&Fichier"));
    fileMenu->addAction(filePrintAct);
    fileMenu->addSeparator();
    fileMenu->addAction(fileQuitAct);

    viewMenu = menuBar()->addMenu(tr("Affichage"));
    viewMenu->addAction(rechargerAct);
    viewMenu->addAction(viewToolBarAct);

    goMenu = menuBar()->addMenu(tr("Aller à"));
    goMenu->addAction(precedentAct);
    goMenu->addAction(suivantAct);
    goMenu->addAction(origineAct);

    helpMenu = menuBar()->addMenu(tr("&Aide"));
    helpMenu->addAction(helpAboutAct);
    helpMenu->addAction(helpAboutQtAct);
}

void Lisorel::createToolBars()
{
    toolBar = addToolBar(tr("Barre d'outils"));
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setIconSize(QSize(16, 16));
    toolBar->addActions({precedentAct, suivantAct, origineAct, rechargerAct});
    toolBar->addSeparator();
    toolBar->addAction(filePrintAct);
    toolBar->addSeparator();
    toolBar->addAction(whatsThisAct);
    toolBar->addSeparator();
}

void Lisorel::slotFilePrint()
{
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintDialog dialog(&printer, nullptr);
    if (dialog.exec() == QDialog::Accepted)
        imprimeDocument(&printer);
}

void Lisorel::imprimeDocument(QPrinter *printer)
{
    textBrowser->document()->print(printer);
}

void Lisorel::slotFileQuit()
{
    close();
}

// Reading the shown document again keeps the place the reader had reached.
void Lisorel::slotRecharger()
{
    if (contenu == Contenu::Vide)
        return;
    disconnect(suiviPosition);
    const QPoint position(textBrowser->horizontalScrollBar()->value(),
                          textBrowser->verticalScrollBar()->value());
    if (contenu == Contenu::TexteSimple)
        chargeTexteSimple(texteSimple);
    else
        textBrowser->reload();
    remetPosition(position);
}

void Lisorel::slotViewToolBar(bool toggle)
{
    toolBar->setVisible(toggle);
}

void Lisorel::slotOrigine()
{
    textBrowser->home();
}

void Lisorel::slotSuivant()
{
    textBrowser->forward();
}

void Lisorel::slotPrecedent()
{
    textBrowser->backward();
}

void Lisorel::slotHelpAbout()
{
    QMessageBox::about(this, QStringLiteral("A propos de l'afficheur de textes..."),
                       QStringLiteral("Lisorel - afficheur de textes\nVersion 0.2 pour Windows\n")
                           + QLatin1String(copyrightLine));
}

void Lisorel::slotHelpAboutQt()
{
    QMessageBox::aboutQt(this, QStringLiteral("Lisorel - afficheur de textes"));
}

void Lisorel::slotMaJCaption()
{
    caption = baseCaption;
    const QString title = textBrowser->document()->metaInformation(QTextDocument::DocumentTitle);
    if (!title.isEmpty())
        caption += QLatin1String(" - ") + title;
    setWindowTitle(caption);
}

void Lisorel::closeEvent(QCloseEvent *event)
{
    emit FermetureBrowser();
    event->accept();
}
