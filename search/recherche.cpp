#include "recherche.h"

namespace {

// What may not stand just before or after a whole word: a letter, a digit or "_",
// in the Unicode sense ("é" is a letter), as "\w" means with Unicode properties.
const QString caractereDeMot = QStringLiteral("[\\p{L}\\p{N}_]");

bool estDeMot(char32_t c)
{
    return c == U'_' || QChar::isLetterOrNumber(c);
}

// The character that ends just before i, and the one that starts at i; a pair of
// surrogates counts as the one character it stands for. 0 past the line's edges.
char32_t avant(QStringView ligne, qsizetype i)
{
    if (i <= 0)
        return 0;
    const QChar c = ligne[i - 1];
    if (c.isLowSurrogate() && i >= 2 && ligne[i - 2].isHighSurrogate())
        return QChar::surrogateToUcs4(ligne[i - 2], c);
    return c.unicode();
}

char32_t a(QStringView ligne, qsizetype i)
{
    if (i >= ligne.size())
        return 0;
    const QChar c = ligne[i];
    if (c.isHighSurrogate() && i + 1 < ligne.size() && ligne[i + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(c, ligne[i + 1]);
    return c.unicode();
}

// The position one character after i: never between the two halves of a pair.
qsizetype caractereSuivant(QStringView ligne, qsizetype i)
{
    return i + (a(ligne, i) > 0xffff ? 2 : 1);
}

} // namespace

Recherche::Recherche(const QString &texte, bool casse, bool motsEntiers, bool expression)
    : texte(texte)
    , sensibilite(casse ? Qt::CaseSensitive : Qt::CaseInsensitive)
    , expression(expression)
    , parMotif(expression || motsEntiers)
{
    if (!parMotif || texte.isEmpty())
        return;
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!casse)
        options |= QRegularExpression::CaseInsensitiveOption;
    const QString source = expression ? texte : QRegularExpression::escape(texte);
    motif = QRegularExpression(source, options);
    if (!motif.isValid()) {
        erreur = motif.errorString();
        positionErreur = motif.patternErrorOffset();
        return;
    }
    if (motsEntiers) {
        // Written into the expression, the condition lets the engine try the other
        // ways of matching at a place ("ab|abc" finds "abc" in "abc d"). "\E" ends a
        // "\Q" left open. An expression that cannot be surrounded (a comment running
        // to its end, options that must open it) has each match checked instead.
        const QRegularExpression entoure(
            QStringLiteral("(?<!%1)(?:%2\\E)(?!%1)").arg(caractereDeMot, source), options);
        if (entoure.isValid() && entoure.captureCount() == motif.captureCount())
            motif = entoure;
        else
            verifieBords = true;
    }
    motif.optimize();
}

QString Recherche::messageErreur() const
{
    const QString ou = positionErreur <= 0 ? QStringLiteral("au début de l'expression")
        : positionErreur >= texte.size()
        ? QStringLiteral("à la fin de l'expression")
        : QStringLiteral("après «\u00a0%1\u00a0»").arg(texte.left(positionErreur));
    return QStringLiteral(
               "L'expression régulière «\u00a0%1\u00a0» n'est pas valide\u00a0:\n%2, %3.")
        .arg(texte, erreur, ou);
}

bool Recherche::bordsDeMot(QStringView ligne, qsizetype debut, qsizetype fin) const
{
    return !estDeMot(avant(ligne, debut)) && !estDeMot(a(ligne, fin));
}

Recherche::Occurrence Recherche::trouve(QStringView ligne, qsizetype depuis) const
{
    Occurrence occurrence;
    if (texte.isEmpty() || !valide() || depuis > ligne.size())
        return occurrence;
    if (!parMotif) {
        occurrence.debut = ligne.indexOf(texte, depuis, sensibilite);
        occurrence.longueur = texte.size();
        return occurrence;
    }
    for (qsizetype depart = depuis; depart <= ligne.size();) {
        const QRegularExpressionMatch match = motif.match(ligne, depart);
        // A valid expression whose match is not valid is one the engine gave up on.
        if (!match.isValid()) {
            occurrence.abandon = true;
            return occurrence;
        }
        if (!match.hasMatch())
            return occurrence;
        if (verifieBords && !bordsDeMot(ligne, match.capturedStart(), match.capturedEnd())) {
            depart = caractereSuivant(ligne, match.capturedStart());
            continue;
        }
        occurrence.debut = match.capturedStart();
        occurrence.longueur = match.capturedLength();
        occurrence.captures = match;
        return occurrence;
    }
    return occurrence;
}

Recherche::Occurrence Recherche::suivante(QStringView ligne, qsizetype depuis, bool sauteVide) const
{
    Occurrence occurrence = trouve(ligne, depuis);
    if (sauteVide && occurrence.trouvee() && occurrence.longueur == 0 && occurrence.debut == depuis)
        occurrence
            = depuis < ligne.size() ? trouve(ligne, caractereSuivant(ligne, depuis)) : Occurrence();
    return occurrence;
}

Recherche::Occurrence Recherche::precedente(QStringView ligne, qsizetype jusqua,
                                            bool sauteVide) const
{
    Occurrence derniere;
    if (texte.isEmpty() || !valide())
        return derniere;
    if (!parMotif) {
        // A negative start would make lastIndexOf count from the end.
        if (jusqua >= texte.size()) {
            derniere.debut = ligne.lastIndexOf(texte, jusqua - texte.size(), sensibilite);
            derniere.longueur = texte.size();
        }
        return derniere;
    }
    for (qsizetype depart = 0; depart <= ligne.size();) {
        const Occurrence occurrence = trouve(ligne, depart);
        if (occurrence.abandon)
            return occurrence;
        const qsizetype fin = occurrence.debut + occurrence.longueur;
        if (!occurrence.trouvee() || fin > jusqua)
            break;
        if (!(sauteVide && occurrence.longueur == 0 && occurrence.debut == jusqua))
            derniere = occurrence;
        if (occurrence.longueur > 0)
            depart = fin;
        else if (occurrence.debut < ligne.size())
            depart = caractereSuivant(ligne, occurrence.debut);
        else
            break;
    }
    return derniere;
}

QString Recherche::remplacement(const QString &modele, const Occurrence &occurrence) const
{
    if (!expression || !modele.contains(u'\\'))
        return modele;
    QString resultat;
    resultat.reserve(modele.size());
    for (qsizetype i = 0; i < modele.size(); ++i) {
        const QChar c = modele[i];
        const QChar suivant = i + 1 < modele.size() ? modele[i + 1] : QChar();
        if (c == u'\\' && suivant >= u'0' && suivant <= u'9') {
            resultat += occurrence.captures.capturedView(suivant.unicode() - u'0');
            ++i;
        } else if (c == u'\\' && suivant == u'n') {
            resultat += u'\n';
            ++i;
        } else if (c == u'\\' && suivant == u'\\') {
            resultat += u'\\';
            ++i;
        } else {
            resultat += c;
        }
    }
    return resultat;
}
