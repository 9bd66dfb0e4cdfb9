#include "webencodings.h"

#include "documentcodec.h"

#include <QFile>
#include <QMutex>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

// The tables are compiled into the library, which the linker keeps only when the
// library asks for them.
static void initialiseTables()
{
    Q_INIT_RESOURCE(webencodings);
}

static void ensureTables()
{
    static std::once_flag initialised;
    std::call_once(initialised, initialiseTables);
}

namespace WebEncodings {

namespace {

// The code point of each pointer of an index, 0 for none.
using Index = std::vector<char32_t>;

// An index of encoding/web/, read once (and kept where it was read: the codecs
// hold references to it).
const Index &index(const char *name)
{
    static QMutex guard;
    static std::map<QByteArray, Index> read;
    const QMutexLocker locker(&guard);
    const auto found = read.find(name);
    if (found != read.end())
        return found->second;
    ensureTables();
    QFile file(QStringLiteral(":/webencodings/%1.bin").arg(QLatin1String(name)));
    Index table;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        table.resize(size_t(bytes.size() / 4));
        for (size_t i = 0; i < table.size(); ++i) {
            const auto *at = reinterpret_cast<const uchar *>(bytes.constData()) + 4 * i;
            table[i] = char32_t(at[0]) | char32_t(at[1]) << 8 | char32_t(at[2]) << 16
                | char32_t(at[3]) << 24;
        }
    }
    return read.emplace(name, std::move(table)).first->second;
}

char32_t at(const Index &table, size_t pointer)
{
    return pointer < table.size() ? table[pointer] : 0;
}

// An index turned round, for the encoders: the pointer of each code point (the
// first, pointers from skipFrom to skipTo left out).
class Pointers
{
public:
    Pointers(const Index &table, size_t from, size_t skipFrom = 1, size_t skipTo = 0)
        : bmp(0x10000, 0)
    {
        for (size_t pointer = from; pointer < table.size(); ++pointer) {
            const char32_t codePoint = table[pointer];
            if (codePoint == 0 || (pointer >= skipFrom && pointer <= skipTo))
                continue;
            if (codePoint < 0x10000) {
                if (!bmp[codePoint])
                    bmp[codePoint] = quint16(pointer + 1);
            } else if (!astral.contains(codePoint)) {
                astral.insert(codePoint, quint16(pointer));
            }
        }
    }

    void setLast(const Index &table, char32_t codePoint)
    {
        for (size_t pointer = table.size(); pointer-- > 0;) {
            if (table[pointer] == codePoint) {
                bmp[codePoint] = quint16(pointer + 1);
                return;
            }
        }
    }

    std::optional<uint> of(char32_t codePoint) const
    {
        if (codePoint < 0x10000) {
            if (const quint16 found = bmp[codePoint])
                return found - 1u;
            return std::nullopt;
        }
        const auto found = astral.constFind(codePoint);
        if (found == astral.cend())
            return std::nullopt;
        return *found;
    }

private:
    std::vector<quint16> bmp; // pointer + 1
    QHash<char32_t, quint16> astral;
};

// One of the encodings read through an index: its decoder and encoder as the
// standard gives them.
class Codec
{
public:
    virtual ~Codec() = default;

    // The code point of the sequence at bytes[i]: i is left after it. Nothing when
    // the decoder finds it in error (a cut sequence included). A sequence that
    // stands for two code points gives the second in second.
    virtual std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i,
                                         char32_t *second) const = 0;
    // The bytes the encoder writes a code point beyond ASCII with (at most four,
    // into out); 0 when it writes none. ASCII is itself in each of these.
    virtual int write(char32_t codePoint, char *out) const = 0;
};

// A codec of one index, which its encoder reads turned round.
class Indexed : public Codec
{
protected:
    Indexed(const Index &table, size_t from = 0, size_t skipFrom = 1, size_t skipTo = 0)
        : table(table)
        , pointers(table, from, skipFrom, skipTo)
    { }

    const Index &table;
    Pointers pointers;
};

class SingleByte : public Indexed
{
public:
    explicit SingleByte(const Index &table)
        : Indexed(table)
    { }

    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i, char32_t *) const override
    {
        const uchar byte = uchar(bytes[i++]);
        if (byte < 0x80)
            return byte;
        if (const char32_t codePoint = at(table, byte - 0x80u))
            return codePoint;
        return std::nullopt;
    }

    int write(char32_t codePoint, char *out) const override
    {
        const auto pointer = pointers.of(codePoint);
        if (!pointer || *pointer >= 0x80)
            return 0;
        out[0] = char(*pointer + 0x80);
        return 1;
    }
};

// The bytes 0x80 to 0xFF as U+F780 to U+F7FF, as some pages' fonts once had it.
class UserDefined : public Codec
{
public:
    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i, char32_t *) const override
    {
        const uchar byte = uchar(bytes[i++]);
        return byte < 0x80 ? char32_t(byte) : char32_t(0xf780 + byte - 0x80);
    }

    int write(char32_t codePoint, char *out) const override
    {
        if (codePoint < 0xf780 || codePoint > 0xf7ff)
            return 0;
        out[0] = char(codePoint - 0xf780 + 0x80);
        return 1;
    }
};

class Gb18030 : public Indexed
{
public:
    explicit Gb18030(bool gbk)
        : Indexed(index("gb18030"))
        , gbk(gbk)
    {
        const Index &flat = index("gb18030-ranges");
        for (size_t i = 0; i + 1 < flat.size(); i += 2)
            ranges.push_back({uint(flat[i]), flat[i + 1]});
    }

    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i, char32_t *) const override
    {
        const uchar first = uchar(bytes[i++]);
        if (first < 0x80)
            return first;
        if (first == 0x80)
            return 0x20ac;
        if (first == 0xff || i >= bytes.size())
            return std::nullopt;
        const uchar second = uchar(bytes[i++]);
        if (second >= 0x30 && second <= 0x39) {
            if (i + 1 >= bytes.size())
                return std::nullopt;
            const uchar third = uchar(bytes[i++]);
            const uchar fourth = uchar(bytes[i++]);
            if (third < 0x81 || third > 0xfe || fourth < 0x30 || fourth > 0x39)
                return std::nullopt;
            return rangeCodePoint((first - 0x81u) * 12600 + (second - 0x30u) * 1260
                                  + (third - 0x81u) * 10 + fourth - 0x30u);
        }
        if (!((second >= 0x40 && second <= 0x7e) || (second >= 0x80 && second <= 0xfe)))
            return std::nullopt;
        if (const char32_t codePoint
            = at(table, (first - 0x81u) * 190 + second - (second < 0x7f ? 0x40u : 0x41u)))
            return codePoint;
        return std::nullopt;
    }

    int write(char32_t codePoint, char *out) const override
    {
        if (codePoint == 0xe5e5)
            return 0;
        if (gbk && codePoint == 0x20ac) {
            out[0] = '\x80';
            return 1;
        }
        if (const auto pointer = pointers.of(codePoint)) {
            const uint trail = *pointer % 190;
            out[0] = char(*pointer / 190 + 0x81);
            out[1] = char(trail + (trail < 0x3f ? 0x40 : 0x41));
            return 2;
        }
        if (gbk)
            return 0;
        uint pointer = 7457;
        if (codePoint >= 0x10000) {
            pointer = 189000 + codePoint - 0x10000;
        } else if (codePoint != 0xe7c7) {
            const auto last = std::upper_bound(
                ranges.cbegin(), ranges.cend(), codePoint,
                [](char32_t wanted, const Range &range) { return wanted < range.codePoint; });
            if (last == ranges.cbegin())
                return 0;
            pointer = std::prev(last)->pointer + codePoint - std::prev(last)->codePoint;
        }
        out[0] = char(pointer / 12600 + 0x81);
        out[1] = char(pointer % 12600 / 1260 + 0x30);
        out[2] = char(pointer % 1260 / 10 + 0x81);
        out[3] = char(pointer % 10 + 0x30);
        return 4;
    }

private:
    struct Range
    {
        uint pointer;
        char32_t codePoint;
    };

    std::optional<char32_t> rangeCodePoint(uint pointer) const
    {
        if ((pointer > 39419 && pointer < 189000) || pointer > 1237575)
            return std::nullopt;
        if (pointer == 7457)
            return 0xe7c7;
        if (pointer >= 189000)
            return 0x10000 + pointer - 189000;
        const auto last = std::upper_bound(
            ranges.cbegin(), ranges.cend(), pointer,
            [](uint wanted, const Range &range) { return wanted < range.pointer; });
        if (last == ranges.cbegin())
            return std::nullopt;
        return std::prev(last)->codePoint + pointer - std::prev(last)->pointer;
    }

    bool gbk;
    std::vector<Range> ranges;
};

class Big5 : public Indexed
{
public:
    Big5()
        : Indexed(index("big5"), (0xa1 - 0x81) * 157)
    {
        // The standard writes these with their last pointer.
        for (const char32_t codePoint : {0x2550, 0x255e, 0x2561, 0x256a, 0x5341, 0x5345})
            pointers.setLast(table, codePoint);
    }

    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i,
                                 char32_t *second) const override
    {
        const uchar lead = uchar(bytes[i++]);
        if (lead < 0x80)
            return lead;
        if (lead == 0x80 || lead == 0xff || i >= bytes.size())
            return std::nullopt;
        const uchar byte = uchar(bytes[i++]);
        if (!((byte >= 0x40 && byte <= 0x7e) || (byte >= 0xa1 && byte <= 0xfe)))
            return std::nullopt;
        const uint pointer = (lead - 0x81u) * 157 + byte - (byte < 0x7f ? 0x40u : 0x62u);
        // Four pointers stand for a letter and a combining mark.
        switch (pointer) {
        case 1133:
        case 1135:
            *second = pointer == 1133 ? 0x0304 : 0x030c;
            return 0x00ca;
        case 1164:
        case 1166:
            *second = pointer == 1164 ? 0x0304 : 0x030c;
            return 0x00ea;
        }
        if (const char32_t codePoint = at(table, pointer))
            return codePoint;
        return std::nullopt;
    }

    int write(char32_t codePoint, char *out) const override
    {
        const auto pointer = pointers.of(codePoint);
        if (!pointer)
            return 0;
        const uint trail = *pointer % 157;
        out[0] = char(*pointer / 157 + 0x81);
        out[1] = char(trail + (trail < 0x3f ? 0x40 : 0x62));
        return 2;
    }
};

class EucKr : public Indexed
{
public:
    EucKr()
        : Indexed(index("euc-kr"))
    { }

    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i, char32_t *) const override
    {
        const uchar lead = uchar(bytes[i++]);
        if (lead < 0x80)
            return lead;
        if (lead == 0x80 || lead == 0xff || i >= bytes.size())
            return std::nullopt;
        const uchar byte = uchar(bytes[i++]);
        if (byte < 0x41 || byte == 0xff)
            return std::nullopt;
        if (const char32_t codePoint = at(table, (lead - 0x81u) * 190 + byte - 0x41u))
            return codePoint;
        return std::nullopt;
    }

    int write(char32_t codePoint, char *out) const override
    {
        const auto pointer = pointers.of(codePoint);
        if (!pointer)
            return 0;
        out[0] = char(*pointer / 190 + 0x81);
        out[1] = char(*pointer % 190 + 0x41);
        return 2;
    }
};

// What the encoders of Shift_JIS and EUC-JP write alike: the letters of JIS X
// 0201 for yen and overline (on the ASCII bytes that stand for them), half-width
// katakana in their own bytes; the minus sign as the full-width hyphen-minus.
int japaneseFirst(char32_t &codePoint, char *out)
{
    if (codePoint == 0xa5 || codePoint == 0x203e) {
        out[0] = codePoint == 0xa5 ? '\x5c' : '\x7e';
        return 1;
    }
    if (codePoint == 0x2212)
        codePoint = 0xff0d;
    return 0;
}

class ShiftJis : public Indexed
{
public:
    ShiftJis()
        : Indexed(index("jis0208"), 0, 8272, 8835)
    { }

    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i, char32_t *) const override
    {
        const uchar lead = uchar(bytes[i++]);
        if (lead <= 0x80)
            return lead;
        if (lead >= 0xa1 && lead <= 0xdf)
            return 0xff61 - 0xa1 + lead;
        if (!((lead >= 0x81 && lead <= 0x9f) || (lead >= 0xe0 && lead <= 0xfc))
            || i >= bytes.size())
            return std::nullopt;
        const uchar byte = uchar(bytes[i++]);
        if (!((byte >= 0x40 && byte <= 0x7e) || (byte >= 0x80 && byte <= 0xfc)))
            return std::nullopt;
        const uint pointer
            = (lead - (lead < 0xa0 ? 0x81u : 0xc1u)) * 188 + byte - (byte < 0x7f ? 0x40u : 0x41u);
        // The user-defined area, in the private use area.
        if (pointer >= 8836 && pointer <= 10715)
            return 0xe000 - 8836 + pointer;
        if (const char32_t codePoint = at(table, pointer))
            return codePoint;
        return std::nullopt;
    }

    int write(char32_t codePoint, char *out) const override
    {
        if (codePoint <= 0x80) {
            out[0] = char(codePoint);
            return 1;
        }
        if (codePoint >= 0xff61 && codePoint <= 0xff9f) {
            out[0] = char(codePoint - 0xff61 + 0xa1);
            return 1;
        }
        if (const int written = japaneseFirst(codePoint, out))
            return written;
        const auto pointer = pointers.of(codePoint);
        if (!pointer)
            return 0;
        const uint lead = *pointer / 188;
        const uint trail = *pointer % 188;
        out[0] = char(lead + (lead < 0x1f ? 0x81 : 0xc1));
        out[1] = char(trail + (trail < 0x3f ? 0x40 : 0x41));
        return 2;
    }
};

class EucJp : public Indexed
{
public:
    EucJp()
        : Indexed(index("jis0208"))
        , jis0212(index("jis0212"))
    { }

    std::optional<char32_t> next(QByteArrayView bytes, qsizetype &i, char32_t *) const override
    {
        const uchar lead = uchar(bytes[i++]);
        if (lead < 0x80)
            return lead;
        if (i >= bytes.size())
            return std::nullopt;
        const uchar byte = uchar(bytes[i++]);
        if (lead == 0x8e) {
            if (byte < 0xa1 || byte > 0xdf)
                return std::nullopt;
            return 0xff61 - 0xa1 + byte;
        }
        const bool plane2 = lead == 0x8f;
        const uchar row = plane2 ? byte : lead;
        uchar cell = byte;
        if (plane2) {
            if (i >= bytes.size())
                return std::nullopt;
            cell = uchar(bytes[i++]);
        }
        if (row < 0xa1 || row > 0xfe || cell < 0xa1 || cell > 0xfe)
            return std::nullopt;
        if (const char32_t codePoint
            = at(plane2 ? jis0212 : table, (row - 0xa1u) * 94 + cell - 0xa1u))
            return codePoint;
        return std::nullopt;
    }

    int write(char32_t codePoint, char *out) const override
    {
        if (codePoint >= 0xff61 && codePoint <= 0xff9f) {
            out[0] = '\x8e';
            out[1] = char(codePoint - 0xff61 + 0xa1);
            return 2;
        }
        if (const int written = japaneseFirst(codePoint, out))
            return written;
        const auto pointer = pointers.of(codePoint);
        if (!pointer)
            return 0;
        out[0] = char(*pointer / 94 + 0xa1);
        out[1] = char(*pointer % 94 + 0xa1);
        return 2;
    }

private:
    const Index &jis0212;
};

// ISO-2022-JP, whose escape sequences switch between ASCII, JIS X 0201's Roman
// and katakana, and JIS X 0208.
class Iso2022Jp
{
public:
    Iso2022Jp()
        : jis0208(index("jis0208"))
        , katakana(index("iso-2022-jp-katakana"))
        , pointers(jis0208, 0)
    { }

    std::optional<QString> decode(QByteArrayView bytes) const
    {
        enum Mode { Ascii, Roman, Katakana, Jis0208 } mode = Ascii;
        QString text;
        text.reserve(bytes.size());
        // Two escape sequences with nothing between them are an error.
        bool escaped = false;
        for (qsizetype i = 0; i < bytes.size();) {
            const uchar byte = uchar(bytes[i]);
            if (byte == 0x1b) {
                if (escaped || i + 2 >= bytes.size())
                    return std::nullopt;
                const QByteArrayView escape = bytes.sliced(i + 1, 2);
                if (escape == "(B")
                    mode = Ascii;
                else if (escape == "(J")
                    mode = Roman;
                else if (escape == "(I")
                    mode = Katakana;
                else if (escape == "$@" || escape == "$B")
                    mode = Jis0208;
                else
                    return std::nullopt;
                i += 3;
                escaped = true;
                continue;
            }
            escaped = false;
            ++i;
            switch (mode) {
            case Ascii:
            case Roman:
                if (byte > 0x7f || byte == 0x0e || byte == 0x0f)
                    return std::nullopt;
                text += mode == Roman && byte == 0x5c ? QChar(0xa5)
                    : mode == Roman && byte == 0x7e   ? QChar(0x203e)
                                                      : QChar(byte);
                break;
            case Katakana:
                if (byte < 0x21 || byte > 0x5f)
                    return std::nullopt;
                text += QChar(0xff61 - 0x21 + byte);
                break;
            case Jis0208: {
                if (byte < 0x21 || byte > 0x7e || i >= bytes.size())
                    return std::nullopt;
                const uchar trail = uchar(bytes[i++]);
                const char32_t codePoint = trail >= 0x21 && trail <= 0x7e
                    ? at(jis0208, (byte - 0x21u) * 94 + trail - 0x21u)
                    : 0;
                if (!codePoint)
                    return std::nullopt;
                text += QChar(char16_t(codePoint));
                break;
            }
            }
        }
        return text;
    }

    QByteArray encode(QStringView text, bool htmlReferences, int *lost, int *referenced) const
    {
        enum Mode { Ascii, Roman, Jis0208 } mode = Ascii;
        QByteArray out;
        out.reserve(text.size() * 2);
        const auto switchTo = [&](Mode wanted) {
            if (mode == wanted)
                return;
            mode = wanted;
            out += wanted == Ascii ? "\x1b(B" : wanted == Roman ? "\x1b(J" : "\x1b$B";
        };
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t codePoint = text.at(i).unicode();
            if (QChar::isHighSurrogate(codePoint) && i + 1 < text.size()
                && text.at(i + 1).isLowSurrogate()) {
                ++i;
                codePoint = QChar::surrogateToUcs4(text.at(i - 1).unicode(), text.at(i).unicode());
            } else if (QChar::isSurrogate(codePoint))
                codePoint = QChar::ReplacementCharacter;
            if (DocumentCodec::isLineBreak(char16_t(codePoint)))
                codePoint = '\n';
            if (codePoint < 0x80 && codePoint != 0x0e && codePoint != 0x0f && codePoint != 0x1b) {
                if (mode == Roman && codePoint != 0x5c && codePoint != 0x7e) {
                    out += char(codePoint);
                    continue;
                }
                switchTo(Ascii);
                out += char(codePoint);
                continue;
            }
            if (codePoint == 0xa5 || codePoint == 0x203e) {
                switchTo(Roman);
                out += codePoint == 0xa5 ? '\x5c' : '\x7e';
                continue;
            }
            char32_t wanted = codePoint == 0x2212 ? 0xff0d : codePoint;
            if (wanted >= 0xff61 && wanted <= 0xff9f)
                wanted = at(katakana, wanted - 0xff61);
            if (const auto pointer = codePoint >= 0x80 ? pointers.of(wanted) : std::nullopt) {
                switchTo(Jis0208);
                out += char(*pointer / 94 + 0x21);
                out += char(*pointer % 94 + 0x21);
                continue;
            }
            switchTo(Ascii);
            if (htmlReferences) {
                out += "&#" + QByteArray::number(quint32(codePoint)) + ';';
                ++*referenced;
            } else {
                out += '?';
                ++*lost;
            }
        }
        switchTo(Ascii);
        return out;
    }

private:
    const Index &jis0208;
    const Index &katakana;
    Pointers pointers;
};

// The codec of an encoding read through its index, made once.
const Codec *codec(QByteArrayView name)
{
    static QMutex guard;
    static QHash<QByteArray, std::shared_ptr<const Codec>> made;
    const QMutexLocker locker(&guard);
    const QByteArray key = name.toByteArray();
    const auto found = made.constFind(key);
    if (found != made.cend())
        return found->get();
    std::shared_ptr<const Codec> one;
    if (key == "GBK" || key == "gb18030")
        one = std::make_shared<Gb18030>(key == "GBK");
    else if (key == "Big5")
        one = std::make_shared<Big5>();
    else if (key == "EUC-KR")
        one = std::make_shared<EucKr>();
    else if (key == "Shift_JIS")
        one = std::make_shared<ShiftJis>();
    else if (key == "EUC-JP")
        one = std::make_shared<EucJp>();
    else if (key == "x-user-defined")
        one = std::make_shared<UserDefined>();
    else if (converter(name) == QByteArray(""))
        one = std::make_shared<SingleByte>(index(key.toLower().constData()));
    return made.insert(key, one)->get();
}

const Iso2022Jp &iso2022Jp()
{
    static const Iso2022Jp codec;
    return codec;
}

void append(QChar *&out, char32_t codePoint)
{
    if (codePoint < 0x10000) {
        *out++ = QChar(char16_t(codePoint));
    } else {
        *out++ = QChar(QChar::highSurrogate(codePoint));
        *out++ = QChar(QChar::lowSurrogate(codePoint));
    }
}

} // namespace

std::optional<QByteArray> converter(QByteArrayView name)
{
    static const QHash<QByteArray, QByteArray> converters = [] {
        QHash<QByteArray, QByteArray> list;
        ensureTables();
        QFile file(QStringLiteral(":/webencodings/converters.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return list;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const QList<QByteArray> fields = line.split('\t');
            if (fields.size() == 2)
                list.insert(fields.at(0), fields.at(1) == "-" ? QByteArray("") : fields.at(1));
        }
        return list;
    }();
    const auto found = converters.constFind(name.toByteArray());
    if (found == converters.cend())
        return std::nullopt;
    return *found;
}

std::optional<QString> decode(QByteArrayView name, QByteArrayView bytes,
                              std::shared_ptr<const Forms> *forms)
{
    if (forms)
        forms->reset();
    if (name == "ISO-2022-JP") {
        auto text = iso2022Jp().decode(bytes);
        int none = 0;
        if (!text || iso2022Jp().encode(*text, false, &none, &none) != bytes)
            return std::nullopt;
        return text;
    }
    const Codec *const reader = codec(name);
    if (!reader)
        return std::nullopt;
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    std::shared_ptr<Forms> own;
    char written[4];
    for (qsizetype i = 0; i < bytes.size();) {
        // ASCII is itself in each of these, and most of a page.
        if (uchar(bytes[i]) < 0x80) {
            *out++ = QLatin1Char(bytes[i++]);
            continue;
        }
        const qsizetype start = i;
        char32_t second = 0;
        const auto codePoint = reader->next(bytes, i, &second);
        if (!codePoint)
            return std::nullopt;
        append(out, *codePoint);
        if (second) {
            // A letter and its mark are written as two characters.
            append(out, second);
            if (!own)
                own = std::make_shared<Forms>();
            continue;
        }
        const QByteArrayView sequence = bytes.sliced(start, i - start);
        const int length = reader->write(*codePoint, written);
        if (QByteArrayView(written, length) == sequence)
            continue;
        if (!own)
            own = std::make_shared<Forms>();
        const auto known = own->bytes.constFind(*codePoint);
        if (known != own->bytes.cend() && *known != sequence)
            return std::nullopt;
        own->bytes.insert(*codePoint, sequence.toByteArray());
    }
    text.resize(out - text.constData());
    // Only writing the text back tells a character written once in its file's own
    // form and once as the encoder writes it, or a line break of the widget.
    if (own) {
        int none = 0;
        if (encode(name, text, own.get(), false, &none, &none) != bytes)
            return std::nullopt;
        if (forms && !own->bytes.isEmpty())
            *forms = std::move(own);
    } else if (std::any_of(text.cbegin(), text.cend(),
                           [](QChar unit) { return DocumentCodec::isLineBreak(unit.unicode()); })) {
        return std::nullopt;
    }
    return text;
}

QByteArray encode(QByteArrayView name, QStringView text, const Forms *forms, bool htmlReferences,
                  int *lost, int *referenced)
{
    *lost = 0;
    *referenced = 0;
    if (name == "ISO-2022-JP")
        return iso2022Jp().encode(text, htmlReferences, lost, referenced);
    const Codec *const writer = codec(name);
    QByteArray out;
    if (!writer)
        return out;
    out.reserve(text.size() + text.size() / 2);
    char written[4];
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text.at(i).unicode();
        if (unit < 0x80) {
            out += char(unit);
            continue;
        }
        if (DocumentCodec::isLineBreak(unit)) {
            out += '\n';
            continue;
        }
        char32_t codePoint = unit;
        bool half = false;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(unit, text.at(++i).unicode());
        } else if (QChar::isSurrogate(unit)) {
            codePoint = QChar::ReplacementCharacter;
            half = true;
        }
        if (forms && !half) {
            const auto own = forms->bytes.constFind(codePoint);
            if (own != forms->bytes.cend()) {
                out += *own;
                continue;
            }
        }
        // Half a surrogate pair is no character: never written as U+FFFD's bytes.
        const int length = half ? 0 : writer->write(codePoint, written);
        if (length > 0) {
            out.append(written, length);
        } else if (htmlReferences) {
            out += "&#" + QByteArray::number(quint32(codePoint)) + ';';
            ++*referenced;
        } else {
            out += '?';
            ++*lost;
        }
    }
    return out;
}

} // namespace WebEncodings
