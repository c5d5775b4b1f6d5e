// Scratch-buffer behaviour of OPTMatrix<double>: reuse, reshaping, capacity judged on the
// current shape, round-robin cursor, use counters, and bounded array creation.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "constraint_test_support.hpp"

namespace {
// A size no existing entry can hold, so the outcome does not depend on earlier tests.
std::size_t freshSize() { return ctest::largestBufferEntry() + 16; }
}  // namespace

TEST(OPTMatrixBuffer, ReleasedEntryIsReusedWithNewShapeAndLargerRequestAddsEntry) {
    const std::size_t s = freshSize();
    const std::size_t count = ctest::bufferCount();
    kxArray* entryArray = nullptr;
    {
        OPTMatrix<double> a(s, 2, true);
        EXPECT_EQ(ctest::bufferCount(), count + 1);
        entryArray = a._array;
        EXPECT_EQ(*a._useCount, 1u);
    }
    const std::size_t live = kaldor::testing::arrayStats().live;
    {
        OPTMatrix<double> b(s, 1, true);  // smaller: same entry, reshaped
        EXPECT_EQ(b._array, entryArray);
        EXPECT_EQ(b._rows, s);
        EXPECT_EQ(b._cols, 1u);
        EXPECT_EQ(kxGetM(b._array), s);
        EXPECT_EQ(kxGetN(b._array), 1u);
        EXPECT_EQ(b._data, kxRealData(entryArray));
        EXPECT_EQ(kaldor::testing::arrayStats().live, live);
    }
    {
        OPTMatrix<double> c(s, 2, true);  // larger than the entry's current s-by-1
        EXPECT_NE(c._array, entryArray);
        EXPECT_EQ(ctest::bufferCount(), count + 2);
    }
}

TEST(OPTMatrixBuffer, LiveResultsNeverShareAnEntryAndCountersFollowBorrowing) {
    std::vector<OPTMatrix<double>> live;
    live.reserve(8);
    for (int k = 0; k < 8; ++k) live.emplace_back(3, 1, true);
    std::set<kxArray*> arrays;
    for (const auto& m : live) {
        arrays.insert(m._array);
        EXPECT_EQ(*m._useCount, 1u);
    }
    EXPECT_EQ(arrays.size(), live.size());
    // Moving a pooled matrix transfers its claim: the counter stays at 1.
    OPTMatrix<double> moved(std::move(live.back()));
    EXPECT_EQ(*moved._useCount, 1u);
    EXPECT_EQ(live.back()._array, nullptr);
    std::size_t* counter = moved._useCount;
    live.clear();
    EXPECT_EQ(*counter, 1u);  // only `moved` borrows that entry now
    const OPTMatrixBuffer* buffer = OPTMatrix<double>::_getBufferAddress();
    std::size_t busy = 0;
    for (const OPTMatrix<double>* e : *buffer->entries) busy += *e->_useCount;
    EXPECT_EQ(busy, 1u);
}

TEST(OPTMatrixBuffer, ShrunkEntryIsNotTakenForLargerRequest) {
    const std::size_t s = freshSize();
    const std::size_t count = ctest::bufferCount();
    kxArray* entryArray = nullptr;
    { OPTMatrix<double> big(10 * s, 1, true); entryArray = big._array; }
    { OPTMatrix<double> shrunk(2 * s, 1, true); EXPECT_EQ(shrunk._array, entryArray); }
    {
        OPTMatrix<double> middle(5 * s, 1, true);  // its array could hold it, its shape not
        EXPECT_NE(middle._array, entryArray);
        EXPECT_EQ(ctest::bufferCount(), count + 2);
    }
}

TEST(OPTMatrixBuffer, CursorAdvancesRoundRobinAndWraps) {
    const std::size_t s = freshSize();
    const OPTMatrixBuffer* buffer = nullptr;
    { OPTMatrix<double> seed(1, 1, true); buffer = OPTMatrix<double>::_getBufferAddress(); }
    const std::size_t start = buffer->next;
    kxArray* newest = nullptr;
    {
        OPTMatrix<double> a(s, 1, true);  // none fits: every entry examined, cursor back
        EXPECT_EQ(buffer->next, start);
        newest = a._array;
    }
    const std::size_t count = buffer->count;
    ASSERT_EQ(buffer->entries->back()->_array, newest);
    {
        // Only the newest entry (last position) fits: the search walks there from the
        // cursor and leaves the cursor just past it, wrapped to position 0.
        OPTMatrix<double> b(s, 1, true);
        EXPECT_EQ(b._array, newest);
        EXPECT_EQ(buffer->next, 0u);
        EXPECT_EQ(buffer->count, count);
    }
}

TEST(OPTMatrixBuffer, RepeatedProductsAndDifferencesStopCreatingArrays) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    const std::size_t sizes[] = {3, 9, 5};
    std::vector<OPTMatrix<double>> A, x, b;
    for (std::size_t m : sizes) {
        ctest::Dense a(m * 4), xv(4), bv(m);
        for (auto& v : a) v = dist(rng);
        for (auto& v : xv) v = dist(rng);
        for (auto& v : bv) v = dist(rng);
        A.emplace_back(ctest::denseArray(m, 4, a), OPTMatrix<double>::BORROW_DESTROY);
        x.emplace_back(ctest::denseArray(4, 1, xv), OPTMatrix<double>::BORROW_DESTROY);
        b.emplace_back(ctest::denseArray(m, 1, bv), OPTMatrix<double>::BORROW_DESTROY);
    }
    auto round = [&] {
        for (std::size_t g = 0; g < 3; ++g) {
            OPTMatrix<double> r = A[g] * x[g];
            OPTMatrix<double> d = r - b[g];
            OPTMatrix<double> keep = A[(g + 1) % 3] * x[(g + 1) % 3];  // a third live one
        }
    };
    for (int k = 0; k < 10; ++k) round();
    const auto warm = kaldor::testing::arrayStats();
    for (int k = 0; k < 2000; ++k) round();
    const auto after = kaldor::testing::arrayStats();
    EXPECT_EQ(after.created, warm.created);
    EXPECT_EQ(after.live, warm.live);
}
