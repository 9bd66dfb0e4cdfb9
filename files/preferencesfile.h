#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>

// The format of marlisse.opt, the file that keeps the editor font and the folder
// of the open dialog from one run to the next: seven lines, each ended by a line
// feed (two fixed header lines, font family, point size, weight on the 0-99 scale,
// italic flag, folder). Kept apart from the window so that it can be tested alone.
namespace PreferencesFile {

struct Preferences
{
    QFont font;
    QString folder;
};

// The editor font when no preferences file exists: the toolkit's default font as
// 14-point Helvetica with fixed pitch.
QFont defaultFont();

// The preferences that the bytes of a file hold. A value that is missing or
// unusable (not a number, a point size outside 1-512, the font dialog's range, a
// weight outside 0-99, an empty family or folder) is taken from fallback, so that
// a damaged file still gives a usable font. A font read from the file has no
// fixed pitch.
Preferences parse(const QByteArray &bytes, const Preferences &fallback);

// The seven lines of the file for font and folder, UTF-8 encoded.
QByteArray format(const QFont &font, const QString &folder);

// The file keeps the weight on the 0-99 scale of earlier versions of the toolkit
// (50 normal, 75 bold); fonts now use 100-900 (400 normal, 700 bold).
int toFileWeight(int fontWeight);
int fromFileWeight(int fileWeight);

} // namespace PreferencesFile
