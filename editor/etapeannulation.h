#pragma once

#include <QAbstractUndoItem>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

// Makes one command one undo step of its own. The edit block gathers the
// command's insertions and keeps them apart from the text typed before; the
// empty undo item that closes the block stops Qt from merging the text typed
// right after the command into the same step. Guards nest: only the outermost
// one closes the step and scrolls the cursor into view.
class EtapeAnnulation
{
public:
    explicit EtapeAnnulation(QTextEdit *edit)
        : edit(edit)
        , bloc(edit->textCursor())
    {
        bloc.beginEditBlock();
        ++profondeur;
    }

    ~EtapeAnnulation()
    {
        const bool derniere = --profondeur == 0;
        if (derniere)
            edit->document()->appendUndoItem(new Borne);
        bloc.endEditBlock();
        if (derniere)
            edit->ensureCursorVisible();
    }

    EtapeAnnulation(const EtapeAnnulation &) = delete;
    EtapeAnnulation &operator=(const EtapeAnnulation &) = delete;

private:
    struct Borne : QAbstractUndoItem
    {
        void undo() override { }
        void redo() override { }
    };

    // Commands run one at a time on the GUI thread, so one count serves all windows.
    static inline int profondeur = 0;

    QTextEdit *edit;
    QTextCursor bloc;
};
