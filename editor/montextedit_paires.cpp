// The tags that go together, as the editing widget shows them and moves between
// them: the partner of the tag under the cursor, the element around it.

#include "montextedit.h"

#include "contextedocument.h"
#include "pairesbalises.h"

#include <QTextCursor>

namespace {

// Discreet, under the editor's colours: a pale grey blue.
const QColor fondPaire(0xd6, 0xe2, 0xf2);

QTextEdit::ExtraSelection selectionDe(QTextDocument *document, PairesBalises::Etendue e)
{
    QTextEdit::ExtraSelection selection;
    selection.cursor = QTextCursor(document);
    selection.cursor.setPosition(e.debut);
    selection.cursor.setPosition(e.fin, QTextCursor::KeepAnchor);
    selection.format.setBackground(fondPaire);
    return selection;
}

} // namespace

void monQTextEdit::setPaireVisible(bool on)
{
    paireVisible = on;
    paireRevision = -1;
    majPaire();
}

// The tag whose name holds the cursor and its partner, with their background;
// nothing for a tag without one, or whose partner lies beyond the search's reach.
void monQTextEdit::majPaire()
{
    const QTextCursor cursor = textCursor();
    const int position = cursor.hasSelection() || !paireVisible ? -1 : cursor.position();
    const int revision = document()->revision();
    if (position == pairePosition && revision == paireRevision)
        return;
    pairePosition = position;
    paireRevision = revision;
    QList<ExtraSelection> selections;
    if (position >= 0) {
        const PairesBalises::Paire paire = PairesBalises::paireDuNom(*contexte, position);
        if (paire.partenaire.trouvee()) {
            selections = {selectionDe(document(), paire.balise),
                          selectionDe(document(), paire.partenaire)};
            if (paire.partenaire.debut < paire.balise.debut)
                selections.swapItemsAt(0, 1);
        }
    }
    setSelectionsSupplementaires(QStringLiteral("paire"), selections);
}

void monQTextEdit::setSelectionsSupplementaires(const QString &sorte,
                                                const QList<ExtraSelection> &selections)
{
    if (selections.isEmpty() && !selectionsParSorte.contains(sorte))
        return;
    if (selections.isEmpty())
        selectionsParSorte.remove(sorte);
    else
        selectionsParSorte.insert(sorte, selections);
    QList<ExtraSelection> toutes;
    for (const QList<ExtraSelection> &s : std::as_const(selectionsParSorte))
        toutes += s;
    setExtraSelections(toutes);
}

monQTextEdit::Partenaire monQTextEdit::allerALaBaliseCorrespondante()
{
    const PairesBalises::Paire paire
        = PairesBalises::paireDeLaBalise(*contexte, textCursor().position());
    if (!paire.balise.trouvee())
        return Partenaire::HorsBalise;
    if (!paire.partenaire.trouvee())
        return Partenaire::Aucun;
    QTextCursor cursor = textCursor();
    cursor.setPosition(paire.nomPartenaire);
    setTextCursor(cursor);
    return Partenaire::Trouve;
}

bool monQTextEdit::selectionnerElement()
{
    const QTextCursor cursor = textCursor();
    const PairesBalises::Etendue element
        = PairesBalises::elementAutour(*contexte, cursor.selectionStart(), cursor.selectionEnd());
    if (!element.trouvee())
        return false;
    QTextCursor selection(document());
    selection.setPosition(element.debut);
    selection.setPosition(element.fin, QTextCursor::KeepAnchor);
    setTextCursor(selection);
    return true;
}
