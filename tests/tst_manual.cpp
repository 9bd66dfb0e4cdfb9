// The help manual as the viewer reads it: each page in the encoding it declares,
// every link leading to a page and an anchor that exist, and the pages following
// one another from the contents to the last one.

#include "documentencoding.h"
#include "testsupport.h"

#include <QAction>
#include <QDir>
#include <QHash>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

using namespace TestSupport;

namespace {

struct Page
{
    QString source; // the page's markup, decoded as it declares
    QStringList links;
    QSet<QString> anchors;
};

// The links and anchor names of a page as the viewer's document holds them.
void collectLinks(Page *page)
{
    QTextDocument document;
    document.setHtml(page->source);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextCharFormat format = fragment.fragment().charFormat();
            if (!format.anchorHref().isEmpty())
                page->links << format.anchorHref();
            for (const QString &name : format.anchorNames())
                page->anchors.insert(name);
        }
    }
}

// The page named by a navigation link of the given word ("Précédent" or "Suivant")
// at the top and at the bottom of a page; empty when the page has none. Both
// lines must lead to the same page.
QString navigation(const QString &source, const QString &word)
{
    const QRegularExpression link(word + QStringLiteral("&nbsp;: <a href=\"([^\"]*)\""));
    QStringList targets;
    for (auto match = link.globalMatch(source); match.hasNext();)
        targets << match.next().captured(1);
    if (targets.size() == 2 && targets.first() == targets.last())
        return targets.first();
    return targets.isEmpty() ? QString() : QStringLiteral("<%1 lines>").arg(targets.size());
}

// A menu's or command's text as the manual writes it: no mnemonic, no shortcut.
QString sansMarques(QString texte)
{
    texte = texte.section(QLatin1Char('\t'), 0, 0);
    return texte.remove(QLatin1Char('&'));
}

// A key as the manual names it ("Ctrl+Maj+R", "Alt+Haut"), as the toolkit reads keys.
QKeySequence touche(QString texte)
{
    static const QList<QPair<const char *, const char *>> noms
        = {{"Maj", "Shift"},    {"Haut", "Up"},   {"Bas", "Down"},      {"Gauche", "Left"},
           {"Droite", "Right"}, {"Échap", "Esc"}, {"Inser", "Ins"},     {"Suppr", "Del"},
           {"Début", "Home"},   {"Fin", "End"},   {"Entrée", "Return"}, {"Espace", "Space"}};
    QStringList parties = texte.split(QLatin1Char('+'));
    for (QString &partie : parties) {
        for (const auto &nom : noms)
            if (partie == QString::fromUtf8(nom.first))
                partie = QLatin1String(nom.second);
    }
    return QKeySequence::fromString(parties.join(QLatin1Char('+')), QKeySequence::PortableText);
}

} // namespace

class TestManual : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsAsDeclared_data() { pageRows(); }
    void readsAsDeclared();
    void linksLeadSomewhere_data() { pageRows(); }
    void linksLeadSomewhere();
    void readingOrder();
    void commandsInShortcutTable_data();
    void commandsInShortcutTable();
    void placesInMenus();

private:
    void pageRows();

    QString folder;
    QHash<QString, Page> pages;
    QHash<QString, QString> failures; // pages that could not be read, and why
};

void TestManual::initTestCase()
{
    init();
    folder = QFINDTESTDATA("../help/AideMarlisse");
    QVERIFY2(!folder.isEmpty(), "the help manual is not in the source tree");
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files);
    QVERIFY(names.contains(QStringLiteral("index.html")));
    for (const QString &name : names) {
        const QByteArray bytes = readBytes(folder + QLatin1Char('/') + name);
        const DocumentEncoding::Declaration declared = DocumentEncoding::findDeclaration(bytes);
        QStringDecoder decoder(declared.name.toLatin1().constData(),
                               QStringConverter::Flag::Stateless);
        Page page;
        if (!declared.found() || !decoder.isValid()) {
            failures.insert(name, QStringLiteral("no known charset declared"));
        } else {
            page.source = decoder.decode(bytes);
            if (decoder.hasError())
                failures.insert(name, QStringLiteral("bytes invalid in ") + declared.name);
        }
        collectLinks(&page);
        pages.insert(name, page);
    }
}

void TestManual::pageRows()
{
    QTest::addColumn<QString>("name");
    QStringList names = pages.keys();
    names.sort();
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

// A page shows in the viewer as its author wrote it: its bytes are valid in the
// encoding it declares, the viewer's reading rule takes that encoding, and no
// UTF-8 sequence hides in a Latin-1 page (an "é" saved as UTF-8 shows as "Ã©"; a
// page that shows such a misreading on purpose writes it as character references).
void TestManual::readsAsDeclared()
{
    QFETCH(QString, name);
    QVERIFY2(!failures.contains(name), qPrintable(failures.value(name)));
    const QString &source = pages.value(name).source;
    const DocumentEncoding::Decoded viewer
        = DocumentEncoding::decode(readBytes(folder + QLatin1Char('/') + name));
    QCOMPARE(viewer.notice, QString());
    QVERIFY(viewer.text == source);
    const QRegularExpression mojibake(
        QStringLiteral("[\\x{80}-\\x{9f}\\x{fffd}]|[\\x{c2}\\x{c3}][\\x{80}-\\x{bf}]"));
    const QRegularExpressionMatch match = mojibake.match(source);
    QVERIFY2(!match.hasMatch(), qPrintable(source.mid(match.capturedStart() - 20, 40)));
}

// Every link names a page of the manual and, where it has one, an anchor of that
// page: the viewer opens no other site, and a missing anchor leaves the reader at
// the top of the page.
void TestManual::linksLeadSomewhere()
{
    QFETCH(QString, name);
    const QStringList links = pages.value(name).links;
    QVERIFY(!links.isEmpty());
    for (const QString &link : links) {
        const QUrl url(link);
        QVERIFY2(url.scheme().isEmpty() && url.host().isEmpty(), qPrintable(link));
        const QString target = url.path().isEmpty() ? name : url.path();
        QVERIFY2(!target.contains(QLatin1Char('/')) && pages.contains(target), qPrintable(link));
        if (url.hasFragment())
            QVERIFY2(pages.value(target).anchors.contains(url.fragment()), qPrintable(link));
    }
}

// From the contents, "Suivant" goes through every page once, and "Précédent"
// comes back the same way; each page has the same line at its top and bottom.
void TestManual::readingOrder()
{
    QStringList order {QStringLiteral("index.html")};
    QVERIFY(navigation(pages.value(order.first()).source, QStringLiteral("Précédent")).isEmpty());
    for (;;) {
        const QString &here = order.last();
        const QString next = navigation(pages.value(here).source, QStringLiteral("Suivant"));
        if (next.isEmpty())
            break;
        QVERIFY2(pages.contains(next) && !order.contains(next), qPrintable(here + " -> " + next));
        QCOMPARE(navigation(pages.value(next).source, QStringLiteral("Précédent")), here);
        order << next;
    }
    QStringList all = pages.keys();
    all.sort();
    QStringList visited = order;
    visited.sort();
    QCOMPARE(visited, all);
}

void TestManual::commandsInShortcutTable_data()
{
    QTest::addColumn<QString>("commande");
    QTest::addColumn<QList<QKeySequence>>("raccourcis");
    EditorFixture f;
    for (const QAction *titre : f.window->menuBar()->actions()) {
        QList<QMenu *> menus {titre->menu()};
        while (!menus.isEmpty()) {
            for (const QAction *a : menus.takeFirst()->actions()) {
                if (a->menu() && a->menu()->objectName() != QLatin1String("recentsMenu"))
                    menus << a->menu();
                if (a->isSeparator() || a->menu())
                    continue;
                QList<QKeySequence> raccourcis = a->shortcuts();
                // A key that the menu only shows, after a tab in the text.
                if (a->text().contains(QLatin1Char('\t')))
                    raccourcis << touche(a->text().section(QLatin1Char('\t'), 1));
                QTest::newRow(qPrintable(a->objectName())) << sansMarques(a->text()) << raccourcis;
            }
        }
    }
}

// Every command of the menus has a row in the table of shortcuts, which gives its
// shortcuts, no more and no fewer.
void TestManual::commandsInShortcutTable()
{
    QFETCH(QString, commande);
    QFETCH(QList<QKeySequence>, raccourcis);
    const QString &source = pages.value(QStringLiteral("raccourcis.html")).source;
    const QRegularExpression ligne(QStringLiteral("<tr>(.*?)</tr>"));
    const QRegularExpression cellule(QStringLiteral("<td[^>]*>(.*?)</td>"));
    const QRegularExpression kbd(QStringLiteral("<kbd>(.*?)</kbd>"));
    const QRegularExpression balise(QStringLiteral("<[^>]*>"));
    for (auto l = ligne.globalMatch(source); l.hasNext();) {
        QStringList cellules;
        for (auto c = cellule.globalMatch(l.next().captured(1)); c.hasNext();)
            cellules << c.next().captured(1);
        if (cellules.size() < 3)
            continue;
        const qsizetype nom = cellules.size() - 3;
        QString texte = cellules.at(nom);
        texte.remove(balise);
        if (texte.section(QLatin1String(" *"), 0, 0).section(QLatin1String(" ("), 0, 0).trimmed()
            != commande)
            continue;
        QList<QKeySequence> lus;
        for (auto k = kbd.globalMatch(cellules.at(nom + 1)); k.hasNext();)
            lus << touche(k.next().captured(1).replace(QLatin1String("&amp;"), QLatin1String("&")));
        std::sort(lus.begin(), lus.end());
        std::sort(raccourcis.begin(), raccourcis.end());
        QCOMPARE(lus, raccourcis);
        return;
    }
    QFAIL("not in the table");
}

// What the manual says of a command's place in its menu holds: "Fermer les balises"
// was called the last command of its menu, "Vérifier la page" following it.
void TestManual::placesInMenus()
{
    EditorFixture f;
    const QRegularExpression derniere(
        QStringLiteral("<b>([^<]+?) &gt; ([^<]+?)</b>, la dernière commande du menu"));
    for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
        for (auto m = derniere.globalMatch(page->source); m.hasNext();) {
            const QRegularExpressionMatch match = m.next();
            QString derniereDuMenu;
            for (const QAction *titre : f.window->menuBar()->actions())
                if (sansMarques(titre->text()) == match.captured(1))
                    derniereDuMenu = sansMarques(titre->menu()->actions().last()->text());
            QVERIFY2(derniereDuMenu == match.captured(2),
                     qPrintable(page.key() + ": " + match.captured(0)));
        }
    }
    // A menu's commands listed "dans l'ordre" are all its commands, in its order.
    const QRegularExpression ordre(
        QStringLiteral(
            "Le menu <b>([^<]+)</b> contient, dans l'ordre&nbsp;:</p>\\s*<ul>(.*?)</ul>"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression nom(QStringLiteral("<b>([^<]+)</b>"));
    for (auto page = pages.cbegin(); page != pages.cend(); ++page) {
        for (auto m = ordre.globalMatch(page->source); m.hasNext();) {
            const QRegularExpressionMatch match = m.next();
            QStringList ecrits;
            for (auto n = nom.globalMatch(match.captured(2)); n.hasNext();)
                ecrits << n.next().captured(1).toLower();
            QStringList commandes;
            for (const QAction *titre : f.window->menuBar()->actions())
                if (sansMarques(titre->text()) == match.captured(1))
                    for (const QAction *a : titre->menu()->actions())
                        if (!a->isSeparator())
                            commandes << sansMarques(a->text()).toLower();
            QCOMPARE(ecrits, commandes);
        }
    }
}

QTEST_MAIN(TestManual)
#include "tst_manual.moc"
