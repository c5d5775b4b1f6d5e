#pragma once
// Run-time access to the progress-table layouts (internal to libsolvutil): what the display
// code needs about one SolverName, looked up by value.
#include <cstddef>
#include <string>

#include "solvutil/display/solver_name.hpp"

namespace solvutil::display {

/// The message catalog every display text comes from.
inline constexpr const char* kCatalog = "solvlib:solvUtility";

/// Everything the display code needs about one layout.
struct LayoutView {
    std::size_t columns;
    const long* widths;
    const ColumnType* types;
    const unsigned long* precisions;
    bool twoLineHeader;  ///< header texts may hold a line break printed on a second line
};

/// The layout of `solver`, or nullptr for a value without a layout.
const LayoutView* findLayout(SolverName solver) noexcept;
/// getDisplayHeaders<S>() for a run-time S (which must have a layout).
std::u16string* displayHeaders(SolverName solver);

}  // namespace solvutil::display
