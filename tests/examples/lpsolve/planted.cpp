#include <gtest/gtest.h>

#include <CoinFinite.hpp>
#include <CoinMpsIO.hpp>
#include <CoinPackedMatrix.hpp>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "examples/lpsolve/solver.hpp"
#include "tests/examples/lpsolve/planted.hpp"

namespace lpsolve_test {
namespace {

using lpsolve::CscMatrix;
using lpsolve::kInf;
using Rng = std::mt19937;

double uniform(Rng& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}
bool chance(Rng& rng, double p) {
    return uniform(rng, 0.0, 1.0) < p;
}

// A x (A'x when `transposed`) for the dense column-major `a` with m rows.
std::vector<double> product(std::size_t m, const std::vector<double>& a,
                            const std::vector<double>& x, bool transposed = false) {
    std::vector<double> r(transposed ? a.size() / m : m, 0.0);
    for (std::size_t k = 0; k < a.size(); ++k) {
        if (transposed)
            r[k / m] += a[k] * x[k % m];
        else
            r[k % m] += a[k] * x[k / m];
    }
    return r;
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

// The model with matrix `a`, zero costs and no bounds.
lpsolve::LpModel model(std::size_t m, std::size_t n, const std::vector<double>& a) {
    lpsolve::LpModel lp;
    lp.A = csc(m, n, a);
    lp.objective.assign(n, 0.0);
    lp.colLower.assign(n, -kInf);
    lp.colUpper.assign(n, kInf);
    lp.rowLower.assign(m, -kInf);
    lp.rowUpper.assign(m, kInf);
    return lp;
}

// Bounds around v for a constraint of kind 0 (equality), 1 (lower), 2 (upper) or 3 (both),
// active half the time, and a multiplier that fits: > 0 active at the lower bound, < 0 at
// the upper one, any sign for an equality, 0 when inactive.
struct Side {
    double lo, up, mult;
};
Side plant(Rng& r, unsigned kind, double v) {
    if (kind == 0) return {v, v, uniform(r, -2, 2)};
    const bool active = r() % 2 != 0, lowerSide = kind == 1 || (kind == 3 && r() % 2 != 0);
    const double gap = active ? 0.0 : uniform(r, 0.5, 3), far = uniform(r, 1, 3);
    const double w = uniform(r, 0.1, 2);
    Side s{-kInf, kInf, active ? (lowerSide ? w : -w) : 0.0};
    if (kind != 2) s.lo = v - (lowerSide ? gap : far);
    if (kind != 1) s.up = v + (lowerSide ? far : gap);
    return s;
}

// x*, and multipliers y* and z* that fit the bounds planted around x* and A x* (zero on
// about 30 % of the active constraints when `degenerate`, which also adds a dependent
// equality row: the sum of rows 0 and 1); the costs c = A'y* + z* make x* optimal.
PlantedLp optimal(Rng& rng, std::size_t m, std::size_t n, bool degenerate, std::vector<double>& x) {
    std::vector<double> a = randomMatrix(rng, m, n, 0.3), y(m), z(n);
    x.resize(n);
    for (double& v : x) v = uniform(rng, -3.0, 3.0);
    const std::vector<double> ax = product(m, a, x);
    PlantedLp p{model(m, n, a)};
    auto& lp = p.lp;
    const auto fewer = [&](double mult) { return degenerate && chance(rng, 0.3) ? 0.0 : mult; };
    for (std::size_t i = 0; i < m; ++i) {
        const Side s = plant(rng, rng() % 4, ax[i]);
        lp.rowLower[i] = s.lo, lp.rowUpper[i] = s.up, y[i] = fewer(s.mult);
    }
    for (std::size_t j = 0; j < n; ++j) {  // kind 4: a free column
        const unsigned kind = rng() % 5;
        const Side s = kind == 4 ? Side{-kInf, kInf, 0.0} : plant(rng, kind, x[j]);
        lp.colLower[j] = s.lo, lp.colUpper[j] = s.up, z[j] = fewer(s.mult);
    }
    const std::vector<double> aty = product(m, a, y, true);
    for (std::size_t j = 0; j < n; ++j)
        lp.objective[j] = aty[j] + z[j], p.objective += lp.objective[j] * x[j];
    if (degenerate && m >= 2) {
        for (std::size_t j = n; j-- > 0;)
            a.insert(a.begin() + (j + 1) * m, a[j * m] + a[1 + j * m]);
        lp.A = csc(m + 1, n, a);
        lp.rowLower.push_back(ax[0] + ax[1]);
        lp.rowUpper.push_back(ax[0] + ax[1]);
    }
    return p;
}

// y with g = A'y: each column is bounded on the side g pushes against (g'x <= sup) and
// each row on the side of y_i (y'A x >= y'v), and row 0 moves until y'v exceeds sup.
PlantedLp infeasible(Rng& rng, std::size_t m, std::size_t n) {
    const std::vector<double> a = randomMatrix(rng, m, n, 0.3);
    std::vector<double> y(m), v(m);
    for (auto& e : y) e = chance(rng, 0.2) ? 0.0 : uniform(rng, -2.0, 2.0);
    y[0] = y[0] == 0.0 ? 1.0 : y[0];
    PlantedLp p{model(m, n, a)};
    auto& lp = p.lp;
    const std::vector<double> g = product(m, a, y, true);
    double sup = 0.0, yv = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
        const double lo = uniform(rng, -3.0, 0.0), up = uniform(rng, 0.0, 3.0);
        const bool loose = chance(rng, 0.5);
        if (g[j] != 0.0) {
            lp.colLower[j] = g[j] < 0.0 || !loose ? lo : -kInf;
            lp.colUpper[j] = g[j] > 0.0 || !loose ? up : kInf;
        }
        sup += g[j] * (g[j] > 0.0 ? up : lo);
        lp.objective[j] = uniform(rng, -2.0, 2.0);
    }
    for (std::size_t i = 0; i < m; ++i) {
        v[i] = uniform(rng, -3.0, 3.0);
        yv += y[i] * v[i];
    }
    v[0] += (sup - yv + 0.5 + 0.1 * std::fabs(sup)) / y[0];
    for (std::size_t i = 0; i < m; ++i) {
        const double width = chance(rng, 0.5) ? kInf : 2.0;
        lp.rowLower[i] = y[i] > 0.0 ? v[i] : v[i] - (y[i] < 0.0 ? width : 1.0);
        lp.rowUpper[i] = y[i] < 0.0 ? v[i] : v[i] + (y[i] > 0.0 ? width : 1.0);
    }
    return p;
}

PlantedLp unbounded(Rng& rng, std::size_t m, std::size_t n) {
    std::vector<double> a = randomMatrix(rng, m, n, 0.3);
    std::vector<double> d(n, 0.0), x(n);
    std::vector<std::size_t> support;
    for (std::size_t j = 0; j < n; ++j) {
        if (j >= 2 && !chance(rng, 0.3)) continue;
        d[j] = uniform(rng, 0.5, 2.0) * (chance(rng, 0.5) ? 1.0 : -1.0);
        support.push_back(j);
    }
    for (std::size_t i = 0; i < m; ++i) {  // make row i orthogonal to d through one support column
        double s = 0.0;
        for (std::size_t j = 0; j < n; ++j) s += a[i + j * m] * d[j];
        const std::size_t k = support[rng() % support.size()];
        a[i + k * m] -= s / d[k];
    }
    PlantedLp p{model(m, n, a)};
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

// Q = B B' (dense, column-major), B with rankFraction n columns: dense, or each a sum of
// two unit vectors. Exactly symmetric, so csc() stores both triangles as Q is kept.
std::vector<double> hessian(Rng& r, std::size_t n, const PlantedOptions& o) {
    std::vector<double> q(n * n, 0.0);
    const auto rank = std::max<std::size_t>(1, static_cast<std::size_t>(o.rankFraction * n));
    for (std::size_t t = 0; t < rank; ++t) {
        std::vector<double> v(n, 0.0);
        if (o.sparseQ) {
            v[r() % n] = uniform(r, -2, 2), v[r() % n] += uniform(r, -2, 2);
        } else {
            for (double& e : v) e = uniform(r, -1, 1);
        }
        for (std::size_t k = 0; k < n * n; ++k) q[k] += v[k % n] * v[k / n];
    }
    return q;
}

// The verdict of the whole solve of `file` (the presolve may decide before the method).
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

}  // namespace

CscMatrix csc(std::size_t m, std::size_t n, const std::vector<double>& a) {
    CscMatrix A{m, n, {0}, {}, {}};
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i) {
            if (a[i + j * m] != 0.0) A.rowIndex.push_back(i), A.value.push_back(a[i + j * m]);
        }
        A.colStart.push_back(A.rowIndex.size());
    }
    return A;
}

PlantedLp plantedLp(std::uint32_t seed, const PlantedOptions& o) {
    Rng rng(seed);
    std::vector<double> x;
    const std::size_t m = 3 + rng() % 30, n = m + 2 + rng() % 40;
    PlantedLp p = o.kind == Planted::Optimal      ? optimal(rng, m, n, o.degenerate, x)
                  : o.kind == Planted::Infeasible ? infeasible(rng, m, n)
                                                  : unbounded(rng, m, n);
    if (o.magnitude > 0.0) {  // x* by 10^u and c by 10^v: the optimum grows by 10^(u+v)
        const double sx = std::pow(10.0, uniform(rng, 0.0, 0.5 * o.magnitude));
        const double sc = std::pow(10.0, uniform(rng, 0.0, 0.5 * o.magnitude));
        auto& lp = p.lp;
        for (auto* v : {&lp.colLower, &lp.colUpper, &lp.rowLower, &lp.rowUpper})
            for (auto& e : *v) e *= sx;
        for (auto& c : lp.objective) c *= sc;
        p.objective *= sx * sc;
    }
    if (o.rescale > 0.0) rescale(rng, p.lp, o.rescale);
    return p;
}

PlantedLp plantedQp(std::uint32_t seed, const PlantedOptions& o) {
    Rng r(seed);
    const std::size_t m = 1 + r() % 12, n = m + 3 + r() % 12;
    std::vector<double> x;
    PlantedLp out = optimal(r, m, n, false, x);
    lpsolve::LpModel& lp = out.lp;
    const std::vector<double> q = hessian(r, n, o);
    lp.Q = csc(n, n, q);
    const std::vector<double> qx = product(n, q, x);
    for (std::size_t j = 0; j < n; ++j)  // c = A'y + z - Q x; the optimum loses 1/2 x'Qx
        lp.objective[j] -= qx[j], out.objective -= 0.5 * qx[j] * x[j];
    return out;
}

void writeMps(const lpsolve::LpModel& lp, const std::string& path) {
    const auto packed = [](const CscMatrix& M) {
        std::vector<int> rows(M.rowIndex.begin(), M.rowIndex.end()), cols;
        for (std::size_t j = 0; j < M.cols; ++j) cols.resize(M.colStart[j + 1], int(j));
        CoinPackedMatrix P(true, rows.data(), cols.data(), M.value.data(), int(rows.size()));
        P.setDimensions(int(M.rows), int(M.cols));
        return P;
    };
    const auto coin = [](std::vector<double> v) {
        for (auto& e : v) e = std::isinf(e) ? std::copysign(COIN_DBL_MAX, e) : e;
        return v;
    };
    CoinMpsIO writer;
    writer.messageHandler()->setLogLevel(0);
    writer.setMpsData(packed(lp.A), COIN_DBL_MAX, coin(lp.colLower).data(),
                      coin(lp.colUpper).data(), lp.objective.data(), nullptr,
                      coin(lp.rowLower).data(), coin(lp.rowUpper).data(),
                      static_cast<char**>(nullptr), static_cast<char**>(nullptr));
    CoinPackedMatrix Q = packed(lp.Q);  // both triangles, as QUADOBJ may give them
    if (writer.writeMps(path.c_str(), 0, 1, 1, lp.Q.nnz() > 0 ? &Q : nullptr) != 0)
        throw std::runtime_error("cannot write " + path);
}

std::vector<double> cvxoptObjectives(const std::vector<const lpsolve::LpModel*>& models) {
    std::ostringstream s;
    s.precision(17);
    const auto triplets = [&s](const CscMatrix& M) {
        s << M.nnz() << '\n';
        for (std::size_t j = 0; j < M.cols; ++j)
            for (std::size_t k = M.colStart[j]; k < M.colStart[j + 1]; ++k)
                s << M.rowIndex[k] << ' ' << j << ' ' << M.value[k] << '\n';
    };
    s << models.size() << '\n';
    for (const lpsolve::LpModel* lp : models) {
        s << lp->numCols() << ' ' << lp->numRows() << ' ' << lp->objectiveConstant << '\n';
        for (auto* v : {&lp->objective, &lp->colLower, &lp->colUpper, &lp->rowLower, &lp->rowUpper})
            for (const double e : *v) s << e << ' ';
        triplets(lp->A), triplets(lp->Q);
    }
    const std::string input = tempPath("cvxopt_input.txt");
    writeFile(input, s.str());
    const ProgramRun run = runProgram("/usr/bin/python3", {LPSOLVE_CVXOPT_SCRIPT, input}, 3600);
    if (run.exitCode != 0) throw std::runtime_error("cvxopt script failed: " + run.err);
    std::vector<double> out;
    std::istringstream lines(run.out);
    for (std::string value, time; lines >> value >> time;)
        out.push_back(value == "nan" ? NAN : std::stod(value));
    std::remove(input.c_str());
    return out;
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
