#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes as the whole content of the file fileName, through QSaveFile:
// beside the file first, put in its place only once complete, so that a failure
// (full disk, vanished folder) leaves the old file as it was. False on failure,
// with the system's reason in reason when given. Safe on any thread.
bool ecritureComplete(const QString &fileName, const QByteArray &bytes, QString *reason = nullptr);
