#include "completionhtml.h"

#include <QFile>
#include <QHash>

#include <algorithm>

// Outside any namespace, as the resource's registration function is declared.
static void enregistreRessource()
{
    Q_INIT_RESOURCE(completion);
}

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

bool alphanumeriqueAscii(QChar c)
{
    return lettreAscii(c) || (c >= u'0' && c <= u'9');
}

// The characters of an element's or an attribute's name after its first one, as the
// closing tags read them (custom elements have hyphens, some attributes a colon).
bool caractereNom(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':' || c == u'.';
}

// The keywords of values hold hyphens, slashes and dots (multipart/form-data, utf-8).
bool caractereValeur(QChar c)
{
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u'/' || c == u'.' || c == u'+';
}

// The longest named character reference has 31 letters.
constexpr int longueurMaxEntite = 32;

// A tag looked for further back than this many "<" is given up: a keystroke costs
// the same on any text, even one of "<" only.
constexpr int maxBalisesLues = 32;

// The order in which QCompleter searches a list that it is told is sorted.
bool avantSansCasse(const QString &a, const QString &b)
{
    return a.toLower() < b.toLower();
}

struct Donnees
{
    QStringList elements;
    // The attributes of each element, the global ones included; "" for an element
    // the standard does not have.
    QHash<QString, QStringList> attributs;
    // "element attribut", or "* attribut" for any element.
    QHash<QString, QStringList> valeurs;
    // By name without ";".
    QHash<QString, QString> entites;
    QStringList nomsEntites;
};

QList<QStringView> lignes(const QString &chemin, QString *texte)
{
    QFile fichier(chemin);
    if (fichier.open(QIODevice::ReadOnly))
        *texte = QString::fromUtf8(fichier.readAll());
    QList<QStringView> resultat;
    for (const QStringView ligne : QStringView(*texte).split(u'\n', Qt::SkipEmptyParts)) {
        if (!ligne.startsWith(u'#'))
            resultat.append(ligne);
    }
    return resultat;
}

QStringList mots(QStringView ligne)
{
    QStringList liste;
    for (const QStringView mot : ligne.split(u' ', Qt::SkipEmptyParts))
        liste.append(mot.toString());
    return liste;
}

Donnees charge()
{
    enregistreRessource();
    Donnees d;
    QString texte;
    QStringList globaux;
    QHash<QString, QStringList> propres;
    for (const QStringView ligne : lignes(QStringLiteral(":/completion/elements.txt"), &texte)) {
        QStringList m = mots(ligne);
        const QString genre = m.takeFirst();
        if (genre == QLatin1String("global")) {
            globaux = m;
        } else if (genre == QLatin1String("element") && !m.isEmpty()) {
            const QString nom = m.takeFirst();
            d.elements.append(nom);
            propres.insert(nom, m);
        } else if (genre == QLatin1String("valeurs") && m.size() > 2) {
            const QString element = m.takeFirst();
            const QString cle = element + u' ' + m.takeFirst();
            std::stable_sort(m.begin(), m.end(), avantSansCasse);
            d.valeurs.insert(cle, m);
        }
    }
    std::sort(d.elements.begin(), d.elements.end(), avantSansCasse);
    propres.insert(QString(), QStringList());
    for (auto it = propres.cbegin(); it != propres.cend(); ++it) {
        QStringList liste = globaux + it.value();
        std::sort(liste.begin(), liste.end(), avantSansCasse);
        liste.erase(std::unique(liste.begin(), liste.end()), liste.end());
        d.attributs.insert(it.key(), liste);
    }

    for (const QStringView ligne : lignes(QStringLiteral(":/completion/entites.txt"), &texte)) {
        const QStringList m = mots(ligne);
        if (m.size() < 2)
            continue;
        QString nom = m.first();
        // The old names that browsers read without their ";" are the same names.
        if (nom.endsWith(u';'))
            nom.chop(1);
        QString caracteres;
        for (qsizetype i = 1; i < m.size(); ++i) {
            const char32_t point = m[i].toUInt(nullptr, 16);
            caracteres += QString::fromUcs4(&point, 1);
        }
        if (!d.entites.contains(nom))
            d.nomsEntites.append(nom);
        d.entites.insert(nom, caracteres);
    }
    std::sort(d.nomsEntites.begin(), d.nomsEntites.end());
    return d;
}

const Donnees &donnees()
{
    static const Donnees d = charge();
    return d;
}

// Where the cursor stands in a tag that starts at a "<": what has been read when
// the text ends.
enum class Etat {
    PasUneBalise, // this "<" starts no tag
    Fermee, // the tag ends before the cursor, which is in the text after it
    Autre, // in a closing tag, a comment, a declaration: nothing is offered there
    Nom, // in the element's name
    Blanc, // between attributes
    NomAttribut, // in an attribute's name
    ApresNom, // after an attribute's name, before its "="
    ApresEgal, // after the "=", before the value
    Valeur, // in a quoted value
    ValeurNue, // in an unquoted value
};

struct Lecture
{
    Etat etat = Etat::PasUneBalise;
    QStringView element;
    QStringView attribut;
    // Where the name or the value being typed starts.
    qsizetype debutNom = 0;
};

// Reads the tag that starts at the "<" at debut of texte as a browser does, so
// that a ">" or a blank in a quoted value neither ends the tag nor an attribute.
Lecture lit(QStringView texte, qsizetype debut)
{
    const qsizetype fin = texte.size();
    Lecture l;
    Lecture fermee;
    fermee.etat = Etat::Fermee;
    qsizetype k = debut + 1;
    if (k < fin && (texte[k] == u'!' || texte[k] == u'?' || texte[k] == u'/')) {
        l.etat = texte.indexOf(u'>', k) < 0 ? Etat::Autre : Etat::Fermee;
        return l;
    }
    if (k < fin && !lettreAscii(texte[k]))
        return l;
    while (k < fin && caractereNom(texte[k]))
        ++k;
    l.element = texte.sliced(debut + 1, k - debut - 1);
    l.debutNom = debut + 1;
    if (k == fin) {
        l.etat = Etat::Nom;
        return l;
    }
    if (!blanc(texte[k]) && texte[k] != u'/' && texte[k] != u'>')
        return l;

    Etat etat = Etat::Blanc;
    for (; k < fin; ++k) {
        const QChar c = texte[k];
        switch (etat) {
        case Etat::Blanc:
        case Etat::ApresNom:
            if (c == u'>')
                return fermee;
            if (c == u'=' && etat == Etat::ApresNom) {
                etat = Etat::ApresEgal;
            } else if (c == u'/') {
                etat = Etat::Blanc;
            } else if (!blanc(c)) {
                etat = Etat::NomAttribut;
                l.debutNom = k;
            }
            break;
        case Etat::NomAttribut:
            if (c == u'>')
                return fermee;
            if (blanc(c) || c == u'=') {
                l.attribut = texte.sliced(l.debutNom, k - l.debutNom);
                etat = c == u'=' ? Etat::ApresEgal : Etat::ApresNom;
            } else if (c == u'/') {
                etat = Etat::Blanc;
            }
            break;
        case Etat::ApresEgal:
            if (c == u'>')
                return fermee;
            if (c == u'"' || c == u'\'') {
                const qsizetype ferme = texte.indexOf(c, k + 1);
                if (ferme < 0) {
                    l.debutNom = k + 1;
                    l.etat = Etat::Valeur;
                    return l;
                }
                k = ferme;
                etat = Etat::Blanc;
            } else if (!blanc(c)) {
                l.debutNom = k;
                etat = Etat::ValeurNue;
            }
            break;
        case Etat::ValeurNue:
            if (c == u'>')
                return fermee;
            if (blanc(c))
                etat = Etat::Blanc;
            break;
        default:
            break;
        }
    }
    l.etat = etat;
    if (etat == Etat::NomAttribut)
        l.attribut = texte.sliced(l.debutNom);
    return l;
}

// The character reference being typed at the end of avant: "&" and letters.
CompletionHtml::Contexte contexteEntite(QStringView avant)
{
    qsizetype k = avant.size();
    while (k > 0 && avant.size() - k <= longueurMaxEntite && alphanumeriqueAscii(avant[k - 1]))
        --k;
    if (k == 0 || avant[k - 1] != u'&' || (k < avant.size() && !lettreAscii(avant[k])))
        return {};
    CompletionHtml::Contexte c;
    c.genre = CompletionHtml::Genre::Entite;
    c.prefixe = avant.sliced(k).toString();
    c.recul = int(avant.size() - k + 1);
    return c;
}

// The tag being typed at the end of avant. A "<" may stand in a quoted value of a
// tag that starts further back: the first tag, from the last one before the text
// the cursor stands in, that is still open at the cursor is the one.
CompletionHtml::Contexte contexteBalise(QStringView avant)
{
    using CompletionHtml::Genre;
    const qsizetype borne = std::max<qsizetype>(0, avant.size() - CompletionHtml::limiteBalise);
    Lecture retenue;
    qsizetype debutRetenu = -1;
    int lues = 0;
    for (qsizetype debut = avant.lastIndexOf(u'<'); debut >= borne;
         debut = debut > 0 ? avant.lastIndexOf(u'<', debut - 1) : -1) {
        if (++lues > maxBalisesLues)
            return {};
        const Lecture l = lit(avant, debut);
        if (l.etat == Etat::Fermee)
            break;
        if (l.etat != Etat::PasUneBalise) {
            retenue = l;
            debutRetenu = debut;
        }
    }
    if (debutRetenu < 0)
        return {};

    CompletionHtml::Contexte c;
    c.recul = int(avant.size() - debutRetenu);
    c.element = retenue.element.toString().toLower();
    switch (retenue.etat) {
    case Etat::Nom:
        c.genre = Genre::Element;
        c.prefixe = retenue.element.toString();
        c.element.clear();
        break;
    case Etat::Blanc:
        // Right after a blank only: a name glued to a value would not be one.
        if (!blanc(avant.back()))
            return {};
        c.genre = Genre::Attribut;
        break;
    case Etat::NomAttribut:
        if (!blanc(avant[retenue.debutNom - 1]))
            return {};
        c.genre = Genre::Attribut;
        c.prefixe = avant.sliced(retenue.debutNom).toString();
        break;
    case Etat::Valeur:
    case Etat::ValeurNue: {
        c.genre = Genre::Valeur;
        c.attribut = retenue.attribut.toString().toLower();
        // A value that holds several keywords (rel, sandbox): the one being typed.
        qsizetype k = avant.size();
        while (k > retenue.debutNom && !blanc(avant[k - 1]))
            --k;
        c.prefixe = avant.sliced(k).toString();
        break;
    }
    default:
        return {};
    }
    return c;
}

bool enCapitales(const QString &texte)
{
    bool lettre = false;
    for (const QChar c : texte) {
        if (c.isLower())
            return false;
        lettre = lettre || c.isUpper();
    }
    return lettre;
}

} // namespace

namespace CompletionHtml {

Contexte contexte(QStringView avant)
{
    if (avant.size() > limiteContexte)
        avant = avant.last(limiteContexte);
    const Contexte c = nomAuCurseur(avant);
    if (c.genre == Genre::Aucune
        || !offert(c.genre, LexiqueHtml::lit(avant.first(avant.size() - c.recul), {}).etat))
        return {};
    return c;
}

Contexte nomAuCurseur(QStringView avant)
{
    if (avant.size() > limiteBalise)
        avant = avant.last(limiteBalise);
    if (avant.isEmpty())
        return {};
    Contexte c = contexteEntite(avant);
    if (c.genre == Genre::Aucune)
        c = contexteBalise(avant);
    for (const QChar caractere : c.prefixe) {
        if (!caractereDeNom(c.genre, caractere))
            return {};
    }
    return c;
}

bool offert(Genre genre, LexiqueHtml::Etat etat)
{
    using LexiqueHtml::Contenu;
    using LexiqueHtml::Mode;
    switch (etat.mode) {
    case Mode::Texte:
        return true;
    case Mode::Brut:
        // The text of a textarea or a title has references, and no tags.
        return genre == Genre::Entite
            && (etat.contenu == Contenu::Textarea || etat.contenu == Contenu::Title);
    case Mode::Balise:
    case Mode::Valeur:
        return genre == Genre::Entite;
    default:
        return false;
    }
}

QStringList noms(const Contexte &contexte)
{
    const Donnees &d = donnees();
    switch (contexte.genre) {
    case Genre::Element:
        return d.elements;
    case Genre::Attribut:
        return d.attributs.value(contexte.element, d.attributs.value(QString()));
    case Genre::Valeur:
        return d.valeurs.value(contexte.element + u' ' + contexte.attribut,
                               d.valeurs.value(QStringLiteral("* ") + contexte.attribut));
    case Genre::Entite:
        return d.nomsEntites;
    case Genre::Aucune:
        break;
    }
    return {};
}

bool casseSignificative(Genre genre)
{
    return genre == Genre::Entite;
}

bool caractereDeNom(Genre genre, QChar c)
{
    switch (genre) {
    case Genre::Element:
    case Genre::Attribut:
        return caractereNom(c);
    case Genre::Valeur:
        return caractereValeur(c);
    case Genre::Entite:
        return alphanumeriqueAscii(c);
    case Genre::Aucune:
        break;
    }
    return false;
}

QString insertion(const Contexte &contexte, const QString &nom)
{
    const Qt::CaseSensitivity casse
        = casseSignificative(contexte.genre) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (contexte.genre == Genre::Aucune || !nom.startsWith(contexte.prefixe, casse))
        return QString();
    QString reste = nom.sliced(contexte.prefixe.size());
    if (contexte.genre == Genre::Entite)
        return reste + u';';
    if (contexte.genre != Genre::Valeur && enCapitales(contexte.prefixe))
        reste = reste.toUpper();
    return reste;
}

QString caracteres(const QString &nom)
{
    return donnees().entites.value(nom);
}

} // namespace CompletionHtml
