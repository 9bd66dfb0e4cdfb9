#pragma once

#include "verificationpage.h"

#include <QDockWidget>

class QTreeWidget;
class QTreeWidgetItem;

// The dock "Problèmes de la page": what "Vérifier la page" found, one row a
// problem (line, column, kind, message), in the order of the page. Return or a
// double click on a row asks to go to its place, Escape to go back to the text.
// It knows nothing of the editor: the window acts on its signals.
class PanneauProblemes : public QDockWidget
{
    Q_OBJECT

public:
    explicit PanneauProblemes(QWidget *parent);

    // A check has started; the rows shown stay until it ends.
    void verificationEnCours();
    void montre(const Verification::Resultat &resultat);
    // No rows, no check under way: as before the first check.
    void vide();
    // The text changed since the check whose rows are shown, or not.
    void setTexteModifie(bool modifie);
    bool aUnResultat() const { return resultatMontre; }

    QTreeWidget *liste() const { return arbre; }

signals:
    void allerA(int ligne, int colonne);
    void retourTexte();

protected:
    bool eventFilter(QObject *objet, QEvent *event) override;

private:
    void majTitre();
    void active(const QTreeWidgetItem *item);

    QTreeWidget *arbre;
    QString bilan; // the counts, or "" while nothing was checked
    bool enCours = false;
    bool texteModifie = false;
    bool resultatMontre = false;
};
