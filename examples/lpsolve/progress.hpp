#pragma once
// The per-iteration progress table.
#include "examples/lpsolve/ipm.hpp"

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

}  // namespace lpsolve
