// The document's life cycle: new, open, save, save as, title and type.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "documentcodec.h"
#include "documentfile.h"
#include "ecriturecomplete.h"
#include "montextedit.h"
#include "reglages.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

namespace {

// The wait cursor for the time a file is read or written; restored on every way
// out, and before any message box so that the box gets the ordinary pointer.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { restore(); }
    void restore()
    {
        if (active) {
            QGuiApplication::restoreOverrideCursor();
            active = false;
        }
    }

private:
    bool active = true;
};

// QSaveFile would put a regular file in the place of a pipe or of a device node,
// also at the end of a link (/dev/null): only files are written, or made.
bool fichierOuRien(const QString &fileName)
{
    const QFileInfo target(fileName);
    return !target.exists() || target.isFile() || target.isDir();
}

} // namespace

void KalTextEdit::slotFileNew()
{
    bool ok = true;
    if (textEdit->document()->isModified())
        demandeSauvegarde(&ok);
    if (!ok)
        return;

    panneauAvantRemplacement();
    textEdit->setPlainText(QString());
    texteRemplace(QString());
    currentFile.clear();
    panneauDocumentCourant(currentFile);
    etatDisque = EtatFichier();
    adopteEncodage(DocumentEncoding::fromName(QString::fromLatin1(codecName))
                       .value_or(DocumentEncoding::latin1()),
                   QString());
    encodageChoisi = false;
    adopteFinsDeLigne(LineEnds::Convention::LF);
    isHtml = true;
    activeCommandesHtml(true);
    windowTitleText = baseTitle + QStringLiteral(" - Nouveau");
    setWindowTitle(windowTitleText);
    refreshAlignmentLabel();
}

void KalTextEdit::slotFileOpen()
{
    bool ok = true;
    if (textEdit->document()->isModified())
        demandeSauvegarde(&ok);
    if (!ok)
        return;

    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Ouvrir"), currentDir,
        QStringLiteral("Fichiers html et php (*.htm *.html *.php);;Textes simples (*.txt);; "
                       "Feuilles de style (*.css);; Tous les fichiers (*)"));
    if (!fileName.isEmpty())
        ouvreFichier(fileName);
}

// Opens a file chosen in the open dialog or among the recent files, once the
// question on a modified text is answered.
bool KalTextEdit::ouvreFichier(const QString &fileName)
{
    if (!loadFile(fileName))
        return false;

    retientDossier(fileName);
    setCurrentFile(fileName);
    majTypeDocument(fileName);
    activeCommandesHtml(isHtml);
    Reglages::ajouteFichierRecent(fileName);
    return true;
}

bool KalTextEdit::loadFile(QString fileName)
{
    return chargeFichier(fileName, std::nullopt);
}

// Reads a file into the editing widget: by the reading rule, which the viewer
// follows too, or in the encoding imposed by the user. A file that the imposed
// encoding cannot read back byte for byte is refused, and the text stays.
bool KalTextEdit::chargeFichier(const QString &fileName,
                                const std::optional<DocumentEncoding::Encoding> &impose)
{
    WaitCursor waitCursor;
    DocumentFile::Reading reading = DocumentFile::read(fileName);
    if (reading.result == DocumentFile::Result::TooLarge) {
        waitCursor.restore();
        const qint64 megabyte = 1024 * 1024;
        // A file found too large only while it was read has no size to tell.
        const QString taille = reading.size < 0
            ? QStringLiteral("il dépasse la limite de %1 Mo.").arg(DocumentFile::maxSize / megabyte)
            : QStringLiteral("il fait %1 Mo, la limite est de %2 Mo.")
                  .arg((reading.size + megabyte - 1) / megabyte)
                  .arg(DocumentFile::maxSize / megabyte);
        avertissement(this, QStringLiteral("Marlisse"),
                      QStringLiteral("Le fichier %1 est trop volumineux pour être ouvert\u00a0:\n")
                              .arg(fileName)
                          + taille);
        return false;
    }
    if (reading.result != DocumentFile::Result::Read) {
        waitCursor.restore();
        avertissement(this, tr("Marlisse"),
                      tr("Cannot read file %1:\n%2.").arg(fileName, reading.reason));
        return false;
    }
    DocumentEncoding::Decoded decoded;
    const DocumentEncoding::Kind kind = DocumentEncoding::kindOf(fileName);
    bool choisi = impose.has_value();
    QString retenu;
    if (impose) {
        std::optional<DocumentEncoding::Decoded> lu
            = DocumentEncoding::decodeAs(reading.bytes, *impose);
        if (!lu) {
            waitCursor.restore();
            avertissement(this, QStringLiteral("Marlisse"),
                          QStringLiteral("Le fichier %1 ne peut pas être lu en %2 sans perdre ou "
                                         "changer certains de ses octets.\nIl reste affiché en "
                                         "%3.")
                              .arg(fileName, impose->label(), encodageDocument.label()));
            return false;
        }
        // The mark as the file has it: none is added to a file that had none.
        decoded = std::move(*lu);
        decoded.declaration = DocumentEncoding::findDeclaration(reading.bytes, *impose, kind);
    } else {
        decoded = DocumentEncoding::decode(reading.bytes, kind);
        retenu = litEncodageRetenu(fileName, reading.bytes, kind, &decoded, &choisi);
    }
    etatDisque = EtatFichier::de(fileName, reading.bytes, reading.stamp);
    reading.bytes = QByteArray(); // a large file is not kept twice while it is shown
    panneauAvantRemplacement();
    textEdit->setPlainText(decoded.text);
    panneauDocumentCourant(fileName);
    texteRemplace(decoded.text);
    adopteEncodage(decoded.encoding, decoded.declaration.name);
    encodageChoisi = choisi;
    adopteFinsDeLigne(decoded.lineEnds.convention);
    QStringList notices;
    if (!decoded.notice.isEmpty())
        notices << decoded.notice;
    if (!retenu.isEmpty())
        notices << retenu;
    if (decoded.lineEnds.mixed()) {
        notices << QStringLiteral("Le fichier mélange plusieurs fins de ligne (%1)\u00a0: il "
                                  "sera enregistré en %2.")
                       .arg(decoded.lineEnds.counts(), LineEnds::label(finsDeLigne));
    }
    if (!reading.settled)
        notices << QStringLiteral("Le fichier changeait pendant sa lecture\u00a0: un autre "
                                  "programme l'écrit peut-être encore. Rouvrez-le pour le voir "
                                  "tel qu'il est.");
    if (notices.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(notices.join(QLatin1Char(' ')));
    return true;
}

bool KalTextEdit::slotFileSave()
{
    if (currentFile.isEmpty())
        return slotFileSaveAs();
    return saveFile(currentFile);
}

bool KalTextEdit::slotFileSaveAs()
{
    QString fileName
        = QFileDialog::getSaveFileName(this, tr("Enregistrer sous"), currentFile,
                                       QStringLiteral("Fichiers (*.htm *.html *.php *.txt)"));
    if (fileName.isEmpty())
        return false;

    if (!fileName.contains(QLatin1Char('.'))) {
        fileName += isHtml ? QLatin1String(".html") : QLatin1String(".txt");
        // The dialog confirmed the name as typed, not the one with its extension.
        if (QFileInfo::exists(fileName)) {
            if (!questionOuiNon(
                    this, QMessageBox::Question, QStringLiteral("Enregistrer sous"),
                    QStringLiteral("Le fichier %1 existe déjà.\nVoulez-vous le remplacer\u00a0?")
                        .arg(QFileInfo(fileName).fileName()),
                    QStringLiteral("Oui"), QStringLiteral("Non"), false))
                return false;
        }
    }

    if (!saveFile(fileName))
        return false;

    retientDossier(fileName);
    majTypeDocument(fileName);
    setCurrentFile(fileName);
    activeCommandesHtml(isHtml);
    return true;
}

bool KalTextEdit::saveFile(QString fileName)
{
    if (!fichierOuRien(fileName)) {
        avertissement(this, tr("KalTextEdit"),
                      tr("Cannot write file %1:\n%2.").arg(fileName, tr("Not a regular file")));
        return false;
    }

    // A page is saved in what it declares, so that the file always agrees with its
    // declaration, once the user has changed its value: a declaration that has
    // stayed as read keeps the encoding the file was read in, and the file its
    // bytes. XML files and stylesheets too, which are read in what they declare.
    // The name being written decides, as it decides the document's type after Save As.
    const bool html = DocumentCodec::isHtmlFileName(fileName);
    const DocumentEncoding::Kind kind = DocumentEncoding::kindOf(fileName);
    // Characters the encoding lacks become numeric references in a page; a plain
    // text cannot hold them, so the user decides whether "?" may stand in for them.
    const DocumentEncoding::Saving saving = DocumentEncoding::encodeForSaving(
        LineEnds::withLineEnds(textEdit->document()->toRawText(), finsDeLigne), encodageDocument,
        declarationLue, kind, html || kind != DocumentEncoding::Kind::Page, html);
    const DocumentEncoding::Encoding &encoding = saving.encoding;
    const QByteArray &bytes = saving.bytes;
    const int unencodable = saving.unencodable;
    const int references = saving.references;
    QStringList notices = saving.notices;
    if (unencodable > 0) {
        const QString question = unencodable == 1
            ? QStringLiteral("1 caractère ne peut pas être écrit en %1.\nIl sera "
                             "remplacé par \"?\" dans le fichier.\nEnregistrer quand même\u00a0?")
                  .arg(encoding.label())
            : QStringLiteral("%1 caractères ne peuvent pas être écrits en %2.\nIls "
                             "seront remplacés par \"?\" dans le fichier.\nEnregistrer quand "
                             "même\u00a0?")
                  .arg(unencodable)
                  .arg(encoding.label());
        if (!questionOuiNon(this, QMessageBox::Warning, QStringLiteral("Sauvegarde"), question,
                            QStringLiteral("Enregistrer"), QStringLiteral("Annuler"), false))
            return false;
    }

    bool written = false;
    bool refused = false;
    QString reason;
    std::optional<DocumentFile::Stamp> stamp;
    {
        WaitCursor waitCursor;
        // Another program's changes are not lost without a word: looked for once
        // the bytes are ready, right before they take the file's place, so that
        // none made meanwhile (while a box asked, while a large page was
        // encoded or written) goes unseen. Nor is a pipe put in the file's place
        // meanwhile replaced, before the question or while it asks.
        const auto pasUnFichier = [&] {
            if (fichierOuRien(fileName))
                return false;
            reason = tr("Not a regular file");
            return true;
        };
        written = ecritureComplete(fileName, bytes, &reason, [&](QFileDevice *temporaire) {
            stamp = DocumentFile::stampOf(*temporaire);
            waitCursor.restore();
            if (pasUnFichier())
                return false;
            refused = !remplacerFichierChange(fileName);
            return !refused && !pasUnFichier();
        });
    }
    if (refused)
        return false;
    if (!written) {
        avertissement(this, tr("KalTextEdit"),
                      tr("Cannot write file %1:\n%2.").arg(fileName, reason));
        return false;
    }

    etatDisque = EtatFichier::de(fileName, bytes, stamp);
    textEdit->document()->setModified(false);
    apercuApresSauvegarde(fileName, encoding);
    setCurrentFile(fileName);
    Reglages::ajouteFichierRecent(fileName);
    retientEncodageChoisi(fileName, encoding);
    adopteEncodage(encoding, saving.declaration);
    // The page holds what the user typed, but the file holds codes in its place:
    // said, so that a title that shows "&#339;" in another program is no surprise.
    if (references > 0)
        notices << (references == 1 ? QStringLiteral("1 caractère écrit en &#N;, absent de %1")
                                          .arg(encoding.label())
                                    : QStringLiteral("%1 caractères écrits en &#N;, absents de %2")
                                          .arg(references)
                                          .arg(encoding.label()));
    if (!notices.isEmpty())
        statusBar()->showMessage(notices.join(QLatin1Char(' ')));
    return true;
}

// False when the file the document was read from, or last written to, was
// changed on disk by another program since, and the user does not want it
// replaced. A link put in its place is named: the write goes where it leads.
bool KalTextEdit::remplacerFichierChange(const QString &fileName)
{
    if (etatDisque.chemin != fileName)
        return true;
    const QString ailleurs = etatDisque.autreDestination();
    if (ailleurs.isEmpty() && !etatDisque.changeSurDisque())
        return true;
    QString question = QStringLiteral("Le fichier «\u00a0%1\u00a0» a été modifié sur le disque "
                                      "depuis son ouverture")
                           .arg(QFileInfo(fileName).fileName());
    if (ailleurs.isEmpty()) {
        question += QStringLiteral(". Le remplacer\u00a0?");
    } else {
        question += QStringLiteral("\u00a0: son nom mène maintenant, par un lien, au fichier "
                                   "«\u00a0%1\u00a0».\nEnregistrer dans «\u00a0%1\u00a0»\u00a0?")
                        .arg(QDir::toNativeSeparators(ailleurs));
    }
    return questionOuiNon(this, QMessageBox::Warning, QStringLiteral("Sauvegarde"), question,
                          QStringLiteral("Oui"), QStringLiteral("Non"), false);
}

void KalTextEdit::demandeSauvegarde(bool *ok)
{
    switch (questionOuiNonAnnuler(
        this, QStringLiteral("Sauvegarde"),
        QStringLiteral("Le texte a été modifié \n enregistrer les modifications ?"))) {
    case Reponse::Oui:
        *ok = slotFileSave();
        break;
    case Reponse::Non:
        break;
    case Reponse::Annuler:
        *ok = false;
        break;
    }
}

// The open and save dialogs start next time in the folder of the file just opened
// or saved; the preferences keep it when it moved.
void KalTextEdit::retientDossier(const QString &fileName)
{
    const QString previousDir = currentDir;
    currentDir = QFileInfo(fileName).absolutePath();
    if (currentDir != previousDir)
        optionsModifiees = true;
}

void KalTextEdit::setCurrentFile(const QString &fileName)
{
    currentFile = fileName;
    currentFileName = QFileInfo(fileName).fileName();
    windowTitleText = baseTitle + QLatin1String(" - ") + currentFileName;
    setWindowTitle(windowTitleText);
    panneauDocumentCourant(fileName);
}

void KalTextEdit::majTypeDocument(const QString &fileName)
{
    isHtml = DocumentCodec::isHtmlFileName(fileName);
    if (isHtml)
        refreshAlignmentLabel();
    else
        labelAlignement->setText(QString());
}

void KalTextEdit::refreshAlignmentLabel()
{
    if (strAlignement.isEmpty())
        labelAlignement->setText(tr("Gauche"));
    else if (strAlignement == QLatin1String(" align=\"center\""))
        labelAlignement->setText(tr("Centré"));
    else if (strAlignement == QLatin1String(" align=\"right\""))
        labelAlignement->setText(tr("Droite"));
    else if (strAlignement == QLatin1String(" align=\"justify\""))
        labelAlignement->setText(tr("Justifié"));
}

void KalTextEdit::activeCommandesHtml(bool on)
{
    const QList<QAction *> htmlCommands
        = {carGrasAct,     carItalicAct,   carSouligneAct,   carPreformateAct, alignGaucheAct,
           alignCentreAct, alignDroiteAct, alignJustifieAct, squeletteHtmlAct, paragrapheAct,
           alaLigneAct,    ligneHorizAct,  blancInsecAct,    euroAct,          titre1Act,
           titre2Act,      titre3Act,      titre4Act,        titre5Act,        titre6Act,
           listeSimpleAct, listeOrdoAct,   elemListeAct,     listeDefAct,      termDefAct,
           definitionAct,  tableauxAct,    lienHypTextAct,   nameAncreAct,     imageAct,
           viewToolBarBAct, navigateurBureauAct, verifierPageAct, verifierSiteAct};
    for (QAction *action : htmlCommands)
        action->setEnabled(on);
    toolBarB->setVisible(on);
    viewToolBarBAct->setChecked(on);
    // Closing tags are typed only in HTML documents.
    fermerBalisesAct->setEnabled(on);
    textEdit->setFermetureBalises(on && fermerBalisesAct->isChecked());
    // Names are offered only in HTML documents.
    completionAct->setEnabled(on);
    completerNomAct->setEnabled(on);
    textEdit->setCompletion(on, completionAct->isChecked());
    pageHtml5Act->setEnabled(on);
    textEdit->setAidesHtml(on);
    commenterAct->setEnabled(langageCommentaires().has_value());
    // Tag pairs, shown and reached, are those of HTML.
    baliseCorrespondanteAct->setEnabled(on);
    selectionnerElementAct->setEnabled(on);
    textEdit->setPaireVisible(on);
}
