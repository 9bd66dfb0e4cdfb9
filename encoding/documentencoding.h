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
//  2. otherwise the character set the file declares does, found as browsers find
//     it (see findDeclaration), when the toolkit knows it; a declared UTF-16 or
//     UTF-32 without a mark means UTF-8, as browsers read it;
//  3. otherwise, for a stylesheet, the encoding of the page that links it;
//  4. otherwise bytes that are valid UTF-8 with at least one multi-byte sequence
//     are UTF-8;
//  5. otherwise ISO 8859-1, in which every byte is a character.
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

// Where a file declares its character set, which its name tells: a page in its
// <meta> elements and then its XML declaration; an XML file (.xhtml, .xml) in its
// XML declaration first, as XML readers take it; a stylesheet (.css) in the
// @charset rule at its very start, as CSS reads it.
enum class Kind { Page, Xml, Stylesheet };
Kind kindOf(const QString &fileName);

// A file's text by the rule, its line ends as line feeds (surveyed in lineEnds).
struct Decoded
{
    QString text;
    Encoding encoding;
    LineEnds::Survey lineEnds;
    // Empty when the file followed its mark or declaration (or had none); else,
    // in French, which one it did not follow and what was used instead, or that
    // its XML declaration and its <meta> disagree.
    QString notice;
};
// environment: for a stylesheet, the encoding of the page that links it.
Decoded decode(const QByteArray &bytes, Kind kind = Kind::Page,
               const std::optional<Encoding> &environment = std::nullopt);

// A file's text in the given encoding, its line ends as line feeds (surveyed in
// lineEnds), a leading byte-order mark of that encoding left out, with the
// encoding as the file has it: with its mark, or without one (UTF-16 LE chosen for
// a file that has no mark stays without). Nothing when that encoding would lose or
// change bytes.
std::optional<Decoded> decodeAs(const QByteArray &bytes, const Encoding &encoding);

// The bytes of a document's text (QTextDocument::toRawText, or any text) in the
// given encoding: the characters that the editing widget holds as line breaks
// (DocumentCodec::isLineBreak) as line feeds, the byte-order mark first when the
// encoding has one. A character that the encoding cannot hold is written, when
// htmlReferences is set, as the numeric reference "&#N;" with N the decimal code
// point of the whole character (half a surrogate pair is U+FFFD); otherwise as
// "?". unencodable, when given, receives the number of characters written as "?";
// references, the number written as references.
QByteArray encode(QString text, const Encoding &encoding, bool htmlReferences,
                  int *unencodable = nullptr, int *references = nullptr);

// A character set that a text declares: start and length locate the name in it.
struct Declaration
{
    QString name;
    qsizetype start = -1;
    qsizetype length = 0;
    bool found() const { return start >= 0; }
};

// The declaration that decides a text's encoding, as browsers find it in its first
// 1024 characters. In a page, the first <meta> element that declares a name of the
// WHATWG Encoding Standard, through a charset attribute or through http-equiv
// "content-type" with a content holding "charset=", comments skipped (the HTML
// standard's prescan); then its XML declaration, <?xml ... encoding="..."?>. In an
// XML file the XML declaration comes first. In a stylesheet, @charset "...";
// at its very start. A name that is not a label of the Encoding Standard is passed
// over, and given only when nothing else declares, so that it can be told.
Declaration findDeclaration(QStringView text, Kind kind = Kind::Page);

// Every declaration of a text, wherever it stands, in the text's order: the XML
// declaration and each charset of a declaring <meta> (comments skipped), or the
// @charset rule of a stylesheet.
QList<Declaration> findDeclarations(QStringView text, Kind kind = Kind::Page);

// The names of a page's XML declaration and of its deciding <meta> when both
// declare and stand for different encodings.
struct Conflict
{
    QString xml;
    QString meta;
};
std::optional<Conflict> findConflict(QStringView text, Kind kind = Kind::Page);

// The encoding a declared name stands for, given the document's present one
// (which keeps its byte-order mark when the name is its own): a declared UTF-16
// or UTF-32 means UTF-8 unless the document already is one of those; nothing
// for a name that is not a label of the Encoding Standard, or that the toolkit
// does not know. A label stands for what the toolkit calls by that name
// ("iso-8859-1" is ISO 8859-1, not windows-1252 as browsers take it): only
// being a label is asked of it.
std::optional<Encoding> forDeclaration(const QString &declared, const Encoding &present);

} // namespace DocumentEncoding
