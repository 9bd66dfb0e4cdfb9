#pragma once

#include "verificationpage.h"

#include <QDockWidget>
#include <QPointer>
#include <QTextCursor>
#include <QTimer>

#include <memory>
#include <vector>

class Deplacements;
class QTextDocument;
class QTreeWidget;
class QTreeWidgetItem;

// One row of the panel: a place in a file and what is said of it.
struct RangeeProbleme
{
    int ligne = 1; // from 1; 0 for a row said of the whole file, which leads nowhere
    int colonne = 1; // from 1, one a character (see Colonnes)
    int longueur = 0; // characters selected at the place; 0 places the cursor only
    QString genre; // "Erreur", "Lien", "Occurrence"...
    QString message;
    QString detail; // more, in the row's tooltip, or ""
    // The line's text with a span of it shown (a match), and what would replace
    // the span when avecRemplacement; shown in the place of the message.
    QString extrait;
    int debutMarque = 0; // in extrait, UTF-16 units
    int longueurMarque = 0;
    bool avecRemplacement = false;
    QString remplacement;

    // A row of a check.
    static RangeeProbleme de(const Verification::Probleme &probleme);
};

// The rows of one file.
struct GroupeProblemes
{
    QString chemin; // the file's full path; "" for the document never saved
    // The path shown, with the count, as the group's header; "" shows the rows
    // without a header (the page's own check).
    QString relatif;
    QList<RangeeProbleme> rangees; // in the order shown: by line
    int total = -1; // the file's count, when more than its rows
};

// The dock of problems: rows grouped by file (a header with the file's path and
// count, groups in the order of those paths), from the page check, the site
// check or the site search. Return or a double click goes to a row's place, F8
// and Shift+F8 to the next and previous rows across the groups. The rows of the
// document being edited keep their place as the text changes (a cursor each),
// and say when their text was deleted. It knows nothing of the editor: the
// window acts on its signals and tells it which document it edits.
class PanneauProblemes : public QDockWidget
{
    Q_OBJECT

public:
    explicit PanneauProblemes(QWidget *parent);
    ~PanneauProblemes() override;

    // The document whose rows are followed with cursors; given once.
    void suitDocument(QTextDocument *document);
    // The document's text is about to be replaced as a whole (a file read, a new
    // document): its rows stop following it.
    void avantRemplacement();
    // The document is now the file at chemin ("" for a document never saved): its
    // rows follow it. After a "save as" of a document never saved, or of the
    // page whose check is shown, its rows go with it to its new name.
    void documentCourant(const QString &chemin);

    // A list is under way: the rows shown stay until it comes; the title says so.
    void commence(const QString &titre);
    // "Vérifier la page" is under way.
    void verificationEnCours();
    // The rows of the text the rows of the current document were found in, when
    // it is not the document's text of now, and the edits made since.
    struct Source
    {
        QString texte;
        std::shared_ptr<const Deplacements> depuis;
    };
    // Shows the groups (sorted here by relatif), after notes: rows that lead
    // nowhere, said of the whole list, first, and fin at the end.
    void montre(const QString &titre, QList<GroupeProblemes> groupes,
                const QStringList &notes = QStringList(), const QStringList &fin = QStringList(),
                const Source *source = nullptr);
    // "Vérifier la page": its result, of the page at chemin.
    void montre(const Verification::Resultat &resultat, const QString &chemin,
                const Source *source = nullptr);
    // No rows, no list under way: as before the first list.
    void vide();
    // The rows shown, or the list under way, are the page check's.
    bool listeDeLaPage() const { return dePage; }
    // The text changed since the check whose rows are shown, or not.
    void setTexteModifie(bool modifie);
    bool aUnResultat() const { return resultatMontre; }
    // A list is under way, or its rows are still being made.
    bool enCours() const
    {
        return travailEnCours || construction.active || depuisAncrage != nullptr;
    }
    // Ends the "under way" of commence() without rows: the title says why.
    void interrompu(const QString &titre);

    // F8 and Shift+F8: goes to the next (previous) row, round from the last to
    // the first, leaving the keyboard where it is. False when there is none.
    bool suivant(bool arriere);

    QTreeWidget *liste() const { return arbre; }

signals:
    // Go to a place of the document being edited: the cursor at debut, the text
    // up to fin selected. supprime: the row's text was deleted since.
    void allerDansLeTexte(int debut, int fin, bool supprime, bool prendClavier);
    // Open the file at chemin as the open command would (asking about the text
    // being edited first); the panel then goes to the row's place.
    void ouvrirFichier(const QString &chemin);
    void retourTexte();

protected:
    bool eventFilter(QObject *objet, QEvent *event) override;

private:
    struct Rangee
    {
        QString chemin;
        RangeeProbleme r;
        QTreeWidgetItem *item = nullptr;
        QTextCursor ancre;
        int position = 0; // in the document when its cursor is asked for
        int etendue = 0; // characters the cursor held when anchored
        bool ancree = false;
        bool supprimee = false;
    };

    void majTitre();
    void ajouteNote(const QString &texte);
    void construitSuite();
    void termineConstruction();
    QTreeWidgetItem *nouvelItem(const RangeeProbleme &rangee);
    void active(QTreeWidgetItem *item, bool prendClavier);
    int indexDe(const QTreeWidgetItem *item) const;
    void ancre(const Source *source);
    void ancreSuite();
    void termineAncrage();
    void detache();
    void majPlaces();
    void majTexteRangee(Rangee &rangee);

    QTreeWidget *arbre;
    QPointer<QTextDocument> document;
    QString cheminCourant;
    bool remplace = false;
    std::vector<Rangee> rangees;
    int parcourue = -1; // the row F8 last went to, or -1
    quint64 generation = 0; // of the rows, one more for each list shown
    // The items still to make, made a slice at a time.
    static constexpr int tranche = 2000;
    struct Construction
    {
        QList<GroupeProblemes> groupes;
        QStringList fin;
        int groupe = 0; // the next group to show
        int rangee = 0; // its next row
        QTreeWidgetItem *entete = nullptr;
        std::size_t index = 0; // in rangees, of the next row that leads somewhere
        bool active = false; // rows are still to be made
    };
    Construction construction;
    QTimer suiteConstruction;
    // The rows of the document whose cursors are still to be made, and the
    // edits made since their places were found.
    std::vector<std::size_t> aAncrer;
    std::size_t prochaineAAncrer = 0;
    std::unique_ptr<Deplacements> depuisAncrage;
    QTimer suiteAncrage;
    QTimer majDiffere;
    QString titreBase;
    QString titreEnCours;
    bool travailEnCours = false;
    bool texteModifie = false;
    bool resultatMontre = false;
    bool dePage = false; // see listeDeLaPage()
};
