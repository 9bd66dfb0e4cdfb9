// The search, replace and table dialogs, as their commands open them, and the
// answering of a box that a dialog opens inside an answer.

#include "commandtest.h"
#include "dialoganswers.h"
#include "montextedit.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace CommandTest;
using namespace TestSupport;

namespace {

// The named widget that has the focus (a spin box's own line edit stands for it).
QString focusName(QWidget *dialog)
{
    QWidget *focus = dialog->focusWidget();
    if (focus && focus->objectName().isEmpty() && focus->parentWidget())
        focus = focus->parentWidget();
    return focus ? focus->objectName() : QString();
}

// Opens the dialog of a command and runs check on it; the message box that the
// command shows next, if any, is answered with the button boxButton.
void withDialog(KalTextEdit *window, const QString &actionName, DialogAnswers::Answer check,
                const QString &boxButton = QString())
{
    DialogAnswers answers;
    answers.then(std::move(check));
    if (!boxButton.isEmpty())
        answers.press(boxButton); // "non trouvé"
    action(window, actionName)->trigger();
    QVERIFY(cleanRun(answers));
}

} // namespace

class TestForms : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void texts_data();
    void texts();
    void replacementHolds250Characters();
    void spinBoxesRefuseOutOfRange_data();
    void spinBoxesRefuseOutOfRange();
    void enterAccepts_data();
    void enterAccepts();
    void tabOrder_data();
    void tabOrder();
    void resizingMovesNothing_data();
    void resizingMovesNothing();
    void boxOpenedInsideAnAnswer_data();
    void boxOpenedInsideAnAnswer();
};

void TestForms::initTestCase()
{
    init();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::connect")));
}

void TestForms::texts_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("titre");
    QTest::addColumn<QStringList>("textes"); // object name, then its text
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("annuler");

    QTest::newRow("search") << "editChercheAct"
                            << "Marlisse - Chercher"
                            << QStringList {"labelCherche",  "Texte à chercher :",
                                            "cbCasse",       "Respecter Majuscules/minuscules",
                                            "cbMotsEntiers", "&Mots entiers",
                                            "cbExpression",  "Expression &régulière"}
                            << "buttonOk"
                            << "buttonCancel";
    QTest::newRow("replace") << "editReplaceAct"
                             << "Marlisse - Remplacer"
                             << QStringList {"labelCherche",  "Texte à chercher :",
                                             "labelRemplace", "Remplacer par :",
                                             "cbCasse",       "Respecter Majuscules/minuscules",
                                             "cbMotsEntiers", "&Mots entiers",
                                             "cbExpression",  "Expression &régulière"}
                             << "buttonOk_2"
                             << "buttonCancel_2";
    QTest::newRow("table") << "tableauxAct"
                           << "Marlisse - Tableau"
                           << QStringList {"textLabel1", "Nombre de lignes :",
                                           "textLabel2", "Nombre de colonnes :",
                                           "cbBordure",  "Bordure"}
                           << "buttonOk"
                           << "buttonCancel";
}

// The texts the user reads, and the button row: a spacer, OK then Cancel, in a
// container whose layout has no margins; OK is the default button.
void TestForms::texts()
{
    QFETCH(QString, actionName);
    QFETCH(QString, titre);
    QFETCH(QStringList, textes);
    QFETCH(QString, ok);
    QFETCH(QString, annuler);

    EditorFixture f;
    QString boutons;
    withDialog(f.window, actionName, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), titre);
        QCOMPARE(dialog->layout(), nullptr);
        for (int i = 0; i < textes.size(); i += 2) {
            QWidget *w = dialog->findChild<QWidget *>(textes[i]);
            QVERIFY2(w, qPrintable(textes[i]));
            const QString texte = qobject_cast<QLabel *>(w)
                ? qobject_cast<QLabel *>(w)->text()
                : qobject_cast<QAbstractButton *>(w)->text();
            QCOMPARE(texte, textes[i + 1]);
        }
        auto *rangee = dialog->findChild<QWidget *>(QStringLiteral("horizontalLayout"));
        QVERIFY(rangee);
        auto *layout = qobject_cast<QHBoxLayout *>(rangee->layout());
        QVERIFY(layout);
        QCOMPARE(layout->contentsMargins(), QMargins());
        QCOMPARE(layout->count(), 3);
        QVERIFY(layout->itemAt(0)->spacerItem());
        auto *boutonOk = qobject_cast<QPushButton *>(layout->itemAt(1)->widget());
        auto *boutonAnnuler = qobject_cast<QPushButton *>(layout->itemAt(2)->widget());
        QVERIFY(boutonOk && boutonAnnuler);
        QCOMPARE(boutonOk->objectName(), ok);
        QCOMPARE(boutonAnnuler->objectName(), annuler);
        QVERIFY(boutonOk->isDefault());
        boutons = boutonOk->text() + QLatin1Char('|') + boutonAnnuler->text();
        boutonAnnuler->click();
    });
    QCOMPARE(boutons,
             actionName == QLatin1String("tableauxAct") ? QStringLiteral("&Ok|&Annuler")
                                                        : QStringLiteral("Ok|Cancel"));
}

// The replacement stops at 250 characters; the search fields take longer texts.
void TestForms::replacementHolds250Characters()
{
    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString longue(300, QLatin1Char('x'));
    withDialog(
        f.window, QStringLiteral("editReplaceAct"),
        [&](QWidget *dialog) {
            auto *cherche = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"));
            auto *remplace = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditRemplace"));
            QTest::keyClicks(remplace, QString(251, QLatin1Char('r')));
            QCOMPARE(remplace->text().size(), 250);
            QTest::keyClicks(cherche, longue);
            QCOMPARE(cherche->text(), longue);
            clickButton(dialog, QStringLiteral("Ok"));
        },
        QStringLiteral("OK"));
    QCOMPARE(w.strRemplace(), QString(250, QLatin1Char('r')));
    QCOMPARE(w.strCherche(), longue);

    withDialog(f.window, QStringLiteral("editChercheAct"), [&](QWidget *dialog) {
        auto *cherche = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche"));
        QTest::keyClicks(cherche, longue + longue);
        QCOMPARE(cherche->text().size(), 600);
        clickButton(dialog, QStringLiteral("Cancel"));
    });
}

void TestForms::spinBoxesRefuseOutOfRange_data()
{
    QTest::addColumn<QString>("spin");
    QTest::addColumn<QString>("tape");
    QTest::addColumn<int>("valeur");
    QTest::newRow("rows: 0 refused") << "spbNumLignes"
                                     << "0" << 3;
    QTest::newRow("rows: 100 stops at 10") << "spbNumLignes"
                                           << "100" << 10;
    QTest::newRow("rows: 99 taken") << "spbNumLignes"
                                    << "99" << 99;
    QTest::newRow("columns: 0 refused") << "spbNumCols"
                                        << "0" << 3;
    QTest::newRow("columns: 100 stops at 10") << "spbNumCols"
                                              << "100" << 10;
    QTest::newRow("columns: 1 taken") << "spbNumCols"
                                      << "1" << 1;
}

// Typed values outside 1 to 99 never reach the table; the arrows stop at the bounds.
void TestForms::spinBoxesRefuseOutOfRange()
{
    QFETCH(QString, spin);
    QFETCH(QString, tape);
    QFETCH(int, valeur);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    int accepte = 0;
    QPair<int, int> bornes;
    withDialog(f.window, QStringLiteral("tableauxAct"), [&](QWidget *dialog) {
        auto *box = dialog->findChild<QSpinBox *>(spin);
        box->setFocus();
        box->setValue(1);
        QTest::keyClick(box, Qt::Key_Down);
        bornes.first = box->value();
        box->setValue(99);
        QTest::keyClick(box, Qt::Key_Up);
        bornes.second = box->value();

        box->setValue(3);
        box->selectAll();
        QTest::keyClicks(box, tape);
        QTest::keyClick(box, Qt::Key_Return); // accepts the dialog
        accepte = box->value();
    });
    QCOMPARE(accepte, valeur);
    QCOMPARE(bornes, qMakePair(1, 99));
    const int cellules = w.textEdit()->toPlainText().count(QStringLiteral("<td></td>"));
    QCOMPARE(cellules, 3 * valeur);
}

void TestForms::enterAccepts_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QString>("champ");
    QTest::newRow("search field") << "editChercheAct"
                                  << "lineEditCherche";
    QTest::newRow("replace: search field") << "editReplaceAct"
                                           << "lineEditCherche";
    QTest::newRow("replace: replacement field") << "editReplaceAct"
                                                << "lineEditRemplace";
    QTest::newRow("table: columns") << "tableauxAct"
                                    << "spbNumCols";
}

// Enter in a field accepts the dialog as OK would.
void TestForms::enterAccepts()
{
    QFETCH(QString, actionName);
    QFETCH(QString, champ);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    w.textEdit()->setPlainText(QStringLiteral("un mot"));
    int resultat = -1;
    withDialog(f.window, actionName, [&](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (auto *cherche = dialog->findChild<QLineEdit *>(QStringLiteral("lineEditCherche")))
            cherche->setText(QStringLiteral("mot"));
        QWidget *cible = dialog->findChild<QWidget *>(champ);
        cible->setFocus();
        QTest::keyClick(cible, Qt::Key_Return);
        resultat = dialog->result();
    });
    QCOMPARE(resultat, int(QDialog::Accepted));
    if (actionName == QLatin1String("tableauxAct"))
        QVERIFY(w.textEdit()->toPlainText().contains(QStringLiteral("<table border>")));
    else
        QCOMPARE(w.textEdit()->textCursor().selectedText(), QStringLiteral("mot"));
}

void TestForms::tabOrder_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QStringList>("ordre"); // from the widget that has the focus at first
    QTest::newRow("search") << "editChercheAct"
                            << QStringList {"lineEditCherche", "cbCasse",  "cbMotsEntiers",
                                            "cbExpression",    "buttonOk", "buttonCancel",
                                            "lineEditCherche"};
    QTest::newRow("replace") << "editReplaceAct"
                             << QStringList {"lineEditCherche", "lineEditRemplace", "cbCasse",
                                             "cbMotsEntiers",   "cbExpression",     "buttonOk_2",
                                             "buttonCancel_2",  "lineEditCherche"};
    QTest::newRow("table") << "tableauxAct"
                           << QStringList {"spbNumLignes", "spbNumCols",   "cbBordure",
                                           "buttonOk",     "buttonCancel", "spbNumLignes"};
}

// The focus starts in the first field, and Tab goes through the fields in order.
void TestForms::tabOrder()
{
    QFETCH(QString, actionName);
    QFETCH(QStringList, ordre);

    EditorFixture f;
    QStringList parcours;
    withDialog(f.window, actionName, [&](QWidget *dialog) {
        QTRY_VERIFY(dialog->focusWidget());
        parcours << focusName(dialog);
        for (int i = 1; i < ordre.size(); ++i) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            parcours << focusName(dialog);
        }
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(parcours, ordre);
}

void TestForms::resizingMovesNothing_data()
{
    QTest::addColumn<QString>("actionName");
    QTest::addColumn<QSize>("taille");
    QTest::newRow("search") << "editChercheAct" << QSize(400, 311);
    QTest::newRow("replace") << "editReplaceAct" << QSize(432, 360);
    QTest::newRow("table") << "tableauxAct" << QSize(340, 222);
}

// The widgets keep their places and sizes however the dialog is resized.
void TestForms::resizingMovesNothing()
{
    QFETCH(QString, actionName);
    QFETCH(QSize, taille);

    EditorFixture f;
    withDialog(f.window, actionName, [&](QWidget *dialog) {
        QCOMPARE(dialog->size(), taille);
        QMap<QString, QRect> avant;
        for (QWidget *w : dialog->findChildren<QWidget *>())
            if (!w->objectName().isEmpty())
                avant[w->objectName()] = w->geometry();
        QVERIFY(avant.size() >= 6);

        for (const QSize nouvelle : {QSize(900, 700), QSize(200, 120)}) {
            dialog->resize(nouvelle);
            QTRY_COMPARE(dialog->size(), nouvelle);
            QCoreApplication::processEvents();
            for (auto it = avant.cbegin(); it != avant.cend(); ++it)
                QCOMPARE(dialog->findChild<QWidget *>(it.key())->geometry(), it.value());
        }
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
}

void TestForms::boxOpenedInsideAnAnswer_data()
{
    QTest::addColumn<QString>("reponse"); // to the box, none when empty
    QTest::addColumn<QStringList>("suite"); // the log after the save dialog's line
    const QString question = QStringLiteral(
        "Enregistrer sous | page.html already exists.\nDo you want to replace it?");
    QTest::newRow("answered by the next answer") << "Yes" << QStringList {question};
    QTest::newRow("no answer left: noted and closed, and the dialog it leaves open")
        << QString() << QStringList {"unexpected: " + question, "left open: Enregistrer sous"};
}

// Accepting the save dialog on an existing name opens the dialog's own question
// inside that answer's click, in a nested modal loop: the next answer gets it,
// and whatever is left without an answer is noted and closed, never waited for.
void TestForms::boxOpenedInsideAnAnswer()
{
    QFETCH(QString, reponse);
    QFETCH(QStringList, suite);

    EditorFixture f;
    KalTextEditTestAccess w(f.window);
    const QString page = f.dir.filePath(QStringLiteral("page.html"));
    QVERIFY(writeBytes(page, "avant"));
    w.textEdit()->setPlainText(QStringLiteral("apres"));
    DialogAnswers answers;
    answers.choose(page);
    if (!reponse.isEmpty())
        answers.press(reponse);
    action(f.window, QStringLiteral("fileSaveAsAct"))->trigger();

    QVERIFY(answers.log().value(0).startsWith(QStringLiteral("Enregistrer sous in ")));
    QCOMPARE(answers.log().mid(1), suite);
    QCOMPARE(cleanRun(answers), suite.size() == 1);
    QCOMPARE(readBytes(page), QByteArray(reponse == QLatin1String("Yes") ? "apres" : "avant"));
}

QTEST_MAIN(TestForms)
#include "tst_forms.moc"
