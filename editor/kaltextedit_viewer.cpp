// The commands that open viewer windows, and the About boxes.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "documentcodec.h"
#include "emplacements.h"
#include "lisorel.h"
#include "montextedit.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace {

const char *const copyrightLine = "Copyright (C) les auteurs de Marlisse";

// Long enough to be read.
constexpr int annonceApercuMs = 10000;

// Said when what is shown is the file, not the text being edited.
const char16_t *const versionEnregistree
    = u"Aperçu de la dernière version enregistrée\u00a0: Ctrl+S pour y voir vos modifications";

// Says in the status bar what the preview shows; an empty text takes back what was
// said. A temporary message would not last: the pointer rests on the preview's
// button or menu entry when the command runs, and the empty status tip that comes
// when it leaves them clears the message. A label of the status bar is only
// covered by status tips while they show.
void annonceApercu(QStatusBar *bar, const QString &texte)
{
    auto *annonce = bar->findChild<QLabel *>(QStringLiteral("annonceApercu"));
    auto *fin = annonce->findChild<QTimer *>();
    if (!fin) {
        fin = new QTimer(annonce);
        fin->setSingleShot(true);
        fin->setInterval(annonceApercuMs);
        QObject::connect(fin, &QTimer::timeout, annonce, &QLabel::clear);
    }
    annonce->setText(texte);
    // The whole text under the pointer, where a narrow window cuts it.
    annonce->setToolTip(texte);
    fin->start();
}

} // namespace

// The preview shows the document as saved on disk. There is one preview window at
// most: a second command shows the current file in it again, as HTML or as plain
// text like the first, and brings it forward.
void KalTextEdit::slotAppelleLisorel()
{
    // What the preview cannot show is said where the user looks.
    if (currentFile.isEmpty())
        annonceApercu(
            statusBar(),
            QStringLiteral("Aperçu vide\u00a0: enregistrez d'abord le document (Ctrl+S)"));
    else if (textEdit->document()->isModified())
        annonceApercu(statusBar(), QString::fromUtf16(versionEnregistree));
    else
        annonceApercu(statusBar(), QString());

    if (!browser) {
        browser = new Lisorel(windowIcon(), QStringLiteral("Lisorel"), currentFile, isHtml,
                              encodageDocument);
        connect(browser, &Lisorel::FermetureBrowser, this, &KalTextEdit::slotGereFermetureBrowser);
        connect(this, &KalTextEdit::fermetureMarlisse, browser, &Lisorel::slotFileQuit);
        return;
    }
    browser->montreFichier(currentFile, isHtml, encodageDocument);
    browser->raise();
}

// The saved page in the desktop's web browser, which shows it as visitors will see
// it; the preview shows what Qt's text engine makes of it. Only a page: the desktop
// would give any other file to the program of its type.
void KalTextEdit::slotNavigateurBureau()
{
    const QString suffixe = QFileInfo(currentFile).suffix().toLower();
    if (currentFile.isEmpty()) {
        annonceApercu(statusBar(),
                      QStringLiteral("Enregistrez d'abord le document (Ctrl+S)\u00a0: le "
                                     "navigateur montre la page enregistrée"));
        return;
    }
    if (suffixe != QLatin1String("htm") && suffixe != QLatin1String("html")) {
        annonceApercu(statusBar(),
                      QStringLiteral("Le navigateur du bureau ne montre que les pages .htm et "
                                     ".html"));
        return;
    }
    annonceApercu(statusBar(),
                  textEdit->document()->isModified() ? QString::fromUtf16(versionEnregistree)
                                                     : QString());
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(currentFile)))
        avertissement(this, QStringLiteral("Marlisse"),
                      QStringLiteral("Aucun navigateur n'a pu être lancé pour montrer la page "
                                     "%1.")
                          .arg(currentFile));
}

// Called once fileName is written, while currentFile still holds the document's
// previous name (empty when it had never been saved). The preview follows its
// document: when it shows that previous file or the one just written, it shows
// the file as now saved (in encoding, in which it was written), at the same place
// when the name did not change.
void KalTextEdit::apercuApresSauvegarde(const QString &fileName,
                                        const DocumentEncoding::Encoding &encoding)
{
    annonceApercu(statusBar(), QString());
    if (!browser)
        return;
    const QString montre = browser->fichierAffiche();
    if (montre == currentFile || montre == fileName)
        browser->montreFichier(fileName, DocumentCodec::isHtmlFileName(fileName), encoding);
}

// Runs from inside the preview window's close handling, so the window must outlive
// this slot: no delete here. The window deletes itself later on close; asking for a
// deferred deletion here too covers a window that announced its closing without
// going through close(), and when both are pending the first one to run drops the
// other with the object's posted events. Either way it is destroyed once.
void KalTextEdit::slotGereFermetureBrowser()
{
    if (browser)
        browser->deleteLater();
    browser = nullptr;
}

// Each request opens one more help window; the editor does not keep it. A copy
// without its manual says where it looked, rather than open an empty window.
void KalTextEdit::slotAide()
{
    const QString page = helpDir + QLatin1String("/index.html");
    if (!QFileInfo(page).isFile()) {
        QStringList pages {page};
        for (const QString &folder : Emplacements::dossiersAideCherches(programDir))
            pages << folder + QLatin1String("/index.html");
        pages.removeDuplicates();
        avertissement(this, QStringLiteral("Manuel d'aide"),
                      QStringLiteral("Le manuel d'aide est introuvable. Marlisse l'a cherché "
                                     "ici\u00a0:\n")
                          + pages.join(QLatin1Char('\n')));
        return;
    }
    auto *aide = new Lisorel(windowIcon(), QStringLiteral("Marlisse"), page, true);
    connect(this, &KalTextEdit::fermetureMarlisse, aide, &Lisorel::slotFileQuit);
}

void KalTextEdit::slotHelpAbout()
{
    QMessageBox::about(this, QStringLiteral("A propos..."),
                       QStringLiteral("Marlisse - Editeur de texte avec balises HTML\nVersion ")
                           + version + QLatin1Char('\n') + QLatin1String(copyrightLine));
}

void KalTextEdit::slotHelpAboutQt()
{
    QMessageBox::aboutQt(this,
                         QStringLiteral("Marlisse ") + version
                             + QStringLiteral(" - Editeur de texte avec balises HTML"));
}
