#pragma once
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// Largest violation of the model's rows and column bounds at x (one value per column).
double maxViolation(const LpModel& lp, const std::vector<double>& x);

}  // namespace lpsolve
