#pragma once

#include "lexiquehtml.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// The commands that work on whole lines (indent, unindent, comment, duplicate,
// move) and the lines that Return makes between a tag and its closing tag, as
// rules on text alone: the editing widget hands them the lines concerned, with
// the selection, and puts back what they give; the tests and the fuzzer call
// them as they are.
namespace Blocs {

// A place in an extract: its line and its column (in UTF-16 units), from 0.
struct Point
{
    int ligne = 0;
    int colonne = 0;
    bool operator==(const Point &autre) const
    {
        return ligne == autre.ligne && colonne == autre.colonne;
    }
};

// Some whole lines of a text and the selection in them: its anchor and the
// cursor, the same point when nothing is selected.
struct Extrait
{
    QStringList lignes;
    Point ancre;
    Point curseur;
};

// The lines a command works on, from the line of the selection's start to that of
// its end; a selection over several lines that ends at the very start of a line
// leaves that line out, as one made by clicking line numbers does.
struct Lignes
{
    int premiere = 0;
    int derniere = 0;
};
Lignes lignesVisees(const Extrait &texte);

// One indentation unit for ligne: a tab when its indentation begins with one,
// else four spaces.
QString unite(QStringView ligne);

// How many characters at the start of ligne one unindent takes away: a tab, or up
// to four spaces (and the tab that a shorter run of spaces leads to).
qsizetype retrait(QStringView ligne);

// One unit more at the start of each line concerned, empty lines aside; the
// selection keeps to the same text, a selection from a line's start keeps the
// new indentation in it.
Extrait indente(const Extrait &texte);
// One unit less on each line concerned that has one.
Extrait desindente(const Extrait &texte);

// A copy of the lines concerned below them, the selection carried over to it.
Extrait duplique(const Extrait &texte);
// The lines concerned exchanged with the line above (or below), the selection
// going with them; nothing changes at the start (or end) of the extract.
Extrait deplace(const Extrait &texte, bool versLeHaut);

// What a place of a page holds: markup, a style sheet or a script.
enum class Langage { Html, Css, JavaScript };

// Where the reading of a text has got to, as a browser reads it, far enough to
// tell which comments may be written there.
struct Contexte
{
    enum Lieu : unsigned char {
        Texte, // markup and text
        Balise, // inside a tag
        Instruction, // inside <!...>, <?...?> or <%...%>
        CommentaireHtml,
        Script, // the content of a script element, or a script file
        Style, // the content of a style element, or a style sheet
        CommentaireCss,
        TexteBrut, // the content of a textarea or title element: text alone
    };
    Lieu lieu = Texte;
    Lieu apresBalise = Texte; // where the tag being read leads
    char16_t guillemet = 0; // the quote of the value being read in a tag
    bool apresEgal = false; // the tag's last character but blanks was "="
    char16_t finInstruction = 0; // what ends the instruction before its ">"
    bool fichier = false; // a style sheet or a script alone: no closing tag ends it
    bool titre = false; // the text alone is a title's, not a textarea's
};

// Where a document of that language begins.
Contexte debut(Langage langage);
// Where the reading is after texte, read from depart. Lines are read whole: a
// reading that resumes at a line's start gives what one reading would.
Contexte lit(const Contexte &depart, QStringView texte);

// A command that could not be done, and why, for the status bar.
struct Bascule
{
    Extrait texte;
    QString refus;
};

// Comments the lines concerned, or takes away the comment they are: <!-- -->
// around them in markup, /* */ in a style sheet, // before each line in a script.
// avant is where the reading stands at the extract's first line. A comment is
// never put in another one, and lines that would make wrong markup are left as
// they are, the reason given.
Bascule basculeCommentaire(const Extrait &texte, const Contexte &avant);

// Return between an opening tag and its closing tag: the blanks of the line the
// cursor goes to (one unit deeper than the opening tag's line) and of the line of
// the closing tag (those of the opening tag's line). avant and apres are the text
// before and after the cursor, line breaks as U+2029 or line feeds; etat is what
// the start of avant stands in (a comment, a script...); debutLigne is the text of
// the line where avant begins, before it, when avant does not begin a line.
struct RetourEntreBalises
{
    QString interieur;
    QString fermante;
};
std::optional<RetourEntreBalises> retourEntreBalises(QStringView avant, LexiqueHtml::Etat etat,
                                                     QStringView apres,
                                                     QStringView debutLigne = {});

// What was typed in "Atteindre la ligne": a line number, or "ligne:colonne", both
// counted from 1. Any number is taken, a line past the last giving the last;
// anything else is refused, and refus says why.
struct Destination
{
    int ligne = 1;
    int colonne = 1;
    QString refus;
};
Destination lisDestination(QStringView saisie, int lignes);

} // namespace Blocs
