#pragma once
// ScratchAwareLeakGuard: HostLeakGuard that allows host arrays which became new entries of the
// OPTMatrix scratch buffer (kept until the process ends). Host memory must be back where it was.
#include "solvutil/constraints/optmatrix.hpp"
#include "tests/support/host_guard.hpp"

/// Number of OPTMatrix scratch-buffer entries (0 before the buffer exists).
inline std::size_t scratchBufferEntries() {
    const OPTMatrixBuffer* buffer = OPTMatrix<double>::_getBufferAddress();
    return buffer == nullptr ? 0 : buffer->count;
}

class ScratchAwareLeakGuard : public HostLeakGuard {
public:
    ScratchAwareLeakGuard() : entries_(scratchBufferEntries()) {}
    ~ScratchAwareLeakGuard() { newArraysAllowed_ = scratchBufferEntries() - entries_; }

private:
    std::size_t entries_;
};
