#pragma once

#include "balises.h"

#include <QHash>
#include <QString>

#include <vector>

// How deep HTML Tidy will nest a page's elements, counted before Tidy runs.
// Tidy's parser calls itself for each level of nesting, on the thread's stack,
// and reopens every inline element left open in each block that follows (each
// <font> anew), which costs it time as the square of their number. Its own limits
// are the stack and the user's patience: past the bounds below, the page is not
// given to it.
//
// The count follows the tags as Tidy pairs them, roughly and never lower by much:
// an end tag closes its element and the blocks left open in it, while inline
// elements left open (<b>, <font>...) stay open across blocks; a block closes the
// paragraph it stands in, a new item or cell the one before it; unknown elements
// count as any other. A table, its rows and cells, and an <object> close all they
// hold, inline elements included, and reopen none from outside: Tidy gives each
// of them an inline context of its own. Other blocks do not (a <font> left open
// in a <blockquote> is reopened in every block after it, as Tidy does).
namespace Verification {

class Imbrication
{
public:
    // The most elements open at once. Tidy 5.6 takes at most a few hundred bytes of
    // stack a level; the checker's thread has far more than this bound needs.
    static constexpr int profondeurMaximale = 10000;
    // The most reopenings of inline elements, weighed by how many are open at once
    // (the sum, over blocks, of the square of their number): beyond it Tidy takes
    // more than a second or two.
    static constexpr qint64 reouverturesMaximales = 50'000'000;

    enum class Depassement { Aucun, Profondeur, Reouvertures };

    // Takes in each tag of the page, in order, to its end: what follows a bound
    // passed still tells which elements were left open.
    void balise(const Balise &balise);

    Depassement depassement() const { return etat; }
    // Where to look when a bound was passed: the '<' of the first element left
    // open among those that made the count grow (never closed by its own end tag,
    // <html> and <body> aside); where the bound was passed when each was closed.
    qsizetype position() const;

private:
    struct Element
    {
        QString nom;
        qsizetype position;
        bool enLigne;
        bool reporte = false; // open when a block began or ended
        bool contexte = false; // closes all it holds (a table, a cell...)
    };
    // An inline context: the inline elements carried from block to block in it.
    struct Contexte
    {
        std::size_t debut; // the index of the element that opened it
        int enLigneReportes = 0;
        QHash<QString, int> nomsReportes;
    };
    // An element open when the bound was passed.
    struct Ouvert
    {
        qsizetype position;
        bool ferme = false; // by its own end tag, later
    };

    void retire(std::size_t index);
    void reporteEnLigne();
    Contexte &contexteDe(std::size_t index);
    bool ouvreUnContexte(const QString &nom) const;
    void depasse(Depassement depassement, qsizetype position, std::size_t premier);
    void suitLesFermetures(const Balise &balise);

    std::vector<Element> pile;
    QHash<QString, int> ouverts; // how many of each name the stack holds
    std::vector<Contexte> contextes {Contexte {0, 0, {}}};
    // Elements below this index are marked reporte.
    std::size_t reportes = 0;
    qint64 reouvertures = 0;
    Depassement etat = Depassement::Aucun;
    qsizetype positionDepassement = 0;
    // Once a bound is passed: the elements then open, and by name the indices of
    // those not yet closed.
    std::vector<Ouvert> ouvertsAuDepassement;
    QHash<QString, std::vector<std::size_t>> nonFermes;
};

} // namespace Verification
