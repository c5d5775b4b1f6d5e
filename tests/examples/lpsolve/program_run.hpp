#pragma once
// Runs the lpsolve binary as a user would, with a time limit, and collects what it did.
#include <string>
#include <vector>

namespace lpsolve_test {

struct ProgramRun {
    int exitCode = -1;  ///< -1 when it ended by a signal or was stopped
    int signal = 0;     ///< the signal that ended it, 0 if none
    bool timedOut = false;
    std::string out, err;
};

/// Runs `binary args...`, stops it (SIGKILL) after `seconds`.
ProgramRun runProgram(const std::string& binary, const std::vector<std::string>& args,
                      double seconds = 60.0);

/// A file name in the test's temporary directory, distinct per process.
std::string tempPath(const std::string& stem);

/// Writes `bytes` to `path`.
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace lpsolve_test
