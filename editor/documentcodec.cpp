#include "documentcodec.h"

#include <QStringDecoder>

namespace DocumentCodec {

QString decodeDocument(const QByteArray &bytes)
{
    QByteArray lines = bytes;
    lines.replace("\r\n", "\n");
    // Stateless: ISO 8859-1 has no multi-byte sequences, but no byte may be held back.
    QStringDecoder decoder(QStringConverter::Latin1, QStringConverter::Flag::Stateless);
    return decoder.decode(lines);
}

QByteArray encodeDocument(const QString &text, bool htmlReferences, int *unencodable)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    int lost = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < 0x100) {
            bytes.append(char(unit));
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            codePoint = QChar::surrogateToUcs4(unit, text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            // Half a pair is no character; a browser shows the replacement
            // character for it, so that is what the reference names.
            codePoint = QChar::ReplacementCharacter;
        }
        if (htmlReferences) {
            bytes.append("&#");
            bytes.append(QByteArray::number(quint32(codePoint)));
            bytes.append(';');
        } else {
            bytes.append('?');
            ++lost;
        }
    }
    if (unencodable)
        *unencodable = lost;
    return bytes;
}

QString fileTextFromRawText(const QString &rawText)
{
    QString text = rawText;
    for (QChar &c : text) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    }
    return text;
}

bool isHtmlFileName(const QString &fileName)
{
    return fileName.contains(QLatin1String(".htm")) || fileName.contains(QLatin1String(".php"));
}

} // namespace DocumentCodec
