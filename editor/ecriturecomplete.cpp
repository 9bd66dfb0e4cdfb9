#include "ecriturecomplete.h"

#include <QSaveFile>

bool ecritureComplete(const QString &fileName, const QByteArray &bytes, QString *reason)
{
    QSaveFile file(fileName);
    bool written = file.open(QIODevice::WriteOnly);
    // A write cut short (a full disk) reports no error; the next one says why.
    qint64 done = 0;
    while (written && done < bytes.size()) {
        const qint64 size = file.write(bytes.constData() + done, bytes.size() - done);
        written = size > 0;
        done += size;
    }
    // flush() before commit(): commit() does not see a failure of the last
    // buffered write, and would put a truncated file in the old one's place.
    written = written && file.flush() && file.commit();
    if (!written && reason)
        *reason = file.errorString();
    return written; // an unfinished temporary file goes with file
}
