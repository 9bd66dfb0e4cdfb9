// The readers and writers of documents. The ISO 8859-1 one: the bytes of a file
// come back unchanged (line ends aside), and text written with character
// references reads back as the same text with every character outside ISO 8859-1
// as its reference. The reading rule: whatever encoding it takes for any bytes,
// the text is written back to the same bytes, in its line ends; and a page
// written in any encoding reads back in it, what the encoding lacks as
// references. The declarations found in any text stand where they say. The
// encodings read through the WHATWG standard's indexes write back what they read.

#include "documentcodec.h"
#include "documentencoding.h"
#include "fuzzsupport.h"
#include "lineends.h"

using namespace DocumentCodec;

namespace {

// The text that reading back an HTML document must give.
QString withReferences(const QString &text)
{
    QString expected;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < 0x100) {
            expected += QChar(unit);
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
            && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            codePoint = QChar::surrogateToUcs4(unit, text.at(++i).unicode());
        else if (QChar::isSurrogate(unit))
            codePoint = QChar::ReplacementCharacter;
        expected += QStringLiteral("&#%1;").arg(quint32(codePoint));
    }
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Any file: one character a byte, and written back byte for byte.
    const QString read = decodeDocument(bytes);
    QByteArray lines = bytes;
    lines.replace("\r\n", "\n");
    FUZZ_CHECK(read.size() == lines.size(), "%lld characters for %lld bytes",
               static_cast<long long>(read.size()), static_cast<long long>(lines.size()));
    int lost = -1;
    FUZZ_CHECK(encodeDocument(read, false, &lost) == lines, "file bytes changed");
    FUZZ_CHECK(lost == 0, "%d characters lost from a file", lost);
    FUZZ_CHECK(encodeDocument(read, true) == lines, "file bytes changed (HTML)");

    // Any text: HTML keeps every character, plain text counts what becomes '?'.
    const QString text = fuzzText(bytes);
    const QByteArray html = encodeDocument(text, true);
    QString expected = withReferences(text);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    FUZZ_CHECK(decodeDocument(html) == expected, "HTML text not kept");

    // A document's raw text: its line breaks are line ends, the rest as above.
    QString textLines = text;
    for (const char16_t lineBreak : {u'\u2028', u'\u2029', u'\ufdd0', u'\ufdd1'})
        textLines.replace(QChar(lineBreak), QLatin1Char('\n'));
    FUZZ_CHECK(encodeRawText(text, true) == encodeDocument(textLines, true), "raw text (HTML)");
    FUZZ_CHECK(encodeRawText(text, false) == encodeDocument(textLines, false), "raw text");

    const QByteArray plain = encodeDocument(text, false, &lost);
    int characters = 0;
    int outside = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++characters) {
        const char16_t unit = text.at(i).unicode();
        if (unit >= 0x100) {
            ++outside;
            if (QChar::isHighSurrogate(unit) && i + 1 < text.size()
                && QChar::isLowSurrogate(text.at(i + 1).unicode()))
                ++i;
        }
    }
    FUZZ_CHECK(lost == outside, "%d counted, %d outside ISO 8859-1", lost, outside);
    FUZZ_CHECK(plain.size() == characters, "one byte a character");
    FUZZ_CHECK(plain.count('?') == text.count(QLatin1Char('?')) + lost, "'?' count");

    // The reading rule, on any bytes: written back in its line ends, the same
    // bytes; a file that mixes them, with each of its line ends as most lines have.
    const QByteArray &file = bytes;
    const DocumentEncoding::Decoded decoded = DocumentEncoding::decode(file);
    const char *const taken = decoded.encoding.name.constData();
    FUZZ_CHECK(!decoded.text.contains(QLatin1Char('\r')), "a CR left in %s", taken);
    const LineEnds::Convention convention = decoded.lineEnds.convention;
    for (const bool page : {true, false}) {
        const QByteArray again = DocumentEncoding::encode(
            LineEnds::withLineEnds(decoded.text, convention), decoded.encoding, page, &lost);
        if (!decoded.lineEnds.mixed()) {
            FUZZ_CHECK(again == file, "file bytes changed in %s", taken);
        } else {
            // Read in the same encoding: other line ends may make the bytes fit
            // another step of the rule (a UTF-16 mark followed by an even count).
            const auto reread = DocumentEncoding::decodeAs(again, decoded.encoding);
            FUZZ_CHECK(reread && reread->text == decoded.text && !reread->lineEnds.mixed()
                           && reread->lineEnds.convention == convention,
                       "mixed line ends not written in the majority's in %s", taken);
        }
        FUZZ_CHECK(lost == 0, "%d characters lost in %s", lost, taken);
    }
    const auto again = DocumentEncoding::decodeAs(file, decoded.encoding);
    FUZZ_CHECK(again && again->text == decoded.text && again->encoding == decoded.encoding,
               "read again in %s, another text", taken);

    // The declarations of any text name what stands where they say: in the bytes
    // of a file, and in a document's text, whose line breaks are line feeds to them.
    for (const auto kind : {DocumentEncoding::Kind::Page, DocumentEncoding::Kind::Xml,
                            DocumentEncoding::Kind::Stylesheet}) {
        for (const auto reach :
             {DocumentEncoding::Reach::WholePage, DocumentEncoding::Reach::FirstKilobyte}) {
            const DocumentEncoding::Declaration declaration
                = DocumentEncoding::findDeclaration(file, kind, reach);
            FUZZ_CHECK(
                !declaration.found()
                    || (declaration.start + declaration.length <= file.size()
                        && QString::fromLatin1(file.mid(declaration.start, declaration.length))
                            == declaration.name),
                "a declaration at %lld of the bytes is not where it says",
                static_cast<long long>(declaration.start));
        }
        // Each is replaced on its own: none holds another.
        qsizetype previousEnd = 0;
        for (const DocumentEncoding::Declaration &declaration :
             DocumentEncoding::findDeclarations(text, DocumentEncoding::latin1(), kind)) {
            FUZZ_CHECK(declaration.start >= previousEnd,
                       "the declaration at %lld of the text overlaps the one before",
                       static_cast<long long>(declaration.start));
            previousEnd = declaration.start + declaration.length;
            QString there = text.mid(declaration.start, declaration.length);
            for (QChar &unit : there) {
                if (DocumentCodec::isLineBreak(unit.unicode()))
                    unit = QLatin1Char('\n');
            }
            FUZZ_CHECK(declaration.start + declaration.length <= text.size()
                           && there == declaration.name,
                       "a declaration at %lld of the text is not where it says",
                       static_cast<long long>(declaration.start));
        }
    }

    // The encodings read through the WHATWG standard's indexes: whatever bytes
    // one of them reads, it writes them back.
    static const char *const indexed[]
        = {"Shift_JIS", "EUC-JP", "ISO-2022-JP", "Big5", "EUC-KR", "gb18030", "GBK", "IBM866"};
    const char *const reader = indexed[bytes.isEmpty() ? 0 : uchar(bytes.back()) % 8];
    if (const auto read = DocumentEncoding::decodeAs(file, DocumentEncoding::Encoding(reader))) {
        FUZZ_CHECK(read->lineEnds.mixed()
                       || DocumentEncoding::encode(
                              LineEnds::withLineEnds(read->text, read->lineEnds.convention),
                              read->encoding, false)
                           == file,
                   "bytes read in %s are not written back", reader);
    }

    // Any text written in a page, in one of a few encodings chosen by the input.
    static const char *const encodings[]
        = {"UTF-8",      "UTF-16 BE", "windows-1251", "Shift_JIS", "GB18030",
           "ISO 8859-1", "EUC-KR",    "Big5",         "EUC-JP",    "IBM866"};
    const char *const chosen = encodings[bytes.isEmpty() ? 0 : uchar(bytes[0]) % 10];
    const auto encoding = DocumentEncoding::fromName(QLatin1String(chosen));
    FUZZ_CHECK(encoding.has_value(), "%s unknown", chosen);
    const QByteArray written = DocumentEncoding::encode(text, *encoding, true, &lost);
    FUZZ_CHECK(lost == 0, "%d characters lost in a page in %s", lost, chosen);
    const auto back = DocumentEncoding::decodeAs(written, *encoding);
    FUZZ_CHECK(back.has_value(), "a page written in %s does not read back", chosen);
    // Unicode holds every character (half a surrogate pair aside).
    if (encoding->name.startsWith("UTF-") && textLines.isValidUtf16()) {
        QString lineFeeds = textLines;
        LineEnds::toLineFeeds(lineFeeds);
        FUZZ_CHECK(back->text == lineFeeds, "a page in %s read back as another text", chosen);
    }
    return 0;
}
