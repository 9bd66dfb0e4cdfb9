#include "balises.h"

#include <QChar>

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

QString decodeReferences(QStringView valeur)
{
    if (!valeur.contains(u'&'))
        return valeur.toString();
    static const struct
    {
        const char *nom;
        char16_t caractere;
    } nommees[] = {{"amp", u'&'},  {"lt", u'<'},    {"gt", u'>'},
                   {"quot", u'"'}, {"apos", u'\''}, {"nbsp", u'\u00a0'}};
    QString resultat;
    resultat.reserve(valeur.size());
    for (qsizetype i = 0; i < valeur.size();) {
        if (valeur.at(i) != u'&') {
            resultat += valeur.at(i++);
            continue;
        }
        const qsizetype fin = valeur.indexOf(u';', i + 1);
        if (fin > i + 1 && fin - i <= 12) {
            const QStringView nom = valeur.mid(i + 1, fin - i - 1);
            if (nom.startsWith(u'#')) {
                bool ok = false;
                const uint code = nom.size() > 1 && (nom.at(1) == u'x' || nom.at(1) == u'X')
                    ? nom.mid(2).toUInt(&ok, 16)
                    : nom.mid(1).toUInt(&ok, 10);
                if (ok && code > 0 && code <= 0x10ffff && !QChar::isSurrogate(code)) {
                    resultat += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
                    i = fin + 1;
                    continue;
                }
            } else {
                bool trouvee = false;
                for (const auto &entite : nommees) {
                    if (nom == QLatin1String(entite.nom)) {
                        resultat += QChar(entite.caractere);
                        trouvee = true;
                        break;
                    }
                }
                if (trouvee) {
                    i = fin + 1;
                    continue;
                }
            }
        }
        resultat += valeur.at(i++);
    }
    return resultat;
}

} // namespace Verification
