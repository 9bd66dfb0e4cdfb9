#pragma once

#include <QStringView>

// Columns of a line as the position label shows them and as HTML Tidy counts
// them: one a character (a code point), counted from 1. An emoji, two UTF-16
// units, is one column; a letter and its combining accent are two; a tab is one.
// The label and the jump to a problem both go through here, so that a column
// read in one always leads back to the same place in the other.
namespace Colonnes {

// The column of the character at position (in UTF-16 units from the line's
// start); the line's end gives the column after its last character, and a
// position between the two halves of a pair the column after the pair.
int colonne(QStringView ligne, qsizetype position);

// The position (in UTF-16 units) of a column of the line; a column past the end
// gives the line's end, one before the first gives its start.
qsizetype position(QStringView ligne, int colonne);

} // namespace Colonnes
