// The scratch buffer is created by the first buffer-borrowing construction of the
// process, so this check lives in a program of its own.
#include <gtest/gtest.h>

#include "kaldor/testing.hpp"
#include "solvutil/constraints/optmatrix.hpp"

TEST(OPTMatrixBufferFirstUse, CreatesBufferAndOneEntryThenReusesIt) {
    ASSERT_EQ(OPTMatrix<double>::_getBufferAddress(), nullptr);
    const std::size_t created = kaldor::testing::arrayStats().created;
    const std::size_t counter = OPTMatrix<double>::_getStaticCounterReference();
    kxArray* first = nullptr;
    {
        OPTMatrix<double> m(4, 3, true);
        const OPTMatrixBuffer* buffer = OPTMatrix<double>::_getBufferAddress();
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(buffer->count, 1u);
        EXPECT_EQ(buffer->next, 0u);
        EXPECT_EQ(kaldor::testing::arrayStats().created, created + 1);
        EXPECT_TRUE(m._pooled);
        EXPECT_EQ(*m._useCount, 1u);
        // The borrowing matrix takes its serial first, then the entry it creates.
        EXPECT_EQ(m._id, counter + 1);
        EXPECT_EQ(OPTMatrix<double>::_getStaticCounterReference(), counter + 2);
        first = m._array;
    }
    {
        OPTMatrix<double> same(6, 2, true);  // 12 values: fits the 4-by-3 entry
        EXPECT_EQ(same._array, first);
        EXPECT_EQ(same._rows, 6u);
        EXPECT_EQ(same._cols, 2u);
        OPTMatrix<double> larger(7, 2, true);  // the entry is busy anyway
        EXPECT_NE(larger._array, first);
        EXPECT_EQ(OPTMatrix<double>::_getBufferAddress()->count, 2u);
    }
}
