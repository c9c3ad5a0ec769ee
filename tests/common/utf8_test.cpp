// UTF-8 <-> wide conversion, including malformed input from the server.
#include "common/utf8.h"

#include <gtest/gtest.h>

using common::truncateUtf16;
using common::utf16Length;
using common::utf8ToWide;
using common::wideToUtf8;

namespace {

// A wide string from code points, in the platform's wide encoding.
std::wstring fromCodePoints(std::initializer_list<char32_t> cps)
{
    std::wstring s;
    for (char32_t cp : cps) {
        if (sizeof(wchar_t) == 2 && cp > 0xFFFF) {
            s.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
            s.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            s.push_back(static_cast<wchar_t>(cp));
        }
    }
    return s;
}

} // namespace

TEST(Utf8, WellFormedTextRoundTrips)
{
    const std::string samples[] = {
        "", "plain ascii", "caf\xC3\xA9 \xE2\x82\xAC 5", "\xF0\x9F\x98\x80 smile",
        std::string("nul\0inside", 10), "\xEF\xBF\xBD", "\xF4\x8F\xBF\xBF",
    };
    for (const std::string& s : samples) {
        EXPECT_EQ(wideToUtf8(utf8ToWide(s)), s) << s;
    }
    EXPECT_EQ(utf8ToWide("caf\xC3\xA9"), fromCodePoints({'c', 'a', 'f', 0xE9}));
    EXPECT_EQ(utf8ToWide("\xF0\x9F\x98\x80"), fromCodePoints({0x1F600}));
    EXPECT_EQ(utf16Length(utf8ToWide("a\xF0\x9F\x98\x80" "b")), 4u);
}

TEST(Utf8, MalformedInputBecomesReplacementAndKeepsTheRest)
{
    constexpr char32_t R = 0xFFFD;
    struct Case {
        std::string in;
        std::wstring out;
    } cases[] = {
        {"\x80", fromCodePoints({R})},
        {"a\xFFz", fromCodePoints({'a', R, 'z'})},
        {"\xE2\x82" "A", fromCodePoints({R, 'A'})},        // truncated sequence
        {"\xE2\x82", fromCodePoints({R})},                 // truncated at the end
        {"\xC0\xAF", fromCodePoints({R, R})},              // overlong
        {"\xE0\x80\x80", fromCodePoints({R, R, R})},       // overlong three-byte
        {"\xED\xA0\x80", fromCodePoints({R, R, R})},       // encoded surrogate
        {"\xF4\x90\x80\x80", fromCodePoints({R, R, R, R})}, // beyond U+10FFFF
        {"\xF0\x9F\x98", fromCodePoints({R})},
        {"\xF0\x9F\x98\xF0\x9F\x98\x80", fromCodePoints({R, 0x1F600})},
        {"\xC3" "\xC3\xA9", fromCodePoints({R, 0xE9})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8ToWide(c.in), c.out) << testing::PrintToString(c.in);
    }
}

TEST(Utf8, LoneSurrogatesAndOutOfRangeBecomeReplacement)
{
    std::wstring lone;
    lone.push_back(static_cast<wchar_t>(0xD800));
    lone.push_back(L'x');
    lone.push_back(static_cast<wchar_t>(0xDC00));
    EXPECT_EQ(wideToUtf8(lone), "\xEF\xBF\xBD" "x" "\xEF\xBF\xBD");

    // A pair given as two units joins, whatever the width of wchar_t.
    std::wstring pair;
    pair.push_back(static_cast<wchar_t>(0xD83D));
    pair.push_back(static_cast<wchar_t>(0xDE00));
    EXPECT_EQ(wideToUtf8(pair), "\xF0\x9F\x98\x80");

    if (sizeof(wchar_t) == 4) {
        std::wstring big(1, static_cast<wchar_t>(0x110000));
        EXPECT_EQ(wideToUtf8(big), "\xEF\xBF\xBD");
    }
}

TEST(Utf8, TruncationCountsUtf16UnitsAndKeepsPairsWhole)
{
    const std::wstring text = fromCodePoints({'a', 0x1F600, 'b'});
    struct Case {
        std::size_t max;
        std::wstring out;
    } cases[] = {
        {0, L""}, {1, L"a"}, {2, L"a"}, {3, fromCodePoints({'a', 0x1F600})}, {4, text}, {100, text},
    };
    for (const Case& c : cases) {
        std::wstring s = text;
        truncateUtf16(s, c.max);
        EXPECT_EQ(s, c.out) << c.max;
        EXPECT_LE(utf16Length(s), c.max);
    }
}

TEST(Utf8, ByteTruncationKeepsSequencesWhole)
{
    // a, é (2 bytes), € (3 bytes), 😀 (4 bytes), then a stray continuation byte.
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80z";
    struct Case {
        std::size_t max;
        std::string out;
    } cases[] = {
        {0, ""}, {1, "a"}, {2, "a"}, {3, "a\xC3\xA9"}, {5, "a\xC3\xA9"}, {6, "a\xC3\xA9\xE2\x82\xAC"},
        {9, "a\xC3\xA9\xE2\x82\xAC"}, {10, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {11, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\x80"}, {100, text},
    };
    for (const Case& c : cases) {
        std::string s = text;
        common::truncateUtf8(s, c.max);
        EXPECT_EQ(s, c.out) << c.max;
    }
}
