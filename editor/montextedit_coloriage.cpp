// The colours of a long text, given to the lines as they come into view.

#include "montextedit.h"

#include "highlighterhtml.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>

namespace {

// Lines this far around those in view are coloured as they change too, so that a
// scroll of a few lines after an edit finds them coloured.
constexpr int margeColoriage = 50;

// How many views of lines above and below the view are coloured with it.
constexpr int pagesAutour = 10;

} // namespace

void monQTextEdit::setColoriage(HighlighterHtml *highlighter)
{
    coloriage = highlighter;
    highlighter->setFiltre([this](const QTextBlock &bloc) {
        const int numero = bloc.blockNumber();
        return numero >= premierColore - margeColoriage && numero <= dernierColore + margeColoriage;
    });
}

void monQTextEdit::paintEvent(QPaintEvent *e)
{
    colorieVisibles();
    QTextEdit::paintEvent(e);
}

// Before each paint, when a line in view has no colours yet, the lines in view
// and those of some pages around get theirs, all at once: the layout of a
// document lays out again every line after the first it is told of, whatever
// the number of lines coloured. Scrolling through a text shown for the first
// time pays this every few dozen pages.
void monQTextEdit::colorieVisibles()
{
    if (!coloriage || !coloriage->document())
        return;
    const int haut = verticalScrollBar()->value();
    const int hauteur = viewport()->height();
    const QTextBlock premier = premierBlocVu();
    QTextBlock dernier = premier;
    int nombre = 1;
    bool aColorier = !HighlighterHtml::estColore(premier);
    for (QTextBlock bloc = premier.next(); bloc.isValid() && hautDe(bloc) - haut < hauteur;
         bloc = bloc.next()) {
        dernier = bloc;
        ++nombre;
        aColorier = aColorier || !HighlighterHtml::estColore(bloc);
    }
    premierColore = premier.blockNumber();
    dernierColore = premierColore + nombre - 1;
    if (!aColorier)
        return;

    QTextBlock debut = premier;
    for (int i = 0; i < pagesAutour * nombre && debut.previous().isValid(); ++i)
        debut = debut.previous();
    QTextBlock fin = dernier;
    for (int i = 0; i < pagesAutour * nombre && fin.next().isValid(); ++i)
        fin = fin.next();
    int de = -1;
    int a = -1;
    for (QTextBlock bloc = debut; bloc.isValid(); bloc = bloc.next()) {
        if (!HighlighterHtml::estColore(bloc)) {
            coloriage->colore(bloc);
            if (de < 0)
                de = bloc.position();
            a = bloc.position() + bloc.length();
        }
        if (bloc == fin)
            break;
    }
    document()->markContentsDirty(de, a - de);
}
