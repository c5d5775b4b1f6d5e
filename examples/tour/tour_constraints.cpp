#include <cmath>
#include <cstdio>
#include <limits>

#include "examples/tour/tour.hpp"
#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/host/kxarray.hpp"

namespace tour {

namespace {

kxArray* dense(std::size_t m, std::size_t n, std::initializer_list<double> columnMajor) {
    kxArray* a = kxCreateNumericMatrix(m, n, kxDOUBLE_CLASS, kxREAL);
    double* data = kxRealData(a);
    for (double v : columnMajor) *data++ = v;
    return a;
}

void printColumn(const char* name, const OPTMatrix<double>& v) {
    std::printf("%-22s = [", name);
    for (std::size_t i = 0; i < v._rows; ++i) std::printf(i ? ", %g" : "%g", v(i, 0));
    std::printf("]\n");
}

}  // namespace

void constraints() {
    section("linear constraints (LinearConstraint over host arrays)");
    // Three variables:  x0 + x1 + x2 <= 4,  x0 - x2 <= 1   (inequalities)
    //                   x0 + 2 x1 = 3                      (equality)
    //                   0 <= x0,  -inf < x1 <= 2,  0 <= x2 <= 5
    const double inf = std::numeric_limits<double>::infinity();
    ConstraintCounts counts;
    counts.nVar = 3;
    counts.nIneq = 2;
    counts.nEq = 1;
    LinearConstraint lc(&counts, false, dense(2, 3, {1, 1, 1, 0, 1, -1}),  // A, column-major
                        dense(2, 1, {4, 1}),                               // b
                        dense(1, 3, {1, 2, 0}),                            // Aeq
                        dense(1, 1, {3}),                                  // beq
                        dense(3, 1, {0, -inf, 0}),                         // lb
                        dense(3, 1, {inf, 2, 5}),                          // ub
                        OPTMatrix<double>::BORROW_DESTROY);
    lc._setindexLB(nullptr);
    lc._setindexUB(nullptr);
    lc._createBoundAndFixedConstraints();
    counts.nTotal = counts.nIneq + counts.nEq + counts.nLB + counts.nUB;
    lc.print();

    const double points[2][3] = {{1.0, 1.0, 0.5}, {3.0, 1.5, -1.0}};
    for (const auto& p : points) {
        OPTMatrix<double> x(dense(3, 1, {p[0], p[1], p[2]}), OPTMatrix<double>::BORROW_DESTROY);
        std::printf("\nat x = [%g, %g, %g]\n", p[0], p[1], p[2]);
        printColumn("A x - b", lc.Aconstr(x));
        printColumn("Aeq x - beq", lc.Aeqconstr(x));
        printColumn("lb - x (finite lb)", lc.Albconstr(x));
        printColumn("x - ub (finite ub)", lc.Aubconstr(x));
        std::printf("maxConstrViolation     = %g\n", lc.maxConstrViolation(x));
    }
    std::printf("\nscratch-buffer entries reused by the products: %zu\n",
                OPTMatrix<double>::_getBufferAddress()->count);
}

}  // namespace tour
