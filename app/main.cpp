#include "marlisseapp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    registerMarlisseImages();

    QApplication app(argc, argv);
    // Names the user's folders (~/.config/marlisse for the preferences of an
    // installed copy, ~/.local/share/marlisse for the recovery journals) and ties the
    // windows to the desktop entry marlisse.desktop.
    QCoreApplication::setApplicationName(QStringLiteral("marlisse"));
    QGuiApplication::setDesktopFileName(QStringLiteral("marlisse"));

    installQtFrenchTranslation();

    const QString appName = QStringLiteral("Marlisse");
    const QString fileName;
    const QString programPath = QString::fromLocal8Bit(argv[0]);
    auto *window = new MarlisseApp(appName, fileName, programPath);
    // Asked from the event loop, over the window already on screen.
    QMetaObject::invokeMethod(window, &KalTextEdit::proposeRecuperation, Qt::QueuedConnection);

    const int result = QApplication::exec();
    if (result == 0)
        delete window;
    return result;
}
