#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <vector>

#include "solvutil/host/plain_exports.hpp"

namespace {

struct RngDeleter { void operator()(void* rng) const { deleteRngSolv(rng); } };
struct StateDeleter { void operator()(RngState* s) const { deleteRngStateSolv(s); } };
using Rng = std::unique_ptr<void, RngDeleter>;
using State = std::unique_ptr<RngState, StateDeleter>;

std::vector<double> draw(void* rng, std::size_t count) {
    std::vector<double> x(count);
    double* destination = x.data();
    getRandUniformSolv(rng, count, &destination);
    return x;
}

bool sameRecord(const RngState& a, const RngState& b) { return std::memcmp(&a, &b, sizeof(RngState)) == 0; }

}  // namespace

// State and draws against std::mt19937: 624 words, then two words per double in [0, 1).
TEST(RngExports, NewGeneratorHoldsTheStandardSeededState) {
    for (std::uint32_t seed : {0u, 7u, 5489u, 4000000000u}) {
        Rng rng(instantiateRngSolv(seed));
        State saved(getRngStateSolv(rng.get()));
        std::stringstream text;
        text << std::mt19937(seed);
        for (std::size_t i = 0; i < 624; ++i) {
            std::uint64_t w = 0;
            text >> w;
            ASSERT_EQ(saved->state[i], w) << "seed " << seed << " word " << i;
        }
        EXPECT_EQ(saved->position, 624u);
        std::mt19937 e(seed);
        for (double x : draw(rng.get(), 1000)) {
            const std::uint32_t a = e() >> 5, b = e() >> 6;
            ASSERT_EQ(x, (a * 67108864.0 + b) / 9007199254740992.0);
            ASSERT_LT(x, 1.0);
        }
    }
}

TEST(RngExports, SaveAdvanceRestoreReproducesTheDraws) {
    Rng rng(instantiateRngSolv(99));
    draw(rng.get(), 300);  // mid-block position
    State saved(getRngStateSolv(rng.get()));
    EXPECT_EQ(saved->position, 600u);
    const std::vector<double> first = draw(rng.get(), 1000);  // crosses block boundaries
    setRngStateSolv(rng.get(), saved.get());
    EXPECT_TRUE(sameRecord(*saved, *State(getRngStateSolv(rng.get()))));
    EXPECT_EQ(draw(rng.get(), 1000), first);
    Rng other(instantiateRngSolv(12345));  // a record moves between generators
    setRngStateSolv(other.get(), saved.get());
    EXPECT_EQ(draw(other.get(), 1000), first);
    deleteRngSolv(nullptr);
    deleteRngStateSolv(nullptr);
}

// All-zero words or a position above 624 leave the generator unchanged; one nonzero word suffices.
TEST(RngExports, InvalidRecordsAreIgnoredSilently) {
    Rng rng(instantiateRngSolv(3));
    draw(rng.get(), 10);
    State before(getRngStateSolv(rng.get()));
    State valid(getRngStateSolv(Rng(instantiateRngSolv(4)).get()));
    RngState zero{};
    for (std::uint32_t position : {0u, 5u, 624u, 625u, 626u, 0xFFFFFFFFu}) {
        RngState& record = position <= 624 ? zero : *valid;
        record.position = position;
        setRngStateSolv(rng.get(), &record);
        EXPECT_TRUE(sameRecord(*before, *State(getRngStateSolv(rng.get())))) << "position " << position;
    }
    for (std::uint32_t position : {624u, 0u}) {
        RngState single{};
        single.state[623] = 1;
        single.position = position;
        setRngStateSolv(rng.get(), &single);
        EXPECT_TRUE(sameRecord(single, *State(getRngStateSolv(rng.get())))) << "position " << position;
    }
}
