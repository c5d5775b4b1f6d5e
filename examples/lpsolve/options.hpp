#pragma once
// Command-line options of the lpsolve program.
#include <cstddef>
#include <string>
#include <vector>

#include "examples/lpsolve/kkt_solver.hpp"

namespace lpsolve {

struct Options {
    std::string file;
    double tolerance = 1e-8;
    std::size_t maxIterations = 100;
    LinearAlgebra linearAlgebra = LinearAlgebra::Automatic;
    bool quiet = false;
    bool presolve = true;
};

/// Parses argv[1..]; throws LpError(Usage) with a message on a bad option.
Options parseOptions(const std::vector<std::string>& args);

/// The usage text printed by --help and after a usage error.
const char* usageText();

}  // namespace lpsolve
