// Bounded printf-style formatting, and its guard against formats that do not
// match their arguments (language files are written by translators).
#include "common/format.h"
#include "common/utf8.h"

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

using common::formatBounded;
using common::formatBoundedW;

TEST(Format, NumbersAndTextAsPrintfWritesThem)
{
    EXPECT_EQ(formatBounded(256, "msel %d%c%d%c%s", 3, '\x7F', 12, '\x7F', std::string("tag")),
              "msel 3\x7F" "12\x7Ftag");
    EXPECT_EQ(formatBounded(64, "%05d|%-4d|%+d|% d", 42, 7, 5, 3), "00042|7   |+5| 3");
    EXPECT_EQ(formatBounded(64, "%x %X %o %#x", 255, 255, 8, 255), "ff FF 10 0xff");
    EXPECT_EQ(formatBounded(64, "%x", -1), "ffffffff");
    EXPECT_EQ(formatBounded(64, "%llx", std::int64_t(-1)), "ffffffffffffffff");
    EXPECT_EQ(formatBounded(64, "%u", std::uint64_t(18446744073709551615ull)), "18446744073709551615");
    EXPECT_EQ(formatBounded(64, "%ld %lld %I64d %hd %zu", 1L, 2LL, 3LL, short(4), std::size_t(5)), "1 2 3 4 5");
    EXPECT_EQ(formatBounded(64, "%.2f %.14g %g", 3.14159, double(0.1f), 1e20), "3.14 0.10000000149012 1e+20");
    EXPECT_EQ(formatBounded(64, "%*d|%-*d|%.*s", 5, 42, 3, 1, 2, "abcdef"), "   42|1  |ab");
    EXPECT_EQ(formatBounded(64, "%5s|%-5s|%.3s|%%", "ab", "cd", "efghij"), "   ab|cd   |efg|%");
    EXPECT_EQ(formatBounded(64, "%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(formatBounded(64, "%c%c", 'h', 105), "hi");
    EXPECT_EQ(formatBounded(64, "no conversions"), "no conversions");
}

TEST(Format, OutputIsCutToTheBoundLessOne)
{
    EXPECT_EQ(formatBounded(5, "abcdefgh"), "abcd");
    EXPECT_EQ(formatBounded(5, "%s", "abcdefgh"), "abcd");
    EXPECT_EQ(formatBounded(6, "ab%dcd", 12345), "ab123");
    EXPECT_EQ(formatBounded(1, "abc"), "");
    EXPECT_EQ(formatBounded(0, "abc"), "");
    EXPECT_EQ(formatBounded(4, "abc"), "abc");
    // The cut is byte-exact, as a fixed buffer would cut it.
    EXPECT_EQ(formatBounded(3, "\xC3\xA9\xC3\xA9"), "\xC3\xA9");
    EXPECT_EQ(formatBounded(2, "\xC3\xA9"), "\xC3");
    // Huge widths from a bad format cost nothing beyond the bound.
    EXPECT_EQ(formatBounded(10, "%999999999d", 1), std::string(9, ' '));
    EXPECT_EQ(formatBounded(8, "%.999999999f", 1.0), "1.00000");
}

TEST(Format, MismatchedFormatsNeverCrash)
{
    EXPECT_EQ(formatBounded(64, "%d points", "many"), "many points");
    EXPECT_EQ(formatBounded(64, "%s points", 42), "42 points");
    EXPECT_EQ(formatBounded(64, "%s and %s", "one"), "one and %s");
    EXPECT_EQ(formatBounded(64, "%d%d", 1), "1%d");
    EXPECT_EQ(formatBounded(64, "%n%s", "x"), "%nx");
    EXPECT_EQ(formatBounded(64, "100%"), "100%");
    EXPECT_EQ(formatBounded(64, "%5"), "%5");
    EXPECT_EQ(formatBounded(64, "%q", 1), "%q");
    EXPECT_EQ(formatBounded(64, "%*d", 3), "%*d");
    EXPECT_EQ(formatBounded(64, "%f", 2), "2.000000");
    EXPECT_EQ(formatBounded(64, "%d", 2.9), "2");
    EXPECT_EQ(formatBounded(64, "%s", std::wstring(L"wide")), "wide");
}

TEST(Format, WideFormatsTakeWideTextAndCountUtf16Units)
{
    EXPECT_EQ(formatBoundedW(128, L"%s - %s (%d)", std::wstring(L"Alice"), std::string("B\xC3\xBCro"), 3),
              L"Alice - B\u00FCro (3)");
    EXPECT_EQ(formatBoundedW(128, L"%ls|%S|%hs", L"a", L"b", "c"), L"a|b|c");
    EXPECT_EQ(formatBoundedW(128, L"%c%c", L'\u00E9', 'x'), L"\u00E9x");
    EXPECT_EQ(formatBoundedW(128, L"%d%%", 50), L"50%");
    EXPECT_EQ(formatBoundedW(4, L"abcdef"), L"abc");

    const std::wstring smile = common::utf8ToWide("\xF0\x9F\x98\x80");
    EXPECT_EQ(formatBoundedW(4, L"a%sb", smile), L"a" + smile);
    EXPECT_EQ(formatBoundedW(3, L"a%sb", smile), L"a");
}
