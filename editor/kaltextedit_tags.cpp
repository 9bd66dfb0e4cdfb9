// The tag engine and the commands that wrap the selection in a pair of tags.

#include "kaltextedit.h"

#include "etapeannulation.h"
#include "montextedit.h"

#include <QTextCursor>

bool KalTextEdit::aSelection() const
{
    return textEdit->textCursor().hasSelection();
}

void KalTextEdit::insereBalises(const QString &ouvrante, const QString &fermante, int decalage,
                                int decalageLignes)
{
    EtapeAnnulation etape(textEdit);

    // The cursor hands line breaks of a selection back as paragraph separators;
    // the text goes back in with its line breaks where they were.
    QString selection = textEdit->textCursor().selectedText();
    selection.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));

    // The plain-text insertion replaces the selection and never overwrites what
    // follows the cursor, whatever the insert/overwrite mode.
    textEdit->insertPlainText(ouvrante + selection + fermante);

    if (decalage != 0 || decalageLignes != 0)
        deplaceCurseur(decalage, decalageLignes);
}

void KalTextEdit::deplaceCurseur(int decalage, int decalageLignes)
{
    QTextCursor cursor = textEdit->textCursor();
    if (decalage != 0) {
        const int fin = textEdit->document()->characterCount() - 1;
        cursor.setPosition(qBound(0, cursor.position() + decalage, fin));
        textEdit->setTextCursor(cursor);
    }
    if (decalageLignes != 0) {
        for (int i = 0; i < qAbs(decalageLignes); ++i)
            cursor.movePosition(QTextCursor::PreviousBlock);
        cursor.movePosition(QTextCursor::StartOfBlock);
        textEdit->setTextCursor(cursor);
    }
}

void KalTextEdit::insereRetourLigne()
{
    insereBalises(QString(), QStringLiteral("\n"), 0, 0);
}

// With nothing selected the cursor lands between the tags, ready for typing.
void KalTextEdit::inserePaire(const QString &ouvrante, const QString &fermante)
{
    const int decalage = aSelection() ? 0 : -int(fermante.size());
    insereBalises(ouvrante, fermante, decalage, 0);
}

// A wrapped heading is followed by a line break; an empty one is not. Both
// insertions make one command, undone at once.
void KalTextEdit::insereTitre(int niveau)
{
    const QString balise = QLatin1Char('h') + QString::number(niveau);
    const bool selection = aSelection();

    EtapeAnnulation etape(textEdit);
    inserePaire(QLatin1Char('<') + balise + strAlignement + QLatin1Char('>'),
                QLatin1String("</") + balise + QLatin1Char('>'));
    if (selection)
        insereRetourLigne();
}

// Character styles.
void KalTextEdit::slotCarGras()
{
    inserePaire(QStringLiteral("<b>"), QStringLiteral("</b>"));
}
void KalTextEdit::slotCarItalic()
{
    inserePaire(QStringLiteral("<i>"), QStringLiteral("</i>"));
}
void KalTextEdit::slotCarSouligne()
{
    inserePaire(QStringLiteral("<u>"), QStringLiteral("</u>"));
}
void KalTextEdit::slotCarPreformate()
{
    inserePaire(QStringLiteral("<pre>"), QStringLiteral("</pre>"));
}

// The paragraph always leaves the cursor before "</p>", even around a selection.
void KalTextEdit::slotParagraphe()
{
    insereBalises(QLatin1String("<p") + strAlignement + QLatin1Char('>'), QStringLiteral("</p>"),
                  -4, 0);
}

// One-piece insertions: the element follows the selection, which stays in place.
void KalTextEdit::slotAlaLigne()
{
    insereBalises(QString(), QStringLiteral("<br />"), 0, 0);
}
void KalTextEdit::slotLigneHoriz()
{
    insereBalises(QString(), QStringLiteral("<hr />"), 0, 0);
}
void KalTextEdit::slotBlancInsec()
{
    insereBalises(QString(), QStringLiteral("&nbsp;"), 0, 0);
}
void KalTextEdit::slotEuro()
{
    insereBalises(QString(), QStringLiteral("&#8364;"), 0, 0);
}

// Headings.
void KalTextEdit::slotTitre1()
{
    insereTitre(1);
}
void KalTextEdit::slotTitre2()
{
    insereTitre(2);
}
void KalTextEdit::slotTitre3()
{
    insereTitre(3);
}
void KalTextEdit::slotTitre4()
{
    insereTitre(4);
}
void KalTextEdit::slotTitre5()
{
    insereTitre(5);
}
void KalTextEdit::slotTitre6()
{
    insereTitre(6);
}

// Lists and definition lists.
void KalTextEdit::slotListeSimple()
{
    inserePaire(QStringLiteral("<ul>"), QStringLiteral("</ul>"));
}
void KalTextEdit::slotListeOrdo()
{
    inserePaire(QStringLiteral("<ol>"), QStringLiteral("</ol>"));
}
void KalTextEdit::slotElemListe()
{
    inserePaire(QStringLiteral("<li>"), QStringLiteral("</li>"));
}
void KalTextEdit::slotListeDef()
{
    inserePaire(QStringLiteral("<dl>"), QStringLiteral("</dl>"));
}
void KalTextEdit::slotTermDef()
{
    inserePaire(QStringLiteral("<dt>"), QStringLiteral("</dt>"));
}
void KalTextEdit::slotDefinition()
{
    inserePaire(QStringLiteral("<dd>"), QStringLiteral("</dd>"));
}

// Link and anchor: the cursor stops before "</a>", not inside the quotes.
void KalTextEdit::slotLienHypText()
{
    inserePaire(QStringLiteral("<a href=\"\">"), QStringLiteral("</a>"));
}
void KalTextEdit::slotNameAncre()
{
    inserePaire(QStringLiteral("<a name=\"\">"), QStringLiteral("</a>"));
}
