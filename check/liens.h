#pragma once

#include "balises.h"
#include "releve.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

// The page's links that Tidy does not follow: a local file named by src, href or
// a srcset candidate that does not exist, and an href="#x" with no id="x" or
// name="x" in the page.
namespace Verification {

class Liens
{
public:
    // cheminPage: the saved page's full path, "" for a document never saved.
    explicit Liens(const QString &cheminPage);

    // Takes in each tag of the page, in order.
    void balise(const Balise &balise);
    // Checks what was taken in, once the whole page was.
    void termine(Positions &positions, Releve &releve);

private:
    struct Lien
    {
        QString valeur; // references decoded
        qsizetype position; // of the value in the text
        bool href; // only an href names an anchor of the page
    };

    bool existe(const QString &chemin);

    QString dossierPage; // "" when never saved
    bool baseVue = false;
    QString base; // the first <base href>, as a URL
    QList<Lien> liens; // in the order of the page
    QSet<QString> identifiants;
    QHash<QString, bool> existants;
    bool remarqueFaite = false;
};

} // namespace Verification
