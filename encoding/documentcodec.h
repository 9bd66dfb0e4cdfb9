#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// How a document's text becomes the bytes of its file and back. Documents are
// ISO 8859-1: every byte is one character. Kept apart from the window so that the
// conversions can be tested on their own.
namespace DocumentCodec {

// The text of a file's bytes: each byte is the character of the same number, and
// a CR LF pair becomes one line feed, as reading in text mode does.
QString decodeDocument(QByteArrayView bytes);

// The bytes of a document's text. A character that ISO 8859-1 cannot hold is
// written, when htmlReferences is set, as the numeric reference "&#N;" with N the
// decimal code point of the whole character (a surrogate pair counts as one);
// otherwise as "?". unencodable, when given, receives the number of characters
// written as "?"; references, the number written as references.
QByteArray encodeDocument(const QString &text, bool htmlReferences, int *unencodable = nullptr,
                          int *references = nullptr);

// The bytes of the raw text of a QTextDocument (QTextDocument::toRawText), in one
// pass: line breaks (isLineBreak) become line feeds, everything else is encoded as
// encodeDocument does, non-breaking spaces included (toPlainText would turn those
// into blanks).
QByteArray encodeRawText(const QString &rawText, bool htmlReferences, int *unencodable = nullptr,
                         int *references = nullptr);

// The characters that the editing widget holds as line breaks: the line and
// paragraph separators, and U+FDD0 and U+FDD1, which the toolkit's text document
// keeps for its frames and turns into paragraph separators. A file that holds one
// would not be written back as it was.
constexpr bool isLineBreak(char16_t unit)
{
    return unit == 0x2028 || unit == 0x2029 || unit == 0xfdd0 || unit == 0xfdd1;
}

// A document is HTML when its path holds ".htm" or ".php" anywhere, folders
// included, with this case: ".html" counts, ".HTM" does not.
bool isHtmlFileName(const QString &fileName);

} // namespace DocumentCodec
