// The document's encoding: its status-bar label and the label's menu, to read the
// file again in another encoding or to save in another one.

#include "kaltextedit.h"

#include "documentcodec.h"
#include "etapeannulation.h"
#include "lisorel.h"
#include "montextedit.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QTextCursor>

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
    // The preview shows the document in the encoding the editor reads it in.
    if (chargeFichier(currentFile, encoding) && browser && browser->fichierAffiche() == currentFile)
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
    const auto encoding = DocumentEncoding::fromName(action->data().toString());
    if (!encoding)
        return;
    QString declaration = declarationLue;
    const DocumentEncoding::Kind kind = DocumentEncoding::kindOf(currentFile);
    if (isHtml || kind != DocumentEncoding::Kind::Page) {
        const QList<DocumentEncoding::Declaration> found = DocumentEncoding::findDeclarations(
            textEdit->document()->toRawText(), encodageDocument, kind);
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
            // What the save will find, by the same rule in the same bytes (the
            // name, or "UTF-8/" from <meta charset=UTF-8/>, which is no label).
            declaration
                = DocumentEncoding::findDeclaration(
                      DocumentEncoding::encode(textEdit->document()->toRawText(), *encoding, false),
                      *encoding, kind)
                      .name;
        }
    }
    adopteEncodage(*encoding, declaration);
    textEdit->document()->setModified(true);
    slotFileSave();
}
