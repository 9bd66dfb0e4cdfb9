#pragma once

#include "documentencoding.h"
#include "parcourssite.h"
#include "recherche.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <optional>

// "Chercher dans le site" and "Remplacer dans le site" without the window: the
// occurrences of a search in the texts of a site's files, and the writing back of
// each file that changes, as a save writes it (its encoding, mark and line ends),
// with its previous bytes kept aside so that the whole replacement can be undone.
// Everything here may run on a worker thread.
namespace RemplacementSite {

// At most this many occurrences are kept as rows; all of them are counted.
constexpr qsizetype lignesMaximum = 10000;

// One occurrence, as a row shows it.
struct Occurrence
{
    int ligne = 0; // from 1
    int colonne = 0; // from 1, in characters, as the position label counts them
    qsizetype position = 0; // in the line, in UTF-16 units
    qsizetype longueur = 0; // in UTF-16 units
    int caracteres = 0; // its length in characters
    // The line, or the stretch of a long line around the occurrence, and where the
    // occurrence stands in it.
    QString extrait;
    qsizetype debutExtrait = 0;
    qsizetype longueurExtrait = 0;
    // What replaces it, when a replacement was asked for.
    QString remplacement;
};

// A file of the site that holds occurrences.
struct Fichier
{
    QString chemin; // absolute
    QString relatif; // from the site's folder, with "/"
    DocumentEncoding::Encoding encodage;
    // The SHA-1 of the bytes searched: a file whose bytes differ when it is to be
    // written was changed by someone else meanwhile.
    QByteArray empreinte;
    qsizetype nombre = 0; // every occurrence, kept as a row or not
    QList<Occurrence> occurrences; // the first ones, within lignesMaximum
    // The expression engine gave up at this line: nothing is known past it.
    int ligneAbandon = 0;
    // The open document: its text was searched, and the editor replaces in it.
    bool documentOuvert = false;
};

// Searches text (a file's text, lines apart by line feeds, CR LF or lone CR) for
// recherche. Counts every occurrence in fichier->nombre and keeps at most *place
// of them as rows (*place goes down by as many), each with the text that
// replaces it according to modele when one is given. Stops at the next line once
// arret is set.
void cherche(QStringView texte, const Recherche &recherche, const QString *modele, Fichier *fichier,
             qsizetype *place, const std::atomic<bool> *arret = nullptr);

// What a search of a site found.
struct Resultat
{
    // The files with occurrences, or that the expression engine gave up on, in the
    // order of their paths.
    QList<Fichier> fichiers;
    qsizetype occurrences = 0; // every one
    qsizetype rangees = 0; // kept as rows
    int lus = 0; // files searched
    int binaires = 0; // passed over
    // What kept a file, a folder or the rest of the site from being searched
    // (binary files only counted).
    QList<Site::Anomalie> anomalies;
    bool arrete = false;
};

// "Pages et feuilles de style": the files a site's search takes unless told.
Site::Filtre pagesEtFeuilles();

// The open document, whose text stands for its file's.
struct DocumentOuvert
{
    QString chemin;
    QString texte;
};

// Searches each file of the site racine that filtre takes, read by the reading
// rule. progression(lus) is called after each file; arret stops the search.
Resultat chercheSite(const QString &racine, const Site::Filtre &filtre, const Recherche &recherche,
                     const QString *modele, const std::optional<DocumentOuvert> &document = {},
                     const std::atomic<bool> *arret = nullptr,
                     const std::function<void(int)> &progression = {});

// Replaces each occurrence in text by modele as "Remplacer tout" does. The lines
// keep their own ends; a line break in a replacement is written as finDeLigne.
struct TexteRemplace
{
    QString texte;
    qsizetype nombre = 0;
    int ligneAbandon = 0; // the engine gave up at this line: texte is empty
};
TexteRemplace remplace(QStringView texte, const Recherche &recherche, const QString &modele,
                       QStringView finDeLigne);

// What a replacement or its undoing did.
struct Bilan
{
    struct Laisse
    {
        QString relatif;
        QString raison;
    };
    QStringList modifies; // relative paths of the files written
    qsizetype occurrences = 0; // replaced in them
    // Characters their encoding lacks, written as numeric references.
    int references = 0;
    QList<Laisse> laisses; // files left as they were, with why
    // What stopped the work half-way; the files after it were not touched.
    QString echec;
    QStringList nonTraites;
    // Where the previous bytes are kept ("" when nothing was kept).
    QString dossierCopies;
    QString racine; // the site's folder
};

// The folder of the kept copies: remplacements/ in the user's data folder
// (~/.local/share/marlisse/remplacements); "" when the system names none.
QString dossierRemplacements();

// How many replacements are kept, the newest.
constexpr int remplacementsGardes = 3;
// Removes from dossier the replacements older than the newest ones kept. Kept
// apart from ecrit(): removing a thousand files takes seconds on some disks.
void gardeLesDerniers(const QString &dossier);

// Writes the replacement of the occurrences in files of the site racine (the open
// document's aside: the editor replaces in its text). Each
// file is read again and left alone when its bytes are no longer those searched;
// its new text is written whole in its own encoding, mark and line ends (a page's
// characters that the encoding lacks as references, as a save writes them; a
// file that is not a page that would lose one is left alone), after its previous
// bytes were kept in a new folder of dossier. A failure (a full disk, a file that
// cannot be written) stops the work: the files after it are left as they were.
// arret, when set, stops it between two files; progression(done) is called after
// each file.
Bilan ecrit(const QString &racine, const QList<Fichier> &fichiers, const Recherche &recherche,
            const QString &modele, const QString &dossier, const std::atomic<bool> *arret = nullptr,
            const std::function<void(int)> &progression = {});

// A replacement as its kept copies record it.
struct Remplacement
{
    QString nom; // its folder's name in dossier, a date
    QDateTime quand;
    QString racine;
    QString cherche;
    QString remplace;
    struct Entree
    {
        QString relatif;
        QByteArray avant; // SHA-1 of the previous bytes, kept
        QByteArray apres; // SHA-1 of the bytes written
    };
    QList<Entree> fichiers;
};

// The newest replacement kept in dossier that was not undone.
std::optional<Remplacement> dernier(const QString &dossier);

// Puts back the previous bytes of each file of remplacement, unless the file
// changed since it was written (left alone and said). Once done, "Annuler le
// dernier remplacement" goes to the replacement before it.
Bilan annule(const QString &dossier, const Remplacement &remplacement);

} // namespace RemplacementSite
