// Width, type and precision tables of the ten progress-table layouts.
#include "solvutil/display/layouts.hpp"

namespace {

using CT = ColumnType;
constexpr CT D = CT::Double;
constexpr CT I = CT::Integer;
constexpr CT S = CT::String;
constexpr CT G = CT::GeneralDouble;

// The exported getters hand out non-const pointers; nothing writes through them.
long pcWidths[] = {5, 14, 13, 13, 15, 13, 13, 8};
ColumnType pcTypes[] = {I, D, D, D, D, D, D, I};
unsigned long pcPrecisions[] = {1, 6, 6, 6, 6, 6, 6, 1};

long dsWidths[] = {5, 8, 14, 13, 13};
ColumnType dsTypes[] = {I, G, D, D, D};
unsigned long dsPrecisions[] = {1, 1, 6, 6, 6};

long ipWidths[] = {5, 14, 13, 13, 15, 13, 13, 13};
ColumnType ipTypes[] = {I, D, D, D, D, D, D, S};
unsigned long ipPrecisions[] = {1, 6, 6, 6, 6, 6, 6, 1};

long sqpWidths[] = {5, 10, 14, 12, 12, 12, 12, 13, 16};
ColumnType sqpTypes[] = {I, I, D, D, D, D, D, D, S};
unsigned long sqpPrecisions[] = {1, 1, 6, 3, 3, 3, 3, 3, 1};

long rpcWidths[] = {5, 14, 13, 13, 15, 13, 13, 9, 14};
ColumnType rpcTypes[] = {I, D, D, D, D, D, D, I, S};
unsigned long rpcPrecisions[] = {1, 6, 6, 6, 6, 6, 6, 1, 1};

long as1Widths[] = {5, 13, 13, 15, 13, 13, 12};
ColumnType as1Types[] = {I, D, D, D, S, I, S};
unsigned long as1Precisions[] = {1, 6, 6, 6, 1, 1, 1};

long asWidths[] = {5, 14, 13, 13, 13, 15, 13, 13, 12};
ColumnType asTypes[] = {I, D, D, D, D, D, S, I, S};
unsigned long asPrecisions[] = {1, 6, 6, 6, 6, 6, 1, 1, 1};

template <std::size_t N>
constexpr solvutil::display::LayoutView view(long (&w)[N], ColumnType (&t)[N],
                                             unsigned long (&p)[N], bool twoLine) {
    return {N, w, t, p, twoLine};
}

// Indexed by SolverName value.
const solvutil::display::LayoutView kLayouts[] = {
    view(pcWidths, pcTypes, pcPrecisions, false),    // PredictorCorrector
    view(dsWidths, dsTypes, dsPrecisions, false),    // DualSimplex
    view(ipWidths, ipTypes, ipPrecisions, false),    // InteriorPoint
    view(ipWidths, ipTypes, ipPrecisions, false),    // InteriorPointLeastSquares
    view(sqpWidths, sqpTypes, sqpPrecisions, true),  // SequentialQP
    view(rpcWidths, rpcTypes, rpcPrecisions, false), // RegularizedPredictorCorrector
    view(rpcWidths, rpcTypes, rpcPrecisions, false), // ...LeastSquares
    view(as1Widths, as1Types, as1Precisions, true),  // ActiveSetPhaseOne
    view(asWidths, asTypes, asPrecisions, true),     // ActiveSet
    view(asWidths, asTypes, asPrecisions, true),     // ActiveSetLeastSquares
};

}  // namespace

namespace solvutil::display {

const LayoutView* findLayout(SolverName solver) noexcept {
    const auto index = static_cast<unsigned>(solver);  // negative values become large
    return index < std::size(kLayouts) ? &kLayouts[index] : nullptr;
}

}  // namespace solvutil::display

#define SOLVUTIL_DEFINE_TABLES(S, prefix)                                          \
    template <> long* getColumnWidths<S>() { return prefix##Widths; }              \
    template <> ColumnType* getColumnTypes<S>() { return prefix##Types; }          \
    template <> unsigned long* getColumnPrecisions<S>() { return prefix##Precisions; }

SOLVUTIL_DEFINE_TABLES(SolverName::PredictorCorrector, pc)
SOLVUTIL_DEFINE_TABLES(SolverName::DualSimplex, ds)
SOLVUTIL_DEFINE_TABLES(SolverName::InteriorPoint, ip)
SOLVUTIL_DEFINE_TABLES(SolverName::InteriorPointLeastSquares, ip)
SOLVUTIL_DEFINE_TABLES(SolverName::SequentialQP, sqp)
SOLVUTIL_DEFINE_TABLES(SolverName::RegularizedPredictorCorrector, rpc)
SOLVUTIL_DEFINE_TABLES(SolverName::RegularizedPredictorCorrectorLeastSquares, rpc)
SOLVUTIL_DEFINE_TABLES(SolverName::ActiveSetPhaseOne, as1)
SOLVUTIL_DEFINE_TABLES(SolverName::ActiveSet, as)
SOLVUTIL_DEFINE_TABLES(SolverName::ActiveSetLeastSquares, as)

#undef SOLVUTIL_DEFINE_TABLES
