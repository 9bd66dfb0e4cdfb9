#include "parcourssite.h"

#include "documentfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <memory>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace Site {

namespace {

QString nombre(qint64 n)
{
    return QLocale(QLocale::French).toString(n);
}

bool arreter(const std::atomic<bool> *arret)
{
    return arret && arret->load(std::memory_order_relaxed);
}

// A symbolic link whose target does not exist: one that leads, through others,
// back to itself, rather than to nothing.
bool boucle(const QString &chemin)
{
#ifdef Q_OS_UNIX
    struct stat info;
    return ::stat(QFile::encodeName(chemin).constData(), &info) != 0 && errno == ELOOP;
#else
    Q_UNUSED(chemin);
    return false;
#endif
}

// A folder on the walk's way down, so that a link back to one of them is told
// from a folder that two links reach.
struct Chemin
{
    QString canonique;
    QString relatif;
    std::shared_ptr<const Chemin> parent;
};

bool surLeChemin(const std::shared_ptr<const Chemin> &chemin, const QString &canonique)
{
    for (const Chemin *c = chemin.get(); c; c = c->parent.get()) {
        if (c->canonique == canonique)
            return true;
    }
    return false;
}

// A byte-order mark of UTF-16 or UTF-32, or an XML declaration in UTF-16 that the
// reading rule takes for one (not in a stylesheet): the NUL bytes of such a file
// are its text.
bool marqueLarge(const QByteArray &octets, DocumentEncoding::Kind genre)
{
    return octets.startsWith("\xff\xfe") || octets.startsWith("\xfe\xff")
        || octets.startsWith(QByteArray("\x00\x00\xfe\xff", 4))
        || (genre != DocumentEncoding::Kind::Stylesheet
            && (octets.startsWith(QByteArrayView("<\0?\0x\0", 6))
                || octets.startsWith(QByteArrayView("\0<\0?\0x", 6))));
}

// A folder's names, each with whether the file names' decoding keeps it: the
// toolkit's own listing leaves out, without a word, a name that it cannot decode.
QList<std::pair<QString, bool>> nomsDuDossier(const QString &dossier, bool *lisible)
{
    QList<std::pair<QString, bool>> noms;
#ifdef Q_OS_UNIX
    DIR *flux = ::opendir(QFile::encodeName(dossier).constData());
    *lisible = flux != nullptr;
    if (!flux)
        return noms;
    while (const dirent *entree = ::readdir(flux)) {
        const QByteArray brut(entree->d_name);
        if (brut == "." || brut == "..")
            continue;
        const QString nom = QFile::decodeName(brut);
        noms.append({nom, QFile::encodeName(nom) == brut});
    }
    ::closedir(flux);
#else
    const QDir lu(dossier);
    *lisible = lu.isReadable();
    for (const QString &nom :
         lu.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden))
        noms.append({nom, true});
#endif
    return noms;
}

} // namespace

Filtre Filtre::pages()
{
    return depuis(QStringLiteral(".html,.htm,.xhtml"));
}

Filtre Filtre::depuis(const QString &liste)
{
    static const QRegularExpression separateurs(QStringLiteral("[,;\\s]+"));
    Filtre filtre;
    for (QString motif : liste.split(separateurs, Qt::SkipEmptyParts)) {
        // "php" and ".php" name an extension; "index.html", with a dot inside,
        // a file's own name.
        const qsizetype point = motif.lastIndexOf(QLatin1Char('.'));
        if (!motif.contains(QLatin1Char('*')) && !motif.contains(QLatin1Char('?'))
            && !motif.contains(QLatin1Char('[')) && point <= 0) {
            if (!motif.startsWith(QLatin1Char('.')))
                motif.prepend(QLatin1Char('.'));
            motif.prepend(QLatin1Char('*'));
        }
        const QRegularExpression expression
            = QRegularExpression::fromWildcard(motif, Qt::CaseInsensitive);
        if (expression.isValid())
            filtre.motifs.append(expression);
    }
    return filtre;
}

bool Filtre::accepte(const QString &nomFichier) const
{
    return std::any_of(motifs.cbegin(), motifs.cend(), [&nomFichier](const QRegularExpression &e) {
        return e.match(nomFichier).hasMatch();
    });
}

QString racineDe(const QString &dossier)
{
    return QDir::cleanPath(QFileInfo(dossier).absoluteFilePath());
}

Liste liste(const QString &racine, const Filtre &filtre, const Bornes &bornes,
            const std::atomic<bool> *arret)
{
    Liste resultat;
    const QString base = racineDe(racine);
    auto anomalie = [&resultat](Souci souci, const QString &relatif, const QString &message) {
        resultat.anomalies.append({souci, relatif, message});
    };

    // Depth first, each folder's names in the order of "name" for a file and
    // "name/" for a folder: the files come in the order of their relative paths.
    struct AFaire
    {
        QFileInfo info;
        QString relatif;
        std::shared_ptr<const Chemin> parent;
    };
    std::vector<AFaire> pile;
    pile.push_back({QFileInfo(base), QString(), nullptr});
    QHash<QString, QString> dossiersVus; // canonical path: relative path walked
    QHash<QString, QString> fichiersVus;
    int nombreNoms = 0;

    while (!pile.empty()) {
        if (arreter(arret)) {
            resultat.arretee = true;
            return resultat;
        }
        AFaire courant = std::move(pile.back());
        pile.pop_back();
        const QFileInfo &info = courant.info;
        const QString &relatif = courant.relatif;
        const bool racineMeme = !courant.parent && relatif.isEmpty();
        if (!racineMeme && info.filePath().isEmpty()) {
            anomalie(Souci::NomEtranger, relatif,
                     QStringLiteral("Nom de fichier qui n'est pas en UTF-8\u00a0: non lu"));
            continue;
        }

        if (!racineMeme && info.isSymLink() && !info.exists()) {
            if (boucle(info.absoluteFilePath()))
                anomalie(
                    Souci::BoucleDeLiens, relatif,
                    QStringLiteral("Liens symboliques qui tournent en rond\u00a0: non suivis"));
            else if (filtre.accepte(info.fileName()))
                anomalie(Souci::Illisible, relatif,
                         QStringLiteral("Lien symbolique vers un fichier qui n'existe pas"));
            continue;
        }
        if (!racineMeme && !info.exists()) {
            // Listed, yet gone: taken away while the site was walked.
            if (filtre.accepte(info.fileName()))
                anomalie(Souci::Illisible, relatif,
                         QStringLiteral("Fichier disparu pendant le parcours"));
            continue;
        }

        if (info.isDir()) {
            const QString canonique = info.canonicalFilePath();
            const auto vu = dossiersVus.constFind(canonique);
            if (vu != dossiersVus.cend()) {
                if (surLeChemin(courant.parent, canonique))
                    anomalie(
                        Souci::BoucleDeLiens, relatif,
                        QStringLiteral("Lien symbolique vers un dossier qui le contient\u00a0: "
                                       "non suivi"));
                else
                    anomalie(
                        Souci::DejaParcouru, relatif,
                        QStringLiteral("Dossier déjà parcouru sous le nom «\u00a0%1\u00a0»\u00a0: "
                                       "non relu")
                            .arg(vu.value().isEmpty() ? QStringLiteral(".") : vu.value()));
                continue;
            }
            dossiersVus.insert(canonique, relatif);
            auto chemin
                = std::make_shared<const Chemin>(Chemin {canonique, relatif, courant.parent});
            bool lisible = false;
            const QList<std::pair<QString, bool>> noms
                = nomsDuDossier(info.absoluteFilePath(), &lisible);
            if (!lisible) {
                anomalie(Souci::DossierIllisible, relatif,
                         QStringLiteral("Dossier illisible\u00a0: son contenu n'est pas lu"));
                continue;
            }
            std::vector<std::pair<QString, QFileInfo>> tries;
            tries.reserve(std::size_t(noms.size()));
            for (const auto &[nom, decodable] : noms) {
                if (nom.startsWith(QLatin1Char('.')))
                    continue;
                if (++nombreNoms > bornes.noms) {
                    anomalie(Souci::LimiteNoms, QString(),
                             QStringLiteral("Plus de %1 noms dans les dossiers du site\u00a0: le "
                                            "parcours s'arrête là")
                                 .arg(nombre(bornes.noms)));
                    return resultat;
                }
                const QFileInfo enfant(info.absoluteFilePath() + QLatin1Char('/') + nom);
                // Reported in the order of the paths, as the files are.
                tries.emplace_back(nom + (enfant.isDir() ? QStringLiteral("/") : QString()),
                                   decodable ? enfant : QFileInfo());
            }
            std::sort(tries.begin(), tries.end(),
                      [](const auto &a, const auto &b) { return a.first < b.first; });
            for (auto it = tries.rbegin(); it != tries.rend(); ++it) {
                QString nom = it->first;
                if (nom.endsWith(QLatin1Char('/')))
                    nom.chop(1);
                pile.push_back({std::move(it->second),
                                relatif.isEmpty() ? nom : relatif + QLatin1Char('/') + nom,
                                chemin});
            }
            continue;
        }

        if (!filtre.accepte(info.fileName()))
            continue;
        if (!info.isFile()) {
            anomalie(Souci::Illisible, relatif,
                     QStringLiteral("N'est pas un fichier ordinaire\u00a0: non lu"));
            continue;
        }
        const QString canonique = info.canonicalFilePath();
        const auto vu = fichiersVus.constFind(canonique);
        if (vu != fichiersVus.cend()) {
            anomalie(Souci::DejaParcouru, relatif,
                     QStringLiteral("Même fichier que «\u00a0%1\u00a0»\u00a0: non relu")
                         .arg(vu.value()));
            continue;
        }
        if (resultat.fichiers.size() >= bornes.fichiers) {
            anomalie(
                Souci::LimiteFichiers, QString(),
                QStringLiteral("Plus de %1 fichiers\u00a0: seuls les %1 premiers, dans l'ordre "
                               "des noms, sont lus")
                    .arg(nombre(bornes.fichiers)));
            return resultat;
        }
        fichiersVus.insert(canonique, relatif);
        resultat.fichiers.append({relatif, info.size()});
    }
    return resultat;
}

std::optional<Fichier> lit(const QString &racine, const QString &relatif, Anomalie *anomalie)
{
    const QString chemin = racineDe(racine) + QLatin1Char('/') + relatif;
    auto refuse = [&](Souci souci, const QString &message) {
        if (anomalie)
            *anomalie = {souci, relatif, message};
        return std::nullopt;
    };
    DocumentFile::Reading lecture = DocumentFile::read(chemin);
    if (lecture.result == DocumentFile::Result::TooLarge) {
        const qint64 mo = 1024 * 1024;
        return refuse(Souci::TropGrand,
                      lecture.size < 0
                          ? QStringLiteral("Fichier trop volumineux (plus de %1 Mo)\u00a0: non lu")
                                .arg(DocumentFile::maxSize / mo)
                          : QStringLiteral("Fichier trop volumineux (%1 Mo, la limite est de %2 "
                                           "Mo)\u00a0: non lu")
                                .arg(nombre((lecture.size + mo - 1) / mo))
                                .arg(DocumentFile::maxSize / mo));
    }
    if (lecture.result != DocumentFile::Result::Read) {
        if (boucle(chemin))
            return refuse(
                Souci::BoucleDeLiens,
                QStringLiteral("Liens symboliques qui tournent en rond\u00a0: non suivis"));
        return refuse(Souci::Illisible,
                      QStringLiteral("Fichier illisible\u00a0: %1").arg(lecture.reason));
    }
    const DocumentEncoding::Kind genre = DocumentEncoding::kindOf(chemin);
    if (lecture.bytes.left(debutExamine).contains('\0') && !marqueLarge(lecture.bytes, genre))
        return refuse(Souci::Binaire,
                      QStringLiteral("Fichier binaire (un octet nul dans ses 8 premiers Ko)\u00a0: "
                                     "non lu"));

    DocumentEncoding::Decoded lu = DocumentEncoding::decode(lecture.bytes, genre);
    Fichier fichier;
    fichier.relatif = relatif;
    fichier.chemin = chemin;
    fichier.texte = std::move(lu.text);
    fichier.encodage = lu.encoding;
    fichier.finsDeLigne = lu.lineEnds;
    fichier.avis = std::move(lu.notice);
    fichier.octets = lecture.bytes.size();
    // The stamp's fingerprint at once, on this (worker) thread: a task of its own
    // for each of thousands of files would crowd the processors the editor needs.
    const std::optional<EtatFichier::Disque> disque = EtatFichier::surDisque(chemin);
    fichier.etat = EtatFichier::connu(
        chemin, disque ? disque->taille : lecture.bytes.size(), disque ? disque->modification : 0,
        QCryptographicHash::hash(lecture.bytes, QCryptographicHash::Sha1));
    return fichier;
}

Bilan parcourt(const QString &racine, const Filtre &filtre,
               const std::function<void(Fichier &)> &fichier,
               const std::function<void(const Anomalie &)> &anomalie, const Bornes &bornes,
               const std::atomic<bool> *arret)
{
    Bilan bilan;
    const Liste trouves = liste(racine, filtre, bornes, arret);
    bilan.listes = int(trouves.fichiers.size());
    bilan.arrete = trouves.arretee;
    for (const Anomalie &a : trouves.anomalies) {
        ++bilan.anomalies;
        anomalie(a);
    }
    for (qsizetype i = 0; i < trouves.fichiers.size() && !bilan.arrete; ++i) {
        if (arreter(arret)) {
            bilan.arrete = true;
            break;
        }
        const Entree &entree = trouves.fichiers.at(i);
        if (bilan.octets + entree.taille > bornes.octets) {
            ++bilan.anomalies;
            anomalie({Souci::LimiteOctets, QString(),
                      QStringLiteral("%1 Mo lus, la limite\u00a0: %2 fichiers ne sont pas lus")
                          .arg(nombre(bilan.octets / (1024 * 1024)))
                          .arg(nombre(trouves.fichiers.size() - i))});
            break;
        }
        Anomalie refus;
        std::optional<Fichier> lu = lit(racine, entree.relatif, &refus);
        if (!lu) {
            ++bilan.anomalies;
            anomalie(refus);
            continue;
        }
        ++bilan.lus;
        bilan.octets += lu->octets;
        fichier(*lu);
    }
    return bilan;
}

} // namespace Site
