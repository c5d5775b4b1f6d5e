// libstdc++ declares the generic std::ctype<CharT> but defines its virtual members only
// for char and wchar_t. The console stream needs ctype<char16_t> (basic_ios asks it to
// widen the fill character, and narrow-text insertion widens through it), so the stand-in
// defines the members: 7-bit ASCII classification, byte-to-code-unit widening, and
// narrowing that maps non-ASCII code units to the default character.
#include <locale>

namespace {

std::ctype_base::mask asciiMask(char16_t c) {
    using B = std::ctype_base;
    if (c >= 0x80) return 0;
    B::mask m = 0;
    if (c == ' ' || (c >= '\t' && c <= '\r')) m |= B::space;
    if (c < 0x20 || c == 0x7F) m |= B::cntrl;
    if (c >= 'A' && c <= 'Z') m |= B::upper | B::alpha;
    if (c >= 'a' && c <= 'z') m |= B::lower | B::alpha;
    if (c >= '0' && c <= '9') m |= B::digit;
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')) m |= B::xdigit;
    if (c > 0x20 && c < 0x7F) m |= B::graph | B::print;
    if (c == ' ') m |= B::print;
    if ((m & B::graph) && !(m & (B::alpha | B::digit))) m |= B::punct;
    if (c == ' ' || c == '\t') m |= B::blank;
    return m;
}

}  // namespace

namespace std {

template <>
ctype<char16_t>::~ctype() {}

template <>
bool ctype<char16_t>::do_is(mask m, char16_t c) const {
    return (asciiMask(c) & m) != 0;
}

template <>
const char16_t* ctype<char16_t>::do_is(const char16_t* lo, const char16_t* hi, mask* vec) const {
    for (; lo < hi; ++lo, ++vec) *vec = asciiMask(*lo);
    return hi;
}

template <>
const char16_t* ctype<char16_t>::do_scan_is(mask m, const char16_t* lo, const char16_t* hi) const {
    while (lo < hi && !do_is(m, *lo)) ++lo;
    return lo;
}

template <>
const char16_t* ctype<char16_t>::do_scan_not(mask m, const char16_t* lo, const char16_t* hi) const {
    while (lo < hi && do_is(m, *lo)) ++lo;
    return lo;
}

template <>
char16_t ctype<char16_t>::do_toupper(char16_t c) const {
    return (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 'a' + 'A') : c;
}

template <>
const char16_t* ctype<char16_t>::do_toupper(char16_t* lo, const char16_t* hi) const {
    for (; lo < hi; ++lo) *lo = do_toupper(*lo);
    return hi;
}

template <>
char16_t ctype<char16_t>::do_tolower(char16_t c) const {
    return (c >= 'A' && c <= 'Z') ? static_cast<char16_t>(c - 'A' + 'a') : c;
}

template <>
const char16_t* ctype<char16_t>::do_tolower(char16_t* lo, const char16_t* hi) const {
    for (; lo < hi; ++lo) *lo = do_tolower(*lo);
    return hi;
}

template <>
char16_t ctype<char16_t>::do_widen(char c) const {
    return static_cast<char16_t>(static_cast<unsigned char>(c));
}

template <>
const char* ctype<char16_t>::do_widen(const char* lo, const char* hi, char16_t* to) const {
    for (; lo < hi; ++lo, ++to) *to = do_widen(*lo);
    return hi;
}

template <>
char ctype<char16_t>::do_narrow(char16_t c, char dfault) const {
    return c < 0x80 ? static_cast<char>(c) : dfault;
}

template <>
const char16_t* ctype<char16_t>::do_narrow(const char16_t* lo, const char16_t* hi, char dfault,
                                           char* to) const {
    for (; lo < hi; ++lo, ++to) *to = do_narrow(*lo, dfault);
    return hi;
}

}  // namespace std
