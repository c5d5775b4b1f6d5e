#include <algorithm>
#include <cstdio>
#include <vector>

#include "examples/tour/tour.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/capi/plain_exports.hpp"
#include "solvutil/presolve/presolve.hpp"

namespace tour {

namespace {

/// A = [ 1  -2   0 ]
///     [ 0   3   1 ]
///     [ 0   0   0 ]   (third row empty), stored column by column.
kxarray::kxArrayPtr smallSparseMatrix() {
    kxarray::kxArrayPtr A(kaldor::testing::createSparseArray(3, 3, 4));
    const std::size_t rows[] = {0, 0, 1, 1};
    const double values[] = {1.0, -2.0, 3.0, 1.0};
    const std::size_t starts[] = {0, 1, 3, 4};
    std::copy(rows, rows + 4, kxRowIndices(A.get()));
    std::copy(values, values + 4, kxRealData(A.get()));
    std::copy(starts, starts + 4, kxColumnStarts(A.get()));
    return A;
}

kxarray::kxArrayPtr column(const std::vector<double>& v) {
    kxarray::kxArrayPtr a(kxCreateNumericMatrix(v.size(), 1, kxDOUBLE_CLASS, kxREAL));
    std::copy(v.begin(), v.end(), kxRealData(a.get()));
    return a;
}

void printColumn(const char* name, const kxArray* a) {
    std::printf("%-14s = [", name);
    for (std::size_t i = 0; i < kxGetM(a); ++i) std::printf(i ? ", %g" : "%g", kxRealData(a)[i]);
    std::printf("]\n");
}

}  // namespace

void presolve() {
    section("presolve gateways: implied row bounds and nonzero counts");
    const kxarray::kxArrayPtr A = smallSparseMatrix();
    std::printf("A = [1 -2 0; 0 3 1; 0 0 0], 0 <= x1 <= 4, -1 <= x2 <= 2, 0 <= x3 <= 5\n");
    const kxarray::kxArrayPtr lb = column({0.0, -1.0, 0.0});
    const kxarray::kxArrayPtr ub = column({4.0, 2.0, 5.0});
    const kxArray* boundInputs[3] = {A.get(), lb.get(), ub.get()};
    kxarray::kxArrayPtr bounds[2];
    presolve::constrImpliedBoundaries(2, bounds, 3, boundInputs);
    printColumn("lower of A*x", bounds[0].get());
    printColumn("upper of A*x", bounds[1].get());

    const kxArray* countInputs[1] = {A.get()};
    kxarray::kxArrayPtr counts[2];
    presolve::getNNZcounts(2, counts, 1, countInputs);
    printColumn("column counts", counts[0].get());
    printColumn("row counts", counts[1].get());

    section("generator with savable state (plain-symbol exports)");
    void* rng = instantiateRngSolv(2026);
    RngState* saved = getRngStateSolv(rng);
    double draws[3];
    double* destination = draws;
    getRandUniformSolv(rng, 3, &destination);
    std::printf("three draws      -> %.17g %.17g %.17g\n", draws[0], draws[1], draws[2]);
    setRngStateSolv(rng, saved);  // back to the saved point
    double again[3];
    destination = again;
    getRandUniformSolv(rng, 3, &destination);
    std::printf("after restoring  -> %.17g %.17g %.17g\n", again[0], again[1], again[2]);
    std::printf("saved record: %zu bytes, position %u\n", sizeof(RngState), saved->position);
    deleteRngStateSolv(saved);
    deleteRngSolv(rng);
}

}  // namespace tour
