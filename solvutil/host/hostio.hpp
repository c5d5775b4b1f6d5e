#pragma once
// Host console: printf-style output, flushing, and the UTF-16 console stream.
//
// Every stream returned by hostio::uout() shares one reference-counted console buffer
// with hostPrintf, so text from both reaches the console in the order it was written.
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include "solvutil/host/host_api.hpp"

struct kxArray;

/// printf-style output to the host console.
KALDOR_API void hostPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
/// Makes pending console output visible.
KALDOR_API void ioFlush();

namespace hostio {

/// Output stream of UTF-16 code units over the host console buffer.
///
/// A new stream starts with: no notation flag, precision 6, width 0, fill ' ', right
/// alignment. Each insertion pads its rendering on the left with spaces up to width()
/// (never truncates) and then resets the width to 0. A stream that is not good writes
/// nothing; a short write to the buffer sets failbit|badbit.
class KALDOR_API uostream : public std::basic_ostream<char16_t> {
public:
    using Buffer = std::basic_streambuf<char16_t>;

    explicit uostream(std::shared_ptr<Buffer> buffer);
    ~uostream() override;
    uostream(const uostream&) = delete;
    uostream& operator=(const uostream&) = delete;

    /// Narrow NUL-terminated text; each byte becomes one code unit (ASCII unchanged).
    uostream& operator<<(const char* text);
    /// UTF-16 text, written unchanged.
    uostream& operator<<(const std::u16string& text);
    /// Unsigned decimal integer.
    uostream& operator<<(unsigned long value);
    /// Double in the current notation (scientific, or general when no flag is set) and
    /// precision, with the printf family's e and g rules.
    uostream& operator<<(double value);

    /// Writes `n` code units right-aligned in width(), then resets the width.
    void writePadded(const char16_t* text, std::size_t n);

private:
    std::shared_ptr<Buffer> buffer_;
};

/// A new stream over the host console buffer (constructed in the caller's storage).
KALDOR_API uostream uout();

namespace legacy {
/// Prints `array` under the name `name` on the host console.
KALDOR_API void ioPrintMatrix(const char* name, const kxArray* array);
}  // namespace legacy

}  // namespace hostio
