#include "marlisseapp.h"

#include <QApplication>

int main(int argc, char **argv)
{
    registerMarlisseImages();

    QApplication app(argc, argv);
    // Names the user's configuration folder (~/.config/marlisse) and ties the windows
    // to the desktop entry marlisse.desktop.
    QCoreApplication::setApplicationName("marlisse");
    QGuiApplication::setDesktopFileName(QStringLiteral("marlisse"));

    installQtFrenchTranslation();

    const QString appName = QStringLiteral("Marlisse");
    const QString fileName;
    const QString programPath = QString::fromLocal8Bit(argv[0]);
    auto *window = new MarlisseApp(appName, fileName, programPath);

    const int result = QApplication::exec();
    if (result == 0)
        delete window;
    return result;
}
