#pragma once

#include "verificationpage.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <optional>

// Runs the checks of one window on a worker thread of its own, from a copy of the
// text, so that the editor answers while a large page is checked. One check runs
// at a time; a check asked meanwhile waits for it, the newest replacing any that
// was waiting, and only the newest one's result is given.
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
    bool enCours() const { return courante != 0; }

signals:
    // The newest check asked for is done, on the thread of this object.
    void terminee(const Verification::Resultat &resultat, quint64 numero);

private:
    void lance(Page page, quint64 numero);
    void finie(const Resultat &resultat, quint64 numero);

    quint64 derniere = 0;
    quint64 courante = 0; // the number of the one running, 0 for none
    std::optional<std::pair<Page, quint64>> enAttente;
    // A window closing does not wait for Tidy to finish a large page.
    std::atomic<bool> arret {false};
    // Declared last: destroyed first, it waits for the check that runs.
    QThreadPool travailleur;
};

} // namespace Verification
