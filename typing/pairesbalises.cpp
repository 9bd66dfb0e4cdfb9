#include "pairesbalises.h"

#include "contextedocument.h"

using LexiqueHtml::Balise;

namespace {

// Deeper in the open elements than this, a closing tag is not looked for: the
// elements open then lose their sure partner instead.
constexpr int profondeurCherchee = 256;

QStringView nomDe(QStringView texte, const Balise &b)
{
    return texte.sliced(b.nom, b.finNom - b.nom);
}

bool memeNom(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The elements that another of the same name, opened right inside, closes: a
// list item ends where the next one begins.
bool fermeeParSaSuivante(QStringView nom)
{
    for (const char *n : {"p", "li", "dt", "dd", "tr", "td", "th", "option"}) {
        if (nom.compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

class Releve : public LexiqueHtml::Lecture
{
public:
    void balise(const Balise &b) override { balises.append(b); }
    QList<Balise> balises;
};

} // namespace

namespace PairesBalises {

Analyse analyse(QStringView texte, LexiqueHtml::Etat etat, bool debutDuDocument)
{
    Releve releve;
    Analyse a;
    a.etatFin = LexiqueHtml::lit(texte, etat, releve).etat;
    a.balises = std::move(releve.balises);
    a.partenaires.fill(-1, a.balises.size());
    a.seules.fill(false, a.balises.size());

    struct Ouverte
    {
        int indice;
        bool sure;
    };
    QList<Ouverte> pile;
    for (int i = 0; i < a.balises.size(); ++i) {
        const Balise &b = a.balises[i];
        const QStringView nom = nomDe(texte, b);
        if (LexiqueHtml::elementVide(nom)) {
            // </br> and its like close nothing.
            a.seules[i] = !b.fermante;
            continue;
        }
        if (!b.fermante) {
            if (b.autoFermante) {
                a.seules[i] = true;
                continue;
            }
            if (!pile.isEmpty() && fermeeParSaSuivante(nom)
                && memeNom(nom, nomDe(texte, a.balises[pile.back().indice])))
                pile.removeLast();
            pile.append({i, true});
            continue;
        }
        qsizetype j = pile.size() - 1;
        const qsizetype plusBas = qMax<qsizetype>(0, pile.size() - profondeurCherchee);
        while (j >= plusBas && !memeNom(nom, nomDe(texte, a.balises[pile[j].indice])))
            --j;
        if (j >= plusBas) {
            // It closes the elements opened inside that one too.
            if (pile[j].sure) {
                a.partenaires[i] = pile[j].indice;
                a.partenaires[pile[j].indice] = i;
            }
            pile.resize(j);
        } else if (!debutDuDocument || j >= 0) {
            // Perhaps the closing tag of an element opened before the text, which
            // closed those open then; perhaps a stray one. Either may be true.
            for (Ouverte &o : pile)
                o.sure = false;
        }
    }
    for (const Ouverte &o : pile)
        a.ouvertes.append(o.sure ? o.indice : -1);
    return a;
}

namespace {

Paire paireDe(const Analyse &a, qsizetype i)
{
    Paire paire;
    const Balise &b = a.balises[i];
    paire.balise = {int(b.debut), int(b.fin)};
    const int j = a.partenaires[i];
    if (j >= 0) {
        const Balise &p = a.balises[j];
        paire.partenaire = {int(p.debut), int(p.fin)};
        paire.nomPartenaire = int(p.nom);
    }
    return paire;
}

} // namespace

Paire paireDuNom(const Analyse &a, qsizetype position)
{
    for (qsizetype i = 0; i < a.balises.size(); ++i) {
        const Balise &b = a.balises[i];
        if (b.debut > position)
            break;
        if (b.nom <= position && position <= b.finNom)
            return paireDe(a, i);
    }
    return {};
}

Paire paireDeLaBalise(const Analyse &a, qsizetype position)
{
    for (qsizetype i = 0; i < a.balises.size(); ++i) {
        const Balise &b = a.balises[i];
        if (b.debut > position)
            break;
        if (position < b.fin)
            return paireDe(a, i);
    }
    return {};
}

Etendue elementAutour(const Analyse &a, qsizetype debut, qsizetype fin)
{
    Etendue meilleure;
    for (qsizetype i = 0; i < a.balises.size(); ++i) {
        const Balise &b = a.balises[i];
        if (b.debut > debut)
            break;
        if (b.fermante)
            continue;
        qsizetype finElement;
        if (a.seules[i])
            finElement = b.fin;
        else if (a.partenaires[i] >= 0)
            finElement = a.balises[a.partenaires[i]].fin;
        else
            continue;
        const bool tient = debut == fin ? debut < finElement : fin <= finElement;
        if (!tient || (b.debut == debut && finElement == fin))
            continue;
        // The later an element that holds the stretch begins, the smaller it is.
        meilleure = {int(b.debut), int(finElement)};
    }
    return meilleure;
}

QString elementOuvert(const Analyse &a, QStringView texte)
{
    if (a.ouvertes.isEmpty() || a.ouvertes.back() < 0)
        return QString();
    if (a.etatFin.mode != LexiqueHtml::Mode::Texte && a.etatFin.mode != LexiqueHtml::Mode::Brut)
        return QString();
    return nomDe(texte, a.balises[a.ouvertes.back()]).toString();
}

namespace {

// The text around debut and fin, as far as the search looks, and its analysis,
// positions counted in the document.
struct Autour
{
    Analyse analyse;
    QString texte;
    int origine;
};

Autour autour(ContexteDocument &contexte, int debut, int fin)
{
    ContexteDocument::Extrait e = contexte.extrait(qMax(0, debut - portee), fin);
    Autour r;
    r.analyse = analyse(e.texte, e.etat, e.origine == 0);
    r.texte = std::move(e.texte);
    r.origine = e.origine;
    return r;
}

Etendue decale(Etendue e, int origine)
{
    if (e.trouvee()) {
        e.debut += origine;
        e.fin += origine;
    }
    return e;
}

Paire decale(Paire p, int origine)
{
    p.balise = decale(p.balise, origine);
    p.partenaire = decale(p.partenaire, origine);
    if (p.nomPartenaire >= 0)
        p.nomPartenaire += origine;
    return p;
}

// The tags that stand near position, over a short stretch: most positions are in
// none, and cost no more.
constexpr int proche = 4096;

template<typename Cherche>
Paire cherchePaire(ContexteDocument &contexte, int position, Cherche cherche)
{
    {
        const ContexteDocument::Extrait e = contexte.extrait(position, position + proche);
        const Analyse a = analyse(e.texte, e.etat, e.origine == 0);
        if (!cherche(a, position - e.origine).balise.trouvee())
            return {};
    }
    const Autour a = autour(contexte, position, position + portee);
    return decale(cherche(a.analyse, position - a.origine), a.origine);
}

} // namespace

Paire paireDuNom(ContexteDocument &contexte, int position)
{
    return cherchePaire(contexte, position,
                        [](const Analyse &a, qsizetype p) { return paireDuNom(a, p); });
}

Paire paireDeLaBalise(ContexteDocument &contexte, int position)
{
    return cherchePaire(contexte, position,
                        [](const Analyse &a, qsizetype p) { return paireDeLaBalise(a, p); });
}

Etendue elementAutour(ContexteDocument &contexte, int debut, int fin)
{
    const Autour a = autour(contexte, debut, fin + portee);
    return decale(elementAutour(a.analyse, debut - a.origine, fin - a.origine), a.origine);
}

QString elementOuvert(ContexteDocument &contexte, int position)
{
    const Autour a = autour(contexte, position, position);
    return elementOuvert(a.analyse, a.texte);
}

} // namespace PairesBalises
