#include "messagestidy.h"

#include "balises.h"

#include <QHash>

#include <algorithm>

namespace Verification {

namespace {

// Elements of HTML5 that Tidy 5.6 does not know, declared to it as the ones they
// behave like.
constexpr const char *enLigneHtml5 = "data slot";
constexpr const char *blocsHtml5 = "search";

bool parmiLesDeclares(const QString &balise)
{
    // The argument names the tag as "<data>".
    if (balise.size() < 3 || !balise.startsWith(u'<') || !balise.endsWith(u'>'))
        return false;
    const QString nom = balise.mid(1, balise.size() - 2);
    for (const char *liste : {enLigneHtml5, blocsHtml5}) {
        if (QString::fromLatin1(liste).split(u' ').contains(nom))
            return true;
    }
    return false;
}

// What the URL standard does not let a URL hold, though the browser repairs it:
// blanks, control characters and a few marks. Tidy follows HTML 4, which asked
// for every character beyond ASCII to be escaped too: HTML5 takes them as they are.
bool interditDansUneAdresse(QChar c)
{
    return c.unicode() <= 0x20 || c.unicode() == 0x7f || QStringView(u"\"<>[\\]^`{|}").contains(c);
}

bool estAdresse(QStringView nom)
{
    static const QStringList noms = {
        QStringLiteral("href"),     QStringLiteral("src"),     QStringLiteral("action"),
        QStringLiteral("cite"),     QStringLiteral("data"),    QStringLiteral("poster"),
        QStringLiteral("longdesc"), QStringLiteral("usemap"),  QStringLiteral("background"),
        QStringLiteral("codebase"), QStringLiteral("classid"), QStringLiteral("formaction"),
        QStringLiteral("manifest"), QStringLiteral("profile"), QStringLiteral("icon"),
    };
    return noms.contains(nom.toString(), Qt::CaseInsensitive);
}

// Whether the tag has addresses and they hold nothing but what HTML5 allows.
bool adressesValides(QByteArrayView balise)
{
    if (!balise.startsWith('<'))
        return false;
    int adresses = 0;
    bool valides = true;
    parcourtBalises(QString::fromUtf8(balise), [&adresses, &valides](const Balise &lue) {
        for (const Attribut &attribut : lue.attributs) {
            if (!estAdresse(attribut.nom))
                continue;
            ++adresses;
            const QString valeur = decodeReferences(attribut.valeur);
            if (std::any_of(valeur.cbegin(), valeur.cend(), interditDansUneAdresse))
                valides = false;
        }
    });
    return adresses > 0 && valides;
}

// Marlisse's French, by Tidy's key: %1, %2... are Tidy's arguments in the order of
// its English text.
const QHash<QByteArray, QString> &textes()
{
    static const QHash<QByteArray, QString> table = [] {
        QHash<QByteArray, QString> t;
        auto ajoute = [&t](const char *cle, const char *texte) {
            t.insert(QByteArray(cle), QString::fromUtf8(texte));
        };
        // Tags Tidy did not expect, ignores or takes for others.
        ajoute("DISCARDING_UNEXPECTED", "%1 inattendu à cet endroit\u00a0: ignoré");
        ajoute("NON_MATCHING_ENDTAG", "</%1> inattendu\u00a0: pris pour </%2>");
        ajoute("REPLACING_UNEX_ELEMENT", "%1 inattendu\u00a0: pris pour %2");
        ajoute("REPLACING_ELEMENT", "%1 pris pour %2");
        ajoute("UNEXPECTED_ENDTAG", "</%1> inattendu\u00a0: aucun <%1> ouvert ici");
        ajoute("UNEXPECTED_ENDTAG_ERR", "</%1> inattendu\u00a0: aucun <%1> ouvert ici");
        ajoute("UNEXPECTED_ENDTAG_IN", "</%1> inattendu dans <%2>");
        ajoute("UNKNOWN_ELEMENT", "balise %1 inconnue");
        ajoute("UNKNOWN_ELEMENT_LOOKS_CUSTOM", "balise %1 inconnue");
        ajoute("COERCE_TO_ENDTAG", "<%1> est sans doute </%2>");
        ajoute("OBSOLETE_ELEMENT", "%1 est obsolète\u00a0: employer %2");
        ajoute("TAG_NOT_ALLOWED_IN", "%1 n'est pas permis dans <%2>");
        ajoute("NESTED_EMPHASIS", "%1 dans un autre %1");
        ajoute("CONTENT_AFTER_BODY", "du contenu suit la fin de <body>");
        // What is missing.
        ajoute("MISSING_ENDTAG_BEFORE", "il manque </%1> avant %2");
        ajoute("MISSING_ENDTAG_FOR", "il manque </%1>");
        ajoute("MISSING_ENDTAG_OPTIONAL", "il manque </%1>, qui peut être omis");
        ajoute("MISSING_STARTTAG", "il manque <%1>");
        ajoute("INSERTING_TAG", "<%1> sous-entendu ici");
        ajoute("MISSING_TITLE_ELEMENT", "il manque l'élément <title>");
        ajoute("UNEXPECTED_END_OF_FILE", "la page finit avant la fin de %1");
        // Attributes.
        ajoute("MISSING_ATTRIBUTE", "%1\u00a0: il manque l'attribut «\u00a0%2\u00a0»");
        ajoute("MISSING_ATTR_VALUE", "%1\u00a0: l'attribut «\u00a0%2\u00a0» n'a pas de valeur");
        ajoute("BAD_ATTRIBUTE_VALUE",
               "%1\u00a0: valeur «\u00a0%3\u00a0» non valide pour l'attribut «\u00a0%2\u00a0»");
        ajoute("BAD_ATTRIBUTE_VALUE_REPLACED",
               "%1\u00a0: valeur «\u00a0%3\u00a0» non valide pour l'attribut «\u00a0%2\u00a0»");
        ajoute("ATTRIBUTE_VALUE_REPLACED",
               "%1\u00a0: valeur «\u00a0%3\u00a0» non valide pour l'attribut «\u00a0%2\u00a0»");
        ajoute("MISMATCHED_ATTRIBUTE_WARN",
               "%1\u00a0: l'attribut «\u00a0%2\u00a0» n'est pas permis en %3");
        ajoute("MISMATCHED_ATTRIBUTE_ERROR",
               "%1\u00a0: l'attribut «\u00a0%2\u00a0» n'est pas permis en %3");
        ajoute("REPEATED_ATTRIBUTE",
               "%1\u00a0: attribut «\u00a0%3\u00a0» répété, la valeur "
               "«\u00a0%2\u00a0» ne compte pas");
        ajoute("JOINING_ATTRIBUTE", "%1\u00a0: attribut «\u00a0%2\u00a0» répété");
        ajoute("INSERTING_AUTO_ATTRIBUTE",
               "%1\u00a0: il manque l'attribut «\u00a0%2\u00a0» (par exemple «\u00a0%3\u00a0»)");
        ajoute("ANCHOR_NOT_UNIQUE", "%1\u00a0: l'ancre «\u00a0%2\u00a0» existe déjà");
        ajoute("ID_NAME_MISMATCH", "%1\u00a0: id et name n'ont pas la même valeur");
        ajoute("ATTRIBUTE_IS_NOT_ALLOWED",
               "%1\u00a0: l'attribut «\u00a0is\u00a0» n'est pas permis sur une balise "
               "personnalisée autonome");
        ajoute("UNEXPECTED_GT", "%1\u00a0: il manque le «\u00a0>\u00a0» qui ferme la balise");
        ajoute("UNEXPECTED_QUOTEMARK", "%1\u00a0: guillemet inattendu ou en double");
        ajoute("UNEXPECTED_EQUALSIGN",
               "%1\u00a0: «\u00a0=\u00a0» inattendu, un nom d'attribut était attendu");
        ajoute("MISSING_QUOTEMARK",
               "%1\u00a0: il manque le guillemet qui ferme la valeur d'un attribut");
        ajoute("MISSING_QUOTEMARK_OPEN",
               "la valeur de l'attribut «\u00a0%1\u00a0» n'est pas entre guillemets");
        ajoute("UNEXPECTED_END_OF_FILE_ATTR", "%1\u00a0: la page finit au milieu des attributs");
        // Addresses.
        ajoute("ESCAPED_ILLEGAL_URI",
               "%1\u00a0: adresse mal formée, des caractères y sont à coder");
        ajoute("ILLEGAL_URI_CODEPOINT", "%1\u00a0: caractères interdits dans une adresse");
        ajoute("ILLEGAL_URI_REFERENCE", "%1\u00a0: adresse mal codée");
        ajoute("WHITE_IN_URI", "%1\u00a0: blanc dans une adresse");
        ajoute("NEWLINE_IN_URI", "%1\u00a0: saut de ligne dans une adresse");
        ajoute("BACKSLASH_IN_URI",
               "%1\u00a0: barre oblique inverse dans une adresse (/ voulu\u00a0?)");
        ajoute("FIXED_BACKSLASH",
               "%1\u00a0: barre oblique inverse dans une adresse (/ voulu\u00a0?)");
        // Characters and comments.
        ajoute("UNKNOWN_ENTITY", "entité «\u00a0%1\u00a0» inconnue (un & seul s'écrit &amp;)");
        ajoute("MALFORMED_COMMENT", "deux tirets de suite dans un commentaire");
        ajoute("MALFORMED_COMMENT_WARN", "deux tirets de suite dans un commentaire");
        ajoute("MALFORMED_COMMENT_DROPPING",
               "commentaire mal formé (un tiret manque)\u00a0: ignoré");
        ajoute("MALFORMED_COMMENT_EOS", "la page finit dans un commentaire jamais fermé");
        ajoute("MALFORMED_DOCTYPE", "<!DOCTYPE> mal formée\u00a0: ignorée");
        ajoute("XML_DECLARATION_DETECTED", "déclaration XML\u00a0: la page est lue comme du HTML");
        ajoute("MOVED_STYLE_TO_HEAD", "<style> hors de <head>, où est sa place");
        ajoute("FOUND_STYLE_IN_BODY", "<style> hors de <head>, où est sa place");
        return t;
    }();
    return table;
}

// The format with %1... %9 replaced by the arguments; "" when one is missing.
QString remplit(const QString &format, const QStringList &arguments)
{
    QString texte;
    texte.reserve(format.size() + 32);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size() && format.at(i + 1) >= u'1'
            && format.at(i + 1) <= u'9') {
            const int rang = format.at(i + 1).unicode() - u'1';
            if (rang >= arguments.size())
                return QString();
            texte += arguments.at(rang);
            ++i;
        } else {
            texte += c;
        }
    }
    return texte;
}

} // namespace

const std::vector<std::pair<QByteArray, QByteArray>> &optionsTidy()
{
    static const std::vector<std::pair<QByteArray, QByteArray>> options = {
        {"quiet", "yes"},
        {"show-warnings", "yes"},
        // Information, summaries and footnotes are not about a place in the page.
        {"show-info", "no"},
        // Tidy shows 6 errors by default, and stops reporting after them.
        {"show-errors", "1000000000"},
        // Whatever the page declares, the bytes are the editor's text in UTF-8.
        {"input-encoding", "utf8"},
        // A tab is one column, as in the editor.
        {"tab-size", "1"},
        // ARIA, loading, decoding, inputmode, allow... are not proprietary.
        {"warn-proprietary-attributes", "no"},
        // <my-widget>: a custom element, which may hold blocks.
        {"custom-tags", "blocklevel"},
        // <i class="fa"></i>, <span></span>, <div></div>, <p></p> are kept by browsers
        // and used by scripts and style sheets.
        {"drop-empty-elements", "no"},
        {"drop-empty-paras", "no"},
        {"new-inline-tags", enLigneHtml5},
        {"new-blocklevel-tags", blocsHtml5},
    };
    return options;
}

bool messageEcarte(QByteArrayView cle, const QStringList &arguments,
                   const std::function<QByteArrayView()> &ici)
{
    // Declared so that Tidy knows them: they are HTML5's, not proprietary.
    if (cle == "PROPRIETARY_ELEMENT")
        return parmiLesDeclares(arguments.value(0));
    // HTML5 reads "a&b", "?x=1&y=2", "&b=" as written: only a name ended by ';'
    // that names no character is wrong.
    if (cle == "UNKNOWN_ENTITY") {
        const QByteArray nom = arguments.value(0).toUtf8();
        const QByteArrayView texte = ici();
        return !nom.isEmpty() && texte.startsWith(nom)
            && !(texte.size() > nom.size() && texte.at(nom.size()) == ';');
    }
    // An empty address is the page itself.
    if (cle == "MISSING_ATTR_VALUE")
        return arguments.value(1).compare(QLatin1String("href"), Qt::CaseInsensitive) == 0;
    // A form in a <dialog> closes it with method="dialog".
    if (cle == "BAD_ATTRIBUTE_VALUE")
        return arguments.value(1).compare(QLatin1String("method"), Qt::CaseInsensitive) == 0
            && arguments.value(2).compare(QLatin1String("dialog"), Qt::CaseInsensitive) == 0;
    // HTML5 defines &apos; as XML does.
    if (cle == "APOS_UNDEFINED")
        return true;
    // "café.html": HTML5 takes letters beyond ASCII in an address as they are.
    if (cle == "ESCAPED_ILLEGAL_URI" || cle == "ILLEGAL_URI_CODEPOINT")
        return adressesValides(ici());
    return false;
}

QString texteMarlisse(QByteArrayView cle, const QStringList &arguments)
{
    const auto format = textes().constFind(cle.toByteArray());
    return format == textes().cend() ? QString() : remplit(*format, arguments);
}

bool aSonTexte(QByteArrayView cle)
{
    return textes().contains(cle.toByteArray());
}

} // namespace Verification
