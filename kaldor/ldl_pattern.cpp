// Input validation for the sparse factor. The factorization code trusts its input: an
// index of 0 corrupts its heap, a negative one hangs it, an infinite value ends the
// process. So everything is checked here and reported as a host error instead.
#include "kaldor/ldl_pattern.hpp"

#include <climits>
#include <cmath>

#include "solvutil/host/kxerror.hpp"

namespace kaldor {

LdlPattern lowerPattern(const long* ir, const long* jc, long n, long nnz) {
    if (n < 0 || nnz < 0)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badSize",
                         "Sparse factor: order %ld and entry count %ld must not be negative.", n,
                         nnz);
    if (n >= INT_MAX)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badSize",
                         "Sparse factor: order %ld exceeds the largest supported order %d.", n,
                         INT_MAX - 1);
    if (n > 0 && jc == nullptr)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badColumnStarts",
                         "Sparse factor: the column starts are missing.");
    if (n > 0 && nnz > 0 && ir == nullptr)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badRowIndex",
                         "Sparse factor: the row indices are missing.");
    if (n > 0) {
        if (jc[0] != 0)
            kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badColumnStarts",
                             "Sparse factor: the first column start is %ld, not 0.", jc[0]);
        for (long j = 0; j < n; ++j)
            if (jc[j + 1] < jc[j])
                kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badColumnStarts",
                                 "Sparse factor: column start %ld (%ld) is below column "
                                 "start %ld (%ld).",
                                 j + 1, jc[j + 1], j, jc[j]);
        if (jc[n] != nnz)
            kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badColumnStarts",
                             "Sparse factor: the last column start is %ld but the entry "
                             "count is %ld.",
                             jc[n], nnz);
    } else if (nnz != 0) {
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badColumnStarts",
                         "Sparse factor: a matrix of order 0 cannot hold %ld entries.", nnz);
    }

    LdlPattern p;
    p.n = n;
    long kept = 0;
    for (long j = 0; j < n; ++j)
        for (long k = jc[j]; k < jc[j + 1]; ++k) {
            const long i = ir[k];
            if (i < 0 || i >= n)
                kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badRowIndex",
                                 "Sparse factor: row index %ld of entry %ld (column %ld) is "
                                 "outside 0..%ld.",
                                 i, k, j, n - 1);
            if (i >= j) ++kept;
        }

    const auto reserve = static_cast<std::size_t>(kept > 0 ? kept : n);
    p.rows.reserve(reserve);
    p.cols.reserve(reserve);
    p.source.reserve(reserve);
    for (long j = 0; j < n; ++j)
        for (long k = jc[j]; k < jc[j + 1]; ++k)
            if (ir[k] >= j) {
                p.rows.push_back(static_cast<int>(ir[k] + 1));
                p.cols.push_back(static_cast<int>(j + 1));
                p.source.push_back(k);
            }
    if (kept == 0)
        for (long j = 0; j < n; ++j) {
            p.rows.push_back(static_cast<int>(j + 1));
            p.cols.push_back(static_cast<int>(j + 1));
            p.source.push_back(-1);
        }
    p.values.assign(p.rows.size(), 0.0);
    return p;
}

void gatherValues(LdlPattern& pattern, const double* values) {
    const std::size_t count = pattern.source.size();
    if (values == nullptr)
        for (std::size_t e = 0; e < count; ++e)
            if (pattern.source[e] >= 0)
                kxErrMsgIdAndTxt("KALDOR:symIndefFactor:missingArray",
                                 "Sparse factor: the values are missing.");
    for (std::size_t e = 0; e < count; ++e) {
        const std::int64_t k = pattern.source[e];
        if (k >= 0 && !std::isfinite(values[k]))
            kxErrMsgIdAndTxt("KALDOR:symIndefFactor:nonFiniteValue",
                             "Sparse factor: value %ld (row %d, column %d) is %s.",
                             static_cast<long>(k), pattern.rows[e] - 1, pattern.cols[e] - 1,
                             std::isnan(values[k]) ? "NaN" : "infinite");
    }
    for (std::size_t e = 0; e < count; ++e) {
        const std::int64_t k = pattern.source[e];
        pattern.values[e] = k >= 0 ? values[k] : 0.0;
    }
}

std::vector<int> checkedOrdering(const long* perm, long n) {
    if (perm == nullptr)
        kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badOrdering",
                         "Sparse factor: ordering flag 1 needs a permutation.");
    std::vector<int> order(static_cast<std::size_t>(n));
    std::vector<bool> seen(static_cast<std::size_t>(n), false);
    for (long k = 0; k < n; ++k) {
        const long v = perm[k];
        if (v < 0 || v >= n || seen[static_cast<std::size_t>(v)])
            kxErrMsgIdAndTxt("KALDOR:symIndefFactor:badOrdering",
                             "Sparse factor: entry %ld of the ordering (%ld) is out of range "
                             "or repeated.",
                             k, v);
        seen[static_cast<std::size_t>(v)] = true;
        order[static_cast<std::size_t>(k)] = static_cast<int>(v + 1);
    }
    return order;
}

}  // namespace kaldor
