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
#include <QPushButton>
#include <QSpinBox>
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

// Asks for a line number, from 1 to the number of lines, the cursor's line
// offered; a rejected dialog changes nothing.
void KalTextEdit::slotAtteindreLigne()
{
    const int lignes = textEdit->document()->blockCount();
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("DlgAtteindreLigne"));
    dialog.setWindowTitle(QStringLiteral("Marlisse - Atteindre la ligne"));
    auto *numero = new QSpinBox(&dialog);
    numero->setObjectName(QStringLiteral("spbLigne"));
    numero->setRange(1, lignes);
    numero->setValue(textEdit->textCursor().blockNumber() + 1);
    numero->selectAll();
    auto *label = new QLabel(tr("&Numéro de ligne (1 à %1)\u00a0:").arg(lignes), &dialog);
    label->setBuddy(numero);
    auto *boutons = new QDialogButtonBox(&dialog);
    QPushButton *ok = boutons->addButton(tr("Ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("buttonOk"));
    ok->setDefault(true);
    boutons->addButton(tr("Annuler"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("buttonCancel"));
    connect(boutons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(boutons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(numero);
    layout->addWidget(boutons);
    numero->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return;
    // A line far down a large page may have to be laid out first.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    textEdit->atteindreLigne(numero->value());
    QGuiApplication::restoreOverrideCursor();
}
