#pragma once

#include "releve.h"

#include <QByteArray>

#include <atomic>

// HTML Tidy's report on a page, through its library: errors and warnings only,
// in French, with lines and columns counted as the editor counts them (a tab is
// one column). No tidied page is made.
namespace Verification {

// Adds Tidy's errors and warnings on the UTF-8 bytes to releve, with Tidy's own
// columns (see Releve::ajoute). Tidy stops soon after arret, when given, is set.
void rapportTidy(const QByteArray &utf8, Releve &releve, const std::atomic<bool> *arret = nullptr);

} // namespace Verification
