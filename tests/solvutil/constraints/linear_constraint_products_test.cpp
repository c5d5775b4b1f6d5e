// LinearConstraint products, residuals, rows, deep copies and accessors of all five
// groups, against a dense recomputation on random problems.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "random_problem.hpp"
#include "solvutil/host/kxerror.hpp"

using ctest::Dense;
using M = OPTMatrix<double>;

namespace {

constexpr double kSentinel = -777.0;

// Equal, or both NaN.
bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void expectSame(const Dense& got, const Dense& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_TRUE(same(got[k], want[k])) << what << " at " << k << ": " << got[k] << " vs "
                                           << want[k];
}

void expectClose(const Dense& got, const Dense& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_NEAR(got[k], want[k], 1e-12) << what << " at " << k;
}

Dense matVec(const Dense& A, std::size_t m, std::size_t n, const Dense& x) {
    Dense y(m, 0.0);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = 0; i < m; ++i) y[i] += A[i + m * j] * x[j];
    return y;
}

Dense minus(Dense a, const Dense& b) {
    for (std::size_t k = 0; k < a.size(); ++k) a[k] -= b[k];
    return a;
}

// Entry k = f(list[k]) for the first `count` entries of an index list.
template <typename F>
Dense overList(const std::size_t* list, std::size_t count, F f) {
    Dense out(count);
    for (std::size_t k = 0; k < count; ++k) out[k] = f(list[k]);
    return out;
}

double absmaxOf(const Dense& v) {
    double best = 0.0;
    bool found = false;
    for (double x : v)
        if (!std::isnan(x) && std::abs(x) >= best) best = std::abs(x), found = true;
    return found ? best : std::numeric_limits<double>::quiet_NaN();
}

// Expects the solvAssert failure form with `message`.
template <typename F>
void expectCheckFails(F f, const std::string& message) {
    kaldor::testing::ConsoleCapture console;
    try {
        f();
        ADD_FAILURE() << "no error for " << message;
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "solv:solvPlugError:unhandledError");
        EXPECT_EQ(e.getMessageText(), message);
    }
    EXPECT_EQ(console.text(), message);
}

}  // namespace

TEST(LinearConstraintProducts, ProductsResidualsAndRowsMatchDenseRecomputation) {
    ctest::LeakGuard guard;
    std::mt19937 rng(1234);
    std::uniform_real_distribution<double> dist(-4.0, 4.0);
    for (int trial = 0; trial < 24; ++trial) {
        const std::size_t n = 1 + static_cast<std::size_t>(trial) * 2;
        const ctest::Problem p = ctest::randomProblem(rng, n, trial % 5, (trial + 2) % 4, trial % 3);
        const bool sparseVectors = trial % 2 == 1;
        const bool sparseX = (trial / 2) % 2 == 1;
        auto built = ctest::build(p, false, sparseVectors);
        LinearConstraint& lc = *built->lc;
        const ConstraintCounts& c = built->counts;
        Dense xv(n);
        for (auto& v : xv) v = (dist(rng) > 2.0) ? 0.0 : dist(rng);
        M x(ctest::makeArray(sparseX, n, 1, xv), M::BORROW_DESTROY);

        const Dense Ax = matVec(p.A, p.mi, n, xv);
        const Dense Aeqx = matVec(p.Aeq, p.me, n, xv);
        {
            M r = lc.Ax(x);
            EXPECT_TRUE(r._pooled);
            expectClose(ctest::toDense(r), Ax, "Ax");
            expectClose(ctest::toDense(lc.Aconstr(x)), minus(Ax, p.b), "Aconstr");
            expectClose(ctest::toDense(lc.Aeqx(x)), Aeqx, "Aeqx");
            expectClose(ctest::toDense(lc.Aeqconstr(x)), minus(Aeqx, p.beq), "Aeqconstr");
        }
        const std::size_t* LB = lc.getindexLB();
        const std::size_t* UB = lc.getindexUB();
        const std::size_t* FX = lc.getindexFixed();
        auto xAt = [&](std::size_t j) { return xv[j]; };
        expectSame(ctest::toDense(lc.Afixedx(x)), overList(FX, c.nFixed, xAt), "Afixedx");
        expectSame(ctest::toDense(lc.Albx(x)),
                   overList(LB, c.nLB, [&](std::size_t j) { return -xv[j]; }), "Albx");
        expectSame(ctest::toDense(lc.Aubx(x)), overList(UB, c.nUB, xAt), "Aubx");
        expectSame(ctest::toDense(lc.Afixedconstr(x)),
                   overList(FX, c.nFixed, [&](std::size_t j) { return xv[j] - p.ub[j]; }),
                   "Afixedconstr");
        expectSame(ctest::toDense(lc.Albconstr(x)),
                   overList(LB, c.nLB, [&](std::size_t j) { return p.lb[j] - xv[j]; }),
                   "Albconstr");
        expectSame(ctest::toDense(lc.Aubconstr(x)),
                   overList(UB, c.nUB, [&](std::size_t j) { return xv[j] - p.ub[j]; }),
                   "Aubconstr");
        {
            M albx = lc.Albx(x);
            EXPECT_FALSE(albx._pooled);
            EXPECT_EQ(albx._cols, 1u);
        }

        // Single rows: zero except one entry.
        auto expectUnitRow = [&](const M& row, std::size_t j, double value) {
            Dense want(n, 0.0);
            want[j] = value;
            EXPECT_EQ(row._rows, 1u);
            expectSame(ctest::toDense(row), want, "row");
        };
        for (std::size_t k = 0; k < c.nLB; ++k) expectUnitRow(lc.AlbRow(k), LB[k], -1.0);
        for (std::size_t k = 0; k < c.nUB; ++k) expectUnitRow(lc.AubRow(k), UB[k], 1.0);
        for (std::size_t k = 0; k < c.nFixed; ++k) expectUnitRow(lc.AfixedRow(k), FX[k], 1.0);

        // Element accessors.
        for (std::size_t i = 0; i < p.mi; ++i) EXPECT_TRUE(same(lc.bAt(i), p.b[i]));
        for (std::size_t i = 0; i < p.me; ++i) EXPECT_TRUE(same(lc.beqAt(i), p.beq[i]));
        for (std::size_t j = 0; j < n; ++j) {
            EXPECT_TRUE(same(lc.lbAt(j), p.lb[j]));
            EXPECT_TRUE(same(lc.ubAt(j), p.ub[j]));
        }
        for (std::size_t k = 0; k < c.nFixed; ++k) EXPECT_TRUE(same(lc.bfixedAt(k), p.ub[FX[k]]));

        // Largest coefficients.
        // Empty dense groups give the not-found NaN, an empty sparse b gives 0.0.
        EXPECT_TRUE(same(lc.absmaxA(), absmaxOf(p.A)));
        EXPECT_TRUE(same(lc.absmaxAeq(), absmaxOf(p.Aeq)));
        EXPECT_TRUE(same(lc.absmaxb(), (sparseVectors && p.mi == 0) ? 0.0 : absmaxOf(p.b)));
        EXPECT_TRUE(same(lc.absmaxbeq(), absmaxOf(p.beq)));
    }
}

TEST(LinearConstraintProducts, DeepCopiesWriteExactlyTheirTarget) {
    ctest::LeakGuard guard;
    std::mt19937 rng(77);
    for (int trial = 0; trial < 12; ++trial) {
        const std::size_t n = 2 + static_cast<std::size_t>(trial);
        const ctest::Problem p = ctest::randomProblem(rng, n, 1 + trial % 4, 1 + trial % 3, 2);
        auto built = ctest::build(p, false, false);
        LinearConstraint& lc = *built->lc;
        const ConstraintCounts& c = built->counts;
        const std::size_t rows = n + 2, cols = 3, col = static_cast<std::size_t>(trial) % cols;

        // Each deep copy into column `col` of a sentinel-filled out; `want` is the column.
        auto check = [&](auto copy, const Dense& wantColumn, bool extraRowsKept) {
            M out(rows, cols, false);
            for (std::size_t k = 0; k < rows * cols; ++k) out._data[k] = kSentinel;
            copy(out);
            for (std::size_t j = 0; j < cols; ++j)
                for (std::size_t i = 0; i < rows; ++i) {
                    double want = kSentinel;
                    if (j == col && i < wantColumn.size()) want = wantColumn[i];
                    if (j == col && i >= wantColumn.size() && !extraRowsKept) want = 0.0;
                    EXPECT_EQ(out(i, j), want) << "trial " << trial << " (" << i << "," << j << ")";
                }
        };
        for (std::size_t i = 0; i < p.mi; ++i) {
            Dense row(n);
            for (std::size_t j = 0; j < n; ++j) row[j] = p.A[i + p.mi * j];
            check([&](M& out) { lc.deepCopyRowTranspose(i, col, out); }, row, true);
        }
        for (std::size_t i = 0; i < p.me; ++i) {
            Dense row(n);
            for (std::size_t j = 0; j < n; ++j) row[j] = p.Aeq[i + p.me * j];
            check([&](M& out) { lc.deepCopyRowTransposeAeq(i, col, out); }, row, true);
        }
        auto unit = [&](std::size_t j, double v) {
            Dense e(rows, 0.0);
            e[j] = v;
            return e;
        };
        const std::size_t* LB = lc.getindexLB();
        const std::size_t* UB = lc.getindexUB();
        const std::size_t* FX = lc.getindexFixed();
        for (std::size_t k = 0; k < c.nLB; ++k)
            check([&](M& out) { lc.deepCopyRowTransposeAlb(k, col, out); }, unit(LB[k], -1), false);
        for (std::size_t k = 0; k < c.nUB; ++k)
            check([&](M& out) { lc.deepCopyRowTransposeAub(k, col, out); }, unit(UB[k], 1), false);
        for (std::size_t k = 0; k < c.nFixed; ++k)
            check([&](M& out) { lc.deepCopyRowTransposeAfixed(k, col, out); }, unit(FX[k], 1),
                  false);
        for (std::size_t j = 0; j < n; ++j) {
            check([&](M& out) { lc.deepCopyVarRowTransposeAlb(j, col, out); }, unit(j, -1), false);
            check([&](M& out) { lc.deepCopyVarRowTransposeAub(j, col, out); }, unit(j, 1), false);
        }

        // Dense copies into caller buffers (one spare slot to catch overruns).
        Dense buf(p.me * n + 1, kSentinel);
        lc.deepCopyAeq(buf.data(), false);
        for (std::size_t k = 0; k < p.me * n; ++k) EXPECT_EQ(buf[k], p.Aeq[k]);
        EXPECT_EQ(buf.back(), kSentinel);
        lc.deepCopyAeq(buf.data(), true);
        for (std::size_t i = 0; i < p.me; ++i)
            for (std::size_t j = 0; j < n; ++j) EXPECT_EQ(buf[j + n * i], p.Aeq[i + p.me * j]);
        EXPECT_EQ(buf.back(), kSentinel);
        Dense beq(p.me + 1, kSentinel);
        lc.deepCopybeq(beq.data());
        for (std::size_t i = 0; i < p.me; ++i) EXPECT_EQ(beq[i], p.beq[i]);
        EXPECT_EQ(beq.back(), kSentinel);
        Dense af(c.nFixed * n + 1, kSentinel), aft(c.nFixed * n + 1, kSentinel);
        lc.deepCopyAfixed(af.data(), false);
        lc.deepCopyAfixed(aft.data(), true);
        for (std::size_t k = 0; k < c.nFixed; ++k)
            for (std::size_t j = 0; j < n; ++j) {
                const double want = (FX[k] == j) ? 1.0 : 0.0;
                EXPECT_EQ(af[k + c.nFixed * j], want);
                EXPECT_EQ(aft[j + n * k], want);
            }
        EXPECT_EQ(af.back(), kSentinel);
        EXPECT_EQ(aft.back(), kSentinel);
        Dense bf(c.nFixed + 1, kSentinel);
        lc.deepCopybfixed(bf.data());
        for (std::size_t k = 0; k < c.nFixed; ++k) EXPECT_TRUE(same(bf[k], p.ub[FX[k]]));
        EXPECT_EQ(bf.back(), kSentinel);
    }
}

TEST(LinearConstraintProducts, ChecksFailWithTheirMessagesAndLeakNothing) {
    ctest::Problem p;
    p.n = 3;
    p.mi = 2;
    p.me = 1;
    p.A = {1, 2, 3, 4, 5, 6};
    p.b = {1, 1};
    p.Aeq = {1, 1, 1};
    p.beq = {0};
    p.lb = {0, 0, 0};
    p.ub = {1, 1, 1};
    p.fixed = {1};
    auto built = ctest::build(p, false, false);
    LinearConstraint& lc = *built->lc;
    M longX(4, 1, false);
    M x(3, 1, false);
    M narrow(2, 1, false);
    ctest::LeakGuard guard;
    expectCheckFails([&] { M r = lc.Ax(longX); }, "Size mismatch in LinearConstraint::Ax.");
    expectCheckFails([&] { M r = lc.Aconstr(longX); }, "Size mismatch in LinearConstraint::Ax.");
    expectCheckFails([&] { M r = lc.Aeqx(longX); }, "Size mismatch in LinearConstraint::Aeqx.");
    expectCheckFails([&] { M r = lc.Afixedx(longX); }, "Size mismatch in LinearConstraint::Afixedx.");
    expectCheckFails([&] { M r = lc.Albx(longX); }, "Size mismatch in LinearConstraint::Albx.");
    expectCheckFails([&] { M r = lc.Aubx(longX); }, "Size mismatch in LinearConstraint::Aubx.");
    expectCheckFails([&] { M r = lc.Albconstr(longX); },
                     "Size mismatch in LinearConstraint::Albconstr.");
    expectCheckFails([&] { M r = lc.Aubconstr(longX); },
                     "Size mismatch in LinearConstraint::Aubconstr.");
    expectCheckFails([&] { M r = lc.AfixedRow(1); },
                     "Index out of bounds in LinearConstraint::AfixedRow");
    expectCheckFails([&] { M r = lc.AlbRow(3); }, "Index out of bounds in LinearConstraint::AlbRow.");
    expectCheckFails([&] { M r = lc.AubRow(3); }, "Index out of bounds in LinearConstraint::AubRow.");
    expectCheckFails([&] { lc.bAt(2); }, "Index out of bounds in LinearConstraint::bAt.");
    expectCheckFails([&] { lc.beqAt(1); }, "Index out of bounds in LinearConstraint::beqAt.");
    expectCheckFails([&] { lc.lbAt(3); }, "Index out of bounds in LinearConstraint::lbAt.");
    expectCheckFails([&] { lc.ubAt(3); }, "Index out of bounds in LinearConstraint::ubAt.");
    expectCheckFails([&] { lc.deepCopyRowTranspose(0, 0, narrow); },
                     "Size mismatch in LinearConstraint::deepCopyRowTranspose.");
    expectCheckFails([&] { lc.deepCopyRowTransposeAeq(0, 0, narrow); },
                     "Size mismatch in LinearConstraint::deepCopyRowTranspose.");
    EXPECT_EQ(lc.bAt(1), 1.0);  // the last element is in range

    // Afixedconstr has no size check: extra rows of x are ignored.
    longX(1, 0) = 5.0;
    EXPECT_EQ(ctest::toDense(lc.Afixedconstr(longX)), Dense{4.0});

    // A shorter x passes the size check but no longer matches A.
    ctest::expectOptMatrixFailure([&] { M r = lc.Ax(narrow); },
                                  "Incompatible dimensions for matrix multiplication");
}

TEST(LinearConstraintProducts, SparseInequalityMatrixIsRejectedByTheProduct) {
    ConstraintCounts counts;
    counts.nVar = 2;
    counts.nIneq = 1;
    LinearConstraint lc(&counts, true, ctest::sparseArray(1, 2, {1, 0}), nullptr, nullptr,
                        nullptr, nullptr, nullptr, M::BORROW_DESTROY);
    M x(2, 1, false);
    ctest::LeakGuard guard;
    ctest::expectOptMatrixFailure([&] { M r = lc.Ax(x); },
                                  "No efficient implementation for sparse matrix multiplication");
    ctest::expectOptMatrixFailure([&] { M r = lc.Aconstr(x); },
                                  "No efficient implementation for sparse matrix multiplication");
}

TEST(LinearConstraintProducts, EmptyBoundGroupReturnsZeroByOneWithoutReadingX) {
    ConstraintCounts counts;
    counts.nVar = 2;
    LinearConstraint lc(&counts, false, nullptr, nullptr, nullptr, nullptr,
                        ctest::denseArray(2, 1, {1, -INFINITY}),
                        ctest::denseArray(2, 1, {INFINITY, INFINITY}), M::BORROW_DESTROY);
    lc._setindexLB(nullptr);
    lc._setindexUB(nullptr);
    lc._createBoundAndFixedConstraints();
    M x(ctest::denseArray(2, 1, {0, 5}), M::BORROW_DESTROY);
    EXPECT_EQ(ctest::toDense(lc.Albconstr(x)), Dense{1.0});
    const Dense albx = ctest::toDense(lc.Albx(x));
    ASSERT_EQ(albx.size(), 1u);
    EXPECT_TRUE(albx[0] == 0.0 && std::signbit(albx[0]));  // -0.0
    M empty(0, 0, false);  // would fail if read at (j, 0)
    M aub = lc.Aubx(empty);
    EXPECT_EQ(aub._rows, 0u);
    EXPECT_EQ(aub._cols, 1u);
}
