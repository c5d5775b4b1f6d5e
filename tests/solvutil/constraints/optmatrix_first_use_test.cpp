// The first borrowing construction of the process creates the buffer, so this is its own program.
#include <gtest/gtest.h>

#include "kaldor/testing/services.hpp"
#include "solvutil/constraints/optmatrix.hpp"

TEST(OPTMatrixBufferFirstUse, CreatesBufferAndOneEntryThenReusesIt) {
    using M = OPTMatrix<double>;
    ASSERT_EQ(M::_getBufferAddress(), nullptr);
    const std::size_t created = kaldor::testing::arrayStats().created;
    const std::size_t counter = M::_getStaticCounterReference();
    kxArray* first = nullptr;
    {
        M m(4, 3, true);
        ASSERT_NE(M::_getBufferAddress(), nullptr);
        EXPECT_TRUE(M::_getBufferAddress()->count == 1u && M::_getBufferAddress()->next == 0u);
        EXPECT_EQ(kaldor::testing::arrayStats().created, created + 1);
        EXPECT_EQ(*m._useCount, 1u);
        EXPECT_EQ(m._id, counter + 1);  // the borrower's serial first, then the entry's
        EXPECT_EQ(M::_getStaticCounterReference(), counter + 2);
        first = m._array;
    }
    M same(6, 2, true);  // 12 values fit the 4-by-3 entry
    EXPECT_TRUE(same._array == first && same._rows == 6u);
    M larger(7, 2, true);
    EXPECT_TRUE(larger._array != first && M::_getBufferAddress()->count == 2u);
}
