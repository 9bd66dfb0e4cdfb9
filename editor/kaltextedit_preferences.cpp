// Preferences file (marlisse.opt) and the closing of the window.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "ecriturecomplete.h"
#include "journalrecuperation.h"
#include "montextedit.h"
#include "preferencesfile.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Far more than the seven lines of the file ever take, a folder of the longest
// path included.
constexpr qint64 maxOptionsFileSize = 64 * 1024;

} // namespace

bool KalTextEdit::litOptions()
{
    // Preferences kept in the user's folder that has none yet: an earlier version
    // may have left them beside the program. They are read from there once, and
    // the close writes them where they now belong.
    QString source = optionsFile;
    const QString beside = programDir + QLatin1String("/marlisse.opt");
    const bool ailleurs = source != beside && !QFileInfo::exists(source);
    if (ailleurs)
        source = beside;
    // A pipe would block the start until something writes to it, and a device
    // such as /dev/zero never ends: only a regular file holds preferences.
    if (!QFileInfo(source).isFile())
        return false;
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Seven short lines: what lies beyond the first kilobytes of a huge file is
    // damage, and reading it all would hold the start and fill the memory.
    QByteArray bytes = file.read(maxOptionsFileSize);
    if (file.error() != QFileDevice::NoError)
        return false;
    // A line cut at the limit is no value that was written.
    if (!file.atEnd())
        bytes.truncate(bytes.lastIndexOf('\n') + 1);

    // A damaged file never stops the start: each unusable value keeps its default.
    const PreferencesFile::Preferences fallback {PreferencesFile::defaultFont(), currentDir};
    const PreferencesFile::Preferences read = PreferencesFile::parse(bytes, fallback);
    editorFont = read.font;
    currentDir = read.folder;
    if (ailleurs)
        optionsModifiees = true;
    return true;
}

bool KalTextEdit::ecritOptions()
{
    // QSaveFile would replace a link to /dev/null (or a pipe) by a regular file.
    const QFileInfo existing(optionsFile);
    if (existing.exists() && !existing.isFile())
        return false;
    // The user's configuration folder may not exist yet.
    if (!QDir().mkpath(existing.absolutePath()))
        return false;
    // Put in place only once complete: a failed write keeps the previous file.
    return ecritureComplete(optionsFile, PreferencesFile::format(editorFont, currentDir));
}

void KalTextEdit::closeEvent(QCloseEvent *event)
{
    // The preferences are written before the document question, so a close that
    // the user then cancels has written them all the same.
    if (optionsModifiees && !ecritOptions()) {
        information(this, QStringLiteral("Options"),
                    QStringLiteral("Les options modifiées n'ont pas été enregistrées"));
    }

    if (textEdit->document()->isModified() && !demandeSauvegardeFermeture()) {
        event->ignore();
        return;
    }
    // Saved, or dropped with "Non": nothing is left to recover.
    journal->supprime();
    stopRechercheSite();
    emit FermetureTextEdit(nullptr);
    emit fermetureMarlisse();
    event->accept();
}

bool KalTextEdit::demandeSauvegardeFermeture()
{
    switch (questionOuiNonAnnuler(this, QStringLiteral("Fermer..."),
                                  QStringLiteral("La fiche éditée a été modifiée \n enregistrer "
                                                 "les modifications avant de fermer ?"))) {
    case Reponse::Oui:
        return slotFileSave();
    case Reponse::Non:
        return true;
    case Reponse::Annuler:
        break;
    }
    return false;
}
