#pragma once

#include "blocs.h"

#include <QColor>
#include <QList>
#include <QMap>
#include <QRectF>
#include <QTextEdit>

#include <functional>

class CompleteurHtml;
class ContexteDocument;
class HighlighterHtml;
class MargeNumeros;
class QTextBlock;

// The editing widget: a QTextEdit that tells when the Insert key was pressed and
// takes whatever a paste or a drop brings as plain text. What the user types is
// helped here, in the key handling and nowhere else, so that pastes, drops and
// the commands' insertions never are: Return keeps the line's indentation, and in
// an HTML document a typed opening tag gets its closing tag. A margin at the left
// numbers the lines of the file.
class monQTextEdit : public QTextEdit
{
    Q_OBJECT

public:
    explicit monQTextEdit(QWidget *parent);

    // Whether a typed ">" that ends an opening tag inserts its closing tag: the
    // window turns it on for HTML documents when the user wants it.
    void setFermetureBalises(bool on);
    bool fermetureBalises() const { return fermeture; }

    // The names offered as they are typed: html for an HTML document (a plain text
    // gets none), pendantFrappe when the list opens by itself rather than only on
    // Ctrl+Space (completeNom()).
    void setCompletion(bool html, bool pendantFrappe);
    void completeNom();
    CompleteurHtml *completeurHtml() const { return completeur; }

    void setNumerosLigne(bool on);
    bool numerosLigne() const;

    // One number of the margin: the line's number, where it is drawn (in the
    // margin's coordinates) and whether it is the cursor's line.
    struct NumeroAffiche
    {
        int numero;
        QRectF rect;
        bool courant;
    };
    // The numbers the margin paints, the lines in view only.
    QList<NumeroAffiche> numerosAffiches() const;
    QWidget *marge() const;

    // Puts the cursor at line numero and column colonne (counted from 1; a column
    // past the line's end is its end) and shows that line in the middle of the view,
    // or as near it as the ends of the text allow.
    void atteindreLigne(int numero, int colonne = 1);

    // The colours of the margin: its background, the numbers, the cursor line's number.
    struct CouleursMarge
    {
        QColor fond;
        QColor numero;
        QColor courant;
    };
    CouleursMarge couleursMarge() const;

    // Commands on the lines of the selection, or on the cursor's line: one undo step
    // each, and none when nothing changes. One that is refused says why with
    // commandeRefusee().
    void indenteLignes(bool retrait);
    void basculeCommentaire(Blocs::Langage langage);
    void dupliqueLignes();
    void deplaceLignes(bool versLeHaut);
    // Return between a tag and its closing tag opens a line between them: in HTML
    // documents only.
    void setAidesHtml(bool on) { aidesHtml = on; }
    // Long lines wrapped at the view's width, or scrolled sideways.
    void setRetourLigne(bool on);

    // Colours the lines as they come into view, with highlighter, and no others.
    void setColoriage(HighlighterHtml *highlighter);

    // Whether the tag whose name holds the cursor and its partner are shown with a
    // background: the window turns it on for HTML documents.
    void setPaireVisible(bool on);
    // Moves the cursor into the name of the partner of the tag that holds it.
    enum class Partenaire { Trouve, HorsBalise, Aucun };
    Partenaire allerALaBaliseCorrespondante();
    // Selects the element, tags included, that holds the cursor; when an element
    // is selected, the one that holds it. False when there is none.
    bool selectionnerElement();
    // What the document's positions stand in (text, comment, script...).
    ContexteDocument *contexteHtml() const { return contexte; }

    // The selections drawn under the text, each kind set apart from the others.
    void setSelectionsSupplementaires(const QString &sorte,
                                      const QList<QTextEdit::ExtraSelection> &selections);

signals:
    void insertKeyPressed();
    void commandeRefusee(const QString &raison);

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void paintEvent(QPaintEvent *e) override;
    void changeEvent(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class MargeNumeros;

    void insereRetourLigne();
    bool retourEntreBalises(QTextCursor *cursor);
    bool toucheLignes(QKeyEvent *e);
    bool finDeLigneReelle(QKeyEvent *e);
    void commandeLignes(
        const std::function<Blocs::Bascule(const Blocs::Extrait &, int debut)> &commande);
    void remplaceLignes(const QTextBlock &premier, const Blocs::Extrait &avant,
                        const Blocs::Extrait &apres);
    Blocs::Extrait extrait(const QTextBlock &premier, const QTextBlock &dernier) const;
    void selectionneLignesMarge(int y, bool glisse, bool etend);
    // Where the view stands: the first character in view, how far down its line the
    // view's top is, and whether the cursor is in view. The place is found again
    // after the text is laid out at another width.
    struct Place
    {
        int position;
        qreal decalage;
        bool curseurVu;
    };
    Place place() const;
    void retrouvePlace(const Place &place);
    void defile(const QTextBlock &bloc, int haut);
    bool fermeBaliseTapee();
    void fermeBaliseOuvrante();
    void completeBaliseFermante();
    void reprendCompletion(const QKeyEvent *e);
    bool devantFermetureAuto() const;
    void suitCurseur();
    void retablitCurseur();
    void majPaire();
    void suitModification(int position, int retires, int ajoutes);
    QString texteEntre(int debut, int fin) const;
    void creeMarge();
    int largeurMarge() const;
    void majMarge(bool force = false);
    void placeMarge();
    void peintMarge(QPaintEvent *event);
    qreal hautDe(const QTextBlock &bloc) const;
    QTextBlock premierBlocVu() const;
    void colorieVisibles();
    void majTabulations();
    // Keeps the text laid out in pages that the toolkit can end.
    void paginer();

    // A closing tag inserted for the user, as long as it stands untouched.
    struct FermetureAuto
    {
        int debut;
        int fin;
        QString balise;
    };
    // At most this many are followed at once: the oldest are forgotten, and then
    // typed over no more.
    static constexpr int maxFermeturesAuto = 64;
    QList<FermetureAuto> fermeturesAuto;
    // Closing tags that an undo or a redo has just put back, followed again once
    // the document has told its change.
    QList<FermetureAuto> fermeturesRetablies;
    // A redone closing tag, in the document's revision of then: the redo puts the
    // cursor after it, and it goes back in front of it, where it was typed.
    struct CurseurRetabli
    {
        int revision = -1;
        int apres = -1;
        int devant = -1;
        bool attendu = false;
    };
    CurseurRetabli curseurRetabli;
    friend struct RetourFermeture;
    // The name and ">" that the last "</" received, from debut to fin, in the
    // document's revision of then: the first letter of the name typed right after
    // takes them back, so that a closing tag typed in full gives it once.
    struct Completion
    {
        int revision = -1;
        int debut = -1;
        int fin = -1;
        QChar premier;
    };
    Completion completion;
    bool fermeture = false;
    CompleteurHtml *completeur = nullptr;
    bool aidesHtml = false;
    // Where End or Home left the cursor, in which revision of the text: pressed
    // again there, the key goes on to the end or start of the line of the file.
    struct FrappeFinDeLigne
    {
        int position = -1;
        int revision = -1;
        bool fin = false;
    };
    FrappeFinDeLigne derniereFinDeLigne;
    // The line a selection made in the margin started from.
    int ligneAncreMarge = 0;
    ContexteDocument *contexte;
    bool paireVisible = false;
    // The cursor and the text for which the pair shown was found.
    int pairePosition = -1;
    int paireRevision = -1;
    QMap<QString, QList<QTextEdit::ExtraSelection>> selectionsParSorte;
    MargeNumeros *margeNumeros = nullptr;
    int chiffresMarge = 0;
    int ligneCourante = -1;
    // Where the first line in view began at the last paint of the margin.
    mutable int premierVu = 0;
    HighlighterHtml *coloriage = nullptr;
    // The numbers of the first and last blocks in view at the last paint.
    int premierColore = 0;
    int dernierColore = 0;
};
