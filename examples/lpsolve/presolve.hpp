#pragma once
// A small presolve: removes empty rows, empty columns and rows that no point within the
// column bounds can violate, repeating until nothing changes. A row that can never be
// satisfied is reported as LpError(Infeasible). An empty column whose cost improves
// without bound makes the problem unbounded only if the rest is feasible, so it is
// recorded (and removed at a finite value) and the verdict waits for the solve. A column
// with entries in the Hessian Q is never removed: its value depends on the others.
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
    /// First model column found empty with a cost that decreases without bound, or kNone.
    std::size_t unboundedColumn = kNone;

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
};

/// Relative feasibility tolerance of the presolve's own decisions (empty rows, implied
/// bounds against the size of their terms).
inline constexpr double kPresolveTolerance = 1e-9;

PresolveResult presolve(const LpModel& lp);

/// The model's column values from a point of the reduced model.
std::vector<double> restoreColumns(const PresolveResult& p, const std::vector<double>& x);

}  // namespace lpsolve
