// Where a file declares its character set, found as browsers find it: the HTML
// standard's prescan of the first 1024 bytes, the parser that meets a <meta>
// anywhere in the page, the XML declaration, the @charset of a stylesheet.

#include "documentcodec.h"
#include "documentencoding.h"
#include "weblabels.h"

#include <QRegularExpression>
#include <QtAlgorithms>

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace DocumentEncoding {

namespace {

// The bytes the prescan reads.
constexpr qsizetype prescanBytes = 1024;

// Markup as a file's bytes, or as a document's text, in which the characters the
// editing widget holds as line breaks are line feeds, as in the file: only ASCII
// matters to markup, and positions are those of the bytes or of the text.
class ByteUnits
{
public:
    explicit ByteUnits(QByteArrayView bytes)
        : data(bytes)
    { }
    qsizetype size() const { return data.size(); }
    char16_t at(qsizetype i) const { return uchar(data[i]); }
    qsizetype find(char16_t unit, qsizetype from) const
    {
        if (from >= data.size())
            return -1;
        const void *found = std::memchr(data.data() + from, int(unit), size_t(data.size() - from));
        return found ? static_cast<const char *>(found) - data.data() : -1;
    }
    qsizetype find(const char *text, qsizetype from) const { return data.indexOf(text, from); }
    QString text(qsizetype start, qsizetype end) const
    {
        return QString::fromLatin1(data.sliced(start, end - start));
    }
    ByteUnits first(qsizetype n) const { return ByteUnits(data.first(std::min(n, data.size()))); }

private:
    QByteArrayView data;
};

class TextUnits
{
public:
    explicit TextUnits(QStringView text)
        : data(text)
    { }
    qsizetype size() const { return data.size(); }
    char16_t at(qsizetype i) const
    {
        const char16_t unit = data[i].unicode();
        return DocumentCodec::isLineBreak(unit) ? u'\n' : unit;
    }
    qsizetype find(char16_t unit, qsizetype from) const
    {
        if (unit == u'\n') {
            for (qsizetype i = from; i < data.size(); ++i) {
                if (at(i) == u'\n')
                    return i;
            }
            return -1;
        }
        return data.indexOf(QChar(unit), from);
    }
    qsizetype find(const char *text, qsizetype from) const
    {
        return data.indexOf(QLatin1StringView(text), from);
    }
    QString text(qsizetype start, qsizetype end) const
    {
        QString part = data.sliced(start, end - start).toString();
        for (QChar &unit : part) {
            if (DocumentCodec::isLineBreak(unit.unicode()))
                unit = QLatin1Char('\n');
        }
        return part;
    }
    TextUnits first(qsizetype n) const { return TextUnits(data.first(std::min(n, data.size()))); }

private:
    QStringView data;
};

// The white space of markup, as the HTML standard names it.
bool isSpace(char16_t unit)
{
    return unit == 0x09 || unit == 0x0a || unit == 0x0c || unit == 0x0d || unit == 0x20;
}

bool isLetter(char16_t unit)
{
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

char16_t lower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 0x20) : unit;
}

bool isLabel(const QString &name)
{
    return WebLabels::encodingOf(name).has_value();
}

// What one <meta> element declares.
struct Meta
{
    // Its charset attribute (the first, as the parser keeps it), which decides
    // for the element. unquoted: its value was not in quotes.
    bool hasCharset = false;
    std::optional<Declaration> charset;
    bool unquoted = false;
    // The charset named in its content attribute, which counts only with
    // http-equiv "content-type".
    std::optional<Declaration> content;
    bool pragma = false;

    // The declaration the prescan takes from the element: its charset attribute,
    // a label or not; else the content's label with the pragma.
    std::optional<Declaration> forPrescan() const
    {
        if (hasCharset)
            return charset;
        return pragma ? content : std::nullopt;
    }

    // The declaration a browser's parser takes from it: its charset when that is a
    // label, else the content's label with the pragma; else (a name that is no
    // label, to be told) what the prescan takes.
    std::optional<Declaration> forParser() const
    {
        if (hasCharset && charset && isLabel(charset->name))
            return charset;
        if (pragma && content && isLabel(content->name))
            return content;
        return forPrescan();
    }
};

// A scan of markup for the <meta> elements that declare a character set, the
// HTML standard's prescan or its tokenizer, on the bytes of a file or on the
// text of a document.
template<typename Units>
class Scan
{
public:
    explicit Scan(Units units)
        : units(units)
        , size(units.size())
    { }

    // The prescan: comments skipped, the attributes of every tag read (so that
    // a ">" or a "<meta" in one of their values is no markup), and nothing else.
    QList<Meta> prescan()
    {
        QList<Meta> metas;
        for (qsizetype at = 0; at < size;) {
            if (startsWith(at, "<!--")) {
                // A comment ends at the first "-->", which may share its dashes with
                // the "<!--": "<!-->" is a whole comment.
                const qsizetype end = units.find("-->", at + 2);
                if (end < 0)
                    break;
                at = end + 3;
            } else if (startsWith(at, "<meta") && at + 5 < size
                       && (isSpace(unit(at + 5)) || unit(at + 5) == u'/')) {
                Meta meta;
                at = attributes(at + 5, &meta);
                if (at < 0)
                    break;
                metas << meta;
            } else if (unit(at) == u'<' && at + 1 < size
                       && (isLetter(unit(at + 1))
                           || (unit(at + 1) == u'/' && at + 2 < size && isLetter(unit(at + 2))))) {
                while (at < size && !isSpace(unit(at)) && unit(at) != u'>')
                    ++at;
                at = attributes(at, nullptr);
                if (at < 0)
                    break;
            } else if (unit(at) == u'<' && at + 1 < size
                       && (unit(at + 1) == u'!' || unit(at + 1) == u'/' || unit(at + 1) == u'?')) {
                const qsizetype end = units.find(u'>', at + 1);
                if (end < 0)
                    break;
                at = end + 1;
            } else {
                ++at;
            }
        }
        return metas;
    }

    // The tokenizer, as a browser's parser meets the page: comments, and the
    // contents of the elements that hold text rather than markup (<script>,
    // <style>, <textarea>, <title> and the like) skipped. Stops after the first
    // element that declares a label when firstLabel is set.
    QList<Meta> tokenize(bool firstLabel)
    {
        QList<Meta> metas;
        for (qsizetype at = 0;;) {
            at = units.find(u'<', at);
            if (at < 0 || at + 1 >= size)
                break;
            const char16_t next = unit(at + 1);
            if (next == u'!') {
                at = startsWith(at, "<!--") ? commentEnd(at + 4) : bogusCommentEnd(at + 2);
            } else if (next == u'?') {
                at = bogusCommentEnd(at + 1);
            } else if (next == u'/') {
                if (at + 2 < size && isLetter(unit(at + 2)))
                    at = attributes(nameEnd(at + 2), nullptr);
                else if (at + 2 < size && unit(at + 2) == u'>')
                    at += 3;
                else
                    at = bogusCommentEnd(at + 2);
            } else if (isLetter(next)) {
                const qsizetype name = at + 1;
                const qsizetype end = nameEnd(name);
                const Element element = elementOf(name, end);
                Meta meta;
                at = attributes(end, element == Element::Meta ? &meta : nullptr);
                if (at < 0)
                    break;
                if (element == Element::Meta) {
                    metas << meta;
                    const auto declaration = meta.forParser();
                    if (firstLabel && declaration && isLabel(declaration->name))
                        break;
                } else if (element == Element::PlainText) {
                    break; // the rest of the page is its text
                } else if (element == Element::Text) {
                    at = endTag(at, name, end);
                }
            } else {
                ++at;
            }
            if (at < 0)
                break;
        }
        return metas;
    }

    // The attributes of the <meta> whose name ends at "at", read as the tokenizer
    // reads them into meta: past the tag's ">", or -1 when the text ends first.
    qsizetype metaAttributes(qsizetype at, Meta *meta) const { return attributes(at, meta); }

private:
    enum class Element { Other, Meta, Text, PlainText };

    char16_t unit(qsizetype at) const { return units.at(at); }

    // Whether the markup at "at" is text, ASCII letters in any case.
    bool startsWith(qsizetype at, const char *text) const
    {
        const qsizetype length = qsizetype(std::strlen(text));
        if (at + length > size)
            return false;
        for (qsizetype i = 0; i < length; ++i) {
            if (lower(unit(at + i)) != char16_t(text[i]))
                return false;
        }
        return true;
    }

    qsizetype nameEnd(qsizetype at) const
    {
        while (at < size && !isSpace(unit(at)) && unit(at) != u'/' && unit(at) != u'>')
            ++at;
        return at;
    }

    // The elements whose contents the tokenizer reads as text: scripts, the raw
    // text of <style> and of what browsers that run scripts do not show, the
    // escapable text of <textarea> and <title>.
    Element elementOf(qsizetype start, qsizetype end) const
    {
        static const char *const textElements[]
            = {"script", "style",   "textarea", "title",   "xmp",
               "iframe", "noembed", "noframes", "noscript"};
        const qsizetype length = end - start;
        if (length == 4 && startsWith(start, "meta"))
            return Element::Meta;
        if (length == 9 && startsWith(start, "plaintext"))
            return Element::PlainText;
        for (const char *name : textElements) {
            if (length == qsizetype(std::strlen(name)) && startsWith(start, name))
                return Element::Text;
        }
        return Element::Other;
    }

    // Past the end of a comment begun before at: "-->", or "--!>", or "<!-->"
    // and "<!--->" as a whole; -1 when it runs to the end.
    qsizetype commentEnd(qsizetype at) const
    {
        if (at < size && unit(at) == u'>')
            return at + 1;
        if (at + 1 < size && unit(at) == u'-' && unit(at + 1) == u'>')
            return at + 2;
        // Every "--" inside a run of dashes ends where the run does: the next one is
        // looked for past it, so that a long rule of dashes is read once.
        for (qsizetype dashes = units.find("--", at); dashes >= 0;) {
            qsizetype after = dashes + 2;
            while (after < size && unit(after) == u'-')
                ++after;
            if (after < size && unit(after) == u'>')
                return after + 1;
            if (after + 1 < size && unit(after) == u'!' && unit(after + 1) == u'>')
                return after + 2;
            dashes = units.find("--", after);
        }
        return -1;
    }

    qsizetype bogusCommentEnd(qsizetype at) const
    {
        const qsizetype end = units.find(u'>', at);
        return end < 0 ? -1 : end + 1;
    }

    // Where the text of an element ends: at its end tag, "</" and its name
    // followed by white space, "/" or ">"; -1 when it runs to the end.
    qsizetype endTag(qsizetype at, qsizetype nameStart, qsizetype nameEndAt) const
    {
        const qsizetype length = nameEndAt - nameStart;
        for (at = units.find(u'<', at); at >= 0; at = units.find(u'<', at + 1)) {
            if (at + 2 + length >= size)
                return -1;
            if (unit(at + 1) != u'/')
                continue;
            bool same = true;
            for (qsizetype i = 0; i < length && same; ++i)
                same = lower(unit(at + 2 + i)) == lower(unit(nameStart + i));
            const char16_t after = unit(at + 2 + length);
            if (same && (isSpace(after) || after == u'/' || after == u'>'))
                return at;
        }
        return -1;
    }

    // The attributes of a tag from at on, as the tokenizer reads them (the
    // prescan's "get an attribute" reads them alike): past the tag's ">", or -1
    // when the text ends first, which cuts the tag. Those of a <meta> that tell
    // its character set go into meta, each the first of its name, as the
    // tokenizer keeps them: only three names are looked at, so that a tag of any
    // number of attributes is read in one pass.
    qsizetype attributes(qsizetype at, Meta *meta) const
    {
        bool seenCharset = false;
        bool seenContent = false;
        bool seenPragma = false;
        for (;;) {
            while (at < size && (isSpace(unit(at)) || unit(at) == u'/'))
                ++at;
            if (at >= size)
                return -1;
            if (unit(at) == u'>')
                return at + 1;
            const qsizetype nameStart = at++;
            while (at < size && !isSpace(unit(at)) && unit(at) != u'/' && unit(at) != u'>'
                   && unit(at) != u'=')
                ++at;
            const qsizetype nameLength = at - nameStart;
            while (at < size && isSpace(unit(at)))
                ++at;
            if (at >= size)
                return -1;
            qsizetype valueStart = at;
            qsizetype valueEnd = at;
            bool quoted = false;
            if (unit(at) == u'=') {
                ++at;
                while (at < size && isSpace(unit(at)))
                    ++at;
                if (at >= size)
                    return -1;
                const char16_t quote = unit(at);
                if (quote == u'"' || quote == u'\'') {
                    valueStart = at + 1;
                    valueEnd = units.find(quote, valueStart);
                    if (valueEnd < 0)
                        return -1;
                    at = valueEnd + 1;
                    quoted = true;
                } else {
                    valueStart = at;
                    while (at < size && !isSpace(unit(at)) && unit(at) != u'>')
                        ++at;
                    if (at >= size)
                        return -1;
                    valueEnd = at;
                }
            }
            if (!meta)
                continue;
            if (nameLength == 7 && startsWith(nameStart, "charset") && !seenCharset) {
                seenCharset = true;
                meta->hasCharset = true;
                meta->unquoted = !quoted;
                meta->charset = declarationIn(valueStart, valueEnd);
            } else if (nameLength == 7 && startsWith(nameStart, "content") && !seenContent) {
                seenContent = true;
                meta->content = fromContent(valueStart, valueEnd);
            } else if (nameLength == 10 && startsWith(nameStart, "http-equiv") && !seenPragma) {
                seenPragma = true;
                meta->pragma
                    = valueEnd - valueStart == 12 && startsWith(valueStart, "content-type");
            }
        }
    }

    // The declaration between start and end, ASCII white space aside; nothing
    // when that leaves no name.
    std::optional<Declaration> declarationIn(qsizetype start, qsizetype end) const
    {
        while (start < end && isSpace(unit(start)))
            ++start;
        while (end > start && isSpace(unit(end - 1)))
            --end;
        if (start == end)
            return std::nullopt;
        Declaration declaration;
        declaration.name = units.text(start, end);
        declaration.start = start;
        declaration.length = end - start;
        return declaration;
    }

    // The "extracting a character encoding from a meta element" steps, on the
    // value of a content attribute.
    std::optional<Declaration> fromContent(qsizetype start, qsizetype end) const
    {
        for (qsizetype at = start; at + 7 <= end;) {
            if (!startsWith(at, "charset")) {
                ++at;
                continue;
            }
            at += 7;
            while (at < end && isSpace(unit(at)))
                ++at;
            if (at >= end || unit(at) != u'=')
                continue;
            ++at;
            while (at < end && isSpace(unit(at)))
                ++at;
            if (at >= end)
                return std::nullopt;
            const char16_t quote = unit(at);
            qsizetype valueEnd = ++at;
            if (quote == u'"' || quote == u'\'') {
                while (valueEnd < end && unit(valueEnd) != quote)
                    ++valueEnd;
                if (valueEnd >= end)
                    return std::nullopt;
            } else {
                --at;
                valueEnd = at;
                while (valueEnd < end && !isSpace(unit(valueEnd)) && unit(valueEnd) != u';')
                    ++valueEnd;
            }
            return declarationIn(at, valueEnd);
        }
        return std::nullopt;
    }

    Units units;
    qsizetype size;
};

// The XML declaration at the very start of a text, as XML writes it: "<?xml", in
// this case, white space, and an encoding pseudo-attribute after white space
// with its name in quotes that close.
template<typename Units>
Declaration xmlDeclaration(const Units &units)
{
    static const QRegularExpression xml(QStringLiteral(
        R"(^<\?xml(?:[ \t\r\n][^>]*?)?[ \t\r\n]encoding[ \t\r\n]*=[ \t\r\n]*(["'])([A-Za-z][A-Za-z0-9._-]*)\1)"));
    const QString head = units.text(0, std::min(units.size(), prescanBytes));
    const QRegularExpressionMatch match = xml.match(head);
    Declaration declaration;
    if (match.hasMatch()) {
        declaration.name = match.captured(2);
        declaration.start = match.capturedStart(2);
        declaration.length = match.capturedLength(2);
        declaration.xml = true;
    }
    return declaration;
}

// The @charset rule at the very start of a stylesheet, as CSS reads it: exactly
// '@charset "', a name in ASCII (no '"'), '";', in its first 1024 bytes.
template<typename Units>
Declaration charsetRule(const Units &units)
{
    static const char opening[] = "@charset \"";
    const qsizetype start = qsizetype(sizeof opening) - 1;
    const qsizetype size = std::min(units.size(), prescanBytes);
    for (qsizetype i = 0; i < start; ++i) {
        if (i >= size || units.at(i) != char16_t(opening[i]))
            return Declaration();
    }
    qsizetype end = start;
    while (end < size && units.at(end) < 0x80 && units.at(end) != u'"')
        ++end;
    if (end + 1 >= size || units.at(end) != u'"' || units.at(end + 1) != u';')
        return Declaration();
    Declaration declaration;
    // ASCII white space around the name is no part of it.
    qsizetype from = start;
    qsizetype to = end;
    while (from < to && isSpace(units.at(from)))
        ++from;
    while (to > from && isSpace(units.at(to - 1)))
        --to;
    if (from == to)
        return Declaration();
    declaration.name = units.text(from, to);
    declaration.start = from;
    declaration.length = to - from;
    return declaration;
}

// The first position from "from" on where bytes hold first and then second, both
// in either case when they are letters (given in lower case): sixteen bytes at a
// time where the processor can, since it runs over every page that declares
// nothing.
qsizetype findPair(QByteArrayView bytes, qsizetype from, char first, char second)
{
    const char *const data = bytes.data();
    const qsizetype size = bytes.size();
    constexpr char caseBit = 0x20;
    const auto fold = [](char byte, char wanted) {
        return isLetter(uchar(wanted)) ? char(byte | caseBit) : byte;
    };
    qsizetype i = from;
#if defined(__SSE2__)
    const __m128i firstWanted = _mm_set1_epi8(first);
    const __m128i secondWanted = _mm_set1_epi8(second);
    const __m128i firstFold = _mm_set1_epi8(isLetter(uchar(first)) ? caseBit : 0);
    const __m128i secondFold = _mm_set1_epi8(isLetter(uchar(second)) ? caseBit : 0);
    for (; i + 17 <= size; i += 16) {
        const __m128i here
            = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i)), firstFold);
        const __m128i next = _mm_or_si128(
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i + 1)), secondFold);
        const int found = _mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(here, firstWanted), _mm_cmpeq_epi8(next, secondWanted)));
        if (found)
            return i + qCountTrailingZeroBits(uint(found));
    }
#endif
    for (; i + 1 < size; ++i) {
        if (fold(data[i], first) == first && fold(data[i + 1], second) == second)
            return i;
    }
    return -1;
}

// The first position from "from" on of word (in lower case) in bytes, in any case.
qsizetype findWord(QByteArrayView bytes, qsizetype from, const char *word)
{
    const qsizetype length = qsizetype(std::strlen(word));
    for (qsizetype at = findPair(bytes, from, word[0], word[1]); at >= 0;
         at = findPair(bytes, at + 1, word[0], word[1])) {
        if (at + length > bytes.size())
            return -1;
        qsizetype i = 2;
        while (i < length && char(bytes[at + i] | (isLetter(uchar(word[i])) ? 0x20 : 0)) == word[i])
            ++i;
        if (i == length)
            return at;
    }
    return -1;
}

// Whether a <meta> that declares may stand in bytes at all: the parser meets no
// other <meta> than one of those found here, and reads its attributes as they are
// read here. Most pages that declare nothing hold no such element, even when they
// have a <meta name="viewport"> and say "charset" elsewhere, and are told so much
// faster than their markup is read. Elements read within one another count their
// bytes again: past the page's size, the parser is left to tell.
bool mayDeclare(QByteArrayView bytes)
{
    const Scan scan(ByteUnits {bytes});
    qsizetype read = 0;
    for (qsizetype at = findWord(bytes, 0, "<meta"); at >= 0;
         at = findWord(bytes, at + 1, "<meta")) {
        if (at + 5 >= bytes.size() || !(isSpace(uchar(bytes[at + 5])) || bytes[at + 5] == '/'))
            continue;
        Meta meta;
        const qsizetype end = scan.metaAttributes(at + 5, &meta);
        if (end < 0 || meta.forParser())
            return true;
        read += end - at;
        if (read > bytes.size())
            return true;
    }
    return false;
}

// The first declaration of list that names a label, else the first one.
Declaration deciding(const QList<Declaration> &list)
{
    for (const Declaration &declaration : list) {
        if (isLabel(declaration.name))
            return declaration;
    }
    return list.value(0);
}

// The characters of text that its first 1024 bytes hold in an encoding.
qsizetype charactersInPrescan(QStringView text, const Encoding &encoding)
{
    qsizetype low = 0;
    qsizetype high = std::min(text.size(), prescanBytes);
    const Encoding unmarked {encoding.name, false, encoding.forms};
    if (encode(text.first(high).toString(), unmarked, false).size() <= prescanBytes)
        return high;
    // More bytes than characters: the longest part that fits.
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (encode(text.first(middle).toString(), unmarked, false).size() <= prescanBytes)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

} // namespace

Declaration findDeclaration(QByteArrayView bytes, Kind kind, Reach reach)
{
    const ByteUnits units(bytes);
    if (kind == Kind::Stylesheet)
        return charsetRule(units);
    QList<Declaration> found;
    const Declaration xml = xmlDeclaration(units);
    if (kind == Kind::Xml && xml.found())
        found << xml;
    QList<Declaration> prescanned;
    for (const Meta &meta : Scan(units.first(prescanBytes)).prescan()) {
        if (const auto declaration = meta.forPrescan())
            prescanned << *declaration;
    }
    // The parser meets what the prescan did not find: a <meta> past the first
    // 1024 bytes, or after one that the prescan took in a script. It decides when
    // it names a label.
    if (reach == Reach::WholePage && mayDeclare(bytes)) {
        const QList<Meta> met = Scan(units).tokenize(true);
        if (!met.isEmpty()) {
            if (auto declaration = met.last().forParser();
                declaration && isLabel(declaration->name)) {
                // One that the prescan passed over within its bytes (an empty
                // charset beside a content that declares) stands no further.
                declaration->late = declaration->start + declaration->length > prescanBytes
                    && std::none_of(prescanned.cbegin(), prescanned.cend(),
                                    [&](const Declaration &early) {
                                        return early.start == declaration->start;
                                    });
                found << *declaration;
            }
        }
    }
    found << prescanned;
    if (kind == Kind::Page && xml.found())
        found << xml;
    return deciding(found);
}

Declaration findDeclaration(QByteArrayView bytes, const Encoding &encoding, Kind kind)
{
    if (encoding.name.startsWith("UTF-16") || encoding.name.startsWith("UTF-32")) {
        const Encoding unmarked {encoding.name, false, nullptr};
        const QByteArrayView body
            = encoding.bom && bytes.size() >= (encoding.name.startsWith("UTF-16") ? 2 : 4)
            ? bytes.sliced(encoding.name.startsWith("UTF-16") ? 2 : 4)
            : bytes;
        const auto decoded = decodeAs(body.toByteArray(), unmarked);
        return findDeclaration(decoded ? decoded->text.toUtf8() : QByteArray(), kind);
    }
    if (encoding.bom && bytes.startsWith("\xef\xbb\xbf"))
        bytes = bytes.sliced(3);
    return findDeclaration(bytes, kind);
}

QList<Declaration> findDeclarations(QStringView text, const Encoding &encoding, Kind kind)
{
    const TextUnits units(text);
    QList<Declaration> found;
    if (kind == Kind::Stylesheet) {
        if (const Declaration rule = charsetRule(units); rule.found())
            found << rule;
        return found;
    }
    if (const Declaration xml = xmlDeclaration(units); xml.found())
        found << xml;
    const auto namesOf = [](const Meta &meta) {
        QList<Declaration> names;
        // Both places of an element that has both are rewritten, though only its
        // charset attribute decides.
        if (std::optional<Declaration> charset = meta.charset) {
            // <meta charset=utf-8/>: the "/" of the empty element stays.
            if (meta.unquoted && charset->length > 1 && charset->name.endsWith(QLatin1Char('/'))) {
                charset->name.chop(1);
                --charset->length;
            }
            names << *charset;
        }
        if (meta.pragma && meta.content)
            names << *meta.content;
        return names;
    };
    for (const Meta &meta : Scan(units).tokenize(false))
        found << namesOf(meta);
    const qsizetype parsed = found.size();
    // The prescan reads a script's text as markup: a value it reads there may hold
    // what the parser takes for a <meta>, which alone is rewritten.
    for (const Meta &meta : Scan(units.first(charactersInPrescan(text, encoding))).prescan()) {
        for (const Declaration &name : namesOf(meta)) {
            const bool within = std::any_of(found.cbegin(), found.cbegin() + parsed,
                                            [&name](const Declaration &other) {
                                                return name.start < other.start + other.length
                                                    && other.start < name.start + name.length;
                                            });
            if (!within)
                found << name;
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Declaration &a, const Declaration &b) { return a.start < b.start; });
    found.erase(
        std::unique(found.begin(), found.end(),
                    [](const Declaration &a, const Declaration &b) { return a.start == b.start; }),
        found.end());
    return found;
}

std::optional<Conflict> findConflict(QByteArrayView bytes, Kind kind)
{
    if (kind == Kind::Stylesheet)
        return std::nullopt;
    const Declaration xml = xmlDeclaration(ByteUnits(bytes));
    if (!xml.found())
        return std::nullopt;
    const Declaration meta = findDeclaration(bytes, Kind::Page);
    if (!meta.found() || meta.xml || !isLabel(meta.name))
        return std::nullopt;
    const auto xmlEncoding = forDeclaration(xml.name, Encoding(), kind);
    const auto metaEncoding = forDeclaration(meta.name, Encoding());
    if (xmlEncoding && metaEncoding && xmlEncoding->name != metaEncoding->name)
        return Conflict {xml.name, meta.name};
    return std::nullopt;
}

Kind originOf(const Declaration &declaration, Kind kind)
{
    if (kind == Kind::Stylesheet)
        return Kind::Stylesheet;
    return kind == Kind::Xml && declaration.xml ? Kind::Xml : Kind::Page;
}

} // namespace DocumentEncoding
