#include "liens.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace Verification {

namespace {

// A URL as browsers take it from an attribute: blanks around it dropped, tabs and
// line breaks inside it too.
QString nettoie(const QString &valeur)
{
    QString url = valeur.trimmed();
    url.remove(QLatin1Char('\t'));
    url.remove(QLatin1Char('\n'));
    url.remove(QLatin1Char('\r'));
    return url;
}

bool aUnSchema(const QString &url, QString *schema)
{
    static const QRegularExpression debut(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):"));
    const QRegularExpressionMatch trouve = debut.match(url);
    if (!trouve.hasMatch())
        return false;
    *schema = trouve.captured(1).toLower();
    return true;
}

// The folder that a file: URL names ("file:///site/" and "file:///site/index.html"
// both name /site), or "" for another host or no absolute path.
QString dossierDeFichier(const QString &url)
{
    const QUrl lue(url);
    const QString hote = lue.host();
    const QString chemin = lue.path(QUrl::FullyDecoded);
    if (!lue.isValid() || (!hote.isEmpty() && hote != QLatin1String("localhost"))
        || !chemin.startsWith(QLatin1Char('/')))
        return QString();
    return chemin.endsWith(QLatin1Char('/')) ? QDir::cleanPath(chemin) : QFileInfo(chemin).path();
}

// A relative name without its query and fragment, %XX decoded.
QString cheminRelatif(const QString &url)
{
    qsizetype fin = url.size();
    for (const QChar separateur : {QLatin1Char('?'), QLatin1Char('#')}) {
        const qsizetype i = url.indexOf(separateur);
        if (i >= 0)
            fin = std::min(fin, i);
    }
    return QUrl::fromPercentEncoding(url.left(fin).toUtf8());
}

} // namespace

Liens::Liens(const QString &cheminPage)
{
    if (!cheminPage.isEmpty())
        dossierPage = QFileInfo(cheminPage).absolutePath();
}

void Liens::balise(const Balise &balise)
{
    if (balise.fermante)
        return;
    const bool estBase = balise.nom == QLatin1String("base");
    for (const Attribut &attribut : balise.attributs) {
        if (attribut.nom.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0
            || attribut.nom.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0) {
            identifiants.insert(decodeReferences(attribut.valeur));
            continue;
        }
        const bool href = attribut.nom.compare(QLatin1String("href"), Qt::CaseInsensitive) == 0;
        if (estBase) {
            // The first <base href> gives the folder of every relative name.
            if (href && !baseVue) {
                baseVue = true;
                base = nettoie(decodeReferences(attribut.valeur));
            }
            continue;
        }
        if (href || attribut.nom.compare(QLatin1String("src"), Qt::CaseInsensitive) == 0) {
            liens.append({decodeReferences(attribut.valeur), attribut.position, href});
        } else if (attribut.nom.compare(QLatin1String("srcset"), Qt::CaseInsensitive) == 0) {
            // Candidates: a URL, then descriptors up to a comma.
            const QStringView valeur = attribut.valeur;
            qsizetype i = 0;
            while (i < valeur.size()) {
                while (i < valeur.size() && (valeur.at(i).isSpace() || valeur.at(i) == u','))
                    ++i;
                const qsizetype debut = i;
                while (i < valeur.size() && !valeur.at(i).isSpace())
                    ++i;
                qsizetype fin = i;
                while (fin > debut && valeur.at(fin - 1) == u',')
                    --fin;
                if (fin > debut)
                    liens.append({decodeReferences(valeur.mid(debut, fin - debut)),
                                  attribut.position + debut, false});
                if (fin == i) {
                    for (int profondeur = 0; i < valeur.size(); ++i) {
                        if (valeur.at(i) == u'(')
                            ++profondeur;
                        else if (valeur.at(i) == u')')
                            profondeur = std::max(0, profondeur - 1);
                        else if (valeur.at(i) == u',' && profondeur == 0)
                            break;
                    }
                }
            }
        }
    }
}

void Liens::termine(Positions &positions, Releve &releve)
{
    // The folder of relative names, when it is known: the page's, or its <base>'s.
    QString dossier = dossierPage;
    bool jamaisEnregistree = dossierPage.isEmpty();
    if (baseVue && !base.isEmpty()) {
        QString schema;
        if (aUnSchema(base, &schema)) {
            dossier = schema == QLatin1String("file") ? dossierDeFichier(base) : QString();
            jamaisEnregistree = false;
        } else if (base.startsWith(QLatin1Char('/')) || base.startsWith(QLatin1Char('\\'))) {
            // The site's root is not known.
            dossier.clear();
            jamaisEnregistree = false;
        } else if (!dossier.isEmpty()) {
            const QString relatif = cheminRelatif(base);
            const qsizetype barre = relatif.lastIndexOf(QLatin1Char('/'));
            dossier = QDir::cleanPath(dossier + QLatin1Char('/') + relatif.left(barre + 1));
        }
    }

    for (const Lien &lien : std::as_const(liens)) {
        const QString url = nettoie(lien.valeur);
        if (url.isEmpty())
            continue;
        if (url.startsWith(QLatin1Char('#'))) {
            if (!lien.href)
                continue;
            const QString ancre = url.mid(1);
            if (ancre.isEmpty() || ancre.compare(QLatin1String("top"), Qt::CaseInsensitive) == 0
                || identifiants.contains(ancre)
                || identifiants.contains(QUrl::fromPercentEncoding(ancre.toUtf8())))
                continue;
            const auto [ligne, colonne] = positions.de(lien.position);
            releve.ajoute(
                {ligne, colonne, Genre::Lien,
                 QStringLiteral("Ancre introuvable dans la page\u00a0: «\u00a0%1\u00a0»").arg(url),
                 QString()});
            continue;
        }

        QString chemin;
        QString schema;
        if (aUnSchema(url, &schema)) {
            if (schema != QLatin1String("file"))
                continue;
            const QUrl lue(url);
            const QString hote = lue.host();
            chemin = lue.path(QUrl::FullyDecoded);
            if (!lue.isValid() || (!hote.isEmpty() && hote != QLatin1String("localhost"))
                || !chemin.startsWith(QLatin1Char('/')))
                continue;
        } else if (url.startsWith(QLatin1Char('/')) || url.startsWith(QLatin1Char('\\'))) {
            // From the site's root, or another host ("//host/..."): not known here.
            continue;
        } else {
            const QString relatif = cheminRelatif(url);
            if (relatif.isEmpty())
                continue;
            if (dossier.isEmpty()) {
                if (jamaisEnregistree && !remarqueFaite) {
                    remarqueFaite = true;
                    const auto [ligne, colonne] = positions.de(lien.position);
                    releve.ajoute(
                        {ligne, colonne, Genre::Remarque,
                         QStringLiteral("Document jamais enregistré\u00a0: les noms relatifs, "
                                        "comme «\u00a0%1\u00a0», ne sont pas vérifiés")
                             .arg(url),
                         QString()});
                }
                continue;
            }
            chemin = QDir::cleanPath(dossier + QLatin1Char('/') + relatif);
        }
        if (existe(chemin))
            continue;
        const auto [ligne, colonne] = positions.de(lien.position);
        releve.ajoute({ligne, colonne, Genre::Lien,
                       QStringLiteral("Fichier introuvable\u00a0: «\u00a0%1\u00a0»").arg(url),
                       chemin});
    }
}

bool Liens::existe(const QString &chemin)
{
    // No file name holds a NUL; Qt warns about such a name instead of looking.
    if (chemin.contains(QChar(0)))
        return false;
    auto connu = existants.constFind(chemin);
    if (connu == existants.cend())
        connu = existants.insert(chemin, QFileInfo::exists(chemin));
    return connu.value();
}

} // namespace Verification
