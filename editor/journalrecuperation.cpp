#include "journalrecuperation.h"

#include "ecriturecomplete.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextDocument>
#include <QUuid>

#include <algorithm>

namespace {

const QByteArray magie = QByteArrayLiteral("MARLISSE-JOURNAL");
constexpr quint32 versionFormat = 1;
constexpr int tailleEntete = 16 + 4 + 8;
constexpr int tailleEmpreinte = 20;
constexpr QDataStream::Version versionFlux = QDataStream::Qt_6_0;

// A document holds at most 64 MiB of characters, two bytes each in the journal.
constexpr qint64 tailleMaxJournal = 160 * 1024 * 1024;

const QLatin1String suffixeJournal(".journal");
const QLatin1String suffixeVerrou(".lock");

// A lock that only a dead program lets go. Where the file system has no native
// locks (some network file systems), QLockFile would by default also take one
// older than thirty seconds, from a window that has been open for longer.
std::unique_ptr<QLockFile> verrouDe(const QString &chemin)
{
    auto verrou = std::make_unique<QLockFile>(chemin);
    verrou->setStaleLockTime(0);
    return verrou;
}

QString verrouDuJournal(const QString &journal)
{
    return journal.left(journal.size() - suffixeJournal.size()) + suffixeVerrou;
}

FormatJournal::Etat litFichier(const QString &chemin, DocumentRecupere *document)
{
    // A pipe would block the start for ever and /dev/zero would never end.
    const QFileInfo info(chemin);
    if (!info.isFile() || info.size() > tailleMaxJournal)
        return FormatJournal::Etat::Illisible;
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return FormatJournal::Etat::Illisible;
    const QByteArray octets = fichier.read(tailleMaxJournal + 1);
    if (fichier.error() != QFileDevice::NoError || octets.size() > tailleMaxJournal)
        return FormatJournal::Etat::Illisible;
    return FormatJournal::lit(octets, document);
}

} // namespace

namespace FormatJournal {

QByteArray ecrit(const DocumentRecupere &document)
{
    QByteArray corps;
    corps.reserve(document.texte.size() * 2 + document.fichier.size() * 2 + 64);
    {
        QDataStream flux(&corps, QIODevice::WriteOnly);
        flux.setVersion(versionFlux);
        flux << qint64(document.derniereModification.toMSecsSinceEpoch()) << document.fichier
             << document.html << document.codage << document.texte;
    }
    QByteArray octets;
    octets.reserve(tailleEntete + corps.size() + tailleEmpreinte);
    {
        QDataStream flux(&octets, QIODevice::WriteOnly);
        flux.setVersion(versionFlux);
        flux.writeRawData(magie.constData(), int(magie.size()));
        flux << versionFormat << quint64(corps.size());
    }
    octets += corps;
    corps = QByteArray();
    octets += QCryptographicHash::hash(octets, QCryptographicHash::Sha1);
    return octets;
}

Etat lit(const QByteArray &octets, DocumentRecupere *document)
{
    if (octets.isEmpty())
        return Etat::Vide;
    if (octets.size() < tailleEntete + tailleEmpreinte || !octets.startsWith(magie))
        return Etat::Abime;

    QDataStream entete(octets.mid(magie.size(), tailleEntete - magie.size()));
    entete.setVersion(versionFlux);
    quint32 version = 0;
    quint64 tailleCorps = 0;
    entete >> version >> tailleCorps;
    // A later version may have changed everything after the version number.
    if (version > versionFormat)
        return Etat::PlusRecent;
    if (version == 0 || tailleCorps != quint64(octets.size() - tailleEntete - tailleEmpreinte))
        return Etat::Abime;
    const QByteArrayView signe(octets.constData(), octets.size() - tailleEmpreinte);
    if (QCryptographicHash::hash(signe, QCryptographicHash::Sha1) != octets.right(tailleEmpreinte))
        return Etat::Abime;

    QDataStream flux(octets.mid(tailleEntete, qsizetype(tailleCorps)));
    flux.setVersion(versionFlux);
    qint64 millisecondes = 0;
    DocumentRecupere lu;
    flux >> millisecondes >> lu.fichier >> lu.html >> lu.codage >> lu.texte;
    if (flux.status() != QDataStream::Ok || !flux.atEnd())
        return Etat::Abime;
    lu.derniereModification = QDateTime::fromMSecsSinceEpoch(millisecondes, Qt::UTC);
    *document = std::move(lu);
    return Etat::Lisible;
}

} // namespace FormatJournal

JournalAbandonne::JournalAbandonne() = default;
JournalAbandonne::JournalAbandonne(JournalAbandonne &&) noexcept = default;
JournalAbandonne &JournalAbandonne::operator=(JournalAbandonne &&) noexcept = default;
JournalAbandonne::~JournalAbandonne() = default;

JournalRecuperation::JournalRecuperation(QTextDocument *document, Description decrit,
                                         QObject *parent)
    : QObject(parent)
    , document(document)
    , decrit(std::move(decrit))
{
    minuterie.setSingleShot(true);
    minuterie.setInterval(delai);
    connect(&minuterie, &QTimer::timeout, this, &JournalRecuperation::ecrit);
    connect(document, &QTextDocument::contentsChanged, this, &JournalRecuperation::changement);
    connect(document, &QTextDocument::modificationChanged, this,
            &JournalRecuperation::modificationChangee);
    // The loop may end without the window being deleted: what was typed last is
    // written all the same.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &JournalRecuperation::termine);
    travailleur.setMaxThreadCount(1);
}

JournalRecuperation::~JournalRecuperation()
{
    termine();
}

QString JournalRecuperation::dossier()
{
    const QString donnees = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (donnees.isEmpty())
        return QString();
    return donnees + QLatin1String("/recovery");
}

bool JournalRecuperation::demarre()
{
    const QString dossierJournaux = dossier();
    if (dossierJournaux.isEmpty() || !QDir().mkpath(dossierJournaux)) {
        signaleEchec(QStringLiteral("Récupération désactivée\u00a0: le dossier %1 ne peut pas être "
                                    "créé.")
                         .arg(QDir::toNativeSeparators(dossierJournaux)));
        return false;
    }
    const QString nom
        = dossierJournaux + QLatin1Char('/') + QUuid::createUuid().toString(QUuid::WithoutBraces);
    auto verrouFenetre = verrouDe(nom + suffixeVerrou);
    if (!verrouFenetre->tryLock(0)) {
        signaleEchec(QStringLiteral("Récupération désactivée\u00a0: impossible d'écrire dans le "
                                    "dossier %1.")
                         .arg(QDir::toNativeSeparators(dossierJournaux)));
        return false;
    }
    verrou = std::move(verrouFenetre);
    cheminJournal = nom + suffixeJournal;
    return true;
}

bool JournalRecuperation::actif() const
{
    return verrou != nullptr;
}

QString JournalRecuperation::chemin() const
{
    return cheminJournal;
}

void JournalRecuperation::changement()
{
    if (!document->isModified())
        return;
    derniereModification = QDateTime::currentMSecsSinceEpoch();
    aEcrire = true;
    // Not restarted by later changes: typing without a pause is written too.
    if (actif() && !minuterie.isActive())
        minuterie.start();
}

void JournalRecuperation::modificationChangee(bool modifie)
{
    // Undo back to the saved text, and Redo again, change nothing else that says so.
    if (modifie)
        changement();
    else
        supprime();
}

void JournalRecuperation::ecrit()
{
    // Replacing a modified text by an empty one leaves the document unmodified
    // without saying so: what the journal holds was dropped.
    if (!document->isModified()) {
        supprime();
        return;
    }
    if (!aEcrire || !actif())
        return;
    aEcrire = false;
    DocumentRecupere etat;
    decrit(&etat);
    // The only work on the GUI thread: a copy of the text.
    etat.texte = document->toRawText();
    etat.derniereModification = QDateTime::fromMSecsSinceEpoch(derniereModification, Qt::UTC);
    const quint64 tache = ++generation;
    peutExister = true;
    travailleur.start([this, tache, etat = std::move(etat), destination = cheminJournal]() mutable {
        if (generation.load() != tache)
            return;
        etat.texte.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        QString raison;
        const bool ecrit = ecritureComplete(destination, FormatJournal::ecrit(etat), &raison);
        // The window waits for this thread before it goes: it is there to hear.
        QMetaObject::invokeMethod(
            this,
            [this, ecrit, raison, destination] {
                if (ecrit) {
                    emit journalEcrit();
                } else {
                    signaleEchec(
                        QStringLiteral("Récupération interrompue\u00a0: le journal %1 ne peut "
                                       "pas être écrit (%2).")
                            .arg(QDir::toNativeSeparators(destination), raison));
                }
            },
            Qt::QueuedConnection);
    });
}

void JournalRecuperation::supprime()
{
    minuterie.stop();
    aEcrire = false;
    if (!peutExister)
        return;
    peutExister = false;
    ++generation;
    travailleur.start([destination = cheminJournal] { QFile::remove(destination); });
}

void JournalRecuperation::termine()
{
    if (aEcrire) {
        minuterie.stop();
        ecrit();
    }
    attend();
}

void JournalRecuperation::attend()
{
    travailleur.waitForDone();
}

std::vector<JournalAbandonne> JournalRecuperation::abandonnes()
{
    std::vector<JournalAbandonne> trouves;
    const QString dossierJournaux = dossier();
    if (dossierJournaux.isEmpty())
        return trouves;
    const QDir dir(dossierJournaux);
    const QDir::Filters fichiers = QDir::Files | QDir::System | QDir::Hidden;

    // A window that died unmodified left its lock and nothing else.
    for (const QString &nom : dir.entryList({QStringLiteral("*.lock")}, fichiers)) {
        const QString verrouSeul = dir.filePath(nom);
        const QString journal
            = verrouSeul.left(verrouSeul.size() - suffixeVerrou.size()) + suffixeJournal;
        if (QFileInfo::exists(journal))
            continue;
        auto verrouMort = verrouDe(verrouSeul);
        if (verrouMort->tryLock(0))
            verrouMort->unlock();
    }

    for (const QString &nom : dir.entryList({QStringLiteral("*.journal")}, fichiers)) {
        JournalAbandonne journal;
        journal.chemin = dir.filePath(nom);
        journal.verrou = verrouDe(verrouDuJournal(journal.chemin));
        // A live program holds its own: a second program never offers that text.
        if (!journal.verrou->tryLock(0))
            continue;
        journal.etat = litFichier(journal.chemin, &journal.document);
        trouves.push_back(std::move(journal));
    }

    std::stable_sort(trouves.begin(), trouves.end(),
                     [](const JournalAbandonne &a, const JournalAbandonne &b) {
                         const bool aLisible = a.etat == FormatJournal::Etat::Lisible;
                         const bool bLisible = b.etat == FormatJournal::Etat::Lisible;
                         if (aLisible != bLisible)
                             return aLisible;
                         return a.document.derniereModification > b.document.derniereModification;
                     });
    return trouves;
}

bool JournalRecuperation::retire(JournalAbandonne &journal)
{
    const bool retire = QFile::remove(journal.chemin) || !QFileInfo::exists(journal.chemin);
    journal.verrou.reset(); // unlocking removes the lock file
    return retire;
}

void JournalRecuperation::adopte(JournalAbandonne &&journal)
{
    supprime();
    attend();
    verrou = std::move(journal.verrou);
    cheminJournal = journal.chemin;
    derniereModification = journal.document.derniereModification.toMSecsSinceEpoch();
    // The file already holds this text.
    peutExister = true;
    aEcrire = false;
}

void JournalRecuperation::signaleEchec(const QString &message)
{
    if (echecSignale)
        return;
    echecSignale = true;
    emit recuperationImpossible(message);
}
