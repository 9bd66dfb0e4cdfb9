#pragma once

#include <QMessageBox>
#include <QPushButton>

// The editor's message boxes. Their texts quote what the user typed or a file's
// name, which may hold "<" or "&": every box shows its text as plain text, so that
// a searched "<title>" is not taken for markup and vanishes.

// The answers of the editor's old-style save questions.
enum class Reponse { Oui, Non, Annuler };

// A warning box with a single Ok button.
inline void avertissement(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// An information box with a single Ok button.
inline void information(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// A box with "Oui" (the default), "Non" and "Annuler", in this order on every
// desktop; Escape or closing the box counts as "Annuler", whose button may be
// left off the screen. Buttons of the yes, no and reject roles are reordered by
// the desktop's button layout (GNOME shows "Annuler, Non, Oui"): one role for
// all three keeps the order they were added in.
inline Reponse questionTroisReponses(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                                     const QString &text, bool annulerVisible)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *oui = box.addButton(QStringLiteral("Oui"), QMessageBox::ActionRole);
    QPushButton *non = box.addButton(QStringLiteral("Non"), QMessageBox::ActionRole);
    QPushButton *annuler = box.addButton(QStringLiteral("Annuler"), QMessageBox::ActionRole);
    annuler->setVisible(annulerVisible);
    box.setDefaultButton(oui);
    box.setEscapeButton(annuler);
    box.exec();
    if (box.clickedButton() == oui)
        return Reponse::Oui;
    if (box.clickedButton() == non)
        return Reponse::Non;
    return Reponse::Annuler;
}

// A warning box with "Oui" (the default), "Non" and "Annuler".
inline Reponse questionOuiNonAnnuler(QWidget *parent, const QString &title, const QString &text)
{
    return questionTroisReponses(parent, QMessageBox::Warning, title, text, true);
}

// A question box with a button that goes on (yes) and one that does not (no), the
// latter being the escape button; defaultYes chooses which one Return presses.
// True when the user chose yes.
inline bool questionOuiNon(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                           const QString &text, const QString &yes, const QString &no,
                           bool defaultYes)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton *oui = box.addButton(yes, QMessageBox::ActionRole);
    QPushButton *non = box.addButton(no, QMessageBox::ActionRole);
    box.setDefaultButton(defaultYes ? oui : non);
    box.setEscapeButton(non);
    box.exec();
    return box.clickedButton() == oui;
}

// A question box with "Oui" (the default, Return) and "Non", for a question whose
// "Non" destroys something: Escape or closing the box answers neither
// (Reponse::Annuler), so that a key pressed out of habit loses nothing.
inline Reponse questionOuiNonDifferable(QWidget *parent, const QString &title, const QString &text)
{
    return questionTroisReponses(parent, QMessageBox::Question, title, text, false);
}
