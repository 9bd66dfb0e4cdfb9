#include "testsupport.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTest>

namespace {

// The whole program sees a screen scaled to 200 %, as on a high-density desktop:
// set before the application object exists, which is when the toolkit reads it.
const bool doubleDensity = [] {
    qputenv("QT_SCALE_FACTOR", "2");
    return true;
}();

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_UNUSED(doubleDensity);
        TestSupport::init();
    }
    void imageLoads_data();
    void imageLoads();
    void imagesAreDistinct();
    void iconFromResource();
};

void TestResources::imageLoads_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    const char *square[]
        = {"alaligne",      "ancre",       "backward",   "blancinsec", "cargras",   "carpre",
           "centre",        "chercher",    "coller",     "copier",     "couper",    "debut",
           "defaire",       "definition",  "droite",     "elemliste",  "euro",      "forward",
           "gauche",        "h1icon",      "h2icon",     "h3icon",     "image",     "italic",
           "justifie",      "lienhyptext", "lignehoriz", "listedef",   "listeordo", "listesimple",
           "navigateur",    "paragraphe",  "printer",    "recharger",  "refaire",   "souligne",
           "squelettehtml", "tableaux",    "termdef"};
    for (const char *name : square)
        QTest::newRow(name) << QStringLiteral(":/images/%1.png").arg(QLatin1String(name))
                            << QSize(16, 16);
    QTest::newRow("filenew") << QStringLiteral(":/images/filenew.png") << QSize(10, 14);
    QTest::newRow("fileopen") << QStringLiteral(":/images/fileopen.png") << QSize(16, 13);
    QTest::newRow("filesave") << QStringLiteral(":/images/filesave.png") << QSize(14, 14);
    QTest::newRow("marlisse") << QStringLiteral(":/images/marlisse.png") << QSize(32, 32);
}

// Each image also has its NAME@2x.png twice the size beside it, and an icon made
// from the plain name, as the commands make theirs, draws that sharp picture on a
// 200 % screen instead of stretching the small one.
void TestResources::imageLoads()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QImage image;
    QVERIFY2(image.load(path, "PNG"), qPrintable(path));
    QCOMPARE(image.size(), size);
    QVERIFY(image.hasAlphaChannel());

    const QString sharpPath = path.chopped(4) + QLatin1String("@2x.png");
    QImage sharp;
    QVERIFY2(sharp.load(sharpPath, "PNG"), qPrintable(sharpPath));
    QCOMPARE(sharp.size(), size * 2);
    QVERIFY(sharp.hasAlphaChannel());

    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    const QPixmap shown = QIcon(path).pixmap(size);
    QCOMPARE(shown.devicePixelRatio(), 2.0);
    // Compared in the pixmap's own format: the conversion to it is the one the icon
    // made, whereas converting back from premultiplied pixels rounds differently
    // on each of the toolkit's CPU code paths.
    const QImage drawn = shown.toImage();
    QCOMPARE(drawn, sharp.convertToFormat(drawn.format()));
}

// Two commands showing the same picture would be a drawing mistake.
void TestResources::imagesAreDistinct()
{
    QHash<QByteArray, QString> seen;
    const QStringList entries = QDir(QStringLiteral(":/images")).entryList();
    QCOMPARE(entries.size(), 2 * 43);
    for (const QString &entry : entries) {
        QImage image(QStringLiteral(":/images/") + entry);
        image = image.convertToFormat(QImage::Format_ARGB32);
        const QByteArray hash = QCryptographicHash::hash(
            QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Sha1);
        QVERIFY2(!seen.contains(hash),
                 qPrintable(entry + QLatin1String(" looks like ") + seen.value(hash)));
        seen.insert(hash, entry);
    }
}

void TestResources::iconFromResource()
{
    const QIcon icon(QStringLiteral(":/images/cargras.png"));
    QVERIFY(!icon.isNull());
    QVERIFY(!icon.pixmap(16, 16).isNull());
}

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
