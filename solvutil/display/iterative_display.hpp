#pragma once
// One row of a solver's progress table per call, optionally preceded by the column
// header, on the host console.
// Threads: a row is several console writes; rows printed from several threads may
// interleave.
#include "solvutil/display/solver_name.hpp"
#include "solvutil/solvutil_export.hpp"

/// Prints one row of `solver`'s progress table.
///
/// @param solver      layout to use; a value outside 0..9 prints nothing and reads no argument
/// @param printHeader print the column header (one or two lines) before the row
/// @param flush       call ioFlush() afterwards (also for an unknown `solver`)
/// @param numColumns  leading columns to print (header and row); at most the layout's count
/// @param ...         one value per printed column, in column order: unsigned long for
///                    Integer, double for Double and GeneralDouble, const char* (not null)
///                    for String columns. Nothing of this is checked.
///
/// A catalog failure while fetching the header texts propagates; nothing is printed and
/// nothing flushed then. Console write errors stay inside the stream.
SOLVUTIL_API void printIterativeDisplay(SolverName solver, bool printHeader, bool flush,
                                        unsigned long numColumns, ...);

extern "C" {
/// Plain-symbol row of the DualSimplex layout (never flushes). The objective shown is
/// objective + objectiveOffset, negated when `negateObjective`, with a zero always shown
/// as a positive zero.
SOLVUTIL_API void printIterativeDisplay(bool printHeader, bool negateObjective,
                                        unsigned long iteration, double time, double objective,
                                        double primalInfeasibility, double dualInfeasibility,
                                        double objectiveOffset);
}
