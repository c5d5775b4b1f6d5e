#pragma once
// Runs programs as a user would (the solver, Clp), with a time limit, and collects what they
// did; temporary files for them.
#include <string>
#include <vector>

#include "examples/lpsolve/ipm.hpp"

namespace lpsolve_test {

struct ProgramRun {
    int exitCode = -1;  ///< -1 when it ended by a signal or was stopped
    int signal = 0;     ///< the signal that ended it, 0 if none
    bool timedOut = false;
    std::string out, err;
};

/// Runs `binary args...` (found on PATH unless it holds a '/'), stops it (SIGKILL) after
/// `seconds`. Exit code 127: it could not be started.
ProgramRun runProgram(const std::string& binary, const std::vector<std::string>& args,
                      double seconds = 60.0);

/// A file name in the test's temporary directory, distinct per process.
std::string tempPath(const std::string& stem);

void writeFile(const std::string& path, const std::string& bytes);

std::string gzip(const std::string& text);

/// Clp's verdict on `file` (`clp FILE -dualsimplex`): Optimal, Infeasible, Unbounded, or
/// NumericalFailure when Clp said nothing we can read (or is not installed).
struct Verdict {
    lpsolve::IpmStatus status = lpsolve::IpmStatus::NumericalFailure;
    double objective = 0.0;
    std::string output;
    std::size_t iterations = 0;  ///< the solver's only
    double maxViolation = 0.0;   ///< the solver's only
};
Verdict runClp(const std::string& file);

}  // namespace lpsolve_test
