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
// count as any other.
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

    void balise(const Balise &balise);

    Depassement depassement() const { return etat; }
    // The '<' of the tag that went past the bound.
    qsizetype position() const { return positionDepassement; }

private:
    struct Element
    {
        QString nom;
        bool enLigne;
    };

    void retire(std::size_t index);
    void reporteEnLigne();

    std::vector<Element> pile;
    QHash<QString, int> ouverts; // how many of each name the stack holds
    // Elements below this index were open when a block began or ended: the inline
    // ones among them are reopened by Tidy in each block to come.
    std::size_t reportes = 0;
    int enLigneReportes = 0;
    QHash<QString, int> nomsReportes;
    qint64 reouvertures = 0;
    Depassement etat = Depassement::Aucun;
    qsizetype positionDepassement = 0;
};

} // namespace Verification
