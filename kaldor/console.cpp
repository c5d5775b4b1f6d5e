// Host console of the stand-in: one sink shared by hostPrintf and every UTF-16 stream.
// UTF-16 code units are converted to UTF-8 as they arrive, so the relative order of
// narrow and wide output is kept. Tests redirect the sink with ConsoleCapture.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "kaldor/testing/services.hpp"
#include "solvutil/host/hostio.hpp"

namespace {

std::mutex g_sinkMutex;
std::string* g_capture = nullptr;
std::size_t g_flushes = 0;

/// Appends UTF-8 bytes to the console: the active capture, or standard output. The
/// caller holds g_sinkMutex.
void writeLocked(const char* bytes, std::size_t n) {
    if (g_capture != nullptr) {
        g_capture->append(bytes, n);
    } else {
        std::fwrite(bytes, 1, n, stdout);
    }
}

/// One console call's text, written in one piece: text from other threads goes before
/// or after it, never inside.
void writeToConsole(const char* bytes, std::size_t n) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    writeLocked(bytes, n);
}

std::size_t encodeUtf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

/// UTF-16 stream buffer that converts to UTF-8 and hands the bytes to the sink at once.
/// One buffer serves every stream of every thread: each write holds the sink's lock while
/// it converts (the pending surrogate is shared state) and writes, so it lands in one piece.
class ConsoleBuffer final : public std::basic_streambuf<char16_t> {
protected:
    // Converts in blocks through a stack buffer: writing allocates nothing.
    std::streamsize xsputn(const char16_t* s, std::streamsize n) override {
        constexpr std::streamsize kBlock = 256;
        char bytes[4 * kBlock];
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        for (std::streamsize at = 0; at < n; at += kBlock) {
            const std::streamsize end = std::min(n, at + kBlock);
            std::size_t used = 0;
            for (std::streamsize i = at; i < end; ++i) used += put(bytes + used, s[i]);
            writeLocked(bytes, used);
        }
        return n;
    }

    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char16_t unit = traits_type::to_char_type(c);
        xsputn(&unit, 1);
        return c;
    }

private:
    // Appends the UTF-8 form of `unit` at `out` (at most 4 bytes); returns the count.
    std::size_t put(char* out, char16_t unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {  // high surrogate: wait for its pair
            pendingHigh_ = unit;
            return 0;
        }
        char32_t cp = unit;
        if (unit >= 0xDC00 && unit < 0xE000 && pendingHigh_ != 0) {
            cp = 0x10000 + ((char32_t(pendingHigh_) - 0xD800) << 10) + (char32_t(unit) - 0xDC00);
        }
        pendingHigh_ = 0;
        return encodeUtf8(out, cp);
    }

    char16_t pendingHigh_ = 0;
};

std::shared_ptr<std::basic_streambuf<char16_t>> consoleBuffer() {
    static auto buffer = std::make_shared<ConsoleBuffer>();
    return buffer;
}

}  // namespace

void hostPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n > 0) {
        std::string text(static_cast<std::size_t>(n), '\0');
        std::vsnprintf(text.data(), text.size() + 1, format, args);
        writeToConsole(text.data(), text.size());
    }
    va_end(args);
}

void ioFlush() {
    {
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        ++g_flushes;
    }
    std::fflush(stdout);
}

namespace hostio {

uostream uout() {
    return uostream(consoleBuffer());
}

}  // namespace hostio

namespace kaldor::testing {

void writeConsoleBytes(const char* bytes, std::size_t n) {
    writeToConsole(bytes, n);
}

std::size_t flushCount() {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    return g_flushes;
}

ConsoleCapture::ConsoleCapture() : previous_(nullptr), own_(new std::string) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    previous_ = g_capture;
    g_capture = own_;
}

ConsoleCapture::~ConsoleCapture() {
    {
        std::lock_guard<std::mutex> lock(g_sinkMutex);
        g_capture = previous_;
    }
    delete own_;
}

std::string ConsoleCapture::text() const {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    return *own_;
}

void ConsoleCapture::clear() {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    own_->clear();
}

}  // namespace kaldor::testing
