#include "reglages.h"

#include <algorithm>
#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

namespace {

const QString cleFermerBalises = QStringLiteral("edition/fermerBalises");
const QString cleCompletion = QStringLiteral("edition/completion");
const QString cleNumerosLigne = QStringLiteral("affichage/numerosLigne");
const QString cleRetourLigne = QStringLiteral("affichage/retourLigne");
const QString cleRecents = QStringLiteral("fichiers/recents");
const QString cleEncodages = QStringLiteral("encodages");
const QString cleFichier = QStringLiteral("fichier");
const QString cleEncodage = QStringLiteral("encodage");

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

// Changes a list as it stands on disk now. Two programs that change it at once
// take turns through a lock of its own (the settings' lock covers only a write):
// neither writes back a list read before the other's change.
void changeListe(const QString &nomVerrou, const std::function<void(QSettings &)> &change)
{
    QSettings settings = fichier();
    QDir().mkpath(QFileInfo(settings.fileName()).absolutePath());
    QLockFile verrou(settings.fileName() + nomVerrou);
    // Without the lock (a folder that cannot be written) the list is changed all the same.
    verrou.tryLock(2000);
    settings.sync();
    change(settings);
    settings.sync();
}

void changeRecents(const std::function<void(QStringList *)> &change)
{
    changeListe(QStringLiteral(".recents.lock"), [&change](QSettings &settings) {
        QStringList liste = recents(settings);
        const QStringList avant = liste;
        change(&liste);
        if (liste != avant)
            settings.setValue(cleRecents, liste);
    });
}

struct Choix
{
    QString fichier;
    QString encodage;
    bool operator==(const Choix &autre) const
    {
        return fichier == autre.fichier && encodage == autre.encodage;
    }
};

// The encodings chosen, as settings holds them, without doubles or empty entries.
// A size written by hand is not believed beyond the bound.
QList<Choix> encodages(QSettings &settings)
{
    QList<Choix> liste;
    const int taille = std::min(settings.beginReadArray(cleEncodages), Reglages::maxEncodages);
    for (int i = 0; i < taille; ++i) {
        settings.setArrayIndex(i);
        const Choix choix {settings.value(cleFichier).toString(),
                           settings.value(cleEncodage).toString()};
        const bool dejaLa = std::any_of(liste.cbegin(), liste.cend(), [&choix](const Choix &c) {
            return c.fichier == choix.fichier;
        });
        if (!choix.fichier.isEmpty() && !choix.encodage.isEmpty() && !dejaLa)
            liste.append(choix);
    }
    settings.endArray();
    return liste;
}

// Takes out the choice for fileName, and puts first the one given, if any.
void changeEncodages(const QString &fileName, const QString &encodage)
{
    changeListe(QStringLiteral(".encodages.lock"), [&](QSettings &settings) {
        QList<Choix> liste = encodages(settings);
        const QList<Choix> avant = liste;
        liste.removeIf([&fileName](const Choix &choix) { return choix.fichier == fileName; });
        if (!encodage.isEmpty())
            liste.prepend(Choix {fileName, encodage});
        while (liste.size() > Reglages::maxEncodages)
            liste.removeLast();
        if (liste == avant)
            return;
        settings.remove(cleEncodages);
        settings.beginWriteArray(cleEncodages, int(liste.size()));
        for (int i = 0; i < liste.size(); ++i) {
            settings.setArrayIndex(i);
            settings.setValue(cleFichier, liste[i].fichier);
            settings.setValue(cleEncodage, liste[i].encodage);
        }
        settings.endArray();
    });
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

bool completion()
{
    return booleen(cleCompletion, true);
}

void setCompletion(bool on)
{
    ecrit(cleCompletion, on);
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

QString encodageRetenu(const QString &fileName)
{
    QSettings settings = fichier();
    for (const Choix &choix : encodages(settings)) {
        if (choix.fichier == fileName)
            return choix.encodage;
    }
    return QString();
}

void retientEncodage(const QString &fileName, const QString &encodage)
{
    if (!fileName.isEmpty() && !encodage.isEmpty())
        changeEncodages(fileName, encodage);
}

void oublieEncodage(const QString &fileName)
{
    // Every save forgets: most files have nothing to forget, and need no lock.
    if (!encodageRetenu(fileName).isEmpty())
        changeEncodages(fileName, QString());
}

} // namespace Reglages
