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
// written as "?".
QByteArray encodeDocument(const QString &text, bool htmlReferences, int *unencodable = nullptr);

// The bytes of the raw text of a QTextDocument (QTextDocument::toRawText), in one
// pass: paragraph and line separators become line feeds, everything else is
// encoded as encodeDocument does, non-breaking spaces included (toPlainText would
// turn those into blanks).
QByteArray encodeRawText(const QString &rawText, bool htmlReferences, int *unencodable = nullptr);

// A document is HTML when its path holds ".htm" or ".php" anywhere, folders
// included, with this case: ".html" counts, ".HTM" does not.
bool isHtmlFileName(const QString &fileName);

} // namespace DocumentCodec
