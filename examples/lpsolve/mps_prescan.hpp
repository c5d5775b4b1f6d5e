#pragma once
// A pass over an MPS file before CoinMpsIO reads it: refuses what that reader cannot hold or
// would silently misread, and finds the objective sense, which it ignores.
#include <cstddef>
#include <string>
#include <vector>

namespace lpsolve {

/// Longest line CoinMpsIO is given (its card buffer holds 879 characters; longer lines are
/// split and misread, and very long ones overflow its copies).
inline constexpr std::size_t kMaxMpsLineLength = 512;
/// Longest name or number (its name buffers hold 159 characters and its name hash reads a
/// table of 81 entries, one per character).
inline constexpr std::size_t kMaxMpsFieldLength = 80;
/// Longest BOUNDS line with a tab (CoinMpsIO asserts that such lines fit 80 columns).
inline constexpr std::size_t kMaxMpsTabbedBoundsLine = 80;

struct MpsPrescan {
    bool maximize = false;  ///< from OBJSENSE MAX / MAXIMIZE or a NAME line ending in MAX
    /// 1-based numbers of the OBJSENSE lines; CoinMpsIO gets a comment line in their place
    /// (it drops the row after a one-line "OBJSENSE MAX").
    std::vector<std::size_t> senseLines;
    bool quadratic = false;  ///< a QUADOBJ, QMATRIX or QSECTION section (the objective's Q)
    /// The quadratic section's lines (header and entries, 1-based, sorted) and its entries
    /// (column, column, value as written). CoinMpsIO gets comments in place of those lines:
    /// stopping at the section, its readMps leaks its work arrays.
    std::vector<std::size_t> quadraticLines;
    struct QuadraticEntry {
        std::string column1, column2, value;
    };
    std::vector<QuadraticEntry> quadraticEntries;
};

/// Scans `path` (plain, gzip or bzip2). Throws LpError(BadInput) naming the file and the
/// line for: a directory or other non-regular file; binary content (control bytes other
/// than tab, CR and LF); a line or a name longer than the limits above; a conic or
/// quadratic-constraint section (QCMATRIX, CSECTION); a quadratic objective section
/// (QUADOBJ, QMATRIX, QSECTION) that is indented, not in capitals, not the only one or
/// followed by any section but ENDATA (CoinMpsIO reads it after the rest); a
/// special-ordered-set section or marker; an OBJSENSE without MAX/MAXIMIZE/MIN/MINIMIZE.
MpsPrescan prescanMps(const std::string& path);

}  // namespace lpsolve
