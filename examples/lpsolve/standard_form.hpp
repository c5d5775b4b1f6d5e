#pragma once
// The interior-point method's form of a linear or convex quadratic program:
//
//   minimize c'x + 1/2 x'Qx  subject to  A x = b,  l <= x <= u,
//
// with every row an equality. A row with lo < a'x < up (or one-sided) gets a slack
// column s = a'x with lo <= s <= up, so ranges and inequalities become bounds. Fixed
// columns (l = u) are substituted out; their contribution moves into b, c and the constant.
// Q is n x n over the columns of x (slacks have no entries); for an LP it has none.
#include <cstddef>
#include <vector>

#include "examples/lpsolve/lp_model.hpp"

namespace lpsolve {

struct StandardForm {
    CscMatrix A;                ///< m x n, columns: structural (kept) columns, then slacks
    std::vector<double> b;      ///< m
    std::vector<double> c;      ///< n
    CscMatrix Q;                ///< n x n, symmetric with both triangles, or no entries
    std::vector<double> lower;  ///< n, may be -inf
    std::vector<double> upper;  ///< n, may be +inf
    double constant = 0.0;      ///< objective constant including fixed columns

    /// For each model column: its index in x, or kNone when it was fixed.
    std::vector<std::size_t> columnOf;
    std::vector<double> fixedValue;  ///< value of each model column that was fixed
    std::size_t structuralCols = 0;  ///< x[0 .. structuralCols) are model columns

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t rows() const { return A.rows; }
    std::size_t cols() const { return A.cols; }
};

/// Builds the standard form. Throws LpError(Infeasible) for a row or column whose lower
/// bound exceeds its upper bound.
StandardForm toStandardForm(const LpModel& lp);

/// The model's column values from a standard-form point x.
std::vector<double> modelColumns(const StandardForm& sf, const std::vector<double>& x);

}  // namespace lpsolve
