#include "highlighterhtml.h"

#include <QVarLengthArray>

#include <array>

namespace {

// The texts coloured blue, in rule order: the two angle brackets, then the
// attribute names with their equals sign.
constexpr std::array<QLatin1StringView, 19> tagPatterns = {
    QLatin1StringView("<"),        QLatin1StringView(">"),        QLatin1StringView("href="),
    QLatin1StringView("name="),    QLatin1StringView("src="),     QLatin1StringView("class="),
    QLatin1StringView("lang="),    QLatin1StringView("dir="),     QLatin1StringView("http-equiv="),
    QLatin1StringView("content="), QLatin1StringView("charset="), QLatin1StringView("rel="),
    QLatin1StringView("type="),    QLatin1StringView("id="),      QLatin1StringView("alt="),
    QLatin1StringView("align="),   QLatin1StringView("valign="),  QLatin1StringView("face="),
    QLatin1StringView("border=")};

enum Colour : unsigned char { Default, Quote, Tag, Comment };

// Whether the latin1 text name (without its '=') ends just before position eq.
bool nameBefore(const QChar *chars, qsizetype eq, QLatin1StringView name)
{
    const qsizetype length = name.size() - 1;
    if (eq < length)
        return false;
    const QChar *start = chars + eq - length;
    for (qsizetype i = 0; i < length; ++i)
        if (start[i].unicode() != char16_t(name[i].unicode()))
            return false;
    return true;
}

// Length of the longest attribute pattern that ends with the '=' at position eq,
// 0 when none does. Every attribute pattern ends with '=' and none overlaps itself,
// so the union of the regular expressions' successive matches is the union of all
// occurrences, which is what this finds. The letter before '=' picks the few
// names worth comparing.
qsizetype attributeBefore(const QChar *chars, qsizetype eq)
{
    if (eq == 0)
        return 0;
    qsizetype longest = 0;
    auto tryName = [&](std::size_t index) {
        const QLatin1StringView name = tagPatterns[index];
        if (name.size() > longest && nameBefore(chars, eq, name))
            longest = name.size();
    };
    switch (chars[eq - 1].unicode()) {
    case u'f':
        tryName(2);
        break; // href
    case u'e':
        tryName(3);
        tryName(12);
        tryName(17);
        break; // name, type, face
    case u'c':
        tryName(4);
        break; // src
    case u's':
        tryName(5);
        break; // class
    case u'g':
        tryName(6);
        break; // lang
    case u'r':
        tryName(7);
        tryName(18);
        break; // dir, border
    case u'v':
        tryName(8);
        break; // http-equiv
    case u't':
        tryName(9);
        tryName(10);
        tryName(14);
        break; // content, charset, alt
    case u'l':
        tryName(11);
        break; // rel
    case u'd':
        tryName(13);
        break; // id
    case u'n':
        tryName(16);
        tryName(15);
        break; // valign, align
    default:
        break;
    }
    return longest;
}

} // namespace

HighlighterHtml::HighlighterHtml(QTextDocument *parent)
    : QSyntaxHighlighter(parent)
{
    // Qt 4's regular expressions let '.' match any character; keep that meaning.
    quoteFormat.setForeground(QBrush(Qt::darkGreen, Qt::SolidPattern));
    rules.append({QRegularExpression(QStringLiteral("\".*\""),
                                     QRegularExpression::DotMatchesEverythingOption),
                  quoteFormat});

    tagFormat.setForeground(QBrush(Qt::blue, Qt::SolidPattern));
    for (QLatin1StringView text : tagPatterns)
        rules.append({QRegularExpression(QString(text)), tagFormat});

    commentFormat.setForeground(QBrush(Qt::red, Qt::SolidPattern));
    rules.append({QRegularExpression(QStringLiteral("<![^\n]*")), commentFormat});
}

void HighlighterHtml::highlightBlock(const QString &text)
{
    const qsizetype length = text.size();
    const QChar *chars = text.constData();

    // One pass up to the first "<!", whose red colour hides everything after it:
    // brackets and attribute names are marked, and the quotes are noted.
    QVarLengthArray<unsigned char, 1024> colour(length);
    std::fill(colour.begin(), colour.end(), Default);
    qsizetype declaration = length;
    qsizetype firstQuote = -1;
    qsizetype lastQuote = -1;
    for (qsizetype i = 0; i < length; ++i) {
        switch (chars[i].unicode()) {
        case u'"':
            if (firstQuote < 0)
                firstQuote = i;
            lastQuote = i;
            break;
        case u'<':
            if (i + 1 < length && chars[i + 1].unicode() == u'!') {
                declaration = i;
                i = length;
            } else {
                colour[i] = Tag;
            }
            break;
        case u'>':
            colour[i] = Tag;
            break;
        case u'=':
            if (const qsizetype n = attributeBefore(chars, i))
                std::fill(colour.begin() + i + 1 - n, colour.begin() + i + 1, Tag);
            break;
        default:
            break;
        }
    }

    // The greedy quote rule spans the first to the last quote of the line; a last
    // quote inside the red part stretches the green up to where the red begins.
    if (firstQuote >= 0 && declaration < length
        && QStringView(text).sliced(declaration).contains(QLatin1Char('"'))) {
        lastQuote = declaration - 1;
    } else if (lastQuote <= firstQuote) {
        firstQuote = -1; // fewer than two quotes: no green
    }
    if (firstQuote >= 0) {
        for (qsizetype i = firstQuote; i <= lastQuote; ++i)
            if (colour[i] == Default)
                colour[i] = Quote;
    }
    std::fill(colour.begin() + declaration, colour.end(), Comment);

    // One setFormat per run of one colour.
    qsizetype start = 0;
    while (start < length) {
        const unsigned char runColour = colour[start];
        qsizetype end = start + 1;
        while (end < length && colour[end] == runColour)
            ++end;
        switch (runColour) {
        case Quote:
            setFormat(int(start), int(end - start), quoteFormat);
            break;
        case Tag:
            setFormat(int(start), int(end - start), tagFormat);
            break;
        case Comment:
            setFormat(int(start), int(end - start), commentFormat);
            break;
        default:
            break;
        }
        start = end;
    }
}
