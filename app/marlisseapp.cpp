#include "marlisseapp.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtGlobal>

const QString programVersion = QStringLiteral("2.1");

MarlisseApp::MarlisseApp(const QString &appName, const QString &fileName,
                         const QString &programPath)
    : KalTextEdit(appName, fileName, true, programPath, programVersion)
{ }

void registerMarlisseImages()
{
    // Also pulls the compiled resource object out of the static library, whose
    // static initialiser then registers the collection before main() runs.
    Q_INIT_RESOURCE(marlisse);
}

bool installQtFrenchTranslation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_fr"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
