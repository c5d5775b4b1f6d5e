// LinearConstraint: set-up, bound scan, products, rows, copies, checks and the violation measure.
#include <gtest/gtest.h>

#include "constraint_test_support.hpp"
#include "tests/support/host_error.hpp"

using namespace ctest;
using Index = std::vector<std::size_t>;
using LC = LinearConstraint;

namespace {

constexpr std::size_t kUnset = ~std::size_t{0};

bool same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

void expectSame(const Dense& got, const Dense& want, const char* what, double tol = 0.0) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (std::size_t k = 0; k < got.size(); ++k)
        EXPECT_TRUE(same(got[k], want[k]) || std::abs(got[k] - want[k]) <= tol)
            << what << " at " << k << ": " << got[k] << " vs " << want[k];
}

// Rows first..last-1 of the m-by-n A, one after another (all rows: the transpose).
Dense rowsOf(const Dense& A, std::size_t m, std::size_t n, std::size_t first, std::size_t last) {
    Dense t;
    for (std::size_t i = first; i < last; ++i)
        for (std::size_t j = 0; j < n; ++j) t.push_back(A[i + m * j]);
    return t;
}

Dense residual(const Dense& A, const Dense& b, std::size_t n, const Dense& x) {
    Dense r(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        r[i] = -b[i];
        for (std::size_t j = 0; j < n; ++j) r[i] += A[i + b.size() * j] * x[j];
    }
    return r;
}

// Largest |v|, ties to the later, NaN skipped; the not-found NaN when nothing counts.
double absmaxOf(const Dense& v) {
    double best = std::bit_cast<double>(kNotFoundBits);
    for (double x : v)
        if (!std::isnan(x) && !(std::abs(x) < best)) best = std::abs(x);
    return best;
}

Index finiteEntries(const Dense& v) {
    Index out;
    for (std::size_t j = 0; j < v.size(); ++j)
        if (std::isfinite(v[j])) out.push_back(j);
    return out;
}

// Rows sign * e(j) for j in list (column-major) and right-hand sides sign * bound(j).
std::pair<Dense, Dense> unitRows(const Index& list, std::size_t n, double sign,
                                 const Dense& bound) {
    std::pair<Dense, Dense> out{Dense(list.size() * n, 0.0), {}};
    for (std::size_t k = 0; k < list.size(); ++k) {
        out.first[k + list.size() * list[k]] = sign;
        out.second.push_back(sign * bound[list[k]]);
    }
    return out;
}

Index listOf(const std::size_t* p, std::size_t n) {
    return Index(p, p + n);
}

Problem small(std::size_t mi, Dense A, Dense b, Dense lb, Dense ub, Index fixed = {}) {
    return {lb.size(),     mi,   0, std::move(A), std::move(b), {}, {}, std::move(lb),
            std::move(ub), fixed};
}

double violationAt(LC& lc, const Dense& x, bool sparseX = false) {
    return lc.maxConstrViolation(mat(sparseX, x.size(), 1, x));
}

// |r| for fixed and equality rows, r for inequality and bound rows, in that group order;
// NaN skipped, ties to the later.
double expectedViolation(const Problem& p, const Dense& x) {
    double v = std::bit_cast<double>(kNotFoundBits);
    auto take = [&](double a) { v = (std::isnan(v) || v <= a) && !std::isnan(a) ? a : v; };
    for (std::size_t j : p.fixed) take(std::abs(x[j] - p.ub[j]));
    for (double r : residual(p.Aeq, p.beq, p.n, x)) take(std::abs(r));
    for (double r : residual(p.A, p.b, p.n, x)) take(r);
    for (std::size_t j : finiteEntries(p.lb)) take(p.lb[j] - x[j]);
    for (std::size_t j : finiteEntries(p.ub)) take(x[j] - p.ub[j]);
    return v;
}

}  // namespace

TEST(LinearConstraintModel, IndexListsNullArraysBorrowedArraysAndBoundScan) {
    LeakGuard guard;
    ConstraintCounts c{.nIneq = 1, .nVar = 4};
    kxArray* A = denseArray(1, 4, {1, 2, 3, 4});
    {
        LC lc(&c, false, A, nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(lc.getindexFixed(), nullptr);
        lc._setindexFixed(nullptr);
        const std::size_t* fixed = lc.getindexFixed();
        EXPECT_EQ(listOf(fixed, 4), Index(4, kUnset));
        const std::size_t idx[] = {3, 1, 2, 0};
        lc._setindexFixed(idx);
        lc._setindexLB(idx);
        EXPECT_EQ(lc.getindexFixed(), fixed);  // reused, not reallocated
        EXPECT_EQ(listOf(fixed, 4), listOf(idx, 4));
        EXPECT_EQ(listOf(lc.getindexLB(), 4), listOf(idx, 4));
        // Null arrays: zero b of nIneq rows, empty Aeq of nVar columns, no bounds.
        EXPECT_TRUE(lc.bAt(0) == 0.0 && lc.getAeq()._cols == 4u);
        EXPECT_TRUE(lc.lbAt(3) == -kInf && lc.ubAt(3) == kInf);
        EXPECT_TRUE(!lc._b._pooled && !lc._Aeq._pooled && !lc._lb._pooled);  // arrays of its own
    }
    EXPECT_EQ(kxRealData(A)[3], 4.0);  // BORROW_KEEP left A to the caller
    kxarray::destroyArray(A);
    // The bound scan keeps finite entries in order; print shows the counts.
    const Dense lb = {0, -kInf, 1, kNaN}, ub = {kInf, 5, 1, kNaN};
    for (bool sparse : {false, true}) {
        ConstraintCounts counts{.nTotal = 17, .nEq = 1, .nFixed = 9, .nVar = 4};
        LC lc(&counts, sparse, nullptr, nullptr, nullptr, nullptr, makeArray(sparse, 4, 1, lb),
              makeArray(sparse, 4, 1, ub), M::BORROW_DESTROY);
        lc._createBoundAndFixedConstraints();  // allocates the lists itself
        // A sparse lb(0) = 0 is absent and reads 0, which is finite.
        EXPECT_EQ(listOf(lc.getindexLB(), 4), (Index{0, 2, kUnset, kUnset}));
        EXPECT_EQ(listOf(lc.getindexUB(), 2), (Index{1, 2}));
        kaldor::testing::ConsoleCapture console;
        lc.print();
        EXPECT_EQ(console.text(),
                  std::string("\nLinear constraints:\n #variables: 4\n #inequalities: 0\n"
                              " #equalities: 1\n #lower bounds: 2\n #upper bounds: 2\n"
                              " #Fixed variables: 0\n#Total constraints: 17\n") +
                      (sparse ? "Constraints are sparse\n" : "Constraints are dense\n"));
    }
    ConstraintCounts lower{.nVar = 3};
    LC onlyLower(&lower, false, nullptr, nullptr, nullptr, nullptr, denseArray(3, 1, {1, -kInf, 2}),
                 kxCreateNumericMatrix(0, 0, kxDOUBLE_CLASS, kxREAL), M::BORROW_DESTROY);
    onlyLower._createBoundAndFixedConstraints();  // an empty ub gives no rows
    EXPECT_TRUE(lower.nLB == 2u && lower.nUB == 0u);
    const Dense albx = toDense(onlyLower.Albx(mat(false, 3, 1, {0, 5, 1})));
    EXPECT_TRUE(albx.size() == 2 && albx[0] == 0.0 && std::signbit(albx[0]));  // -x(0): -0.0
    M aub = onlyLower.Aubx(M(0, 0, false));  // an empty group reads nothing of x
    EXPECT_TRUE(aub._rows == 0u && aub._cols == 1u);
}

TEST(LinearConstraintProducts, AllFiveGroupsAndViolationMatchDenseRecomputation) {
    struct Group {
        M (LC::*x)(const M&);
        M (LC::*r)(const M&);
        void (LC::*copyRow)(std::size_t, std::size_t, M&);
        M (LC::*row)(std::size_t);
        double (LC::*at)(std::size_t);
        void (LC::*copyAll)(double*, bool);
        void (LC::*copyRhs)(double*);
        std::pair<Dense, Dense> rows;  // rows (column-major) and right-hand sides
        bool unit;                     // copied rows zero the rest of the column
    };
    LeakGuard guard;
    std::mt19937 rng(1234);
    for (std::size_t trial = 0; trial < 24; ++trial) {
        const std::size_t n = 1 + trial * 2, rows = n + trial % 3, col = trial % 3;
        const Problem p = randomProblem(rng, n, trial % 5, (trial + 2) % 4, trial % 3);
        const bool sparseVectors = trial % 2 == 1;
        auto built = build(p, sparseVectors);
        LC& lc = *built->lc;
        const Index LB = finiteEntries(p.lb), UB = finiteEntries(p.ub);
        ASSERT_EQ(listOf(lc.getindexLB(), built->c.nLB), LB);
        ASSERT_EQ(listOf(lc.getindexUB(), built->c.nUB), UB);
        const Dense xv = randomDense(rng, n, 0.3);
        M x = mat((trial / 2) % 2 == 1, n, 1, xv);
        // Column col of a sentinel-filled out becomes want (zero-padded if zeroRest), only it.
        auto checkColumn = [&](auto copy, Dense want, bool zeroRest) {
            M out(rows, 3, false);
            std::fill(out._data, out._data + rows * 3, -777.0);
            copy(out);
            if (zeroRest) want.resize(rows, 0.0);
            for (std::size_t k = 0; k < rows * 3; ++k)
                EXPECT_EQ(out._data[k],
                          k / rows == col && k % rows < want.size() ? want[k % rows] : -777.0)
                    << "trial " << trial << " at " << k;
        };
        auto copied = [](std::size_t size, auto copy) {  // a spare sentinel slot catches overruns
            Dense buf(size + 1, -777.0);
            copy(buf.data());
            EXPECT_EQ(buf.back(), -777.0);
            buf.pop_back();
            return buf;
        };
        // clang-format off
        const Group groups[] = {
            {&LC::Ax, &LC::Aconstr, &LC::deepCopyRowTranspose, nullptr, &LC::bAt, nullptr, nullptr,
             {p.A, p.b}, false},
            {&LC::Aeqx, &LC::Aeqconstr, &LC::deepCopyRowTransposeAeq, nullptr, &LC::beqAt,
             &LC::deepCopyAeq, &LC::deepCopybeq, {p.Aeq, p.beq}, false},
            {&LC::Afixedx, &LC::Afixedconstr, &LC::deepCopyRowTransposeAfixed, &LC::AfixedRow,
             &LC::bfixedAt, &LC::deepCopyAfixed, &LC::deepCopybfixed,
             unitRows(p.fixed, n, 1.0, p.ub), true},
            {&LC::Albx, &LC::Albconstr, &LC::deepCopyRowTransposeAlb, &LC::AlbRow, nullptr, nullptr,
             nullptr, unitRows(LB, n, -1.0, p.lb), true},
            {&LC::Aubx, &LC::Aubconstr, &LC::deepCopyRowTransposeAub, &LC::AubRow, nullptr, nullptr,
             nullptr, unitRows(UB, n, 1.0, p.ub), true}};
        // clang-format on
        for (const Group& g : groups) {
            const auto& [R, c] = g.rows;
            const std::size_t m = c.size();
            expectSame(toDense((lc.*g.x)(x)), residual(R, Dense(m, 0.0), n, xv), "products", 1e-12);
            expectSame(toDense((lc.*g.r)(x)), residual(R, c, n, xv), "residuals", 1e-12);
            for (std::size_t k = 0; k < m; ++k) {
                const Dense row = rowsOf(R, m, n, k, k + 1);
                checkColumn([&](M& o) { (lc.*g.copyRow)(k, col, o); }, row, g.unit);
                EXPECT_TRUE(!g.row || (lc.*g.row)(k)._rows == 1u);
                if (g.row) expectSame(toDense((lc.*g.row)(k)), row, "single row");
                EXPECT_TRUE(!g.at || same((lc.*g.at)(k), c[k]));
            }
            if (!g.copyAll) continue;
            EXPECT_EQ(copied(m * n, [&](double* o) { (lc.*g.copyAll)(o, false); }), R);
            EXPECT_EQ(copied(m * n, [&](double* o) { (lc.*g.copyAll)(o, true); }),
                      rowsOf(R, m, n, 0, m));
            EXPECT_EQ(copied(m, [&](double* o) { (lc.*g.copyRhs)(o); }), c);
        }
        for (std::size_t j = 0; j < n; ++j) {
            checkColumn([&](M& o) { lc.deepCopyVarRowTransposeAlb(j, col, o); },
                        unitRows({j}, n, -1.0, p.lb).first, true);
            checkColumn([&](M& o) { lc.deepCopyVarRowTransposeAub(j, col, o); },
                        unitRows({j}, n, 1.0, p.ub).first, true);
            EXPECT_TRUE(same(lc.lbAt(j), p.lb[j]) && same(lc.ubAt(j), p.ub[j]));
        }
        const double want = expectedViolation(p, xv), got = lc.maxConstrViolation(x);
        EXPECT_TRUE(std::isnan(want) ? bits(got) == kNotFoundBits
                                     : std::abs(got - want) <= 1e-12 * (1.0 + std::abs(want)))
            << "violation " << got << " vs " << want << ", trial " << trial;
        // Empty dense groups give the not-found NaN, an empty sparse b gives 0.0.
        EXPECT_TRUE(same(lc.absmaxA(), absmaxOf(p.A)) && same(lc.absmaxAeq(), absmaxOf(p.Aeq)));
        EXPECT_TRUE(same(lc.absmaxb(), (sparseVectors && p.mi == 0) ? 0.0 : absmaxOf(p.b)));
        EXPECT_TRUE(same(lc.absmaxbeq(), absmaxOf(p.beq)));
    }
}

TEST(LinearConstraintProducts, ChecksFailWithTheirMessagesAndLeakNothing) {
    auto built =
        build({3, 2, 1, {1, 2, 3, 4, 5, 6}, {1, 1}, {1, 1, 1}, {0}, {0, 0, 0}, {1, 1, 1}, {1}});
    LC& lc = *built->lc;
    M longX(4, 1, false), narrow(2, 1, false);
    LeakGuard guard;
    const std::string size = "Size mismatch in LinearConstraint::",
                      index = "Index out of bounds in LinearConstraint::";
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { M r = lc.Ax(longX); }, size + "Ax."},
        {[&] { M r = lc.Aconstr(longX); }, size + "Ax."},
        {[&] { M r = lc.Aeqx(longX); }, size + "Aeqx."},
        {[&] { M r = lc.Afixedx(longX); }, size + "Afixedx."},
        {[&] { M r = lc.Albx(longX); }, size + "Albx."},
        {[&] { M r = lc.Aubx(longX); }, size + "Aubx."},
        {[&] { M r = lc.Albconstr(longX); }, size + "Albconstr."},
        {[&] { M r = lc.Aubconstr(longX); }, size + "Aubconstr."},
        {[&] { lc.deepCopyRowTranspose(0, 0, narrow); }, size + "deepCopyRowTranspose."},
        {[&] { lc.deepCopyRowTransposeAeq(0, 0, narrow); }, size + "deepCopyRowTranspose."},
        {[&] { M r = lc.AfixedRow(1); }, index + "AfixedRow"},
        {[&] { M r = lc.AlbRow(3); }, index + "AlbRow."},
        {[&] { M r = lc.AubRow(3); }, index + "AubRow."},
        {[&] { lc.bAt(2); }, index + "bAt."},
        {[&] { lc.beqAt(1); }, index + "beqAt."},
        {[&] { lc.lbAt(3); }, index + "lbAt."},
        {[&] { lc.ubAt(3); }, index + "ubAt."}};
    for (const auto& [f, message] : cases) {  // solvAssert: the printed text is the error's
        kaldor::testing::ConsoleCapture console;
        EXPECT_EQ(hostErrorId(f), "solv:solvPlugError:unhandledError") << message;
        EXPECT_EQ(console.text(), message);
    }
    longX(1, 0) = 5.0;  // Afixedconstr has no size check: extra rows are ignored
    EXPECT_EQ(toDense(lc.Afixedconstr(longX)), Dense{4.0});
}

TEST(MaxConstrViolation, EdgeCasesAndVirtualResiduals) {
    LeakGuard guard;
    ConstraintCounts counts{.nVar = 1};
    LC none(&counts, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(bits(violationAt(none, {0.0})), kNotFoundBits);
    // Strictly feasible: the largest negative residual.
    EXPECT_EQ(violationAt(*build(small(1, {1.0}, {5.0}, {-1.0}, {kInf}))->lc, {3.0}), -2.0);
    // An inequality with b = +inf gives -inf; a NaN x gives only NaN rows.
    auto infB = build(small(1, {1.0}, {kInf}, {-kInf}, {kInf}));
    EXPECT_EQ(violationAt(*infB->lc, {3.0}), -kInf);
    EXPECT_EQ(bits(violationAt(*infB->lc, {kNaN})), kNotFoundBits);
    // Fixed x(1) = 3 at x = (NaN, 1): 2, the NaN residual skipped.
    auto fixed = build(small(0, {}, {}, {-kInf, -kInf}, {kInf, 3.0}, {1}));
    fixed->c.nUB = 0;  // the fixed row alone
    EXPECT_EQ(violationAt(*fixed->lc, {kNaN, 1.0}), 2.0);
    // The fixed row's +0.0 ties the upper-bound row's -0.0: the later group wins.
    auto tie = build(small(0, {}, {}, {-kInf}, {0.0}, {0}));
    const double zero = violationAt(*tie->lc, {-0.0});
    EXPECT_TRUE(zero == 0.0 && std::signbit(zero));
    // The overridden residuals are the ones used; a two-column x fails in the assignment.
    struct Overrides : LinearConstraint {
        using LinearConstraint::LinearConstraint;
        M Aeqconstr(const M& x) override { return Aeqx(x); }
        M Aubconstr(const M& x) override {
            M r = LinearConstraint::Aubconstr(x);
            for (std::size_t k = 0; k < r._rows; ++k) r(k, 0) += 100.0;
            return r;
        }
    };
    ConstraintCounts eq{.nEq = 3, .nVar = 2};
    Overrides over(&eq, false, nullptr, nullptr, denseArray(3, 2, {1, 2, 3, 4, 5, 6}), nullptr,
                   nullptr, denseArray(2, 1, {1, 1}), M::BORROW_DESTROY);
    over._createBoundAndFixedConstraints();
    EXPECT_EQ(violationAt(over, {0.5, 0.5}), 99.5);  // beats |Aeq x| = 4.5
    M x(2, 2, false);
    {
        M warm = over.Aeqx(x);
        M warm2 = over.Aeqx(x);
    }
    LeakGuard failureGuard;  // after the warm-up: the buffer's own bookkeeping exists
    EXPECT_EQ(expectOptMatrixFailure([&] { over.maxConstrViolation(x); },
                                     "Incompatible dimensions for matrix assignment"),
              "LHS Size: 3-by-1\nRHS Size: 3-by-2\n");
}
