// lpsolve: a primal-dual interior-point LP solver built from solvutil.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "examples/lpsolve/lp_error.hpp"
#include "examples/lpsolve/options.hpp"
#include "examples/lpsolve/solver.hpp"
#include "solvutil/host/kxerror.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// The sparse factorization allocates and frees work arrays of several megabytes in every
// factorization and solve. glibc serves blocks that large by mmap and unmaps them on free,
// so every call pays page faults on fresh zeroed pages (a sixth of the run time on the
// larger generated LPs); kept in the heap, they are reused by the next call. The peak
// memory stays the same: it is set by the largest set of blocks live at once.
void keepLargeBlocksInTheHeap() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
}

// Every failure that is not one of the solver's own verdicts ends here: exit 5 with the
// file and the cause on stderr.
int internalFailure(const std::string& file, const std::string& cause) {
    std::fprintf(stderr, "lpsolve: %s: no solution: %s\n", file.c_str(), cause.c_str());
    return static_cast<int>(lpsolve::ExitCode::NumericalFailure);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace lpsolve;
    keepLargeBlocksInTheHeap();
    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::fputs(usageText(), stdout);
            return 0;
        }
    }
    std::string file = "(no file)";
    try {
        const Options options = parseOptions(args);
        file = options.file;
        return static_cast<int>(runSolver(options));
    } catch (const LpError& e) {
        std::fprintf(stderr, "lpsolve: error: %s\n", e.what());
        if (e.code() == ExitCode::Usage) std::fputs(usageText(), stderr);
        return static_cast<int>(e.code());
    } catch (const hostcore::IUserException& e) {
        return internalFailure(file, "host error " + e.getMessageId() + ": " + e.getMessageText());
    } catch (const std::bad_alloc&) {
        return internalFailure(file, "out of memory");
    } catch (const std::exception& e) {
        return internalFailure(file, std::string("internal error: ") + e.what());
    } catch (...) {
        return internalFailure(file, "internal error: unknown exception");
    }
}
