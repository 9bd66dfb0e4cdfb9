#pragma once

#include <QRegularExpression>
#include <QRegularExpressionMatch>
#include <QString>
#include <QStringView>

// What the search commands look for: a text as typed or a regular expression, with
// the case and whole-word options. A match never spans lines: each line is searched
// on its own, as a subject of its own, so that "^" and "$" are its edges.
class Recherche
{
public:
    Recherche(const QString &texte, bool casse, bool motsEntiers, bool expression);

    const QString &texteCherche() const { return texte; }
    bool estExpression() const { return expression; }
    // An expression that does not compile: what the engine says, and where.
    bool valide() const { return erreur.isEmpty(); }
    QString messageErreur() const;

    struct Occurrence
    {
        qsizetype debut = -1; // in the line; -1 when there is none
        qsizetype longueur = 0;
        // The engine gave up on this line (its match limit, a line too long for it):
        // nothing may be said of the line, not even that the text is absent.
        bool abandon = false;
        // What an expression captured: it reads the searched line, which must
        // outlive it.
        QRegularExpressionMatch captures;
        bool trouvee() const { return debut >= 0; }
    };

    // The first occurrence in ligne that starts at or after depuis. An empty match
    // at depuis is passed over when sauteVide, so that a search that found one goes
    // on one character further instead of finding it again.
    Occurrence suivante(QStringView ligne, qsizetype depuis, bool sauteVide) const;
    // The last occurrence, of those a search from the line's start finds one after
    // the other, that ends at or before jusqua (an empty one at jusqua passed over
    // when sauteVide).
    Occurrence precedente(QStringView ligne, qsizetype jusqua, bool sauteVide) const;

    // The text that replaces occurrence according to modele, while the line it was
    // found in lives: for an expression,
    // \0 to \9 are what it captured, \n a line break and \\ a backslash; any other
    // backslash stays as typed. A text as typed is inserted as it is.
    QString remplacement(const QString &modele, const Occurrence &occurrence) const;

    // Each occurrence of ligne in turn, as "Remplacer tout" takes them: the next
    // one is searched after the end of the last, one character further after an
    // empty one. trouvee(occurrence) returns false to stop. False when the engine
    // gave up on the line.
    template<class Appel>
    bool chaqueOccurrence(QStringView ligne, Appel trouvee) const
    {
        qsizetype depuis = 0;
        bool sauteVide = false;
        for (;;) {
            const Occurrence occurrence = suivante(ligne, depuis, sauteVide);
            if (occurrence.abandon)
                return false;
            if (!occurrence.trouvee() || !trouvee(occurrence))
                return true;
            depuis = occurrence.debut + occurrence.longueur;
            sauteVide = occurrence.longueur == 0;
        }
    }

private:
    Occurrence trouve(QStringView ligne, qsizetype depuis) const;
    bool bordsDeMot(QStringView ligne, qsizetype debut, qsizetype fin) const;

    QString texte;
    Qt::CaseSensitivity sensibilite;
    bool expression;
    // The text as typed is searched with QString's own search unless whole words
    // are wanted; otherwise through motif.
    bool parMotif;
    // The whole-word condition could not be written into the expression itself:
    // each match is checked instead.
    bool verifieBords = false;
    QRegularExpression motif;
    QString erreur;
    qsizetype positionErreur = -1;
};
