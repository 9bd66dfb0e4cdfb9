// Typing into an HTML document, key by key, on random text: Return keeps the
// blanks of the line (or opens a line between a tag and its closing tag), a ">"
// inserts itself and at most the closing tag of its element after the cursor (or
// takes away the closing tag it types over), a "/" after "<" at most the name of an
// element and its ">", the commands on lines give in the document what their rules
// give on the whole text and are one undo step each, Ctrl+B and Ctrl+Shift+B change
// no text and find what a reading of the whole text finds, undo and redo come in
// between, what each position stands in is what a reading from the start says, and
// undoing every step brings back the text as it was. The list of names opens and
// closes all along: with it open, a key never loses or adds a character, except
// Return and Tab, which add exactly the rest of the name the list has chosen.

#include "blocs.h"
#include "completeurhtml.h"
#include "contextedocument.h"
#include "fuzzsupport.h"
#include "montextedit.h"
#include "pairesbalises.h"
#include "saisiehtml.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QTextBlock>

namespace {

TestSupport::EditorFixture *fixture = nullptr;

// The keys typed, with the text each gives, sent to the widget as the window
// system's would be; or a command of the menus, by its action.
struct Touche
{
    Qt::Key key;
    const char *texte;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    const char *action = nullptr;
};

const Touche touches[] = {
    {Qt::Key_Less, "<"},
    {Qt::Key_Greater, ">"},
    {Qt::Key_Slash, "/"},
    {Qt::Key_P, "p"},
    {Qt::Key_A, "a"},
    {Qt::Key_QuoteDbl, "\""},
    {Qt::Key_Apostrophe, "'"},
    {Qt::Key_Equal, "="},
    {Qt::Key_Space, " "},
    {Qt::Key_Exclam, "!"},
    {Qt::Key_Minus, "-"},
    {Qt::Key_S, "s"},
    {Qt::Key_Return, "\r"},
    {Qt::Key_Backspace, "\b"},
    {Qt::Key_Left, ""},
    {Qt::Key_Right, ""},
    {Qt::Key_L, "l"},
    {Qt::Key_I, "i"},
    {Qt::Key_Tab, "\t"},
    {Qt::Key_Backtab, "", Qt::ShiftModifier},
    {Qt::Key_Up, "", Qt::ShiftModifier},
    {Qt::Key_Down, "", Qt::ShiftModifier},
    {Qt::Key_End, ""},
    {Qt::Key_Home, ""},
    // Names to complete, and the keys of the list.
    {Qt::Key_Ampersand, "&"},
    {Qt::Key_E, "e"},
    {Qt::Key_Semicolon, ";"},
    {Qt::Key_Escape, "\x1b"},
    {Qt::Key_Down, ""},
    {Qt::Key_Space, " ", Qt::ControlModifier},
    // Commands, by their actions.
    {Qt::Key_unknown, "", Qt::NoModifier, "commenterAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "dupliquerLigneAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "monterLignesAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "descendreLignesAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "baliseCorrespondanteAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "selectionnerElementAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "editAnnulerAct"},
    {Qt::Key_unknown, "", Qt::NoModifier, "editRefaireAct"},
};

void tape(QWidget *widget, const Touche &touche)
{
    const QString texte = QString::fromLatin1(touche.texte);
    QKeyEvent presse(QEvent::KeyPress, touche.key, touche.modifiers, texte);
    QApplication::sendEvent(widget, &presse);
    QKeyEvent relache(QEvent::KeyRelease, touche.key, touche.modifiers, texte);
    QApplication::sendEvent(widget, &relache);
}

// The whole text as lines, and the selection in it.
Blocs::Extrait entier(const monQTextEdit *edit)
{
    Blocs::Extrait texte;
    texte.lignes = edit->document()->toRawText().split(QChar::ParagraphSeparator);
    const QTextCursor cursor = edit->textCursor();
    const auto point = [edit](int position) {
        const QTextBlock bloc = edit->document()->findBlock(position);
        return Blocs::Point {bloc.blockNumber(), position - bloc.position()};
    };
    texte.ancre = point(cursor.anchor());
    texte.curseur = point(cursor.position());
    return texte;
}

QString decrit(const Blocs::Extrait &texte)
{
    return QStringLiteral("%1:%2 %3:%4 ")
               .arg(texte.ancre.ligne)
               .arg(texte.ancre.colonne)
               .arg(texte.curseur.ligne)
               .arg(texte.curseur.colonne)
        + texte.lignes.join(QLatin1Char('\n'));
}

QString texteDe(const monQTextEdit *edit)
{
    return edit->document()->toRawText();
}

// What the cursor's position stands in, as the points kept along the text find
// it, is what a reading of the text from its start finds.
void verifieContexte(monQTextEdit *edit, int position)
{
    const QString texte = edit->document()->toRawText();
    const LexiqueHtml::Etat attendu = LexiqueHtml::lit(QStringView(texte).first(position), {}).etat;
    const LexiqueHtml::Etat trouve = edit->contexteHtml()->etatA(position);
    FUZZ_CHECK(trouve == attendu, "state at %d: %d/%d, from the start %d/%d", position,
               int(trouve.mode), int(trouve.contenu), int(attendu.mode), int(attendu.contenu));
}

// A command on tags changes no text; where Ctrl+B and Ctrl+Shift+B go is where an
// analysis of the whole text, from its start, says.
void verifieCommandeBalises(monQTextEdit *edit, bool correspondante, const QString &avant,
                            const QTextCursor &avantCurseur)
{
    const QString apres = texteDe(edit);
    const QTextCursor curseur = edit->textCursor();
    FUZZ_CHECK(apres == avant, "a command on tags changed the text");
    const PairesBalises::Analyse tout = PairesBalises::analyse(avant, {}, true);
    if (correspondante) {
        if (curseur.position() == avantCurseur.position())
            return;
        const PairesBalises::Paire paire
            = PairesBalises::paireDeLaBalise(tout, avantCurseur.position());
        FUZZ_CHECK(!curseur.hasSelection() && paire.nomPartenaire == curseur.position(),
                   "Ctrl+B from %d to %d, partner's name at %d", avantCurseur.position(),
                   curseur.position(), paire.nomPartenaire);
        return;
    }
    if (curseur.selectionStart() == avantCurseur.selectionStart()
        && curseur.selectionEnd() == avantCurseur.selectionEnd())
        return;
    const PairesBalises::Etendue element = PairesBalises::elementAutour(
        tout, avantCurseur.selectionStart(), avantCurseur.selectionEnd());
    FUZZ_CHECK(element.debut == curseur.selectionStart() && element.fin == curseur.selectionEnd(),
               "Ctrl+Shift+B on %d-%d selected %d-%d, the element is %d-%d",
               avantCurseur.selectionStart(), avantCurseur.selectionEnd(), curseur.selectionStart(),
               curseur.selectionEnd(), element.debut, element.fin);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzzHeadless();
    // The offscreen platform says at each list shown that it cannot raise it nor
    // give it the keyboard: nothing the fuzzer looks at.
    static const QtMessageHandler suivant = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &contexte, const QString &message) {
            if (!message.startsWith(QLatin1String("This plugin does not support")))
                suivant(type, contexte, message);
        });
    // Never destroyed: the keyboard device that the first key event makes is a
    // global that exit() destroys before a static application would go.
    static QApplication *app = new QApplication(*argc, *argv);
    Q_UNUSED(app);
    TestSupport::init();
    fixture = new TestSupport::EditorFixture;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    monQTextEdit *edit = KalTextEditTestAccess(fixture->window).textEdit();
    const size_t nombre = std::min<size_t>(data[0] % 48, size - 3);
    const uint8_t *cles = data + 3;
    QString text = fuzzText(
        QByteArray(reinterpret_cast<const char *>(cles + nombre), qsizetype(size - 3 - nombre)));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Sometimes long enough for the points kept along the text to matter (they
    // are kept 2,048 characters apart), short enough to be laid out quickly.
    if ((data[0] & 0xc0) == 0xc0 && !text.isEmpty())
        text = text.repeated(qMax<qsizetype>(1, 6000 / text.size()));
    edit->setPlainText(text);
    const QString origine = texteDe(edit);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition((data[1] * 256 + data[2]) % int(origine.size() + 1));
    edit->setTextCursor(cursor);

    // The text just after a "/" that received a name, which the next letter may
    // take back, and the position after that "/".
    QString avantCompletion;
    int apresBarre = -1;
    for (size_t i = 0; i < nombre; ++i) {
        const Touche &touche = touches[cles[i] % std::size(touches)];
        const Blocs::Extrait modele = entier(edit);
        const QTextCursor selection = edit->textCursor();
        const bool plusieursLignes = edit->document()->findBlock(selection.selectionStart())
            != edit->document()->findBlock(selection.selectionEnd());
        // Typed text takes the place of the selection first.
        const QString entierAvant = texteDe(edit);
        QString avant = entierAvant;
        const int p = selection.selectionStart();
        avant.remove(p, selection.selectionEnd() - p);
        const bool annulable = edit->document()->isUndoAvailable();
        const QString ajout = edit->completeurHtml()->ajoutChoisi();
        if (touche.action)
            TestSupport::action(fixture->window, QLatin1String(touche.action))->trigger();
        else
            tape(edit, touche);
        const QString apres = texteDe(edit);
        const int q = edit->textCursor().position();

        const QLatin1String action(touche.action ? touche.action : "");
        if (action == QLatin1String("baliseCorrespondanteAct")
            || action == QLatin1String("selectionnerElementAct")) {
            verifieCommandeBalises(edit, action == QLatin1String("baliseCorrespondanteAct"),
                                   entierAvant, selection);
            avantCompletion.clear();
            continue;
        }
        if (action == QLatin1String("editAnnulerAct")
            || action == QLatin1String("editRefaireAct")) {
            avantCompletion.clear();
            continue;
        }
        verifieContexte(edit, q);

        // A command on lines gives what its rule gives on the whole text, as one step.
        std::optional<Blocs::Extrait> attendu;
        if (action == QLatin1String("commenterAct"))
            attendu = Blocs::basculeCommentaire(modele, Blocs::debut(Blocs::Langage::Html)).texte;
        else if (action == QLatin1String("dupliquerLigneAct"))
            attendu = Blocs::duplique(modele);
        else if (action == QLatin1String("monterLignesAct"))
            attendu = Blocs::deplace(modele, true);
        else if (action == QLatin1String("descendreLignesAct"))
            attendu = Blocs::deplace(modele, false);
        else if (touche.key == Qt::Key_Backtab)
            attendu = Blocs::desindente(modele);
        else if (touche.key == Qt::Key_Tab && plusieursLignes)
            attendu = Blocs::indente(modele);
        const bool accepte = (touche.key == Qt::Key_Return || touche.key == Qt::Key_Tab)
            && !ajout.isEmpty() && !selection.hasSelection();
        const bool lettre = QChar::fromLatin1(touche.texte[0]).isLetter();
        if (accepte) {
            FUZZ_CHECK(apres == avant.left(p) + ajout + avant.mid(p) && q == p + ajout.size(),
                       "accepting %s at %d\nbefore %s\nafter  %s", qPrintable(ajout), p,
                       qPrintable(avant), qPrintable(apres));
            FUZZ_CHECK(!edit->completeurHtml()->ouverte(), "the list stays open after accepting");
        } else if (attendu) {
            const Blocs::Extrait obtenu = entier(edit);
            const bool change = attendu->lignes != modele.lignes;
            FUZZ_CHECK(
                obtenu.lignes == attendu->lignes
                    && (!change
                        || (obtenu.ancre == attendu->ancre && obtenu.curseur == attendu->curseur)),
                "%s\nbefore   %s\nexpected %s\ngot      %s", touche.action,
                qPrintable(decrit(modele)), qPrintable(decrit(*attendu)),
                qPrintable(decrit(obtenu)));
            FUZZ_CHECK(edit->document()->isUndoAvailable() == (annulable || change),
                       "%s left an undo step for nothing", touche.action);
            if (change) {
                edit->document()->undo();
                FUZZ_CHECK(entier(edit).lignes == modele.lignes, "one undo of %s", touche.action);
                edit->document()->redo();
                FUZZ_CHECK(entier(edit).lignes == attendu->lignes, "redo of %s", touche.action);
            }
        } else if (touche.key == Qt::Key_Tab) {
            FUZZ_CHECK(apres == avant.left(p) + u'\t' + avant.mid(p), "Tab at %d", p);
        } else if (touche.key == Qt::Key_Escape || touche.key == Qt::Key_Down
                   || touche.key == Qt::Key_Up || touche.key == Qt::Key_Left
                   || touche.key == Qt::Key_Right || touche.key == Qt::Key_End
                   || touche.key == Qt::Key_Home || touche.modifiers != Qt::NoModifier) {
            FUZZ_CHECK(apres == entierAvant, "key %d changed the text at %d", int(touche.key), p);
        } else if (touche.key == Qt::Key_Backspace) {
            FUZZ_CHECK(q <= p && apres == avant.left(q) + avant.mid(p), "Backspace at %d", p);
        } else if (touche.key == Qt::Key_Slash) {
            FUZZ_CHECK(apres.left(p + 1) == avant.left(p) + u'/',
                       "'/' at %d changed the text before it", p);
            if (q != p + 1) {
                // A name and its ">", perhaps in place of an inserted closing tag.
                const QString nom = apres.mid(p + 1, q - p - 2);
                FUZZ_CHECK(p > 0 && avant.at(p - 1) == u'<' && !nom.isEmpty()
                               && apres.at(q - 1) == u'>',
                           "'/' at %d gave %s", p, qPrintable(apres.mid(p, q - p)));
                const QString reste = avant.mid(p);
                const QString fermante = QStringLiteral("</") + nom + u'>';
                FUZZ_CHECK(apres.mid(q) == reste
                               || (reste.startsWith(fermante, Qt::CaseInsensitive)
                                   && apres.mid(q) == reste.mid(fermante.size())),
                           "'/' at %d\nbefore %s\nafter  %s", p, qPrintable(avant),
                           qPrintable(apres));
                avantCompletion = avant.left(p) + u'/' + avant.mid(p);
                apresBarre = p + 1;
                continue;
            }
        } else if (lettre && !avantCompletion.isEmpty()
                   && apres != avant.left(p) + touche.texte + avant.mid(p)) {
            // The letter took the name back before going in.
            FUZZ_CHECK(apres
                           == avantCompletion.left(apresBarre) + touche.texte
                               + avantCompletion.mid(apresBarre),
                       "'%s' after a completion\nbefore %s\nafter  %s", touche.texte,
                       qPrintable(avant), qPrintable(apres));
        } else if (touche.key == Qt::Key_Return) {
            const QTextBlock bloc = edit->document()->findBlock(p);
            const QString debutLigne = avant.mid(bloc.position(), p - bloc.position());
            QString blancs;
            for (const QChar c : debutLigne) {
                if (c != u' ' && c != u'\t')
                    break;
                blancs += c;
            }
            const std::optional<Blocs::RetourEntreBalises> entre
                = Blocs::retourEntreBalises(QStringView(avant).first(p), {},
                                            QStringView(avant).sliced(p).first(std::min<qsizetype>(
                                                avant.size() - p, SaisieHtml::limiteRecherche)));
            const QString insere = entre ? QChar::ParagraphSeparator + entre->interieur
                    + QChar::ParagraphSeparator + entre->fermante
                                         : QChar::ParagraphSeparator + blancs;
            FUZZ_CHECK(apres == avant.left(p) + insere + avant.mid(p), "Return at %d", p);
        } else if (touche.key == Qt::Key_Greater) {
            const QString tape = avant.left(p) + u'>';
            FUZZ_CHECK(q == p + 1, "'>' at %d left the cursor at %d", p, q);
            FUZZ_CHECK(apres.left(q) == tape, "'>' at %d changed the text before it", p);
            const QString suite = apres.mid(q);
            const QString reste = avant.mid(p);
            if (suite != reste) {
                // Either a closing tag inserted, or one taken away.
                const bool insere = suite.endsWith(reste) && suite.startsWith(QLatin1String("</"))
                    && suite.size() > reste.size() + 3
                    && suite.at(suite.size() - reste.size() - 1) == u'>';
                const bool retire = reste.endsWith(suite) && reste.startsWith(QLatin1String("</"))
                    && reste.at(reste.size() - suite.size() - 1) == u'>';
                FUZZ_CHECK(insere || retire, "'>' at %d\nbefore %s\nafter  %s", p,
                           qPrintable(avant), qPrintable(apres));
            }
        } else if (!touche.action) {
            FUZZ_CHECK(apres == avant.left(p) + QLatin1String(touche.texte) + avant.mid(p)
                           && q == p + 1,
                       "'%s' at %d\nbefore %s\nafter  %s", touche.texte, p, qPrintable(avant),
                       qPrintable(apres));
        }
        avantCompletion.clear();
    }

    int pas = 0;
    while (edit->document()->isUndoAvailable() && pas++ < 1000)
        edit->document()->undo();
    FUZZ_CHECK(texteDe(edit) == origine,
               "undoing everything does not restore\nbefore %s\nafter  %s", qPrintable(origine),
               qPrintable(texteDe(edit)));
    return 0;
}
