// Preferences file (marlisse.opt) and the closing of the window.

#include "kaltextedit.h"

#include "montextedit.h"

#include <QCloseEvent>

bool KalTextEdit::litOptions()
{
    return false;
}

bool KalTextEdit::ecritOptions()
{
    return false;
}

void KalTextEdit::closeEvent(QCloseEvent *event)
{
    emit FermetureTextEdit(nullptr);
    emit fermetureMarlisse();
    event->accept();
}

bool KalTextEdit::demandeSauvegardeFermeture()
{
    return true;
}
