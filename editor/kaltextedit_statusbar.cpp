// Status bar, view toggles, editor font and insert/overwrite mode.

#include "kaltextedit.h"

#include "colonnes.h"
#include "labelcliquable.h"
#include "montextedit.h"

#include <QFontDialog>
#include <QLabel>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolBar>

void KalTextEdit::createStatusBar()
{
    // The preview's notices (see slotAppelleLisorel), at the left. Added before any
    // message: a widget added while a message shows stays hidden for good.
    auto *annonce = new QLabel(statusBar());
    annonce->setObjectName(QStringLiteral("annonceApercu"));
    // Cut on a narrow window rather than widen it.
    annonce->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(annonce, 1);

    statusBar()->showMessage(QStringLiteral("Prêt."), 2000);

    labelPosition = new QLabel(QStringLiteral("Ligne 1, col. 1"), statusBar());
    labelPosition->setObjectName(QStringLiteral("labelPosition"));
    // Its text changes at every keystroke: a label whose size follows its text
    // would have the status bar and the window laid out again each time, where a
    // label of fixed size is only repainted. slotMaJPosition widens it as needed.
    labelPosition->setFixedSize(labelPosition->sizeHint());
    statusBar()->addPermanentWidget(labelPosition, 0);

    // The blanks are part of the texts: they give the labels their widths.
    labelAlignement = new QLabel(QString(9, QLatin1Char(' ')), statusBar());
    labelAlignement->setObjectName(QStringLiteral("labelAlignement"));
    statusBar()->addPermanentWidget(labelAlignement, 0);

    labelInsertion = new QLabel(QStringLiteral("INS"), statusBar());
    labelInsertion->setObjectName(QStringLiteral("labelInsertion"));
    statusBar()->addPermanentWidget(labelInsertion, 0);

    labelModif = new QLabel(QString(21, QLatin1Char(' ')), statusBar());
    labelModif->setObjectName(QStringLiteral("labelModif"));
    statusBar()->addPermanentWidget(labelModif, 0);

    // Its text and its tooltip, the document's encoding and what the page declares,
    // are given with the encoding (adopteEncodage).
    auto *encodage = new LabelCliquable(statusBar());
    encodage->setObjectName(QStringLiteral("labelEncodage"));
    encodage->setCursor(Qt::PointingHandCursor);
    connect(encodage, &LabelCliquable::clicked, this, &KalTextEdit::slotMenuEncodage);
    labelEncodage = encodage;
    statusBar()->addPermanentWidget(labelEncodage, 0);

    // Its text, the document's line ends, is given with them (adopteFinsDeLigne).
    auto *finsDeLigne = new LabelCliquable(statusBar());
    finsDeLigne->setObjectName(QStringLiteral("labelFinsDeLigne"));
    finsDeLigne->setToolTip(
        QStringLiteral("Fins de ligne du document\u00a0: cliquez pour les changer"));
    finsDeLigne->setCursor(Qt::PointingHandCursor);
    connect(finsDeLigne, &LabelCliquable::clicked, this, &KalTextEdit::slotMenuFinsDeLigne);
    labelFinsDeLigne = finsDeLigne;
    statusBar()->addPermanentWidget(labelFinsDeLigne, 0);
}

void KalTextEdit::slotMaJStatusBarreInfoModif(bool m)
{
    if (m)
        labelModif->setText(tr(" document modifé "));
    else
        labelModif->setText(QString(31, QLatin1Char(' ')));
}

// Runs at every keystroke: the cursor's block number costs no more on a large
// document than on a small one, its column (in characters, as HTML Tidy counts
// them) as much as its line. The label grows when a text needs more room and
// never shrinks, so that it is laid out again only when the numbers get a digit
// more than they ever had.
void KalTextEdit::slotMaJPosition()
{
    const QTextCursor cursor = textEdit->textCursor();
    labelPosition->setText(
        QStringLiteral("Ligne %1, col. %2")
            .arg(cursor.blockNumber() + 1)
            .arg(Colonnes::colonne(cursor.block().text(), cursor.positionInBlock())));
    const int largeur = labelPosition->sizeHint().width();
    if (largeur > labelPosition->minimumWidth())
        labelPosition->setFixedWidth(largeur);
}

void KalTextEdit::slotInsertRewrite()
{
    // The widget's own mode decides, not the label.
    if (!textEdit->overwriteMode()) {
        labelInsertion->setText(tr(" RFP "));
        textEdit->setOverwriteMode(true);
    } else {
        labelInsertion->setText(tr(" INS "));
        textEdit->setOverwriteMode(false);
    }
}

void KalTextEdit::slotViewToolBar(bool toggle)
{
    toolBar->setVisible(toggle);
}

void KalTextEdit::slotViewToolBarB(bool toggle)
{
    toolBarB->setVisible(toggle);
}

void KalTextEdit::slotViewStatusBar(bool toggle)
{
    statusBar()->setVisible(toggle);
    statusBar()->showMessage(tr("Prêt."));
}

void KalTextEdit::applyEditorFont()
{
    // Source text needs no ligatures or kerning: skipping text shaping is most of
    // what it costs to lay out a large document.
    editorFont.setStyleStrategy(QFont::PreferNoShaping);
    textEdit->setFont(editorFont);
}

void KalTextEdit::slotPoliceEditeur()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, editorFont, nullptr);
    if (!ok)
        return;
    editorFont = font;
    applyEditorFont();
    optionsModifiees = true;
}
