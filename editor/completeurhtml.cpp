#include "completeurhtml.h"

#include "contextedocument.h"
#include "etapeannulation.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextEdit>

#include <algorithm>

using CompletionHtml::Contexte;
using CompletionHtml::Genre;

namespace {

// The characters of a character reference, as the list shows them beside its name.
constexpr int roleCaracteres = Qt::UserRole + 1;

// A blank, an invisible or a lone combining character is shown by its code point.
QString montreCaracteres(const QString &caracteres)
{
    QString texte;
    const QList<uint> points = caracteres.toUcs4();
    for (const uint point : points) {
        switch (QChar::category(char32_t(point))) {
        case QChar::Separator_Space:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
        case QChar::Other_Control:
        case QChar::Other_Format:
            return QStringLiteral("U+%1").arg(points.first(), 4, 16, QLatin1Char('0')).toUpper();
        default:
            break;
        }
    }
    // A combining mark alone is drawn on a dotted circle, as character tables do.
    if (!points.isEmpty() && QChar::isMark(char32_t(points.first())))
        texte += QChar(0x25CC);
    return texte + caracteres;
}

// The names, and for the character references the characters they stand for.
class ModeleNoms : public QStringListModel
{
public:
    using QStringListModel::QStringListModel;

    bool entites = false;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != roleCaracteres)
            return QStringListModel::data(index, role);
        if (!entites)
            return QString();
        return montreCaracteres(
            CompletionHtml::caracteres(QStringListModel::data(index, Qt::EditRole).toString()));
    }
};

// Draws a name, and at the right of the row the characters it stands for.
class DelegueNom : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const QString caracteres = index.data(roleCaracteres).toString();
        if (caracteres.isEmpty())
            return;
        painter->save();
        painter->setPen(option.palette.color(
            option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const int marge = option.fontMetrics.horizontalAdvance(QLatin1Char(' '));
        painter->drawText(option.rect.adjusted(marge, 0, -marge, 0),
                          Qt::AlignRight | Qt::AlignVCenter, caracteres);
        painter->restore();
    }
};

} // namespace

CompleteurHtml::CompleteurHtml(QTextEdit *edit, ContexteDocument *lexique)
    : QObject(edit)
    , edit(edit)
    , lexique(lexique)
    , completeur(new QCompleter(this))
    , modele(new ModeleNoms(this))
{
    auto *liste = new QListView;
    liste->setObjectName(QStringLiteral("listeCompletion"));
    // One height for every row: a list of 2,000 names is not measured row by row.
    liste->setUniformItemSizes(true);
    liste->setEditTriggers(QAbstractItemView::NoEditTriggers);
    liste->setSelectionMode(QAbstractItemView::SingleSelection);
    liste->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    completeur->setWidget(edit);
    completeur->setModel(modele);
    completeur->setCompletionMode(QCompleter::PopupCompletion);
    completeur->setMaxVisibleItems(10);
    completeur->setWrapAround(false);
    completeur->setPopup(liste);
    // After setPopup(), which gives the list a delegate and a window kind of its own
    // (setModel() calls it again).
    liste->setItemDelegate(new DelegueNom(liste));
    // Not a popup window, which would take the keyboard: the editing widget keeps
    // every key, in the order typed, and hands the list its own (avantTouche()).
    liste->setWindowFlags(Qt::ToolTip);
    // A click in the list.
    connect(completeur, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) { accepte(index.data(Qt::EditRole).toString()); });
    // Installed after the completer's own filter, so called before it: that one keeps
    // the widget's focus-out from the others while the list is shown, as a popup needs.
    edit->installEventFilter(this);
    connect(edit, &QTextEdit::cursorPositionChanged, this, &CompleteurHtml::curseurDeplace);
    connect(edit->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &CompleteurHtml::curseurDeplace);
    connect(edit->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &CompleteurHtml::curseurDeplace);
}

// Anything but a key handled here leaves the list where it no longer belongs: a
// click in the text, a command, a scroll.
void CompleteurHtml::curseurDeplace()
{
    if (!enTouche)
        ferme();
}

bool CompleteurHtml::eventFilter(QObject *objet, QEvent *evenement)
{
    switch (evenement->type()) {
    case QEvent::FocusOut:
    case QEvent::WindowDeactivate:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
        ferme();
        break;
    default:
        break;
    }
    return QObject::eventFilter(objet, evenement);
}

void CompleteurHtml::setActif(bool html, bool pendantFrappe)
{
    this->html = html;
    automatique = pendantFrappe;
    if (!html)
        ferme();
}

bool CompleteurHtml::ouverte() const
{
    return ouverteVoulue;
}

// The list's window is shown, moved or hidden once the key is handled, from the
// event loop: on some platforms (the frame-buffer ones, VNC) showing or hiding a
// window delivers at once the keys that wait, which inside the handling of a key
// went into the text out of order.
void CompleteurHtml::planifie()
{
    if (planifiee)
        return;
    planifiee = true;
    QMetaObject::invokeMethod(this, &CompleteurHtml::applique, Qt::QueuedConnection);
}

void CompleteurHtml::applique()
{
    planifiee = false;
    QAbstractItemView *popup = completeur->popup();
    if (!ouverteVoulue || !edit->isVisible()) {
        popup->hide();
        return;
    }
    // Under the name being typed, its first letter above the names'.
    QTextCursor debut = edit->textCursor();
    debut.setPosition(std::max(0, debut.position() - int(courant.prefixe.size())));
    QRect rect = edit->cursorRect(debut);
    rect.translate(edit->viewport()->mapTo(edit, QPoint(0, 0)));
    rect.setWidth(largeur);
    const QModelIndex choix = popup->currentIndex();
    completeur->complete(rect);
    popup->setCurrentIndex(choix);
}

void CompleteurHtml::ferme()
{
    ouverteVoulue = false;
    planifie();
}

void CompleteurHtml::ouvre()
{
    if (!html)
        return;
    const Contexte contexte = contexteAuCurseur();
    if (contexte.genre != Genre::Aucune)
        montre(contexte);
}

bool CompleteurHtml::avantTouche(QKeyEvent *e)
{
    const Qt::KeyboardModifiers modificateurs = e->modifiers() & ~Qt::KeypadModifier;
    const bool demande = e->key() == Qt::Key_Space && modificateurs == Qt::ControlModifier;
    enTouche = true;
    if (!ouverte()) {
        if (!demande || !html)
            return false;
        enTouche = false;
        ouvre();
        return true;
    }
    const bool prise = prendTouche(e, modificateurs, demande);
    enTouche = !prise;
    return prise;
}

bool CompleteurHtml::prendTouche(QKeyEvent *e, Qt::KeyboardModifiers modificateurs, bool demande)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        // A name typed in full already: the key is the text's (a line break, a tab).
        if (modificateurs == Qt::NoModifier && !ajoutChoisi().isEmpty()) {
            accepte(choisi());
            return true;
        }
        ferme();
        return false;
    case Qt::Key_Escape:
        ferme();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        // The cursor moved inside or away from the name: a name accepted there would
        // go in front of the rest of the word, and a Return meant for the text.
        ferme();
        return false;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // The list's own keys: the widget has the keyboard, and hands them over.
        if (modificateurs != Qt::NoModifier)
            break;
        QCoreApplication::sendEvent(completeur->popup(), e);
        return true;
    default:
        break;
    }
    if (demande)
        return true;
    // A shortcut, a move of the cursor: the widget's, and the list follows after.
    if (modificateurs & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const QString texte = e->text();
    if (std::any_of(texte.cbegin(), texte.cend(), [this](QChar c) {
            return c.isPrint() && !CompletionHtml::caractereDeNom(courant.genre, c);
        }))
        ferme();
    return false;
}

void CompleteurHtml::apresTouche(QKeyEvent *e)
{
    enTouche = false;
    if (!html)
        return;
    if (ouverte()) {
        const Contexte contexte = contexteAuCurseur();
        if (contexte.genre == courant.genre && contexte.element == courant.element
            && contexte.attribut == courant.attribut)
            montre(contexte);
        else
            ferme();
        return;
    }

    // Opens by itself at the first character of a name: a look at the two characters
    // before the cursor first, so that most keys cost nothing more.
    const QString texte = e->text();
    if (!automatique || texte.size() != 1
        || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return;
    const QTextCursor cursor = edit->textCursor();
    const int position = cursor.position();
    const QTextDocument *document = edit->document();
    const QChar tape = texte.front();
    if (cursor.hasSelection() || position < 2 || document->characterAt(position - 1) != tape)
        return;
    const QChar avant = document->characterAt(position - 2);
    const bool guillemet = tape == u'"' || tape == u'\'';
    if (guillemet ? avant != u'=' : !tape.isLetterOrNumber())
        return;
    // After "<", "&" or a blank; isSpace() takes in the block break too.
    if (!guillemet && avant != u'<' && avant != u'&' && !avant.isSpace())
        return;
    const Contexte contexte = contexteAuCurseur();
    if (guillemet ? contexte.genre == Genre::Valeur && contexte.prefixe.isEmpty()
                  : contexte.genre != Genre::Aucune && contexte.prefixe.size() == 1)
        montre(contexte);
}

// The text before the cursor is read in two steps: the few thousand characters
// where the name's tag or reference may start, then, only when there is one, what
// that start stands in (a comment or a script of any length).
Contexte CompleteurHtml::contexteAuCurseur() const
{
    const auto texte = [this](int debut, int fin) {
        QTextCursor cursor(edit->document());
        cursor.setPosition(std::max(0, debut));
        cursor.setPosition(fin, QTextCursor::KeepAnchor);
        return cursor.selectedText();
    };
    const int position = edit->textCursor().position();
    const Contexte contexte
        = CompletionHtml::nomAuCurseur(texte(position - CompletionHtml::limiteBalise, position));
    if (contexte.genre == Genre::Aucune
        || !CompletionHtml::offert(contexte.genre,
                                   lexique->etatA(std::max(0, position - contexte.recul))))
        return {};
    return contexte;
}

void CompleteurHtml::montre(const Contexte &contexte)
{
    const QStringList noms = CompletionHtml::noms(contexte);
    // A name accepted would not replace a selection: none is offered beside one.
    if (noms.isEmpty() || edit->isReadOnly() || edit->textCursor().hasSelection()) {
        ferme();
        return;
    }
    courant = contexte;
    const QString liste
        = QString::number(int(contexte.genre)) + u' ' + contexte.element + u' ' + contexte.attribut;
    QAbstractItemView *popup = completeur->popup();
    if (liste != listeChargee || popup->font() != edit->font()) {
        const bool casse = CompletionHtml::casseSignificative(contexte.genre);
        static_cast<ModeleNoms *>(modele)->entites = contexte.genre == Genre::Entite;
        modele->setStringList(noms);
        completeur->setCaseSensitivity(casse ? Qt::CaseSensitive : Qt::CaseInsensitive);
        completeur->setModelSorting(casse ? QCompleter::CaseSensitivelySortedModel
                                          : QCompleter::CaseInsensitivelySortedModel);
        popup->setFont(edit->font());
        // As wide as the widest name and its characters, measured once per list and
        // font: 2,000 references take some milliseconds.
        const QString cle = liste + u' ' + edit->font().key();
        if (!largeurs.contains(cle)) {
            const QFontMetrics mesure(edit->font());
            int nom = 0;
            int caracteres = 0;
            for (int ligne = 0; ligne < modele->rowCount(); ++ligne) {
                const QModelIndex index = modele->index(ligne);
                nom = std::max(nom, mesure.horizontalAdvance(index.data().toString()));
                caracteres = std::max(
                    caracteres, mesure.horizontalAdvance(index.data(roleCaracteres).toString()));
            }
            largeurs.insert(
                cle,
                nom + (caracteres > 0 ? caracteres + 3 * mesure.horizontalAdvance(u' ') : 0)
                    + popup->verticalScrollBar()->sizeHint().width() + 2 * popup->frameWidth()
                    + 2 * mesure.horizontalAdvance(u' '));
        }
        largeur = largeurs.value(cle);
        listeChargee = liste;
    }
    completeur->setCompletionPrefix(contexte.prefixe);
    if (completeur->completionCount() == 0) {
        ferme();
        return;
    }
    popup->setCurrentIndex(completeur->completionModel()->index(0, 0));
    // The window moved or resized would leave the list behind.
    edit->window()->installEventFilter(this);
    ouverteVoulue = true;
    planifie();
}

QString CompleteurHtml::ajoutChoisi() const
{
    return ouverte() ? CompletionHtml::insertion(courant, choisi()) : QString();
}

QString CompleteurHtml::choisi() const
{
    return completeur->popup()->currentIndex().data(Qt::EditRole).toString();
}

void CompleteurHtml::accepte(const QString &nom)
{
    ferme();
    // Read again: a click may come when the text is no longer the list's.
    const Contexte contexte = contexteAuCurseur();
    if (contexte.genre != courant.genre)
        return;
    const QString texte = CompletionHtml::insertion(contexte, nom);
    if (texte.isEmpty())
        return;
    EtapeAnnulation etape(edit);
    QTextCursor cursor = edit->textCursor();
    cursor.clearSelection();
    cursor.insertText(texte);
    edit->setTextCursor(cursor);
}
