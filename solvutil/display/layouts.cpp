// Width, type and precision arrays of the progress-table layouts, derived from the
// layout tables, and their run-time look-up.
#include "solvutil/display/layouts.hpp"

#include <array>
#include <cstddef>
#include <tuple>
#include <utility>

#include "solvutil/display/layout_table.hpp"
#include "solvutil/display/layout_view.hpp"

namespace {

using solvutil::display::Layout;

template <SolverName S, typename = std::make_index_sequence<Layout<S>::columns.size()>>
struct Arrays;

// The exported getters hand out non-const pointers; nothing writes through them.
template <SolverName S, std::size_t... I>
struct Arrays<S, std::index_sequence<I...>> {
    static inline long widths[] = {Layout<S>::columns[I].width...};
    static inline ColumnType types[] = {Layout<S>::columns[I].type...};
    static inline unsigned long precisions[] = {Layout<S>::columns[I].precision...};
};

template <SolverName S>
using ArraysOf = Arrays<solvutil::display::tableOwner<S>()>;

template <SolverName S>
constexpr solvutil::display::LayoutView view() {
    return {Layout<S>::columns.size(), ArraysOf<S>::widths, ArraysOf<S>::types,
            ArraysOf<S>::precisions, Layout<S>::twoLineHeader};
}

template <std::size_t... N>
constexpr auto allViews(std::index_sequence<N...>) {
    return std::array{view<static_cast<SolverName>(N)>()...};
}

constexpr auto kLayouts = allViews(std::make_index_sequence<solvutil::display::kLayoutCount>());

}  // namespace

template <SolverName S>
long* getColumnWidths() {
    return ArraysOf<S>::widths;
}

template <SolverName S>
ColumnType* getColumnTypes() {
    return ArraysOf<S>::types;
}

template <SolverName S>
unsigned long* getColumnPrecisions() {
    return ArraysOf<S>::precisions;
}

namespace {

// The getters are instantiated for every layout here; taking their addresses in a table
// the compiler must keep makes each instantiation emitted, and so exported.
template <std::size_t... N>
constexpr auto getters(std::index_sequence<N...>) {
    return std::tuple{std::array{&getColumnWidths<static_cast<SolverName>(N)>...},
                      std::array{&getColumnTypes<static_cast<SolverName>(N)>...},
                      std::array{&getColumnPrecisions<static_cast<SolverName>(N)>...}};
}

[[gnu::used]] constexpr auto kExportedGetters =
    getters(std::make_index_sequence<solvutil::display::kLayoutCount>());

}  // namespace

namespace solvutil::display {

const LayoutView* findLayout(SolverName solver) noexcept {
    const auto index = static_cast<unsigned>(solver);  // negative values become large
    return index < kLayouts.size() ? &kLayouts[index] : nullptr;
}

}  // namespace solvutil::display
