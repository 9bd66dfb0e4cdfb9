#include "emplacements.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

bool holdsManual(const QString &folder)
{
    return QFileInfo(folder + QLatin1String("/index.html")).isFile();
}

} // namespace

namespace Emplacements {

QString dossierAide(const QString &programDir)
{
    return copieInstallee(programDir) ? dossiersAideCherches(programDir).last()
                                      : dossiersAideCherches(programDir).first();
}

QStringList dossiersAideCherches(const QString &programDir)
{
    return {programDir + QLatin1String("/AideMarlisse"),
            QDir::cleanPath(programDir + QLatin1String("/../share/marlisse/AideMarlisse"))};
}

bool copieInstallee(const QString &programDir)
{
    const QStringList folders = dossiersAideCherches(programDir);
    return !holdsManual(folders.first()) && holdsManual(folders.last());
}

bool dossierInscriptible(const QString &folder)
{
    QTemporaryFile probe(folder + QLatin1String("/.marlisse-XXXXXX"));
    if (!probe.open())
        return false;
    // A full file system still creates an empty file: only writing tells, and
    // flush() makes the write reach the disk.
    const QByteArray bytes(512, '\n');
    return probe.write(bytes) == bytes.size() && probe.flush();
}

QString fichierOptionsUtilisateur()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (folder.isEmpty())
        return QString();
    return folder + QLatin1String("/marlisse.opt");
}

} // namespace Emplacements
