// Host console of the stand-in: one sink shared by hostPrintf and every UTF-16 stream.
// UTF-16 code units are converted to UTF-8 as they arrive, so the relative order of
// narrow and wide output is kept. Tests redirect the sink with ConsoleCapture.
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "kaldor/console_sink.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/host/hostio.hpp"

namespace {

std::mutex g_sinkMutex;
std::string* g_capture = nullptr;
std::size_t g_flushes = 0;

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

/// UTF-16 stream buffer that converts to UTF-8 and hands the bytes to the sink at once.
class ConsoleBuffer final : public std::basic_streambuf<char16_t> {
protected:
    std::streamsize xsputn(const char16_t* s, std::streamsize n) override {
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(n));
        for (std::streamsize i = 0; i < n; ++i) put(bytes, s[i]);
        kaldor::detail::writeToConsole(bytes.data(), bytes.size());
        return n;
    }

    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char16_t unit = traits_type::to_char_type(c);
        xsputn(&unit, 1);
        return c;
    }

private:
    void put(std::string& out, char16_t unit) {
        if (unit >= 0xD800 && unit < 0xDC00) {  // high surrogate: wait for its pair
            pendingHigh_ = unit;
            return;
        }
        if (unit >= 0xDC00 && unit < 0xE000 && pendingHigh_ != 0) {
            const char32_t cp = 0x10000 + ((char32_t(pendingHigh_) - 0xD800) << 10) +
                                (char32_t(unit) - 0xDC00);
            pendingHigh_ = 0;
            appendUtf8(out, cp);
            return;
        }
        pendingHigh_ = 0;
        appendUtf8(out, unit);
    }

    char16_t pendingHigh_ = 0;
};

std::shared_ptr<std::basic_streambuf<char16_t>> consoleBuffer() {
    static auto buffer = std::make_shared<ConsoleBuffer>();
    return buffer;
}

}  // namespace

namespace kaldor::detail {

void writeToConsole(const char* bytes, std::size_t n) {
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (g_capture != nullptr) {
        g_capture->append(bytes, n);
    } else {
        std::fwrite(bytes, 1, n, stdout);
    }
}

}  // namespace kaldor::detail

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
        kaldor::detail::writeToConsole(text.data(), text.size());
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

uostream uout() { return uostream(consoleBuffer()); }

}  // namespace hostio

namespace kaldor::testing {

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
