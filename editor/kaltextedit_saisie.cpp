// The typing aids of the editor window: closing tags, completion, line numbers,
// going to a line.

#include "kaltextedit.h"

#include "montextedit.h"
#include "reglages.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

// Only an HTML document gets closing tags; the choice is kept for the next runs.
void KalTextEdit::slotFermerBalises(bool on)
{
    Reglages::setFermerBalises(on);
    textEdit->setFermetureBalises(on && isHtml);
}

// Names are offered only in an HTML document, as they are typed while the choice
// (kept for the next runs) is on, and at Ctrl+Space whatever it is.
void KalTextEdit::slotCompletion(bool on)
{
    Reglages::setCompletion(on);
    textEdit->setCompletion(isHtml, on);
}

void KalTextEdit::slotCompleterNom()
{
    textEdit->completeNom();
}

void KalTextEdit::slotViewNumerosLigne(bool on)
{
    Reglages::setNumerosLigne(on);
    textEdit->setNumerosLigne(on);
}

// Asks for a line, or a line and a column, the cursor's line offered. Any number
// is taken, a line past the last giving the last; the box refuses anything else
// and says why, and stays open. A rejected dialog changes nothing.
void KalTextEdit::slotAtteindreLigne()
{
    const int lignes = textEdit->document()->blockCount();
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("DlgAtteindreLigne"));
    dialog.setWindowTitle(QStringLiteral("Marlisse - Atteindre la ligne"));
    auto *saisie = new QLineEdit(&dialog);
    saisie->setObjectName(QStringLiteral("lineEditLigne"));
    saisie->setText(QString::number(textEdit->textCursor().blockNumber() + 1));
    saisie->selectAll();
    auto *label
        = new QLabel(tr("&Numéro de ligne (1 à %1), ou ligne:colonne\u00a0:").arg(lignes), &dialog);
    label->setBuddy(saisie);
    auto *refus = new QLabel(&dialog);
    refus->setObjectName(QStringLiteral("labelRefus"));
    refus->setWordWrap(true);
    refus->setStyleSheet(QStringLiteral("color: #a40000"));
    refus->hide();
    auto *boutons = new QDialogButtonBox(&dialog);
    QPushButton *ok = boutons->addButton(tr("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("buttonOk"));
    ok->setDefault(true);
    boutons->addButton(tr("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("buttonCancel"));
    Blocs::Destination destination;
    connect(boutons, &QDialogButtonBox::accepted, &dialog, [&] {
        destination = Blocs::lisDestination(saisie->text(), lignes);
        if (destination.refus.isEmpty()) {
            dialog.accept();
            return;
        }
        refus->setText(destination.refus);
        refus->show();
        // The box grows to show the whole message.
        dialog.adjustSize();
        saisie->selectAll();
        saisie->setFocus();
    });
    connect(boutons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(saisie);
    layout->addWidget(refus);
    layout->addWidget(boutons);
    saisie->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A line far down a large page may have to be laid out first.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    textEdit->atteindreLigne(destination.ligne, destination.colonne);
    QGuiApplication::restoreOverrideCursor();
}
