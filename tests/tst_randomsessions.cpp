// Random editing sessions: thousands of real commands in random order on one
// editor window, every dialog answered from here, each step checked against what
// the commands promise. Nothing crashes; each command is one step that Undo takes
// back and Redo puts again, so undoing as many times as there were commands brings
// back the text before them; a saved file holds exactly the text that was saved
// (characters beyond ISO 8859-1 as references in a page, as "?" in a plain text
// once the user agreed) and opens again to that text.
//
// The seeds are fixed, so a failure can be replayed: the message gives the seed
// and the step. MARLISSE_SEED=<n> plays that one seed only, and MARLISSE_STEPS=<n>
// sets the number of steps of each session, to replay a failure or to try more.

#include "commandtest.h"
#include "documentencoding.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <functional>

using namespace TestSupport;

class TestRandomSessions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sessions_data();
    void sessions();

    // Faults the sessions found, each replayed on its own.
    void nonBreakingSpaceSearched_data();
    void nonBreakingSpaceSearched();
};

namespace {

const int defaultSessions = 24;
const int defaultSteps = 120;

// How a tag command places its texts and the cursor.
enum Genre {
    Paire, // around the selection; with none, the cursor goes back between the tags
    Paragraphe, // around the selection; the cursor always ends before "</p>"
    Titre, // as a pair, plus a line break after a wrapped selection
    Seul, // one text after the selection, which stays
    Image, // one element in place of the selection
    Squelette, // a whole document in place of the selection
};

struct Commande
{
    const char *action;
    const char *ouvrante; // for Paragraphe and Titre, the tag start before the alignment
    const char *fermante;
    Genre genre;
};

const Commande commandes[] = {
    {"carGrasAct", "<b>", "</b>", Paire},
    {"carItalicAct", "<i>", "</i>", Paire},
    {"carSouligneAct", "<u>", "</u>", Paire},
    {"carPreformateAct", "<pre>", "</pre>", Paire},
    {"paragrapheAct", "<p", "</p>", Paragraphe},
    {"titre1Act", "<h1", "</h1>", Titre},
    {"titre2Act", "<h2", "</h2>", Titre},
    {"titre3Act", "<h3", "</h3>", Titre},
    {"titre4Act", "<h4", "</h4>", Titre},
    {"titre5Act", "<h5", "</h5>", Titre},
    {"titre6Act", "<h6", "</h6>", Titre},
    {"listeSimpleAct", "<ul>", "</ul>", Paire},
    {"listeOrdoAct", "<ol>", "</ol>", Paire},
    {"elemListeAct", "<li>", "</li>", Paire},
    {"listeDefAct", "<dl>", "</dl>", Paire},
    {"termDefAct", "<dt>", "</dt>", Paire},
    {"definitionAct", "<dd>", "</dd>", Paire},
    {"lienHypTextAct", "<a href=\"\">", "</a>", Paire},
    {"nameAncreAct", "<a name=\"\">", "</a>", Paire},
    {"alaLigneAct", "", "<br />", Seul},
    {"ligneHorizAct", "", "<hr />", Seul},
    {"blancInsecAct", "", "&nbsp;", Seul},
    {"euroAct", "", "&#8364;", Seul},
    {"imageAct", R"(<img src="" name="" align="bottom" height="" width="" border="none" />)", "",
     Image},
    {"squeletteHtmlAct", "", "", Squelette},
};

const QStringList squelette = {
    R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)",
    R"(<html lang="fr" dir="ltr">)",
    "<head>",
    R"(<meta http-equiv="content-type" content="text/html; charset=ISO-8859-1" />)",
    QStringLiteral("<!-- Dans les 2 balises suivantes, séparer les valeurs dans content=\"\" par "
                   "des , (virgule) -->"),
    R"(<meta name="keywords" content="" />)",
    R"(<meta name="description" content="" />)",
    "<!-- la balise suivante est indispensable s'il y a une feuille de style -mettre le nom "
    "correct -->",
    R"(<link rel="stylesheet" type="text/css" href="feuilsty.css" />)",
    "",
    "<title></title>",
    "</head>",
    "<body>",
    "",
    "</body>",
    "</html>",
};

struct Alignement
{
    const char *action;
    const char *attribut;
};

const Alignement alignements[] = {
    {"alignGaucheAct", ""},
    {"alignCentreAct", " align=\"center\""},
    {"alignDroiteAct", " align=\"right\""},
    {"alignJustifieAct", " align=\"justify\""},
};

// What typing may bring: ASCII through its keys, the rest of ISO 8859-1 through key
// presses with that text, and characters beyond it through an input method.
const QString asciiKeys = QStringLiteral(
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789  <>\"&;/=#!?'.,-");
const QString latin1Keys = QStringLiteral("éèàçùâêîôûëïüÿÉÀ«»°§") + QChar(0xa0);
const QStringList inputMethodTexts = {
    QStringLiteral("€"),
    QStringLiteral("œ"),
    QStringLiteral("“"),
    QStringLiteral("”"),
    QStringLiteral("—"),
    QStringLiteral("…"),
    QStringLiteral("中文"),
    QStringLiteral("Ωμ"),
    QString::fromUcs4(U"\U0001F600"),
    QString::fromUcs4(U"x\U0001D11Ey"),
    QStringLiteral("ĳ"),
};

// A page when the name holds ".htm" or ".php" anywhere, with this case.
bool isHtmlName(const QString &name)
{
    return name.contains(QLatin1String(".htm")) || name.contains(QLatin1String(".php"));
}

// The text a document stands for in its file: its lines end with line feeds,
// whether they were paragraphs or line breaks typed with Shift+Enter.
QString fileText(const QString &raw)
{
    QString text = raw;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

// The bytes of text in ISO 8859-1, or in another encoding of one byte a character
// (windows-1252, in which browsers read a page declared ISO-8859-1, as the editor
// reads it): a character beyond it is its decimal reference in a page and "?" in
// a plain text; lost counts those "?".
QByteArray expectedBytes(const QString &text, bool html, int *lost,
                         const QByteArray &encoding = "ISO-8859-1")
{
    QByteArray bytes;
    *lost = 0;
    const bool latin1 = encoding == "ISO-8859-1";
    for (const char32_t codePoint : text.toUcs4()) {
        QByteArray own;
        if (!latin1 && codePoint >= 0x80) {
            const QString character = QStringView(QChar::fromUcs4(codePoint)).toString();
            own = QStringEncoder(encoding.constData()).encode(character);
            if (own.size() != 1 || QStringDecoder(encoding.constData()).decode(own) != character)
                own.clear();
        }
        if (latin1 ? codePoint < 0x100 : (codePoint < 0x80 || !own.isEmpty())) {
            bytes.append(codePoint < 0x80 || latin1 ? QByteArray(1, char(codePoint)) : own);
        } else if (html) {
            bytes.append("&#" + QByteArray::number(quint32(codePoint)) + ';');
        } else {
            bytes.append('?');
            ++*lost;
        }
    }
    return bytes;
}

QByteArray readBytes(const QString &path)
{
    if (path.isEmpty())
        return QByteArray();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// The answers the test has chosen for the dialogs of the next command.
struct Plan
{
    QString prompt = QStringLiteral("Annuler"); // "Sauvegarde": Oui, Non, Annuler or Escape
    QString saveName; // typed in the save dialog; empty: cancelled
    bool replace = false; // "existe déjà" after an extension was added
    bool lossy = false; // the "?" question of a plain text: Enregistrer or Annuler
    QString openName; // typed in the open dialog; empty: cancelled
    bool accept = false; // table, search and replace dialogs
    bool escape = false; // a dialog turned down with Escape rather than Cancel
    int rows = 3;
    int cols = 3;
    bool border = true;
    QString search;
    QString replacement;
    bool caseSensitive = false;
};

// Answers every modal widget that opens while a command runs, as the plan says,
// and writes one line for each in log(). The answer is queued, not given from the
// timer, so that the timer can fire again in the loop of a box that the answer
// itself opens (the file dialog's own "already exists" question).
class Responder : public QObject
{
public:
    Responder()
    {
        timer.setInterval(0);
        connect(&timer, &QTimer::timeout, this, &Responder::poll);
    }

    Plan plan;

    void run(const std::function<void()> &command)
    {
        lines.clear();
        timer.start();
        command();
        timer.stop();
        QCoreApplication::processEvents();
    }

    const QStringList &log() const { return lines; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        handled.removeAll(nullptr);
        if (!modal || !modal->isVisible() || handled.contains(modal))
            return;
        handled.append(modal);
        QPointer<QWidget> guard(modal);
        QMetaObject::invokeMethod(
            this,
            [this, guard] {
                if (!guard)
                    return;
                answer(guard);
                // An answer closes its widget; one still open was not expected.
                if (guard && guard->isVisible()) {
                    lines << QStringLiteral("left open: ") + guard->windowTitle();
                    if (auto *dialog = qobject_cast<QDialog *>(guard.data()))
                        dialog->reject();
                    else
                        guard->close();
                }
            },
            Qt::QueuedConnection);
    }

    void press(QMessageBox *box, const QString &label)
    {
        if (label == QLatin1String("Escape")) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        if (!clickButton(box, label)) {
            lines << QStringLiteral("no button ") + label;
            box->close();
        }
    }

    void answer(QWidget *modal)
    {
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            const QString title = box->windowTitle();
            const QString text = box->text();
            if (QGuiApplication::overrideCursor())
                lines << QStringLiteral("wait cursor over ") + title;
            if (text.contains(QLatin1String("already exists"))) {
                lines << QStringLiteral("overwrite");
                press(box, QStringLiteral("Yes"));
            } else if (title == QLatin1String("Sauvegarde")
                       && text.startsWith(QStringLiteral("Le texte a été modifié"))) {
                lines << QStringLiteral("prompt ") + plan.prompt;
                press(box, plan.prompt);
            } else if (title == QLatin1String("Sauvegarde")
                       && text.contains(QStringLiteral("être écrit"))) {
                const QString label
                    = plan.lossy ? QStringLiteral("Enregistrer") : QStringLiteral("Annuler");
                lines << QStringLiteral("lossy ") + label;
                press(box, label);
            } else if (title == QLatin1String("Enregistrer sous")
                       && text.contains(QStringLiteral("existe déjà"))) {
                const QString label = plan.replace ? QStringLiteral("Oui") : QStringLiteral("Non");
                lines << QStringLiteral("exists ") + label;
                press(box, label);
            } else if (title == QLatin1String("Recherche/Remplacement")) {
                lines << QStringLiteral("not found ") + text;
                press(box, QStringLiteral("OK"));
            } else {
                lines << QStringLiteral("unexpected ") + title + QStringLiteral(" | ") + text;
                box->close();
            }
            return;
        }
        if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            const bool saving = files->acceptMode() == QFileDialog::AcceptSave;
            const QString name = saving ? plan.saveName : plan.openName;
            const QString kind = saving ? QStringLiteral("save ") : QStringLiteral("open ");
            if (name.isEmpty()) {
                lines << kind + QStringLiteral("cancelled");
                files->reject();
                return;
            }
            lines << kind + name;
            files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(name);
            static_cast<QDialog *>(files)->accept();
            return;
        }
        auto *dialog = qobject_cast<QDialog *>(modal);
        const QString form = modal->objectName();
        if (!dialog
            || (form != QLatin1String("DlgTableau") && form != QLatin1String("DlgCherche")
                && form != QLatin1String("DlgRemplace"))) {
            lines << QStringLiteral("unexpected ") + modal->metaObject()->className()
                    + QLatin1Char(' ') + modal->windowTitle();
            modal->close();
            return;
        }
        if (!plan.accept) {
            lines << form + (plan.escape ? QStringLiteral(" Escape") : QStringLiteral(" Cancel"));
            if (plan.escape)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                clickFormButton(dialog, "buttonCancel");
            return;
        }
        lines << form + QStringLiteral(" Ok");
        if (form == QLatin1String("DlgTableau")) {
            dialog->findChild<QSpinBox *>(QStringLiteral("spbNumLignes"))->setValue(plan.rows);
            dialog->findChild<QSpinBox *>(QStringLiteral("spbNumCols"))->setValue(plan.cols);
            dialog->findChild<QCheckBox *>(QStringLiteral("cbBordure"))->setChecked(plan.border);
        } else {
            dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"))->setText(plan.search);
            dialog->findChild<QCheckBox *>(QStringLiteral("cbCasse"))
                ->setChecked(plan.caseSensitive);
            if (auto *remplace = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace")))
                remplace->setText(plan.replacement);
        }
        clickFormButton(dialog, "buttonOk");
    }

    // The forms name their buttons buttonOk and buttonCancel (with "_2" in one).
    void clickFormButton(QDialog *dialog, const char *name)
    {
        for (auto *button : dialog->findChildren<QPushButton *>()) {
            if (button->objectName().startsWith(QLatin1String(name))) {
                button->click();
                return;
            }
        }
        lines << QStringLiteral("no button ") + QLatin1String(name);
    }

    QTimer timer;
    QStringList lines;
    QList<QPointer<QWidget>> handled;
};

// One session: a window, a folder for its files, a random generator, and what the
// test knows the editor must hold.
class Session
{
public:
    Session(quint32 seed, int steps)
        : seed(seed)
        , steps(steps)
        , random(seed)
        , w(f.window)
        , edit(w.textEdit())
    {
        QDir().mkpath(docs.path() + QStringLiteral("/dossier.htm"));
        QDir().mkpath(docs.path() + QStringLiteral("/é è"));
        states = {raw()};
    }

    // Empty when every step kept every promise.
    QString play()
    {
        if (!docs.isValid())
            return QStringLiteral("no temporary folder");
        for (step = 1; step <= steps && failure.isEmpty(); ++step) {
            playOneStep();
            if (failure.isEmpty())
                checkQuiet();
        }
        return failure;
    }

private:
    // --- The text and what the test knows of it ------------------------------------

    QString raw() const { return edit->document()->toRawText(); }
    QString text() const { return CommandTest::texteDe(edit); }
    QAction *act(const char *name) const
    {
        return TestSupport::action(f.window, QLatin1String(name));
    }

    bool expect(bool condition, const QString &what)
    {
        if (!condition && failure.isEmpty()) {
            failure
                = QStringLiteral("seed %1, step %2 (%3): %4\nsteps before: %5\nreplay with "
                                 "MARLISSE_SEED=%1 MARLISSE_STEPS=%2")
                      .arg(seed)
                      .arg(step)
                      .arg(current, what,
                           history.mid(qMax(0, history.size() - 12)).join(QStringLiteral(" | ")));
        }
        return condition;
    }

    bool expectText(const QString &expected, const QString &what)
    {
        const QString actual = text();
        if (actual == expected)
            return true;
        qsizetype at = 0;
        while (at < actual.size() && at < expected.size() && actual.at(at) == expected.at(at))
            ++at;
        return expect(false,
                      QStringLiteral("%1: the texts differ from character %2: \"%3\" where \"%4\" "
                                     "was expected")
                          .arg(what)
                          .arg(at)
                          .arg(actual.mid(qMax<qsizetype>(0, at - 10), 40),
                               expected.mid(qMax<qsizetype>(0, at - 10), 40)));
    }

    bool expectLog(const Responder &responder, const QStringList &expected)
    {
        return expect(responder.log() == expected,
                      QStringLiteral("dialogs [%1] where [%2] were expected")
                          .arg(responder.log().join(QStringLiteral("; ")),
                               expected.join(QStringLiteral("; "))));
    }

    // After every step: no dialog left, no wait cursor, the type and the title
    // follow the name.
    void checkQuiet()
    {
        expect(!QApplication::activeModalWidget(), QStringLiteral("a modal widget stays open"));
        expect(!QGuiApplication::overrideCursor(), QStringLiteral("the wait cursor stays on"));
        const QString name = w.currentFile();
        expect(w.isHtml() == (name.isEmpty() || isHtmlName(name)),
               QStringLiteral("the document type does not follow the name ") + name);
        expect(act("carGrasAct")->isEnabled() == w.isHtml(),
               QStringLiteral("the HTML commands do not follow the type"));
        expect(f.window->windowTitle()
                   == QStringLiteral("Marlisse 2.1 - ")
                       + (name.isEmpty() ? QStringLiteral("Nouveau") : QFileInfo(name).fileName()),
               QStringLiteral("title ") + f.window->windowTitle());
        expect(act("editAnnulerAct")->isEnabled() == edit->document()->isUndoAvailable(),
               QStringLiteral("the Undo command does not follow the history"));
    }

    // A change made by one command: it is one more step of the history.
    void recordCommand()
    {
        states.resize(at + 1);
        states.append(raw());
        ++at;
    }

    // A change whose steps the test does not count (typing): the history starts anew.
    void forgetHistory(bool empty)
    {
        states = {raw()};
        at = 0;
        historyIsEmpty = empty;
    }

    // --- Random choices -----------------------------------------------------------

    int pick(int n) { return int(random.bounded(n)); }
    bool chance(int percent) { return pick(100) < percent; }

    // A cursor position that does not split a surrogate pair, as the keys and the
    // mouse place it.
    int position(int wanted)
    {
        const QString t = text();
        if (wanted > 0 && wanted < t.size() && t.at(wanted).isLowSurrogate())
            --wanted;
        return wanted;
    }

    // Puts the cursor somewhere, with or without a selection (either direction).
    void placeCursor(bool selection)
    {
        const int length = edit->document()->characterCount() - 1;
        QTextCursor cursor(edit->document());
        const int a = position(pick(length + 1));
        cursor.setPosition(a);
        if (selection && length > 0) {
            int b = position(pick(length + 1));
            if (b == a)
                b = position(a < length ? a + 1 : a - 1);
            cursor.setPosition(b, QTextCursor::KeepAnchor);
        }
        edit->setTextCursor(cursor);
    }

    QString randomWord()
    {
        QString word;
        const int length = 1 + pick(6);
        for (int i = 0; i < length; ++i) {
            if (chance(80))
                word += asciiKeys.at(pick(int(asciiKeys.size())));
            else if (chance(50))
                word += latin1Keys.at(pick(int(latin1Keys.size())));
            else
                word += inputMethodTexts.at(pick(int(inputMethodTexts.size())));
        }
        return word;
    }

    // A text to search for: mostly a piece of the document, so that it is found.
    QString searchText()
    {
        const QString t = text();
        if (t.isEmpty() || chance(25))
            return chance(10) ? QString() : randomWord();
        const int from = position(pick(int(t.size())));
        QString piece = t.mid(from, 1 + pick(6));
        // The search field holds one line.
        for (qsizetype i = 0; i < piece.size(); ++i) {
            if (piece.at(i) == QLatin1Char('\n') || piece.at(i) == QChar::LineSeparator) {
                piece.truncate(i);
                break;
            }
        }
        if (!piece.isEmpty() && piece.back().isHighSurrogate())
            piece.chop(1);
        if (chance(30))
            piece = piece.toUpper();
        return piece;
    }

    QString saveName()
    {
        static const QStringList names = {
            "page.html",
            "page2.htm",
            "notes.txt",
            "script.php",
            "style.css",
            "sansext",
            "dossier.htm/notes.txt",
            "é è/page à.html",
            "sansext.txt",
            "é è/sans extension",
        };
        return docs.path() + QLatin1Char('/') + names.at(pick(int(names.size())));
    }

    // --- Steps --------------------------------------------------------------------

    void playOneStep()
    {
        const int roll = pick(1000);
        if (roll < 200)
            typeSomething();
        else if (roll < 500)
            tagCommand();
        else if (roll < 550)
            table();
        else if (roll < 590)
            alignment();
        else if (roll < 660)
            undoOrRedo(true);
        else if (roll < 710)
            undoOrRedo(false);
        else if (roll < 770)
            undoWholeHistory();
        else if (roll < 810)
            search(false);
        else if (roll < 850)
            search(true);
        else if (roll < 880)
            repeatSearch();
        else if (roll < 940)
            save(chance(30));
        else if (roll < 955)
            newDocument();
        else
            openDocument();
        // Keep the document of a size that a long session can still handle quickly.
        if (failure.isEmpty() && edit->document()->characterCount() > 12000)
            shrink();
    }

    void note(const QString &what)
    {
        current = what;
        history << what;
    }

    // Before a step that makes the test forget the history, most times: the
    // longest runs of commands are the ones worth undoing.
    void checkHistoryBeforeForgetting()
    {
        if (at > 0 && chance(60))
            undoWholeHistory();
    }

    void typeSomething()
    {
        checkHistoryBeforeForgetting();
        placeCursor(chance(20));
        QStringList keys;
        const int count = 1 + pick(10);
        for (int i = 0; i < count; ++i) {
            const int roll = pick(100);
            if (roll < 55) {
                const QChar c = asciiKeys.at(pick(int(asciiKeys.size())));
                keys << QString(c);
                QTest::keyClick(edit, c.toLatin1());
            } else if (roll < 65) {
                const QChar c = latin1Keys.at(pick(int(latin1Keys.size())));
                keys << QString(c);
                QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            } else if (roll < 75) {
                const QString committed = inputMethodTexts.at(pick(int(inputMethodTexts.size())));
                keys << committed;
                QInputMethodEvent event;
                event.setCommitString(committed);
                QApplication::sendEvent(edit, &event);
            } else {
                static const struct
                {
                    Qt::Key key;
                    Qt::KeyboardModifiers modifiers;
                    const char *name;
                } special[] = {
                    {Qt::Key_Return, Qt::NoModifier, "Enter"},
                    {Qt::Key_Return, Qt::ShiftModifier, "Shift+Enter"},
                    {Qt::Key_Tab, Qt::NoModifier, "Tab"},
                    {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
                    {Qt::Key_Delete, Qt::NoModifier, "Delete"},
                    {Qt::Key_Left, Qt::ShiftModifier, "Shift+Left"},
                    {Qt::Key_Right, Qt::NoModifier, "Right"},
                    {Qt::Key_Up, Qt::NoModifier, "Up"},
                    {Qt::Key_Down, Qt::ShiftModifier, "Shift+Down"},
                    {Qt::Key_Home, Qt::NoModifier, "Home"},
                    {Qt::Key_End, Qt::ShiftModifier, "Shift+End"},
                    {Qt::Key_Insert, Qt::NoModifier, "Insert"},
                };
                const auto &k = special[pick(int(std::size(special)))];
                keys << QLatin1String(k.name);
                QTest::keyClick(edit, k.key, k.modifiers);
            }
        }
        note(QStringLiteral("type [") + keys.join(QLatin1Char(',')) + QLatin1Char(']'));
        // Typed text is undone by runs of keys, not one step a key.
        forgetHistory(false);
    }

    void tagCommand()
    {
        const Commande &c = commandes[pick(int(std::size(commandes)))];
        placeCursor(chance(50));
        const QTextCursor cursor = edit->textCursor();
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        const QString before = text();
        const QString selection = before.mid(start, end - start);
        note(QStringLiteral("%1 on %2-%3").arg(QLatin1String(c.action)).arg(start).arg(end));

        QAction *action = act(c.action);
        const bool enabled = action->isEnabled();
        Responder responder;
        responder.run([action] { action->trigger(); });
        expectLog(responder, {});
        if (!enabled) {
            expectText(before, QStringLiteral("a disabled command changed the text"));
            return;
        }

        const QString alignement = w.strAlignement();
        const QString fermante = QLatin1String(c.fermante);
        QString inserted;
        int cursorAfter = 0;
        switch (c.genre) {
        case Paire:
            inserted = QLatin1String(c.ouvrante) + selection + fermante;
            cursorAfter = start + inserted.size() - (selection.isEmpty() ? fermante.size() : 0);
            break;
        case Paragraphe:
            inserted
                = QLatin1String(c.ouvrante) + alignement + QLatin1Char('>') + selection + fermante;
            cursorAfter = start + inserted.size() - fermante.size();
            break;
        case Titre:
            inserted = QLatin1String(c.ouvrante) + alignement + QLatin1Char('>') + selection
                + fermante + (selection.isEmpty() ? QString() : QStringLiteral("\n"));
            cursorAfter = start + inserted.size() - (selection.isEmpty() ? fermante.size() : 0);
            break;
        case Seul:
            inserted = selection + fermante;
            cursorAfter = start + inserted.size();
            break;
        case Image:
            inserted = QLatin1String(c.ouvrante);
            cursorAfter = start + inserted.size();
            break;
        case Squelette:
            // It declares the document's encoding.
            inserted = squelette.join(QLatin1Char('\n')) + QLatin1Char('\n');
            inserted.replace(QStringLiteral("charset=ISO-8859-1"),
                             QStringLiteral("charset=") + QLatin1String(encoding_.declaredName()));
            // The empty line between "<body>" and "</body>".
            cursorAfter = start + inserted.indexOf(QStringLiteral("<body>\n")) + 7;
            break;
        }
        if (!expectText(before.left(start) + inserted + before.mid(end),
                        QStringLiteral("the command's text")))
            return;
        expect(!edit->textCursor().hasSelection() && edit->textCursor().position() == cursorAfter,
               QStringLiteral("cursor at %1 (selection %2) where %3 was expected")
                   .arg(edit->textCursor().position())
                   .arg(edit->textCursor().hasSelection())
                   .arg(cursorAfter));
        expect(edit->document()->isModified(), QStringLiteral("not marked modified"));
        recordCommand();
        // In overwrite mode each key is a step of its own (it takes a character away).
        if (!edit->overwriteMode() && chance(25))
            typeWordAfterCommand();
    }

    // A word typed right after a command is a step of its own: one Undo takes the
    // word away and leaves the command's text.
    void typeWordAfterCommand()
    {
        QString word;
        for (int i = 1 + pick(5); i > 0; --i)
            word += QChar(QLatin1Char('a' + pick(26)));
        note(QStringLiteral("type \"%1\", then undo and redo it").arg(word));
        const QString afterCommand = raw();
        QTest::keyClicks(edit, word);
        const QString afterWord = raw();
        act("editAnnulerAct")->trigger();
        if (!expect(raw() == afterCommand,
                    QStringLiteral("Undo did not take back just the word typed after the command")))
            return;
        act("editRefaireAct")->trigger();
        expect(raw() == afterWord, QStringLiteral("Redo did not put back the typed word"));
        recordCommand();
    }

    void table()
    {
        placeCursor(chance(40));
        const QTextCursor cursor = edit->textCursor();
        const int start = cursor.selectionStart();
        const int end = cursor.selectionEnd();
        const QString before = text();
        Responder responder;
        Plan &plan = responder.plan;
        plan.accept = chance(80);
        plan.escape = chance(50);
        plan.rows = 1 + pick(chance(10) ? 30 : 5);
        plan.cols = 1 + pick(chance(10) ? 30 : 5);
        plan.border = chance(60);
        note(QStringLiteral("table %1x%2 border %3 %4 on %5-%6")
                 .arg(plan.rows)
                 .arg(plan.cols)
                 .arg(plan.border)
                 .arg(plan.accept ? QStringLiteral("Ok") : QStringLiteral("Cancel"))
                 .arg(start)
                 .arg(end));
        QAction *action = act("tableauxAct");
        const bool enabled = action->isEnabled();
        responder.run([action] { action->trigger(); });
        if (!enabled) {
            expectLog(responder, {});
            expectText(before, QStringLiteral("a disabled command changed the text"));
            return;
        }
        if (!plan.accept) {
            expectLog(responder,
                      {QStringLiteral("DlgTableau ")
                       + (plan.escape ? QStringLiteral("Escape") : QStringLiteral("Cancel"))});
            expectText(before, QStringLiteral("a cancelled table changed the text"));
            return;
        }
        expectLog(responder, {QStringLiteral("DlgTableau Ok")});
        QStringList lines {plan.border ? QStringLiteral("<table border>")
                                       : QStringLiteral("<table>")};
        for (int r = 0; r < plan.rows; ++r) {
            lines << QStringLiteral("<tr>");
            for (int c = 0; c < plan.cols; ++c)
                lines << QStringLiteral("<td></td>");
            lines << QStringLiteral("</tr>");
        }
        lines << QStringLiteral("</table>");
        const QString inserted = before.mid(start, end - start) + QLatin1Char('\n')
            + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        if (!expectText(before.left(start) + inserted + before.mid(end),
                        QStringLiteral("the table")))
            return;
        expect(edit->textCursor().position() == start + inserted.size(),
               QStringLiteral("the cursor does not follow the table"));
        recordCommand();
    }

    void alignment()
    {
        const Alignement &a = alignements[pick(int(std::size(alignements)))];
        note(QLatin1String(a.action));
        const QString before = raw();
        QAction *action = act(a.action);
        const bool enabled = action->isEnabled();
        const QString attributeBefore = w.strAlignement();
        Responder responder;
        responder.run([action] { action->trigger(); });
        expectLog(responder, {});
        expect(raw() == before, QStringLiteral("an alignment changed the text"));
        expect(w.strAlignement() == (enabled ? QString::fromUtf8(a.attribut) : attributeBefore),
               QStringLiteral("alignment attribute ") + w.strAlignement());
    }

    // One Undo or Redo through its command, checked against the history when the
    // test knows it.
    void undoOrRedo(bool undo)
    {
        note(undo ? QStringLiteral("undo") : QStringLiteral("redo"));
        const QString before = raw();
        Responder responder;
        responder.run([this, undo] { act(undo ? "editAnnulerAct" : "editRefaireAct")->trigger(); });
        expectLog(responder, {});
        if (undo && at > 0) {
            --at;
            expect(raw() == states.at(at), QStringLiteral("Undo did not bring back the text"));
        } else if (!undo && at + 1 < states.size()) {
            ++at;
            expect(raw() == states.at(at), QStringLiteral("Redo did not put back the text"));
        } else if (undo && historyIsEmpty) {
            expect(raw() == before, QStringLiteral("Undo went past the start of the history"));
        } else if (raw() != before) {
            forgetHistory(false);
        }
    }

    // As many Undo as there were commands since the history was last known: the
    // text before them comes back, step by step; as many Redo put everything back.
    void undoWholeHistory()
    {
        const int count = at;
        note(QStringLiteral("undo %1 commands, then redo them").arg(count));
        Responder responder;
        responder.run([&] {
            for (int i = count - 1; i >= 0 && failure.isEmpty(); --i) {
                act("editAnnulerAct")->trigger();
                expect(raw() == states.at(i),
                       QStringLiteral("after %1 Undo the text is not the one before the last %1 "
                                      "commands")
                           .arg(count - i));
            }
            if (historyIsEmpty)
                expect(!act("editAnnulerAct")->isEnabled(),
                       QStringLiteral("Undo still enabled at the start of the history"));
            for (int i = 1; i <= count && failure.isEmpty(); ++i) {
                act("editRefaireAct")->trigger();
                expect(raw() == states.at(i),
                       QStringLiteral("Redo %1 does not give back the text").arg(i));
            }
        });
        expectLog(responder, {});
    }

    // Where the next occurrence stands: the searched characters themselves, so a
    // non-breaking space matches only a non-breaking space; -1 when there is none.
    int nextOccurrence(const QString &what, bool caseSensitive) const
    {
        if (what.isEmpty())
            return -1;
        return int(text().indexOf(what, edit->textCursor().selectionEnd(),
                                  caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive));
    }

    // The next occurrence of strCherche is selected or replaced, or the "non
    // trouvé" box shows and nothing moves.
    void checkFind(const Responder &responder, QStringList expectedLog, int found,
                   const QString &before, int selectionStart, int selectionEnd)
    {
        const QString searched = w.strCherche();
        const QString replacement = w.strRemplace();
        if (found < 0) {
            expectedLog << QStringLiteral("not found \"") + searched
                    + QStringLiteral("\" non trouvé");
            expectLog(responder, expectedLog);
            expectText(before, QStringLiteral("a search that found nothing changed the text"));
            expect(edit->textCursor().selectionStart() == selectionStart
                       && edit->textCursor().selectionEnd() == selectionEnd,
                   QStringLiteral("a search that found nothing moved the cursor"));
            return;
        }
        expectLog(responder, expectedLog);
        if (replacement.isEmpty()) {
            expectText(before, QStringLiteral("a search changed the text"));
            expect(edit->textCursor().selectionStart() == found
                       && edit->textCursor().selectionEnd() == found + searched.size(),
                   QStringLiteral("occurrence at %1 not selected (%2-%3)")
                       .arg(found)
                       .arg(edit->textCursor().selectionStart())
                       .arg(edit->textCursor().selectionEnd()));
            return;
        }
        if (!expectText(before.left(found) + fileText(replacement)
                            + before.mid(found + searched.size()),
                        QStringLiteral("the replacement")))
            return;
        expect(!edit->textCursor().hasSelection()
                   && edit->textCursor().position() == found + replacement.size(),
               QStringLiteral("the cursor does not follow the replacement"));
        recordCommand();
    }

    void search(bool replace)
    {
        placeCursor(chance(30));
        const QTextCursor cursor = edit->textCursor();
        const QString before = text();
        Responder responder;
        Plan &plan = responder.plan;
        plan.accept = chance(85);
        plan.escape = chance(50);
        plan.search = searchText();
        plan.caseSensitive = chance(40);
        if (replace)
            plan.replacement = chance(15) ? QString() : randomWord();
        const QString form = replace ? QStringLiteral("DlgRemplace") : QStringLiteral("DlgCherche");
        note(QStringLiteral("%1 \"%2\" by \"%3\" case %4 %5 from %6-%7")
                 .arg(form, plan.search, plan.replacement)
                 .arg(plan.caseSensitive)
                 .arg(plan.accept ? QStringLiteral("Ok") : QStringLiteral("Cancel"))
                 .arg(cursor.selectionStart())
                 .arg(cursor.selectionEnd()));
        const QString searchedBefore = w.strCherche();
        const QString replacementBefore = w.strRemplace();
        const bool caseBefore = w.respecteCasse();
        const int found = nextOccurrence(plan.search, plan.caseSensitive);
        QAction *action = act(replace ? "editReplaceAct" : "editChercheAct");
        responder.run([action] { action->trigger(); });
        if (!plan.accept) {
            expectLog(
                responder,
                {form + (plan.escape ? QStringLiteral(" Escape") : QStringLiteral(" Cancel"))});
            expectText(before, QStringLiteral("a cancelled dialog changed the text"));
            expect(w.strCherche() == searchedBefore && w.strRemplace() == replacementBefore
                       && w.respecteCasse() == caseBefore,
                   QStringLiteral("a cancelled dialog changed the remembered search"));
            return;
        }
        expect(w.strCherche() == plan.search && w.strRemplace() == plan.replacement
                   && w.respecteCasse() == plan.caseSensitive,
               QStringLiteral("the dialog's values are not remembered"));
        if (plan.search.isEmpty()) {
            expectLog(responder, {form + QStringLiteral(" Ok")});
            expectText(before, QStringLiteral("an empty search changed the text"));
            return;
        }
        checkFind(responder, {form + QStringLiteral(" Ok")}, found, before, cursor.selectionStart(),
                  cursor.selectionEnd());
    }

    void repeatSearch()
    {
        if (chance(50))
            placeCursor(chance(30));
        const QTextCursor cursor = edit->textCursor();
        const QString before = text();
        note(QStringLiteral("F3 for \"%1\" by \"%2\" from %3-%4")
                 .arg(w.strCherche(), w.strRemplace())
                 .arg(cursor.selectionStart())
                 .arg(cursor.selectionEnd()));
        const int found = nextOccurrence(w.strCherche(), w.respecteCasse());
        Responder responder;
        responder.run([this] { act("editReplaceEncoreAct")->trigger(); });
        checkFind(responder, {}, found, before, cursor.selectionStart(), cursor.selectionEnd());
    }

    // The dialogs of a save, as the test expects them from its plan; whether the
    // document gets written, and under which name.
    bool planSave(const Plan &plan, bool saveAs, QStringList *log, QString *name)
    {
        *name = w.currentFile();
        if (saveAs || name->isEmpty()) {
            if (plan.saveName.isEmpty()) {
                *log << QStringLiteral("save cancelled");
                return false;
            }
            *log << QStringLiteral("save ") + plan.saveName;
            if (QFileInfo(plan.saveName).isFile())
                *log << QStringLiteral("overwrite");
            *name = plan.saveName;
            if (!name->contains(QLatin1Char('.'))) {
                *name += w.isHtml() ? QStringLiteral(".html") : QStringLiteral(".txt");
                if (QFileInfo::exists(*name)) {
                    *log << QStringLiteral("exists ")
                            + (plan.replace ? QStringLiteral("Oui") : QStringLiteral("Non"));
                    if (!plan.replace)
                        return false;
                }
            }
        }
        int lost = 0;
        expectedBytes(fileText(raw()), isHtmlName(*name), &lost, encoding_.name);
        if (lost > 0) {
            *log << QStringLiteral("lossy ")
                    + (plan.lossy ? QStringLiteral("Enregistrer") : QStringLiteral("Annuler"));
            return plan.lossy;
        }
        return true;
    }

    void randomSavePlan(Plan &plan)
    {
        plan.saveName = chance(10) ? QString() : saveName();
        plan.replace = chance(70);
        plan.lossy = chance(80);
    }

    // After a save the test expected to happen (or not): the file holds the text
    // in ISO 8859-1, the document is no longer modified and carries the name.
    void checkSaved(bool saved, const QString &name, const QString &textBefore,
                    const QString &fileBefore, const QByteArray &bytesBefore, bool modifiedBefore,
                    bool documentStays = true)
    {
        if (!saved) {
            expect(w.currentFile() == fileBefore,
                   QStringLiteral("a save that did not happen renamed"));
            expect(edit->document()->isModified() == modifiedBefore,
                   QStringLiteral("a save that did not happen changed the modified state"));
            if (!name.isEmpty())
                expect(readBytes(name) == bytesBefore,
                       QStringLiteral("a save that did not happen wrote ") + name);
            return;
        }
        int lost = 0;
        const QByteArray bytes = expectedBytes(textBefore, isHtmlName(name), &lost, encoding_.name);
        const QByteArray onDisk = readBytes(name);
        qsizetype differ = 0;
        while (differ < onDisk.size() && differ < bytes.size() && onDisk[differ] == bytes[differ])
            ++differ;
        expect(onDisk == bytes,
               QStringLiteral("%1 (%2 bytes) differs from the text's %3 bytes at byte %4: %5 "
                              "where %6 was expected")
                   .arg(name)
                   .arg(onDisk.size())
                   .arg(bytes.size())
                   .arg(differ)
                   .arg(QString::fromLatin1(onDisk.mid(differ, 12).toHex(' ')),
                        QString::fromLatin1(bytes.mid(differ, 12).toHex(' '))));
        saved_[name] = bytes;
        if (!documentStays)
            return;
        expect(w.currentFile() == name,
               QStringLiteral("saved under another name: ") + w.currentFile());
        expect(!edit->document()->isModified(), QStringLiteral("still modified after the save"));
    }

    void save(bool saveAs)
    {
        Responder responder;
        Plan &plan = responder.plan;
        randomSavePlan(plan);
        note(QStringLiteral("%1 as \"%2\" replace %3 lossy %4")
                 .arg(saveAs ? QStringLiteral("save as") : QStringLiteral("save"), plan.saveName)
                 .arg(plan.replace)
                 .arg(plan.lossy));
        QStringList log;
        QString name;
        const bool saved = planSave(plan, saveAs, &log, &name);
        const QString textBefore = fileText(raw());
        const QString fileBefore = w.currentFile();
        const QByteArray bytesBefore = readBytes(name);
        const bool modifiedBefore = edit->document()->isModified();
        const QString before = raw();
        responder.run([this, saveAs] { act(saveAs ? "fileSaveAsAct" : "fileSaveAct")->trigger(); });
        expectLog(responder, log);
        expect(raw() == before, QStringLiteral("saving changed the text"));
        checkSaved(saved, name, textBefore, fileBefore, bytesBefore, modifiedBefore);
    }

    // The "Sauvegarde" prompt of New and Open on a modified document, and the save
    // that "Oui" makes: whether the command goes on.
    bool planPrompt(Plan &plan, QStringList *log, bool *saved, QString *name)
    {
        *saved = false;
        if (!edit->document()->isModified())
            return true;
        static const QStringList answers = {"Oui", "Non", "Annuler", "Escape"};
        plan.prompt = answers.at(pick(int(answers.size())));
        *log << QStringLiteral("prompt ") + plan.prompt;
        if (plan.prompt == QLatin1String("Non"))
            return true;
        if (plan.prompt != QLatin1String("Oui"))
            return false;
        randomSavePlan(plan);
        *saved = planSave(plan, false, log, name);
        return *saved;
    }

    void newDocument()
    {
        checkHistoryBeforeForgetting();
        Responder responder;
        Plan &plan = responder.plan;
        QStringList log;
        bool saved = false;
        QString name;
        const bool goesOn = planPrompt(plan, &log, &saved, &name);
        note(QStringLiteral("new, prompt %1, save as \"%2\"").arg(log.value(0), plan.saveName));
        const QString textBefore = fileText(raw());
        const QString fileBefore = w.currentFile();
        const QByteArray bytesBefore = readBytes(name);
        const bool modifiedBefore = edit->document()->isModified();
        const QString before = raw();
        responder.run([this] { act("fileNewAct")->trigger(); });
        expectLog(responder, log);
        if (log.contains(QStringLiteral("prompt Oui")))
            checkSaved(saved, name, textBefore, fileBefore, bytesBefore, modifiedBefore, !goesOn);
        if (!goesOn) {
            expect(raw() == before, QStringLiteral("a cancelled New changed the text"));
            return;
        }
        expect(raw().isEmpty() && !edit->document()->isModified() && w.currentFile().isEmpty()
                   && !edit->document()->isUndoAvailable(),
               QStringLiteral("New did not give an empty, unmodified document"));
        encoding_ = DocumentEncoding::latin1();
        forgetHistory(true);
    }

    void openDocument()
    {
        checkHistoryBeforeForgetting();
        Responder responder;
        Plan &plan = responder.plan;
        QStringList log;
        bool saved = false;
        QString name;
        const bool goesOn = planPrompt(plan, &log, &saved, &name);
        const QStringList files = saved_.keys();
        plan.openName
            = files.isEmpty() || chance(10) ? QString() : files.at(pick(int(files.size())));
        note(QStringLiteral("open \"%1\", prompt %2, save as \"%3\"")
                 .arg(plan.openName, log.value(0), plan.saveName));
        const QString textBefore = fileText(raw());
        const QString fileBefore = w.currentFile();
        const QByteArray bytesBefore = readBytes(name);
        const bool modifiedBefore = edit->document()->isModified();
        const QString before = raw();
        if (goesOn)
            log << (plan.openName.isEmpty() ? QStringLiteral("open cancelled")
                                            : QStringLiteral("open ") + plan.openName);
        // A file saved under this name since is what must come back.
        responder.run([this] { act("fileOpenAct")->trigger(); });
        if (log.contains(QStringLiteral("prompt Oui")))
            checkSaved(saved, name, textBefore, fileBefore, bytesBefore, modifiedBefore,
                       !goesOn || plan.openName.isEmpty());
        expectLog(responder, log);
        if (!goesOn || plan.openName.isEmpty()) {
            expect(raw() == before, QStringLiteral("an open that did not happen changed the text"));
            return;
        }
        // Read by the reading rule, which tst_documents checks: a page declared
        // ISO-8859-1 comes back in windows-1252, as browsers read it.
        DocumentEncoding::Decoded decoded = DocumentEncoding::decode(
            saved_.value(plan.openName), DocumentEncoding::kindOf(plan.openName));
        encoding_ = decoded.encoding;
        expect(encoding_.isLatin1() || encoding_.name == "windows-1252",
               QStringLiteral("read back in ") + encoding_.label());
        if (!expectText(decoded.text,
                        QStringLiteral("the reopened file is not the text that was saved")))
            return;
        expect(w.currentFile() == plan.openName && !edit->document()->isModified()
                   && !edit->document()->isUndoAvailable(),
               QStringLiteral("the opened document is not named, unmodified, without history"));
        forgetHistory(true);
    }

    // A long session keeps a document of a few pages: all of it goes, in one step.
    void shrink()
    {
        note(QStringLiteral("select all and delete"));
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        expect(raw().isEmpty(), QStringLiteral("select all and Delete left text"));
        forgetHistory(false);
    }

    const quint32 seed;
    const int steps;
    QRandomGenerator random;
    EditorFixture f;
    KalTextEditTestAccess w;
    monQTextEdit *edit;
    QTemporaryDir docs;

    int step = 0;
    QString current;
    QStringList history;
    QString failure;

    // The texts of the history as the test knows it: states[0] before the first
    // command counted, states[at] now; the ones after at can be redone.
    QList<QString> states;
    int at = 0;
    bool historyIsEmpty = true; // nothing before states[0] can be undone

    // What each saved file must give back when it is opened again.
    QHash<QString, QByteArray> saved_;
    // The encoding the document is saved in.
    DocumentEncoding::Encoding encoding_ = DocumentEncoding::latin1();
};

} // namespace

void TestRandomSessions::initTestCase()
{
    init();
    QApplication::setQuitOnLastWindowClosed(false);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestRandomSessions::sessions_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    const int steps = qEnvironmentVariableIsSet("MARLISSE_STEPS")
        ? qEnvironmentVariableIntValue("MARLISSE_STEPS")
        : defaultSteps;
    if (qEnvironmentVariableIsSet("MARLISSE_SEED")) {
        const quint32 seed = qgetenv("MARLISSE_SEED").toUInt();
        QTest::addRow("seed %u", seed) << seed << steps;
        return;
    }
    for (int i = 0; i < defaultSessions; ++i) {
        const quint32 seed = 20240 + quint32(i) * 7919;
        QTest::addRow("seed %u", seed) << seed << steps;
    }
}

void TestRandomSessions::sessions()
{
    QFETCH(quint32, seed);
    QFETCH(int, steps);
    Session session(seed, steps);
    const QString failure = session.play();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void TestRandomSessions::nonBreakingSpaceSearched_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("after");
    const QString nbsp(QChar(0xa0));
    QTest::newRow("search") << "editChercheAct" << QString()
                            << "Bonjour" + nbsp + "! Oui" + nbsp + "!";
    QTest::newRow("replace") << "editReplaceAct"
                             << "?"
                             << "Bonjour" + nbsp + "! Ou?";
}

// A searched text that holds a non-breaking space, as copied from a French page,
// was never found ("non trouvé"): the widget's find sees the page's non-breaking
// spaces as blanks.
void TestRandomSessions::nonBreakingSpaceSearched()
{
    QFETCH(QString, action);
    QFETCH(QString, replacement);
    QFETCH(QString, after);
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString nbsp(QChar(0xa0));
    CommandTest::prepare(w.textEdit(), "Bonjour" + nbsp + "! Oui" + nbsp + "!", 8, 8);

    Responder responder;
    responder.plan.accept = true;
    responder.plan.search = "i" + nbsp + "!";
    responder.plan.replacement = replacement;
    responder.run([&] { TestSupport::action(f.window, action)->trigger(); });
    const QString form = replacement.isEmpty() ? "DlgCherche" : "DlgRemplace";
    QCOMPARE(responder.log(), QStringList({form + " Ok"}));
    QCOMPARE(CommandTest::texteDe(w.textEdit()), after);
    if (replacement.isEmpty()) {
        QCOMPARE(w.textEdit()->textCursor().selectionStart(), 12);
        QCOMPARE(w.textEdit()->textCursor().selectionEnd(), 15);
    }
}

QTEST_MAIN(TestRandomSessions)
#include "tst_randomsessions.moc"
