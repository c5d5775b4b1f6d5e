// LinearConstraint: set-up, bound scan, products, rows, copies, checks and the violation measure.
#include <gtest/gtest.h>

#include <bit>

#include "constraint_test_support.hpp"
#include "tests/support/host_error.hpp"

using namespace ctest;
using LC = LinearConstraint;

namespace {

constexpr std::size_t kUnset = ~std::size_t{0};
constexpr double kNotFound = std::bit_cast<double>(0xFFF8000000000000ULL);  // a negative NaN

bool near(const Dense& got, const Dense& want, double tol = 0.0) {
    return std::ranges::equal(got, want, [&](double a, double b) {
        return a == b || (std::isnan(a) && std::isnan(b)) || std::abs(a - b) <= tol;
    });
}

// Rows first..last-1 of the m-by-n A, one after another (all rows: the transpose).
Dense rowsOf(const Dense& A, std::size_t m, std::size_t n, std::size_t first, std::size_t last) {
    Dense t;
    for (std::size_t i = first; i < last; ++i)
        for (std::size_t j = 0; j < n; ++j) t.push_back(A[i + m * j]);
    return t;
}

// A x - b, zero entries of A skipped (the unit rows of bounds meet no other x).
Dense residual(const Dense& A, const Dense& b, std::size_t n, const Dense& x) {
    Dense r(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) {
        r[i] = -b[i];
        for (std::size_t j = 0; j < n; ++j)
            if (A[i + b.size() * j] != 0.0) r[i] += A[i + b.size() * j] * x[j];
    }
    return r;
}

// The largest entry, NaN skipped, ties to the later; the not-found NaN when nothing counts.
double largest(const Dense& v, bool absolute = false) {
    double best = kNotFound;
    for (double x : v) {
        x = absolute ? std::abs(x) : x;
        if (!std::isnan(x) && !(x < best)) best = x;
    }
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

Problem small(std::size_t mi, Dense A, Dense b, Dense lb, Dense ub, Index fixed = {}) {
    return {lb.size(), mi, 0, A, b, {}, {}, lb, ub, fixed};
}

// A LinearConstraint owning arrays made from `p`, bound lists from the scan, fixed list by hand.
struct Built {
    ConstraintCounts c;
    LC lc;
    Built(const Problem& p, bool sparse)
        : c{.nIneq = p.mi, .nEq = p.me, .nVar = p.n},
          lc(&c, false, makeArray(false, p.mi, p.n, p.A), makeArray(sparse, p.mi, 1, p.b),
             makeArray(false, p.me, p.n, p.Aeq), makeArray(false, p.me, 1, p.beq),
             makeArray(sparse, p.n, 1, p.lb), makeArray(sparse, p.n, 1, p.ub), M::BORROW_DESTROY) {
        lc._createBoundAndFixedConstraints();
        Index list = p.fixed;
        list.resize(p.n, kUnset);
        lc._setindexFixed(list.data());
        c.nFixed = p.fixed.size();
    }
};

}  // namespace

TEST(LinearConstraintModel, IndexListsNullArraysBorrowedArrayAndPrint) {
    LeakGuard guard;
    ConstraintCounts c{.nTotal = 17, .nIneq = 1, .nVar = 4};
    kxArray* A = makeArray(false, 1, 4, {1, 2, 3, 4});
    {
        LC lc(&c, false, A, nullptr, nullptr, nullptr, nullptr, nullptr);
        lc._setindexFixed(nullptr);
        const std::size_t* fixed = lc.getindexFixed();
        EXPECT_EQ(Index(fixed, fixed + 4), Index(4, kUnset));
        const std::size_t idx[] = {3, 1, 2, 0};
        lc._setindexFixed(idx);
        EXPECT_TRUE(lc.getindexFixed() == fixed && Index(fixed, fixed + 4) == Index(idx, idx + 4));
        // Null arrays: zero b of nIneq rows, empty Aeq of nVar columns, no bounds, own arrays.
        EXPECT_TRUE(lc.bAt(0) == 0.0 && lc.getAeq()._cols == 4u);
        EXPECT_TRUE(lc.lbAt(3) == -kInf && lc.ubAt(3) == kInf);
        EXPECT_TRUE(!lc._b._pooled && !lc._Aeq._pooled && !lc._lb._pooled);
        lc._createBoundAndFixedConstraints();
        kaldor::testing::ConsoleCapture console;
        lc.print();
        EXPECT_EQ(console.text(),
                  "\nLinear constraints:\n #variables: 4\n #inequalities: 1\n #equalities: 0\n"
                  " #lower bounds: 0\n #upper bounds: 0\n #Fixed variables: 0\n"
                  "#Total constraints: 17\nConstraints are dense\n");
    }
    EXPECT_EQ(kxRealData(A)[3], 4.0);  // BORROW_KEEP left A to the caller
    kxarray::destroyArray(A);
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
    // Violation edge cases (x dense in 0, 1, 4, 5; NaN entries of A and b skipped), then random.
    std::vector<std::pair<Problem, Dense>> cases = {
        {small(0, {}, {}, {-kInf}, {0}, {0}), {-0.0}},     // fixed +0 ties bound -0: the later
        {small(1, {1}, {5}, {-1}, {kInf}), {3}},           // strictly feasible: -2
        {small(1, {1}, {kInf}, {-kInf}, {kInf}), {3}},     // b = +inf: -inf
        {small(1, {1}, {kInf}, {-kInf}, {kInf}), {kNaN}},  // only NaN: not found
        {small(0, {}, {}, {-kInf, -kInf}, {kInf, 3}, {1}), {kNaN, 1}},  // NaN row skipped
        {small(2, {1, -4, kNaN, 4}, {kNaN, -3}, {-kInf, -kInf}, {kInf, kInf}), {1, 2}}};  // 7
    for (std::size_t t = 0; t < 24; ++t) {
        Problem p = randomProblem(rng, 1 + t * 2, t % 5, (t + 2) % 4, t % 3 != 0);
        cases.emplace_back(p, randomDense(rng, p.n, 0.3));
    }
    for (std::size_t trial = 0; trial < cases.size(); ++trial) {
        const auto& [p, xv] = cases[trial];
        const std::size_t n = p.n, rows = n + trial % 3, col = trial % 3;
        Built built(p, trial % 2 == 1);
        LC& lc = built.lc;
        const Index LB = finiteEntries(p.lb), UB = finiteEntries(p.ub);  // rows of the bound scan
        M x = mat((trial / 2) % 2 == 1, n, 1, xv);
        // Column col of a sentinel-filled out becomes want (zero-padded if zeroRest), only it.
        auto checkColumn = [&](auto copy, Dense want, bool zeroRest) {
            M out(rows, 3, false);
            Dense expect(rows * 3, -777.0);
            std::fill(out._data, out._data + rows * 3, -777.0);
            copy(out);
            if (zeroRest) want.resize(rows, 0.0);
            std::ranges::copy(want, expect.begin() + rows * col);
            EXPECT_TRUE(near(toDense(out), expect)) << "trial " << trial;
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
        Dense violations;  // the measure: |r| of fixed and equality rows, r of the others
        for (std::size_t g : {2, 1, 0, 3, 4})
            for (double r : residual(groups[g].rows.first, groups[g].rows.second, n, xv))
                violations.push_back(g == 1 || g == 2 ? std::abs(r) : r);
        for (const Group& g : groups) {
            const auto& [R, c] = g.rows;
            const std::size_t m = c.size();
            EXPECT_TRUE(near(toDense((lc.*g.x)(x)), residual(R, Dense(m, 0.0), n, xv), 1e-12))
                << trial;
            EXPECT_TRUE(near(toDense((lc.*g.r)(x)), residual(R, c, n, xv), 1e-12)) << trial;
            for (std::size_t k = 0; k < m; ++k) {
                const Dense row = rowsOf(R, m, n, k, k + 1);
                checkColumn([&](M& o) { (lc.*g.copyRow)(k, col, o); }, row, g.unit);
                EXPECT_TRUE(!g.row ||
                            ((lc.*g.row)(k)._rows == 1u && near(toDense((lc.*g.row)(k)), row)));
                EXPECT_TRUE(!g.at || near({(lc.*g.at)(k)}, {c[k]}));
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
            EXPECT_TRUE(near({lc.lbAt(j), lc.ubAt(j)}, {p.lb[j], p.ub[j]}));
        }
        const double want = largest(violations), got = lc.maxConstrViolation(x);
        EXPECT_TRUE(near({got}, {want}, 1e-12 * (1 + std::abs(want))) &&
                    std::signbit(got) == std::signbit(want))  // the not-found NaN is negative
            << "violation " << got << " vs " << want << ", trial " << trial;
        // Empty dense groups give the not-found NaN, an empty sparse b gives 0.0.
        const double bmax = trial % 2 == 1 && p.mi == 0 ? 0.0 : largest(p.b, true);
        EXPECT_TRUE(near({lc.absmaxA(), lc.absmaxAeq(), lc.absmaxb(), lc.absmaxbeq()},
                         {largest(p.A, true), largest(p.Aeq, true), bmax, largest(p.beq, true)}))
            << trial;
    }
}

TEST(LinearConstraintProducts, ChecksFailWithTheirMessagesAndLeakNothing) {
    Built built({3, 2, 1, {1, 2, 3, 4, 5, 6}, {1, 1}, {1, 1, 1}, {0}, {0, 0, 0}, {1, 1, 1}, {1}},
                false);
    LC& lc = built.lc;
    M longX(4, 1, false), narrow(2, 1, false);
    LeakGuard guard;
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { M r = lc.Aconstr(longX); }, "Size mismatch in LinearConstraint::Ax."},
        {[&] { lc.deepCopyRowTransposeAeq(0, 0, narrow); },
         "Size mismatch in LinearConstraint::deepCopyRowTranspose."},
        {[&] { M r = lc.AfixedRow(1); }, "Index out of bounds in LinearConstraint::AfixedRow"},
        {[&] { lc.beqAt(1); }, "Index out of bounds in LinearConstraint::beqAt."}};
    for (const auto& [f, message] : cases) {  // solvAssert: the printed text is the error's
        kaldor::testing::ConsoleCapture console;
        EXPECT_EQ(hostErrorId(f), "solv:solvPlugError:unhandledError") << message;
        EXPECT_EQ(console.text(), message);
    }
}
