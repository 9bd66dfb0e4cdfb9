#pragma once

#include "documentencoding.h"

#include <QMainWindow>
#include <QTextBrowser>

#include <optional>

class QAction;
class QCloseEvent;
class QMenu;
class QPrinter;
class QToolBar;

// The text browser of the viewer. Qt reads a page that declares no character set
// as UTF-8, whatever its bytes: this browser reads every page itself, by the rule
// the editor reads documents with, so that both show the same text.
class LisorelTextBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit LisorelTextBrowser(QWidget *parent = nullptr);

    QVariant loadResource(int type, const QUrl &name) override;

    // Reads fileName in encoding from now on, in place of the reading rule: the
    // editor's document is shown in the encoding the editor uses for it, also when
    // the user chose it ("Rouvrir avec l'encodage"). Nothing: the rule again.
    void setEncodingOf(const QString &fileName,
                       const std::optional<DocumentEncoding::Encoding> &encoding);

    // The text of a file given as bytes: in the encoding set for it, else by the
    // editor's reading rule (a byte-order mark, the character set the file
    // declares, UTF-8, ISO 8859-1).
    DocumentEncoding::Decoded decodeFile(const QString &fileName, const QByteArray &bytes) const;

private:
    std::optional<QString> localFile(const QUrl &name) const;

    QString encodedFile;
    std::optional<DocumentEncoding::Encoding> fileEncoding;
    // The encoding of the page read last, in which its stylesheets that declare
    // nothing are read, as CSS reads them.
    std::optional<DocumentEncoding::Encoding> pageEncoding;
};

// A small viewer window: shows an HTML page or a plain-text file, follows links
// with a history, prints, and tells its opener when it closes.
class Lisorel : public QMainWindow
{
    Q_OBJECT

public:
    // encoding: that in which the editor reads fileName, when the window previews
    // the editor's document.
    Lisorel(const QIcon &icon, const QString &caption, const QString &fileName, bool html,
            const std::optional<DocumentEncoding::Encoding> &encoding = std::nullopt);

    QTextBrowser *textBrowser;

    // Prints the displayed document on printer; the print command calls it once
    // the print dialog has been accepted.
    void imprimeDocument(QPrinter *printer);

    // Shows fileName, rendered as HTML or as plain text: a file already shown in
    // the same way is read again at the same scroll position, another one from its
    // top. An empty name shows an empty page titled with the caption alone. The
    // file is read in encoding when one is given (setEncodingOf).
    void montreFichier(const QString &fileName, bool html,
                       const std::optional<DocumentEncoding::Encoding> &encoding = std::nullopt);

    // The local file shown (a plain text, or the page reached last); empty for
    // the empty page.
    QString fichierAffiche() const;

signals:
    void FermetureBrowser();

public slots:
    void slotFilePrint();
    void slotFileQuit();
    void slotRecharger();
    void slotViewToolBar(bool toggle);
    void slotOrigine();
    void slotSuivant();
    void slotPrecedent();
    void slotHelpAbout();
    void slotHelpAboutQt();

protected slots:
    void slotMaJCaption();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void chargeTexteSimple(const QString &fileName);
    void montrePageVide();
    void remetPosition(const QPoint &position);

    // What the browser shows: the page of its source, a plain text read by
    // chargeTexteSimple (which the browser's own reload knows nothing of), or
    // nothing.
    enum class Contenu { Page, TexteSimple, Vide };
    Contenu contenu = Contenu::Page;
    QString texteSimple;
    QMetaObject::Connection suiviPosition;

    QString baseCaption;
    QString caption;

    QMenu *fileMenu;
    QMenu *viewMenu;
    QMenu *goMenu;
    QMenu *helpMenu;
    QToolBar *toolBar;

    QAction *filePrintAct;
    QAction *fileQuitAct;
    QAction *origineAct;
    QAction *suivantAct;
    QAction *precedentAct;
    QAction *rechargerAct;
    QAction *viewToolBarAct;
    QAction *helpAboutAct;
    QAction *helpAboutQtAct;
    QAction *whatsThisAct;
};
