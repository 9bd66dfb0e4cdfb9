#include "remplacementsite.h"

#include "documentcodec.h"
#include "documentfile.h"
#include "ecriturecomplete.h"
#include "ecrituregroupee.h"
#include "etatfichier.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace RemplacementSite {

namespace {

// How much of a long line a row shows: the characters around the occurrence, and
// of the occurrence itself.
constexpr qsizetype contexte = 60;
constexpr qsizetype occurrenceMontree = 200;

// The first line of a replacement's record, which tells it from any other file.
const QByteArray enTete = QByteArrayLiteral("Marlisse, remplacement dans le site 1\n");

QByteArray sha1(QByteArrayView octets)
{
    return QCryptographicHash::hash(octets, QCryptographicHash::Sha1);
}

// Calls appel(ligne, numero, fin) for each line of texte, from 1, with its line end
// as it stands (CR LF, LF or a lone CR; empty for the last line), until it
// returns false.
template<class Appel>
void chaqueLigne(QStringView texte, Appel appel)
{
    const char16_t *unites = texte.utf16();
    const qsizetype taille = texte.size();
    qsizetype debut = 0;
    for (int numero = 1;; ++numero) {
        const char16_t *finLigne = std::find_if(
            unites + debut, unites + taille, [](char16_t c) { return c == u'\n' || c == u'\r'; });
        const qsizetype fin = finLigne - unites;
        qsizetype apres = fin;
        if (fin < taille) {
            apres = fin + 1;
            if (unites[fin] == u'\r' && apres < taille && unites[apres] == u'\n')
                ++apres;
        }
        if (!appel(texte.sliced(debut, fin - debut), numero, texte.sliced(fin, apres - fin))
            || fin == taille)
            return;
        debut = apres;
    }
}

// The characters between two positions of a line, a pair of surrogates counting
// as one, as the position label counts columns.
int caracteres(QStringView ligne, qsizetype de, qsizetype a)
{
    qsizetype nombre = a - de;
    for (qsizetype i = qMax<qsizetype>(de, 1); i < a; ++i) {
        if (ligne[i].isLowSurrogate() && ligne[i - 1].isHighSurrogate())
            --nombre;
    }
    return int(nombre);
}

Occurrence rangee(QStringView ligne, int numero, int colonne, qsizetype position,
                  qsizetype longueur)
{
    Occurrence occurrence;
    occurrence.ligne = numero;
    occurrence.colonne = colonne;
    occurrence.position = position;
    occurrence.longueur = longueur;
    occurrence.caracteres = caracteres(ligne, position, position + longueur);
    // A minified page is one line of a megabyte: a row shows what surrounds its
    // occurrence, never the whole line; a line's indentation says nothing.
    const bool coupeAvant = position > contexte;
    qsizetype de = coupeAvant ? position - contexte : 0;
    if (coupeAvant && ligne[de].isLowSurrogate())
        ++de;
    while (!coupeAvant && de < position && (ligne[de] == u' ' || ligne[de] == u'\t'))
        ++de;
    const qsizetype montree = qMin(longueur, occurrenceMontree);
    qsizetype a = position + montree + (montree < longueur ? 0 : contexte);
    const bool coupeApres = a < ligne.size();
    if (!coupeApres)
        a = ligne.size();
    else if (ligne[a].isLowSurrogate())
        ++a;
    const QString points(QChar(0x2026));
    occurrence.extrait.reserve(a - de + 2);
    if (coupeAvant)
        occurrence.extrait += points;
    occurrence.extrait += ligne.sliced(de, a - de);
    if (coupeApres)
        occurrence.extrait += points;
    occurrence.debutExtrait = position - de + (coupeAvant ? 1 : 0);
    occurrence.longueurExtrait = montree;
    return occurrence;
}

QString sansSeparateurFinal(const QString &dossier)
{
    return QDir::cleanPath(dossier);
}

// A relative path that stays below the folder it is relative to.
bool relatifSur(const QString &relatif)
{
    const QString propre = QDir::cleanPath(relatif);
    return !propre.isEmpty() && !QDir::isAbsolutePath(propre) && propre != QLatin1String("..")
        && !propre.startsWith(QLatin1String("../")) && propre != QLatin1String(".");
}

// The text of bytes in the encoding they were read in, each line ending as it
// does in the file; nothing when that text is not the one read.
std::optional<QString> texteBrut(const QByteArray &octets, const DocumentEncoding::Decoded &lu)
{
    if (!lu.lineEnds.mixed())
        return LineEnds::withLineEnds(lu.text, lu.lineEnds.convention);
    // The file mixes its line ends: each keeps its own, as the file has it, so
    // that only the replaced text differs.
    QByteArrayView corps = octets;
    const QByteArray marque = DocumentEncoding::encode(QString(), lu.encoding, false);
    if (!marque.isEmpty() && corps.startsWith(marque))
        corps = corps.sliced(marque.size());
    QString brut;
    if (lu.encoding.isLatin1()) {
        brut = QString::fromLatin1(corps);
    } else {
        QStringDecoder decodeur(lu.encoding.name.constData(), QStringConverter::Flag::Stateless);
        if (!decodeur.isValid())
            return std::nullopt;
        brut = decodeur.decode(corps);
        if (decodeur.hasError())
            return std::nullopt;
    }
    QString verifie = brut;
    LineEnds::toLineFeeds(verifie);
    if (verifie != lu.text)
        return std::nullopt;
    return brut;
}

// The line end a convention writes.
QString finDeLigne(LineEnds::Convention convention)
{
    return LineEnds::withLineEnds(QStringLiteral("\n"), convention);
}

QByteArray encodePourcent(const QString &texte)
{
    return QUrl::toPercentEncoding(texte);
}

QString decodePourcent(QByteArrayView texte)
{
    return QUrl::fromPercentEncoding(texte.toByteArray());
}

// The names of the kept replacements in dossier, oldest first: the folder of the
// copies and its record, "DATE.txt", share the name.
QStringList nomsGardes(const QString &dossier)
{
    static const QRegularExpression date(QStringLiteral(
        "^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3}(?:_\\d+)?)(?:\\.txt)?$"));
    QStringList noms;
    const QStringList entrees
        = QDir(dossier).entryList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &entree : entrees) {
        const QRegularExpressionMatch trouve = date.match(entree);
        if (trouve.hasMatch() && !noms.contains(trouve.captured(1)))
            noms << trouve.captured(1);
    }
    std::sort(noms.begin(), noms.end(), [](const QString &a, const QString &b) {
        // "…-123_10" after "…-123_9": the suffix by its number.
        const qsizetype sa = a.indexOf(u'_', 20);
        const qsizetype sb = b.indexOf(u'_', 20);
        const QStringView baseA = QStringView(a).left(sa < 0 ? a.size() : sa);
        const QStringView baseB = QStringView(b).left(sb < 0 ? b.size() : sb);
        if (baseA != baseB)
            return baseA < baseB;
        const int na = sa < 0 ? 0 : QStringView(a).sliced(sa + 1).toInt();
        const int nb = sb < 0 ? 0 : QStringView(b).sliced(sb + 1).toInt();
        return na < nb;
    });
    return noms;
}

void retireAnciens(const QString &dossier)
{
    const QStringList noms = nomsGardes(dossier);
    for (qsizetype i = 0; i + remplacementsGardes < noms.size(); ++i) {
        QDir(dossier + QLatin1Char('/') + noms[i]).removeRecursively();
        QFile::remove(dossier + QLatin1Char('/') + noms[i] + QLatin1String(".txt"));
    }
}

bool memeEtat(const std::optional<EtatFichier::Disque> &a,
              const std::optional<EtatFichier::Disque> &b)
{
    return a && b && a->taille == b->taille && a->modification == b->modification;
}

// A kept copy of the file at chemin, whose bytes are octets, in a folder of its
// own that nothing else writes: the flush of the whole replacement puts it on the
// disk before any file changes. On the same file system it is the file itself,
// under a second name: nothing to write, and the file's blocks, which the new
// file then no longer frees, stay as they were (freeing them costs milliseconds
// a file on some disks).
bool gardeCopie(const QString &chemin, const std::optional<EtatFichier::Disque> &etatLu,
                const QString &copie, const QByteArray &octets, QString *raison)
{
    if (!QDir().mkpath(QFileInfo(copie).absolutePath())) {
        *raison = QStringLiteral("son dossier ne peut pas être créé");
        return false;
    }
#ifdef Q_OS_UNIX
    // The file a link leads to, which the replacement writes: a link to the link
    // would lead to its new bytes.
    const QString fichier = QFileInfo(chemin).canonicalFilePath();
    if (!fichier.isEmpty()
        && ::link(QFile::encodeName(fichier).constData(), QFile::encodeName(copie).constData())
            == 0) {
        // Changed since it was read: the bytes read are kept instead.
        if (memeEtat(etatLu, EtatFichier::surDisque(copie)))
            return true;
        QFile::remove(copie);
    }
#else
    Q_UNUSED(chemin);
    Q_UNUSED(etatLu);
#endif
    QFile ecrite(copie);
    const bool fait = ecrite.open(QIODevice::WriteOnly)
        && ecritToutes(&ecrite, octets.constData(), octets.size()) && ecrite.flush();
    if (!fait)
        *raison = ecrite.errorString();
    return fait;
}

// Appends a line to a replacement's record, on the disk before the file it names
// is written.
bool ajouteAuRegistre(const QString &registre, const QByteArray &ligne, QString *raison)
{
    QFile fichier(registre);
    const bool fait = fichier.open(QIODevice::Append)
        && ecritToutes(&fichier, ligne.constData(), ligne.size()) && fichier.flush();
    if (!fait)
        *raison = fichier.errorString();
    return fait;
}

// The record of a new replacement, with the folder of its copies: named after the
// time, one that no other replacement has.
struct Registre
{
    QString nom;
    QString dossierCopies;
    QString fichier;
};

std::optional<Registre> ouvreRegistre(const QString &dossier, const QString &racine,
                                      const QString &cherche, const QString &modele,
                                      QString *raison)
{
    const QDateTime maintenant = QDateTime::currentDateTime();
    const QString base = maintenant.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz"));
    if (!QDir().mkpath(dossier)) {
        *raison = QStringLiteral("le dossier %1 ne peut pas être créé")
                      .arg(QDir::toNativeSeparators(dossier));
        return std::nullopt;
    }
    // mkdir() fails on a folder that exists: another program replacing in the
    // same millisecond gets a name of its own.
    QString nom = base;
    for (int n = 2; QFileInfo::exists(dossier + QLatin1Char('/') + nom + QLatin1String(".txt"))
         || !QDir(dossier).mkdir(nom);
         ++n) {
        if (n > 1000) {
            *raison = QStringLiteral("aucun dossier ne peut y être créé");
            return std::nullopt;
        }
        nom = base + QLatin1Char('_') + QString::number(n);
    }
    Registre registre {nom, dossier + QLatin1Char('/') + nom,
                       dossier + QLatin1Char('/') + nom + QLatin1String(".txt")};
    const QByteArray debut = enTete + "quand\t" + maintenant.toString(Qt::ISODateWithMs).toLatin1()
        + "\nracine\t" + encodePourcent(racine) + "\ncherche\t" + encodePourcent(cherche)
        + "\nremplace\t" + encodePourcent(modele) + '\n';
    if (!ecritureComplete(registre.fichier, debut, raison)) {
        QDir(registre.dossierCopies).removeRecursively();
        return std::nullopt;
    }
    return registre;
}

std::optional<Remplacement> litRegistre(const QString &dossier, const QString &nom, bool *annule)
{
    QFile fichier(dossier + QLatin1Char('/') + nom + QLatin1String(".txt"));
    if (!fichier.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray contenu = fichier.readAll();
    if (!contenu.startsWith(enTete))
        return std::nullopt;
    Remplacement remplacement;
    remplacement.nom = nom;
    *annule = false;
    // A line cut short by a crash is passed over: it has no line feed.
    const QList<QByteArray> lignes = contenu.sliced(enTete.size()).split('\n');
    for (qsizetype i = 0; i + 1 < lignes.size(); ++i) {
        const QList<QByteArray> champs = lignes[i].split('\t');
        const QByteArray &genre = champs.first();
        if (genre == "annule") {
            *annule = true;
        } else if (champs.size() == 2 && genre == "quand") {
            remplacement.quand
                = QDateTime::fromString(QString::fromLatin1(champs[1]), Qt::ISODateWithMs);
        } else if (champs.size() == 2 && genre == "racine") {
            remplacement.racine = decodePourcent(champs[1]);
        } else if (champs.size() == 2 && genre == "cherche") {
            remplacement.cherche = decodePourcent(champs[1]);
        } else if (champs.size() == 2 && genre == "remplace") {
            remplacement.remplace = decodePourcent(champs[1]);
        } else if (champs.size() == 2 && genre == "laisse") {
            const QString relatif = decodePourcent(champs[1]);
            remplacement.fichiers.removeIf(
                [&relatif](const Remplacement::Entree &e) { return e.relatif == relatif; });
        } else if (champs.size() == 4 && genre == "fichier") {
            const QString relatif = decodePourcent(champs[3]);
            if (relatifSur(relatif))
                remplacement.fichiers.append(
                    {relatif, QByteArray::fromHex(champs[1]), QByteArray::fromHex(champs[2])});
        }
    }
    if (remplacement.racine.isEmpty())
        return std::nullopt;
    return remplacement;
}

QString abandon(int ligne)
{
    return QStringLiteral("la recherche y a été abandonnée à la ligne %1 : l'expression y demande "
                          "trop de calculs")
        .arg(ligne);
}

// What a file that is not a page, and so cannot hold references, would lose.
QString caracteresPerdus(int nombre, const DocumentEncoding::Encoding &encodage)
{
    const QString combien = nombre == 1
        ? QStringLiteral("1 caractère du remplacement est absent")
        : QStringLiteral("%1 caractères du remplacement sont absents").arg(nombre);
    return combien
        + QStringLiteral(" de %1, et seule une page peut les écrire en &#N;").arg(encodage.label());
}

} // namespace

void cherche(QStringView texte, const Recherche &recherche, const QString *modele, Fichier *fichier,
             qsizetype *place, const std::atomic<bool> *arret)
{
    chaqueLigne(texte, [&](QStringView ligne, int numero, QStringView) {
        if (arret && arret->load(std::memory_order_relaxed))
            return false;
        qsizetype derniere = 0;
        int colonne = 1;
        const bool cherchee
            = recherche.chaqueOccurrence(ligne, [&](const Recherche::Occurrence &trouvee) {
                  ++fichier->nombre;
                  if (*place > 0) {
                      colonne += caracteres(ligne, derniere, trouvee.debut);
                      derniere = trouvee.debut;
                      Occurrence occurrence
                          = rangee(ligne, numero, colonne, trouvee.debut, trouvee.longueur);
                      if (modele)
                          occurrence.remplacement = recherche.remplacement(*modele, trouvee);
                      fichier->occurrences.append(std::move(occurrence));
                      --*place;
                  }
                  return true;
              });
        if (!cherchee)
            fichier->ligneAbandon = numero;
        return cherchee;
    });
}

void gardeLesDerniers(const QString &dossier)
{
    retireAnciens(dossier);
}

Site::Filtre pagesEtFeuilles()
{
    return Site::Filtre::depuis(QStringLiteral(".html,.htm,.xhtml,.css,.js,.php,.txt"));
}

Resultat chercheSite(const QString &racine, const Site::Filtre &filtre, const Recherche &recherche,
                     const QString *modele, const std::optional<DocumentOuvert> &document,
                     const std::atomic<bool> *arret, const std::function<void(int)> &progression)
{
    Resultat resultat;
    qsizetype place = lignesMaximum;
    const QString cheminDocument
        = document ? QDir::cleanPath(QFileInfo(document->chemin).absoluteFilePath()) : QString();
    // The walk may meet the open file first under another name, a link's: it
    // reads each file once.
    const QString canoniqueDocument
        = document ? QFileInfo(cheminDocument).canonicalFilePath() : QString();
    const Site::Bilan parcours = Site::parcourt(
        racine, filtre,
        [&](Site::Fichier &lu) {
            Fichier fichier;
            fichier.chemin = lu.chemin;
            fichier.relatif = lu.relatif;
            fichier.encodage = lu.encodage;
            fichier.documentOuvert = lu.chemin == cheminDocument
                || (!canoniqueDocument.isEmpty()
                    && QFileInfo(lu.chemin).canonicalFilePath() == canoniqueDocument);
            // Its rows lead to the open document, as the editor names it.
            if (fichier.documentOuvert)
                fichier.chemin = cheminDocument;
            const qsizetype avant = place;
            cherche(fichier.documentOuvert ? QStringView(document->texte) : QStringView(lu.texte),
                    recherche, modele, &fichier, &place, arret);
            ++resultat.lus;
            if (fichier.nombre > 0 || fichier.ligneAbandon > 0) {
                // Its bytes' stamp is needed only to write it.
                fichier.empreinte = lu.etat.empreinteCalculee();
                resultat.occurrences += fichier.nombre;
                resultat.rangees += avant - place;
                resultat.fichiers.append(std::move(fichier));
            }
            if (progression)
                progression(resultat.lus);
        },
        [&](const Site::Anomalie &anomalie) {
            if (anomalie.souci == Site::Souci::Binaire)
                ++resultat.binaires;
            else
                resultat.anomalies.append(anomalie);
        },
        Site::Bornes(), arret);
    resultat.arrete = parcours.arrete || (arret && arret->load());
    return resultat;
}

TexteRemplace remplace(QStringView texte, const Recherche &recherche, const QString &modele,
                       QStringView finDeLigne)
{
    TexteRemplace resultat;
    QString &ecrit = resultat.texte;
    ecrit.reserve(texte.size() + texte.size() / 8);
    chaqueLigne(texte, [&](QStringView ligne, int numero, QStringView fin) {
        qsizetype copie = 0;
        const bool cherchee
            = recherche.chaqueOccurrence(ligne, [&](const Recherche::Occurrence &trouvee) {
                  ecrit += ligne.sliced(copie, trouvee.debut - copie);
                  QString par = recherche.remplacement(modele, trouvee);
                  if (finDeLigne != u"\n")
                      par.replace(QLatin1Char('\n'), finDeLigne.toString());
                  ecrit += par;
                  copie = trouvee.debut + trouvee.longueur;
                  ++resultat.nombre;
                  return true;
              });
        if (!cherchee) {
            resultat.ligneAbandon = numero;
            return false;
        }
        ecrit += ligne.sliced(copie);
        ecrit += fin;
        return true;
    });
    if (resultat.ligneAbandon > 0) {
        resultat.texte.clear();
        resultat.nombre = 0;
    }
    return resultat;
}

QString dossierRemplacements()
{
    const QString donnees = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (donnees.isEmpty())
        return QString();
    return donnees + QLatin1String("/remplacements");
}

Bilan ecrit(const QString &racine, const QList<Fichier> &fichiers, const Recherche &recherche,
            const QString &modele, const QString &dossier, const std::atomic<bool> *arret,
            const std::function<void(int)> &progression)
{
    Bilan bilan;
    bilan.racine = sansSeparateurFinal(racine);
    std::optional<Registre> registre;
    EcritureGroupee ecriture;
    // What is written of each file, in the order of ecriture's files.
    struct Prepare
    {
        const Fichier *fichier;
        std::optional<EtatFichier::Disque> etatLu;
        QByteArray entree;
        qsizetype occurrences;
        int references;
    };
    QList<Prepare> prepares;
    // Nothing is in place yet: every file stays as it was.
    const auto arrete = [&](const QString &echec) {
        bilan.echec = echec;
        ecriture.abandonne();
        bilan.nonTraites.clear();
        for (const Fichier &fichier : fichiers) {
            if (fichier.nombre > 0 && !fichier.documentOuvert)
                bilan.nonTraites << fichier.relatif;
        }
        if (registre) {
            QDir(registre->dossierCopies).removeRecursively();
            QFile::remove(registre->fichier);
        }
        bilan.dossierCopies.clear();
        return bilan;
    };

    for (qsizetype i = 0; i < fichiers.size(); ++i) {
        const Fichier &fichier = fichiers[i];
        const auto laisse = [&](const QString &raison) {
            bilan.laisses.append({fichier.relatif, raison});
        };
        if (arret && arret->load())
            return arrete(QStringLiteral("Le remplacement a été interrompu."));
        if (progression && i > 0)
            progression(int(i));
        // Nothing is known past the line given up on, not even that the file has
        // no occurrence: it is said, whether it had some before or not.
        if (fichier.ligneAbandon > 0) {
            laisse(abandon(fichier.ligneAbandon));
            continue;
        }
        if (fichier.nombre == 0 || fichier.documentOuvert)
            continue;
        if (!relatifSur(fichier.relatif)) {
            laisse(QStringLiteral("son chemin sort du site"));
            continue;
        }
        const auto etatLu = EtatFichier::surDisque(fichier.chemin);
        const DocumentFile::Reading lecture = DocumentFile::read(fichier.chemin);
        if (lecture.result != DocumentFile::Result::Read) {
            laisse(!QFileInfo::exists(fichier.chemin)
                       ? QStringLiteral("il n'existe plus")
                       : QStringLiteral("il ne peut pas être lu (%1)").arg(lecture.reason));
            continue;
        }
        if (sha1(lecture.bytes) != fichier.empreinte) {
            laisse(QStringLiteral("il a été modifié sur le disque depuis la recherche"));
            continue;
        }
        const std::optional<DocumentEncoding::Decoded> lu
            = DocumentEncoding::decodeAs(lecture.bytes, fichier.encodage);
        // By its own name: a folder named "ancien.htm" holds stylesheets too.
        const bool page = DocumentCodec::isHtmlFileName(QFileInfo(fichier.chemin).fileName());
        std::optional<QString> brut;
        if (lu)
            brut = texteBrut(lecture.bytes, *lu);
        // Only what is replaced may change: a file that its own text would not
        // give back byte for byte is not written at all.
        if (!brut || DocumentEncoding::encode(*brut, fichier.encodage, page) != lecture.bytes) {
            laisse(QStringLiteral("il ne serait pas réécrit à l'identique en %1 hors des "
                                  "remplacements")
                       .arg(fichier.encodage.label()));
            continue;
        }
        const TexteRemplace nouveau
            = remplace(*brut, recherche, modele, finDeLigne(lu->lineEnds.convention));
        if (nouveau.ligneAbandon > 0) {
            laisse(abandon(nouveau.ligneAbandon));
            continue;
        }
        if (nouveau.nombre == 0)
            continue;

        // As a save does: a page, a stylesheet or an XML file whose declaration the
        // replacement changed is written in what it declares now.
        const DocumentEncoding::Kind genre = DocumentEncoding::kindOf(fichier.chemin);
        const DocumentEncoding::Saving sauvegarde = DocumentEncoding::encodeForSaving(
            nouveau.texte, lu->encoding,
            DocumentEncoding::findDeclaration(lecture.bytes, lu->encoding, genre).name, genre,
            page || genre != DocumentEncoding::Kind::Page, page);
        const DocumentEncoding::Encoding &encodage = sauvegarde.encoding;
        const int perdus = sauvegarde.unencodable;
        const int references = sauvegarde.references;
        const QByteArray &octets = sauvegarde.bytes;
        if (perdus > 0) {
            laisse(caracteresPerdus(perdus, encodage));
            continue;
        }
        // The editor could no longer open it.
        if (octets.size() > DocumentFile::maxSize) {
            laisse(QStringLiteral("il dépasserait %1 Mo, la taille la plus grande qu'un document "
                                  "puisse avoir")
                       .arg(DocumentFile::maxSize / (1024 * 1024)));
            continue;
        }

        QString raison;
        if (!registre) {
            registre
                = ouvreRegistre(dossier, bilan.racine, recherche.texteCherche(), modele, &raison);
            if (!registre)
                return arrete(QStringLiteral("Les copies des fichiers ne peuvent pas être "
                                             "gardées dans %1 : %2.")
                                  .arg(QDir::toNativeSeparators(dossier), raison));
            bilan.dossierCopies = registre->dossierCopies;
        }
        const QString copie = registre->dossierCopies + QLatin1Char('/') + fichier.relatif;
        if (!gardeCopie(fichier.chemin, etatLu, copie, lecture.bytes, &raison))
            return arrete(QStringLiteral("La copie de %1 ne peut pas être gardée : %2.")
                              .arg(fichier.relatif, raison));
        if (!ecriture.prepare(fichier.chemin, octets, &raison))
            return arrete(
                QStringLiteral("%1 ne peut pas être écrit : %2.").arg(fichier.relatif, raison));
        prepares.append({&fichier, etatLu,
                         "fichier\t" + sha1(lecture.bytes).toHex() + '\t' + sha1(octets).toHex()
                             + '\t' + encodePourcent(fichier.relatif) + '\n',
                         nouveau.nombre, references});
    }
    if (prepares.isEmpty())
        return bilan;

    // The copies, the new files and the record of what is about to change all on
    // the disk: only then does any file change.
    QByteArray entrees;
    for (const Prepare &prepare : std::as_const(prepares))
        entrees += prepare.entree;
    QString raison;
    if (!ajouteAuRegistre(registre->fichier, entrees, &raison))
        return arrete(QStringLiteral("La liste des copies ne peut pas être écrite dans %1 : %2.")
                          .arg(QDir::toNativeSeparators(registre->fichier), raison));
    EcritureGroupee::synchronise();
    // The files the record names that were not written after all.
    QByteArray nonEcrits;
    for (qsizetype i = 0; i < prepares.size(); ++i) {
        const Prepare &prepare = prepares[i];
        // A change made while the site was being replaced is not overwritten.
        if (!memeEtat(prepare.etatLu, EtatFichier::surDisque(prepare.fichier->chemin))) {
            ecriture.laisse(i);
            // The copy may be the file itself, under a second name.
            QFile::remove(registre->dossierCopies + QLatin1Char('/') + prepare.fichier->relatif);
            nonEcrits += "laisse\t" + encodePourcent(prepare.fichier->relatif) + '\n';
            bilan.laisses.append({prepare.fichier->relatif,
                                  QStringLiteral("il a été modifié sur le disque depuis la "
                                                 "recherche")});
            continue;
        }
        if (!ecriture.remplace(i, &raison)) {
            bilan.echec = QStringLiteral("%1 ne peut pas être écrit : %2.")
                              .arg(prepare.fichier->relatif, raison);
            for (qsizetype j = i; j < prepares.size(); ++j) {
                const QString &relatif = prepares[j].fichier->relatif;
                bilan.nonTraites << relatif;
                QFile::remove(registre->dossierCopies + QLatin1Char('/') + relatif);
                nonEcrits += "laisse\t" + encodePourcent(relatif) + '\n';
            }
            ecriture.abandonne();
            break;
        }
        bilan.modifies << prepare.fichier->relatif;
        bilan.occurrences += prepare.occurrences;
        bilan.references += prepare.references;
    }
    EcritureGroupee::synchronise();
    // Should this line not reach the disk, undoing says these files changed since.
    if (!nonEcrits.isEmpty())
        ajouteAuRegistre(registre->fichier, nonEcrits, &raison);
    if (bilan.modifies.isEmpty())
        bilan.dossierCopies.clear();
    if (progression)
        progression(int(fichiers.size()));
    return bilan;
}

std::optional<Remplacement> dernier(const QString &dossier)
{
    const QStringList noms = nomsGardes(dossier);
    for (qsizetype i = noms.size() - 1; i >= 0; --i) {
        bool annule = false;
        const std::optional<Remplacement> remplacement = litRegistre(dossier, noms[i], &annule);
        if (remplacement && !annule && !remplacement->fichiers.isEmpty())
            return remplacement;
    }
    return std::nullopt;
}

Bilan annule(const QString &dossier, const Remplacement &remplacement)
{
    Bilan bilan;
    bilan.dossierCopies = dossier + QLatin1Char('/') + remplacement.nom;
    bilan.racine = sansSeparateurFinal(remplacement.racine);
    EcritureGroupee ecriture;
    struct Prepare
    {
        QString relatif;
        QString chemin;
        std::optional<EtatFichier::Disque> etatLu;
    };
    QList<Prepare> prepares;
    qsizetype horsDePortee = 0; // files that could not be read at all
    for (const Remplacement::Entree &entree : remplacement.fichiers) {
        const QString chemin = bilan.racine + QLatin1Char('/') + entree.relatif;
        const auto laisse = [&](const QString &raison) {
            bilan.laisses.append({entree.relatif, raison});
        };
        const auto etatLu = EtatFichier::surDisque(chemin);
        const DocumentFile::Reading lecture = DocumentFile::read(chemin);
        if (lecture.result != DocumentFile::Result::Read) {
            laisse(!QFileInfo::exists(chemin)
                       ? QStringLiteral("il n'existe plus")
                       : QStringLiteral("il ne peut pas être lu (%1)").arg(lecture.reason));
            ++horsDePortee;
            continue;
        }
        const QByteArray empreinte = sha1(lecture.bytes);
        // Never written (the replacement stopped before it), or already put back.
        if (empreinte == entree.avant)
            continue;
        if (empreinte != entree.apres) {
            laisse(QStringLiteral("il a été modifié depuis le remplacement"));
            continue;
        }
        const DocumentFile::Reading copie
            = DocumentFile::read(bilan.dossierCopies + QLatin1Char('/') + entree.relatif);
        // Only the very bytes the file had go back into it.
        if (copie.result != DocumentFile::Result::Read || sha1(copie.bytes) != entree.avant) {
            laisse(QStringLiteral("sa copie gardée manque ou est abîmée"));
            continue;
        }
        QString raison;
        if (!ecriture.prepare(chemin, copie.bytes, &raison)) {
            bilan.echec
                = QStringLiteral("%1 ne peut pas être écrit : %2.").arg(entree.relatif, raison);
            for (const Remplacement::Entree &autre : remplacement.fichiers)
                bilan.nonTraites << autre.relatif;
            return bilan;
        }
        prepares.append({entree.relatif, chemin, etatLu});
    }
    EcritureGroupee::synchronise();
    for (qsizetype i = 0; i < prepares.size(); ++i) {
        const Prepare &prepare = prepares[i];
        if (!memeEtat(prepare.etatLu, EtatFichier::surDisque(prepare.chemin))) {
            ecriture.laisse(i);
            bilan.laisses.append(
                {prepare.relatif, QStringLiteral("il a été modifié depuis le remplacement")});
            continue;
        }
        QString raison;
        if (!ecriture.remplace(i, &raison)) {
            bilan.echec
                = QStringLiteral("%1 ne peut pas être écrit : %2.").arg(prepare.relatif, raison);
            for (qsizetype j = i; j < prepares.size(); ++j)
                bilan.nonTraites << prepares[j].relatif;
            return bilan;
        }
        bilan.modifies << prepare.relatif;
    }
    EcritureGroupee::synchronise();
    // A site out of reach as a whole (a drive taken away, a folder renamed) is
    // undone once it is back: the replacement stays the one to undo.
    if (horsDePortee == remplacement.fichiers.size())
        return bilan;
    // The next undo goes to the replacement before this one. Should the mark not
    // reach the disk, undoing this one again finds nothing left to put back.
    QString raison;
    ajouteAuRegistre(dossier + QLatin1Char('/') + remplacement.nom + QLatin1String(".txt"),
                     "annule\n", &raison);
    return bilan;
}

} // namespace RemplacementSite
