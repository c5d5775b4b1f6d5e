#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "kaldor/testing.hpp"
#include "solvutil/host/hostio.hpp"

using kaldor::testing::ConsoleCapture;

TEST(HostConsole, PrintfAndStreamShareOneOrderedSink) {
    ConsoleCapture capture;
    hostPrintf("a%d", 1);
    {
        hostio::uostream os = hostio::uout();
        os << "b" << std::u16string(u"\u00e9\u20ac\U0001F600");
    }
    hostPrintf("|");
    EXPECT_EQ(capture.text(), "a1b\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|");
}

TEST(HostConsole, WidthPadsOneWriteThenResets) {
    ConsoleCapture capture;
    hostio::uostream os = hostio::uout();
    EXPECT_EQ(os.precision(), 6);
    EXPECT_EQ(os.width(), 0);
    os.width(5);
    os << 123456UL;  // longer than the field: not truncated
    os << "  ";      // the width is gone: exactly two spaces
    os.width(8);
    os << "";        // empty text in width 8: eight spaces
    os.width(4);
    os << std::u16string(u"ab");
    os << 7UL;
    EXPECT_TRUE(os.good());
    EXPECT_EQ(capture.text(), "123456" + std::string(2 + 8 + 2, ' ') + "ab7");
}

TEST(HostConsole, NumbersMatchPrintf) {
    ConsoleCapture capture;
    std::mt19937_64 rng(42);
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        double v;
        const std::uint64_t bits = rng();
        std::memcpy(&v, &bits, sizeof v);
        char buf[64];
        hostio::uostream os = hostio::uout();
        os.setf(std::ios_base::scientific, std::ios_base::floatfield);
        os.precision(6);
        os.width(14);
        os << v;
        std::snprintf(buf, sizeof buf, "%14.6e", v);
        expected += buf;
        os.unsetf(std::ios_base::floatfield);
        os << v;
        std::snprintf(buf, sizeof buf, "%g", v);
        expected += buf;
    }
    EXPECT_EQ(capture.text(), expected);
}

TEST(HostConsole, FlushIsCounted) {
    const auto before = kaldor::testing::flushCount();
    ioFlush();
    EXPECT_EQ(kaldor::testing::flushCount(), before + 1);
}
