#pragma once
// Sections of the tour; each lives in its own tour_<area>.cpp.
#include <cstdio>

namespace tour {

inline void section(const char* title) {
    std::printf("\n== %s ==\n", title);
}

void vectorKernels();
void matrixKernels();
void ldl();
void sparseLdl();
void display();
void presolve();
void constraints();

}  // namespace tour
