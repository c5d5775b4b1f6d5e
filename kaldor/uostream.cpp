// The UTF-16 console stream. libstdc++ has no numeric or ctype facets for char16_t, so
// the stream renders every value itself: numbers with std::to_chars, which produces the
// printf family's e and g conversions exactly (C locale, '.' as the decimal point),
// then widens the ASCII result to UTF-16 and pads it to the field width. Every write,
// padding included, reaches the buffer in one call, so the console shows it in one piece
// even when several threads write; short writes are assembled on the stack, so a display
// row costs no heap allocation.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <locale>
#include <string>

#include "solvutil/host/hostio.hpp"

namespace hostio {
namespace {

// Enough for every finite double in e/g notation up to precision 100; longer requests
// fall back to snprintf.
constexpr std::size_t kNumberBuffer = 160;
// Writes whose padded text fits here go to the buffer in one sputn.
constexpr std::size_t kStackText = 256;

// Renders `v` as printf would with "%.*e" (scientific), "%.*f" (fixed) or "%.*g" (no
// flag); returns 0 when the text does not fit or the notation is hexadecimal (to_chars
// writes no "0x" prefix there, so snprintf's %a is used instead).
std::size_t renderDouble(double v, std::ios_base::fmtflags flags, std::streamsize precision,
                         char* buf, std::size_t size) {
    const auto notation = flags & std::ios_base::floatfield;
    std::chars_format fmt = std::chars_format::general;
    if (notation == std::ios_base::scientific) fmt = std::chars_format::scientific;
    if (notation == std::ios_base::fixed) fmt = std::chars_format::fixed;
    if (notation == (std::ios_base::fixed | std::ios_base::scientific)) return 0;
    const int p = precision < 0 ? 6 : static_cast<int>(std::min<std::streamsize>(precision, 1000));
    const auto [end, ec] = std::to_chars(buf, buf + size, v, fmt, p);
    if (ec == std::errc()) return static_cast<std::size_t>(end - buf);
    return 0;
}

}  // namespace

namespace {
// The classic locale plus the char16_t ctype facet (char16_ctype.cpp), shared by all
// console streams; it is what widens narrow text and the fill character.
const std::locale& consoleLocale() {
    static const std::locale loc(std::locale::classic(), new std::ctype<char16_t>);
    return loc;
}
}  // namespace

uostream::uostream(std::shared_ptr<Buffer> buffer)
    : std::basic_ostream<char16_t>(buffer.get()), buffer_(std::move(buffer)) {
    imbue(consoleLocale());
}

uostream::~uostream() = default;

void uostream::writePadded(const char16_t* text, std::size_t n) {
    sentry guard(*this);
    if (!guard) return;
    try {
        const std::streamsize w = width();
        width(0);
        const std::size_t pad =
            w > static_cast<std::streamsize>(n) ? static_cast<std::size_t>(w) - n : 0;
        const bool padAfter = (flags() & std::ios_base::adjustfield) == std::ios_base::left;
        const char16_t fillUnit = fill();
        bool ok = true;
        if (pad + n <= kStackText) {
            char16_t line[kStackText];
            char16_t* const textAt = padAfter ? line : line + pad;
            char16_t* const padAt = padAfter ? line + n : line;
            std::fill(padAt, padAt + pad, fillUnit);
            std::copy(text, text + n, textAt);
            const auto total = static_cast<std::streamsize>(pad + n);
            ok = rdbuf()->sputn(line, total) == total;
        } else {  // long text: assembled on the heap, still one buffer call
            std::u16string line(pad + n, fillUnit);
            std::copy(text, text + n, line.data() + (padAfter ? 0 : pad));
            const auto total = static_cast<std::streamsize>(line.size());
            ok = rdbuf()->sputn(line.data(), total) == total;
        }
        if (!ok) setstate(std::ios_base::badbit | std::ios_base::failbit);
    } catch (...) {
        try {
            setstate(std::ios_base::badbit);
        } catch (...) {
        }
        if (exceptions() & std::ios_base::badbit) throw;
    }
}

uostream& uostream::operator<<(const char* text) {
    const std::size_t n = std::strlen(text);
    const auto& ctype = std::use_facet<std::ctype<char16_t>>(getloc());
    if (n <= kStackText) {
        char16_t wide[kStackText];
        ctype.widen(text, text + n, wide);
        writePadded(wide, n);
    } else {
        std::u16string wide(n, u'\0');
        ctype.widen(text, text + n, wide.data());
        writePadded(wide.data(), n);
    }
    return *this;
}

uostream& uostream::operator<<(const std::u16string& text) {
    writePadded(text.data(), text.size());
    return *this;
}

uostream& uostream::operator<<(unsigned long value) {
    char buf[24];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    (void)ec;
    char16_t wide[24];
    const auto n = static_cast<std::size_t>(end - buf);
    for (std::size_t i = 0; i < n; ++i) wide[i] = static_cast<char16_t>(buf[i]);
    writePadded(wide, n);
    return *this;
}

uostream& uostream::operator<<(double value) {
    char buf[kNumberBuffer];
    std::size_t n = renderDouble(value, flags(), precision(), buf, sizeof buf);
    if (n == 0) {  // hexadecimal or very high precision: let snprintf size the text
        const auto notation = flags() & std::ios_base::floatfield;
        const char* spec = notation == std::ios_base::scientific   ? "%.*e"
                           : notation == std::ios_base::fixed      ? "%.*f"
                           : notation == std::ios_base::floatfield ? "%.*a"
                                                                   : "%.*g";
        const int p =
            precision() < 0 ? -1 : static_cast<int>(std::min<std::streamsize>(precision(), 100000));
        std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, spec, p, value)), '\0');
        std::snprintf(text.data(), text.size() + 1, spec, p, value);
        std::u16string wide(text.begin(), text.end());
        writePadded(wide.data(), wide.size());
        return *this;
    }
    char16_t wide[kNumberBuffer];
    for (std::size_t i = 0; i < n; ++i) wide[i] = static_cast<char16_t>(buf[i]);
    writePadded(wide, n);
    return *this;
}

}  // namespace hostio
