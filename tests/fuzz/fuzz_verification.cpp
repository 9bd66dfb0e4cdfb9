// "Vérifier la page" on any text: no crash and no hang (the nesting bounds keep
// Tidy's recursive parser within the stack and its time), rows sorted, on lines
// the editor has, link rows on the line's characters, a page refused for its
// nesting pointed at a tag, every column found again by the jump, and the first
// rows the same whatever the number kept. The links' parts that the site's check
// shares: references decoded as the standard does (never longer than written,
// every character written as &#xN; read back), and URLs resolved to clean
// absolute paths.

#include "balises.h"
#include "colonnes.h"
#include "fuzzsupport.h"
#include "liens.h"
#include "verificationpage.h"

#include <QDir>
#include <QStringList>

namespace {

// The text's lines as the editor's blocks hold them.
QStringList lignesDeLEditeur(QString texte)
{
    texte.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QChar fin :
         {QChar(u'\r'), QChar(QChar::ParagraphSeparator), QChar(u'\ufdd0'), QChar(u'\ufdd1')})
        texte.replace(fin, QLatin1Char('\n'));
    return texte.split(QLatin1Char('\n'));
}

// The references of a text, and where it leads as a URL of a page.
void verifieLiens(const QString &texte)
{
    const QString decode = Verification::decodeReferences(texte);
    FUZZ_CHECK(decode.size() <= texte.size(), "%lld units decoded from %lld",
               static_cast<long long>(decode.size()), static_cast<long long>(texte.size()));
    if (!texte.contains(QLatin1Char('&')))
        FUZZ_CHECK(decode == texte, "decoded without a reference");

    // Every character as a reference, but those the standard reads as others
    // (NUL, 0x80-0x9F, half a pair), read back.
    QString sans;
    QString ecrit;
    for (const char32_t c : texte.toUcs4()) {
        if (c == 0 || (c >= 0x80 && c <= 0x9f) || (c >= 0xd800 && c <= 0xdfff))
            continue;
        sans += QString::fromUcs4(&c, 1);
        ecrit += (c & 1) ? QStringLiteral("&#x%1;").arg(uint(c), 0, 16)
                         : QStringLiteral("&#%1").arg(uint(c));
    }
    FUZZ_CHECK(Verification::decodeReferences(ecrit) == sans, "references not read back");

    const QString page = QStringLiteral("/marlisse-fuzz-absent/site/page.html");
    for (const std::optional<QString> &base :
         {std::optional<QString>(), std::optional<QString>(texte.left(8))}) {
        const Verification::Cible cible = Verification::Resolution(page, base).resout(texte);
        if (cible.sorte == Verification::Cible::Sorte::Locale
            || cible.sorte == Verification::Cible::Sorte::MemePage) {
            FUZZ_CHECK(cible.chemin.startsWith(QLatin1Char('/')), "relative path");
            FUZZ_CHECK(cible.chemin == QDir::cleanPath(cible.chemin), "path not clean");
            FUZZ_CHECK(!cible.chemin.startsWith(QLatin1String("/..")), "above the root");
        }
        if (cible.sorte == Verification::Cible::Sorte::MemePage)
            FUZZ_CHECK(cible.chemin == page, "another page taken for this one");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString texte = fuzzText(bytes);
    verifieLiens(texte.left(4096));
    // Saved in a folder that does not exist, so that every local name is missing;
    // or never saved.
    const QString chemin = !bytes.isEmpty() && (uchar(bytes[0]) & 1)
        ? QStringLiteral("/marlisse-fuzz-absent/page.html")
        : QString();
    const Verification::Resultat resultat = Verification::verifie({texte, chemin});
    const QStringList lignes = lignesDeLEditeur(texte);

    FUZZ_CHECK(resultat.problemes.size() <= resultat.total(), "%lld rows, %d counted",
               static_cast<long long>(resultat.problemes.size()), resultat.total());
    for (const Verification::Probleme &p : resultat.remarques)
        FUZZ_CHECK(chemin.isEmpty() || !p.message.contains(QStringLiteral("jamais enregistré")),
                   "a saved page said never saved");
    const Verification::Probleme *avant = nullptr;
    for (const Verification::Probleme &p : resultat.problemes) {
        FUZZ_CHECK(p.ligne >= 1 && p.ligne <= lignes.size() + 1, "line %d of %lld", p.ligne,
                   static_cast<long long>(lignes.size()));
        FUZZ_CHECK(p.colonne >= 1, "column %d", p.colonne);
        FUZZ_CHECK(!avant || avant->ligne < p.ligne
                       || (avant->ligne == p.ligne && avant->colonne <= p.colonne),
                   "%d:%d before %d:%d", avant->ligne, avant->colonne, p.ligne, p.colonne);
        avant = &p;
        if (p.ligne > lignes.size())
            continue;
        const QString &ligne = lignes.at(p.ligne - 1);
        const int derniere = Colonnes::colonne(ligne, ligne.size());
        if (p.genre == Verification::Genre::Lien)
            FUZZ_CHECK(p.colonne <= derniere, "link at column %d of %d", p.colonne, derniere);
        if (p.genre == Verification::Genre::Erreur && p.cle.isEmpty()) {
            const qsizetype position = Colonnes::position(ligne, p.colonne);
            FUZZ_CHECK(position < ligne.size() && ligne.at(position) == u'<',
                       "refusal at %d:%d, not at a tag", p.ligne, p.colonne);
        }
        if (p.colonne <= derniere)
            FUZZ_CHECK(Colonnes::colonne(ligne, Colonnes::position(ligne, p.colonne)) == p.colonne,
                       "column %d not found again", p.colonne);
    }

    // Fewer rows kept: the link rows first, then the errors, then the warnings,
    // each the first ones by position, in the order of the page.
    const int garde = 3;
    const Verification::Resultat premiers = Verification::verifie({texte, chemin}, garde);
    FUZZ_CHECK(premiers.total() == resultat.total(), "%d counted, then %d", premiers.total(),
               resultat.total());
    if (resultat.problemes.size() <= Verification::problemesMaximum) {
        QList<const Verification::Probleme *> attendus;
        for (const Verification::Genre genre :
             {Verification::Genre::Lien, Verification::Genre::Erreur,
              Verification::Genre::Avertissement}) {
            for (const Verification::Probleme &p : resultat.problemes) {
                if (p.genre == genre && attendus.size() < garde)
                    attendus << &p;
            }
        }
        std::stable_sort(
            attendus.begin(), attendus.end(),
            [](const Verification::Probleme *a, const Verification::Probleme *b) { return a < b; });
        FUZZ_CHECK(premiers.problemes.size() == attendus.size(), "%lld rows kept of %lld",
                   static_cast<long long>(premiers.problemes.size()),
                   static_cast<long long>(attendus.size()));
        for (qsizetype i = 0; i < attendus.size(); ++i) {
            const Verification::Probleme &a = premiers.problemes.at(i);
            const Verification::Probleme &b = *attendus.at(i);
            FUZZ_CHECK(a.ligne == b.ligne && a.colonne == b.colonne && a.message == b.message,
                       "row %lld differs", static_cast<long long>(i));
        }
    }
    return 0;
}
