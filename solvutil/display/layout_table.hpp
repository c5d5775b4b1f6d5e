#pragma once
// The progress-table layouts, one table per SolverName (internal to libsolvutil).
// Everything else is derived from these tables: the exported width, type and precision
// arrays (layouts.cpp), the header keys (display_headers.cpp) and the run-time look-up
// used by the display (layout_view.hpp).
//
// Adding a layout: give SolverName its next value, then add its Layout specialisation
// below. The layouts are counted at compile time; they must cover 0, 1, 2, ... without gaps.
#include <array>
#include <cstddef>
#include <string_view>

#include "solvutil/display/solver_name.hpp"

namespace solvutil::display {

/// One column: the catalog key of its header, field width, type and precision.
struct Column {
    const char* key;
    long width;
    ColumnType type;
    unsigned long precision;  ///< used by Double columns; 1 elsewhere
};

/// The layout of S: `columns` in column order, `twoLineHeader` (header texts may hold a
/// line break, printed on a second line) and, for the least-squares member of a pair,
/// `sharesTablesWith`: the layout whose width, type and precision arrays S hands out.
template <SolverName S>
struct Layout {};

// Column makers: only Double columns take a precision, the others hold 1.
constexpr Column integerColumn(const char* key, long width) {
    return {key, width, ColumnType::Integer, 1};
}
constexpr Column doubleColumn(const char* key, long width, unsigned long precision) {
    return {key, width, ColumnType::Double, precision};
}
constexpr Column stringColumn(const char* key, long width) {
    return {key, width, ColumnType::String, 1};
}
constexpr Column generalColumn(const char* key, long width) {
    return {key, width, ColumnType::GeneralDouble, 1};
}

namespace layout_detail {
/// `columns` with the header key of column 2 replaced: the least-squares member of a
/// pair shows the residual norm where the other shows the objective.
template <std::size_t N>
constexpr std::array<Column, N> withSecondKey(std::array<Column, N> columns, const char* key) {
    columns[1].key = key;
    return columns;
}
}  // namespace layout_detail

template <>
struct Layout<SolverName::PredictorCorrector> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        doubleColumn("Fval", 14, 6),
        doubleColumn("PrimalInfeas", 13, 6),
        doubleColumn("DualInfeas", 13, 6),
        doubleColumn("Complementarity", 15, 6),
        doubleColumn("BarrierParam", 13, 6),
        doubleColumn("StepLength", 13, 6),
        integerColumn("NumCorr", 8),
    });
    static constexpr bool twoLineHeader = false;
};

template <>
struct Layout<SolverName::DualSimplex> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        generalColumn("Time", 8),
        doubleColumn("Fval", 14, 6),
        doubleColumn("PrimalInfeas", 13, 6),
        doubleColumn("DualInfeas", 13, 6),
    });
    static constexpr bool twoLineHeader = false;
};

template <>
struct Layout<SolverName::InteriorPoint> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        doubleColumn("Fval", 14, 6),
        doubleColumn("PrimalInfeas", 13, 6),
        doubleColumn("DualInfeas", 13, 6),
        doubleColumn("Complementarity", 15, 6),
        doubleColumn("BarrierParam", 13, 6),
        doubleColumn("StepLength", 13, 6),
        stringColumn("StepType", 13),
    });
    static constexpr bool twoLineHeader = false;
};

template <>
struct Layout<SolverName::InteriorPointLeastSquares> {
    static constexpr SolverName sharesTablesWith = SolverName::InteriorPoint;
    static constexpr auto columns =
        layout_detail::withSecondKey(Layout<SolverName::InteriorPoint>::columns, "Resnorm");
    static constexpr bool twoLineHeader = false;
};

template <>
struct Layout<SolverName::SequentialQP> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        integerColumn("Fcount", 10),
        doubleColumn("Fval", 14, 6),
        doubleColumn("Feasibility", 12, 3),
        doubleColumn("StepLength", 12, 3),
        doubleColumn("StepNorm", 12, 3),
        doubleColumn("FirstOrderOpt", 12, 3),
        doubleColumn("PenaltyParam", 13, 3),
        stringColumn("StepType", 16),
    });
    static constexpr bool twoLineHeader = true;
};

template <>
struct Layout<SolverName::RegularizedPredictorCorrector> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        doubleColumn("Fval", 14, 6),
        doubleColumn("PrimalInfeas", 13, 6),
        doubleColumn("DualInfeas", 13, 6),
        doubleColumn("Complementarity", 15, 6),
        doubleColumn("BarrierParam", 13, 6),
        doubleColumn("StepLength", 13, 6),
        integerColumn("NumCorr", 9),
        stringColumn("RegType", 14),
    });
    static constexpr bool twoLineHeader = false;
};

template <>
struct Layout<SolverName::RegularizedPredictorCorrectorLeastSquares> {
    static constexpr SolverName sharesTablesWith = SolverName::RegularizedPredictorCorrector;
    static constexpr auto columns = layout_detail::withSecondKey(
        Layout<SolverName::RegularizedPredictorCorrector>::columns, "Resnorm");
    static constexpr bool twoLineHeader = false;
};

template <>
struct Layout<SolverName::ActiveSetPhaseOne> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        doubleColumn("Feasibility", 13, 6),
        doubleColumn("StepNorm", 13, 6),
        doubleColumn("StepLength", 15, 6),
        stringColumn("Action", 13),
        integerColumn("ActiveConstr", 13),
        stringColumn("StepType", 12),
    });
    static constexpr bool twoLineHeader = true;
};

template <>
struct Layout<SolverName::ActiveSet> {
    static constexpr auto columns = std::to_array<Column>({
        integerColumn("Iter", 5),
        doubleColumn("Fval", 14, 6),
        doubleColumn("Feasibility", 13, 6),
        doubleColumn("FirstOrderOpt", 13, 6),
        doubleColumn("StepNorm", 13, 6),
        doubleColumn("StepLength", 15, 6),
        stringColumn("Action", 13),
        integerColumn("ActiveConstr", 13),
        stringColumn("StepType", 12),
    });
    static constexpr bool twoLineHeader = true;
};

template <>
struct Layout<SolverName::ActiveSetLeastSquares> {
    static constexpr SolverName sharesTablesWith = SolverName::ActiveSet;
    static constexpr auto columns =
        layout_detail::withSecondKey(Layout<SolverName::ActiveSet>::columns, "Resnorm");
    static constexpr bool twoLineHeader = true;
};

/// Whether S has a layout table.
template <SolverName S>
concept HasLayout = requires {
    Layout<S>::columns;
};

/// The SolverName whose width, type and precision arrays S hands out (S itself unless S
/// shares the arrays of its pair).
template <SolverName S>
constexpr SolverName tableOwner() {
    if constexpr (requires { Layout<S>::sharesTablesWith; }) {
        return Layout<S>::sharesTablesWith;
    } else {
        return S;
    }
}

namespace layout_detail {
template <int N>
constexpr std::size_t countFrom() {
    if constexpr (HasLayout<static_cast<SolverName>(N)>) {
        return 1 + countFrom<N + 1>();
    } else {
        return 0;
    }
}

// Two layouts that share arrays must agree on every width, type and precision.
template <SolverName S>
constexpr bool sharedArraysAgree() {
    constexpr auto& mine = Layout<S>::columns;
    constexpr auto& owner = Layout<tableOwner<S>()>::columns;
    if (mine.size() != owner.size()) return false;
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (mine[i].width != owner[i].width || mine[i].type != owner[i].type ||
            mine[i].precision != owner[i].precision)
            return false;
    }
    return true;
}

template <std::size_t... N>
constexpr bool everyLayoutConsistent(std::index_sequence<N...>) {
    return (sharedArraysAgree<static_cast<SolverName>(N)>() && ...);
}
}  // namespace layout_detail

/// Number of layouts: SolverName values 0 .. kLayoutCount-1 each have one.
inline constexpr std::size_t kLayoutCount = layout_detail::countFrom<0>();

static_assert(layout_detail::everyLayoutConsistent(std::make_index_sequence<kLayoutCount>()),
              "layouts that share arrays must agree on width, type and precision");

}  // namespace solvutil::display
