#pragma once

#include "verificationpage.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <optional>

// Runs the checks of one window on a worker thread of its own, from a copy of the
// text, so that the editor answers while a large page is checked. One check runs
// at a time; a check asked meanwhile stops the one that runs (its result would be
// out of date) and starts once it has stopped, the newest replacing any that was
// waiting: only the newest one's result is given. Once a check ends, the memory
// Tidy took goes back to the system.
namespace Verification {

class VerificationEnFond : public QObject
{
    Q_OBJECT

public:
    // Tidy's parser calls itself once a level of nesting, with at most a few
    // hundred bytes a level: this is far more than Imbrication's bound needs, in
    // every build, sanitizers included. Only what is used is ever committed.
    static constexpr uint taillePile = 64 * 1024 * 1024;

    explicit VerificationEnFond(QObject *parent = nullptr);
    // Stops the check that runs, and waits for it.
    ~VerificationEnFond() override;

    // Checks the page; returns the number that terminee() will carry.
    quint64 demande(Page page);
    // Stops the check that runs and forgets any that waits: no result is given for
    // the checks asked so far (another document is shown).
    void abandonne();
    bool enCours() const { return courante != 0; }

signals:
    // The newest check asked for is done, on the thread of this object.
    void terminee(const Verification::Resultat &resultat, quint64 numero);

private:
    void lance(Page page, quint64 numero);
    void finie(const Resultat &resultat, quint64 numero);

    quint64 derniere = 0;
    quint64 courante = 0; // the number of the one running, 0 for none
    quint64 abandonnees = 0; // no result for the numbers up to this one
    std::optional<std::pair<Page, quint64>> enAttente;
    // Set to stop the check that runs: a newer one is asked, or the window closes.
    std::shared_ptr<std::atomic<bool>> arret;
    // Declared last: destroyed first, it waits for the check that runs.
    QThreadPool travailleur;
};

} // namespace Verification
