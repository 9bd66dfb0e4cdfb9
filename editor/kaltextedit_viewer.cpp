// The commands that open viewer windows, and the About boxes.

#include "kaltextedit.h"

#include "lisorel.h"

void KalTextEdit::slotAppelleLisorel()
{ }

void KalTextEdit::slotGereFermetureBrowser()
{ }

void KalTextEdit::slotAide()
{ }

void KalTextEdit::slotHelpAbout()
{ }

void KalTextEdit::slotHelpAboutQt()
{ }
