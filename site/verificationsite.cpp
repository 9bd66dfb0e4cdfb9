#include "verificationsite.h"

#include "balises.h"
#include "documentcodec.h"
#include "liens.h"
#include "releve.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMetaObject>
#include <QUrl>

#include <algorithm>
#include <tuple>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace Site {

namespace {

using Verification::Genre;
using Verification::Probleme;

// A page as the check keeps it once read: what it names and offers, not its text.
struct PageLue
{
    QString relatif;
    QString chemin;
    QString canonique;
    QSet<QString> ancres;
    std::optional<QString> base;
    struct Lien
    {
        Verification::LiensDeLaPage::Lien lien;
        int ligne;
        int colonne;
    };
    QList<Lien> liens;
};

PageLue litPage(const QString &relatif, const QString &chemin, const QString &texte)
{
    Verification::LiensDeLaPage liens;
    Verification::parcourtBalises(
        texte, [&liens](const Verification::Balise &balise) { liens.balise(balise); });
    PageLue page;
    page.relatif = relatif;
    page.chemin = chemin;
    page.canonique = QFileInfo(chemin).canonicalFilePath();
    page.ancres = std::move(liens.ancres);
    page.base = std::move(liens.base);
    Verification::Positions positions(texte);
    page.liens.reserve(liens.liens.size());
    for (Verification::LiensDeLaPage::Lien &lien : liens.liens) {
        const auto [ligne, colonne] = positions.de(lien.position);
        page.liens.append({std::move(lien), ligne, colonne});
    }
    return page;
}

Genre genreDe(Souci souci)
{
    return souci == Souci::DejaParcouru ? Genre::Remarque : Genre::Erreur;
}

bool arreter(const std::atomic<bool> *arret)
{
    return arret && arret->load(std::memory_order_relaxed);
}

} // namespace

ResultatSite verifieSite(const QString &racine, const std::optional<PageOuverte> &ouverte,
                         const Bornes &bornes, const std::atomic<bool> *arret,
                         std::atomic<int> *avancement)
{
    QElapsedTimer chrono;
    chrono.start();
    ResultatSite resultat;
    const QString base = racineDe(racine);
    const QString cheminOuvert
        = ouverte ? QDir::cleanPath(QFileInfo(ouverte->chemin).absoluteFilePath()) : QString();
    bool ouverteLue = false;

    std::vector<PageLue> pages;
    QHash<QString, QList<Probleme>> parFichier; // by relative path
    const Bilan bilan = parcourt(
        base, Filtre::pages(),
        [&](Fichier &fichier) {
            const bool estOuverte = !cheminOuvert.isEmpty() && fichier.chemin == cheminOuvert;
            ouverteLue = ouverteLue || estOuverte;
            pages.push_back(litPage(fichier.relatif, fichier.chemin,
                                    estOuverte ? ouverte->texte : fichier.texte));
            if (avancement)
                ++*avancement;
        },
        [&](const Anomalie &anomalie) {
            if (anomalie.relatif.isEmpty()) {
                resultat.notes << anomalie.message;
                return;
            }
            if (anomalie.souci != Souci::DejaParcouru)
                ++resultat.nonLus;
            parFichier[anomalie.relatif].append(
                {0, 0, genreDe(anomalie.souci), anomalie.message, QString()});
        },
        bornes, arret);
    if (bilan.arrete || arreter(arret)) {
        resultat.arrete = true;
        return resultat;
    }
    // The page being edited is checked even where the walk does not take it (a
    // .php page, or one in a hidden folder); a stylesheet, a script or notes are
    // no pages: their text would give false links and an orphan.
    if (ouverte && !ouverteLue && cheminOuvert.startsWith(base + QLatin1Char('/'))
        && DocumentCodec::isHtmlFileName(QFileInfo(cheminOuvert).fileName())) {
        pages.push_back(litPage(cheminOuvert.mid(base.size() + 1), cheminOuvert, ouverte->texte));
        if (avancement)
            ++*avancement;
    }
    resultat.pages = int(pages.size());

    // Every page's anchors are known without reading it again; other pages are
    // read within what the walk left of the budget.
    Verification::Fichiers fichiers(std::max<qint64>(0, bornes.octets - bilan.octets), arret);
    QHash<QString, const PageLue *> parRelatif;
    for (const PageLue &page : pages) {
        fichiers.connais(page.chemin, page.ancres);
        parRelatif.insert(page.relatif, &page);
    }

    // Which pages each link leads to, by their real paths: a site reached
    // through a link to its folder is the same site.
    QHash<QString, QString> canoniques;
    auto canonique = [&canoniques](const QString &chemin) {
        auto trouve = canoniques.constFind(chemin);
        if (trouve == canoniques.cend())
            trouve = canoniques.insert(chemin, QFileInfo(chemin).canonicalFilePath());
        return trouve.value();
    };
    QHash<QString, bool> dossiers;
    auto dossier = [&dossiers](const QString &canonique) {
        auto trouve = dossiers.constFind(canonique);
        if (trouve == dossiers.cend())
            trouve = dossiers.insert(canonique, QFileInfo(canonique).isDir());
        return trouve.value();
    };
    QSet<QString> menees; // canonical paths of the pages another page leads to
    for (const PageLue &page : pages) {
        if (arreter(arret)) {
            resultat.arrete = true;
            return resultat;
        }
        const Verification::Resolution resolution(page.chemin, page.base);
        QList<Probleme> &problemes = parFichier[page.relatif];
        for (const PageLue::Lien &l : page.liens) {
            const Verification::Cible cible = resolution.resout(l.lien.url);
            if (cible.sorte == Verification::Cible::Sorte::Locale) {
                QString mene;
                if (!cible.dossier)
                    mene = canonique(cible.chemin);
                // A folder, named with its '/' or without (a server adds it), leads
                // to its index page.
                if (cible.dossier || (!mene.isEmpty() && dossier(mene))) {
                    for (const char *index : {"/index.html", "/index.htm", "/index.xhtml"}) {
                        mene = canonique(cible.chemin + QLatin1String(index));
                        if (!mene.isEmpty())
                            break;
                    }
                }
                if (!mene.isEmpty() && mene != page.canonique)
                    menees.insert(mene);
            } else if (cible.sorte == Verification::Cible::Sorte::Racine
                       && l.lien.url.startsWith(QLatin1Char('/'))) {
                // From the server's root, which may be the site's: a page of that
                // path is not said to be an orphan.
                QString chemin
                    = l.lien.url.section(QLatin1Char('#'), 0, 0).section(QLatin1Char('?'), 0, 0);
                chemin = QUrl::fromPercentEncoding(chemin.mid(1).toUtf8());
                if (chemin.isEmpty() || chemin.endsWith(QLatin1Char('/')))
                    chemin += QLatin1String("index.html");
                if (const PageLue *menee = parRelatif.value(chemin); menee && menee != &page)
                    menees.insert(menee->canonique);
            }
            const std::optional<Verification::ProblemeDeLien> probleme
                = Verification::verifieLien(l.lien, cible, page.ancres, fichiers);
            if (probleme) {
                problemes.append(
                    {l.ligne, l.colonne, Genre::Lien, probleme->message, probleme->detail});
                ++resultat.liens;
            }
        }
    }

    // A page read may be reached only from pages a bound left unread: orphans
    // are told only of a site read whole.
    const bool entier = resultat.notes.isEmpty();
    if (!entier)
        resultat.notes << QStringLiteral("Pages orphelines non cherchées\u00a0: les pages du site "
                                         "n'ont pas toutes été lues");
    if (entier) {
        for (const PageLue &page : pages) {
            const bool accueil = page.relatif == QLatin1String("index.html")
                || page.relatif == QLatin1String("index.htm")
                || page.relatif == QLatin1String("index.xhtml");
            if (accueil || menees.contains(page.canonique))
                continue;
            parFichier[page.relatif].append(
                {1, 1, Genre::Lien,
                 QStringLiteral("Page orpheline\u00a0: aucune autre page du site n'y mène"),
                 QString()});
            ++resultat.orphelines;
            ++resultat.liens;
        }
    }

    QStringList relatifs = parFichier.keys();
    std::sort(relatifs.begin(), relatifs.end());
    int place = rangeesMaximum;
    for (const QString &relatif : std::as_const(relatifs)) {
        QList<Probleme> problemes = parFichier.take(relatif);
        if (problemes.isEmpty())
            continue;
        std::stable_sort(problemes.begin(), problemes.end(),
                         [](const Probleme &a, const Probleme &b) {
                             return std::tie(a.ligne, a.colonne) < std::tie(b.ligne, b.colonne);
                         });
        if (problemes.size() > place) {
            resultat.nonListes += int(problemes.size()) - place;
            problemes.resize(place);
        }
        place -= int(problemes.size());
        if (problemes.isEmpty())
            continue;
        resultat.groupes.append({relatif, base + QLatin1Char('/') + relatif, std::move(problemes)});
    }
    resultat.millisecondes = chrono.elapsed();
    return resultat;
}

VerificationSiteEnFond::VerificationSiteEnFond(QObject *parent)
    : QObject(parent)
{
    travailleur.setMaxThreadCount(1);
}

VerificationSiteEnFond::~VerificationSiteEnFond()
{
    arret = true;
    travailleur.waitForDone();
}

void VerificationSiteEnFond::demande(const QString &racine,
                                     const std::optional<PageOuverte> &ouverte)
{
    // One abandoned may still be running: it stops before this one starts.
    if (courante != 0 || travailleur.activeThreadCount() > 0) {
        arret = true;
        travailleur.waitForDone();
    }
    arret = false;
    avancement = 0;
    const quint64 numero = ++derniere;
    courante = numero;
    travailleur.start([this, racine, ouverte, numero] {
#ifdef Q_OS_LINUX
        // The check gives way to the editor's thread when both want a processor:
        // reading thousands of pages must not make typing wait.
        setpriority(PRIO_PROCESS, gettid(), 10);
#endif
        ResultatSite resultat = verifieSite(racine, ouverte, Bornes(), &arret, &avancement);
        // A result still on its way when the object goes is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, resultat = std::move(resultat), numero] {
                if (numero != courante)
                    return;
                courante = 0;
                emit terminee(resultat);
            },
            Qt::QueuedConnection);
    });
}

void VerificationSiteEnFond::arrete()
{
    arret = true;
}

void VerificationSiteEnFond::abandonne()
{
    arret = true;
    courante = 0;
}

} // namespace Site
