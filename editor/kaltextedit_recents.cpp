// The "Fichiers récents" submenu of the Fichier menu.

#include "kaltextedit.h"

#include "boitesmessage.h"
#include "montextedit.h"
#include "reglages.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTextDocument>

// The list as it stands on disk now, newest first: "&1 nom.html" to "1&0 nom.html",
// each name followed by its folder when another file of the list has the same name.
void KalTextEdit::remplitMenuRecents()
{
    recentsMenu->clear();
    const QStringList recents = Reglages::fichiersRecents();
    if (recents.isEmpty()) {
        QAction *vide = recentsMenu->addAction(tr("(vide)"));
        vide->setObjectName(QStringLiteral("recentVideAct"));
        vide->setEnabled(false);
        return;
    }
    QStringList noms;
    for (const QString &fichier : recents)
        noms << QFileInfo(fichier).fileName();
    for (int i = 0; i < recents.size(); ++i) {
        const QString fichier = recents[i];
        QString libelle = noms[i];
        if (noms.count(noms[i]) > 1)
            libelle += QStringLiteral(" (%1)").arg(
                QDir::toNativeSeparators(QFileInfo(fichier).absolutePath()));
        // A "&" of the name is shown, not taken for a mnemonic.
        libelle.replace(QLatin1Char('&'), QLatin1String("&&"));
        const QString numero
            = i < 9 ? QLatin1Char('&') + QString::number(i + 1) : QStringLiteral("1&0");
        QAction *action = recentsMenu->addAction(numero + QLatin1Char(' ') + libelle);
        action->setObjectName(QStringLiteral("recentAct%1").arg(i + 1));
        action->setStatusTip(fichier);
        connect(action, &QAction::triggered, this, [this, fichier] { ouvreRecent(fichier); });
    }
    recentsMenu->addSeparator();
    QAction *efface = recentsMenu->addAction(tr("Effacer la liste"));
    efface->setObjectName(QStringLiteral("effaceRecentsAct"));
    efface->setStatusTip(tr("Vide la liste des fichiers récents"));
    connect(efface, &QAction::triggered, this, [] { Reglages::effaceFichiersRecents(); });
}

// Opens a recent file as the open command would. A file that is gone leaves the
// list; it is looked for before the question on a modified text, which would be
// asked for nothing.
void KalTextEdit::ouvreRecent(const QString &fileName)
{
    if (!QFileInfo::exists(fileName)) {
        Reglages::retireFichierRecent(fileName);
        avertissement(this, QStringLiteral("Marlisse"),
                      QStringLiteral("Le fichier %1 n'existe plus.\nIl est retiré de la liste "
                                     "des fichiers récents.")
                          .arg(fileName));
        return;
    }
    bool ok = true;
    if (textEdit->document()->isModified())
        demandeSauvegarde(&ok);
    if (ok)
        ouvreFichier(fileName);
}
