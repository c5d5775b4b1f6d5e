// Binary layout the host relies on: the declared order of data members, and the order of
// virtual operations as it appears in the vtable (Itanium ABI: the destructor takes the
// first two slots when it is declared first).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>

#include "solvutil/capi/plain_exports.hpp"
#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/kernels/sparse_matrix.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"
#include "tests/solvutil/surface/vtable_slot.hpp"

TEST(BinaryLayout, SparseMatrixMembersFollowTheVtablePointer) {
    SparseMatrix s;
    EXPECT_EQ(MEMBER_OFFSET(s, rows), 8);
    EXPECT_EQ(MEMBER_OFFSET(s, cols), 16);
    EXPECT_EQ(MEMBER_OFFSET(s, nzmax), 24);  // the 64-bit member no kernel reads
    EXPECT_EQ(MEMBER_OFFSET(s, jc), 32);
    EXPECT_EQ(MEMBER_OFFSET(s, ir), 40);
    static_assert(sizeof(s.rows) == 8 && sizeof(s.jc) == 8 &&
                  std::is_same_v<decltype(s.jc), long*>);
    DenseMatrix d;
    EXPECT_EQ(MEMBER_OFFSET(d, rows), 8);
    EXPECT_EQ(MEMBER_OFFSET(d, cols), 16);
}

TEST(BinaryLayout, DataAccessorsReadOnlyFirst) {
    using ConstData = const double* (DenseMatrix::*)() const;
    using MutableData = double* (DenseMatrix::*)();
    const auto c = vtableSlot(static_cast<ConstData>(&DenseMatrix::data));
    const auto m = vtableSlot(static_cast<MutableData>(&DenseMatrix::data));
    ASSERT_GE(c, 0);
    EXPECT_EQ(m, c + 1);
    using SConst = const double* (SparseMatrix::*)() const;
    using SMutable = double* (SparseMatrix::*)();
    EXPECT_EQ(vtableSlot(static_cast<SMutable>(&SparseMatrix::data)),
              vtableSlot(static_cast<SConst>(&SparseMatrix::data)) + 1);
}

TEST(BinaryLayout, DynamicRegParamsMembersInDeclaredOrder) {
    solvutil::DynamicRegParams p;
#define O(m) MEMBER_OFFSET(p, m)
    // clang-format off
    const std::ptrdiff_t offsets[] = {
        O(rp), O(rd), O(nPrimal), O(checkInertia), O(regIndices), O(pivotTol), O(dim), O(rank),
        O(primalRank), O(dualRank), O(primalInertiaOK), O(dualInertiaOK), O(dualFullRank),
        O(tinyPivot),
    };
    // clang-format on
#undef O
    EXPECT_EQ(offsets[0], 0);
    for (std::size_t i = 1; i < std::size(offsets); ++i) EXPECT_LT(offsets[i - 1], offsets[i]) << i;
    static_assert(!std::is_polymorphic_v<solvutil::DynamicRegParams>);
}

TEST(BinaryLayout, EqnSolverSparseLDLMembersAfterTheBase) {
    EqnSolverSparseLDL s(0.01);
    const std::ptrdiff_t offsets[] = {MEMBER_OFFSET(s, status),    MEMBER_OFFSET(s, name),
                                      MEMBER_OFFSET(s, solveInfo), MEMBER_OFFSET(s, factorObj),
                                      MEMBER_OFFSET(s, pr),        MEMBER_OFFSET(s, ir),
                                      MEMBER_OFFSET(s, jc),        MEMBER_OFFSET(s, nnz),
                                      MEMBER_OFFSET(s, m),         MEMBER_OFFSET(s, n)};
    EXPECT_EQ(offsets[0], 8);  // right after the vtable pointer
    for (std::size_t i = 1; i < std::size(offsets); ++i) EXPECT_LT(offsets[i - 1], offsets[i]) << i;
    static_assert(sizeof(s.status) == 4 && std::is_same_v<decltype(s.name), std::string>);
}

TEST(BinaryLayout, IEqnSolverLDLVirtualOperationOrder) {
    using S = IEqnSolverLDL;
    using Factor = void (S::*)();
#define V(f) vtableSlot(&S::f)
    // Positions 2..14; the destructor holds slots 0 and 1.
    // clang-format off
    const std::ptrdiff_t slots[] = {
        V(init), V(symfactor), V(numfactor), vtableSlot(static_cast<Factor>(&S::factor)), V(solve),
        V(setApr), V(setAir), V(setAjc), V(setNnz), V(rank), V(numNegEigenValues), V(getFlops),
        V(getNnzL),
    };
    // clang-format on
#undef V
    for (std::size_t i = 0; i < std::size(slots); ++i)
        EXPECT_EQ(slots[i], static_cast<std::ptrdiff_t>(i + 2)) << "position " << i + 2;
    // The concrete solver keeps the same slots.
    EXPECT_EQ(vtableSlot(&EqnSolverSparseLDL::getNnzL), 14);
    EXPECT_EQ(vtableSlot(static_cast<void (EqnSolverSparseLDL::*)()>(&EqnSolverSparseLDL::factor)),
              5);
}

TEST(BinaryLayout, RngStateIsTheFixedRecord) {
    static_assert(sizeof(RngState) == 2500);
    RngState r{};
    EXPECT_EQ(MEMBER_OFFSET(r, position), 2496);
    EXPECT_EQ(MEMBER_OFFSET(r, state), 0);
}

TEST(BinaryLayout, ConstraintCountsAreEightCountsInOrder) {
    static_assert(sizeof(ConstraintCounts) == 8 * 8);
    ConstraintCounts c;
    const std::ptrdiff_t offsets[] = {MEMBER_OFFSET(c, nTotal), MEMBER_OFFSET(c, nIneq),
                                      MEMBER_OFFSET(c, nEq),    MEMBER_OFFSET(c, nFixed),
                                      MEMBER_OFFSET(c, nLB),    MEMBER_OFFSET(c, nUB),
                                      MEMBER_OFFSET(c, nExtra), MEMBER_OFFSET(c, nVar)};
    for (std::size_t i = 0; i < std::size(offsets); ++i)
        EXPECT_EQ(offsets[i], static_cast<std::ptrdiff_t>(8 * i));
}

TEST(BinaryLayout, OPTMatrixAndLinearConstraintMembersInDeclaredOrder) {
    OPTMatrix<double> m(2, 1, false);
    const std::ptrdiff_t om[] = {MEMBER_OFFSET(m, _rows),     MEMBER_OFFSET(m, _cols),
                                 MEMBER_OFFSET(m, _id),       MEMBER_OFFSET(m, _array),
                                 MEMBER_OFFSET(m, _data),     MEMBER_OFFSET(m, _useCount),
                                 MEMBER_OFFSET(m, _sparse),   MEMBER_OFFSET(m, _pooled),
                                 MEMBER_OFFSET(m, _borrowed), MEMBER_OFFSET(m, _borrowMode)};
    EXPECT_EQ(om[0], 0);  // no vtable pointer: the wrapper has no virtual operations
    for (std::size_t i = 1; i < std::size(om); ++i) EXPECT_LT(om[i - 1], om[i]) << i;
    static_assert(sizeof(m._borrowMode) == 4 && sizeof(m._id) == 8);

    ConstraintCounts counts;
    LinearConstraint lc(&counts, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    const std::ptrdiff_t lm[] = {
        MEMBER_OFFSET(lc, _counts),  MEMBER_OFFSET(lc, _isSparse), MEMBER_OFFSET(lc, _A),
        MEMBER_OFFSET(lc, _b),       MEMBER_OFFSET(lc, _Aeq),      MEMBER_OFFSET(lc, _beq),
        MEMBER_OFFSET(lc, _indexLB), MEMBER_OFFSET(lc, _indexUB),  MEMBER_OFFSET(lc, _indexFixed),
        MEMBER_OFFSET(lc, _lb),      MEMBER_OFFSET(lc, _ub)};
    // The base holds the vtable pointer and its one string member.
    EXPECT_EQ(lm[0], static_cast<std::ptrdiff_t>(sizeof(void*) + sizeof(std::string)));
    for (std::size_t i = 1; i < std::size(lm); ++i) EXPECT_LT(lm[i - 1], lm[i]) << i;
}

TEST(BinaryLayout, IoptLinearConstraintVirtualOperationOrder) {
    using I = IoptLinearConstraint;
#define S(f) vtableSlot(&I::f)
    // Positions 2..46 in declaration order; the destructor holds slots 0 and 1.
    // clang-format off
    const std::ptrdiff_t slots[] = {
        S(isSparse), S(print), S(maxConstrViolation), S(Ax), S(Aconstr), S(deepCopyRowTranspose),
        S(bAt), S(Aeqx), S(Aeqconstr), S(deepCopyRowTransposeAeq), S(deepCopyAeq), S(deepCopybeq),
        S(beqAt), S(deepCopyAfixed), S(deepCopybfixed), S(Afixedx), S(bfixedAt), S(Afixedconstr),
        S(deepCopyRowTransposeAfixed), S(AfixedRow), S(Albx), S(Albconstr),
        S(deepCopyRowTransposeAlb), S(deepCopyVarRowTransposeAlb), S(AlbRow), S(lbAt), S(Aubx),
        S(Aubconstr), S(deepCopyRowTransposeAub), S(deepCopyVarRowTransposeAub), S(AubRow), S(ubAt),
        S(absmaxA), S(absmaxAeq), S(absmaxb), S(absmaxbeq), S(getA), S(getb), S(getAeq), S(getbeq),
        S(getlb), S(getub), S(getindexLB), S(getindexUB), S(getindexFixed),
    };
    // clang-format on
#undef S
    static_assert(std::size(slots) == 45);
    for (std::size_t k = 0; k < std::size(slots); ++k)
        EXPECT_EQ(slots[k], static_cast<std::ptrdiff_t>(k + 2)) << "position " << k + 2;
    EXPECT_EQ(vtableSlot(&LinearConstraint::getindexFixed), 46);
}
