#pragma once
// The per-iteration progress table.
#include "examples/lpsolve/ipm.hpp"
#include "examples/lpsolve/presolve.hpp"

namespace lpsolve {

class ProgressTable {
public:
    explicit ProgressTable(bool enabled) : enabled_(enabled) {}
    /// Prints one row; the header goes before the first one.
    void row(const IterationInfo& info);

private:
    bool enabled_;
    bool headerDone_ = false;
};

/// One summary line of what the presolve removed.
void reportPresolve(const PresolveResult& p);

}  // namespace lpsolve
