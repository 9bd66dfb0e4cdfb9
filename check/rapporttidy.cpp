#include "rapporttidy.h"

#include "messagestidy.h"

#include <QHash>
#include <QLocale>
#include <QStringList>

#include <tidy.h>
#include <tidybuffio.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <vector>

namespace Verification {

namespace {

// Before each block that Tidy allocates: the live blocks are kept in a list, so
// that all of Tidy's memory can be given back at once if it has to be stopped.
struct alignas(std::max_align_t) Entete
{
    Entete *precedent;
    Entete *suivant;
    std::size_t taille;
};

// Why a run was stopped; Proprietaire: its owner asked for it.
enum class Raison { Aucune, Proprietaire, Boucle, Memoire, Temps, Messages };

// A message said at the place where Tidy is, and how many times.
struct Dit
{
    Probleme probleme;
    int fois;
};

// The same message at one place more often than this, and than the tag there has
// bytes, is a loop. Tidy says a thing again at one place for each inline element
// it reopens there (at most Imbrication::profondeurMaximale) and for each
// attribute of the tag there.
constexpr int repetitionsSansBoucle = 12'000;

// One run of Tidy: its memory, what it may spend, and where to come back to when
// it spends more. Tidy 5.6 can loop for ever on some markup (a definition list
// in a table row closed by a table's end tag reports "missing <dd>" without end);
// it cannot be asked to stop, so its run is left by a long jump from its message
// callback or its allocator, both called all along, and its memory freed here.
struct Course
{
    TidyAllocator allocateur; // first: Tidy hands its address back
    const QByteArray &utf8;
    Releve &releve;
    LimitesTidy limites;
    const std::atomic<bool> *arret; // set by the owner: stop now
    Entete *blocs = nullptr;
    std::size_t octets = 0;
    quint64 messages = 0;
    quint64 appels = 0;
    qint64 debut; // processor time, in milliseconds
    Raison raison = Raison::Aucune;
    // Where Tidy was at its last message, and what it said there: a loop says the
    // same thing at one place without end. Rows said at one place are held until
    // Tidy moves on, so that a loop gives one row for what it repeats.
    int ligne = 1;
    int colonne = 1;
    std::vector<Dit> ici;
    QHash<QString, std::size_t> indexIci;
    int seuilBoucle = 0; // 0 until worked out for the place
    std::vector<qsizetype> debutsLignes; // of the UTF-8 bytes, made when first needed
    // The last place found: Tidy's messages mostly come in the page's order, and
    // a page may be one line of megabytes.
    int ligneTrouvee = 0;
    int colonneTrouvee = 0;
    qsizetype offsetTrouve = 0;
    std::jmp_buf retour;

    Course(const QByteArray &utf8, Releve &releve, const LimitesTidy &limites,
           const std::atomic<bool> *arret)
        : utf8(utf8)
        , releve(releve)
        , limites(limites)
        , arret(arret)
        , debut(tempsProcesseur())
    { }

    ~Course()
    {
        while (blocs) {
            Entete *suivant = blocs->suivant;
            std::free(blocs);
            blocs = suivant;
        }
    }

    // The rows held for the place: each as often as Tidy said it, or once when
    // Tidy went round in circles there.
    void videIci(bool uneFois)
    {
        for (const Dit &dit : ici) {
            for (int i = 0; i < (uneFois ? 1 : dit.fois); ++i)
                releve.ajoute(dit.probleme, true);
        }
        ici.clear();
        indexIci.clear();
        seuilBoucle = 0;
    }

    qsizetype offsetDe(int ligneTidy, int colonneTidy);
    QByteArrayView baliseA(qsizetype offset) const;
};

// The offset in the bytes of a line and a column as Tidy counts them: one a
// character, control characters but the tab not counted, nor a mark at the start.
qsizetype Course::offsetDe(int ligneTidy, int colonneTidy)
{
    if (debutsLignes.empty()) {
        debutsLignes.push_back(0);
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            if (utf8.at(i) == '\n')
                debutsLignes.push_back(i + 1);
        }
    }
    if (ligneTidy < 1 || std::size_t(ligneTidy) > debutsLignes.size())
        return -1;
    auto nonCompte = [this](qsizetype k) {
        const uchar octet = uchar(utf8.at(k));
        return (octet < 0x20 && octet != '\t' && octet != '\n') || (octet & 0xc0) == 0x80;
    };
    qsizetype i = debutsLignes[std::size_t(ligneTidy) - 1];
    int colonne = 1;
    if (ligneTidy == ligneTrouvee && colonneTidy >= colonneTrouvee) {
        i = offsetTrouve;
        colonne = colonneTrouvee;
    } else if (i == 0 && utf8.startsWith("\xef\xbb\xbf")) {
        i = 3;
    }
    for (; i < utf8.size() && utf8.at(i) != '\n'; ++i) {
        if (nonCompte(i))
            continue;
        if (colonne == colonneTidy)
            break;
        ++colonne;
    }
    ligneTrouvee = ligneTidy;
    colonneTrouvee = colonne;
    offsetTrouve = i;
    return i;
}

// The bytes from offset to the end of the tag that starts there (quoted values
// included), or a few bytes, enough for the name of an entity.
QByteArrayView Course::baliseA(qsizetype offset) const
{
    if (offset < 0 || offset >= utf8.size())
        return {};
    const QByteArrayView reste = QByteArrayView(utf8).sliced(offset);
    if (!reste.startsWith('<'))
        return reste.first(std::min<qsizetype>(reste.size(), 64));
    char guillemet = 0;
    for (qsizetype i = 1; i < reste.size(); ++i) {
        const char c = reste.at(i);
        if (guillemet) {
            if (c == guillemet)
                guillemet = 0;
        } else if (c == '"' || c == '\'') {
            guillemet = c;
        } else if (c == '>') {
            return reste.first(i + 1);
        }
    }
    return reste;
}

Course *courseDe(TidyAllocator *allocateur)
{
    return reinterpret_cast<Course *>(allocateur);
}

// Called with no object of this program alive between here and the setjmp.
[[noreturn]] void arrete(Course *course, Raison raison)
{
    course->raison = raison;
    std::longjmp(course->retour, 1);
}

void surveille(Course *course)
{
    if (course->arret && course->arret->load(std::memory_order_relaxed))
        arrete(course, Raison::Proprietaire);
    if (course->octets > course->limites.octets)
        arrete(course, Raison::Memoire);
    if (course->messages > course->limites.messages)
        arrete(course, Raison::Messages);
    if ((++course->appels & 0x3ff) == 0
        && tempsProcesseur() - course->debut > course->limites.millisecondes)
        arrete(course, Raison::Temps);
}

void lie(Course *course, Entete *entete, std::size_t taille)
{
    entete->precedent = nullptr;
    entete->suivant = course->blocs;
    entete->taille = taille;
    if (course->blocs)
        course->blocs->precedent = entete;
    course->blocs = entete;
    course->octets += taille;
}

void delie(Course *course, Entete *entete)
{
    if (entete->precedent)
        entete->precedent->suivant = entete->suivant;
    else
        course->blocs = entete->suivant;
    if (entete->suivant)
        entete->suivant->precedent = entete->precedent;
    course->octets -= entete->taille;
}

void *TIDY_CALL alloue(TidyAllocator *allocateur, size_t taille)
{
    Course *course = courseDe(allocateur);
    surveille(course);
    auto *entete = static_cast<Entete *>(std::malloc(sizeof(Entete) + taille));
    if (!entete)
        arrete(course, Raison::Memoire);
    lie(course, entete, taille);
    return entete + 1;
}

void *TIDY_CALL realloue(TidyAllocator *allocateur, void *bloc, size_t taille)
{
    if (!bloc)
        return alloue(allocateur, taille);
    Course *course = courseDe(allocateur);
    surveille(course);
    Entete *entete = static_cast<Entete *>(bloc) - 1;
    delie(course, entete);
    auto *nouveau = static_cast<Entete *>(std::realloc(entete, sizeof(Entete) + taille));
    if (!nouveau) {
        lie(course, entete, entete->taille);
        arrete(course, Raison::Memoire);
    }
    lie(course, nouveau, taille);
    return nouveau + 1;
}

void TIDY_CALL libere(TidyAllocator *allocateur, void *bloc)
{
    if (!bloc)
        return;
    Course *course = courseDe(allocateur);
    Entete *entete = static_cast<Entete *>(bloc) - 1;
    delie(course, entete);
    std::free(entete);
}

// Tidy's panic is its allocator failing.
void TIDY_CALL panique(TidyAllocator *allocateur, ctmbstr)
{
    arrete(courseDe(allocateur), Raison::Memoire);
}

const TidyAllocatorVtbl fonctionsMemoire = {alloue, realloue, libere, panique};

QStringList argumentsDe(TidyMessage message)
{
    QStringList arguments;
    for (TidyIterator i = tidyGetMessageArguments(message); i;) {
        TidyMessageArgument argument = tidyGetNextMessageArgument(message, &i);
        switch (tidyGetArgType(message, &argument)) {
        case tidyFormatType_STRING:
            arguments << QString::fromUtf8(tidyGetArgValueString(message, &argument));
            break;
        case tidyFormatType_INT:
            arguments << QString::number(tidyGetArgValueInt(message, &argument));
            break;
        case tidyFormatType_UINT:
            arguments << QString::number(tidyGetArgValueUInt(message, &argument));
            break;
        default:
            arguments << QString();
            break;
        }
    }
    return arguments;
}

// Takes a message in; true when Tidy goes round in circles. Its objects are gone
// when it returns, before any long jump.
bool prendMessage(Course *course, TidyMessage message)
{
    Genre genre;
    switch (tidyGetMessageLevel(message)) {
    case TidyWarning:
        genre = Genre::Avertissement;
        break;
    case TidyError:
    case TidyBadDocument:
    case TidyFatal:
        genre = Genre::Erreur;
        break;
    default:
        // Information, summaries and footnotes are not about a place in the page.
        return false;
    }
    const int ligne = tidyGetMessageLine(message);
    const int colonne = tidyGetMessageColumn(message);
    const QByteArrayView cle(tidyGetMessageKey(message));
    const QStringList arguments = argumentsDe(message);
    if (messageEcarte(cle, arguments, [course, ligne, colonne] {
            return course->baliseA(course->offsetDe(ligne, colonne));
        }))
        return false;
    QString texte = texteMarlisse(cle, arguments);
    if (texte.isEmpty())
        texte = QString::fromUtf8(tidyGetMessage(message)).trimmed();

    if (ligne != course->ligne || colonne != course->colonne) {
        course->videIci(false);
        course->ligne = ligne;
        course->colonne = colonne;
    }
    const QString quoi = QString::number(int(genre)) + texte;
    const auto dit = course->indexIci.constFind(quoi);
    if (dit == course->indexIci.cend()) {
        course->indexIci.insert(quoi, course->ici.size());
        course->ici.push_back(
            {{ligne, colonne, genre, texte, QString(), QString::fromLatin1(cle)}, 1});
        return false;
    }
    const int fois = ++course->ici[*dit].fois;
    if (fois <= repetitionsSansBoucle)
        return false;
    if (course->seuilBoucle == 0) {
        // Each attribute of a tag may give a message of its own at the tag's place.
        const QByteArrayView balise = course->baliseA(course->offsetDe(ligne, colonne));
        const qsizetype longueur = balise.startsWith('<') ? balise.size() : 0;
        course->seuilBoucle = int(std::min<qsizetype>(
            std::max<qsizetype>(repetitionsSansBoucle, longueur), std::numeric_limits<int>::max()));
    }
    return fois > course->seuilBoucle;
}

Bool TIDY_CALL recoitMessage(TidyMessage message)
{
    auto *course = static_cast<Course *>(tidyGetAppData(tidyGetMessageDoc(message)));
    ++course->messages;
    surveille(course);
    if (prendMessage(course, message))
        arrete(course, Raison::Boucle);
    return no; // nothing written anywhere else
}

// Tidy's steps; false when the run had to be stopped. No object with a destructor
// lives here: a long jump may come back to the setjmp from within Tidy.
bool lanceTidy(const QByteArray &utf8, Course *course)
{
    static char vide = 0;
    if (setjmp(course->retour) != 0)
        return false;
    TidyDoc document = tidyCreateWithAllocator(&course->allocateur);
    tidySetAppData(document, course);
    tidySetMessageCallback(document, recoitMessage);
    for (const auto &[nom, valeur] : optionsTidy())
        tidyOptParseValue(document, nom.constData(), valeur.constData());

    // A buffer, not a string: the text after a NUL is read too.
    TidyBuffer entree;
    tidyBufInitWithAllocator(&entree, &course->allocateur);
    tidyBufAttach(
        &entree,
        reinterpret_cast<byte *>(utf8.isEmpty() ? &vide : const_cast<char *>(utf8.constData())),
        uint(utf8.size()));
    int etat = tidyParseBuffer(document, &entree);
    // The same steps as "tidy -e": repairs and diagnostics add their own warnings.
    if (etat >= 0)
        etat = tidyCleanAndRepair(document);
    if (etat >= 0)
        tidyRunDiagnostics(document);
    tidyBufDetach(&entree);
    tidyRelease(document);
    return true;
}

QString remarque(const Course &course)
{
    const QLocale francais(QLocale::French);
    const QString suite = QStringLiteral("\u00a0: la vérification du balisage s'arrête là");
    switch (course.raison) {
    case Raison::Boucle:
        return QStringLiteral("HTML Tidy tourne en rond à partir d'ici") + suite;
    case Raison::Memoire:
        return QStringLiteral("HTML Tidy demande plus de %1\u00a0Mo de mémoire pour cette page")
                   .arg(francais.toString(qulonglong(course.limites.octets / (1024 * 1024))))
            + suite;
    case Raison::Temps:
        return QStringLiteral("HTML Tidy a calculé plus de %1\u00a0s sur cette page")
                   .arg(francais.toString(course.limites.millisecondes / 1000))
            + suite;
    case Raison::Messages:
        return QStringLiteral("HTML Tidy a donné plus de %1 messages sur cette page")
                   .arg(francais.toString(qulonglong(course.limites.messages)))
            + suite;
    case Raison::Aucune:
    case Raison::Proprietaire:
        break;
    }
    return QString();
}

} // namespace

LimitesTidy LimitesTidy::pour(qsizetype taille)
{
    const std::size_t megaoctets = std::size_t(taille) / (1024 * 1024);
    return {std::size_t(1024) * 1024 * 1024 + 64 * std::size_t(taille),
            20'000 + 2'000 * qint64(megaoctets), 100'000 + 20 * quint64(taille)};
}

qint64 tempsProcesseur()
{
    timespec temps {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &temps);
    return qint64(temps.tv_sec) * 1000 + temps.tv_nsec / 1'000'000;
}

void rapportTidy(const QByteArray &utf8, Releve &releve, const std::atomic<bool> *arret)
{
    rapportTidy(utf8, releve, arret, LimitesTidy::pour(utf8.size()));
}

void rapportTidy(const QByteArray &utf8, Releve &releve, const std::atomic<bool> *arret,
                 const LimitesTidy &limites)
{
    // The language is Tidy's global state: set once, before any document exists.
    static std::once_flag langue;
    std::call_once(langue, [] { tidySetLanguage("fr"); });

    Course course(utf8, releve, limites, arret);
    course.allocateur.vtbl = &fonctionsMemoire;
    const bool finie = lanceTidy(utf8, &course);
    // Stopped by its owner, the result goes nowhere: nothing to say.
    if (course.raison == Raison::Proprietaire)
        return;
    course.videIci(course.raison == Raison::Boucle);
    if (!finie) {
        releve.ajoute(
            {course.ligne, course.colonne, Genre::Remarque, remarque(course), QString(), QString()},
            true);
    }
}

} // namespace Verification
