// The host's Mersenne Twister against std::mt19937.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "solvutil/host/mt19937ar.hpp"

namespace {

// Compares g's 624 state words and position with std::mt19937's, as its operator<< writes them.
void expectStandardState(const mt19937ar& g, const std::mt19937& e) {
    std::stringstream text;
    text << e;
    std::vector<std::uint64_t> want;
    for (std::uint64_t w = 0; text >> w;) want.push_back(w);
    ASSERT_EQ(want.size(), 625u);
    for (std::size_t i = 0; i < 624; ++i) ASSERT_EQ(g.state[i], want[i]) << "word " << i;
    EXPECT_EQ(g.position, want[624]);
}

}  // namespace

TEST(Mt19937ar, SeedStateAndWordStreamMatchStdMt19937AcrossBlocks) {
    for (std::uint32_t seed : {0u, 1u, 42u, 5489u, 19650218u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        mt19937ar g(seed, true);
        std::mt19937 e(seed);
        expectStandardState(g, e);
        for (int k = 0; k < 3 * 624 + 5; ++k) ASSERT_EQ(g.nextWord(), e()) << "draw " << k;
        expectStandardState(g, e);
    }
    const mt19937ar unseeded(123u, false);
    for (std::uint32_t w : unseeded.state) ASSERT_EQ(w, 0u);
    EXPECT_EQ(unseeded.position, 624u);
}

TEST(Mt19937ar, UniformFillMatchesThe53BitReference) {
    // Called through a base pointer: the fill is virtual, as is the destructor.
    std::unique_ptr<mt19937ar> g = std::make_unique<mt19937ar>(2026u, true);
    std::mt19937 e(2026u);
    std::vector<double> x(100001, -1.0);
    g->fillUniform(x.size() - 1, x.data());
    EXPECT_EQ(x.back(), -1.0) << "wrote past count";
    for (std::size_t k = 0; k + 1 < x.size(); ++k) {
        const std::uint32_t a = e() >> 5, b = e() >> 6;  // the reference 53-bit double
        ASSERT_EQ(x[k], (a * 67108864.0 + b) / 9007199254740992.0) << "value " << k;
    }
    g->fillUniform(0, nullptr);  // nothing drawn, nothing written
    EXPECT_EQ(g->nextWord(), e());
}
