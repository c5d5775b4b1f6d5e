#include <cmath>
#include <random>
#include <sstream>
#include <stdexcept>

#include "examples/lpsolve/hessian.hpp"
#include "tests/examples/lpsolve/planted.hpp"

namespace lpsolve_test {
namespace {

using lpsolve::CscMatrix;
using lpsolve::kInf;
using Rng = std::mt19937;

double uniform(Rng& r, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(r);
}

// Dense column-major n x n to a full symmetric CscMatrix (exact zeros dropped).
CscMatrix fromDense(const std::vector<double>& q, std::size_t n) {
    std::vector<std::size_t> rows, cols;
    std::vector<double> values;
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = j; i < n; ++i) {
            if (q[i + j * n] != 0.0)
                rows.push_back(i), cols.push_back(j), values.push_back(q[i + j * n]);
        }
    }
    CscMatrix Q;
    lpsolve::symmetricFromTriplets(n, rows, cols, values, Q);
    return Q;
}

std::vector<double> hessian(Rng& r, std::size_t n, const PlantedOptions& o) {
    std::vector<double> q(n * n, 0.0);
    const auto addOuter = [&](const std::vector<double>& v) {
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t i = 0; i < n; ++i) q[i + j * n] += v[i] * v[j];
    };
    const auto rank = std::max<std::size_t>(1, static_cast<std::size_t>(o.rankFraction * n));
    for (std::size_t t = 0; t < rank; ++t) {
        std::vector<double> v(n, 0.0);
        if (o.sparseQ) {
            v[r() % n] = uniform(r, -2, 2), v[r() % n] += uniform(r, -2, 2);
        } else {
            for (double& e : v) e = uniform(r, -1, 1);
        }
        addOuter(v);
    }
    return q;
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

}  // namespace

PlantedLp plantedQp(std::uint32_t seed, const PlantedOptions& o) {
    Rng r(seed);
    const std::size_t n = 4 + r() % 21, m = 1 + r() % (n - 1);
    PlantedLp out;
    out.kind = o.kind;
    lpsolve::LpModel& lp = out.lp;
    std::vector<double> x(n), y(m), z(n, 0.0), ax(m, 0.0);
    for (double& v : x) v = uniform(r, -3, 3);
    lp.A.rows = m, lp.A.cols = n, lp.A.colStart = {0};
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < m; ++i) {
            if (r() % 2 != 0 && i != j % m) continue;  // each row gets at least one entry
            lp.A.rowIndex.push_back(i), lp.A.value.push_back(uniform(r, -2, 2));
            ax[i] += lp.A.value.back() * x[j];
        }
        lp.A.colStart.push_back(lp.A.rowIndex.size());
    }
    for (std::size_t i = 0; i < m; ++i) {
        const Side side = plant(r, r() % 4, ax[i]);
        lp.rowLower.push_back(side.lo), lp.rowUpper.push_back(side.up), y[i] = side.mult;
    }
    for (std::size_t j = 0; j < n; ++j) {  // kind 4: a free column
        const unsigned kind = r() % 5;
        const Side side = kind == 4 ? Side{-kInf, kInf, 0.0} : plant(r, kind, x[j]);
        lp.colLower.push_back(side.lo), lp.colUpper.push_back(side.up), z[j] = side.mult;
    }
    const std::vector<double> q = hessian(r, n, o);
    lp.Q = fromDense(q, n);
    std::vector<double> qx(n);
    lpsolve::hessianProduct(lp.Q, x, qx);
    lp.objective.assign(n, 0.0);
    for (std::size_t j = 0; j < n; ++j) {  // c = A'y + z - Q x
        lp.objective[j] = z[j] - qx[j];
        for (std::size_t k = lp.A.colStart[j]; k < lp.A.colStart[j + 1]; ++k)
            lp.objective[j] += lp.A.value[k] * y[lp.A.rowIndex[k]];
        out.objective += lp.objective[j] * x[j] + 0.5 * qx[j] * x[j];
    }
    if (o.kind == Planted::Optimal) return out;
    std::vector<double> full(q);
    std::size_t N = n;
    if (o.kind == Planted::Unbounded) {  // columns p = n, q = n + 1 along the ray e_p + e_q
        N = n + 2;
        full.assign(N * N, 0.0);
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t i = 0; i < n; ++i) full[i + j * N] = q[i + j * n];
        full[n + n * N] = full[n + 1 + (n + 1) * N] = 1.0;
        full[n + 1 + n * N] = full[n + (n + 1) * N] = -1.0;
        for (int sign : {1, -1}) {
            for (std::size_t i = 0; i < m; ++i)
                lp.A.rowIndex.push_back(i),
                    lp.A.value.push_back(sign * (1.0 + static_cast<double>(i)));
            lp.A.colStart.push_back(lp.A.rowIndex.size());
            lp.colLower.push_back(0.0), lp.colUpper.push_back(kInf);
        }
        lp.A.cols = N;
        lp.objective.push_back(-1.0), lp.objective.push_back(uniform(r, -1, 0.9));
    } else {
        std::size_t i = r() % (n - 1);  // two columns that are not fixed (else Q drops out)
        const auto fixed = [&lp](std::size_t j) { return lp.colLower[j] == lp.colUpper[j]; };
        for (std::size_t k = 0; k < n && (fixed(i) || fixed(i + 1)); ++k) i = (i + 1) % (n - 1);
        if (r() % 2) {
            full[i + i * n] = -1.0;
        } else {
            full[i + i * n] = full[i + 1 + (i + 1) * n] = 1.0;
            full[i + 1 + i * n] = full[i + (i + 1) * n] = 2.0;
            for (std::size_t j = 0; j < n; ++j) {  // keep the block apart from the rest
                if (j != i && j != i + 1) {
                    for (std::size_t k : {i, i + 1}) full[k + j * n] = full[j + k * n] = 0.0;
                }
            }
        }
    }
    lp.Q = fromDense(full, N);
    return out;
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
    const auto list = [&s](const std::vector<double>& v) {
        for (const double e : v) s << e << ' ';
        s << '\n';
    };
    s << models.size() << '\n';
    for (const lpsolve::LpModel* lp : models) {
        s << lp->numCols() << ' ' << lp->numRows() << ' ' << lp->objectiveConstant << '\n';
        list(lp->objective), list(lp->colLower), list(lp->colUpper);
        list(lp->rowLower), list(lp->rowUpper);
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

}  // namespace lpsolve_test
