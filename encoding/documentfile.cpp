#include "documentfile.h"

#include <QFile>
#include <QFileInfo>

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
    reading.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        reading.reason = file.errorString();
        reading.bytes = QByteArray();
        return reading;
    }
    // It may have grown since its size was read.
    if (reading.bytes.size() > maxSize) {
        reading.size = reading.bytes.size();
        reading.bytes = QByteArray();
        reading.result = Result::TooLarge;
        return reading;
    }
    reading.result = Result::Read;
    return reading;
}

} // namespace DocumentFile
