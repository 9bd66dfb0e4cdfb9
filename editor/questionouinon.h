#pragma once

#include <QMessageBox>
#include <QPushButton>

// The answers of the editor's old-style save questions.
enum class Reponse { Oui, Non, Annuler };

// A warning box with "Oui" (the default), "Non" and "Annuler"; Escape or closing
// the box counts as "Annuler".
inline Reponse questionOuiNonAnnuler(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    QPushButton *oui = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
    QPushButton *non = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
    QPushButton *annuler = box.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
    box.setDefaultButton(oui);
    box.setEscapeButton(annuler);
    box.exec();
    if (box.clickedButton() == oui)
        return Reponse::Oui;
    if (box.clickedButton() == non)
        return Reponse::Non;
    return Reponse::Annuler;
}
