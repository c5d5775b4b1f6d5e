// Declared order of data members and of vtable slots (a destructor declared first takes two).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "solvutil/capi/plain_exports.hpp"
#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/kernels/sparse_matrix.hpp"
#include "solvutil/solvers/dynamic_reg_solver.hpp"
#include "solvutil/solvers/eqn_solver_sparse_ldl.hpp"

namespace {

// The vtable slot of f from its Itanium member pointer (1 + byte offset); -1 if not virtual.
template <class PMF>
std::ptrdiff_t vtableSlot(PMF pmf) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adjust;
    } r;
    static_assert(sizeof(PMF) == sizeof r, "Itanium ABI member pointer expected");
    std::memcpy(&r, &pmf, sizeof r);
    return (r.ptr & 1u) == 0 ? -1 : static_cast<std::ptrdiff_t>((r.ptr - 1) / sizeof(void*));
}

// Byte offset of a member (offsetof is not guaranteed for classes with virtual functions).
#define OFF(o, member) \
    (reinterpret_cast<const char*>(&(o).member) - reinterpret_cast<const char*>(&(o)))

void expectInOrder(std::ptrdiff_t first, const std::vector<std::ptrdiff_t>& offsets) {
    EXPECT_EQ(offsets[0], first);
    for (std::size_t i = 1; i < offsets.size(); ++i) EXPECT_LT(offsets[i - 1], offsets[i]) << i;
}

void expectSlots(std::ptrdiff_t first, const std::vector<std::ptrdiff_t>& slots) {
    for (std::size_t i = 0; i < slots.size(); ++i)
        EXPECT_EQ(slots[i], first + static_cast<std::ptrdiff_t>(i)) << "position " << first + i;
}

}  // namespace

TEST(BinaryLayout, DataMembersInDeclaredOrder) {
    const SparseMatrix s;  // after the vtable pointer, all 64-bit
    expectInOrder(8, {OFF(s, rows), OFF(s, cols), OFF(s, nzmax), OFF(s, jc), OFF(s, ir)});
    EXPECT_EQ(OFF(s, ir), 40);
    const solvutil::DynamicRegParams p;
    expectInOrder(0, {OFF(p, rp), OFF(p, rd), OFF(p, nPrimal), OFF(p, checkInertia),
                      OFF(p, regIndices), OFF(p, pivotTol), OFF(p, dim), OFF(p, rank),
                      OFF(p, primalRank), OFF(p, dualRank), OFF(p, primalInertiaOK),
                      OFF(p, dualInertiaOK), OFF(p, dualFullRank), OFF(p, tinyPivot)});
    const EqnSolverSparseLDL e(0.01);
    expectInOrder(8, {OFF(e, status), OFF(e, name), OFF(e, solveInfo), OFF(e, factorObj),
                      OFF(e, pr), OFF(e, ir), OFF(e, jc), OFF(e, nnz), OFF(e, m), OFF(e, n)});
    const RngState r{};
    static_assert(sizeof(RngState) == 2500);
    EXPECT_TRUE(OFF(r, state) == 0 && OFF(r, position) == 2496);
    const ConstraintCounts c{};  // eight 64-bit counts, nothing else
    static_assert(sizeof(ConstraintCounts) == 8 * 8);
    expectInOrder(0, {OFF(c, nTotal), OFF(c, nIneq), OFF(c, nEq), OFF(c, nFixed), OFF(c, nLB),
                      OFF(c, nUB), OFF(c, nExtra), OFF(c, nVar)});
    const OPTMatrix<double> o(2, 1, false);  // no vtable pointer
    expectInOrder(0, {OFF(o, _rows), OFF(o, _cols), OFF(o, _id), OFF(o, _array), OFF(o, _data),
                      OFF(o, _useCount), OFF(o, _sparse), OFF(o, _pooled), OFF(o, _borrowed),
                      OFF(o, _borrowMode)});
    ConstraintCounts counts;
    const LinearConstraint l(&counts, false, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    // The base holds the vtable pointer and its one string member.
    expectInOrder(
        sizeof(void*) + sizeof(std::string),
        {OFF(l, _counts), OFF(l, _isSparse), OFF(l, _A), OFF(l, _b), OFF(l, _Aeq), OFF(l, _beq),
         OFF(l, _indexLB), OFF(l, _indexUB), OFF(l, _indexFixed), OFF(l, _lb), OFF(l, _ub)});
}

TEST(BinaryLayout, VirtualOperationOrder) {
    using S = IEqnSolverLDL;
    using Factor = void (S::*)();
#define V(f) vtableSlot(&S::f)
    expectSlots(2, {V(init), V(symfactor), V(numfactor),
                    vtableSlot(static_cast<Factor>(&S::factor)), V(solve), V(setApr), V(setAir),
                    V(setAjc), V(setNnz), V(rank), V(numNegEigenValues), V(getFlops), V(getNnzL)});
#undef V
    using I = IoptLinearConstraint;
#define V(f) vtableSlot(&I::f)
    // clang-format off
    expectSlots(2, {V(isSparse), V(print), V(maxConstrViolation), V(Ax), V(Aconstr),
        V(deepCopyRowTranspose), V(bAt), V(Aeqx), V(Aeqconstr), V(deepCopyRowTransposeAeq),
        V(deepCopyAeq), V(deepCopybeq), V(beqAt), V(deepCopyAfixed), V(deepCopybfixed), V(Afixedx),
        V(bfixedAt), V(Afixedconstr), V(deepCopyRowTransposeAfixed), V(AfixedRow), V(Albx),
        V(Albconstr), V(deepCopyRowTransposeAlb), V(deepCopyVarRowTransposeAlb), V(AlbRow), V(lbAt),
        V(Aubx), V(Aubconstr), V(deepCopyRowTransposeAub), V(deepCopyVarRowTransposeAub), V(AubRow),
        V(ubAt), V(absmaxA), V(absmaxAeq), V(absmaxb), V(absmaxbeq), V(getA), V(getb), V(getAeq),
        V(getbeq), V(getlb), V(getub), V(getindexLB), V(getindexUB), V(getindexFixed)});
    // clang-format on
#undef V
    EXPECT_EQ(vtableSlot(&LinearConstraint::getindexFixed), 46);
}
