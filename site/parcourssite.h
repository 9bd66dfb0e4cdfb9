#pragma once

#include "documentencoding.h"
#include "etatfichier.h"
#include "lineends.h"

#include <QList>
#include <QRegularExpression>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

// A site: the folder of a page and everything below it. Its files are listed in
// a stable order (their relative paths, sorted) and read by the reading rule,
// within bounds; a file that cannot be read is told apart with the reason (a
// loop of symbolic links, a name in another encoding, a binary or too large
// file...), and the walk goes on. Knows no window: meant to run on a worker
// thread, stopped from another one through an atomic flag.
namespace Site {

// Which files of the site are taken, by their names, letter case ignored:
// suffixes (".html,.htm") or patterns ("*.html;*.css").
class Filtre
{
public:
    // The pages: .html, .htm, .xhtml.
    static Filtre pages();
    // A list as typed: suffixes or patterns separated by commas, semicolons or
    // blanks. A suffix is ".css" or "css"; a pattern holds '*', '?' or '['.
    static Filtre depuis(const QString &liste);

    bool accepte(const QString &nomFichier) const;
    bool vide() const { return motifs.isEmpty(); }

private:
    QList<QRegularExpression> motifs;
};

struct Bornes
{
    int fichiers = 10000;
    qint64 octets = 500LL * 1024 * 1024;
    // Names looked at in the site's folders, taken or not: a site chosen too high
    // (the home folder) ends in seconds rather than walking the whole disk.
    int noms = 200000;
};

enum class Souci {
    Illisible, // the system's reason in the message
    DossierIllisible,
    BoucleDeLiens, // symbolic links that lead back to themselves, or to a folder above
    DejaParcouru, // the same folder or file reached again through a link
    NomEtranger, // a name that does not survive the file names' decoding
    Binaire, // a NUL byte in its first 8 KiB
    TropGrand, // beyond DocumentFile::maxSize
    LimiteFichiers,
    LimiteOctets,
    LimiteNoms,
};

// A file, folder or bound of the walk that stopped something from being read.
struct Anomalie
{
    Souci souci = Souci::Illisible;
    QString relatif; // '/' between folders; "" for a bound of the whole walk
    QString message; // in French, as a row shows it
};

struct Entree
{
    QString relatif; // '/' between folders
    qint64 taille = 0; // as listed
};

struct Liste
{
    QList<Entree> fichiers; // sorted by relatif
    QList<Anomalie> anomalies; // in the order found
    bool arretee = false; // the flag was set: the list is incomplete
};

// A file read by the reading rule.
struct Fichier
{
    QString relatif;
    QString chemin; // absolute
    QString texte; // lines ending in '\n'
    DocumentEncoding::Encoding encodage;
    LineEnds::Survey finsDeLigne;
    QString avis; // DocumentEncoding::Decoded::notice
    EtatFichier etat; // of the bytes read
    qint64 octets = 0;
};

struct Bilan
{
    int listes = 0;
    int lus = 0;
    qint64 octets = 0;
    int anomalies = 0;
    bool arrete = false;
};

// The size of a block examined for a NUL byte.
constexpr qsizetype debutExamine = 8 * 1024;

// The site's root, as the walk takes it: absolute, cleaned.
QString racineDe(const QString &dossier);

// The files of the site that the filter takes, names beginning with '.' left
// out (as a web server and a listing leave them out), within the bounds.
Liste liste(const QString &racine, const Filtre &filtre, const Bornes &bornes = Bornes(),
            const std::atomic<bool> *arret = nullptr);

// One file by the reading rule, the kind of declaration from its name; nothing,
// and why in *anomalie, when it cannot be read.
std::optional<Fichier> lit(const QString &racine, const QString &relatif, Anomalie *anomalie);

// Lists, then reads each file in order, handing each to fichier, and each file
// or bound that stopped a read to anomalie, both on the calling thread.
Bilan parcourt(const QString &racine, const Filtre &filtre,
               const std::function<void(Fichier &)> &fichier,
               const std::function<void(const Anomalie &)> &anomalie,
               const Bornes &bornes = Bornes(), const std::atomic<bool> *arret = nullptr);

} // namespace Site
