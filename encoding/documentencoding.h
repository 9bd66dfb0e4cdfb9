#pragma once

#include "lineends.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The encodings of documents, and the one rule by which a file's bytes become a
// document's text, shared by the editor and the viewer so that both always show
// the same text for the same file:
//  1. a byte-order mark (UTF-8, UTF-16 or UTF-32) names the encoding;
//  2. otherwise a character set declared in the first 1024 bytes does (a <meta>
//     element or an XML declaration), when the toolkit knows it; a declared UTF-16
//     or UTF-32 without a mark means UTF-8, as browsers read it;
//  3. otherwise bytes that are valid UTF-8 with at least one multi-byte sequence
//     are UTF-8;
//  4. otherwise ISO 8859-1, in which every byte is a character.
// An encoding is taken only when the text it gives is written back to the very
// same bytes: when a mark or a declaration fails that test, the next step
// applies, down to ISO 8859-1, which always holds. Every line end (CR LF, LF or a
// lone CR) is read as a line feed; the convention of most lines is told apart, so
// that the editor writes it back.
namespace DocumentEncoding {

struct Encoding
{
    // The name the toolkit's converters know it by: "UTF-8", "ISO-8859-1",
    // "windows-1251", "UTF-16LE".
    QByteArray name;
    // Whether the file starts with a byte-order mark.
    bool bom = false;

    // How the user sees it: "UTF-8", "UTF-8 avec BOM", "ISO 8859-1", "UTF-16 LE".
    QString label() const;
    // How a page declares it: "UTF-8", "ISO-8859-2", "windows-1251".
    QByteArray declaredName() const;
    bool isLatin1() const;

    bool operator==(const Encoding &other) const { return name == other.name && bom == other.bom; }
    bool operator!=(const Encoding &other) const { return !(*this == other); }
};

// ISO 8859-1, the encoding of new documents.
Encoding latin1();

// The encoding that a label or a name stands for ("UTF-8 avec BOM", "ISO 8859-2",
// "cp1251", "Shift_JIS"), when the toolkit can read and write it.
std::optional<Encoding> fromName(const QString &labelOrName);

// The encodings offered to the user, as the toolkit can read and write them.
QList<Encoding> choices();

// A file's text by the rule, its line ends as line feeds.
struct Decoded
{
    QString text;
    Encoding encoding;
    LineEnds::Survey lineEnds;
    // Empty when the file followed its mark or declaration (or had none); else,
    // in French, which one it did not follow and what was used instead.
    QString notice;
};
Decoded decode(const QByteArray &bytes);

// A file's text in the given encoding, its line ends as line feeds (surveyed in
// lineEnds, when given), a leading byte-order mark of that encoding left out;
// nothing when that encoding would lose or change bytes.
std::optional<QString> decodeAs(const QByteArray &bytes, const Encoding &encoding,
                                LineEnds::Survey *lineEnds = nullptr);

// The bytes of a document's text (QTextDocument::toRawText, or any text) in the
// given encoding: paragraph and line separators as line feeds, the byte-order
// mark first when the encoding has one. A character that the encoding cannot hold
// is written, when htmlReferences is set, as the numeric reference "&#N;" with N
// the decimal code point of the whole character (half a surrogate pair is
// U+FFFD); otherwise as "?". unencodable, when given, receives the number of
// characters written as "?".
QByteArray encode(QString text, const Encoding &encoding, bool htmlReferences,
                  int *unencodable = nullptr);

// A character set declared in the first 1024 characters of a page: a <meta
// charset=...>, a <meta http-equiv="content-type" content="...; charset=...">, or
// an XML declaration with an encoding. start and length locate the name in text.
struct Declaration
{
    QString name;
    qsizetype start = -1;
    qsizetype length = 0;
    bool found() const { return start >= 0; }
};
Declaration findDeclaration(QStringView text);

// The encoding a declared name stands for, given the document's present one
// (which keeps its byte-order mark when the name is its own): a declared UTF-16
// or UTF-32 means UTF-8 unless the document already is one of those; nothing
// for a name the toolkit does not know.
std::optional<Encoding> forDeclaration(const QString &declared, const Encoding &present);

} // namespace DocumentEncoding
