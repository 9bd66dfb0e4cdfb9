// The commands on lines of the editor window, and the wrapping of long lines.

#include "kaltextedit.h"

#include "montextedit.h"
#include "reglages.h"

#include <QFileInfo>
#include <QStatusBar>

void KalTextEdit::slotIndenterLignes()
{
    textEdit->indenteLignes(false);
}

void KalTextEdit::slotDesindenterLignes()
{
    textEdit->indenteLignes(true);
}

// A comment that would make wrong markup is not made: the status bar says why
// (slotCommandeRefusee).
void KalTextEdit::slotCommenter()
{
    const std::optional<Blocs::Langage> langage = langageCommentaires();
    if (langage)
        textEdit->basculeCommentaire(*langage);
}

void KalTextEdit::slotCommandeRefusee(const QString &raison)
{
    statusBar()->showMessage(raison, 10000);
}

void KalTextEdit::slotDupliquerLigne()
{
    textEdit->dupliqueLignes();
}

void KalTextEdit::slotMonterLignes()
{
    textEdit->deplaceLignes(true);
}

void KalTextEdit::slotDescendreLignes()
{
    textEdit->deplaceLignes(false);
}

// The choice is kept for the next runs.
void KalTextEdit::slotRetourLigne(bool on)
{
    Reglages::setRetourLigne(on);
    textEdit->setRetourLigne(on);
}

// An HTML document's comments are those of markup, a style sheet's and a script's
// their own; a plain text has none.
std::optional<Blocs::Langage> KalTextEdit::langageCommentaires() const
{
    if (isHtml)
        return Blocs::Langage::Html;
    const QString suffixe = QFileInfo(currentFile).suffix().toLower();
    if (suffixe == QLatin1String("css"))
        return Blocs::Langage::Css;
    if (suffixe == QLatin1String("js") || suffixe == QLatin1String("mjs"))
        return Blocs::Langage::JavaScript;
    return std::nullopt;
}
