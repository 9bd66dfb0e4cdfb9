#pragma once

#include "remplacementsite.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>

// Runs the search of a site, the writing of its replacement and the undoing of
// one on a worker thread of its own, so that the editor answers meanwhile. One
// job at a time: a new search stops the one under way, whose result is then
// dropped; a write is never stopped half-way through a file.
class TravailSite : public QObject
{
    Q_OBJECT

public:
    // What the search is made of; the expression is compiled on each thread.
    struct Demande
    {
        QString racine;
        Site::Filtre filtre;
        QString texte;
        bool casse = false;
        bool motsEntiers = false;
        bool expression = false;
        // A replacement's model, or nothing for a search.
        std::optional<QString> modele;
        std::optional<RemplacementSite::DocumentOuvert> document;
    };

    explicit TravailSite(QObject *parent = nullptr);
    // Stops what runs (a write after its current file) and waits for it.
    ~TravailSite() override;

    // Returns the number that chercheFini() will carry.
    quint64 cherche(const Demande &demande);
    void ecrit(const Demande &demande, const QList<RemplacementSite::Fichier> &fichiers,
               const QString &dossier);
    void annule(const QString &dossier, const RemplacementSite::Remplacement &remplacement);

    // Stops the search under way; its result never comes.
    void arreteRecherche();
    bool chercheEnCours() const { return recherche != 0; }
    bool ecritEnCours() const { return ecriture; }

    static Recherche rechercheDe(const Demande &demande);

    // The search to make once the open document's text is copied.
    Demande prochaine;
    // The last search made, and what it found once chercheFini() came.
    Demande derniere;
    RemplacementSite::Resultat resultat;

signals:
    // Files searched, or written, so far; at most every 100 ms.
    void progression(int fait);
    void chercheFini(const RemplacementSite::Resultat &resultat, quint64 numero);
    void ecritFini(const RemplacementSite::Bilan &bilan);
    void annuleFini(const RemplacementSite::Bilan &bilan);

private:
    std::function<void(int)> avancement();

    quint64 numeros = 0;
    quint64 recherche = 0; // the search under way, 0 for none
    bool ecriture = false;
    std::shared_ptr<std::atomic<bool>> arretRecherche;
    std::atomic<bool> fermeture {false};
    // Declared last: destroyed first, it waits for the job that runs.
    QThreadPool travailleur;
};
