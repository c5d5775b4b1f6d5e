#include "examples/lpsolve/progress.hpp"

#include "solvutil/display/iterative_display.hpp"
#include "solvutil/display/preprocessor_display.hpp"
#include "solvutil/host/hostio.hpp"

namespace lpsolve {

void ProgressTable::row(const IterationInfo& info) {
    if (!enabled_) return;
    // The PredictorCorrector layout: Iter, Fval, PrimalInfeas, DualInfeas,
    // Complementarity, BarrierParam, StepLength, NumCorr. Flushed so that a long solve
    // shows its progress as it goes.
    printIterativeDisplay(SolverName::PredictorCorrector, !headerDone_, true, 8UL,
                          static_cast<unsigned long>(info.iteration), info.objective,
                          info.primalInfeasibility, info.dualInfeasibility, info.complementarity,
                          info.barrier, info.stepLength,
                          static_cast<unsigned long>(info.corrections));
    headerDone_ = true;
}

void reportPresolve(const PresolveResult& p) {
    // "LP preprocessing removed <inequalities>, <equalities>, <variables> and <nonzeros>".
    printPreprocessorDisplay(SolverName::PredictorCorrector, p.inequalitiesRemoved,
                             p.equalitiesRemoved, p.columnsRemoved, p.nonzerosRemoved);
    ioFlush();
}

}  // namespace lpsolve
