#include <gtest/gtest.h>

#include <cmath>

#include "kaldor/testing.hpp"
#include "solvutil/host/kxarray.hpp"

using kaldor::testing::arrayStats;

TEST(HostArray, DenseCreationShapeAndReshapeKeepBuffer) {
    const auto before = arrayStats();
    kxArray* a = kxCreateNumericMatrix(3, 4, kxDOUBLE_CLASS, kxREAL);
    EXPECT_EQ(arrayStats().live, before.live + 1);
    EXPECT_EQ(kxGetM(a), 3u);
    EXPECT_EQ(kxGetN(a), 4u);
    EXPECT_FALSE(kxIsSparse(a));
    EXPECT_FALSE(kxIsEmpty(a));
    double* data = kxRealData(a);
    for (int k = 0; k < 12; ++k) EXPECT_EQ(data[k], 0.0);
    data[0] = 2.5;
    EXPECT_EQ(kxGetScalar(a), 2.5);
    kxSetM(a, 2);
    kxSetN(a, 1);
    EXPECT_EQ(kxGetM(a), 2u);
    EXPECT_EQ(kxGetN(a), 1u);
    EXPECT_EQ(kxRealData(a), data);  // buffer kept
    kxSetN(a, 0);
    EXPECT_TRUE(kxIsEmpty(a));
    kxarray::destroyArray(a);
    EXPECT_EQ(arrayStats().live, before.live);
}

TEST(HostArray, SparseDuplicateIsDeep) {
    const auto before = arrayStats();
    kxArray* s = kaldor::testing::createSparseArray(3, 2, 3);
    EXPECT_TRUE(kxIsSparse(s));
    EXPECT_EQ(kxGetNzmax(s), 3u);
    std::size_t* jc = kxColumnStarts(s);
    std::size_t* ir = kxRowIndices(s);
    double* pr = kxRealData(s);
    jc[0] = 0; jc[1] = 2; jc[2] = 3;
    ir[0] = 2; ir[1] = 0; ir[2] = 1;
    pr[0] = 1; pr[1] = 4; pr[2] = 5;
    EXPECT_EQ(kxGetScalar(s), 4.0);  // element (0,0)
    kxArray* d = kxDuplicateArray(s);
    pr[1] = -1;
    EXPECT_EQ(kxRealData(d)[1], 4.0);
    EXPECT_EQ(kxColumnStarts(d)[2], 3u);
    EXPECT_EQ(kxRowIndices(d)[0], 2u);
    EXPECT_EQ(arrayStats().live, before.live + 2);
    kxarray::destroyArray(s);
    kxarray::destroyArray(d);
    EXPECT_EQ(arrayStats().live, before.live);
}

TEST(HostArray, CreateNumericReturnsOwningHandle) {
    const auto before = arrayStats();
    {
        kxarray::kxArrayPtr col = kxarray::do_create_numeric({5, 1}, kxDOUBLE_CLASS, kxREAL);
        EXPECT_EQ(kxGetM(col.get()), 5u);
        EXPECT_EQ(kxGetN(col.get()), 1u);
        EXPECT_EQ(arrayStats().live, before.live + 1);
        col = kxarray::do_create_numeric({0, 1}, kxDOUBLE_CLASS, kxREAL);  // releases the first
        EXPECT_EQ(arrayStats().live, before.live + 1);
        EXPECT_TRUE(kxIsEmpty(col.get()));
        EXPECT_TRUE(std::isnan(kxGetScalar(col.get())));
    }
    EXPECT_EQ(arrayStats().live, before.live);
    EXPECT_EQ(arrayStats().created, before.created + 2);
}
