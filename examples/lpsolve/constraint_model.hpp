#pragma once
// The model's constraints held in a solvutil LinearConstraint, so that the final point is
// judged by the library's own violation measure:
//
//   inequalities  a'x <= up  and  -a'x <= -lo  (a ranged row gives both)
//   equalities    a'x  = lo  (rows with lo = up)
//   bounds        the finite column bounds, as rows made by _createBoundAndFixedConstraints
//
// A and Aeq are compressed-column sparse host arrays, so the model takes memory in
// proportion to the nonzeros of the LP. OPTMatrix's product only takes a dense left
// operand, so the constraint object here overrides Ax and Aeqx with a product that
// walks the stored entries (see constraint_model.cpp).
#include <memory>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"
#include "solvutil/constraints/constraint_counts.hpp"
#include "solvutil/constraints/linear_constraint.hpp"
#include "solvutil/host/kxarray.hpp"

namespace lpsolve {

class ConstraintModel {
public:
    explicit ConstraintModel(const LpModel& lp);
    ~ConstraintModel();
    ConstraintModel(const ConstraintModel&) = delete;
    ConstraintModel& operator=(const ConstraintModel&) = delete;

    /// LinearConstraint::maxConstrViolation at x (one value per model column): the largest
    /// |residual| of equalities and the largest signed residual of inequalities and bounds
    /// (negative when every such row holds strictly); NaN when the model has no rows.
    double maxViolation(const std::vector<double>& x);

    LinearConstraint& constraints() { return *constraints_; }
    const ConstraintCounts& counts() const { return counts_; }

private:
    // Declared before the LinearConstraint, which borrows them, so they outlive it.
    ConstraintCounts counts_;
    kxarray::kxArrayPtr A_, b_, Aeq_, beq_, lb_, ub_;
    std::unique_ptr<LinearConstraint> constraints_;
};

}  // namespace lpsolve
