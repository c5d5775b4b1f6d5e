// The stand-in message catalog: argument filling, text conversion, failure and
// look-up-count hooks.
#include <gtest/gtest.h>

#include <random>

#include "kaldor/catalog_testing.hpp"
#include "solvutil/host/hostmsg.hpp"
#include "tests/support/host_error.hpp"

namespace {

std::u16string lookup(const std::string& key, std::vector<hostmsg::MsgArg> args = {},
                      const char* catalog = "solvlib:solvUtility") {
    const hostmsg::BaseMsgID id(std::move(args), catalog, key);
    return hostmsg::MessageCatalog::get_message(id, hostmsg::KdLocale::global());
}

}  // namespace

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
