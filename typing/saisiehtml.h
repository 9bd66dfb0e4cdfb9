#pragma once

#include <QString>
#include <QStringView>

// What typing a key does to HTML source beyond inserting it: the blanks that a
// new line keeps, the closing tag that a typed ">" calls for. Pure text rules,
// kept apart from the editing widget so that each can be reasoned about alone.
namespace SaisieHtml {

// How far back from the cursor a typed ">" looks for the "<" of its tag, and for
// the comment, script or style it may stand in: a keystroke costs no more on a
// large page than on a small one.
constexpr int limiteRecherche = 4096;

// The blanks (spaces and tabs) that begin ligne, as far as its first other character.
QStringView indentation(QStringView ligne);

// The name of the element whose closing tag a ">" just typed calls for, as typed,
// or an empty string. avant is the text before the cursor, ending with that ">"
// (block breaks as U+2029, at most limiteRecherche characters are looked at);
// apres is the text after the cursor, of which only its start is read.
QString baliseAFermer(QStringView avant, QStringView apres);

// The element name of the closing tag ("</name>") that avant ends with, or an
// empty string.
QString baliseFermee(QStringView avant);

} // namespace SaisieHtml
