#pragma once

#include "lineends.h"
#include "webencodings.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>

// The encodings of documents, and the one rule by which a file's bytes become a
// document's text, shared by the editor and the viewer so that both always show
// the same text for the same file:
//  1. a byte-order mark (UTF-8, UTF-16 or UTF-32) names the encoding;
//  2. otherwise a page or an XML file that starts with "<?x" in UTF-16 (the XML
//     declaration, as XML's appendix F and the HTML prescan find it) is UTF-16;
//  3. otherwise the character set the file declares does, found as browsers find
//     it (see findDeclaration), with the meaning browsers give its label (see
//     forDeclaration): a declared UTF-16 or UTF-32 without a mark means UTF-8;
//  4. otherwise, for a stylesheet, the encoding of the page that links it;
//  5. otherwise bytes that are valid UTF-8 with at least one multi-byte sequence
//     are UTF-8;
//  6. otherwise ISO 8859-1, in which every byte is a character.
// An encoding is taken only when the text it gives is written back to the very
// same bytes: when a mark or a declaration fails that test, the next step
// applies, down to ISO 8859-1, which always holds. Every line end (CR LF, LF or a
// lone CR) is read as a line feed; the convention of most lines is told apart, so
// that the editor writes it back.
namespace DocumentEncoding {

struct Encoding
{
    Encoding() = default;
    Encoding(QByteArray name, bool bom = false,
             std::shared_ptr<const WebEncodings::Forms> forms = nullptr)
        : name(std::move(name))
        , bom(bom)
        , forms(std::move(forms))
    { }

    // The name it is read and written by: one of the legacy encodings of the
    // WHATWG Encoding Standard as the standard names it ("windows-1252",
    // "EUC-KR", "gb18030"), read as browsers read it (see WebEncodings); else
    // the name the toolkit's converters know it by ("UTF-8", "ISO-8859-1",
    // "ISO-8859-9", "UTF-16LE").
    QByteArray name;
    // Whether the file starts with a byte-order mark.
    bool bom = false;
    // For an encoding read through the standard's index, the file's own bytes
    // for characters it writes otherwise (see WebEncodings::Forms).
    std::shared_ptr<const WebEncodings::Forms> forms;

    // How the user sees it: "UTF-8", "UTF-8 avec BOM", "ISO 8859-1", "UTF-16 LE",
    // "windows-1252"; an encoding of the WHATWG standard by the standard's name.
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

// A character set that a text declares: start and length locate the name in it.
struct Declaration
{
    QString name;
    qsizetype start = -1;
    qsizetype length = 0;
    // It is the XML declaration, <?xml ... encoding="..."?>.
    bool xml = false;
    // It is a <meta> that only a browser's parser meets, past the first 1024 bytes
    // that the prescan reads.
    bool late = false;
    bool found() const { return start >= 0; }
};

// How far a page is searched for the <meta> that declares its encoding: the whole
// page, as browsers' parsers meet it, or only its first 1024 bytes, as their
// prescan reads them (what this program did before; the benchmark compares them).
enum class Reach { WholePage, FirstKilobyte };

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
    // The declaration that decides by the rule (findDeclaration), in the file's
    // bytes, whether the file followed it or not.
    Declaration declaration;
};
// environment: for a stylesheet, the encoding of the page that links it.
Decoded decode(const QByteArray &bytes, Kind kind = Kind::Page,
               const std::optional<Encoding> &environment = std::nullopt,
               Reach reach = Reach::WholePage);

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

// The declaration that decides the encoding of a file's bytes (ASCII-compatible
// bytes: the mark left out), found as browsers find it. In a page: the first
// <meta> element that declares a label of the WHATWG Encoding Standard, through a
// charset attribute or through http-equiv "content-type" with a content holding
// "charset=", as the parser meets it anywhere in the page (comments and the
// contents of <script>, <style>, <textarea>, <title> and the like passed over,
// as the tokenizer passes them); else the first such <meta> of the first 1024
// bytes as the prescan finds it (comments skipped, but not the contents of other
// elements); else the XML declaration, <?xml ... encoding="..."?>, at the very
// start. In an XML file the XML declaration comes first. In a stylesheet,
// '@charset "';, a name in ASCII, '";' at its very start. A name that is not a
// label is passed over, and given only when nothing else declares, so that it
// can be told.
Declaration findDeclaration(QByteArrayView bytes, Kind kind = Kind::Page,
                            Reach reach = Reach::WholePage);
// The same for the bytes of a file in an encoding: its mark left out; in UTF-16
// and UTF-32, whose bytes are no ASCII, in the same text in UTF-8.
Declaration findDeclaration(QByteArrayView bytes, const Encoding &encoding, Kind kind);

// The declarations of a document's text that the rule above follows, in the
// text's order, to be rewritten with another name: the XML declaration, each
// charset of a declaring <meta> as the parser meets it anywhere in the text, and
// of one the prescan finds in the part of the text that the first 1024 bytes of
// its file in encoding hold (not those in comments, in scripts, in a CDATA
// section); the @charset rule of a stylesheet. Each locates the name alone: not
// the blanks or line breaks around it, nor the "/" that ends
// <meta charset=utf-8/>.
QList<Declaration> findDeclarations(QStringView text, const Encoding &encoding,
                                    Kind kind = Kind::Page);

// The names of a page's XML declaration and of its deciding <meta> when both
// declare and stand for different encodings.
struct Conflict
{
    QString xml;
    QString meta;
};
std::optional<Conflict> findConflict(QByteArrayView bytes, Kind kind = Kind::Page);

// The encoding a declared label stands for, given the document's present one
// (empty when there is none yet; it stays when the label is its own, with its
// byte-order mark, or when it is what the toolkit calls by the label, as a new
// document in ISO 8859-1 that declares "ISO-8859-1"): the encoding of
// the WHATWG Encoding Standard that browsers give it ("iso-8859-1" is
// windows-1252); a declared UTF-16 or UTF-32 means UTF-8 unless the document
// already is one of those; x-user-defined in a page means windows-1252, and
// stays x-user-defined in a stylesheet, as CSS reads it. The XML declaration of
// an XML file (origin Kind::Xml) keeps its XML meaning, what the toolkit calls
// by that name. Nothing for a name that is not a label, or for an encoding that
// cannot be read.
std::optional<Encoding> forDeclaration(const QString &declared, const Encoding &present,
                                       Kind origin = Kind::Page);

// The origin of a declaration found in a file of a kind, for forDeclaration.
Kind originOf(const Declaration &declaration, Kind kind);

// What saving a document writes: its text, its line ends as the file has them,
// in the encoding it was read in, or, once the user has changed the value of the
// declaration that decides (declarationRead being the value its encoding was
// settled with), in what the new value stands for. The declaration is looked
// for, by the rule above, in the very bytes to be written, so that reading them
// back finds the same. declarations: whether the document's declarations count
// (a page, an XML file, a stylesheet, not a plain text). htmlReferences: what
// the encoding lacks is written as "&#N;", else as "?", as encode() does.
struct Saving
{
    QByteArray bytes;
    Encoding encoding;
    // The value of the declaration that decides in bytes (empty for none), or
    // declarationRead when declarations do not count.
    QString declaration;
    int unencodable = 0;
    int references = 0;
    // In French: a declared name that is no label, or an XML declaration that
    // disagrees with the <meta>.
    QStringList notices;
};
Saving encodeForSaving(const QString &text, const Encoding &encoding,
                       const QString &declarationRead, Kind kind, bool declarations,
                       bool htmlReferences);

} // namespace DocumentEncoding
