#include <gtest/gtest.h>

#include <CoinFinite.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/planted.hpp"

namespace lpsolve_test {
namespace {

using lpsolve::kInf;
using Rng = std::mt19937;

double uniform(Rng& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}
bool chance(Rng& rng, double p) {
    return uniform(rng, 0.0, 1.0) < p;
}

// Dense column-major m x n with about `density` of the entries set, every column and row
// holding at least one. Entries are at least 0.1 in size, so that no rescaled entry falls
// below the 1e-14 under which CoinMpsIO drops it.
std::vector<double> randomMatrix(Rng& rng, std::size_t m, std::size_t n, double density) {
    std::vector<double> a(m * n, 0.0);
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (chance(rng, density)) a[k] = uniform(rng, 0.1, 3.0) * (chance(rng, 0.5) ? 1.0 : -1.0);
    }
    for (std::size_t j = 0; j < n; ++j) a[(j % m) + j * m] = uniform(rng, 0.5, 3.0);
    for (std::size_t i = 0; i < m; ++i) a[i + (i % n) * m] += uniform(rng, 0.5, 3.0);
    return a;
}

lpsolve::LpModel fromDense(std::size_t m, std::size_t n, const std::vector<double>& a) {
    lpsolve::LpModel lp;
    lp.A.rows = m, lp.A.cols = n, lp.A.colStart = {0};
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i) {
            if (a[i + j * m] != 0.0) lp.A.rowIndex.push_back(i), lp.A.value.push_back(a[i + j * m]);
        }
        lp.A.colStart.push_back(lp.A.rowIndex.size());
    }
    lp.objective.assign(n, 0.0);
    lp.colLower.assign(n, -kInf), lp.colUpper.assign(n, kInf);
    lp.rowLower.assign(m, -kInf), lp.rowUpper.assign(m, kInf);
    return lp;
}

std::vector<double> product(std::size_t m, const std::vector<double>& a,
                            const std::vector<double>& x) {
    std::vector<double> r(m, 0.0);
    for (std::size_t k = 0; k < a.size(); ++k) r[k % m] += a[k] * x[k / m];
    return r;
}

std::vector<double> trProduct(std::size_t m, const std::vector<double>& a,
                              const std::vector<double>& y) {
    std::vector<double> g(a.size() / m, 0.0);
    for (std::size_t k = 0; k < a.size(); ++k) g[k / m] += a[k] * y[k % m];
    return g;
}

PlantedLp optimal(Rng& rng, std::size_t m, std::size_t n, bool degenerate) {
    std::vector<double> a = randomMatrix(rng, m, n, 0.3);
    std::vector<double> x(n), y(m, 0.0), z(n, 0.0);
    std::vector<int> colKind(n);  // 0 at lower, 1 at upper, 2 between, 3 free
    for (std::size_t j = 0; j < n; ++j)
        x[j] = uniform(rng, -3.0, 3.0), colKind[j] = static_cast<int>(rng() % 4);
    const std::vector<double> r = product(m, a, x);
    PlantedLp p;
    p.lp = fromDense(m, n, a);
    auto& lp = p.lp;
    for (std::size_t i = 0; i < m; ++i) {  // 0 active below, 1 active above, 2 equality, 3 slack
        const int kind = static_cast<int>(rng() % 4);
        const double yi = degenerate && chance(rng, 0.3) ? 0.0 : uniform(rng, 0.1, 2.0);
        if (kind == 0)
            lp.rowLower[i] = r[i], lp.rowUpper[i] = chance(rng, 0.5) ? kInf : r[i] + 1.0, y[i] = yi;
        if (kind == 1)
            lp.rowUpper[i] = r[i], lp.rowLower[i] = chance(rng, 0.5) ? -kInf : r[i] - 1.0,
            y[i] = -yi;
        if (kind == 2) lp.rowLower[i] = lp.rowUpper[i] = r[i], y[i] = uniform(rng, -2.0, 2.0);
        if (kind == 3)
            lp.rowLower[i] = r[i] - uniform(rng, 0.1, 2.0),
            lp.rowUpper[i] = chance(rng, 0.5) ? kInf : r[i] + 1.0;
    }
    for (std::size_t j = 0; j < n; ++j) {
        const double zj = degenerate && chance(rng, 0.3) ? 0.0 : uniform(rng, 0.1, 2.0);
        switch (colKind[j]) {
            case 0:
                lp.colLower[j] = x[j], lp.colUpper[j] = chance(rng, 0.5) ? kInf : x[j] + 2.0,
                z[j] = zj;
                break;
            case 1:
                lp.colUpper[j] = x[j], lp.colLower[j] = chance(rng, 0.5) ? -kInf : x[j] - 2.0,
                z[j] = -zj;
                break;
            case 2:
                lp.colLower[j] = x[j] - uniform(rng, 0.1, 2.0),
                lp.colUpper[j] = x[j] + uniform(rng, 0.1, 2.0);
                break;
            default:
                break;
        }
    }
    const std::vector<double> aty = trProduct(m, a, y);
    for (std::size_t j = 0; j < n; ++j) lp.objective[j] = aty[j] + z[j];
    if (degenerate && m >= 2) {  // a dependent equality row: the sum of rows 0 and 1 at x*
        std::size_t count = 0;
        for (std::size_t j = 0; j < n; ++j) count += a[j * m] + a[1 + j * m] != 0.0;
        if (count > 0) {
            std::vector<double> wide((m + 1) * n, 0.0);
            for (std::size_t j = 0; j < n; ++j) {
                for (std::size_t i = 0; i < m; ++i) wide[i + j * (m + 1)] = a[i + j * m];
                wide[m + j * (m + 1)] = a[j * m] + a[1 + j * m];
            }
            lpsolve::LpModel grown = fromDense(m + 1, n, wide);
            grown.objective = lp.objective, grown.colLower = lp.colLower,
            grown.colUpper = lp.colUpper;
            grown.rowLower = lp.rowLower, grown.rowUpper = lp.rowUpper;
            grown.rowLower.push_back(r[0] + r[1]), grown.rowUpper.push_back(r[0] + r[1]);
            lp = grown;
        }
    }
    p.kind = Planted::Optimal;
    for (std::size_t j = 0; j < n; ++j) p.objective += lp.objective[j] * x[j];
    return p;
}

PlantedLp infeasible(Rng& rng, std::size_t m, std::size_t n) {
    const std::vector<double> a = randomMatrix(rng, m, n, 0.3);
    std::vector<double> y(m);
    for (auto& v : y) v = chance(rng, 0.2) ? 0.0 : uniform(rng, -2.0, 2.0);
    y[0] = y[0] == 0.0 ? 1.0 : y[0];
    PlantedLp p;
    p.lp = fromDense(m, n, a);
    auto& lp = p.lp;
    const std::vector<double> g = trProduct(m, a, y);
    double sup = 0.0;
    for (std::size_t j = 0; j < n; ++j) {  // the bound g pushes against is finite
        const double lo = uniform(rng, -3.0, 0.0), up = uniform(rng, 0.0, 3.0);
        if (g[j] > 0.0)
            lp.colUpper[j] = up, lp.colLower[j] = chance(rng, 0.5) ? lo : -kInf, sup += g[j] * up;
        else if (g[j] < 0.0)
            lp.colLower[j] = lo, lp.colUpper[j] = chance(rng, 0.5) ? up : kInf, sup += g[j] * lo;
        lp.objective[j] = uniform(rng, -2.0, 2.0);
    }
    double inf = 0.0;
    for (std::size_t i = 0; i < m; ++i) {
        const double v = uniform(rng, -3.0, 3.0);
        if (y[i] > 0.0)
            lp.rowLower[i] = v, lp.rowUpper[i] = chance(rng, 0.5) ? kInf : v + 2.0, inf += y[i] * v;
        else if (y[i] < 0.0)
            lp.rowUpper[i] = v, lp.rowLower[i] = chance(rng, 0.5) ? -kInf : v - 2.0,
            inf += y[i] * v;
        else
            lp.rowLower[i] = v - 1.0, lp.rowUpper[i] = v + 1.0;
    }
    // Move row 0's bound so that y'r >= inf exceeds sup >= g'x by a clear margin.
    const double need = sup - inf + 0.5 + 0.1 * std::fabs(sup);
    if (y[0] > 0.0) {
        lp.rowLower[0] += need / y[0];
        if (std::isfinite(lp.rowUpper[0])) lp.rowUpper[0] = lp.rowLower[0] + 2.0;
    } else {
        lp.rowUpper[0] += need / y[0];
        if (std::isfinite(lp.rowLower[0])) lp.rowLower[0] = lp.rowUpper[0] - 2.0;
    }
    p.kind = Planted::Infeasible;
    return p;
}

PlantedLp unbounded(Rng& rng, std::size_t m, std::size_t n) {
    std::vector<double> a = randomMatrix(rng, m, n, 0.3);
    std::vector<double> d(n, 0.0), x(n);
    std::vector<std::size_t> support;
    for (std::size_t j = 0; j < n; ++j) {
        if (j < 2 || chance(rng, 0.3))
            d[j] = uniform(rng, 0.5, 2.0) * (chance(rng, 0.5) ? 1.0 : -1.0), support.push_back(j);
    }
    for (std::size_t i = 0; i < m; ++i) {  // make row i orthogonal to d through one support column
        double s = 0.0;
        for (std::size_t j = 0; j < n; ++j) s += a[i + j * m] * d[j];
        const std::size_t k = support[rng() % support.size()];
        a[i + k * m] -= s / d[k];
    }
    PlantedLp p;
    p.lp = fromDense(m, n, a);
    auto& lp = p.lp;
    for (std::size_t j = 0; j < n; ++j) {
        x[j] = uniform(rng, -3.0, 3.0);
        const double lo = x[j] - uniform(rng, 0.1, 2.0), up = x[j] + uniform(rng, 0.1, 2.0);
        if (d[j] > 0.0)
            lp.colLower[j] = chance(rng, 0.5) ? lo : -kInf;
        else if (d[j] < 0.0)
            lp.colUpper[j] = chance(rng, 0.5) ? up : kInf;
        else
            lp.colLower[j] = lo, lp.colUpper[j] = chance(rng, 0.5) ? up : kInf;
        lp.objective[j] = uniform(rng, -2.0, 2.0);
    }
    const std::vector<double> r = product(m, a, x);
    for (std::size_t i = 0; i < m; ++i) {
        const int kind = static_cast<int>(rng() % 3);
        if (kind != 1) lp.rowLower[i] = r[i] - (kind == 2 ? 0.0 : uniform(rng, 0.1, 2.0));
        if (kind != 0) lp.rowUpper[i] = r[i] + (kind == 2 ? 0.0 : uniform(rng, 0.1, 2.0));
    }
    double cd = 0.0, dd = 0.0;
    for (std::size_t j = 0; j < n; ++j) cd += lp.objective[j] * d[j], dd += d[j] * d[j];
    const double shift = (cd + uniform(rng, 0.5, 2.0)) / dd;  // c'd becomes negative
    for (std::size_t j = 0; j < n; ++j) lp.objective[j] -= shift * d[j];
    p.kind = Planted::Unbounded;
    return p;
}

// Rows by r_i and columns by s_j (x = s x'): the same problem in other units. Each entry
// moves by r_i s_j within 10^(+-decades); CoinMpsIO (Clp's reader and ours) drops entries
// below 1e-14, so rows and columns take half of the decades each.
void rescale(Rng& rng, lpsolve::LpModel& lp, double decades) {
    std::vector<double> r(lp.numRows()), s(lp.numCols());
    for (auto& v : r) v = std::pow(10.0, uniform(rng, -0.5 * decades, 0.5 * decades));
    for (auto& v : s) v = std::pow(10.0, uniform(rng, -0.5 * decades, 0.5 * decades));
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
            lp.A.value[k] *= r[lp.A.rowIndex[k]] * s[j];
        lp.objective[j] *= s[j];
        lp.colLower[j] /= s[j], lp.colUpper[j] /= s[j];
    }
    for (std::size_t i = 0; i < lp.numRows(); ++i) lp.rowLower[i] *= r[i], lp.rowUpper[i] *= r[i];
}

}  // namespace

PlantedLp plantedLp(std::uint32_t seed, const PlantedOptions& o) {
    Rng rng(seed);
    const std::size_t m = 3 + rng() % 30, n = m + 2 + rng() % 40;
    PlantedLp p = o.kind == Planted::Optimal      ? optimal(rng, m, n, o.degenerate)
                  : o.kind == Planted::Infeasible ? infeasible(rng, m, n)
                                                  : unbounded(rng, m, n);
    if (o.magnitude > 0.0) {  // x* by 10^u and c by 10^v: the optimum grows by 10^(u+v)
        const double sx = std::pow(10.0, uniform(rng, 0.0, 0.5 * o.magnitude));
        const double sc = std::pow(10.0, uniform(rng, 0.0, 0.5 * o.magnitude));
        auto& lp = p.lp;
        for (auto* v : {&lp.colLower, &lp.colUpper, &lp.rowLower, &lp.rowUpper}) {
            for (auto& e : *v) e *= sx;
        }
        for (auto& c : lp.objective) c *= sc;
        p.objective *= sx * sc;
    }
    if (o.rescale > 0.0) rescale(rng, p.lp, o.rescale);
    return p;
}

void writeMps(const lpsolve::LpModel& lp, const std::string& path) {
    std::vector<int> rows, cols;
    for (std::size_t j = 0; j < lp.numCols(); ++j) {
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
            rows.push_back(static_cast<int>(lp.A.rowIndex[k])), cols.push_back(static_cast<int>(j));
    }
    CoinPackedMatrix A(true, rows.data(), cols.data(), lp.A.value.data(),
                       static_cast<int>(rows.size()));
    A.setDimensions(static_cast<int>(lp.numRows()), static_cast<int>(lp.numCols()));
    const auto coin = [](std::vector<double> v) {
        for (auto& e : v) e = std::isinf(e) ? std::copysign(COIN_DBL_MAX, e) : e;
        return v;
    };
    CoinMpsIO writer;
    writer.messageHandler()->setLogLevel(0);
    writer.setMpsData(A, COIN_DBL_MAX, coin(lp.colLower).data(), coin(lp.colUpper).data(),
                      lp.objective.data(), nullptr, coin(lp.rowLower).data(),
                      coin(lp.rowUpper).data(), static_cast<char**>(nullptr),
                      static_cast<char**>(nullptr));
    if (writer.writeMps(path.c_str(), 0, 1) != 0) throw std::runtime_error("cannot write " + path);
    if (lp.Q.nnz() == 0) return;
    std::stringstream text;  // columns are named C0000000, C0000001, ...
    text << std::ifstream(path).rdbuf();
    std::string body = text.str();
    body.resize(body.rfind("ENDATA"));
    body += "QUADOBJ\n";
    char line[96];
    for (std::size_t j = 0; j < lp.Q.cols; ++j) {
        for (std::size_t k = lp.Q.colStart[j]; k < lp.Q.colStart[j + 1]; ++k) {
            if (lp.Q.rowIndex[k] < j) continue;
            std::snprintf(line, sizeof line, "    C%07zu  C%07zu  %.17g\n", lp.Q.rowIndex[k], j,
                          lp.Q.value[k]);
            body += line;
        }
    }
    writeFile(path, body + "ENDATA\n");
}

Verdict solveVerdict(const std::string& file, lpsolve::LinearAlgebra la, bool presolve) {
    lpsolve::Options options;
    options.file = file, options.quiet = true, options.linearAlgebra = la,
    options.presolve = presolve;
    try {
        const lpsolve::SolveOutcome out = lpsolve::solveFile(options);
        return {out.status, out.objective, out.linearAlgebra + ": " + out.message, out.iterations,
                out.maxViolation};
    } catch (const lpsolve::LpError& e) {
        using lpsolve::ExitCode, lpsolve::IpmStatus;
        return {e.code() == ExitCode::Infeasible  ? IpmStatus::Infeasible
                : e.code() == ExitCode::Unbounded ? IpmStatus::Unbounded
                                                  : IpmStatus::NumericalFailure,
                0.0, e.what()};
    }
}

void expectVerdict(const std::string& file, lpsolve::LinearAlgebra la, lpsolve::IpmStatus want,
                   double objective, const std::string& what, bool presolve, double violation) {
    const Verdict got = solveVerdict(file, la, presolve);
    const char* names[] = {"optimal", "infeasible", "unbounded", "iteration limit", "failure"};
    ASSERT_STREQ(names[int(got.status)], names[int(want)]) << what << " " << got.output;
    if (got.status != lpsolve::IpmStatus::Optimal) return;
    const double scale = std::max(1.0, std::fabs(objective));
    EXPECT_NEAR(got.objective, objective, 1e-6 * scale) << what << " " << got.output;
    EXPECT_LE(got.iterations, 100u) << what << " " << got.output;
    EXPECT_LT(got.maxViolation, violation * scale) << what << " " << got.output;
}

}  // namespace lpsolve_test
