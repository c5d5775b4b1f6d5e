// Renderings of the UTF-16 console stream against snprintf, over a few hundred thousand
// doubles: random bit patterns (every exponent, subnormals, NaNs), random decimals,
// exact rounding ties and the special values.
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

#include "kaldor/testing.hpp"
#include "solvutil/host/hostio.hpp"

using kaldor::testing::ConsoleCapture;

namespace {

std::vector<double> specialValues() {
    const double inf = std::numeric_limits<double>::infinity();
    return {0.0,          -0.0,         DBL_MIN,     -DBL_MIN,     DBL_TRUE_MIN, -DBL_TRUE_MIN,
            DBL_MAX,      -DBL_MAX,     inf,         -inf,         std::nan(""), 1.0,
            -12.5,        0.5,          1234567.0,   1e-300,       1.5e-7,       0.0001,
            0.00001,      100000.0,     1000000.0,   9.9999995,    9.9999994999, 999999.5,
            0.99999949999, 0.9999995,   5e-324,      2.2250738585072009e-308,      1e308,
            123456.0,     999999.4,     9.5,         0.95,         99.95};
}

// Random doubles: raw bit patterns cover every exponent (subnormals and NaNs included);
// decimal mantissas times powers of ten hit the values people print; integers and
// dyadic fractions with a trailing 5 are exact ties at some precision.
std::vector<double> testValues(std::size_t randomCount) {
    std::vector<double> values = specialValues();
    std::mt19937_64 rng(20261205);
    std::uniform_int_distribution<int> exp10(-320, 308);
    std::uniform_real_distribution<double> mant(1.0, 10.0);
    std::uniform_int_distribution<std::int64_t> tieDigits(1, 99999999);
    std::uniform_int_distribution<int> shift(1, 20);
    for (std::size_t i = 0; i < randomCount; ++i) {
        double v = 0.0;
        switch (i % 4) {
            case 0: {
                const std::uint64_t bits = rng();
                std::memcpy(&v, &bits, sizeof v);
                break;
            }
            case 1:
                v = mant(rng) * std::pow(10.0, exp10(rng));
                break;
            case 2:  // integer ending in 5: a tie at one digit less than it has
                v = static_cast<double>(tieDigits(rng) * 10 + 5);
                break;
            case 3:  // odd multiple of a power of two: exact, ends in 5
                v = std::ldexp(static_cast<double>(2 * tieDigits(rng) + 1), -shift(rng));
                break;
        }
        values.push_back((rng() & 1) != 0 ? -v : v);
    }
    return values;
}

struct Mode {
    std::ios_base::fmtflags notation;
    int precision;
    char conversion;
};

// Writes every value (with a width from 0 to 29) through one stream and compares the
// whole output with snprintf's, value by value so that a failure names the value.
void expectRenderingsMatch(const Mode& mode, const std::vector<double>& values) {
    ConsoleCapture capture;
    hostio::uostream os = hostio::uout();
    os.setf(mode.notation, std::ios_base::floatfield);
    if (mode.notation == std::ios_base::fmtflags{}) os.unsetf(std::ios_base::floatfield);
    os.precision(mode.precision);
    const char spec[] = {'%', '*', '.', '*', mode.conversion, '\0'};
    std::size_t failures = 0;
    for (std::size_t i = 0; i < values.size() && failures < 10; ++i) {
        const int width = static_cast<int>(i % 30);
        capture.clear();
        os.width(width);
        os << values[i];
        char expected[512];
        std::snprintf(expected, sizeof expected, spec, width, mode.precision, values[i]);
        if (capture.text() != expected) {
            ++failures;
            ADD_FAILURE() << "value " << std::hexfloat << values[i] << " precision "
                          << mode.precision << " conversion " << mode.conversion << ": got \""
                          << capture.text() << "\", snprintf gives \"" << expected << "\"";
        }
        ASSERT_EQ(os.width(), 0) << "width must reset after each write";
    }
    EXPECT_TRUE(os.good());
}

}  // namespace

TEST(NumberFormat, ScientificAndGeneralMatchSnprintf) {
    const std::vector<double> values = testValues(300000);
    const auto sci = std::ios_base::scientific;
    expectRenderingsMatch({sci, 3, 'e'}, values);
    expectRenderingsMatch({sci, 6, 'e'}, values);
    expectRenderingsMatch({{}, 6, 'g'}, values);
}

TEST(NumberFormat, LowAndHighPrecisionsMatchSnprintf) {
    const std::vector<double> values = testValues(40000);
    const auto sci = std::ios_base::scientific;
    for (int p : {0, 1, 2, 17}) expectRenderingsMatch({{}, p, 'g'}, values);
    for (int p : {0, 1, 17}) expectRenderingsMatch({sci, p, 'e'}, values);
    // Fixed and hexadecimal notation are not used by the displays but must not lie.
    expectRenderingsMatch({std::ios_base::fixed, 6, 'f'}, values);
    expectRenderingsMatch({std::ios_base::fixed | std::ios_base::scientific, 4, 'a'}, values);
}

TEST(NumberFormat, DefaultStateAndWorkedExamples) {
    ConsoleCapture capture;
    hostio::uostream os = hostio::uout();
    EXPECT_EQ(os.precision(), 6);
    EXPECT_EQ(os.width(), 0);
    EXPECT_EQ(os.fill(), u' ');
    EXPECT_EQ(os.flags() & std::ios_base::floatfield, std::ios_base::fmtflags{});
    os << 0.5 << "|" << 1234567.0 << "|" << 12.0 << "|";
    os.setf(std::ios_base::scientific, std::ios_base::floatfield);
    os.width(14);
    os << -12.5 << "|";
    os.width(14);
    os << 1e-300 << "|";
    os.precision(3);
    os << 1.5e-7 << "|";
    os.width(5);
    os << 123456UL << "  " << 0UL << "|" << 18446744073709551615UL;
    EXPECT_EQ(capture.text(),
              "0.5|1.23457e+06|12| -1.250000e+01| 1.000000e-300|1.500e-07|123456  0|"
              "18446744073709551615");
}

namespace {

// A console buffer that accepts at most `room` code units, or throws on any write.
class LimitedBuffer : public std::basic_streambuf<char16_t> {
public:
    LimitedBuffer(std::size_t room, bool throws) : room_(room), throws_(throws) {}
    std::u16string written;

protected:
    std::streamsize xsputn(const char16_t* s, std::streamsize n) override {
        if (throws_) throw std::runtime_error("console gone");
        const auto k = std::min<std::streamsize>(n, static_cast<std::streamsize>(room_ - written.size()));
        written.append(s, static_cast<std::size_t>(k));
        return k;
    }
    int_type overflow(int_type c) override {
        const char16_t u = traits_type::to_char_type(c);
        return xsputn(&u, 1) == 1 ? c : traits_type::eof();
    }

private:
    std::size_t room_;
    bool throws_;
};

}  // namespace

TEST(NumberFormat, OutputErrorsStayInTheStream) {
    auto shortBuffer = std::make_shared<LimitedBuffer>(5, false);
    {
        hostio::uostream os(shortBuffer);
        os << "abc";
        EXPECT_TRUE(os.good());
        os.width(6);
        os << 7UL;  // needs 6 code units, 2 fit
        EXPECT_TRUE(os.bad());
        EXPECT_TRUE(os.fail());
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

TEST(NumberFormat, LongTextsAndWideFieldsArePaddedInFull) {
    ConsoleCapture capture;
    hostio::uostream os = hostio::uout();
    const std::string longText(1000, 'q');
    os.width(1003);
    os << longText.c_str();
    os.width(300);
    os << std::u16string(u"xy");
    os.width(4);
    os << std::u16string(400, u'z');
    EXPECT_EQ(capture.text(),
              "   " + longText + std::string(298, ' ') + "xy" + std::string(400, 'z'));
}
