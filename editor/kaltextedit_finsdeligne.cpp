// The document's line ends: their status-bar label and the label's menu.

#include "kaltextedit.h"

#include "montextedit.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QTextDocument>

void KalTextEdit::adopteFinsDeLigne(LineEnds::Convention convention)
{
    finsDeLigne = convention;
    labelFinsDeLigne->setText(LineEnds::label(convention));
}

void KalTextEdit::slotMenuFinsDeLigne()
{
    if (!finsDeLigneMenu) {
        finsDeLigneMenu = new QMenu(QStringLiteral("Fins de ligne"), this);
        finsDeLigneMenu->setObjectName(QStringLiteral("finsDeLigneMenu"));
        finsDeLigneMenu->addSection(QStringLiteral("Fins de ligne"));
        auto *group = new QActionGroup(finsDeLigneMenu);
        const struct
        {
            LineEnds::Convention convention;
            const char *systemes;
        } choix[] = {{LineEnds::Convention::LF, "Linux, macOS"},
                     {LineEnds::Convention::CRLF, "Windows"},
                     {LineEnds::Convention::CR, "ancien Mac OS"}};
        for (const auto &[convention, systemes] : choix) {
            const QString label = LineEnds::label(convention);
            QAction *action = finsDeLigneMenu->addAction(
                QStringLiteral("%1 (%2)").arg(label, QLatin1String(systemes)));
            action->setObjectName(QStringLiteral("finsDeLigneAct ") + label);
            action->setData(label);
            action->setCheckable(true);
            action->setStatusTip(
                QStringLiteral("Enregistre désormais le document avec des fins de ligne %1")
                    .arg(label));
            group->addAction(action);
        }
        connect(finsDeLigneMenu, &QMenu::triggered, this, &KalTextEdit::slotFinsDeLigne);
    }
    const QString current = LineEnds::label(finsDeLigne);
    for (QAction *action : finsDeLigneMenu->actions())
        action->setChecked(action->data().toString() == current);
    // Above the label, at the bottom of the window.
    const QPoint corner = labelFinsDeLigne->mapToGlobal(QPoint(0, 0));
    finsDeLigneMenu->popup(QPoint(corner.x(), corner.y() - finsDeLigneMenu->sizeHint().height()));
}

// The next saves write the chosen line ends: the file changes at the next save,
// so the document counts as modified until then. The change is no step of the
// text's history, so no undo may take the document back to its saved state: the
// document forgets which state that was (setModified(false) then true). It says
// so once, modified, which makes the journal keep the new line ends too.
void KalTextEdit::slotFinsDeLigne(QAction *action)
{
    const auto convention = LineEnds::fromLabel(action->data().toString());
    if (!convention || *convention == finsDeLigne)
        return;
    adopteFinsDeLigne(*convention);
    QTextDocument *document = textEdit->document();
    {
        const QSignalBlocker silence(document);
        document->setModified(false);
    }
    document->setModified(true);
}
