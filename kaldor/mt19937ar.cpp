// MT19937 of the stand-in host, as in Matsumoto and Nishimura's reference mt19937ar.c.
#include "solvutil/host/mt19937ar.hpp"

#include <algorithm>

namespace {

constexpr std::size_t kN = mt19937ar::kStateWords;
constexpr std::size_t kM = 397;
constexpr std::uint32_t kMatrixA = 0x9908b0dfU;
constexpr std::uint32_t kUpperMask = 0x80000000U;
constexpr std::uint32_t kLowerMask = 0x7fffffffU;

std::uint32_t twistWord(std::uint32_t current, std::uint32_t next, std::uint32_t far) {
    const std::uint32_t y = (current & kUpperMask) | (next & kLowerMask);
    return far ^ (y >> 1) ^ ((y & 1U) != 0 ? kMatrixA : 0U);
}

}  // namespace

mt19937ar::mt19937ar(std::uint32_t seed, bool seedNow) : state{}, position(kN) {
    if (!seedNow) return;
    state[0] = seed;
    for (std::size_t i = 1; i < kN; ++i) {
        const std::uint32_t prev = state[i - 1];
        state[i] = 1812433253U * (prev ^ (prev >> 30)) + static_cast<std::uint32_t>(i);
    }
}

mt19937ar::~mt19937ar() = default;

std::uint32_t mt19937ar::nextWord() {
    if (position >= kN) {
        for (std::size_t k = 0; k < kN; ++k) {
            state[k] = twistWord(state[k], state[(k + 1) % kN], state[(k + kM) % kN]);
        }
        position = 0;
    }
    std::uint32_t y = state[position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680U;
    y ^= (y << 15) & 0xefc60000U;
    y ^= y >> 18;
    return y;
}

void mt19937ar::fillUniform(std::size_t count, double* destination) {
    // 27 + 26 bits: every double is a multiple of 2^-53 below 1, so 1.0 never occurs.
    for (std::size_t k = 0; k < count; ++k) {
        const double a = static_cast<double>(nextWord() >> 5);
        const double b = static_cast<double>(nextWord() >> 6);
        destination[k] = (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
    }
}
