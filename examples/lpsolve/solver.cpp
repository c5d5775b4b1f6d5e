#include "examples/lpsolve/solver.hpp"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "examples/lpsolve/constraint_model.hpp"
#include "examples/lpsolve/hessian.hpp"
#include "examples/lpsolve/kkt_solver.hpp"
#include "examples/lpsolve/mps_reader.hpp"
#include "examples/lpsolve/presolve.hpp"
#include "examples/lpsolve/progress.hpp"
#include "examples/lpsolve/standard_form.hpp"
#include "solvutil/host/hostio.hpp"

namespace lpsolve {
namespace {

// The process's peak resident set so far, in MB (ru_maxrss is in kilobytes on Linux).
double peakMemoryMB() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0.0;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

SolveOutcome solveFile(const Options& options) {
    const auto start = std::chrono::steady_clock::now();
    const LpModel lp = readMps(options.file, options.quiet);
    SolveOutcome out;
    out.problem = lp.name.empty() ? options.file : lp.name;
    if (!options.quiet && lp.integerColumns > 0) {
        hostPrintf("note: %zu integer columns are relaxed to continuous\n", lp.integerColumns);
    }
    PresolveResult pre;
    if (options.presolve) {
        pre = presolve(lp);
        if (!options.quiet) reportPresolve(pre);
    } else {
        pre.reduced = lp;
        pre.removedValue.assign(lp.numCols(), 0.0);
        for (std::size_t j = 0; j < lp.numCols(); ++j) pre.keptColumns.push_back(j);
        for (std::size_t i = 0; i < lp.numRows(); ++i) pre.keptRows.push_back(i);
    }
    const StandardForm sf = toStandardForm(pre.reduced);
    requireConvex(sf.Q, sf.cols());
    const CscMatrix hessianLower = strictLower(sf.Q, sf.cols());
    IpmOptions ipmOptions;
    ipmOptions.tolerance = options.tolerance;
    ipmOptions.maxIterations = options.maxIterations;
    ipmOptions.linearAlgebra = options.linearAlgebra;
    if (ipmOptions.linearAlgebra == LinearAlgebra::Automatic) {
        ipmOptions.linearAlgebra = automaticChoice(KktSystem{&sf.A, &hessianLower});
    }
    ProgressTable table(!options.quiet);
    const auto progress = [&](const IterationInfo& info) { table.row(info); };
    IpmResult r;
    try {
        r = solveIpm(sf, ipmOptions, progress);
    } catch (const LpError& e) {
        if (e.code() != ExitCode::NumericalFailure ||
            options.linearAlgebra != LinearAlgebra::Automatic ||
            ipmOptions.linearAlgebra != LinearAlgebra::Normal) {
            throw;
        }
        r.status = IpmStatus::NumericalFailure, r.message = e.what();
    }
    // The normal equations lose accuracy on some ill-conditioned problems where the
    // augmented system does not: when the automatic choice took them and they stalled or
    // failed, the augmented system solves the problem again.
    if (options.linearAlgebra == LinearAlgebra::Automatic &&
        ipmOptions.linearAlgebra == LinearAlgebra::Normal &&
        (r.status == IpmStatus::IterationLimit || r.status == IpmStatus::NumericalFailure)) {
        if (!options.quiet) {
            hostPrintf(
                "note: the normal equations stopped (%s); solving again with the "
                "augmented system\n",
                r.message.c_str());
        }
        ipmOptions.linearAlgebra = LinearAlgebra::Sparse;
        r = solveIpm(sf, ipmOptions, progress);
    }
    out.linearAlgebra = r.linearAlgebra;
    out.status = r.status;
    out.iterations = r.iterations;  // of the run that gave the answer
    out.message = r.message;
    if (pre.unboundedColumn != PresolveResult::kNone && r.status == IpmStatus::Optimal) {
        out.status = IpmStatus::Unbounded;
        out.message = "the problem is unbounded (column " + std::to_string(pre.unboundedColumn) +
                      " appears in no row and its cost decreases without bound)";
    }
    out.refactorizations = r.refactorizations;
    out.rankDeficientFactors = r.rankDeficientFactors;
    out.x = restoreColumns(pre, modelColumns(sf, r.x));
    out.objective = lp.maximize ? -r.objective : r.objective;  // in the file's sense
    out.quadratic = hasEntries(lp.Q);
    if (out.quadratic) {
        const double half = 0.5 * quadraticForm(lp.Q, out.x);
        out.quadraticPart = lp.maximize ? -half : half;
    }
    ConstraintModel constraints(lp);
    out.maxViolation = constraints.maxViolation(out.x);
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return out;
}

ExitCode runSolver(const Options& options) {
    SolveOutcome out;
    try {
        out = solveFile(options);
    } catch (const LpError& e) {
        if (e.code() == ExitCode::BadInput) throw;  // the reader's messages name the file
        throw LpError(e.code(), options.file + ": " + e.what());
    }
    switch (out.status) {
        case IpmStatus::Optimal:
            hostPrintf("\nStatus:        optimal\n");
            hostPrintf("Objective:     %.10g\n", out.objective);
            if (out.quadratic)
                hostPrintf("Quadratic:     %.10g (1/2 x'Qx, included)\n", out.quadraticPart);
            hostPrintf("Iterations:    %zu\n", out.iterations);
            hostPrintf("Max violation: %.3e\n", out.maxViolation);
            hostPrintf("Time:          %.3f s (%s linear algebra)\n", out.seconds,
                       out.linearAlgebra.c_str());
            hostPrintf("Peak memory:   %.1f MB\n", peakMemoryMB());
            if (out.refactorizations + out.rankDeficientFactors > 0) {
                hostPrintf(
                    "KKT:           %zu refactorizations with more regularization, %zu for the "
                    "rank\n",
                    out.refactorizations, out.rankDeficientFactors);
            }
            ioFlush();
            return ExitCode::Optimal;
        case IpmStatus::Infeasible:
            std::fprintf(stderr, "lpsolve: %s: %s after %zu iterations\n", out.problem.c_str(),
                         out.message.c_str(), out.iterations);
            return ExitCode::Infeasible;
        case IpmStatus::Unbounded:
            std::fprintf(stderr, "lpsolve: %s: %s after %zu iterations\n", out.problem.c_str(),
                         out.message.c_str(), out.iterations);
            return ExitCode::Unbounded;
        case IpmStatus::IterationLimit:
            std::fprintf(stderr, "lpsolve: %s: no solution: %s (%zu iterations)\n",
                         out.problem.c_str(), out.message.c_str(), out.iterations);
            return ExitCode::IterationLimit;
        case IpmStatus::NumericalFailure:
            break;
    }
    std::fprintf(stderr, "lpsolve: %s: no solution: %s\n", out.problem.c_str(),
                 out.message.c_str());
    return ExitCode::NumericalFailure;
}

}  // namespace lpsolve
