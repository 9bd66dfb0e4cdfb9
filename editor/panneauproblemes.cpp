#include "panneauproblemes.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QTreeWidget>

namespace {

constexpr int roleLigne = Qt::UserRole;
constexpr int roleColonne = Qt::UserRole + 1;

QString nombre(int n, const char *singulier, const char *pluriel)
{
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::French).toString(n),
                                       QString::fromUtf8(n > 1 ? pluriel : singulier));
}

QTreeWidgetItem *ligneProbleme(const Verification::Probleme &probleme)
{
    auto *item
        = new QTreeWidgetItem({QString::number(probleme.ligne), QString::number(probleme.colonne),
                               Verification::nomGenre(probleme.genre), probleme.message});
    item->setData(0, roleLigne, probleme.ligne);
    item->setData(0, roleColonne, probleme.colonne);
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(3,
                     probleme.detail.isEmpty()
                         ? probleme.message
                         : probleme.message + QLatin1Char('\n') + probleme.detail);
    return item;
}

// A row that says something of the whole list and leads nowhere.
QTreeWidgetItem *ligneDeTexte(const QString &texte)
{
    auto *item = new QTreeWidgetItem({texte});
    item->setData(0, roleLigne, 0);
    return item;
}

} // namespace

PanneauProblemes::PanneauProblemes(QWidget *parent)
    : QDockWidget(parent)
    , arbre(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("panneauProblemes"));
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);

    arbre->setObjectName(QStringLiteral("listeProblemes"));
    arbre->setHeaderLabels({QStringLiteral("Ligne"), QStringLiteral("Col."),
                            QStringLiteral("Genre"), QStringLiteral("Message")});
    arbre->setRootIsDecorated(false);
    arbre->setUniformRowHeights(true);
    arbre->setAllColumnsShowFocus(true);
    arbre->setSelectionMode(QAbstractItemView::SingleSelection);
    // Widths from the widest texts, not from the rows: measuring a thousand rows at
    // each check would hold the event loop.
    const QFontMetrics mesure(arbre->font());
    const int marge = 3 * mesure.averageCharWidth();
    arbre->header()->setStretchLastSection(true);
    arbre->setColumnWidth(0, mesure.horizontalAdvance(QStringLiteral("0000000")) + marge);
    arbre->setColumnWidth(1, mesure.horizontalAdvance(QStringLiteral("000000")) + marge);
    arbre->setColumnWidth(2, mesure.horizontalAdvance(QStringLiteral("Avertissement")) + marge);
    arbre->installEventFilter(this);
    connect(arbre, &QTreeWidget::itemDoubleClicked, this, &PanneauProblemes::active);
    setWidget(arbre);
    majTitre();
}

void PanneauProblemes::verificationEnCours()
{
    enCours = true;
    majTitre();
}

void PanneauProblemes::montre(const Verification::Resultat &resultat)
{
    enCours = false;
    texteModifie = false;
    resultatMontre = true;

    QList<QTreeWidgetItem *> lignes;
    for (const Verification::Probleme &remarque : resultat.remarques)
        lignes << ligneProbleme(remarque);
    for (const Verification::Probleme &probleme : resultat.problemes)
        lignes << ligneProbleme(probleme);
    if (resultat.total() == 0) {
        lignes << ligneDeTexte(QStringLiteral("Aucun problème trouvé."));
    } else if (resultat.total() > resultat.problemes.size()) {
        const int reste = resultat.total() - int(resultat.problemes.size());
        lignes << ligneDeTexte(reste > 1 ? QStringLiteral("… et %1 autres problèmes, non listés.")
                                               .arg(QLocale(QLocale::French).toString(reste))
                                         : QStringLiteral("… et un autre problème, non listé."));
    }
    arbre->clear();
    arbre->addTopLevelItems(lignes);
    for (QTreeWidgetItem *ligne : std::as_const(lignes)) {
        if (ligne->data(0, roleLigne).toInt() == 0)
            ligne->setFirstColumnSpanned(true);
    }
    arbre->setCurrentItem(arbre->topLevelItem(0));

    QStringList comptes;
    if (resultat.erreurs)
        comptes << nombre(resultat.erreurs, "erreur", "erreurs");
    if (resultat.avertissements)
        comptes << nombre(resultat.avertissements, "avertissement", "avertissements");
    if (resultat.liens)
        comptes << nombre(resultat.liens, "lien", "liens");
    bilan
        = comptes.isEmpty() ? QStringLiteral("aucun problème") : comptes.join(QStringLiteral(", "));
    majTitre();
}

void PanneauProblemes::vide()
{
    arbre->clear();
    bilan.clear();
    enCours = false;
    texteModifie = false;
    resultatMontre = false;
    majTitre();
}

void PanneauProblemes::setTexteModifie(bool modifie)
{
    if (modifie == texteModifie)
        return;
    texteModifie = modifie;
    majTitre();
}

void PanneauProblemes::majTitre()
{
    QString titre = QStringLiteral("Problèmes de la page");
    if (!bilan.isEmpty())
        titre += QStringLiteral("\u00a0: ") + bilan;
    if (enCours)
        titre += QStringLiteral(" (vérification en cours…)");
    else if (texteModifie && resultatMontre)
        titre += QStringLiteral(" (le texte a changé depuis la vérification)");
    setWindowTitle(titre);
}

void PanneauProblemes::active(const QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int ligne = item->data(0, roleLigne).toInt();
    if (ligne > 0)
        emit allerA(ligne, item->data(0, roleColonne).toInt());
}

bool PanneauProblemes::eventFilter(QObject *objet, QEvent *event)
{
    if (objet == arbre && event->type() == QEvent::KeyPress) {
        const int touche = static_cast<QKeyEvent *>(event)->key();
        if (touche == Qt::Key_Return || touche == Qt::Key_Enter) {
            active(arbre->currentItem());
            return true;
        }
        if (touche == Qt::Key_Escape) {
            emit retourTexte();
            return true;
        }
    }
    return QDockWidget::eventFilter(objet, event);
}
