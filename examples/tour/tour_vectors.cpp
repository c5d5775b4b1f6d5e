#include <cstdio>

#include "examples/tour/tour.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/kernels/solv_assert.hpp"
#include "solvutil/kernels/vector_kernels.hpp"

namespace tour {

void vectorKernels() {
    section("vector kernels (64-bit-integer BLAS) and solvAssert");
    const AlignedVector x{3.0, -4.0, 1.0};
    AlignedVector y{1.0, 1.0, 1.0};
    axpy(2.0, x, y);
    std::printf("y = y + 2x       -> [%g, %g, %g]\n", y[0], y[1], y[2]);
    std::printf("dotprod(x, y)    -> %g\n", dotprod(x, y));
    std::printf("norm2(x)         -> %g\n", norm2(x));
    std::printf("norminf(x)       -> %g\n", norminf(x));
    try {
        solvAssert(x.size() == 2, "Size mismatch in the tour.");
    } catch (const hostcore::IUserException& e) {
        std::printf("\ncaught %s: \"%s\"\n", e.getMessageId().c_str(), e.getMessageText().c_str());
    }
}

}  // namespace tour
