#pragma once

#include "lexiquehtml.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// The names offered as HTML source is typed: which list the cursor calls for (the
// elements after "<", the attributes of the tag's element, the keywords of an
// enumerated attribute's value, the named character references after "&"), the
// part of the name already typed, and what accepting a name adds. Pure text
// rules over the text before the cursor; the names are the HTML standard's, read
// from the resource that scripts/genere_completion.py wrote.
namespace CompletionHtml {

// How far back the "<" of the tag the cursor stands in is looked for: a keystroke
// costs no more on a large page than on a small one.
constexpr int limiteBalise = 4096;
// How much of the text before the cursor contexte() reads at most.
constexpr int limiteContexte = 32768;

enum class Genre {
    Aucune, // nothing to offer here
    Element, // after "<": element names
    Attribut, // in a start tag after a blank: the element's attributes
    Valeur, // in the value of an enumerated attribute: its keywords
    Entite, // after "&": named character references
};

struct Contexte
{
    Genre genre = Genre::Aucune;
    // The part of the name before the cursor, as typed (the current token in a
    // value that holds several).
    QString prefixe;
    // In lower case: the tag's element (attributes and values), the attribute
    // (values).
    QString element;
    QString attribut;
    // How far back from the cursor the "<" of the tag or the "&" of the reference is.
    int recul = 0;
};

// Where the cursor stands, from the text before it (block breaks as U+2029; only
// the last limiteContexte characters are read): nomAuCurseur() if offert() where
// the name's tag or reference starts.
Contexte contexte(QStringView avant);

// The two steps of contexte(), for a caller that knows what each position stands
// in, most keys calling for none of the second. The name being typed at the end of
// avant, wherever it stands: only the last limiteBalise characters are read.
Contexte nomAuCurseur(QStringView avant);
// Whether a name of that kind is offered when its "<" or "&" stands in etat: no tag
// starts in a comment, a processing instruction (<?php ?>, <% %>), a script, a
// style, a textarea or a title; no reference in the first four.
bool offert(Genre genre, LexiqueHtml::Etat etat);

// The names of the context's list, prefix aside, in the order of the list: sorted
// case-insensitively, except the character references, whose case is part of
// their name and which are sorted case-sensitively. Empty when there is none.
QStringList noms(const Contexte &contexte);

// Whether the context's names are told apart by their case (the character
// references) or not.
bool casseSignificative(Genre genre);

// Whether c can be part of a name of that kind: any other typed character ends
// the name and closes the list.
bool caractereDeNom(Genre genre, QChar c);

// What accepting nom adds at the cursor: the rest of the name after the prefix,
// in capitals after a prefix typed in capitals, and the ";" of a character
// reference. Empty when nom does not continue the prefix, or when the name is
// typed in full already (a reference with its ";" included).
QString insertion(const Contexte &contexte, const QString &nom);

// The characters that the named character reference nom (without its ";") stands
// for, or an empty string for a name the standard does not have.
QString caracteres(const QString &nom);

} // namespace CompletionHtml
