#pragma once
// Per-solver layout tables of the progress display: field width, column type and
// precision of every column, and the header texts fetched once from the host's
// message catalog "solvlib:solvUtility".
//
// Each function is exported for all ten SolverName values. The tables are shared,
// constant data (callers only read them); three pairs share one set of tables:
// InteriorPoint/InteriorPointLeastSquares, RegularizedPredictorCorrector/...LeastSquares
// and ActiveSet/ActiveSetLeastSquares.
#include <string>

#include "solvutil/display/solver_name.hpp"
#include "solvutil/solvutil_export.hpp"

// The non-const pointers in the return types are fixed by the exported signatures.

/// Header texts of S, one UTF-16 string per column in column order. The first call
/// fetches each key from the catalog and caches it for the rest of the process; later
/// calls only return the same pointer. A failing fetch propagates the catalog's exception
/// and leaves the cache unbuilt, so the next call tries again.
template <SolverName S>
SOLVUTIL_API std::u16string* getDisplayHeaders();
/// Field widths of S in UTF-16 code units, one per column.
template <SolverName S>
SOLVUTIL_API long* getColumnWidths();
/// Column types of S, one per column.
template <SolverName S>
SOLVUTIL_API ColumnType* getColumnTypes();
/// Digits after the decimal point of S's Double columns (1 for the other columns).
template <SolverName S>
SOLVUTIL_API unsigned long* getColumnPrecisions();
