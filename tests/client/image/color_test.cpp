// Colour words: the names, the hexadecimal forms and words that are no colour.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "client/image/Color.h"

using image::parseColor;

namespace {

struct ColorCase {
    const char* word;
    std::optional<std::uint32_t> value;
};

} // namespace

TEST(ImageColor, Words)
{
    const ColorCase cases[] = {
        // Names: palette entries, special colours and two plain colours.
        {"contrast", 0x01000000}, {"purple", 0x01000001}, {"magenta", 0x01000002}, {"pink", 0x01000003},
        {"red", 0x01000004}, {"brown", 0x01000005}, {"orange", 0x01000006}, {"yellow", 0x01000007},
        {"yellowgreen", 0x01000008}, {"green", 0x01000009}, {"cyan", 0x0100000A}, {"azur", 0x0100000A},
        {"blue", 0x0100000B}, {"navy", 0x0100000C}, {"lightgray", 0x0100000D}, {"darkgray", 0x0100000E},
        {"back", 0x010000FE}, {"def", 0x010000FF}, {"default", 0x010000FF}, {"fore", 0x010000FF},
        {"darker", 0x010000E1}, {"lighter", 0x010000E2}, {"black", 0x000000}, {"white", 0xFFFFFF},
        // Six or more characters: pairs, in the 0x00BBGGRR layout.
        {"#ff0000", 0x0000FF}, {"#00ff00", 0x00FF00}, {"#0000FF", 0xFF0000}, {"123456", 0x563412},
        {"#12345678", 0x563412}, {"#zz8040", 0x408000}, {"#f_8040", 0x408000},
        // Three to five: single digits taken as they are.
        {"#f00", 0x00000F}, {"#0f0", 0x000F00}, {"#00f", 0x0F0000}, {"abc", 0x0C0B0A}, {"#12345", 0x030201},
        {"#g0f", 0x0F0000},
        // Names are exact and case-sensitive; a near miss is read as digits.
        {"Red", 0x0D0E00}, {"#red", 0x0D0E00},
        // Fewer than three characters after the "#": no colour.
        {"", std::nullopt}, {"#", std::nullopt}, {"f0", std::nullopt}, {"#f0", std::nullopt}, {"r", std::nullopt},
    };
    for (const ColorCase& c : cases) EXPECT_EQ(parseColor(c.word), c.value) << '"' << c.word << '"';
}

TEST(ImageColor, SpecialColorsAreMarkedByBit24)
{
    EXPECT_TRUE(image::isSpecialColor(*parseColor("red")));
    EXPECT_TRUE(image::isSpecialColor(*parseColor("default")));
    EXPECT_FALSE(image::isSpecialColor(*parseColor("white")));
    EXPECT_FALSE(image::isSpecialColor(*parseColor("#ffffff")));
}
