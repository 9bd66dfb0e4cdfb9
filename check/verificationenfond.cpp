#include "verificationenfond.h"

#include <QMetaObject>

#include <malloc.h>

namespace Verification {

VerificationEnFond::VerificationEnFond(QObject *parent)
    : QObject(parent)
{
    travailleur.setMaxThreadCount(1);
    travailleur.setStackSize(taillePile);
}

VerificationEnFond::~VerificationEnFond()
{
    if (arret)
        *arret = true;
    travailleur.waitForDone();
}

quint64 VerificationEnFond::demande(Page page)
{
    const quint64 numero = ++derniere;
    if (courante != 0) {
        *arret = true;
        enAttente.emplace(std::move(page), numero);
    } else {
        lance(std::move(page), numero);
    }
    return numero;
}

void VerificationEnFond::abandonne()
{
    abandonnees = derniere;
    enAttente.reset();
    if (courante != 0)
        *arret = true;
}

void VerificationEnFond::lance(Page page, quint64 numero)
{
    courante = numero;
    arret = std::make_shared<std::atomic<bool>>(false);
    travailleur.start([this, page = std::move(page), numero, drapeau = arret]() mutable {
        Resultat resultat = verifie(page, problemesMaximum, drapeau.get());
        page = Page();
        // What Tidy allocated on this thread stays with the C library, held for
        // the next allocations, unless it is asked to give it back: a check of
        // 20 MB would keep a gigabyte.
        malloc_trim(0);
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
    if (numero > abandonnees)
        emit terminee(resultat, numero);
}

} // namespace Verification
