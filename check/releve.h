#pragma once

#include "verificationpage.h"

#include <QStringView>

#include <queue>
#include <utility>
#include <vector>

// What the parts of the checker share: where an offset of the text stands, and
// the problems found so far.
namespace Verification {

// The line and column of offsets in a text whose lines end with '\n', columns
// counted as Colonnes counts them. Offsets asked in increasing order cost one pass
// over the text in all.
class Positions
{
public:
    explicit Positions(QStringView texte)
        : texte(texte)
    { }

    std::pair<int, int> de(qsizetype offset);

private:
    QStringView texte;
    qsizetype position = 0;
    qsizetype debutLigne = 0;
    int ligne = 1;
    int colonne = 1;
};

// The problems found, of which only some are kept: a page can give Tidy's
// warnings by the hundred thousand. Every link row is kept first, then the
// errors, then the warnings, each the first ones by position: a page's broken
// links are not hidden under Tidy's notes. What is kept comes sorted by position.
class Releve
{
public:
    explicit Releve(int maximum)
        : maximum(maximum)
    { }

    // colonneTidy: the column is Tidy's, which leaves out the control characters
    // (tabs aside) and a mark at the text's start; termine() turns it into the
    // editor's.
    void ajoute(Probleme probleme, bool colonneTidy = false);
    Resultat termine(QStringView texte);

private:
    struct Entree
    {
        Probleme probleme;
        bool colonneTidy;
        quint64 ordre;
    };
    struct Apres
    {
        bool operator()(const Entree &a, const Entree &b) const;
    };
    // Of two entries, the one that stays in the list before the other.
    struct Prioritaire
    {
        bool operator()(const Entree &a, const Entree &b) const;
    };

    static void colonnesDeLEditeur(QStringView texte, std::vector<Entree> &entrees);

    int maximum;
    quint64 suivant = 0;
    Resultat resultat;
    std::priority_queue<Entree, std::vector<Entree>, Prioritaire> premiers;
    std::vector<Entree> remarques; // all kept
};

} // namespace Verification
