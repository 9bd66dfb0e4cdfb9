// "Vérifier la page": the rows the checker gives for small pages (Tidy's and its
// own link checks), at the lines and columns the editor shows; the same rows as
// the tidy program; the bounds that keep Tidy's recursive parser on its stack;
// the worker; and the panel in the editor window.

#include "copiedocument.h"
#include "deplacements.h"
#include "dialoganswers.h"
#include "documentfile.h"
#include "messagestidy.h"
#include "montextedit.h"
#include "rapporttidy.h"
#include "releve.h"
#include "testsupport.h"
#include "verificationenfond.h"
#include "verificationpage.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QThread>
#include <QTreeWidget>

#include "panneauproblemes.h"

using namespace TestSupport;
using Verification::Genre;

Q_DECLARE_METATYPE(Verification::Resultat)

namespace {

// A page clean for Tidy 5.6 around the given lines, which start at line 3.
QString page(const QString &lignes)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><title>t</title></head><body>\n") + lignes
        + QStringLiteral("\n</body></html>\n");
}

// "line:column Kind" for each row, the remark first.
QStringList rangees(const Verification::Resultat &resultat)
{
    QStringList lignes;
    auto ajoute = [&lignes](const Verification::Probleme &p) {
        lignes << QStringLiteral("%1:%2 %3")
                      .arg(p.ligne)
                      .arg(p.colonne)
                      .arg(Verification::nomGenre(p.genre));
    };
    for (const Verification::Probleme &p : resultat.remarques)
        ajoute(p);
    for (const Verification::Probleme &p : resultat.problemes)
        ajoute(p);
    return lignes;
}

// A page's folder with the files (a name ending in "/" is a folder) it names;
// "name=text" writes the text's characters as bytes (ISO 8859-1), else "x".
void creeFichiers(const QString &dossier, const QStringList &fichiers)
{
    for (const QString &nom : fichiers) {
        const qsizetype egal = nom.indexOf(QLatin1Char('='));
        if (nom.endsWith(QLatin1Char('/')))
            QVERIFY(QDir().mkpath(dossier + QLatin1Char('/') + nom));
        else if (egal > 0)
            QVERIFY(writeBytes(dossier + QLatin1Char('/') + nom.left(egal),
                               nom.mid(egal + 1).toLatin1()));
        else
            QVERIFY(writeBytes(dossier + QLatin1Char('/') + nom, "x"));
    }
}

// The page, saved as fichier, open in the active window with the editor's focus.
monQTextEdit *ouvreActive(EditorFixture &f, const QString &fichier, const QByteArray &octets)
{
    KalTextEditTestAccess w(f.window);
    if (!writeBytes(fichier, octets) || !f.window->loadFile(fichier))
        return nullptr;
    w.currentFile() = fichier;
    f.window->activateWindow();
    if (!QTest::qWaitForWindowActive(f.window))
        return nullptr;
    w.textEdit()->setFocus();
    return w.textEdit();
}

QString nested(const QString &balise, int fois)
{
    return balise.repeated(fois);
}

// One of the pages kept beside the tests.
QString pageDeTest(const QString &nom)
{
    return QString::fromUtf8(
        readBytes(QFINDTESTDATA(QStringLiteral("pages/") + nom + QStringLiteral(".html"))));
}

QString tidyProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("tidy"));
}

} // namespace

class TestVerification : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pages_data();
    void pages();
    void linkPaths_data();
    void linkPaths();
    void sameRowsAsTidy_data();
    void sameRowsAsTidy();
    void sloppyPagesAreChecked_data();
    void sloppyPagesAreChecked();
    void tidyStoppedWhenItLoops();
    void tidyStopReasons_data();
    void tidyStopReasons();
    void timeBudgetCountsTheProcessor();
    void frenchOfMarlisse_data();
    void frenchOfMarlisse();
    void rowsAreBounded_data();
    void rowsAreBounded();
    void deepPagesInTheWorker_data();
    void deepPagesInTheWorker();
    void onlyTheNewestResult();
    void newerCheckStopsTheRunningOne();
    void stoppedCheck();
    void hostileText_data();
    void hostileText();
    void commandInMenu();
    void checkAndJump();
    void labelAndJumpAgree_data();
    void labelAndJumpAgree();
    void changeDuringCheck();
    void openingClearsThePanel_data();
    void openingClearsThePanel();
    void siteRowsStayOverThePageCheck();
    void panelRows();
    void manualLinks();
    void typingAfterCheck();
    void movedPlaces_data();
    void movedPlaces();
    void rowsFollowTheText_data();
    void rowsFollowTheText();
    void panelGroups();

private:
    Verification::Resultat verifieDans(const QString &texte, const QStringList &fichiers,
                                       bool enregistree);
    QTemporaryDir dossier;
};

void TestVerification::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
    qRegisterMetaType<Verification::Resultat>();
}

Verification::Resultat TestVerification::verifieDans(const QString &texte,
                                                     const QStringList &fichiers, bool enregistree)
{
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    creeFichiers(site.path(), fichiers);
    QString avecDossier = texte;
    avecDossier.replace(QStringLiteral("%DIR%"), site.path());
    return Verification::verifie(
        {avecDossier, enregistree ? site.filePath(QStringLiteral("page.html")) : QString()});
}

void TestVerification::pages_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<QStringList>("fichiers");
    QTest::addColumn<bool>("enregistree");
    QTest::addColumn<QStringList>("attendu");

    const QStringList aucun;
    QTest::newRow("clean") << page(
        QStringLiteral("<p>Bonjour <img src=\"a.png\" alt=\"a\"> <a href=\"#top\">haut</a> "
                       "<a href=\"#\">ici</a></p>"))
                           << QStringList {QStringLiteral("a.png")} << true << aucun;
    QTest::newRow("unclosed b") << page(QStringLiteral("<p><b>gras</p>")) << aucun << true
                                << QStringList {QStringLiteral("3:4 Avertissement")};
    // Tidy counts a tab as one column and an emoji as one, as the label does.
    QTest::newRow("tab and emoji before")
        << page(QStringLiteral("<p>\t\U0001F600<b>gras</p>")) << aucun << true
        << QStringList {QStringLiteral("3:6 Avertissement")};
    QTest::newRow("combining accent before")
        << page(QStringLiteral("<p>e\u0301<b>gras</p>")) << aucun << true
        << QStringList {QStringLiteral("3:6 Avertissement")};
    // Tidy drops control characters without counting them: the editor shows them.
    QTest::newRow("control characters before")
        << page(QStringLiteral("<p>\u0001\u000b<b>gras</p>")) << aucun << true
        << QStringList {QStringLiteral("3:6 Avertissement")};
    QTest::newRow("text after a NUL")
        << page(QStringLiteral("<p>a") + QChar(0) + QStringLiteral("b</p>\n<p><b>gras</p>"))
        << aucun << true << QStringList {QStringLiteral("4:4 Avertissement")};
    QTest::newRow("mark at the start")
        << QStringLiteral("\ufeff<!DOCTYPE html><html><head><title>t</title></head><body><p><b>x"
                          "</p></body></html>")
        << aucun << true << QStringList {QStringLiteral("1:61 Avertissement")};
    QTest::newRow("CR LF and CR") << QStringLiteral(
        "<!DOCTYPE html>\r\n<html><head><title>t</title></head><body>\r<p><b>x</p>\r\n"
        "<img src=\"manque.png\" alt=\"\">\r\n</body></html>")
                                  << aucun << true
                                  << QStringList {QStringLiteral("3:4 Avertissement"),
                                                  QStringLiteral("4:1 Avertissement"),
                                                  QStringLiteral("4:11 Lien")};
    QTest::newRow("an error") << page(QStringLiteral("<p><inconnue>x</p>")) << aucun << true
                              << QStringList {QStringLiteral("3:4 Erreur"),
                                              QStringLiteral("3:4 Avertissement")};

    // Marlisse's own link checks.
    QTest::newRow("missing image")
        << page(QStringLiteral("<p><img src=\"manque.png\" alt=\"x\"></p>")) << aucun << true
        << QStringList {QStringLiteral("3:14 Lien")};
    QTest::newRow("image in a folder, escaped, with query and fragment")
        << page(QStringLiteral("<p><img src=\"img/a%20b.png?v=2#x\" alt=\"x\"></p>"))
        << QStringList {QStringLiteral("img/a b.png")} << true << aucun;
    QTest::newRow("reference decoded") << page(QStringLiteral("<img src=\"a&amp;b.png\" alt=\"\">"))
                                       << QStringList {QStringLiteral("a&b.png")} << true << aucun;
    QTest::newRow("existing folder")
        << page(QStringLiteral("<a href=\"dossier\">d</a> <a href=\"../\">p</a>"))
        << QStringList {QStringLiteral("dossier/")} << true << aucun;
    QTest::newRow("missing page") << page(QStringLiteral("x <a href='autre.html'>x</a>")) << aucun
                                  << true << QStringList {QStringLiteral("3:12 Lien")};
    QTest::newRow("unquoted, then an emoji")
        << page(QStringLiteral("\U0001F600 <a href=autre.html>x</a>")) << aucun << true
        << QStringList {QStringLiteral("3:11 Lien")};
    QTest::newRow("missing anchor")
        << page(QStringLiteral("<a href=\"#nulle\">x</a> <a href=\"#la\">y</a> <a name=\"n\" "
                               "href=\"#n\">z</a> <p id=\"la\">w</p>"))
        << aucun << true << QStringList {QStringLiteral("3:10 Lien")};
    QTest::newRow("anchor escaped") << page(QStringLiteral(
        "<a href=\"#caf%C3%A9\">x</a> <a href=\"#TOP\">y</a> <p id=\"caf\u00e9\">w</p>"))
                                    << aucun << true << aucun;
    QTest::newRow("other schemes, root and host not checked") << page(QStringLiteral(
        "<p><a href=\"http://exemple.fr/x.html\">a</a> <a href=\"mailto:a@b.fr\">b</a> "
        "<img src=\"data:image/png;base64,AAAA\" alt=\"c\"> <a "
        "href=\"javascript:void(0)\">d</a> <a href=\"//hote/x.html\">e</a> <a "
        "href=\"/racine.html\">f</a> <a href=\"?q=1\">g</a></p>"))
                                                              << aucun << true << aucun;
    QTest::newRow("file URLs") << page(
        QStringLiteral("<img src=\"file://%DIR%/la.png\" alt=\"\">\n<img "
                       "src=\"file:///nulle/part.png\" alt=\"\">"))
                               << QStringList {QStringLiteral("la.png")} << true
                               << QStringList {QStringLiteral("4:11 Lien")};
    QTest::newRow("srcset candidates")
        << page(QStringLiteral(
               "<img src=\"a.png\" srcset=\"a.png 1x,manque.png 2x, b.png 640w\" alt=\"x\">"))
        << QStringList {QStringLiteral("a.png"), QStringLiteral("b.png")} << true
        << QStringList {QStringLiteral("3:35 Lien")};
    QTest::newRow("local base") << QStringLiteral(
        "<!DOCTYPE html>\n<html><head><base href=\"sous/index.html\"><title>t</title></head>"
        "<body>\n<img src=\"a.png\" alt=\"\"><img src=\"b.png\" alt=\"\">\n</body></html>")
                                << QStringList {QStringLiteral("sous/a.png"),
                                                QStringLiteral("b.png")}
                                << true << QStringList {QStringLiteral("3:35 Lien")};
    QTest::newRow("distant base") << QStringLiteral(
        "<!DOCTYPE html>\n<html><head><base href=\"http://exemple.fr/\"><title>t</title></head>"
        "<body>\n<img src=\"manque.png\" alt=\"\">\n</body></html>")
                                  << aucun << true << aucun;
    QTest::newRow("comments and scripts") << page(QStringLiteral(
        "<!-- <img src=\"manque.png\"> -->\n<script>var s = '<img src=\"manque.png\">';</script>"))
                                          << aucun << true << aucun;
    // Never saved: relative names are not checked, and a remark says so once;
    // anchors and file: URLs are.
    QTest::newRow("never saved") << page(QStringLiteral(
        "<a href=\"#nulle\">x</a> <img src=\"manque.png\" alt=\"\"> <img src=\"autre.png\" "
        "alt=\"\"> <img src=\"file:///nulle/part.png\" alt=\"\">"))
                                 << aucun << false
                                 << QStringList {QStringLiteral("3:34 Remarque"),
                                                 QStringLiteral("3:10 Lien"),
                                                 QStringLiteral("3:93 Lien")};

    // Past the bounds, Tidy is not called, and the links are still checked. The
    // row is at the first element left open.
    QTest::newRow("nests too deep")
        << page(nested(QStringLiteral("<b>"), 10001) + QStringLiteral("\n<img src=\"manque.png\">"))
        << aucun << true << QStringList {QStringLiteral("3:1 Erreur"), QStringLiteral("4:11 Lien")};
    QTest::newRow("nests too deep in a block closed")
        << page(QStringLiteral("<div>") + nested(QStringLiteral("<i>x"), 10001)
                + QStringLiteral("</div>"))
        << aucun << true << QStringList {QStringLiteral("3:6 Erreur")};
    QTest::newRow("deep enough") << page(nested(QStringLiteral("<div>"), 2000)) << aucun << true
                                 << QStringList {QStringLiteral("3:1 Avertissement")};
    // Each <p> reopens every <font> left open: the 531st passes the bound, the
    // row is at the first.
    QTest::newRow("fonts left open")
        << page(QStringLiteral("<p><font>x</font>\n") + nested(QStringLiteral("<font><p>"), 1000))
        << aucun << true << QStringList {QStringLiteral("4:1 Erreur")};

    // Pages of today: no row (their files are there).
    const QStringList valides[] = {
        {QStringLiteral("moderne-formulaire")},
        {QStringLiteral("moderne-medias"), QStringLiteral("photo.avif"),
         QStringLiteral("photo-800.webp"), QStringLiteral("photo-1600.webp"),
         QStringLiteral("photo.jpg"), QStringLiteral("petite.png"), QStringLiteral("grande.png"),
         QStringLiteral("affiche.jpg"), QStringLiteral("film.webm"), QStringLiteral("film.mp4"),
         QStringLiteral("film.fr.vtt"), QStringLiteral("chant.ogg"), QStringLiteral("carte.html")},
        {QStringLiteral("moderne-tableau")},
        {QStringLiteral("moderne-aria"), QStringLiteral("index.html"),
         QStringLiteral("contact.html")},
        {QStringLiteral("moderne-personnalises")},
        {QStringLiteral("moderne-modeles")},
        {QStringLiteral("moderne-svg")},
        {QStringLiteral("moderne-dialogue")},
        {QStringLiteral("moderne-texte"), QStringLiteral("liste.php")},
        {QStringLiteral("moderne-structure"), QStringLiteral("logo.svg"),
         QStringLiteral("favicon.svg"), QStringLiteral("style.css"), QStringLiteral("police.woff2"),
         QStringLiteral("app.js"), QStringLiteral("mesure.js")},
    };
    for (const QStringList &valide : valides) {
        QTest::addRow("valid: %s", qPrintable(valide.first()))
            << pageDeTest(valide.first()) << valide.mid(1) << true << aucun;
    }
    // A template is metadata too: it may stand in <head>.
    QTest::newRow("valid: templates in the head") << QStringLiteral(
        "<!DOCTYPE html>\n<html><head><title>t</title>\n<template id=\"a\"><li>x</li></template>"
        "<template id=\"b\"></template>\n</head><body>\n<p>x</p>\n</body></html>\n")
                                                  << aucun << true << aucun;
    QTest::newRow("valid: terms and definitions grouped in divs")
        << page(QStringLiteral("<dl><div><dt>a</dt><dd>b</dd></div>\n<div class=\"x\"><dt>c<dd>"
                               "<div>d</div></div></dl>"))
        << aucun << true << aucun;
    // Broken pages keep their rows.
    QTest::newRow("broken: unclosed b in a paragraph")
        << page(QStringLiteral("<p><b>gras</p>")) << aucun << true
        << QStringList {QStringLiteral("3:4 Avertissement")};
    QTest::newRow("broken: unknown element, no hyphen")
        << page(QStringLiteral("<p><inconnue>x</inconnue></p>")) << aucun << true
        << QStringList {QStringLiteral("3:4 Erreur"), QStringLiteral("3:4 Avertissement"),
                        QStringLiteral("3:15 Avertissement")};
    QTest::newRow("broken: image without alt")
        << page(QStringLiteral("<img src=\"a.png\">")) << QStringList {QStringLiteral("a.png")}
        << true << QStringList {QStringLiteral("3:1 Avertissement")};
    QTest::newRow("broken: unknown entity ended by a semicolon, one without")
        << page(QStringLiteral("<p>a &foo; b &copy c</p>")) << aucun << true
        << QStringList {QStringLiteral("3:6 Avertissement"), QStringLiteral("3:14 Avertissement")};
    QTest::newRow("broken: end tag of nothing")
        << page(QStringLiteral("<p>x</p></div>")) << aucun << true
        << QStringList {QStringLiteral("3:9 Avertissement")};
    QTest::newRow("broken: method neither get, post nor dialog")
        << page(QStringLiteral("<form method=\"envoi\"></form>")) << aucun << true
        << QStringList {QStringLiteral("3:1 Avertissement")};
    QTest::newRow("broken: template never closed")
        << page(QStringLiteral("<template><li>x</li>")) << aucun << true
        << QStringList {QStringLiteral("3:1 Avertissement")};
    QTest::newRow("broken: a blank in an address")
        << page(QStringLiteral("<a href=\"a b.html\">x</a> <img src=\"\" alt=\"\">"))
        << QStringList {QStringLiteral("a b.html")} << true
        << QStringList {QStringLiteral("3:1 Avertissement"), QStringLiteral("3:1 Avertissement"),
                        QStringLiteral("3:26 Avertissement"), QStringLiteral("3:36 Lien")};
    QTest::newRow("broken: an anchor twice")
        << page(QStringLiteral("<div id=\"a\"></div><div id=\"a\"></div>")) << aucun << true
        << QStringList {QStringLiteral("3:19 Avertissement")};
    // Tidy's places found again in the bytes: control characters, which Tidy does
    // not count, before an entity; a template's content blanked, columns kept.
    QTest::newRow("control characters before entities")
        << page(QStringLiteral("<p>\u0001\u0002&foo; &bar</p>")) << aucun << true
        << QStringList {QStringLiteral("3:6 Avertissement")};
    QTest::newRow("after a template holding tabs and an emoji")
        << page(QStringLiteral("<template>\t\U0001F600<li>x</li>\n\t<tr></template><p><b>z</p>"))
        << aucun << true << QStringList {QStringLiteral("4:20 Avertissement")};
    QTest::newRow("broken: a paragraph in a table")
        << page(QStringLiteral("<table><p>x</p><tr><td>y</td></tr></table>")) << aucun << true
        << QStringList {QStringLiteral("3:8 Avertissement")};

    // Every reference of the HTML standard, in names and anchors alike.
    QTest::newRow("links: named references decoded")
        << page(QStringLiteral(
               "<a href=\"#r&eacute;sum&eacute;\">r</a> <img src=\"img/caf&eacute;&hellip;.png\" "
               "alt=\"\"> <img src=\"&#x80;&#X20AC;&euro;.png\" alt=\"\"> <p "
               "id=\"r\u00e9sum\u00e9\">x</p>"))
        << QStringList {QStringLiteral("img/caf\u00e9\u2026.png"),
                        QStringLiteral("\u20ac\u20ac\u20ac.png")}
        << true << aucun;
    QTest::newRow("links: a legacy name before a letter is no reference")
        << page(QStringLiteral("<img src=\"a?b=1&copy=2\" alt=\"\"> <img src=\"c&notit.png\" "
                               "alt=\"\">"))
        << QStringList {QStringLiteral("a"), QStringLiteral("c&notit.png")} << true << aucun;
    // Only id, anywhere, and name on <a> are anchors.
    QTest::newRow("links: names that are no anchors")
        << page(QStringLiteral("<meta name=\"viewport\" content=\"x\"><div name=\"d\">v</div> "
                               "<a name=\"n\">n</a> <a href=\"#viewport\">a</a> <a "
                               "href=\"#d\">b</a> <a href=\"#n\">c</a>"))
        << aucun << true << QStringList {QStringLiteral("3:84 Lien"), QStringLiteral("3:110 Lien")};
    // Anchors of another page, read in its own encoding; their case counts.
    QTest::newRow("links: anchors of other pages")
        << page(QStringLiteral("<a href=\"a.html#Y\">1</a> <a href=\"a.html#nope\">2</a> <a "
                               "href=\"a.html#y\">3</a> <a href=\"a.html#caf%C3%A9\">4</a> <a "
                               "href=\"a.html#caf&eacute;\">5</a> <a href=\"b.png#x\">6</a> <a "
                               "href=\"page.html#x\">7</a> <a href=\"sous/#x\">8</a>"))
        << QStringList {QStringLiteral("a.html=<meta charset=\"windows-1252\"><p "
                                       "id=\"Y\">y</p><p id=\"caf\u00e9\">\x80</p>"),
                        QStringLiteral("b.png"), QStringLiteral("sous/")}
        << true
        << QStringList {QStringLiteral("3:35 Lien"), QStringLiteral("3:63 Lien"),
                        QStringLiteral("3:180 Lien")};
    // With a distant base, "#x" leaves the page.
    QTest::newRow("links: distant base and anchors") << QStringLiteral(
        "<!DOCTYPE html>\n<html><head><base href=\"http://exemple.fr/\"><title>t</title></head>"
        "<body>\n<a href=\"#x\">x</a>\n</body></html>")
                                                     << aucun << true << aucun;
    QTest::newRow("links: poster, object, form, xlink:href and empty src")
        << page(QStringLiteral(
               "<video poster=\"p.png\" src=\"v.webm\"></video><object data=\"o.svg\"></object>"
               "<form action=\"envoi.php\"></form><svg><use xlink:href=\"s.svg#i\"/></svg>"
               "<img src=\"\" alt=\"\"><div data=\"pas-un-lien\" action=\"non\"></div>"))
        << QStringList {QStringLiteral("v.webm")} << true
        << QStringList {QStringLiteral("3:16 Lien"), QStringLiteral("3:58 Lien"),
                        QStringLiteral("3:88 Lien"), QStringLiteral("3:128 Lien"),
                        QStringLiteral("3:154 Lien")};
    QTest::newRow("links: the page a refresh leads to")
        << page(QStringLiteral("<meta http-equiv=\"refresh\" content=\"0; url=manque.html\">"
                               "<meta http-equiv=\"refresh\" content=\"3\"><meta "
                               "http-equiv=\"refresh\" content=\"1,URL=la.html\">"))
        << QStringList {QStringLiteral("la.html")} << true
        << QStringList {QStringLiteral("3:44 Lien")};
    QTest::newRow("links: a file named as a folder")
        << page(QStringLiteral("<img src=\"img/a.png/\" alt=\"\"><a href=\"img/\">i</a>"))
        << QStringList {QStringLiteral("img/a.png")} << true
        << QStringList {QStringLiteral("3:11 Lien")};
}

void TestVerification::pages()
{
    QFETCH(QString, texte);
    QFETCH(QStringList, fichiers);
    QFETCH(bool, enregistree);
    QFETCH(QStringList, attendu);
    Verification::Resultat resultat = verifieDans(texte, fichiers, enregistree);
    // Rows about links only: what Tidy says of the same markup is not the point.
    if (QByteArray(QTest::currentDataTag()).startsWith("links: "))
        resultat.problemes.removeIf([](const Verification::Probleme &p) {
            return p.genre == Genre::Erreur || p.genre == Genre::Avertissement;
        });
    QStringList trouve = rangees(resultat);
    // Deep pages give Tidy's warnings by the thousand: the first one tells.
    if (QByteArray(QTest::currentDataTag()) == "deep enough")
        trouve = trouve.mid(0, 1);
    if (trouve != attendu) {
        for (const Verification::Probleme &p : resultat.problemes)
            qDebug() << p.ligne << p.colonne << p.message << p.detail;
    }
    QCOMPARE(trouve, attendu);
    QCOMPARE(resultat.erreurs + resultat.avertissements + resultat.liens, resultat.total());
}

// The path looked for, as the file system resolves it: above the root is the
// root, and a name that ends with "/" is a folder.
void TestVerification::linkPaths_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("chemin"); // "%DIR%" is the page's folder
    QTest::newRow("climbing out of the root")
        << QStringLiteral("../../../../../../../../../../nulle/part.png")
        << QStringLiteral("/nulle/part.png");
    QTest::newRow("a folder") << QStringLiteral("img/a.png/")
                              << QStringLiteral("%DIR%/img/a.png/ (un dossier)");
    QTest::newRow("backslashes and dots")
        << QStringLiteral("img\\.\\x/../b.png") << QStringLiteral("%DIR%/img/b.png");
}

void TestVerification::linkPaths()
{
    QFETCH(QString, url);
    QFETCH(QString, chemin);
    QTemporaryDir site(dossier.path() + QStringLiteral("/site-XXXXXX"));
    const Verification::Resultat resultat
        = Verification::verifie({page(QStringLiteral("<img src=\"%1\" alt=\"\">").arg(url)),
                                 site.filePath(QStringLiteral("page.html"))});
    QList<Verification::Probleme> liens = resultat.problemes;
    liens.removeIf([](const Verification::Probleme &p) { return p.genre != Genre::Lien; });
    QCOMPARE(liens.size(), 1);
    QCOMPARE(liens.first().detail, chemin.replace(QStringLiteral("%DIR%"), site.path()));
}

// The program "tidy -e" of the same library, with the same options, gives the
// same rows (where no control character moves its columns), messages included:
// Tidy's own, or Marlisse's for the same message where it has its own French.
void TestVerification::sameRowsAsTidy_data()
{
    QTest::addColumn<QString>("texte");
    QTest::newRow("unclosed and unknown")
        << page(QStringLiteral("<p><b>gras</p>\n<p><inconnue>x</p>\n<img src=\"a.png\">"));
    QTest::newRow("tabs, accents and emoji")
        << page(QStringLiteral("<p>\t\u00e9t\u00e9 \U0001F600\t<i>x</p>\n\t<font>y</font>"));
    QTest::newRow("more than six errors")
        << page(QStringLiteral("<x1><x2><x3><x4><x5><x6><x7><x8>"));
    QTest::newRow("no doctype, no title") << QStringLiteral("<p>x</p>");
    QTest::newRow("entities, addresses and attributes")
        << page(QStringLiteral("<p>&foo; &copy <a href=\"a b\">x</a> <b>y</i></b></p>\n"
                               "<p align=\"left\" id=\"a\"><span id=\"a\">z</span></p>"));
}

void TestVerification::sameRowsAsTidy()
{
    QFETCH(QString, texte);
    if (tidyProgram().isEmpty())
        QSKIP("the tidy program is not installed");
    const QString fichier = dossier.filePath(QStringLiteral("tidy.html"));
    QVERIFY(writeBytes(fichier, texte.toUtf8()));
    QStringList arguments {QStringLiteral("-e"), QStringLiteral("-language"), QStringLiteral("fr"),
                           QStringLiteral("--mute-id"), QStringLiteral("yes")};
    for (const auto &[nom, valeur] : Verification::optionsTidy())
        arguments << QLatin1String("--") + QLatin1String(nom) << QLatin1String(valeur);
    QProcess tidy;
    tidy.start(tidyProgram(), arguments << fichier);
    QVERIFY(tidy.waitForFinished(30000));
    const QRegularExpression rangee(QStringLiteral(
        "^Ligne: (\\d+) Col: (\\d+) - (Avertissement|Erreur)\\s*:\\s*(.*) \\(([A-Z0-9_]+)\\)$"));
    // Marlisse's own French is checked elsewhere: here, that it stands for Tidy's.
    auto message = [](const QString &cle, const QString &texteTidy) {
        return Verification::aSonTexte(cle.toLatin1()) ? QStringLiteral("(Marlisse)") : texteTidy;
    };
    QStringList attendu;
    for (const QString &ligne : QString::fromUtf8(tidy.readAllStandardError()).split(u'\n')) {
        const QRegularExpressionMatch m = rangee.match(ligne.trimmed());
        if (m.hasMatch())
            attendu << QStringLiteral("%1:%2 %3 %4 %5")
                           .arg(m.captured(1), m.captured(2), m.captured(3), m.captured(5),
                                message(m.captured(5), m.captured(4).trimmed()));
    }
    QStringList trouve;
    for (const Verification::Probleme &p : Verification::verifie({texte, QString()}).problemes) {
        trouve << QStringLiteral("%1:%2 %3 %4 %5")
                      .arg(p.ligne)
                      .arg(p.colonne)
                      .arg(Verification::nomGenre(p.genre), p.cle, message(p.cle, p.message));
    }
    attendu.sort();
    trouve.sort();
    QVERIFY(!attendu.isEmpty());
    QCOMPARE(trouve, attendu);
}

// Pages as people write them, with end tags left out everywhere, are checked:
// the nesting count follows Tidy, which closes paragraphs, items and cells,
// merges a <b> with the one it carried over, and keeps what a table cell leaves
// open in the cell.
void TestVerification::sloppyPagesAreChecked_data()
{
    QTest::addColumn<QString>("corps");
    QTest::addColumn<int>("avertissements"); // at least
    QTest::newRow("lists, tables and fonts")
        << QStringLiteral("<p>Un <b>mot <font color=red>rouge</font>\n<ul><li>un<li>deux <i>x\n"
                          "</ul><table><tr><td>a<td>b<tr><td>c</table>\n<div><p>fin</div>\n")
               .repeated(3000)
        << 3000;
    QString lignes;
    for (int i = 0; i < 450; ++i) {
        lignes += QStringLiteral("<tr><td><font face=\"Arial\" size=2>cellule %1</td><td>%1</td>"
                                 "</tr>\n")
                      .arg(i);
    }
    QTest::newRow("legacy table, a font left open in each row")
        << QStringLiteral("<table>\n") + lignes + QStringLiteral("</table>") << 450;
    QTest::newRow("cells with no end tags, in nested tables")
        << QStringLiteral("<table><tr><td><table><tr><td><b>x<td><i>y</table><td><font>z\n")
               .repeated(2000)
        << 2000;
}

void TestVerification::sloppyPagesAreChecked()
{
    QFETCH(QString, corps);
    QFETCH(int, avertissements);
    const Verification::Resultat resultat = Verification::verifie({page(corps), QString()}, 5);
    for (const Verification::Probleme &p : resultat.problemes)
        QVERIFY2(p.genre != Genre::Erreur, qPrintable(p.message));
    QVERIFY2(resultat.avertissements >= avertissements,
             qPrintable(QString::number(resultat.avertissements)));
}

// Tidy 5.6 loops for ever on a definition list in a table row that a table's end
// tag closes: it is stopped, what it found is kept, what it repeated is one row,
// and a remark says where.
void TestVerification::tidyStoppedWhenItLoops()
{
    const Verification::Resultat resultat = Verification::verifie(
        {page(QStringLiteral("<p><b>x</p>\n<tr><dl><dt><dd></table>")), QString()});
    QCOMPARE(resultat.remarques.size(), 1);
    const Verification::Probleme &remarque = resultat.remarques.first();
    QCOMPARE(remarque.ligne, 4);
    QVERIFY(remarque.message.contains(QStringLiteral("tourne en rond")));
    QCOMPARE(rangees(resultat).at(1), QStringLiteral("3:4 Avertissement"));
    QStringList ici;
    for (const Verification::Probleme &p : resultat.problemes) {
        if (p.ligne == remarque.ligne && p.colonne == remarque.colonne)
            ici << p.message;
    }
    QCOMPARE(ici.size(), QSet<QString>(ici.cbegin(), ici.cend()).size());
    QVERIFY2(resultat.total() < 20, qPrintable(QString::number(resultat.total())));
}

// A stop says why: a loop, the memory, the processor time or the number of
// messages that Tidy may spend on a page. Many messages at the place of one tag
// with as many attributes are no loop.
void TestVerification::tidyStopReasons_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<qint64>("octets"); // 0: the page's own limits
    QTest::addColumn<qint64>("millisecondes");
    QTest::addColumn<qint64>("messages");
    QTest::addColumn<QString>("remarque"); // "" for none
    const QString loin = page(QStringLiteral("<p><b>x</p>\n").repeated(2000));
    QTest::newRow("a loop") << page(QStringLiteral("<tr><dl><dt><dd></table>")) << qint64(0)
                            << qint64(0) << qint64(0) << QStringLiteral("tourne en rond");
    QTest::newRow("21,000 times the same attribute")
        << page(QStringLiteral("<p ") + QStringLiteral("class=\"a\" ").repeated(21000)
                + QStringLiteral(">x</p>"))
        << qint64(0) << qint64(0) << qint64(0) << QString();
    QTest::newRow("memory") << loin << qint64(256 * 1024) << qint64(0) << qint64(0)
                            << QStringLiteral("Mo de mémoire");
    QTest::newRow("processor time")
        << loin << qint64(0) << qint64(-1) << qint64(0) << QStringLiteral("s sur cette page");
    QTest::newRow("messages") << loin << qint64(0) << qint64(0) << qint64(10)
                              << QStringLiteral("plus de 10 messages");
}

void TestVerification::tidyStopReasons()
{
    QFETCH(QString, texte);
    QFETCH(qint64, octets);
    QFETCH(qint64, millisecondes);
    QFETCH(qint64, messages);
    QFETCH(QString, remarque);
    const QByteArray utf8 = texte.toUtf8();
    Verification::LimitesTidy limites = Verification::LimitesTidy::pour(utf8.size());
    if (octets)
        limites.octets = std::size_t(octets);
    if (millisecondes)
        limites.millisecondes = millisecondes;
    if (messages)
        limites.messages = quint64(messages);
    Verification::Releve releve(Verification::problemesMaximum);
    Verification::rapportTidy(utf8, releve, nullptr, limites);
    const Verification::Resultat resultat = releve.termine(texte);
    if (remarque.isEmpty()) {
        for (const Verification::Probleme &p : resultat.remarques)
            QVERIFY2(!p.message.contains(QStringLiteral("tourne en rond")), qPrintable(p.message));
        return;
    }
    QCOMPARE(resultat.remarques.size(), 1);
    QVERIFY2(resultat.remarques.first().message.contains(remarque),
             qPrintable(resultat.remarques.first().message));
}

// Tidy's time is counted in the processor time of its thread: a thread that
// waits (a busy machine, a debugger) spends none of it.
void TestVerification::timeBudgetCountsTheProcessor()
{
    const qint64 avant = Verification::tempsProcesseur();
    QElapsedTimer horloge;
    horloge.start();
    volatile quint64 somme = 0;
    while (Verification::tempsProcesseur() - avant < 20 && !horloge.hasExpired(60000))
        somme = somme + 1;
    const qint64 apres = Verification::tempsProcesseur();
    QVERIFY(apres - avant >= 20);
    QThread::msleep(300);
    QVERIFY2(Verification::tempsProcesseur() - apres < 150,
             qPrintable(QString::number(Verification::tempsProcesseur() - apres)));
}

// Tidy's French that misleads gives way to Marlisse's; the rest is Tidy's.
void TestVerification::frenchOfMarlisse_data()
{
    QTest::addColumn<QString>("corps");
    QTest::addColumn<QString>("cle");
    QTest::addColumn<QString>("message");
    QTest::newRow("discarding") << QStringLiteral("<p>x</p></div>")
                                << QStringLiteral("DISCARDING_UNEXPECTED")
                                << QStringLiteral("</div> inattendu à cet endroit\u00a0: ignoré");
    QTest::newRow("replacing") << QStringLiteral("<p><b>x</i>y</b></p>")
                               << QStringLiteral("NON_MATCHING_ENDTAG")
                               << QStringLiteral("</i> inattendu\u00a0: pris pour </i>");
    QTest::newRow("URI") << QStringLiteral("<a href=\"a b.html\">x</a>")
                         << QStringLiteral("ESCAPED_ILLEGAL_URI")
                         << QStringLiteral("<a>\u00a0: adresse mal formée, des caractères y "
                                           "sont à coder");
    QTest::newRow("not recognized")
        << QStringLiteral("<inconnue>x</inconnue>") << QStringLiteral("UNKNOWN_ELEMENT")
        << QStringLiteral("balise <inconnue> inconnue");
    QTest::newRow("Tidy's own") << QStringLiteral("<p>&copy x</p>")
                                << QStringLiteral("MISSING_SEMICOLON")
                                << QStringLiteral("l'entité « &copy » ne se termine pas par « ; »");
}

void TestVerification::frenchOfMarlisse()
{
    QFETCH(QString, corps);
    QFETCH(QString, cle);
    QFETCH(QString, message);
    QStringList trouves;
    for (const Verification::Probleme &p :
         Verification::verifie({page(corps), QString()}).problemes) {
        if (p.cle == cle)
            trouves << p.message;
    }
    QCOMPARE(trouves, QStringList {message});
}

// A page with more problems than the list holds keeps every link row first,
// then the errors, then the warnings, each the first ones by position; the rows
// kept are sorted, and all are counted.
void TestVerification::rowsAreBounded_data()
{
    QTest::addColumn<QString>("corps");
    QTest::addColumn<int>("liens");
    QTest::addColumn<int>("erreurs"); // kept
    QString plusDeLiens;
    QString quelquesLiens;
    for (int i = 0; i < 1500; ++i) {
        plusDeLiens += QStringLiteral("<p><b>x</p> <img src=\"manque%1.png\" alt=\"\">\n").arg(i);
        quelquesLiens += i % 5 == 4 ? QStringLiteral("<p><b>x</p> <a href=\"#n%1\">n</a>\n").arg(i)
                                    : QStringLiteral("<p><b>x</p>\n");
    }
    QTest::newRow("more links than rows") << plusDeLiens << 1000 << 0;
    // The errors come last in the page, after a thousand warnings.
    QTest::newRow("every link, the errors, then warnings")
        << quelquesLiens + QStringLiteral("<x1>a</x1><x2>b</x2>\n") << 300 << 2;
}

void TestVerification::rowsAreBounded()
{
    QFETCH(QString, corps);
    QFETCH(int, liens);
    QFETCH(int, erreurs);
    const Verification::Page lue {page(corps), dossier.filePath(QStringLiteral("p.html"))};
    const Verification::Resultat tous = Verification::verifie(lue, 1000000);
    const Verification::Resultat premiers = Verification::verifie(lue);
    QVERIFY(tous.total() > Verification::problemesMaximum);
    QCOMPARE(tous.problemes.size(), tous.total());
    QCOMPARE(premiers.total(), tous.total());
    QCOMPARE(premiers.problemes.size(), Verification::problemesMaximum);
    // Of each kind, the first ones by position.
    QHash<Genre, int> places {
        {Genre::Lien, liens},
        {Genre::Erreur, erreurs},
        {Genre::Avertissement, Verification::problemesMaximum - liens - erreurs}};
    QStringList gardes;
    for (const Verification::Probleme &p : tous.problemes) {
        if (places[p.genre]-- > 0)
            gardes << rangees({{p}, 0, 0, 0, {}});
    }
    QCOMPARE(rangees(premiers), gardes);
    for (const Verification::Resultat *r : {&tous, &premiers}) {
        for (qsizetype i = 1; i < r->problemes.size(); ++i) {
            const auto &a = r->problemes.at(i - 1);
            const auto &b = r->problemes.at(i);
            QVERIFY(a.ligne < b.ligne || (a.ligne == b.ligne && a.colonne <= b.colonne));
        }
    }
}

// Tidy's parser calls itself for each level: a page just within the bound is
// checked by Tidy on the worker's stack, in every build, sanitizers included.
void TestVerification::deepPagesInTheWorker_data()
{
    QTest::addColumn<QString>("balises");
    QTest::addColumn<int>("fois");
    // <html> and <body> make two levels more.
    QTest::newRow("b") << QStringLiteral("<b>") << 9998;
    QTest::newRow("table and cell") << QStringLiteral("<table><td>") << 4999;
    QTest::newRow("definition lists") << QStringLiteral("<dl>") << 9998;
    QTest::newRow("list items") << QStringLiteral("<ul><li>") << 4999;
}

void TestVerification::deepPagesInTheWorker()
{
    QFETCH(QString, balises);
    QFETCH(int, fois);
    Verification::VerificationEnFond enFond;
    QSignalSpy termine(&enFond, &Verification::VerificationEnFond::terminee);
    enFond.demande({page(nested(balises, fois)), QString()});
    QVERIFY(termine.wait(120000));
    const auto resultat = termine.first().first().value<Verification::Resultat>();
    QVERIFY(resultat.avertissements > 0);
    for (const Verification::Probleme &p : resultat.problemes)
        QVERIFY2(!p.message.contains(QStringLiteral("pas vérifié")), qPrintable(p.message));
}

// F7 during a check runs once more after it: one running, one waiting, and only
// the newest result is given.
void TestVerification::onlyTheNewestResult()
{
    Verification::VerificationEnFond enFond;
    QSignalSpy termine(&enFond, &Verification::VerificationEnFond::terminee);
    const QString lourd = page(QStringLiteral("<p><b>x</p>\n").repeated(20000));
    enFond.demande({lourd, QString()});
    QVERIFY(enFond.enCours());
    enFond.demande({page(QStringLiteral("<p><i>x</p>")), QString()});
    const quint64 derniere = enFond.demande({page(QStringLiteral("<p><u>x</p>")), QString()});
    QVERIFY(termine.wait(60000));
    QTest::qWait(100);
    QCOMPARE(termine.size(), 1);
    QCOMPARE(termine.first().at(1).value<quint64>(), derniere);
    const auto resultat = termine.first().first().value<Verification::Resultat>();
    QCOMPARE(resultat.problemes.size(), 1);
    QVERIFY(resultat.problemes.first().message.contains(QStringLiteral("</u>")));
    QVERIFY(!enFond.enCours());
}

// A newer check stops the one that runs, whose result would be out of date: its
// rows come without waiting for Tidy to be done with a page that would keep it
// busy for longer than its time budget (a tag with 100,000 attributes, which
// Tidy compares two by two).
void TestVerification::newerCheckStopsTheRunningOne()
{
    Verification::VerificationEnFond enFond;
    QSignalSpy termine(&enFond, &Verification::VerificationEnFond::terminee);
    enFond.demande({page(QStringLiteral("<p ") + QStringLiteral("class=\"a\" ").repeated(100000)
                         + QStringLiteral(">x</p>")),
                    QString()});
    QTest::qWait(200);
    const quint64 derniere = enFond.demande({page(QStringLiteral("<p><u>x</p>")), QString()});
    // Tidy's time budget for the first page is 22 s of processor time.
    QVERIFY(termine.wait(15000));
    QCOMPARE(termine.size(), 1);
    QCOMPARE(termine.first().at(1).value<quint64>(), derniere);
}

// A window that closes stops its check: Tidy is left at once (its rows are not
// given, nor a remark about it), the worker gives nothing to a window gone.
void TestVerification::stoppedCheck()
{
    const std::atomic<bool> arret {true};
    const Verification::Resultat resultat = Verification::verifie(
        {page(QStringLiteral("<p><b>x</p><img src=\"manque.png\" alt=\"\">")),
         dossier.filePath(QStringLiteral("p.html"))},
        Verification::problemesMaximum, &arret);
    QCOMPARE(rangees(resultat), QStringList {QStringLiteral("3:22 Lien")});

    auto enFond = std::make_unique<Verification::VerificationEnFond>();
    QSignalSpy termine(enFond.get(), &Verification::VerificationEnFond::terminee);
    enFond->demande({page(QStringLiteral("<p><b>x</p>\n").repeated(200000)), QString()});
    enFond->demande({page(QString()), QString()});
    enFond.reset();
    QTest::qWait(50);
    QCOMPARE(termine.size(), 0);
}

// Bytes of any kind and the largest document: no crash, no hang, and rows at
// places that exist.
void TestVerification::hostileText_data()
{
    QTest::addColumn<QString>("texte");
    QTest::addColumn<bool>("finSignalee"); // a problem on the last line
    QString octets;
    quint32 graine = 7;
    for (int i = 0; i < 200000; ++i) {
        graine = graine * 1103515245 + 12345;
        octets += QChar(char16_t((graine >> 16) & 0xffff));
    }
    QTest::newRow("random units") << octets << false;
    QTest::newRow("NULs") << QString(100000, QChar(0)) << false;
    QTest::newRow("unterminated") << QStringLiteral("<a href=\"x") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("halves of pairs") << QStringLiteral("<p>") + QChar(0xd800)
            + QStringLiteral("<b>") + QChar(0xdc00)
            + QStringLiteral("x") << true;
    // The document's limit in characters, of text mostly.
    const QString ligne = QStringLiteral("Du texte, des mots et encore des mots, une ligne.\n");
    QTest::newRow("64 MiB") << QStringLiteral("<p>")
            + ligne.repeated(DocumentFile::maxCharacters / ligne.size() - 1)
            + QStringLiteral("<b>fin</p>")
                            << true;
}

void TestVerification::hostileText()
{
    QFETCH(QString, texte);
    QFETCH(bool, finSignalee);
    const Verification::Resultat resultat = Verification::verifie({texte, QString()});
    qsizetype lignes = 1;
    for (const QChar c : texte)
        lignes += c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == u'\ufdd0'
            || c == u'\ufdd1';
    for (const Verification::Probleme &p : resultat.problemes) {
        QVERIFY(p.ligne >= 1 && p.ligne <= lignes + 1);
        QVERIFY(p.colonne >= 1);
    }
    if (finSignalee)
        QCOMPARE(resultat.problemes.last().ligne, lignes);
}

// The command ends "Edition Html", after a separator, with F7, followed by
// "Vérifier le site" (Shift+F7); both are enabled with the HTML commands.
void TestVerification::commandInMenu()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QAction *verifier = action(f.window, QStringLiteral("verifierPageAct"));
    QVERIFY(verifier);
    QCOMPARE(verifier->text(), QStringLiteral("Vérifier la page"));
    QCOMPARE(verifier->shortcut(), QKeySequence(Qt::Key_F7));
    QVERIFY(!verifier->statusTip().isEmpty());
    QVERIFY(verifier->whatsThis().startsWith(QStringLiteral("Vérifier la page\n\n")));
    QMenu *html = nullptr;
    for (QAction *menu : f.window->menuBar()->actions()) {
        if (menu->text() == QStringLiteral("Edition &Html"))
            html = menu->menu();
    }
    QVERIFY(html);
    const QList<QAction *> items = html->actions();
    QAction *site = action(f.window, QStringLiteral("verifierSiteAct"));
    QCOMPARE(items.last(), site);
    QCOMPARE(site->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F7));
    QCOMPARE(items.at(items.size() - 2), verifier);
    QVERIFY(items.at(items.size() - 3)->isSeparator());
    QVERIFY(verifier->isEnabled() && site->isEnabled());
    w.activeCommandesHtml(false);
    QVERIFY(!verifier->isEnabled() && !site->isEnabled());
    w.activeCommandesHtml(true);
    QVERIFY(verifier->isEnabled() && site->isEnabled());
}

// As the user tried it: a page with a missing image (line 3), a link to
// a missing page (4), to a missing anchor (5) and an unclosed <b> (6). F7 leaves
// the keyboard to the text; a click in the list takes it, Return lands on line
// 3; F7, a click, Down, Return on line 4; and so on; the text never changes.
void TestVerification::checkAndJump()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString texte
        = QStringLiteral("<!DOCTYPE html>\n<html><head><title>Essai</title></head><body>\n"
                         "<p><img src=\"images/absente.png\" alt=\"absente\"></p>\n"
                         "<p><a href=\"pas-encore.html\">la suite</a></p>\n"
                         "<p><a href=\"#nulle-part\">plus bas</a></p>\n"
                         "<p>\t\u00e9t\u00e9 \U0001F600 <b>gras</p>\n</body></html>\n");
    const QString fichier = dossier.filePath(QStringLiteral("essai/page.html"));
    monQTextEdit *edit = ouvreActive(f, fichier, texte.toUtf8());
    QVERIFY(edit);

    const QPoint attendus[] = {{3, 14}, {4, 13}, {5, 13}, {6, 11}};
    for (int rang = 0; rang < 4; ++rang) {
        QTest::keyClick(edit, Qt::Key_F7);
        auto *panneau = f.window->findChild<PanneauProblemes *>();
        QVERIFY(panneau);
        QTreeWidget *liste = panneau->liste();
        QTRY_VERIFY(!panneau->enCours());
        QVERIFY(edit->hasFocus());
        QVERIFY(panneau->isVisible());
        QTest::mouseClick(liste->viewport(), Qt::LeftButton, {},
                          liste->visualItemRect(liste->topLevelItem(0)).center());
        QVERIFY(liste->hasFocus());
        QCOMPARE(panneau->windowTitle(),
                 QStringLiteral("Problèmes de la page\u00a0: 1 avertissement, 3 liens"));
        QCOMPARE(liste->currentItem(), liste->topLevelItem(0));
        for (int i = 0; i < rang; ++i)
            QTest::keyClick(liste, Qt::Key_Down);
        QTest::keyClick(liste, Qt::Key_Return);
        QVERIFY(edit->hasFocus());
        const QTextCursor cursor = edit->textCursor();
        QCOMPARE(cursor.blockNumber() + 1, attendus[rang].x());
        QCOMPARE(
            f.window->statusBar()->findChild<QLabel *>(QStringLiteral("labelPosition"))->text(),
            QStringLiteral("Ligne %1, col. %2").arg(attendus[rang].x()).arg(attendus[rang].y()));
    }
    QCOMPARE(edit->document()->toPlainText(), texte);
    QVERIFY(!edit->document()->isModified());

    // Escape gives the text the keyboard; the close button hides, F7 shows again.
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    panneau->liste()->setFocus();
    QTest::keyClick(panneau->liste(), Qt::Key_Escape);
    QVERIFY(edit->hasFocus());
    panneau->close();
    QVERIFY(!panneau->isVisible());
    QTest::keyClick(edit, Qt::Key_F7);
    QVERIFY(panneau->isVisible());

    // "Problèmes de la page" (Ctrl+F7) brings the rows back without a new check,
    // and gives them the keyboard; once more, hides them.
    QTRY_VERIFY(!panneau->enCours());
    QAction *vue = action(f.window, QStringLiteral("viewProblemesAct"));
    QCOMPARE(vue->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F7));
    QVERIFY(vue->isChecked());
    panneau->close();
    QVERIFY(!vue->isChecked());
    QTest::keyClick(edit, Qt::Key_F7, Qt::ControlModifier);
    QVERIFY(panneau->isVisible() && vue->isChecked() && !panneau->enCours());
    QVERIFY(panneau->liste()->hasFocus());
    QCOMPARE(panneau->liste()->topLevelItemCount(), 4);
    QTest::keyClick(panneau->liste(), Qt::Key_F7, Qt::ControlModifier);
    QVERIFY(!panneau->isVisible());
    QVERIFY(edit->hasFocus());
}

// The position label counts characters as Tidy does, and the jump to a row's
// column lands where the label shows that column.
void TestVerification::labelAndJumpAgree_data()
{
    QTest::addColumn<QString>("ligne");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("colonne");
    QTest::newRow("after an emoji") << QStringLiteral("\U0001F600<b>") << 2 << 2;
    QTest::newRow("after a tab and two emoji")
        << QStringLiteral("\t\U0001F600\U0001F600<b>") << 5 << 4;
    QTest::newRow("letter and combining accent") << QStringLiteral("e\u0301<b>") << 2 << 3;
}

void TestVerification::labelAndJumpAgree()
{
    QFETCH(QString, ligne);
    QFETCH(int, position);
    QFETCH(int, colonne);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    edit->setPlainText(QStringLiteral("un\n") + ligne);
    auto *label = f.window->statusBar()->findChild<QLabel *>(QStringLiteral("labelPosition"));
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(3 + position);
    edit->setTextCursor(cursor);
    QCOMPARE(label->text(), QStringLiteral("Ligne 2, col. %1").arg(colonne));

    // The checker's row for the <b> that follows, and the jump to it.
    action(f.window, QStringLiteral("verifierPageAct"))->trigger();
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QTRY_VERIFY(panneau->aUnResultat());
    QTreeWidgetItem *rangee = nullptr;
    for (int i = 0; i < panneau->liste()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = panneau->liste()->topLevelItem(i);
        if (item->text(0) == QLatin1String("2") && item->text(3).contains(QStringLiteral("b>")))
            rangee = item;
    }
    QVERIFY(rangee);
    QCOMPARE(rangee->text(1), QString::number(colonne));
    edit->moveCursor(QTextCursor::Start);
    panneau->liste()->setCurrentItem(rangee);
    QTest::keyClick(panneau->liste(), Qt::Key_Return);
    QCOMPARE(edit->textCursor().position(), 3 + position);
    QCOMPARE(label->text(), QStringLiteral("Ligne 2, col. %1").arg(colonne));
}

// Typing during a check of a large page. While the text is copied: the letter
// goes to the text, a save writes it at once, the copy starts over and the check
// takes it in. While the worker runs: the result's title says that the text
// changed, and its rows still lead to their lines. Either way, the keyboard stays
// with the text the user typed in.
void TestVerification::changeDuringCheck()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QString corps = QStringLiteral("<p><b>gras</p>\n");
    for (int i = 0; i < 40000; ++i)
        corps += QStringLiteral("<p>Un paragraphe de texte, avec <i>des</i> mots.</p>\n");
    const QString fichier = dossier.filePath(QStringLiteral("grand/page.html"));
    monQTextEdit *edit = ouvreActive(f, fichier, page(corps).toUtf8());
    QVERIFY(edit);
    edit->moveCursor(QTextCursor::End);

    QTest::keyClick(edit, Qt::Key_F7);
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    auto *copie = f.window->findChild<CopieDocument *>();
    QVERIFY(panneau->windowTitle().contains(QStringLiteral("en cours")));
    QVERIFY(copie->enCours());
    QTest::keyClicks(edit, QStringLiteral("z"));
    QVERIFY(f.window->saveFile(fichier));
    QVERIFY(readBytes(fichier).endsWith("</html>\nz"));
    QTRY_VERIFY_WITH_TIMEOUT(panneau->aUnResultat(), 60000);
    QVERIFY(edit->hasFocus());
    // The check took the text with the letter.
    QVERIFY(!panneau->windowTitle().contains(QStringLiteral("changé")));

    QTest::keyClick(edit, Qt::Key_F7);
    while (copie->enCours())
        QCoreApplication::processEvents();
    QTest::keyClicks(edit, QStringLiteral("y"));
    QTRY_VERIFY_WITH_TIMEOUT(!panneau->windowTitle().contains(QStringLiteral("en cours")), 60000);
    QVERIFY(edit->hasFocus());
    QVERIFY(panneau->windowTitle().endsWith(
        QStringLiteral(" (le texte a changé depuis la vérification)")));
    QTreeWidget *liste = panneau->liste();
    const QList<QTreeWidgetItem *> rangees
        = liste->findItems(QStringLiteral("</b>"), Qt::MatchContains, 3);
    QVERIFY(!rangees.isEmpty());
    QCOMPARE(rangees.first()->text(0), QStringLiteral("3"));
    liste->setCurrentItem(rangees.first());
    liste->setFocus();
    QTest::keyClick(liste, Qt::Key_Return);
    QCOMPARE(edit->textCursor().blockNumber(), 2);
    QCOMPARE(edit->textCursor().positionInBlock(), 3);
    edit->document()->setModified(false);
}

// Opening a file or a new document empties the panel and drops the check under
// way: no row of one text is shown over another, even one that arrives later.
void TestVerification::openingClearsThePanel_data()
{
    QTest::addColumn<bool>("nouveau"); // a new document, or a file opened
    QTest::addColumn<bool>("attend"); // the first check is done, or still runs
    QTest::newRow("file opened after the rows") << false << true;
    QTest::newRow("new document after the rows") << true << true;
    QTest::newRow("file opened during the check") << false << false;
    QTest::newRow("new document during the check") << true << false;
}

// The rows of the site's check or search, asked for while the page is checked,
// stay: the page's rows, older, do not come over them.
void TestVerification::siteRowsStayOverThePageCheck()
{
    EditorFixture f;
    monQTextEdit *edit
        = ouvreActive(f, dossier.filePath(QStringLiteral("ouvertes/longue.html")),
                      page(QStringLiteral("<p><b>x</p>\n").repeated(60000)).toUtf8());
    QVERIFY(edit);
    QTest::keyClick(edit, Qt::Key_F7);
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    auto *enFond = f.window->findChild<Verification::VerificationEnFond *>();
    QTRY_VERIFY(enFond->enCours());
    panneau->montre(QStringLiteral("Chercher dans le site"), {});
    QTRY_VERIFY_WITH_TIMEOUT(!enFond->enCours(), 60000);
    QCoreApplication::processEvents();
    QCOMPARE(panneau->windowTitle(), QStringLiteral("Chercher dans le site"));
}

void TestVerification::openingClearsThePanel()
{
    QFETCH(bool, nouveau);
    QFETCH(bool, attend);
    EditorFixture f;
    const QString premiere = dossier.filePath(QStringLiteral("ouvertes/premiere.html"));
    const QString corps = attend ? QStringLiteral("<p><b>x</p>\n")
                                 : QStringLiteral("<p><b>x</p>\n").repeated(60000);
    monQTextEdit *edit = ouvreActive(f, premiere, page(corps).toUtf8());
    QVERIFY(edit);
    QTest::keyClick(edit, Qt::Key_F7);
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    auto *enFond = f.window->findChild<Verification::VerificationEnFond *>();
    if (attend)
        QTRY_VERIFY(panneau->aUnResultat());
    else
        QTRY_VERIFY(enFond->enCours());

    if (nouveau) {
        action(f.window, QStringLiteral("fileNewAct"))->trigger();
    } else {
        const QString seconde = dossier.filePath(QStringLiteral("ouvertes/seconde.html"));
        QVERIFY(writeBytes(seconde, page(QStringLiteral("<p>Rien.</p>")).toUtf8()));
        QVERIFY(f.window->loadFile(seconde));
    }
    QCOMPARE(panneau->liste()->topLevelItemCount(), 0);
    QVERIFY(!panneau->aUnResultat());
    QCOMPARE(panneau->windowTitle(), QStringLiteral("Problèmes de la page"));
    QTRY_VERIFY_WITH_TIMEOUT(!enFond->enCours(), 60000);
    QCoreApplication::processEvents();
    QCOMPARE(panneau->liste()->topLevelItemCount(), 0);
    QVERIFY(!panneau->aUnResultat());

    // F7 checks the text shown now.
    QTest::keyClick(edit, Qt::Key_F7);
    QTRY_VERIFY_WITH_TIMEOUT(panneau->aUnResultat(), 60000);
    QVERIFY(panneau->liste()->topLevelItemCount() > 0);
}

// The panel's own rows: no problem, the remark of a document never saved, and
// the problems beyond those listed.
void TestVerification::panelRows()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QAction *verifier = action(f.window, QStringLiteral("verifierPageAct"));
    w.textEdit()->setPlainText(page(QStringLiteral("<p>Rien à redire.</p>")));
    verifier->trigger();
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QTRY_VERIFY(panneau->aUnResultat());
    QTreeWidget *liste = panneau->liste();
    QCOMPARE(liste->topLevelItemCount(), 1);
    QCOMPARE(liste->topLevelItem(0)->text(0), QStringLiteral("Aucun problème trouvé."));
    QCOMPARE(panneau->windowTitle(), QStringLiteral("Problèmes de la page\u00a0: aucun problème"));

    w.textEdit()->setPlainText(page(QStringLiteral("<img src=\"a.png\" alt=\"\"><p><b>x</p>")));
    verifier->trigger();
    QTRY_VERIFY(!panneau->windowTitle().contains(QStringLiteral("en cours")));
    QCOMPARE(liste->topLevelItemCount(), 2);
    QCOMPARE(liste->topLevelItem(0)->text(2), QStringLiteral("Remarque"));
    QVERIFY(liste->topLevelItem(0)->text(3).contains(QStringLiteral("jamais enregistré")));
    QCOMPARE(liste->topLevelItem(1)->text(2), QStringLiteral("Avertissement"));

    w.textEdit()->setPlainText(page(QStringLiteral("<p><b>x</p>\n").repeated(1200)));
    verifier->trigger();
    QTRY_VERIFY(!panneau->windowTitle().contains(QStringLiteral("en cours")));
    QCOMPARE(liste->topLevelItemCount(), 1001);
    QVERIFY(liste->topLevelItem(1000)->text(0).startsWith(QStringLiteral("… et ")));
    QVERIFY(liste->topLevelItem(1000)->text(0).endsWith(
        QStringLiteral(" autres problèmes, non listés.")));
    w.textEdit()->document()->setModified(false);
}

// The manual checks itself: every name and anchor in its pages is found.
void TestVerification::manualLinks()
{
    const QString manuel = QFINDTESTDATA("../help/AideMarlisse");
    QVERIFY(!manuel.isEmpty());
    for (const QString &nom : QDir(manuel).entryList({QStringLiteral("*.html")}, QDir::Files)) {
        const QString chemin = manuel + QLatin1Char('/') + nom;
        const Verification::Resultat resultat
            = Verification::verifie({QString::fromLatin1(readBytes(chemin)), chemin});
        for (const Verification::Probleme &p : resultat.problemes) {
            QVERIFY2(p.genre != Genre::Lien,
                     qPrintable(QStringLiteral("%1:%2: %3").arg(nom).arg(p.ligne).arg(p.message)));
        }
    }
}

// Typed as soon as the rows come ("ab", Return, "XY"): it goes to the text, where
// the cursor was, not to the list's type-ahead and the first row's line.
void TestVerification::typingAfterCheck()
{
    EditorFixture f;
    const QString texte = page(QStringLiteral("<p><b>gras</p>\n<p>fin</p>"));
    monQTextEdit *edit
        = ouvreActive(f, dossier.filePath(QStringLiteral("frappe/page.html")), texte.toUtf8());
    QVERIFY(edit);
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, Qt::Key_F7);
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QTRY_VERIFY(panneau->aUnResultat() && !panneau->enCours());
    QWidget *focus = QApplication::focusWidget();
    QCOMPARE(focus, edit);
    QTest::keyClicks(focus, QStringLiteral("ab"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("XY"));
    QCOMPARE(edit->document()->toPlainText(), texte + QStringLiteral("ab\nXY"));
    edit->document()->setModified(false);
}

// Offsets of a copy of the text carried through the edits made since.
void TestVerification::movedPlaces_data()
{
    QTest::addColumn<QList<int>>("editions"); // position, removed, added, ...
    QTest::addColumn<int>("avant");
    QTest::addColumn<int>("apres");
    QTest::addColumn<bool>("supprime");
    QTest::newRow("typed before") << QList<int> {0, 0, 3, 3, 0, 1} << 10 << 14 << false;
    QTest::newRow("typed after") << QList<int> {20, 0, 5} << 10 << 10 << false;
    QTest::newRow("typed at the place") << QList<int> {10, 0, 2} << 10 << 12 << false;
    QTest::newRow("removed around") << QList<int> {8, 4, 0} << 10 << 8 << true;
    QTest::newRow("removed before, then typed")
        << QList<int> {0, 5, 0, 0, 0, 1} << 10 << 6 << false;
    QTest::newRow("replaced, then typed after the replacement")
        << QList<int> {2, 3, 1, 3, 0, 1, 4, 0, 1} << 10 << 10 << false;
}

void TestVerification::movedPlaces()
{
    QFETCH(QList<int>, editions);
    QFETCH(int, avant);
    QFETCH(int, apres);
    QFETCH(bool, supprime);
    Deplacements deplacements;
    for (qsizetype i = 0; i + 2 < editions.size(); i += 3)
        deplacements.note(editions[i], editions[i + 1], editions[i + 2]);
    bool perdu = false;
    QCOMPARE(deplacements.porte(avant, &perdu), apres);
    QCOMPARE(perdu, supprime);
}

// The rows of the page keep their place as the text changes, typed after the
// check or while it ran, and say so when their text is deleted.
void TestVerification::rowsFollowTheText_data()
{
    QTest::addColumn<bool>("pendant"); // typed while the check runs
    // Typed at the start: "" deletes line 3, "saved as" saves the page under
    // another name.
    QTest::addColumn<QString>("edition");
    QTest::addColumn<int>("ligne"); // where Return lands for the <b> of line 3
    QTest::addColumn<int>("colonne");
    QTest::addColumn<bool>("supprime");
    QTest::newRow("a line inserted at the top")
        << false << QStringLiteral("<!-- x -->\n") << 4 << 4 << false;
    QTest::newRow("typed at the start of the line")
        << false << QStringLiteral("\n\nab") << 5 << 6 << false;
    QTest::newRow("its text deleted") << false << QString() << 3 << 1 << true;
    QTest::newRow("a line inserted while it ran")
        << true << QStringLiteral("<!-- x -->\n") << 4 << 4 << false;
    // The rows are of the text, whatever its name: none opens the file it had.
    QTest::newRow("saved under another name")
        << false << QStringLiteral("saved as") << 3 << 4 << false;
    QTest::newRow("saved under another name while it ran")
        << true << QStringLiteral("saved as") << 3 << 4 << false;
}

void TestVerification::rowsFollowTheText()
{
    QFETCH(bool, pendant);
    QFETCH(QString, edition);
    QFETCH(int, ligne);
    QFETCH(int, colonne);
    QFETCH(bool, supprime);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    monQTextEdit *edit = w.textEdit();
    // Large enough that the check is still running after the edit, when asked.
    QString corps = QStringLiteral("<p><b>gras</p>\n");
    if (pendant)
        corps += QStringLiteral("<p>Un paragraphe de <i>texte</i>.</p>\n").repeated(40000);
    edit->setPlainText(page(corps));
    const QString ancien = dossier.filePath(QStringLiteral("suivie-ancien.html"));
    const QString nouveau = dossier.filePath(QStringLiteral("suivie-nouveau.html"));
    if (edition == QLatin1String("saved as")) {
        QVERIFY(f.window->saveFile(ancien));
        QCOMPARE(w.currentFile(), ancien);
    }
    QTextCursor debut(edit->document());
    auto edite = [&] {
        if (edition == QLatin1String("saved as")) {
            QVERIFY(f.window->saveFile(nouveau));
        } else if (edition.isEmpty()) {
            QTextCursor ligne3(edit->document()->findBlockByNumber(2));
            ligne3.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            ligne3.removeSelectedText();
        } else if (edition.startsWith(u'\n')) {
            QTextCursor ligne3(edit->document()->findBlockByNumber(2));
            ligne3.insertText(edition.mid(2));
            QTextCursor(edit->document()).insertText(QStringLiteral("\n\n"));
        } else {
            debut.insertText(edition);
        }
    };
    action(f.window, QStringLiteral("verifierPageAct"))->trigger();
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    auto *copie = f.window->findChild<CopieDocument *>();
    if (pendant) {
        while (copie->enCours())
            QCoreApplication::processEvents();
        QVERIFY(panneau->enCours());
        edite();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!panneau->enCours(), 60000);
    if (!pendant)
        edite();
    QTreeWidget *liste = panneau->liste();
    const QList<QTreeWidgetItem *> rangees
        = liste->findItems(QStringLiteral("</b>"), Qt::MatchContains | Qt::MatchRecursive, 3);
    QVERIFY(!rangees.isEmpty());
    liste->setCurrentItem(rangees.first());
    liste->setFocus();
    const QString fichier = w.currentFile();
    QTest::keyClick(liste, Qt::Key_Return);
    QCOMPARE(w.currentFile(), fichier);
    QCOMPARE(edit->textCursor().blockNumber() + 1, ligne);
    QCOMPARE(edit->textCursor().positionInBlock() + 1, colonne);
    QCOMPARE(f.window->statusBar()->currentMessage().contains(QStringLiteral("supprimé")),
             supprime);
    // The row shows where it is now, or that its text is gone.
    QTRY_COMPARE(rangees.first()->text(0), QString::number(ligne));
    QCOMPARE(rangees.first()->text(3).contains(QStringLiteral("supprimé")), supprime);
    edit->document()->setModified(false);
}

// Rows of several files: a header for each (its path and count), in the order
// of the paths; Return on a row of the current document selects its place, on
// a row of another file opens it as the open command would (the question on
// the modified text answered) and goes there; F8 walks the rows across the files
// and round, the keyboard left in the text.
void TestVerification::panelGroups()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString site = dossier.filePath(QStringLiteral("groupes"));
    const QString a = site + QStringLiteral("/a.html");
    const QString b = site + QStringLiteral("/sous/b.html");
    QVERIFY(writeBytes(b, "<p>un</p>\n<p>deux trois</p>\n"));
    monQTextEdit *edit = ouvreActive(f, a, "<p>alpha</p>\n<p>beta gamma</p>\n");
    QVERIFY(edit);
    QVERIFY(f.window->findChild<PanneauProblemes *>() == nullptr);
    action(f.window, QStringLiteral("problemeSuivantAct"))->trigger();
    QVERIFY(f.window->statusBar()->currentMessage().startsWith(QStringLiteral("Aucun problème")));

    // The panel as the site's search fills it.
    action(f.window, QStringLiteral("verifierPageAct"))->trigger();
    auto *panneau = f.window->findChild<PanneauProblemes *>();
    QTRY_VERIFY(!panneau->enCours());
    RangeeProbleme deux {2,
                         4,
                         4,
                         QStringLiteral("Occurrence"),
                         QString(),
                         QString(),
                         QStringLiteral("<p>deux trois</p>"),
                         3,
                         4,
                         true,
                         QStringLiteral("2")};
    RangeeProbleme gamma {2,
                          9,
                          5,
                          QStringLiteral("Occurrence"),
                          QString(),
                          QString(),
                          QStringLiteral("<p>beta gamma</p>"),
                          8,
                          5,
                          false,
                          QString()};
    panneau->montre(QStringLiteral("Chercher dans le site"),
                    {{b, QStringLiteral("sous/b.html"), {deux}, -1},
                     {a, QStringLiteral("a.html"), {gamma, gamma}, 7}});
    QTreeWidget *liste = panneau->liste();
    QCOMPARE(liste->topLevelItemCount(), 2);
    QCOMPARE(liste->topLevelItem(0)->text(0), QStringLiteral("a.html (7)"));
    QCOMPARE(liste->topLevelItem(1)->text(0), QStringLiteral("sous/b.html (1)"));
    QCOMPARE(liste->topLevelItem(1)->child(0)->text(3), QStringLiteral("<p>deux trois</p>"));
    QCOMPARE(panneau->windowTitle(), QStringLiteral("Chercher dans le site"));

    liste->setCurrentItem(liste->topLevelItem(0)->child(0));
    liste->setFocus();
    QTest::keyClick(liste, Qt::Key_Return);
    QVERIFY(edit->hasFocus());
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("gamma"));

    edit->insertPlainText(QStringLiteral("modifié "));
    {
        DialogAnswers reponses;
        reponses.press(QStringLiteral("Non"));
        liste->setCurrentItem(liste->topLevelItem(1)->child(0));
        liste->setFocus();
        QTest::keyClick(liste, Qt::Key_Return);
        QVERIFY(cleanRun(reponses));
        QCOMPARE(
            reponses.log(),
            QStringList {QStringLiteral("Sauvegarde | Le texte a été modifié \n enregistrer les "
                                        "modifications ?")});
    }
    QCOMPARE(w.currentFile(), b);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("deux"));
    QVERIFY(readBytes(a).startsWith("<p>alpha"));

    // F8 from the text: round the rows, opening a.html (not modified: no question).
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window));
    edit->setFocus();
    action(f.window, QStringLiteral("problemeSuivantAct"))->trigger();
    QCOMPARE(w.currentFile(), a);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("gamma"));
    QCOMPARE(liste->currentItem(), liste->topLevelItem(0)->child(0));
    QVERIFY(edit->hasFocus());
    action(f.window, QStringLiteral("problemeSuivantAct"))->trigger();
    QCOMPARE(liste->currentItem(), liste->topLevelItem(0)->child(1));
    action(f.window, QStringLiteral("problemeSuivantAct"))->trigger();
    QCOMPARE(w.currentFile(), b);
    action(f.window, QStringLiteral("problemePrecedentAct"))->trigger();
    QCOMPARE(w.currentFile(), a);
    QCOMPARE(liste->currentItem(), liste->topLevelItem(0)->child(1));
    QVERIFY(edit->hasFocus());

    // Rows that come while the question on the modified text is asked take the
    // place of the row that asked: nothing is opened.
    edit->insertPlainText(QStringLiteral("encore "));
    {
        DialogAnswers reponses;
        reponses.then([&](QWidget *boite) {
            panneau->montre(QStringLiteral("Autre"), {{a, QStringLiteral("a.html"), {gamma}, -1}});
            clickButton(boite, QStringLiteral("Annuler"));
        });
        liste->setCurrentItem(liste->topLevelItem(1)->child(0));
        liste->setFocus();
        QTest::keyClick(liste, Qt::Key_Return);
        QVERIFY(cleanRun(reponses));
    }
    QCOMPARE(w.currentFile(), a);
    QCOMPARE(panneau->windowTitle(), QStringLiteral("Autre"));
    edit->document()->setModified(false);

    // The rows of the text take their cursors some hundreds at a time: a line
    // typed at the top meanwhile moves the places of those still waiting.
    QCOMPARE(w.currentFile(), a);
    QVERIFY(f.window->loadFile(a));
    GroupeProblemes ici {a, QStringLiteral("a.html"), {}, -1};
    for (int i = 0; i < 3000; ++i)
        ici.rangees << gamma;
    panneau->montre(QStringLiteral("Ici"), {ici});
    QVERIFY(panneau->enCours());
    QTextCursor(edit->document()).insertText(QStringLiteral("<!-- haut -->\n"));
    QTRY_VERIFY(!panneau->enCours());
    QTreeWidgetItem *derniere = liste->topLevelItem(0)->child(2999);
    QCOMPARE(derniere->text(0), QStringLiteral("3"));
    liste->setCurrentItem(derniere);
    liste->setFocus();
    QTest::keyClick(liste, Qt::Key_Return);
    QCOMPARE(edit->textCursor().blockNumber(), 2);
    QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("gamma"));
    edit->document()->setModified(false);

    // Ten thousand rows after ten thousand: made a slice at a time, in order.
    QList<GroupeProblemes> beaucoup;
    for (int i = 0; i < 1000; ++i) {
        const QString nom = QStringLiteral("p%1.html").arg(i, 4, 10, QLatin1Char('0'));
        GroupeProblemes groupe {site + QLatin1Char('/') + nom, nom, {}, -1};
        for (int j = 0; j < 10; ++j) {
            RangeeProbleme rangee;
            rangee.ligne = j + 1;
            rangee.genre = QStringLiteral("Lien");
            groupe.rangees << rangee;
        }
        beaucoup << groupe;
    }
    panneau->montre(QStringLiteral("Un"), beaucoup);
    QTRY_VERIFY(!panneau->enCours());
    panneau->montre(QStringLiteral("Deux"), beaucoup);
    QVERIFY(panneau->enCours());
    QTRY_VERIFY(!panneau->enCours());
    QCOMPARE(liste->topLevelItemCount(), 1000);
    QTreeWidgetItem *dernier = liste->topLevelItem(999);
    QCOMPARE(dernier->text(0), QStringLiteral("p0999.html (10)"));
    QVERIFY(dernier->isExpanded());
    QCOMPARE(dernier->child(9)->text(0), QStringLiteral("10"));
    QCOMPARE(dernier->child(9)->data(0, Qt::UserRole).toInt(), 9999);
}

QTEST_MAIN(TestVerification)
#include "tst_verification.moc"
