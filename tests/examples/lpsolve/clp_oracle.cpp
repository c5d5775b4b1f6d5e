#include "tests/examples/lpsolve/clp_oracle.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace lpsolve_test {

bool clpAvailable() { return std::system("command -v clp >/dev/null 2>&1") == 0; }

std::optional<ClpVerdict> runClp(const std::string& file, const std::string& method) {
    const std::string command = "clp '" + file + "' " + method + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    ClpVerdict v;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        v.output += buffer.data();
    }
    if (pclose(pipe) == -1) return std::nullopt;
    // The final line reads "<Status> objective <value> - <n> iterations ...".
    std::istringstream lines(v.output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string status, word;
        double value = 0.0;
        if (!(words >> status >> word >> value) || word != "objective") continue;
        if (status == "Optimal") v.status = ClpVerdict::Status::Optimal;
        else if (status == "PrimalInfeasible") v.status = ClpVerdict::Status::PrimalInfeasible;
        else if (status == "DualInfeasible") v.status = ClpVerdict::Status::DualInfeasible;
        else continue;
        v.objective = value;
    }
    return v;
}

std::string sampleFile(const std::string& name) { return std::string(LPSOLVE_SAMPLE_DIR) + "/" + name; }
std::string dataFile(const std::string& name) { return std::string(LPSOLVE_TEST_DATA) + "/" + name; }

}  // namespace lpsolve_test
