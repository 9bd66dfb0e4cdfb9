#include "documentencoding.h"

#include "documentcodec.h"
#include "lineends.h"

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
// region; the last four are not offered: UTF-32 is read from a byte-order mark,
// but no browser reads it, and UTF-16 without a mark is only what a file read
// again in UTF-16 may turn out to be.
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
    {"GB18030", "GB18030", false},
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

// The labels of the WHATWG Encoding Standard, the names a browser follows in a
// page, with the encoding each one stands for there.
struct WebLabel
{
    const char *label;
    const char *encoding;
};
const WebLabel webLabels[] = {
    {"unicode-1-1-utf-8", "UTF-8"},
    {"unicode11utf8", "UTF-8"},
    {"unicode20utf8", "UTF-8"},
    {"utf-8", "UTF-8"},
    {"utf8", "UTF-8"},
    {"x-unicode20utf8", "UTF-8"},
    {"866", "IBM866"},
    {"cp866", "IBM866"},
    {"csibm866", "IBM866"},
    {"ibm866", "IBM866"},
    {"csisolatin2", "ISO-8859-2"},
    {"iso-8859-2", "ISO-8859-2"},
    {"iso-ir-101", "ISO-8859-2"},
    {"iso8859-2", "ISO-8859-2"},
    {"iso88592", "ISO-8859-2"},
    {"iso_8859-2", "ISO-8859-2"},
    {"iso_8859-2:1987", "ISO-8859-2"},
    {"l2", "ISO-8859-2"},
    {"latin2", "ISO-8859-2"},
    {"csisolatin3", "ISO-8859-3"},
    {"iso-8859-3", "ISO-8859-3"},
    {"iso-ir-109", "ISO-8859-3"},
    {"iso8859-3", "ISO-8859-3"},
    {"iso88593", "ISO-8859-3"},
    {"iso_8859-3", "ISO-8859-3"},
    {"iso_8859-3:1988", "ISO-8859-3"},
    {"l3", "ISO-8859-3"},
    {"latin3", "ISO-8859-3"},
    {"csisolatin4", "ISO-8859-4"},
    {"iso-8859-4", "ISO-8859-4"},
    {"iso-ir-110", "ISO-8859-4"},
    {"iso8859-4", "ISO-8859-4"},
    {"iso88594", "ISO-8859-4"},
    {"iso_8859-4", "ISO-8859-4"},
    {"iso_8859-4:1988", "ISO-8859-4"},
    {"l4", "ISO-8859-4"},
    {"latin4", "ISO-8859-4"},
    {"csisolatincyrillic", "ISO-8859-5"},
    {"cyrillic", "ISO-8859-5"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso-ir-144", "ISO-8859-5"},
    {"iso8859-5", "ISO-8859-5"},
    {"iso88595", "ISO-8859-5"},
    {"iso_8859-5", "ISO-8859-5"},
    {"iso_8859-5:1988", "ISO-8859-5"},
    {"arabic", "ISO-8859-6"},
    {"asmo-708", "ISO-8859-6"},
    {"csiso88596e", "ISO-8859-6"},
    {"csiso88596i", "ISO-8859-6"},
    {"csisolatinarabic", "ISO-8859-6"},
    {"ecma-114", "ISO-8859-6"},
    {"iso-8859-6", "ISO-8859-6"},
    {"iso-8859-6-e", "ISO-8859-6"},
    {"iso-8859-6-i", "ISO-8859-6"},
    {"iso-ir-127", "ISO-8859-6"},
    {"iso8859-6", "ISO-8859-6"},
    {"iso88596", "ISO-8859-6"},
    {"iso_8859-6", "ISO-8859-6"},
    {"iso_8859-6:1987", "ISO-8859-6"},
    {"csisolatingreek", "ISO-8859-7"},
    {"ecma-118", "ISO-8859-7"},
    {"elot_928", "ISO-8859-7"},
    {"greek", "ISO-8859-7"},
    {"greek8", "ISO-8859-7"},
    {"iso-8859-7", "ISO-8859-7"},
    {"iso-ir-126", "ISO-8859-7"},
    {"iso8859-7", "ISO-8859-7"},
    {"iso88597", "ISO-8859-7"},
    {"iso_8859-7", "ISO-8859-7"},
    {"iso_8859-7:1987", "ISO-8859-7"},
    {"sun_eu_greek", "ISO-8859-7"},
    {"csiso88598e", "ISO-8859-8"},
    {"csisolatinhebrew", "ISO-8859-8"},
    {"hebrew", "ISO-8859-8"},
    {"iso-8859-8", "ISO-8859-8"},
    {"iso-8859-8-e", "ISO-8859-8"},
    {"iso-ir-138", "ISO-8859-8"},
    {"iso8859-8", "ISO-8859-8"},
    {"iso88598", "ISO-8859-8"},
    {"iso_8859-8", "ISO-8859-8"},
    {"iso_8859-8:1988", "ISO-8859-8"},
    {"visual", "ISO-8859-8"},
    {"csiso88598i", "ISO-8859-8-I"},
    {"iso-8859-8-i", "ISO-8859-8-I"},
    {"logical", "ISO-8859-8-I"},
    {"csisolatin6", "ISO-8859-10"},
    {"iso-8859-10", "ISO-8859-10"},
    {"iso-ir-157", "ISO-8859-10"},
    {"iso8859-10", "ISO-8859-10"},
    {"iso885910", "ISO-8859-10"},
    {"l6", "ISO-8859-10"},
    {"latin6", "ISO-8859-10"},
    {"iso-8859-13", "ISO-8859-13"},
    {"iso8859-13", "ISO-8859-13"},
    {"iso885913", "ISO-8859-13"},
    {"iso-8859-14", "ISO-8859-14"},
    {"iso8859-14", "ISO-8859-14"},
    {"iso885914", "ISO-8859-14"},
    {"csisolatin9", "ISO-8859-15"},
    {"iso-8859-15", "ISO-8859-15"},
    {"iso8859-15", "ISO-8859-15"},
    {"iso885915", "ISO-8859-15"},
    {"iso_8859-15", "ISO-8859-15"},
    {"l9", "ISO-8859-15"},
    {"iso-8859-16", "ISO-8859-16"},
    {"cskoi8r", "KOI8-R"},
    {"koi", "KOI8-R"},
    {"koi8", "KOI8-R"},
    {"koi8-r", "KOI8-R"},
    {"koi8_r", "KOI8-R"},
    {"koi8-ru", "KOI8-U"},
    {"koi8-u", "KOI8-U"},
    {"csmacintosh", "macintosh"},
    {"mac", "macintosh"},
    {"macintosh", "macintosh"},
    {"x-mac-roman", "macintosh"},
    {"dos-874", "windows-874"},
    {"iso-8859-11", "windows-874"},
    {"iso8859-11", "windows-874"},
    {"iso885911", "windows-874"},
    {"tis-620", "windows-874"},
    {"windows-874", "windows-874"},
    {"cp1250", "windows-1250"},
    {"windows-1250", "windows-1250"},
    {"x-cp1250", "windows-1250"},
    {"cp1251", "windows-1251"},
    {"windows-1251", "windows-1251"},
    {"x-cp1251", "windows-1251"},
    {"ansi_x3.4-1968", "windows-1252"},
    {"ascii", "windows-1252"},
    {"cp1252", "windows-1252"},
    {"cp819", "windows-1252"},
    {"csisolatin1", "windows-1252"},
    {"ibm819", "windows-1252"},
    {"iso-8859-1", "windows-1252"},
    {"iso-ir-100", "windows-1252"},
    {"iso8859-1", "windows-1252"},
    {"iso88591", "windows-1252"},
    {"iso_8859-1", "windows-1252"},
    {"iso_8859-1:1987", "windows-1252"},
    {"l1", "windows-1252"},
    {"latin1", "windows-1252"},
    {"us-ascii", "windows-1252"},
    {"windows-1252", "windows-1252"},
    {"x-cp1252", "windows-1252"},
    {"cp1253", "windows-1253"},
    {"windows-1253", "windows-1253"},
    {"x-cp1253", "windows-1253"},
    {"cp1254", "windows-1254"},
    {"csisolatin5", "windows-1254"},
    {"iso-8859-9", "windows-1254"},
    {"iso-ir-148", "windows-1254"},
    {"iso8859-9", "windows-1254"},
    {"iso88599", "windows-1254"},
    {"iso_8859-9", "windows-1254"},
    {"iso_8859-9:1989", "windows-1254"},
    {"l5", "windows-1254"},
    {"latin5", "windows-1254"},
    {"windows-1254", "windows-1254"},
    {"x-cp1254", "windows-1254"},
    {"cp1255", "windows-1255"},
    {"windows-1255", "windows-1255"},
    {"x-cp1255", "windows-1255"},
    {"cp1256", "windows-1256"},
    {"windows-1256", "windows-1256"},
    {"x-cp1256", "windows-1256"},
    {"cp1257", "windows-1257"},
    {"windows-1257", "windows-1257"},
    {"x-cp1257", "windows-1257"},
    {"cp1258", "windows-1258"},
    {"windows-1258", "windows-1258"},
    {"x-cp1258", "windows-1258"},
    {"x-mac-cyrillic", "x-mac-cyrillic"},
    {"x-mac-ukrainian", "x-mac-cyrillic"},
    {"chinese", "GBK"},
    {"csgb2312", "GBK"},
    {"csiso58gb231280", "GBK"},
    {"gb2312", "GBK"},
    {"gb_2312", "GBK"},
    {"gb_2312-80", "GBK"},
    {"gbk", "GBK"},
    {"iso-ir-58", "GBK"},
    {"x-gbk", "GBK"},
    {"gb18030", "gb18030"},
    {"big5", "Big5"},
    {"big5-hkscs", "Big5"},
    {"cn-big5", "Big5"},
    {"csbig5", "Big5"},
    {"x-x-big5", "Big5"},
    {"cseucpkdfmtjapanese", "EUC-JP"},
    {"euc-jp", "EUC-JP"},
    {"x-euc-jp", "EUC-JP"},
    {"csiso2022jp", "ISO-2022-JP"},
    {"iso-2022-jp", "ISO-2022-JP"},
    {"csshiftjis", "Shift_JIS"},
    {"ms932", "Shift_JIS"},
    {"ms_kanji", "Shift_JIS"},
    {"shift-jis", "Shift_JIS"},
    {"shift_jis", "Shift_JIS"},
    {"sjis", "Shift_JIS"},
    {"windows-31j", "Shift_JIS"},
    {"x-sjis", "Shift_JIS"},
    {"cseuckr", "EUC-KR"},
    {"csksc56011987", "EUC-KR"},
    {"euc-kr", "EUC-KR"},
    {"iso-ir-149", "EUC-KR"},
    {"korean", "EUC-KR"},
    {"ks_c_5601-1987", "EUC-KR"},
    {"ks_c_5601-1989", "EUC-KR"},
    {"ksc5601", "EUC-KR"},
    {"ksc_5601", "EUC-KR"},
    {"windows-949", "EUC-KR"},
    {"csiso2022kr", "replacement"},
    {"hz-gb-2312", "replacement"},
    {"iso-2022-cn", "replacement"},
    {"iso-2022-cn-ext", "replacement"},
    {"iso-2022-kr", "replacement"},
    {"replacement", "replacement"},
    {"unicodefffe", "UTF-16BE"},
    {"utf-16be", "UTF-16BE"},
    {"csunicode", "UTF-16LE"},
    {"iso-10646-ucs-2", "UTF-16LE"},
    {"ucs-2", "UTF-16LE"},
    {"unicode", "UTF-16LE"},
    {"unicodefeff", "UTF-16LE"},
    {"utf-16", "UTF-16LE"},
    {"utf-16le", "UTF-16LE"},
    {"x-user-defined", "x-user-defined"},
};

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
// character, when one of them is missing.
class ByteTable
{
public:
    // The table of an encoding, made once; nothing for an encoding of more than one
    // byte a character.
    static std::shared_ptr<const ByteTable> of(const QByteArray &name)
    {
        static const QRegularExpression singleByte(QStringLiteral(
            "^(ISO-8859-\\d+|windows-(874|125\\d)|KOI8-[RU]|IBM866|TIS-620|macintosh)$"));
        if (!singleByte.match(QLatin1String(name)).hasMatch())
            return nullptr;
        static QMutex guard;
        static QHash<QByteArray, std::shared_ptr<const ByteTable>> made;
        const QMutexLocker locker(&guard);
        const auto found = made.constFind(name);
        if (found != made.cend())
            return *found;
        return *made.insert(name, make(name));
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
        return table;
    }

    std::vector<qint16> bytes;
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
std::optional<QString> exactText(QByteArrayView bytes, const QByteArray &name)
{
    if (name == latin1Name)
        return QString::fromLatin1(bytes);
    if (name == utf8Name)
        return utf8Text(bytes);
    QStringDecoder decoder(name.constData(),
                           QStringConverter::Flag::Stateless
                               | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !writesBack(text, bytes, name))
        return std::nullopt;
    return text;
}

// The encoding a label of the Encoding Standard stands for in browsers; nothing
// for a name that is no such label.
std::optional<QByteArray> webEncoding(QStringView label)
{
    static const QHash<QString, QByteArray> labels = [] {
        QHash<QString, QByteArray> table;
        for (const WebLabel &entry : webLabels)
            table.insert(QLatin1String(entry.label), QByteArray(entry.encoding));
        return table;
    }();
    const auto found = labels.constFind(label.trimmed().toString().toLower());
    if (found == labels.cend())
        return std::nullopt;
    return *found;
}

bool isWebLabel(QStringView label)
{
    return webEncoding(label).has_value();
}

// The characters that separate attributes in markup, as a byte stream has them;
// the document's own line ends are separators.
bool isMarkupSpace(char16_t unit)
{
    return unit == 0x09 || unit == 0x0a || unit == 0x0c || unit == 0x0d || unit == 0x20
        || DocumentCodec::isLineBreak(unit);
}

bool isAsciiLetter(char16_t unit)
{
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z');
}

char16_t asciiLower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? char16_t(unit + 0x20) : unit;
}

// The declaration of the part of text from start to end, ASCII white space aside;
// nothing when that leaves no name.
std::optional<Declaration> declarationIn(QStringView text, qsizetype start, qsizetype end)
{
    const auto isAsciiSpace
        = [](QChar c) { return c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r' || c == u' '; };
    while (start < end && isAsciiSpace(text.at(start)))
        ++start;
    while (end > start && isAsciiSpace(text.at(end - 1)))
        --end;
    if (start == end)
        return std::nullopt;
    return Declaration {text.sliced(start, end - start).toString(), start, end - start};
}

// The <meta> elements of a text, found by the HTML standard's prescan of a byte
// stream (which a text read one byte a character, or a document's text, follows
// the same way: only ASCII matters to it), and what each declares.
class MetaScan
{
public:
    struct Meta
    {
        // The charset attribute, when there is one: it decides for the element,
        // whatever its content says.
        bool hasCharset = false;
        std::optional<Declaration> charset;
        // The charset named in the content attribute, which counts only when
        // http-equiv says "content-type".
        std::optional<Declaration> content;
        bool pragma = false;

        // The declaration a browser would take from this element, if any.
        std::optional<Declaration> deciding() const
        {
            if (hasCharset)
                return charset;
            return pragma ? content : std::nullopt;
        }
    };

    explicit MetaScan(QStringView text)
        : text(text)
    { }

    QList<Meta> all()
    {
        QList<Meta> metas;
        const qsizetype size = text.size();
        for (qsizetype at = 0; at < size; ++at) {
            if (text.sliced(at).startsWith(u"<!--")) {
                // A comment ends at the first "-->", which may share its dashes with
                // the "<!--": "<!-->" is a whole comment.
                const qsizetype end = text.indexOf(u"-->", at + 2);
                if (end < 0)
                    break;
                at = end + 2;
            } else if (text.sliced(at).startsWith(u"<meta", Qt::CaseInsensitive) && at + 5 < size
                       && (isMarkupSpace(text.at(at + 5).unicode()) || text.at(at + 5) == u'/')) {
                at += 5;
                if (const auto meta = element(at))
                    metas << *meta;
                else
                    break;
            } else if (text.at(at) == u'<' && at + 1 < size
                       && (isAsciiLetter(text.at(at + 1).unicode())
                           || (text.at(at + 1) == u'/' && at + 2 < size
                               && isAsciiLetter(text.at(at + 2).unicode())))) {
                // Another tag: its attributes are passed over, so that a ">" or a
                // "<meta" in one of their values is not taken for markup.
                while (at < size && !isMarkupSpace(text.at(at).unicode()) && text.at(at) != u'>')
                    ++at;
                while (attribute(at)) { }
            } else if (text.at(at) == u'<' && at + 1 < size
                       && (text.at(at + 1) == u'!' || text.at(at + 1) == u'/'
                           || text.at(at + 1) == u'?')) {
                const qsizetype end = text.indexOf(u'>', at + 1);
                if (end < 0)
                    break;
                at = end;
            }
        }
        return metas;
    }

private:
    struct Attribute
    {
        QString name;
        QString value; // in lower case
        qsizetype start = 0; // of the value in the text
    };

    QChar at(qsizetype position) const { return text.at(position); }

    // The "get an attribute" steps: the next attribute from position on, which is
    // left after it; nothing at the element's ">" or at the end of the text (an
    // attribute cut by the end is no attribute).
    std::optional<Attribute> attribute(qsizetype &position) const
    {
        const qsizetype size = text.size();
        qsizetype p = position;
        while (p < size && (isMarkupSpace(at(p).unicode()) || at(p) == u'/'))
            ++p;
        position = p;
        if (p >= size || at(p) == u'>')
            return std::nullopt;
        Attribute attribute;
        bool hasValue = false;
        for (;; ++p) {
            if (p >= size)
                return cut(position);
            const char16_t unit = at(p).unicode();
            if (unit == u'=' && !attribute.name.isEmpty()) {
                hasValue = true;
                ++p;
                break;
            }
            if (isMarkupSpace(unit))
                break;
            if (unit == u'/' || unit == u'>') {
                position = p;
                return attribute;
            }
            attribute.name += QChar(asciiLower(unit));
        }
        if (!hasValue) {
            while (p < size && isMarkupSpace(at(p).unicode()))
                ++p;
            if (p >= size)
                return cut(position);
            if (at(p) != u'=') {
                position = p;
                return attribute;
            }
            ++p;
        }
        while (p < size && isMarkupSpace(at(p).unicode()))
            ++p;
        if (p >= size)
            return cut(position);
        const QChar first = at(p);
        if (first == u'"' || first == u'\'') {
            attribute.start = ++p;
            for (; p < size && at(p) != first; ++p)
                attribute.value += QChar(asciiLower(at(p).unicode()));
            if (p >= size)
                return cut(position);
            position = p + 1;
            return attribute;
        }
        if (first == u'>') {
            position = p;
            return attribute;
        }
        attribute.start = p;
        for (; p < size && !isMarkupSpace(at(p).unicode()) && at(p) != u'>'; ++p)
            attribute.value += QChar(asciiLower(at(p).unicode()));
        if (p >= size)
            return cut(position);
        position = p;
        return attribute;
    }

    std::optional<Attribute> cut(qsizetype &position) const
    {
        position = text.size();
        return std::nullopt;
    }

    // The attributes of a <meta> element from position on, which is left at its
    // ">"; nothing when the text ends before it.
    std::optional<Meta> element(qsizetype &position) const
    {
        Meta meta;
        QStringList seen;
        while (const auto found = attribute(position)) {
            if (seen.contains(found->name))
                continue;
            seen << found->name;
            if (found->name == u"http-equiv") {
                meta.pragma = meta.pragma || found->value == u"content-type";
            } else if (found->name == u"content") {
                if (!meta.content)
                    meta.content = fromContent(*found);
            } else if (found->name == u"charset") {
                meta.hasCharset = true;
                meta.charset
                    = declarationIn(text, found->start, found->start + found->value.size());
            }
        }
        if (position >= text.size())
            return std::nullopt;
        return meta;
    }

    // The "extracting a character encoding from a meta element" steps.
    std::optional<Declaration> fromContent(const Attribute &content) const
    {
        const QString &value = content.value;
        const qsizetype size = value.size();
        for (qsizetype from = 0;;) {
            qsizetype p = value.indexOf(u"charset", from);
            if (p < 0)
                return std::nullopt;
            p += 7;
            while (p < size && isMarkupSpace(value.at(p).unicode()))
                ++p;
            if (p >= size || value.at(p) != u'=') {
                from = p;
                continue;
            }
            ++p;
            while (p < size && isMarkupSpace(value.at(p).unicode()))
                ++p;
            if (p >= size)
                return std::nullopt;
            const QChar quote = value.at(p);
            qsizetype end;
            if (quote == u'"' || quote == u'\'') {
                end = value.indexOf(quote, ++p);
                if (end < 0)
                    return std::nullopt;
            } else {
                end = p;
                while (end < size && !isMarkupSpace(value.at(end).unicode())
                       && value.at(end) != u';')
                    ++end;
            }
            return declarationIn(text, content.start + p, content.start + end);
        }
    }

    QStringView text;
};

// The encoding an XML declaration at the start of text names.
Declaration xmlDeclaration(QStringView text)
{
    static const QRegularExpression xml(
        QStringLiteral(R"(^\s*<\?xml\s[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:+-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    // A document's own line ends are separators, which \s does not match.
    QString head = text.left(1024).toString();
    separatorsAsLineFeeds(head);
    const QRegularExpressionMatch match = xml.match(head);
    if (!match.hasMatch())
        return Declaration();
    return Declaration {match.captured(1), match.capturedStart(1), match.capturedLength(1)};
}

// The @charset rule at the very start of a stylesheet, as CSS reads it: exactly
// '@charset "', a name, '";'.
Declaration charsetRule(QStringView text)
{
    const QStringView head = text.left(1024);
    const QStringView opening = u"@charset \"";
    if (!head.startsWith(opening))
        return Declaration();
    const qsizetype end = head.indexOf(u'"', opening.size());
    if (end < 0 || end + 1 >= head.size() || head.at(end + 1) != u';')
        return Declaration();
    return declarationIn(text, opening.size(), end).value_or(Declaration());
}

// A page's declarations in the order in which they decide, the first that names a
// label deciding.
QList<Declaration> candidates(QStringView text, Kind kind)
{
    QList<Declaration> found;
    const Declaration xml = xmlDeclaration(text);
    if (kind == Kind::Xml && xml.found())
        found << xml;
    for (const MetaScan::Meta &meta : MetaScan(text.left(1024)).all()) {
        if (const auto declaration = meta.deciding())
            found << *declaration;
    }
    if (kind == Kind::Page && xml.found())
        found << xml;
    return found;
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
            if (toolkitName(known[i].name))
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

Decoded decode(const QByteArray &bytes, Kind kind, const std::optional<Encoding> &environment)
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
            decoded.lineEnds = LineEnds::toLineFeeds(decoded.text);
            return decoded;
        }
        refused = QStringLiteral("Le fichier ne suit pas sa marque d'ordre des octets (%1)")
                      .arg(encoding.label());
    }

    // A page whose mark failed may still say what it is; the mark is no character.
    QByteArrayView head = QByteArrayView(bytes).first(std::min<qsizetype>(bytes.size(), 1024));
    if (head.startsWith("\xef\xbb\xbf"))
        head = head.sliced(3);
    const QString headText = QString::fromLatin1(head);
    const Declaration declaration = findDeclaration(headText, kind);
    if (declaration.found()) {
        const auto declared = forDeclaration(declaration.name, latin1());
        if (!declared) {
            if (refused.isEmpty())
                refused = QStringLiteral("Le fichier déclare un encodage inconnu (%1)")
                              .arg(declaration.name);
        } else if (auto text = exactText(bytes, declared->name)) {
            decoded.text = std::move(*text);
            decoded.encoding = *declared;
        } else if (refused.isEmpty()) {
            refused = QStringLiteral("Le fichier ne suit pas l'encodage qu'il déclare (%1)")
                          .arg(declared->label());
        }
    }

    // A stylesheet that declares nothing is in the encoding of its page, which
    // bytes without a mark cannot be when it is UTF-16 or UTF-32.
    if (decoded.encoding.name.isEmpty() && environment && !isWide(environment->name)) {
        if (auto text = exactText(bytes, environment->name)) {
            decoded.text = std::move(*text);
            decoded.encoding = Encoding {environment->name, false};
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
    if (const auto conflict = findConflict(headText, kind))
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
    auto text = exactText(body, found.name);
    if (!text)
        return std::nullopt;
    Decoded decoded {std::move(*text), found, {}, QString()};
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
    } else if (const std::shared_ptr<const ByteTable> table = ByteTable::of(encoding.name)) {
        bytes = table->encode(text, htmlReferences, &lost, &referenced);
    } else {
        bytes = encodeWithout(std::move(text), encoding.name, htmlReferences, &lost, &referenced);
    }
    if (unencodable)
        *unencodable = lost;
    if (references)
        *references = referenced;
    if (encoding.bom)
        bytes.prepend(byteOrderMark(encoding.name));
    return bytes;
}

Declaration findDeclaration(QStringView text, Kind kind)
{
    if (kind == Kind::Stylesheet)
        return charsetRule(text);
    const QList<Declaration> found = candidates(text.left(1024), kind);
    for (const Declaration &declaration : found) {
        if (isWebLabel(declaration.name))
            return declaration;
    }
    return found.value(0);
}

QList<Declaration> findDeclarations(QStringView text, Kind kind)
{
    QList<Declaration> found;
    if (kind == Kind::Stylesheet) {
        if (const Declaration rule = charsetRule(text); rule.found())
            found << rule;
        return found;
    }
    if (const Declaration xml = xmlDeclaration(text); xml.found())
        found << xml;
    for (const MetaScan::Meta &meta : MetaScan(text).all()) {
        // Both places of an element that has both are rewritten, though only its
        // charset attribute decides.
        if (meta.charset)
            found << *meta.charset;
        if (meta.pragma && meta.content)
            found << *meta.content;
    }
    std::sort(found.begin(), found.end(),
              [](const Declaration &a, const Declaration &b) { return a.start < b.start; });
    return found;
}

std::optional<Conflict> findConflict(QStringView text, Kind kind)
{
    if (kind == Kind::Stylesheet)
        return std::nullopt;
    const QStringView head = text.left(1024);
    const Declaration xml = xmlDeclaration(head);
    if (!xml.found())
        return std::nullopt;
    const auto xmlEncoding = forDeclaration(xml.name, latin1());
    for (const MetaScan::Meta &meta : MetaScan(head).all()) {
        const auto declaration = meta.deciding();
        if (!declaration || !isWebLabel(declaration->name))
            continue;
        const auto metaEncoding = forDeclaration(declaration->name, latin1());
        if (xmlEncoding && metaEncoding && xmlEncoding->name != metaEncoding->name)
            return Conflict {xml.name, declaration->name};
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Encoding> forDeclaration(const QString &declared, const Encoding &present)
{
    const auto web = webEncoding(declared);
    if (!web || *web == "replacement")
        return std::nullopt;
    // The name the toolkit knows the label by, else the one the label stands for
    // ("unicode11utf8", "x-cp1251"); x-user-defined is read as windows-1252, as
    // browsers find it.
    auto name = *web == "x-user-defined" ? toolkitName("windows-1252")
                                         : toolkitName(declared.trimmed().toLatin1());
    if (!name)
        name = toolkitName(*web);
    if (!name)
        return std::nullopt;
    if (isWide(*name)) {
        // Bytes that hold the declaration in ASCII are no UTF-16 or UTF-32.
        if (isWide(present.name) || present.name == utf8Name)
            return present;
        return Encoding {QByteArray(utf8Name), false};
    }
    if (*name == present.name)
        return present;
    return fromToolkitName(*name);
}

} // namespace DocumentEncoding
