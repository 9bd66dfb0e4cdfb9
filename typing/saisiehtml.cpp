#include "saisiehtml.h"

namespace {

bool blanc(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'
        || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

bool lettreAscii(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The characters of an element's name after its first letter (custom elements
// have hyphens). Anything else right after a "<" makes it no tag: a "<" in a
// quoted value, such as title="a<b", must not pass for one.
bool caractereNom(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':' || c == u'.';
}

bool caractereAttribut(QChar c)
{
    return !blanc(c) && c != u'/' && c != u'>' && c != u'=' && c != u'"' && c != u'\'' && c != u'<';
}

bool elementVide(QStringView nom)
{
    static const char *const vides[]
        = {"area", "base",   "br",    "col", "embed", "hr",     "img",      "input", "link",
           "meta", "source", "track", "wbr", "param", "keygen", "basefont", "frame", "isindex"};
    for (const char *vide : vides) {
        if (nom.compare(QLatin1String(vide), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

enum class Issue {
    PasUneBalise, // this "<" starts no tag
    GuillemetOuvert, // the typed ">" stands in a quoted value of the tag
    FinAvant, // the tag ends before the typed ">", which is then in the text
    Fin, // the typed ">" ends the tag
};

enum class Genre { Ouvrante, Fermante, Declaration };

struct Balise
{
    Issue issue = Issue::PasUneBalise;
    Genre genre = Genre::Ouvrante;
    QStringView nom;
};

// The tag that starts at the "<" at debut of texte, whose last character is the
// typed ">": read as a browser reads it, so that a ">" in a quoted value does not
// end it.
Balise lit(QStringView texte, qsizetype debut)
{
    const qsizetype fin = texte.size() - 1;
    Balise balise;
    qsizetype k = debut + 1;
    const QChar premier = texte[k];
    if (premier == u'!' || premier == u'?' || premier == u'/') {
        if (premier == u'/' && (k + 1 >= fin || !lettreAscii(texte[k + 1])))
            return balise;
        balise.genre = premier == u'/' ? Genre::Fermante : Genre::Declaration;
        // Neither these nor comments know quotes: the first ">" ends them.
        const qsizetype chevron = texte.indexOf(u'>', k);
        balise.issue = chevron == fin ? Issue::Fin : Issue::FinAvant;
        return balise;
    }
    if (!lettreAscii(premier))
        return balise;
    while (caractereNom(texte[k]))
        ++k;
    const QChar apresNom = texte[k];
    if (!blanc(apresNom) && apresNom != u'/' && apresNom != u'>')
        return balise;
    balise.nom = texte.sliced(debut + 1, k - debut - 1);

    while (k <= fin) {
        const QChar c = texte[k];
        if (blanc(c) || c == u'/') {
            ++k;
            continue;
        }
        if (c == u'>') {
            balise.issue = k == fin ? Issue::Fin : Issue::FinAvant;
            return balise;
        }
        if (!caractereAttribut(c))
            return balise;
        while (caractereAttribut(texte[k]))
            ++k;
        while (blanc(texte[k]))
            ++k;
        if (texte[k] != u'=')
            continue;
        ++k;
        while (blanc(texte[k]))
            ++k;
        const QChar guillemet = texte[k];
        if (guillemet == u'"' || guillemet == u'\'') {
            const qsizetype ferme = texte.indexOf(guillemet, k + 1);
            if (ferme < 0) {
                balise.issue = Issue::GuillemetOuvert;
                return balise;
            }
            k = ferme + 1;
        } else {
            while (!blanc(texte[k]) && texte[k] != u'>')
                ++k;
        }
    }
    return balise;
}

// Whether the last opening of ouverture in texte (followed by a blank, "/" or
// ">", or ending texte) comes after the last fermeture.
bool ouvertALaFin(QStringView texte, QLatin1String ouverture, QLatin1String fermeture)
{
    const qsizetype ferme = texte.lastIndexOf(fermeture, -1, Qt::CaseInsensitive);
    for (qsizetype ouvre = texte.lastIndexOf(ouverture, -1, Qt::CaseInsensitive); ouvre > ferme;
         ouvre = ouvre > 0 ? texte.lastIndexOf(ouverture, ouvre - 1, Qt::CaseInsensitive) : -1) {
        const qsizetype suite = ouvre + ouverture.size();
        if (suite >= texte.size() || blanc(texte[suite]) || texte[suite] == u'/'
            || texte[suite] == u'>')
            return true;
    }
    return false;
}

// Whether the end of texte lies inside a comment or inside the content of a
// script or style element, where a "<" starts no tag.
bool horsBalisage(QStringView texte)
{
    if (texte.lastIndexOf(QLatin1String("<!--")) > texte.lastIndexOf(QLatin1String("-->")))
        return true;
    return ouvertALaFin(texte, QLatin1String("<script"), QLatin1String("</script"))
        || ouvertALaFin(texte, QLatin1String("<style"), QLatin1String("</style"));
}

} // namespace

namespace SaisieHtml {

QStringView indentation(QStringView ligne)
{
    qsizetype n = 0;
    while (n < ligne.size() && (ligne[n] == u' ' || ligne[n] == u'\t'))
        ++n;
    return ligne.first(n);
}

QString baliseAFermer(QStringView avant, QStringView apres)
{
    if (avant.size() > limiteRecherche)
        avant = avant.last(limiteRecherche);
    if (avant.size() < 3 || avant.back() != u'>')
        return QString();

    for (qsizetype debut = avant.lastIndexOf(u'<', avant.size() - 2); debut >= 0;
         debut = debut > 0 ? avant.lastIndexOf(u'<', debut - 1) : -1) {
        const Balise balise = lit(avant, debut);
        switch (balise.issue) {
        case Issue::PasUneBalise:
        case Issue::GuillemetOuvert:
            // This "<" may stand in a quoted value of a tag that starts further back.
            continue;
        case Issue::FinAvant:
            return QString();
        case Issue::Fin:
            if (balise.genre != Genre::Ouvrante || avant[avant.size() - 2] == u'/'
                || elementVide(balise.nom) || horsBalisage(avant.first(debut)))
                return QString();
            const QString fermante = QStringLiteral("</") + balise.nom.toString() + u'>';
            if (apres.startsWith(fermante, Qt::CaseInsensitive))
                return QString();
            return balise.nom.toString();
        }
    }
    return QString();
}

QString baliseFermee(QStringView avant)
{
    if (avant.size() > limiteRecherche)
        avant = avant.last(limiteRecherche);
    qsizetype k = avant.size() - 1;
    if (k < 0 || avant[k] != u'>')
        return QString();
    --k;
    while (k >= 0 && blanc(avant[k]))
        --k;
    const qsizetype finNom = k + 1;
    while (k >= 0 && caractereNom(avant[k]))
        --k;
    const qsizetype debutNom = k + 1;
    if (debutNom == finNom || !lettreAscii(avant[debutNom]) || k < 1 || avant[k] != u'/'
        || avant[k - 1] != u'<')
        return QString();
    return avant.sliced(debutNom, finNom - debutNom).toString();
}

} // namespace SaisieHtml
