#include "htmlgenerator.h"

#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>

namespace {

const char *const words[] = {"le",
                             "la",
                             "les",
                             "un",
                             "une",
                             "de",
                             "des",
                             "et",
                             "est",
                             "dans",
                             "pour",
                             "avec",
                             "sur",
                             "texte",
                             "page",
                             "\xe9t\xe9",
                             "march\xe9",
                             "for\xea" "t",
                             "\xe0",
                             "o\xf9",
                             "\xe9l\xe8ve",
                             "gar\xe7on",
                             "na\xefve",
                             "ch\xe2teau",
                             "\xee" "le",
                             "caf\xe9",
                             "fen\xea" "tre",
                             "tr\xe8s",
                             "ann\xe9"
                             "e",
                             "Marlisse",
                             "HTML",
                             "source",
                             "lien",
                             "image",
                             "tableau",
                             "titre",
                             "paragraphe",
                             "liste",
                             "mot",
                             "phrase"};

class Writer
{
public:
    explicit Writer(quint32 seed)
        : random(seed)
    { }

    QByteArray text;

    int pick(int n) { return int(random.bounded(n)); }

    void sentence(int wordCount)
    {
        for (int i = 0; i < wordCount; ++i) {
            if (i)
                text += pick(12) == 0 ? '\xa0' : ' ';
            text += words[pick(int(std::size(words)))];
        }
        text += pick(5) == 0 ? "\xa0;" : ".";
    }

    void paragraph()
    {
        static const char *const aligns[]
            = {"", " align=\"center\"", " align=\"right\"", " align=\"justify\""};
        text += "<p";
        text += aligns[pick(4)];
        if (pick(3) == 0)
            text += " class=\"note\" id=\"p" + QByteArray::number(pick(10000)) + "\"";
        text += ">";
        const int sentences = 1 + pick(4);
        for (int i = 0; i < sentences; ++i) {
            if (i)
                text += ' ';
            if (pick(4) == 0) {
                text += "<a href=\"page" + QByteArray::number(pick(100)) + ".htm\" name=\"n"
                    + QByteArray::number(pick(1000)) + "\">";
                sentence(2);
                text += "</a> ";
            }
            if (pick(5) == 0)
                text += "<b>";
            sentence(4 + pick(14));
            if (text.endsWith('.') && pick(6) == 0)
                text += " <i>" + QByteArray(words[pick(10)]) + "</i>";
        }
        text += "</p>\n";
    }

    void longLine()
    {
        // A whole article on one line, as exported by some tools.
        text += "<div class=\"export\">";
        for (int i = 0; i < 60; ++i) {
            text += "<span style=\"color:#333\">";
            sentence(10);
            text += "</span> ";
        }
        text += "</div>\n";
    }

    void table()
    {
        text += "<table border=\"1\" class=\"grille\">\n";
        const int rows = 2 + pick(6);
        const int cols = 2 + pick(4);
        for (int r = 0; r < rows; ++r) {
            text += "<tr>\n";
            for (int c = 0; c < cols; ++c) {
                text += "<td valign=\"top\" align=\"left\">";
                sentence(1 + pick(3));
                text += "</td>\n";
            }
            text += "</tr>\n";
        }
        text += "</table>\n";
    }

    void comment()
    {
        text += "<!-- ";
        sentence(5);
        text += " -->\n";
        if (pick(2) == 0) {
            text += "<!-- d\xe9" "but d'un commentaire\n";
            sentence(8);
            text += "\nfin -->\n";
        }
    }

private:
    QRandomGenerator random;
};

} // namespace

QByteArray generateHtml(qsizetype size, quint32 seed)
{
    Writer w(seed);
    w.text.reserve(size + 4096);
    w.text += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\n"
              "<html lang=\"fr\" dir=\"ltr\">\n<head>\n"
              "<meta http-equiv=\"content-type\" content=\"text/html; charset=ISO-8859-1\" />\n"
              "<title>Essai</title>\n</head>\n<body>\n";
    while (w.text.size() < size) {
        const int kind = w.pick(100);
        if (kind < 70)
            w.paragraph();
        else if (kind < 80)
            w.table();
        else if (kind < 90)
            w.comment();
        else if (kind < 93)
            w.longLine();
        else if (kind < 97)
            w.text += "<h2>" + QByteArray(words[w.pick(20)]) + "</h2>\n";
        else
            w.text += "\n";
    }
    w.text += "</body>\n</html>\n";
    return w.text;
}

QByteArray generateHtmlUtf8(qsizetype size, quint32 seed)
{
    QString text = QString::fromLatin1(generateHtml(size, seed));
    text.replace(QLatin1String("charset=ISO-8859-1"), QLatin1String("charset=UTF-8"));
    return text.toUtf8();
}

QByteArray generateHtml1251(qsizetype size, quint32 seed)
{
    QString text = QString::fromLatin1(generateHtml(size, seed));
    text.replace(QLatin1String("charset=ISO-8859-1"), QLatin1String("charset=windows-1251"));
    for (QChar &c : text) {
        if (c.unicode() >= 0xc0)
            c = QChar(0x430 + (c.unicode() - 0xc0) % 32);
    }
    return QStringEncoder("windows-1251").encode(text);
}
