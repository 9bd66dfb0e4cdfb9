#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QLockFile;
class QTextDocument;

// What a recovery journal keeps of a document that was never saved: enough to
// give it back as if it had been opened and edited.
struct DocumentRecupere
{
    QString texte; // line feeds between lines
    QString fichier; // full path, "" for a new document
    bool html = true;
    QString codage; // the encoding's name
    QDateTime derniereModification; // UTC
};

// The journal file, written by one version of the program and read by any later
// one. Layout: the 16 bytes "MARLISSE-JOURNAL", the format version (quint32, big
// endian), the length of the body (quint64), the body, then the SHA-1 of all that
// precedes it. The body is a QDataStream (Qt 6.0 format) of the time of the last
// change (qint64, milliseconds since 1970 UTC), the file name (QString), the type
// (bool, true for HTML), the encoding's name (QString) and the text (QString, as
// UTF-16 so that every character comes back, even half a surrogate pair).
namespace FormatJournal {

enum class Etat {
    Lisible,
    Vide, // a file of no bytes: the program died as it created it
    Abime, // cut short, altered, or not a journal at all
    PlusRecent, // written by a newer version, in a format this one cannot read
    Illisible, // not a regular file, too large, or the system refused to read it
};

QByteArray ecrit(const DocumentRecupere &document);
Etat lit(const QByteArray &octets, DocumentRecupere *document);

} // namespace FormatJournal

// A journal that no running program holds: its program died, or closed without
// the chance to remove it. Its lock is held while the user is asked about it.
struct JournalAbandonne
{
    JournalAbandonne();
    JournalAbandonne(JournalAbandonne &&) noexcept;
    JournalAbandonne &operator=(JournalAbandonne &&) noexcept;
    ~JournalAbandonne();

    QString chemin;
    std::unique_ptr<QLockFile> verrou;
    FormatJournal::Etat etat = FormatJournal::Etat::Illisible;
    DocumentRecupere document;
};

// The recovery journal of one editor window. While the document is modified, its
// text is written to the journal at most a second and a half after a change, so
// that a program that dies (a crash, a power cut, kill -9) loses at most that.
// The text is taken on the GUI thread, which is a copy; encoding and writing run
// on a worker thread of the journal's own, one task after the other in the order
// they were asked, so that a removal is never overtaken by an older write.
class JournalRecuperation : public QObject
{
    Q_OBJECT

public:
    // Fills in the document's name, type and encoding at each write.
    using Description = std::function<void(DocumentRecupere *)>;

    JournalRecuperation(QTextDocument *document, Description decrit, QObject *parent = nullptr);
    // Writes a change not yet in the journal and waits for the worker.
    ~JournalRecuperation() override;

    // The folder of the journals: "recovery" in the user's data folder.
    static QString dossier();

    // Makes the folder and locks this window's journal. False, after
    // recuperationImpossible(), when the folder cannot be made or written: the
    // window then works without a journal.
    bool demarre();
    bool actif() const;
    QString chemin() const;

    // The changes were saved or dropped: the journal goes.
    void supprime();
    // Writes what is not yet written and waits until it is on disk.
    void termine();
    // Waits until the writes and removals already asked for are done.
    void attend();

    // The journals that no running program holds, readable ones newest first,
    // each locked. Locks left by programs that died with nothing to keep are
    // cleared on the way.
    static std::vector<JournalAbandonne> abandonnes();
    // Removes a journal that the user declined, and its lock.
    static bool retire(JournalAbandonne &journal);
    // This window goes on with a journal whose text it took back.
    void adopte(JournalAbandonne &&journal);

    // The milliseconds from a change to the write of the text.
    static constexpr int delai = 1500;

signals:
    // A write reached the disk (mostly for the tests and the benchmark).
    void journalEcrit();
    // Said once: the journal cannot be kept.
    void recuperationImpossible(const QString &message);

private:
    void changement();
    void modificationChangee(bool modifie);
    void ecrit();
    void signaleEchec(const QString &message);

    QTextDocument *document;
    Description decrit;
    QTimer minuterie;
    std::unique_ptr<QLockFile> verrou;
    QString cheminJournal;
    qint64 derniereModification = 0;
    bool aEcrire = false;
    bool peutExister = false;
    bool echecSignale = false;
    // Numbers the tasks given to the worker; a write that a later task follows
    // leaves the work to it.
    std::atomic<quint64> generation {0};
    // Declared last: destroyed first, it waits for the tasks, which use the rest.
    QThreadPool travailleur;
};
