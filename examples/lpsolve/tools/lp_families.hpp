#pragma once
// Generated LP families for benchmarks: transportation, assignment, grid min-cost flow
// and a TSP relaxation, each from a fixed seed (the same seed gives the same file on every
// run and machine: only integer arithmetic on a 64-bit Mersenne Twister).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpgen {

/// `sources` supplies and `sinks` demands, an arc from every source to every sink:
/// min c'x, sum_j x_ij <= supply_i, sum_i x_ij >= demand_j, x >= 0. Supplies exceed the
/// demands by about 20 %. Rows sources + sinks, columns sources * sinks.
lpsolve::LpModel transportation(std::size_t sources, std::size_t sinks, std::uint64_t seed);

/// n agents and n tasks: min c'x, every agent and every task covered once (equalities),
/// x >= 0. Rows 2n, columns n^2.
lpsolve::LpModel assignment(std::size_t n, std::uint64_t seed);

/// Min-cost flow on a rows-by-cols grid: an arc each way between 4-neighbours, integer
/// costs and capacities, a small integer supply or demand at every node (summing to 0),
/// one conservation equality per node. Rows rows*cols, columns 4*rows*cols - 2*(rows+cols).
lpsolve::LpModel gridFlow(std::size_t rows, std::size_t cols, std::uint64_t seed);

/// The LP relaxation of the single-commodity flow formulation of the asymmetric TSP on
/// `cities` random points (rounded Euclidean distances): arc variables 0 <= x_ij <= 1 with
/// out- and in-degree 1, flows f_ij >= 0 sending one unit from city 0 to every other
/// city, and f_ij <= (cities - 1) x_ij, which excludes subtours in the integer problem.
/// Rows 3c + c(c-1), columns 2c(c-1).
lpsolve::LpModel tspRelaxation(std::size_t cities, std::uint64_t seed);

/// Writes `lp` as a fixed-format MPS file through CoinMpsIO; false if it cannot.
bool writeMps(const lpsolve::LpModel& lp, const std::string& path);

/// One member of the benchmark set.
struct NamedLp {
    std::string name;  ///< also the file stem, e.g. "transport_100x200"
    std::function<lpsolve::LpModel()> make;
};

/// The benchmark set: two or three sizes of each family, from about 5,000 to 160,000
/// columns, ordered by family and size.
std::vector<NamedLp> benchmarkSet();

}  // namespace lpgen
