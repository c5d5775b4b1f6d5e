// Header texts of the progress-table layouts: each column names a key of the catalog
// "solvlib:solvUtility"; the texts are fetched once per process and SolverName.
//
// Every (SolverName, column) pair owns a function-local static string, and every
// SolverName owns a static array of copies. Guarded static initialisation gives the
// retry rule for free: a fetch or copy that throws leaves its static uninitialised, so
// the next call tries again, and keys already fetched are not fetched twice.
#include <array>
#include <cstddef>
#include <utility>

#include "solvutil/display/layout_table.hpp"
#include "solvutil/display/layout_view.hpp"
#include "solvutil/display/layouts.hpp"
#include "solvutil/host/hostmsg.hpp"

namespace {

using solvutil::display::Layout;

std::u16string fetchHeader(const char* key) {
    const hostmsg::BaseMsgID id({}, solvutil::display::kCatalog, key);
    return hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global());
}

// The cached text of column I of S.
template <SolverName S, std::size_t I>
const std::u16string& headerText() {
    static const std::u16string text = fetchHeader(Layout<S>::columns[I].key);
    return text;
}

template <SolverName S, std::size_t... I>
std::u16string* buildHeaders(std::index_sequence<I...>) {
    (headerText<S, I>(), ...);  // fetch every key first, in column order
    static std::u16string headers[sizeof...(I)] = {headerText<S, I>()...};
    return headers;
}

}  // namespace

template <SolverName S>
std::u16string* getDisplayHeaders() {
    return buildHeaders<S>(std::make_index_sequence<Layout<S>::columns.size()>());
}

namespace {

// One getter per layout, indexed by SolverName value. The display reaches the headers
// through this table, which also makes every instantiation emitted, and so exported.
template <std::size_t... N>
constexpr auto headerGetters(std::index_sequence<N...>) {
    return std::array{&getDisplayHeaders<static_cast<SolverName>(N)>...};
}

[[gnu::used]] constexpr auto kHeaderGetters =
    headerGetters(std::make_index_sequence<solvutil::display::kLayoutCount>());

}  // namespace

namespace solvutil::display {

std::u16string* displayHeaders(SolverName solver) {
    const auto index = static_cast<unsigned>(solver);
    return index < kHeaderGetters.size() ? kHeaderGetters[index]() : nullptr;
}

}  // namespace solvutil::display
