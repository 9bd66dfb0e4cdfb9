#include "ecrituregroupee.h"

#include "ecriturecomplete.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

EcritureGroupee::~EcritureGroupee()
{
    abandonne();
}

bool EcritureGroupee::prepare(const QString &fileName, const QByteArray &bytes, QString *reason)
{
    // As QSaveFile does: a link is followed, and its target replaced.
    QString cible = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
        cible = info.canonicalFilePath();
    const QFileInfo fichier(cible);
    QTemporaryFile temporaire(fichier.absolutePath() + QLatin1String("/.") + fichier.fileName()
                              + QLatin1String(".XXXXXX"));
    temporaire.setAutoRemove(false);
    if (!temporaire.open()) {
        *reason = temporaire.errorString();
        return false;
    }
    const QString nom = temporaire.fileName();
    bool ecrit = ecritToutes(&temporaire, bytes.constData(), bytes.size()) && temporaire.flush();
    if (ecrit && fichier.exists()) {
        ecrit = temporaire.setPermissions(fichier.permissions());
#ifdef Q_OS_UNIX
        // Only root may give a file away; anyone may keep their own.
        struct stat etat;
        if (ecrit && ::stat(QFile::encodeName(cible).constData(), &etat) == 0)
            (void)::fchown(temporaire.handle(), etat.st_uid, etat.st_gid);
#endif
    }
    if (!ecrit) {
        *reason = temporaire.errorString();
        temporaire.close();
        QFile::remove(nom);
        return false;
    }
    temporaire.close();
    prepares.append({cible, nom});
    return true;
}

void EcritureGroupee::synchronise()
{
#ifdef Q_OS_UNIX
    ::sync();
#endif
}

bool EcritureGroupee::remplace(qsizetype i, QString *reason)
{
    Prepare &prepare = prepares[i];
#ifdef Q_OS_UNIX
    // rename() puts the new file in the old one's place at once: whoever opens the
    // file sees either.
    if (::rename(QFile::encodeName(prepare.temporaire).constData(),
                 QFile::encodeName(prepare.cible).constData())
        != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        laisse(i);
        return false;
    }
#else
    QFile::remove(prepare.cible);
    if (!QFile::rename(prepare.temporaire, prepare.cible)) {
        *reason = QStringLiteral("Cannot rename");
        laisse(i);
        return false;
    }
#endif
    prepare.temporaire.clear();
    return true;
}

void EcritureGroupee::laisse(qsizetype i)
{
    if (!prepares[i].temporaire.isEmpty())
        QFile::remove(prepares[i].temporaire);
    prepares[i].temporaire.clear();
}

void EcritureGroupee::abandonne()
{
    for (qsizetype i = 0; i < prepares.size(); ++i)
        laisse(i);
}
