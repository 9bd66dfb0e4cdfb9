#include "documentencoding.h"

#include "documentcodec.h"
#include "lineends.h"
#include "webencodings.h"
#include "weblabels.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace DocumentEncoding {

namespace {

struct Known
{
    const char *label;
    const char *name; // the toolkit's own name for it
    bool bom;
};

// The encodings the user is offered, Unicode first, then those of the web by
// region (by the standard's name when the web has it: read as browsers read it;
// ISO 8859-1, ISO 8859-9, TIS-620 and GB2312 as the toolkit has them, strict); the last four are
// not offered: UTF-32 is read from a byte-order mark, but no browser reads it, and UTF-16 without a
// mark is only what a file read again in UTF-16 may turn out to be.
const Known known[] = {
    {"UTF-8", "UTF-8", false},
    {"UTF-8 avec BOM", "UTF-8", true},
    {"UTF-16 LE", "UTF-16LE", true},
    {"UTF-16 BE", "UTF-16BE", true},
    {"ISO 8859-1", "ISO-8859-1", false},
    {"ISO 8859-15", "ISO-8859-15", false},
    {"windows-1252", "windows-1252", false},
    {"ISO 8859-2", "ISO-8859-2", false},
    {"windows-1250", "windows-1250", false},
    {"ISO 8859-5", "ISO-8859-5", false},
    {"windows-1251", "windows-1251", false},
    {"KOI8-R", "KOI8-R", false},
    {"KOI8-U", "KOI8-U", false},
    {"IBM866", "IBM866", false},
    {"ISO 8859-7", "ISO-8859-7", false},
    {"windows-1253", "windows-1253", false},
    {"ISO 8859-9", "ISO-8859-9", false},
    {"windows-1254", "windows-1254", false},
    {"ISO 8859-8", "ISO-8859-8", false},
    {"windows-1255", "windows-1255", false},
    {"ISO 8859-6", "ISO-8859-6", false},
    {"windows-1256", "windows-1256", false},
    {"ISO 8859-4", "ISO-8859-4", false},
    {"ISO 8859-13", "ISO-8859-13", false},
    {"windows-1257", "windows-1257", false},
    {"windows-1258", "windows-1258", false},
    {"TIS-620", "TIS-620", false},
    {"windows-874", "windows-874", false},
    {"Shift_JIS", "Shift_JIS", false},
    {"EUC-JP", "EUC-JP", false},
    {"GB18030", "gb18030", false},
    {"GBK", "GBK", false},
    {"GB2312", "GB2312", false},
    {"Big5", "Big5", false},
    {"EUC-KR", "EUC-KR", false},
    {"UTF-32 LE", "UTF-32LE", true},
    {"UTF-32 BE", "UTF-32BE", true},
    {"UTF-16 LE sans BOM", "UTF-16LE", false},
    {"UTF-16 BE sans BOM", "UTF-16BE", false},
};
constexpr qsizetype offeredCount = qsizetype(std::size(known)) - 4;

constexpr char latin1Name[] = "ISO-8859-1";
constexpr char utf8Name[] = "UTF-8";

// The pieces in which large texts are checked, so that no whole copy is made.
constexpr qsizetype piece = 64 * 1024;

bool holdsLineBreak(QStringView text)
{
    return std::any_of(text.begin(), text.end(),
                       [](QChar unit) { return DocumentCodec::isLineBreak(unit.unicode()); });
}

// What the editing widget holds as line breaks is written as line feeds.
void separatorsAsLineFeeds(QString &text)
{
    if (!holdsLineBreak(text))
        return; // no copy of a large text for nothing
    for (QChar &unit : text) {
        if (DocumentCodec::isLineBreak(unit.unicode()))
            unit = QLatin1Char('\n');
    }
}

bool isWide(const QByteArray &name)
{
    return name.startsWith("UTF-16") || name.startsWith("UTF-32");
}

bool isUnicode(const QByteArray &name)
{
    return name.startsWith("UTF-");
}

// The toolkit's converter of an encoding: the ICU converter that reads an
// encoding of the WHATWG standard as the standard does, else the name itself.
QByteArray converterOf(const QByteArray &name)
{
    if (const auto web = WebEncodings::converter(name); web && !web->isEmpty())
        return *web;
    return name;
}

// An encoding of the WHATWG standard that no converter reads as the standard
// does: it is read through the standard's index.
bool byIndex(const QByteArray &name)
{
    const auto web = WebEncodings::converter(name);
    return web && web->isEmpty();
}

const Known *knownEntry(const QByteArray &name, bool bom)
{
    for (const Known &entry : known) {
        if (name == entry.name && bom == entry.bom)
            return &entry;
    }
    return nullptr;
}

// The name by which the toolkit knows an encoding given in a page or by the user,
// aliases resolved ("cp1251" is "windows-1251", "l1" is "ISO-8859-1"); nothing
// when the toolkit cannot both read and write it.
std::optional<QByteArray> toolkitName(const QByteArray &name)
{
    if (name.isEmpty())
        return std::nullopt;
    if (const auto builtIn = QStringConverter::encodingForName(name.constData())) {
        // The system's encoding is no encoding a file can declare.
        if (*builtIn == QStringConverter::System)
            return std::nullopt;
        return QByteArray(QStringConverter::nameForEncoding(*builtIn));
    }
    const QStringDecoder decoder(name.constData());
    const QStringEncoder encoder(name.constData());
    if (!decoder.isValid() || !encoder.isValid())
        return std::nullopt;
    // A few (TIS-620) have no name of their own through the toolkit.
    const QByteArray own = decoder.name() ? QByteArray(decoder.name()) : name;
    for (const Known &entry : known) {
        if (qstricmp(entry.name, own.constData()) == 0)
            return QByteArray(entry.name);
    }
    return own;
}

// The encoding of a toolkit name: UTF-16 and UTF-32 always with their mark, which
// is the only way a reader can tell them.
Encoding fromToolkitName(const QByteArray &name)
{
    if (name == "UTF-16")
        return Encoding {"UTF-16LE", true};
    if (name == "UTF-32")
        return Encoding {"UTF-32LE", true};
    return Encoding {name, isWide(name)};
}

QByteArray byteOrderMark(const QByteArray &name)
{
    if (name == utf8Name)
        return QByteArrayLiteral("\xef\xbb\xbf");
    if (name == "UTF-16LE")
        return QByteArrayLiteral("\xff\xfe");
    if (name == "UTF-16BE")
        return QByteArrayLiteral("\xfe\xff");
    if (name == "UTF-32LE")
        return QByteArray("\xff\xfe\0\0", 4);
    if (name == "UTF-32BE")
        return QByteArray("\0\0\xfe\xff", 4);
    return QByteArray();
}

// The bytes of text as the toolkit writes them, and whether they hold every
// character. The toolkit's encoders through ICU write a substitute for a character
// they lack without saying so: for those, only reading the bytes back tells.
QByteArray encodeChecked(QStringView text, const QByteArray &name, bool *complete)
{
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    *complete = !encoder.hasError();
    if (*complete && !isUnicode(name)) {
        QStringDecoder decoder(name.constData(),
                               QStringConverter::Flag::Stateless
                                   | QStringConverter::Flag::ConvertInitialBom);
        const QString back = decoder.decode(bytes);
        *complete = back == text && !decoder.hasError();
    }
    return bytes;
}

// Which characters an encoding can hold, each character tried once on its own.
class Repertoire
{
public:
    explicit Repertoire(const QByteArray &name)
        : name(name)
    { }

    bool holds(QStringView character)
    {
        const char32_t codePoint = character.size() == 2
            ? QChar::surrogateToUcs4(character.at(0), character.at(1))
            : character.at(0).unicode();
        if (codePoint < ascii.size()) {
            if (ascii[codePoint] == Unknown)
                ascii[codePoint] = tryAlone(character) ? Yes : No;
            return ascii[codePoint] == Yes;
        }
        const auto found = others.constFind(codePoint);
        if (found != others.cend())
            return *found;
        return *others.insert(codePoint, tryAlone(character));
    }

private:
    enum Answer : char { Unknown, Yes, No };

    bool tryAlone(QStringView character) const
    {
        // Half a surrogate pair is no character, whatever an encoder makes of it.
        if (character.size() == 1 && character.at(0).isSurrogate())
            return false;
        bool complete = false;
        encodeChecked(character, name, &complete);
        return complete;
    }

    QByteArray name;
    std::array<Answer, 128> ascii {};
    QHash<char32_t, bool> others;
};

// The text with each character that the encoding cannot hold replaced by its
// reference (counted in referenced), or by "?" (counted in lost).
QString substitute(const QString &text, const QByteArray &name, bool htmlReferences, int *lost,
                   int *referenced)
{
    Repertoire repertoire(name);
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar unit = text.at(i);
        const qsizetype length
            = unit.isHighSurrogate() && i + 1 < size && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QStringView character = QStringView(text).sliced(i, length);
        i += length - 1;
        if (repertoire.holds(character)) {
            result += character;
        } else if (htmlReferences) {
            const char32_t codePoint = length == 2
                ? QChar::surrogateToUcs4(character.at(0), character.at(1))
                : (unit.isSurrogate() ? char32_t(QChar::ReplacementCharacter) : unit.unicode());
            result += QLatin1String("&#") + QString::number(quint32(codePoint)) + QLatin1Char(';');
            ++*referenced;
        } else {
            result += QLatin1Char('?');
            ++*lost;
        }
    }
    return result;
}

// The bytes of text in an encoding other than ISO 8859-1, with no byte-order mark.
QByteArray encodeWithout(QString text, const QByteArray &name, bool htmlReferences, int *lost,
                         int *referenced)
{
    *lost = 0;
    *referenced = 0;
    separatorsAsLineFeeds(text);
    bool complete = false;
    QByteArray bytes = encodeChecked(text, name, &complete);
    if (complete)
        return bytes;
    // Some characters are not in the encoding: only then is the text gone through.
    QStringEncoder again(name.constData(), QStringConverter::Flag::Stateless);
    return again.encode(substitute(text, name, htmlReferences, lost, referenced));
}

// The byte of each character that an encoding of one byte a character holds,
// taken from the toolkit's own converters: a character has a byte when the
// toolkit writes it as that byte and reads that byte back as it. Saving through
// the table is one pass over the text, where the toolkit's converters need three
// (write, read back, compare) and go through the text once more, character by
// character, when one of them is missing. Reading goes through the converter's
// own reading of each of the 256 bytes, taken once: one pass over the file, which
// tells at once whether the text would be written back as it.
class ByteTable
{
public:
    // The table of an encoding, made once; nothing for an encoding of more than one
    // byte a character.
    static std::shared_ptr<const ByteTable> of(const QByteArray &name)
    {
        static const QRegularExpression singleByte(QStringLiteral(
            "^(ISO-8859-\\d+|windows-(874|125\\d)|KOI8-[RU]|IBM866|TIS-620|macintosh)$"));
        if (!singleByte.match(QLatin1String(name)).hasMatch() || byIndex(name))
            return nullptr;
        static QMutex guard;
        static QHash<QByteArray, std::shared_ptr<const ByteTable>> made;
        const QMutexLocker locker(&guard);
        const auto found = made.constFind(name);
        if (found != made.cend())
            return *found;
        return *made.insert(name, make(converterOf(name)));
    }

    // The text of bytes when each of them is read without error and written back
    // as itself.
    std::optional<QString> read(QByteArrayView bytes) const
    {
        QString text(bytes.size(), Qt::Uninitialized);
        char16_t *out = reinterpret_cast<char16_t *>(text.data());
        for (const char byte : bytes) {
            if (!back[uchar(byte)])
                return std::nullopt;
            *out++ = characters[uchar(byte)];
        }
        return text;
    }

    QByteArray encode(const QString &text, bool htmlReferences, int *lost, int *referenced) const
    {
        QByteArray result(text.size(), Qt::Uninitialized);
        char *out = result.data();
        qsizetype written = 0;
        const char16_t *units = reinterpret_cast<const char16_t *>(text.constData());
        const qsizetype size = text.size();
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t unit = units[i];
            const qint16 byte = bytes[unit];
            if (byte >= 0) {
                out[written++] = char(byte);
                continue;
            }
            if (DocumentCodec::isLineBreak(unit)) {
                out[written++] = '\n';
                continue;
            }
            if (!htmlReferences) {
                if (QChar::isHighSurrogate(unit) && i + 1 < size
                    && QChar::isLowSurrogate(units[i + 1]))
                    ++i;
                out[written++] = '?';
                ++*lost;
                continue;
            }
            char32_t codePoint = unit;
            if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1]))
                codePoint = QChar::surrogateToUcs4(unit, units[++i]);
            else if (QChar::isSurrogate(unit))
                codePoint = QChar::ReplacementCharacter;
            const QByteArray reference = "&#" + QByteArray::number(quint32(codePoint)) + ';';
            const qsizetype needed = written + reference.size() + (size - i - 1);
            if (needed > result.size()) {
                result.resize(std::max(needed, result.size() + result.size() / 2));
                out = result.data();
            }
            std::memcpy(out + written, reference.constData(), size_t(reference.size()));
            written += reference.size();
            ++*referenced;
        }
        result.resize(written);
        return result;
    }

private:
    static std::shared_ptr<const ByteTable> make(const QByteArray &name)
    {
        QByteArray every(256, Qt::Uninitialized);
        for (int byte = 0; byte < 256; ++byte)
            every[byte] = char(byte);
        QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
        const QString read = decoder.decode(every);
        // One character a byte, or it is no such encoding.
        if (!decoder.isValid() || read.size() != 256)
            return nullptr;
        auto table = std::make_shared<ByteTable>();
        table->bytes.assign(0x10000, -1);
        for (int byte = 0; byte < 256; ++byte) {
            bool complete = false;
            const QByteArray written = encodeChecked(read.sliced(byte, 1), name, &complete);
            if (complete && written.size() == 1 && uchar(written.at(0)) == byte
                && !read.at(byte).isSurrogate())
                table->bytes[read.at(byte).unicode()] = qint16(byte);
        }
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t unit = read.at(byte).unicode();
            // Alone, so that the converter says whether the byte is an error.
            QStringDecoder alone(name.constData(), QStringConverter::Flag::Stateless);
            const QString one = alone.decode(every.sliced(byte, 1));
            // A byte read as a line break of the widget would be written as a line feed.
            table->back[byte] = !alone.hasError() && one.size() == 1 && one.at(0) == read.at(byte)
                && table->bytes[unit] == byte && !DocumentCodec::isLineBreak(unit);
            table->characters[byte] = unit;
        }
        return table;
    }

    std::vector<qint16> bytes;
    std::array<char16_t, 256> characters {};
    std::array<bool, 256> back {};
};

// Whether saving text unchanged in the encoding gives back bytes exactly: only
// that proves the decoding lost nothing. Unicode encodings write each character
// on its own, so a large text is checked piece by piece with no copy of the file.
bool writesBack(QStringView text, QByteArrayView bytes, const QByteArray &name)
{
    // A line break of the widget read from the file would be written as a line feed.
    if (holdsLineBreak(text))
        return false;
    const qsizetype size = text.size();
    const qsizetype step = isUnicode(name) ? piece : std::max<qsizetype>(size, 1);
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    QByteArray buffer(encoder.requiredSpace(std::min(size, step) + 1), Qt::Uninitialized);
    qsizetype done = 0;
    for (qsizetype start = 0; start < size;) {
        qsizetype end = std::min(size, start + step);
        if (end < size && text.at(end - 1).isHighSurrogate())
            ++end;
        // Bytes equal to the file's read back as its text: no need to read them back.
        const char *written
            = encoder.appendToBuffer(buffer.data(), text.sliced(start, end - start));
        const qsizetype length = written - buffer.constData();
        if (encoder.hasError() || length > bytes.size() - done
            || std::memcmp(buffer.constData(), bytes.data() + done, size_t(length)) != 0)
            return false;
        done += length;
        start = end;
    }
    return done == bytes.size();
}

// Whether UTF-8 bytes hold a character that the editing widget holds as a line
// break: a separator (E2 80 A8, E2 80 A9) or U+FDD0, U+FDD1 (EF B7 90, EF B7 91).
// Searched in the bytes, where the C library finds a byte much faster than a loop
// over the decoded text does.
bool holdsLineBreak(QByteArrayView bytes)
{
    const auto holds = [bytes](char lead, char second, char low, char high) {
        const char *at = bytes.data();
        const char *const end = at + bytes.size();
        while ((at = static_cast<const char *>(std::memchr(at, lead, size_t(end - at))))) {
            if (end - at >= 3 && at[1] == second && (at[2] == low || at[2] == high))
                return true;
            ++at;
        }
        return false;
    };
    return holds('\xe2', '\x80', '\xa8', '\xa9') || holds('\xef', '\xb7', '\x90', '\x91');
}

// The text of bytes in UTF-8 when saving it unchanged gives them
// back, as writesBack() tells for the other encodings. The toolkit's decoder
// reports every sequence that would not be written back the same (an overlong
// form, a surrogate, a value past U+10FFFF, a cut or stray byte), so a text decoded
// without error is written back byte for byte: only the widget's line breaks,
// written as line feeds, are looked for besides. A large file is checked piece by piece, so
// that a file in another encoding is told at its first piece that is not UTF-8.
std::optional<QString> utf8Text(QByteArrayView bytes)
{
    // A mark inside the text is a character (a zero-width no-break space) like
    // any other: only the file's own mark has been taken away.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    const qsizetype size = bytes.size();
    for (qsizetype start = 0; start < size;) {
        qsizetype end = std::min(size, start + piece);
        // No piece ends inside a character: a byte 10xxxxxx continues one.
        for (int back = 0;
             back < 3 && end < size && end - 1 > start && (uchar(bytes[end]) & 0xc0) == 0x80;
             ++back)
            --end;
        const QByteArrayView read = bytes.sliced(start, end - start);
        // A line break of the widget read from the file would be written as a line feed.
        if (holdsLineBreak(read))
            return std::nullopt;
        out = decoder.appendToBuffer(out, read);
        if (decoder.hasError())
            return std::nullopt;
        start = end;
    }
    text.resize(out - text.constData());
    return text;
}

// The text of bytes in the encoding when it gives them back exactly, line ends
// as they are in the file.
// forms receives, for an encoding read through the standard's index, the file's
// own forms of its characters (see WebEncodings::Forms).
std::optional<QString> exactText(QByteArrayView bytes, const QByteArray &name,
                                 std::shared_ptr<const WebEncodings::Forms> *forms = nullptr)
{
    if (name == latin1Name)
        return QString::fromLatin1(bytes);
    if (name == utf8Name)
        return utf8Text(bytes);
    if (byIndex(name))
        return WebEncodings::decode(name, bytes, forms);
    if (const std::shared_ptr<const ByteTable> table = ByteTable::of(name))
        return table->read(bytes);
    const QByteArray converter = converterOf(name);
    QStringDecoder decoder(converter.constData(),
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    if (!writesBack(text, bytes, converter))
        return std::nullopt;
    return text;
}

// Whether an encoding can be read and written.
bool supported(const QByteArray &name)
{
    if (byIndex(name))
        return true;
    if (WebEncodings::converter(name))
        return QStringDecoder(converterOf(name).constData()).isValid();
    return toolkitName(name).has_value();
}

} // namespace

QString Encoding::label() const
{
    if (const Known *entry = knownEntry(name, bom))
        return QString::fromLatin1(entry->label);
    return QString::fromLatin1(name);
}

QByteArray Encoding::declaredName() const
{
    // A page declares UTF-16 or UTF-32 without its byte order, which its mark says.
    return isWide(name) ? name.left(6) : name;
}

bool Encoding::isLatin1() const
{
    return name == latin1Name;
}

Encoding latin1()
{
    return Encoding {QByteArray(latin1Name), false};
}

std::optional<Encoding> fromName(const QString &labelOrName)
{
    for (const Known &entry : known) {
        if (labelOrName == QLatin1String(entry.label))
            return Encoding {entry.name, entry.bom};
    }
    // The standard's own names, as the status bar shows them.
    const QByteArray web = labelOrName.toLatin1();
    if (WebEncodings::converter(web) && supported(web))
        return Encoding {web, false};
    const auto name = toolkitName(labelOrName.toLatin1());
    if (!name)
        return std::nullopt;
    return fromToolkitName(*name);
}

QList<Encoding> choices()
{
    static const QList<Encoding> offered = [] {
        QList<Encoding> list;
        for (qsizetype i = 0; i < offeredCount; ++i) {
            if (supported(known[i].name))
                list.append(Encoding {known[i].name, known[i].bom});
        }
        return list;
    }();
    return offered;
}

Kind kindOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("xhtml") || suffix == QLatin1String("xml"))
        return Kind::Xml;
    if (suffix == QLatin1String("css"))
        return Kind::Stylesheet;
    return Kind::Page;
}

Decoded decode(const QByteArray &bytes, Kind kind, const std::optional<Encoding> &environment,
               Reach reach)
{
    Decoded decoded;
    QString refused;
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        const Encoding encoding {QStringConverter::nameForEncoding(*marked), true};
        const QByteArrayView body
            = QByteArrayView(bytes).sliced(byteOrderMark(encoding.name).size());
        if (auto text = exactText(body, encoding.name)) {
            decoded.text = std::move(*text);
            decoded.encoding = encoding;
            // What it declares all the same, found as a save of it finds it.
            if (kind != Kind::Stylesheet || !isWide(encoding.name))
                decoded.declaration = findDeclaration(bytes, encoding, kind);
            decoded.lineEnds = LineEnds::toLineFeeds(decoded.text);
            return decoded;
        }
        refused = QStringLiteral("Le fichier ne suit pas sa marque d'ordre des octets (%1)")
                      .arg(encoding.label());
    } else if (kind != Kind::Stylesheet
               && (bytes.startsWith(QByteArrayView("<\0?\0x\0", 6))
                   || bytes.startsWith(QByteArrayView("\0<\0?\0x", 6)))) {
        // "<?x" in UTF-16 without a mark: an XML declaration, which tells the
        // byte order by where its zero bytes stand.
        const Encoding encoding {bytes.at(0) == '<' ? "UTF-16LE" : "UTF-16BE", false};
        if (auto text = exactText(bytes, encoding.name)) {
            decoded.text = std::move(*text);
            decoded.encoding = encoding;
            decoded.declaration = findDeclaration(bytes, encoding, kind);
            decoded.lineEnds = LineEnds::toLineFeeds(decoded.text);
            return decoded;
        }
    }

    // A page whose mark failed may still say what it is; the mark is no character.
    QByteArrayView body = bytes;
    if (body.startsWith("\xef\xbb\xbf"))
        body = body.sliced(3);
    const Declaration declaration = findDeclaration(body, kind, reach);
    decoded.declaration = declaration;
    bool followed = false;
    if (declaration.found()) {
        const auto declared
            = forDeclaration(declaration.name, Encoding(), originOf(declaration, kind));
        if (!declared) {
            if (refused.isEmpty())
                refused = QStringLiteral("Le fichier déclare un encodage inconnu (%1)")
                              .arg(declaration.name);
        } else if (auto text = exactText(bytes, declared->name, &decoded.encoding.forms)) {
            decoded.text = std::move(*text);
            decoded.encoding.name = declared->name;
            followed = true;
        } else if (refused.isEmpty()) {
            refused = QStringLiteral("Le fichier ne suit pas l'encodage qu'il déclare (%1)")
                          .arg(declared->label());
        }
    }

    // A stylesheet that declares nothing is in the encoding of its page, which
    // bytes without a mark cannot be when it is UTF-16 or UTF-32.
    if (decoded.encoding.name.isEmpty() && environment && !isWide(environment->name)) {
        if (auto text = exactText(bytes, environment->name, &decoded.encoding.forms)) {
            decoded.text = std::move(*text);
            decoded.encoding.name = environment->name;
        }
    }

    if (decoded.encoding.name.isEmpty()) {
        // UTF-8 only when some character takes more than one byte: a file of plain
        // ASCII is the default encoding's as much as UTF-8's.
        auto text = exactText(bytes, QByteArray(utf8Name));
        if (text && text->size() < bytes.size()) {
            decoded.text = std::move(*text);
            decoded.encoding = Encoding {QByteArray(utf8Name), false};
        } else {
            decoded.text = QString::fromLatin1(bytes);
            decoded.encoding = latin1();
        }
    }
    QStringList notices;
    if (!refused.isEmpty())
        notices << refused
                + QStringLiteral("\u00a0: il est lu en %1.").arg(decoded.encoding.label());
    // Browsers read it so too, but only once their parser met the <meta>.
    if (followed && declaration.late)
        notices << QStringLiteral("Encodage %1\u00a0: déclaration trouvée loin dans la page.")
                       .arg(decoded.encoding.label());
    if (const auto conflict = findConflict(body, kind))
        notices << QStringLiteral("La déclaration XML (%1) et la balise <meta> (%2) du fichier ne "
                                  "s'accordent pas\u00a0: il est lu en %3.")
                       .arg(conflict->xml, conflict->meta, decoded.encoding.label());
    decoded.notice = notices.join(QLatin1Char(' '));
    decoded.lineEnds = LineEnds::toLineFeeds(decoded.text);
    return decoded;
}

std::optional<Decoded> decodeAs(const QByteArray &bytes, const Encoding &encoding)
{
    Encoding found {encoding.name, false};
    QByteArrayView body = bytes;
    const QByteArray mark = isUnicode(encoding.name) ? byteOrderMark(encoding.name) : QByteArray();
    if (!mark.isEmpty() && bytes.startsWith(mark)) {
        body = body.sliced(mark.size());
        found.bom = true;
    }
    auto text = exactText(body, found.name, &found.forms);
    if (!text)
        return std::nullopt;
    Decoded decoded {std::move(*text), found, {}, QString(), Declaration()};
    decoded.lineEnds = LineEnds::toLineFeeds(decoded.text);
    return decoded;
}

QByteArray encode(QString text, const Encoding &encoding, bool htmlReferences, int *unencodable,
                  int *references)
{
    int lost = 0;
    int referenced = 0;
    QByteArray bytes;
    if (encoding.isLatin1()) {
        bytes = DocumentCodec::encodeRawText(text, htmlReferences, &lost, &referenced);
    } else if (byIndex(encoding.name)) {
        bytes = WebEncodings::encode(encoding.name, text, encoding.forms.get(), htmlReferences,
                                     &lost, &referenced);
    } else if (const std::shared_ptr<const ByteTable> table = ByteTable::of(encoding.name)) {
        bytes = table->encode(text, htmlReferences, &lost, &referenced);
    } else {
        bytes = encodeWithout(std::move(text), converterOf(encoding.name), htmlReferences, &lost,
                              &referenced);
    }
    if (unencodable)
        *unencodable = lost;
    if (references)
        *references = referenced;
    if (encoding.bom)
        bytes.prepend(byteOrderMark(encoding.name));
    return bytes;
}

std::optional<Encoding> forDeclaration(const QString &declared, const Encoding &present,
                                       Kind origin)
{
    const auto web = WebLabels::encodingOf(declared);
    if (!web || *web == "replacement")
        return std::nullopt;
    // A document already in what the toolkit calls by the label (a new document in
    // ISO 8859-1 that declares "ISO-8859-1", one the user saved in ISO 8859-9)
    // stays in it: browsers read its bytes as the same characters (C1 controls
    // aside), and what it lacks is written as references.
    if (!present.name.isEmpty()) {
        if (const auto own = toolkitName(declared.trimmed().toLatin1());
            own && *own == present.name)
            return present;
    }
    std::optional<QByteArray> name;
    if (origin == Kind::Xml) {
        // What XML readers take the name for, else what browsers do.
        name = toolkitName(declared.trimmed().toLatin1());
        if (name && WebEncodings::converter(*name))
            name = *web;
    } else if (*web == "x-user-defined") {
        // HTML reads it as windows-1252, CSS as it is.
        name = QByteArray(origin == Kind::Stylesheet ? "x-user-defined" : "windows-1252");
    }
    if (!name || !supported(*name))
        name = *web;
    if (!supported(*name))
        return std::nullopt;
    if (isWide(*name)) {
        // Bytes that hold the declaration in ASCII are no UTF-16 or UTF-32.
        if (isWide(present.name) || present.name == utf8Name)
            return present;
        return Encoding {QByteArray(utf8Name), false};
    }
    if (*name == present.name)
        return present;
    if (WebEncodings::converter(*name))
        return Encoding {*name, false};
    return fromToolkitName(*name);
}

Saving encodeForSaving(const QString &text, const Encoding &encoding,
                       const QString &declarationRead, Kind kind, bool declarations,
                       bool htmlReferences)
{
    Saving saving;
    saving.encoding = encoding;
    saving.declaration = declarationRead;
    saving.bytes = encode(text, encoding, htmlReferences, &saving.unencodable, &saving.references);
    if (!declarations)
        return saving;
    // Where the rule reads: the bytes, their mark aside; UTF-16 and UTF-32, which
    // hold no ASCII, as the same text in UTF-8, made from the text at hand.
    QByteArray utf8;
    const auto view = [&]() -> QByteArrayView {
        if (isWide(saving.encoding.name)) {
            if (utf8.isNull())
                utf8 = text.toUtf8();
            return utf8;
        }
        const QByteArrayView bytes = saving.bytes;
        return saving.encoding.bom ? bytes.sliced(byteOrderMark(saving.encoding.name).size())
                                   : bytes;
    };
    const Declaration declaration = findDeclaration(view(), kind);
    saving.declaration = declaration.name;
    // A declaration that the user has not changed, or has taken away, keeps the
    // encoding the file was read in, and so its bytes.
    if (declaration.found() && declaration.name != declarationRead) {
        const auto declared
            = forDeclaration(declaration.name, encoding, originOf(declaration, kind));
        if (!declared) {
            saving.notices << QStringLiteral("Le document déclare un encodage inconnu (%1)\u00a0: "
                                             "il est enregistré en %2.")
                                  .arg(declaration.name, encoding.label());
        } else if (*declared != encoding) {
            saving.encoding = *declared;
            saving.bytes
                = encode(text, *declared, htmlReferences, &saving.unencodable, &saving.references);
        }
    }
    if (const auto conflict = findConflict(view(), kind))
        saving.notices << QStringLiteral("La déclaration XML (%1) et la balise <meta> (%2) du "
                                         "document ne s'accordent pas\u00a0: il est enregistré "
                                         "en %3.")
                              .arg(conflict->xml, conflict->meta, saving.encoding.label());
    return saving;
}
} // namespace DocumentEncoding
