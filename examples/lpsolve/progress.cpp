#include "examples/lpsolve/progress.hpp"

#include <cstdio>

namespace lpsolve {

void ProgressTable::row(const IterationInfo& info) {
    if (!enabled_) return;
    if (!headerDone_) {
        std::printf("%5s  %14s  %13s  %13s  %15s  %13s  %13s  %8s\n", "Iter", "Fval", "PrimalInf",
                    "DualInf", "Complement", "Barrier", "Step", "Corr");
        headerDone_ = true;
    }
    std::printf("%5zu  %14.6e  %13.6e  %13.6e  %15.6e  %13.6e  %13.6e  %8zu\n", info.iteration,
                info.objective, info.primalInfeasibility, info.dualInfeasibility,
                info.complementarity, info.barrier, info.stepLength, info.corrections);
}

void reportPresolve(const PresolveResult& p) {
    std::printf("\nPresolve removed %zu inequalities, %zu equalities, %zu variables and %ld nonzeros.\n",
                p.inequalitiesRemoved, p.equalitiesRemoved, p.columnsRemoved, p.nonzerosRemoved);
}

}  // namespace lpsolve
