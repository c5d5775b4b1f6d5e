#pragma once
// Reads an MPS file (fixed or free format, gzip allowed) with CoinUtils' CoinMpsIO.
#include <string>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// Reads `path` into an LpModel. Throws LpError(BadInput) when the file is missing,
/// cannot be parsed, or holds something other than a linear program (a quadratic
/// objective). Integer markers are counted in `integerColumns` and otherwise ignored.
///
/// The objective constant follows the MPS convention: an RHS entry v on the objective
/// row means the constant -v (so c'x - v is reported, as Clp does).
LpModel readMps(const std::string& path);

}  // namespace lpsolve
