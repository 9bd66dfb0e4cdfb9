#pragma once

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

#include <functional>

// One highlighting rule: a text to find and the format its matches take.
struct HighlightRule
{
    QRegularExpression pattern;
    QTextCharFormat format;
};

// Colours HTML source line by line: angle brackets and a fixed list of attribute
// names in blue, double-quoted text in dark green, "<!" to the end of the line in red.
//
// The rules are applied in order and a later rule wins where matches overlap. The
// rule list describes the colouring; highlightBlock() computes the same result
// without running the regular expressions, in one pass over the line, and sets
// each colour run once.
class HighlighterHtml : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit HighlighterHtml(QTextDocument *parent);

    const QVector<HighlightRule> &ruleList() const { return rules; }

    // Which lines are coloured when their text is highlighted: all of them by
    // default. A view of a long text colours only the lines it shows, and the
    // others as they come into view: the toolkit lays a coloured line out at about
    // twice the cost of a plain one, and most lines of a long page are never shown.
    void setFiltre(std::function<bool(const QTextBlock &)> filtre);
    // Whether a line holds its colours.
    static bool estColore(const QTextBlock &block);
    // Gives block its colours, as highlighting it does, without telling the
    // document's layout: the caller marks what it coloured as changed, all at once
    // (each mark lays out again every line after it).
    void colore(QTextBlock block) const;

protected:
    void highlightBlock(const QString &text) override;

private:
    // Calls colour(start, count, format) for each coloured run of a line, in order.
    template<typename Colour>
    void colours(const QString &text, Colour colour) const;

    std::function<bool(const QTextBlock &)> filtre;
    QVector<HighlightRule> rules;
    QTextCharFormat tagFormat;
    QTextCharFormat commentFormat;
    QTextCharFormat quoteFormat;
};
