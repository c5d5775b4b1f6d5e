// A tour of solvutil: each finished subsystem at work on a small problem, printing what
// it computed. Run it first; then read the section of the subsystem you need.
#include <cstdio>

#include "solvutil/host/kxerror.hpp"
#include "solvutil/kernels/solv_assert.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace {

void section(const char* title) { std::printf("\n== %s ==\n", title); }

void vectorKernels() {
    section("vector kernels (64-bit-integer BLAS)");
    const AlignedVector x{3.0, -4.0, 1.0};
    AlignedVector y{1.0, 1.0, 1.0};
    axpy(2.0, x, y);
    std::printf("y = y + 2x       -> [%g, %g, %g]\n", y[0], y[1], y[2]);
    std::printf("dotprod(x, y)    -> %g\n", dotprod(x, y));
    std::printf("norm2(x)         -> %g\n", norm2(x));
    std::printf("norminf(x)       -> %g\n", norminf(x));
}

void assertion() {
    section("solvAssert");
    try {
        solvAssert(false, "Equation solver must get a square matrix.");
    } catch (const hostcore::IUserException& e) {
        std::printf("\ncaught %s: \"%s\"\n", e.getMessageId().c_str(), e.getMessageText().c_str());
    }
}

}  // namespace

int main() {
    std::printf("solvutil tour\n");
    vectorKernels();
    assertion();
    return 0;
}
