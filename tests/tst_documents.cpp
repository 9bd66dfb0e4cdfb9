#include "commandtest.h"
#include "dialoganswers.h"
#include "documentcodec.h"
#include "documentencoding.h"
#include "documentfile.h"
#include "montextedit.h"
#include "reglages.h"
#include "smallfilesystem.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QProxyStyle>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include <memory>

using namespace TestSupport;

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // The conversions on their own.
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void rawTextSeparators();
    void randomBytesRoundTrip();
    void randomTextRoundTrip();
    void readingRule_data();
    void readingRule();

    // The window's document commands.
    void typeFromOpenedName_data();
    void typeFromOpenedName();
    void dialogsAsDescribed();
    void newDocument();
    void saveNamedDocument();
    void saveNewDocumentAsksName();
    void saveAsChangesType_data();
    void saveAsChangesType();
    void saveAsNames_data();
    void saveAsNames();
    void saveAsAppendedNameExists_data();
    void saveAsAppendedNameExists();
    void promptBeforeNewOrOpen_data();
    void promptBeforeNewOrOpen();
    void recentFiles_data();
    void recentFiles();
    void rememberedEncoding_data();
    void rememberedEncoding();
    void folderChangeMarksOptions_data();
    void folderChangeMarksOptions();
    void readFailureChangesNothing_data();
    void readFailureChangesNothing();
    void filesRoundTripByteForByte_data();
    void filesRoundTripByteForByte();
    void crLfLoadsAsLineFeeds();
    void typedCharactersOnDisk_data();
    void typedCharactersOnDisk();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void openEditSave_data();
    void openEditSave();
    void declarationsRewritten_data();
    void declarationsRewritten();
    void widgetLineBreaks();
    void singleByteEncodings_data();
    void singleByteEncodings();
    void webLabels_data();
    void webLabels();
    void changedOnDisk_data();
    void changedOnDisk();
};

namespace {

// Saves with "Sau&ver sous...", typing name in the dialog.
bool saveAsThroughDialog(KalTextEdit *window, const QString &name)
{
    DialogAnswers answers;
    answers.choose(name);
    const bool saved = window->slotFileSaveAs();
    return cleanRun(answers) && answers.log().size() == 1 && saved;
}

// A desktop whose button layout reorders the roles: GNOME puts the reject role
// first and the yes role last.
class GnomeButtons : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *data) const override
    {
        return hint == SH_DialogButtonLayout ? QDialogButtonBox::GnomeLayout
                                             : QProxyStyle::styleHint(hint, option, widget, data);
    }
};

// Text in an encoding, as the toolkit writes it.
QByteArray inEncoding(const char *encoding, const QString &text, bool bom = false)
{
    QStringEncoder encoder(
        encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

// A page that declares its encoding in a <meta> element.
QString pageDeclaring(const QString &charset, const QString &body)
{
    return QStringLiteral("<html><head><meta charset=\"%1\"></head><p>%2</p></html>\n")
        .arg(charset, body);
}

QString encodingLabel(KalTextEdit *window)
{
    return window->findChild<QLabel *>(QStringLiteral("labelEncodage"))->text();
}

// Chooses an encoding in one of the two lists of the encoding label's menu,
// opened by a click on the label as the user would.
bool chooseEncoding(KalTextEdit *window, const QString &list, const QString &label)
{
    QTest::mouseClick(window->findChild<QLabel *>(QStringLiteral("labelEncodage")), Qt::LeftButton);
    auto *menu = window->findChild<QMenu *>(QStringLiteral("encodageMenu"));
    if (!menu || !menu->isVisible())
        return false;
    menu->hide();
    auto *choice = menu->findChild<QAction *>(list + QStringLiteral("EncodageAct ") + label);
    auto *owner = choice ? qobject_cast<QMenu *>(choice->parent()) : nullptr;
    if (!owner || !owner->isEnabled() || !choice->isEnabled())
        return false;
    choice->trigger();
    return true;
}

// The entries of the recent files' submenu as it shows now: "-" for a separator,
// a disabled entry in brackets.
QStringList recentEntries(KalTextEdit *window)
{
    auto *menu = window->findChild<QMenu *>(QStringLiteral("recentsMenu"));
    emit menu->aboutToShow();
    QStringList entries;
    for (const QAction *entry : menu->actions())
        entries << (entry->isSeparator()     ? QStringLiteral("-")
                        : entry->isEnabled() ? entry->text()
                                             : QLatin1Char('[') + entry->text() + QLatin1Char(']'));
    return entries;
}

// Chooses the recent file path, as the user would in the submenu.
bool chooseRecent(KalTextEdit *window, const QString &path)
{
    auto *menu = window->findChild<QMenu *>(QStringLiteral("recentsMenu"));
    emit menu->aboutToShow();
    for (QAction *entry : menu->actions()) {
        if (entry->statusTip() == path) {
            entry->trigger();
            return true;
        }
    }
    return false;
}

// Chooses line ends in the line-end label's menu, opened by a click on the label.
bool chooseLineEnds(KalTextEdit *window, const QString &label)
{
    QTest::mouseClick(window->findChild<QLabel *>(QStringLiteral("labelFinsDeLigne")),
                      Qt::LeftButton);
    auto *menu = window->findChild<QMenu *>(QStringLiteral("finsDeLigneMenu"));
    if (!menu || !menu->isVisible())
        return false;
    menu->hide();
    auto *choice = menu->findChild<QAction *>(QStringLiteral("finsDeLigneAct ") + label);
    if (!choice)
        return false;
    choice->trigger();
    return true;
}

const QString savePrompt
    = QStringLiteral("Sauvegarde | Le texte a été modifié \n enregistrer les modifications ?");

} // namespace

void TestDocuments::initTestCase()
{
    init();
    QApplication::setQuitOnLastWindowClosed(false);
    // Every box of these tests is laid out as on a GNOME desktop.
    QApplication::setStyle(new GnomeButtons);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestDocuments::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("e acute") << QByteArray("caf\xe9") << QStringLiteral("café");
    QTest::newRow("CR LF becomes LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("a\nb\n");
    QTest::newRow("lone CR kept") << QByteArray("a\rb") << QStringLiteral("a\rb");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringLiteral("a\r\nb");
    QTest::newRow("non-breaking space")
        << QByteArray("Oui\xa0!") << QStringLiteral("Oui") + QChar(0xa0) + QLatin1Char('!');
    QTest::newRow("NUL and last byte")
        << QByteArray("\0\xff", 2) << QString(QChar(0)) + QChar(0xff);
}

void TestDocuments::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(DocumentCodec::decodeDocument(bytes), text);
}

void TestDocuments::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("html");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("unencodable");

    const QString euro(QChar(0x20ac));
    const QString grin = QString::fromUcs4(U"\U0001F600");
    QTest::newRow("e acute, page") << QStringLiteral("é") << true << QByteArray("\xe9") << 0;
    QTest::newRow("e acute, text") << QStringLiteral("é") << false << QByteArray("\xe9") << 0;
    QTest::newRow("euro, page") << euro << true << QByteArray("&#8364;") << 0;
    QTest::newRow("euro, text") << euro << false << QByteArray("?") << 1;
    QTest::newRow("emoji, page") << grin << true << QByteArray("&#128512;") << 0;
    QTest::newRow("emoji, text: one character") << grin << false << QByteArray("?") << 1;
    QTest::newRow("quotes and oe, text")
        << QStringLiteral("“cœur”") << false << QByteArray("?c?ur?") << 3;
    QTest::newRow("quotes and oe, page")
        << QStringLiteral("“cœur”") << true << QByteArray("&#8220;c&#339;ur&#8221;") << 0;
    QTest::newRow("half a surrogate pair, page")
        << QString(QChar(0xd83d)) + QLatin1Char('x') << true << QByteArray("&#65533;x") << 0;
    QTest::newRow("half a surrogate pair, text")
        << QString(QChar(0xde00)) << false << QByteArray("?") << 1;
    QTest::newRow("non-breaking space") << QString(QChar(0xa0)) << false << QByteArray("\xa0") << 0;
    QTest::newRow("existing reference left alone")
        << QStringLiteral("&#8364;") << true << QByteArray("&#8364;") << 0;
}

void TestDocuments::encode()
{
    QFETCH(QString, text);
    QFETCH(bool, html);
    QFETCH(QByteArray, bytes);
    QFETCH(int, unencodable);
    int count = -1;
    QCOMPARE(DocumentCodec::encodeDocument(text, html, &count), bytes);
    QCOMPARE(count, unencodable);
}

// The raw text of a document keeps its non-breaking spaces; its separators are lines.
void TestDocuments::rawTextSeparators()
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("Oui") + QChar(0xa0) + QStringLiteral("!\nfin\n"));
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(QChar::LineSeparator) + QStringLiteral("suite"));
    QCOMPARE(DocumentCodec::encodeRawText(document.toRawText(), true),
             QByteArray("Oui\xa0!\nfin\n\nsuite"));
}

// Any bytes but CR come back unchanged, in both kinds of document.
void TestDocuments::randomBytesRoundTrip()
{
    QRandomGenerator random(20240601);
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes(int(random.bounded(1, 400)), '\0');
        for (char &byte : bytes) {
            do
                byte = char(random.bounded(256));
            while (byte == '\r');
        }
        for (bool html : {true, false}) {
            int lost = -1;
            QCOMPARE(
                DocumentCodec::encodeDocument(DocumentCodec::decodeDocument(bytes), html, &lost),
                bytes);
            QCOMPARE(lost, 0);
        }
    }
}

// Whatever is typed in a page comes back, character for character, once its
// references are read back: nothing is lost on the way to ISO 8859-1.
void TestDocuments::randomTextRoundTrip()
{
    QRandomGenerator random(77);
    static const QRegularExpression reference(QStringLiteral("&#(\\d+);"));
    for (int round = 0; round < 200; ++round) {
        QString text;
        const int length = int(random.bounded(1, 60));
        for (int i = 0; i < length; ++i) {
            char32_t codePoint;
            switch (random.bounded(3)) {
            case 0:
                codePoint = char32_t(random.bounded(0x20, 0x100));
                break;
            case 1:
                codePoint = char32_t(random.bounded(0x100, 0xd800));
                break;
            default:
                codePoint = char32_t(random.bounded(0x10000, 0x110000));
                break;
            }
            if (codePoint == U'&')
                codePoint = U'e';
            text += QString::fromUcs4(&codePoint, 1);
        }
        const QByteArray bytes = DocumentCodec::encodeDocument(text, true);
        QString back = DocumentCodec::decodeDocument(bytes);
        QString resolved;
        qsizetype last = 0;
        for (auto it = reference.globalMatch(back); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            resolved += back.mid(last, match.capturedStart() - last);
            const char32_t codePoint = match.captured(1).toUInt();
            resolved += QString::fromUcs4(&codePoint, 1);
            last = match.capturedEnd();
        }
        resolved += back.mid(last);
        QCOMPARE(resolved, text);
    }
}

void TestDocuments::readingRule_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("lineEnds"); // the convention, and the counts of a mixed file
    QTest::addColumn<QString>("file"); // whose name tells where it declares
    const auto row = [](const char *name, const QByteArray &bytes, const QString &text,
                        const char *label, const QString &notice = QString(),
                        const char *lineEnds = "LF", const char *file = "page.html") {
        QTest::newRow(name) << bytes << text << QString::fromUtf8(label) << notice
                            << QString::fromUtf8(lineEnds) << QString::fromLatin1(file);
    };
    // Bytes that a step reads as text back, with the label of the encoding taken.
    const auto same
        = [&row](const char *name, const char *encoding, const QString &text, const char *label,
                 bool bom = false) { row(name, inEncoding(encoding, text, bom), text, label); };
    const QString cyrillic = QStringLiteral("<p>Привет, мир</p>\n");
    const QString koi8 = "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">";
    same("content-type declaration", "KOI8-R", koi8 + cyrillic, "KOI8-R");
    same("XML declaration", "Shift_JIS", "<?xml version='1.0' encoding='Shift_JIS'?>\n<p>日本</p>",
         "Shift_JIS");
    row("UTF-16 LE mark, CR LF", inEncoding("UTF-16LE", "a\r\n" + cyrillic + "\r\n", true),
        "a\n" + cyrillic + "\n", "UTF-16 LE", QString(), "CR LF (2 CR LF, 1 LF)");

    // Line ends: each read as a line feed, the convention of most lines kept.
    row("CR LF", "<p>\r\n\xe9\r\n", "<p>\né\n", "ISO 8859-1", QString(), "CR LF");
    row("lone CR", "<p>\r\xe9\r", "<p>\né\n", "ISO 8859-1", QString(), "CR");
    row("CR, CR LF and LF", "a\r\rb\r\nc\n\r\n", "a\n\nb\nc\n\n", "ISO 8859-1", QString(),
        "CR LF (2 CR LF, 2 CR, 1 LF)");
    row("as many LF as CR LF", "a\r\nb\nc", "a\nb\nc", "ISO 8859-1", QString(),
        "LF (1 LF, 1 CR LF)");
    // CR LF in UTF-8 takes no more bytes than in ISO 8859-1.
    row("plain ASCII in CR LF is ISO 8859-1", "<p>\r\n", "<p>\n", "ISO 8859-1", QString(), "CR LF");
    row("UTF-8 in CR", inEncoding("UTF-8", "Привет\r"), "Привет\n", "UTF-8", QString(), "CR");

    // The order of the steps: mark, declaration, UTF-8, ISO 8859-1.
    same("mark before declaration", "UTF-8", pageDeclaring("windows-1251", cyrillic),
         "UTF-8 avec BOM", true);
    row("declaration before UTF-8", inEncoding("UTF-8", pageDeclaring("ISO-8859-1", "été")),
        pageDeclaring("ISO-8859-1", "Ã©tÃ©"), "windows-1252");
    same("declared UTF-16 without a mark is UTF-8", "UTF-8", pageDeclaring("utf-16", "été"),
         "UTF-8");
    row("plain ASCII is ISO 8859-1", "<p>abc</p>", "<p>abc</p>", "ISO 8859-1");
    row("Latin-1 bytes", "caf\xe9", "café", "ISO 8859-1");
    const QByteArray late = inEncoding("windows-1251", QString(1100, u' ') + cyrillic);
    row("declaration beyond 1024 bytes", late, QString::fromLatin1(late), "ISO 8859-1");

    // Nothing lost: an encoding that does not give the bytes back is not taken.
    const QString notice = QStringLiteral("Le fichier ne suit pas %1\u00a0: il est lu en %2.");
    row("declared UTF-8, Latin-1 bytes", "<meta charset=\"utf-8\">caf\xe9",
        "<meta charset=\"utf-8\">café", "ISO 8859-1",
        notice.arg("l'encodage qu'il déclare (UTF-8)", "ISO 8859-1"));
    // "ή" is CE AE in UTF-8, and AE is no character in ISO 8859-7.
    row("declared ISO-8859-7, UTF-8 bytes", inEncoding("UTF-8", pageDeclaring("ISO-8859-7", "ή")),
        pageDeclaring("ISO-8859-7", "ή"), "UTF-8",
        notice.arg("l'encodage qu'il déclare (ISO 8859-7)", "UTF-8"));
    row("unknown declaration", "<meta charset=\"x-inconnu\">\xe9", "<meta charset=\"x-inconnu\">é",
        "ISO 8859-1",
        QStringLiteral("Le fichier déclare un encodage inconnu (x-inconnu)\u00a0: il est lu "
                       "en ISO 8859-1."));
    row("UTF-8 mark, then invalid bytes", "\xef\xbb\xbf\xe9t\xe9",
        QString::fromLatin1("\xef\xbb\xbf\xe9t\xe9"), "ISO 8859-1",
        notice.arg("sa marque d'ordre des octets (UTF-8 avec BOM)", "ISO 8859-1"));
    const QByteArray odd("\xff\xfe\x61\0b", 5);
    row("UTF-16 mark, odd number of bytes", odd, QString::fromLatin1(odd), "ISO 8859-1",
        notice.arg("sa marque d'ordre des octets (UTF-16 LE)", "ISO 8859-1"));
    // The editor writes a line separator as a line feed: such a file read as UTF-8
    // would not be written back as it was.
    row("UTF-8 line separator", "a\xe2\x80\xa8z", QString::fromLatin1("a\xe2\x80\xa8z"),
        "ISO 8859-1");

    // The declaration is found as browsers find it: comments skipped, only <meta>
    // elements that declare, the first one whose name is a label of the Encoding
    // Standard; the XML declaration after them in a page, first in an XML file.
    const QString privet = QStringLiteral("<p>Привет</p>\n");
    const QString commented
        = "<!-- <meta charset=\"windows-1251\"> -->\n<meta charset=\"utf-8\">" + privet;
    same("commented-out declaration", "UTF-8", commented, "UTF-8");
    const QString description
        = "<meta name=\"description\" content=\"Page charset=koi8-r\">" + privet;
    same("charset= in a description", "UTF-8", description, "UTF-8");
    const QString first = "<meta charset=\"x-inconnu\"><meta http-equiv=\"Content-Type\" "
                          "content=\"text/html; charset=windows-1251\">"
        + privet;
    same("first <meta> with a label decides", "windows-1251", first, "windows-1251");
    row("name that is no label", "<meta charset=\"ebcdic-cp-us\">caf\xe9",
        "<meta charset=\"ebcdic-cp-us\">café", "ISO 8859-1",
        QStringLiteral("Le fichier déclare un encodage inconnu (ebcdic-cp-us)\u00a0: il est lu "
                       "en ISO 8859-1."));
    // A label stands for what browsers take it for: 80 is "€" in a page declared
    // ISO-8859-1, as in windows-1252.
    row("ISO-8859-1 is windows-1252", "<meta charset=\"iso-8859-1\">\x80",
        QStringLiteral("<meta charset=\"iso-8859-1\">€"), "windows-1252");
    const QString xhtml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<html><head><meta "
                          "http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
        + privet;
    const QString disagree = QStringLiteral("La déclaration XML (ISO-8859-1) et la balise <meta> "
                                            "(utf-8) du fichier ne s'accordent pas\u00a0: il est "
                                            "lu en %1.");
    row("XML declaration after <meta> in a page", inEncoding("UTF-8", xhtml), xhtml, "UTF-8",
        disagree.arg("UTF-8"));
    row("XML declaration first in an XHTML file", inEncoding("UTF-8", xhtml),
        QString::fromLatin1(inEncoding("UTF-8", xhtml)), "ISO 8859-1", disagree.arg("ISO 8859-1"),
        "LF", "page.xhtml");
    // A stylesheet: @charset at its very start, nothing else.
    const QString css = QStringLiteral("@charset \"windows-1251\";\np[title=\"Привет\"] {}\n");
    row("@charset of a stylesheet", inEncoding("windows-1251", css), css, "windows-1251", {}, "LF",
        "style.css");
    row("<meta> in a stylesheet", inEncoding("windows-1251", first),
        QString::fromLatin1(inEncoding("windows-1251", first)), "ISO 8859-1", {}, "LF",
        "style.css");

    // Large files are read in pieces: a character across the end of a piece, or a
    // zero-width no-break space that begins one, is read whole.
    same("character across pieces", "UTF-8", QString(65535, u'a') + "é", "UTF-8");
    same("no-break space at a piece", "UTF-8", "é" + QString(65534, u'a') + QChar(0xfeff), "UTF-8");

    // Declarations that only a browser's parser meets, past the first 1024 bytes,
    // are followed as browsers follow them; comments and the contents of scripts,
    // styles, titles and text areas are no markup to it, even when the prescan of
    // the first 1024 bytes took a declaration from them.
    const QString far = QStringLiteral("Encodage %1\u00a0: déclaration trouvée loin dans la page.");
    const auto lateRow = [&row, &far](const char *name, const char *encoding, const QString &text,
                                      const char *label) {
        row(name, inEncoding(encoding, text), text, label, far.arg(QString::fromUtf8(label)));
    };
    const QString filler = QString(1100, u'x');
    lateRow("late <meta> after a 3 KB comment", "windows-1251",
            "<html><head><!-- <meta charset=\"koi8-r\"> " + QString(3000, u'-')
                + " --><meta charset=\"windows-1251\"></head>" + privet,
            "windows-1251");
    lateRow("late <meta> after a script that holds one", "windows-1251",
            "<script>var meta = '<meta charset=\"koi8-r\">'; /* " + filler
                + " */</script><meta charset=\"windows-1251\">" + privet,
            "windows-1251");
    lateRow("late content-type after a style", "ISO-8859-2",
            "<style>p { color: red; } /* " + filler
                + " */</style><meta http-equiv=\"Content-Type\" content=\"text/html; "
                  "charset=ISO-8859-2\"><p>Zażółć gęślą jaźń</p>",
            "ISO 8859-2");
    lateRow("late <meta> after a long title", "KOI8-R",
            "<title>" + filler + "</title><meta charset=\"koi8-r\">" + privet, "KOI8-R");
    lateRow("late <meta> in the body", "windows-949",
            "<body><p>" + filler + "</p><meta charset=\"euc-kr\"><p>한국어 똠</p></body>",
            "EUC-KR");
    lateRow("late <meta> after a text area that holds one", "Shift_JIS",
            "<textarea><meta charset=\"utf-8\">" + filler
                + "</textarea><meta charset=\"shift_jis\"><p>日本語</p>",
            "Shift_JIS");
    row("late <meta> that the bytes do not follow",
        "<!-- " + filler.toLatin1() + " --><meta charset=\"utf-8\">caf\xe9",
        "<!-- " + filler + " --><meta charset=\"utf-8\">café", "ISO 8859-1",
        notice.arg("l'encodage qu'il déclare (UTF-8)", "ISO 8859-1"));
    // The parser takes the content of a <meta> whose charset is empty, which the
    // prescan passes over, at the page's start: not far in it.
    same("content beside an empty charset", "KOI8-R",
         "<meta charset=\"\" http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">"
             + privet,
         "KOI8-R");
    // A comment that holds a long rule of dashes is read once, not once a dash.
    lateRow("late <meta> after a comment of 400,000 dashes", "windows-1251",
            "<!-- " + QString(400000, u'-') + " --><meta charset=\"windows-1251\">" + privet,
            "windows-1251");

    // A <meta> that declares nothing and one that does, read within its attribute
    // where the other stands in a comment: the parser meets the second.
    lateRow("late <meta> after one in a comment that quotes it", "windows-1251",
            "<meta name=\"viewport\" content=\"width=device-width\"><!-- " + filler
                + " <meta content=' --><meta charset=\"windows-1251\">" + privet + "' -->",
            "windows-1251");

    // A character that the standard's index holds twice is written back in the
    // file's own form (Shift_JIS EE EF, a NEC row, where the encoder writes FA 40),
    // unless the file uses both forms, which no encoding can write back.
    row("Shift_JIS character in its NEC form", "<meta charset=\"shift_jis\">\xee\xef",
        "<meta charset=\"shift_jis\">ⅰ", "Shift_JIS");
    row("Shift_JIS character in two forms", "<meta charset=\"shift_jis\">\xee\xef\xfa\x40",
        QString::fromLatin1("<meta charset=\"shift_jis\">\xee\xef\xfa\x40"), "ISO 8859-1",
        notice.arg("l'encodage qu'il déclare (Shift_JIS)", "ISO 8859-1"));

    // Only the ASCII white space that the Encoding Standard names is no part of a
    // label: "koi8-r" with a vertical tab or a no-break space is none, and the next
    // <meta> decides.
    row("label with a vertical tab",
        inEncoding("windows-1251",
                   "<meta charset=\"koi8-r\x0b\">" + pageDeclaring("windows-1251", "Привет")),
        "<meta charset=\"koi8-r\x0b\">" + pageDeclaring("windows-1251", "Привет"), "windows-1251");
    row("label after a no-break space",
        "<meta charset=\"\xa0koi8-r\">"
            + inEncoding("windows-1251", pageDeclaring("windows-1251", "Привет")),
        "<meta charset=\"\u00a0koi8-r\">" + pageDeclaring("windows-1251", "Привет"),
        "windows-1251");

    // The XML declaration as XML writes it: at the very start, in lower case, its
    // quotes closed, "encoding" a word of its own; and a UTF-16 one without a mark.
    const QString xml1251
        = QStringLiteral("version=\"1.0\" encoding=\"windows-1251\"?>\n") + privet;
    const QByteArray utf16Xml
        = inEncoding("UTF-16LE", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + privet);
    row("UTF-16 XML declaration without a mark", utf16Xml,
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + privet, "UTF-16 LE sans BOM", {}, "LF",
        "page.xml");
    for (const auto &[name, before] :
         {std::pair("XML declaration after a blank", " <?xml "),
          std::pair("XML declaration in capitals", "<?XML "),
          std::pair("XML declaration with a quote left open", "<?xml ")}) {
        QString text = before + xml1251;
        if (QLatin1String(name).contains(QLatin1String("quote")))
            text.replace(QStringLiteral("1251\""), QStringLiteral("1251"));
        const QByteArray bytes = inEncoding("windows-1251", text);
        row(name, bytes, QString::fromLatin1(bytes), "ISO 8859-1", {}, "LF", "page.xhtml");
    }
    const QByteArray myEncoding = inEncoding(
        "windows-1251", "<?xml version=\"1.0\" myencoding=\"windows-1251\"?>\n" + privet);
    row("myencoding is no encoding", myEncoding, QString::fromLatin1(myEncoding), "ISO 8859-1", {},
        "LF", "page.xhtml");
    // CSS reads x-user-defined as it is, and a @charset name only in ASCII.
    row("x-user-defined in a stylesheet",
        "@charset \"x-user-defined\";\np::after { content: \"\x80\xff\"; }\n",
        "@charset \"x-user-defined\";\np::after { content: \"\uf780\uf7ff\"; }\n", "x-user-defined",
        {}, "LF", "style.css");
    const QByteArray nbspCharset = "@charset \"\xa0koi8-r\";\n"
        + inEncoding("KOI8-R", "p::after { content: \"Привет\"; }\n");
    row("@charset after a no-break space", nbspCharset, QString::fromLatin1(nbspCharset),
        "ISO 8859-1", {}, "LF", "style.css");
}

// The reading rule: its steps, their order, and the fall back to the next step
// when an encoding would not give the file's bytes back.
void TestDocuments::readingRule()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QString, label);
    QFETCH(QString, notice);
    QFETCH(QString, lineEnds);
    QFETCH(QString, file);
    const DocumentEncoding::Decoded decoded
        = DocumentEncoding::decode(bytes, DocumentEncoding::kindOf(file));
    QCOMPARE(decoded.text, text);
    QCOMPARE(decoded.encoding.label(), label);
    QCOMPARE(decoded.notice, notice);
    const LineEnds::Survey survey = decoded.lineEnds;
    QCOMPARE(LineEnds::label(survey.convention)
                 + (survey.mixed() ? " (" + survey.counts() + ")" : QString()),
             lineEnds);
    // Written back unchanged, in its line ends, the same bytes.
    if (!survey.mixed()) {
        QCOMPARE(DocumentEncoding::encode(LineEnds::withLineEnds(decoded.text, survey.convention),
                                          decoded.encoding, false),
                 bytes);
    }
}

void TestDocuments::typeFromOpenedName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("html");
    QTest::newRow("page.html") << QStringLiteral("page.html") << true;
    QTest::newRow("page.htm") << QStringLiteral("page.htm") << true;
    QTest::newRow("page.php") << QStringLiteral("page.php") << true;
    QTest::newRow("page.php3") << QStringLiteral("page.php3") << true;
    QTest::newRow("PAGE.HTM") << QStringLiteral("PAGE.HTM") << false;
    QTest::newRow("style.css") << QStringLiteral("style.css") << false;
    QTest::newRow("notes.txt") << QStringLiteral("notes.txt") << false;
    QTest::newRow("folder site.htm") << QStringLiteral("site.htm/notes.txt") << true;
}

// The type follows the name of the opened file and switches the HTML commands, the
// HTML toolbar and its toggle, and the alignment label.
void TestDocuments::typeFromOpenedName()
{
    QFETCH(QString, name);
    QFETCH(bool, html);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QLatin1Char('/') + name;
    QVERIFY(writeBytes(path, "<p>contenu</p>\n"));

    // Start from the other type, so that every switch is seen to happen.
    if (html) {
        QVERIFY(writeBytes(docs.path() + QStringLiteral("/avant.txt"), "x"));
        QVERIFY(openThroughDialog(f.window, docs.path() + QStringLiteral("/avant.txt")));
        QVERIFY(!w.isHtml());
    }
    QVERIFY(openThroughDialog(f.window, path));

    QCOMPARE(w.isHtml(), html);
    QCOMPARE(w.textEdit()->toPlainText(), QStringLiteral("<p>contenu</p>\n"));
    QVERIFY(!w.textEdit()->document()->isModified());
    QCOMPARE(w.currentFile(), path);
    QCOMPARE(f.window->windowTitle(),
             QStringLiteral("Marlisse 2.1 - ") + QFileInfo(path).fileName());
    QCOMPARE(w.labelAlignement()->text(), html ? QStringLiteral("Gauche") : QString());
    QCOMPARE(w.toolBarB()->isVisible(), html);
    QCOMPARE(action(f.window, "viewToolBarBAct")->isChecked(), html);
    QCOMPARE(action(f.window, "viewToolBarBAct")->isEnabled(), html);
    for (const char *name :
         {"carGrasAct", "alignCentreAct", "squeletteHtmlAct", "euroAct", "titre1Act",
          "definitionAct", "tableauxAct", "imageAct", "navigateurBureauAct"})
        QVERIFY2(action(f.window, name)->isEnabled() == html, name);
    // The commands that are not HTML stay as they were.
    for (const char *name : {"fileSaveAct", "editChercheAct", "viewToolBarAct", "policeEditeurAct",
                             "navigateurAct", "aideAct"})
        QVERIFY2(action(f.window, name)->isEnabled(), name);
}

// Captions, folders and filters of the open and save dialogs.
void TestDocuments::dialogsAsDescribed()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString page = docs.path() + QStringLiteral("/page.html");
    QVERIFY(writeBytes(page, "x"));

    QStringList openFilters;
    QString saveFile;
    QStringList saveFilters;
    DialogAnswers answers;
    answers
        .then([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Ouvrir"));
            QCOMPARE(dialog->directory().absolutePath(), w.programDir());
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            openFilters = dialog->nameFilters();
            dialog->selectFile(page);
            static_cast<QDialog *>(dialog)->accept();
        })
        .then([&](QWidget *modal) {
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Enregistrer sous"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            QCOMPARE(dialog->directory().absolutePath(), docs.path());
            saveFilters = dialog->nameFilters();
            saveFile = dialog->selectedFiles().value(0);
            dialog->reject();
        });
    action(f.window, "fileOpenAct")->trigger();
    QVERIFY(!f.window->slotFileSaveAs());
    QVERIFY(cleanRun(answers));
    // The dialog trims the blank written after ";;" before two of the filters.
    QCOMPARE(openFilters,
             QStringList({"Fichiers html et php (*.htm *.html *.php)", "Textes simples (*.txt)",
                          "Feuilles de style (*.css)", "Tous les fichiers (*)"}));
    QCOMPARE(saveFilters, QStringList({"Fichiers (*.htm *.html *.php *.txt)"}));
    QCOMPARE(saveFile, page);
}

// "&Nouveau" on a document that is not modified asks nothing and gives a new,
// empty HTML document; the folder, the alignment and the preferences stay.
void TestDocuments::newDocument()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString notes = docs.path() + QStringLiteral("/notes.txt");
    QVERIFY(writeBytes(notes, "texte\n"));
    QVERIFY(openThroughDialog(f.window, notes));
    w.strAlignement() = QStringLiteral(" align=\"center\"");
    const bool optionsBefore = w.optionsModifiees();
    const QString folderBefore = w.currentDir();

    DialogAnswers answers;
    action(f.window, "fileNewAct")->trigger();
    QVERIFY(cleanRun(answers));
    QVERIFY(answers.log().isEmpty());

    QCOMPARE(w.textEdit()->toPlainText(), QString());
    QVERIFY(!w.textEdit()->document()->isModified());
    QVERIFY(!w.textEdit()->document()->isUndoAvailable());
    QCOMPARE(w.currentFile(), QString());
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - Nouveau"));
    QVERIFY(w.isHtml());
    QVERIFY(w.toolBarB()->isVisible());
    QVERIFY(action(f.window, "viewToolBarBAct")->isChecked());
    QVERIFY(action(f.window, "carGrasAct")->isEnabled());
    QCOMPARE(w.labelAlignement()->text(), QStringLiteral("Centré"));
    QCOMPARE(w.currentDir(), folderBefore);
    QCOMPARE(w.optionsModifiees(), optionsBefore);
    QCOMPARE(readBytes(notes), QByteArray("texte\n"));
}

// "&Sauver" on a named document writes it and leaves it named and not modified.
void TestDocuments::saveNamedDocument()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString page = docs.path() + QStringLiteral("/page.html");
    QVERIFY(writeBytes(page, "<p>un</p>\n"));
    QVERIFY(openThroughDialog(f.window, page));
    w.textEdit()->moveCursor(QTextCursor::End);
    w.textEdit()->insertPlainText(QStringLiteral("<p>deux</p>"));
    QCOMPARE(w.labelModif()->text(), QStringLiteral(" document modifé "));

    DialogAnswers answers;
    action(f.window, "fileSaveAct")->trigger();
    QVERIFY(cleanRun(answers));
    QVERIFY(answers.log().isEmpty());
    QCOMPARE(readBytes(page), QByteArray("<p>un</p>\n<p>deux</p>"));
    QVERIFY(!w.textEdit()->document()->isModified());
    QCOMPARE(w.labelModif()->text(), QString(31, QLatin1Char(' ')));
    QCOMPARE(w.currentFile(), page);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - page.html"));
    QVERIFY(w.isHtml());
}

// "&Sauver" on a new document asks for a name; cancelling keeps it new and modified.
void TestDocuments::saveNewDocumentAsksName()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    w.textEdit()->insertPlainText(QStringLiteral("<h1>Titre</h1>"));

    {
        DialogAnswers answers;
        answers.cancel();
        QVERIFY(!f.window->slotFileSave());
        QVERIFY(cleanRun(answers));
        QCOMPARE(answers.log().size(), 1);
        QVERIFY(answers.log().first().startsWith(QStringLiteral("Enregistrer sous in ")));
        QVERIFY(w.textEdit()->document()->isModified());
        QCOMPARE(w.currentFile(), QString());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - Nouveau"));
    }

    DialogAnswers answers;
    answers.choose(docs.path() + QStringLiteral("/page"));
    QVERIFY(f.window->slotFileSave());
    QVERIFY(cleanRun(answers));
    const QString page = docs.path() + QStringLiteral("/page.html");
    QCOMPARE(readBytes(page), QByteArray("<h1>Titre</h1>"));
    QCOMPARE(w.currentFile(), page);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - page.html"));
    QVERIFY(!w.textEdit()->document()->isModified());
    QVERIFY(w.isHtml());
}

void TestDocuments::saveAsChangesType_data()
{
    QTest::addColumn<QString>("openedName");
    QTest::addColumn<QString>("savedName");
    QTest::addColumn<bool>("html");
    QTest::newRow("page saved as text") << "page.html"
                                        << "notes.txt" << false;
    QTest::newRow("text saved as page") << "notes.txt"
                                        << "page.htm" << true;
    QTest::newRow("style saved as php") << "style.css"
                                        << "index.php" << true;
}

// "Sau&ver sous..." names the document anew and takes the type of the new name.
void TestDocuments::saveAsChangesType()
{
    QFETCH(QString, openedName);
    QFETCH(QString, savedName);
    QFETCH(bool, html);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    QVERIFY(writeBytes(docs.path() + QLatin1Char('/') + openedName, "contenu\n"));
    QVERIFY(openThroughDialog(f.window, docs.path() + QLatin1Char('/') + openedName));
    QCOMPARE(w.isHtml(), !html);

    const QString saved = docs.path() + QLatin1Char('/') + savedName;
    QVERIFY(saveAsThroughDialog(f.window, saved));
    QCOMPARE(readBytes(saved), QByteArray("contenu\n"));
    QCOMPARE(w.currentFile(), saved);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - ") + savedName);
    QCOMPARE(w.isHtml(), html);
    QCOMPARE(w.toolBarB()->isVisible(), html);
    QCOMPARE(action(f.window, "carGrasAct")->isEnabled(), html);
    QCOMPARE(w.labelAlignement()->text(), html ? QStringLiteral("Gauche") : QString());
    QVERIFY(!w.textEdit()->document()->isModified());
}

void TestDocuments::saveAsNames_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("page without extension") << true << "notes"
                                            << "notes.html";
    QTest::newRow("text without extension") << false << "notes"
                                            << "notes.txt";
    QTest::newRow("dot in the name") << true << "notes.v2"
                                     << "notes.v2";
    QTest::newRow("dot in a folder") << true << "my.site/notes"
                                     << "my.site/notes";
}

// An extension is added only when the whole path has no dot; the type before the
// save chooses it.
void TestDocuments::saveAsNames()
{
    QFETCH(bool, html);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    // Dotless folders, so that only the typed name decides.
    const QString docs = w.programDir() + QStringLiteral("/docs");
    QVERIFY(QDir().mkpath(docs + QStringLiteral("/my.site")));
    if (!html) {
        QVERIFY(writeBytes(docs + QStringLiteral("/texte"), "x"));
        w.setCurrentFile(docs + QStringLiteral("/texte"));
        w.majTypeDocument(docs + QStringLiteral("/texte"));
        w.activeCommandesHtml(false);
    }
    w.textEdit()->setPlainText(QStringLiteral("abc"));

    QVERIFY(saveAsThroughDialog(f.window, docs + QLatin1Char('/') + typed));
    QCOMPARE(readBytes(docs + QLatin1Char('/') + written), QByteArray("abc"));
    QCOMPARE(w.currentFile(), docs + QLatin1Char('/') + written);
    QDir folder(docs);
    const QStringList others = folder.entryList(QDir::Files | QDir::NoDotAndDotDot)
        + QDir(docs + "/my.site").entryList(QDir::Files);
    QCOMPARE(others.size(), html ? 1 : 2);
}

void TestDocuments::saveAsAppendedNameExists_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("Oui replaces") << "Oui" << true;
    QTest::newRow("Non cancels") << "Non" << false;
    QTest::newRow("Escape cancels") << "Escape" << false;
}

// The dialog confirmed "notes", not "notes.html": replacing that file is asked first.
void TestDocuments::saveAsAppendedNameExists()
{
    QFETCH(QString, answer);
    QFETCH(bool, replaced);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString existing = docs.path() + QStringLiteral("/notes.html");
    QVERIFY(writeBytes(existing, "ancien"));
    w.textEdit()->insertPlainText(QStringLiteral("nouveau"));

    DialogAnswers answers;
    answers.choose(docs.path() + QStringLiteral("/notes")).press(answer);
    QCOMPARE(f.window->slotFileSaveAs(), replaced);
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().value(1),
             QStringLiteral("Enregistrer sous | Le fichier notes.html existe déjà.\nVoulez-vous "
                            "le remplacer\u00a0?"));
    QCOMPARE(readBytes(existing), replaced ? QByteArray("nouveau") : QByteArray("ancien"));
    QCOMPARE(w.textEdit()->document()->isModified(), !replaced);
    QCOMPARE(w.currentFile(), replaced ? existing : QString());
    QCOMPARE(f.window->windowTitle(),
             replaced ? QStringLiteral("Marlisse 2.1 - notes.html")
                      : QStringLiteral("Marlisse 2.1 - Nouveau"));
}

void TestDocuments::promptBeforeNewOrOpen_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("document");
    QTest::addColumn<bool>("goesOn");

    for (const char *command : {"new", "open", "recent"}) {
        QTest::addRow("%s, Oui saves", command) << command << "Oui"
                                                << "named" << true;
        QTest::addRow("%s, Non discards", command) << command << "Non"
                                                   << "named" << true;
        QTest::addRow("%s, Annuler", command) << command << "Annuler"
                                              << "named" << false;
        QTest::addRow("%s, Escape", command) << command << "Escape"
                                             << "named" << false;
        QTest::addRow("%s, Oui, new, named in dialog", command) << command << "Oui"
                                                                << "new, named" << true;
        QTest::addRow("%s, Oui, new, dialog cancelled", command) << command << "Oui"
                                                                 << "new, cancelled" << false;
        QTest::addRow("%s, Oui, save fails", command) << command << "Oui"
                                                      << "unwritable" << false;
    }
}

// The "Sauvegarde" prompt on a modified document: "Annuler" and Escape stop the
// command, "Non" drops the changes, "Oui" saves first and stops the command when
// the save fails or its dialog is cancelled.
void TestDocuments::promptBeforeNewOrOpen()
{
    QFETCH(QString, command);
    QFETCH(QString, answer);
    QFETCH(QString, document);
    QFETCH(bool, goesOn);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString page = docs.path() + QStringLiteral("/page.html");
    const QString other = docs.path() + QStringLiteral("/autre.html");
    const QString named = docs.path() + QStringLiteral("/nomme.html");
    QVERIFY(writeBytes(page, "ancien\n"));
    QVERIFY(writeBytes(other, "autre\n"));
    QVERIFY(writeBytes(docs.path() + QStringLiteral("/fichier"), "un fichier"));
    if (document == QLatin1String("named"))
        QVERIFY(openThroughDialog(f.window, page));
    else if (document == QLatin1String("unwritable"))
        w.setCurrentFile(docs.path() + QStringLiteral("/fichier/page.html"));
    w.textEdit()->moveCursor(QTextCursor::End);
    w.textEdit()->insertPlainText(QStringLiteral("ajout"));
    const QString textBefore = w.textEdit()->toPlainText();
    const QString titleBefore = f.window->windowTitle();

    DialogAnswers answers;
    answers.press(answer);
    if (answer == QLatin1String("Oui")) {
        if (document == QLatin1String("new, named"))
            answers.choose(named);
        else if (document == QLatin1String("new, cancelled"))
            answers.cancel();
        else if (document == QLatin1String("unwritable"))
            answers.press(QStringLiteral("OK"));
    }
    if (goesOn && command == QLatin1String("open"))
        answers.choose(other);
    if (command == QLatin1String("recent")) {
        Reglages::ajouteFichierRecent(other);
        QVERIFY(chooseRecent(f.window, other));
    } else {
        action(f.window, command == QLatin1String("new") ? "fileNewAct" : "fileOpenAct")->trigger();
    }
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().value(0), savePrompt);
    QCOMPARE(answers.buttonOrders().value(0), QStringLiteral("Oui, Non, Annuler"));
    if (document == QLatin1String("unwritable"))
        QVERIFY(
            answers.log().value(1).startsWith(QStringLiteral("KalTextEdit | Cannot write file ")));

    if (goesOn) {
        QVERIFY(!w.textEdit()->document()->isModified());
        QCOMPARE(w.labelModif()->text().trimmed(), QString());
        if (command == QLatin1String("new")) {
            QCOMPARE(w.textEdit()->toPlainText(), QString());
            QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - Nouveau"));
        } else {
            QCOMPARE(w.textEdit()->toPlainText(), QStringLiteral("autre\n"));
            QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - autre.html"));
        }
    } else {
        QCOMPARE(w.textEdit()->toPlainText(), textBefore);
        QVERIFY(w.textEdit()->document()->isModified());
        QCOMPARE(f.window->windowTitle(), titleBefore);
    }
    const bool saved = answer == QLatin1String("Oui") && goesOn;
    if (document == QLatin1String("named"))
        QCOMPARE(readBytes(page), saved ? QByteArray("ancien\najout") : QByteArray("ancien\n"));
    if (document == QLatin1String("new, named"))
        QCOMPARE(readBytes(named), QByteArray("ajout"));
}

void TestDocuments::recentFiles_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("entries"); // %1: the documents' folder
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("shown"); // the document in the window at the end

    const QStringList clear = {"-", "Effacer la liste"};
    QTest::newRow("newest first, each once")
        << QStringList {"open a.html", "open b.html", "open a.html"}
        << QStringList {"&1 a.html", "&2 b.html"} + clear << QStringList() << "a.html";
    QStringList twelve;
    QStringList ten;
    for (int i = 1; i <= 12; ++i)
        twelve << QStringLiteral("open f%1.txt").arg(i);
    for (int i = 12; i > 2; --i)
        ten << (i > 3 ? QStringLiteral("&%1 f%2.txt").arg(13 - i).arg(i)
                      : QStringLiteral("1&0 f3.txt"));
    QTest::newRow("the ten newest kept") << twelve << ten + clear << QStringList() << "f12.txt";
    QTest::newRow("saved files too")
        << QStringList {"open a.html", "save c.html"}
        << QStringList {"&1 c.html", "&2 a.html"} + clear << QStringList() << "c.html";
    QTest::newRow("same names show their folder, & shown")
        << QStringList {"open x/index.html", "open y/index.html", "open R&D.html"}
        << QStringList {"&1 R&&D.html", "&2 index.html (%1/y)", "&3 index.html (%1/x)"} + clear
        << QStringList() << "R&D.html";
    QTest::newRow("chosen: opened")
        << QStringList {"open a.html", "open b.html", "choose a.html"}
        << QStringList {"&1 a.html", "&2 b.html"} + clear << QStringList() << "a.html";
    QTest::newRow("vanished: said, and it leaves the list")
        << QStringList {"open a.html", "open b.html", "delete a.html", "choose a.html"}
        << QStringList {"&1 b.html"} + clear
        << QStringList {"Marlisse | Le fichier %1/a.html n'existe plus.\nIl est retiré de la "
                        "liste des fichiers récents."}
        << "b.html";
    QTest::newRow("two windows both add")
        << QStringList {"open a.html", "other b.html", "open c.html"}
        << QStringList {"&1 c.html", "&2 b.html", "&3 a.html"} + clear << QStringList() << "c.html";
    QTest::newRow("Effacer la liste") << QStringList {"open a.html", "clear"}
                                      << QStringList {"[(vide)]"} << QStringList() << "a.html";
}

// The files last opened or saved, newest first, in every window, and chosen as
// the open dialog would choose them; the list lives in the user's settings.
void TestDocuments::recentFiles()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, boxes);
    QFETCH(QString, shown);
    Reglages::effaceFichiersRecents();
    QTemporaryDir docs;
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    std::unique_ptr<EditorFixture> other;
    QStringList seen;
    QString read; // each file holds its own path
    for (const QString &step : std::as_const(steps)) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString path = docs.filePath(step.section(QLatin1Char(' '), 1));
        if ((verb == QLatin1String("open") || verb == QLatin1String("other"))
            && !QFileInfo::exists(path))
            QVERIFY(writeBytes(path, path.toUtf8()));
        if (verb == QLatin1String("open")) {
            QVERIFY(openThroughDialog(f.window, path));
            read = path;
        } else if (verb == QLatin1String("other")) {
            other = std::make_unique<EditorFixture>();
            QVERIFY(openThroughDialog(other->window, path));
        } else if (verb == QLatin1String("save")) {
            QVERIFY(saveAsThroughDialog(f.window, path));
        } else if (verb == QLatin1String("delete")) {
            QVERIFY(QFile::remove(path));
        } else if (verb == QLatin1String("choose")) {
            DialogAnswers answers;
            if (!QFileInfo::exists(path))
                answers.press(QStringLiteral("OK"));
            else
                read = path;
            QVERIFY(chooseRecent(f.window, path));
            QVERIFY(cleanRun(answers));
            seen << answers.log();
        } else if (verb == QLatin1String("clear")) {
            recentEntries(f.window);
            action(f.window, QStringLiteral("effaceRecentsAct"))->trigger();
        }
    }

    for (QString &entry : entries)
        entry.replace(QLatin1String("%1"), docs.path());
    QCOMPARE(recentEntries(f.window), entries);
    for (QString &box : boxes)
        box.replace(QLatin1String("%1"), docs.path());
    QCOMPARE(seen, boxes);
    QCOMPARE(QFileInfo(w.currentFile()).fileName(), shown);
    QCOMPARE(w.textEdit()->toPlainText(), read);
    // Each entry names its file in full in the status bar.
    const auto *menu = f.window->findChild<QMenu *>(QStringLiteral("recentsMenu"));
    for (int i = 0; i < Reglages::fichiersRecents().size(); ++i)
        QCOMPARE(menu->actions().at(i)->statusTip(), Reglages::fichiersRecents().at(i));
    QCOMPARE(recentEntries(f.window), entries);
}

void TestDocuments::rememberedEncoding_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("rewritten"); // what "rewrite" writes, as another program
    QTest::addColumn<QString>("label"); // at the last opening
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("said"); // in the status bar then
    QTest::addColumn<QString>("kept"); // the choice marlisse.conf keeps for the file at the end
    // An old page written on Windows, which declares nothing: ISO 8859-1 by the
    // reading rule, "’" and "œ" in windows-1252.
    const QByteArray windows("<p>l\x92\x9cuvre</p>\n");
    const QString quotes = QStringLiteral("<p>l’œuvre</p>\n");
    const QStringList reopened {"open", "reopen windows-1252"};
    QTest::newRow("reopened in windows-1252: so at the next opening")
        << windows << reopened + QStringList {"new", "open"} << QByteArray() << "windows-1252"
        << quotes << "Lu en windows-1252, l'encodage choisi pour ce fichier."
        << "windows-1252";
    const QString declared = QStringLiteral("<meta charset=\"utf-8\">") + quotes;
    QTest::newRow("forgotten once the file declares")
        << windows << reopened + QStringList {"rewrite", "open"} << declared.toUtf8() << "UTF-8"
        << declared << ""
        << "";
    // Browsers follow a declaration past the first 1024 bytes too.
    const QString late = "<!--" + QString(1100, QLatin1Char('-')) + "-->" + declared;
    QTest::newRow("forgotten once the file declares, far in the page")
        << windows << reopened + QStringList {"rewrite", "open"} << late.toUtf8() << "UTF-8" << late
        << "déclaration trouvée loin dans la page"
        << "";
    QTest::newRow("forgotten once the file has a mark")
        << windows << reopened + QStringList {"rewrite", "open"} << "\xef\xbb\xbf" + quotes.toUtf8()
        << "UTF-8 avec BOM" << quotes << ""
        << "";
    QTest::newRow("forgotten once the bytes no longer read in it")
        << inEncoding("UTF-16LE", "<p>é</p>")
        << QStringList {"open", "reopen UTF-16 LE", "rewrite", "open"} << QByteArray("caf\xe9\n")
        << "ISO 8859-1"
        << "café\n"
        << "ne peut plus être lu en UTF-16 LE sans BOM, l'encodage choisi pour lui"
        << "";
    // A save in another encoding changes what the file is in.
    QTest::newRow("saved in UTF-8: read in it next time")
        << windows << reopened + QStringList {"save UTF-8", "new", "open"} << QByteArray()
        << "UTF-8" << quotes << ""
        << "UTF-8";
    // A list written by hand that claims two billion entries is read to its bound.
    QTest::newRow("a list of an absurd size")
        << windows << QStringList {"absurd", "open"} << QByteArray() << "windows-1252" << quotes
        << "Lu en windows-1252"
        << "windows-1252";
    QTest::newRow("at most the newest hundred kept")
        << windows << reopened + QStringList {"others", "new", "open"} << QByteArray()
        << "ISO 8859-1" << QString::fromLatin1(windows) << ""
        << "";
}

// The encoding chosen for a file that says nothing of its own is the file's from
// then on: it is read in it at every opening, until the file says what it is in.
void TestDocuments::rememberedEncoding()
{
    QFETCH(QByteArray, original);
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, rewritten);
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QString, said);
    QFETCH(QString, kept);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString path = f.dir.filePath(QStringLiteral("ancien.html"));
    QVERIFY(writeBytes(path, original));
    for (const QString &step : std::as_const(steps)) {
        const QString argument = step.section(QLatin1Char(' '), 1);
        if (step == QLatin1String("open")) {
            QVERIFY(openThroughDialog(f.window, path));
        } else if (step == QLatin1String("new")) {
            f.window->slotFileNew();
        } else if (step == QLatin1String("rewrite")) {
            QVERIFY(writeBytes(path, rewritten));
        } else if (step == QLatin1String("absurd")) {
            QVERIFY(
                writeBytes(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                               + QStringLiteral("/marlisse/marlisse.conf"),
                           "[encodages]\nsize=2000000000\n1\\encodage=windows-1252\n1\\fichier="
                               + path.toUtf8() + '\n'));
        } else if (step == QLatin1String("others")) {
            for (int i = 0; i < Reglages::maxEncodages; ++i)
                Reglages::retientEncodage(f.dir.filePath(QString::number(i)),
                                          QStringLiteral("KOI8-R"));
        } else {
            DialogAnswers answers;
            QVERIFY(chooseEncoding(
                f.window, step.startsWith(QLatin1String("reopen")) ? "rouvrir" : "enregistrer",
                argument));
            QVERIFY(cleanRun(answers));
        }
    }
    QCOMPARE(encodingLabel(f.window), label);
    QCOMPARE(CommandTest::texteDe(w.textEdit()), text);
    const QString message = f.window->statusBar()->currentMessage();
    QVERIFY2(said.isEmpty() ? message.isEmpty() : message.contains(said), qPrintable(message));
    QCOMPARE(Reglages::encodageRetenu(path), kept);
}

void TestDocuments::folderChangeMarksOptions_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("otherFolder");
    QTest::newRow("open, same folder") << "open" << false;
    QTest::newRow("open, other folder") << "open" << true;
    QTest::newRow("save as, same folder") << "save as" << false;
    QTest::newRow("save as, other folder") << "save as" << true;
}

// Only a move of the dialogs' folder marks the preferences as changed; the next
// open dialog starts in the new folder.
void TestDocuments::folderChangeMarksOptions()
{
    QFETCH(QString, command);
    QFETCH(bool, otherFolder);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString folder
        = otherFolder ? w.programDir() + QStringLiteral("/autre dossier é") : w.programDir();
    const QString file = folder + QStringLiteral("/page.html");
    if (command == QLatin1String("open")) {
        QVERIFY(writeBytes(file, "x"));
        QVERIFY(openThroughDialog(f.window, file));
    } else {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(saveAsThroughDialog(f.window, file));
    }
    QCOMPARE(w.optionsModifiees(), otherFolder);
    QCOMPARE(w.currentDir(), folder);

    DialogAnswers answers;
    answers.cancel();
    action(f.window, "fileOpenAct")->trigger();
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log(), QStringList({"Ouvrir in " + folder}));
}

void TestDocuments::readFailureChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file gone between dialog and reading") << "vanished";
    QTest::newRow("no such file") << "missing";
    QTest::newRow("a folder") << "folder";
}

// A file that cannot be read is reported under "Marlisse"; the text, the name, the
// title, the type and the folder stay as they were.
void TestDocuments::readFailureChangesNothing()
{
    QFETCH(QString, how);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString notes = docs.path() + QStringLiteral("/notes.txt");
    QVERIFY(writeBytes(notes, "texte\n"));
    QVERIFY(openThroughDialog(f.window, notes));
    w.optionsModifiees() = false;
    w.currentDir() = w.programDir();

    const QString target = docs.path()
        + (how == QLatin1String("folder") ? QStringLiteral("/site.html")
                                          : QStringLiteral("/sous/page.html"));
    DialogAnswers answers;
    if (how == QLatin1String("vanished")) {
        QVERIFY(writeBytes(target, "x"));
        answers.choose(target, [target] { QFile::remove(target); }).press(QStringLiteral("OK"));
        action(f.window, "fileOpenAct")->trigger();
    } else {
        if (how == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(target));
        answers.press(QStringLiteral("OK"));
        QVERIFY(!f.window->loadFile(target));
    }
    QVERIFY(cleanRun(answers));
    const QString box = answers.log().last();
    QVERIFY2(box.startsWith(QStringLiteral("Marlisse | Cannot read file ") + target
                            + QStringLiteral(":\n")),
             qPrintable(box));
    QVERIFY(box.endsWith(QLatin1Char('.')));

    QCOMPARE(w.textEdit()->toPlainText(), QStringLiteral("texte\n"));
    QCOMPARE(w.currentFile(), notes);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - notes.txt"));
    QVERIFY(!w.isHtml());
    QVERIFY(!w.toolBarB()->isVisible());
    QCOMPARE(w.currentDir(), w.programDir());
    QVERIFY(!w.optionsModifiees());
}

void TestDocuments::filesRoundTripByteForByte_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray everyByte;
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != '\r')
            everyByte.append(char(byte));
    }
    everyByte.append('\n');
    QTest::newRow("every byte but CR, page") << "page.html" << everyByte;
    QTest::newRow("every byte but CR, text") << "notes.txt" << everyByte;
    QTest::newRow("non-breaking spaces")
        << "lettre.txt" << QByteArray("Bonjour\xa0! Voici\xa0: \xab\xa0oui\xa0\xbb ;\n\n");
    QTest::newRow("no line feed at the end") << "fin.html" << QByteArray("<p>a</p>\n<p>b</p>");
    QTest::newRow("empty file") << "vide.html" << QByteArray();
}

// Opening and saving back an unchanged file gives the same bytes.
void TestDocuments::filesRoundTripByteForByte()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QLatin1Char('/') + name;
    QVERIFY(writeBytes(path, bytes));
    QVERIFY(openThroughDialog(f.window, path));
    QVERIFY(QFile::remove(path));

    DialogAnswers answers;
    QVERIFY(f.window->slotFileSave());
    QVERIFY(cleanRun(answers));
    QVERIFY(answers.log().isEmpty());
    QCOMPARE(readBytes(path), bytes);
}

// A CR LF file loads with single line feeds and, once edited, is written back
// with CR LF: a typed letter changes one line of it, not all.
void TestDocuments::crLfLoadsAsLineFeeds()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QStringLiteral("/dos.html");
    QVERIFY(writeBytes(path, "<p>\r\nun\r\n</p>\r\n"));
    QVERIFY(openThroughDialog(f.window, path));
    QCOMPARE(w.textEdit()->toPlainText(), QStringLiteral("<p>\nun\n</p>\n"));
    QCOMPARE(w.textEdit()->document()->blockCount(), 4);
    QTest::keyClick(w.textEdit(), Qt::Key_X);
    QVERIFY(f.window->slotFileSave());
    QCOMPARE(readBytes(path), QByteArray("x<p>\r\nun\r\n</p>\r\n"));
}

void TestDocuments::typedCharactersOnDisk_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QByteArray>("written");

    const QString euro(QChar(0x20ac));
    QTest::newRow("e acute") << "page.html"
                             << "été"
                             << "" << QByteArray("\xe9t\xe9");
    QTest::newRow("euro in a page") << "page.html" << euro << "" << QByteArray("&#8364;");
    QTest::newRow("emoji in a page")
        << "page.htm" << QString::fromUcs4(U"\U0001F600") << "" << QByteArray("&#128512;");
    QTest::newRow("line break typed with Shift+Enter")
        << "page.html" << QStringLiteral("a") + QChar(QChar::LineSeparator) + "b"
        << "" << QByteArray("a\nb");
    QTest::newRow("euro in a text, Enregistrer")
        << "notes.txt" << euro + "5 " + euro << "Enregistrer" << QByteArray("?5 ?");
    QTest::newRow("euro in a text, Annuler") << "notes.txt" << euro << "Annuler" << QByteArray();
    QTest::newRow("euro in a text, Escape") << "notes.txt" << euro << "Escape" << QByteArray();
}

// What typed characters become on disk; a plain text asks before "?" replaces a
// character, and "Annuler" writes nothing. The text in the window stays as typed.
void TestDocuments::typedCharactersOnDisk()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, answer);
    QFETCH(QByteArray, written);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    const QString path = docs.path() + QLatin1Char('/') + name;
    QVERIFY(writeBytes(path, "ancien"));
    QVERIFY(openThroughDialog(f.window, path));
    w.textEdit()->selectAll();
    w.textEdit()->insertPlainText(typed);
    const QString title = f.window->windowTitle();

    DialogAnswers answers;
    if (!answer.isEmpty())
        answers.press(answer);
    const bool saved = f.window->slotFileSave();
    QVERIFY(cleanRun(answers));
    const bool cancelled = written.isEmpty();
    QCOMPARE(saved, !cancelled);
    QCOMPARE(readBytes(path), cancelled ? QByteArray("ancien") : written);
    QCOMPARE(w.textEdit()->document()->isModified(), cancelled);
    QCOMPARE(w.textEdit()->toPlainText(),
             QString(typed).replace(QChar(QChar::LineSeparator), QLatin1Char('\n')));
    QCOMPARE(f.window->windowTitle(), title);
    if (answer.isEmpty()) {
        QVERIFY(answers.log().isEmpty());
    } else {
        const int count = typed.count(QChar(0x20ac));
        const QString expected = count == 1
            ? QStringLiteral(
                "Sauvegarde | 1 caractère ne peut pas être écrit en ISO 8859-1.\nIl "
                "sera remplacé par \"?\" dans le fichier.\nEnregistrer quand même\u00a0?")
            : QStringLiteral("Sauvegarde | %1 caractères ne peuvent pas être écrits en ISO "
                             "8859-1.\nIls seront remplacés par \"?\" dans le fichier.\n"
                             "Enregistrer quand même\u00a0?")
                  .arg(count);
        QCOMPARE(answers.log(), QStringList({expected}));
    }
}

void TestDocuments::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("folder is a regular file") << "below a file";
    QTest::newRow("folder removed after naming") << "folder removed";
    QTest::newRow("file system full") << "full";
    // The last buffered write is the one that fails here.
    QTest::newRow("file system full, small change") << "full, small";
}

// A save that fails is reported under "KalTextEdit", returns false, keeps the old
// file byte for byte and leaves the document modified under its old name.
void TestDocuments::failedSaveKeepsOldFile()
{
    QFETCH(QString, how);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    QTemporaryDir docs;
    QString folder = docs.path() + QStringLiteral("/site");
    std::unique_ptr<SmallFileSystem> small;
    QByteArray old = QByteArray("<p>ancien</p>\n");
    if (how == QLatin1String("below a file")) {
        QVERIFY(writeBytes(folder, "un fichier"));
        old = QByteArray();
    } else if (how.startsWith(QLatin1String("full"))) {
        small = std::make_unique<SmallFileSystem>(folder);
        if (!small->mounted())
            QSKIP("cannot mount a small tmpfs here (root needed)");
    }
    const QString path = folder + QStringLiteral("/page.html");
    if (!old.isEmpty()) {
        QVERIFY(writeBytes(path, old));
        QVERIFY(openThroughDialog(f.window, path));
    } else {
        w.setCurrentFile(path);
    }
    w.textEdit()->moveCursor(QTextCursor::End);
    if (how == QLatin1String("full, small")) {
        QVERIFY(small->fill());
        w.textEdit()->insertPlainText(QStringLiteral("<p>ajout</p>"));
    } else {
        // More than the small file system holds.
        w.textEdit()->insertPlainText(QStringLiteral("<p>texte</p>\n").repeated(16000));
    }
    if (how == QLatin1String("folder removed"))
        QVERIFY(QDir(folder).removeRecursively());

    DialogAnswers answers;
    answers.press(QStringLiteral("OK"));
    QVERIFY(!f.window->slotFileSave());
    QVERIFY(cleanRun(answers));
    QCOMPARE(answers.log().size(), 1);
    QVERIFY2(answers.log().first().startsWith(QStringLiteral("KalTextEdit | Cannot write file ")
                                              + path + QStringLiteral(":\n")),
             qPrintable(answers.log().first()));

    QVERIFY(w.textEdit()->document()->isModified());
    QCOMPARE(w.labelModif()->text(), QStringLiteral(" document modifé "));
    QCOMPARE(w.currentFile(), path);
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlisse 2.1 - page.html"));
    if (!old.isEmpty() && how != QLatin1String("folder removed")) {
        QCOMPARE(readBytes(path), old);
        // Nothing half-written is left beside it.
        QStringList expected({"page.html"});
        if (how == QLatin1String("full, small"))
            expected << QStringLiteral("remplissage");
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 expected);
    }
}

void TestDocuments::openEditSave_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("original"); // null: a new document
    QTest::addColumn<QString>("command"); // "remplacer", or a list of the encoding menu
    QTest::addColumn<QString>("argument"); // "from|to", or an encoding
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("said"); // part of a box or of the status bar
    QTest::addColumn<QString>("lineEnds"); // the line-end label's text after the save
    const auto row = [](const char *tag, const char *name, const QByteArray &original,
                        const char *command, const QString &argument, const QByteArray &written,
                        const char *label, const QStringList &answers = QStringList(),
                        const QString &said = QString(), const char *lineEnds = "LF") {
        QTest::newRow(tag) << QString::fromUtf8(name) << original << QString::fromUtf8(command)
                           << argument << written << QString::fromUtf8(label) << answers << said
                           << QString::fromUtf8(lineEnds);
    };
    // What "ajout" and an "é" typed into a page become in the file.
    const auto typed = [](const char *encoding, QString page, const char *e, bool bom = false) {
        return inEncoding(encoding, "ajout" + page.replace("</p>", QString::fromUtf8(e) + "</p>"),
                          bom);
    };
    const QString cyrillic = pageDeclaring("windows-1251", "Привет");
    const QString japanese = pageDeclaring("Shift_JIS", "日本語");
    const QString undeclared = QStringLiteral("<p>Déjà vu, Привет</p>\n");

    // Pages in their own encoding: what is typed is written in it, as the reference
    // of the whole character where it lacks one; UTF-16 writes its line ends too.
    const QString grin = QString::fromUcs4(U"\U0001F600");
    row("windows-1251 page", "page.html", inEncoding("windows-1251", cyrillic), "remplacer",
        "</p>|é</p>", typed("windows-1251", cyrillic, "&#233;"), "windows-1251");
    row("Shift_JIS page", "page.html", inEncoding("Shift_JIS", japanese), "remplacer",
        "</p>|é" + grin + "</p>", typed("Shift_JIS", japanese, "&#233;&#128512;"), "Shift_JIS");
    row("UTF-16 BE mark", "page.html", inEncoding("UTF-16BE", undeclared, true), "remplacer",
        "</p>|é" + grin + "</p>", typed("UTF-16BE", undeclared, "é\U0001F600", true), "UTF-16 BE");

    // Saved in what a page declares once the user has changed its declaration, in
    // the encoding it was read in while the declaration stays as read.
    const QString utf8 = pageDeclaring("utf-8", "Привет");
    row("declaration changed to windows-1251", "page.html", inEncoding("UTF-8", utf8), "remplacer",
        "utf-8|windows-1251", inEncoding("windows-1251", "ajout" + cyrillic), "windows-1251");
    row("declaration changed to UTF-8 keeps the mark", "page.html",
        inEncoding("UTF-8", pageDeclaring("ISO-8859-1", "été"), true), "remplacer",
        "ISO-8859-1|UTF-8", inEncoding("UTF-8", "ajout" + pageDeclaring("UTF-8", "été"), true),
        "UTF-8 avec BOM");
    // Read as UTF-8 for want of ISO 8859-7, in which AE, the second byte of "ή", is
    // nothing. Half a surrogate pair is no character in UTF-8.
    row("declaration as read keeps the encoding read", "page.html",
        inEncoding("UTF-8", pageDeclaring("ISO-8859-7", "ή")), "remplacer",
        "</p>|λ" + QString(QChar(0xd83d)) + "</p>",
        typed("UTF-8", pageDeclaring("ISO-8859-7", "ή"), "λ&#65533;"), "UTF-8");
    row("declaration changed to an unknown name", "page.html", "<meta charset=\"ISO-8859-1\">\xe9",
        "remplacer", "ISO-8859-1|x-inconnu", "ajout<meta charset=\"x-inconnu\">\xe9",
        "windows-1252", {},
        QStringLiteral("Le document déclare un encodage inconnu (x-inconnu)\u00a0: il est "
                       "enregistré en windows-1252."));
    // A stylesheet too, whose @charset stands at its very start.
    const QString css
        = QStringLiteral("@charset \"windows-1251\";\np { font-family: \"Привет\"; }\n");
    row("stylesheet's @charset changed", "style.css", inEncoding("windows-1251", css), "remplacer",
        "ajout@charset \"windows-1251\"|@charset \"koi8-r\"",
        inEncoding("KOI8-R", QString(css).replace("windows-1251", "koi8-r")), "KOI8-R");
    row("new document declaring UTF-8", "page.html", QByteArray(), "remplacer",
        "|" + pageDeclaring("UTF-8", "€"),
        inEncoding("UTF-8", "ajout" + pageDeclaring("UTF-8", "€")), "UTF-8");

    // The encoding label's menu: "Rouvrir avec l'encodage" reads the file again
    // (asking first, refusing an encoding that would lose bytes); "Enregistrer
    // avec l'encodage" makes the encoding the document's, and rewrites a page's
    // declaration.
    const QByteArray plain1251 = inEncoding("windows-1251", "<p>Привет</p>");
    row("reopen in windows-1251, Non to the question", "page.html", plain1251, "rouvrir",
        "windows-1251", plain1251, "windows-1251", {"Non"}, "Le texte a été modifié");
    row("reopen in an encoding that would lose bytes", "notes.txt", "caf\xe9", "rouvrir", "UTF-8",
        "ajoutcaf\xe9", "ISO 8859-1", {"Non", "OK"},
        "ne peut pas être lu en UTF-8 sans perdre ou changer certains de ses octets");
    row("save a page in windows-1251", "page.html", inEncoding("UTF-8", utf8), "enregistrer",
        "windows-1251", inEncoding("windows-1251", "ajout" + cyrillic), "windows-1251");
    row("save a plain text in KOI8-R, which lacks é", "notes.txt", inEncoding("UTF-8", "Привет é"),
        "enregistrer", "KOI8-R", inEncoding("KOI8-R", "ajoutПривет ?"), "KOI8-R", {"Enregistrer"},
        "1 caractère ne peut pas être écrit en KOI8-R");
    // A save given up leaves the document in the encoding it had.
    row("save a plain text in KOI8-R, Annuler", "notes.txt", inEncoding("UTF-8", "Привет é"),
        "enregistrer", "KOI8-R", inEncoding("UTF-8", "Привет é"), "UTF-8", {"Annuler"},
        "1 caractère ne peut pas être écrit en KOI8-R");
    row("save a new document in UTF-8: Sauver sous", "page.html", QByteArray(), "enregistrer",
        "UTF-8", inEncoding("UTF-8", "ajout"), "UTF-8");
    // A mark is written only when the file had one.
    const QByteArray unmarked = inEncoding("UTF-16LE", "<p>Привет</p>");
    row("reopen in UTF-16 LE, no mark", "notes.txt", unmarked, "rouvrir", "UTF-16 LE", unmarked,
        "UTF-16 LE sans BOM", {"Non"});
    // What the encoding lacks is written as references, and the status bar says so.
    row("references said", "page.html", "<p>a</p>", "remplacer", "a</p>|Œ’—</p>",
        "ajout<p>&#338;&#8217;&#8212;</p>", "ISO 8859-1", {},
        QStringLiteral("3 caractères écrits en &#N;, absents de ISO 8859-1"));

    // Each file keeps its line ends, new lines included; one that mixes them says
    // so when opened and is saved in those of most of its lines. The line-end
    // label's menu changes them.
    row("CR LF page, a line added", "page.html", "<p>un</p>\r\n<p>deux</p>\r\n", "remplacer",
        "</p>|é</p>\n<p>x</p>", "ajout<p>un\xe9</p>\r\n<p>x</p>\r\n<p>deux</p>\r\n", "ISO 8859-1",
        {}, QString(), "CR LF");
    row("lone CR in a plain text", "notes.txt", "un\rdeux\r", "remplacer", "deux|trois",
        "ajoutun\rtrois\r", "ISO 8859-1", {}, QString(), "CR");
    row("mixed line ends", "notes.txt", "a\r\nb\r\nc\n", "remplacer", "c|d", "ajouta\r\nb\r\nd\r\n",
        "ISO 8859-1", {},
        QStringLiteral("Le fichier mélange plusieurs fins de ligne (2 CR LF, 1 LF)\u00a0: il sera "
                       "enregistré en CR LF."),
        "CR LF");
    // The same rule finds the declaration at reading and at saving, in the bytes:
    // a Shift_JIS page whose <meta> stands past its first 1024 bytes (but within
    // its first 1024 characters once 200 of them are deleted) keeps its encoding.
    const QString kanji = "<html><head><!--" + QString(540, u'日')
        + "--><meta charset=\"Shift_JIS\"></head><p>テスト</p></html>\n";
    row("Shift_JIS page declared past 1024 bytes", "page.html", inEncoding("Shift_JIS", kanji),
        "remplacer", QString(200, u'日') + "|",
        inEncoding("Shift_JIS", "ajout" + QString(kanji).remove(16, 200)), "Shift_JIS", {},
        QStringLiteral("Encodage Shift_JIS\u00a0: déclaration trouvée loin dans la page."));
    // A declaration is the same whether its line break is the file's line feed or
    // the widget's paragraph separator.
    row("mark, line break in the declaration", "page.html",
        inEncoding("UTF-8", "<meta charset=\"windows-1251\n\"><p>é</p>", true), "remplacer",
        "</p>|x</p>", inEncoding("UTF-8", "ajout<meta charset=\"windows-1251\n\"><p>éx</p>", true),
        "UTF-8 avec BOM");
    row("declared UTF-8 with a line break, Latin-1 bytes", "page.html",
        "<meta charset=\"utf-8\n\"><p>\xe9</p>", "remplacer", "</p>|x</p>",
        "ajout<meta charset=\"utf-8\n\"><p>\xe9x</p>", "ISO 8859-1");

    // The declaration that the new file's first 1024 bytes hold is rewritten, though
    // the 1024 bytes of the old one ended before it: a UTF-8 page whose only
    // declaration is in a script, past 600 Cyrillic letters, saved in windows-1251.
    const QString scripted = "<p>" + QString(600, u'Ж')
        + "</p><script>document.write('<meta charset=\"%1\">');</script>\n";
    row("save in windows-1251, declaration in its first 1024 bytes", "page.html",
        inEncoding("UTF-8", scripted.arg("utf-8")), "enregistrer", "windows-1251",
        inEncoding("windows-1251", "ajout" + scripted.arg("windows-1251")), "windows-1251");

    // Saved again in its own encoding, a file keeps its own forms of characters:
    // 87 40, a Big5 character of Hong Kong that the standard's encoder never writes.
    row("save a Big5 page in Big5", "page.html", "<meta charset=\"big5\"><p>\x87\x40</p>",
        "enregistrer", "Big5", "ajout<meta charset=\"Big5\"><p>\x87\x40</p>", "Big5");

    row("line ends changed to CR LF", "page.html", "<p>a</p>\n<p>b</p>\n", "fins", "CR LF",
        "ajout<p>a</p>\r\n<p>b</p>\r\n", "ISO 8859-1", {}, QString(), "CR LF");
}

// A document opened (or new), "ajout" typed at its start, then a text replaced or
// an encoding chosen, and saved with Ctrl+S ("Enregistrer avec l'encodage" saves
// by itself).
void TestDocuments::openEditSave()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, original);
    QFETCH(QString, command);
    QFETCH(QString, argument);
    QFETCH(QByteArray, written);
    QFETCH(QString, label);
    QFETCH(QStringList, answers);
    QFETCH(QString, said);
    QFETCH(QString, lineEnds);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString path = f.dir.filePath(name);
    QString atOpen;
    if (!original.isNull()) {
        QVERIFY(writeBytes(path, original));
        QVERIFY(openThroughDialog(f.window, path));
        atOpen = f.window->statusBar()->currentMessage();
    }
    w.textEdit()->insertPlainText(QStringLiteral("ajout"));
    const QString before = CommandTest::texteDe(w.textEdit());

    DialogAnswers dialogs;
    for (const QString &answer : answers)
        dialogs.press(answer);
    if (original.isNull())
        dialogs.choose(path);
    if (command == QLatin1String("remplacer")) {
        const QString from = argument.section(QLatin1Char('|'), 0, 0);
        QTextCursor at
            = from.isEmpty() ? w.textEdit()->textCursor() : w.textEdit()->document()->find(from);
        QVERIFY(!at.isNull());
        at.insertText(argument.section(QLatin1Char('|'), 1));
    } else if (command == QLatin1String("fins")) {
        QVERIFY(chooseLineEnds(f.window, argument));
    } else {
        f.window->statusBar()->clearMessage();
        QVERIFY(chooseEncoding(f.window, command, argument));
    }
    if (command == QLatin1String("enregistrer")) {
        // Given up, the text typed is still to be saved.
        QCOMPARE(w.textEdit()->document()->isModified(), answers.contains("Annuler"));
    } else {
        f.window->statusBar()->clearMessage();
        QVERIFY(f.window->slotFileSave());
    }
    QVERIFY(cleanRun(dialogs));
    QCOMPARE(readBytes(path), written);
    QCOMPARE(encodingLabel(f.window), label);
    QCOMPARE(f.window->findChild<QLabel *>(QStringLiteral("labelFinsDeLigne"))->text(), lineEnds);
    const QString all
        = atOpen + dialogs.log().join(QLatin1Char('\n')) + f.window->statusBar()->currentMessage();
    QVERIFY2(all.contains(said), qPrintable(all));
    if (command == QLatin1String("enregistrer") && name.endsWith(QLatin1String(".html"))
        && !original.isNull()) {
        // The new declaration is one step of its own.
        w.textEdit()->undo();
        QCOMPARE(CommandTest::texteDe(w.textEdit()), before);
    }
}

void TestDocuments::declarationsRewritten_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text"); // "#" where the declared names stand
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("opened"); // the label once the file is open
    const QString meta = QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                        "charset=#\" />");
    // The <meta> of an XHTML page too, which browsers follow; not one in a comment.
    QTest::newRow("XHTML page") << "page.html"
                                << "<?xml version=\"1.0\" encoding=\"#\"?>\n<html><head><!-- <meta "
                                   "charset=\"iso-8859-1\"> -->"
            + meta + "</head><p>café</p></html>\n"
                                << "UTF-8"
                                << "UTF-8"
                                << "windows-1252";
    QTest::newRow("two <meta>, one declaring twice")
        << "page.htm"
        << "<meta charset=\"#\" http-equiv=content-type content='text/html;charset=#'>" + meta
            + "<p>été</p>\n"
        << "windows-1252"
        << "windows-1252"
        << "windows-1252";
    QTest::newRow("XML file") << "page.xhtml"
                              << "<?xml version=\"1.0\" encoding=\"#\"?>\n<p>café</p>\n"
                              << "UTF-16 LE"
                              << "UTF-16 LE"
                              << "ISO 8859-1";
    QTest::newRow("stylesheet") << "style.css"
                                << "@charset \"#\";\np { font-family: \"Café\"; }\n"
                                << "UTF-8 avec BOM"
                                << "UTF-8 avec BOM"
                                << "windows-1252";
    // Only the name: the line break beside it, the "/" of an empty element stay.
    QTest::newRow("line break beside the name") << "page.html"
                                                << "<meta charset=\"#\n\"><p>été</p>\n"
                                                << "UTF-8"
                                                << "UTF-8"
                                                << "windows-1252";
    QTest::newRow("<meta charset=#/>") << "page.html"
                                       << "<meta charset=#/><p>été</p>\n"
                                       << "UTF-8"
                                       << "UTF-8"
                                       << "ISO 8859-1";
    // Not what the parser does not take for a <meta>: a script's text, a CDATA
    // section (a comment in HTML), far past the head.
    QTest::newRow("script and CDATA past the head")
        << "page.html"
        << "<head><meta charset=\"#\"></head><p>" + QString(1100, u'x')
            + "</p><script>document.write('<meta charset=\"iso-8859-1\">');</script>"
              "<![CDATA[<meta charset=\"iso-8859-1\">]]><p>été</p>\n"
        << "UTF-8"
        << "UTF-8"
        << "windows-1252";
    // The prescan reads a <meta> in the script's text, whose quote the apostrophe
    // of the text closes: its value holds the <meta> the parser meets, which alone
    // is rewritten.
    QTest::newRow("<meta> within a value that the prescan reads")
        << "page.html"
        << "<script>document.write(\"<meta charset='\");</script><meta charset=\"#\">"
           "<p>l'été</p>\n"
        << "UTF-8"
        << "UTF-8"
        << "windows-1252";
    // Read in one pass, however many attributes.
    QString attributes;
    for (int i = 0; i < 40000; ++i)
        attributes += QStringLiteral("\na%1=\"v\"").arg(i);
    QTest::newRow("<meta> of 40,000 attributes")
        << "page.html"
        << "<meta" + attributes + " charset=\"#\"><p>été</p>\n"
        << "UTF-8"
        << "UTF-8"
        << "windows-1252";
}

// "Enregistrer avec l'encodage" rewrites every declaration of a document declared
// in ISO 8859-1, in one undo step, and saves at once.
void TestDocuments::declarationsRewritten()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, encoding);
    QFETCH(QString, label);
    QFETCH(QString, opened);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString path = f.dir.filePath(name);
    const QString original = QString(text).replace(QLatin1Char('#'), QLatin1String("iso-8859-1"));
    QVERIFY(writeBytes(path, inEncoding("ISO-8859-1", original)));
    QVERIFY(openThroughDialog(f.window, path));
    // As browsers read a page declared ISO-8859-1, as XML reads an XML file.
    QCOMPARE(encodingLabel(f.window), opened);

    DialogAnswers dialogs;
    QVERIFY(chooseEncoding(f.window, QStringLiteral("enregistrer"), encoding));
    QVERIFY(cleanRun(dialogs));
    QVERIFY(dialogs.log().isEmpty());
    QVERIFY(!w.textEdit()->document()->isModified());
    const auto chosen = DocumentEncoding::fromName(encoding);
    QVERIFY(chosen);
    const QString rewritten
        = QString(text).replace(QLatin1Char('#'), QLatin1String(chosen->declaredName()));
    QCOMPARE(readBytes(path), DocumentEncoding::encode(rewritten, *chosen, false));
    QCOMPARE(encodingLabel(f.window), label);
    w.textEdit()->undo();
    QCOMPARE(CommandTest::texteDe(w.textEdit()), original);
}

// The editing widget holds some characters as line breaks, which a save would
// write as line feeds. Every code point is put through the widget (CR and LF
// aside, the line ends): those that do not come back unchanged are exactly those
// the reading rule does not take from a file, so that opening and saving an
// unchanged file never changes a byte.
void TestDocuments::widgetLineBreaks()
{
    const auto character = [](char32_t c) { return QStringView(QChar::fromUcs4(c)).toString(); };
    QString every;
    for (char32_t c = 0; c <= 0x10ffff; ++c) {
        if (c != U'\r' && c != U'\n' && (c < 0xd800 || c > 0xdfff))
            every += QLatin1Char('a') + character(c);
    }
    QTextEdit edit;
    edit.setPlainText(every);
    // What saving the unchanged text writes, read back.
    const QString back = QString::fromUtf8(DocumentEncoding::encode(
        edit.document()->toRawText(), DocumentEncoding::Encoding {"UTF-8", false}, false));
    QCOMPARE(back.size(), every.size());
    QString kept;
    QList<char32_t> changed;
    for (qsizetype i = 0; i < every.size(); i += 2) {
        const qsizetype length = every.at(i + 1).isHighSurrogate() ? 2 : 1;
        const QStringView one = QStringView(every).sliced(i + 1, length);
        if (QStringView(back).sliced(i + 1, length) == one)
            kept += one;
        else
            changed << one.toUcs4().first();
        i += length - 1;
    }
    // The line and paragraph separators, and U+FDD0 and U+FDD1, on Qt 6.4.
    QVERIFY(changed.contains(0x2028) && changed.contains(0xfdd0));
    for (const char32_t c : changed) {
        for (const auto &[encoding, bom] :
             {std::pair("UTF-8", false), std::pair("UTF-8", true), std::pair("UTF-16LE", true)}) {
            const QByteArray bytes = inEncoding(encoding, "<" + character(c) + ">", bom);
            QVERIFY2(DocumentEncoding::decode(bytes).encoding.isLatin1(),
                     qPrintable(QString::number(quint32(c), 16) + QLatin1Char(' ') + encoding));
        }
    }
    // Every other character is read.
    const DocumentEncoding::Decoded decoded = DocumentEncoding::decode(kept.toUtf8());
    QCOMPARE(decoded.encoding.label(), QStringLiteral("UTF-8"));
    QVERIFY(decoded.text == kept);
}

void TestDocuments::singleByteEncodings_data()
{
    QTest::addColumn<QString>("encoding");
    // IBM866 is read through the WHATWG standard's index, which no converter of the
    // toolkit matches: the table of labels below checks it.
    for (const char *name : {"windows-1251", "windows-1252", "ISO 8859-7", "KOI8-R"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Encodings of one byte a character are written through a table of their bytes:
// every character of the BMP, a pair and half a pair are written as the toolkit's
// converters write them alone when they read back as the same character, the
// others as references, or as "?" in a plain text.
void TestDocuments::singleByteEncodings()
{
    QFETCH(QString, encoding);
    const auto chosen = DocumentEncoding::fromName(encoding);
    QVERIFY(chosen);
    QString text;
    QByteArray page;
    QByteArray plain;
    int missing = 0;
    const auto add = [&](QStringView character, char32_t codePoint) {
        text += character;
        // New converters each time: those of ICU keep their errors.
        QStringEncoder encoder(chosen->name.constData(), QStringConverter::Flag::Stateless);
        QStringDecoder decoder(chosen->name.constData(), QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(character);
        if (!encoder.hasError() && QString(decoder.decode(bytes)) == character
            && !decoder.hasError() && !character.at(0).isSurrogate()) {
            page += bytes;
            plain += bytes;
        } else {
            page += "&#" + QByteArray::number(quint32(codePoint)) + ';';
            plain += '?';
            ++missing;
        }
    };
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c != U'\n' && !DocumentCodec::isLineBreak(char16_t(c)) && !QChar::isSurrogate(c))
            add(QChar::fromUcs4(c), c);
    }
    add(QChar::fromUcs4(0x1f600), 0x1f600);
    for (const char16_t half : {u'\xd83d', u'\xde00'}) {
        add(QStringView(&half, 1), 0xfffd);
        add(u"x", U'x');
    }
    int lost = -1;
    int references = -1;
    QCOMPARE(DocumentEncoding::encode(text, *chosen, true, &lost, &references), page);
    QCOMPARE(lost, 0);
    QCOMPARE(references, missing);
    QCOMPARE(DocumentEncoding::encode(text, *chosen, false, &lost, &references), plain);
    QCOMPARE(lost, missing);
    QCOMPARE(references, 0);
}

namespace {

// An index of the WHATWG Encoding Standard, as the tests have it: its pointers
// and code points in the file's order.
QList<std::pair<uint, char32_t>> standardIndex(const QString &name)
{
    QList<std::pair<uint, char32_t>> index;
    QFile file(QFINDTESTDATA(QStringLiteral("data/whatwg-encoding/index-%1.txt").arg(name)));
    if (!file.open(QIODevice::ReadOnly))
        return index;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split('\t');
        if (line.startsWith('#') || fields.size() < 2)
            continue;
        index.append({fields[0].toUInt(), char32_t(fields[1].mid(2).toUInt(nullptr, 16))});
    }
    return index;
}

// The encoding the standard gives each of its labels.
QHash<QString, QString> standardLabels()
{
    QHash<QString, QString> labels;
    QFile file(QFINDTESTDATA(QStringLiteral("data/whatwg-encoding/encodings.json")));
    if (!file.open(QIODevice::ReadOnly))
        return labels;
    for (const QJsonValue &group : QJsonDocument::fromJson(file.readAll()).array()) {
        for (const QJsonValue &encoding : group[QLatin1String("encodings")].toArray()) {
            for (const QJsonValue &label : encoding[QLatin1String("labels")].toArray())
                labels.insert(label.toString(), encoding[QLatin1String("name")].toString());
        }
    }
    return labels;
}

// Bytes and the characters the standard reads them as, each character once (the
// first of its sequences in the index's order, as a page would write it).
struct Readings
{
    QByteArray bytes;
    QString text;
    QSet<char32_t> seen;

    void add(const QByteArray &sequence, char32_t codePoint)
    {
        // The widget's line breaks are no characters a page can keep.
        if (seen.contains(codePoint) || DocumentCodec::isLineBreak(char16_t(codePoint)))
            return;
        seen.insert(codePoint);
        bytes += sequence;
        text += QStringView(QChar::fromUcs4(codePoint));
    }
};

QByteArray bytesOf(std::initializer_list<uint> values)
{
    QByteArray bytes;
    for (const uint value : values)
        bytes += char(value);
    return bytes;
}

// Every sequence of an encoding of the standard, from its index.
Readings standardReadings(const QString &encoding)
{
    Readings readings;
    if (encoding == QLatin1String("GBK") || encoding == QLatin1String("gb18030")) {
        for (const auto &[pointer, codePoint] : standardIndex(QStringLiteral("gb18030"))) {
            const uint trail = pointer % 190;
            readings.add(bytesOf({pointer / 190 + 0x81, trail + (trail < 0x3f ? 0x40 : 0x41)}),
                         codePoint);
        }
        // Four bytes: the start of each range, the first and last characters beyond
        // the BMP.
        QList<std::pair<uint, char32_t>> ranges = standardIndex(QStringLiteral("gb18030-ranges"));
        ranges << std::pair(189000u, char32_t(0x10000)) << std::pair(1237575u, char32_t(0x10ffff));
        for (const auto &[pointer, codePoint] : ranges) {
            readings.add(bytesOf({pointer / 12600 + 0x81, pointer % 12600 / 1260 + 0x30,
                                  pointer % 1260 / 10 + 0x81, pointer % 10 + 0x30}),
                         codePoint);
        }
        readings.add("\x80", 0x20ac);
    } else if (encoding == QLatin1String("Big5")) {
        for (const auto &[pointer, codePoint] : standardIndex(QStringLiteral("big5"))) {
            const uint trail = pointer % 157;
            readings.add(bytesOf({pointer / 157 + 0x81, trail + (trail < 0x3f ? 0x40 : 0x62)}),
                         codePoint);
        }
    } else if (encoding == QLatin1String("EUC-KR")) {
        for (const auto &[pointer, codePoint] : standardIndex(QStringLiteral("euc-kr")))
            readings.add(bytesOf({pointer / 190 + 0x81, pointer % 190 + 0x41}), codePoint);
    } else if (encoding == QLatin1String("Shift_JIS")) {
        readings.add("\x80", 0x80);
        for (uint byte = 0xa1; byte <= 0xdf; ++byte)
            readings.add(bytesOf({byte}), 0xff61 - 0xa1 + byte);
        for (const auto &[pointer, codePoint] : standardIndex(QStringLiteral("jis0208"))) {
            const uint lead = pointer / 188;
            const uint trail = pointer % 188;
            readings.add(
                bytesOf({lead + (lead < 0x1f ? 0x81 : 0xc1), trail + (trail < 0x3f ? 0x40 : 0x41)}),
                codePoint);
        }
        // The user-defined area, first and last.
        readings.add("\xf0\x40", 0xe000);
        readings.add("\xf9\xfc", 0xe757);
    } else if (encoding == QLatin1String("EUC-JP")) {
        for (uint byte = 0xa1; byte <= 0xdf; ++byte)
            readings.add(bytesOf({0x8e, byte}), 0xff61 - 0xa1 + byte);
        for (const auto &[pointer, codePoint] : standardIndex(QStringLiteral("jis0208"))) {
            if (pointer < 94 * 94)
                readings.add(bytesOf({pointer / 94 + 0xa1, pointer % 94 + 0xa1}), codePoint);
        }
        for (const auto &[pointer, codePoint] : standardIndex(QStringLiteral("jis0212")))
            readings.add(bytesOf({0x8f, pointer / 94 + 0xa1, pointer % 94 + 0xa1}), codePoint);
    } else {
        const QString name = encoding == QLatin1String("ISO-8859-8-I")
            ? QStringLiteral("iso-8859-8")
            : encoding.toLower();
        for (const auto &[pointer, codePoint] : standardIndex(name))
            readings.add(bytesOf({pointer + 0x80}), codePoint);
    }
    return readings;
}

} // namespace

void TestDocuments::webLabels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text"); // the characters the standard reads them as
    QTest::addColumn<QByteArray>("utf8"); // the file after "Enregistrer avec l'encodage > UTF-8"
    QTest::addColumn<QString>("shown"); // the encoding's label in the status bar
    const QHash<QString, QString> labels = standardLabels();
    QVERIFY2(!labels.isEmpty(), "the standard's labels are not in the test data");
    // Every label the editor offers, with every sequence of the standard's index
    // for it: among them, the bytes where the toolkit's table differs.
    for (const DocumentEncoding::Encoding &offered : DocumentEncoding::choices()) {
        if (offered.name.startsWith("UTF-"))
            continue;
        const QString label = QString::fromLatin1(offered.declaredName());
        const QString encoding = labels.value(label.toLower());
        QVERIFY2(!encoding.isEmpty(), qPrintable(label));
        const Readings readings = standardReadings(encoding);
        QVERIFY2(readings.text.size() >= 64, qPrintable(encoding));
        const QString page = "<meta charset=\"%1\">\n<p>";
        QString shown = encoding;
        for (const DocumentEncoding::Encoding &other : DocumentEncoding::choices()) {
            if (QString::fromLatin1(other.declaredName()) == encoding)
                shown = other.label();
        }
        QTest::newRow(qPrintable(label))
            << label << page.arg(label).toLatin1() + readings.bytes + "</p>\n"
            << page.arg(label) + readings.text + "</p>\n"
            << (page.arg(QStringLiteral("UTF-8")) + readings.text + "</p>\n").toUtf8() << shown;
    }
}

// A page declaring a label reads as browsers read it, the standard's encoding for
// the label named in the status bar and the label in its tooltip; converted to
// UTF-8, it keeps every character.
void TestDocuments::webLabels()
{
    QFETCH(QString, label);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QByteArray, utf8);
    QFETCH(QString, shown);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString path = f.dir.filePath(QStringLiteral("page.html"));
    QVERIFY(writeBytes(path, bytes));
    QVERIFY(openThroughDialog(f.window, path));
    QCOMPARE(w.textEdit()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n'), text);
    QCOMPARE(encodingLabel(f.window), shown);
    QVERIFY(
        f.window->findChild<QLabel *>(QStringLiteral("labelEncodage"))->toolTip().contains(label));
    DialogAnswers dialogs;
    QVERIFY(chooseEncoding(f.window, QStringLiteral("enregistrer"), QStringLiteral("UTF-8")));
    QVERIFY(cleanRun(dialogs));
    QCOMPARE(readBytes(path), utf8);
}

void TestDocuments::changedOnDisk_data()
{
    QTest::addColumn<QString>("change"); // what happens to the file before Ctrl+S
    QTest::addColumn<QString>("answer"); // "": no question
    QTest::addColumn<bool>("replaced");
    QTest::newRow("rewritten, Oui") << "rewritten"
                                    << "Oui" << true;
    QTest::newRow("rewritten, Non") << "rewritten"
                                    << "Non" << false;
    QTest::newRow("same size, other bytes") << "same size"
                                            << "Non" << false;
    QTest::newRow("touched only") << "touched"
                                  << "" << true;
    QTest::newRow("deleted") << "deleted"
                             << "" << true;
    QTest::newRow("saved by this window") << "saved"
                                          << "" << true;
    QTest::newRow("rewritten after a save") << "saved, rewritten"
                                            << "Oui" << true;
    // The question on a character the encoding lacks gives another program the time
    // to write: the file is looked at once the user has answered, right before it
    // is replaced.
    QTest::newRow("rewritten while a box asks, Non") << "during a box"
                                                     << "Non" << false;
    // A link put in the file's place: "Oui" writes at its end, into a file that the
    // question names, even one that holds the same bytes.
    QTest::newRow("replaced by a link, Oui") << "link"
                                             << "Oui" << true;
    QTest::newRow("replaced by a link to the same bytes, Non") << "link, same bytes"
                                                               << "Non" << false;
    QTest::newRow("replaced by a link to nothing, Non") << "link to nothing"
                                                        << "Non" << false;
    // The write goes to the end of the links, which the question names.
    QTest::newRow("replaced by a link to a link to nothing, Oui") << "link to nothing, relayed"
                                                                  << "Oui" << true;
    // Another program writes the file while it is being read: it is read again, and
    // the document shows the file as that program left it.
    QTest::newRow("rewritten while read") << "while read"
                                          << "" << true;
    // Rewritten at every read: what is shown may not be what the disk holds, and
    // Ctrl+S asks.
    QTest::newRow("rewritten at every read, Non") << "at every read"
                                                  << "Non" << false;
}

// Another program's changes to the file are never replaced without a word: Ctrl+S
// asks, and "Non" writes nothing and keeps the text. A file only touched, or gone,
// or last written by this window, is saved without a question.
void TestDocuments::changedOnDisk()
{
    QFETCH(QString, change);
    QFETCH(QString, answer);
    QFETCH(bool, replaced);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const bool box = change == QLatin1String("during a box");
    const QString name = box ? QStringLiteral("notes.txt") : QStringLiteral("page.html");
    const QString path = f.dir.filePath(name);
    QVERIFY(writeBytes(path, "<p>un</p>\n"));

    // Two writes in the same tick of the clock have the same time: the file is
    // given a later one, as another program's save some time later would.
    const auto later = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadWrite)
            && file.setFileTime(QFileInfo(path).lastModified().addSecs(2),
                                QFileDevice::FileModificationTime);
    };
    QByteArray other;
    const auto rewrite = [&](const QByteArray &bytes) {
        other = bytes;
        return writeBytes(path, bytes) && later();
    };
    // Each version a size of its own: writes within one tick of the file system's
    // clock have the same time.
    int reads = 0;
    if (change.endsWith(QLatin1String("read"))) {
        DocumentFile::setAfterRead([&] {
            if (change == QLatin1String("at every read") || reads == 0)
                QVERIFY(rewrite("<p>un autre programme" + QByteArray(reads, '!') + "</p>\n"));
            ++reads;
        });
    }
    const bool opened = openThroughDialog(f.window, path);
    DocumentFile::setAfterRead({});
    QVERIFY(opened);
    if (change == QLatin1String("while read")) {
        QCOMPARE(CommandTest::texteDe(w.textEdit()), QStringLiteral("<p>un autre programme</p>\n"));
        QVERIFY(f.window->statusBar()->currentMessage().isEmpty());
    } else if (change == QLatin1String("at every read")) {
        QVERIFY(reads > 1);
        QVERIFY(f.window->statusBar()->currentMessage().contains(
            QStringLiteral("changeait pendant sa lecture")));
    }
    if (change.startsWith(QLatin1String("saved"))) {
        QTest::keyClick(w.textEdit(), Qt::Key_Y);
        QVERIFY(f.window->slotFileSave());
    }
    if (box)
        w.textEdit()->insertPlainText(QStringLiteral("\u20ac"));
    else
        QTest::keyClick(w.textEdit(), Qt::Key_X);
    const QString text = CommandTest::texteDe(w.textEdit());

    if (other.isNull())
        other = readBytes(path);
    const QString link = f.dir.filePath(QStringLiteral("autre.html"));
    if (change.endsWith(QLatin1String("rewritten"))) {
        QVERIFY(rewrite("<p>un autre programme</p>\n"));
    } else if (change == QLatin1String("same size")) {
        QVERIFY(rewrite("<p>UN</p>\n"));
    } else if (change == QLatin1String("touched")) {
        QVERIFY(later());
    } else if (change == QLatin1String("deleted")) {
        QVERIFY(QFile::remove(path));
    } else if (change.startsWith(QLatin1String("link"))) {
        if (change == QLatin1String("link"))
            other = "<p>un autre fichier</p>\n";
        if (change.startsWith(QLatin1String("link to nothing")))
            other = "<cannot read>";
        else
            QVERIFY(writeBytes(link, other));
        QVERIFY(QFile::remove(path));
        if (change.endsWith(QLatin1String("relayed"))) {
            const QString relay = f.dir.filePath(QStringLiteral("relais.html"));
            QVERIFY(QFile::link(link, relay));
            QVERIFY(QFile::link(relay, path));
        } else {
            QVERIFY(QFile::link(link, path));
        }
    }

    DialogAnswers answers;
    if (box) {
        answers.then([&](QWidget *modal) {
            QVERIFY(rewrite("<p>un autre programme</p>\n"));
            QVERIFY(clickButton(modal, QStringLiteral("Enregistrer")));
        });
    }
    if (!answer.isEmpty())
        answers.press(answer);
    QCOMPARE(f.window->slotFileSave(), replaced);
    QVERIFY(cleanRun(answers));
    if (!answer.isEmpty()) {
        QString question = QStringLiteral("Sauvegarde | Le fichier «\u00a0%1\u00a0» a été modifié "
                                          "sur le disque depuis son ouverture")
                               .arg(name);
        if (change.startsWith(QLatin1String("link"))) {
            const QString target
                = QFileInfo::exists(link) ? QFileInfo(link).canonicalFilePath() : link;
            question
                += QStringLiteral("\u00a0: son nom mène maintenant, par un lien, au fichier "
                                  "«\u00a0%1\u00a0».\nEnregistrer dans «\u00a0%1\u00a0»\u00a0?")
                       .arg(target);
        } else {
            question += QStringLiteral(". Le remplacer\u00a0?");
        }
        QCOMPARE(answers.log(), QStringList(question));
    }
    QCOMPARE(readBytes(path), replaced ? text.toLatin1() : other);
    if (change.startsWith(QLatin1String("link"))) {
        QVERIFY(QFileInfo(path).isSymLink());
        QCOMPARE(readBytes(link), replaced ? text.toLatin1() : other);
    }
    QCOMPARE(w.textEdit()->document()->isModified(), !replaced);
    QCOMPARE(CommandTest::texteDe(w.textEdit()), text);
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
