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
    if (etat != Depassement::Aucun) {
        suitLesFermetures(balise);
        return;
    }
    const quint8 sorteBalise = sorte(balise.nom);
    if (sorteBalise & Vide)
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
                if (k < pile.size() && (!pile[k].enLigne || seFermeSeul(pile[k].nom)))
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
        if (balise.nom != QLatin1String("font")
            && contextes.back().nomsReportes.value(balise.nom) > 0)
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
        const Contexte &courant = contextes.back();
        reouvertures += qint64(courant.enLigneReportes) * courant.enLigneReportes;
        if (reouvertures > reouverturesMaximales) {
            depasse(Depassement::Reouvertures, balise.position, courant.debut);
            return;
        }
    }
    const bool contexte = !enLigne && ouvreUnContexte(balise.nom);
    pile.push_back({balise.nom, balise.position, enLigne, false, contexte});
    ++ouverts[balise.nom];
    if (contexte)
        contextes.push_back({pile.size() - 1, 0, {}});
    if (pile.size() > std::size_t(profondeurMaximale))
        depasse(Depassement::Profondeur, balise.position, 0);
}

bool Imbrication::ouvreUnContexte(const QString &nom) const
{
    if (parmi(nom, {"table", "object", "applet"}))
        return true;
    // Out of a table, Tidy takes a cell for any block: it closes nothing.
    return ouverts.value(QStringLiteral("table")) > 0
        && parmi(nom, {"td", "th", "tr", "caption", "thead", "tbody", "tfoot", "colgroup"});
}

Imbrication::Contexte &Imbrication::contexteDe(std::size_t index)
{
    auto contexte = contextes.rbegin();
    while (contexte->debut > index)
        ++contexte;
    return *contexte;
}

void Imbrication::retire(std::size_t index)
{
    if (pile[index].contexte) {
        while (pile.size() > index + 1)
            retire(pile.size() - 1);
        contextes.pop_back(); // the innermost, now that all it held is gone
    }
    const Element &element = pile[index];
    if (element.reporte && element.enLigne) {
        Contexte &contexte = contexteDe(index);
        --contexte.enLigneReportes;
        --contexte.nomsReportes[element.nom];
    }
    if (index < reportes)
        --reportes;
    --ouverts[element.nom];
    pile.erase(pile.begin() + qsizetype(index));
    for (auto contexte = contextes.rbegin(); contexte->debut > index; ++contexte)
        --contexte->debut;
}

void Imbrication::reporteEnLigne()
{
    for (; reportes < pile.size(); ++reportes) {
        Element &element = pile[reportes];
        element.reporte = true;
        if (element.enLigne) {
            Contexte &contexte = contexteDe(reportes);
            ++contexte.enLigneReportes;
            ++contexte.nomsReportes[element.nom];
        }
    }
}

// Keeps the elements that made the count grow: all those open for the depth,
// the inline ones carried in the current context for the reopenings.
void Imbrication::depasse(Depassement depassement, qsizetype position, std::size_t premier)
{
    etat = depassement;
    positionDepassement = position;
    for (std::size_t i = premier; i < pile.size(); ++i) {
        const Element &element = pile[i];
        if (depassement == Depassement::Reouvertures ? !(element.reporte && element.enLigne)
                                                     : parmi(element.nom, {"html", "head", "body"}))
            continue;
        nonFermes[element.nom].push_back(ouvertsAuDepassement.size());
        ouvertsAuDepassement.push_back({element.position});
    }
    pile.clear();
    ouverts.clear();
}

// Past the bound, only end tags matter: each closes the last element of its name
// opened since, or else the innermost one of those kept.
void Imbrication::suitLesFermetures(const Balise &balise)
{
    if (sorte(balise.nom) & Vide)
        return;
    if (!balise.fermante) {
        if (!balise.autoFermee)
            ++ouverts[balise.nom];
        return;
    }
    int &depuis = ouverts[balise.nom];
    if (depuis > 0) {
        --depuis;
        return;
    }
    const auto gardes = nonFermes.find(balise.nom);
    if (gardes == nonFermes.end() || gardes->empty())
        return;
    ouvertsAuDepassement[gardes->back()].ferme = true;
    gardes->pop_back();
}

qsizetype Imbrication::position() const
{
    for (const Ouvert &ouvert : ouvertsAuDepassement) {
        if (!ouvert.ferme)
            return ouvert.position;
    }
    return positionDepassement;
}

} // namespace Verification
