// Searching and replacing in every file of a site on disk, without the window:
// the rows, the bytes written back, the kept copies and their undoing.

#include "commandtest.h"
#include "dialoganswers.h"
#include "montextedit.h"
#include "remplacementsite.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace TestSupport;
using namespace RemplacementSite;

using Octets = QMap<QString, QByteArray>;

namespace {

enum Options { Casse = 1, MotsEntiers = 2, Expression = 4 };

// How long a window test waits for the worker: a machine busy with other builds,
// and the sanitizers, make it slow.
constexpr int attente = 60000;

Recherche recherche(const QString &texte, int options)
{
    return Recherche(texte, options & Casse, options & MotsEntiers, options & Expression);
}

QByteArray longue()
{
    return QByteArray(100, 'x') + "prix-long" + QByteArray(100, 'y') + '\n';
}

// A small site: pages in UTF-8, in windows-1252 with CR LF, in ISO 8859-1 found by
// the reading rule, a stylesheet with CR LF, a page mixing its line ends, a long
// line, and a UTF-16 file without a mark, which is binary to a search.
QMap<QString, QByteArray> siteOriginal()
{
    return {
        {"index.html",
         "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Café</title></head>\n"
         "<body>\n<p class=\"prix-normal\">12 €</p>\n<p class=\"prix-solde\">Prix réduit "
         "fin</p>\n</body></html>\n"},
        {"ancien.html",
         "<html><head><meta charset=\"windows-1252\"><title>Caf\xe9</title></head>\r\n"
         "<p class=\"prix-ancien\">\x80 10, l\x92offre</p>\r\ntarif fin\r\n</html>\r\n"},
        {"latin/page.htm", "<p class=\"prix-latin\">Caf\xe9 d\xe9j\xe0 vu</p>\nfinale\n"},
        {"style.css",
         "/* Caf\xe9 */\r\n.prix-normal { color: red }\r\n.prix-solde { color: green }\r\n"},
        {"mixte.html", "a\r\nprix-m\nb\rc\r\n"},
        {"long.js", longue()},
        {"utf16.txt", QByteArray("p\0r\0i\0x\0-\0u\0\n\0", 14)},
    };
}

class SiteDisque
{
public:
    explicit SiteDisque(const QMap<QString, QByteArray> &fichiers = siteOriginal())
        : fichiers(fichiers)
    {
        for (auto it = fichiers.cbegin(); it != fichiers.cend(); ++it)
            writeBytes(chemin(it.key()), it.value());
    }

    QString racine() const { return dossier.path() + QStringLiteral("/site"); }
    QString copies() const { return dossier.path() + QStringLiteral("/remplacements"); }
    QString chemin(const QString &relatif) const { return racine() + u'/' + relatif; }

    // Every file of the site (the kept copies aside) whose bytes are not
    // attendus' ones, or the originals' for those it does not name.
    QStringList differents(const QMap<QString, QByteArray> &attendus = {}) const
    {
        QStringList differe;
        for (auto it = fichiers.cbegin(); it != fichiers.cend(); ++it) {
            const QByteArray octets = readBytes(chemin(it.key()));
            if (octets != attendus.value(it.key(), it.value()))
                differe << it.key() + QStringLiteral(": ") + QString::fromLatin1(octets);
        }
        return differe;
    }

    // The files of the site with occurrences, searched as the editor searches them.
    QList<Fichier> cherche(const Recherche &recherche, const QString *modele = nullptr,
                           const std::optional<DocumentOuvert> &document = {}) const
    {
        const Resultat resultat
            = chercheSite(racine(), pagesEtFeuilles(), recherche, modele, document);
        binaires = resultat.binaires;
        return resultat.fichiers;
    }

    Bilan remplace(const QString &texte, int options, const QString &modele,
                   const QList<Fichier> *trouves = nullptr) const
    {
        const Recherche r = recherche(texte, options);
        const Bilan bilan
            = ecrit(racine(), trouves ? *trouves : cherche(r, &modele), r, modele, copies());
        gardeLesDerniers(copies());
        return bilan;
    }

    // Passed over by the last search.
    mutable int binaires = 0;

private:
    QTemporaryDir dossier;
    QMap<QString, QByteArray> fichiers;
};

// Answers the site's dialog: the text, the replacement (none for a search), the
// options, and the file patterns ("" for the pages and stylesheets).
DialogAnswers::Answer dialogueSite(const QString &texte, const QString &par, int options,
                                   const QString &motifs = QString())
{
    return [=](QWidget *dialog) {
        QCOMPARE(dialog->objectName(), QStringLiteral("DlgChercheSite"));
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))->setText(texte);
        auto *remplace = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"));
        QCOMPARE(remplace->isVisibleTo(dialog), !par.isNull());
        remplace->setText(par);
        dialog->findChild<QCheckBox *>(QStringLiteral("cbCasse"))->setChecked(options & Casse);
        dialog->findChild<QCheckBox *>(QStringLiteral("cbMotsEntiers"))
            ->setChecked(options & MotsEntiers);
        dialog->findChild<QCheckBox *>(QStringLiteral("cbExpression"))
            ->setChecked(options & Expression);
        dialog->findChild<QRadioButton *>(QStringLiteral("rbMotifs"))
            ->setChecked(!motifs.isEmpty());
        dialog->findChild<QLineEdit *>(QStringLiteral("lineEditMotifs"))->setText(motifs);
        // Each Alt+letter reaches one field or button: a letter twice only moves the focus.
        QStringList lettres;
        const auto note = [&lettres](QWidget *widget, const QString &texte) {
            const qsizetype i = texte.indexOf(u'&');
            if (widget->isVisibleTo(widget->window()) && i >= 0 && i + 1 < texte.size())
                lettres << texte.mid(i + 1, 1).toLower();
        };
        for (QAbstractButton *bouton : dialog->findChildren<QAbstractButton *>())
            note(bouton, bouton->text());
        for (QLabel *etiquette : dialog->findChildren<QLabel *>())
            note(etiquette, etiquette->text());
        QCOMPARE(QSet<QString>(lettres.cbegin(), lettres.cend()).size(), lettres.size());
        QVERIFY(clickButton(
            dialog, par.isNull() ? QStringLiteral("Chercher") : QStringLiteral("Remplacer...")));
    };
}

// The panel's rows as lines: a group's header, then "  line:column" for each row.
QStringList lignesDuPanneau(QWidget *fenetre)
{
    QStringList lignes;
    auto *arbre = fenetre->findChild<QTreeWidget *>(QStringLiteral("listeProblemes"));
    if (!arbre)
        return {QStringLiteral("no panel")};
    for (int i = 0; i < arbre->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *haut = arbre->topLevelItem(i);
        lignes << haut->text(0);
        for (int j = 0; j < haut->childCount(); ++j)
            lignes << QStringLiteral("  %1:%2").arg(haut->child(j)->text(0),
                                                    haut->child(j)->text(1));
    }
    return lignes;
}

// A row as the panel shows it: the occurrence between brackets in its line, and
// what replaces it.
QStringList rangees(const QList<Fichier> &fichiers)
{
    QStringList lignes;
    for (const Fichier &fichier : fichiers) {
        for (const Occurrence &o : fichier.occurrences) {
            QString extrait = o.extrait;
            extrait.insert(o.debutExtrait + o.longueurExtrait, u']');
            extrait.insert(o.debutExtrait, u'[');
            lignes << QStringLiteral("%1:%2:%3:").arg(fichier.relatif).arg(o.ligne).arg(o.colonne)
                    + extrait
                    + (o.remplacement.isEmpty() ? QString()
                                                : QStringLiteral(" -> ") + o.remplacement);
        }
    }
    return lignes;
}

QStringList laisses(const Bilan &bilan)
{
    QStringList lignes;
    for (const Bilan::Laisse &laisse : bilan.laisses)
        lignes << laisse.relatif + QStringLiteral(": ") + laisse.raison;
    return lignes;
}

// A folder of the site mounted read-only over itself for the life of the object
// (root only).
class DossierEnLecture
{
public:
    explicit DossierEnLecture(const QString &dossier)
        : dossier(dossier)
    {
        monte = QProcess::execute(QStringLiteral("mount"), {"--bind", dossier, dossier}) == 0;
        if (monte
            && QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro,bind", dossier}) != 0)
            lectureSeule = false;
    }
    ~DossierEnLecture()
    {
        if (monte)
            QProcess::execute(QStringLiteral("umount"), {dossier});
    }
    bool pret() const { return monte && lectureSeule; }

private:
    QString dossier;
    bool monte = false;
    bool lectureSeule = true;
};

} // namespace

class TestRemplacementSite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { init(); }
    void rows_data();
    void rows();
    void rowsBeyondTheBound();
    void openDocumentSearchedNotWritten();
    void openDocumentReachedThroughALink();
    void replace_data();
    void replace();
    void changedOnDiskSinceTheSearch();
    void stylesheetInAFolderNamedLikeAPage();
    void changedWhileTheOthersWereWritten();
    void failureStopsAndSays_data();
    void failureStopsAndSays();
    void failureWhilePuttingInPlace();
    void undoPutsBackAllButTheChanged();
    void threeKeptAndUndoneInTurn();
    void undoOfASiteOutOfReachKept();
    void engineGivesUpOnOneFile();
    void writtenAsASaveWrites();
    void searchFromTheWindow();
    void replaceFromTheWindowThenUndo();
    void failureLeavesTheOpenPageToo();
    void givenUpFileSaidInTheReport();
    void pageNeverSavedHasNoSite();
    void brokenExpressionSaidAsBySearch();
    void escapeStopsTheSearch();
};

void TestRemplacementSite::rows_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("modele");
    QTest::addColumn<QStringList>("attendues");

    const QString longueLigne = QStringLiteral("long.js:1:101:\u2026") + QString(60, u'x')
        + QStringLiteral("[prix-]long") + QString(56, u'y') + QStringLiteral("\u2026");
    QTest::newRow("text, case ignored, each encoding")
        << "prix-" << 0 << QString()
        << QStringList {"ancien.html:2:11:<p class=\"[prix-]ancien\">€ 10, l’offre</p>",
                        "index.html:4:11:<p class=\"[prix-]normal\">12 €</p>",
                        "index.html:5:11:<p class=\"[prix-]solde\">Prix réduit fin</p>",
                        "latin/page.htm:1:11:<p class=\"[prix-]latin\">Café déjà vu</p>",
                        longueLigne,
                        "mixte.html:2:1:[prix-]m",
                        "style.css:2:2:.[prix-]normal { color: red }",
                        "style.css:3:2:.[prix-]solde { color: green }"};
    QTest::newRow("case respected")
        << "Prix" << int(Casse) << QString()
        << QStringList {"index.html:5:23:<p class=\"prix-solde\">[Prix] réduit fin</p>"};
    QTest::newRow("whole words")
        << "fin" << int(MotsEntiers) << QString()
        << QStringList {"ancien.html:3:7:tarif [fin]",
                        "index.html:5:35:<p class=\"prix-solde\">Prix réduit [fin]</p>"};
    // The CR of a CR LF line is its end, not one of its characters.
    QTest::newRow("expression at a line's end")
        << "fin$" << int(Expression) << QString() << QStringList {"ancien.html:3:7:tarif [fin]"};
    QTest::newRow("accented letters in each encoding")
        << "café" << 0 << QString()
        << QStringList {
               "ancien.html:1:49:<html><head><meta "
               "charset=\"windows-1252\"><title>[Café]</title></head>",
               "index.html:2:42:<html><head><meta charset=\"utf-8\"><title>[Café]</title></head>",
               "latin/page.htm:1:23:<p class=\"prix-latin\">[Café] déjà vu</p>",
               "style.css:1:4:/* [Café] */"};
    QTest::newRow("expression with its replacement")
        << "class=\"prix-(\\w+)\"" << int(Expression) << "class=\"tarif-\\1\""
        << QStringList {
               "ancien.html:2:4:<p [class=\"prix-ancien\"]>€ 10, l’offre</p> -> "
               "class=\"tarif-ancien\"",
               "index.html:4:4:<p [class=\"prix-normal\"]>12 €</p> -> class=\"tarif-normal\"",
               "index.html:5:4:<p [class=\"prix-solde\"]>Prix réduit fin</p> -> "
               "class=\"tarif-solde\"",
               "latin/page.htm:1:4:<p [class=\"prix-latin\"]>Café déjà vu</p> -> "
               "class=\"tarif-latin\""};
}

void TestRemplacementSite::rows()
{
    QFETCH(QString, texte);
    QFETCH(int, options);
    QFETCH(QString, modele);
    QFETCH(QStringList, attendues);
    const SiteDisque site;
    const QList<Fichier> trouves
        = site.cherche(recherche(texte, options), modele.isEmpty() ? nullptr : &modele);
    QCOMPARE(rangees(trouves), attendues);
    // The UTF-16 file without a mark holds NUL bytes: binary to a search.
    QCOMPARE(site.binaires, 1);
    QCOMPARE(site.differents(), QStringList());
}

// The total is said, the rows stop at the bound.
void TestRemplacementSite::rowsBeyondTheBound()
{
    const SiteDisque site({{"a.html", QByteArray("prix-\n").repeated(lignesMaximum - 2)},
                           {"b.html", "prix- prix- prix-\n"}});
    const Resultat resultat
        = chercheSite(site.racine(), pagesEtFeuilles(), recherche("prix-", 0), nullptr);
    QCOMPARE(resultat.occurrences, lignesMaximum + 1);
    QCOMPARE(resultat.rangees, lignesMaximum);
    QCOMPARE(resultat.fichiers.size(), 2);
    QCOMPARE(resultat.fichiers[1].nombre, 3);
    QCOMPARE(rangees(resultat.fichiers.mid(1)),
             (QStringList {"b.html:1:1:[prix-] prix- prix-", "b.html:1:7:prix- [prix-] prix-"}));
}

// The open document's text is searched in place of its file, which is not
// written: the editor replaces in the text.
void TestRemplacementSite::openDocumentSearchedNotWritten()
{
    const SiteDisque site;
    const QString modele = QStringLiteral("tarif-");
    const QList<Fichier> trouves
        = site.cherche(recherche("prix-", 0), &modele,
                       DocumentOuvert {site.chemin("index.html"), QStringLiteral("tapé prix-\n")});
    QCOMPARE(rangees(trouves.mid(1, 1)), QStringList {"index.html:1:6:tapé [prix-] -> tarif-"});
    QVERIFY(trouves[1].documentOuvert);
    const Bilan bilan = site.remplace("prix-", 0, modele, &trouves);
    QVERIFY(!bilan.modifies.contains("index.html"));
    QCOMPARE(bilan.modifies.size(), 5);
    QCOMPARE(readBytes(site.chemin("index.html")), siteOriginal().value("index.html"));
}

// The walk meets the open page first under a link's name: it is the open page all
// the same, its text searched and its file left to the editor.
void TestRemplacementSite::openDocumentReachedThroughALink()
{
    const SiteDisque site({{"z.html", "prix-\n"}});
    QVERIFY(QFile::link(site.chemin("z.html"), site.chemin("a.html")));
    const QString modele = QStringLiteral("tarif-");
    const QList<Fichier> trouves
        = site.cherche(recherche("prix-", 0), &modele,
                       DocumentOuvert {site.chemin("z.html"), QStringLiteral("prix- prix-\n")});
    QCOMPARE(trouves.size(), 1);
    QVERIFY(trouves[0].documentOuvert);
    QCOMPARE(trouves[0].nombre, 2);
    QVERIFY(site.remplace("prix-", 0, modele, &trouves).modifies.isEmpty());
    QCOMPARE(site.differents(), QStringList());
}

void TestRemplacementSite::replace_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("modele");
    QTest::addColumn<Octets>("changes");
    QTest::addColumn<QStringList>("laissesAttendus");
    QTest::addColumn<int>("references");

    const QMap<QString, QByteArray> o = siteOriginal();
    const auto avec = [&o](const char *relatif, const QByteArray &avant, const QByteArray &apres) {
        return QByteArray(o.value(relatif)).replace(avant, apres);
    };
    QTest::newRow("expression and \\1, in each encoding and line end")
        << "class=\"prix-(\\w+)\"" << int(Expression) << "class=\"tarif-\\1\""
        << QMap<QString, QByteArray> {{"ancien.html", avec("ancien.html", "prix-", "tarif-")},
                                      {"index.html", avec("index.html", "prix-", "tarif-")},
                                      {"latin/page.htm", avec("latin/page.htm", "prix-", "tarif-")}}
        << QStringList() << 0;
    QTest::newRow("stylesheet selectors, CR LF kept")
        << "\\.prix-(\\w+)" << int(Expression) << ".tarif-\\1"
        << QMap<QString, QByteArray> {{"style.css", avec("style.css", ".prix-", ".tarif-")}}
        << QStringList() << 0;
    // windows-1252 holds the euro sign; ISO 8859-1 does not: a page gets a
    // reference, a stylesheet cannot and is left alone.
    QTest::newRow("a character that an encoding lacks")
        << "Café" << int(Casse) << "Café €"
        << QMap<QString, QByteArray> {{"ancien.html",
                                       avec("ancien.html", "Caf\xe9", "Caf\xe9 \x80")},
                                      {"index.html", avec("index.html", "Café", "Café €")},
                                      {"latin/page.htm",
                                       avec("latin/page.htm", "Caf\xe9", "Caf\xe9 &#8364;")}}
        << QStringList {"style.css: 1 caractère du remplacement est absent de ISO 8859-1, et "
                        "seule une page peut les écrire en &#N;"}
        << 1;
    QTest::newRow("mixed line ends kept, a new line in the most used")
        << "prix-(m)" << int(Expression) << "\\1\\n\\1"
        << QMap<QString, QByteArray> {{"mixte.html", "a\r\nm\r\nm\nb\rc\r\n"}} << QStringList()
        << 0;
    QTest::newRow("an empty match")
        << "^(?=prix-m)" << int(Expression) << "> "
        << Octets {{"mixte.html", "a\r\n> prix-m\nb\rc\r\n"}} << QStringList() << 0;
    // As a save writes a page whose declaration changed.
    QTest::newRow("a changed declaration changes the encoding")
        << "charset=\"windows-1252\"" << 0 << "charset=\"utf-8\""
        << QMap<QString, QByteArray> {{"ancien.html",
                                       "<html><head><meta charset=\"utf-8\"><title>Café</title>"
                                       "</head>\r\n<p class=\"prix-ancien\">€ 10, l’offre</p>\r\n"
                                       "tarif fin\r\n</html>\r\n"}}
        << QStringList() << 0;
}

void TestRemplacementSite::replace()
{
    QFETCH(QString, texte);
    QFETCH(int, options);
    QFETCH(QString, modele);
    QFETCH(Octets, changes);
    QFETCH(QStringList, laissesAttendus);
    QFETCH(int, references);
    const SiteDisque site;
    const Bilan bilan = site.remplace(texte, options, modele);
    QCOMPARE(site.differents(changes), QStringList());
    QCOMPARE(bilan.modifies, changes.keys());
    QCOMPARE(laisses(bilan), laissesAttendus);
    QCOMPARE(bilan.references, references);
    QVERIFY(bilan.echec.isEmpty());
    // The previous bytes are kept, under their own paths.
    for (const QString &relatif : changes.keys())
        QCOMPARE(readBytes(bilan.dossierCopies + u'/' + relatif), siteOriginal().value(relatif));
}

// A folder's name says nothing of its files: a stylesheet under "ancien.htm/"
// cannot hold a reference either.
void TestRemplacementSite::stylesheetInAFolderNamedLikeAPage()
{
    const SiteDisque site({{"ancien.htm/style.css", "/* caf\xe9 */\n.prix {}\n"}});
    const Bilan bilan = site.remplace("prix", 0, QStringLiteral("prix-\u03a9"));
    QCOMPARE(laisses(bilan),
             QStringList {"ancien.htm/style.css: 1 caractère du remplacement est absent de "
                          "ISO 8859-1, et seule une page peut les écrire en &#N;"});
    QCOMPARE(site.differents(), QStringList());
}

// Another program changed a file after the rows were listed: it keeps that change.
void TestRemplacementSite::changedOnDiskSinceTheSearch()
{
    const SiteDisque site;
    const QString modele = QStringLiteral("tarif-");
    const Recherche r = recherche("prix-", 0);
    const QList<Fichier> trouves = site.cherche(r, &modele);
    const QByteArray autre = "<p class=\"prix-autre\">changé ailleurs</p>\n";
    QVERIFY(writeBytes(site.chemin("index.html"), autre));
    const Bilan bilan = site.remplace("prix-", 0, modele, &trouves);
    QCOMPARE(laisses(bilan),
             QStringList {"index.html: il a été modifié sur le disque depuis la recherche"});
    QVERIFY(!bilan.modifies.contains("index.html"));
    QCOMPARE(readBytes(site.chemin("index.html")), autre);
    QCOMPARE(bilan.modifies.size(), 5);
}

// Changed once its new bytes were ready, just before they took its place: it is
// left, and its undoing neither counts it nor says it was changed since.
void TestRemplacementSite::changedWhileTheOthersWereWritten()
{
    const SiteDisque site({{"a.html", "prix-\n"}, {"b.html", "prix-\n"}});
    const QString modele = QStringLiteral("tarif-");
    const Recherche r = recherche("prix-", 0);
    const QByteArray autre = "<p>prix- changé ailleurs</p>\n";
    const Bilan bilan = ecrit(site.racine(), site.cherche(r, &modele), r, modele, site.copies(),
                              nullptr, [&](int fait) {
                                  if (fait == 1)
                                      QVERIFY(writeBytes(site.chemin("a.html"), autre));
                              });
    QCOMPARE(bilan.modifies, QStringList {"b.html"});
    QCOMPARE(laisses(bilan),
             QStringList {"a.html: il a été modifié sur le disque depuis la recherche"});
    const std::optional<Remplacement> fait = dernier(site.copies());
    QVERIFY(fait);
    QCOMPARE(fait->fichiers.size(), 1);
    const Bilan annulation = annule(site.copies(), *fait);
    QCOMPARE(annulation.modifies, QStringList {"b.html"});
    QCOMPARE(laisses(annulation), QStringList());
    QCOMPARE(site.differents({{"a.html", autre}}), QStringList());
}

void TestRemplacementSite::failureStopsAndSays_data()
{
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("echec");
    QTest::newRow("copies cannot be kept (a file in the way)")
        << "copies"
        << "Les copies des fichiers ne peuvent pas être gardées";
    QTest::newRow("a read-only folder in the middle") << "lecture seule"
                                                      << "m/b.html ne peut pas être écrit";
    QTest::newRow("a full disk in the middle") << "plein"
                                               << "m/b.html ne peut pas être écrit";
}

// A failure stops the replacement before any file changes: it is said, every
// file stays as it was, none is left half written, nothing is left to undo.
void TestRemplacementSite::failureStopsAndSays()
{
    QFETCH(QString, comment);
    QFETCH(QString, echec);
    const QByteArray page = "<p class=\"prix-a\">a</p>\n";
    const QMap<QString, QByteArray> originaux {{"a.html", page}, {"z.html", page}};
    const SiteDisque site(originaux);
    const QString dossierM = site.racine() + QStringLiteral("/m");
    std::unique_ptr<SmallFileSystem> petit;
    std::unique_ptr<DossierEnLecture> lecture;
    if (comment == QLatin1String("plein")) {
        petit = std::make_unique<SmallFileSystem>(dossierM);
        if (!petit->mounted())
            QSKIP("cannot mount a small tmpfs here (root needed)");
    }
    QVERIFY(writeBytes(dossierM + QStringLiteral("/b.html"), page));
    const QString modele = QStringLiteral("tarif-");
    const QList<Fichier> trouves = site.cherche(recherche("prix-", 0), &modele);
    QCOMPARE(trouves.size(), 3);
    if (comment == QLatin1String("copies")) {
        QVERIFY(writeBytes(site.copies(), "un fichier"));
    } else if (comment == QLatin1String("lecture seule")) {
        lecture = std::make_unique<DossierEnLecture>(dossierM);
        if (!lecture->pret())
            QSKIP("cannot mount a read-only folder here (root needed)");
    } else {
        QVERIFY(petit->fill());
    }

    const Bilan bilan = site.remplace("prix-", 0, modele, &trouves);
    QCOMPARE(bilan.modifies, QStringList());
    QVERIFY2(bilan.echec.contains(echec), qPrintable(bilan.echec));
    QCOMPARE(bilan.nonTraites, (QStringList {"a.html", "m/b.html", "z.html"}));
    QCOMPARE(site.differents(), QStringList());
    QCOMPARE(readBytes(dossierM + QStringLiteral("/b.html")), page);
    for (const QString &dossier : {site.racine(), dossierM})
        QCOMPARE(
            QDir(dossier).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".html.")),
            QStringList());
    lecture.reset();
    QVERIFY(!dernier(site.copies()));
}

// A folder that turns read-only once the new files are ready: the files put in
// place before it stay changed and are said; the record names only them.
void TestRemplacementSite::failureWhilePuttingInPlace()
{
    const QByteArray page = "<p class=\"prix-a\">a</p>\n";
    const SiteDisque site({{"a.html", page}, {"m/b.html", page}, {"z.html", page}});
    std::unique_ptr<DossierEnLecture> lecture;
    const QString modele = QStringLiteral("tarif-");
    const Recherche r = recherche("prix-", 0);
    const Bilan bilan = ecrit(
        site.racine(), site.cherche(r, &modele), r, modele, site.copies(), nullptr, [&](int fait) {
            if (fait == 2)
                lecture = std::make_unique<DossierEnLecture>(site.racine() + QStringLiteral("/m"));
        });
    if (!lecture || !lecture->pret())
        QSKIP("cannot mount a read-only folder here (root needed)");
    QCOMPARE(bilan.modifies, QStringList {"a.html"});
    QCOMPARE(bilan.nonTraites, (QStringList {"m/b.html", "z.html"}));
    lecture.reset();
    const std::optional<Remplacement> fait = dernier(site.copies());
    QVERIFY(fait);
    QCOMPARE(fait->fichiers.size(), 1);
    QCOMPARE(annule(site.copies(), *fait).modifies, QStringList {"a.html"});
    QCOMPARE(site.differents(), QStringList());
}

// The undo puts every file back, except one changed since, which keeps its change.
void TestRemplacementSite::undoPutsBackAllButTheChanged()
{
    const SiteDisque site;
    const Bilan bilan = site.remplace("prix-", 0, "tarif-");
    QCOMPARE(bilan.modifies.size(), 6);
    const QByteArray ensuite = "<p>réécrit depuis</p>\n";
    QVERIFY(writeBytes(site.chemin("style.css"), ensuite));

    const std::optional<Remplacement> fait = dernier(site.copies());
    QVERIFY(fait);
    QCOMPARE(fait->racine, site.racine());
    QCOMPARE(fait->cherche, QStringLiteral("prix-"));
    QCOMPARE(fait->remplace, QStringLiteral("tarif-"));
    const Bilan annulation = annule(site.copies(), *fait);
    QCOMPARE(laisses(annulation),
             QStringList {"style.css: il a été modifié depuis le remplacement"});
    QCOMPARE(annulation.modifies.size(), 5);
    QCOMPARE(site.differents({{"style.css", ensuite}}), QStringList());
    QVERIFY(!dernier(site.copies()));
}

// Only the three newest are kept; each undo takes the newest not yet undone.
void TestRemplacementSite::threeKeptAndUndoneInTurn()
{
    const SiteDisque site;
    const QStringList etapes {"prix-", "tarif-", "cout-", "valeur-", "montant-"};
    for (qsizetype i = 0; i + 1 < etapes.size(); ++i)
        QCOMPARE(site.remplace(etapes[i], 0, etapes[i + 1]).modifies.size(), 6);
    QCOMPARE(QDir(site.copies()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 3);
    QCOMPARE(QDir(site.copies()).entryList(QDir::Files).size(), 3);
    for (int i = 0; i < 3; ++i) {
        const std::optional<Remplacement> fait = dernier(site.copies());
        QVERIFY(fait);
        QCOMPARE(fait->remplace, etapes[etapes.size() - 1 - i]);
        QCOMPARE(annule(site.copies(), *fait).modifies.size(), 6);
    }
    QVERIFY(!dernier(site.copies()));
    // What the first replacement, no longer kept, made.
    QMap<QString, QByteArray> apresPremier;
    for (const char *relatif :
         {"index.html", "ancien.html", "latin/page.htm", "style.css", "mixte.html", "long.js"})
        apresPremier.insert(
            relatif, siteOriginal().value(QString::fromUtf8(relatif)).replace("prix-", "tarif-"));
    QCOMPARE(site.differents(apresPremier), QStringList());
}

// A site out of reach when undone (a drive taken away): nothing is put back, and
// the replacement stays to be undone once the site is back.
void TestRemplacementSite::undoOfASiteOutOfReachKept()
{
    const SiteDisque site;
    QCOMPARE(site.remplace("prix-", 0, "tarif-").modifies.size(), 6);
    const QString ailleurs = site.racine() + QStringLiteral("-ailleurs");
    QVERIFY(QDir().rename(site.racine(), ailleurs));
    const std::optional<Remplacement> fait = dernier(site.copies());
    QVERIFY(fait);
    QCOMPARE(annule(site.copies(), *fait).laisses.size(), 6);
    QVERIFY(QDir().rename(ailleurs, site.racine()));
    const std::optional<Remplacement> encore = dernier(site.copies());
    QVERIFY(encore);
    QCOMPARE(annule(site.copies(), *encore).modifies.size(), 6);
    QCOMPARE(site.differents(), QStringList());
    QVERIFY(!dernier(site.copies()));
}

// An expression too costly on one file's line is said for that file; the others
// are searched and replaced.
void TestRemplacementSite::engineGivesUpOnOneFile()
{
    const QByteArray lourd = "aa\n" + QByteArray(30, 'a') + "b\n";
    // Given up on at its first line, c.html has no occurrence to count: it is said
    // all the same.
    const SiteDisque site(
        {{"a.html", lourd}, {"b.html", "aa\n"}, {"c.html", lourd.mid(3) + "aa\n"}});
    const Recherche r = recherche("(a+)+$", Expression);
    const QString modele = QStringLiteral("c");
    const QList<Fichier> trouves = site.cherche(r, &modele);
    QCOMPARE(trouves.size(), 3);
    QCOMPARE(trouves[0].ligneAbandon, 2);
    QCOMPARE(trouves[1].nombre, 1);
    QCOMPARE(trouves[2].nombre, 0);
    const Bilan bilan = site.remplace("(a+)+$", Expression, modele, &trouves);
    QCOMPARE(bilan.modifies, QStringList {"b.html"});
    QCOMPARE(laisses(bilan),
             (QStringList {"a.html: la recherche y a été abandonnée à la ligne 2 : "
                           "l'expression y demande trop de calculs",
                           "c.html: la recherche y a été abandonnée à la ligne 1 : "
                           "l'expression y demande trop de calculs"}));
    QCOMPARE(site.differents({{"b.html", "c\n"}}), QStringList());
}

// Each file keeps what a save keeps: its byte-order mark, its permissions, the link
// that leads to it (the file it leads to is written, and put back); a name with
// odd characters is kept and put back; a result the editor could not open is not
// written.
void TestRemplacementSite::writtenAsASaveWrites()
{
    QTemporaryDir dehors;
    const QString cible = dehors.filePath(QStringLiteral("cible.html"));
    const QByteArray page = "<p class=\"prix-x\">x</p>\n";
    QVERIFY(writeBytes(cible, page));
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray marque = utf16.encode(u"<p class=\"prix-x\">été</p>\r\n");
    const Octets originaux {
        {"marque.html", marque}, {"nom 50% #1.html", page}, {"droits.html", page}};
    const SiteDisque site(originaux);
    QVERIFY(QFile::link(cible, site.chemin("lien.html")));
    const QFileDevice::Permissions droits
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(site.chemin("droits.html"), droits));
    const QFileDevice::Permissions avant = QFile::permissions(site.chemin("droits.html"));

    const Bilan bilan = site.remplace("prix-", 0, "tarif-");
    QCOMPARE(bilan.modifies,
             (QStringList {"droits.html", "lien.html", "marque.html", "nom 50% #1.html"}));
    QStringEncoder utf16Apres(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    const QByteArray pageApres = QByteArray(page).replace("prix-", "tarif-");
    QCOMPARE(
        site.differents({{"marque.html", utf16Apres.encode(u"<p class=\"tarif-x\">été</p>\r\n")},
                         {"nom 50% #1.html", pageApres},
                         {"droits.html", pageApres}}),
        QStringList());
    QCOMPARE(QFile::permissions(site.chemin("droits.html")), avant);
    QVERIFY(QFileInfo(site.chemin("lien.html")).isSymLink());
    QCOMPARE(readBytes(cible), pageApres);

    const std::optional<Remplacement> fait = dernier(site.copies());
    QVERIFY(fait);
    QCOMPARE(annule(site.copies(), *fait).modifies.size(), 4);
    QCOMPARE(site.differents(), QStringList());
    QVERIFY(QFileInfo(site.chemin("lien.html")).isSymLink());
    QCOMPARE(readBytes(cible), page);

    // 1 MiB of letters, each replaced by 65: past the 64 MiB a document may hold.
    QVERIFY(writeBytes(site.chemin("grand.txt"), QByteArray(1024 * 1024, 'q')));
    const Bilan grand = site.remplace("q", 0, QString(65, u'r'));
    QCOMPARE(grand.modifies, QStringList());
    QCOMPARE(laisses(grand),
             QStringList {"grand.txt: il dépasserait 64 Mo, la taille la plus "
                          "grande qu'un document puisse avoir"});
    QCOMPARE(readBytes(site.chemin("grand.txt")), QByteArray(1024 * 1024, 'q'));
}

// "Chercher dans le site": a row for each occurrence, grouped by file, and Return
// on a row of another file opens it with the occurrence selected.
void TestRemplacementSite::searchFromTheWindow()
{
    const SiteDisque site;
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(openThroughDialog(f.window, site.chemin("index.html")));
    DialogAnswers answers;
    answers.then(dialogueSite(QStringLiteral("café"), QString(), 0));
    action(f.window, QStringLiteral("chercherSiteAct"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(
        lignesDuPanneau(f.window),
        (QStringList {"ancien.html (1)", "  1:49", "index.html (1)", "  2:42", "latin/page.htm (1)",
                      "  1:23", "style.css (1)", "  1:4",
                      "1 fichier binaire non lu (un octet nul dans leurs 8 premiers "
                      "Ko)."}),
        attente);
    QVERIFY(cleanRun(answers));

    auto *arbre = f.window->findChild<QTreeWidget *>(QStringLiteral("listeProblemes"));
    arbre->setCurrentItem(arbre->topLevelItem(2)->child(0));
    QTest::keyClick(arbre, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(w.currentFile(), site.chemin("latin/page.htm"), attente);
    QCOMPARE(w.textEdit()->textCursor().selectedText(), QStringLiteral("Café"));
    // Shift+F8 from there: the row before, in another file.
    action(f.window, QStringLiteral("problemePrecedentAct"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(w.currentFile(), site.chemin("index.html"), attente);
    QCOMPARE(w.textEdit()->textCursor().selectedText(), QStringLiteral("Café"));
    QCOMPARE(w.textEdit()->textCursor().blockNumber(), 1);
    QCOMPARE(site.differents(), QStringList());
}

// "Remplacer dans le site": the rows first, a question whose default is "Annuler",
// then the files written, the open page changed in the editor as one undo step and
// left unsaved; the undo puts every file back.
void TestRemplacementSite::replaceFromTheWindowThenUndo()
{
    const SiteDisque site;
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(openThroughDialog(f.window, site.chemin("index.html")));
    const QString avant = CommandTest::texteDe(w.textEdit());
    QString question;
    QString defaut;
    QStringList rapport;
    {
        DialogAnswers answers;
        answers
            .then(dialogueSite(QStringLiteral("class=\"prix-(\\w+)\""),
                               QStringLiteral("class=\"tarif-\\1\""), Expression))
            .then([&](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                question = box->text();
                defaut = box->defaultButton()->text();
                QVERIFY(clickButton(box, QStringLiteral("Remplacer")));
            })
            .then([&](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                rapport = box->text().split(QStringLiteral("\n\n"));
                box->accept();
            });
        action(f.window, QStringLiteral("remplacerSiteAct"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(answers.unanswered(), 0, attente);
        QVERIFY(cleanRun(answers));
    }
    QCOMPARE(question, QStringLiteral("Remplacer 4 occurrences dans 3 fichiers ?"));
    QCOMPARE(defaut, QStringLiteral("Annuler"));
    QCOMPARE(rapport.value(0), QStringLiteral("4 occurrences remplacées dans 3 fichiers."));
    QVERIFY(rapport.value(1).startsWith(QStringLiteral("La page ouverte (index.html)")));

    // The open page: changed in the editor only, one Ctrl+Z away.
    QCOMPARE(CommandTest::texteDe(w.textEdit()), QString(avant).replace("prix-", "tarif-"));
    QVERIFY(w.textEdit()->document()->isModified());
    const Octets apres {
        {"ancien.html", QByteArray(siteOriginal().value("ancien.html")).replace("prix-", "tarif-")},
        {"latin/page.htm",
         QByteArray(siteOriginal().value("latin/page.htm")).replace("prix-", "tarif-")}};
    QCOMPARE(site.differents(apres), QStringList());
    action(f.window, QStringLiteral("editAnnulerAct"))->trigger();
    QCOMPARE(CommandTest::texteDe(w.textEdit()), avant);

    DialogAnswers annulation;
    annulation.press(QStringLiteral("Remettre")).press(QStringLiteral("OK"));
    action(f.window, QStringLiteral("annulerRemplacementSiteAct"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(annulation.unanswered(), 0, attente);
    QVERIFY(cleanRun(annulation));
    QVERIFY(annulation.log().value(1).endsWith(
        QStringLiteral("2 fichiers remis dans leur état d'avant le remplacement.")));
    QCOMPARE(site.differents(), QStringList());
}

// A replacement that stops before writing leaves the open page as it was too: the
// site stays as one whole.
void TestRemplacementSite::failureLeavesTheOpenPageToo()
{
    const SiteDisque site;
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QVERIFY(openThroughDialog(f.window, site.chemin("index.html")));
    const QString avant = CommandTest::texteDe(w.textEdit());
    const QString copies = dossierRemplacements();
    QDir(copies).removeRecursively();
    QVERIFY(writeBytes(copies, "un fichier"));
    QStringList rapport;
    {
        DialogAnswers answers;
        answers.then(dialogueSite(QStringLiteral("prix-"), QStringLiteral("tarif-"), 0))
            .press(QStringLiteral("Remplacer"))
            .then([&rapport](QWidget *modal) {
                auto *box = qobject_cast<QMessageBox *>(modal);
                QVERIFY(box);
                rapport = box->text().split(QStringLiteral("\n\n"));
                box->accept();
            });
        action(f.window, QStringLiteral("remplacerSiteAct"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(answers.unanswered(), 0, attente);
        QVERIFY(cleanRun(answers));
    }
    QFile::remove(copies);
    QCOMPARE(rapport.value(0), QStringLiteral("Aucune occurrence n'a été remplacée."));
    QCOMPARE(rapport.value(1),
             QStringLiteral("La page ouverte (index.html) n'a pas été modifiée."));
    QVERIFY(rapport.value(2).endsWith(QStringLiteral("Aucun fichier n'a été réécrit.")));
    QCOMPARE(CommandTest::texteDe(w.textEdit()), avant);
    QVERIFY(!w.textEdit()->document()->isModified());
    QCOMPARE(site.differents(), QStringList());
}

// A file the engine gave up on is neither counted in the question nor silently
// passed over by the report.
void TestRemplacementSite::givenUpFileSaidInTheReport()
{
    const SiteDisque site({{"a.html", "aa\n" + QByteArray(30, 'a') + "b\n"},
                           {"b.html", "aa\n"},
                           {"ouverte.css", "p {}\n"}});
    EditorFixture f;
    QVERIFY(openThroughDialog(f.window, site.chemin("ouverte.css")));
    QStringList log;
    {
        DialogAnswers answers;
        answers.then(dialogueSite(QStringLiteral("(a+)+$"), QStringLiteral("c"), Expression))
            .press(QStringLiteral("Remplacer"))
            .press(QStringLiteral("OK"));
        action(f.window, QStringLiteral("remplacerSiteAct"))->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(answers.unanswered(), 0, attente);
        QVERIFY(cleanRun(answers));
        log = answers.log();
    }
    QVERIFY(log.value(0).endsWith(QStringLiteral("Remplacer 1 occurrence dans 1 fichier ?")));
    QVERIFY(log.value(1).contains(
        QStringLiteral("a.html : la recherche y a été abandonnée à la ligne 2")));
    QCOMPARE(site.differents({{"b.html", "c\n"}}), QStringList());

    // Left with the file given up on only: its listed occurrence is not denied.
    DialogAnswers encore;
    encore.then(dialogueSite(QStringLiteral("(a+)+$"), QStringLiteral("c"), Expression))
        .press(QStringLiteral("OK"));
    action(f.window, QStringLiteral("remplacerSiteAct"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(encore.unanswered(), 0, attente);
    QVERIFY(cleanRun(encore));
    QVERIFY(encore.log().value(0).contains(
        QStringLiteral("abandonnée dans 1 fichier, qui reste tel quel")));
}

// A page never saved has no folder, hence no site: saving it first is offered.
void TestRemplacementSite::pageNeverSavedHasNoSite()
{
    EditorFixture f;
    DialogAnswers answers;
    answers.press(QStringLiteral("Annuler"));
    action(f.window, QStringLiteral("chercherSiteAct"))->trigger();
    QVERIFY(cleanRun(answers));
    QVERIFY(
        answers.log().value(0).contains(QStringLiteral("Cette page n'a jamais été enregistrée")));
    QVERIFY(!f.window->findChild<QTreeWidget *>(QStringLiteral("listeProblemes")));
}

// The same box as the search dialogs give, and nothing searched.
void TestRemplacementSite::brokenExpressionSaidAsBySearch()
{
    const SiteDisque site;
    EditorFixture f;
    QVERIFY(openThroughDialog(f.window, site.chemin("index.html")));
    DialogAnswers answers;
    answers.then(dialogueSite(QStringLiteral("a(b"), QStringLiteral("x"), Expression))
        .press(QStringLiteral("OK"));
    action(f.window, QStringLiteral("remplacerSiteAct"))->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().value(0),
             QStringLiteral("Marlisse - Expression régulière | L'expression régulière «\u00a0a(b"
                            "\u00a0» n'est pas valide\u00a0:\nmissing closing parenthesis, à la "
                            "fin de l'expression.\nRien n'a été cherché."));
    QCOMPARE(site.differents(), QStringList());
}

// Escape in the panel while the site is searched: its rows never come, nor the
// question of a replacement.
void TestRemplacementSite::escapeStopsTheSearch()
{
    const SiteDisque site;
    EditorFixture f;
    QVERIFY(openThroughDialog(f.window, site.chemin("index.html")));
    DialogAnswers answers;
    answers.then(dialogueSite(QStringLiteral("prix-"), QStringLiteral("tarif-"), 0));
    action(f.window, QStringLiteral("remplacerSiteAct"))->trigger();
    auto *arbre = f.window->findChild<QTreeWidget *>(QStringLiteral("listeProblemes"));
    QVERIFY(arbre);
    QTest::keyClick(arbre, Qt::Key_Escape);
    QTest::qWait(300);
    QVERIFY(cleanRun(answers));
    QCOMPARE(lignesDuPanneau(f.window), QStringList());
    QCOMPARE(f.window->findChild<QDockWidget *>(QStringLiteral("panneauProblemes"))->windowTitle(),
             QStringLiteral("Recherche dans le site arrêtée"));
    QCOMPARE(site.differents(), QStringList());
}

QTEST_MAIN(TestRemplacementSite)
#include "tst_remplacementsite.moc"
