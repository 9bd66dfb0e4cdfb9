#pragma once

#include "releve.h"

#include <QByteArray>

#include <atomic>
#include <cstddef>

// HTML Tidy's report on a page, through its library: errors and warnings only,
// in French, for HTML5 (see messagestidy.h), with lines and columns counted as the
// editor counts them (a tab is one column). No tidied page is made.
namespace Verification {

// What one run of Tidy may spend before it is stopped, and a remark says which
// bound it passed.
struct LimitesTidy
{
    std::size_t octets; // of memory held at once
    qint64 millisecondes; // of processor time of the thread that runs it
    quint64 messages;

    // Far above what any page of the size costs: a page of 5 MB takes Tidy half a
    // second, a few hundred MB at most, a few messages a tag.
    static LimitesTidy pour(qsizetype taille);
};

// Adds Tidy's errors and warnings on the UTF-8 bytes to releve, with Tidy's own
// columns (see Releve::ajoute). Tidy stops soon after arret, when given, is set,
// and nothing is said of it.
void rapportTidy(const QByteArray &utf8, Releve &releve, const std::atomic<bool> *arret = nullptr);
void rapportTidy(const QByteArray &utf8, Releve &releve, const std::atomic<bool> *arret,
                 const LimitesTidy &limites);

// The processor time the calling thread has used, in milliseconds: a busy
// machine or a thread put aside does not make it grow.
qint64 tempsProcesseur();

} // namespace Verification
