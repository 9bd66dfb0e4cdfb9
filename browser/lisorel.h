#pragma once

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

    // The text of an HTML page given as bytes, by the editor's reading rule: a
    // byte-order mark, the character set the page declares, UTF-8, ISO 8859-1.
    static QString decodePage(const QByteArray &bytes);

private:
    std::optional<QString> localFile(const QUrl &name) const;
};

// A small viewer window: shows an HTML page or a plain-text file, follows links
// with a history, prints, and tells its opener when it closes.
class Lisorel : public QMainWindow
{
    Q_OBJECT

public:
    Lisorel(const QIcon &icon, const QString &caption, const QString &fileName, bool html);

    QTextBrowser *textBrowser;

    // Prints the displayed document on printer; the print command calls it once
    // the print dialog has been accepted.
    void imprimeDocument(QPrinter *printer);

    // Shows fileName, rendered as HTML or as plain text: a file already shown in
    // the same way is read again at the same scroll position, another one from its
    // top. An empty name shows an empty page titled with the caption alone.
    void montreFichier(const QString &fileName, bool html);

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
