#include "lisorel.h"

#include <QCloseEvent>
#include <QTextBrowser>

Lisorel::Lisorel(const QIcon &icon, const QString &caption, const QString &fileName, bool html)
    : QMainWindow(nullptr)
    , textBrowser(nullptr)
{
    Q_UNUSED(caption);
    Q_UNUSED(fileName);
    Q_UNUSED(html);
    setWindowIcon(icon);
    setAttribute(Qt::WA_DeleteOnClose, true);
    textBrowser = new QTextBrowser(this);
    setCentralWidget(textBrowser);
    show();
}

void Lisorel::slotFilePrint()
{ }
void Lisorel::slotFileQuit()
{
    close();
}
void Lisorel::slotRecharger()
{
    textBrowser->reload();
}
void Lisorel::slotViewToolBar(bool toggle)
{
    Q_UNUSED(toggle);
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
{ }
void Lisorel::slotHelpAboutQt()
{ }
void Lisorel::slotMaJCaption()
{ }

void Lisorel::closeEvent(QCloseEvent *event)
{
    emit FermetureBrowser();
    event->accept();
}
