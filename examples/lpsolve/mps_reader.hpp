#pragma once
// Reads an MPS file (fixed or free format, plain, gzip or bzip2) with CoinUtils' CoinMpsIO,
// after a pre-scan (mps_prescan.hpp) has refused what CoinMpsIO cannot hold.
#include <string>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

/// Bounds, right-hand sides and ranges of this magnitude or more are infinite, as in Clp.
inline constexpr double kInfiniteBound = 1e20;

/// Reads `path` into an LpModel. Throws LpError(BadInput), naming the file and the first
/// problem found, when the file is missing, unreadable, refused by the pre-scan, cannot be
/// parsed, or holds something other than a linear program (quadratic or conic sections,
/// special ordered sets, semi-continuous columns). Integer markers are counted in
/// `integerColumns` and otherwise ignored. CoinMpsIO's messages go to stderr, none when
/// `quiet`.
///
/// The objective constant follows the MPS convention: an RHS entry v on the objective
/// row means the constant -v (so c'x - v is reported, as Clp does). A maximization
/// (OBJSENSE MAX) is returned as the equivalent minimization with `maximize` set.
LpModel readMps(const std::string& path, bool quiet = false);

}  // namespace lpsolve
