// Number rendering of the UTF-16 console stream against snprintf, and the message catalog.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "kaldor/catalog_testing.hpp"
#include "kaldor/testing.hpp"
#include "solvutil/host/hostio.hpp"
#include "solvutil/host/hostmsg.hpp"
#include "tests/support/host_error.hpp"

using kaldor::testing::ConsoleCapture;

namespace {

std::vector<double> testValues(std::size_t randomCount) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values{0.0, DBL_MIN, DBL_TRUE_MIN, DBL_MAX, inf, std::nan(""), 1.0, -12.5,
                               0.5, 1234567.0, 1e-300, 1.5e-7, 0.0001, 0.00001, 100000.0, 1e6,
                               9.9999995, 9.9999994999, 999999.5, 0.99999949999, 0.9999995,
                               2.2250738585072009e-308, 1e308, 123456.0, 999999.4, 9.5, 0.95, 99.95};
    for (std::size_t i = 0, n = values.size(); i < n; ++i) values.push_back(-values[i]);
    std::mt19937_64 rng(20261205);
    std::uniform_int_distribution<int> exp10(-320, 308), shift(1, 20);
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::uniform_int_distribution<std::int64_t> tieDigits(1, 99999999);
    for (std::size_t i = 0; i < randomCount; ++i) {
        double v = 0.0;
        const std::uint64_t bits = rng();
        switch (i % 4) {
            case 0: std::memcpy(&v, &bits, sizeof v); break;
            case 1: v = mant(rng) * std::pow(10.0, exp10(rng)); break;
            // Integers and odd multiples of a power of two ending in 5: exact rounding ties.
            case 2: v = static_cast<double>(tieDigits(rng) * 10 + 5); break;
            case 3: v = std::ldexp(static_cast<double>(2 * tieDigits(rng) + 1), -shift(rng)); break;
        }
        values.push_back((rng() & 1) != 0 ? -v : v);
    }
    return values;
}

// A console buffer that accepts at most `room` code units, or throws on any write.
struct LimitedBuffer : std::basic_streambuf<char16_t> {
    LimitedBuffer(std::size_t r, bool t) : room(r), throws(t) {}
    std::size_t room;
    bool throws;
    std::u16string written;
    std::streamsize xsputn(const char16_t* s, std::streamsize n) override {
        if (throws) throw std::runtime_error("console gone");
        const auto k =
            std::min<std::streamsize>(n, static_cast<std::streamsize>(room - written.size()));
        written.append(s, static_cast<std::size_t>(k));
        return k;
    }
    int_type overflow(int_type c) override {
        const char16_t u = traits_type::to_char_type(c);
        return xsputn(&u, 1) == 1 ? c : traits_type::eof();
    }
};

std::u16string lookup(const std::string& key, std::vector<hostmsg::MsgArg> args = {},
                      const char* catalog = "solvlib:solvUtility") {
    const hostmsg::BaseMsgID id(std::move(args), catalog, key);
    return hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global());
}

}  // namespace

TEST(NumberFormat, EveryNotationAndPrecisionMatchesSnprintf) {
    const std::vector<double> values = testValues(300000);
    const auto sci = std::ios_base::scientific, fixed = std::ios_base::fixed;
    struct Mode { std::ios_base::fmtflags notation; int precision; char conversion; std::size_t count; };
    const Mode modes[] = {{sci, 3, 'e', 300000}, {sci, 6, 'e', 300000}, {{}, 6, 'g', 300000},
                          {{}, 0, 'g', 40000},   {{}, 1, 'g', 40000},   {{}, 2, 'g', 40000},
                          {{}, 17, 'g', 40000},  {sci, 0, 'e', 40000},  {sci, 1, 'e', 40000},
                          {sci, 17, 'e', 40000}, {fixed, 6, 'f', 40000}, {fixed | sci, 4, 'a', 40000}};
    for (const auto& mode : modes) {
        ConsoleCapture capture;
        hostio::uostream os = hostio::uout();
        os.setf(mode.notation, std::ios_base::floatfield);
        os.precision(mode.precision);
        const char fmt[] = {'%', '*', '.', '*', mode.conversion, '\0'};
        for (std::size_t i = 0, failures = 0; i < mode.count && failures < 10; ++i) {
            const int width = static_cast<int>(i % 30);
            capture.clear();
            os.width(width);
            os << values[i];
            char expected[512];
            std::snprintf(expected, sizeof expected, fmt, width, mode.precision, values[i]);
            if (capture.text() != expected) {
                ++failures;
                ADD_FAILURE() << std::hexfloat << values[i] << " as %." << mode.precision
                              << mode.conversion << ": got \"" << capture.text() << "\", want \""
                              << expected << "\"";
            }
            ASSERT_EQ(os.width(), 0) << "width must reset after each write";
        }
        EXPECT_TRUE(os.good());
    }
}

TEST(NumberFormat, DefaultsIntegersAndWideFields) {
    ConsoleCapture capture;
    hostio::uostream os = hostio::uout();
    os << 0.5 << "|" << 1234567.0 << "|" << 12.0 << "|" << 0UL << "|" << 18446744073709551615UL;
    char expected[128];
    std::snprintf(expected, sizeof expected, "%g|%g|%g|0|18446744073709551615", 0.5, 1234567.0, 12.0);
    EXPECT_EQ(capture.text(), expected);
    capture.clear();
    const std::string longText(1000, 'q');
    os.width(1003);
    os << longText.c_str();
    os.width(300);
    os << std::u16string(u"xy");
    os.width(4);
    os << std::u16string(400, u'z');
    os.width(8);
    os << "";
    EXPECT_EQ(capture.text(), "   " + longText + std::string(298, ' ') + "xy" + std::string(400, 'z') +
                                  std::string(8, ' '));
}

TEST(NumberFormat, OutputErrorsStayInTheStream) {
    auto shortBuffer = std::make_shared<LimitedBuffer>(5, false);
    {
        hostio::uostream os(shortBuffer);
        os << "abc";
        EXPECT_TRUE(os.good());
        os.width(6);
        os << 7UL;  // needs 6 code units, 2 fit
        EXPECT_TRUE(os.bad() && os.fail());
        os << "zz";  // a failed stream writes nothing more
    }
    EXPECT_EQ(shortBuffer->written, u"abc  ");
    auto throwing = std::make_shared<LimitedBuffer>(100, true);
    hostio::uostream quiet(throwing);
    EXPECT_NO_THROW(quiet << 1.0);
    EXPECT_TRUE(quiet.bad());
    hostio::uostream loud(throwing);
    loud.exceptions(std::ios_base::badbit);
    EXPECT_THROW(loud << "x", std::runtime_error);
}

TEST(MessageCatalog, FillsArgumentsAndRejectsUnknownNames) {
    const std::vector<hostmsg::MsgArg> summary{std::uint64_t{3}, std::uint64_t{2}, std::uint64_t{1},
                                               std::u16string(u"added "), std::uint64_t{7}};
    EXPECT_EQ(lookup("LPPreprocessorDisplay", summary),
              u"LP preprocessing removed 3 inequalities, 2 equalities, 1 variables, and added 7 "
              u"nonzero elements.");
    {
        kaldor::testing::ScopedCatalogText text("LPPreprocessorDisplay",
                                                u"{4}/{3}/{2}/{1}/{0}/{5}/{x}");
        EXPECT_EQ(lookup("LPPreprocessorDisplay",
                         {std::int64_t{-3}, std::uint64_t{18446744073709551615UL},
                          std::string("n\xC3\xA9"), std::u16string(u"\u20ac"), std::int64_t{0}}),
                  u"0/\u20ac/n\u00e9/18446744073709551615/-3/{5}/{x}");
    }
    EXPECT_EQ(hostErrorId([] { lookup("NoSuchKey"); }), "KALDOR:messageCatalog:unknownKey");
    EXPECT_EQ(hostErrorId([] { lookup("Iter", {}, "other:catalog"); }),
              "KALDOR:messageCatalog:unknownCatalog");
}

TEST(MessageCatalog, FailureHookAndLookupCounts) {
    const auto total = kaldor::testing::catalogLookups();
    const auto iter = kaldor::testing::catalogLookups("Iter");
    {
        kaldor::testing::ScopedCatalogFailure fail("Iter");
        EXPECT_EQ(hostErrorId([] { lookup("Iter"); }), "KALDOR:messageCatalog:injectedFailure");
        EXPECT_EQ(lookup("Time"), u"Time");
    }
    EXPECT_EQ(lookup("Iter"), u"Iter");
    EXPECT_EQ(kaldor::testing::catalogLookups("Iter"), iter + 2);
    EXPECT_EQ(kaldor::testing::catalogLookups(), total + 3);
}

TEST(MessageCatalog, Utf8AndUtf16RoundTrip) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<char32_t> bmp(1, 0xFFFF), astral(0x10000, 0x10FFFF);
    for (int trial = 0; trial < 200; ++trial) {
        std::u16string text;
        for (int i = 0; i < 50; ++i) {
            char32_t cp = (i % 3 == 0) ? astral(rng) : bmp(rng);
            if (cp >= 0xD800 && cp < 0xE000) cp = u'x';
            if (cp >= 0x10000) {
                text.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
                cp = 0xDC00 + ((cp - 0x10000) & 0x3FF);
            }
            text.push_back(static_cast<char16_t>(cp));
        }
        ASSERT_EQ(hostmsg::to_ustring(hostmsg::to_string(text)), text);
    }
    EXPECT_EQ(hostmsg::to_string(u"a\u00e9\u20ac\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(hostmsg::to_ustring(std::string("a\xFF" "b")), u"a\uFFFDb");  // malformed byte
    EXPECT_EQ(hostmsg::to_string(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}
