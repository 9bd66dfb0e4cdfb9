#include "verificationpage.h"

#include "balises.h"
#include "imbrication.h"
#include "liens.h"
#include "rapporttidy.h"
#include "releve.h"

#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <utility>
#include <vector>

namespace Verification {

namespace {

// The text with every line end as '\n', as the editor's blocks hold it.
QString lignesDeLEditeur(const QString &texte)
{
    const auto finDeLigne = [](QChar c) {
        return c == u'\r' || c == QChar::ParagraphSeparator || c == u'\ufdd0' || c == u'\ufdd1';
    };
    if (std::none_of(texte.cbegin(), texte.cend(), finDeLigne))
        return texte;
    QString lignes;
    lignes.reserve(texte.size());
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c == u'\r' && i + 1 < texte.size() && texte.at(i + 1) == u'\n')
            continue;
        lignes += finDeLigne(c) ? QChar(u'\n') : c;
    }
    return lignes;
}

// The text with the spans given (the content of each <template>...) made blank
// for Tidy, lines and columns kept: a character becomes one space (a pair of
// halves too), line ends and control characters, which Tidy does not count, stay.
QString sansModeles(const QString &texte,
                    const std::vector<std::pair<qsizetype, qsizetype>> &modeles)
{
    if (modeles.empty())
        return texte;
    QString blanc;
    blanc.reserve(texte.size());
    qsizetype copie = 0;
    for (const auto &[debut, fin] : modeles) {
        blanc += QStringView(texte).sliced(copie, debut - copie);
        for (qsizetype i = debut; i < fin; ++i) {
            const QChar c = texte.at(i);
            if (c.unicode() < 0x20 && c != u'\t')
                blanc += c;
            else if (!(c.isLowSurrogate() && i > debut && texte.at(i - 1).isHighSurrogate()))
                blanc += u' ';
        }
        copie = fin;
    }
    blanc += QStringView(texte).sliced(copie);
    return blanc;
}

// Follows the definition lists of a page, to find the <div>s that group their
// terms: a <div> whose parent is a <dl>.
struct GroupesDeDefinitions
{
    enum Sorte : quint8 { Liste, Terme, Groupe, Bloc };
    std::vector<Sorte> ouverts; // from the outermost <dl>
    std::vector<std::pair<qsizetype, qsizetype>> blancs; // the tags of the groups

    void balise(const Balise &balise)
    {
        const QString &nom = balise.nom;
        const bool terme = nom == QLatin1String("dt") || nom == QLatin1String("dd");
        if (nom == QLatin1String("dl")) {
            if (!balise.fermante && !balise.autoFermee) {
                ouverts.push_back(Liste);
            } else if (balise.fermante
                       && std::find(ouverts.cbegin(), ouverts.cend(), Liste) != ouverts.cend()) {
                while (ouverts.back() != Liste)
                    ouverts.pop_back();
                ouverts.pop_back();
            }
            return;
        }
        if (ouverts.empty() || (!terme && nom != QLatin1String("div")) || balise.autoFermee)
            return;
        if (terme) {
            if (!ouverts.empty() && ouverts.back() == Terme)
                ouverts.pop_back();
            if (!balise.fermante)
                ouverts.push_back(Terme);
            return;
        }
        if (!balise.fermante) {
            if (ouverts.back() == Liste)
                blancs.emplace_back(balise.position, balise.fin);
            ouverts.push_back(ouverts.back() == Liste ? Groupe : Bloc);
            return;
        }
        while (!ouverts.empty() && ouverts.back() == Terme)
            ouverts.pop_back();
        if (!ouverts.empty() && (ouverts.back() == Groupe || ouverts.back() == Bloc)) {
            if (ouverts.back() == Groupe)
                blancs.emplace_back(balise.position, balise.fin);
            ouverts.pop_back();
        }
    }
};

// Whether the page is still in its <head> after the tag: only metadata stands
// there, and what closes the head ends it.
bool resteDansLEntete(const Balise &balise)
{
    static const QStringList metadonnees
        = {QStringLiteral("html"),    QStringLiteral("head"),     QStringLiteral("title"),
           QStringLiteral("meta"),    QStringLiteral("link"),     QStringLiteral("style"),
           QStringLiteral("script"),  QStringLiteral("noscript"), QStringLiteral("base"),
           QStringLiteral("template")};
    if (balise.fermante
        && (balise.nom == QLatin1String("head") || balise.nom == QLatin1String("html")))
        return false;
    return metadonnees.contains(balise.nom);
}

} // namespace

Resultat verifie(const Page &page, int maximum, const std::atomic<bool> *arret)
{
    const QString texte = lignesDeLEditeur(page.texte);
    Releve releve(maximum);
    Positions positions(texte);

    Imbrication imbrication;
    Liens liens(page.chemin, arret);
    // The contents of the outermost templates, from after <template> to </template>;
    // a template of <head> as a whole, its tags too: Tidy 5.6 takes any template
    // for the start of the body, where HTML takes it as metadata.
    std::vector<std::pair<qsizetype, qsizetype>> modeles;
    int dansModele = 0;
    bool dansLEntete = true;
    qsizetype debutModele = 0;
    bool modeleDeLEntete = false;
    // The <div>s that group terms and definitions in a <dl>, as HTML allows and
    // Tidy 5.6 does not: their tags are blanked for it.
    GroupesDeDefinitions groupes;
    parcourtBalises(texte, [&](const Balise &balise) {
        if (dansModele == 0)
            groupes.balise(balise);
        const bool modele = balise.nom == QLatin1String("template");
        if (dansModele == 0 && dansLEntete)
            dansLEntete = resteDansLEntete(balise);
        if (modele && !balise.fermante && !balise.autoFermee) {
            if (dansModele++ == 0) {
                modeles.emplace_back(balise.fin, texte.size());
                debutModele = balise.position;
                modeleDeLEntete = dansLEntete;
            }
        } else if (modele && balise.fermante && dansModele > 0) {
            if (--dansModele == 0) {
                modeles.back() = modeleDeLEntete ? std::pair(debutModele, balise.fin)
                                                 : std::pair(modeles.back().first, balise.position);
            }
        }
        if (dansModele == 0 || (modele && dansModele == 1 && !balise.fermante))
            imbrication.balise(balise);
        liens.balise(balise);
    });

    switch (imbrication.depassement()) {
    case Imbrication::Depassement::Aucun:
        modeles.insert(modeles.end(), groupes.blancs.cbegin(), groupes.blancs.cend());
        std::sort(modeles.begin(), modeles.end());
        rapportTidy(sansModeles(texte, modeles).toUtf8(), releve, arret);
        break;
    case Imbrication::Depassement::Profondeur: {
        const auto [ligne, colonne] = positions.de(imbrication.position());
        releve.ajoute({ligne, colonne, Genre::Erreur,
                       QStringLiteral("Plus de %1 balises imbriquées les unes dans les "
                                      "autres\u00a0: le balisage de la page n'est pas vérifié")
                           .arg(QLocale(QLocale::French).toString(Imbrication::profondeurMaximale)),
                       QString()});
        break;
    }
    case Imbrication::Depassement::Reouvertures: {
        const auto [ligne, colonne] = positions.de(imbrication.position());
        releve.ajoute({ligne, colonne, Genre::Erreur,
                       QStringLiteral("Trop de balises laissées ouvertes, que chaque bloc "
                                      "suivant rouvre\u00a0: le balisage de la page n'est pas "
                                      "vérifié"),
                       QString()});
        break;
    }
    }

    // The links' positions come in the page's order, from the start again.
    Positions positionsLiens(texte);
    liens.termine(positionsLiens, releve);
    return releve.termine(texte);
}

QString nomGenre(Genre genre)
{
    switch (genre) {
    case Genre::Erreur:
        return QStringLiteral("Erreur");
    case Genre::Avertissement:
        return QStringLiteral("Avertissement");
    case Genre::Lien:
        return QStringLiteral("Lien");
    case Genre::Remarque:
        return QStringLiteral("Remarque");
    }
    return QString();
}

} // namespace Verification
