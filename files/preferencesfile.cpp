#include "preferencesfile.h"

#include <QList>
#include <QStringDecoder>

#include <array>
#include <cstdlib>
#include <utility>

namespace PreferencesFile {

namespace {

const char header[] = "Fichier créé par Marlisse pour enregistrer les préférences de "
                      "l'utilisateur\nNE PAS MODIFIER MANUELLEMENT\n";

// Named weights on both scales; other values go to the nearest of them.
constexpr std::array<std::pair<int, int>, 9> weightScales = {{
    {0, QFont::Thin},
    {12, QFont::ExtraLight},
    {25, QFont::Light},
    {50, QFont::Normal},
    {57, QFont::Medium},
    {63, QFont::DemiBold},
    {75, QFont::Bold},
    {81, QFont::ExtraBold},
    {87, QFont::Black},
}};

const int defaultFileWeight = 50;
const int defaultPointSize = 14;
// The largest size that the toolkit's font dialog accepts.
const int maxPointSize = 512;

// The file is written in UTF-8; a file that is not valid UTF-8 comes from an
// 8-bit system and is read as ISO 8859-1, so that an accented folder survives.
QString decodeLines(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder latin1(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    return latin1.decode(bytes);
}

int numberOnLine(const QStringList &lines, int index, bool *ok)
{
    *ok = false;
    if (index >= lines.size())
        return 0;
    return lines.at(index).trimmed().toInt(ok);
}

// A family or folder cannot hold a line break: the file would no longer have
// seven lines.
bool fitsOnOneLine(const QString &text)
{
    return !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'));
}

// Control characters are in no font's name: such a line is damage.
bool isFamilyName(const QString &family)
{
    for (const QChar c : family) {
        if (c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace

QFont defaultFont()
{
    QFont font;
    font.setFamily(QStringLiteral("Helvetica"));
    font.setFixedPitch(true);
    font.setPointSize(defaultPointSize);
    return font;
}

int toFileWeight(int fontWeight)
{
    int best = weightScales.front().first;
    int bestDistance = std::abs(weightScales.front().second - fontWeight);
    for (const auto &[fileWeight, qtWeight] : weightScales) {
        const int distance = std::abs(qtWeight - fontWeight);
        if (distance < bestDistance) {
            best = fileWeight;
            bestDistance = distance;
        }
    }
    return best;
}

int fromFileWeight(int fileWeight)
{
    int best = weightScales.front().second;
    int bestDistance = std::abs(weightScales.front().first - fileWeight);
    for (const auto &[fileScale, qtWeight] : weightScales) {
        const int distance = std::abs(fileScale - fileWeight);
        if (distance < bestDistance) {
            best = qtWeight;
            bestDistance = distance;
        }
    }
    return best;
}

Preferences parse(const QByteArray &bytes, const Preferences &fallback)
{
    QStringList lines = decodeLines(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }

    QString family = lines.value(2);
    if (family.trimmed().isEmpty() || !isFamilyName(family))
        family = fallback.font.family();

    bool ok = false;
    int pointSize = numberOnLine(lines, 3, &ok);
    if (!ok || pointSize < 1 || pointSize > maxPointSize)
        pointSize = fallback.font.pointSize() > 0 ? fallback.font.pointSize() : defaultPointSize;

    int fileWeight = numberOnLine(lines, 4, &ok);
    if (!ok || fileWeight < 0 || fileWeight > 99)
        fileWeight = defaultFileWeight;

    int italicFlag = numberOnLine(lines, 5, &ok);
    if (!ok)
        italicFlag = 0;

    Preferences result;
    result.font = QFont(family, pointSize, fromFileWeight(fileWeight), italicFlag != 0);
    // The line is one family's name as written: the toolkit would otherwise read
    // commas and quotes in it as a list of names and strip the quotes.
    result.font.setFamilies({family});
    result.folder = lines.value(6);
    // A carriage return inside the line cannot have been written: damage.
    if (result.folder.isEmpty() || !fitsOnOneLine(result.folder))
        result.folder = fallback.folder;
    return result;
}

QByteArray format(const QFont &font, const QString &folder)
{
    const bool italic = font.style() != QFont::StyleNormal;
    const QString family = fitsOnOneLine(font.family()) ? font.family() : QString();
    const QString safeFolder = fitsOnOneLine(folder) ? folder : QString();
    QByteArray bytes(header);
    bytes += family.toUtf8() + '\n';
    bytes += QByteArray::number(font.pointSize()) + '\n';
    bytes += QByteArray::number(toFileWeight(font.weight())) + '\n';
    bytes += QByteArray(italic ? "1" : "0") + '\n';
    bytes += safeFolder.toUtf8() + '\n';
    return bytes;
}

} // namespace PreferencesFile
