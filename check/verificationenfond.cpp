#include "verificationenfond.h"

#include <QMetaObject>

namespace Verification {

VerificationEnFond::VerificationEnFond(QObject *parent)
    : QObject(parent)
{
    travailleur.setMaxThreadCount(1);
    travailleur.setStackSize(taillePile);
}

VerificationEnFond::~VerificationEnFond()
{
    arret = true;
    travailleur.waitForDone();
}

quint64 VerificationEnFond::demande(Page page)
{
    const quint64 numero = ++derniere;
    if (courante != 0)
        enAttente.emplace(std::move(page), numero);
    else
        lance(std::move(page), numero);
    return numero;
}

void VerificationEnFond::lance(Page page, quint64 numero)
{
    courante = numero;
    travailleur.start([this, page = std::move(page), numero] {
        Resultat resultat = verifie(page, problemesMaximum, &arret);
        // Handed to this object's thread; a result still on its way when the
        // object goes is dropped with it (the destructor has waited for this task).
        QMetaObject::invokeMethod(
            this, [this, resultat = std::move(resultat), numero] { finie(resultat, numero); },
            Qt::QueuedConnection);
    });
}

void VerificationEnFond::finie(const Resultat &resultat, quint64 numero)
{
    courante = 0;
    if (enAttente) {
        // A newer check was asked for: this result is already out of date.
        auto [page, suivant] = std::move(*enAttente);
        enAttente.reset();
        lance(std::move(page), suivant);
        return;
    }
    emit terminee(resultat, numero);
}

} // namespace Verification
