#pragma once

#include "highlighterhtml.h"

#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

// The straightforward highlighter: each rule's regular expression matched over the
// line, one setFormat per match, rules in order. The real highlighter must colour
// every line exactly as this one does.
class ReferenceHighlighter : public QSyntaxHighlighter
{
public:
    ReferenceHighlighter(QTextDocument *document, const QVector<HighlightRule> &rules)
        : QSyntaxHighlighter(document)
        , rules(rules)
    { }

protected:
    void highlightBlock(const QString &text) override
    {
        for (const HighlightRule &rule : rules) {
            QRegularExpressionMatch match = rule.pattern.match(text, 0);
            while (match.hasMatch()) {
                const qsizetype index = match.capturedStart();
                const qsizetype length = match.capturedLength();
                setFormat(int(index), int(length), rule.format);
                match = rule.pattern.match(text, index + length);
            }
        }
    }

private:
    QVector<HighlightRule> rules;
};

// The colour of each character of a block as one letter: '.' default, 'g' dark green,
// 'b' blue, 'r' red, '?' any other format.
inline QString colourMap(const QTextBlock &block)
{
    QString map(block.length() - 1, QLatin1Char('.'));
    const auto formats = block.layout()->formats();
    for (const QTextLayout::FormatRange &range : formats) {
        QChar letter = QLatin1Char('?');
        const QColor colour = range.format.foreground().color();
        if (colour == QColor(Qt::darkGreen))
            letter = QLatin1Char('g');
        else if (colour == QColor(Qt::blue))
            letter = QLatin1Char('b');
        else if (colour == QColor(Qt::red))
            letter = QLatin1Char('r');
        for (int i = range.start; i < range.start + range.length && i < map.size(); ++i)
            map[i] = letter;
    }
    return map;
}
