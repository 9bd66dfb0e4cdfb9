#pragma once

#include "etatfichier.h"
#include "lineends.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class QLockFile;
class QTextDocument;

// What a recovery journal keeps of a document that was never saved: enough to
// give it back as if it had been opened and edited, and to save it as it would
// have been saved without the crash.
struct DocumentRecupere
{
    QString texte; // line feeds between lines
    QString fichier; // full path, "" for a new document
    bool html = true;
    QString codage; // the encoding's label
    QDateTime derniereModification; // UTC
    // What the next save needs: the character set the text declared when its
    // encoding was settled, the byte-order mark, the line ends, and the file as
    // the document last read or wrote it.
    QString declaration;
    bool marque = false;
    LineEnds::Convention finsDeLigne = LineEnds::Convention::LF;
    EtatFichier disque;
    // Read from a journal of the first format, which kept none of the above.
    bool premierFormat = false;
};

// The journal file, written by one version of the program and read by any later
// one. Layout: the 16 bytes "MARLISSE-JOURNAL", the format version (quint32, big
// endian), the length of the body (quint64), the body, then the SHA-1 of all that
// precedes it. The body is a QDataStream (Qt 6.0 format) of the time of the last
// change (qint64, milliseconds since 1970 UTC), the file name (QString), the type
// (bool, true for HTML), the encoding's label (QString) and the text (QString, as
// UTF-16 so that every character comes back, even half a surrogate pair). Format 2
// adds, after the text, the declaration as read (QString), the byte-order mark
// (bool), the line ends (quint8: 0 LF, 1 CR LF, 2 CR), and the file's size
// (qint64, -1 when unknown), modification time (qint64, nanoseconds since 1970
// UTC) and SHA-1 (QByteArray, empty when unknown) when last read or written.
namespace FormatJournal {

// The largest journal read: that of a text at the document's limit, with room
// for the rest. A journal of a text too long for it is never written.
extern const qint64 tailleMax;

enum class Etat {
    Lisible,
    Vide, // a file of no bytes: the program died as it created it
    Abime, // cut short, altered, or not a journal at all
    PlusRecent, // written by a newer version, in a format this one cannot read
    Illisible, // not a regular file, too large, or the system refused to read it
};

// Writes the journal to device in pieces, so that a long text is never copied
// whole: false when a piece could not be written, or when the journal would be
// longer than tailleMax (then tropLong is set and nothing is written).
bool ecrit(QIODevice *device, const DocumentRecupere &document, bool *tropLong = nullptr);
// The journal's bytes; empty when they would be more than tailleMax.
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
// A worker thread of the journal's own keeps a copy of the text, and encodes and
// writes it, one task after the other in the order they were asked, so that a
// removal is never overtaken by an older write. The GUI thread hands it only the
// edits since the last write, as the document reports them, so that its share of
// the work does not grow with the document: the worker's text starts as the one
// given with nouveauTexte() (a file as read), and only an edit of the whole text
// makes the GUI thread copy it.
class JournalRecuperation : public QObject
{
    Q_OBJECT

public:
    // Fills in the document's name, type, encoding and file at each write.
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

    // The document's text was just replaced by texte (setPlainText): the worker
    // takes it as it is, with no copy.
    void nouveauTexte(const QString &texte);

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
    // The longest text kept, in characters: the document's limit.
    static const qsizetype longueurMax;

    // The worker's text once it has every edit so far, and how many times the GUI
    // thread had to copy the whole text (for the tests and the benchmark).
    QString texteDuTravailleur();
    int copiesCompletes() const { return copies; }
    // The longest time one of the journal's own runs on the GUI thread took (an
    // edit taken, a write handed over), in milliseconds of the thread's time; and
    // its reset. For the benchmark.
    double plusLongTravail() const { return double(plusLong) / 1e6; }
    void remetPlusLongTravail() { plusLong = 0; }
    // The way before edits were handed over: a copy of the whole text at each
    // write (for the benchmark's comparison).
    void copieAChaqueEcriture(bool copie) { toujoursCopier = copie; }

signals:
    // A write reached the disk (mostly for the tests and the benchmark).
    void journalEcrit();
    // Said once: the journal cannot be kept.
    void recuperationImpossible(const QString &message);

private:
    // An edit as the document reports it: at position, retires characters gave
    // way to texte.
    struct Modification
    {
        qsizetype position;
        qsizetype retires;
        QString texte;
    };

    void changement();
    void changementContenu(int position, int retires, int ajoutes);
    void modificationChangee(bool modifie);
    void ecrit();
    // Hands the worker the edits since the last time, and the write when asked.
    void transmet(bool ecrire);
    void signaleEchec(const QString &message);
    void signaleTropLong();

    QTextDocument *document;
    Description decrit;
    QTimer minuterie;
    std::unique_ptr<QLockFile> verrou;
    QString cheminJournal;
    qint64 derniereModification = 0;
    bool aEcrire = false;
    bool peutExister = false;
    bool echecSignale = false;
    bool tropLongSignale = false;

    // GUI thread: what the worker's text lacks. Either a text that replaces it
    // (texteEntier, or the document's whole text when copieEntiere is set), or
    // nothing; then the edits since. longueur is the text's length with them.
    std::optional<QString> texteEntier;
    bool copieEntiere = false;
    std::vector<Modification> modifications;
    qsizetype longueur = 0;
    int copies = 0;
    bool toujoursCopier = false;
    qint64 plusLong = 0; // nanoseconds

    // Worker thread: the text as the document held it at the last edit handed
    // over, line feeds between lines.
    QString texte;

    // Numbers the tasks given to the worker; a write that a later task follows
    // leaves the work to it.
    std::atomic<quint64> generation {0};
    // Declared last: destroyed first, it waits for the tasks, which use the rest.
    QThreadPool travailleur;
};
