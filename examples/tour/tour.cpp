// A tour of solvutil: each finished subsystem at work on a small problem, printing what
// it computed. Run it first; then read the section of the subsystem you need.
#include <cstdio>

#include "examples/tour/tour.hpp"

int main() {
    std::printf("solvutil tour\n");
    tour::vectorKernels();
    tour::matrixKernels();
    tour::ldl();
    tour::sparseLdl();
    tour::display();
    tour::presolve();
    tour::constraints();
    return 0;
}
