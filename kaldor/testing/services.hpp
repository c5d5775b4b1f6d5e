#pragma once
// Stand-in-only services for tests, benchmarks and examples: allocation and array
// counters, console capture, allocation-failure injection and sparse array creation.
// Nothing in libsolvutil uses this header.
#include <cstddef>
#include <string>

#include "solvutil/host/host_api.hpp"
#include "solvutil/host/kxarray.hpp"

namespace kaldor::testing {

struct AllocationStats {
    std::size_t liveBlocks = 0;   ///< blocks from kxMallocEx/kxMallocExCheck not yet freed
    std::size_t liveBytes = 0;    ///< bytes in those blocks
    std::size_t allocations = 0;  ///< blocks handed out since the process started
};

KALDOR_API AllocationStats allocationStats();

/// Makes the allocation after the next `n` successful ones fail (kxMallocExCheck raises
/// "KALDOR:outOfMemory", kxMallocEx returns null); a negative n switches injection off.
KALDOR_API void failAllocationAfter(long n);

/// True while an injected failure set by failAllocationAfter has not happened yet. Each
/// kxMallocEx/kxMallocExCheck block and each storage vector of a host array created by
/// kxCreateNumericMatrix, kxDuplicateArray or createSparseArray is one allocation point.
KALDOR_API bool allocationFailurePending();

struct ArrayStats {
    std::size_t live = 0;     ///< host arrays in existence
    std::size_t created = 0;  ///< host arrays created since the process started
};

KALDOR_API ArrayStats arrayStats();

/// New m-by-n compressed-column sparse array with room for `nzmax` stored entries; its
/// column starts are all 0 (no entries). Fill kxRowIndices/kxRealData/kxColumnStarts.
KALDOR_API kxArray* createSparseArray(std::size_t m, std::size_t n, std::size_t nzmax);

/// Number of ioFlush() calls since the process started.
KALDOR_API std::size_t flushCount();

/// Writes `n` UTF-8 bytes straight to the console sink (the active capture or standard
/// output), as the host's own printing would: a peer for console benchmarks.
KALDOR_API void writeConsoleBytes(const char* bytes, std::size_t n);

/// While alive, everything written to the host console (hostPrintf and UTF-16 streams,
/// as UTF-8) is collected here instead of reaching standard output. Captures nest.
class KALDOR_API ConsoleCapture {
public:
    ConsoleCapture();
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    std::string text() const;
    void clear();

private:
    std::string* previous_;
    std::string* own_;
};

}  // namespace kaldor::testing
