#pragma once
// Command-line options of the lpsolve program.
#include <cstddef>
#include <string>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

/// Accepted range of --tol and of --max-iter.
inline constexpr double kMinTolerance = 1e-14, kMaxTolerance = 1e-2;
inline constexpr std::size_t kMaxIterationLimit = 1000000;

struct Options {
    std::string file;
    double tolerance = 1e-8;
    std::size_t maxIterations = 100;
    LinearAlgebra linearAlgebra = LinearAlgebra::Automatic;
    bool quiet = false;
    bool presolve = true;
};

/// Parses argv[1..]; throws LpError(Usage) with a message on a bad option: --tol must be a
/// finite number in [kMinTolerance, kMaxTolerance], --max-iter an integer (digits only) in
/// [1, kMaxIterationLimit].
Options parseOptions(const std::vector<std::string>& args);

/// The usage text printed by --help and after a usage error.
const char* usageText();

}  // namespace lpsolve
