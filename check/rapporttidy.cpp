#include "rapporttidy.h"

#include <QElapsedTimer>

#include <tidy.h>
#include <tidybuffio.h>

#include <csetjmp>
#include <cstdlib>
#include <mutex>

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

// One run of Tidy: its memory, what it may spend, and where to come back to when
// it spends more. Tidy 5.6 can loop for ever on some markup (a definition list
// in a table row closed by a table's end tag reports "missing <dd>" without end);
// it cannot be asked to stop, so its run is left by a long jump from its message
// callback or its allocator, both called all along, and its memory freed here.
struct Course
{
    TidyAllocator allocateur; // first: Tidy hands its address back
    Releve *releve;
    Entete *blocs = nullptr;
    std::size_t octets = 0;
    std::size_t plafondOctets;
    quint64 messages = 0;
    quint64 plafondMessages;
    // Messages in a row at one place: Tidy reopens there at most a few thousand
    // elements (see Imbrication), a loop says the same thing there without end.
    int memePlace = 0;
    quint64 appels = 0;
    QElapsedTimer chrono;
    qint64 delai; // in milliseconds
    const std::atomic<bool> *arret; // set by the owner: stop now
    // Where Tidy was at its last message: where it went round in circles.
    int ligne = 1;
    int colonne = 1;
    std::jmp_buf retour;

    Course(Releve *releve, qsizetype taille, const std::atomic<bool> *arret)
        : releve(releve)
        , arret(arret)
    {
        // Far above what any page costs: a page of 5 MB takes Tidy half a second,
        // a few hundred MB at most, a few messages a tag.
        const std::size_t megaoctets = std::size_t(taille) / (1024 * 1024);
        plafondOctets = std::size_t(1024) * 1024 * 1024 + 64 * std::size_t(taille);
        plafondMessages = 100'000 + 20 * quint64(taille);
        delai = 20'000 + 2'000 * qint64(megaoctets);
        chrono.start();
    }

    ~Course()
    {
        while (blocs) {
            Entete *suivant = blocs->suivant;
            std::free(blocs);
            blocs = suivant;
        }
    }
};

Course *courseDe(TidyAllocator *allocateur)
{
    return reinterpret_cast<Course *>(allocateur);
}

// Called with no object of this program alive between here and the setjmp.
[[noreturn]] void arrete(Course *course)
{
    std::longjmp(course->retour, 1);
}

constexpr int memePlaceMaximum = 20'000;

void surveille(Course *course)
{
    if (course->octets > course->plafondOctets || course->messages > course->plafondMessages
        || course->memePlace > memePlaceMaximum
        || (course->arret && course->arret->load(std::memory_order_relaxed)))
        arrete(course);
    if ((++course->appels & 0x3ff) == 0 && course->chrono.hasExpired(course->delai))
        arrete(course);
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
        arrete(course);
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
        arrete(course);
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

void TIDY_CALL panique(TidyAllocator *allocateur, ctmbstr)
{
    arrete(courseDe(allocateur));
}

const TidyAllocatorVtbl fonctionsMemoire = {alloue, realloue, libere, panique};

Bool TIDY_CALL recoitMessage(TidyMessage message)
{
    auto *course = static_cast<Course *>(tidyGetAppData(tidyGetMessageDoc(message)));
    ++course->messages;
    surveille(course);

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
        return no;
    }
    const int ligne = tidyGetMessageLine(message);
    const int colonne = tidyGetMessageColumn(message);
    if (ligne == course->ligne && colonne == course->colonne) {
        ++course->memePlace;
    } else {
        course->memePlace = 0;
        course->ligne = ligne;
        course->colonne = colonne;
    }
    course->releve->ajoute({course->ligne, course->colonne, genre,
                            QString::fromUtf8(tidyGetMessage(message)).trimmed(), QString()},
                           true);
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
    tidyOptSetBool(document, TidyQuiet, yes);
    tidyOptSetBool(document, TidyShowWarnings, yes);
    tidyOptSetBool(document, TidyShowInfo, no);
    // Tidy shows 6 errors by default, and stops reporting after them.
    tidyOptSetInt(document, TidyShowErrors, 1'000'000'000);
    // Whatever the page declares, the bytes are the editor's text in UTF-8.
    tidyOptSetValue(document, TidyInCharEncoding, "utf8");
    // A tab is one column, as in the editor.
    tidyOptSetInt(document, TidyTabSize, 1);

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

} // namespace

void rapportTidy(const QByteArray &utf8, Releve &releve, const std::atomic<bool> *arret)
{
    // The language is Tidy's global state: set once, before any document exists.
    static std::once_flag langue;
    std::call_once(langue, [] { tidySetLanguage("fr"); });

    Course course(&releve, utf8.size(), arret);
    course.allocateur.vtbl = &fonctionsMemoire;
    // Stopped by its owner, the result goes nowhere: nothing to say.
    if (!lanceTidy(utf8, &course) && !(arret && *arret)) {
        releve.ajoute({course.ligne, course.colonne, Genre::Remarque,
                       QStringLiteral("HTML Tidy tourne en rond à partir d'ici\u00a0: la "
                                      "vérification du balisage s'arrête là"),
                       QString()},
                      true);
    }
}

} // namespace Verification
