#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <utility>

// "Vérifier la page": the problems of an HTML page's source, each at a line and a
// column of the text as the editor holds it. Markup problems come from HTML Tidy
// (linked, in report mode: no tidied page is made); Marlisse checks itself what
// Tidy does not see: local files named by src, href and srcset, and anchors named
// by href="#x". Knows no window: the editor's panel shows what it returns, the
// tests and the fuzzer call it directly.
namespace Verification {

enum class Genre { Erreur, Avertissement, Lien, Remarque };

struct Probleme
{
    Probleme() = default;
    Probleme(int ligne, int colonne, Genre genre, QString message, QString detail = QString(),
             QString cle = QString())
        : ligne(ligne)
        , colonne(colonne)
        , genre(genre)
        , message(std::move(message))
        , detail(std::move(detail))
        , cle(std::move(cle))
    { }

    int ligne = 1; // from 1
    int colonne = 1; // from 1, one a character (see Colonnes)
    Genre genre = Genre::Erreur;
    QString message;
    QString detail; // more about it (the full path looked for), or ""
    QString cle; // Tidy's key for its message ("MISSING_ENDTAG_FOR"), or ""
};

struct Resultat
{
    // Sorted by line, then column, then the order found; at most the number asked.
    QList<Probleme> problemes;
    // All that were found, shown or not.
    int erreurs = 0;
    int avertissements = 0;
    int liens = 0;
    // What is said of the check, apart from the problems and before them: the
    // relative names that a page never saved holds could not be checked (said
    // once, at the first), Tidy had to be stopped.
    QList<Probleme> remarques;

    int total() const { return erreurs + avertissements + liens; }
};

struct Page
{
    // The text as the editor holds it: lines end with '\n', or with what the editor
    // takes as a line end (U+2029, "\r\n", "\r").
    QString texte;
    // The full path of the saved page; "" for a document never saved.
    QString chemin;
};

// The most problems kept in a result.
constexpr int problemesMaximum = 1000;

// Checks the page. Tidy's parser calls itself once a level of nesting: this runs
// on a thread with a large stack (VerificationEnFond), or on any thread for pages
// of a few thousand levels at most. When arret is set, from another thread, Tidy
// stops soon and the result is to be dropped. The content of a <template> is
// left out of Tidy's check: HTML takes it apart from the page, where any element
// may stand alone (<li>, <tr>, <td>), and Tidy 5.6 would see misplaced tags.
Resultat verifie(const Page &page, int maximum = problemesMaximum,
                 const std::atomic<bool> *arret = nullptr);

// The name shown for a kind of problem: "Erreur", "Avertissement", "Lien", "Remarque".
QString nomGenre(Genre genre);

} // namespace Verification
