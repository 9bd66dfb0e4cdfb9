#pragma once

#include "lexiquehtml.h"

#include <QList>
#include <QString>
#include <QStringView>

class ContexteDocument;

// The tags that go together: an opening tag and its closing tag, found as the
// elements nest, void elements (br, img...) and tags ending in "/>" standing
// alone. Tags in comments, scripts, styles and quoted values are no tags. The
// search looks a bounded distance around the cursor and, where the answer lies
// beyond, gives none rather than a guess.
namespace PairesBalises {

// How far the search looks on each side of the cursor, in characters.
constexpr int portee = 100000;

// A stretch of the text, from debut to just before fin; empty when not found.
struct Etendue
{
    int debut = -1;
    int fin = -1;
    bool trouvee() const { return debut >= 0; }
};

// A tag and its partner.
struct Paire
{
    Etendue balise;
    Etendue partenaire;
    int nomPartenaire = -1; // the first character of the partner's name
};

// The tags of texte, read from the state etat, and for each the index of its
// partner (-1 for none). debutDuDocument: texte starts where the document does,
// so that a closing tag that closes nothing in it is a stray one; elsewhere it
// may close an element opened before, which leaves the elements still open then
// without a sure partner.
struct Analyse
{
    QList<LexiqueHtml::Balise> balises;
    QList<int> partenaires;
    // An element by itself: a void element or a tag ending in "/>".
    QList<bool> seules;
    // The elements still open at the end of texte, outermost first; -1 for one
    // that may have been closed before.
    QList<int> ouvertes;
    LexiqueHtml::Etat etatFin;
};
Analyse analyse(QStringView texte, LexiqueHtml::Etat etat, bool debutDuDocument);

// In a text read as analyse() does: the tag whose name holds position (from just
// after its "<" or "</" to just after the name's end) and its partner.
Paire paireDuNom(const Analyse &a, qsizetype position);
// The tag that holds position (from its "<" to just before its ">" included) and
// its partner.
Paire paireDeLaBalise(const Analyse &a, qsizetype position);
// The smallest element, tags included, that holds the stretch from debut to fin
// and is larger than it: with nothing selected (debut == fin), the element whose
// tags or content hold the cursor.
Etendue elementAutour(const Analyse &a, qsizetype debut, qsizetype fin);
// The name of the innermost element still open at the end of the text, as its
// opening tag writes it; empty when there is none, or the end is not in the text
// between tags (or in a script, a style...).
QString elementOuvert(const Analyse &a, QStringView texte);

// The same on a document, around position, reading contexte's points.
Paire paireDuNom(ContexteDocument &contexte, int position);
Paire paireDeLaBalise(ContexteDocument &contexte, int position);
Etendue elementAutour(ContexteDocument &contexte, int debut, int fin);
QString elementOuvert(ContexteDocument &contexte, int position);

} // namespace PairesBalises
