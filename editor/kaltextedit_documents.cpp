// The document's life cycle: new, open, save, save as, title and type.

#include "kaltextedit.h"

#include "montextedit.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QToolBar>

void KalTextEdit::slotFileNew()
{ }

void KalTextEdit::slotFileOpen()
{ }

bool KalTextEdit::loadFile(QString fileName)
{
    Q_UNUSED(fileName);
    return false;
}

bool KalTextEdit::slotFileSave()
{
    return false;
}

bool KalTextEdit::slotFileSaveAs()
{
    return false;
}

bool KalTextEdit::saveFile(QString fileName)
{
    Q_UNUSED(fileName);
    return false;
}

void KalTextEdit::demandeSauvegarde(bool *ok)
{
    Q_UNUSED(ok);
}

void KalTextEdit::setCurrentFile(const QString &fileName)
{
    currentFile = fileName;
    currentFileName = QFileInfo(fileName).fileName();
    windowTitleText = baseTitle + QLatin1String(" - ") + currentFileName;
    setWindowTitle(windowTitleText);
}

void KalTextEdit::majTypeDocument(const QString &fileName)
{
    isHtml = fileName.contains(QLatin1String(".htm")) || fileName.contains(QLatin1String(".php"));
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
           viewToolBarBAct};
    for (QAction *action : htmlCommands)
        action->setEnabled(on);
    toolBarB->setVisible(on);
    viewToolBarBAct->setChecked(on);
}
