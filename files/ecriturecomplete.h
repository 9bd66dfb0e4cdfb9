#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QFileDevice;
class QIODevice;

// Writes bytes as the whole content of the file fileName, through QSaveFile:
// beside the file first, put in its place only once complete, so that a failure
// (full disk, vanished folder) leaves the old file as it was. False on failure,
// with the system's reason in reason when given. Safe on any thread.
// avantRemplacement, when given, runs once all the bytes are in the temporary file
// (which it gets, to take its stamp), right before that takes the file's place:
// what it finds on disk then is what the write replaces. When it returns false
// nothing is replaced, and reason is left as it was.
bool ecritureComplete(const QString &fileName, const QByteArray &bytes, QString *reason = nullptr,
                      const std::function<bool(QFileDevice *temporaire)> &avantRemplacement = {});

// The same for a content that write() puts on the device in pieces, so that a
// large one is never whole in memory; write() returns false when a piece could
// not be written.
bool ecritureComplete(const QString &fileName, const std::function<bool(QIODevice *)> &write,
                      QString *reason = nullptr,
                      const std::function<bool(QFileDevice *)> &avantRemplacement = {});

// Writes all of bytes to device: false when the device took only part of them.
bool ecritToutes(QIODevice *device, const char *bytes, qint64 size);
