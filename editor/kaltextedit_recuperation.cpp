// The recovery journal: the text of a modified document kept on disk, and given
// back at the next start when the program died before it was saved.

#include "kaltextedit.h"

#include "journalrecuperation.h"
#include "montextedit.h"

#include <QStatusBar>

void KalTextEdit::demarreJournal()
{
    journal = new JournalRecuperation(
        textEdit->document(),
        [this](DocumentRecupere *document) {
            document->fichier = currentFile;
            document->html = isHtml;
            document->codage = documentEncodingName();
        },
        this);
    // The editor works as well without: it says so once and goes on.
    connect(journal, &JournalRecuperation::recuperationImpossible, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    journal->demarre();
}
