#include "releve.h"

#include <algorithm>
#include <tuple>

namespace Verification {

namespace {

// Tidy drops the control characters but tab and line feed without counting them,
// and takes a mark at the very start for a byte order mark.
bool tidyLeSaute(QStringView texte, qsizetype i)
{
    const char16_t c = texte.at(i).unicode();
    return (c < 0x20 && c != u'\t' && c != u'\n') || (i == 0 && c == 0xfeff);
}

bool secondeMoitie(QStringView texte, qsizetype i, qsizetype debutLigne)
{
    return i > debutLigne && texte.at(i).isLowSurrogate() && texte.at(i - 1).isHighSurrogate();
}

} // namespace

std::pair<int, int> Positions::de(qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, texte.size());
    if (offset < position) {
        position = debutLigne = 0;
        ligne = colonne = 1;
    }
    for (; position < offset; ++position) {
        if (texte.at(position) == u'\n') {
            ++ligne;
            colonne = 1;
            debutLigne = position + 1;
        } else if (!secondeMoitie(texte, position, debutLigne)) {
            ++colonne;
        }
    }
    return {ligne, colonne};
}

bool Releve::Apres::operator()(const Entree &a, const Entree &b) const
{
    return std::tie(a.probleme.ligne, a.probleme.colonne, a.ordre)
        < std::tie(b.probleme.ligne, b.probleme.colonne, b.ordre);
}

bool Releve::Prioritaire::operator()(const Entree &a, const Entree &b) const
{
    const auto rang = [](Genre genre) {
        switch (genre) {
        case Genre::Lien:
            return 0;
        case Genre::Erreur:
            return 1;
        default:
            return 2;
        }
    };
    return std::make_tuple(rang(a.probleme.genre), a.probleme.ligne, a.probleme.colonne, a.ordre)
        < std::make_tuple(rang(b.probleme.genre), b.probleme.ligne, b.probleme.colonne, b.ordre);
}

void Releve::ajoute(Probleme probleme, bool colonneTidy)
{
    switch (probleme.genre) {
    case Genre::Erreur:
        ++resultat.erreurs;
        break;
    case Genre::Avertissement:
        ++resultat.avertissements;
        break;
    case Genre::Lien:
        ++resultat.liens;
        break;
    case Genre::Remarque:
        break;
    }
    probleme.ligne = std::max(probleme.ligne, 1);
    probleme.colonne = std::max(probleme.colonne, 1);
    if (probleme.genre == Genre::Remarque) {
        remarques.push_back({std::move(probleme), colonneTidy, suivant++});
        return;
    }
    if (maximum <= 0)
        return;
    premiers.push({std::move(probleme), colonneTidy, suivant++});
    if (premiers.size() > std::size_t(maximum))
        premiers.pop();
}

Resultat Releve::termine(QStringView texte)
{
    std::vector<Entree> entrees;
    entrees.reserve(premiers.size());
    while (!premiers.empty()) {
        entrees.push_back(premiers.top());
        premiers.pop();
    }
    std::sort(entrees.begin(), entrees.end(), Apres());
    colonnesDeLEditeur(texte, entrees);
    resultat.problemes.reserve(qsizetype(entrees.size()));
    for (Entree &entree : entrees)
        resultat.problemes.append(std::move(entree.probleme));

    std::stable_sort(remarques.begin(), remarques.end(), Apres());
    colonnesDeLEditeur(texte, remarques);
    for (Entree &entree : remarques)
        resultat.remarques.append(std::move(entree.probleme));
    return std::move(resultat);
}

// Tidy's columns become the editor's, in one pass over the lines that hold them:
// the entries come sorted, on each line in the order of their columns, and
// Tidy's order is the editor's. They stay sorted.
void Releve::colonnesDeLEditeur(QStringView texte, std::vector<Entree> &entrees)
{
    int ligne = 1;
    qsizetype debutLigne = 0;
    auto finDeLigne = [&texte](qsizetype debut) {
        const qsizetype fin = texte.indexOf(u'\n', debut);
        return fin < 0 ? texte.size() : fin;
    };
    qsizetype finLigne = finDeLigne(0);
    qsizetype position = 0; // on the line being walked
    int colonneTidy = 1; // of position
    int colonne = 1; // of position
    for (Entree &entree : entrees) {
        Probleme &p = entree.probleme;
        while (ligne < p.ligne && finLigne < texte.size()) {
            ++ligne;
            debutLigne = position = finLigne + 1;
            finLigne = finDeLigne(debutLigne);
            colonneTidy = colonne = 1;
        }
        // Past the last line is where Tidy reports the end of the text.
        if (!entree.colonneTidy || p.ligne > ligne)
            continue;
        // Rows of one line come with growing columns; a smaller one starts over.
        if (p.colonne < colonneTidy) {
            position = debutLigne;
            colonneTidy = colonne = 1;
        }
        while (position < finLigne
               && (colonneTidy < p.colonne || tidyLeSaute(texte, position)
                   || secondeMoitie(texte, position, debutLigne))) {
            if (!secondeMoitie(texte, position, debutLigne)) {
                ++colonne;
                if (!tidyLeSaute(texte, position))
                    ++colonneTidy;
            }
            ++position;
        }
        p.colonne = colonne + std::max(0, p.colonne - colonneTidy);
    }
    // Where a control character moved a column, rows of one line may change order.
    std::stable_sort(entrees.begin(), entrees.end(), [](const Entree &a, const Entree &b) {
        return std::tie(a.probleme.ligne, a.probleme.colonne)
            < std::tie(b.probleme.ligne, b.probleme.colonne);
    });
}

} // namespace Verification
