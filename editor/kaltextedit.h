#pragma once

#include "blocs.h"
#include "documentencoding.h"
#include "etatfichier.h"

#include <QFont>
#include <QMainWindow>
#include <QString>
#include <QTimer>

#include <memory>

class QAction;
class QActionGroup;
class QCloseEvent;
class QLabel;
class QMenu;
class QToolBar;
class HighlighterHtml;
class JournalRecuperation;
struct DocumentRecupere;
class Lisorel;
class Recherche;
class monQTextEdit;
class CopieDocument;
class PanneauProblemes;
class Deplacements;
class TravailSite;
namespace RemplacementSite {
struct Bilan;
} // namespace RemplacementSite
namespace Verification {
struct Resultat;
class VerificationEnFond;
} // namespace Verification
namespace Site {
struct ResultatSite;
class VerificationSiteEnFond;
} // namespace Site

// The editor window: one document edited as HTML source text.
// The class is split into source files by concern: window (kaltextedit.cpp),
// actions and menus, status bar, documents, preferences, tag commands,
// blocks (alignment, table, skeleton, image), search, viewer commands.
class KalTextEdit : public QMainWindow
{
    Q_OBJECT

public:
    KalTextEdit(const QString &appName, const QString &fileName, bool standalone,
                const QString &programPath, QString version);
    ~KalTextEdit() override;

    // Offers back, one after the other, the texts that programs which died left
    // unsaved. Called once the window is shown, never by the constructor.
    void proposeRecuperation();

signals:
    void FermetureTextEdit(KalTextEdit *Addr);
    void CreationTextEdit(KalTextEdit *Addr);
    void fermetureMarlisse();

public slots:
    void slotFileNew();
    void slotFileOpen();
    bool loadFile(QString fileName);
    bool slotFileSave();
    bool slotFileSaveAs();
    bool saveFile(QString fileName);
    void slotFileQuit();
    void slotEditAnnuler();
    void slotEditRefaire();
    void slotEditCut();
    void slotEditCopy();
    void slotEditPaste();
    void slotEditCherche();
    void slotEditReplace();
    void slotEditReplaceEncore();
    void slotEditReplaceTout();
    void slotEditChercherPrecedent();
    void slotChercherSite();
    void slotRemplacerSite();
    void slotAnnulerRemplacementSite();
    void stopRechercheSite();
    void slotNavigateurBureau();
    void slotCarGras();
    void slotCarItalic();
    void slotCarSouligne();
    void slotCarPreformate();
    void slotTextAlign(QAction *action);
    void slotSqueletteHtml();
    void slotParagraphe();
    void slotAlaLigne();
    void slotLigneHoriz();
    void slotBlancInsec();
    void slotEuro();
    void slotTitre1();
    void slotTitre2();
    void slotTitre3();
    void slotTitre4();
    void slotTitre5();
    void slotTitre6();
    void slotListeSimple();
    void slotListeOrdo();
    void slotElemListe();
    void slotListeDef();
    void slotTermDef();
    void slotDefinition();
    void slotTableaux();
    void slotLienHypText();
    void slotNameAncre();
    void slotImage();
    void slotVerifierPage();
    void slotVerifierSite();
    void slotProblemeSuivant();
    void slotViewProblemes(bool on);
    void slotProblemePrecedent();
    void slotViewToolBar(bool toggle);
    void slotViewToolBarB(bool toggle);
    void slotViewStatusBar(bool toggle);
    void slotAppelleLisorel();
    void slotPoliceEditeur();
    void slotAide();
    void slotHelpAbout();
    void slotHelpAboutQt();
    void slotFermerBalises(bool on);
    void slotCompletion(bool on);
    void slotCompleterNom();
    void slotViewNumerosLigne(bool on);
    void slotAtteindreLigne();
    void slotIndenterLignes();
    void slotDesindenterLignes();
    void slotCommenter();
    void slotDupliquerLigne();
    void slotMonterLignes();
    void slotDescendreLignes();
    void slotRetourLigne(bool on);
    void slotPageHtml5();
    void slotBaliseCorrespondante();
    void slotSelectionnerElement();

protected slots:
    void slotGereFermetureBrowser();
    void slotMaJStatusBarreInfoModif(bool m);
    void slotInsertRewrite();
    void slotMaJPosition();
    void slotMenuEncodage();
    void slotRouvrirEncodage(QAction *action);
    void slotEnregistrerEncodage(QAction *action);
    void slotAllerAuProbleme(int ligne, int colonne);
    void slotAllerDansLeTexte(int debut, int fin, bool supprime, bool prendClavier);
    void slotMenuFinsDeLigne();
    void slotFinsDeLigne(QAction *action);
    void slotCommandeRefusee(const QString &raison);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Window construction (actions, menus, toolbars, status bar).
    void createActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void applyEditorFont();

    // Documents.
    void demandeSauvegarde(bool *ok);
    void retientDossier(const QString &fileName);
    void setCurrentFile(const QString &fileName);
    void majTypeDocument(const QString &fileName);
    void activeCommandesHtml(bool on);
    void refreshAlignmentLabel();
    void apercuApresSauvegarde(const QString &fileName, const DocumentEncoding::Encoding &encoding);
    bool ouvreFichier(const QString &fileName);
    void ouvreRecent(const QString &fileName);
    void remplitMenuRecents();
    bool chargeFichier(const QString &fileName,
                       const std::optional<DocumentEncoding::Encoding> &impose);

    // Encodings. The document's encoding by name (the label's text); false for a
    // name that is not known.
    QString documentEncodingName() const;
    bool setDocumentEncodingName(const QString &name);
    void adopteEncodage(const DocumentEncoding::Encoding &encoding, const QString &declaration);
    void remplitMenuEncodage();
    void adopteFinsDeLigne(LineEnds::Convention convention);
    QString litEncodageRetenu(const QString &fileName, const QByteArray &bytes,
                              DocumentEncoding::Kind kind, DocumentEncoding::Decoded *decoded,
                              bool *choisi);
    void retientEncodageChoisi(const QString &fileName, const DocumentEncoding::Encoding &encoding);
    bool remplacerFichierChange(const QString &fileName);

    // Preferences and closing.
    bool litOptions();
    bool ecritOptions();
    bool demandeSauvegardeFermeture();

    // Recovery journal.
    void demarreJournal();
    void texteRemplace(const QString &texte);
    bool restaure(const DocumentRecupere &document);

    // Tag engine.
    bool aSelection() const;
    void insereBalises(const QString &ouvrante, const QString &fermante, int decalage,
                       int decalageLignes);
    void deplaceCurseur(int decalage, int decalageLignes);
    void insereRetourLigne();
    void insereTitre(int niveau);
    void inserePaire(const QString &ouvrante, const QString &fermante);
    void insereLignes(const QStringList &lignes);

    // Commands on lines: the comments of the document's language, if it has some.
    std::optional<Blocs::Langage> langageCommentaires() const;

    // Search.
    bool peutChercher(const Recherche &recherche);
    bool selectionneOccurrence(const Recherche &recherche, bool arriere, QString *remplacement);
    void gardeEnHaut(int position);
    qsizetype remplaceTout(const Recherche &recherche, const QString &modele);

    // Search and replace in the site.
    void lanceRechercheSite(bool remplacer);
    void preparerTravailSite();
    void rechercheSiteFinie();
    void montreRangeesSite();
    void remplacementSiteFini(const RemplacementSite::Bilan &bilan);
    void annulationSiteFinie(const RemplacementSite::Bilan &bilan);

    // Page check, and the panel of problems.
    void verificationTerminee(const Verification::Resultat &resultat);
    PanneauProblemes *panneau();
    void panneauAvantRemplacement();
    void arreteVerificationPage();
    void panneauDocumentCourant(const QString &chemin);
    void ouvrePourLePanneau(const QString &chemin);
    void parcourtProblemes(bool arriere);
    void verificationSiteTerminee(const Site::ResultatSite &resultat);
    void arreteVerificationSite();

    Lisorel *browser;
    QString currentFile;
    QString currentFileName;
    QString baseTitle;
    QString windowTitleText;
    QString version;
    QString programDir;
    QString helpDir;
    QString currentDir;
    QString optionsFile;

    QMenu *fileMenu;
    QMenu *editMenu;
    QMenu *htmlMenu;
    QMenu *caracteresMenu;
    QMenu *titresMenu;
    QMenu *justificationMenu;
    QMenu *listesMenu;
    QMenu *viewMenu;
    QMenu *helpMenu;
    QMenu *recentsMenu = nullptr;
    QToolBar *toolBar;
    QToolBar *toolBarB;

    monQTextEdit *textEdit;
    const char *codecName;
    QFont editorFont;

    QAction *fileNewAct;
    QAction *fileOpenAct;
    QAction *fileSaveAct;
    QAction *fileSaveAsAct;
    QAction *fileQuitAct;
    QAction *editAnnulerAct;
    QAction *editRefaireAct;
    QAction *editCutAct;
    QAction *editCopyAct;
    QAction *editPasteAct;
    QAction *editChercheAct;
    QAction *editReplaceAct;
    QAction *editReplaceEncoreAct;
    QAction *editReplaceToutAct;
    QAction *editChercherPrecedentAct;
    QAction *chercherSiteAct;
    QAction *remplacerSiteAct;
    QAction *annulerRemplacementSiteAct;
    QAction *carGrasAct;
    QAction *carItalicAct;
    QAction *carSouligneAct;
    QAction *carPreformateAct;
    QActionGroup *alignGroup;
    QAction *alignGaucheAct;
    QAction *alignCentreAct;
    QAction *alignDroiteAct;
    QAction *alignJustifieAct;
    QAction *paragrapheAct;
    QAction *alaLigneAct;
    QAction *ligneHorizAct;
    QAction *blancInsecAct;
    QAction *euroAct;
    QAction *squeletteHtmlAct;
    QAction *titre1Act;
    QAction *titre2Act;
    QAction *titre3Act;
    QAction *titre4Act;
    QAction *titre5Act;
    QAction *titre6Act;
    QAction *listeSimpleAct;
    QAction *listeOrdoAct;
    QAction *elemListeAct;
    QAction *listeDefAct;
    QAction *termDefAct;
    QAction *definitionAct;
    QAction *tableauxAct;
    QAction *lienHypTextAct;
    QAction *nameAncreAct;
    QAction *imageAct;
    QAction *verifierPageAct;
    QAction *verifierSiteAct;
    QAction *viewProblemesAct;
    QAction *problemeSuivantAct;
    QAction *problemePrecedentAct;
    QAction *viewToolBarAct;
    QAction *viewToolBarBAct;
    QAction *viewStatusBarAct;
    QAction *navigateurAct;
    QAction *navigateurBureauAct = nullptr;
    QAction *policeEditeurAct;
    QAction *aideAct;
    QAction *helpAboutAct;
    QAction *helpAboutQtAct;
    QAction *whatsThisAct;
    QAction *fermerBalisesAct;
    QAction *completionAct;
    QAction *completerNomAct;
    QAction *viewNumerosLigneAct;
    QAction *atteindreLigneAct;
    QAction *indenterLignesAct;
    QAction *desindenterLignesAct;
    QAction *commenterAct;
    QAction *dupliquerLigneAct;
    QAction *monterLignesAct;
    QAction *descendreLignesAct;
    QAction *retourLigneAct;
    QAction *pageHtml5Act;
    QAction *baliseCorrespondanteAct;
    QAction *selectionnerElementAct;

    QString strAlignement;
    QString strCherche;
    QString strRemplace;
    bool respecteCasse;
    bool motsEntiers = false;
    bool expressionReguliere = false;
    // Where the last search left the cursor after an empty match, in the document's
    // revision of then: the next search goes on one character further.
    int apresVide = -1;
    int revisionApresVide = -1;
    // "Chercher dans le site" and "Remplacer dans le site": made at their first
    // use. The texts and file patterns last asked for, for the window's life.
    TravailSite *travailSite = nullptr;
    CopieDocument *copieRecherche = nullptr;
    QString texteRecherche;
    QString remplaceSite;
    QString motifsSite;
    bool parMotifsSite = false;
    // The search under way is for a replacement.
    bool remplacementSite = false;
    // How many occurrences the replacement changed in the open document (-1: it
    // was not one of the files; 0 while the files are written; -2 and -3: it was
    // not changed), and the edits made since its text was copied.
    qsizetype documentRemplaceSite = -1;
    std::shared_ptr<Deplacements> suiviRecherche;
    HighlighterHtml *highlighter;
    QLabel *labelModif;
    QLabel *labelAlignement;
    QLabel *labelInsertion;
    QLabel *labelPosition;
    QLabel *labelEncodage;
    QMenu *encodageMenu;
    QMenu *rouvrirEncodageMenu;
    QMenu *enregistrerEncodageMenu;
    // The document's encoding, used by the next saves, and the character set its
    // text declared when that encoding was settled: a page whose declaration has
    // changed since is saved in what it declares now.
    DocumentEncoding::Encoding encodageDocument;
    QString declarationLue;
    // The user chose the encoding for the document's file, which does not say what
    // it is in: the file written next is read in it again.
    bool encodageChoisi = false;
    // The line ends the next saves write: the file's own, LF for a new document.
    LineEnds::Convention finsDeLigne;
    QLabel *labelFinsDeLigne;
    QMenu *finsDeLigneMenu;
    // The file as the document last read or wrote it.
    EtatFichier etatDisque;
    bool standalone;
    bool isHtml;
    bool optionsModifiees;
    JournalRecuperation *journal;
    // "Vérifier la page": made at its first use. The document's revisions when
    // F7 was last pressed and in the text that its check got.
    PanneauProblemes *panneauProblemes;
    CopieDocument *copieVerifiee;
    Verification::VerificationEnFond *verification;
    int revisionDemandee;
    int revisionVerifiee;
    // The text the running check got, of which file, and the edits made since.
    QString texteVerifie;
    std::shared_ptr<Deplacements> suiviVerifie;
    // "Vérifier le site": made at its first use; the text of the page being
    // edited that it got, of which file, the edits made since; whether one was
    // asked for and not stopped.
    Site::VerificationSiteEnFond *verificationSite = nullptr;
    CopieDocument *copieSite = nullptr;
    QString texteSite;
    QString cheminSite;
    std::shared_ptr<Deplacements> suiviSite;
    bool siteDemande = false;
    QTimer avancementSite;

    friend class KalTextEditTestAccess;
};
