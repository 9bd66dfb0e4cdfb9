#include "panneauproblemes.h"

#include "deplacements.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int roleIndex = Qt::UserRole; // in rangees, -1 for a header or a note
constexpr int roleMarque = Qt::UserRole + 1; // QPoint(start, length) in the excerpt
constexpr int roleRemplacement = Qt::UserRole + 2; // a QString, or nothing

// Of an excerpt, the span and its surroundings only: a line of a minified page
// can be a megabyte long.
constexpr int avantMarque = 60;
constexpr int apresMarque = 200;

QString nombre(int n, const char *singulier, const char *pluriel)
{
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::French).toString(n),
                                       QString::fromUtf8(n > 1 ? pluriel : singulier));
}

QString propre(const QString &chemin)
{
    return chemin.isEmpty() ? chemin : QDir::cleanPath(chemin);
}

// Walks a text's lines and columns forward from where it last stood: rows come
// by line, and on a line by column, so that a whole list costs one pass over
// the lines it names, however long they are.
class Lignes
{
public:
    explicit Lignes(QStringView texte)
        : texte(texte)
    { }

    // The offset of a line and column, both from 1; a line past the last gives
    // the text's end, a column past the line's end the line's end.
    qsizetype offset(int ligne, int colonne)
    {
        if (ligne < numero || (ligne == numero && colonne < colonneCourante)) {
            numero = colonneCourante = 1;
            debut = position = 0;
        }
        while (numero < ligne) {
            const qsizetype fin = texte.indexOf(u'\n', debut);
            if (fin < 0)
                return texte.size();
            debut = position = fin + 1;
            colonneCourante = 1;
            ++numero;
        }
        while (colonneCourante < colonne && position < texte.size()
               && texte.at(position) != u'\n') {
            if (texte.at(position).isHighSurrogate() && position + 1 < texte.size()
                && texte.at(position + 1).isLowSurrogate())
                ++position;
            ++position;
            ++colonneCourante;
        }
        return position;
    }

private:
    QStringView texte;
    int numero = 1;
    qsizetype debut = 0;
    qsizetype position = 0;
    int colonneCourante = 1;
};

// The line and column of document positions, each block's text taken once for
// all the rows on it.
class PlacesDuDocument
{
public:
    explicit PlacesDuDocument(QTextDocument *document)
        : document(document)
    { }

    std::pair<int, int> de(int position)
    {
        const QTextBlock bloc = document->findBlock(position);
        if (bloc.blockNumber() != numero) {
            numero = bloc.blockNumber();
            texte = bloc.text();
            positionBloc = bloc.position();
            dansLeBloc = 0;
            colonne = 1;
        }
        const qsizetype cible = std::clamp<qsizetype>(position - positionBloc, 0, texte.size());
        if (cible < dansLeBloc) {
            dansLeBloc = 0;
            colonne = 1;
        }
        for (; dansLeBloc < cible; ++dansLeBloc) {
            if (!(dansLeBloc > 0 && texte.at(dansLeBloc).isLowSurrogate()
                  && texte.at(dansLeBloc - 1).isHighSurrogate()))
                ++colonne;
        }
        return {numero + 1, colonne};
    }

    int position(int ligne, int colonne)
    {
        QTextBlock bloc = document->findBlockByNumber(ligne - 1);
        if (!bloc.isValid())
            return document->characterCount() - 1;
        if (bloc.blockNumber() != numeroTexte) {
            numeroTexte = bloc.blockNumber();
            texteLigne = bloc.text();
            lignes = std::make_unique<Lignes>(texteLigne);
        }
        return bloc.position() + int(lignes->offset(1, colonne));
    }

private:
    QTextDocument *document;
    int numero = -1;
    QString texte;
    int positionBloc = 0;
    qsizetype dansLeBloc = 0;
    int colonne = 1;
    int numeroTexte = -1;
    QString texteLigne;
    std::unique_ptr<Lignes> lignes;
};

// The message column of a row with an excerpt: the line's text, its span shown,
// struck through and followed by its replacement when there is one.
class DelegueExtrait : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QVariant marque = index.data(roleMarque);
        if (!marque.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem fond = option;
        initStyleOption(&fond, index);
        const QString texte = fond.text;
        fond.text.clear();
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &fond, painter, widget);

        const QPoint span = marque.toPoint();
        const QVariant remplacement = index.data(roleRemplacement);
        struct Morceau
        {
            QString texte;
            int sorte; // 0 plain, 1 the span, 2 the replacement
        };
        const QList<Morceau> morceaux = {
            {texte.left(span.x()), 0},
            {texte.mid(span.x(), span.y()), 1},
            {remplacement.isValid() ? remplacement.toString() : QString(), 2},
            {texte.mid(span.x() + span.y()), 0},
        };
        const QRect zone = style->subElementRect(QStyle::SE_ItemViewItemText, &fond, widget)
                               .adjusted(2, 0, -2, 0);
        painter->save();
        painter->setClipRect(zone);
        const bool choisie = option.state & QStyle::State_Selected;
        const QColor normal
            = option.palette.color(choisie ? QPalette::HighlightedText : QPalette::Text);
        int x = zone.left();
        for (const Morceau &m : morceaux) {
            if (m.texte.isEmpty() || x > zone.right())
                continue;
            QFont police = option.font;
            police.setBold(m.sorte != 0);
            police.setStrikeOut(m.sorte == 1 && remplacement.isValid());
            const QFontMetrics mesure(police);
            const int largeur = mesure.horizontalAdvance(m.texte);
            const QRect boite(x, zone.top(), largeur, zone.height());
            if (m.sorte != 0 && !choisie)
                painter->fillRect(boite,
                                  m.sorte == 1 ? QColor(255, 235, 140) : QColor(190, 235, 190));
            painter->setFont(police);
            painter->setPen(m.sorte == 1 && remplacement.isValid() && !choisie ? QColor(160, 0, 0)
                                                                               : normal);
            painter->drawText(boite, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              m.texte);
            x += largeur;
        }
        painter->restore();
    }
};

} // namespace

RangeeProbleme RangeeProbleme::de(const Verification::Probleme &probleme)
{
    RangeeProbleme rangee;
    rangee.ligne = probleme.ligne;
    rangee.colonne = probleme.colonne;
    rangee.genre = Verification::nomGenre(probleme.genre);
    rangee.message = probleme.message;
    rangee.detail = probleme.detail;
    return rangee;
}

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
    arbre->setItemDelegateForColumn(3, new DelegueExtrait(arbre));
    // Widths from the widest texts, not from the rows: measuring a thousand rows at
    // each check would hold the event loop.
    const QFontMetrics mesure(arbre->font());
    const int marge = 3 * mesure.averageCharWidth();
    arbre->header()->setStretchLastSection(true);
    arbre->setColumnWidth(0, mesure.horizontalAdvance(QStringLiteral("0000000")) + marge);
    arbre->setColumnWidth(1, mesure.horizontalAdvance(QStringLiteral("000000")) + marge);
    arbre->setColumnWidth(2, mesure.horizontalAdvance(QStringLiteral("Avertissement")) + marge);
    arbre->installEventFilter(this);
    connect(arbre, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { active(item, true); });
    // The row chosen in the list is where F8 goes on from.
    connect(arbre, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (arbre->hasFocus() && indexDe(item) >= 0)
            parcourue = indexDe(item);
    });
    setWidget(arbre);

    suiteAncrage.setSingleShot(true);
    suiteAncrage.setInterval(0);
    connect(&suiteAncrage, &QTimer::timeout, this, &PanneauProblemes::ancreSuite);
    suiteConstruction.setSingleShot(true);
    suiteConstruction.setInterval(0);
    connect(&suiteConstruction, &QTimer::timeout, this, &PanneauProblemes::construitSuite);
    majDiffere.setSingleShot(true);
    majDiffere.setInterval(150);
    connect(&majDiffere, &QTimer::timeout, this, &PanneauProblemes::majPlaces);
    titreBase = QStringLiteral("Problèmes de la page");
    majTitre();
}

PanneauProblemes::~PanneauProblemes() = default;

void PanneauProblemes::suitDocument(QTextDocument *suivi)
{
    document = suivi;
    connect(suivi, &QTextDocument::contentsChange, this,
            [this](int position, int retires, int ajoutes) {
                if (depuisAncrage)
                    depuisAncrage->note(position, retires, ajoutes);
            });
    connect(suivi, &QTextDocument::contentsChanged, this, [this] {
        if (std::any_of(rangees.cbegin(), rangees.cend(), [](const Rangee &r) { return r.ancree; }))
            majDiffere.start();
    });
}

void PanneauProblemes::avantRemplacement()
{
    detache();
    remplace = true;
}

void PanneauProblemes::documentCourant(const QString &chemin)
{
    const QString nouveau = propre(chemin);
    if (remplace) {
        remplace = false;
        cheminCourant = nouveau;
        ancre(nullptr);
        return;
    }
    if (nouveau == cheminCourant)
        return;
    if (cheminCourant.isEmpty() || dePage) {
        // Saved for the first time, or the rows are the page check's: they are
        // those of its text, wherever it went.
        for (Rangee &rangee : rangees) {
            if (rangee.chemin == cheminCourant)
                rangee.chemin = nouveau;
        }
        cheminCourant = nouveau;
        return;
    }
    detache();
    cheminCourant = nouveau;
    ancre(nullptr);
}

void PanneauProblemes::commence(const QString &titre)
{
    titreEnCours = titre;
    travailEnCours = true;
    dePage = false;
    majTitre();
}

void PanneauProblemes::verificationEnCours()
{
    commence(QStringLiteral("Problèmes de la page (vérification en cours…)"));
    dePage = true;
}

void PanneauProblemes::interrompu(const QString &titre)
{
    travailEnCours = false;
    titreBase = titre;
    majTitre();
}

void PanneauProblemes::montre(const QString &titre, QList<GroupeProblemes> groupes,
                              const QStringList &notes, const QStringList &fin,
                              const Source *source)
{
    travailEnCours = false;
    texteModifie = false;
    resultatMontre = true;
    dePage = false;
    titreBase = titre;
    parcourue = -1;
    suiteConstruction.stop();
    suiteAncrage.stop();
    aAncrer.clear();
    depuisAncrage.reset();
    ++generation;

    std::stable_sort(
        groupes.begin(), groupes.end(),
        [](const GroupeProblemes &a, const GroupeProblemes &b) { return a.relatif < b.relatif; });
    // Deleting the rows of a long list takes a turn of the loop of its own.
    const bool grandeListe = rangees.size() > std::size_t(tranche);
    rangees.clear();
    std::size_t nombreRangees = 0;
    for (const GroupeProblemes &groupe : std::as_const(groupes))
        nombreRangees += std::size_t(groupe.rangees.size());
    rangees.reserve(nombreRangees);
    bool avecEntetes = false;
    for (const GroupeProblemes &groupe : std::as_const(groupes)) {
        avecEntetes = avecEntetes || !groupe.relatif.isEmpty();
        const QString chemin = propre(groupe.chemin);
        for (const RangeeProbleme &r : groupe.rangees) {
            if (r.ligne > 0)
                rangees.push_back({chemin, r, nullptr, QTextCursor(), 0, false, false});
        }
    }

    arbre->clear();
    arbre->setRootIsDecorated(avecEntetes);
    for (const QString &texte : notes)
        ajouteNote(texte);
    construction = Construction();
    construction.groupes = std::move(groupes);
    construction.fin = fin;
    construction.active = true;
    ancre(source);
    if (grandeListe)
        suiteConstruction.start();
    else
        construitSuite();
    majTitre();
}

void PanneauProblemes::ajouteNote(const QString &texte)
{
    auto *item = new QTreeWidgetItem({texte});
    item->setData(0, roleIndex, -1);
    arbre->addTopLevelItem(item);
    arbre->setFirstColumnSpanned(arbre->topLevelItemCount() - 1, QModelIndex(), true);
}

// The items of the rows, some thousands at a time, so that the list of a whole
// site does not hold the event loop; the rest at the next turn.
void PanneauProblemes::construitSuite()
{
    int restantes = tranche;
    QList<int> aEtendre;
    while (construction.groupe < construction.groupes.size() && restantes > 0) {
        const GroupeProblemes &groupe = construction.groupes.at(construction.groupe);
        if (construction.rangee == 0 && !groupe.relatif.isEmpty()) {
            const int compte = std::max<int>(groupe.total, int(groupe.rangees.size()));
            auto *entete = new QTreeWidgetItem({QStringLiteral("%1 (%2)").arg(
                groupe.relatif, QLocale(QLocale::French).toString(compte))});
            entete->setData(0, roleIndex, -1);
            entete->setToolTip(0, QDir::toNativeSeparators(groupe.chemin));
            QFont gras = entete->font(0);
            gras.setBold(true);
            entete->setFont(0, gras);
            arbre->addTopLevelItem(entete);
            aEtendre << arbre->topLevelItemCount() - 1;
            construction.entete = entete;
        }
        const qsizetype fin
            = std::min<qsizetype>(groupe.rangees.size(), construction.rangee + restantes);
        QList<QTreeWidgetItem *> items;
        items.reserve(fin - construction.rangee);
        for (qsizetype i = construction.rangee; i < fin; ++i)
            items << nouvelItem(groupe.rangees.at(i));
        restantes -= int(fin - construction.rangee);
        construction.rangee = int(fin);
        if (construction.entete)
            construction.entete->addChildren(items);
        else
            arbre->addTopLevelItems(items);
        if (construction.rangee >= groupe.rangees.size()) {
            ++construction.groupe;
            construction.rangee = 0;
            construction.entete = nullptr;
        }
    }
    // Once the slice is in: each span lays out what waits to be laid out.
    for (const int rang : std::as_const(aEtendre))
        arbre->setFirstColumnSpanned(rang, QModelIndex(), true);
    if (!arbre->currentItem())
        arbre->setCurrentItem(!rangees.empty() && rangees.front().item ? rangees.front().item
                                                                       : arbre->topLevelItem(0));
    if (construction.groupe < construction.groupes.size()) {
        suiteConstruction.start();
        return;
    }
    for (const QString &texte : std::as_const(construction.fin))
        ajouteNote(texte);
    construction = Construction();
    // All the groups at once, once all are there: expanding each one lays the
    // whole list out again.
    arbre->expandAll();
    majPlaces();
}

void PanneauProblemes::termineConstruction()
{
    while (construction.active) {
        suiteConstruction.stop();
        construitSuite();
    }
}

QTreeWidgetItem *PanneauProblemes::nouvelItem(const RangeeProbleme &r)
{
    if (r.ligne <= 0) {
        // Said of the whole file (it could not be read): leads nowhere.
        auto *item = new QTreeWidgetItem({QString(), QString(), r.genre, r.message});
        item->setData(0, roleIndex, -1);
        if (!r.detail.isEmpty())
            item->setToolTip(3, r.detail);
        return item;
    }
    Rangee &rangee = rangees[construction.index];
    auto *item = new QTreeWidgetItem(
        {QString::number(r.ligne), QString::number(r.colonne), r.genre, r.message});
    item->setData(0, roleIndex, int(construction.index));
    ++construction.index;
    rangee.item = item;
    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    QString aide = r.detail.isEmpty() ? QString() : r.message + QLatin1Char('\n') + r.detail;
    if (!r.extrait.isEmpty()) {
        // The span and what surrounds it; tabs as blanks, so that the span stays
        // where it is.
        const int debut = std::max(0, r.debutMarque - avantMarque);
        const int finExtrait
            = std::min<int>(int(r.extrait.size()), r.debutMarque + r.longueurMarque + apresMarque);
        QString extrait = r.extrait.mid(debut, finExtrait - debut);
        extrait.replace(QLatin1Char('\t'), QLatin1Char(' '));
        const QString avant = debut > 0 ? QStringLiteral("…") : QString();
        const QString apres = finExtrait < r.extrait.size() ? QStringLiteral("…") : QString();
        item->setText(3, avant + extrait + apres);
        item->setData(3, roleMarque,
                      QPoint(int(avant.size()) + r.debutMarque - debut, r.longueurMarque));
        if (r.avecRemplacement)
            item->setData(3, roleRemplacement, r.remplacement);
        aide = r.detail.isEmpty() ? r.message : aide;
    }
    // The message is in its column: a tooltip only says more.
    if (!aide.isEmpty())
        item->setToolTip(3, aide);
    if (rangee.ancree || rangee.supprimee)
        majTexteRangee(rangee);
    return item;
}

void PanneauProblemes::montre(const Verification::Resultat &resultat, const QString &chemin,
                              const Source *source)
{
    GroupeProblemes groupe;
    groupe.chemin = chemin;
    for (const QList<Verification::Probleme> *liste : {&resultat.remarques, &resultat.problemes}) {
        for (const Verification::Probleme &p : *liste)
            groupe.rangees << RangeeProbleme::de(p);
    }
    QStringList notes;
    QStringList fin;
    if (resultat.total() == 0) {
        notes << QStringLiteral("Aucun problème trouvé.");
    } else if (resultat.total() > resultat.problemes.size()) {
        const int reste = resultat.total() - int(resultat.problemes.size());
        fin << (reste > 1 ? QStringLiteral("… et %1 autres problèmes, non listés.")
                                .arg(QLocale(QLocale::French).toString(reste))
                          : QStringLiteral("… et un autre problème, non listé."));
    }
    QStringList comptes;
    if (resultat.erreurs)
        comptes << nombre(resultat.erreurs, "erreur", "erreurs");
    if (resultat.avertissements)
        comptes << nombre(resultat.avertissements, "avertissement", "avertissements");
    if (resultat.liens)
        comptes << nombre(resultat.liens, "lien", "liens");
    const QString bilan
        = comptes.isEmpty() ? QStringLiteral("aucun problème") : comptes.join(QStringLiteral(", "));
    montre(QStringLiteral("Problèmes de la page\u00a0: ") + bilan, {groupe}, notes, fin, source);
    dePage = true;
}

void PanneauProblemes::vide()
{
    suiteConstruction.stop();
    suiteAncrage.stop();
    majDiffere.stop();
    construction = Construction();
    aAncrer.clear();
    prochaineAAncrer = 0;
    depuisAncrage.reset();
    rangees.clear();
    arbre->clear();
    parcourue = -1;
    ++generation;
    travailEnCours = false;
    texteModifie = false;
    resultatMontre = false;
    dePage = false;
    titreBase = QStringLiteral("Problèmes de la page");
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
    QString titre = travailEnCours ? titreEnCours : titreBase;
    if (!travailEnCours && texteModifie && resultatMontre)
        titre += QStringLiteral(" (le texte a changé depuis la vérification)");
    setWindowTitle(titre);
}

int PanneauProblemes::indexDe(const QTreeWidgetItem *item) const
{
    if (!item)
        return -1;
    const int index = item->data(0, roleIndex).toInt();
    return index >= 0 && std::size_t(index) < rangees.size() ? index : -1;
}

// The rows of the current document take a cursor each, at their line and column
// in the text they were found in, carried through the edits made since.
void PanneauProblemes::ancre(const Source *source)
{
    if (!document)
        return;
    const int fin = document->characterCount() - 1;
    std::unique_ptr<Lignes> lignesSource;
    if (source)
        lignesSource = std::make_unique<Lignes>(source->texte);
    PlacesDuDocument places(document);
    aAncrer.clear();
    for (std::size_t i = 0; i < rangees.size(); ++i) {
        Rangee &rangee = rangees[i];
        if (rangee.chemin != cheminCourant)
            continue;
        bool supprimee = false;
        int position = 0;
        if (lignesSource) {
            position = int(lignesSource->offset(rangee.r.ligne, rangee.r.colonne));
            if (source->depuis)
                position = source->depuis->porte(position, &supprimee);
        } else {
            position = places.position(rangee.r.ligne, rangee.r.colonne);
        }
        rangee.position = std::clamp(position, 0, fin);
        rangee.supprimee = supprimee;
        aAncrer.push_back(i);
    }
    // A cursor costs the layout of its line: some hundreds at a time, the edits
    // made meanwhile carried to the places of the others.
    depuisAncrage = std::make_unique<Deplacements>();
    prochaineAAncrer = 0;
    ancreSuite();
}

void PanneauProblemes::ancreSuite()
{
    if (!depuisAncrage)
        return;
    const int fin = document ? document->characterCount() - 1 : 0;
    const std::size_t jusquA
        = std::min(aAncrer.size(), prochaineAAncrer + std::size_t(tranche / 8));
    for (; document && prochaineAAncrer < jusquA; ++prochaineAAncrer) {
        Rangee &rangee = rangees[aAncrer[prochaineAAncrer]];
        bool supprimee = rangee.supprimee;
        const int position = std::clamp(depuisAncrage->porte(rangee.position, &supprimee), 0, fin);
        // A character at least, so that its deletion shows.
        rangee.etendue = supprimee ? 0 : std::min(std::max(rangee.r.longueur, 1), fin - position);
        rangee.ancre = QTextCursor(document);
        rangee.ancre.setPosition(position);
        rangee.ancre.setPosition(position + rangee.etendue, QTextCursor::KeepAnchor);
        rangee.ancree = true;
        rangee.supprimee = supprimee;
    }
    if (document && prochaineAAncrer < aAncrer.size()) {
        suiteAncrage.start();
        return;
    }
    depuisAncrage.reset();
    aAncrer.clear();
    majPlaces();
}

void PanneauProblemes::termineAncrage()
{
    while (depuisAncrage) {
        suiteAncrage.stop();
        ancreSuite();
    }
}

// The rows leave the document: where the text is the file's, at the places
// they have come to; otherwise at those they were found at.
void PanneauProblemes::detache()
{
    majDiffere.stop();
    if (!document)
        return;
    termineAncrage();
    const bool commeLeFichier = !document->isModified();
    PlacesDuDocument places(document);
    for (Rangee &rangee : rangees) {
        if (!rangee.ancree)
            continue;
        if (commeLeFichier) {
            const auto [ligne, colonne] = places.de(rangee.ancre.selectionStart());
            rangee.r.ligne = ligne;
            rangee.r.colonne = colonne;
            rangee.supprimee = false;
        }
        rangee.ancre = QTextCursor();
        rangee.ancree = false;
        majTexteRangee(rangee);
    }
}

void PanneauProblemes::majPlaces()
{
    if (!document)
        return;
    PlacesDuDocument places(document);
    for (Rangee &rangee : rangees) {
        if (!rangee.ancree)
            continue;
        if (rangee.etendue > 0 && rangee.ancre.selectionStart() == rangee.ancre.selectionEnd())
            rangee.supprimee = true;
        majTexteRangee(rangee);
        if (!rangee.item)
            continue;
        const auto [ligne, colonne] = places.de(rangee.ancre.selectionStart());
        rangee.item->setText(0, QString::number(ligne));
        rangee.item->setText(1, QString::number(colonne));
    }
}

void PanneauProblemes::majTexteRangee(Rangee &rangee)
{
    QTreeWidgetItem *item = rangee.item;
    if (!item)
        return;
    if (!rangee.ancree) {
        item->setText(0, QString::number(rangee.r.ligne));
        item->setText(1, QString::number(rangee.r.colonne));
    }
    const bool montree = item->font(3).italic();
    if (rangee.supprimee == montree)
        return;
    QFont police = item->font(3);
    police.setItalic(rangee.supprimee);
    for (int colonne = 0; colonne < 4; ++colonne) {
        item->setFont(colonne, police);
        item->setForeground(colonne,
                            rangee.supprimee ? arbre->palette().brush(QPalette::PlaceholderText)
                                             : arbre->palette().brush(QPalette::Text));
    }
    if (rangee.r.extrait.isEmpty())
        item->setText(3,
                      rangee.supprimee
                          ? rangee.r.message + QStringLiteral(" (texte supprimé depuis)")
                          : rangee.r.message);
    item->setToolTip(
        2, rangee.supprimee ? QStringLiteral("Le texte de ce problème a été supprimé") : QString());
}

void PanneauProblemes::active(QTreeWidgetItem *item, bool prendClavier)
{
    const int index = indexDe(item);
    if (index < 0)
        return;
    termineAncrage();
    parcourue = index;
    const QString chemin = rangees[std::size_t(index)].chemin;
    if (!rangees[std::size_t(index)].ancree) {
        // A row of a document never saved, which is no longer the one edited.
        if (chemin.isEmpty() || !document)
            return;
        const quint64 avant = generation;
        emit ouvrirFichier(chemin);
        // The question about the text being edited let other events run: other
        // rows may have come meanwhile (the item is gone with the old ones), and
        // the file may not have been opened.
        if (generation != avant || !rangees[std::size_t(index)].ancree)
            return;
    }
    Rangee &rangee = rangees[std::size_t(index)];
    if (rangee.etendue > 0 && rangee.ancre.selectionStart() == rangee.ancre.selectionEnd()) {
        rangee.supprimee = true;
        majTexteRangee(rangee);
    }
    const int debut = rangee.ancre.selectionStart();
    const int fin
        = rangee.r.longueur > 0 && !rangee.supprimee ? rangee.ancre.selectionEnd() : debut;
    emit allerDansLeTexte(debut, fin, rangee.supprimee, prendClavier);
}

bool PanneauProblemes::suivant(bool arriere)
{
    termineConstruction();
    const int n = int(rangees.size());
    if (n == 0)
        return false;
    int index;
    if (parcourue < 0 || parcourue >= n)
        index = arriere ? n - 1 : 0;
    else
        index = (parcourue + (arriere ? n - 1 : 1)) % n;
    QTreeWidgetItem *item = rangees[std::size_t(index)].item;
    arbre->setCurrentItem(item);
    arbre->scrollToItem(item);
    active(item, false);
    parcourue = index;
    return true;
}

bool PanneauProblemes::eventFilter(QObject *objet, QEvent *event)
{
    if (objet == arbre && event->type() == QEvent::KeyPress) {
        const int touche = static_cast<QKeyEvent *>(event)->key();
        if (touche == Qt::Key_Return || touche == Qt::Key_Enter) {
            QTreeWidgetItem *item = arbre->currentItem();
            if (indexDe(item) >= 0)
                active(item, true);
            else if (item && item->childCount() > 0)
                item->setExpanded(!item->isExpanded());
            return true;
        }
        if (touche == Qt::Key_Escape) {
            emit retourTexte();
            return true;
        }
    }
    return QDockWidget::eventFilter(objet, event);
}
