#include "ecriturecomplete.h"

#include <QSaveFile>

bool ecritToutes(QIODevice *device, const char *bytes, qint64 size)
{
    // A write cut short (a full disk) reports no error; the next one says why.
    qint64 done = 0;
    while (done < size) {
        const qint64 written = device->write(bytes + done, size - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

bool ecritureComplete(const QString &fileName, const QByteArray &bytes, QString *reason,
                      const std::function<bool(QFileDevice *)> &avantRemplacement)
{
    return ecritureComplete(
        fileName,
        [&bytes](QIODevice *device) {
            return ecritToutes(device, bytes.constData(), bytes.size());
        },
        reason, avantRemplacement);
}

bool ecritureComplete(const QString &fileName, const std::function<bool(QIODevice *)> &write,
                      QString *reason, const std::function<bool(QFileDevice *)> &avantRemplacement)
{
    QSaveFile file(fileName);
    // flush() before commit(): commit() does not see a failure of the last
    // buffered write, and would put a truncated file in the old one's place.
    bool written = file.open(QIODevice::WriteOnly) && write(&file) && file.flush();
    if (written && avantRemplacement && !avantRemplacement(&file)) {
        file.cancelWriting();
        return false;
    }
    written = written && file.commit();
    if (!written && reason)
        *reason = file.errorString();
    return written; // an unfinished temporary file goes with file
}
