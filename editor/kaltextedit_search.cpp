// Search, replace and repeat, and the elementary edit commands.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "documentfile.h"
#include "etapeannulation.h"
#include "montextedit.h"
#include "recherche.h"
#include "ui_dlgcherche.h"
#include "ui_dlgremplace.h"

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QLocale>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The search options as the dialogs show them and the window remembers them.
struct Options
{
    bool *casse;
    bool *motsEntiers;
    bool *expression;
};

template<class Form>
void montreOptions(const Form &form, const Options &options)
{
    form.cbCasse->setChecked(*options.casse);
    form.cbMotsEntiers->setChecked(*options.motsEntiers);
    form.cbExpression->setChecked(*options.expression);
}

template<class Form>
void retientOptions(const Form &form, const Options &options)
{
    *options.casse = form.cbCasse->isChecked();
    *options.motsEntiers = form.cbMotsEntiers->isChecked();
    *options.expression = form.cbExpression->isChecked();
}

// Asks for a text, its replacement and the options in the replace dialog, filled
// with the remembered values; they take the dialog's values only when it is
// accepted.
bool demandeRemplacement(QString *cherche, QString *remplace, const Options &options)
{
    QDialog dialog;
    Ui::DlgRemplace form;
    form.setupUi(&dialog);
    form.lineEditCherche->setText(*cherche);
    form.lineEditCherche->selectAll();
    form.lineEditCherche->setFocus();
    form.lineEditRemplace->setText(*remplace);
    montreOptions(form, options);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    *cherche = form.lineEditCherche->text();
    retientOptions(form, options);
    *remplace = form.lineEditRemplace->text();
    return true;
}

// The widget inserts a Windows line end (pasted into a field) as one line break:
// the text as it will stand in the document.
QString commeInsere(QString texte)
{
    return texte.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

void signaleAbandon(QWidget *fenetre, const QString &cherche, int ligne)
{
    avertissement(fenetre, QStringLiteral("Recherche/Remplacement"),
                  QStringLiteral("La recherche de «\u00a0%1\u00a0» a été abandonnée à la ligne "
                                 "%2\u00a0: l'expression y demande trop de calculs.")
                      .arg(cherche)
                      .arg(ligne));
}

} // namespace

// Says so when the search cannot run; true when it can.
bool KalTextEdit::peutChercher(const Recherche &recherche)
{
    if (recherche.valide())
        return true;
    avertissement(this, QStringLiteral("Marlisse - Expression régulière"),
                  recherche.messageErreur() + QStringLiteral("\nRien n'a été cherché."));
    return false;
}

// A search empties the replacement text, so that F3 repeats the search.
void KalTextEdit::slotEditCherche()
{
    QDialog dialog;
    Ui::DlgCherche form;
    form.setupUi(&dialog);
    form.lineEditCherche->setText(strCherche);
    form.lineEditCherche->selectAll();
    // Without this the default button, first in the dialog's focus chain, would
    // take the focus and the text could not be typed straight away.
    form.lineEditCherche->setFocus();
    const Options options {&respecteCasse, &motsEntiers, &expressionReguliere};
    montreOptions(form, options);
    if (dialog.exec() != QDialog::Accepted)
        return;

    strCherche = form.lineEditCherche->text();
    retientOptions(form, options);
    strRemplace.clear();
    if (!strCherche.isEmpty())
        slotEditReplaceEncore();
}

// An empty replacement field makes the replace command a search.
void KalTextEdit::slotEditReplace()
{
    if (demandeRemplacement(&strCherche, &strRemplace,
                            {&respecteCasse, &motsEntiers, &expressionReguliere})
        && !strCherche.isEmpty())
        slotEditReplaceEncore();
}

// Forward from the end of the selection, without wrapping around. A replacement
// leaves the cursor after the inserted text, so it is never found again.
void KalTextEdit::slotEditReplaceEncore()
{
    const Recherche recherche(strCherche, respecteCasse, motsEntiers, expressionReguliere);
    QString remplacement;
    if (!peutChercher(recherche) || !selectionneOccurrence(recherche, false, &remplacement))
        return;
    const bool vide = !textEdit->textCursor().hasSelection();
    if (!strRemplace.isEmpty()) {
        EtapeAnnulation etape(textEdit);
        textEdit->insertPlainText(remplacement);
    }
    if (vide) {
        apresVide = textEdit->textCursor().position();
        revisionApresVide = textEdit->document()->revision();
    }
}

// Backward from the start of the selection; it never replaces.
void KalTextEdit::slotEditChercherPrecedent()
{
    const Recherche recherche(strCherche, respecteCasse, motsEntiers, expressionReguliere);
    QString remplacement;
    if (peutChercher(recherche) && selectionneOccurrence(recherche, true, &remplacement)
        && !textEdit->textCursor().hasSelection()) {
        apresVide = textEdit->textCursor().position();
        revisionApresVide = textEdit->document()->revision();
    }
}

// Selects the next (or previous) occurrence, which setting the cursor scrolls into
// view, and gives the text that would replace it; when there is none, says so and
// leaves the cursor where it was. The lines' own characters are searched, not
// through the document's find, which sees each non-breaking space as a blank: a
// text holding one would never be found, and with blanks in their place it would
// also find the same words joined by a plain blank.
bool KalTextEdit::selectionneOccurrence(const Recherche &recherche, bool arriere,
                                        QString *remplacement)
{
    QTextDocument *document = textEdit->document();
    const QTextCursor curseur = textEdit->textCursor();
    const int depuis = arriere ? curseur.selectionStart() : curseur.selectionEnd();
    // An empty match the last search stopped on is not found again.
    bool sauteVide = !curseur.hasSelection() && depuis == apresVide
        && document->revision() == revisionApresVide;
    Recherche::Occurrence trouvee;
    QTextBlock bloc = document->findBlock(depuis);
    qsizetype dans = depuis - bloc.position();
    while (bloc.isValid()) {
        const QString ligne = bloc.text();
        trouvee = arriere ? recherche.precedente(ligne, dans, sauteVide)
                          : recherche.suivante(ligne, dans, sauteVide);
        if (trouvee.abandon) {
            signaleAbandon(this, strCherche, bloc.blockNumber() + 1);
            return false;
        }
        if (trouvee.trouvee()) {
            *remplacement = recherche.remplacement(strRemplace, trouvee);
            break;
        }
        bloc = arriere ? bloc.previous() : bloc.next();
        dans = arriere ? bloc.length() - 1 : 0;
        sauteVide = false;
    }
    if (!trouvee.trouvee()) {
        information(this, QStringLiteral("Recherche/Remplacement"),
                    QLatin1Char('"') + strCherche + QStringLiteral("\" non trouvé"));
        return false;
    }
    QTextCursor selection(document);
    selection.setPosition(bloc.position() + int(trouvee.debut));
    selection.setPosition(bloc.position() + int(trouvee.debut + trouvee.longueur),
                          QTextCursor::KeepAnchor);
    textEdit->setTextCursor(selection);
    return true;
}

// Every occurrence of the whole document, found in its text as it stood, so that
// a replacement is never searched again, and all found before anything changes:
// a result past the document's limit is refused whole. The replacements are made
// in one edit block: one undo step, and the document is highlighted once, not
// once per replacement. An empty replacement removes the occurrences.
void KalTextEdit::slotEditReplaceTout()
{
    if (!demandeRemplacement(&strCherche, &strRemplace,
                             {&respecteCasse, &motsEntiers, &expressionReguliere})
        || strCherche.isEmpty())
        return;
    const Recherche recherche(strCherche, respecteCasse, motsEntiers, expressionReguliere);
    if (!peutChercher(recherche))
        return;
    const qsizetype nombre = remplaceTout(recherche, commeInsere(strRemplace));
    if (nombre == 0)
        statusBar()->showMessage(
            QStringLiteral("Aucune occurrence de «\u00a0%1\u00a0»").arg(strCherche));
    else if (nombre > 0)
        statusBar()->showMessage(nombre == 1 ? QStringLiteral("1 remplacement")
                                             : QStringLiteral("%1 remplacements").arg(nombre));
}

// Replaces every occurrence of the document by modele: the number replaced, or
// -1 when nothing was, for a reason a box has told.
qsizetype KalTextEdit::remplaceTout(const Recherche &recherche, const QString &modele)
{
    QTextDocument *document = textEdit->document();
    // The raw text holds the characters themselves (non-breaking spaces included)
    // at the document's positions, a block's end counting as one character.
    const QString texte = document->toRawText();
    struct Remplacement
    {
        qsizetype debut;
        qsizetype longueur;
        QString par;
    };
    QList<Remplacement> remplacements;
    qsizetype taille = texte.size();
    int numeroLigne = 1;
    for (qsizetype ligne = 0; ligne <= texte.size(); ++numeroLigne) {
        qsizetype finLigne = texte.indexOf(QChar::ParagraphSeparator, ligne);
        if (finLigne < 0)
            finLigne = texte.size();
        const QStringView vue = QStringView(texte).sliced(ligne, finLigne - ligne);
        bool tropLong = false;
        const bool cherchee = recherche.chaqueOccurrence(
            vue, [&](const Recherche::Occurrence &trouvee) {
                // What an expression captures holds no line end: only the model may.
                QString par = recherche.remplacement(modele, trouvee);
                taille += par.size() - trouvee.longueur;
                tropLong = taille > DocumentFile::maxCharacters;
                if (!tropLong)
                    remplacements.append({ligne + trouvee.debut, trouvee.longueur, std::move(par)});
                return !tropLong;
            });
        if (!cherchee) {
            signaleAbandon(this, recherche.texteCherche(), numeroLigne);
            return -1;
        }
        if (tropLong) {
            avertissement(this, QStringLiteral("Recherche/Remplacement"),
                          QStringLiteral("Remplacer toutes les occurrences de «\u00a0%1\u00a0» "
                                         "donnerait un document de plus de %2 caractères, la "
                                         "limite.\nLe texte n'a pas été modifié.")
                              .arg(recherche.texteCherche(),
                                   QLocale().toString(DocumentFile::maxCharacters)));
            return -1;
        }
        ligne = finLigne + 1;
    }
    if (remplacements.isEmpty())
        return 0;

    // The layout follows an edit block at once over the whole stretch it changed,
    // here most of the document, and a cursor moved after the last replacement
    // would make it run to the end before the command returns. Without a page
    // size it leaves the text alone; given its size back, it lays the document out
    // afresh in steps between events, as when a file is opened. The view stays on
    // the text it showed, and only that much is laid out at once.
    const QSizeF page = document->pageSize();
    const int premierVisible = textEdit->cursorForPosition(QPoint(0, 0)).position();
    int visible = premierVisible;
    document->setPageSize(QSizeF(0, 0));
    {
        EtapeAnnulation etape(textEdit);
        QTextCursor curseur(document);
        // How far the replacements made so far have moved the text, measured on
        // the text as inserted.
        qsizetype decalage = 0;
        for (const Remplacement &remplacement : std::as_const(remplacements)) {
            const int debut = int(remplacement.debut + decalage);
            curseur.setPosition(debut);
            curseur.setPosition(debut + int(remplacement.longueur), QTextCursor::KeepAnchor);
            if (remplacement.par.isEmpty())
                curseur.removeSelectedText();
            else
                curseur.insertText(remplacement.par);
            const int ecart = curseur.position() - debut - int(remplacement.longueur);
            decalage += ecart;
            if (remplacement.debut + remplacement.longueur <= premierVisible)
                visible += ecart;
        }
        textEdit->setTextCursor(curseur);
    }
    // F3 then goes on one character further than an empty last match, as here.
    if (remplacements.constLast().longueur == 0) {
        apresVide = textEdit->textCursor().position();
        revisionApresVide = document->revision();
    }
    document->setPageSize(page);
    gardeEnHaut(visible);
    return remplacements.size();
}

// Scrolls the view so that the block holding position is at its top while the
// document is being laid out afresh: the layout runs at once only down to the
// view's bottom, so the scroll bar's range, which grows with the layout, always
// holds the view; it is widened here before the layout next reports its size.
void KalTextEdit::gardeEnHaut(int position)
{
    QAbstractTextDocumentLayout *mise = textEdit->document()->documentLayout();
    QTextBlock bloc = textEdit->document()->findBlock(position);
    const int haut = qRound(mise->blockBoundingRect(bloc).top());
    const int bas = haut + textEdit->viewport()->height();
    while (bloc.isValid() && mise->blockBoundingRect(bloc).bottom() < bas)
        bloc = bloc.next();
    QScrollBar *barre = textEdit->verticalScrollBar();
    barre->setMaximum(qMax(barre->maximum(), haut));
    barre->setValue(haut);
}

void KalTextEdit::slotFileQuit()
{
    close();
}

void KalTextEdit::slotEditAnnuler()
{
    textEdit->document()->undo();
}

void KalTextEdit::slotEditRefaire()
{
    textEdit->document()->redo();
}

void KalTextEdit::slotEditCut()
{
    textEdit->cut();
}

void KalTextEdit::slotEditCopy()
{
    textEdit->copy();
}

void KalTextEdit::slotEditPaste()
{
    textEdit->paste();
}
