#pragma once
// Per-solver layout tables of the progress display: field width, column type and
// precision of every column, and the header texts fetched once from the host's
// message catalog "solvlib:solvUtility".
//
// Each function is specialised for all ten SolverName values. The tables are shared,
// constant data (callers only read them); three pairs share one set of tables:
// InteriorPoint/InteriorPointLeastSquares, RegularizedPredictorCorrector/...LeastSquares
// and ActiveSet/ActiveSetLeastSquares.
#include <cstddef>
#include <string>

#include "solvutil/display/solver_name.hpp"
#include "solvutil/solvutil_export.hpp"

/// Header texts of S, one UTF-16 string per column in column order. The first call
/// fetches each key from the catalog and caches it for the rest of the process; later
/// calls only return the same pointer. A failing fetch propagates the catalog's exception
/// and leaves the cache unbuilt, so the next call tries again.
template <SolverName S>
std::u16string* getDisplayHeaders();
/// Field widths of S in UTF-16 code units, one per column.
template <SolverName S>
long* getColumnWidths();
/// Column types of S, one per column.
template <SolverName S>
ColumnType* getColumnTypes();
/// Digits after the decimal point of S's Double columns (1 for the other columns).
template <SolverName S>
unsigned long* getColumnPrecisions();

#define SOLVUTIL_DECLARE_LAYOUT(S)                                         \
    template <> SOLVUTIL_API std::u16string* getDisplayHeaders<S>();       \
    template <> SOLVUTIL_API long* getColumnWidths<S>();                   \
    template <> SOLVUTIL_API ColumnType* getColumnTypes<S>();              \
    template <> SOLVUTIL_API unsigned long* getColumnPrecisions<S>();

SOLVUTIL_DECLARE_LAYOUT(SolverName::PredictorCorrector)
SOLVUTIL_DECLARE_LAYOUT(SolverName::DualSimplex)
SOLVUTIL_DECLARE_LAYOUT(SolverName::InteriorPoint)
SOLVUTIL_DECLARE_LAYOUT(SolverName::InteriorPointLeastSquares)
SOLVUTIL_DECLARE_LAYOUT(SolverName::SequentialQP)
SOLVUTIL_DECLARE_LAYOUT(SolverName::RegularizedPredictorCorrector)
SOLVUTIL_DECLARE_LAYOUT(SolverName::RegularizedPredictorCorrectorLeastSquares)
SOLVUTIL_DECLARE_LAYOUT(SolverName::ActiveSetPhaseOne)
SOLVUTIL_DECLARE_LAYOUT(SolverName::ActiveSet)
SOLVUTIL_DECLARE_LAYOUT(SolverName::ActiveSetLeastSquares)

#undef SOLVUTIL_DECLARE_LAYOUT

namespace solvutil::display {

/// Everything the display code needs about one layout (library-internal).
struct LayoutView {
    std::size_t columns;
    const long* widths;
    const ColumnType* types;
    const unsigned long* precisions;
    bool twoLineHeader;  ///< header texts may hold a line break printed on a second line
};

/// The layout of `solver`, or nullptr for a value outside 0..9.
const LayoutView* findLayout(SolverName solver) noexcept;
/// getDisplayHeaders<S>() for a run-time S (which must be one of the ten values).
std::u16string* displayHeaders(SolverName solver);

}  // namespace solvutil::display
