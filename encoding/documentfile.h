#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class QFileDevice;

// Reading a document's file whole, for the editor and the viewer alike. Only a
// regular file within the size limit is read: opening a pipe waits for a writer
// that may never come, a device such as /dev/zero never ends, and a file of
// gigabytes would exhaust the memory.
namespace DocumentFile {

// The largest file read as a document. Its text takes some fifteen times its size
// in memory once in the editor, and no page written by hand comes near it.
constexpr qint64 maxSize = 64 * 1024 * 1024;
// The most characters (UTF-16 code units) a document may hold in the editor,
// however it got there: beyond it, positions in the text and its layout overflow.
// A file within maxSize always fits.
constexpr qsizetype maxCharacters = 64 * 1024 * 1024;

enum class Result { Read, Failed, TooLarge };

// A file's size and modification time, as the file system gives them.
struct Stamp
{
    qint64 size = 0;
    qint64 modification = 0; // nanoseconds since 1970 UTC

    bool operator==(const Stamp &other) const
    {
        return size == other.size && modification == other.modification;
    }
};

// The most times a file that changes while it is read is read again.
constexpr int maxReads = 3;

struct Reading
{
    Result result = Result::Failed;
    QByteArray bytes;
    // Why the file could not be read, in the system's words ("Is a directory").
    QString reason;
    // The size of a file too large; -1 when it was found too large while being
    // read (it grew, or it is one of /proc that says it is empty and never ends),
    // and how large it is remains unknown.
    qint64 size = 0;
    // The file's stamp when the bytes were read, from the file they were read
    // from: the same before and after the read. Nothing when the system gave none.
    std::optional<Stamp> stamp;
    // False when the file changed during each of maxReads reads: another program
    // is writing it, the bytes may mix two versions, and the stamp is the one from
    // before the last read, which the file no longer has.
    bool settled = true;
};

Reading read(const QString &fileName);

// The stamp of the file at fileName (links followed), or of an open file;
// nothing when there is none.
std::optional<Stamp> stampOf(const QString &fileName);
std::optional<Stamp> stampOf(QFileDevice &file);

// For the tests: runs after each read of a file's bytes, where another program
// could write the file; empty to stop.
void setAfterRead(std::function<void()> hook);

} // namespace DocumentFile
