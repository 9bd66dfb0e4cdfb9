#include "marlisseapp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char **argv)
{
    registerMarlisseImages();

    QApplication app(argc, argv);
    // Names the user's data folder (~/.local/share/marlisse), where the recovery
    // journals live.
    QCoreApplication::setApplicationName(QStringLiteral("marlisse"));

    // The toolkit's own dialogs and buttons speak the desktop's language; the
    // program's texts are French as written.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

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
