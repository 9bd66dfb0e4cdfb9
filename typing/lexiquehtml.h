#pragma once

#include <QStringView>
#include <QtGlobal>

// HTML source read as a browser reads it, as far as the typing aids need: where
// the tags are, and what a position stands in (the text, a tag, a comment, the
// content of a script...). The reading can stop and resume at the positions it
// reports, so that a long page is read once and then only around its edits.
namespace LexiqueHtml {

// What a position of the source stands in.
enum class Mode : quint8 {
    Texte, // the text between tags, where a "<" may begin markup
    Brut, // the content of a script, style, textarea or title element
    Commentaire, // <!-- ... -->
    Declaration, // "<!" or "</" up to ">": <!DOCTYPE ...>, a bogus comment
    Instruction, // <? ... ?>, as PHP and XML write them
    Asp, // <% ... %>
    Balise, // a tag, from its "<" to its ">", outside the quoted values
    Valeur, // a quoted value of a tag's attribute
};

// The elements whose content is text up to their own closing tag.
enum class Contenu : quint8 { Aucun, Script, Style, Textarea, Title };

struct Etat
{
    Mode mode = Mode::Texte;
    // In Brut: the element whose closing tag ends it.
    Contenu contenu = Contenu::Aucun;

    friend bool operator==(Etat a, Etat b) { return a.mode == b.mode && a.contenu == b.contenu; }
    friend bool operator!=(Etat a, Etat b) { return !(a == b); }
};

// A whole tag, positions counted from the start of the text read.
struct Balise
{
    qsizetype debut; // its "<"
    qsizetype fin; // just after its ">"
    qsizetype nom; // the first character of its name
    qsizetype finNom;
    bool fermante; // "</name ...>"
    bool autoFermante; // ends with "/>", the "/" outside a value
    quint64 cle; // cleNom() of its name
};

// A name of at most eight ASCII letters, digits or hyphens, lowercased, as one
// number (its characters from the lowest byte up); 0 for any other name. Names
// compare much faster so, case aside.
quint64 cleNom(QStringView nom);
constexpr quint64 cleNom(const char *nom)
{
    quint64 cle = 0;
    for (int i = 0; nom[i]; ++i)
        cle |= quint64(quint8(nom[i])) << (8 * i);
    return cle;
}

// Whether two names are the same, case aside.
bool memeNom(QStringView a, quint64 cleA, QStringView b, quint64 cleB);

// What the reading reports as it goes.
class Lecture
{
public:
    virtual ~Lecture() = default;
    // A position where a reading in etat may resume and read the rest as this one
    // does: before a "<" of the text, after a tag or a comment, at a line break of
    // a long comment or script and every few thousand characters of a long line
    // of one. Returning false stops the reading there.
    virtual bool point(qsizetype position, Etat etat)
    {
        Q_UNUSED(position);
        Q_UNUSED(etat);
        return true;
    }
    virtual void balise(const Balise &balise) { Q_UNUSED(balise); }
};

struct Arret
{
    qsizetype position; // the end of the text, or where point() stopped the reading
    Etat etat; // what that position stands in
};

// Reads texte from the state depart (line breaks as U+2029 or "\n"). A tag, comment
// or declaration that the end of texte cuts is not reported as a tag; the state at
// the end tells what it was.
Arret lit(QStringView texte, Etat depart, Lecture &lecture);
Arret lit(QStringView texte, Etat depart);

// An element that has no content and no closing tag (br, img...).
bool elementVide(QStringView nom);
bool elementVide(quint64 cle);

// Blanks between the parts of a tag: those of HTML, and the document's line breaks.
bool blanc(QChar c);

} // namespace LexiqueHtml
