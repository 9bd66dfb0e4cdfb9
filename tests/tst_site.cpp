// A site on disk: the walk of its files (order, filters, bounds, the files that
// cannot be read and why), the reading of each by the reading rule.

#include "dialoganswers.h"
#include "documentfile.h"
#include "montextedit.h"
#include "panneauproblemes.h"
#include "parcourssite.h"
#include "testsupport.h"
#include "verificationenfond.h"
#include "verificationsite.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

// The names made in bytes that the toolkit cannot decode, nor therefore delete.
QList<QByteArray> nomsBruts;

void retireNomsBruts()
{
    for (const QByteArray &nom : std::as_const(nomsBruts))
        ::unlink(nom.constData());
    nomsBruts.clear();
}

// Makes the entries of a site from their descriptions:
//   "a/b.html"           a page, "<p>x</p>"
//   "a/"                 a folder
//   "l.html -> cible"    a symbolic link
//   "x.html|nul"         a NUL byte among its first bytes
//   "x.html|fifo"        a named pipe
//   "x.html|grand"       a sparse file larger than a document may be
//   "x|latin1.html"      the name "x" then byte 0xE9 then ".html", not UTF-8
//   "x.html=text"        a file of that text, its characters as bytes (ISO 8859-1)
bool creeSite(const QString &racine, const QStringList &entrees)
{
    for (const QString &entree : entrees) {
        const qsizetype fleche = entree.indexOf(QLatin1String(" -> "));
        if (fleche > 0) {
            const QString lien = racine + QLatin1Char('/') + entree.left(fleche);
            QDir().mkpath(QFileInfo(lien).path());
            if (!QFile::link(entree.mid(fleche + 4), lien))
                return false;
            continue;
        }
        if (entree.endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(racine + QLatin1Char('/') + entree))
                return false;
            continue;
        }
        const qsizetype egal = entree.indexOf(QLatin1Char('='));
        if (egal > 0 && !entree.left(egal).contains(QLatin1Char('|'))) {
            if (!writeBytes(racine + QLatin1Char('/') + entree.left(egal),
                            entree.mid(egal + 1).toLatin1()))
                return false;
            continue;
        }
        const QString nom = entree.section(QLatin1Char('|'), 0, 0);
        const QString sorte = entree.section(QLatin1Char('|'), 1);
        const QString chemin = racine + QLatin1Char('/') + nom;
        if (sorte == QLatin1String("fifo")) {
            QDir().mkpath(QFileInfo(chemin).path());
            if (::mkfifo(QFile::encodeName(chemin).constData(), 0644) != 0)
                return false;
        } else if (sorte == QLatin1String("grand")) {
            QFile fichier(chemin);
            if (!fichier.open(QIODevice::WriteOnly) || !fichier.resize(DocumentFile::maxSize + 1))
                return false;
        } else if (sorte.startsWith(QLatin1String("latin1"))) {
            const QByteArray brut = QFile::encodeName(chemin) + "\xe9" + sorte.mid(6).toLatin1();
            const int fd = ::open(brut.constData(), O_WRONLY | O_CREAT, 0644);
            if (fd < 0)
                return false;
            ::close(fd);
            nomsBruts << brut;
        } else if (sorte == QLatin1String("utf16")) {
            // An XML declaration in UTF-16 without a mark: text to the reading rule.
            if (!writeBytes(chemin, QByteArray("<\0?\0x\0m\0l\0?\0>\0\n\0", 16)))
                return false;
        } else if (!writeBytes(chemin,
                               sorte == QLatin1String("nul") ? QByteArray("<p>x\0y</p>", 10)
                                                             : QByteArrayLiteral("<p>x</p>\n"))) {
            return false;
        }
    }
    return true;
}

QString nomSouci(Site::Souci souci)
{
    switch (souci) {
    case Site::Souci::Illisible:
        return QStringLiteral("illisible");
    case Site::Souci::DossierIllisible:
        return QStringLiteral("dossier illisible");
    case Site::Souci::BoucleDeLiens:
        return QStringLiteral("boucle");
    case Site::Souci::DejaParcouru:
        return QStringLiteral("déjà");
    case Site::Souci::NomEtranger:
        return QStringLiteral("nom");
    case Site::Souci::Binaire:
        return QStringLiteral("binaire");
    case Site::Souci::TropGrand:
        return QStringLiteral("trop grand");
    case Site::Souci::LimiteFichiers:
        return QStringLiteral("limite fichiers");
    case Site::Souci::LimiteOctets:
        return QStringLiteral("limite octets");
    case Site::Souci::LimiteNoms:
        return QStringLiteral("limite noms");
    }
    return QString();
}

} // namespace

class TestSite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void walk_data();
    void walk();
    void readingRule();
    void stopped();
    void siteCheck();
    void siteCheckBounds();
    void siteInTheWindow();
    void siteNeverSaved();
    void siteAndPageChecks();

private:
    QTemporaryDir dossier;
};

void TestSite::initTestCase()
{
    init();
    QVERIFY(dossier.isValid());
}

// The files read, in the order of their paths, and each one that was not, with
// why: "relatif: souci".
void TestSite::walk_data()
{
    QTest::addColumn<QStringList>("entrees");
    QTest::addColumn<QString>("filtre"); // "" for the pages
    QTest::addColumn<int>("fichiersMax");
    QTest::addColumn<QStringList>("lus");
    QTest::addColumn<QStringList>("refus");

    const QStringList aucun;
    // Folder "a" before "a0.html", after "a.html" and "a-b.html": the order of
    // the full paths, not of each folder's names.
    QTest::newRow("order of paths")
        << QStringList {QStringLiteral("a0.html"),       QStringLiteral("a/x.html"),
                        QStringLiteral("a.html"),        QStringLiteral("a-b.html"),
                        QStringLiteral("b/c/y.htm"),     QStringLiteral("Z.XHTML"),
                        QStringLiteral("style.css"),     QStringLiteral("notes.txt"),
                        QStringLiteral(".cache/h.html"), QStringLiteral(".cachee.html")}
        << QString() << 10000
        << QStringList {QStringLiteral("Z.XHTML"), QStringLiteral("a-b.html"),
                        QStringLiteral("a.html"),  QStringLiteral("a/x.html"),
                        QStringLiteral("a0.html"), QStringLiteral("b/c/y.htm")}
        << aucun;
    QTest::newRow("patterns") << QStringList {QStringLiteral("a.html"), QStringLiteral("s/b.CSS"),
                                              QStringLiteral("c.js"), QStringLiteral("d.txt")}
                              << QStringLiteral("*.html;*.css") << 10000
                              << QStringList {QStringLiteral("a.html"), QStringLiteral("s/b.CSS")}
                              << aucun;
    QTest::newRow("suffixes") << QStringList {QStringLiteral("a.html"), QStringLiteral("b.php"),
                                              QStringLiteral("c.js"), QStringLiteral("dphp")}
                              << QStringLiteral(".php, js") << 10000
                              << QStringList {QStringLiteral("b.php"), QStringLiteral("c.js")}
                              << aucun;
    QTest::newRow("a name without a wildcard")
        << QStringList {QStringLiteral("index.html"), QStringLiteral("b/index.html"),
                        QStringLiteral("autre.html")}
        << QStringLiteral("index.html") << 10000
        << QStringList {QStringLiteral("b/index.html"), QStringLiteral("index.html")} << aucun;
    QTest::newRow("loops of links")
        << QStringList {QStringLiteral("a.html"),
                        QStringLiteral("l1.html -> l2.html"),
                        QStringLiteral("l2.html -> l1.html"),
                        QStringLiteral("soi -> soi"),
                        QStringLiteral("sous/b.html"),
                        QStringLiteral("sous/haut -> .."),
                        QStringLiteral("sous/ici -> ."),
                        QStringLiteral("vide.html -> nulle-part.html")}
        << QString() << 10000
        << QStringList {QStringLiteral("a.html"), QStringLiteral("sous/b.html")}
        << QStringList {QStringLiteral("l1.html: boucle"),  QStringLiteral("l2.html: boucle"),
                        QStringLiteral("soi: boucle"),      QStringLiteral("sous/haut: boucle"),
                        QStringLiteral("sous/ici: boucle"), QStringLiteral("vide.html: illisible")};
    // Two names of one folder or file: read once, under the first name.
    QTest::newRow("reached twice")
        << QStringList {QStringLiteral("b/x.html"), QStringLiteral("a -> b"),
                        QStringLiteral("c.html -> b/x.html")}
        << QString() << 10000 << QStringList {QStringLiteral("a/x.html")}
        << QStringList {QStringLiteral("b: déjà"), QStringLiteral("c.html: déjà")};
    QTest::newRow("bad files") << QStringList {QStringLiteral("a.html"),
                                               QStringLiteral("binaire.html|nul"),
                                               QStringLiteral("tube.html|fifo"),
                                               QStringLiteral("grand.html|grand"),
                                               QStringLiteral("caf|latin1.html")}
                               << QString() << 10000 << QStringList {QStringLiteral("a.html")}
                               << QStringList {QStringLiteral("caf\ufffd.html: nom"),
                                               QStringLiteral("tube.html: illisible"),
                                               QStringLiteral("binaire.html: binaire"),
                                               QStringLiteral("grand.html: trop grand")};
    QTest::newRow("UTF-16 without a mark, not binary")
        << QStringList {QStringLiteral("a.xhtml|utf16"), QStringLiteral("b.css|utf16")}
        << QStringLiteral("*.xhtml;*.css") << 10000 << QStringList {QStringLiteral("a.xhtml")}
        << QStringList {QStringLiteral("b.css: binaire")};
    QTest::newRow("too many files")
        << QStringList {QStringLiteral("a.html"), QStringLiteral("b.html"),
                        QStringLiteral("c/d.html"), QStringLiteral("e.html")}
        << QString() << 3
        << QStringList {QStringLiteral("a.html"), QStringLiteral("b.html"),
                        QStringLiteral("c/d.html")}
        << QStringList {QStringLiteral(": limite fichiers")};
}

void TestSite::walk()
{
    QFETCH(QStringList, entrees);
    QFETCH(QString, filtre);
    QFETCH(int, fichiersMax);
    QFETCH(QStringList, lus);
    QFETCH(QStringList, refus);

    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(site.path(), entrees));
    Site::Bornes bornes;
    bornes.fichiers = fichiersMax;
    QStringList trouves;
    QStringList anomalies;
    const Site::Bilan bilan = Site::parcourt(
        site.path(), filtre.isEmpty() ? Site::Filtre::pages() : Site::Filtre::depuis(filtre),
        [&](Site::Fichier &f) { trouves << f.relatif; },
        [&](const Site::Anomalie &a) {
            anomalies << a.relatif + QStringLiteral(": ") + nomSouci(a.souci);
            QVERIFY(!a.message.isEmpty());
        },
        bornes);
    retireNomsBruts();
    QCOMPARE(trouves, lus);
    QCOMPARE(anomalies, refus);
    QCOMPARE(bilan.lus, lus.size());
    QVERIFY(!bilan.arrete);
}

// Each file in its own encoding and line ends, with the stamp of the bytes read;
// the bound in bytes stops before a file that would pass it.
void TestSite::readingRule()
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    const QByteArray cp1252 = "<meta charset=\"windows-1252\">\r\n<p>\x80 \xe9t\xe9</p>\r\n";
    const QByteArray utf16 = QByteArray("\xff\xfe<\0p\0>\0\xe9\0", 10);
    QVERIFY(writeBytes(site.filePath(QStringLiteral("a.html")), cp1252));
    QVERIFY(writeBytes(site.filePath(QStringLiteral("b.html")), utf16));
    QVERIFY(writeBytes(site.filePath(QStringLiteral("c.html")), QByteArray(3000, 'c')));

    QList<Site::Fichier> fichiers;
    QStringList anomalies;
    Site::Bornes bornes;
    bornes.octets = cp1252.size() + utf16.size() + 100;
    const Site::Bilan bilan = Site::parcourt(
        site.path() + QStringLiteral("/./"), Site::Filtre::pages(),
        [&](Site::Fichier &f) { fichiers << f; },
        [&](const Site::Anomalie &a) { anomalies << nomSouci(a.souci); }, bornes);
    QCOMPARE(fichiers.size(), 2);
    QCOMPARE(anomalies, QStringList {QStringLiteral("limite octets")});
    QCOMPARE(bilan.octets, cp1252.size() + utf16.size());

    const Site::Fichier &a = fichiers.at(0);
    QCOMPARE(a.chemin, site.filePath(QStringLiteral("a.html")));
    QCOMPARE(a.encodage.name, QByteArray("windows-1252"));
    QCOMPARE(a.finsDeLigne.convention, LineEnds::Convention::CRLF);
    QCOMPARE(a.texte,
             QStringLiteral("<meta charset=\"windows-1252\">\n<p>\u20ac \u00e9t\u00e9</p>\n"));
    QCOMPARE(a.etat.taille, cp1252.size());
    QCOMPARE(a.etat.empreinteCalculee(),
             QCryptographicHash::hash(cp1252, QCryptographicHash::Sha1));
    QVERIFY(!a.etat.changeSurDisque());
    // A mark of UTF-16: its NUL bytes are text.
    QCOMPARE(fichiers.at(1).texte, QStringLiteral("<p>\u00e9"));
    QVERIFY(fichiers.at(1).encodage.bom);
}

// Stopped from another thread: nothing more is read, and the walk says so.
void TestSite::stopped()
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(site.path(), {QStringLiteral("a.html"), QStringLiteral("b/c.html")}));
    std::atomic<bool> arret {false};
    int lus = 0;
    const Site::Bilan bilan = Site::parcourt(
        site.path(), Site::Filtre::pages(),
        [&](Site::Fichier &) {
            ++lus;
            arret = true;
        },
        [](const Site::Anomalie &) {}, Site::Bornes(), &arret);
    QCOMPARE(lus, 1);
    QVERIFY(bilan.arrete);
    QVERIFY(Site::liste(site.path(), Site::Filtre::pages(), Site::Bornes(), &arret).arretee);
}

namespace {

// A site with a broken cross-page anchor, a missing image and stylesheet, pages
// no other page leads to, a loop of links and a binary page.
const QStringList petitSite = {
    QStringLiteral("index.html=<!DOCTYPE html>\n<title>Accueil</title>\n"
                   "<link rel=\"stylesheet\" href=\"style.css\">\n"
                   "<p><a href=\"a.html#intro\">a</a> <a href=\"b.html#nulle\">b</a>\n"
                   "<a href=\"b.html#caf&eacute;\">b</a> <a href=\"sous/\">sous</a>\n"
                   "<a href=\"/racine.html\">r</a> <img src=\"img/logo.png\" alt=\"\">"),
    QStringLiteral("a.html=<h1 id=\"intro\">A</h1>\n<a href=\"index.html\">accueil</a>\n"
                   "<img src=\"manque.png\" alt=\"\">"),
    QStringLiteral("b.html=<meta charset=\"windows-1252\"><p id=\"caf\u00e9\">\x80</p>"),
    QStringLiteral("racine.html=<p>r</p>"),
    QStringLiteral("sous/index.html=<a href=\"../orpheline.html#y\">o</a>"),
    QStringLiteral("orpheline.html=<p id=\"x\">seule</p>"),
    QStringLiteral("seule.html=<a href=\"seule.html\">moi</a> <a href=\"#haut\">h</a>"),
    QStringLiteral("img/logo.png"),
    QStringLiteral("l1.html -> l2.html"),
    QStringLiteral("l2.html -> l1.html"),
    QStringLiteral("binaire.html|nul"),
};

// "relatif line:column Kind: message" for each row, in the order shown.
QStringList rangeesSite(const Site::ResultatSite &resultat)
{
    QStringList lignes;
    for (const Site::GroupeVerifie &groupe : resultat.groupes) {
        for (const Verification::Probleme &p : groupe.problemes)
            lignes << QStringLiteral("%1 %2:%3 %4: %5")
                          .arg(groupe.relatif)
                          .arg(p.ligne)
                          .arg(p.colonne)
                          .arg(Verification::nomGenre(p.genre), p.message.section(u'\u00a0', 0, 0));
    }
    return lignes;
}

} // namespace

// Every page's links, images and stylesheets, the anchors across pages (in each
// page's own encoding), the orphans, and the files that could not be read, each
// in its file's group; the page being edited as its text stands.
void TestSite::siteCheck()
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(site.path(), petitSite));
    const Site::ResultatSite resultat = Site::verifieSite(site.path(), std::nullopt);
    const QStringList attendu = {
        QStringLiteral("a.html 3:11 Lien: Fichier introuvable"),
        QStringLiteral("binaire.html 0:0 Erreur: Fichier binaire (un octet nul dans ses 8 premiers "
                       "Ko)"),
        QStringLiteral("index.html 3:30 Lien: Fichier introuvable"),
        QStringLiteral("index.html 4:42 Lien: Ancre introuvable dans la page liée"),
        QStringLiteral("l1.html 0:0 Erreur: Liens symboliques qui tournent en rond"),
        QStringLiteral("l2.html 0:0 Erreur: Liens symboliques qui tournent en rond"),
        QStringLiteral("seule.html 1:1 Lien: Page orpheline"),
        QStringLiteral("seule.html 1:39 Lien: Ancre introuvable dans la page"),
        QStringLiteral("sous/index.html 1:10 Lien: Ancre introuvable dans la page liée")};
    QCOMPARE(rangeesSite(resultat), attendu);
    QCOMPARE(resultat.pages, 7);
    QCOMPARE(resultat.orphelines, 1);
    QCOMPARE(resultat.nonLus, 3);
    QVERIFY(!resultat.arrete);
    QCOMPARE(resultat.groupes.at(2).chemin, site.filePath(QStringLiteral("index.html")));

    // orpheline.html is reached from sous/index.html only, whose text as edited
    // no longer leads there.
    const Site::ResultatSite edite = Site::verifieSite(
        site.path(),
        Site::PageOuverte {site.path() + QStringLiteral("/./sous/index.html"),
                           QStringLiteral("<p>plus de lien</p>\n<img src=\"non.png\" alt=\"\">")});
    QStringList lignes = rangeesSite(edite);
    QVERIFY(lignes.contains(QStringLiteral("orpheline.html 1:1 Lien: Page orpheline")));
    QVERIFY(lignes.contains(QStringLiteral("sous/index.html 2:11 Lien: Fichier introuvable")));

    // A folder named without its '/' leads to its index page as well, a refresh
    // to the page it names; a text file being edited is no page of the site.
    QTemporaryDir autre(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(autre.path(),
                     {QStringLiteral("index.html=<a href=\"sous\">s</a><meta "
                                     "http-equiv=\"Refresh\" content=\"5; URL='r.html'\">"),
                      QStringLiteral("sous/index.html=<p>s</p>"), QStringLiteral("r.html=<p>r</p>"),
                      QStringLiteral("notes.txt=x")}));
    const Site::ResultatSite texte
        = Site::verifieSite(autre.path(),
                            Site::PageOuverte {autre.filePath(QStringLiteral("notes.txt")),
                                               QStringLiteral("<img src=\"non.png\" alt=\"\">\n")});
    QCOMPARE(rangeesSite(texte), QStringList());
    QCOMPARE(texte.pages, 3);
}

// The bounds become notes of the whole list; a stopped check gives nothing.
void TestSite::siteCheckBounds()
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(site.path(), petitSite));
    Site::Bornes bornes;
    bornes.fichiers = 2;
    const Site::ResultatSite borne = Site::verifieSite(site.path(), std::nullopt, bornes);
    QCOMPARE(borne.pages, 2);
    QCOMPARE(borne.notes.size(), 2);
    QVERIFY(borne.notes.first().startsWith(QStringLiteral("Plus de 2 fichiers")));
    // The pages not read may lead to those read: none is said to be an orphan.
    QCOMPARE(borne.orphelines, 0);
    QVERIFY(borne.notes.last().startsWith(QStringLiteral("Pages orphelines non cherchées")));

    const std::atomic<bool> arret {true};
    const Site::ResultatSite arrete
        = Site::verifieSite(site.path(), std::nullopt, Site::Bornes(), &arret);
    QVERIFY(arrete.arrete);
    QVERIFY(arrete.groupes.isEmpty());
}

// Shift+F7 as a user does it: the rows in the panel, one group per page, the
// title with the pages read; Return on a row of another page opens it at its
// line, F8 walks on across pages, the keyboard left in the text. A second
// Shift+F7 during a check stops it; closing the window during one as well.
void TestSite::siteInTheWindow()
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(site.path(), petitSite));
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString index = site.filePath(QStringLiteral("index.html"));
    QVERIFY(f.window->loadFile(index));
    w.setCurrentFile(index);
    monQTextEdit *edit = w.textEdit();
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_F7, Qt::ShiftModifier);
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QVERIFY(panneau && panneau->isVisible());
    QVERIFY(panneau->windowTitle().contains(QStringLiteral("en cours")));
    QTRY_VERIFY_WITH_TIMEOUT(!panneau->enCours(), 30000);
    QVERIFY2(panneau->windowTitle().startsWith(QStringLiteral("Problèmes du site\u00a0: 7 pages "
                                                              "lues en ")),
             qPrintable(panneau->windowTitle()));
    QVERIFY(panneau->windowTitle().endsWith(
        QStringLiteral("5 liens, 1 page orpheline, 3 fichiers non lus")));
    QVERIFY(edit->hasFocus());
    QTreeWidget *liste = panneau->liste();
    QCOMPARE(liste->topLevelItemCount(), 7);
    QCOMPARE(liste->topLevelItem(5)->text(0), QStringLiteral("seule.html (2)"));

    // The broken anchor of sous/index.html: that page opens at the link.
    QTreeWidgetItem *sous = liste->topLevelItem(6)->child(0);
    QCOMPARE(sous->text(0), QStringLiteral("1"));
    liste->setCurrentItem(sous);
    liste->setFocus();
    QTest::keyClick(liste, Qt::Key_Return);
    QCOMPARE(w.currentFile(), site.filePath(QStringLiteral("sous/index.html")));
    QCOMPARE(edit->textCursor().blockNumber(), 0);
    QCOMPARE(edit->textCursor().positionInBlock(), 9);
    QVERIFY(edit->hasFocus());

    // F8 goes round to the first row, a.html's missing image.
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F8);
    QCOMPARE(w.currentFile(), site.filePath(QStringLiteral("a.html")));
    QCOMPARE(edit->textCursor().blockNumber(), 2);
    QVERIFY(edit->hasFocus());
    // A row said of a whole file leads nowhere: F8 passes over it.
    QTest::keyClick(edit, Qt::Key_F8);
    QCOMPARE(w.currentFile(), index);
    QCOMPARE(edit->textCursor().blockNumber(), 2);

    // Twice at once: the second stops the first.
    QTest::keyClick(edit, Qt::Key_F7, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_F7, Qt::ShiftModifier);
    QTRY_VERIFY(!panneau->enCours());
    QCOMPARE(panneau->windowTitle(),
             QStringLiteral("Problèmes du site\u00a0: vérification arrêtée"));
    QCOMPARE(liste->topLevelItemCount(), 7);
    QTest::qWait(100);
    QVERIFY(!panneau->enCours());

    // Closed while the worker reads: the window waits for it, and nothing comes
    // to a window gone.
    QTest::keyClick(edit, Qt::Key_F7, Qt::ShiftModifier);
    auto *travail = f.window->findChild<Site::VerificationSiteEnFond *>();
    while (!travail->enCours() && panneau->enCours())
        QCoreApplication::processEvents();
    f.window->close();
    delete f.window;
    QTest::qWait(20);
}

// A page never saved has no site: the command asks to save it first.
void TestSite::siteNeverSaved()
{
    EditorFixture f;
    {
        DialogAnswers reponses;
        reponses.press(QStringLiteral("Annuler"));
        action(f.window, QStringLiteral("verifierSiteAct"))->trigger();
        QVERIFY(cleanRun(reponses));
        QCOMPARE(reponses.log().size(), 1);
        QVERIFY(reponses.log().first().startsWith(
            QStringLiteral("Vérifier le site | La page n'a jamais été enregistrée")));
        QVERIFY(f.window->findChild<PanneauProblemes *>() == nullptr);
    }

    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QVERIFY(creeSite(site.path(), {QStringLiteral("a.html")}));
    KalTextEditTestAccess(f.window).textEdit()->setPlainText(
        QStringLiteral("<a href=\"a.html\">a</a> <a href=\"b.html\">b</a>"));
    DialogAnswers enregistre;
    enregistre.press(QStringLiteral("Enregistrer")).choose(site.filePath(QStringLiteral("p.html")));
    action(f.window, QStringLiteral("verifierSiteAct"))->trigger();
    QVERIFY(cleanRun(enregistre));
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QTRY_VERIFY(panneau && !panneau->enCours());
    QVERIFY2(panneau->windowTitle().endsWith(QStringLiteral("1 lien, 1 page orpheline")),
             qPrintable(panneau->windowTitle()));
}

// One panel for both checks: the one asked last gives the rows, whichever ends
// first.
void TestSite::siteAndPageChecks()
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    QStringList pages = {QStringLiteral("index.html=<p><b>x</p>")};
    for (int i = 0; i < 400; ++i)
        pages << QStringLiteral("p%1.html=<a href=\"manque.html\">x</a>").arg(i);
    QVERIFY(creeSite(site.path(), pages));
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString index = site.filePath(QStringLiteral("index.html"));
    QVERIFY(f.window->loadFile(index));
    w.setCurrentFile(index);
    QAction *page = action(f.window, QStringLiteral("verifierPageAct"));
    QAction *toutLeSite = action(f.window, QStringLiteral("verifierSiteAct"));
    auto fini = [&f] {
        auto *panneau = f.window->findChild<PanneauProblemes *>();
        auto *travail = f.window->findChild<Site::VerificationSiteEnFond *>();
        auto *verification = f.window->findChild<Verification::VerificationEnFond *>();
        return panneau && !panneau->enCours() && (!travail || !travail->enCours())
            && (!verification || !verification->enCours());
    };

    toutLeSite->trigger();
    page->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fini(), 30000);
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QVERIFY2(panneau->windowTitle().startsWith(QStringLiteral("Problèmes de la page\u00a0: ")),
             qPrintable(panneau->windowTitle()));
    QVERIFY(panneau->listeDeLaPage());

    page->trigger();
    toutLeSite->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(fini(), 30000);
    QVERIFY2(panneau->windowTitle().startsWith(QStringLiteral("Problèmes du site\u00a0: 401 ")),
             qPrintable(panneau->windowTitle()));
    QVERIFY(!panneau->listeDeLaPage());
}

QTEST_MAIN(TestSite)
#include "tst_site.moc"
