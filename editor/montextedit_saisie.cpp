// What the editing widget does for what the user types: the indentation kept by
// Return, the closing tag of a typed opening tag, the tab stops.

#include "montextedit.h"

#include "completeurhtml.h"
#include "contextedocument.h"
#include "etapeannulation.h"
#include "pairesbalises.h"
#include "saisiehtml.h"

#include <QAbstractUndoItem>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>
#include <utility>

// Follows an inserted closing tag through the undo history: the step that
// inserted it, once redone, has inserted it again; the step that typed over it,
// once undone, has put it back. Either way it is the inserted one again.
struct RetourFermeture : QAbstractUndoItem
{
    RetourFermeture(monQTextEdit *edit, const monQTextEdit::FermetureAuto &fermeture, bool refaite)
        : edit(edit)
        , fermeture(fermeture)
        , refaite(refaite)
    { }

    void undo() override
    {
        if (!refaite && edit)
            edit->fermeturesRetablies.append(fermeture);
    }
    // The document tells its change once the whole step is done: the closing tag
    // is followed from then on, and the cursor goes back in front of it.
    void redo() override
    {
        if (refaite && edit) {
            edit->fermeturesRetablies.append(fermeture);
            edit->curseurRetabli = {-1, fermeture.fin, fermeture.debut, false};
        }
    }

    QPointer<monQTextEdit> edit;
    const monQTextEdit::FermetureAuto fermeture;
    const bool refaite;
};

// The line break and the blanks that begin the line, as far as the cursor: one
// undo step, apart from the text typed before and after it, as a line break is.
void monQTextEdit::insereRetourLigne()
{
    QTextCursor cursor = textCursor();
    if (!retourEntreBalises(&cursor)) {
        EtapeAnnulation etape(this);
        cursor.removeSelectedText();
        const QString blancs
            = SaisieHtml::indentation(cursor.block().text().left(cursor.positionInBlock()))
                  .toString();
        cursor.insertBlock();
        cursor.insertText(blancs);
    }
    // Once the step is closed, when the document has told its change.
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
    if (cursor.hasSelection())
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

    const FermetureAuto remplacee = *inseree;
    EtapeAnnulation etape(this);
    cursor.insertText(QStringLiteral(">"));
    cursor.setPosition(position + 1 + int(fermante.size()), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    setTextCursor(cursor);
    document()->appendUndoItem(new RetourFermeture(this, remplacee, false));
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
    // From a point where it is known whether the text stands in a comment, a
    // script or a style, however long: the tag may stand in one.
    const ContexteDocument::Extrait avant = contexte->extrait(position, position);
    const QString balise = SaisieHtml::baliseAFermer(
        avant.texte, avant.etat,
        texteEntre(position, qMin(fin, position + SaisieHtml::limiteRecherche)));
    if (balise.isEmpty())
        return;

    const QString fermante = QStringLiteral("</") + balise + QLatin1Char('>');
    const FermetureAuto inseree {position, position + int(fermante.size()), balise};
    {
        EtapeAnnulation etape(this);
        cursor.insertText(fermante);
        cursor.setPosition(position);
        document()->appendUndoItem(new RetourFermeture(this, inseree, true));
    }
    // Once the step is closed, when the document has told its change: a cursor
    // moved before would have the whole page read again for the tag pair.
    setTextCursor(cursor);
    fermeturesAuto.append(inseree);
    if (fermeturesAuto.size() > maxFermeturesAuto)
        fermeturesAuto.removeFirst();
}

// Whether what is typed now, at the cursor, would land on a closing tag inserted
// for the user: it goes in front of it, even in overwrite mode.
bool monQTextEdit::devantFermetureAuto() const
{
    const QTextCursor cursor = textCursor();
    const int position = cursor.position();
    return !cursor.hasSelection()
        && std::any_of(fermeturesAuto.cbegin(), fermeturesAuto.cend(),
                       [position](const FermetureAuto &f) { return f.debut == position; });
}

// After a typed "</" in the text: the name of the innermost element still open and
// the ">", the cursor after them; an undo step of its own. A closing tag of the
// same element inserted for the user right after goes, as when it is typed over.
void monQTextEdit::completeBaliseFermante()
{
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    if (position < 2 || document()->characterAt(position - 2) != QLatin1Char('<'))
        return;
    // A "/" typed into "<li>" to make it "</li>" needs nothing more.
    const QChar suivant = document()->characterAt(position);
    if (suivant.isLetterOrNumber() || suivant == u'>')
        return;
    const QString nom = PairesBalises::elementOuvert(*contexte, position - 2);
    if (nom.isEmpty())
        return;
    const QString fermante = QStringLiteral("</") + nom + QLatin1Char('>');
    const auto inseree
        = std::find_if(fermeturesAuto.cbegin(), fermeturesAuto.cend(), [&](const FermetureAuto &f) {
              return f.debut == position && f.balise.compare(nom, Qt::CaseInsensitive) == 0
                  && texteEntre(f.debut, f.fin) == QStringLiteral("</") + f.balise + u'>';
          });
    {
        EtapeAnnulation etape(this);
        cursor.insertText(nom + QLatin1Char('>'));
        if (inseree != fermeturesAuto.cend()) {
            const FermetureAuto remplacee = *inseree;
            const int apres = cursor.position();
            cursor.setPosition(apres + int(fermante.size()), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            document()->appendUndoItem(new RetourFermeture(this, remplacee, false));
        }
        setTextCursor(cursor);
    }
    completion = {document()->revision(), position, position + int(nom.size()) + 1, nom.front()};
}

// Before a key: the first letter of the name that "</" received, typed right
// after it, takes it back (and the closing tag it replaced) before going in.
void monQTextEdit::reprendCompletion(const QKeyEvent *e)
{
    switch (e->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
        return;
    default:
        break;
    }
    const Completion c = std::exchange(completion, {});
    const QTextCursor cursor = textCursor();
    if (c.revision < 0 || c.revision != document()->revision() || cursor.hasSelection()
        || cursor.position() != c.fin || e->text().size() != 1
        || e->text().front().toCaseFolded() != c.premier.toCaseFolded())
        return;
    undo();
    QTextCursor retour = textCursor();
    retour.setPosition(c.debut);
    setTextCursor(retour);
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
    if (curseurRetabli.apres >= 0 && curseurRetabli.revision < 0)
        curseurRetabli.revision = document()->revision();
    const int fin = document()->characterCount() - 1;
    for (const FermetureAuto &f : std::exchange(fermeturesRetablies, {})) {
        if (f.fin <= fin
            && texteEntre(f.debut, f.fin) == QStringLiteral("</") + f.balise + QLatin1Char('>')
            && std::none_of(fermeturesAuto.cbegin(), fermeturesAuto.cend(),
                            [&f](const FermetureAuto &g) { return g.debut == f.debut; }))
            fermeturesAuto.append(f);
    }
    if (fermeturesAuto.size() > maxFermeturesAuto)
        fermeturesAuto.remove(0, fermeturesAuto.size() - maxFermeturesAuto);
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

// The cursor that a redo put after a closing tag inserted for the user goes back
// in front of it, as when it was inserted: once the redo is over, which places
// the cursor last, or before the next key.
void monQTextEdit::suitCurseur()
{
    // A name that "</" received is taken back only by a letter typed right after it.
    if (completion.revision >= 0 && textCursor().position() != completion.fin)
        completion = {};
    if (curseurRetabli.revision >= 0 && !curseurRetabli.attendu) {
        curseurRetabli.attendu = true;
        QMetaObject::invokeMethod(this, &monQTextEdit::retablitCurseur, Qt::QueuedConnection);
    }
    majPaire();
}

void monQTextEdit::retablitCurseur()
{
    const CurseurRetabli retabli = std::exchange(curseurRetabli, {});
    QTextCursor cursor = textCursor();
    if (retabli.revision < 0 || retabli.revision != document()->revision() || cursor.hasSelection()
        || cursor.position() != retabli.apres)
        return;
    cursor.setPosition(retabli.devant);
    setTextCursor(cursor);
}
