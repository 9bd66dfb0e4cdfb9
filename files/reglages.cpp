#include "reglages.h"

#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace {

const QString cleFermerBalises = QStringLiteral("edition/fermerBalises");
const QString cleNumerosLigne = QStringLiteral("affichage/numerosLigne");
const QString cleRetourLigne = QStringLiteral("affichage/retourLigne");
const QString cleRecents = QStringLiteral("fichiers/recents");

// marlisse.conf in the user's configuration folder, read again from the disk. Named
// in full: given only the organization and the program, QSettings would name an
// INI file marlisse.ini.
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

// The list of recent files as settings holds it, without doubles or empty names.
QStringList recents(const QSettings &settings)
{
    const QVariant valeur = settings.value(cleRecents);
    // A single name is read back as a string, a list as a list of strings.
    const QStringList lus = valeur.typeId() == QMetaType::QString ? QStringList {valeur.toString()}
                                                                  : valeur.toStringList();
    QStringList liste;
    for (const QString &nom : lus) {
        if (!nom.isEmpty() && !liste.contains(nom) && liste.size() < Reglages::maxRecents)
            liste.append(nom);
    }
    return liste;
}

// Changes the list as it stands on disk now. Two programs that change it at once
// take turns through a lock of its own (the settings' lock covers only a write):
// neither writes back a list read before the other's change.
void changeRecents(const std::function<void(QStringList *)> &change)
{
    QSettings settings = fichier();
    QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
    QLockFile verrou(settings.fileName() + QLatin1String(".recents.lock"));
    // Without the lock (a folder that cannot be written) the list is changed all the same.
    verrou.tryLock(2000);
    settings.sync();
    QStringList liste = recents(settings);
    const QStringList avant = liste;
    change(&liste);
    if (liste != avant) {
        settings.setValue(cleRecents, liste);
        settings.sync();
    }
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

bool retourLigne()
{
    return booleen(cleRetourLigne, true);
}

void setRetourLigne(bool on)
{
    ecrit(cleRetourLigne, on);
}

QStringList fichiersRecents()
{
    QSettings settings = fichier();
    return recents(settings);
}

void ajouteFichierRecent(const QString &fileName)
{
    changeRecents([&fileName](QStringList *liste) {
        liste->removeAll(fileName);
        liste->prepend(fileName);
        while (liste->size() > maxRecents)
            liste->removeLast();
    });
}

void retireFichierRecent(const QString &fileName)
{
    changeRecents([&fileName](QStringList *liste) { liste->removeAll(fileName); });
}

void effaceFichiersRecents()
{
    changeRecents([](QStringList *liste) { liste->clear(); });
}

} // namespace Reglages
