// The document's encoding: its status-bar label and the label's menu, to read the
// file again in another encoding or to save in another one.

#include "kaltextedit.h"

#include "documentcodec.h"
#include "etapeannulation.h"
#include "lisorel.h"
#include "montextedit.h"
#include "reglages.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTextCursor>

#include <algorithm>

namespace {

// Whether a file, as the reading rule read it, says what it is in: by a byte-order
// mark, or by a declaration of the encoding it was read in, wherever it stands.
bool ditSonEncodage(const DocumentEncoding::Decoded &decoded, DocumentEncoding::Kind kind)
{
    if (decoded.encoding.bom)
        return true;
    const QList<DocumentEncoding::Declaration> declarations
        = DocumentEncoding::findDeclarations(decoded.text, decoded.encoding, kind);
    return std::any_of(declarations.cbegin(), declarations.cend(),
                       [&decoded, kind](const DocumentEncoding::Declaration &declaration) {
                           const auto declared = DocumentEncoding::forDeclaration(
                               declaration.name, decoded.encoding,
                               DocumentEncoding::originOf(declaration, kind));
                           return declared && declared->name == decoded.encoding.name;
                       });
}

} // namespace

QString KalTextEdit::documentEncodingName() const
{
    return encodageDocument.label();
}

bool KalTextEdit::setDocumentEncodingName(const QString &name)
{
    const auto encoding = DocumentEncoding::fromName(name);
    if (!encoding)
        return false;
    // The text as it stands declares what goes with this encoding: the next saves
    // use it until the declaration is changed. Found in the bytes the text would
    // be written with, as a save finds it.
    const QByteArray bytes
        = DocumentEncoding::encode(textEdit->document()->toRawText(), *encoding, false);
    adopteEncodage(
        *encoding,
        DocumentEncoding::findDeclaration(bytes, *encoding, DocumentEncoding::kindOf(currentFile))
            .name);
    return true;
}

void KalTextEdit::adopteEncodage(const DocumentEncoding::Encoding &encoding,
                                 const QString &declaration)
{
    encodageDocument = encoding;
    declarationLue = declaration;
    labelEncodage->setText(encoding.label());
    // The label names the encoding as browsers do ("windows-1252" for a page that
    // declares ISO-8859-1): what the page declares is said beside.
    labelEncodage->setToolTip(
        declaration.isEmpty()
            ? QStringLiteral("Encodage du document\u00a0: cliquez pour le changer")
            : QStringLiteral("Encodage du document, qui déclare «\u00a0%1\u00a0»\u00a0: "
                             "cliquez pour le changer")
                  .arg(declaration));
}

// The menu is made at its first use: asking the toolkit which encodings it can
// read and write takes longer than the rest of the window's start.
void KalTextEdit::remplitMenuEncodage()
{
    encodageMenu = new QMenu(this);
    encodageMenu->setObjectName(QStringLiteral("encodageMenu"));
    rouvrirEncodageMenu = encodageMenu->addMenu(QStringLiteral("Rouvrir avec l'encodage"));
    rouvrirEncodageMenu->setObjectName(QStringLiteral("rouvrirEncodageMenu"));
    rouvrirEncodageMenu->setStatusTip(
        QStringLiteral("Relit le fichier sur le disque dans l'encodage choisi"));
    enregistrerEncodageMenu = encodageMenu->addMenu(QStringLiteral("Enregistrer avec l'encodage"));
    enregistrerEncodageMenu->setObjectName(QStringLiteral("enregistrerEncodageMenu"));
    enregistrerEncodageMenu->setStatusTip(
        QStringLiteral("Enregistre le document dans l'encodage choisi"));
    auto *group = new QActionGroup(enregistrerEncodageMenu);
    for (const DocumentEncoding::Encoding &encoding : DocumentEncoding::choices()) {
        const QString label = encoding.label();
        QAction *rouvrir = rouvrirEncodageMenu->addAction(label);
        rouvrir->setObjectName(QStringLiteral("rouvrirEncodageAct ") + label);
        rouvrir->setData(label);
        QAction *enregistrer = enregistrerEncodageMenu->addAction(label);
        enregistrer->setObjectName(QStringLiteral("enregistrerEncodageAct ") + label);
        enregistrer->setData(label);
        enregistrer->setCheckable(true);
        group->addAction(enregistrer);
    }
    connect(rouvrirEncodageMenu, &QMenu::triggered, this, &KalTextEdit::slotRouvrirEncodage);
    connect(enregistrerEncodageMenu, &QMenu::triggered, this,
            &KalTextEdit::slotEnregistrerEncodage);
}

void KalTextEdit::slotMenuEncodage()
{
    if (!encodageMenu)
        remplitMenuEncodage();
    // Only a document that has a file can be read again.
    rouvrirEncodageMenu->setEnabled(!currentFile.isEmpty());
    const QString current = encodageDocument.label();
    for (QAction *action : enregistrerEncodageMenu->actions())
        action->setChecked(action->data().toString() == current);
    // Above the label, at the bottom of the window.
    const QPoint corner = labelEncodage->mapToGlobal(QPoint(0, 0));
    encodageMenu->popup(QPoint(corner.x(), corner.y() - encodageMenu->sizeHint().height()));
}

// For a file that declares nothing and is not UTF-8, which the reading rule takes
// for ISO 8859-1: read again from disk in the encoding the user knows it is in.
void KalTextEdit::slotRouvrirEncodage(QAction *action)
{
    const auto encoding = DocumentEncoding::fromName(action->data().toString());
    if (!encoding || currentFile.isEmpty())
        return;
    bool ok = true;
    if (textEdit->document()->isModified())
        demandeSauvegarde(&ok);
    if (!ok)
        return;
    if (!chargeFichier(currentFile, encoding))
        return;
    // And at the next openings, while the file says nothing else.
    Reglages::retientEncodage(currentFile, encodageDocument.label());
    // The preview shows the document in the encoding the editor reads it in.
    if (browser && browser->fichierAffiche() == currentFile)
        browser->montreFichier(currentFile, DocumentCodec::isHtmlFileName(currentFile),
                               encodageDocument);
}

// The document is saved in the chosen encoding at once, and so are the next saves.
// Every declaration of a page that the reading rule follows is rewritten in the
// same step, so that file and declarations keep agreeing: the XML declaration and
// each <meta> that declares a character set, wherever it stands, since a browser
// follows the first <meta> its parser meets and an XML reader the XML
// declaration; not one in a comment, a script or a CDATA section. Only the name
// is replaced. One undo takes the new declarations back.
void KalTextEdit::slotEnregistrerEncodage(QAction *action)
{
    auto encoding = DocumentEncoding::fromName(action->data().toString());
    if (!encoding)
        return;
    // Its own encoding again: the file's own forms of its characters stay.
    if (encoding->name == encodageDocument.name)
        encoding->forms = encodageDocument.forms;
    QString declaration = declarationLue;
    // What a save given up (a box answered "Annuler" or "Non", a name not chosen)
    // gives back: the file on disk is still in it.
    const DocumentEncoding::Encoding avant = encodageDocument;
    const QString declarationAvant = declarationLue;
    const bool choisiAvant = encodageChoisi;
    const bool modifieAvant = textEdit->document()->isModified();
    bool reecrit = false;
    const DocumentEncoding::Kind kind = DocumentEncoding::kindOf(currentFile);
    if (isHtml || kind != DocumentEncoding::Kind::Page) {
        // The first 1024 bytes of the file to be written may hold more of the text
        // than those of the file read, or fewer: the prescan's declarations of both.
        const QString text = textEdit->document()->toRawText();
        QList<DocumentEncoding::Declaration> found
            = DocumentEncoding::findDeclarations(text, encodageDocument, kind);
        found << DocumentEncoding::findDeclarations(text, *encoding, kind);
        std::sort(found.begin(), found.end(),
                  [](const DocumentEncoding::Declaration &a,
                     const DocumentEncoding::Declaration &b) { return a.start < b.start; });
        found.erase(
            std::unique(found.begin(), found.end(),
                        [](const DocumentEncoding::Declaration &a,
                           const DocumentEncoding::Declaration &b) { return a.start == b.start; }),
            found.end());
        if (!found.isEmpty()) {
            const QString name = QString::fromLatin1(encoding->declaredName());
            EtapeAnnulation etape(textEdit);
            // From the last one on, so that each place stays where it was found.
            for (auto it = found.crbegin(); it != found.crend(); ++it) {
                QTextCursor cursor(textEdit->document());
                cursor.setPosition(int(it->start));
                cursor.setPosition(int(it->start + it->length), QTextCursor::KeepAnchor);
                cursor.insertText(name);
            }
            reecrit = true;
        }
        // What the save will find, by the same rule in the same bytes (the name, or
        // "UTF-8/" from <meta charset=UTF-8/>, which is no label), so that it
        // counts as the declaration the file is written with.
        declaration
            = DocumentEncoding::findDeclaration(
                  DocumentEncoding::encode(textEdit->document()->toRawText(), *encoding, isHtml),
                  *encoding, kind)
                  .name;
    }
    adopteEncodage(*encoding, declaration);
    encodageChoisi = true;
    textEdit->document()->setModified(true);
    if (slotFileSave())
        return;
    if (reecrit)
        textEdit->document()->undo();
    if (!modifieAvant)
        textEdit->document()->setModified(false);
    adopteEncodage(avant, declarationAvant);
    encodageChoisi = choisiAvant;
}

// A file that does not say what it is in is read in the encoding the user chose
// for it, while its bytes still come back the same in it. The choice is forgotten
// once the file says it (a byte-order mark, or a declaration that the reading
// rule follows) or no longer reads in it. decoded holds the file as the rule read
// it, and takes it in the chosen encoding; what to tell is returned.
QString KalTextEdit::litEncodageRetenu(const QString &fileName, const QByteArray &bytes,
                                       DocumentEncoding::Kind kind,
                                       DocumentEncoding::Decoded *decoded, bool *choisi)
{
    const QString retenu = Reglages::encodageRetenu(fileName);
    if (retenu.isEmpty())
        return QString();
    const auto encoding = DocumentEncoding::fromName(retenu);
    if (!encoding || ditSonEncodage(*decoded, kind)) {
        Reglages::oublieEncodage(fileName);
        return QString();
    }
    std::optional<DocumentEncoding::Decoded> lu = DocumentEncoding::decodeAs(bytes, *encoding);
    if (!lu) {
        Reglages::oublieEncodage(fileName);
        return QStringLiteral("Le fichier ne peut plus être lu en %1, l'encodage choisi pour lui, "
                              "sans perdre ou changer certains de ses octets\u00a0: il est lu en "
                              "%2.")
            .arg(retenu, decoded->encoding.label());
    }
    // Said when it matters: when the rule would have read the file otherwise.
    const bool autre = lu->encoding.name != decoded->encoding.name;
    lu->declaration = DocumentEncoding::findDeclaration(bytes, lu->encoding, kind);
    *decoded = std::move(*lu);
    *choisi = true;
    if (!autre)
        return QString();
    return QStringLiteral("Lu en %1, l'encodage choisi pour ce fichier.")
        .arg(decoded->encoding.label());
}

// After a save: the file just written is read again in a chosen encoding. One
// that says what it is in is forgotten at its next opening.
void KalTextEdit::retientEncodageChoisi(const QString &fileName,
                                        const DocumentEncoding::Encoding &encoding)
{
    if (encodageChoisi && !encoding.bom)
        Reglages::retientEncodage(fileName, encoding.label());
    else
        Reglages::oublieEncodage(fileName);
}
