// Actions, menus and toolbars of the editor window.

#include "kaltextedit.h"

#include "reglages.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QWhatsThis>

namespace {

// One command: text, optional icon and shortcut, status tip and What's This help.
// The object name lets the tests and the help find the action.
QAction *newAction(QObject *parent, const char *objectName, const QString &text, const char *icon,
                   const QString &shortcut, const QString &statusTip, const QString &whatsThis)
{
    auto *action = new QAction(text, parent);
    action->setObjectName(QLatin1String(objectName));
    if (icon)
        action->setIcon(QIcon(QLatin1String(icon)));
    if (!shortcut.isEmpty())
        action->setShortcut(QKeySequence(shortcut));
    action->setStatusTip(statusTip);
    action->setWhatsThis(whatsThis);
    return action;
}

} // namespace

void KalTextEdit::createActions()
{
    // File and edit commands.
    fileNewAct = newAction(this, "fileNewAct", tr("&Nouveau"), ":/images/filenew.png", tr("Ctrl+N"),
                           tr("Création d'un nouveau texte"),
                           tr("Nouveau\n\nCréation d'un nouveau texte"));
    connect(fileNewAct, &QAction::triggered, this, &KalTextEdit::slotFileNew);

    fileOpenAct = newAction(this, "fileOpenAct", tr("&Ouvrir"), ":/images/fileopen.png",
                            tr("Ctrl+O"), tr("Ouvre un fichier texte existant"),
                            tr("Ouvrir\n\nOuvre un fichier texte existant"));
    connect(fileOpenAct, &QAction::triggered, this, &KalTextEdit::slotFileOpen);

    fileSaveAct
        = newAction(this, "fileSaveAct", tr("&Sauver"), ":/images/filesave.png", tr("Ctrl+S"),
                    tr("Enregistre le texte édité"), tr("Sauver\n\nEnregistre le texte édité"));
    connect(fileSaveAct, &QAction::triggered, this, &KalTextEdit::slotFileSave);

    fileSaveAsAct = newAction(this, "fileSaveAsAct", tr("Sau&ver sous..."), nullptr, QString(),
                              tr("Enregistre le texte édité dans un autre fichier"),
                              tr("Sauver sous\n\nEnregistre le texte édité dans un autre fichier"));
    connect(fileSaveAsAct, &QAction::triggered, this, &KalTextEdit::slotFileSaveAs);

    fileQuitAct = newAction(this, "fileQuitAct", tr("&Quitter"), nullptr, tr("Ctrl+Q"),
                            tr("Quitte l'application"), tr("Quitter\n\nQuitte l'application"));
    connect(fileQuitAct, &QAction::triggered, this, &KalTextEdit::slotFileQuit);

    editAnnulerAct = newAction(this, "editAnnulerAct", tr("Annuler"), ":/images/defaire.png",
                               tr("Ctrl+Z"), tr("Annule les dernières actions d'édition"),
                               tr("Annuler\n\nAnnule les dernières actions d'édition"));
    editAnnulerAct->setEnabled(false);
    connect(editAnnulerAct, &QAction::triggered, this, &KalTextEdit::slotEditAnnuler);

    editRefaireAct = newAction(this, "editRefaireAct", tr("Refaire"), ":/images/refaire.png",
                               tr("Ctrl+Y"), tr("Annule la dernière action d'annulation"),
                               tr("Refaire\n\nAnnule la dernière action d'annulation"));
    editRefaireAct->setEnabled(false);
    connect(editRefaireAct, &QAction::triggered, this, &KalTextEdit::slotEditRefaire);

    editCutAct
        = newAction(this, "editCutAct", tr("Co&uper"), ":/images/couper.png", tr("Ctrl+X"),
                    tr("Coupe le texte sélectionné et le place dans le presse-papier"),
                    tr("Couper\n\nCoupe le texte sélectionné et le place dans le presse-papier"));
    editCutAct->setEnabled(false);
    connect(editCutAct, &QAction::triggered, this, &KalTextEdit::slotEditCut);

    editCopyAct
        = newAction(this, "editCopyAct", tr("&Copier"), ":/images/copier.png", tr("Ctrl+C"),
                    tr("Copie le texte sélectionné et le place dans le presse-papier"),
                    tr("Copier\n\nCopie le texte sélectionné et le place dans le presse-papier"));
    editCopyAct->setEnabled(false);
    connect(editCopyAct, &QAction::triggered, this, &KalTextEdit::slotEditCopy);

    editPasteAct = newAction(
        this, "editPasteAct", tr("Co&ller"), ":/images/coller.png", tr("Ctrl+V"),
        tr("Insère le contenu du presse-papier à la position actuelle du curseur"),
        tr("Coller\n\nInsère le contenu du presse-papier à la position actuelle du curseur"));
    connect(editPasteAct, &QAction::triggered, this, &KalTextEdit::slotEditPaste);

    editChercheAct = newAction(this, "editChercheAct", tr("Chercher..."), ":/images/chercher.png",
                               tr("Ctrl+F"), tr("Recherche d'un mot ou d'une expression"),
                               tr("Chercher\n\nCherche un mot ou une expression"));
    connect(editChercheAct, &QAction::triggered, this, &KalTextEdit::slotEditCherche);

    editReplaceAct = newAction(this, "editReplaceAct", tr("&Remplacer..."), nullptr, tr("Ctrl+R"),
                               tr("Remplacement de mot(s) par autre(s) mot(s)"),
                               tr("Remplacer\n\nRemplace un (ou des) mot(s) par d'autres"));
    connect(editReplaceAct, &QAction::triggered, this, &KalTextEdit::slotEditReplace);

    editReplaceEncoreAct = newAction(
        this, "editReplaceEncoreAct", tr("Répéter chercher/remplacer"), nullptr, tr("F3"),
        tr("Répète l'action de recherche ou de remplacement précédente"),
        tr("Répéter chercher/remplacer\n\nRépète l'action de recherche ou de remplacement "
           "précédente"));
    connect(editReplaceEncoreAct, &QAction::triggered, this, &KalTextEdit::slotEditReplaceEncore);

    editReplaceToutAct = newAction(
        this, "editReplaceToutAct", tr("Remplacer tout..."), nullptr, tr("Ctrl+Shift+R"),
        tr("Remplacement de toutes les occurrences d'un mot ou d'une expression"),
        tr("Remplacer tout\n\nRemplace toutes les occurrences d'un mot ou d'une "
           "expression dans tout le document"));
    connect(editReplaceToutAct, &QAction::triggered, this, &KalTextEdit::slotEditReplaceTout);

    editChercherPrecedentAct = newAction(
        this, "editChercherPrecedentAct", tr("Chercher le précédent"), nullptr, tr("Shift+F3"),
        tr("Recherche l'occurrence précédente du texte cherché"),
        tr("Chercher le précédent\n\nCherche l'occurrence précédente du texte cherché, en "
           "remontant vers le début du document"));
    connect(editChercherPrecedentAct, &QAction::triggered, this,
            &KalTextEdit::slotEditChercherPrecedent);

    chercherSiteAct = newAction(
        this, "chercherSiteAct", tr("Chercher dans le site..."), nullptr, tr("Ctrl+Shift+F"),
        tr("Recherche d'un texte dans tous les fichiers du site"),
        tr("Chercher dans le site\n\nCherche un texte ou une expression dans les pages et les "
           "feuilles de style du dossier de la page et de ses sous-dossiers, et liste chaque "
           "occurrence"));
    connect(chercherSiteAct, &QAction::triggered, this, &KalTextEdit::slotChercherSite);

    remplacerSiteAct = newAction(
        this, "remplacerSiteAct", tr("Remplacer dans le site..."), nullptr, tr("Ctrl+Shift+H"),
        tr("Remplacement d'un texte dans tous les fichiers du site"),
        tr("Remplacer dans le site\n\nRemplace un texte ou une expression dans les pages et "
           "les feuilles de style du site, après avoir listé ce qui changera"));
    connect(remplacerSiteAct, &QAction::triggered, this, &KalTextEdit::slotRemplacerSite);

    annulerRemplacementSiteAct = newAction(
        this, "annulerRemplacementSiteAct", tr("Annuler le dernier remplacement dans le site"),
        nullptr, QString(),
        tr("Remet les fichiers du site tels qu'ils étaient avant le dernier "
           "remplacement"),
        tr("Annuler le dernier remplacement dans le site\n\nRemet chaque fichier modifié par le "
           "dernier remplacement dans le site tel qu'il était avant, sauf s'il a changé depuis"));
    connect(annulerRemplacementSiteAct, &QAction::triggered, this,
            &KalTextEdit::slotAnnulerRemplacementSite);

    atteindreLigneAct = newAction(
        this, "atteindreLigneAct", tr("Atteindre la ligne..."), nullptr, tr("Ctrl+G"),
        tr("Place le curseur au début d'une ligne choisie par son numéro"),
        tr("Atteindre la ligne\n\nPlace le curseur au début de la ligne dont on donne le "
           "numéro et la montre au milieu de la fenêtre"));
    connect(atteindreLigneAct, &QAction::triggered, this, &KalTextEdit::slotAtteindreLigne);

    // Commands on lines. Tab and Shift+Tab are the typing keys on a selection of
    // lines: the menu only shows them.
    indenterLignesAct
        = newAction(this, "indenterLignesAct", tr("Indenter les lignes\tTab"), nullptr, QString(),
                    tr("Décale vers la droite les lignes sélectionnées"),
                    tr("Indenter les lignes\n\nAjoute un retrait au début de chaque ligne de la "
                       "sélection : quatre espaces, ou une tabulation dans une ligne en retrait de "
                       "tabulations. La touche Tab le fait sur une sélection de plusieurs lignes"));
    connect(indenterLignesAct, &QAction::triggered, this, &KalTextEdit::slotIndenterLignes);

    desindenterLignesAct = newAction(
        this, "desindenterLignesAct", tr("Désindenter les lignes\tMaj+Tab"), nullptr, QString(),
        tr("Décale vers la gauche les lignes sélectionnées, ou la ligne du curseur"),
        tr("Désindenter les lignes\n\nRetire un retrait (quatre espaces ou une tabulation) "
           "au début de chaque ligne de la sélection, ou de la ligne du curseur"));
    connect(desindenterLignesAct, &QAction::triggered, this, &KalTextEdit::slotDesindenterLignes);

    commenterAct = newAction(
        this, "commenterAct", tr("Commenter / décommenter"), nullptr, tr("Ctrl+E"),
        tr("Met en commentaire les lignes sélectionnées, ou retire leur commentaire"),
        tr("Commenter / décommenter\n\nEntoure les lignes sélectionnées (ou celle du "
           "curseur) de <!-- -->, de /* */ dans un style, ou fait précéder chacune de // dans "
           "un script ; quand elles sont déjà un commentaire, le retire"));
    connect(commenterAct, &QAction::triggered, this, &KalTextEdit::slotCommenter);

    dupliquerLigneAct = newAction(
        this, "dupliquerLigneAct", tr("Dupliquer la ligne"), nullptr, tr("Ctrl+D"),
        tr("Copie les lignes sélectionnées, ou la ligne du curseur, juste en dessous"),
        tr("Dupliquer la ligne\n\nCopie les lignes sélectionnées (ou la ligne du curseur) "
           "juste en dessous d'elles ; la sélection passe sur la copie"));
    connect(dupliquerLigneAct, &QAction::triggered, this, &KalTextEdit::slotDupliquerLigne);

    monterLignesAct = newAction(
        this, "monterLignesAct", tr("Déplacer la ligne vers le haut"), nullptr, tr("Alt+Up"),
        tr("Monte d'une ligne les lignes sélectionnées, ou la ligne du curseur"),
        tr("Déplacer la ligne vers le haut\n\nÉchange les lignes sélectionnées (ou la ligne "
           "du curseur) avec la ligne du dessus"));
    connect(monterLignesAct, &QAction::triggered, this, &KalTextEdit::slotMonterLignes);

    descendreLignesAct = newAction(
        this, "descendreLignesAct", tr("Déplacer la ligne vers le bas"), nullptr, tr("Alt+Down"),
        tr("Descend d'une ligne les lignes sélectionnées, ou la ligne du curseur"),
        tr("Déplacer la ligne vers le bas\n\nÉchange les lignes sélectionnées (ou la ligne "
           "du curseur) avec la ligne du dessous"));
    connect(descendreLignesAct, &QAction::triggered, this, &KalTextEdit::slotDescendreLignes);

    // Character styles.
    carGrasAct = newAction(this, "carGrasAct", tr("Gras"), ":/images/cargras.png", tr("Ctrl+Alt+G"),
                           tr("Gras"), tr("Gras\n\nPermet d'écrire le texte en caractères gras"));
    connect(carGrasAct, &QAction::triggered, this, &KalTextEdit::slotCarGras);

    carItalicAct
        = newAction(this, "carItalicAct", tr("Italic"), ":/images/italic.png", tr("Ctrl+Alt+I"),
                    tr("Italic"), tr("Italic\n\nPermet d'écrire le texte en caractères Italic"));
    connect(carItalicAct, &QAction::triggered, this, &KalTextEdit::slotCarItalic);

    carSouligneAct = newAction(this, "carSouligneAct", tr("Souligné"), ":/images/souligne.png",
                               tr("Ctrl+Alt+U"), tr("Souligné"),
                               tr("Souligné\n\nPermet d'écrire le texte en caractères soulignés"));
    connect(carSouligneAct, &QAction::triggered, this, &KalTextEdit::slotCarSouligne);

    carPreformateAct = newAction(
        this, "carPreformateAct", tr("Préformaté"), ":/images/carpre.png", tr("Ctrl+Alt+F"),
        tr("Préformaté"), tr("Préformaté\n\nPermet d'écrire le texte en caractères Préformatés"));
    connect(carPreformateAct, &QAction::triggered, this, &KalTextEdit::slotCarPreformate);

    // Alignment: one exclusive group, told apart by the slot.
    alignGroup = new QActionGroup(this);
    alignGroup->setObjectName(QStringLiteral("alignGroup"));
    connect(alignGroup, &QActionGroup::triggered, this, &KalTextEdit::slotTextAlign);

    alignGaucheAct = newAction(alignGroup, "alignGaucheAct", tr("Aligné à gauche"),
                               ":/images/gauche.png", QString(), tr("Justification à gauche"),
                               tr("Justification à gauche\n\nLe texte des paragraphes ou des "
                                  "titres sera aligné sur la marge de gauche"));
    alignGaucheAct->setCheckable(true);
    alignGaucheAct->setChecked(true);

    alignCentreAct = newAction(alignGroup, "alignCentreAct", tr("Centré"), ":/images/centre.png",
                               QString(), tr("Justification centrée"),
                               tr("Justification centrée\n\nLe texte des paragraphes ou des "
                                  "titres sera centré dans la largeur de la page"));
    alignCentreAct->setCheckable(true);

    alignDroiteAct = newAction(alignGroup, "alignDroiteAct", tr("Aligné à droite"),
                               ":/images/droite.png", QString(), tr("Justification à droite"),
                               tr("Justification à droite\n\nLe texte des paragraphes ou des "
                                  "titres sera aligné sur la marge de droite"));
    alignDroiteAct->setCheckable(true);

    alignJustifieAct = newAction(
        alignGroup, "alignJustifieAct", tr("Justifié"), ":/images/justifie.png", QString(),
        tr("Justification (aligné à gauche et à droite)"),
        tr("Justification\n\nLe texte des paragraphes ou des titres sera aligné sur les "
           "marges de gauche et de droite"));
    alignJustifieAct->setCheckable(true);

    // Structure.
    paragrapheAct = newAction(this, "paragrapheAct", tr("Paragraphe"), ":/images/paragraphe.png",
                              tr("Ctrl+Alt+P"), tr("Paragraphe"),
                              tr("Paragraphe\n\nInsère les balises encadrant un paragraphe"));
    connect(paragrapheAct, &QAction::triggered, this, &KalTextEdit::slotParagraphe);

    alaLigneAct = newAction(this, "alaLigneAct", tr("Aller à la ligne"), ":/images/alaligne.png",
                            tr("Ctrl+Alt+K"), tr("Aller à la ligne"),
                            tr("Aller à la ligne\n\nInsère la balise provoquant un retour à la "
                               "ligne lors de l'affichage dans le navigateur"));
    connect(alaLigneAct, &QAction::triggered, this, &KalTextEdit::slotAlaLigne);

    ligneHorizAct = newAction(
        this, "ligneHorizAct", tr("Ligne horizontale"), ":/images/lignehoriz.png", QString(),
        tr("Ligne horizontale"),
        tr("Ligne horizontale\n\nInsère la balise permettant de tracer une ligne horizontale"));
    connect(ligneHorizAct, &QAction::triggered, this, &KalTextEdit::slotLigneHoriz);

    blancInsecAct
        = newAction(this, "blancInsecAct", tr("Espace insécable"), ":/images/blancinsec.png",
                    tr("Ctrl+Alt+N"), tr("Insère un espace insécable"),
                    tr("Espace insécable\n\nInsère la balise de l'espace insécable (&nbsp;)"));
    connect(blancInsecAct, &QAction::triggered, this, &KalTextEdit::slotBlancInsec);

    euroAct = newAction(this, "euroAct", tr("symbole Euro"), ":/images/euro.png", QString(),
                        tr("Insère le symbole de l'Euro"),
                        tr("Euro\n\nInsère la balise de l'euro (&#8364;)"));
    connect(euroAct, &QAction::triggered, this, &KalTextEdit::slotEuro);

    squeletteHtmlAct
        = newAction(this, "squeletteHtmlAct", tr("Corps..."), ":/images/squelettehtml.png",
                    QString(), tr("Corps de document HTML"),
                    tr("Corps ...\n\nInsère les balises constituant le corps du document HTML"));
    connect(squeletteHtmlAct, &QAction::triggered, this, &KalTextEdit::slotSqueletteHtml);

    pageHtml5Act = newAction(
        this, "pageHtml5Act", tr("Page HTML5..."), nullptr, QString(),
        tr("Squelette d'une page HTML5"),
        tr("Page HTML5...\n\nInsère le squelette d'une page HTML5 (doctype, langue, encodage "
           "du document, viewport, titre et corps) et place le curseur dans le titre"));
    connect(pageHtml5Act, &QAction::triggered, this, &KalTextEdit::slotPageHtml5);

    // Headings 1 to 6; only the first three have an icon.
    QAction **titres[] = {&titre1Act, &titre2Act, &titre3Act, &titre4Act, &titre5Act, &titre6Act};
    void (KalTextEdit::*titreSlots[])()
        = {&KalTextEdit::slotTitre1, &KalTextEdit::slotTitre2, &KalTextEdit::slotTitre3,
           &KalTextEdit::slotTitre4, &KalTextEdit::slotTitre5, &KalTextEdit::slotTitre6};
    const char *titreIcons[] = {":/images/h1icon.png",
                                ":/images/h2icon.png",
                                ":/images/h3icon.png",
                                nullptr,
                                nullptr,
                                nullptr};
    // On a French keyboard the digits need Shift: the keys of the same places on
    // the number row, unshifted, are second shortcuts.
    const char *const azerty[] = {"&", "é", "\"", "'", "(", "-"};
    for (int i = 0; i < 6; ++i) {
        const QString level = QString::number(i + 1);
        const QByteArray name = "titre" + QByteArray::number(i + 1) + "Act";
        const QString title = tr("Titre de niveau %1").arg(level);
        *titres[i] = newAction(
            this, name.constData(), title, titreIcons[i], tr("Ctrl+Alt+%1").arg(level), title,
            tr("Titre de niveau %1\n\nInsère les balises encadrant un titre de niveau %1")
                .arg(level));
        (*titres[i])
            ->setShortcuts({(*titres[i])->shortcut(),
                            QKeySequence(tr("Ctrl+Alt+%1").arg(QString::fromUtf8(azerty[i])))});
        connect(*titres[i], &QAction::triggered, this, titreSlots[i]);
    }

    // Lists, tables, links and images.
    listeSimpleAct = newAction(this, "listeSimpleAct", tr("Liste simple"),
                               ":/images/listesimple.png", tr("Shift+Alt+L"), tr("Liste simple"),
                               tr("Liste simple\n\nInsère les balises encadrant une liste simple"));
    connect(listeSimpleAct, &QAction::triggered, this, &KalTextEdit::slotListeSimple);

    listeOrdoAct
        = newAction(this, "listeOrdoAct", tr("Liste ordonnée"), ":/images/listeordo.png",
                    tr("Shift+Alt+O"), tr("Liste ordonnée"),
                    tr("Liste ordonnée\n\nInsère les balises encadrant une liste ordonnée"));
    connect(listeOrdoAct, &QAction::triggered, this, &KalTextEdit::slotListeOrdo);

    elemListeAct = newAction(this, "elemListeAct", tr("Elément de liste"), ":/images/elemliste.png",
                             tr("Shift+Alt+E"), tr("Elément de liste simple ou ordonnée"),
                             tr("Elément de liste\n\nInsère les balises encadrant un  élément de "
                                "liste simple ou de liste ordonnée"));
    connect(elemListeAct, &QAction::triggered, this, &KalTextEdit::slotElemListe);

    listeDefAct = newAction(
        this, "listeDefAct", tr("Liste de définitions"), ":/images/listedef.png", QString(),
        tr("Liste de définitions"),
        tr("Liste de définitions\n\nInsère les balises encadrant une liste de définitions"));
    connect(listeDefAct, &QAction::triggered, this, &KalTextEdit::slotListeDef);

    termDefAct = newAction(this, "termDefAct", tr("Terme défini"), ":/images/termdef.png",
                           QString(), tr("Terme défini"),
                           tr("Terme défini\n\nInsère les balises encadrant le titre d'un terme "
                              "d'une liste de définitions"));
    connect(termDefAct, &QAction::triggered, this, &KalTextEdit::slotTermDef);

    definitionAct = newAction(this, "definitionAct", tr("Définition"), ":/images/definition.png",
                              QString(), tr("Définition"),
                              tr("Définition\n\nInsère les balises encadrant le texte d'un terme "
                                 "d'une liste de définitions"));
    connect(definitionAct, &QAction::triggered, this, &KalTextEdit::slotDefinition);

    tableauxAct = newAction(this, "tableauxAct", tr("Tableaux"), ":/images/tableaux.png",
                            tr("Ctrl+Alt+T"), tr("Insertion d'un tableau"),
                            tr("Tableaux\n\nInsère les balises pour créer un tableau"));
    connect(tableauxAct, &QAction::triggered, this, &KalTextEdit::slotTableaux);

    lienHypTextAct = newAction(
        this, "lienHypTextAct", tr("Lien hyper-texte"), ":/images/lienhyptext.png", QString(),
        tr("Lien hyper-texte"),
        tr("Lien hyper-texte\n\nInsère les balises encadrant un lien vers un autre document"));
    connect(lienHypTextAct, &QAction::triggered, this, &KalTextEdit::slotLienHypText);

    nameAncreAct = newAction(this, "nameAncreAct", tr("Ancre hyper-texte"), ":/images/ancre.png",
                             QString(), tr("Ancre hyper-texte"),
                             tr("Ancre hyper-texte\n\nInsère les balises encadrant une adresse "
                                "d'arrivée d'un lien hyper-texte"));
    connect(nameAncreAct, &QAction::triggered, this, &KalTextEdit::slotNameAncre);

    imageAct = newAction(this, "imageAct", tr("Image"), ":/images/image.png", QString(),
                         tr("Insérer image"),
                         tr("Insérer image\n\nInsère les balises permettant d'insérer une image"));
    connect(imageAct, &QAction::triggered, this, &KalTextEdit::slotImage);

    // Checked from the user's settings before it is connected, as the view toggles.
    fermerBalisesAct = newAction(
        this, "fermerBalisesAct", tr("Fermer les balises"), nullptr, QString(),
        tr("Active/désactive la fermeture automatique des balises"),
        tr("Fermer les balises\n\nQuand vous tapez le \">\" qui termine une balise ouvrante, "
           "insère la balise fermante après le curseur"));
    fermerBalisesAct->setCheckable(true);
    fermerBalisesAct->setChecked(Reglages::fermerBalises());
    connect(fermerBalisesAct, &QAction::toggled, this, &KalTextEdit::slotFermerBalises);

    completionAct = newAction(
        this, "completionAct", tr("Complétion"), nullptr, QString(),
        tr("Active/désactive la liste des noms proposés pendant la frappe"),
        tr("Complétion\n\nPendant que vous tapez un nom de balise, d'attribut, de valeur ou "
           "d'entité, propose la liste des noms qui commencent ainsi ; Entrée ou Tab insère "
           "celui qui est choisi"));
    completionAct->setCheckable(true);
    completionAct->setChecked(Reglages::completion());
    connect(completionAct, &QAction::toggled, this, &KalTextEdit::slotCompletion);

    completerNomAct = newAction(
        this, "completerNomAct", tr("Compléter le nom"), nullptr, tr("Ctrl+Space"),
        tr("Propose les noms qui complètent celui qui est sous le curseur"),
        tr("Compléter le nom\n\nOuvre la liste des noms de balises, d'attributs, de valeurs ou "
           "d'entités qui conviennent à la position du curseur"));
    connect(completerNomAct, &QAction::triggered, this, &KalTextEdit::slotCompleterNom);
    baliseCorrespondanteAct = newAction(
        this, "baliseCorrespondanteAct", tr("Aller à la balise correspondante"), nullptr,
        tr("Ctrl+B"), tr("Place le curseur dans la balise qui va avec celle du curseur"),
        tr("Aller à la balise correspondante\n\nPlace le curseur dans la balise fermante de la "
           "balise ouvrante où il se trouve, ou dans la balise ouvrante de sa balise fermante"));
    connect(baliseCorrespondanteAct, &QAction::triggered, this,
            &KalTextEdit::slotBaliseCorrespondante);

    selectionnerElementAct = newAction(
        this, "selectionnerElementAct", tr("Sélectionner l'élément"), nullptr, tr("Ctrl+Shift+B"),
        tr("Sélectionne l'élément où se trouve le curseur, balises comprises"),
        tr("Sélectionner l'élément\n\nSélectionne l'élément où se trouve le curseur, de sa "
           "balise ouvrante à sa balise fermante comprises\u00a0; une nouvelle fois, "
           "l'élément qui le contient"));
    connect(selectionnerElementAct, &QAction::triggered, this,
            &KalTextEdit::slotSelectionnerElement);

    verifierPageAct = newAction(
        this, "verifierPageAct", tr("Vérifier la page"), nullptr, tr("F7"),
        tr("Liste les problèmes de la page"),
        tr("Vérifier la page\n\nListe, ligne par ligne, les erreurs de balisage trouvées par "
           "HTML Tidy et les images, liens et ancres qui ne mènent nulle part"));
    connect(verifierPageAct, &QAction::triggered, this, &KalTextEdit::slotVerifierPage);

    verifierSiteAct = newAction(
        this, "verifierSiteAct", tr("Vérifier le site"), nullptr, tr("Shift+F7"),
        tr("Vérifie les liens de toutes les pages du dossier de la page"),
        tr("Vérifier le site\n\nVérifie les liens, images, feuilles de style et ancres de "
           "toutes les pages du dossier de la page et de ses sous-dossiers, et trouve les pages "
           "orphelines; un nouvel appui arrête la vérification"));
    connect(verifierSiteAct, &QAction::triggered, this, &KalTextEdit::slotVerifierSite);

    // Checked while the panel shows, which F7 and its close button change too.
    viewProblemesAct = newAction(
        this, "viewProblemesAct", tr("Problèmes de la page"), nullptr, tr("Ctrl+F7"),
        tr("Montre/masque le panneau des problèmes"),
        tr("Problèmes de la page\n\nMontre le panneau des problèmes que la dernière "
           "vérification a trouvés, et lui donne le clavier; le masque s'il est montré"));
    viewProblemesAct->setCheckable(true);
    connect(viewProblemesAct, &QAction::toggled, this, &KalTextEdit::slotViewProblemes);

    problemeSuivantAct = newAction(
        this, "problemeSuivantAct", tr("Problème suivant"), nullptr, tr("F8"),
        tr("Va au problème suivant de la liste"),
        tr("Problème suivant\n\nPlace le curseur au problème suivant du panneau des problèmes, "
           "en ouvrant son fichier s'il le faut, sans quitter le texte"));
    connect(problemeSuivantAct, &QAction::triggered, this, &KalTextEdit::slotProblemeSuivant);

    problemePrecedentAct = newAction(
        this, "problemePrecedentAct", tr("Problème précédent"), nullptr, tr("Shift+F8"),
        tr("Va au problème précédent de la liste"),
        tr("Problème précédent\n\nPlace le curseur au problème précédent du panneau des "
           "problèmes, en ouvrant son fichier s'il le faut, sans quitter le texte"));
    connect(problemePrecedentAct, &QAction::triggered, this, &KalTextEdit::slotProblemePrecedent);

    // View and help. The toggles are checked before they are connected, so
    // building the window runs none of their slots.
    viewToolBarAct = newAction(this, "viewToolBarAct", tr("Barre d'outils"), nullptr, QString(),
                               tr("Active/désactive la barre d'outils"),
                               tr("Barre d'outils\n\nActive/désactive la barre d'outils"));
    viewToolBarAct->setCheckable(true);
    viewToolBarAct->setChecked(true);
    connect(viewToolBarAct, &QAction::toggled, this, &KalTextEdit::slotViewToolBar);

    viewToolBarBAct
        = newAction(this, "viewToolBarBAct", tr("Barre d'outils HTML"), nullptr, QString(),
                    tr("Active/désactive la barre d'outils HTML"),
                    tr("Barre d'outils HTML\n\nActive/désactive la barre d'outils HTML"));
    viewToolBarBAct->setCheckable(true);
    viewToolBarBAct->setChecked(true);
    connect(viewToolBarBAct, &QAction::toggled, this, &KalTextEdit::slotViewToolBarB);

    viewStatusBarAct = newAction(this, "viewStatusBarAct", tr("Barre de &statut"), nullptr,
                                 QString(), tr("Active/désactive la barre de statut"),
                                 tr("Barre de statut\n\nActive/désactive la barre de statut"));
    viewStatusBarAct->setCheckable(true);
    viewStatusBarAct->setChecked(true);
    connect(viewStatusBarAct, &QAction::toggled, this, &KalTextEdit::slotViewStatusBar);

    viewNumerosLigneAct
        = newAction(this, "viewNumerosLigneAct", tr("Numéros de ligne"), nullptr, QString(),
                    tr("Active/désactive les numéros de ligne"),
                    tr("Numéros de ligne\n\nActive/désactive les numéros de ligne dans la marge "
                       "de gauche du texte"));
    viewNumerosLigneAct->setCheckable(true);
    viewNumerosLigneAct->setChecked(Reglages::numerosLigne());
    connect(viewNumerosLigneAct, &QAction::toggled, this, &KalTextEdit::slotViewNumerosLigne);

    retourLigneAct = newAction(
        this, "retourLigneAct", tr("Retour à la ligne automatique"), nullptr, QString(),
        tr("Replie les lignes trop longues à la largeur de la fenêtre"),
        tr("Retour à la ligne automatique\n\nReplie les lignes trop longues à la largeur de "
           "la fenêtre ; sans lui, elles défilent de côté"));
    retourLigneAct->setCheckable(true);
    retourLigneAct->setChecked(Reglages::retourLigne());
    connect(retourLigneAct, &QAction::toggled, this, &KalTextEdit::slotRetourLigne);

    navigateurAct
        = newAction(this, "navigateurAct", tr("Voir dans le navigateur"), ":/images/navigateur.png",
                    tr("F5"), tr("Montre le texte dans un navigateur"),
                    tr("Voir dans le navigateur\n\nOuvre un navigateur pour visualiser "
                       "le texte en cours d'édition"));
    connect(navigateurAct, &QAction::triggered, this, &KalTextEdit::slotAppelleLisorel);

    navigateurBureauAct = newAction(
        this, "navigateurBureauAct", tr("Ouvrir dans le navigateur du bureau"), nullptr,
        tr("Shift+F5"), tr("Montre la page enregistrée dans le navigateur web du bureau"),
        tr("Ouvrir dans le navigateur du bureau\n\nOuvre la page enregistrée dans le navigateur "
           "web du bureau, pour la voir comme ses visiteurs la verront"));
    connect(navigateurBureauAct, &QAction::triggered, this, &KalTextEdit::slotNavigateurBureau);

    policeEditeurAct = newAction(this, "policeEditeurAct", tr("Police Editeur"), nullptr, QString(),
                                 tr("Choix de la police d'affichage de l'éditeur"),
                                 tr("Permetde choisir la police d'affichage de l'éditeur"));
    connect(policeEditeurAct, &QAction::triggered, this, &KalTextEdit::slotPoliceEditeur);

    aideAct = newAction(this, "aideAct", tr("Manuel d'aide de l'éditeur Html"), nullptr, tr("F1"),
                        tr("Aide de l'application"),
                        tr("Aide\n\nManuel de l'application Editeur Html"));
    connect(aideAct, &QAction::triggered, this, &KalTextEdit::slotAide);

    helpAboutAct = newAction(this, "helpAboutAct", tr("A propos de l'éditeur de textes"), nullptr,
                             QString(), tr("A propos de l'éditeur de textes"),
                             tr("A propos\n\nA propos de l'éditeur de textes"));
    connect(helpAboutAct, &QAction::triggered, this, &KalTextEdit::slotHelpAbout);

    helpAboutQtAct
        = newAction(this, "helpAboutQtAct", tr("A propos de Qt"), nullptr, QString(),
                    tr("A propos de l'outil de développement de l'application"),
                    tr("A propos de Qt\n\nA propos de l'outil de développement l'application"));
    connect(helpAboutQtAct, &QAction::triggered, this, &KalTextEdit::slotHelpAboutQt);

    whatsThisAct = QWhatsThis::createAction();
    whatsThisAct->setObjectName(QStringLiteral("whatsThisAct"));
}

void KalTextEdit::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&Fichier"));
    fileMenu->addAction(fileNewAct);
    fileMenu->addAction(fileOpenAct);
    fileMenu->addAction(fileSaveAct);
    fileMenu->addAction(fileSaveAsAct);
    recentsMenu = fileMenu->addMenu(tr("Fichiers &récents"));
    recentsMenu->setObjectName(QStringLiteral("recentsMenu"));
    // Read again at each showing: another program may have added to the list.
    connect(recentsMenu, &QMenu::aboutToShow, this, &KalTextEdit::remplitMenuRecents);
    remplitMenuRecents();
    fileMenu->addSeparator();
    fileMenu->addAction(fileQuitAct);

    editMenu = menuBar()->addMenu(tr("&Edition"));
    editMenu->addAction(editAnnulerAct);
    editMenu->addAction(editRefaireAct);
    editMenu->addSeparator();
    editMenu->addAction(editCutAct);
    editMenu->addAction(editCopyAct);
    editMenu->addAction(editPasteAct);
    editMenu->addSeparator();
    editMenu->addAction(editChercheAct);
    editMenu->addAction(editReplaceAct);
    editMenu->addAction(editReplaceEncoreAct);
    editMenu->addAction(editReplaceToutAct);
    editMenu->addAction(editChercherPrecedentAct);
    editMenu->addSeparator();
    editMenu->addAction(chercherSiteAct);
    editMenu->addAction(remplacerSiteAct);
    editMenu->addAction(annulerRemplacementSiteAct);
    editMenu->addSeparator();
    editMenu->addAction(atteindreLigneAct);
    editMenu->addSeparator();
    editMenu->addActions({indenterLignesAct, desindenterLignesAct, commenterAct, dupliquerLigneAct,
                          monterLignesAct, descendreLignesAct});

    htmlMenu = menuBar()->addMenu(tr("Edition &Html"));
    caracteresMenu = htmlMenu->addMenu(tr("Caractères"));
    caracteresMenu->addActions({carGrasAct, carItalicAct, carSouligneAct, carPreformateAct});
    htmlMenu->addSeparator();
    justificationMenu = htmlMenu->addMenu(tr("Justification"));
    justificationMenu->addActions(
        {alignGaucheAct, alignCentreAct, alignDroiteAct, alignJustifieAct});
    htmlMenu->addSeparator();
    htmlMenu->addActions({squeletteHtmlAct, pageHtml5Act, paragrapheAct, alaLigneAct, ligneHorizAct,
                          blancInsecAct, euroAct});
    htmlMenu->addSeparator();
    titresMenu = htmlMenu->addMenu(tr("Titres"));
    titresMenu->addActions({titre1Act, titre2Act, titre3Act, titre4Act, titre5Act, titre6Act});
    htmlMenu->addSeparator();
    listesMenu = htmlMenu->addMenu(tr("Listes"));
    listesMenu->addActions(
        {listeSimpleAct, listeOrdoAct, elemListeAct, listeDefAct, termDefAct, definitionAct});
    htmlMenu->addSeparator();
    htmlMenu->addActions({tableauxAct, lienHypTextAct, nameAncreAct, imageAct});
    htmlMenu->addSeparator();
    htmlMenu->addActions({baliseCorrespondanteAct, selectionnerElementAct});
    htmlMenu->addSeparator();
    htmlMenu->addAction(fermerBalisesAct);
    htmlMenu->addActions({completionAct, completerNomAct});
    htmlMenu->addSeparator();
    htmlMenu->addAction(verifierPageAct);
    htmlMenu->addAction(verifierSiteAct);

    viewMenu = menuBar()->addMenu(tr("Affichage"));
    viewMenu->addAction(navigateurAct);
    viewMenu->addAction(navigateurBureauAct);
    viewMenu->addSeparator();
    viewMenu->addActions({viewToolBarAct, viewToolBarBAct, viewStatusBarAct});
    viewMenu->addAction(viewNumerosLigneAct);
    viewMenu->addAction(retourLigneAct);
    viewMenu->addSeparator();
    viewMenu->addActions({viewProblemesAct, problemeSuivantAct, problemePrecedentAct});
    viewMenu->addSeparator();
    viewMenu->addAction(policeEditeurAct);

    helpMenu = menuBar()->addMenu(tr("&Aide"));
    helpMenu->addAction(aideAct);
    helpMenu->addSeparator();
    helpMenu->addAction(helpAboutAct);
    helpMenu->addAction(helpAboutQtAct);
}

void KalTextEdit::createToolBars()
{
    toolBar = new QToolBar(tr("Barre d'outils"), this);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    toolBar->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, toolBar);
    toolBar->addActions({fileNewAct, fileOpenAct, fileSaveAct});
    toolBar->addSeparator();
    toolBar->addActions(
        {editAnnulerAct, editRefaireAct, editCutAct, editCopyAct, editPasteAct, editChercheAct});
    toolBar->addSeparator();
    toolBar->addAction(navigateurAct);
    toolBar->addSeparator();
    toolBar->addAction(whatsThisAct);
    toolBar->addSeparator();

    addToolBarBreak(Qt::TopToolBarArea);

    toolBarB = new QToolBar(tr("Barre d'outils balises HTML"), this);
    toolBarB->setObjectName(QStringLiteral("toolBarB"));
    toolBarB->setIconSize(QSize(16, 16));
    addToolBar(Qt::TopToolBarArea, toolBarB);
    toolBarB->addActions({carGrasAct, carItalicAct, carSouligneAct, carPreformateAct});
    toolBarB->addSeparator();
    toolBarB->addActions({alignGaucheAct, alignCentreAct, alignDroiteAct, alignJustifieAct});
    toolBarB->addSeparator();
    toolBarB->addActions(
        {squeletteHtmlAct, paragrapheAct, alaLigneAct, ligneHorizAct, blancInsecAct, euroAct});
    toolBarB->addSeparator();
    toolBarB->addActions({titre1Act, titre2Act, titre3Act});
    toolBarB->addSeparator();
    toolBarB->addActions(
        {listeSimpleAct, listeOrdoAct, elemListeAct, listeDefAct, termDefAct, definitionAct});
    toolBarB->addSeparator();
    toolBarB->addAction(tableauxAct);
    toolBarB->addSeparator();
    toolBarB->addActions({lienHypTextAct, nameAncreAct, imageAct});
    toolBarB->addSeparator();
}
