// A site on disk: the walk of its files (order, filters, bounds, the files that
// cannot be read and why), the reading of each by the reading rule.

#include "documentfile.h"
#include "parcourssite.h"
#include "testsupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

QTEST_MAIN(TestSite)
#include "tst_site.moc"
