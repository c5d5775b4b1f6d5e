// lpgen: writes the generated benchmark LPs as MPS files.
//
//   lpgen DIR [NAME...]   writes DIR/NAME.mps for the named members of the set (all when
//                         none is named); `lpgen --list` prints the names with their sizes.
#include <cstdio>
#include <string>
#include <vector>

#include "examples/lpsolve/tools/lp_families.hpp"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs("usage: lpgen DIR [NAME...] | lpgen --list\n", args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    const auto set = lpgen::benchmarkSet();
    const bool list = args[0] == "--list";
    int failures = 0, written = 0;
    for (const auto& lp : set) {
        bool wanted = args.size() == 1;
        for (std::size_t k = 1; k < args.size(); ++k) wanted = wanted || args[k] == lp.name;
        if (!wanted) continue;
        const lpsolve::LpModel model = lp.make();
        std::printf("%-20s %8zu rows %8zu columns %9zu nonzeros\n", lp.name.c_str(),
                    model.numRows(), model.numCols(), model.A.nnz());
        if (list) continue;
        const std::string path = args[0] + "/" + lp.name + ".mps";
        if (lpgen::writeMps(model, path)) {
            ++written;
        } else {
            std::fprintf(stderr, "lpgen: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    if (!list && written + failures == 0) {
        std::fprintf(stderr, "lpgen: no member of the set is named so; see lpgen --list\n");
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
