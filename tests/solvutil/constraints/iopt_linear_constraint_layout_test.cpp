// The operations of IoptLinearConstraint are part of the binary interface: callers built
// against it call them by virtual-table slot. Under the Itanium C++ ABI a pointer to a
// virtual member function holds 1 + the slot's byte offset, and the virtual destructor
// takes slots 0 and 1, so the k-th declared operation must sit in slot k + 1.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "solvutil/constraints/iopt_linear_constraint.hpp"

namespace {

template <typename F>
std::size_t slotOf(F f) {
    static_assert(sizeof(F) == 2 * sizeof(std::ptrdiff_t), "Itanium member pointer");
    std::ptrdiff_t raw[2];
    std::memcpy(raw, &f, sizeof f);
    EXPECT_EQ(raw[0] % static_cast<std::ptrdiff_t>(sizeof(void*)), 1) << "not virtual";
    return static_cast<std::size_t>(raw[0] - 1) / sizeof(void*);
}

template <typename... F>
std::vector<std::size_t> slots(F... f) {
    return {slotOf(f)...};
}

}  // namespace

TEST(IoptLinearConstraintLayout, OperationsSitInTheirDeclaredSlots) {
    using I = IoptLinearConstraint;
    const std::vector<std::size_t> got = slots(
        &I::isSparse, &I::print, &I::maxConstrViolation, &I::Ax, &I::Aconstr,
        &I::deepCopyRowTranspose, &I::bAt, &I::Aeqx, &I::Aeqconstr, &I::deepCopyRowTransposeAeq,
        &I::deepCopyAeq, &I::deepCopybeq, &I::beqAt, &I::deepCopyAfixed, &I::deepCopybfixed,
        &I::Afixedx, &I::bfixedAt, &I::Afixedconstr, &I::deepCopyRowTransposeAfixed,
        &I::AfixedRow, &I::Albx, &I::Albconstr, &I::deepCopyRowTransposeAlb,
        &I::deepCopyVarRowTransposeAlb, &I::AlbRow, &I::lbAt, &I::Aubx, &I::Aubconstr,
        &I::deepCopyRowTransposeAub, &I::deepCopyVarRowTransposeAub, &I::AubRow, &I::ubAt,
        &I::absmaxA, &I::absmaxAeq, &I::absmaxb, &I::absmaxbeq, &I::getA, &I::getb, &I::getAeq,
        &I::getbeq, &I::getlb, &I::getub, &I::getindexLB, &I::getindexUB, &I::getindexFixed);
    ASSERT_EQ(got.size(), 45u);
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k], k + 2) << "operation " << k;
}
