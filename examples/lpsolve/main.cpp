// lpsolve: a primal-dual interior-point LP solver built from solvutil.
#include <cstdio>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/options.hpp"
#include "examples/lpsolve/solver.hpp"

int main(int argc, char** argv) {
    using namespace lpsolve;
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(usageText(), stdout);
            return 0;
        }
    }
    try {
        const Options options = parseOptions(args);
        return static_cast<int>(runSolver(options));
    } catch (const LpError& e) {
        std::fprintf(stderr, "lpsolve: error: %s\n", e.what());
        if (e.code() == ExitCode::Usage) std::fputs(usageText(), stderr);
        return static_cast<int>(e.code());
    }
}
