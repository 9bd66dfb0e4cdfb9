#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The line ends of a file: a document holds its lines apart with line feeds,
// and its file gets back the convention it was read with, so that an edit does
// not change every line of it in a diff.
namespace LineEnds {

enum class Convention : quint8 { LF, CRLF, CR };

// How the lines of a text end, counted: the convention is the one most lines
// use (LF in a tie, then CR LF); a text with no line end at all is LF.
struct Survey
{
    Convention convention = Convention::LF;
    qsizetype lf = 0;
    qsizetype crlf = 0;
    qsizetype cr = 0;

    // More than one convention is used.
    bool mixed() const;
    // In French: how many lines end in each convention ("12 CR LF, 3 LF").
    QString counts() const;
};

// Counts the line ends of text (CR LF, lone LF, lone CR) and turns each into one
// line feed, in place.
Survey toLineFeeds(QString &text);

// The text of a document with each line break (line feed, or a character the
// editing widget holds as one: DocumentCodec::isLineBreak) written as the convention's line end; a text in LF is returned as
// it is, the encoders writing its separators as line feeds.
QString withLineEnds(QString text, Convention convention);

// "LF", "CR LF", "CR": how the user sees it, and how the journal keeps it.
QString label(Convention convention);
std::optional<Convention> fromLabel(QStringView label);

} // namespace LineEnds
