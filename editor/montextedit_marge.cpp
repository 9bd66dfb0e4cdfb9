// The margin of line numbers at the left of the editing widget, and going to a line.

#include "montextedit.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

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

void monQTextEdit::setNumerosLigne(bool on)
{
    margeNumeros->setVisible(on);
    majMarge(true);
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

void monQTextEdit::peintMarge(QPaintEvent *event)
{
    QPainter painter(margeNumeros);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setFont(font());
    const QColor gris = palette().color(QPalette::Disabled, QPalette::Text);
    const QColor fonce = palette().color(QPalette::Active, QPalette::Text);
    const QRectF zone = event->rect();
    for (const NumeroAffiche &ligne : numerosAffiches()) {
        if (ligne.rect.bottom() < zone.top() || ligne.rect.top() > zone.bottom())
            continue;
        painter.setPen(ligne.courant ? fonce : gris);
        painter.drawText(ligne.rect, Qt::AlignRight | Qt::AlignTop, QString::number(ligne.numero));
    }
}

// A line far down a page that is still being laid out has no place yet: asking
// for its rectangle lays the text out down to it, at once, and the text that the
// view will show below it too. The scroll bar learns the new height of the text
// only when the layout next reports it; it is widened here, so that the line can
// be brought to the middle of the view now, or as near it as the end of the text
// allows.
void monQTextEdit::atteindreLigne(int numero)
{
    QAbstractTextDocumentLayout *mise = document()->documentLayout();
    const QTextBlock bloc
        = document()->findBlockByNumber(qBound(1, numero, document()->blockCount()) - 1);
    const QRectF rect = mise->blockBoundingRect(bloc);
    const qreal ligne = bloc.layout() && bloc.layout()->lineCount() > 0
        ? bloc.layout()->lineAt(0).height()
        : fontMetrics().height();
    const int vue = viewport()->height();
    const int haut = qRound(rect.top() - (vue - ligne) / 2);
    // The bottom of the text that the view will show, laid out. When it is the end of
    // the text, the scroll bar's end is known: the range the widget gave it while the
    // layout was running may be another.
    qreal bas = rect.bottom();
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
    setTextCursor(QTextCursor(bloc));
}
