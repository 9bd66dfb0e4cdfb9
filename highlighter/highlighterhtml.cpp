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

// Length of the longest attribute pattern that ends with the '=' at position eq,
// 0 when none does. Every attribute pattern ends with '=' and none overlaps itself,
// so the union of the regular expressions' successive matches is the union of all
// occurrences, which is what this finds.
qsizetype attributeBefore(const QString &text, qsizetype eq)
{
    qsizetype longest = 0;
    for (std::size_t i = 2; i < tagPatterns.size(); ++i) {
        const QLatin1StringView name = tagPatterns[i];
        const qsizetype start = eq + 1 - name.size();
        if (name.size() > longest && start >= 0
            && QStringView(text).sliced(start, name.size() - 1) == name.chopped(1))
            longest = name.size();
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
    if (length == 0)
        return;

    // The winning colour of each character: later rules overwrite earlier ones.
    QVarLengthArray<unsigned char, 1024> colour(length);
    std::fill(colour.begin(), colour.end(), Default);

    // Rule 1, greedy: one span from the first to the last double quote of the line.
    const qsizetype firstQuote = text.indexOf(QLatin1Char('"'));
    if (firstQuote >= 0) {
        const qsizetype lastQuote = text.lastIndexOf(QLatin1Char('"'));
        if (lastQuote > firstQuote)
            std::fill(colour.begin() + firstQuote, colour.begin() + lastQuote + 1, Quote);
    }

    // Rules 2 to 20: brackets and attribute names.
    const QChar *chars = text.constData();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = chars[i].unicode();
        if (c == u'<' || c == u'>') {
            colour[i] = Tag;
        } else if (c == u'=') {
            const qsizetype n = attributeBefore(text, i);
            if (n > 0)
                std::fill(colour.begin() + i + 1 - n, colour.begin() + i + 1, Tag);
        }
    }

    // Rule 21: from the first "<!" to the end of the line.
    const qsizetype declaration = text.indexOf(QLatin1StringView("<!"));
    if (declaration >= 0)
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
