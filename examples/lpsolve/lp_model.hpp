#pragma once
// The linear or quadratic program as read from a file, before any transformation:
//
//   minimize    c'x + 1/2 x'Qx + objectiveConstant
//   subject to  rowLower <= A x <= rowUpper,   colLower <= x <= colUpper.
//
// Infinite bounds are +-infinity. A is compressed-column (0-based). A file that maximizes
// arrives negated (c and the constant), with `maximize` set so that the objective can be
// reported in the file's sense. Q is symmetric, stored with both triangles (hessian.hpp);
// it has no entries for a linear program.
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace lpsolve {

inline constexpr double kInf = std::numeric_limits<double>::infinity();

/// Compressed-column sparse matrix with plain std::vector storage.
struct CscMatrix {
    std::size_t rows = 0;
    std::size_t cols = 0;
    std::vector<std::size_t> colStart;  ///< cols + 1 entries
    std::vector<std::size_t> rowIndex;  ///< one per stored entry
    std::vector<double> value;          ///< one per stored entry

    std::size_t nnz() const { return colStart.empty() ? 0 : colStart.back(); }
};

struct LpModel {
    std::string name;
    CscMatrix A;                     ///< rows x cols constraint matrix
    std::vector<double> objective;   ///< c, one per column
    CscMatrix Q;                     ///< Hessian, cols x cols or empty (no columns)
    double objectiveConstant = 0.0;  ///< added to c'x when the objective is reported
    std::vector<double> colLower, colUpper;
    std::vector<double> rowLower, rowUpper;
    std::size_t integerColumns = 0;  ///< integer markers found (they are relaxed)
    bool maximize = false;           ///< the file maximizes; c and the constant are negated

    std::size_t numRows() const { return A.rows; }
    std::size_t numCols() const { return A.cols; }
};

}  // namespace lpsolve
