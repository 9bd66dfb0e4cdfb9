// Alignment, image, table and document skeleton.

#include "kaltextedit.h"

#include "etapeannulation.h"
#include "montextedit.h"
#include "ui_dlgtableau.h"

#include <QAction>
#include <QDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTextCursor>

namespace {

// A new HTML document; the two empty lines are the one before the title and
// the body, where the cursor waits for the content.
const char *const squelette[] = {
    R"(<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)",
    R"(<html lang="fr" dir="ltr">)",
    R"(<head>)",
    R"(<meta http-equiv="content-type" content="text/html; charset=ISO-8859-1" />)",
    R"(<!-- Dans les 2 balises suivantes, séparer les valeurs dans content="" par des , (virgule) -->)",
    R"(<meta name="keywords" content="" />)",
    R"(<meta name="description" content="" />)",
    R"(<!-- la balise suivante est indispensable s'il y a une feuille de style -mettre le nom correct -->)",
    R"(<link rel="stylesheet" type="text/css" href="feuilsty.css" />)",
    "",
    R"(<title></title>)",
    R"(</head>)",
    R"(<body>)",
    "",
    R"(</body>)",
    R"(</html>)",
};

// A number field that gets the focus offers its whole value to be typed over, as
// a line edit does: the dialog opens with the focus in a field holding "3", and
// typing "2" must give 2, not 32. A click places the cursor where it falls.
class SelectionAuFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
                static_cast<QAbstractSpinBox *>(watched)->selectAll();
        }
        return false;
    }
};

// Every tag of a table stands alone on its line, without indentation.
QStringList lignesTableau(int lignes, int colonnes, bool bordure)
{
    QStringList texte {bordure ? QStringLiteral("<table border>") : QStringLiteral("<table>")};
    for (int ligne = 0; ligne < lignes; ++ligne) {
        texte << QStringLiteral("<tr>");
        for (int colonne = 0; colonne < colonnes; ++colonne)
            texte << QStringLiteral("<td></td>");
        texte << QStringLiteral("</tr>");
    }
    texte << QStringLiteral("</table>");
    return texte;
}

} // namespace

// The attribute only affects paragraphs and headings inserted from now on.
void KalTextEdit::slotTextAlign(QAction *action)
{
    const struct
    {
        QAction *action;
        QString attribut;
        QString nom;
    } choix[] = {
        {alignGaucheAct, QString(), tr("Gauche")},
        {alignCentreAct, QStringLiteral(" align=\"center\""), tr("Centré")},
        {alignDroiteAct, QStringLiteral(" align=\"right\""), tr("Droite")},
        {alignJustifieAct, QStringLiteral(" align=\"justify\""), tr("Justifié")},
    };
    for (const auto &c : choix) {
        if (c.action == action) {
            strAlignement = c.attribut;
            labelAlignement->setText(c.nom);
            return;
        }
    }
}

void KalTextEdit::slotImage()
{
    EtapeAnnulation etape(textEdit);
    textEdit->insertPlainText(QStringLiteral(
        R"(<img src="" name="" align="bottom" height="" width="" border="none" />)"));
}

// Each line goes in through the plain-text insertion (the first replaces any
// selection) and is ended by a line break.
void KalTextEdit::insereLignes(const QStringList &lignes)
{
    for (const QString &ligne : lignes) {
        if (!ligne.isEmpty())
            textEdit->insertPlainText(ligne);
        insereRetourLigne();
    }
}

void KalTextEdit::slotTableaux()
{
    // A new dialog each time: it always opens on 3 rows, 3 columns and a border.
    QDialog dialog;
    Ui::DlgTableau form;
    form.setupUi(&dialog);
    form.spbNumLignes->setValue(3);
    form.spbNumCols->setValue(3);
    form.cbBordure->setChecked(true);
    auto *selection = new SelectionAuFocus(&dialog);
    form.spbNumLignes->installEventFilter(selection);
    form.spbNumCols->installEventFilter(selection);
    if (dialog.exec() != QDialog::Accepted)
        return;

    // The table starts on a line of its own, after any selected text, and the
    // whole of it is undone at once.
    EtapeAnnulation etape(textEdit);
    insereRetourLigne();
    insereLignes(lignesTableau(form.spbNumLignes->value(), form.spbNumCols->value(),
                               form.cbBordure->isChecked()));
}

void KalTextEdit::slotSqueletteHtml()
{
    // The skeleton declares the document's own encoding: the declaration decides
    // at the next save, and the document must stay in the encoding it is in.
    const QString charset
        = QStringLiteral("charset=") + QLatin1String(encodageDocument.declaredName());
    QStringList lignes;
    for (const char *ligne : squelette)
        lignes << QString::fromUtf8(ligne).replace(QLatin1String("charset=ISO-8859-1"), charset);

    EtapeAnnulation etape(textEdit);
    insereLignes(lignes);
    // From the line after "</html>" up to the empty line of the body.
    deplaceCurseur(0, -3);
}

// A page as written today, in the document's own encoding, the cursor in its title.
void KalTextEdit::slotPageHtml5()
{
    const QString page = QStringLiteral("<!DOCTYPE html>\n"
                                        "<html lang=\"fr\">\n"
                                        "<head>\n"
                                        "    <meta charset=\"%1\">\n"
                                        "    <meta name=\"viewport\" content=\"width=device-width, "
                                        "initial-scale=1\">\n"
                                        "    <title></title>\n"
                                        "</head>\n"
                                        "<body>\n"
                                        "\n"
                                        "</body>\n"
                                        "</html>\n")
                             .arg(QLatin1String(encodageDocument.declaredName()));

    const int debut = textEdit->textCursor().selectionStart();
    {
        EtapeAnnulation etape(textEdit);
        textEdit->insertPlainText(page);
    }
    // Once the step is closed, when the document has told its change: a cursor
    // moved before would have the whole page read again for the tag pair.
    QTextCursor cursor(textEdit->document());
    cursor.setPosition(debut + int(page.indexOf(QLatin1String("</title>"))));
    textEdit->setTextCursor(cursor);
}
