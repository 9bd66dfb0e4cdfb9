#include "documentcodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace DocumentCodec {

QString decodeDocument(QByteArrayView bytes)
{
    // Stateless: ISO 8859-1 has no multi-byte sequences, but no byte may be held back.
    QStringDecoder decoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    if (!bytes.contains("\r\n"))
        return decoder.decode(bytes); // no copy of a large file for nothing
    QByteArray lines = bytes.toByteArray();
    lines.replace("\r\n", "\n");
    return decoder.decode(lines);
}

namespace {

// The one encoder behind encodeDocument and encodeRawText.
QByteArray encode(const QString &text, bool htmlReferences, int *unencodable, int *references,
                  bool separatorsAsLines)
{
    // One byte a character in the common case, written straight into the buffer;
    // the buffer grows only for character references.
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    qsizetype written = 0;
    int lost = 0;
    int referenced = 0;
    const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x100) {
            out[written++] = char(unit);
            continue;
        }
        if (separatorsAsLines && isLineBreak(unit)) {
            out[written++] = '\n';
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            codePoint = QChar::surrogateToUcs4(unit, units[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            // Half a pair is no character; a browser shows the replacement
            // character for it, so that is what the reference names.
            codePoint = QChar::ReplacementCharacter;
        }
        if (!htmlReferences) {
            out[written++] = '?';
            ++lost;
            continue;
        }
        const QByteArray reference = "&#" + QByteArray::number(quint32(codePoint)) + ';';
        const qsizetype needed = written + reference.size() + (size - i - 1);
        if (needed > bytes.size()) {
            bytes.resize(std::max(needed, bytes.size() + bytes.size() / 2));
            out = bytes.data();
        }
        std::memcpy(out + written, reference.constData(), size_t(reference.size()));
        written += reference.size();
        ++referenced;
    }
    bytes.resize(written);
    if (unencodable)
        *unencodable = lost;
    if (references)
        *references = referenced;
    return bytes;
}

} // namespace

QByteArray encodeDocument(const QString &text, bool htmlReferences, int *unencodable,
                          int *references)
{
    return encode(text, htmlReferences, unencodable, references, false);
}

QByteArray encodeRawText(const QString &rawText, bool htmlReferences, int *unencodable,
                         int *references)
{
    return encode(rawText, htmlReferences, unencodable, references, true);
}

bool isHtmlFileName(const QString &fileName)
{
    return fileName.contains(QLatin1String(".htm")) || fileName.contains(QLatin1String(".php"));
}

} // namespace DocumentCodec
