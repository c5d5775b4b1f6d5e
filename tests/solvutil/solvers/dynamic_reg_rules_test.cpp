// The regularization rule, the pivot tolerance and the inertia check on small matrices
// whose outcome follows from the rules by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "tests/support/host_guard.hpp"

using solvutil::DynamicRegParams;
using solvutil::DynamicRegSolver;

namespace {

const double RP = DynamicRegParams::RP_DEFAULT, RD = DynamicRegParams::RD_DEFAULT;
const double k26 = std::ldexp(1.0, -26), k39 = std::ldexp(1.0, -39);

DenseMatrix diagonal(const std::vector<double>& d) {
    const long n = static_cast<long>(d.size());
    DenseMatrix A(n, n);
    for (long i = 0; i < n; ++i) A(i, i) = d[static_cast<std::size_t>(i)];
    return A;
}

}  // namespace

// Every reported result on diagonal matrices, starting from stale results of an earlier call.
TEST(DynamicRegRules, DiagonalMatricesGiveTheShiftsRanksAndFlagsOfTheRules) {
    HostLeakGuard guard;
    EXPECT_EQ(RP, -k39);
    EXPECT_EQ(RD, k26);
    const double tiny = 1e-13, nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {  // inputs; D and the results; flags: primalInertiaOK dualInertiaOK
        const char* what;  // dualFullRank tinyPivot, as T/F
        std::vector<double> diag; unsigned long nPrimal; double rp, rd; bool check;
        AlignedIndexVector reg; std::vector<double> D;
        unsigned long rank, primalRank, dualRank; const char* flags;
    };
    const double p30 = 0x1p-30, t22 = 0x1p-22, above22 = std::nextafter(t22, 1.0);
    const double above = std::nextafter(k26, 1.0);
    const std::vector<Case> cases = {
        {"zero primal 1x1", {0.0}, 1, RP, RD, true, {0}, {RP}, 0, 0, 0, "TTTF"},
        {"zero dual 1x1", {0.0}, 0, RP, RD, true, {0}, {RD}, 0, 0, 0, "TTFF"},
        {"wrong-sign primal", {-1.0, 1.0}, 2, RP, RD, true, {}, {-1.0, 1.0}, 2, 2, 0, "FTTF"},
        {"rp=0: primal sign +, negligible", {1.0, -tiny}, 2, 0.0, 0.0, true,
         {}, {1.0, -tiny}, 1, 2, 0, "FTTT"},
        {"rp=0: dual below 2^-26", {-1.0, -1e-10}, 0, 0.0, 0.0, true,
         {}, {-1.0, -1e-10}, 1, 0, 1, "TTFT"},
        {"dual with primal sign", {-1.0, -2.0}, 1, RP, RD, true, {}, {-1.0, -2.0}, 2, 1, 1, "TFTF"},
        {"primal at 2^-39 not negligible", {-1.0, k39}, 2, -1e-20, 1e-20, true,
         {}, {-1.0, k39}, 2, 2, 0, "FTTF"},
        {"shifted dual keeps dual sign", {-1.0, 0.0, 3.0}, 1, RP, RD, true,
         {1}, {-1.0, RD, 3.0}, 2, 1, 1, "TTFF"},
        {"shifted dual with primal sign", {-1.0, 0.0, 3.0}, 1, RP, -1e-8, true,
         {1}, {-1.0, -1e-8, 3.0}, 2, 1, 1, "TFFF"},
        {"shifted primals count against rank", {0.0, -2.0, p30, 5.0}, 3, RP, RD, true,
         {0, 2}, {RP, -2.0, p30 + RP, 5.0}, 2, 1, 1, "TTTF"},
        {"larger shift sets the floor", {-1.0, 1e-4}, 1, -1e-3, 1e-8, true,
         {1}, {-1.0, 1e-4 + 1e-8}, 1, 1, 0, "TTFF"},
        {"NaN pivot not shifted", {1.0, nan}, 0, RP, RD, false, {}, {1.0, nan}, 2, 0, 0, "TTTF"},
        {"no inertia check", {0.0, 1.0, 1e-12, -4.0}, 2, RP, RD, false,
         {0, 2}, {RP, 1.0, 1e-12 + RD, -4.0}, 4, 1, 0, "TTTF"},
        {"max diagonal 1: tolerance 2^-26, inclusive", {1.0, k26, above}, 0, RP, RD, false,
         {1}, {1.0, 2 * k26, above}, 3, 0, 0, "TTTF"},
        {"same, negative pivots", {1.0, -k26, -above}, 0, RP, RD, false,
         {1}, {1.0, 0.0, -above}, 3, 0, 0, "TTTF"},
        {"max |diagonal| 2^30, last: tolerance 2^-22", {t22, above22, -0x1p30}, 3, RP, RD, false,
         {0}, {t22 + RP, above22, -0x1p30}, 3, 2, 0, "TTTF"},
    };
    DynamicRegSolver solver;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto n = static_cast<unsigned long>(c.diag.size());
        DenseMatrix A = diagonal(c.diag);
        DynamicRegParams p;
        p.rp = c.rp, p.rd = c.rd, p.nPrimal = c.nPrimal, p.checkInertia = c.check;
        p.rank = p.dualRank = 99;
        p.primalInertiaOK = p.dualInertiaOK = p.dualFullRank = false;
        p.tinyPivot = true;
        p.regIndices = {7, 8, 9};
        solver.factor(A, n, p);
        EXPECT_EQ(p.regIndices, c.reg);
        for (long i = 0; i < static_cast<long>(n); ++i) {
            const double d = c.D[static_cast<std::size_t>(i)];
            if (std::isnan(d)) EXPECT_TRUE(std::isnan(A(i, i)));
            else EXPECT_EQ(A(i, i), d) << "D(" << i << ")";
        }
        EXPECT_EQ(p.dim, n);
        EXPECT_EQ(p.rank, c.rank);
        EXPECT_EQ(p.primalRank, c.primalRank);
        EXPECT_EQ(p.dualRank, c.dualRank);
        auto tf = [](bool v) { return v ? 'T' : 'F'; };
        EXPECT_EQ(std::string({tf(p.primalInertiaOK), tf(p.dualInertiaOK), tf(p.dualFullRank),
                               tf(p.tinyPivot)}),
                  c.flags);
    }
}

// The shift test sees the pivot after earlier columns updated it; the strictly upper
// triangle is neither read nor written. Regression: order 0 only resets the results and its
// solve makes no (complaining) BLAS call.
TEST(DynamicRegRules, UpdatedPivotsUpperTriangleAndEmptyMatrix) {
    HostLeakGuard guard;
    DynamicRegSolver solver;
    DenseMatrix C = diagonal({1.0, 0.25 + k26});  // 0.25 + 2^-26 − 0.5² = 2^-26 exactly
    C(1, 0) = 0.5;
    C(0, 1) = 1e30;
    DynamicRegParams p;
    solver.factor(C, 2, p);
    EXPECT_EQ(p.regIndices, AlignedIndexVector{1});
    EXPECT_EQ(C(1, 1), 2 * k26);
    EXPECT_EQ(C(1, 0), 0.5);
    EXPECT_EQ(C(0, 1), 1e30);
    EXPECT_EQ(p.pivotTol, k26);
    DenseMatrix E(0, 0);
    p.checkInertia = true;
    p.tinyPivot = true;
    solver.factor(E, 0, p);
    EXPECT_TRUE(p.dim == 0 && p.rank == 0 && p.regIndices.empty() && !p.tinyPivot);
    EXPECT_EQ(p.pivotTol, k26);
    AlignedVector b;
    testing::internal::CaptureStdout();
    solver.solve(E, 0, b);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
