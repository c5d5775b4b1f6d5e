// Host memory, errors, arrays, console and random generator of the stand-in host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "kaldor/testing.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/kxarray.hpp"
#include "solvutil/host/kxerror.hpp"
#include "solvutil/host/kxmemory.hpp"
#include "solvutil/host/mt19937ar.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"

using kaldor::testing::allocationStats;
using kaldor::testing::arrayStats;
using kaldor::testing::ConsoleCapture;

namespace {

// A 3x2 sparse array: (2,0)=1.25, (0,0)=4, (1,1)=-5, row indices unsorted.
kxArray* smallSparse() {
    kxArray* s = kaldor::testing::createSparseArray(3, 2, 3);
    const std::size_t jc[] = {0, 2, 3}, ir[] = {2, 0, 1};
    const double pr[] = {1.25, 4, -5};
    std::copy(jc, jc + 3, kxColumnStarts(s));
    std::copy(ir, ir + 3, kxRowIndices(s));
    std::copy(pr, pr + 3, kxRealData(s));
    return s;
}

std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

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

TEST(HostMemory, CountsBlocksAndInjectsFailures) {
    HostLeakGuard guard;
    const auto before = allocationStats();
    void* a = kxMallocExCheck(100);
    void* b = kxMallocEx(28);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 16, 0u);
    EXPECT_EQ(allocationStats().liveBlocks, before.liveBlocks + 2);
    EXPECT_EQ(allocationStats().liveBytes, before.liveBytes + 128);
    EXPECT_EQ(allocationStats().allocations, before.allocations + 2);
    kxFreeEx(b);
    kxFreeEx(nullptr);

    kaldor::testing::failAllocationAfter(1);
    void* allowed = kxMallocExCheck(8);
    EXPECT_EQ(hostErrorId([] { kxMallocExCheck(8); }), "KALDOR:outOfMemory");
    kaldor::testing::failAllocationAfter(0);
    EXPECT_EQ(kxMallocEx(8), nullptr);
    void* again = kxMallocEx(8);  // the injection is used up
    EXPECT_NE(again, nullptr);
    for (void* p : {a, allowed, again}) kxFreeEx(p);
}

TEST(HostErrors, CarryIdentifierAndFormattedText) {
    try {
        kxErrMsgIdAndTxt("a:b:c", "value %d of %s", 7, "x");
        FAIL() << "kxErrMsgIdAndTxt returned";
    } catch (const hostcore::IUserException& e) {
        EXPECT_EQ(e.getMessageId(), "a:b:c");
        EXPECT_EQ(e.getMessageText(), "value 7 of x");
        EXPECT_STREQ(e.what(), "value 7 of x");
    }
}

TEST(HostArray, DenseReshapeSparseDuplicateAndOwningHandle) {
    const auto before = arrayStats();
    kxArray* a = kxCreateNumericMatrix(3, 4, kxDOUBLE_CLASS, kxREAL);
    double* data = kxRealData(a);
    for (int k = 0; k < 12; ++k) EXPECT_EQ(data[k], 0.0);
    data[0] = 2.5;
    EXPECT_EQ(kxGetScalar(a), 2.5);
    EXPECT_FALSE(kxIsSparse(a) || kxIsEmpty(a));
    kxSetM(a, 2);
    kxSetN(a, 1);
    EXPECT_EQ(kxGetM(a), 2u);
    EXPECT_EQ(kxGetN(a), 1u);
    EXPECT_EQ(kxRealData(a), data);  // buffer kept
    kxSetN(a, 0);
    EXPECT_TRUE(kxIsEmpty(a));

    kxArray* s = smallSparse();
    EXPECT_TRUE(kxIsSparse(s));
    EXPECT_EQ(kxGetNzmax(s), 3u);
    EXPECT_EQ(kxGetScalar(s), 4.0);  // element (0,0), stored second
    kxArray* d = kxDuplicateArray(s);
    kxRealData(s)[1] = -1;
    EXPECT_EQ(kxRealData(d)[1], 4.0);
    EXPECT_EQ(kxColumnStarts(d)[2], 3u);
    EXPECT_EQ(kxRowIndices(d)[0], 2u);
    EXPECT_EQ(arrayStats().live, before.live + 3);
    for (kxArray* p : {a, s, d}) kxarray::destroyArray(p);

    kxarray::kxArrayPtr col = kxarray::do_create_numeric({5, 1}, kxDOUBLE_CLASS, kxREAL);
    EXPECT_EQ(kxGetM(col.get()), 5u);
    col = kxarray::do_create_numeric({0, 1}, kxDOUBLE_CLASS, kxREAL);  // releases the first
    EXPECT_TRUE(std::isnan(kxGetScalar(col.get())));
    col.reset();
    EXPECT_EQ(arrayStats().live, before.live);
    EXPECT_EQ(arrayStats().created, before.created + 5);
}

TEST(HostConsole, OneOrderedUtf8SinkAndCountedFlushes) {
    ConsoleCapture capture;
    hostPrintf("a%d", 1);
    {
        hostio::uostream os = hostio::uout();
        os << "b" << std::u16string(u"\u00e9\u20ac\U0001F600");
    }
    hostPrintf("|");
    EXPECT_EQ(capture.text(), "a1b\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|");
    const auto flushes = kaldor::testing::flushCount();
    ioFlush();
    EXPECT_EQ(kaldor::testing::flushCount(), flushes + 1);
}

TEST(IoPrintMatrix, DenseSparseAndEmptyArrays) {
    HostLeakGuard guard;
    ConsoleCapture capture;
    kxarray::kxArrayPtr dense(kxCreateNumericMatrix(2, 2, kxDOUBLE_CLASS, kxREAL));
    const double values[4] = {1.5, -2.0, 1e-7, 123456.789};  // column-major
    std::copy(values, values + 4, kxRealData(dense.get()));
    hostio::legacy::ioPrintMatrix("D", dense.get());
    const char* g = "%12.5g";
    EXPECT_EQ(capture.text(), "D =\n\n" + format(g, 1.5) + format(g, 1e-7) + "\n" +
                                  format(g, -2.0) + format(g, 123456.789) + "\n\n");
    capture.clear();
    kxarray::kxArrayPtr sparse(smallSparse());
    hostio::legacy::ioPrintMatrix("S", sparse.get());
    EXPECT_EQ(capture.text(), "S =\n\n  (3,1)  " + format("%.5g", 1.25) + "\n  (1,1)  " +
                                  format("%.5g", 4) + "\n  (2,2)  " + format("%.5g", -5) +
                                  "\n\n");
    capture.clear();
    kxarray::kxArrayPtr empty(kxCreateNumericMatrix(0, 1, kxDOUBLE_CLASS, kxREAL));
    hostio::legacy::ioPrintMatrix("E", empty.get());
    EXPECT_EQ(capture.text(), "E =\n\n     []\n\n");
}

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
