#pragma once
// Clp as the test oracle: runs `clp FILE -dualsimplex` and reads its verdict.
#include <optional>
#include <string>

namespace lpsolve_test {

struct ClpVerdict {
    enum class Status { Optimal, PrimalInfeasible, DualInfeasible, Other } status = Status::Other;
    double objective = 0.0;
    std::string output;  ///< clp's full output, for failure messages
};

/// True when a `clp` executable is on PATH.
bool clpAvailable();

/// Clp's verdict on `file`, or nothing when clp could not be run.
std::optional<ClpVerdict> runClp(const std::string& file, const std::string& method = "-dualsimplex");

/// Paths of the test problems.
std::string sampleFile(const std::string& name);  ///< CoinUtils' sample directory
std::string dataFile(const std::string& name);    ///< this test's data directory

}  // namespace lpsolve_test
