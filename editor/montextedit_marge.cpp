// The margin of line numbers at the left of the editing widget, and going to a line.

#include "montextedit.h"

#include "colonnes.h"

#include <QAbstractTextDocumentLayout>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

#include <cmath>

// The margin, beside the viewport; the editing widget paints it.
class MargeNumeros : public QWidget
{
public:
    explicit MargeNumeros(monQTextEdit *edit)
        : QWidget(edit)
        , edit(edit)
    { }

protected:
    void paintEvent(QPaintEvent *event) override { edit->peintMarge(event); }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            edit->selectionneLignesMarge(qRound(event->position().y()), false,
                                         event->modifiers() & Qt::ShiftModifier);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (event->buttons() & Qt::LeftButton)
            edit->selectionneLignesMarge(qRound(event->position().y()), true, false);
    }

private:
    monQTextEdit *edit;
};

void monQTextEdit::creeMarge()
{
    margeNumeros = new MargeNumeros(this);
    margeNumeros->setObjectName(QStringLiteral("margeNumeros"));
    connect(document(), &QTextDocument::blockCountChanged, this, [this] { majMarge(); });
    // The numbers move with the text: when it scrolls, and when the layout changes
    // (a line wraps or stops wrapping, lines come or go).
    connect(verticalScrollBar(), &QScrollBar::valueChanged, margeNumeros,
            qOverload<>(&QWidget::update));
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::update, margeNumeros,
            qOverload<>(&QWidget::update));
    connect(this, &QTextEdit::cursorPositionChanged, margeNumeros, [this] {
        const int ligne = textCursor().blockNumber();
        if (ligne != ligneCourante) {
            ligneCourante = ligne;
            margeNumeros->update();
        }
    });
    majMarge(true);
}

bool monQTextEdit::numerosLigne() const
{
    return !margeNumeros->isHidden();
}

// The text is laid out again at the new width: the view keeps its first line.
void monQTextEdit::setNumerosLigne(bool on)
{
    const Place avant = place();
    margeNumeros->setVisible(on);
    majMarge(true);
    retrouvePlace(avant);
}

void monQTextEdit::setRetourLigne(bool on)
{
    const Place avant = place();
    setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    retrouvePlace(avant);
}

monQTextEdit::Place monQTextEdit::place() const
{
    const int position = cursorForPosition(QPoint(0, 0)).position();
    const QTextBlock bloc = document()->findBlock(position);
    const QTextLayout *layout = bloc.layout();
    qreal haut = hautDe(bloc);
    if (layout && layout->lineCount() > 0)
        haut += layout->lineForTextPosition(position - bloc.position()).y();
    return {position, verticalScrollBar()->value() - haut,
            viewport()->rect().intersects(cursorRect())};
}

// The line of the first character that was in view goes back to the top, as far
// down it as it was; the cursor, when it was in view, stays in view.
void monQTextEdit::retrouvePlace(const Place &place)
{
    const QTextBlock bloc = document()->findBlock(place.position);
    if (!bloc.isValid())
        return;
    // Asking for the rectangle lays the text out down to it.
    qreal haut = document()->documentLayout()->blockBoundingRect(bloc).top();
    const QTextLayout *layout = bloc.layout();
    if (layout && layout->lineCount() > 0) {
        const QTextLine ligne = layout->lineForTextPosition(place.position - bloc.position());
        haut += ligne.y() + qBound<qreal>(0, place.decalage, ligne.height() - 1);
    }
    defile(bloc, qRound(haut));
    if (place.curseurVu && !viewport()->rect().intersects(cursorRect()))
        ensureCursorVisible();
}

QWidget *monQTextEdit::marge() const
{
    return margeNumeros;
}

int monQTextEdit::largeurMarge() const
{
    const QFontMetrics mesures = fontMetrics();
    return mesures.horizontalAdvance(QLatin1Char('9')) * chiffresMarge
        + mesures.horizontalAdvance(QLatin1Char(' ')) * 2;
}

// The margin is as wide as the number of the last line needs, in the editor's font.
void monQTextEdit::majMarge(bool force)
{
    const int chiffres = int(QString::number(document()->blockCount()).size());
    if (chiffres == chiffresMarge && !force)
        return;
    chiffresMarge = chiffres;
    setViewportMargins(numerosLigne() ? largeurMarge() : 0, 0, 0, 0);
    placeMarge();
    margeNumeros->update();
}

void monQTextEdit::placeMarge()
{
    const QRect vue = viewport()->geometry();
    margeNumeros->setGeometry(contentsRect().left(), vue.top(), largeurMarge(), vue.height());
}

void monQTextEdit::resizeEvent(QResizeEvent *e)
{
    QTextEdit::resizeEvent(e);
    paginer();
    placeMarge();
}

// Where a block begins, in the text's coordinates: read from its layout, and only
// a block that has none yet is laid out.
qreal monQTextEdit::hautDe(const QTextBlock &bloc) const
{
    const QTextLayout *layout = bloc.layout();
    return layout && layout->lineCount() > 0
        ? layout->position().y()
        : document()->documentLayout()->blockBoundingRect(bloc).top();
}

// The first block in view, found from the one of the last paint, step by step: a
// scroll of a page or two is a few dozen steps, each cheaper than the layout's hit
// test. After a long jump, the hit test finds the place, once the text is laid out
// (while it is still being laid out, the hit test may answer a block far off, and
// the nearer of the two starts is taken).
QTextBlock monQTextEdit::premierBlocVu() const
{
    const int haut = verticalScrollBar()->value();
    const int hauteur = viewport()->height();
    // Where it began may be past the end of a text made shorter since.
    QTextBlock bloc = document()->findBlock(premierVu);
    if (!bloc.isValid())
        bloc = document()->lastBlock();
    if (qAbs(hautDe(bloc) - haut) > 50 * hauteur) {
        const QTextBlock trouve = cursorForPosition(QPoint(0, 0)).block();
        if (qAbs(hautDe(trouve) - haut) < qAbs(hautDe(bloc) - haut))
            bloc = trouve;
    }
    while (bloc.previous().isValid() && hautDe(bloc) > haut)
        bloc = bloc.previous();
    while (bloc.next().isValid() && hautDe(bloc.next()) <= haut)
        bloc = bloc.next();
    premierVu = bloc.position();
    return bloc;
}

// From the first block in view to the last, each block's number at its first
// line: the cost follows the height of the view, not the length of the text. It
// runs at each keystroke and each scroll.
QList<monQTextEdit::NumeroAffiche> monQTextEdit::numerosAffiches() const
{
    const int haut = verticalScrollBar()->value();
    const int hauteur = viewport()->height();
    QTextBlock bloc = premierBlocVu();

    QList<NumeroAffiche> numeros;
    const qreal largeur = largeurMarge() - fontMetrics().horizontalAdvance(QLatin1Char(' '));
    const int courant = textCursor().blockNumber() + 1;
    for (int numero = bloc.blockNumber() + 1; bloc.isValid(); bloc = bloc.next(), ++numero) {
        const qreal y = hautDe(bloc) - haut;
        if (y >= hauteur)
            break;
        const QTextLayout *layout = bloc.layout();
        if (!bloc.isVisible() || !layout || layout->lineCount() == 0)
            continue;
        const QTextLine premiere = layout->lineAt(0);
        numeros.append(
            {numero, QRectF(0, y + premiere.y(), largeur, premiere.height()), numero == courant});
    }
    return numeros;
}

namespace {

// Relative luminance and contrast ratio, as the Web Content Accessibility
// Guidelines reckon them.
qreal luminance(const QColor &couleur)
{
    const auto lineaire
        = [](qreal c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    const QColor rgb = couleur.toRgb();
    return 0.2126 * lineaire(rgb.redF()) + 0.7152 * lineaire(rgb.greenF())
        + 0.0722 * lineaire(rgb.blueF());
}

qreal contraste(const QColor &a, const QColor &b)
{
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor melange(const QColor &a, const QColor &b, qreal part)
{
    const QColor ra = a.toRgb();
    const QColor rb = b.toRgb();
    return QColor::fromRgbF(float(ra.redF() + (rb.redF() - ra.redF()) * part),
                            float(ra.greenF() + (rb.greenF() - ra.greenF()) * part),
                            float(ra.blueF() + (rb.blueF() - ra.blueF()) * part));
}

// Readable numbers are at least 4.5 times as bright as the background, or as dark:
// some room is kept for the rounding of the colours to whole values.
constexpr qreal contrasteNumeros = 5.0;

} // namespace

// The cursor line's number in the text's colour, or black or white when that is
// too pale on the background; the others lighter, as far as they stay readable.
monQTextEdit::CouleursMarge monQTextEdit::couleursMarge() const
{
    CouleursMarge couleurs;
    couleurs.fond = palette().color(QPalette::Window);
    couleurs.courant = palette().color(QPalette::Active, QPalette::Text);
    if (contraste(couleurs.courant, couleurs.fond) < 7) {
        const QColor noir(Qt::black);
        const QColor blanc(Qt::white);
        couleurs.courant
            = contraste(noir, couleurs.fond) >= contraste(blanc, couleurs.fond) ? noir : blanc;
    }
    // The lightest mix of the two that is readable enough, found by halves.
    qreal lisible = 0;
    qreal pale = 1;
    for (int i = 0; i < 16; ++i) {
        const qreal part = (lisible + pale) / 2;
        if (contraste(melange(couleurs.courant, couleurs.fond, part), couleurs.fond)
            >= contrasteNumeros)
            lisible = part;
        else
            pale = part;
    }
    couleurs.numero = melange(couleurs.courant, couleurs.fond, lisible);
    return couleurs;
}

void monQTextEdit::peintMarge(QPaintEvent *event)
{
    const CouleursMarge couleurs = couleursMarge();
    QPainter painter(margeNumeros);
    painter.fillRect(event->rect(), couleurs.fond);
    QFont gras = font();
    gras.setBold(true);
    const QRectF zone = event->rect();
    for (const NumeroAffiche &ligne : numerosAffiches()) {
        if (ligne.rect.bottom() < zone.top() || ligne.rect.top() > zone.bottom())
            continue;
        painter.setPen(ligne.courant ? couleurs.courant : couleurs.numero);
        painter.setFont(ligne.courant ? gras : font());
        painter.drawText(ligne.rect, Qt::AlignRight | Qt::AlignTop, QString::number(ligne.numero));
    }
}

// A click on a number selects its line, line break included, the cursor at the
// start of the next line; dragging stretches the selection over whole lines, from
// the line first clicked; Shift and a click, from the line of the selection's anchor.
void monQTextEdit::selectionneLignesMarge(int y, bool glisse, bool etend)
{
    const int hauteur = viewport()->height();
    // Dragged past an end of the view: the text scrolls a line.
    if (glisse && (y < 0 || y >= hauteur)) {
        QScrollBar *barre = verticalScrollBar();
        barre->setValue(barre->value() + (y < 0 ? -1 : 1) * fontMetrics().height());
    }
    const QTextBlock bloc = cursorForPosition(QPoint(0, qBound(0, y, hauteur - 1))).block();
    if (etend)
        ligneAncreMarge = document()->findBlock(textCursor().anchor()).blockNumber();
    else if (!glisse)
        ligneAncreMarge = bloc.blockNumber();
    const QTextBlock ancre = document()->findBlockByNumber(ligneAncreMarge);
    if (!bloc.isValid() || !ancre.isValid())
        return;
    const auto finAvecSaut = [](const QTextBlock &b) {
        return b.next().isValid() ? b.next().position() : b.position() + b.length() - 1;
    };
    QTextCursor cursor(document());
    if (bloc.blockNumber() >= ancre.blockNumber()) {
        cursor.setPosition(ancre.position());
        cursor.setPosition(finAvecSaut(bloc), QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(finAvecSaut(ancre));
        cursor.setPosition(bloc.position(), QTextCursor::KeepAnchor);
    }
    setTextCursor(cursor);
    setFocus(Qt::MouseFocusReason);
}

// A line far down a page that is still being laid out has no place yet: asking
// for its rectangle lays the text out down to it, at once.
void monQTextEdit::atteindreLigne(int numero, int colonne)
{
    const QTextBlock bloc
        = document()->findBlockByNumber(qBound(1, numero, document()->blockCount()) - 1);
    const QRectF rect = document()->documentLayout()->blockBoundingRect(bloc);
    const qreal ligne = bloc.layout() && bloc.layout()->lineCount() > 0
        ? bloc.layout()->lineAt(0).height()
        : fontMetrics().height();
    defile(bloc, qRound(rect.top() - (viewport()->height() - ligne) / 2));
    QTextCursor cursor(bloc);
    cursor.setPosition(bloc.position() + int(Colonnes::position(bloc.text(), colonne)));
    setTextCursor(cursor);
}

// Puts the top of the view at haut, or as near as the ends of the text allow, bloc
// being the block there. The text that the view will show below it is laid out
// first; the scroll bar learns the new height of the text only when the layout
// next reports it: it is widened here, so that the view can go there now.
void monQTextEdit::defile(const QTextBlock &bloc, int haut)
{
    QAbstractTextDocumentLayout *mise = document()->documentLayout();
    const int vue = viewport()->height();
    // When the bottom of the view is the end of the text, the scroll bar's end is
    // known: the range the widget gave it while the layout was running may be another.
    qreal bas = mise->blockBoundingRect(bloc).bottom();
    QTextBlock suite = bloc.next();
    for (; suite.isValid() && bas < haut + vue; suite = suite.next())
        bas = mise->blockBoundingRect(suite).bottom();
    const bool finDuTexte = !suite.isValid();
    if (finDuTexte)
        bas += document()->documentMargin();
    const int fin = qMax(0, qCeil(qMax(mise->documentSize().height(), bas)) - vue);
    QScrollBar *barre = verticalScrollBar();
    barre->setMaximum(finDuTexte ? fin : qMax(barre->maximum(), fin));
    barre->setValue(qBound(0, haut, fin));
}
