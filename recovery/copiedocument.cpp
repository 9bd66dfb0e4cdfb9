#include "copiedocument.h"

#include <QElapsedTimer>
#include <QTextDocument>

namespace {

// The time a slice may take: well under what a keystroke can wait.
constexpr qint64 tranche = 8; // milliseconds
constexpr int reprisesMaximum = 3;

} // namespace

CopieDocument::CopieDocument(QTextDocument *document, QObject *parent)
    : QObject(parent)
    , document(document)
{
    minuterie.setSingleShot(true);
    minuterie.setInterval(0);
    connect(&minuterie, &QTimer::timeout, this, &CopieDocument::morceau);
}

void CopieDocument::demarre()
{
    texte.clear();
    revision = -1;
    reprises = 0;
    morceau();
}

void CopieDocument::arrete()
{
    minuterie.stop();
    texte = QString();
    revision = -1;
}

void CopieDocument::morceau()
{
    if (document->revision() != revision) {
        // A change since the last slice (or a new copy): from the start. Block
        // handles of another revision are not used.
        if (revision != -1)
            ++reprises;
        texte.clear();
        texte.reserve(document->characterCount());
        revision = document->revision();
        suivant = document->begin();
    }
    QElapsedTimer temps;
    temps.start();
    for (int n = 0; suivant.isValid(); ++n) {
        if (n % 64 == 0 && reprises < reprisesMaximum && temps.hasExpired(tranche)) {
            minuterie.start();
            return;
        }
        if (suivant != document->begin())
            texte += QLatin1Char('\n');
        texte += suivant.text();
        suivant = suivant.next();
    }
    QString copie;
    copie.swap(texte);
    emit copiee(copie, revision);
}
