#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "kaldor/testing.hpp"
#include "solvutil/host/hostio.hpp"
#include "tests/support/host_guard.hpp"

namespace {
std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}
}  // namespace

TEST(IoPrintMatrix, DenseSparseAndEmptyArrays) {
    HostLeakGuard guard;
    kaldor::testing::ConsoleCapture capture;

    kxarray::kxArrayPtr dense(kxCreateNumericMatrix(2, 2, kxDOUBLE_CLASS, kxREAL));
    const double values[4] = {1.5, -2.0, 1e-7, 123456.789};  // column-major
    std::copy(values, values + 4, kxRealData(dense.get()));
    hostio::legacy::ioPrintMatrix("D", dense.get());
    EXPECT_EQ(capture.text(), "D =\n\n" + format("%12.5g", 1.5) + format("%12.5g", 1e-7) +
                                  "\n" + format("%12.5g", -2.0) +
                                  format("%12.5g", 123456.789) + "\n\n");

    capture.clear();
    kxarray::kxArrayPtr sparse(kaldor::testing::createSparseArray(3, 2, 2));
    kxRowIndices(sparse.get())[0] = 2;
    kxRowIndices(sparse.get())[1] = 0;
    kxRealData(sparse.get())[0] = 4.25;
    kxRealData(sparse.get())[1] = -1.0;
    kxColumnStarts(sparse.get())[1] = 1;
    kxColumnStarts(sparse.get())[2] = 2;
    hostio::legacy::ioPrintMatrix("S", sparse.get());
    EXPECT_EQ(capture.text(), "S =\n\n  (3,1)  " + format("%.5g", 4.25) + "\n  (1,2)  " +
                                  format("%.5g", -1.0) + "\n\n");

    capture.clear();
    kxarray::kxArrayPtr empty(kxCreateNumericMatrix(0, 1, kxDOUBLE_CLASS, kxREAL));
    hostio::legacy::ioPrintMatrix("E", empty.get());
    EXPECT_EQ(capture.text(), "E =\n\n     []\n\n");
}
