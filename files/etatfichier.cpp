#include "etatfichier.h"

#include "documentfile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <memory>

namespace {

QByteArray sha1(const QByteArray &octets)
{
    return QCryptographicHash::hash(octets, QCryptographicHash::Sha1);
}

} // namespace

QByteArray EtatFichier::empreinteCalculee() const
{
    return empreinte.valid() ? empreinte.get() : QByteArray();
}

EtatFichier EtatFichier::de(const QString &chemin, const QByteArray &octets,
                            const std::optional<DocumentFile::Stamp> &disque)
{
    EtatFichier etat;
    etat.chemin = chemin;
    etat.cible = destination(chemin);
    if (const auto stamp = disque ? disque : DocumentFile::stampOf(chemin)) {
        etat.taille = stamp->size;
        etat.modification = stamp->modification;
    }
    auto promesse = std::make_shared<std::promise<QByteArray>>();
    etat.empreinte = promesse->get_future().share();
    QThreadPool::globalInstance()->start([promesse, octets] { promesse->set_value(sha1(octets)); });
    return etat;
}

EtatFichier EtatFichier::connu(const QString &chemin, qint64 taille, qint64 modification,
                               const QByteArray &empreinte)
{
    EtatFichier etat;
    etat.chemin = chemin;
    etat.taille = taille;
    etat.modification = modification;
    if (!empreinte.isEmpty()) {
        std::promise<QByteArray> promesse;
        promesse.set_value(empreinte);
        etat.empreinte = promesse.get_future().share();
    }
    return etat;
}

std::optional<EtatFichier::Disque> EtatFichier::surDisque(const QString &chemin)
{
    const auto stamp = DocumentFile::stampOf(chemin);
    if (!stamp)
        return std::nullopt;
    return Disque {stamp->size, stamp->modification};
}

QString EtatFichier::destination(const QString &chemin)
{
    const QFileInfo info(chemin);
    const QString canonique = info.canonicalFilePath();
    if (!canonique.isEmpty())
        return canonique;
    // A link to nothing yet: a write makes the file at the end of its links, as
    // QSaveFile follows them (a link to a link is followed too, up to its bound).
    QFileInfo fin = info;
    for (int etape = 1; etape < 128 && fin.isSymLink(); ++etape)
        fin.setFile(fin.symLinkTarget());
    return fin.isSymLink() ? info.absoluteFilePath() : fin.absoluteFilePath();
}

QString EtatFichier::autreDestination() const
{
    if (vide() || cible.isEmpty())
        return QString();
    // A file deleted since is simply written again, where it was.
    const QFileInfo info(chemin);
    if (!info.exists() && !info.isSymLink())
        return QString();
    const QString maintenant = destination(chemin);
    return maintenant == cible ? QString() : maintenant;
}

bool EtatFichier::changeSurDisque() const
{
    if (vide())
        return false;
    const auto disque = surDisque(chemin);
    // A file deleted since is simply written again.
    if (!disque)
        return false;
    // All that a journal of an older version knows is when its text was last changed.
    if (taille < 0)
        return disque->modification > modification;
    if (disque->taille == taille && disque->modification == modification)
        return false;
    if (disque->taille != taille || !empreinte.valid())
        return true;
    // Touched, or written again with the same bytes: nothing to lose.
    const DocumentFile::Reading lecture = DocumentFile::read(chemin);
    if (lecture.result != DocumentFile::Result::Read)
        return true;
    return sha1(lecture.bytes) != empreinteCalculee();
}
