#include "imbrication.h"

#include <QHash>
#include <QLatin1String>

#include <algorithm>
#include <initializer_list>

namespace Verification {

namespace {

bool parmi(const QString &nom, std::initializer_list<const char *> noms)
{
    return std::any_of(noms.begin(), noms.end(),
                       [&nom](const char *n) { return nom == QLatin1String(n); });
}

enum Sorte : quint8 {
    Vide = 1, // no content, no end tag
    EnLigne = 2, // carried by Tidy from block to block when left open
    SeFermeSeul = 4, // its end tag may be left out: what holds it closes it
};

// Looked up once a tag: a page has them by the million.
quint8 sorte(const QString &nom)
{
    static const QHash<QString, quint8> sortes = [] {
        QHash<QString, quint8> table;
        for (const char *n :
             {"area",  "base",  "basefont", "bgsound", "br",    "col",     "command", "embed",
              "frame", "hr",    "image",    "img",     "input", "isindex", "keygen",  "link",
              "meta",  "param", "source",   "spacer",  "track", "wbr"})
            table.insert(QLatin1String(n), Vide);
        for (const char *n :
             {"a",      "abbr", "acronym", "b",    "bdi", "bdo",  "big",   "blink", "cite",
              "code",   "data", "del",     "dfn",  "em",  "font", "i",     "ins",   "kbd",
              "label",  "mark", "nobr",    "q",    "s",   "samp", "small", "span",  "strike",
              "strong", "sub",  "sup",     "time", "tt",  "u",    "var"})
            table.insert(QLatin1String(n), EnLigne);
        for (const char *n :
             {"p", "li", "dt", "dd", "td", "th", "tr", "option", "optgroup", "thead", "tbody",
              "tfoot", "colgroup", "caption", "rb", "rt", "rp", "rtc"})
            table.insert(QLatin1String(n), SeFermeSeul);
        return table;
    }();
    return sortes.value(nom);
}

bool estEnLigne(const QString &nom)
{
    return sorte(nom) & EnLigne;
}

bool seFermeSeul(const QString &nom)
{
    return sorte(nom) & SeFermeSeul;
}

// Whether the start tag of a block, nom, closes the innermost open block, dessus.
bool ferme(const QString &nom, const QString &dessus)
{
    if (dessus == QLatin1String("p"))
        return !estEnLigne(nom);
    if (nom == QLatin1String("li"))
        return dessus == QLatin1String("li");
    if (nom == QLatin1String("dt") || nom == QLatin1String("dd"))
        return parmi(dessus, {"dt", "dd"});
    if (nom == QLatin1String("td") || nom == QLatin1String("th"))
        return parmi(dessus, {"td", "th"});
    if (nom == QLatin1String("tr"))
        return parmi(dessus, {"td", "th", "tr"});
    if (parmi(nom, {"thead", "tbody", "tfoot"}))
        return parmi(dessus, {"td", "th", "tr", "thead", "tbody", "tfoot", "caption", "colgroup"});
    if (nom == QLatin1String("option"))
        return dessus == QLatin1String("option");
    if (nom == QLatin1String("optgroup"))
        return parmi(dessus, {"option", "optgroup"});
    return false;
}

} // namespace

void Imbrication::balise(const Balise &balise)
{
    const quint8 sorteBalise = sorte(balise.nom);
    if (etat != Depassement::Aucun || (sorteBalise & Vide))
        return;
    const bool enLigne = sorteBalise & EnLigne;

    if (balise.fermante) {
        if (ouverts.value(balise.nom) == 0)
            return;
        std::size_t index = pile.size() - 1;
        while (pile[index].nom != balise.nom)
            --index;
        if (!enLigne) {
            // What the block leaves open: its paragraphs and blocks close with it,
            // its inline elements go on in the blocks that follow.
            for (std::size_t k = pile.size() - 1; k > index; --k) {
                if (!pile[k].enLigne || seFermeSeul(pile[k].nom))
                    retire(k);
            }
        }
        retire(index);
        if (!enLigne)
            reporteEnLigne();
        return;
    }
    if (balise.autoFermee)
        return;

    if (enLigne) {
        // Tidy merges a tag with the same one that it reopened, <font> excepted.
        if (balise.nom != QLatin1String("font") && nomsReportes.value(balise.nom) > 0)
            return;
    } else {
        // The block closes the paragraph (item, cell...) it cannot stand in, and
        // the inline elements open in it go on in the new block.
        for (;;) {
            std::size_t bloc = pile.size();
            while (bloc > 0 && pile[bloc - 1].enLigne)
                --bloc;
            if (bloc == 0 || !ferme(balise.nom, pile[bloc - 1].nom))
                break;
            retire(bloc - 1);
        }
        reporteEnLigne();
        reouvertures += qint64(enLigneReportes) * enLigneReportes;
        if (reouvertures > reouverturesMaximales) {
            etat = Depassement::Reouvertures;
            positionDepassement = balise.position;
            return;
        }
    }
    pile.push_back({balise.nom, enLigne});
    ++ouverts[balise.nom];
    if (pile.size() > std::size_t(profondeurMaximale)) {
        etat = Depassement::Profondeur;
        positionDepassement = balise.position;
    }
}

void Imbrication::retire(std::size_t index)
{
    const Element &element = pile[index];
    if (index < reportes) {
        --reportes;
        if (element.enLigne) {
            --enLigneReportes;
            --nomsReportes[element.nom];
        }
    }
    --ouverts[element.nom];
    pile.erase(pile.begin() + qsizetype(index));
}

void Imbrication::reporteEnLigne()
{
    for (; reportes < pile.size(); ++reportes) {
        if (pile[reportes].enLigne) {
            ++enLigneReportes;
            ++nomsReportes[pile[reportes].nom];
        }
    }
}

} // namespace Verification
