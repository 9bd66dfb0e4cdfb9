#include "documentfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// QFileInfo gives the time to the millisecond only: two saves in the same
// millisecond would look alike.
DocumentFile::Stamp stampOfStat(const struct stat &info)
{
    return {qint64(info.st_size),
            qint64(info.st_mtim.tv_sec) * 1000000000 + qint64(info.st_mtim.tv_nsec)};
}
#endif

std::function<void()> &afterRead()
{
    static std::function<void()> hook;
    return hook;
}

// At most limit bytes of file, whatever size it claims: files of /proc say they
// are empty and some of them never end. The first read asks for the size the file
// claims and one byte more, which tells a file longer than it says; more is read
// in growing chunks of whole kibibytes, as some files of /proc can only be read
// (by multiples of 8 bytes).
QByteArray readAtMost(QFile &file, qint64 limit)
{
    const qint64 chunk = 64 * 1024;
    const qint64 claimed = file.size();
    qint64 room = claimed > 0 ? qMin(claimed, limit) + 1 : chunk;
    QByteArray bytes;
    // What says it is empty may hold anything up to the limit: room for all of it
    // at once, which takes memory only as it is filled, rather than copies of a
    // growing buffer.
    if (claimed <= 0)
        bytes.reserve(limit + chunk);
    for (;;) {
        const qsizetype done = bytes.size();
        bytes.resize(done + room);
        const qint64 got = file.read(bytes.data() + done, room);
        bytes.resize(done + qMax<qint64>(got, 0));
        // A file reads until its end or the room is full: less is the end (or an
        // error, which the caller sees on the file).
        if (got < room || bytes.size() >= limit)
            break;
        const qint64 missing = (limit - bytes.size() + chunk - 1) / chunk * chunk;
        room = qMin(qMax<qint64>(bytes.size(), chunk), missing);
    }
    if (bytes.size() >= limit)
        bytes.truncate(limit); // too large: the caller keeps none of it
    else if (claimed <= 0)
        bytes.squeeze();
    return bytes;
}

} // namespace

namespace DocumentFile {

Reading read(const QString &fileName)
{
    Reading reading;
    const QFileInfo info(fileName);
    if (info.isDir()) {
        reading.reason = QStringLiteral("Is a directory");
        return reading;
    }
    // A link loop does not exist to QFileInfo: opening it says why.
    if (info.exists() && !info.isFile()) {
        reading.reason = QStringLiteral("Not a regular file");
        return reading;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        // The file may also have gone since it was chosen.
        reading.reason = file.errorString();
        return reading;
    }
    reading.size = file.size();
    if (reading.size > maxSize) {
        reading.result = Result::TooLarge;
        return reading;
    }
    // The stamp is taken from the open file before and after its bytes: when
    // another program wrote it meanwhile, the bytes may be neither version, and
    // the stamp may be that of a version not read. Read again, a few times.
    std::optional<Stamp> before = stampOf(file);
    for (int attempt = 1;; ++attempt) {
        // One byte more than the limit tells a file too large.
        reading.bytes = readAtMost(file, maxSize + 1);
        if (afterRead())
            afterRead()();
        if (file.error() != QFileDevice::NoError) {
            reading.reason = file.errorString();
            reading.bytes = QByteArray();
            return reading;
        }
        // It may have grown since its size was read, or lied about it.
        if (reading.bytes.size() > maxSize) {
            reading.size = -1;
            reading.bytes = QByteArray();
            reading.result = Result::TooLarge;
            return reading;
        }
        const std::optional<Stamp> after = stampOf(file);
        if (before && after && *before == *after) {
            reading.stamp = after;
            break;
        }
        // Still changing: the stamp from before the read is one the file no
        // longer has, so that its bytes are compared before it is replaced.
        if (attempt == maxReads || !file.seek(0)) {
            reading.stamp = before;
            reading.settled = false;
            break;
        }
        before = after;
    }
    reading.result = Result::Read;
    return reading;
}

std::optional<Stamp> stampOf(const QString &fileName)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (::stat(QFile::encodeName(fileName).constData(), &info) != 0)
        return std::nullopt;
    return stampOfStat(info);
#else
    const QFileInfo info(fileName);
    if (!info.exists())
        return std::nullopt;
    return Stamp {info.size(), info.lastModified().toMSecsSinceEpoch() * 1000000};
#endif
}

std::optional<Stamp> stampOf(QFileDevice &file)
{
#ifdef Q_OS_UNIX
    struct stat info;
    if (file.handle() < 0 || ::fstat(file.handle(), &info) != 0)
        return std::nullopt;
    return stampOfStat(info);
#else
    const QDateTime modification = file.fileTime(QFileDevice::FileModificationTime);
    if (!modification.isValid())
        return std::nullopt;
    return Stamp {file.size(), modification.toMSecsSinceEpoch() * 1000000};
#endif
}

void setAfterRead(std::function<void()> hook)
{
    afterRead() = std::move(hook);
}

} // namespace DocumentFile
