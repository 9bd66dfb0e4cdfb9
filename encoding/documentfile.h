#pragma once

#include <QByteArray>
#include <QString>

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
};

Reading read(const QString &fileName);

} // namespace DocumentFile
