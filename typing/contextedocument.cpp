#include "contextedocument.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

using LexiqueHtml::Etat;

namespace {

// A reading that checks points goes at least this far, so that it reaches the
// next point kept from before the edit and finds it unchanged.
constexpr int lot = 8 * ContexteDocument::ecart;

// What a new text's reading ahead reads at a time: a few milliseconds.
constexpr int tranche = 256 * 1024;

} // namespace

ContexteDocument::ContexteDocument(QTextDocument *document)
    : QObject(document)
    , document(document)
    , modifications({0})
    , longueur(document->characterCount())
    , revision(document->revision())
{
    // A document tells its changes only once it has a layout.
    document->documentLayout();
    lectureEnAvance.setSingleShot(true);
    lectureEnAvance.setInterval(0);
    connect(&lectureEnAvance, &QTimer::timeout, this, &ContexteDocument::litUneTranche);
    connect(document, &QTextDocument::contentsChange, this, &ContexteDocument::suitModification);
}

void ContexteDocument::oublie()
{
    points.clear();
    modifications = {0};
}

void ContexteDocument::suitModification(int position, int retires, int ajoutes)
{
    // The colours that the highlighter gives a line come as a change of the same
    // length, the text unchanged.
    if (retires == ajoutes && document->revision() == revision)
        return;
    revision = document->revision();
    const int avant = longueur;
    longueur = document->characterCount();
    if (position < 0 || retires < 0 || ajoutes < 0 || longueur - avant != ajoutes - retires) {
        oublie();
        litToutSiNouveau(position, ajoutes);
        return;
    }

    // What stands before the change is unchanged; what came after it moves.
    const auto suit = [position, retires, ajoutes](int &p) {
        if (p <= position)
            return true;
        if (p < position + retires)
            return false;
        p += ajoutes - retires;
        return true;
    };
    QList<Point> suivis;
    for (Point p : std::as_const(points)) {
        if (suit(p.position))
            suivis.append(p);
    }
    points = std::move(suivis);
    QList<int> suivies;
    for (int m : std::as_const(modifications)) {
        if (suit(m))
            suivies.append(m);
    }
    modifications = std::move(suivies);

    const auto suivante = std::lower_bound(modifications.begin(), modifications.end(), position);
    const qsizetype i = suivante - modifications.begin();
    if (suivante == modifications.end() || *suivante != position)
        modifications.insert(i, position);
    // Of two changes with no point between them, the later tells nothing more: a
    // reading that finds a point again after it has read both.
    const auto aucunPointEntre = [this](int de, int a) {
        const auto p = std::upper_bound(points.cbegin(), points.cend(), de,
                                        [](int v, const Point &q) { return v < q.position; });
        return p == points.cend() || p->position > a;
    };
    if (i + 1 < modifications.size() && aucunPointEntre(position, modifications[i + 1]))
        modifications.remove(i + 1);
    if (i > 0 && aucunPointEntre(modifications[i - 1], position))
        modifications.remove(i);

    litToutSiNouveau(position, ajoutes);
}

// A whole new text, as a file opened, is read ahead a slice at a time while the
// window waits for the user: the first move of the cursor far down a long page
// finds it read.
void ContexteDocument::litToutSiNouveau(int position, int ajoutes)
{
    // A new text is told as added with the end of the document after it.
    if (position == 0 && ajoutes > 0 && ajoutes >= longueur - 1)
        lectureEnAvance.start();
}

void ContexteDocument::litUneTranche()
{
    const int derniere = longueur - 1;
    if (modifications.isEmpty() || modifications.first() >= derniere)
        return;
    verifie(qMin<qint64>(derniere, qint64(modifications.first()) + tranche));
    if (!modifications.isEmpty() && modifications.first() < derniere)
        lectureEnAvance.start();
}

// The last sure point at or before position, the start of the text if none.
ContexteDocument::Point ContexteDocument::pointAvant(int position) const
{
    const int limite = modifications.isEmpty() ? position : qMin(position, modifications.first());
    const auto p = std::upper_bound(points.cbegin(), points.cend(), limite,
                                    [](int v, const Point &q) { return v < q.position; });
    if (p == points.cbegin())
        return {0, {}};
    return *(p - 1);
}

namespace {

// Reads on from a sure point, keeping a point every ecart characters, and stops
// where it finds again, after the first change, a point found before the change:
// from there on the reading would be the one that found it.
class Relecture : public LexiqueHtml::Lecture
{
public:
    Relecture(int origine, int modification, QList<ContexteDocument::Point> anciens)
        : origine(origine)
        , modification(modification)
        , anciens(std::move(anciens))
        , dernier(origine)
    { }

    bool point(qsizetype position, Etat etat) override
    {
        const int p = origine + int(position);
        while (indice < anciens.size() && anciens[indice].position < p)
            ++indice;
        if (p > modification && indice < anciens.size() && anciens[indice].position == p
            && anciens[indice].etat == etat) {
            retrouve = p;
            return false;
        }
        if (p - dernier >= ContexteDocument::ecart) {
            nouveaux.append({p, etat});
            dernier = p;
        }
        return true;
    }

    const int origine;
    const int modification;
    const QList<ContexteDocument::Point> anciens;
    qsizetype indice = 0;
    int dernier;
    int retrouve = -1;
    QList<ContexteDocument::Point> nouveaux;
};

} // namespace

// Reads the document again where it changed before jusqua, until the points up to
// there are sure.
void ContexteDocument::verifie(int jusqua)
{
    const int derniere = longueur - 1;
    jusqua = qBound(0, jusqua, derniere);
    while (!modifications.isEmpty() && modifications.first() < jusqua) {
        const int modification = modifications.first();
        const Point depart = pointAvant(modification);
        const int fin = qMin(derniere, qMax(jusqua, depart.position + lot));
        const auto premier = std::upper_bound(points.begin(), points.end(), depart.position,
                                              [](int v, const Point &q) { return v < q.position; });
        QList<Point> anciens;
        for (auto p = premier; p != points.end() && p->position <= fin; ++p)
            anciens.append(*p);

        Relecture relecture(depart.position, modification, std::move(anciens));
        LexiqueHtml::lit(texteEntre(depart.position, fin), depart.etat, relecture);
        // The points read replace those between the start and where the reading
        // stopped: the one found again, or the end of what was read.
        const int arret = relecture.retrouve >= 0 ? relecture.retrouve : fin + 1;
        const qsizetype de = premier - points.begin();
        qsizetype a = de;
        while (a < points.size() && points[a].position < arret)
            ++a;
        points.remove(de, a - de);
        points.insert(de, relecture.nouveaux.size(), Point {});
        std::copy(relecture.nouveaux.cbegin(), relecture.nouveaux.cend(), points.begin() + de);

        modifications.removeIf([arret](int m) { return m < arret; });
        if (relecture.retrouve < 0)
            modifications.prepend(fin);
    }
}

// Read block by block: a text cursor placed far from the view would have the
// document laid out up to there first.
QString ContexteDocument::texteEntre(int debut, int fin) const
{
    QString texte;
    texte.reserve(fin - debut);
    for (QTextBlock bloc = document->findBlock(debut); bloc.isValid() && bloc.position() < fin;
         bloc = bloc.next()) {
        const int position = bloc.position();
        const QString ligne = bloc.text();
        const int de = qMax(debut, position);
        const int a = qMin(fin, position + int(ligne.size()));
        if (a > de)
            texte += QStringView(ligne).sliced(de - position, a - de);
        const int separateur = position + bloc.length() - 1;
        if (separateur >= debut && separateur < fin)
            texte += QChar::ParagraphSeparator;
    }
    return texte;
}

ContexteDocument::Extrait ContexteDocument::extrait(int debut, int fin)
{
    // A change missed (a document that tells none without a layout) forgets all.
    if (document->characterCount() != longueur) {
        longueur = document->characterCount();
        oublie();
    }
    const int derniere = longueur - 1;
    debut = qBound(0, debut, derniere);
    fin = qBound(debut, fin, derniere);
    verifie(debut);
    const Point depart = pointAvant(debut);
    return {depart.position, depart.etat, texteEntre(depart.position, fin)};
}

Etat ContexteDocument::etatA(int position)
{
    const Extrait e = extrait(position, position);
    return LexiqueHtml::lit(e.texte, e.etat).etat;
}
