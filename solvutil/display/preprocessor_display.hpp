#pragma once
// The one-message summary a solver prints after preprocessing.
// Threads: the summary is several console writes; summaries printed from several
// threads may interleave.
#include "solvutil/display/solver_name.hpp"
#include "solvutil/solvutil_export.hpp"

/// Prints "\n", the catalog message "LPPreprocessorDisplay" filled with (countA, countB,
/// countC, change word, |signedCount|), and "\n". The change word is empty when
/// signedCount > 0 and the catalog's "added" text plus a space otherwise. `solver` does
/// not influence the output. Catalog exceptions propagate; no flush is made.
SOLVUTIL_API void printPreprocessorDisplay(SolverName solver, unsigned long countA,
                                           unsigned long countB, unsigned long countC,
                                           long signedCount);

extern "C" {
/// Plain-symbol form: widens `signedCount` with its sign and prints the same summary.
SOLVUTIL_API void printPreprocessorDisplay(unsigned long countA, unsigned long countB,
                                           unsigned long countC, int signedCount);
}
