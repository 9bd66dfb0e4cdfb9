#include "highlighterhtml.h"

#include <QTextBlock>
#include <QTextLayout>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <utility>

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

namespace {

// The state of a line whose colours are set; a line left uncoloured has another.
constexpr int etatColore = 1;

} // namespace

void HighlighterHtml::setFiltre(std::function<bool(const QTextBlock &)> f)
{
    filtre = std::move(f);
}

bool HighlighterHtml::estColore(const QTextBlock &block)
{
    return block.userState() == etatColore;
}

template<typename Colour>
void HighlighterHtml::colours(const QString &text, Colour colour) const
{
    const qsizetype length = text.size();
    const QChar *chars = text.constData();

    // One pass up to the first "<!", whose red colour hides everything after it:
    // the blue spans (brackets, attribute names) are gathered in order, merged
    // when they touch, and the quotes are noted.
    QVarLengthArray<std::pair<qsizetype, qsizetype>, 64> blue;
    auto addBlue = [&blue](qsizetype start, qsizetype end) {
        if (!blue.isEmpty() && blue.back().second == start)
            blue.back().second = end;
        else
            blue.append({start, end});
    };
    qsizetype declaration = length;
    qsizetype firstQuote = -1;
    qsizetype lastQuote = -1;
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = chars[i].unicode();
        if (c > u'>') // letters and most text: nothing to colour
            continue;
        switch (c) {
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
                addBlue(i, i + 1);
            }
            break;
        case u'>':
            addBlue(i, i + 1);
            break;
        case u'=':
            if (const qsizetype n = attributeBefore(chars, i))
                addBlue(i + 1 - n, i + 1);
            break;
        default:
            break;
        }
    }

    // The greedy quote rule spans the first to the last quote of the line; a last
    // quote inside the red part stretches the green up to where the red begins.
    qsizetype greenStart = -1;
    qsizetype greenEnd = -1; // one past the last green character
    if (firstQuote >= 0 && declaration < length
        && QStringView(text).sliced(declaration).contains(QLatin1Char('"'))) {
        greenStart = firstQuote;
        greenEnd = declaration;
    } else if (lastQuote > firstQuote) {
        greenStart = firstQuote;
        greenEnd = lastQuote + 1;
    }
    auto green = [&](qsizetype from, qsizetype to) {
        from = std::max(from, greenStart);
        to = std::min(to, greenEnd);
        if (greenStart >= 0 && from < to)
            colour(from, to - from, quoteFormat);
    };

    // Blue over green, green between the blue spans, red over everything after "<!".
    qsizetype done = 0;
    for (const auto &[start, end] : blue) {
        green(done, start);
        colour(start, end - start, tagFormat);
        done = end;
    }
    green(done, declaration);
    if (declaration < length)
        colour(declaration, length - declaration, commentFormat);
}

void HighlighterHtml::highlightBlock(const QString &text)
{
    // A line's colours depend on its text alone: one left uncoloured now is
    // coloured the same when it is shown.
    if (filtre && !filtre(currentBlock())) {
        setCurrentBlockState(0);
        return;
    }
    setCurrentBlockState(etatColore);
    colours(text, [this](qsizetype start, qsizetype count, const QTextCharFormat &format) {
        setFormat(int(start), int(count), format);
    });
}

void HighlighterHtml::colore(QTextBlock block) const
{
    QList<QTextLayout::FormatRange> ranges;
    colours(block.text(),
            [&ranges](qsizetype start, qsizetype count, const QTextCharFormat &format) {
                ranges.append({int(start), int(count), format});
            });
    block.layout()->setFormats(ranges);
    block.setUserState(etatColore);
}
