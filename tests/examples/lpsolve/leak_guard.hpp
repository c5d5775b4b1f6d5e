#pragma once
// Whole solves fill the OPTMatrix scratch buffer, whose entries live until the process
// ends; the scratch-aware guard does not count those as leaks.
#include "tests/support/scratch_leak_guard.hpp"

namespace lpsolve_test {
using SolveLeakGuard = ScratchAwareLeakGuard;
}  // namespace lpsolve_test
