// Implied constraint bounds and nonzero counts against dense recomputation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <span>

#include "kaldor/testing/services.hpp"
#include "solvutil/presolve/presolve.hpp"
#include "tests/support/host_guard.hpp"

namespace {

using Ptr = kxarray::kxArrayPtr;
using Vec = std::vector<double>;
constexpr double kInf = INFINITY;

// Random sparse array and its dense mirror: stored 0, -0 and NaN, rows in decreasing order within
// their columns, empty rows (every fifth) and columns (every seventh).
struct SparseCase {
    std::size_t m, n;
    Vec dense;
    std::vector<char> stored;
    Ptr array;
};

SparseCase randomSparse(std::mt19937& rng, std::size_t m, std::size_t n, double density) {
    SparseCase c{m, n, Vec(m * n, 0.0), std::vector<char>(m * n, 0), nullptr};
    for (std::size_t k = 0; k < m * n; ++k) {
        if (k % m % 5 == 4 || k / m % 7 == 6 || !std::bernoulli_distribution(density)(rng))
            continue;
        c.stored[k] = 1;
        const double v = static_cast<double>(rng() % 20);
        c.dense[k] = v == 0 ? 0.0 : v == 1 ? -0.0 : v == 2 ? NAN : v - 10.5;
    }
    c.array.reset(kaldor::testing::createSparseArray(m, n, std::ranges::count(c.stored, 1)));
    std::size_t* starts = kxColumnStarts(c.array.get());
    starts[0] = 0;
    for (std::size_t j = 0, p = 0; j < n; starts[++j] = p)
        for (std::size_t i = m; i-- > 0;)
            if (c.stored[i + j * m]) {
                kxRowIndices(c.array.get())[p] = i;
                kxRealData(c.array.get())[p++] = c.dense[i + j * m];
            }
    return c;
}

Ptr column(const Vec& values) {
    Ptr a(kxCreateNumericMatrix(values.size(), 1, kxDOUBLE_CLASS, kxREAL));
    std::ranges::copy(values, kxRealData(a.get()));
    return a;
}

// A column holding `want`: both NaN, or equal with the same sign.
bool holds(const Ptr& a, const Vec& want) {
    const std::span<const double> got(kxRealData(a.get()), kxGetM(a.get()) * kxGetN(a.get()));
    return kxGetN(a.get()) == 1 && std::ranges::equal(got, want, [](double x, double y) {
               return std::isnan(x) ? std::isnan(y) : x == y && std::signbit(x) == std::signbit(y);
           });
}

}  // namespace

// Random bounds (one in eight infinite); slots already holding arrays are released. A selector
// truncates, saturates and maps NaN to 0; only 2 asks for column counts.
TEST(PresolveGateways, BoundsAndCountsMatchDenseRecomputationOnRandomMatrices) {
    HostLeakGuard guard;
    std::mt19937 rng(20261205);
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    const std::pair<std::size_t, std::size_t> shapes[] = {{1, 1},   {5, 3},    {17, 29}, {64, 40},
                                                          {3, 200}, {150, 12}, {0, 4},   {3, 0}};
    const double selectors[] = {2, 2.9, 1, 0, -2, NAN, 1e300, -1e300, -2.5, 3, 4294967298.0};
    for (const auto& [m, n] : shapes) {
        for (double density : {0.0, 0.3, 0.9}) {
            const SparseCase c = randomSparse(rng, m, n, density);
            Vec lb(n), ub(n), low(m, 0.0), high(m, 0.0), columnCount(n, 0.0), rowCount(m, 0.0);
            for (std::size_t j = 0; j < n; ++j) {
                lb[j] = rng() % 8 == 0 ? -kInf : dist(rng);
                ub[j] = rng() % 8 == 0 ? kInf : lb[j] + std::abs(dist(rng));
                for (std::size_t i = 0; i < m; ++i) {
                    const double a = c.dense[i + j * m];
                    if (!c.stored[i + j * m]) continue;
                    low[i] += a * (a > 0 ? lb[j] : ub[j]);
                    high[i] += a * (a > 0 ? ub[j] : lb[j]);
                    columnCount[j] += 1.0;
                    rowCount[i] += 1.0;
                }
            }
            Ptr out[2] = {column({9.0}), column({9.0, 9.0})}, lbArray = column(lb),
                ubArray = column(ub);
            const kxArray* inputs[3] = {c.array.get(), lbArray.get(), ubArray.get()};
            presolve::constrImpliedBoundaries(2, out, 3, inputs);
            EXPECT_TRUE(holds(out[0], low) && holds(out[1], high))
                << m << "x" << n << " " << density;
            presolve::getNNZcounts(2, out, 1, inputs);  // column then row counts
            EXPECT_TRUE(holds(out[0], columnCount) && holds(out[1], rowCount)) << m << "x" << n;
            for (double selector : selectors) {
                Ptr s = column({selector});
                const kxArray* second = out[1].get();
                inputs[1] = s.get();
                presolve::getNNZcounts(2, out, 2, inputs);
                EXPECT_EQ(out[1].get(), second) << "second slot must not be touched";
                const bool byColumns = selector == 2.0 || selector == 2.9;
                EXPECT_TRUE(holds(out[0], byColumns ? columnCount : rowCount)) << selector;
            }
        }
    }
}
