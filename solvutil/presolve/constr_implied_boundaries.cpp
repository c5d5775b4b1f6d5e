// Row-activity bounds implied by variable bounds, in one pass over A's storage.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "solvutil/host/kxmemory.hpp"
#include "solvutil/presolve/presolve.hpp"

namespace presolve {

namespace {

struct HostFree {
    void operator()(void* p) const noexcept { kxFreeEx(p); }
};

// A row's running sums (low, high) as one two-lane vector, so that an entry costs one
// load and one store of 16 bytes instead of two scattered updates. Each lane is plain
// IEEE double arithmetic: the results equal the scalar formulas bit for bit.
// aligned(8): the host allocator promises no more than double alignment.
using Pair = double __attribute__((vector_size(16), aligned(8)));
using PairMask = std::int64_t __attribute__((vector_size(16), aligned(8)));

// Rows arrive in random order, so the sums of a row are rarely in cache; asking for
// them this many entries ahead overlaps the misses.
constexpr std::size_t kPrefetchAhead = 32;

}  // namespace

void constrImpliedBoundaries(int /*nOutputs*/, kxarray::kxArrayPtr* outputs, int /*nInputs*/,
                             kxArray const** inputs) {
    const kxArray* A = inputs[0];
    const std::size_t m = kxGetM(A);
    const std::size_t n = kxGetN(A);
    const double* values = kxRealData(A);
    const std::size_t* rows = kxRowIndices(A);
    const std::size_t* starts = kxColumnStarts(A);
    const double* lb = kxRealData(inputs[1]);
    const double* ub = kxRealData(inputs[2]);

    outputs[0] = kxarray::do_create_numeric({m, 1}, kxDOUBLE_CLASS, kxREAL);
    outputs[1] = kxarray::do_create_numeric({m, 1}, kxDOUBLE_CLASS, kxREAL);
    if (m == 0 || starts[n] == 0) return;

    // The sums are accumulated in (low, high) pairs in host scratch and copied out at the
    // end: with rows scattered at random, two separate columns would cost two cache
    // misses per entry instead of one. The order of the additions is unchanged.
    const std::unique_ptr<void, HostFree> scratch(kxMallocExCheck(m * sizeof(Pair)));
    Pair* sums = static_cast<Pair*>(scratch.get());
    for (std::size_t i = 0; i < m; ++i) sums[i] = Pair{0.0, 0.0};

    const std::size_t nnz = starts[n];
    const Pair zero = {0.0, 0.0};
    for (std::size_t j = 0; j < n; ++j) {
        // A positive coefficient multiplies (lb, ub); every other value (zero, negative
        // zero, negative, NaN: `a > 0` is false) multiplies the mirror (ub, lb). The
        // choice is a bit mask, not a branch: signs in A are unpredictable.
        const PairMask mirror = (PairMask)(Pair{ub[j], lb[j]});
        const PairMask flip = mirror ^ (PairMask)(Pair{lb[j], ub[j]});
        const std::size_t end = starts[j + 1];
        for (std::size_t k = starts[j]; k < end; ++k) {
            if (k + kPrefetchAhead < nnz) __builtin_prefetch(&sums[rows[k + kPrefetchAhead]], 1);
            const Pair a = {values[k], values[k]};
            const PairMask positive = a > zero;
            const Pair bound = (Pair)(mirror ^ (positive & flip));
            // Rounded product, then rounded sum: this file is built with -ffp-contract=off.
            const Pair product = a * bound;
            sums[rows[k]] += product;
        }
    }

    double* low = kxRealData(outputs[0].get());
    double* high = kxRealData(outputs[1].get());
    for (std::size_t i = 0; i < m; ++i) {
        low[i] = sums[i][0];
        high[i] = sums[i][1];
    }
}

}  // namespace presolve
