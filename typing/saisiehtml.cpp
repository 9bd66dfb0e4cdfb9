#include "saisiehtml.h"

#include <QList>

#include <algorithm>
#include <optional>

namespace {

using LexiqueHtml::blanc;

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

// The last tag of a text, as it is read.
class DerniereBalise : public LexiqueHtml::Lecture
{
public:
    void balise(const LexiqueHtml::Balise &b) override { derniere = b; }
    std::optional<LexiqueHtml::Balise> derniere;
};

class Balises : public LexiqueHtml::Lecture
{
public:
    void balise(const LexiqueHtml::Balise &b) override { liste.append(b); }
    QList<LexiqueHtml::Balise> liste;
};

} // namespace

namespace SaisieHtml {

QStringView indentation(QStringView ligne)
{
    qsizetype n = 0;
    while (n < ligne.size() && (ligne[n] == u' ' || ligne[n] == u'\t'))
        ++n;
    return ligne.first(n);
}

QString baliseAFermer(QStringView avant, LexiqueHtml::Etat etat, QStringView apres)
{
    if (avant.isEmpty() || avant.back() != u'>')
        return QString();
    DerniereBalise lue;
    const LexiqueHtml::Arret arret = LexiqueHtml::lit(avant, etat, lue);
    if (!lue.derniere || lue.derniere->fin != avant.size())
        return QString();
    const LexiqueHtml::Balise &balise = *lue.derniere;
    if (balise.fermante || balise.autoFermante || balise.fin - balise.debut > limiteRecherche)
        return QString();
    const QStringView nom = avant.sliced(balise.nom, balise.finNom - balise.nom);
    // A name that no element has, such as a quoted value's "a<b" taken for one.
    if (!lettreAscii(nom.front()) || !std::all_of(nom.begin(), nom.end(), caractereNom)
        || LexiqueHtml::elementVide(nom))
        return QString();

    // Not when the text after the cursor closes the element before opening another.
    Balises suivantes;
    LexiqueHtml::lit(apres.first(qMin(apres.size(), qsizetype(limiteRecherche))), arret.etat,
                     suivantes);
    for (const LexiqueHtml::Balise &b : std::as_const(suivantes.liste)) {
        if (apres.sliced(b.nom, b.finNom - b.nom).compare(nom, Qt::CaseInsensitive) == 0)
            return b.fermante ? QString() : nom.toString();
    }
    return nom.toString();
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
