#pragma once

#include "parcourssite.h"
#include "verificationpage.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <optional>

// "Vérifier le site": the links of every page of a site (.html, .htm, .xhtml in
// the folder of the current page and below it): every local file, image and
// stylesheet they name, every page#anchor across pages, and the pages no other
// page leads to. Tidy is not run: F7 checks one page's markup. Knows no window.
namespace Site {

// The page being edited: its text as the editor holds it stands for its file.
struct PageOuverte
{
    QString chemin;
    QString texte; // lines ending in '\n'
};

// The problems of one file of the site, by line.
struct GroupeVerifie
{
    QString relatif;
    QString chemin;
    // Rows at line 0 are said of the whole file (it could not be read).
    QList<Verification::Probleme> problemes;
};

struct ResultatSite
{
    QList<GroupeVerifie> groupes; // by relatif, only those with problems
    QStringList notes; // said of the whole check: a bound was reached
    int pages = 0; // read
    int liens = 0; // link rows, orphans included
    int orphelines = 0;
    int nonLus = 0; // files of the site that could not be read
    int nonListes = 0; // rows beyond the most shown
    qint64 millisecondes = 0;
    bool arrete = false;
};

// The most rows a site's check gives; the others are counted.
constexpr int rangeesMaximum = 10000;

// Checks the site at racine; stopped soon once arret is set, from any thread.
// avancement, when given, counts the pages read as they are.
ResultatSite verifieSite(const QString &racine, const std::optional<PageOuverte> &ouverte,
                         const Bornes &bornes = Bornes(), const std::atomic<bool> *arret = nullptr,
                         std::atomic<int> *avancement = nullptr);

// Runs one site check at a time on a worker thread of its own.
class VerificationSiteEnFond : public QObject
{
    Q_OBJECT

public:
    explicit VerificationSiteEnFond(QObject *parent = nullptr);
    // Stops the check that runs, and waits for it.
    ~VerificationSiteEnFond() override;

    // Starts a check; one already running is stopped first.
    void demande(const QString &racine, const std::optional<PageOuverte> &ouverte);
    // Stops the running check: terminee() comes soon, with arrete set.
    void arrete();
    // Stops the running check: terminee() never comes for it (another list
    // takes its place).
    void abandonne();
    bool enCours() const { return courante != 0; }
    // The pages the running check has read so far.
    int pagesLues() const { return avancement.load(); }

signals:
    void terminee(const Site::ResultatSite &resultat);

private:
    quint64 derniere = 0;
    quint64 courante = 0;
    std::atomic<bool> arret {false};
    std::atomic<int> avancement {0};
    // Declared last: destroyed first, it waits for the check that runs.
    QThreadPool travailleur;
};

} // namespace Site
