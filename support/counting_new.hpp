#pragma once
// Replaces the global operator new/delete of the program that includes this header (in
// exactly one translation unit) with versions that count allocations, so a test or a
// benchmark can show that a code path allocates nothing. Read the count with
// countedAllocations().
#include <atomic>
#include <cstdlib>
#include <new>

namespace counting_new {
inline std::atomic<std::size_t> allocations{0};
}  // namespace counting_new

inline std::size_t countedAllocations() {
    return counting_new::allocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t n) {
    counting_new::allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
// Out of line so that the compiler does not pair an inlined delete with malloc's free.
[[gnu::noinline]] static void releaseCountedBlock(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p) noexcept {
    releaseCountedBlock(p);
}
void operator delete(void* p, std::size_t) noexcept {
    releaseCountedBlock(p);
}
