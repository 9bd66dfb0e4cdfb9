#pragma once

#include "completionhtml.h"

#include <QHash>
#include <QObject>

class ContexteDocument;
class QCompleter;
class QKeyEvent;
class QStringListModel;
class QTextEdit;

// The list of names offered under the cursor of an editing widget as HTML source is
// typed (CompletionHtml says which names): a QCompleter over the names, its popup
// placed at the cursor. The widget hands it each key before and after handling it.
// Only Return and Tab take a name from the list; any other key goes into the text
// as without it, and the list follows: typing narrows it, a character that cannot
// be part of the name closes it, as a move of the cursor along the line does.
class CompleteurHtml : public QObject
{
    Q_OBJECT

public:
    // lexique: what each position of edit's document stands in.
    CompleteurHtml(QTextEdit *edit, ContexteDocument *lexique);

    // html: whether the document is HTML (a plain text gets no list at all);
    // pendantFrappe: whether the list opens by itself as names are typed, or only
    // when asked for (ouvre()).
    void setActif(bool html, bool pendantFrappe);
    bool pendantFrappe() const { return automatique; }

    // Before the widget handles e: true when the list took the key (Return or Tab
    // accepting a name, Escape, the arrows), which the widget must then leave.
    bool avantTouche(QKeyEvent *e);
    // After the widget handled e: opens, narrows or closes the list.
    void apresTouche(QKeyEvent *e);

    // Offers the names that fit at the cursor, if any, whatever was typed.
    void ouvre();
    bool ouverte() const;
    void ferme();
    // What Return or Tab would add now: empty when the list is closed or the name
    // chosen is typed in full.
    QString ajoutChoisi() const;

    QCompleter *completer() const { return completeur; }

protected:
    bool eventFilter(QObject *objet, QEvent *evenement) override;

private:
    bool prendTouche(QKeyEvent *e, Qt::KeyboardModifiers modificateurs, bool demande);
    void curseurDeplace();
    void planifie();
    void applique();
    CompletionHtml::Contexte contexteAuCurseur() const;
    void montre(const CompletionHtml::Contexte &contexte);
    void accepte(const QString &nom);
    QString choisi() const;

    QTextEdit *edit;
    ContexteDocument *lexique;
    QCompleter *completeur;
    QStringListModel *modele;
    CompletionHtml::Contexte courant;
    // What the model holds now, so that a list is not handed over again.
    QString listeChargee;
    // The list's width, for the list loaded; and of every list shown, by list and font.
    int largeur = 0;
    QHash<QString, int> largeurs;
    bool html = false;
    bool automatique = true;
    // From avantTouche() to apresTouche(): the key's own edits and scrolls leave the
    // list open.
    bool enTouche = false;
    // Whether the list is open, as the keys see it; its window follows from the
    // event loop.
    bool ouverteVoulue = false;
    bool planifiee = false;
};
