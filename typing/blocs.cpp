#include "blocs.h"

#include "saisiehtml.h"

#include <QList>

#include <algorithm>
#include <climits>

namespace {

using Blocs::Contexte;
using Blocs::Extrait;
using Blocs::Point;

bool blanc(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'
        || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

bool lettreAscii(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool finNom(QStringView texte, qsizetype i)
{
    return i >= texte.size() || blanc(texte[i]) || texte[i] == u'/' || texte[i] == u'>';
}

bool ligneVide(const QString &ligne)
{
    return std::all_of(ligne.cbegin(), ligne.cend(), [](QChar c) { return blanc(c); });
}

// One change of a line: at colonne, retires characters taken away or insere put in.
struct Modif
{
    int ligne;
    int colonne;
    int retires;
    QString insere;
};

// Where a point goes through a change of its line: a point at the place of an
// insertion stays before it; one in a removed run goes to its start.
void suit(Point *point, const Modif &modif)
{
    if (point->ligne != modif.ligne || point->colonne < modif.colonne)
        return;
    if (modif.retires > 0) {
        point->colonne = point->colonne <= modif.colonne + modif.retires
            ? modif.colonne
            : point->colonne - modif.retires;
    } else if (point->colonne > modif.colonne) {
        point->colonne += int(modif.insere.size());
    }
}

// The changes, each alone on its line or after (to the right of) the others of its
// line in the list: applied from the last, each finds its column unchanged.
Extrait applique(Extrait texte, const QList<Modif> &modifs)
{
    for (auto it = modifs.crbegin(); it != modifs.crend(); ++it) {
        QString &ligne = texte.lignes[it->ligne];
        if (it->retires > 0)
            ligne.remove(it->colonne, it->retires);
        else
            ligne.insert(it->colonne, it->insere);
        suit(&texte.ancre, *it);
        suit(&texte.curseur, *it);
    }
    return texte;
}

// A point moved by some lines; past the last line, the end of the text.
Point decale(Point point, int lignes, const QStringList &texte)
{
    point.ligne += lignes;
    if (point.ligne >= texte.size()) {
        point.ligne = int(texte.size()) - 1;
        point.colonne = int(texte.last().size());
    }
    return point;
}

QString joint(const QStringList &lignes, int premiere, int nombre)
{
    return lignes.mid(premiere, nombre).join(QLatin1Char('\n'));
}

// In a tag: the quote of a value, "=" before it, the ">" that ends the tag.
void litBalise(Contexte *c, QStringView texte, qsizetype *i)
{
    for (; *i < texte.size(); ++*i) {
        const QChar ch = texte[*i];
        if (c->guillemet) {
            if (ch == c->guillemet)
                c->guillemet = 0;
            continue;
        }
        if ((ch == u'"' || ch == u'\'') && c->apresEgal) {
            c->guillemet = ch.unicode();
            c->apresEgal = false;
        } else if (ch == u'>') {
            ++*i;
            c->lieu = c->apresBalise;
            c->apresEgal = false;
            return;
        } else if (!blanc(ch)) {
            c->apresEgal = ch == u'=';
        }
    }
}

// The start of the closing tag of a script or style element, at or after from,
// or -1.
qsizetype fermeture(QStringView texte, qsizetype from, QLatin1String balise)
{
    for (qsizetype i = texte.indexOf(balise, from, Qt::CaseInsensitive); i >= 0;
         i = texte.indexOf(balise, i + 1, Qt::CaseInsensitive)) {
        if (finNom(texte, i + balise.size()))
            return i;
    }
    return -1;
}

// In text: what the "<" at i starts.
void litChevron(Contexte *c, QStringView texte, qsizetype *i)
{
    const QStringView suite = texte.sliced(*i);
    if (suite.startsWith(QLatin1String("<!--"))) {
        *i += 4;
        c->lieu = Contexte::CommentaireHtml;
        // "<!-->" and "<!--->" are comments already closed.
        const QStringView reste = texte.sliced(*i);
        if (reste.startsWith(u'>') || reste.startsWith(QLatin1String("->"))) {
            *i += reste.indexOf(u'>') + 1;
            c->lieu = Contexte::Texte;
        }
        return;
    }
    if (suite.size() >= 2 && (suite[1] == u'!' || suite[1] == u'?' || suite[1] == u'%')) {
        c->lieu = Contexte::Instruction;
        c->finInstruction = suite[1] == u'!' ? 0 : suite[1].unicode();
        *i += 2;
        return;
    }
    const bool fermante = suite.size() >= 2 && suite[1] == u'/';
    const qsizetype nom = fermante ? 2 : 1;
    if (suite.size() <= nom || !lettreAscii(suite[nom])) {
        ++*i;
        return;
    }
    c->lieu = Contexte::Balise;
    c->apresBalise = Contexte::Texte;
    c->apresEgal = false;
    c->guillemet = 0;
    if (!fermante) {
        const auto nomEst = [suite](QLatin1String nom) {
            return suite.sliced(1).startsWith(nom, Qt::CaseInsensitive)
                && finNom(suite, 1 + nom.size());
        };
        if (nomEst(QLatin1String("script")))
            c->apresBalise = Contexte::Script;
        else if (nomEst(QLatin1String("style")))
            c->apresBalise = Contexte::Style;
        // Their text holds no markup: "<style>" or "<!--" there is text.
        else if (nomEst(QLatin1String("textarea")) || nomEst(QLatin1String("title"))) {
            c->apresBalise = Contexte::TexteBrut;
            c->titre = nomEst(QLatin1String("title"));
        }
    }
    *i += nom + 1;
}

// The first non-blank character of the lines from premiere to derniere, or the
// last one; false when they are all blank.
bool bord(const QStringList &lignes, int premiere, int derniere, bool dernier, Point *point)
{
    for (int n = 0; n <= derniere - premiere; ++n) {
        const int l = dernier ? derniere - n : premiere + n;
        const QString &ligne = lignes.at(l);
        for (qsizetype k = 0; k < ligne.size(); ++k) {
            const qsizetype c = dernier ? ligne.size() - 1 - k : k;
            if (!blanc(ligne.at(c))) {
                *point = {l, int(c)};
                return true;
            }
        }
    }
    return false;
}

const QString refusBalise = QStringLiteral(
    "Commenter : les lignes commencent à l'intérieur d'une balise, rien n'a changé.");
const QString refusCommentaire
    = QStringLiteral("Commenter : ces lignes sont déjà dans un commentaire, sélectionnez-le en "
                     "entier pour le retirer.");
const QString refusFin = QStringLiteral(
    "Commenter : les lignes finissent à l'intérieur d'une balise, d'un commentaire, d'un "
    "script ou d'un style, rien n'a changé.");
const QString refusVide = QStringLiteral("Commenter : les lignes sont vides, rien à commenter.");
const QString refusTexteBrut
    = QStringLiteral("Commenter : les lignes sont dans le texte d'un élément textarea ou title, "
                     "où un commentaire ne serait que du texte, rien n'a changé.");

// Wraps the lines between the first and last non-blank characters in ouvre and
// ferme, or takes them away when the lines are already one such comment.
Blocs::Bascule entoure(const Extrait &texte, int premiere, int derniere, QLatin1String ouvre,
                       QLatin1String ferme, bool finBonne, const QString &interdit,
                       const QString &refusInterdit)
{
    Point debut;
    Point fin;
    if (!bord(texte.lignes, premiere, derniere, false, &debut)
        || !bord(texte.lignes, premiere, derniere, true, &fin))
        return {texte, refusVide};
    QString bloc = joint(texte.lignes, debut.ligne, fin.ligne - debut.ligne + 1);
    bloc.truncate(bloc.size() - (texte.lignes.at(fin.ligne).size() - fin.colonne - 1));
    bloc.remove(0, debut.colonne);

    // Already one comment, and no more than one: it goes, with the blank that the
    // command puts inside each of its ends.
    const QStringView dedans = QStringView(bloc).sliced(
        std::min(bloc.size(), ouvre.size()),
        std::max<qsizetype>(0, bloc.size() - ouvre.size() - ferme.size()));
    if (bloc.size() >= ouvre.size() + ferme.size() && bloc.startsWith(ouvre) && bloc.endsWith(ferme)
        && !dedans.contains(ferme) && !dedans.startsWith(u'>')
        && !dedans.startsWith(QLatin1String("->")) && !dedans.contains(QLatin1String("--!>"))) {
        const int avantFin = fin.colonne + 1 - int(ferme.size());
        const bool blancFin = dedans.size() > 1 && dedans.endsWith(u' ');
        const bool blancDebut = dedans.startsWith(u' ');
        QList<Modif> modifs {{debut.ligne, debut.colonne, int(ouvre.size()) + blancDebut, {}}};
        modifs.append({fin.ligne, avantFin - blancFin, int(ferme.size()) + blancFin, {}});
        return {applique(texte, modifs), {}};
    }
    if (!finBonne)
        return {texte, refusFin};
    if (bloc.contains(interdit))
        return {texte, refusInterdit};
    return {applique(texte,
                     {{debut.ligne, debut.colonne, 0, ouvre + QLatin1Char(' ')},
                      {fin.ligne, fin.colonne + 1, 0, QLatin1Char(' ') + ferme}}),
            {}};
}

// "//" before each line of a script, after its indentation; or taken away, with the
// blank after it, when every line that is not blank has one.
Blocs::Bascule commenteLignes(const Extrait &texte, int premiere, int derniere)
{
    bool commentees = true;
    bool vides = true;
    for (int l = premiere; l <= derniere; ++l) {
        const QString &ligne = texte.lignes.at(l);
        if (ligneVide(ligne))
            continue;
        vides = false;
        const qsizetype k = SaisieHtml::indentation(ligne).size();
        commentees = commentees && QStringView(ligne).sliced(k).startsWith(QLatin1String("//"));
    }
    if (vides)
        return {texte, refusVide};
    QList<Modif> modifs;
    for (int l = premiere; l <= derniere; ++l) {
        const QString &ligne = texte.lignes.at(l);
        if (ligneVide(ligne))
            continue;
        const int k = int(SaisieHtml::indentation(ligne).size());
        if (commentees)
            modifs.append({l, k, 2 + (ligne.size() > k + 2 && ligne.at(k + 2) == u' '), {}});
        else
            modifs.append({l, k, 0, QStringLiteral("// ")});
    }
    return {applique(texte, modifs), {}};
}

} // namespace

namespace Blocs {

Lignes lignesVisees(const Extrait &texte)
{
    const Point debut = texte.ancre.ligne < texte.curseur.ligne
            || (texte.ancre.ligne == texte.curseur.ligne
                && texte.ancre.colonne <= texte.curseur.colonne)
        ? texte.ancre
        : texte.curseur;
    const Point fin = debut == texte.ancre ? texte.curseur : texte.ancre;
    Lignes lignes {debut.ligne, fin.ligne};
    if (fin.ligne > debut.ligne && fin.colonne == 0)
        --lignes.derniere;
    return lignes;
}

QString unite(QStringView ligne)
{
    return ligne.startsWith(u'\t') ? QStringLiteral("\t") : QStringLiteral("    ");
}

qsizetype retrait(QStringView ligne)
{
    qsizetype espaces = 0;
    while (espaces < 4 && espaces < ligne.size() && ligne[espaces] == u' ')
        ++espaces;
    // Blanks short of a unit before a tab make one unit with it, as the tab stops show.
    if (espaces < 4 && espaces < ligne.size() && ligne[espaces] == u'\t')
        return espaces + 1;
    return espaces;
}

Extrait indente(const Extrait &texte)
{
    const Lignes lignes = lignesVisees(texte);
    QList<Modif> modifs;
    for (int l = lignes.premiere; l <= lignes.derniere; ++l) {
        if (!texte.lignes.at(l).isEmpty())
            modifs.append({l, 0, 0, unite(texte.lignes.at(l))});
    }
    return applique(texte, modifs);
}

Extrait desindente(const Extrait &texte)
{
    const Lignes lignes = lignesVisees(texte);
    QList<Modif> modifs;
    for (int l = lignes.premiere; l <= lignes.derniere; ++l) {
        const int n = int(retrait(texte.lignes.at(l)));
        if (n > 0)
            modifs.append({l, 0, n, {}});
    }
    return applique(texte, modifs);
}

Extrait duplique(const Extrait &texte)
{
    const Lignes lignes = lignesVisees(texte);
    const int nombre = lignes.derniere - lignes.premiere + 1;
    Extrait resultat = texte;
    for (int n = 0; n < nombre; ++n)
        resultat.lignes.insert(lignes.derniere + 1 + n, texte.lignes.at(lignes.premiere + n));
    resultat.ancre = decale(texte.ancre, nombre, resultat.lignes);
    resultat.curseur = decale(texte.curseur, nombre, resultat.lignes);
    return resultat;
}

Extrait deplace(const Extrait &texte, bool versLeHaut)
{
    const Lignes lignes = lignesVisees(texte);
    Extrait resultat = texte;
    if (versLeHaut) {
        if (lignes.premiere == 0)
            return texte;
        resultat.lignes.move(lignes.premiere - 1, lignes.derniere);
    } else {
        if (lignes.derniere + 1 >= texte.lignes.size())
            return texte;
        resultat.lignes.move(lignes.derniere + 1, lignes.premiere);
    }
    const int sens = versLeHaut ? -1 : 1;
    resultat.ancre = decale(texte.ancre, sens, resultat.lignes);
    resultat.curseur = decale(texte.curseur, sens, resultat.lignes);
    return resultat;
}

Contexte debut(Langage langage)
{
    Contexte c;
    if (langage == Langage::Css)
        c.lieu = Contexte::Style;
    else if (langage == Langage::JavaScript)
        c.lieu = Contexte::Script;
    c.fichier = langage != Langage::Html;
    return c;
}

Contexte lit(const Contexte &depart, QStringView texte)
{
    Contexte c = depart;
    qsizetype i = 0;
    while (i < texte.size()) {
        switch (c.lieu) {
        case Contexte::Texte: {
            const qsizetype chevron = texte.indexOf(u'<', i);
            if (chevron < 0)
                return c;
            i = chevron;
            litChevron(&c, texte, &i);
            break;
        }
        case Contexte::Balise:
            litBalise(&c, texte, &i);
            break;
        case Contexte::Instruction: {
            const qsizetype fin = c.finInstruction
                ? texte.indexOf(QString(QChar(c.finInstruction)) + QLatin1Char('>'), i)
                : texte.indexOf(u'>', i);
            if (fin < 0)
                return c;
            i = fin + (c.finInstruction ? 2 : 1);
            c.lieu = Contexte::Texte;
            break;
        }
        case Contexte::CommentaireHtml: {
            const qsizetype fin = texte.indexOf(QLatin1String("-->"), i);
            const qsizetype finBang = texte.indexOf(QLatin1String("--!>"), i);
            if (fin < 0 && finBang < 0)
                return c;
            i = fin >= 0 && (finBang < 0 || fin < finBang) ? fin + 3 : finBang + 4;
            c.lieu = Contexte::Texte;
            break;
        }
        case Contexte::Script: {
            if (c.fichier)
                return c;
            const qsizetype fin = fermeture(texte, i, QLatin1String("</script"));
            if (fin < 0)
                return c;
            i = fin;
            litChevron(&c, texte, &i);
            break;
        }
        case Contexte::TexteBrut: {
            const qsizetype fin = fermeture(
                texte, i, c.titre ? QLatin1String("</title") : QLatin1String("</textarea"));
            if (fin < 0)
                return c;
            i = fin;
            litChevron(&c, texte, &i);
            break;
        }
        case Contexte::Style:
        case Contexte::CommentaireCss: {
            const bool commentaire = c.lieu == Contexte::CommentaireCss;
            const qsizetype marque
                = texte.indexOf(commentaire ? QLatin1String("*/") : QLatin1String("/*"), i);
            const qsizetype fin = c.fichier ? -1 : fermeture(texte, i, QLatin1String("</style"));
            if (fin >= 0 && (marque < 0 || fin < marque)) {
                i = fin;
                litChevron(&c, texte, &i);
            } else if (marque >= 0) {
                i = marque + 2;
                c.lieu = commentaire ? Contexte::Style : Contexte::CommentaireCss;
            } else {
                return c;
            }
            break;
        }
        }
    }
    return c;
}

Bascule basculeCommentaire(const Extrait &texte, const Contexte &avant)
{
    const Lignes lignes = lignesVisees(texte);
    QString precedentes;
    for (int l = 0; l < lignes.premiere; ++l)
        precedentes += texte.lignes.at(l) + QLatin1Char('\n');
    const Contexte ici = lit(avant, precedentes);
    const Contexte apres
        = lit(ici, joint(texte.lignes, lignes.premiere, lignes.derniere - lignes.premiere + 1));

    switch (ici.lieu) {
    case Contexte::Balise:
    case Contexte::Instruction:
        return {texte, refusBalise};
    case Contexte::TexteBrut:
        return {texte, refusTexteBrut};
    case Contexte::CommentaireHtml:
    case Contexte::CommentaireCss:
        return {texte, refusCommentaire};
    case Contexte::Texte:
        // A comment begun in markup and ended in a tag, a script or a style would
        // end nowhere: the lines must end in markup, as they began.
        return entoure(texte, lignes.premiere, lignes.derniere, QLatin1String("<!--"),
                       QLatin1String("-->"), apres.lieu == Contexte::Texte, QStringLiteral("--"),
                       QStringLiteral("Commenter : les lignes contiennent « -- », qui ne peut pas "
                                      "être dans un commentaire HTML (un commentaire n'en "
                                      "contient pas un autre), rien n'a changé."));
    case Contexte::Style:
        return entoure(texte, lignes.premiere, lignes.derniere, QLatin1String("/*"),
                       QLatin1String("*/"), apres.lieu == Contexte::Style, QStringLiteral("*/"),
                       QStringLiteral("Commenter : les lignes contiennent « */ », qui fermerait "
                                      "le commentaire, rien n'a changé."));
    case Contexte::Script:
        if (apres.lieu != Contexte::Script)
            return {texte, refusFin};
        return commenteLignes(texte, lignes.premiere, lignes.derniere);
    }
    return {texte, refusFin};
}

std::optional<RetourEntreBalises> retourEntreBalises(QStringView avant, LexiqueHtml::Etat etat,
                                                     QStringView apres, QStringView debutLigne)
{
    const QString nom = SaisieHtml::baliseAFermer(avant, etat, QStringView());
    if (nom.isEmpty())
        return std::nullopt;
    const QString fermante = QStringLiteral("</") + nom;
    if (!apres.startsWith(fermante, Qt::CaseInsensitive) || apres.size() <= fermante.size()
        || apres[fermante.size()] != u'>')
        return std::nullopt;

    // The opening tag, ending where the cursor is: its "<" is the last one before
    // its name, the same as typed.
    qsizetype ouvre = avant.size();
    do {
        ouvre = avant.lastIndexOf(QLatin1Char('<') + nom, ouvre - 1);
    } while (ouvre > 0 && !finNom(avant, ouvre + 1 + nom.size()));
    const auto finLigne = [](QChar c) { return c == QChar::ParagraphSeparator || c == u'\n'; };
    qsizetype ligne = std::max<qsizetype>(ouvre, 0);
    while (ligne > 0 && !finLigne(avant[ligne - 1]))
        --ligne;
    // A line begun before avant begins with debutLigne.
    QString blancs = SaisieHtml::indentation(avant.sliced(ligne)).toString();
    if (ligne == 0) {
        const QStringView debut = SaisieHtml::indentation(debutLigne);
        blancs = debut.size() < debutLigne.size() ? debut.toString() : debut.toString() + blancs;
    }
    return RetourEntreBalises {blancs + unite(blancs), blancs};
}

Destination lisDestination(QStringView saisie, int lignes)
{
    Destination destination;
    const QString bornes = QStringLiteral("de 1 à %1").arg(lignes);
    const QStringView texte = saisie.trimmed();
    if (texte.isEmpty()) {
        destination.refus
            = QStringLiteral("Tapez un numéro de ligne, %1, ou ligne:colonne.").arg(bornes);
        return destination;
    }
    // Each part is digits alone; a number too large for an int is as good as the end.
    const auto nombre = [](QStringView partie, int *valeur) {
        partie = partie.trimmed();
        if (partie.isEmpty() || !std::all_of(partie.begin(), partie.end(), [](QChar c) {
                return c >= u'0' && c <= u'9';
            }))
            return false;
        bool ok = false;
        const qlonglong lu = partie.toLongLong(&ok);
        *valeur = !ok || lu > INT_MAX ? INT_MAX : int(lu);
        return true;
    };
    const qsizetype deuxPoints = texte.indexOf(u':');
    int ligne = 0;
    int colonne = 1;
    const bool lue = nombre(deuxPoints < 0 ? texte : texte.first(deuxPoints), &ligne)
        && (deuxPoints < 0 || nombre(texte.sliced(deuxPoints + 1), &colonne));
    if (!lue) {
        destination.refus = texte.startsWith(u'-')
            ? QStringLiteral("Les lignes sont numérotées à partir de 1 : tapez un numéro %1.")
                  .arg(bornes)
            : QStringLiteral("« %1 » n'est pas un numéro de ligne : tapez un nombre %2, ou "
                             "ligne:colonne.")
                  .arg(texte.toString(), bornes);
        return destination;
    }
    if (ligne == 0 || colonne == 0) {
        destination.refus = ligne == 0
            ? QStringLiteral("Les lignes sont numérotées à partir de 1 : tapez un numéro %1.")
                  .arg(bornes)
            : QStringLiteral("Les colonnes sont numérotées à partir de 1.");
        return destination;
    }
    destination.ligne = std::min(ligne, std::max(lignes, 1));
    destination.colonne = colonne;
    return destination;
}

} // namespace Blocs
