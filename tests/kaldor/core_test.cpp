// The stand-in host: memory, arrays, console, number rendering and message catalog.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <random>

#include "kaldor/testing/services.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/hostmsg.hpp"
#include "solvutil/host/kxarray.hpp"
#include "solvutil/host/kxmemory.hpp"
#include "tests/support/host_error.hpp"
#include "tests/support/host_guard.hpp"

using namespace kaldor::testing;
using kxarray::kxArrayPtr;

namespace {

std::string fmt(const char* f, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::u16string lookup(const std::string& key, std::vector<hostmsg::MsgArg> args = {},
                      const char* catalog = "solvlib:solvUtility") {
    return hostmsg::MessageCatalog::get_message(hostmsg::BaseMsgID(std::move(args), catalog, key),
                                                hostmsg::KdLocale::global());
}

}  // namespace

// Block and array counters (every leak guard relies on them), failure injection, array handle.
TEST(HostMemory, CountersFailureInjectionAndArrays) {
    HostLeakGuard guard;
    const auto before = allocationStats();
    const auto arrays = arrayStats();
    void* a = kxMallocExCheck(100);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(a) % 16, 0u);
    EXPECT_EQ(allocationStats().liveBytes - before.liveBytes, 100u);
    failAllocationAfter(0);
    EXPECT_EQ(kxMallocEx(8), nullptr);
    failAllocationAfter(1);
    void* allowed = kxMallocEx(8);  // one more succeeds, the next fails, then injection is used up
    EXPECT_EQ(hostErrorId([] { kxMallocExCheck(8); }), "KALDOR:outOfMemory");
    for (void* p : {a, allowed, kxMallocExCheck(8), static_cast<void*>(nullptr)}) kxFreeEx(p);
    kxArrayPtr z(kxCreateNumericMatrix(3, 4, kxDOUBLE_CLASS, kxREAL)), s(kxDuplicateArray(z.get()));
    EXPECT_EQ(arrayStats().live - arrays.live, 2u);
    z = kxarray::do_create_numeric({5, 1}, kxDOUBLE_CLASS, kxREAL);  // releases the first
    EXPECT_EQ(arrayStats().live - arrays.live, 2u);
    EXPECT_EQ(arrayStats().created - arrays.created, 3u);
    failAllocationAfter(0);  // an array's storage is an allocation point too
    EXPECT_EQ(
        hostErrorId([] { kxArrayPtr f(kxCreateNumericMatrix(2, 2, kxDOUBLE_CLASS, kxREAL)); }),
        "KALDOR:outOfMemory");
    EXPECT_EQ(arrayStats().live - arrays.live, 2u);
}

// hostPrintf, UTF-16 streams and ioPrintMatrix share one ordered UTF-8 sink; flushes are counted;
// a new stream prints general notation at precision 6; fields pad text, never cut it.
TEST(HostConsole, OrderedUtf8SinkPaddingFlushesAndIoPrintMatrix) {
    HostLeakGuard guard;
    ConsoleCapture capture;
    hostPrintf("a%d", 1);
    hostio::uout() << "b\xE9" << std::u16string(u"\u00e9\u20ac\U0001F600");  // bytes as Latin-1
    hostPrintf("|");
    EXPECT_EQ(capture.text(), "a1b\xC3\xA9\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|");
    const auto flushes = flushCount();
    ioFlush();
    EXPECT_EQ(flushCount(), flushes + 1);
    capture.clear();
    char want[128];
    std::snprintf(want, sizeof want, "%g|%g|0|18446744073709551615", 0.5, 1234567.0);
    hostio::uostream os = hostio::uout();
    os << 0.5 << "|" << 1234567.0 << "|" << 0UL << "|" << 18446744073709551615UL;
    const std::string q(1000, 'q');
    os.width(1003);
    os << q.c_str();
    os.width(4);
    os << std::u16string(400, u'z');
    EXPECT_EQ(capture.text(), want + ("   " + q) + std::string(400, 'z'));
    capture.clear();
    kxArrayPtr d(kxCreateNumericMatrix(2, 2, kxDOUBLE_CLASS, kxREAL)),
        s(createSparseArray(3, 2, 3)), e(kxCreateNumericMatrix(0, 1, kxDOUBLE_CLASS, kxREAL));
    std::ranges::copy(std::vector<std::size_t>{0, 2, 3}, kxColumnStarts(s.get()));
    std::ranges::copy(std::vector<std::size_t>{2, 0, 1}, kxRowIndices(s.get()));
    std::ranges::copy(std::vector<double>{1.25, 4, -5}, kxRealData(s.get()));
    const double v[4] = {1.5, -2.0, 1e-7, 123456.789};  // column-major
    std::copy(v, v + 4, kxRealData(d.get()));
    for (const auto& [name, array] : {std::pair{"D", &d}, {"S", &s}, {"E", &e}})
        hostio::legacy::ioPrintMatrix(name, array->get());
    const char *g = "%12.5g", *f = "%.5g";
    EXPECT_EQ(capture.text(), "D =\n\n" + fmt(g, 1.5) + fmt(g, 1e-7) + "\n" + fmt(g, -2.0) +
                                  fmt(g, 123456.789) + "\n\nS =\n\n  (3,1)  " + fmt(f, 1.25) +
                                  "\n  (1,1)  " + fmt(f, 4) + "\n  (2,2)  " + fmt(f, -5) +
                                  "\n\nE =\n\n     []\n\n");
}

// Edge values of both signs, random bit patterns and exact decimal and binary rounding ties, in
// every notation and precision with widths 0..29 (the width resets after each write).
TEST(NumberFormat, EveryNotationAndPrecisionMatchesSnprintf) {
    std::vector<double> v{0.0,       DBL_MIN,   DBL_TRUE_MIN, DBL_MAX,  INFINITY, NAN,
                          0.5,       1e-300,    1.5e-7,       0.0001,   0.00001,  100000.0,
                          1e6,       9.9999995, 9.9999994999, 999999.5, 999999.4, 0.99999949999,
                          0.9999995, 9.5,       0.95,         99.95};
    for (std::size_t i = 0, n = v.size(); i < n; ++i) v.push_back(-v[i]);
    std::mt19937_64 rng(20261205);
    std::uniform_int_distribution<std::int64_t> shift(1, 20), digits(1, 99999999);
    for (std::size_t i = 0; i < 300000; ++i) {
        const double x = i % 3 == 0   ? std::bit_cast<double>(rng())
                         : i % 3 == 1 ? static_cast<double>(digits(rng) * 10 + 5)
                                      : std::ldexp(static_cast<double>(2 * digits(rng) + 1),
                                                   -static_cast<int>(shift(rng)));
        v.push_back((rng() & 1) != 0 ? -x : x);
    }
    const auto sci = std::ios_base::scientific, fixed = std::ios_base::fixed;
    const std::size_t all = v.size(), some = 40000;
    const std::tuple<std::ios_base::fmtflags, int, char, std::size_t> modes[] = {
        {sci, 3, 'e', all},    {sci, 6, 'e', all},         {{}, 6, 'g', all},
        {{}, 0, 'g', some},    {{}, 17, 'g', some},        {sci, 0, 'e', some},
        {fixed, 6, 'f', some}, {fixed | sci, 4, 'a', some}};
    for (const auto& [notation, precision, conv, count] : modes) {
        ConsoleCapture capture;
        hostio::uostream os = hostio::uout();
        os.setf(notation, std::ios_base::floatfield);
        os.precision(precision);
        const char f[] = {'%', '*', '.', '*', conv, '\0'};
        for (std::size_t i = 0; i < count; ++i) {
            const int width = static_cast<int>(i % 30);
            capture.clear();
            os.width(width);
            os << v[i];
            char want[512];
            std::snprintf(want, sizeof want, f, width, precision, v[i]);
            ASSERT_EQ(capture.text(), want)
                << std::hexfloat << v[i] << " as %." << precision << conv;
            ASSERT_EQ(os.width(), 0);
        }
    }
}

// Arguments in order, unknown keys and catalogs.
TEST(MessageCatalog, ArgumentsInOrderAndUnknownKeysAndCatalogs) {
    EXPECT_EQ(lookup("LPPreprocessorDisplay", {std::uint64_t{3}, std::uint64_t{2}, std::uint64_t{1},
                                               std::u16string(u"added "), std::uint64_t{7}}),
              u"LP preprocessing removed 3 inequalities, 2 equalities, 1 variables, and added 7 "
              u"nonzero elements.");
    EXPECT_EQ(hostErrorId([] { lookup("NoSuchKey"); }), "KALDOR:messageCatalog:unknownKey");
    EXPECT_EQ(hostErrorId([] { lookup("Iter", {}, "other:catalog"); }),
              "KALDOR:messageCatalog:unknownCatalog");
}

// UTF-8 length boundaries and surrogate pairs round-trip; malformed input becomes U+FFFD, one
// for each unpaired surrogate and one for each byte of a bad sequence.
TEST(MessageCatalog, Utf8AndUtf16Conversions) {
    const std::u16string edges = u"\u007f\u0080\u07ff\u0800\ud7ff\ue000\uffff\U00010000\U0010FFFF";
    EXPECT_EQ(hostmsg::to_ustring(hostmsg::to_string(edges)), edges);
    EXPECT_EQ(hostmsg::to_string(edges).size(), 1 + 2 + 2 + 3 + 3 + 3 + 3 + 4 + 4u);
    const std::string R = "\xEF\xBF\xBD";  // U+FFFD for each unpaired surrogate and bad byte
    const std::u16string r(1, u'\uFFFD');
    EXPECT_EQ(hostmsg::to_string(u"a\U0001F600" + std::u16string{0xDC00, 0xD800, u'b'}),
              "a\xF0\x9F\x98\x80" + R + R + "b");
    const std::pair<std::string, std::u16string> toUtf16[] = {
        {"a\xFFz", u"a" + r + u"z"},
        {"\xED\xA0\x80", r + r + r},  // an encoded surrogate
        {"\xE2\x82", r + r},          // cut short
    };
    for (const auto& [utf8, utf16] : toUtf16) EXPECT_EQ(hostmsg::to_ustring(utf8), utf16) << utf8;
}
