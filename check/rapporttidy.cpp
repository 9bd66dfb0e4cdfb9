#include "rapporttidy.h"

#include <tidy.h>
#include <tidybuffio.h>

#include <mutex>

namespace Verification {

namespace {

Bool TIDY_CALL recoitMessage(TidyMessage message)
{
    auto *releve = static_cast<Releve *>(tidyGetAppData(tidyGetMessageDoc(message)));
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
    releve->ajoute({tidyGetMessageLine(message), tidyGetMessageColumn(message), genre,
                    QString::fromUtf8(tidyGetMessage(message)).trimmed(), QString()},
                   true);
    return no; // nothing written anywhere else
}

} // namespace

void rapportTidy(const QByteArray &utf8, Releve &releve)
{
    // The language is Tidy's global state: set once, before any document exists.
    static std::once_flag langue;
    std::call_once(langue, [] { tidySetLanguage("fr"); });

    TidyDoc document = tidyCreate();
    tidySetAppData(document, &releve);
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
    static char vide = 0;
    TidyBuffer entree;
    tidyBufInit(&entree);
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
}

} // namespace Verification
