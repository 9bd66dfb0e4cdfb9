#pragma once

#include "lexiquehtml.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class QTextDocument;

// What each position of a document stands in (the text, a comment, a script...),
// found from points of the document where it is known: a comment or a script of
// any length is known as such, yet a question costs the reading of a few
// thousand characters, however long the document. The points of a new text are
// found ahead, a slice at a time, while the event loop is idle, or as questions
// need them; they are kept through the edits: an edit makes those after it
// doubtful until a reading passes them and finds them unchanged.
class ContexteDocument : public QObject
{
    Q_OBJECT

public:
    explicit ContexteDocument(QTextDocument *document);

    // What the character at position stands in (at the end of the text: what a
    // character typed there would).
    LexiqueHtml::Etat etatA(int position);

    // The text from a point at or before debut up to fin, and the state at its
    // start: a reading of it sees what a reading of the whole document would.
    struct Extrait
    {
        int origine;
        LexiqueHtml::Etat etat;
        QString texte;
    };
    Extrait extrait(int debut, int fin);

    // The points kept at least this far apart.
    static constexpr int ecart = 2048;

    // A position where a reading may start, and the state it starts in.
    struct Point
    {
        int position = 0;
        LexiqueHtml::Etat etat;
    };

private:
    void suitModification(int position, int retires, int ajoutes);
    void oublie();
    void litToutSiNouveau(int position, int ajoutes);
    void litUneTranche();
    void verifie(int jusqua);
    Point pointAvant(int position) const;
    QString texteEntre(int debut, int fin) const;

    QTextDocument *document;
    // Sorted by position. Those up to the first edit not read again are sure.
    QList<Point> points;
    // Where the text changed since the points after it were found, in order.
    QList<int> modifications;
    int longueur;
    int revision;
    QTimer lectureEnAvance;
};
