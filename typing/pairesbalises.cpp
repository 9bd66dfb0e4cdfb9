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

bool memeNom(QStringView texte, const Balise &a, const Balise &b)
{
    return LexiqueHtml::memeNom(nomDe(texte, a), a.cle, nomDe(texte, b), b.cle);
}

// The elements that another of the same name, opened right inside, closes: a
// list item ends where the next one begins.
bool fermeeParSaSuivante(quint64 cle)
{
    using LexiqueHtml::cleNom;
    switch (cle) {
    case cleNom("p"):
    case cleNom("li"):
    case cleNom("dt"):
    case cleNom("dd"):
    case cleNom("tr"):
    case cleNom("td"):
    case cleNom("th"):
    case cleNom("option"):
        return true;
    default:
        return false;
    }
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
        if (LexiqueHtml::elementVide(b.cle)) {
            // </br> and its like close nothing.
            a.seules[i] = !b.fermante;
            continue;
        }
        if (!b.fermante) {
            if (b.autoFermante) {
                a.seules[i] = true;
                continue;
            }
            if (!pile.isEmpty() && fermeeParSaSuivante(b.cle)
                && a.balises[pile.back().indice].cle == b.cle)
                pile.removeLast();
            pile.append({i, true});
            continue;
        }
        qsizetype j = pile.size() - 1;
        const qsizetype plusBas = qMax<qsizetype>(0, pile.size() - profondeurCherchee);
        while (j >= plusBas && !memeNom(texte, b, a.balises[pile[j].indice]))
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

namespace {

qsizetype indiceDuNom(const Analyse &a, qsizetype position)
{
    for (qsizetype i = 0; i < a.balises.size(); ++i) {
        const Balise &b = a.balises[i];
        if (b.debut > position)
            break;
        if (b.nom <= position && position <= b.finNom)
            return i;
    }
    return -1;
}

qsizetype indiceDeLaBalise(const Analyse &a, qsizetype position)
{
    for (qsizetype i = 0; i < a.balises.size(); ++i) {
        const Balise &b = a.balises[i];
        if (b.debut > position)
            break;
        if (position < b.fin)
            return i;
    }
    return -1;
}

} // namespace

Paire paireDuNom(const Analyse &a, qsizetype position)
{
    const qsizetype i = indiceDuNom(a, position);
    return i < 0 ? Paire() : paireDe(a, i);
}

Paire paireDeLaBalise(const Analyse &a, qsizetype position)
{
    const qsizetype i = indiceDeLaBalise(a, position);
    return i < 0 ? Paire() : paireDe(a, i);
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

// A reading of the document from a point at or before debut up to fin, and its
// analysis, positions counted from origine.
struct Lu
{
    Analyse analyse;
    QString texte;
    int origine;
};

Lu lu(ContexteDocument &contexte, int debut, int fin)
{
    ContexteDocument::Extrait e = contexte.extrait(qMax(0, debut), fin);
    Lu r;
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

// The tag at a position is looked for over a short stretch: most positions are
// in none, and cost no more. Its partner is looked for nearer first, then further
// up to the reach: most elements are short.
constexpr int proche = 4096;
constexpr int portees[] = {8192, 32768, portee};

// Whether position may stand in the name of a tag of texte: right after a "<" or
// a "</" and a few characters of a name.
bool auBoutDUnNom(QStringView texte, qsizetype position)
{
    qsizetype k = position;
    while (k > 0 && position - k < 64 && !LexiqueHtml::blanc(texte[k - 1]) && texte[k - 1] != u'<'
           && texte[k - 1] != u'>' && texte[k - 1] != u'/')
        --k;
    if (k > 0 && texte[k - 1] == u'/')
        --k;
    return k > 0 && texte[k - 1] == u'<';
}

// dansLeNom: only a tag whose name holds position is looked for (indice is
// indiceDuNom), as at each move of the cursor.
template<typename Indice>
Paire cherchePaire(ContexteDocument &contexte, int position, Indice indice, bool dansLeNom)
{
    int debut;
    int fin;
    bool fermante;
    {
        Lu l = lu(contexte, position, position + proche);
        qsizetype i = indice(l.analyse, position - l.origine);
        // A tag that the end of that reading cuts, as long as an inline image's
        // data, is read further, up to the reach.
        const LexiqueHtml::Mode finLue = l.analyse.etatFin.mode;
        if (i < 0 && (finLue == LexiqueHtml::Mode::Balise || finLue == LexiqueHtml::Mode::Valeur)
            && l.origine + l.texte.size() >= position + proche
            && (!dansLeNom || auBoutDUnNom(l.texte, position - l.origine))) {
            l = lu(contexte, position, position + portee);
            i = indice(l.analyse, position - l.origine);
        }
        if (i < 0)
            return {};
        const Paire seule = decale(paireDe(l.analyse, i), l.origine);
        if (l.analyse.seules[i])
            return seule;
        debut = seule.balise.debut;
        fin = seule.balise.fin;
        fermante = l.analyse.balises[i].fermante;
    }
    Paire paire;
    for (const int loin : portees) {
        const Lu l = fermante ? lu(contexte, debut - loin, fin) : lu(contexte, debut, debut + loin);
        const qsizetype i = indiceDeLaBalise(l.analyse, debut - l.origine);
        // The tag itself longer than that reach.
        if (i < 0)
            continue;
        paire = decale(paireDe(l.analyse, i), l.origine);
        // Found, or the whole text on that side read.
        if (paire.partenaire.trouvee()
            || (fermante ? l.origine == 0 : l.origine + l.texte.size() < debut + loin))
            break;
    }
    return paire;
}

} // namespace

Paire paireDuNom(ContexteDocument &contexte, int position)
{
    return cherchePaire(contexte, position, indiceDuNom, true);
}

Paire paireDeLaBalise(ContexteDocument &contexte, int position)
{
    return cherchePaire(contexte, position, indiceDeLaBalise, false);
}

Etendue elementAutour(ContexteDocument &contexte, int debut, int fin)
{
    const Lu l = lu(contexte, debut - portee, fin + portee);
    return decale(elementAutour(l.analyse, debut - l.origine, fin - l.origine), l.origine);
}

QString elementOuvert(ContexteDocument &contexte, int position)
{
    // The innermost element still open is most often near: a nearer reading that
    // finds one surely open is right.
    for (const int loin : portees) {
        const Lu l = lu(contexte, position - loin, position);
        if (!l.analyse.ouvertes.isEmpty() && l.analyse.ouvertes.back() >= 0)
            return elementOuvert(l.analyse, l.texte);
        if (l.origine == 0)
            break;
    }
    return QString();
}

} // namespace PairesBalises
