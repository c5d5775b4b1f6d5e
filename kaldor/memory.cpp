// Host allocator with live-block accounting. Each block carries a 16-byte header that
// records its size, so the counters stay exact and blocks keep 16-byte alignment. A
// request whose size plus header does not fit in size_t fails like any other.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "kaldor/array_impl.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/kxmemory.hpp"

namespace {

constexpr std::size_t kHeader = 16;

std::atomic<std::size_t> g_liveBlocks{0};
std::atomic<std::size_t> g_liveBytes{0};
std::atomic<std::size_t> g_allocations{0};
std::atomic<long> g_failAfter{-1};

bool injectedFailure() {
    long left = g_failAfter.load();
    while (left >= 0) {
        if (g_failAfter.compare_exchange_weak(left, left - 1)) return left == 0;
    }
    return false;
}

void* allocate(std::size_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max() - kHeader) return nullptr;
    if (injectedFailure()) return nullptr;
    auto* raw = static_cast<unsigned char*>(std::malloc(bytes + kHeader));
    if (raw == nullptr) return nullptr;
    std::memcpy(raw, &bytes, sizeof bytes);
    g_liveBlocks.fetch_add(1);
    g_liveBytes.fetch_add(bytes);
    g_allocations.fetch_add(1);
    return raw + kHeader;
}

}  // namespace

void* kxMallocEx(std::size_t bytes) {
    return allocate(bytes);
}

void* kxMallocExCheck(std::size_t bytes) {
    void* p = allocate(bytes);
    if (p == nullptr) {
        kxErrMsgIdAndTxt("KALDOR:outOfMemory", "Out of memory: could not allocate %zu bytes.",
                         bytes);
    }
    return p;
}

void kxFreeEx(void* p) noexcept {
    if (p == nullptr) return;
    auto* raw = static_cast<unsigned char*>(p) - kHeader;
    std::size_t bytes = 0;
    std::memcpy(&bytes, raw, sizeof bytes);
    g_liveBlocks.fetch_sub(1);
    g_liveBytes.fetch_sub(bytes);
    std::free(raw);
}

namespace kaldor::detail {
bool allocationFails() {
    return injectedFailure();
}
}  // namespace kaldor::detail

namespace kaldor::testing {

AllocationStats allocationStats() {
    return {g_liveBlocks.load(), g_liveBytes.load(), g_allocations.load()};
}

void failAllocationAfter(long n) {
    g_failAfter.store(n < 0 ? -1 : n);
}

bool allocationFailurePending() {
    return g_failAfter.load() >= 0;
}

}  // namespace kaldor::testing
