#include "journalrecuperation.h"

#include "documentfile.h"
#include "ecriturecomplete.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QLockFile>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTextDocument>
#include <QUuid>
#include <QtEndian>

#include <algorithm>
#include <ctime>

namespace {

const QByteArray magie = QByteArrayLiteral("MARLISSE-JOURNAL");
constexpr quint32 versionFormat = 2;
constexpr int tailleEntete = 16 + 4 + 8;
constexpr int tailleEmpreinte = 20;
constexpr QDataStream::Version versionFlux = QDataStream::Qt_6_0;

// Two bytes a character of the text, and room for the rest: a path, an
// encoding's name and a declaration take a few kilobytes at most.
constexpr qint64 tailleMaxJournal
    = tailleEntete + 2 * qint64(DocumentFile::maxCharacters) + 1024 * 1024 + tailleEmpreinte;

// Keeps the longest time one of the journal's runs on the GUI thread takes: the
// time the thread spent running it, which other programs on a busy machine do
// not lengthen.
class Chronometre
{
public:
    explicit Chronometre(qint64 *plusLong)
        : plusLong(plusLong)
        , debut(maintenant())
    { }
    ~Chronometre() { *plusLong = std::max(*plusLong, maintenant() - debut); }

private:
    static qint64 maintenant()
    {
#ifdef Q_OS_UNIX
        timespec temps;
        if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &temps) == 0)
            return qint64(temps.tv_sec) * 1000000000 + temps.tv_nsec;
#endif
        static QElapsedTimer horloge;
        if (!horloge.isValid())
            horloge.start();
        return horloge.nsecsElapsed();
    }

    qint64 *plusLong;
    qint64 debut;
};

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

const qint64 tailleMax = tailleMaxJournal;

bool ecrit(QIODevice *device, const DocumentRecupere &document, bool *tropLong)
{
    QByteArray avant;
    {
        QDataStream flux(&avant, QIODevice::WriteOnly);
        flux.setVersion(versionFlux);
        flux << qint64(document.derniereModification.toMSecsSinceEpoch()) << document.fichier
             << document.html << document.codage;
    }
    QByteArray apres;
    {
        QDataStream flux(&apres, QIODevice::WriteOnly);
        flux.setVersion(versionFlux);
        const EtatFichier &disque = document.disque;
        flux << document.declaration << document.marque << quint8(document.finsDeLigne)
             << qint64(disque.vide() ? -1 : disque.taille) << qint64(disque.modification)
             << disque.empreinteCalculee();
    }
    const QString &texte = document.texte;
    const qint64 tailleCorps = avant.size() + 4 + 2 * qint64(texte.size()) + apres.size();
    const bool depasse = tailleEntete + tailleCorps + tailleEmpreinte > tailleMax;
    if (tropLong)
        *tropLong = depasse;
    if (depasse)
        return false;
    QByteArray entete;
    {
        QDataStream flux(&entete, QIODevice::WriteOnly);
        flux.setVersion(versionFlux);
        flux.writeRawData(magie.constData(), int(magie.size()));
        flux << versionFormat << quint64(tailleCorps);
    }

    QCryptographicHash signature(QCryptographicHash::Sha1);
    const auto ecritSigne = [device, &signature](const char *octets, qint64 taille) {
        signature.addData(QByteArrayView(octets, taille));
        return ecritToutes(device, octets, taille);
    };
    if (!ecritSigne(entete.constData(), entete.size())
        || !ecritSigne(avant.constData(), avant.size()))
        return false;
    // The text as QDataStream writes a QString, its size in bytes then its UTF-16
    // in big endian, in pieces: the text of a large document is never copied whole.
    char longueur[4];
    qToBigEndian<quint32>(texte.isNull() ? 0xffffffff : quint32(2 * texte.size()), longueur);
    if (!ecritSigne(longueur, sizeof longueur))
        return false;
    constexpr qsizetype morceau = 64 * 1024;
    QByteArray tampon(2 * std::min(morceau, texte.size()), Qt::Uninitialized);
    for (qsizetype debut = 0; debut < texte.size(); debut += morceau) {
        const qsizetype nombre = std::min(morceau, texte.size() - debut);
        qToBigEndian<quint16>(texte.constData() + debut, nombre, tampon.data());
        if (!ecritSigne(tampon.constData(), 2 * nombre))
            return false;
    }
    if (!ecritSigne(apres.constData(), apres.size()))
        return false;
    const QByteArray somme = signature.result();
    return ecritToutes(device, somme.constData(), somme.size());
}

QByteArray ecrit(const DocumentRecupere &document)
{
    QByteArray octets;
    QBuffer tampon(&octets);
    tampon.open(QIODevice::WriteOnly);
    if (!ecrit(&tampon, document))
        return QByteArray();
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

    // Read in place: the body of a long text is a hundred megabytes.
    QDataStream flux(
        QByteArray::fromRawData(octets.constData() + tailleEntete, qsizetype(tailleCorps)));
    flux.setVersion(versionFlux);
    qint64 millisecondes = 0;
    DocumentRecupere lu;
    flux >> millisecondes >> lu.fichier >> lu.html >> lu.codage >> lu.texte;
    lu.premierFormat = version == 1;
    if (!lu.premierFormat) {
        quint8 finsDeLigne = 0;
        qint64 taille = -1;
        qint64 modification = 0;
        QByteArray empreinte;
        flux >> lu.declaration >> lu.marque >> finsDeLigne >> taille >> modification >> empreinte;
        if (finsDeLigne > quint8(LineEnds::Convention::CR))
            return Etat::Abime;
        lu.finsDeLigne = LineEnds::Convention(finsDeLigne);
        if (!lu.fichier.isEmpty() && taille >= 0)
            lu.disque = EtatFichier::connu(lu.fichier, taille, modification, empreinte);
    }
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
    connect(document, &QTextDocument::contentsChange, this,
            &JournalRecuperation::changementContenu);
    connect(document, &QTextDocument::contentsChanged, this, &JournalRecuperation::changement);
    connect(document, &QTextDocument::modificationChanged, this,
            &JournalRecuperation::modificationChangee);
    // The loop may end without the window being deleted: what was typed last is
    // written all the same.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
            &JournalRecuperation::termine);
    travailleur.setMaxThreadCount(1);
}

const qsizetype JournalRecuperation::longueurMax = DocumentFile::maxCharacters;

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
    // The worker's text starts empty: a text already there is copied at the first write.
    longueur = std::max(document->characterCount() - 1, 0);
    copieEntiere = longueur > 0;
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

// Runs at every edit, before the document says it changed: the text the edit
// added is taken now, while the positions still hold. The document counts its
// last paragraph's end in some reports (position 0, a character more removed and
// added than the text has): only what lies within the text is taken.
void JournalRecuperation::changementContenu(int position, int retires, int ajoutes)
{
    if (!actif() || copieEntiere || toujoursCopier)
        return;
    const Chronometre chronometre(&plusLong);
    const qsizetype nouvelle = document->characterCount() - 1;
    const qsizetype retrait = std::min<qsizetype>(retires, longueur - position);
    const qsizetype ajout = std::min<qsizetype>(ajoutes, nouvelle - position);
    if (position < 0 || retrait < 0 || ajout < 0 || longueur - retrait + ajout != nouvelle
        || (ajout > 0 && ajout == nouvelle)) {
        // The whole text is new (or the report does not add up): it is copied at
        // the next write, unless nouveauTexte() gives it first.
        copieEntiere = true;
        texteEntier.reset();
        modifications.clear();
        return;
    }
    longueur = nouvelle;
    QString ajoute;
    if (ajout > 0) {
        QTextCursor curseur(document);
        curseur.setPosition(position);
        curseur.setPosition(int(position + ajout), QTextCursor::KeepAnchor);
        ajoute = curseur.selectedText();
    }

    // Typing, deleting and overwriting next to the last edit make one edit with
    // it: what lies between them is in both texts.
    if (!modifications.empty()) {
        Modification &derniere = modifications.back();
        const qsizetype debut = derniere.position;
        const qsizetype fin = debut + derniere.texte.size();
        if (position <= fin && position + retrait >= debut) {
            const qsizetype finModifiee = std::max(position + retrait, fin);
            QString texteFusionne
                = position > debut ? derniere.texte.left(position - debut) : QString();
            texteFusionne += ajoute;
            if (position + retrait < fin)
                texteFusionne += QStringView(derniere.texte).sliced(position + retrait - debut);
            const qsizetype nouveauDebut = std::min<qsizetype>(position, debut);
            derniere.retires = finModifiee - fin + derniere.retires + debut - nouveauDebut;
            derniere.position = nouveauDebut;
            derniere.texte = std::move(texteFusionne);
            return;
        }
    }
    modifications.push_back({position, retrait, std::move(ajoute)});
}

void JournalRecuperation::nouveauTexte(const QString &nouveau)
{
    if (!actif() || toujoursCopier)
        return;
    // The widget makes one line break of a CR LF: such a text is not the one it holds.
    if (nouveau.size() != document->characterCount() - 1) {
        copieEntiere = true;
        texteEntier.reset();
        modifications.clear();
        return;
    }
    copieEntiere = false;
    texteEntier = nouveau;
    modifications.clear();
    longueur = nouveau.size();
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
    transmet(true);
}

void JournalRecuperation::transmet(bool ecrire)
{
    const Chronometre chronometre(&plusLong);
    std::optional<QString> entier;
    std::swap(entier, texteEntier);
    if (copieEntiere || (ecrire && toujoursCopier)) {
        // Only after an edit of the whole text, which took the document as long.
        entier = document->toRawText();
        ++copies;
        copieEntiere = false;
        modifications.clear();
        longueur = entier->size();
    }
    std::optional<DocumentRecupere> etat;
    if (ecrire && longueur > longueurMax) {
        signaleTropLong();
    } else if (ecrire) {
        etat.emplace();
        decrit(&*etat);
        etat->derniereModification = QDateTime::fromMSecsSinceEpoch(derniereModification, Qt::UTC);
    }
    std::vector<Modification> lot;
    lot.swap(modifications);
    if (!entier && lot.empty() && !etat)
        return;
    // A task that only brings the worker's text up to date leaves a write before
    // it to do.
    const quint64 tache = etat ? ++generation : 0;
    if (etat)
        peutExister = true;
    travailleur.start([this, tache, entier = std::move(entier), lot = std::move(lot),
                       etat = std::move(etat), destination = cheminJournal]() mutable {
        if (entier) {
            texte = std::move(*entier);
            texte.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        }
        for (Modification &modification : lot) {
            modification.texte.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
            texte.replace(modification.position, modification.retires, modification.texte);
        }
        if (!etat || generation.load() != tache)
            return;
        etat->texte = texte;
        bool tropLong = false;
        QString raison;
        const bool ecrit = ecritureComplete(
            destination,
            [&etat, &tropLong](QIODevice *device) {
                return FormatJournal::ecrit(device, *etat, &tropLong);
            },
            &raison);
        etat.reset();
        // The window waits for this thread before it goes: it is there to hear.
        QMetaObject::invokeMethod(
            this,
            [this, ecrit, raison, destination, tropLong] {
                if (ecrit) {
                    emit journalEcrit();
                } else if (tropLong) {
                    signaleTropLong();
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

QString JournalRecuperation::texteDuTravailleur()
{
    transmet(false);
    attend();
    return texte;
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

// The last journal written stays: its text is older, but it is all that can be kept.
void JournalRecuperation::signaleTropLong()
{
    if (tropLongSignale)
        return;
    tropLongSignale = true;
    emit recuperationImpossible(
        QStringLiteral("Récupération suspendue\u00a0: le texte dépasse %1 caractères, la "
                       "limite du journal de récupération.")
            .arg(longueurMax));
}
