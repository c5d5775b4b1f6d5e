// Generator entry points: the host's mt19937ar behind an opaque handle, and the copy-out
// and copy-in of its state as a fixed 2500-byte record.
#include <algorithm>
#include <iterator>
#include <new>

#include "solvutil/capi/plain_exports.hpp"
#include "solvutil/host/mt19937ar.hpp"

static_assert(sizeof(RngState::state) == sizeof(mt19937ar::state),
              "the record holds exactly the generator's state words");

namespace {
mt19937ar* generator(void* rng) {
    return static_cast<mt19937ar*>(rng);
}
}  // namespace

extern "C" {

void* instantiateRngSolv(std::uint32_t seed) {
    // new releases the storage itself if the constructor throws.
    return new mt19937ar(seed, true);
}

RngState* getRngStateSolv(void* rng) {
    const mt19937ar* g = generator(rng);
    auto* record = new RngState;
    std::copy(std::begin(g->state), std::end(g->state), std::begin(record->state));
    record->position = g->position;
    return record;
}

void setRngStateSolv(void* rng, const RngState* record) {
    const bool allZero = std::all_of(std::begin(record->state), std::end(record->state),
                                     [](std::uint32_t w) { return w == 0; });
    if (allZero) return;  // an all-zero state would make MT19937 emit zeros forever
    if (record->position > mt19937ar::kStateWords) return;
    mt19937ar* g = generator(rng);
    std::copy(std::begin(record->state), std::end(record->state), std::begin(g->state));
    g->position = record->position;
}

void deleteRngStateSolv(RngState* record) {
    delete record;
}

void deleteRngSolv(void* rng) {
    delete generator(rng);
}

void getRandUniformSolv(void* rng, std::size_t count, double** destination) {
    generator(rng)->fillUniform(count, *destination);
}

}  // extern "C"
