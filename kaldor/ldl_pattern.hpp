#pragma once
// Lower-triangle coordinate pattern of a 0-based compressed-column matrix, in the form
// the sparse factorization code takes (1-based 32-bit indices), with a map back to the
// caller's value array so each numeric step gathers its values in O(nnz).
#include <cstdint>
#include <vector>

namespace kaldor {

struct LdlPattern {
    long n = 0;
    std::vector<int> rows;             ///< 1-based row of each kept entry
    std::vector<int> cols;             ///< 1-based column of each kept entry
    std::vector<std::int64_t> source;  ///< position in the caller's arrays, or -1 (an added zero)
    std::vector<double> values;        ///< gathered values, same length as rows
};

/// Checks the compressed-column arrays and keeps the entries with row ≥ column. Raises
/// "KALDOR:symIndefFactor:badSize", "...:badColumnStarts" or "...:badRowIndex" on bad input.
/// When no entry is kept (n > 0), an explicit zero diagonal is added so the factorization
/// code sees a non-empty matrix; it then reports the matrix as singular (rank 0).
LdlPattern lowerPattern(const long* ir, const long* jc, long n, long nnz);

/// Copies the kept values out of `values` into pattern.values. Raises
/// "KALDOR:symIndefFactor:nonFiniteValue" (naming the entry) before copying anything
/// when a kept value is infinite or NaN.
void gatherValues(LdlPattern& pattern, const double* values);

/// Checks that `perm` is a permutation of 0..n-1; returns it 1-based. Raises
/// "KALDOR:symIndefFactor:badOrdering" otherwise.
std::vector<int> checkedOrdering(const long* perm, long n);

}  // namespace kaldor
