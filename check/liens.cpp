#include "liens.h"

#include "documentencoding.h"
#include "documentfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

bool estNom(QStringView nom, const char *attendu)
{
    return nom.compare(QLatin1String(attendu), Qt::CaseInsensitive) == 0;
}

// A file: URL of this machine (no host, or localhost).
bool fichierLocal(const QUrl &url)
{
    return url.isValid() && url.scheme() == QLatin1String("file")
        && (url.host().isEmpty() || url.host() == QLatin1String("localhost"));
}

bool estPage(const QString &chemin)
{
    const QString suffixe = QFileInfo(chemin).suffix().toLower();
    return suffixe == QLatin1String("html") || suffixe == QLatin1String("htm")
        || suffixe == QLatin1String("xhtml");
}

// The candidates of a srcset: a URL, then descriptors up to a comma.
void candidats(QStringView valeur, qsizetype position, QList<LiensDeLaPage::Lien> &liens)
{
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
            liens.append({nettoie(decodeReferences(valeur.mid(debut, fin - debut))),
                          position + debut, false, false});
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

// The page a <meta http-equiv="refresh"> leads to: its content is a delay,
// then, after ';' or ',', "url=" and the address, quoted or not. The offset of
// the address in the content, or -1 when the content names none.
qsizetype adresseDeRafraichissement(QStringView contenu, QStringView *adresse)
{
    qsizetype i = 0;
    auto blancs = [&] {
        while (i < contenu.size() && contenu.at(i).isSpace())
            ++i;
    };
    blancs();
    while (i < contenu.size() && (contenu.at(i).isDigit() || contenu.at(i) == u'.'))
        ++i;
    blancs();
    if (i < contenu.size() && (contenu.at(i) == u';' || contenu.at(i) == u','))
        ++i;
    blancs();
    if (contenu.mid(i, 3).compare(QLatin1String("url"), Qt::CaseInsensitive) == 0) {
        qsizetype j = i + 3;
        while (j < contenu.size() && contenu.at(j).isSpace())
            ++j;
        if (j < contenu.size() && contenu.at(j) == u'=') {
            i = j + 1;
            blancs();
        }
    }
    QStringView reste = contenu.mid(i);
    if (!reste.isEmpty() && (reste.front() == u'"' || reste.front() == u'\'')) {
        const qsizetype fin = reste.indexOf(reste.front(), 1);
        reste = reste.mid(1, fin < 0 ? -1 : fin - 1);
        ++i;
    }
    *adresse = reste;
    return reste.trimmed().isEmpty() ? -1 : i;
}

} // namespace

void LiensDeLaPage::balise(const Balise &balise)
{
    if (balise.fermante)
        return;
    const bool estBase = balise.nom == QLatin1String("base");
    const bool estA = balise.nom == QLatin1String("a");
    for (const Attribut &attribut : balise.attributs) {
        const QStringView nom = attribut.nom;
        if (estNom(nom, "id") || (estA && estNom(nom, "name"))) {
            ancres.insert(decodeReferences(attribut.valeur));
            continue;
        }
        if (estBase) {
            // The first <base href> gives the folder of every relative name.
            if (estNom(nom, "href") && !base)
                base = nettoie(decodeReferences(attribut.valeur));
            continue;
        }
        bool versAncre = false;
        if (estNom(nom, "href") || estNom(nom, "xlink:href")
            || (balise.nom == QLatin1String("form") && estNom(nom, "action"))) {
            versAncre = true;
        } else if (estNom(nom, "srcset")) {
            candidats(attribut.valeur, attribut.position, liens);
            continue;
        } else if (!estNom(nom, "src") && !estNom(nom, "poster")
                   && !(balise.nom == QLatin1String("object") && estNom(nom, "data"))) {
            continue;
        }
        const QString url = nettoie(decodeReferences(attribut.valeur));
        // src="" names nothing (a browser asks for the page itself, or for
        // nothing); an empty href or action is the page itself.
        const bool vide = url.isEmpty() && estNom(nom, "src");
        if (!url.isEmpty() || vide)
            liens.append({url, attribut.position, versAncre, vide});
    }
    if (balise.nom == QLatin1String("meta")) {
        // A refresh that names a page leads there as a link does.
        const Attribut *contenu = nullptr;
        bool rafraichit = false;
        for (const Attribut &attribut : balise.attributs) {
            if (estNom(attribut.nom, "content") && !contenu)
                contenu = &attribut;
            else if (estNom(attribut.nom, "http-equiv"))
                rafraichit = rafraichit
                    || attribut.valeur.trimmed().compare(QLatin1String("refresh"),
                                                         Qt::CaseInsensitive)
                        == 0;
        }
        if (!rafraichit || !contenu)
            return;
        const QString decode = decodeReferences(contenu->valeur);
        QStringView adresse;
        const qsizetype debut = adresseDeRafraichissement(decode, &adresse);
        // Where references were decoded, the offsets in the text are not those.
        if (debut >= 0)
            liens.append({nettoie(adresse.toString()),
                          contenu->position + (decode.size() == contenu->valeur.size() ? debut : 0),
                          true, false});
    }
}

QSet<QString> ancresDe(QStringView texte)
{
    LiensDeLaPage page;
    parcourtBalises(texte, [&page](const Balise &balise) {
        if (balise.fermante)
            return;
        const bool estA = balise.nom == QLatin1String("a");
        for (const Attribut &attribut : balise.attributs) {
            if (estNom(attribut.nom, "id") || (estA && estNom(attribut.nom, "name")))
                page.ancres.insert(decodeReferences(attribut.valeur));
        }
    });
    return page.ancres;
}

Resolution::Resolution(const QString &cheminPage, const std::optional<QString> &baseEcrite)
{
    if (!cheminPage.isEmpty()) {
        page = QDir::cleanPath(QFileInfo(cheminPage).absoluteFilePath());
        base = QUrl::fromLocalFile(page);
    }
    if (!baseEcrite || baseEcrite->isEmpty())
        return;
    QString ecrite = *baseEcrite;
    QString schema;
    if (aUnSchema(ecrite, &schema)) {
        base = QUrl(ecrite);
        baseDistante = !fichierLocal(base);
    } else if (ecrite.startsWith(QLatin1Char('/')) || ecrite.startsWith(QLatin1Char('\\'))) {
        racineInconnue = true;
    } else if (!page.isEmpty()) {
        ecrite.replace(QLatin1Char('\\'), QLatin1Char('/'));
        base = base.resolved(QUrl(ecrite));
    }
}

Cible Resolution::resout(const QString &ecrite) const
{
    Cible cible;
    QString url = ecrite;
    QString schema;
    QUrl lue;
    if (aUnSchema(url, &schema)) {
        if (schema != QLatin1String("file"))
            return cible;
        lue = QUrl(url);
    } else {
        if (baseDistante)
            return cible;
        // As browsers read a file: URL, a backslash is a folder's separator.
        url.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (url.startsWith(QLatin1String("//")))
            return cible; // another host
        if (url.startsWith(QLatin1Char('/')) || racineInconnue) {
            cible.sorte = Cible::Sorte::Racine;
            return cible;
        }
        if (base.isEmpty()) {
            // Never saved: only the page itself ("#x", "?q") can be known.
            if (!url.startsWith(QLatin1Char('#')) && !url.startsWith(QLatin1Char('?'))) {
                cible.sorte = Cible::Sorte::NonEnregistree;
                return cible;
            }
            cible.sorte = Cible::Sorte::MemePage;
            const qsizetype diese = url.indexOf(QLatin1Char('#'));
            cible.avecFragment = diese >= 0;
            cible.fragmentBrut = cible.avecFragment ? url.mid(diese + 1) : QString();
            cible.fragment = QUrl::fromPercentEncoding(cible.fragmentBrut.toUtf8());
            return cible;
        }
        lue = base.resolved(QUrl(url));
    }
    if (!fichierLocal(lue) || !lue.path().startsWith(QLatin1Char('/')))
        return cible;
    const QString chemin = lue.path(QUrl::FullyDecoded);
    cible.dossier = chemin.endsWith(QLatin1Char('/'));
    cible.chemin = QDir::cleanPath(chemin);
    cible.avecFragment = lue.hasFragment();
    cible.fragment = lue.fragment(QUrl::FullyDecoded);
    cible.fragmentBrut = lue.fragment(QUrl::FullyEncoded);
    const qsizetype diese = ecrite.indexOf(QLatin1Char('#'));
    if (diese >= 0)
        cible.fragmentBrut = ecrite.mid(diese + 1);
    cible.sorte = !page.isEmpty() && cible.chemin == page && !cible.dossier ? Cible::Sorte::MemePage
                                                                            : Cible::Sorte::Locale;
    return cible;
}

Fichiers::Fichiers(qint64 octetsMaximum, const std::atomic<bool> *arret)
    : reste(octetsMaximum)
    , arret(arret)
{ }

bool Fichiers::existe(const QString &chemin, bool dossier)
{
    // No file name holds a NUL; Qt warns about such a name instead of looking.
    if (chemin.contains(QChar(0)))
        return false;
    const QString cle = dossier ? chemin + QLatin1Char('/') : chemin;
    auto connu = existants.constFind(cle);
    if (connu == existants.cend()) {
        const QFileInfo info(chemin);
        // "a.png/" names a folder: a file of that name is not it.
        connu = existants.insert(cle, dossier ? info.isDir() : info.exists());
    }
    return connu.value();
}

const QSet<QString> *Fichiers::ancres(const QString &chemin)
{
    auto connue = pages.find(chemin);
    if (connue == pages.end()) {
        std::optional<QSet<QString>> lues;
        if (arret && arret->load(std::memory_order_relaxed))
            return nullptr;
        if (estPage(chemin) && reste > 0 && !chemin.contains(QChar(0))) {
            const DocumentFile::Reading lecture = DocumentFile::read(chemin);
            reste -= lecture.bytes.size();
            if (lecture.result == DocumentFile::Result::Read && reste >= 0)
                lues = ancresDe(
                    DocumentEncoding::decode(lecture.bytes, DocumentEncoding::kindOf(chemin)).text);
        }
        connue = pages.insert(chemin, std::move(lues));
    }
    return connue.value() ? &*connue.value() : nullptr;
}

void Fichiers::connais(const QString &chemin, QSet<QString> ancres)
{
    pages.insert(chemin, std::move(ancres));
}

std::optional<ProblemeDeLien> verifieLien(const LiensDeLaPage::Lien &lien, const Cible &cible,
                                          const QSet<QString> &ancresDeLaPage, Fichiers &fichiers)
{
    if (lien.vide)
        return ProblemeDeLien {QStringLiteral("Attribut src vide\u00a0: il ne nomme aucun fichier"),
                               QString()};
    const QSet<QString> *ancres = nullptr;
    switch (cible.sorte) {
    case Cible::Sorte::Distante:
    case Cible::Sorte::Racine:
    case Cible::Sorte::NonEnregistree:
        return std::nullopt;
    case Cible::Sorte::MemePage:
        ancres = &ancresDeLaPage;
        break;
    case Cible::Sorte::Locale:
        if (!fichiers.existe(cible.chemin, cible.dossier))
            return ProblemeDeLien {
                QStringLiteral("Fichier introuvable\u00a0: «\u00a0%1\u00a0»").arg(lien.url),
                cible.dossier ? cible.chemin + QStringLiteral("/ (un dossier)") : cible.chemin};
        if (lien.versAncre && cible.avecFragment && !cible.dossier)
            ancres = fichiers.ancres(cible.chemin);
        break;
    }
    if (!ancres || !lien.versAncre || !cible.avecFragment || cible.fragment.isEmpty()
        || cible.fragment.compare(QLatin1String("top"), Qt::CaseInsensitive) == 0
        || ancres->contains(cible.fragment) || ancres->contains(cible.fragmentBrut))
        return std::nullopt;
    if (cible.sorte == Cible::Sorte::MemePage && lien.url.startsWith(QLatin1Char('#')))
        return ProblemeDeLien {
            QStringLiteral("Ancre introuvable dans la page\u00a0: «\u00a0%1\u00a0»").arg(lien.url),
            QString()};
    return ProblemeDeLien {
        QStringLiteral("Ancre introuvable dans la page liée\u00a0: «\u00a0%1\u00a0»").arg(lien.url),
        cible.chemin};
}

Liens::Liens(const QString &cheminPage, const std::atomic<bool> *arret)
    : cheminPage(cheminPage)
    , fichiers(500LL * 1024 * 1024, arret)
{ }

void Liens::termine(Positions &positions, Releve &releve)
{
    const Resolution resolution(cheminPage, page.base);
    bool remarqueFaite = false;
    for (const LiensDeLaPage::Lien &lien : std::as_const(page.liens)) {
        const Cible cible = resolution.resout(lien.url);
        if (cible.sorte == Cible::Sorte::NonEnregistree && !remarqueFaite && !lien.vide) {
            remarqueFaite = true;
            const auto [ligne, colonne] = positions.de(lien.position);
            releve.ajoute({ligne, colonne, Genre::Remarque,
                           QStringLiteral("Document jamais enregistré\u00a0: les noms relatifs, "
                                          "comme «\u00a0%1\u00a0», ne sont pas vérifiés")
                               .arg(lien.url),
                           QString()});
            continue;
        }
        const std::optional<ProblemeDeLien> probleme
            = verifieLien(lien, cible, page.ancres, fichiers);
        if (!probleme)
            continue;
        const auto [ligne, colonne] = positions.de(lien.position);
        releve.ajoute({ligne, colonne, Genre::Lien, probleme->message, probleme->detail});
    }
}

} // namespace Verification
