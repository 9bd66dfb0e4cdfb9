// What the editing widget does for what the user types: the indentation kept by
// Return, the closing tag of a typed opening tag, the tab stops.

#include "montextedit.h"

#include "completeurhtml.h"
#include "etapeannulation.h"
#include "saisiehtml.h"

#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

// The line break and the blanks that begin the line, as far as the cursor: one
// undo step, apart from the text typed before and after it, as a line break is.
void monQTextEdit::insereRetourLigne()
{
    EtapeAnnulation etape(this);
    QTextCursor cursor = textCursor();
    cursor.removeSelectedText();
    if (!retourEntreBalises(&cursor)) {
        const QString blancs
            = SaisieHtml::indentation(cursor.block().text().left(cursor.positionInBlock()))
                  .toString();
        cursor.insertBlock();
        cursor.insertText(blancs);
    }
    setTextCursor(cursor);
}

void monQTextEdit::setFermetureBalises(bool on)
{
    fermeture = on;
    if (!on)
        fermeturesAuto.clear();
}

void monQTextEdit::setCompletion(bool html, bool pendantFrappe)
{
    completeur->setActif(html, pendantFrappe);
}

void monQTextEdit::completeNom()
{
    completeur->ouvre();
}

// The ">" of a closing tag typed right in front of the same closing tag inserted
// for the user, untouched since: the inserted one goes, in the same undo step as
// the ">", so that typing a closing tag by hand gives it once.
bool monQTextEdit::fermeBaliseTapee()
{
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    if (cursor.hasSelection() || overwriteMode())
        return false;
    const auto inseree
        = std::find_if(fermeturesAuto.cbegin(), fermeturesAuto.cend(),
                       [position](const FermetureAuto &f) { return f.debut == position; });
    if (inseree == fermeturesAuto.cend())
        return false;
    const QString tapee = SaisieHtml::baliseFermee(
        texteEntre(qMax(0, position - SaisieHtml::limiteRecherche + 1), position)
        + QLatin1Char('>'));
    const QString fermante = QStringLiteral("</") + inseree->balise + QLatin1Char('>');
    if (tapee.compare(inseree->balise, Qt::CaseInsensitive) != 0
        || texteEntre(inseree->debut, inseree->fin) != fermante)
        return false;

    EtapeAnnulation etape(this);
    cursor.insertText(QStringLiteral(">"));
    cursor.setPosition(position + 1 + int(fermante.size()), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
    return true;
}

// After a typed ">" that ends an opening tag: its closing tag after the cursor,
// which stays between the two. An undo step of its own, so that Ctrl+Z takes back
// the closing tag and leaves what was typed.
void monQTextEdit::fermeBaliseOuvrante()
{
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    const int fin = document()->characterCount() - 1;
    const QString balise = SaisieHtml::baliseAFermer(
        texteEntre(qMax(0, position - SaisieHtml::limiteRecherche), position),
        texteEntre(position, qMin(fin, position + SaisieHtml::limiteRecherche)));
    if (balise.isEmpty())
        return;

    const QString fermante = QStringLiteral("</") + balise + QLatin1Char('>');
    {
        EtapeAnnulation etape(this);
        cursor.insertText(fermante);
        cursor.setPosition(position);
        setTextCursor(cursor);
    }
    fermeturesAuto.append({position, position + int(fermante.size()), balise});
    if (fermeturesAuto.size() > maxFermeturesAuto)
        fermeturesAuto.removeFirst();
}

// Follows the closing tags inserted for the user through the edits of the
// document: one that an edit reaches into is no longer the inserted one. The
// highlighter's colouring reports its lines as changed, their text the same.
void monQTextEdit::suitModification(int position, int retires, int ajoutes)
{
    for (auto it = fermeturesAuto.begin(); it != fermeturesAuto.end();) {
        if (position + retires <= it->debut) {
            it->debut += ajoutes - retires;
            it->fin += ajoutes - retires;
        } else if (position < it->fin
                   && (retires != ajoutes
                       || texteEntre(it->debut, it->fin)
                           != QStringLiteral("</") + it->balise + QLatin1Char('>'))) {
            it = fermeturesAuto.erase(it);
            continue;
        }
        ++it;
    }
}

// The text from debut to fin, block ends as U+2029.
QString monQTextEdit::texteEntre(int debut, int fin) const
{
    QTextCursor cursor(document());
    cursor.setPosition(debut);
    cursor.setPosition(fin, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

// Tab stops every four spaces of the editor's font, which a font change moves.
void monQTextEdit::majTabulations()
{
    const qreal distance = 4 * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
    if (!qFuzzyCompare(tabStopDistance(), distance))
        setTabStopDistance(distance);
}
