#include "lexiquehtml.h"

#include <QLatin1StringView>

#include <algorithm>
#include <iterator>

namespace LexiqueHtml {

bool blanc(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'
        || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

quint64 cleNom(QStringView nom)
{
    if (nom.size() > 8)
        return 0;
    quint64 cle = 0;
    for (qsizetype i = 0; i < nom.size(); ++i) {
        char16_t c = nom[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
        else if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-'))
            return 0;
        cle |= quint64(c) << (8 * i);
    }
    return cle;
}

bool memeNom(QStringView a, quint64 cleA, QStringView b, quint64 cleB)
{
    if (cleA || cleB)
        return cleA == cleB;
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool elementVide(quint64 cle)
{
    static constexpr quint64 vides[]
        = {cleNom("area"),     cleNom("base"),  cleNom("br"),     cleNom("col"),   cleNom("embed"),
           cleNom("hr"),       cleNom("img"),   cleNom("input"),  cleNom("link"),  cleNom("meta"),
           cleNom("source"),   cleNom("track"), cleNom("wbr"),    cleNom("param"), cleNom("keygen"),
           cleNom("basefont"), cleNom("frame"), cleNom("isindex")};
    return cle && std::find(std::begin(vides), std::end(vides), cle) != std::end(vides);
}

bool elementVide(QStringView nom)
{
    return elementVide(cleNom(nom));
}

} // namespace LexiqueHtml

namespace {

using namespace LexiqueHtml;

// A stretch of comment, script or text at least this long reports its line
// breaks as points, so that a reading near its end need not go back to its start.
constexpr qsizetype longueurSignalee = 2048;

bool lettreAscii(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool finDeLigne(QChar c)
{
    return c == QChar::ParagraphSeparator || c == u'\n';
}

const QLatin1StringView nomsBruts[]
    = {QLatin1StringView(), QLatin1StringView("script"), QLatin1StringView("style"),
       QLatin1StringView("textarea"), QLatin1StringView("title")};

Contenu contenuDe(quint64 cle)
{
    switch (cle) {
    case cleNom("script"):
        return Contenu::Script;
    case cleNom("style"):
        return Contenu::Style;
    case cleNom("textarea"):
        return Contenu::Textarea;
    case cleNom("title"):
        return Contenu::Title;
    default:
        return Contenu::Aucun;
    }
}

class Lecteur
{
public:
    Lecteur(QStringView texte, Lecture &lecture)
        : texte(texte)
        , n(texte.size())
        , lecture(lecture)
    { }

    Arret lit(Etat depart);

private:
    // Where the reading goes on after a piece of markup, or the state that the end
    // of the text left it in (coupe).
    struct Suite
    {
        qsizetype position;
        Etat etat;
        bool coupe = false;
    };

    Suite balisage(qsizetype lt);
    Suite balise(qsizetype lt, bool fermante);
    Suite commentaire(qsizetype debut, bool ouverture);
    Suite jusqua(qsizetype debut, QLatin1StringView fin, Mode mode);
    Suite brut(qsizetype debut, Contenu contenu);
    bool point(qsizetype position, Etat etat);
    bool lignes(qsizetype debut, qsizetype fin, Etat etat);

    QStringView texte;
    qsizetype n;
    Lecture &lecture;
    qsizetype dernierPoint = -1;
    bool arrete = false;
};

bool Lecteur::point(qsizetype position, Etat etat)
{
    if (position == dernierPoint)
        return true;
    dernierPoint = position;
    arrete = !lecture.point(position, etat);
    return !arrete;
}

// The line breaks of a long stretch read in one state, as points; and in a long
// line (a minified script), the first character that is no letter nor digit past
// each longueurSignalee characters: an edit moves the points after it, and the
// reading after the edit finds them again.
bool Lecteur::lignes(qsizetype debut, qsizetype fin, Etat etat)
{
    if (fin - debut < longueurSignalee)
        return true;
    qsizetype precedent = debut;
    for (qsizetype k = debut; k < fin; ++k) {
        const QChar c = texte[k];
        const bool coupe
            = k - precedent >= longueurSignalee && !c.isLetterOrNumber() && !c.isSurrogate();
        if (finDeLigne(c) || coupe) {
            if (!point(k, etat))
                return false;
            precedent = k;
        }
    }
    return true;
}

Arret Lecteur::lit(Etat etat)
{
    qsizetype k = 0;
    Suite suite {0, etat};
    // A reading that resumes in the middle of something finishes it first.
    switch (etat.mode) {
    case Mode::Texte:
        break;
    case Mode::Brut:
        suite = brut(0, etat.contenu);
        break;
    case Mode::Commentaire:
        suite = commentaire(0, false);
        break;
    case Mode::Instruction:
        suite = jusqua(0, QLatin1StringView("?>"), Mode::Instruction);
        break;
    case Mode::Asp:
        suite = jusqua(0, QLatin1StringView("%>"), Mode::Asp);
        break;
    case Mode::Declaration:
    case Mode::Balise:
    case Mode::Valeur:
        // Never a point: read as a declaration, up to its ">".
        suite = jusqua(0, QLatin1StringView(">"), Mode::Declaration);
        break;
    }

    while (true) {
        if (arrete)
            return {dernierPoint, suite.etat};
        if (suite.coupe)
            return {n, suite.etat};
        k = suite.position;
        etat = suite.etat;
        if (k >= n)
            return {n, etat};
        if (!point(k, etat))
            return {k, etat};
        if (etat.mode == Mode::Brut) {
            suite = brut(k, etat.contenu);
            continue;
        }
        const qsizetype lt = texte.indexOf(u'<', k);
        if (!lignes(k, lt < 0 ? n : lt, etat))
            continue;
        if (lt < 0)
            return {n, etat};
        if (!point(lt, etat))
            return {lt, etat};
        suite = balisage(lt);
    }
}

// What the "<" at lt, in the text, begins.
Lecteur::Suite Lecteur::balisage(qsizetype lt)
{
    const Etat texteSeul {Mode::Texte, Contenu::Aucun};
    if (lt + 1 >= n)
        return {n, texteSeul, true};
    const QChar c = texte[lt + 1];
    if (lettreAscii(c))
        return balise(lt, false);
    switch (c.unicode()) {
    case u'/':
        if (lt + 2 >= n)
            return {n, {Mode::Balise, Contenu::Aucun}, true};
        if (lettreAscii(texte[lt + 2]))
            return balise(lt, true);
        if (texte[lt + 2] == u'>')
            return {lt + 3, texteSeul};
        return jusqua(lt + 2, QLatin1StringView(">"), Mode::Declaration);
    case u'!':
        if (texte.sliced(lt).startsWith(QLatin1StringView("<!--")))
            return commentaire(lt + 4, true);
        // "<!" or "<!-" that the end cuts may yet open a comment.
        if (n - lt < 4 && QLatin1StringView("<!--").startsWith(texte.sliced(lt)))
            return {n, {Mode::Commentaire, Contenu::Aucun}, true};
        return jusqua(lt + 2, QLatin1StringView(">"), Mode::Declaration);
    case u'?':
        return jusqua(lt + 2, QLatin1StringView("?>"), Mode::Instruction);
    case u'%':
        return jusqua(lt + 2, QLatin1StringView("%>"), Mode::Asp);
    default:
        return {lt + 1, texteSeul};
    }
}

// A start or end tag: its name up to a blank, "/" or ">", then its attributes, each
// value unquoted, in double or in single quotes, as far as the ">" that ends it.
Lecteur::Suite Lecteur::balise(qsizetype lt, bool fermante)
{
    const Etat dansBalise {Mode::Balise, Contenu::Aucun};
    Balise b {lt, -1, lt + (fermante ? 2 : 1), -1, fermante, false, 0};
    qsizetype k = b.nom;
    while (k < n && !blanc(texte[k]) && texte[k] != u'/' && texte[k] != u'>')
        ++k;
    b.finNom = k;
    b.cle = cleNom(texte.sliced(b.nom, b.finNom - b.nom));
    const auto sauteBlancs = [this, &k] {
        while (k < n && blanc(texte[k]))
            ++k;
    };
    while (true) {
        sauteBlancs();
        if (k >= n)
            return {n, dansBalise, true};
        const QChar c = texte[k];
        if (c == u'>') {
            b.fin = k + 1;
            break;
        }
        if (c == u'/') {
            if (k + 1 < n && texte[k + 1] == u'>') {
                b.autoFermante = true;
                b.fin = k + 2;
                break;
            }
            ++k;
            continue;
        }
        // An attribute's name; its first character may be anything, even "=".
        ++k;
        while (k < n && !blanc(texte[k]) && texte[k] != u'/' && texte[k] != u'>'
               && texte[k] != u'=')
            ++k;
        sauteBlancs();
        if (k >= n)
            return {n, dansBalise, true};
        if (texte[k] != u'=')
            continue;
        ++k;
        sauteBlancs();
        if (k >= n)
            return {n, dansBalise, true};
        const QChar guillemet = texte[k];
        if (guillemet == u'"' || guillemet == u'\'') {
            const qsizetype ferme = texte.indexOf(guillemet, k + 1);
            if (ferme < 0)
                return {n, {Mode::Valeur, Contenu::Aucun}, true};
            k = ferme + 1;
        } else {
            // Unquoted, a "/" belongs to the value: <a href=/x/> is no empty tag.
            while (k < n && !blanc(texte[k]) && texte[k] != u'>')
                ++k;
        }
    }
    lecture.balise(b);
    Etat apres {Mode::Texte, Contenu::Aucun};
    if (!fermante) {
        const Contenu contenu = contenuDe(b.cle);
        if (contenu != Contenu::Aucun)
            apres = {Mode::Brut, contenu};
    }
    return {b.fin, apres};
}

// A comment from just after its "<!--" (ouverture) or from a point inside it.
Lecteur::Suite Lecteur::commentaire(qsizetype debut, bool ouverture)
{
    const Etat dedans {Mode::Commentaire, Contenu::Aucun};
    if (ouverture) {
        // <!--> and <!---> are whole, empty comments.
        if (debut < n && texte[debut] == u'>')
            return {debut + 1, {}};
        if (texte.sliced(debut).startsWith(QLatin1StringView("->")))
            return {debut + 2, {}};
    }
    // It ends at "-->" or "--!>".
    qsizetype fin = texte.indexOf(QLatin1StringView("--"), debut);
    qsizetype longueur = 0;
    for (; fin >= 0; fin = texte.indexOf(QLatin1StringView("--"), fin + 1)) {
        if (fin + 2 < n && texte[fin + 2] == u'>') {
            longueur = 3;
            break;
        }
        if (fin + 3 < n && texte[fin + 2] == u'!' && texte[fin + 3] == u'>') {
            longueur = 4;
            break;
        }
    }
    if (!lignes(debut, fin < 0 ? n : fin, dedans))
        return {dernierPoint, dedans};
    if (fin < 0)
        return {n, dedans, true};
    return {fin + longueur, {}};
}

// What ends at the first fin after debut: a processing instruction, a declaration.
Lecteur::Suite Lecteur::jusqua(qsizetype debut, QLatin1StringView fin, Mode mode)
{
    const Etat dedans {mode, Contenu::Aucun};
    const qsizetype trouve = texte.indexOf(fin, qMin(debut, n));
    if (mode != Mode::Declaration && !lignes(debut, trouve < 0 ? n : trouve, dedans))
        return {dernierPoint, dedans};
    if (trouve < 0)
        return {n, dedans, true};
    return {trouve + fin.size(), {}};
}

// The content of a script, style, textarea or title element, up to its closing tag.
Lecteur::Suite Lecteur::brut(qsizetype debut, Contenu contenu)
{
    const Etat dedans {Mode::Brut, contenu};
    const QLatin1StringView nom = nomsBruts[int(contenu)];
    for (qsizetype k = texte.indexOf(QLatin1StringView("</"), debut); k >= 0;
         k = texte.indexOf(QLatin1StringView("</"), k + 2)) {
        const qsizetype apres = k + 2 + nom.size();
        if (apres > n) {
            // The end cuts what may be the closing tag.
            if (!lignes(debut, k, dedans))
                return {dernierPoint, dedans};
            return {n, dedans, true};
        }
        if (texte.sliced(k + 2, nom.size()).compare(nom, Qt::CaseInsensitive) != 0)
            continue;
        if (apres < n && !blanc(texte[apres]) && texte[apres] != u'/' && texte[apres] != u'>')
            continue;
        if (!lignes(debut, k, dedans))
            return {dernierPoint, dedans};
        return balise(k, true);
    }
    if (!lignes(debut, n, dedans))
        return {dernierPoint, dedans};
    return {n, dedans, true};
}

} // namespace

namespace LexiqueHtml {

Arret lit(QStringView texte, Etat depart, Lecture &lecture)
{
    return Lecteur(texte, lecture).lit(depart);
}

Arret lit(QStringView texte, Etat depart)
{
    Lecture rien;
    return lit(texte, depart, rien);
}

} // namespace LexiqueHtml
