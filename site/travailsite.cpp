#include "travailsite.h"

#include <QElapsedTimer>
#include <QMetaObject>

TravailSite::TravailSite(QObject *parent)
    : QObject(parent)
{
    travailleur.setMaxThreadCount(1);
}

TravailSite::~TravailSite()
{
    fermeture = true;
    if (arretRecherche)
        *arretRecherche = true;
    travailleur.waitForDone();
}

Recherche TravailSite::rechercheDe(const Demande &demande)
{
    return Recherche(demande.texte, demande.casse, demande.motsEntiers, demande.expression);
}

// Reports from the worker, at most every 100 ms: each report is an event for the
// window to handle.
std::function<void(int)> TravailSite::avancement()
{
    auto montre = std::make_shared<QElapsedTimer>();
    return [this, montre](int fait) {
        if (montre->isValid() && montre->elapsed() < 100)
            return;
        montre->start();
        QMetaObject::invokeMethod(
            this, [this, fait] { emit progression(fait); }, Qt::QueuedConnection);
    };
}

quint64 TravailSite::cherche(const Demande &demande)
{
    arreteRecherche();
    const quint64 numero = ++numeros;
    recherche = numero;
    derniere = demande;
    auto arret = std::make_shared<std::atomic<bool>>(false);
    arretRecherche = arret;
    travailleur.start([this, demande, numero, arret, avance = avancement()] {
        const Recherche r = rechercheDe(demande);
        RemplacementSite::Resultat resultat;
        if (!arret->load())
            resultat = RemplacementSite::chercheSite(demande.racine, demande.filtre, r,
                                                     demande.modele ? &*demande.modele : nullptr,
                                                     demande.document, arret.get(), avance);
        // A search stopped, or outdated by a newer one, gives nothing; one still on
        // its way when the object goes is dropped with it.
        QMetaObject::invokeMethod(
            this,
            [this, resultat = std::move(resultat), numero, arret] {
                if (numero != recherche || arret->load())
                    return;
                recherche = 0;
                this->resultat = resultat;
                emit chercheFini(resultat, numero);
            },
            Qt::QueuedConnection);
    });
    return numero;
}

void TravailSite::arreteRecherche()
{
    if (arretRecherche)
        *arretRecherche = true;
    recherche = 0;
}

void TravailSite::ecrit(const Demande &demande, const QList<RemplacementSite::Fichier> &fichiers,
                        const QString &dossier)
{
    ecriture = true;
    travailleur.start([this, demande, fichiers, dossier, avance = avancement()] {
        const RemplacementSite::Bilan bilan = RemplacementSite::ecrit(
            demande.racine, fichiers, rechercheDe(demande), demande.modele.value_or(QString()),
            dossier, &fermeture, avance);
        QMetaObject::invokeMethod(
            this,
            [this, bilan] {
                ecriture = false;
                emit ecritFini(bilan);
            },
            Qt::QueuedConnection);
        // Once the report is on its way.
        RemplacementSite::gardeLesDerniers(dossier);
    });
}

void TravailSite::annule(const QString &dossier, const RemplacementSite::Remplacement &remplacement)
{
    ecriture = true;
    travailleur.start([this, dossier, remplacement] {
        const RemplacementSite::Bilan bilan = RemplacementSite::annule(dossier, remplacement);
        QMetaObject::invokeMethod(
            this,
            [this, bilan] {
                ecriture = false;
                emit annuleFini(bilan);
            },
            Qt::QueuedConnection);
    });
}
