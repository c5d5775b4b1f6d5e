#pragma once
// A small presolve: removes empty rows, empty columns and rows that no point within the
// column bounds can violate, repeating until nothing changes. Infeasibility and
// unboundedness that show up on the way are reported as LpError.
#include <cstddef>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

struct PresolveResult {
    LpModel reduced;
    std::vector<std::size_t> keptColumns;  ///< model column of each reduced column
    std::vector<std::size_t> keptRows;     ///< model row of each reduced row
    std::vector<double> removedValue;      ///< value of each model column (used if removed)
    std::size_t inequalitiesRemoved = 0;
    std::size_t equalitiesRemoved = 0;
    std::size_t columnsRemoved = 0;
    long nonzerosRemoved = 0;  ///< signed: a presolve that adds entries makes it negative
};

/// Feasibility tolerance of the presolve's own decisions (empty rows, implied bounds).
inline constexpr double kPresolveTolerance = 1e-9;

PresolveResult presolve(const LpModel& lp);

/// The model's column values from a point of the reduced model.
std::vector<double> restoreColumns(const PresolveResult& p, const std::vector<double>& x);

}  // namespace lpsolve
