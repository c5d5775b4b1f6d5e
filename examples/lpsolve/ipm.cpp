#include "examples/lpsolve/ipm.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "examples/lpsolve/hessian.hpp"
#include "examples/lpsolve/hsd_method.hpp"
#include "examples/lpsolve/qp_ray.hpp"

namespace lpsolve {
namespace {

IpmResult noVariables(const StandardForm& sf, double tolerance) {
    IpmResult result;
    double bNorm = 0.0;
    for (const double v : sf.b) bNorm = std::max(bNorm, std::fabs(v));
    // Every row reads 0 = b_i, where b_i holds what the fixed columns left over.
    const bool feasible = bNorm <= tolerance;
    result.status = feasible ? IpmStatus::Optimal : IpmStatus::Infeasible;
    result.message =
        feasible ? "optimal solution found (no variables left)"
                 : "the problem is infeasible (a row without variables needs a nonzero value)";
    result.objective = sf.constant;
    result.y.assign(sf.rows(), 0.0);
    return result;
}

double largestCost(const StandardForm& sf, const std::vector<signed char>* skip) {
    double c = 0.0;
    for (std::size_t j = 0; j < sf.cols(); ++j) {
        if (skip == nullptr || (*skip)[j] == 0) c = std::max(c, std::fabs(sf.c[j]));
    }
    return c;
}

// The problem without the columns that sit on a bound: they move into b and the constant.
StandardForm withoutColumnsAtBounds(const StandardForm& sf, const IpmResult& r,
                                    std::vector<std::size_t>& kept) {
    StandardForm out;
    out.A.rows = sf.rows();
    out.A.colStart.push_back(0);
    out.b = sf.b;
    out.constant = sf.constant;
    for (std::size_t j = 0; j < sf.cols(); ++j) {
        const std::size_t begin = sf.A.colStart[j], end = sf.A.colStart[j + 1];
        if (r.atBound[j] != 0) {
            for (std::size_t k = begin; k < end; ++k)
                out.b[sf.A.rowIndex[k]] -= sf.A.value[k] * r.x[j];
            out.constant += sf.c[j] * r.x[j];
            continue;
        }
        kept.push_back(j);
        out.A.rowIndex.insert(out.A.rowIndex.end(), sf.A.rowIndex.begin() + begin,
                              sf.A.rowIndex.begin() + end);
        out.A.value.insert(out.A.value.end(), sf.A.value.begin() + begin, sf.A.value.begin() + end);
        out.A.colStart.push_back(out.A.rowIndex.size());
        out.c.push_back(sf.c[j]);
        out.lower.push_back(sf.lower[j]);
        out.upper.push_back(sf.upper[j]);
    }
    out.A.cols = kept.size();
    return out;
}

// The scaled gap test resolves costs only down to tol times the largest one. When the
// columns left between their bounds carry only such costs (say 1 next to 1e308), they
// are solved again on their own, with the settled columns fixed, at their own scale.
void resolveSmallCosts(const StandardForm& sf, const IpmOptions& options, const IpmParameters& par,
                       IpmResult& result) {
    if (result.atBound.empty() || hasEntries(sf.Q)) return;  // a QP's columns interact
    const double all = largestCost(sf, nullptr), rest = largestCost(sf, &result.atBound);
    if (!(rest < options.tolerance * all)) return;
    std::vector<std::size_t> kept;
    const StandardForm reduced = withoutColumnsAtBounds(sf, result, kept);
    if (reduced.cols() == 0) return;
    const IpmResult again = HomogeneousIpm(reduced, par, options.linearAlgebra).run(nullptr);
    result.iterations += again.iterations;
    if (again.status != IpmStatus::Optimal) return;  // the first answer stands
    for (std::size_t k = 0; k < kept.size(); ++k) result.x[kept[k]] = again.x[k];
    result.y = again.y;
    result.objective = again.objective;
}

}  // namespace

IpmResult solveIpm(const StandardForm& sf, const IpmOptions& options,
                   const IterationCallback& onIteration) {
    requireFiniteData(sf, "the problem");
    if (sf.cols() == 0) return noVariables(sf, options.tolerance);
    IpmParameters par;
    par.tolerance = options.tolerance;
    par.maxIterations = options.maxIterations;
    IpmResult result = HomogeneousIpm(sf, par, options.linearAlgebra).run(onIteration);
    if (result.status == IpmStatus::Optimal) resolveSmallCosts(sf, options, par, result);
    const bool stuck =
        result.status == IpmStatus::IterationLimit || result.status == IpmStatus::NumericalFailure;
    if (stuck && hasEntries(sf.Q)) {  // a QP whose iterates went after a ray they never reach
        const double tol = std::max(options.tolerance, par.certificateTolerance);
        if (auto ray = findQpRay(sf, options, tol)) {
            result.status = IpmStatus::Unbounded;
            result.x = std::move(*ray);
            result.message =
                "the objective decreases without bound along a ray (checked on the original "
                "data)";
        }
    }
    if (result.status != IpmStatus::Unbounded) return result;
    // A ray proves unboundedness only from a feasible point: find one (zero costs).
    StandardForm feasibility = sf;
    std::fill(feasibility.c.begin(), feasibility.c.end(), 0.0);
    feasibility.Q = CscMatrix{};
    const IpmResult phase = HomogeneousIpm(feasibility, par, options.linearAlgebra).run(nullptr);
    result.iterations += phase.iterations;
    result.refactorizations += phase.refactorizations;
    result.rankDeficientFactors += phase.rankDeficientFactors;
    if (phase.status == IpmStatus::Optimal) {
        result.message = "the problem is unbounded (" + result.message + " from a feasible point)";
        return result;
    }
    IpmResult out = phase;
    out.iterations = result.iterations;
    out.objective = result.objective;
    if (phase.status == IpmStatus::Infeasible) {
        out.message =
            "the problem is infeasible (no feasible point; its objective also has a ray of "
            "decrease)";
    }
    return out;
}

}  // namespace lpsolve
