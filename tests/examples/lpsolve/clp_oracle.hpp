#pragma once
// Clp run at test time as the reference solver.

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace lpsolve_test {

inline std::string runCommand(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    for (char buf[512]; pipe != nullptr && std::fgets(buf, sizeof buf, pipe) != nullptr;)
        out += buf;
    const int s = pipe != nullptr ? pclose(pipe) : -1;
    if (status != nullptr) *status = s;
    return out;
}

enum class ClpStatus { Optimal, PrimalInfeasible, DualInfeasible, Other };
struct ClpVerdict {
    ClpStatus status = ClpStatus::Other;
    double objective = 0.0;
    std::string output;
};

inline bool clpAvailable() {
    return std::system("command -v clp >/dev/null 2>&1") == 0;
}

/// Clp's dual simplex on `file`; its final line reads "<Status> objective <value> - ...".
inline ClpVerdict runClp(const std::string& file) {
    ClpVerdict v{ClpStatus::Other, 0.0, runCommand("clp '" + file + "' -dualsimplex 2>&1")};
    std::istringstream lines(v.output);
    const std::array<const char*, 3> names{"Optimal", "PrimalInfeasible", "DualInfeasible"};
    for (std::string line, status, word; std::getline(lines, line);) {
        double value = 0.0;
        if (!(std::istringstream(line) >> status >> word >> value) || word != "objective") continue;
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (status == names[k]) v.status = static_cast<ClpStatus>(k), v.objective = value;
        }
    }
    return v;
}

}  // namespace lpsolve_test
