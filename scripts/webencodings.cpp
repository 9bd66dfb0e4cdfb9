// Made into a program by webencodings.sh, never built with Marlisse.
//
// For each legacy encoding of the WHATWG Encoding Standard, finds by brute force
// the ICU converters that read and write exactly as the standard's index: opened
// by name through Qt's QStringDecoder and QStringEncoder, as Marlisse opens them,
// each converter reads every byte sequence as the standard's decoder does (the
// same code points, an error where it finds one) and writes every code point as
// the standard's encoder does. Marlisse goes through such a converter; for an
// encoding that none matches it goes through the standard's own index, which
// this program writes as a table of code points.
//
// Writes into OUTPUT: converters.txt (each encoding and its converter, or "-"
// for a table), one NAME.bin a table (the code point of each pointer, 32 bits
// little-endian, 0 for none; gb18030-ranges.bin: pairs of pointer and code
// point), and webencodings.qrc listing them. Copies into TEST_DATA the files of
// the standard that Marlisse's tests compare with.
//
// Usage: webencodings WHATWG_FOLDER OUTPUT TEST_DATA

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/ucnv.h>
#include <unicode/uversion.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace {

QString source;

// Pointer to code point, 0 for none.
using Index = std::vector<char32_t>;

Index readIndex(const QString &name)
{
    QFile file(source + QStringLiteral("/index-") + name + QStringLiteral(".txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read index %s\n", qPrintable(name));
        std::exit(1);
    }
    Index index;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.split('\t');
        const uint pointer = fields.at(0).trimmed().toUInt();
        const uint codePoint = fields.at(1).trimmed().mid(2).toUInt(nullptr, 16);
        if (index.size() <= pointer)
            index.resize(pointer + 1, 0);
        index[pointer] = codePoint;
    }
    return index;
}

std::vector<std::pair<uint, uint>> readRanges()
{
    const Index flat = readIndex(QStringLiteral("gb18030-ranges"));
    std::vector<std::pair<uint, uint>> ranges;
    for (uint pointer = 0; pointer < flat.size(); ++pointer) {
        if (flat[pointer] || pointer == 0)
            ranges.push_back({pointer, uint(flat[pointer])});
    }
    return ranges;
}

// What a decoder makes of a whole byte sequence.
struct Reading
{
    std::u32string text;
    bool error = false;
    bool operator==(const Reading &other) const
    {
        return error == other.error && (error || text == other.text);
    }
};

// The standard's decoder of one encoding, on a whole sequence.
using Decoder = std::function<Reading(const QByteArray &)>;
// The standard's encoder, on one code point: its bytes, or nothing (an error).
using Encoder = std::function<std::optional<QByteArray>(char32_t)>;

std::optional<uint> firstPointer(const Index &index, char32_t codePoint, uint from = 0,
                                 uint skipFrom = 1, uint skipTo = 0, bool last = false)
{
    std::optional<uint> found;
    for (uint pointer = from; pointer < index.size(); ++pointer) {
        if (pointer >= skipFrom && pointer <= skipTo)
            continue;
        if (index[pointer] == codePoint) {
            found = pointer;
            if (!last)
                break;
        }
    }
    return found;
}

// An index turned around, first pointer first.
std::map<char32_t, uint> pointers(const Index &index, uint from = 0, uint skipFrom = 1,
                                  uint skipTo = 0)
{
    std::map<char32_t, uint> map;
    for (uint pointer = from; pointer < index.size(); ++pointer) {
        if (index[pointer] && !(pointer >= skipFrom && pointer <= skipTo))
            map.emplace(index[pointer], pointer);
    }
    return map;
}

// A decoder of lead and trail bytes: single(byte) for a byte that stands alone
// (nothing when it is a lead or an error), pair(lead, trail) for two.
Reading twoBytes(const QByteArray &bytes, const std::function<bool(uchar)> &isLead,
                 const std::function<std::optional<char32_t>(uchar)> &single,
                 const std::function<std::u32string(uchar, uchar)> &pair)
{
    Reading reading;
    uchar lead = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar byte = uchar(bytes[i]);
        if (lead) {
            const std::u32string found = pair(lead, byte);
            lead = 0;
            if (!found.empty()) {
                reading.text += found;
                continue;
            }
            reading.error = true;
            if (byte < 0x80)
                --i; // an ASCII byte is read again
            continue;
        }
        if (byte < 0x80)
            reading.text += char32_t(byte);
        else if (const auto alone = single(byte))
            reading.text += *alone;
        else if (isLead(byte))
            lead = byte;
        else
            reading.error = true;
    }
    reading.error = reading.error || lead;
    return reading;
}

struct Model
{
    Decoder decode;
    Encoder encode;
    std::vector<QByteArray> probes; // besides every byte and every pair
    QStringList tables; // the index files Marlisse needs without a converter
};

Model singleByte(const QString &indexName)
{
    Index index = readIndex(indexName);
    index.resize(128, 0);
    const auto reverse = pointers(index);
    Model model;
    model.decode = [index](const QByteArray &bytes) {
        Reading reading;
        for (const char c : bytes) {
            const uchar byte = uchar(c);
            const char32_t codePoint = byte < 0x80 ? byte : index[byte - 0x80];
            if (codePoint || byte == 0)
                reading.text += codePoint;
            else
                reading.error = true;
        }
        return reading;
    };
    model.encode = [reverse](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint < 0x80)
            return QByteArray(1, char(codePoint));
        const auto found = reverse.find(codePoint);
        if (found == reverse.end())
            return std::nullopt;
        return QByteArray(1, char(found->second + 0x80));
    };
    model.tables << indexName;
    return model;
}

Model gb18030(bool gbk)
{
    const Index index = readIndex(QStringLiteral("gb18030"));
    const auto ranges = readRanges();
    const auto reverse = pointers(index);
    const auto rangeCodePoint = [ranges](uint pointer) -> std::optional<char32_t> {
        if ((pointer > 39419 && pointer < 189000) || pointer > 1237575)
            return std::nullopt;
        if (pointer == 7457)
            return 0xe7c7;
        if (pointer >= 189000)
            return 0x10000 + pointer - 189000;
        std::pair<uint, uint> last = ranges.front();
        for (const auto &range : ranges) {
            if (range.first <= pointer)
                last = range;
        }
        return last.second + pointer - last.first;
    };
    Model model;
    model.decode = [index, rangeCodePoint](const QByteArray &bytes) {
        Reading reading;
        std::vector<uchar> queue(bytes.begin(), bytes.end());
        uchar first = 0, second = 0, third = 0;
        for (size_t i = 0;; ++i) {
            if (i >= queue.size()) {
                reading.error = reading.error || first || second || third;
                return reading;
            }
            const uchar byte = queue[i];
            const auto again = [&](std::initializer_list<uchar> bytes) {
                queue.insert(queue.begin() + qsizetype(i) + 1, bytes);
            };
            if (third) {
                if (byte < 0x30 || byte > 0x39) {
                    again({second, third, byte});
                    first = second = third = 0;
                    reading.error = true;
                    continue;
                }
                const auto codePoint
                    = rangeCodePoint((first - 0x81) * 12600 + (second - 0x30) * 1260
                                     + (third - 0x81) * 10 + byte - 0x30);
                first = second = third = 0;
                if (codePoint)
                    reading.text += *codePoint;
                else
                    reading.error = true;
                continue;
            }
            if (second) {
                if (byte >= 0x81 && byte <= 0xfe) {
                    third = byte;
                    continue;
                }
                again({second, byte});
                first = second = 0;
                reading.error = true;
                continue;
            }
            if (first) {
                if (byte >= 0x30 && byte <= 0x39) {
                    second = byte;
                    continue;
                }
                const uchar lead = first;
                first = 0;
                char32_t codePoint = 0;
                if ((byte >= 0x40 && byte <= 0x7e) || (byte >= 0x80 && byte <= 0xfe)) {
                    const uint pointer = (lead - 0x81) * 190 + byte - (byte < 0x7f ? 0x40 : 0x41);
                    codePoint = pointer < index.size() ? index[pointer] : 0;
                }
                if (codePoint) {
                    reading.text += codePoint;
                    continue;
                }
                if (byte < 0x80)
                    again({byte});
                reading.error = true;
                continue;
            }
            if (byte < 0x80)
                reading.text += char32_t(byte);
            else if (byte == 0x80)
                reading.text += char32_t(0x20ac);
            else if (byte <= 0xfe)
                first = byte;
            else
                reading.error = true;
        }
    };
    model.encode = [reverse, ranges, gbk](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint < 0x80)
            return QByteArray(1, char(codePoint));
        if (codePoint == 0xe5e5)
            return std::nullopt;
        if (gbk && codePoint == 0x20ac)
            return QByteArray("\x80");
        const auto found = reverse.find(codePoint);
        if (found != reverse.end()) {
            const uint trail = found->second % 190;
            return QByteArray(1, char(found->second / 190 + 0x81))
                + char(trail + (trail < 0x3f ? 0x40 : 0x41));
        }
        if (gbk)
            return std::nullopt;
        uint pointer = 7457;
        if (codePoint != 0xe7c7) {
            std::pair<uint, uint> last = ranges.front();
            for (const auto &range : ranges) {
                if (range.second <= codePoint)
                    last = range;
            }
            pointer = codePoint >= 0x10000 ? 189000 + codePoint - 0x10000
                                           : last.first + codePoint - last.second;
        }
        QByteArray bytes;
        bytes += char(pointer / 12600 + 0x81);
        bytes += char(pointer % 12600 / 1260 + 0x30);
        bytes += char(pointer % 1260 / 10 + 0x81);
        bytes += char(pointer % 10 + 0x30);
        return bytes;
    };
    for (int a = 0x81; a <= 0xfe; ++a)
        for (int b = 0x30; b <= 0x39; ++b)
            for (int c = 0x81; c <= 0xfe; ++c)
                for (int d = 0x30; d <= 0x39; ++d)
                    model.probes.push_back(QByteArray() + char(a) + char(b) + char(c) + char(d));
    model.tables << QStringLiteral("gb18030") << QStringLiteral("gb18030-ranges");
    return model;
}

Model big5()
{
    const Index index = readIndex(QStringLiteral("big5"));
    const uint hkscs = (0xa1 - 0x81) * 157;
    auto reverse = pointers(index, hkscs);
    for (const char32_t last : {0x2550, 0x255e, 0x2561, 0x256a, 0x5341, 0x5345})
        reverse[last] = *firstPointer(index, last, hkscs, 1, 0, true);
    Model model;
    model.decode = [index](const QByteArray &bytes) {
        return twoBytes(
            bytes, [](uchar byte) { return byte >= 0x81 && byte <= 0xfe; },
            [](uchar) { return std::optional<char32_t>(); },
            [&index](uchar lead, uchar byte) -> std::u32string {
                if (!((byte >= 0x40 && byte <= 0x7e) || (byte >= 0xa1 && byte <= 0xfe)))
                    return {};
                const uint pointer = (lead - 0x81) * 157 + byte - (byte < 0x7f ? 0x40 : 0x62);
                switch (pointer) {
                case 1133:
                    return U"\u00ca\u0304";
                case 1135:
                    return U"\u00ca\u030c";
                case 1164:
                    return U"\u00ea\u0304";
                case 1166:
                    return U"\u00ea\u030c";
                }
                if (pointer < index.size() && index[pointer])
                    return std::u32string(1, index[pointer]);
                return {};
            });
    };
    model.encode = [reverse](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint < 0x80)
            return QByteArray(1, char(codePoint));
        const auto found = reverse.find(codePoint);
        if (found == reverse.end())
            return std::nullopt;
        const uint trail = found->second % 157;
        return QByteArray(1, char(found->second / 157 + 0x81))
            + char(trail + (trail < 0x3f ? 0x40 : 0x62));
    };
    model.tables << QStringLiteral("big5");
    return model;
}

Model eucKr()
{
    const Index index = readIndex(QStringLiteral("euc-kr"));
    const auto reverse = pointers(index);
    Model model;
    model.decode = [index](const QByteArray &bytes) {
        return twoBytes(
            bytes, [](uchar byte) { return byte >= 0x81 && byte <= 0xfe; },
            [](uchar) { return std::optional<char32_t>(); },
            [&index](uchar lead, uchar byte) -> std::u32string {
                if (byte < 0x41 || byte > 0xfe)
                    return {};
                const uint pointer = (lead - 0x81) * 190 + byte - 0x41;
                if (pointer < index.size() && index[pointer])
                    return std::u32string(1, index[pointer]);
                return {};
            });
    };
    model.encode = [reverse](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint < 0x80)
            return QByteArray(1, char(codePoint));
        const auto found = reverse.find(codePoint);
        if (found == reverse.end())
            return std::nullopt;
        return QByteArray(1, char(found->second / 190 + 0x81)) + char(found->second % 190 + 0x41);
    };
    model.tables << QStringLiteral("euc-kr");
    return model;
}

// What the Japanese encoders write alike before looking in the index.
std::optional<char32_t> japaneseFirst(char32_t codePoint)
{
    return codePoint == 0x2212 ? 0xff0d : codePoint;
}

Model shiftJis()
{
    const Index index = readIndex(QStringLiteral("jis0208"));
    const auto reverse = pointers(index, 0, 8272, 8835);
    Model model;
    model.decode = [index](const QByteArray &bytes) {
        return twoBytes(
            bytes,
            [](uchar byte) {
                return (byte >= 0x81 && byte <= 0x9f) || (byte >= 0xe0 && byte <= 0xfc);
            },
            [](uchar byte) -> std::optional<char32_t> {
                if (byte == 0x80)
                    return 0x80;
                if (byte >= 0xa1 && byte <= 0xdf)
                    return 0xff61 - 0xa1 + byte;
                return std::nullopt;
            },
            [&index](uchar lead, uchar byte) -> std::u32string {
                if (!((byte >= 0x40 && byte <= 0x7e) || (byte >= 0x80 && byte <= 0xfc)))
                    return {};
                const uint pointer = (lead - (lead < 0xa0 ? 0x81 : 0xc1)) * 188 + byte
                    - (byte < 0x7f ? 0x40 : 0x41);
                if (pointer >= 8836 && pointer <= 10715)
                    return std::u32string(1, char32_t(0xe000 - 8836 + pointer));
                if (pointer < index.size() && index[pointer])
                    return std::u32string(1, index[pointer]);
                return {};
            });
    };
    model.encode = [reverse](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint <= 0x80)
            return QByteArray(1, char(codePoint));
        if (codePoint == 0xa5)
            return QByteArray("\x5c");
        if (codePoint == 0x203e)
            return QByteArray("\x7e");
        if (codePoint >= 0xff61 && codePoint <= 0xff9f)
            return QByteArray(1, char(codePoint - 0xff61 + 0xa1));
        const auto found = reverse.find(*japaneseFirst(codePoint));
        if (found == reverse.end())
            return std::nullopt;
        const uint lead = found->second / 188;
        const uint trail = found->second % 188;
        return QByteArray(1, char(lead + (lead < 0x1f ? 0x81 : 0xc1)))
            + char(trail + (trail < 0x3f ? 0x40 : 0x41));
    };
    model.tables << QStringLiteral("jis0208");
    return model;
}

Model eucJp()
{
    const Index jis0208 = readIndex(QStringLiteral("jis0208"));
    const Index jis0212 = readIndex(QStringLiteral("jis0212"));
    const auto reverse = pointers(jis0208);
    Model model;
    model.decode = [jis0208, jis0212](const QByteArray &bytes) {
        Reading reading;
        uchar lead = 0;
        bool plane2 = false;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            const uchar byte = uchar(bytes[i]);
            if (lead == 0x8e && byte >= 0xa1 && byte <= 0xdf) {
                lead = 0;
                reading.text += char32_t(0xff61 - 0xa1 + byte);
                continue;
            }
            if (lead == 0x8f && byte >= 0xa1 && byte <= 0xfe) {
                plane2 = true;
                lead = byte;
                continue;
            }
            if (lead) {
                char32_t codePoint = 0;
                if (lead >= 0xa1 && lead <= 0xfe && byte >= 0xa1 && byte <= 0xfe) {
                    const uint pointer = (lead - 0xa1) * 94 + byte - 0xa1;
                    const Index &index = plane2 ? jis0212 : jis0208;
                    codePoint = pointer < index.size() ? index[pointer] : 0;
                }
                lead = 0;
                plane2 = false;
                if (codePoint) {
                    reading.text += codePoint;
                    continue;
                }
                if (byte < 0x80)
                    --i;
                reading.error = true;
                continue;
            }
            if (byte < 0x80)
                reading.text += char32_t(byte);
            else if (byte == 0x8e || byte == 0x8f || (byte >= 0xa1 && byte <= 0xfe))
                lead = byte;
            else
                reading.error = true;
        }
        reading.error = reading.error || lead;
        return reading;
    };
    model.encode = [reverse](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint < 0x80)
            return QByteArray(1, char(codePoint));
        if (codePoint == 0xa5)
            return QByteArray("\x5c");
        if (codePoint == 0x203e)
            return QByteArray("\x7e");
        if (codePoint >= 0xff61 && codePoint <= 0xff9f)
            return QByteArray("\x8e") + char(codePoint - 0xff61 + 0xa1);
        const auto found = reverse.find(*japaneseFirst(codePoint));
        if (found == reverse.end())
            return std::nullopt;
        return QByteArray(1, char(found->second / 94 + 0xa1)) + char(found->second % 94 + 0xa1);
    };
    for (int lead = 0xa1; lead <= 0xfe; ++lead)
        for (int trail = 0; trail < 256; ++trail)
            model.probes.push_back(QByteArray("\x8f") + char(lead) + char(trail));
    model.tables << QStringLiteral("jis0208") << QStringLiteral("jis0212");
    return model;
}

// ISO-2022-JP is stateful: its decoder is compared on each pair of JIS X 0208 and
// on each byte of its other three modes, its encoder on what a page holds.
Model iso2022Jp()
{
    const Index jis0208 = readIndex(QStringLiteral("jis0208"));
    const Index katakana = readIndex(QStringLiteral("iso-2022-jp-katakana"));
    Model model;
    // Only the escape sequences and their contents are probed, whole.
    model.decode = [jis0208](const QByteArray &bytes) {
        Reading reading;
        if (bytes.startsWith("\x1b$B") && bytes.size() == 8 && bytes.endsWith("\x1b(B")) {
            const uint pointer = (uchar(bytes[3]) - 0x21) * 94 + uchar(bytes[4]) - 0x21;
            if (uchar(bytes[3]) < 0x21 || uchar(bytes[3]) > 0x7e || uchar(bytes[4]) < 0x21
                || uchar(bytes[4]) > 0x7e || pointer >= jis0208.size() || !jis0208[pointer])
                reading.error = true;
            else
                reading.text += jis0208[pointer];
        } else if (bytes.startsWith("\x1b(J") && bytes.size() == 4) {
            const uchar byte = uchar(bytes[3]);
            if (byte > 0x7f || byte == 0x0e || byte == 0x0f || byte == 0x1b)
                reading.error = true;
            else
                reading.text += byte == 0x5c ? 0xa5 : byte == 0x7e ? 0x203e : char32_t(byte);
        } else if (bytes.startsWith("\x1b(I") && bytes.size() == 4) {
            const uchar byte = uchar(bytes[3]);
            if (byte < 0x21 || byte > 0x5f)
                reading.error = true;
            else
                reading.text += char32_t(0xff61 - 0x21 + byte);
        } else if (bytes.size() == 1) {
            const uchar byte = uchar(bytes[0]);
            if (byte > 0x7f || byte == 0x0e || byte == 0x0f || byte == 0x1b)
                reading.error = true;
            else
                reading.text += char32_t(byte);
        }
        return reading;
    };
    model.encode = [](char32_t) { return std::optional<QByteArray>(); };
    model.probes.clear();
    for (int lead = 0x21; lead <= 0x7e; ++lead)
        for (int trail = 0x21; trail <= 0x7e; ++trail)
            model.probes.push_back(QByteArray("\x1b$B") + char(lead) + char(trail) + "\x1b(B");
    for (int byte = 0; byte < 256; ++byte) {
        model.probes.push_back(QByteArray("\x1b(J") + char(byte));
        model.probes.push_back(QByteArray("\x1b(I") + char(byte));
    }
    model.tables << QStringLiteral("jis0208") << QStringLiteral("iso-2022-jp-katakana");
    Q_UNUSED(katakana);
    return model;
}

Model xUserDefined()
{
    Model model;
    model.decode = [](const QByteArray &bytes) {
        Reading reading;
        for (const char c : bytes)
            reading.text
                += uchar(c) < 0x80 ? char32_t(uchar(c)) : char32_t(0xf780 + uchar(c) - 0x80);
        return reading;
    };
    model.encode = [](char32_t codePoint) -> std::optional<QByteArray> {
        if (codePoint < 0x80)
            return QByteArray(1, char(codePoint));
        if (codePoint >= 0xf780 && codePoint <= 0xf7ff)
            return QByteArray(1, char(codePoint - 0xf780 + 0x80));
        return std::nullopt;
    };
    return model;
}

// A converter of the toolkit keeps an error it met until it is made anew, even
// across resetState(): each reading is made with a converter of its own.
Reading throughIcu(const char *converter, const QByteArray &bytes)
{
    QStringDecoder decoder(converter, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Reading reading;
    for (const char32_t codePoint : text.toUcs4())
        reading.text += codePoint;
    reading.error = decoder.hasError();
    return reading;
}

// The converters worth trying for an encoding: those that read one byte a
// character for one, those of more than one byte for the others.
std::vector<QByteArray> candidates(bool multiByte, bool stateful)
{
    std::vector<QByteArray> found;
    for (int32_t i = 0; i < ucnv_countAvailable(); ++i) {
        const char *name = ucnv_getAvailableName(i);
        UErrorCode status = U_ZERO_ERROR;
        UConverter *converter = ucnv_open(name, &status);
        if (!converter || U_FAILURE(status))
            continue;
        const UConverterType type = ucnv_getType(converter);
        const int8_t maximum = ucnv_getMaxCharSize(converter);
        ucnv_close(converter);
        const bool iso2022 = type == UCNV_ISO_2022;
        const bool mbcs = type == UCNV_MBCS || type == UCNV_DBCS || type == UCNV_EBCDIC_STATEFUL;
        if (stateful ? iso2022
                     : (multiByte ? (mbcs && maximum > 1)
                                  : ((type == UCNV_SBCS || type == UCNV_MBCS) && maximum == 1)))
            found.push_back(name);
    }
    return found;
}

struct Result
{
    QByteArray converter; // empty: none matches
    QString why; // of the nearest one, when none matches
};

Result compare(const QString &name, const Model &model, bool multiByte, bool stateful)
{
    std::vector<QByteArray> probes;
    if (!stateful) {
        for (int byte = 0; byte < 256; ++byte)
            probes.push_back(QByteArray(1, char(byte)));
        if (multiByte) {
            for (int lead = 0x80; lead < 256; ++lead)
                for (int trail = 0; trail < 256; ++trail)
                    probes.push_back(QByteArray(1, char(lead)) + char(trail));
        }
    }
    probes.insert(probes.end(), model.probes.begin(), model.probes.end());
    std::vector<Reading> expected;
    expected.reserve(probes.size());
    for (const QByteArray &probe : probes)
        expected.push_back(model.decode(probe));

    Result result;
    qsizetype nearest = -1;
    for (const QByteArray &converter : candidates(multiByte, stateful)) {
        if (!QStringDecoder(converter.constData()).isValid())
            continue;
        qsizetype differences = 0;
        QString first;
        for (size_t i = 0; i < probes.size() && differences < 5000; ++i) {
            // Most converters are told apart from the encoding at once.
            if (i == 4096 && differences > 300)
                differences = 5000;
            const Reading read = throughIcu(converter.constData(), probes[i]);
            if (read == expected[i])
                continue;
            if (first.isEmpty()) {
                const auto show = [](const Reading &reading) {
                    if (reading.error)
                        return QStringLiteral("an error");
                    QStringList points;
                    for (const char32_t codePoint : reading.text)
                        points << QStringLiteral("U+%1")
                                      .arg(uint(codePoint), 4, 16, QLatin1Char('0'))
                                      .toUpper();
                    return points.join(QLatin1Char(' '));
                };
                first = QStringLiteral("%1 reads as %2, the index says %3")
                            .arg(QString::fromLatin1(probes[i].toHex(' ')), show(read),
                                 show(expected[i]));
            }
            ++differences;
        }
        // The encoder too, on every code point that the converter writes and
        // reads back (a substitute written for a missing character does not read
        // back as it), and on every one that the standard writes.
        if (differences == 0 && !stateful) {
            // A leading U+FEFF is a character, as in a page.
            const auto flags
                = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
            QStringEncoder encoder(converter.constData(), flags);
            QStringDecoder decoder(converter.constData(), flags);
            for (char32_t codePoint = 0; codePoint <= 0x10ffff && differences < 5000; ++codePoint) {
                if (codePoint >= 0xd800 && codePoint <= 0xdfff)
                    continue;
                // Not QString::fromUcs4, which takes U+FEFF for a byte-order mark.
                const QString character = QStringView(QChar::fromUcs4(codePoint)).toString();
                const QByteArray written = encoder.encode(character);
                const bool writes = QString(decoder.decode(written)) == character;
                const std::optional<QByteArray> standard = model.encode(codePoint);
                if (standard ? (!writes || written != *standard) : writes) {
                    if (first.isEmpty())
                        first = QStringLiteral("U+%1 is written %2, the standard writes %3")
                                    .arg(uint(codePoint), 4, 16, QLatin1Char('0'))
                                    .arg(writes ? QString::fromLatin1(written.toHex(' '))
                                                : QStringLiteral("nothing"),
                                         standard ? QString::fromLatin1(standard->toHex(' '))
                                                  : QStringLiteral("nothing"));
                    ++differences;
                }
            }
        }
        if (stateful && differences == 0) {
            // Half-width katakana are written in their full-width forms.
            QStringEncoder encoder(converter.constData(), QStringConverter::Flag::Stateless);
            const QByteArray written = encoder.encode(QStringLiteral("\uff71"));
            if (encoder.hasError() || written != QByteArray("\x1b$B%\"\x1b(B")) {
                first = QStringLiteral(
                            "U+FF71 is written %1, the standard writes 1b 24 42 25 22 1b 28 42")
                            .arg(QString::fromLatin1(written.toHex(' ')));
                ++differences;
            }
        }
        if (differences == 0) {
            result.converter = converter;
            return result;
        }
        if (nearest < 0 || differences < nearest) {
            nearest = differences;
            result.why = QStringLiteral("nearest %1, %2%3 differences, first: %4")
                             .arg(QString::fromLatin1(converter))
                             .arg(differences)
                             .arg(differences >= 5000 ? QStringLiteral("+") : QString())
                             .arg(first);
        }
    }
    Q_UNUSED(name);
    return result;
}

void writeTable(const QString &folder, const QString &indexName)
{
    const Index index = readIndex(indexName);
    QByteArray bytes;
    const auto put = [&bytes](uint value) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes += char((value >> shift) & 0xff);
    };
    if (indexName == QLatin1String("gb18030-ranges")) {
        for (const auto &range : readRanges()) {
            put(range.first);
            put(range.second);
        }
    } else {
        for (const char32_t codePoint : index)
            put(codePoint);
    }
    QFile out(folder + QLatin1Char('/') + indexName + QStringLiteral(".bin"));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
        std::exit(1);
    }
}

// A file of the standard, an index with its pointers and code points only (the
// glyphs and names of its characters left out, three times its size).
void copy(const QString &name, const QString &to)
{
    QFile in(source + QLatin1Char('/') + name);
    QFile out(to + QLatin1Char('/') + name);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot copy %s\n", qPrintable(name));
        std::exit(1);
    }
    const bool index = name.startsWith(QLatin1String("index-"));
    while (!in.atEnd()) {
        QByteArray line = in.readLine();
        if (index && !line.startsWith('#')) {
            const QList<QByteArray> fields = line.trimmed().split('\t');
            if (fields.size() >= 2)
                line = fields.at(0).trimmed() + '\t' + fields.at(1).trimmed() + '\n';
        }
        out.write(line);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: webencodings WHATWG_FOLDER OUTPUT TEST_DATA\n");
        return 2;
    }
    source = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[2]);
    const QString testData = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(output);
    QDir().mkpath(testData);

    QFile labels(source + QStringLiteral("/encodings.json"));
    if (!labels.open(QIODevice::ReadOnly))
        return 1;
    const QJsonArray groups = QJsonDocument::fromJson(labels.readAll()).array();

    QByteArray list = QByteArrayLiteral(
        "# Each legacy encoding of the WHATWG Encoding Standard and the ICU converter that\n"
        "# reads and writes it exactly as the standard's index, or \"-\" when none does and\n"
        "# its index is read from the tables beside this file. Made by\n"
        "# scripts/webencodings.sh with ICU " U_ICU_VERSION ".\n");
    QStringList tables;
    for (const QJsonValue &group : groups) {
        const QString heading = group.toObject().value(QStringLiteral("heading")).toString();
        for (const QJsonValue &entry :
             group.toObject().value(QStringLiteral("encodings")).toArray()) {
            const QString name = entry.toObject().value(QStringLiteral("name")).toString();
            const QString lower = name.toLower();
            Model model;
            bool multiByte = true;
            bool stateful = false;
            if (heading.startsWith(QLatin1String("Legacy single-byte"))) {
                model = singleByte(
                    lower == QLatin1String("iso-8859-8-i") ? QStringLiteral("iso-8859-8") : lower);
                multiByte = false;
            } else if (lower == QLatin1String("gbk") || lower == QLatin1String("gb18030")) {
                model = gb18030(lower == QLatin1String("gbk"));
            } else if (lower == QLatin1String("big5")) {
                model = big5();
            } else if (lower == QLatin1String("euc-kr")) {
                model = eucKr();
            } else if (lower == QLatin1String("shift_jis")) {
                model = shiftJis();
            } else if (lower == QLatin1String("euc-jp")) {
                model = eucJp();
            } else if (lower == QLatin1String("iso-2022-jp")) {
                model = iso2022Jp();
                stateful = true;
            } else if (lower == QLatin1String("x-user-defined")) {
                model = xUserDefined();
                multiByte = false;
            } else {
                continue; // Unicode, read by the toolkit; replacement, never read
            }
            const Result result = compare(name, model, multiByte, stateful);
            if (result.converter.isEmpty()) {
                std::printf("%-16s table (%s)\n", qPrintable(name), qPrintable(result.why));
                list += name.toLatin1() + "\t-\n";
                for (const QString &table : model.tables) {
                    if (!tables.contains(table))
                        tables << table;
                }
            } else {
                std::printf("%-16s %s\n", qPrintable(name), result.converter.constData());
                list += name.toLatin1() + '\t' + result.converter + '\n';
            }
            std::fflush(stdout);
        }
    }

    QFile converters(output + QStringLiteral("/converters.txt"));
    if (!converters.open(QIODevice::WriteOnly) || converters.write(list) != list.size())
        return 1;
    QByteArray qrc = "<RCC>\n    <qresource prefix=\"/webencodings\">\n"
                     "        <file>converters.txt</file>\n";
    tables.sort();
    for (const QString &table : tables) {
        writeTable(output, table);
        qrc += "        <file>" + table.toLatin1() + ".bin</file>\n";
    }
    qrc += "    </qresource>\n</RCC>\n";
    QFile resource(output + QStringLiteral("/webencodings.qrc"));
    if (!resource.open(QIODevice::WriteOnly) || resource.write(qrc) != qrc.size())
        return 1;

    // What the tests compare the reading of every label the editor offers with.
    {
        // The standard's attribution (its README's first paragraph), then what
        // these copies are.
        QFile readme(source + QStringLiteral("/README.md"));
        if (!readme.open(QIODevice::ReadOnly))
            return 1;
        const QList<QByteArray> paragraphs = readme.readAll().split('\n').join('\n').split('\n');
        QByteArray attribution;
        bool started = false;
        for (const QByteArray &line : paragraphs) {
            if (line.startsWith('#'))
                continue;
            if (line.trimmed().isEmpty()) {
                if (started)
                    break;
                continue;
            }
            started = true;
            attribution += line + '\n';
        }
        const QByteArray text = "# The WHATWG Encoding Standard's labels and indexes\n\n"
            + attribution
            + "\nCopied by scripts/webencodings.sh for the tests, which compare the reading of "
              "every\nlabel the editor offers with them; in the index files, each line keeps only "
              "its\npointer and code point (the glyph and name columns are left out).\n";
        QFile out(testData + QStringLiteral("/README.md"));
        if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
            return 1;
        const QByteArray tablesText
            = "# Tables made from the WHATWG Encoding Standard's indexes\n\n" + attribution
            + "\nMade by scripts/webencodings.sh from those files: converters.txt names, for each "
              "legacy\nencoding, the ICU converter that reads and writes it exactly as the "
              "standard's index,\nor \"-\"; each NAME.bin holds the index NAME of an encoding "
              "that none matches, the\ncode point of each pointer as 32 bits little-endian (0 for "
              "none), gb18030-ranges.bin\nits pairs of pointer and code point.\n";
        QFile tablesReadme(output + QStringLiteral("/README.md"));
        if (!tablesReadme.open(QIODevice::WriteOnly)
            || tablesReadme.write(tablesText) != tablesText.size())
            return 1;
    }
    copy(QStringLiteral("LICENSE"), testData);
    copy(QStringLiteral("LICENSE"), output);
    copy(QStringLiteral("encodings.json"), testData);
    for (const char *index :
         {"big5",         "euc-kr",       "gb18030",      "gb18030-ranges", "ibm866",
          "iso-8859-2",   "iso-8859-4",   "iso-8859-5",   "iso-8859-6",     "iso-8859-7",
          "iso-8859-8",   "iso-8859-13",  "iso-8859-15",  "jis0208",        "jis0212",
          "koi8-r",       "koi8-u",       "windows-874",  "windows-1250",   "windows-1251",
          "windows-1252", "windows-1253", "windows-1254", "windows-1255",   "windows-1256",
          "windows-1257", "windows-1258"})
        copy(QStringLiteral("index-%1.txt").arg(QLatin1String(index)), testData);
    return 0;
}
