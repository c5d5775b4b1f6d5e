#pragma once
// Host random-number generator: the 32-bit Mersenne Twister MT19937.
//
// The state is public because the library's state save and restore copy the 624 words
// and the position directly.
#include <cstddef>
#include <cstdint>

#include "solvutil/host/host_api.hpp"

class KALDOR_API mt19937ar {
public:
    static constexpr std::size_t kStateWords = 624;

    /// `seedNow` true: seeds the state from `seed` the way the reference generator's
    /// init_genrand does (so the words equal std::mt19937's after seeding) and sets the
    /// position to 624. `seedNow` false: the state is left all zero with position 624 and
    /// `seed` is ignored; the caller must install a state before drawing numbers.
    mt19937ar(std::uint32_t seed, bool seedNow);
    virtual ~mt19937ar();
    mt19937ar(const mt19937ar&) = default;
    mt19937ar& operator=(const mt19937ar&) = default;

    /// Fills `destination[0 .. count-1]` with doubles uniform in [0, 1), each built from
    /// two 32-bit outputs with 53-bit resolution (genrand_res53).
    virtual void fillUniform(std::size_t count, double* destination);

    /// Next 32-bit output (tempered); regenerates the block when the position is 624.
    std::uint32_t nextWord();

    std::uint32_t state[kStateWords];  ///< the 624 state words, in generator order
    std::uint32_t position;            ///< index of the next word to use, 0 to 624
};
