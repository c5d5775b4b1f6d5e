#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "solvutil/host/mt19937ar.hpp"

namespace {

const std::uint32_t kSeeds[] = {0u, 1u, 42u, 5489u, 19650218u, 0xFFFFFFFFu};

/// std::mt19937's 624 state words followed by its position, as its operator<< writes them.
std::vector<std::uint64_t> standardState(const std::mt19937& e) {
    std::stringstream text;
    text << e;
    std::vector<std::uint64_t> words;
    std::uint64_t w = 0;
    while (text >> w) words.push_back(w);
    return words;
}

/// The 53-bit double of the reference generator, from two std::mt19937 outputs.
double standardRes53(std::mt19937& e) {
    const std::uint32_t a = e() >> 5;
    const std::uint32_t b = e() >> 6;
    return (a * 67108864.0 + b) / 9007199254740992.0;
}

}  // namespace

TEST(Mt19937ar, SeedingGivesTheStandardStateWords) {
    for (std::uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        const mt19937ar g(seed, true);
        const std::vector<std::uint64_t> want = standardState(std::mt19937(seed));
        ASSERT_EQ(want.size(), 625u);
        for (std::size_t i = 0; i < 624; ++i) ASSERT_EQ(g.state[i], want[i]) << "word " << i;
        EXPECT_EQ(g.position, want[624]);
    }
}

TEST(Mt19937ar, WordStreamMatchesStdMt19937AcrossBlocks) {
    for (std::uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        mt19937ar g(seed, true);
        std::mt19937 e(seed);
        for (int k = 0; k < 3 * 624 + 5; ++k) ASSERT_EQ(g.nextWord(), e()) << "draw " << k;
        // The state after several regenerations is still the standard one.
        const std::vector<std::uint64_t> want = standardState(e);
        for (std::size_t i = 0; i < 624; ++i) ASSERT_EQ(g.state[i], want[i]);
        EXPECT_EQ(g.position, want[624]);
    }
}

TEST(Mt19937ar, UniformFillHas53BitResolutionInUnitInterval) {
    // Called through a base pointer: the fill is virtual, as is the destructor.
    std::unique_ptr<mt19937ar> g = std::make_unique<mt19937ar>(2026u, true);
    std::mt19937 e(2026u);
    std::vector<double> x(100001, -1.0);
    g->fillUniform(x.size() - 1, x.data());
    EXPECT_EQ(x.back(), -1.0) << "wrote past count";
    double sum = 0.0;
    for (std::size_t k = 0; k + 1 < x.size(); ++k) {
        ASSERT_EQ(x[k], standardRes53(e)) << "value " << k;
        ASSERT_GE(x[k], 0.0);
        ASSERT_LT(x[k], 1.0);
        const double scaled = std::ldexp(x[k], 53);
        ASSERT_EQ(scaled, std::floor(scaled)) << "not a multiple of 2^-53";
        sum += x[k];
    }
    EXPECT_NEAR(sum / 100000.0, 0.5, 0.01);
    g->fillUniform(0, nullptr);  // nothing drawn, nothing written
    EXPECT_EQ(g->nextWord(), e());
}

TEST(Mt19937ar, UnseededGeneratorWaitsForAState) {
    const mt19937ar g(123u, false);
    for (std::uint32_t w : g.state) ASSERT_EQ(w, 0u);
    EXPECT_EQ(g.position, 624u);
}
