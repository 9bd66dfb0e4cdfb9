#include "documentencoding.h"

#include "documentcodec.h"
#include "lineends.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>

namespace DocumentEncoding {

namespace {

struct Known
{
    const char *label;
    const char *name; // the toolkit's own name for it
    bool bom;
};

// The encodings the user is offered, Unicode first, then those of the web by
// region; the last two are read from a byte-order mark but not offered, since no
// browser reads them.
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
};
constexpr qsizetype offeredCount = qsizetype(std::size(known)) - 2;

constexpr char latin1Name[] = "ISO-8859-1";
constexpr char utf8Name[] = "UTF-8";

// The pieces in which large texts are checked, so that no whole copy is made.
constexpr qsizetype piece = 64 * 1024;

// A document's paragraph and line separators are written as line feeds.
void separatorsAsLineFeeds(QString &text)
{
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
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
// reference, or by "?" (counted in lost).
QString substitute(const QString &text, const QByteArray &name, bool htmlReferences, int *lost)
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
        } else {
            result += QLatin1Char('?');
            ++*lost;
        }
    }
    return result;
}

// The bytes of text in an encoding other than ISO 8859-1, with no byte-order mark.
QByteArray encodeWithout(QString text, const QByteArray &name, bool htmlReferences, int *lost)
{
    *lost = 0;
    separatorsAsLineFeeds(text);
    bool complete = false;
    QByteArray bytes = encodeChecked(text, name, &complete);
    if (complete)
        return bytes;
    // Some characters are not in the encoding: only then is the text gone through.
    QStringEncoder again(name.constData(), QStringConverter::Flag::Stateless);
    return again.encode(substitute(text, name, htmlReferences, lost));
}

// Whether saving text unchanged in the encoding gives back bytes exactly: only
// that proves the decoding lost nothing. Unicode encodings write each character
// on its own, so a large text is checked piece by piece with no copy of the file.
bool writesBack(QStringView text, QByteArrayView bytes, const QByteArray &name)
{
    // A separator read from the file would be written as a line feed.
    if (text.contains(QChar::ParagraphSeparator) || text.contains(QChar::LineSeparator))
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

// Whether UTF-8 bytes hold a line or paragraph separator (E2 80 A8, E2 80 A9).
// Searched in the bytes, where the C library finds a byte much faster than a
// loop over the decoded text does.
bool holdsSeparator(QByteArrayView bytes)
{
    const char *at = bytes.data();
    const char *const end = at + bytes.size();
    while ((at = static_cast<const char *>(std::memchr(at, '\xe2', size_t(end - at))))) {
        if (end - at >= 3 && at[1] == '\x80' && (at[2] == '\xa8' || at[2] == '\xa9'))
            return true;
        ++at;
    }
    return false;
}

// The text of bytes in UTF-8 when saving it unchanged gives them
// back, as writesBack() tells for the other encodings. The toolkit's decoder
// reports every sequence that would not be written back the same (an overlong
// form, a surrogate, a value past U+10FFFF, a cut or stray byte), so a text decoded
// without error is written back byte for byte: only the separators, written as
// line feeds, are looked for besides. A large file is checked piece by piece, so
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
        // A separator read from the file would be written as a line feed.
        if (holdsSeparator(read))
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

// The bytes without the encoding's byte-order mark, when they start with it.
QByteArrayView withoutMark(const QByteArray &bytes, const Encoding &encoding)
{
    if (!encoding.bom)
        return bytes;
    const QByteArray mark = byteOrderMark(encoding.name);
    return bytes.startsWith(mark) ? QByteArrayView(bytes).sliced(mark.size()) : bytes;
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

Decoded decode(const QByteArray &bytes)
{
    Decoded decoded;
    QString refused;
    if (const auto marked = QStringConverter::encodingForData(bytes)) {
        const Encoding encoding {QStringConverter::nameForEncoding(*marked), true};
        if (auto text = exactText(withoutMark(bytes, encoding), encoding.name)) {
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
    const Declaration declaration = findDeclaration(QString::fromLatin1(head));
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
    if (!refused.isEmpty())
        decoded.notice
            = refused + QStringLiteral("\u00a0: il est lu en %1.").arg(decoded.encoding.label());
    decoded.lineEnds = LineEnds::toLineFeeds(decoded.text);
    return decoded;
}

std::optional<QString> decodeAs(const QByteArray &bytes, const Encoding &encoding,
                                LineEnds::Survey *lineEnds)
{
    std::optional<QString> text = exactText(withoutMark(bytes, encoding), encoding.name);
    if (text) {
        const LineEnds::Survey survey = LineEnds::toLineFeeds(*text);
        if (lineEnds)
            *lineEnds = survey;
    }
    return text;
}

QByteArray encode(QString text, const Encoding &encoding, bool htmlReferences, int *unencodable)
{
    int lost = 0;
    QByteArray bytes = encoding.isLatin1()
        ? DocumentCodec::encodeRawText(text, htmlReferences, &lost)
        : encodeWithout(std::move(text), encoding.name, htmlReferences, &lost);
    if (unencodable)
        *unencodable = lost;
    if (encoding.bom)
        bytes.prepend(byteOrderMark(encoding.name));
    return bytes;
}

Declaration findDeclaration(QStringView text)
{
    static const QRegularExpression xml(
        QStringLiteral(R"(^\s*<\?xml\s[^>]*?encoding\s*=\s*["']([A-Za-z0-9._:+-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression meta(
        QStringLiteral(R"(<meta\s[^>]*?charset\s*=\s*["']?\s*([A-Za-z0-9._:+-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    // A document's own line ends are separators, which \s does not match.
    QString head = text.left(1024).toString();
    separatorsAsLineFeeds(head);
    QRegularExpressionMatch match = xml.match(head);
    if (!match.hasMatch())
        match = meta.match(head);
    Declaration declaration;
    if (match.hasMatch()) {
        declaration.name = match.captured(1);
        declaration.start = match.capturedStart(1);
        declaration.length = match.capturedLength(1);
    }
    return declaration;
}

std::optional<Encoding> forDeclaration(const QString &declared, const Encoding &present)
{
    const auto name = toolkitName(declared.toLatin1());
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
