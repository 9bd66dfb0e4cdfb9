#include "bancsite.h"

#include "dialoganswers.h"
#include "ecrituregroupee.h"
#include "htmlgenerator.h"
#include "panneauproblemes.h"
#include "remplacementsite.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int fichiers = 2000;
constexpr qsizetype taille = 20 * 1000;
// The files that hold the searched word, and how many times each.
constexpr int fichiersAvecMot = 1000;
constexpr int parFichier = 20;
const char mot[] = "tarif";

// The first page is the site's index, at its root: the page the editor opens, whose
// folder is the site.
QString cheminPage(const QString &racine, int i)
{
    if (i == 0)
        return racine + QStringLiteral("/index.html");
    return QStringLiteral("%1/rubrique%2/page%3.html")
        .arg(racine)
        .arg(i % 20, 2, 10, QLatin1Char('0'))
        .arg(i, 4, 10, QLatin1Char('0'));
}

// A generated page; the first ones get the word as paragraphs of their own,
// spread over the page.
QByteArray page(int i)
{
    QByteArray octets = generateHtml(taille, quint32(i + 1));
    if (i >= fichiersAvecMot)
        return octets;
    QByteArray avec;
    const qsizetype morceau = octets.size() / parFichier;
    qsizetype depuis = 0;
    for (int n = 0; n < parFichier; ++n) {
        qsizetype coupe = octets.indexOf('\n', (n + 1) * morceau);
        if (coupe < 0 || n == parFichier - 1)
            coupe = octets.size() - 1;
        avec += octets.mid(depuis, coupe + 1 - depuis);
        avec += "<p>" + QByteArray(mot) + "</p>\n";
        depuis = coupe + 1;
    }
    avec += octets.mid(depuis);
    return avec;
}

// The site written, and on the disk: what the replacement flushes is its own.
void ecritSite(const QString &racine, int jusqua)
{
    for (int i = 0; i < jusqua; ++i)
        TestSupport::writeBytes(cheminPage(racine, i), page(i));
    EcritureGroupee::synchronise();
}

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QMap<QString, double> enfant(const QStringList &arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                QStringList {QStringLiteral("--site-search-child")} + arguments);
    child.waitForFinished(-1);
    QMap<QString, double> valeurs;
    for (const QByteArray &ligne : child.readAllStandardOutput().split('\n')) {
        const qsizetype egal = ligne.indexOf('=');
        if (egal > 0)
            valeurs[QString::fromLatin1(ligne.left(egal))] = ligne.mid(egal + 1).toDouble();
    }
    return valeurs;
}

// The command run from the editor window, on a page of the site: the time until
// its rows are in the panel (and, for a replacement, until its report), and the
// longest time meanwhile that the event loop did not answer.
int dansLaFenetre(const QString &racine, bool remplacer)
{
    TestSupport::init();
    TestSupport::EditorFixture fixture;
    KalTextEditTestAccess w(fixture.window);
    const QString page = cheminPage(racine, 0);
    if (!fixture.window->loadFile(page))
        return 3;
    w.setCurrentFile(page);
    QTest::qWait(200);

    bool rapport = false;
    DialogAnswers answers;
    answers.then([remplacer](QWidget *dialog) {
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))
            ->setText(QString::fromLatin1(mot));
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"))
            ->setText(QStringLiteral("prix"));
        TestSupport::clickButton(
            dialog, remplacer ? QStringLiteral("Remplacer...") : QStringLiteral("Chercher"));
    });
    if (remplacer)
        answers.press(QStringLiteral("Remplacer")).then([&rapport](QWidget *box) {
            rapport = true;
            static_cast<QMessageBox *>(box)->accept();
        });
    QElapsedTimer temps;
    QElapsedTimer depuis;
    double attente = 0;
    QTimer battement;
    battement.setInterval(2);
    QObject::connect(&battement, &QTimer::timeout, &battement, [&] {
        attente = std::max(attente, ms(depuis));
        depuis.restart();
    });
    auto *action = TestSupport::action(fixture.window,
                                       remplacer ? QStringLiteral("remplacerSiteAct")
                                                 : QStringLiteral("chercherSiteAct"));
    // The clock starts once the dialog is answered: the search starts then.
    QObject::connect(action, &QAction::triggered, &battement, [&] {
        temps.start();
        depuis.start();
        battement.start();
    });
    QTimer::singleShot(0, action, &QAction::trigger);
    PanneauProblemes *panneau = nullptr;
    const auto fini = [&] {
        if (remplacer)
            return rapport;
        panneau = fixture.window->findChild<PanneauProblemes *>();
        return panneau && panneau->aUnResultat() && !panneau->enCours();
    };
    QElapsedTimer limite;
    limite.start();
    while (!fini() && limite.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    std::printf("window=%.3f\nwindowstall=%.3f\n", ms(temps), attente);
    return 0;
}

} // namespace

int runSiteSearchChild(const QStringList &arguments)
{
    const QString quoi = arguments.value(1);
    const QString racine = arguments.value(2);
    if (quoi == QLatin1String("window") || quoi == QLatin1String("windowreplace"))
        return dansLaFenetre(racine, quoi == QLatin1String("windowreplace"));
    QElapsedTimer temps;
    temps.start();
    if (quoi == QLatin1String("read")) {
        qint64 octets = 0;
        const Site::Bilan bilan
            = Site::parcourt(racine, RemplacementSite::pagesEtFeuilles(),
                             [&octets](Site::Fichier &lu) { octets += lu.texte.size(); }, {});
        std::printf("read=%.3f\nfiles=%d\n", ms(temps), bilan.lus);
        return 0;
    }
    const bool expression = quoi == QLatin1String("expression");
    const Recherche recherche(expression ? QStringLiteral("t(a)rif") : QString::fromLatin1(mot),
                              false, false, expression);
    const QString modele = expression ? QStringLiteral("prix\\1") : QStringLiteral("prix");
    const bool remplace = quoi == QLatin1String("replace");
    const RemplacementSite::Resultat resultat = RemplacementSite::chercheSite(
        racine, RemplacementSite::pagesEtFeuilles(), recherche, remplace ? &modele : nullptr);
    const double cherche = ms(temps);
    std::printf("search=%.3f\nfound=%lld\nfiles=%d\n", cherche,
                static_cast<long long>(resultat.occurrences), resultat.lus);
    if (!remplace)
        return 0;
    QTemporaryDir copies;
    QElapsedTimer ecriture;
    ecriture.start();
    const RemplacementSite::Bilan bilan
        = RemplacementSite::ecrit(racine, resultat.fichiers, recherche, modele, copies.path());
    std::printf("write=%.3f\nreplace=%.3f\nreplaced=%lld\nwritten=%lld\nleft=%lld\n", ms(ecriture),
                ms(temps), static_cast<long long>(bilan.occurrences),
                static_cast<long long>(bilan.modifies.size()),
                static_cast<long long>(bilan.laisses.size() + bilan.nonTraites.size()));
    return 0;
}

void printSiteSearch(int runs)
{
    QTemporaryDir dossier;
    const QString racine = dossier.filePath(QStringLiteral("site"));
    ecritSite(racine, fichiers);
    QMap<QString, QList<double>> valeurs;
    for (int run = 0; run < runs; ++run) {
        // A replacement changes the pages: they are written again after each.
        for (const char *quoi :
             {"read", "search", "expression", "window", "replace", "windowreplace"}) {
            const QMap<QString, double> une = enfant({QLatin1String(quoi), racine});
            for (auto it = une.cbegin(); it != une.cend(); ++it)
                valeurs[QLatin1String(quoi) + QLatin1Char('.') + it.key()] << it.value();
            if (QByteArray(quoi).contains("replace"))
                ecritSite(racine, fichiersAvecMot);
        }
    }
    const auto m
        = [&valeurs](const char *cle) { return median(valeurs.value(QLatin1String(cle))); };
    const double lire = m("read.read");
    std::printf("\n| site of %d files of 20 KB (medians of %d runs) | Marlisse | read only | "
                "ratio |\n|---|---:|---:|---:|\n",
                fichiers, runs);
    std::printf("| search for a word (%.0f occurrences in %d files) | %.1f ms | %.1f ms | %.2f "
                "|\n",
                m("search.found"), fichiersAvecMot, m("search.search"), lire,
                m("search.search") / lire);
    std::printf("| search, regular expression t(a)rif (%.0f occurrences) | %.1f ms | %.1f ms | "
                "%.2f |\n",
                m("expression.found"), m("expression.search"), lire, m("expression.search") / lire);
    std::printf("| replace %.0f occurrences in %.0f files: list, keep, write | %.1f ms | %.1f ms "
                "| %.2f |\n",
                m("replace.replaced"), m("replace.written"), m("replace.replace"), lire,
                m("replace.replace") / lire);
    std::printf("| of which keeping the copies and writing | %.1f ms | | |\n", m("replace.write"));
    std::printf("| from the window: search until its rows are shown | %.1f ms | | |\n",
                m("window.window"));
    std::printf("| from the window: longest event-loop stall meanwhile | %.1f ms | | |\n",
                m("window.windowstall"));
    std::printf("| from the window: replace until its report | %.1f ms | | |\n",
                m("windowreplace.window"));
    std::printf("| from the window: longest event-loop stall meanwhile | %.1f ms | | |\n",
                m("windowreplace.windowstall"));
    std::printf("| files read by the search, files left by the replacement | %.0f, %.0f | %.0f | "
                "|\n",
                m("search.files"), m("replace.left"), m("read.files"));
    std::fflush(stdout);
}
