#include "balises.h"

#include <QChar>

#include <algorithm>
#include <cstring>

namespace Verification {

namespace {

bool estBlanc(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool estLettre(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Elements whose content is text up to their end tag, not markup.
bool contenuBrut(const QString &nom)
{
    return nom == QLatin1String("script") || nom == QLatin1String("style")
        || nom == QLatin1String("textarea") || nom == QLatin1String("title")
        || nom == QLatin1String("xmp") || nom == QLatin1String("iframe")
        || nom == QLatin1String("noembed") || nom == QLatin1String("noframes");
}

// The position of the end tag "</nom" (any case) from debut, or the text's end.
qsizetype finDuContenuBrut(QStringView texte, qsizetype debut, const QString &nom)
{
    for (qsizetype i = texte.indexOf(QLatin1String("</"), debut); i >= 0;
         i = texte.indexOf(QLatin1String("</"), i + 2)) {
        const QStringView suite = texte.mid(i + 2, nom.size());
        if (suite.compare(nom, Qt::CaseInsensitive) == 0) {
            const qsizetype apres = i + 2 + nom.size();
            if (apres >= texte.size() || estBlanc(texte.at(apres)) || texte.at(apres) == u'>'
                || texte.at(apres) == u'/')
                return i;
        }
    }
    return texte.size();
}

// The position after the next '>' from debut, or the text's end.
qsizetype apresChevron(QStringView texte, qsizetype debut)
{
    const qsizetype fin = texte.indexOf(u'>', debut);
    return fin < 0 ? texte.size() : fin + 1;
}

} // namespace

void parcourtBalises(QStringView texte, const std::function<void(const Balise &)> &visite)
{
    const qsizetype taille = texte.size();
    Balise balise;
    qsizetype i = texte.indexOf(u'<');
    while (i >= 0 && i < taille) {
        const qsizetype debut = i;
        const QStringView reste = texte.mid(i);
        if (reste.startsWith(QLatin1String("<!--"))) {
            // "<!-->" and "<!--->" are whole comments.
            qsizetype fin = texte.indexOf(QLatin1String("-->"), i + 2);
            i = fin < 0 ? taille : fin + 3;
        } else if (reste.startsWith(QLatin1String("<!")) || reste.startsWith(QLatin1String("<?"))
                   || (reste.startsWith(QLatin1String("</")) && reste.size() > 2
                       && !estLettre(reste.at(2)))) {
            i = apresChevron(texte, i + 2);
        } else if (reste.size() > 1 && (estLettre(reste.at(1)) || reste.at(1) == u'/')) {
            const bool fermante = reste.at(1) == u'/';
            i += fermante ? 2 : 1;
            qsizetype nomDebut = i;
            while (i < taille && !estBlanc(texte.at(i)) && texte.at(i) != u'/'
                   && texte.at(i) != u'>')
                ++i;
            if (fermante && i == nomDebut) {
                // "</>" is dropped by browsers.
                i = apresChevron(texte, i);
                i = texte.indexOf(u'<', i);
                continue;
            }
            balise.nom = texte.mid(nomDebut, i - nomDebut).toString().toLower();
            balise.fermante = fermante;
            balise.autoFermee = false;
            balise.position = debut;
            balise.attributs.clear();
            // Attributes up to '>': names, then "=" and a value, quoted or not.
            while (i < taille && texte.at(i) != u'>') {
                const QChar c = texte.at(i);
                if (estBlanc(c)) {
                    ++i;
                    continue;
                }
                if (c == u'/') {
                    ++i;
                    balise.autoFermee = i < taille && texte.at(i) == u'>';
                    continue;
                }
                const qsizetype nom = i;
                ++i; // a first '=' belongs to the name
                while (i < taille && !estBlanc(texte.at(i)) && texte.at(i) != u'/'
                       && texte.at(i) != u'>' && texte.at(i) != u'=')
                    ++i;
                Attribut attribut;
                attribut.nom = texte.mid(nom, i - nom);
                attribut.position = nom;
                qsizetype j = i;
                while (j < taille && estBlanc(texte.at(j)))
                    ++j;
                if (j < taille && texte.at(j) == u'=') {
                    ++j;
                    while (j < taille && estBlanc(texte.at(j)))
                        ++j;
                    if (j < taille && (texte.at(j) == u'"' || texte.at(j) == u'\'')) {
                        const QChar guillemet = texte.at(j);
                        qsizetype fin = texte.indexOf(guillemet, j + 1);
                        if (fin < 0)
                            fin = taille;
                        attribut.position = j + 1;
                        attribut.valeur = texte.mid(j + 1, fin - j - 1);
                        i = std::min(fin + 1, taille);
                    } else {
                        qsizetype fin = j;
                        while (fin < taille && !estBlanc(texte.at(fin)) && texte.at(fin) != u'>')
                            ++fin;
                        attribut.position = j;
                        attribut.valeur = texte.mid(j, fin - j);
                        i = fin;
                    }
                }
                if (!fermante)
                    balise.attributs.append(attribut);
            }
            if (i < taille)
                ++i; // the '>'
            balise.fin = i;
            visite(balise);
            if (!fermante && !balise.autoFermee && contenuBrut(balise.nom))
                i = finDuContenuBrut(texte, i, balise.nom);
            else if (!fermante && balise.nom == QLatin1String("plaintext"))
                i = taille;
            if (i < taille)
                i = texte.indexOf(u'<', i);
            continue;
        } else {
            ++i;
        }
        if (i < taille)
            i = texte.indexOf(u'<', i);
    }
}

namespace {

struct Reference
{
    const char *nom; // with its ';', or without for the few older ones
    const char16_t *texte;
};

const Reference references[] = {
#include "referenceshtml.inc"
};

// The longest name of the table, ';' included.
constexpr qsizetype nomMaximum = 32;

const char16_t *texteDe(const QByteArray &nom)
{
    const auto trouve = std::lower_bound(std::begin(references), std::end(references), nom,
                                         [](const Reference &r, const QByteArray &n) {
                                             return std::strcmp(r.nom, n.constData()) < 0;
                                         });
    return trouve != std::end(references) && nom == trouve->nom ? trouve->texte : nullptr;
}

bool alphanumerique(QChar c)
{
    return (c >= u'0' && c <= u'9') || estLettre(c);
}

// Numeric references to 0x80–0x9F name what windows-1252 puts there, as pages
// written in it meant.
char32_t numerique(char32_t code)
{
    static const char16_t windows1252[32]
        = {0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
           0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
           0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};
    if (code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0xfffd;
    if (code >= 0x80 && code <= 0x9f && windows1252[code - 0x80])
        return windows1252[code - 0x80];
    return code;
}

} // namespace

QString decodeReferences(QStringView valeur)
{
    if (!valeur.contains(u'&'))
        return valeur.toString();
    QString resultat;
    resultat.reserve(valeur.size());
    const qsizetype taille = valeur.size();
    for (qsizetype i = 0; i < taille;) {
        if (valeur.at(i) != u'&') {
            resultat += valeur.at(i++);
            continue;
        }
        qsizetype j = i + 1;
        if (j < taille && valeur.at(j) == u'#') {
            // &#N; or &#xN;, the ';' optional; a number too large stays too large.
            qsizetype k = j + 1;
            const bool hexa = k < taille && (valeur.at(k) == u'x' || valeur.at(k) == u'X');
            if (hexa)
                ++k;
            const qsizetype chiffres = k;
            char32_t code = 0;
            for (; k < taille; ++k) {
                const char16_t c = valeur.at(k).unicode();
                int chiffre = -1;
                if (c >= u'0' && c <= u'9')
                    chiffre = c - u'0';
                else if (hexa && c >= u'a' && c <= u'f')
                    chiffre = c - u'a' + 10;
                else if (hexa && c >= u'A' && c <= u'F')
                    chiffre = c - u'A' + 10;
                if (chiffre < 0)
                    break;
                code = std::min<char32_t>(code * (hexa ? 16 : 10) + char32_t(chiffre), 0x110000);
            }
            if (k == chiffres) {
                resultat += valeur.at(i++);
                continue;
            }
            if (k < taille && valeur.at(k) == u';')
                ++k;
            code = numerique(code);
            resultat += QString::fromUcs4(&code, 1);
            i = k;
            continue;
        }
        // The longest name of the table that the text holds at this place.
        qsizetype fin = j;
        while (fin < taille && fin - j < nomMaximum && alphanumerique(valeur.at(fin)))
            ++fin;
        const char16_t *texte = nullptr;
        qsizetype longueur = 0;
        if (fin < taille && valeur.at(fin) == u';') {
            texte = texteDe(valeur.mid(j, fin - j + 1).toLatin1());
            longueur = fin - j + 1;
        }
        // The older names, without ';', are taken in an attribute only when no
        // letter, digit or '=' follows: "?a=1&copy=2" keeps its "&copy". Any
        // shorter name found here would be followed by a letter or a digit.
        const QChar suite = fin < taille ? valeur.at(fin) : QChar();
        if (!texte && fin > j && suite != u'=' && !alphanumerique(suite)) {
            texte = texteDe(valeur.mid(j, fin - j).toLatin1());
            longueur = fin - j;
        }
        if (!texte) {
            resultat += valeur.at(i++);
            continue;
        }
        resultat += QString::fromUtf16(texte);
        i = j + longueur;
    }
    return resultat;
}

} // namespace Verification
