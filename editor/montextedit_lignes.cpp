// The commands on whole lines (indent, unindent, comment, duplicate, move), Tab and
// Shift+Tab on lines, Return between a tag and its closing tag, and End and Home
// on a wrapped line. The rules are those of Blocs; here they meet the document.

#include "montextedit.h"

#include "contextedocument.h"

#include "documentfile.h"
#include "etapeannulation.h"
#include "saisiehtml.h"

#include <QKeyEvent>
#include <QLocale>
#include <QTextBlock>
#include <QTextCursor>

#include <optional>

namespace {

// The lines a command works on, as the document numbers its blocks.
Blocs::Lignes cibles(const QTextCursor &cursor)
{
    const QTextDocument *document = cursor.document();
    const QTextBlock ancre = document->findBlock(cursor.anchor());
    const QTextBlock position = document->findBlock(cursor.position());
    Blocs::Extrait selection;
    selection.ancre = {ancre.blockNumber(), cursor.anchor() - ancre.position()};
    selection.curseur = {position.blockNumber(), cursor.position() - position.position()};
    return Blocs::lignesVisees(selection);
}

} // namespace

// The lines from premier to dernier, and the selection in them.
Blocs::Extrait monQTextEdit::extrait(const QTextBlock &premier, const QTextBlock &dernier) const
{
    Blocs::Extrait texte;
    for (QTextBlock bloc = premier; bloc.isValid(); bloc = bloc.next()) {
        texte.lignes.append(bloc.text());
        if (bloc == dernier)
            break;
    }
    const QTextCursor cursor = textCursor();
    const auto point = [this, &premier](int position) {
        const QTextBlock bloc = document()->findBlock(position);
        return Blocs::Point {bloc.blockNumber() - premier.blockNumber(),
                             position - bloc.position()};
    };
    texte.ancre = point(cursor.anchor());
    texte.curseur = point(cursor.position());
    return texte;
}

namespace {

// The part of ancien that nouveau changes: the characters they share at the start
// and at the end are left out.
struct Difference
{
    qsizetype debut;
    qsizetype retires;
    QStringView insere;
};

Difference difference(QStringView ancien, QStringView nouveau)
{
    const qsizetype commun = std::min(ancien.size(), nouveau.size());
    qsizetype prefixe = 0;
    while (prefixe < commun && ancien[prefixe] == nouveau[prefixe])
        ++prefixe;
    qsizetype suffixe = 0;
    while (suffixe < commun - prefixe
           && ancien[ancien.size() - 1 - suffixe] == nouveau[nouveau.size() - 1 - suffixe])
        ++suffixe;
    return {prefixe, ancien.size() - prefixe - suffixe,
            nouveau.sliced(prefixe, nouveau.size() - prefixe - suffixe)};
}

} // namespace

// Puts the lines of apres in place of those of avant, from premier on, and selects
// as apres says. Only what differs is replaced, line by line when the lines stay
// as many (a few characters at the start of each line indented is cheap, where
// lines taken away and put back cost a layout each), so that marks in the rest
// stay where they are; one undo step, and none when nothing changes.
void monQTextEdit::remplaceLignes(const QTextBlock &premier, const Blocs::Extrait &avant,
                                  const Blocs::Extrait &apres)
{
    qsizetype ancien = 0;
    qsizetype nouveau = 0;
    for (const QString &ligne : avant.lignes)
        ancien += ligne.size() + 1;
    for (const QString &ligne : apres.lignes)
        nouveau += ligne.size() + 1;
    if (avant.lignes == apres.lignes)
        return;
    // Past the limit the text's positions overflow: refused before anything changes.
    if (document()->characterCount() - 1 - ancien + nouveau > DocumentFile::maxCharacters) {
        emit commandeRefusee(QStringLiteral("Le document dépasserait la limite de %1 caractères, "
                                            "rien n'a changé.")
                                 .arg(QLocale().toString(DocumentFile::maxCharacters)));
        return;
    }

    const int debut = premier.position();
    const int numero = premier.blockNumber();
    std::optional<EtapeAnnulation> etape(std::in_place, this);
    QTextCursor edition(document());
    const auto remplace = [&edition](qsizetype position, const Difference &d) {
        edition.setPosition(int(position + d.debut));
        edition.setPosition(int(position + d.debut + d.retires), QTextCursor::KeepAnchor);
        edition.removeSelectedText();
        if (!d.insere.isEmpty())
            edition.insertText(d.insere.toString());
    };
    if (avant.lignes.size() == apres.lignes.size()) {
        // From the last line up: the places of the lines above stay as they were.
        qsizetype position = debut + ancien;
        for (qsizetype l = avant.lignes.size() - 1; l >= 0; --l) {
            position -= avant.lignes.at(l).size() + 1;
            if (avant.lignes.at(l) != apres.lignes.at(l))
                remplace(position, difference(avant.lignes.at(l), apres.lignes.at(l)));
        }
    } else {
        const QString texteAvant = avant.lignes.join(QLatin1Char('\n'));
        const QString texteApres = apres.lignes.join(QLatin1Char('\n'));
        remplace(debut, difference(texteAvant, texteApres));
    }

    const auto position = [this, numero](const Blocs::Point &point) {
        return document()->findBlockByNumber(numero + point.ligne).position() + point.colonne;
    };
    QTextCursor selection(document());
    selection.setPosition(position(apres.ancre));
    selection.setPosition(position(apres.curseur), QTextCursor::KeepAnchor);
    // Once the step is closed: the document tells its change only then, and a
    // cursor move before (the tag pair looked for) would find the text changed
    // unannounced and read the whole document again.
    etape.reset();
    setTextCursor(selection);
}

// Runs a rule of Blocs on the lines concerned, with two lines around them: where
// the lines go when they move, and where the selection ends after them.
void monQTextEdit::commandeLignes(
    const std::function<Blocs::Bascule(const Blocs::Extrait &, int debut)> &commande)
{
    if (isReadOnly())
        return;
    const Blocs::Lignes lignes = cibles(textCursor());
    QTextDocument *doc = document();
    const QTextBlock premier = doc->findBlockByNumber(std::max(0, lignes.premiere - 1));
    const QTextBlock dernier
        = doc->findBlockByNumber(std::min(doc->blockCount() - 1, lignes.derniere + 2));
    const Blocs::Extrait avant = extrait(premier, dernier);
    const Blocs::Bascule apres = commande(avant, premier.position());
    if (!apres.refus.isEmpty())
        emit commandeRefusee(apres.refus);
    else
        remplaceLignes(premier, avant, apres.texte);
}

void monQTextEdit::indenteLignes(bool retrait)
{
    commandeLignes([retrait](const Blocs::Extrait &texte, int) {
        return Blocs::Bascule {retrait ? Blocs::desindente(texte) : Blocs::indente(texte), {}};
    });
}

void monQTextEdit::dupliqueLignes()
{
    commandeLignes([](const Blocs::Extrait &texte, int) {
        return Blocs::Bascule {Blocs::duplique(texte), {}};
    });
}

void monQTextEdit::deplaceLignes(bool versLeHaut)
{
    commandeLignes([versLeHaut](const Blocs::Extrait &texte, int) {
        return Blocs::Bascule {Blocs::deplace(texte, versLeHaut), {}};
    });
}

// What a place holds is read from the start of the text: a comment's start or a
// script's may lie anywhere before it. A command, not a keystroke, pays for it.
void monQTextEdit::basculeCommentaire(Blocs::Langage langage)
{
    commandeLignes([this, langage](const Blocs::Extrait &texte, int debut) {
        const QString tout = document()->toRawText();
        return Blocs::basculeCommentaire(
            texte, Blocs::lit(Blocs::debut(langage), QStringView(tout).first(debut)));
    });
}

// Tab on a selection over several lines indents them, Shift+Tab unindents the
// lines of the selection or the cursor's line; End and Home go on to the ends of
// the line of the file. Whether the key was taken.
bool monQTextEdit::toucheLignes(QKeyEvent *e)
{
    const Qt::KeyboardModifiers autres = e->modifiers() & ~Qt::KeypadModifier;
    if (e->key() == Qt::Key_Backtab && (autres & ~Qt::ShiftModifier) == Qt::NoModifier) {
        indenteLignes(true);
        return true;
    }
    if (e->key() == Qt::Key_Tab && autres == Qt::NoModifier) {
        const QTextCursor cursor = textCursor();
        if (document()->findBlock(cursor.selectionStart())
            == document()->findBlock(cursor.selectionEnd()))
            return false;
        indenteLignes(false);
        return true;
    }
    return finDeLigneReelle(e);
}

// On a line that the view wraps, End goes to the end of the line on screen, as the
// toolkit's End does; pressed again there, to the end of the line of the file,
// where Return does not split the text of the line. Home likewise.
bool monQTextEdit::finDeLigneReelle(QKeyEvent *e)
{
    const bool fin
        = e->matches(QKeySequence::MoveToEndOfLine) || e->matches(QKeySequence::SelectEndOfLine);
    const bool debut = e->matches(QKeySequence::MoveToStartOfLine)
        || e->matches(QKeySequence::SelectStartOfLine);
    if ((!fin && !debut) || lineWrapMode() == QTextEdit::NoWrap)
        return false;
    const QTextCursor::MoveMode mode
        = e->matches(QKeySequence::SelectEndOfLine) || e->matches(QKeySequence::SelectStartOfLine)
        ? QTextCursor::KeepAnchor
        : QTextCursor::MoveAnchor;
    QTextCursor cursor = textCursor();
    const bool encore = derniereFinDeLigne.position == cursor.position()
        && derniereFinDeLigne.revision == document()->revision() && derniereFinDeLigne.fin == fin;
    if (encore)
        cursor.movePosition(fin ? QTextCursor::EndOfBlock : QTextCursor::StartOfBlock, mode);
    else
        cursor.movePosition(fin ? QTextCursor::EndOfLine : QTextCursor::StartOfLine, mode);
    setTextCursor(cursor);
    ensureCursorVisible();
    derniereFinDeLigne = {cursor.position(), document()->revision(), fin};
    return true;
}

// Return right between an opening tag and its closing tag: the closing tag goes
// to a line of its own, at the opening tag's indentation, and the cursor to an
// empty line between them, one unit deeper; the selection goes first, as for any
// key. What to do is read before the undo step opens: inside it, the document
// tells its change only at the end, and what the text stands in, asked then,
// would be read again from the start of the document.
bool monQTextEdit::retourEntreBalises(QTextCursor *cursor)
{
    if (!aidesHtml)
        return false;
    const int debut = cursor->selectionStart();
    const int suite = cursor->selectionEnd();
    const int fin = document()->characterCount() - 1;
    // From a point where it is known whether the text stands in a comment or a
    // script: "<ul>" there opens nothing.
    const ContexteDocument::Extrait avant = contexte->extrait(debut, debut);
    // The known point may lie inside the opening tag's line: its start gives the
    // indentation.
    const std::optional<Blocs::RetourEntreBalises> retour = Blocs::retourEntreBalises(
        avant.texte, avant.etat, texteEntre(suite, qMin(fin, suite + SaisieHtml::limiteRecherche)),
        texteEntre(document()->findBlock(avant.origine).position(), avant.origine));
    if (!retour)
        return false;
    EtapeAnnulation etape(this);
    cursor->removeSelectedText();
    cursor->insertBlock();
    cursor->insertText(retour->interieur);
    const int milieu = cursor->position();
    cursor->insertBlock();
    cursor->insertText(retour->fermante);
    cursor->setPosition(milieu);
    return true;
}
