#pragma once

#include "lexiquehtml.h"

#include <QString>
#include <QStringView>

// What typing a key does to HTML source beyond inserting it: the blanks that a
// new line keeps, the closing tag that a typed ">" calls for. Pure text rules,
// kept apart from the editing widget so that each can be reasoned about alone.
namespace SaisieHtml {

// The longest tag that a typed ">" closes, and how far after the cursor it looks
// for the element's closing tag: a keystroke costs no more on a large page than
// on a small one.
constexpr int limiteRecherche = 4096;

// The blanks (spaces and tabs) that begin ligne, as far as its first other character.
QStringView indentation(QStringView ligne);

// The name of the element whose closing tag a ">" just typed calls for, as typed,
// or an empty string. avant is the text before the cursor, ending with that ">",
// from a position where the state etat is known (block breaks as U+2029); apres is
// the text after the cursor, of which at most limiteRecherche characters are read:
// when they close the element before another of its name opens, it needs none.
QString baliseAFermer(QStringView avant, LexiqueHtml::Etat etat, QStringView apres);

// The element name of the closing tag ("</name>") that avant ends with, or an
// empty string.
QString baliseFermee(QStringView avant);

} // namespace SaisieHtml
