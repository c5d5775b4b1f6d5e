// The UTF-16 console stream. libstdc++ has no numeric or ctype facets for char16_t, so
// the stream renders every value itself: numbers with std::to_chars, which produces the
// printf family's e and g conversions exactly (C locale, '.' as the decimal point),
// then widens the ASCII result to UTF-16 and pads it on the left to the field width.
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

std::size_t renderDouble(double v, std::ios_base::fmtflags flags, std::streamsize precision,
                         char* buf, std::size_t size) {
    const auto notation = flags & std::ios_base::floatfield;
    std::chars_format fmt = std::chars_format::general;
    if (notation == std::ios_base::scientific) fmt = std::chars_format::scientific;
    if (notation == std::ios_base::fixed) fmt = std::chars_format::fixed;
    if (notation == (std::ios_base::fixed | std::ios_base::scientific)) fmt = std::chars_format::hex;
    const int p = precision < 0 ? 6 : static_cast<int>(precision);
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
        bool ok = true;
        for (std::streamsize pad = w - static_cast<std::streamsize>(n); ok && pad > 0; --pad) {
            ok = !traits_type::eq_int_type(rdbuf()->sputc(fill()), traits_type::eof());
        }
        if (ok) ok = rdbuf()->sputn(text, static_cast<std::streamsize>(n)) ==
                     static_cast<std::streamsize>(n);
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
    std::u16string wide(n, u'\0');
    std::use_facet<std::ctype<char16_t>>(getloc()).widen(text, text + n, wide.data());
    writePadded(wide.data(), n);
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
    if (n == 0) {  // very high precision: let snprintf size the text
        const auto notation = flags() & std::ios_base::floatfield;
        const char* spec = notation == std::ios_base::scientific ? "%.*e"
                           : notation == std::ios_base::fixed    ? "%.*f"
                                                                 : "%.*g";
        const int p = static_cast<int>(precision());
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
