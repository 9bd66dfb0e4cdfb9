#include "sitegenerator.h"

#include "htmlgenerator.h"
#include "testsupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

QByteArray pageName(int page)
{
    return QStringLiteral("s%1/p%2.html")
        .arg(page / 100, 2, 10, QLatin1Char('0'))
        .arg(page, 4, 10, QLatin1Char('0'))
        .toLatin1();
}

} // namespace

bool generateSite(const QString &folder, int pages, qsizetype pageSize, int links)
{
    if (!QDir().mkpath(folder + QStringLiteral("/img")))
        return false;
    for (int i = 0; i < 10; ++i) {
        if (!TestSupport::writeBytes(folder + QStringLiteral("/img/i%1.png").arg(i), "png"))
            return false;
    }
    if (!TestSupport::writeBytes(folder + QStringLiteral("/style.css"), "p { margin: 0 }\n"))
        return false;
    static const QRegularExpression ailleurs(QStringLiteral("href=\"page\\d+\\.htm\""));
    QRandomGenerator random(7);
    for (int page = 0; page < pages; ++page) {
        // The generator's own links lead to an anchor of the page; the others
        // to other pages, their anchors, images and the stylesheet.
        // The links and anchors below take some 2 KB.
        QString texte = QString::fromLatin1(
            generateHtml(std::max<qsizetype>(pageSize - 2100, 1000), quint32(page + 1)));
        const int siens = int(texte.count(ailleurs));
        texte.replace(ailleurs, QStringLiteral("href=\"#a0\""));
        QByteArray nav = "\n<ul id=\"nav\">\n<li><link rel=\"stylesheet\" href=\"../style.css\">\n";
        for (int i = 1 + siens; i < links; ++i) {
            const bool broken = random.bounded(100) == 0;
            const int kind = int(random.bounded(5));
            if (kind == 0) {
                nav += "<li><img src=\"../img/i" + QByteArray::number(random.bounded(10))
                    + (broken ? "x" : "") + ".png\" alt=\"\">\n";
                continue;
            }
            // Each page leads to the next: no page but the index is an orphan.
            const int other = i == 1 + siens ? (page + 1) % pages : int(random.bounded(pages));
            nav += "<li><a href=\"../" + pageName(other);
            if (kind == 1)
                nav += broken ? "#nulle" : "#a" + QByteArray::number(random.bounded(5));
            else if (broken)
                nav += "x";
            nav += "\">lien " + QByteArray::number(i) + "</a>\n";
        }
        nav += "</ul>\n";
        for (int a = 0; a < 5; ++a)
            nav += "<h2 id=\"a" + QByteArray::number(a) + "\">Partie</h2>\n";
        QByteArray html = texte.toLatin1();
        const qsizetype body = html.indexOf("<body");
        const qsizetype after = body < 0 ? 0 : html.indexOf('>', body) + 1;
        html.insert(after, nav);
        if (!TestSupport::writeBytes(
                folder + QLatin1Char('/') + QString::fromLatin1(pageName(page)), html))
            return false;
    }
    return TestSupport::writeBytes(folder + QStringLiteral("/index.html"),
                                   "<a href=\"" + pageName(0) + "\">entrée</a>\n");
}
