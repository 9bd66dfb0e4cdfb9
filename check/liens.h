#pragma once

#include "balises.h"
#include "releve.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>

// The links of pages that Tidy does not follow: a local file named by src, href,
// a srcset candidate, poster, xlink:href, the data of an <object> or the action
// of a <form> that does not exist, and an anchor (#x) that the page it leads to
// does not hold. "Vérifier la page" checks the links of one page, "Vérifier le
// site" those of every page of a folder, with the same rules.
namespace Verification {

// What a page names and what it offers, taken from its tags.
struct LiensDeLaPage
{
    struct Lien
    {
        QString url; // references decoded, the blanks and line breaks a browser drops dropped
        qsizetype position = 0; // of the value in the text
        bool versAncre = false; // its #fragment names an anchor (href, xlink:href, action)
        bool vide = false; // an empty src, which names nothing
    };

    QList<Lien> liens; // in the order of the page
    // The anchors a link can lead to: id on any element, name on <a> only.
    QSet<QString> ancres;
    std::optional<QString> base; // the first <base href>

    // Takes in each tag of the page, in order.
    void balise(const Balise &balise);
};

// The anchors a page's text offers.
QSet<QString> ancresDe(QStringView texte);

// Where a link leads.
struct Cible
{
    enum class Sorte {
        Locale, // a file of this machine: chemin
        MemePage, // the page itself (an anchor of it, or nothing)
        Distante, // another scheme or host: not checked
        Racine, // from the site's root ("/x"), which is not known here: not checked
        NonEnregistree, // a relative name in a page never saved: not checked
    };
    Sorte sorte = Sorte::Distante;
    QString chemin; // absolute, as the file system resolves it
    bool dossier = false; // the name ends with '/': a folder is meant
    bool avecFragment = false;
    QString fragment; // decoded
    QString fragmentBrut; // as written
};

// Resolves the links of a page at cheminPage ("" for a page never saved) with
// its <base href>, as a browser resolves them: a name that climbs above the
// file system's root stays at the root.
class Resolution
{
public:
    Resolution(const QString &cheminPage, const std::optional<QString> &base);
    Cible resout(const QString &url) const;

private:
    QString page; // cleaned, or ""
    QUrl base; // a file: URL, another one, or empty
    bool racineInconnue = false; // <base href="/...">
    bool baseDistante = false;
};

// The files that links name: whether each exists, the anchors of each page,
// each looked up once. Pages are read by the reading rule (their own encoding),
// within a budget in bytes. Not shared between threads.
class Fichiers
{
public:
    // arret, when set from another thread, stops the reading of pages: a check
    // being dropped does not read on.
    explicit Fichiers(qint64 octetsMaximum = 500LL * 1024 * 1024,
                      const std::atomic<bool> *arret = nullptr);

    bool existe(const QString &chemin, bool dossier);
    // The anchors of the page at chemin; nothing when it is not a page (.html,
    // .htm, .xhtml), cannot be read, or passes the budget.
    const QSet<QString> *ancres(const QString &chemin);
    // The anchors of a page already read (or being edited, whose text is not the file's).
    void connais(const QString &chemin, QSet<QString> ancres);

private:
    QHash<QString, bool> existants;
    QHash<QString, std::optional<QSet<QString>>> pages;
    qint64 reste;
    const std::atomic<bool> *arret;
};

// The problem of one link, or nothing: a message and a detail (the path looked for).
struct ProblemeDeLien
{
    QString message;
    QString detail;
};
std::optional<ProblemeDeLien> verifieLien(const LiensDeLaPage::Lien &lien, const Cible &cible,
                                          const QSet<QString> &ancresDeLaPage, Fichiers &fichiers);

// The links of one page, checked once the page is read.
class Liens
{
public:
    // cheminPage: the saved page's full path, "" for a document never saved.
    explicit Liens(const QString &cheminPage, const std::atomic<bool> *arret = nullptr);

    void balise(const Balise &balise) { page.balise(balise); }
    void termine(Positions &positions, Releve &releve);

private:
    QString cheminPage;
    LiensDeLaPage page;
    Fichiers fichiers;
};

} // namespace Verification
