// Plain-symbol exports: the generator against std::mt19937, and emulateCtrlC.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <sstream>
#include <tuple>

#include "kaldor/testing/hosttest.hpp"
#include "kaldor/testing/services.hpp"
#include "solvutil/capi/plain_exports.hpp"
#include "solvutil/host/hosttest.hpp"

namespace kt = kaldor::testing;

namespace {

struct Deleter {
    void operator()(void* rng) const { deleteRngSolv(rng); }
    void operator()(RngState* s) const { deleteRngStateSolv(s); }
};
using Rng = std::unique_ptr<void, Deleter>;
using State = std::unique_ptr<RngState, Deleter>;

std::vector<double> draw(void* rng, std::size_t count) {
    std::vector<double> x(count);
    double* destination = x.data();
    getRandUniformSolv(rng, count, &destination);
    return x;
}

bool sameAsRecord(void* rng, const RngState& b) {
    return std::memcmp(State(getRngStateSolv(rng)).get(), &b, sizeof(RngState)) == 0;
}

}  // namespace

// State words, position 624 and doubles from two 32-bit words as std::mt19937 gives them; save,
// advance, restore; all-zero words or a position above 624 are ignored.
TEST(RngExports, MatchStdMt19937AndSaveAndRestoreTheState) {
    for (std::uint32_t seed : {0u, 7u, 5489u, 4000000000u}) {
        Rng rng(instantiateRngSolv(seed));
        State saved(getRngStateSolv(rng.get()));
        std::stringstream text;
        text << std::mt19937(seed);
        for (std::uint64_t i = 0, w = 0; i < 624 && text >> w; ++i)
            ASSERT_EQ(saved->state[i], w) << seed << " " << i;
        EXPECT_EQ(saved->position, 624u);
        std::mt19937 e(seed);
        for (double x : draw(rng.get(), 1000)) {
            const std::uint32_t a = e() >> 5, b = e() >> 6;
            ASSERT_EQ(x, (a * 67108864.0 + b) / 9007199254740992.0);
            ASSERT_LT(x, 1.0);
        }
    }
    Rng rng(instantiateRngSolv(99));
    draw(rng.get(), 300);
    State saved(getRngStateSolv(rng.get()));
    EXPECT_EQ(saved->position, 600u);
    const std::vector<double> first = draw(rng.get(), 1000);
    setRngStateSolv(rng.get(), saved.get());
    EXPECT_TRUE(sameAsRecord(rng.get(), *saved));
    EXPECT_EQ(draw(rng.get(), 1000), first);
    RngState zero{}, single{};
    single.state[623] = 1;
    const std::tuple<RngState*, std::uint32_t, bool> cases[] = {
        {&zero, 0, false},         {&zero, 624, false},
        {saved.get(), 625, false}, {saved.get(), 0xFFFFFFFF, false},
        {&single, 624, true},      {&single, 0, true}};
    for (auto [record, position, accepted] : cases) {
        State before(getRngStateSolv(rng.get()));
        record->position = position;
        setRngStateSolv(rng.get(), record);
        EXPECT_TRUE(sameAsRecord(rng.get(), accepted ? *record : *before)) << position;
    }
}

// emulateCtrlC interrupts only with the hooks on and a tester of that name, reusing it.
TEST(EmulateCtrlC, InterruptsOnlyThroughAnExistingNamedTester) {
    for (auto [mode, name, interrupts] :
         {std::tuple{-1, "ctrlc", 0u}, {0, "someOtherTester", 0u}, {1, "ctrlc", 2u}}) {
        kt::resetTesters();
        kt::setTesterMode(mode);
        kt::declareTester("ctrlc");
        const std::size_t before = kt::interruptCount();
        emulateCtrlC(name);
        const hosttest::ExceptionTester* tester = hosttest::GetTesterByName(nullptr, nullptr, name);
        emulateCtrlC(name);
        EXPECT_EQ(kt::interruptCount() - before, interrupts) << mode;
        EXPECT_EQ(hosttest::GetTesterByName(nullptr, nullptr, name), tester) << mode;
        EXPECT_EQ(tester != nullptr, interrupts != 0) << mode;
    }
    EXPECT_EQ(kt::lastInterruptSource(), "ctrlc");
    kt::setTesterMode(-1);
    kt::resetTesters();
}
