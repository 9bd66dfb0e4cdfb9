// The tag engine and the commands that wrap the selection in a pair of tags.

#include "kaltextedit.h"

#include "montextedit.h"

bool KalTextEdit::aSelection() const
{
    return textEdit->textCursor().hasSelection();
}

void KalTextEdit::insereBalises(const QString &ouvrante, const QString &fermante, int decalage,
                                int decalageLignes)
{
    Q_UNUSED(ouvrante);
    Q_UNUSED(fermante);
    Q_UNUSED(decalage);
    Q_UNUSED(decalageLignes);
}

void KalTextEdit::deplaceCurseur(int decalage, int decalageLignes)
{
    Q_UNUSED(decalage);
    Q_UNUSED(decalageLignes);
}

void KalTextEdit::insereRetourLigne()
{ }

void KalTextEdit::insereTitre(int niveau)
{
    Q_UNUSED(niveau);
}

void KalTextEdit::inserePaire(const QString &ouvrante, const QString &fermante)
{
    Q_UNUSED(ouvrante);
    Q_UNUSED(fermante);
}

void KalTextEdit::slotCarGras()
{ }
void KalTextEdit::slotCarItalic()
{ }
void KalTextEdit::slotCarSouligne()
{ }
void KalTextEdit::slotCarPreformate()
{ }
void KalTextEdit::slotParagraphe()
{ }
void KalTextEdit::slotAlaLigne()
{ }
void KalTextEdit::slotLigneHoriz()
{ }
void KalTextEdit::slotBlancInsec()
{ }
void KalTextEdit::slotEuro()
{ }
void KalTextEdit::slotTitre1()
{ }
void KalTextEdit::slotTitre2()
{ }
void KalTextEdit::slotTitre3()
{ }
void KalTextEdit::slotTitre4()
{ }
void KalTextEdit::slotTitre5()
{ }
void KalTextEdit::slotTitre6()
{ }
void KalTextEdit::slotListeSimple()
{ }
void KalTextEdit::slotListeOrdo()
{ }
void KalTextEdit::slotElemListe()
{ }
void KalTextEdit::slotListeDef()
{ }
void KalTextEdit::slotTermDef()
{ }
void KalTextEdit::slotDefinition()
{ }
void KalTextEdit::slotLienHypText()
{ }
void KalTextEdit::slotNameAncre()
{ }
