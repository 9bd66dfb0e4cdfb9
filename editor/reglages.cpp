#include "reglages.h"

#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace {

const QString cleFermerBalises = QStringLiteral("edition/fermerBalises");
const QString cleNumerosLigne = QStringLiteral("affichage/numerosLigne");
const QString cleRecents = QStringLiteral("fichiers/recents");

// marlisse.conf in the user's configuration folder, read again from the disk. The
// name is given whole: the INI files that QSettings names itself end in ".ini".
QSettings fichier()
{
    return QSettings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                         + QLatin1String("/marlisse/marlisse.conf"),
                     QSettings::IniFormat);
}

// A value the user or another version may have written by hand: only "true" and
// "false" (as QSettings writes them) mean anything, all else is the default.
bool booleen(const QString &cle, bool parDefaut)
{
    const QString texte = fichier().value(cle).toString().trimmed().toLower();
    if (texte == QLatin1String("true"))
        return true;
    if (texte == QLatin1String("false"))
        return false;
    return parDefaut;
}

void ecrit(const QString &cle, const QVariant &valeur)
{
    QSettings settings = fichier();
    settings.setValue(cle, valeur);
    settings.sync();
}

} // namespace

namespace Reglages {

bool fermerBalises()
{
    return booleen(cleFermerBalises, true);
}

void setFermerBalises(bool on)
{
    ecrit(cleFermerBalises, on);
}

bool numerosLigne()
{
    return booleen(cleNumerosLigne, true);
}

void setNumerosLigne(bool on)
{
    ecrit(cleNumerosLigne, on);
}

QStringList fichiersRecents()
{
    const QVariant valeur = fichier().value(cleRecents);
    QStringList recents;
    // A single name is read back as a string, a list as a list of strings.
    const QStringList lus = valeur.typeId() == QMetaType::QString ? QStringList {valeur.toString()}
                                                                  : valeur.toStringList();
    for (const QString &nom : lus) {
        if (!nom.isEmpty() && !recents.contains(nom) && recents.size() < maxRecents)
            recents.append(nom);
    }
    return recents;
}

void ajouteFichierRecent(const QString &fileName)
{
    QStringList recents = fichiersRecents();
    recents.removeAll(fileName);
    recents.prepend(fileName);
    while (recents.size() > maxRecents)
        recents.removeLast();
    ecrit(cleRecents, recents);
}

void retireFichierRecent(const QString &fileName)
{
    QStringList recents = fichiersRecents();
    if (recents.removeAll(fileName) > 0)
        ecrit(cleRecents, recents);
}

void effaceFichiersRecents()
{
    ecrit(cleRecents, QStringList());
}

} // namespace Reglages
