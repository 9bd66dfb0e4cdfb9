#pragma once

#include <QMainWindow>

class QAction;
class QCloseEvent;
class QMenu;
class QTextBrowser;
class QToolBar;

// A small viewer window: shows an HTML page or a plain-text file, follows links
// with a history, prints, and tells its opener when it closes.
class Lisorel : public QMainWindow
{
    Q_OBJECT

public:
    Lisorel(const QIcon &icon, const QString &caption, const QString &fileName, bool html);

    QTextBrowser *textBrowser;

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
};
