#include "verificationpage.h"

#include "balises.h"
#include "imbrication.h"
#include "liens.h"
#include "rapporttidy.h"
#include "releve.h"

#include <QLocale>

#include <algorithm>

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

} // namespace

Resultat verifie(const Page &page, int maximum, const std::atomic<bool> *arret)
{
    const QString texte = lignesDeLEditeur(page.texte);
    Releve releve(maximum);
    Positions positions(texte);

    Imbrication imbrication;
    Liens liens(page.chemin, arret);
    parcourtBalises(texte, [&](const Balise &balise) {
        imbrication.balise(balise);
        liens.balise(balise);
    });

    switch (imbrication.depassement()) {
    case Imbrication::Depassement::Aucun:
        rapportTidy(texte.toUtf8(), releve, arret);
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
