// OPTMatrix<double>: product, difference, assignment, failures, buffer.
#include <gtest/gtest.h>

#include <set>

#include "constraint_test_support.hpp"

using namespace ctest;

// First in this program: the first pooled construction of the process creates the buffer.
TEST(OPTMatrixBuffer, FirstUseReuseCursorWrapLiveEntriesAndSteadyState) {
    ASSERT_EQ(M::_getBufferAddress(), nullptr);
    const std::size_t created = kaldor::testing::arrayStats().created;
    {
        M m(4, 3, true);
        const OPTMatrixBuffer* b = M::_getBufferAddress();
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->count == 1u && b->next == 0u && *m._useCount == 1u);
        EXPECT_EQ(kaldor::testing::arrayStats().created, created + 1);
    }
    const OPTMatrixBuffer* buffer = M::_getBufferAddress();
    {
        M same(6, 2, true);  // 12 values fit the 4-by-3 entry
        EXPECT_TRUE(same._array == (*buffer->entries)[0]->_array && same._rows == 6u);
    }
    LeakGuard guard;
    const std::size_t s = 16, count = buffer->count, start = buffer->next;  // s: larger than all
    kxArray* entry = nullptr;
    {
        M big(10 * s, 1, true);
        entry = big._array;
        EXPECT_EQ(buffer->next, start);
    }
    ASSERT_EQ(buffer->entries->back()->_array, entry);
    {
        M shrunk(2 * s, 1, true);  // only the newest entry fits: cursor wraps past it
        EXPECT_TRUE(shrunk._array == entry && kxGetM(entry) == 2 * s && buffer->next == 0u);
    }
    {
        M middle(5 * s, 1, true);  // judged on the current shape: the shrunk entry is too small
        EXPECT_NE(middle._array, entry);
    }
    EXPECT_EQ(buffer->count, count + 2);
    std::vector<M> live;
    for (int k = 0; k < 8; ++k) live.emplace_back(3, 1, true);
    std::set<kxArray*> arrays;
    for (const auto& m : live) arrays.insert(m._array);
    EXPECT_EQ(arrays.size(), live.size());
    M moved(std::move(live.back()));  // the claim moves along
    const M& source = live.back();    // left released: empty, no array, flagged sparse
    EXPECT_TRUE(source._sparse && !moved._sparse && !source._array && source._rows == 0u);
    live.clear();
    std::size_t busy = 0;
    for (const M* e : *buffer->entries) busy += *e->_useCount;
    EXPECT_TRUE(busy == 1u && *moved._useCount == 1u);
    // Rounds of products and differences of changing shapes stop creating host arrays.
    std::mt19937 rng(7);
    const M A = mat(false, 9, 4, randomDense(rng, 36));
    const M x[] = {mat(false, 4, 1, randomDense(rng, 4)), mat(false, 4, 3, randomDense(rng, 12))};
    auto warm = kaldor::testing::arrayStats();
    for (int k = 0; k < 2010; ++k) {
        if (k == 10) warm = kaldor::testing::arrayStats();
        M r = A * x[k % 2], d = r - r, keep = A * x[(k + 1) % 2];
    }
    EXPECT_TRUE(kaldor::testing::arrayStats().created == warm.created &&
                kaldor::testing::arrayStats().live == warm.live);
}

TEST(OPTMatrix, ProductAndDifferenceMatchDenseRecomputation) {
    LeakGuard guard;
    std::mt19937 rng(5);
    const std::size_t shapes[][3] = {{1, 1, 1}, {5, 3, 1}, {4, 7, 3}, {17, 9, 2}, {3, 0, 2}};
    for (const auto& [m, k, n] : shapes) {
        const Dense a = randomDense(rng, m * k), b = randomDense(rng, k * n, 0.5);
        Dense want(m * n, 0.0);
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t p = 0; p < k; ++p)
                for (std::size_t i = 0; i < m; ++i) want[i + m * j] += a[i + m * p] * b[p + k * j];
        M A = mat(false, m, k, a);
        for (bool sparseRight : {false, true}) {
            M C = A * mat(sparseRight, k, n, b);
            const Dense e = randomDense(rng, m * n, 0.5);
            M D = C - mat(sparseRight, m, n, e);
            ASSERT_TRUE(C._rows == m && C._cols == n && D._array != C._array);
            for (std::size_t p = 0; p < m * n; ++p) {
                EXPECT_NEAR(C._data[p], want[p], 1e-13);
                EXPECT_NEAR(D._data[p], want[p] - e[p], 1e-13);
            }
        }
    }
}

TEST(OPTMatrix, OperatorFailuresPrintExactTextThrowPointerAndLeakNothing) {
    M a = mat(false, 2, 3, {1, 2, 3, 4, 5, 6}), x(3, 1, false), wrong(2, 1, false);
    M sp = mat(true, 2, 3, {1, 0, 0, 2, 0, 0});
    {
        M warm = a * x;
        M warm2 = warm - wrong;
    }  // buffer entries exist beforehand
    LeakGuard guard;
    const std::size_t entries = scratchBufferEntries();
    expectOptMatrixFailure([&] { M r = a * wrong; },
                           "Incompatible dimensions for matrix multiplication");
    expectOptMatrixFailure([&] { M r = sp * x; },
                           "No efficient implementation for sparse matrix multiplication");
    expectOptMatrixFailure([&] { M r = a - x; }, "Incompatible dimensions for matrix subtraction");
    expectOptMatrixFailure([&] { M r = sp - a; }, "No efficient implementation for sparse");
    EXPECT_EQ(
        expectOptMatrixFailure([&] { wrong = x; }, "Incompatible dimensions for matrix assignment"),
        "LHS Size: 2-by-1\nRHS Size: 3-by-1\n");
    EXPECT_TRUE(scratchBufferEntries() == entries && wrong._rows == 2u);
}

TEST(OPTMatrix, AssignmentCopiesSameShapeAndReshapesEmptyTargets) {
    LeakGuard guard;
    const Dense v = {1, 0, -2, 0, 3, 4};
    const M src = mat(false, 3, 2, v), sparseSrc = mat(true, 3, 2, v);
    M sparseDst(sparseArray(3, 2, {0, 0, 0, 7, 0, 0}, 5), M::BORROW_DESTROY);  // room for 6
    // Same shape (from dense, from sparse), empty, no columns, empty from sparse, pooled empty.
    M targets[] = {M(3, 2, false), M(3, 2, false), M(0, 0, false),
                   M(2, 0, false), M(0, 0, false), M(0, 0, true)};
    const kxArray* kept[] = {targets[0]._array, sparseDst._array};
    std::size_t* entryCounter = targets[5]._useCount;
    targets[1](1, 0) = 9.0;  // where the sparse source holds no entry
    sparseDst = sparseSrc;
    for (std::size_t k = 0; k < 6; ++k) targets[k] = k == 1 || k == 4 ? sparseSrc : src;
    EXPECT_TRUE(targets[0]._array == kept[0] && sparseDst._array == kept[1]);
    EXPECT_TRUE(targets[2]._array != src._array && targets[4]._array != sparseSrc._array);
    // An empty target takes the source's kind; a pooled one gives its entry back.
    EXPECT_TRUE(targets[4]._sparse && !targets[2]._sparse && !targets[5]._pooled);
    EXPECT_EQ(*entryCounter, 0u);
    EXPECT_EQ(toDense(sparseDst), v);
    for (const M& m : targets) EXPECT_EQ(toDense(m), v);
}
