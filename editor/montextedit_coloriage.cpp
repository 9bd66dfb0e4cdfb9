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

// Before each paint, the lines in view that have no colours yet get them: the
// cost follows the height of the view. Coloured lines are laid out again by the
// toolkit, at once, before the view paints them.
void monQTextEdit::colorieVisibles()
{
    if (!coloriage || !coloriage->document())
        return;
    const int haut = verticalScrollBar()->value();
    const int hauteur = viewport()->height();
    const QTextBlock premier = premierBlocVu();
    QTextBlock dernier = premier;
    int nombre = 0;
    for (QTextBlock bloc = premier.next(); bloc.isValid() && hautDe(bloc) - haut < hauteur;
         bloc = bloc.next()) {
        dernier = bloc;
        ++nombre;
    }
    premierColore = premier.blockNumber();
    dernierColore = premierColore + nombre;
    for (QTextBlock bloc = premier;; bloc = bloc.next()) {
        if (!HighlighterHtml::estColore(bloc))
            coloriage->rehighlightBlock(bloc);
        if (bloc == dernier)
            break;
    }
}
