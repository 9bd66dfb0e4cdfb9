#include "montextedit.h"

#include "boitesmessage.h"
#include "completeurhtml.h"
#include "contextedocument.h"
#include "documentfile.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextDocumentFragment>

namespace {

// The text that a paste or a drop of source brings.
QString texteColle(const QMimeData *source)
{
    QString texte = source->hasText() ? source->text() : QString();
    // Some programs put only HTML on the clipboard: its text is what was copied.
    if (texte.isEmpty() && source->hasHtml())
        texte = QTextDocumentFragment::fromHtml(source->html()).toPlainText();
    // An image copied with the text stands as an object replacement character,
    // which means nothing in source text.
    texte.remove(QChar::ObjectReplacementCharacter);
    return texte;
}

// The toolkit lays a text out without pages as one page of 8,388,607 pixels, and
// never ends laying out a line that would pass the end of that page between
// events: some 400,000 lines froze the editor. Pages a little shorter end where
// it can go on; a line that would pass the end of one begins the next, a few
// pixels lower.
constexpr qreal hauteurPage = 8000000;

} // namespace

monQTextEdit::monQTextEdit(QWidget *parent)
    : QTextEdit(parent)
    , contexte(new ContexteDocument(document()))
{
    connect(document(), &QTextDocument::contentsChange, this, &monQTextEdit::suitModification);
    connect(this, &QTextEdit::cursorPositionChanged, this, &monQTextEdit::suitCurseur);
    connect(this, &QTextEdit::textChanged, this, &monQTextEdit::majPaire);
    // The widget lays the text out again without pages when its width changes, as
    // when a scroll bar comes or goes: pages are given back once that is done.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &monQTextEdit::paginer, Qt::QueuedConnection);
    creeMarge();
    majTabulations();
    completeur = new CompleteurHtml(this, contexte);
}

void monQTextEdit::keyPressEvent(QKeyEvent *e)
{
    // The list of names sees each key first, and what it did to the text after.
    if (completeur->avantTouche(e)) {
        e->accept();
        return;
    }
    const auto completion = qScopeGuard([this, e] { completeur->apresTouche(e); });
    // Return and Enter, with Shift or Ctrl too, make a new line of the file: the
    // widget's own line separator, which Shift+Return would insert, is saved as a
    // line feed and would make one line of the editor two of the file.
    const Qt::KeyboardModifiers autres
        = e->modifiers() & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier);
    const bool tapeChevron = fermeture && e->text() == QLatin1String(">");
    const bool tapeBarre = fermeture && e->text() == QLatin1String("/");
    if (!isReadOnly()) {
        retablitCurseur();
        reprendCompletion(e);
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && autres == Qt::NoModifier) {
            insereRetourLigne();
            e->accept();
            return;
        }
        if (toucheLignes(e)) {
            e->accept();
            return;
        }
        if (tapeChevron && fermeBaliseTapee()) {
            e->accept();
            return;
        }
    }

    // The widget handles every other key first; the window then switches its mode.
    // Shift+Insert and Ctrl+Insert are paste and copy, not the mode key.
    const int debut = textCursor().selectionStart();
    // What is typed right in front of a closing tag inserted for the user goes in
    // front of it, even in overwrite mode, which would eat it.
    if (overwriteMode() && !e->text().isEmpty() && e->text().front().isPrint()
        && devantFermetureAuto()) {
        setOverwriteMode(false);
        QTextEdit::keyPressEvent(e);
        setOverwriteMode(true);
    } else {
        QTextEdit::keyPressEvent(e);
    }
    if (e->key() == Qt::Key_Insert && !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)))
        emit insertKeyPressed();
    // A ">" that the widget inserted may end an opening tag.
    if (tapeChevron && textCursor().position() == debut + 1
        && document()->characterAt(debut) == QLatin1Char('>'))
        fermeBaliseOuvrante();
    // A "</" may call for the name of the element it closes.
    if (tapeBarre && textCursor().position() == debut + 1
        && document()->characterAt(debut) == QLatin1Char('/'))
        completeBaliseFermante();
}

void monQTextEdit::paginer()
{
    QTextDocument *doc = document();
    const QSizeF page = doc->pageSize();
    if (page.height() >= 0)
        return;
    QAbstractTextDocumentLayout *mise = doc->documentLayout();
    {
        // As the widget does when it lays the text out again: what the view shows
        // is laid out before the scroll bars hear of the new size, so that they do
        // not come and go on a text laid out only in part.
        const QSignalBlocker silence(mise);
        doc->setPageSize(QSizeF(page.width(), hauteurPage));
        mise->hitTest(QPointF(0, verticalScrollBar()->value() + viewport()->height()),
                      Qt::FuzzyHit);
    }
    emit mise->documentSizeChanged(QSizeF());
    viewport()->update();
}

void monQTextEdit::changeEvent(QEvent *e)
{
    QTextEdit::changeEvent(e);
    paginer();
    if (e->type() == QEvent::FontChange) {
        majTabulations();
        majMarge(true);
    }
}

bool monQTextEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText() || source->hasHtml();
}

void monQTextEdit::insertFromMimeData(const QMimeData *source)
{
    // The rich text that QTextEdit would take is refused: only its text comes in.
    const QString texte = texteColle(source);
    if (texte.isEmpty())
        return;
    // Past the limit the text's positions overflow: refused before anything changes.
    const QTextCursor curseur = textCursor();
    const qsizetype apres = document()->characterCount() - 1
        - (curseur.selectionEnd() - curseur.selectionStart()) + texte.size();
    if (apres > DocumentFile::maxCharacters) {
        avertissement(this, QStringLiteral("Marlisse"),
                      QStringLiteral("Le texte inséré (%1 caractères) ferait dépasser au document "
                                     "la limite de %2 caractères.\nIl n'a pas été inséré.")
                          .arg(QLocale().toString(texte.size()),
                               QLocale().toString(DocumentFile::maxCharacters)));
        return;
    }
    insertPlainText(texte);
}
