// Colour values of image scripts: plain RGB colours in the Windows layout
// 0x00BBGGRR, and special colours (bit 24 set) whose low byte names a palette
// entry or a colour taken when the image is drawn.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace image {

using ColorValue = std::uint32_t;

inline constexpr ColorValue kSpecialColor = 0x01000000;
// Low bytes of the special colours other than palette entries 0 to 14.
inline constexpr std::uint8_t kColorDarker = 225;     // the colour in use, 25 % toward black
inline constexpr std::uint8_t kColorLighter = 226;    // the colour in use, 25 % toward white
inline constexpr std::uint8_t kColorBackground = 254; // the drawing surface's background colour
inline constexpr std::uint8_t kColorDefault = 255;    // the colour the caller passes to the drawing

inline constexpr ColorValue specialColor(std::uint8_t which) { return kSpecialColor | which; }
inline constexpr ColorValue paletteColor(std::uint8_t index) { return kSpecialColor | index; }
inline constexpr bool isSpecialColor(ColorValue c) { return (c & kSpecialColor) != 0; }
inline constexpr ColorValue rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return r | static_cast<ColorValue>(g) << 8 | static_cast<ColorValue>(b) << 16;
}

// The colour of a word of a script: one of the 24 colour names (exact,
// case-sensitive), else hexadecimal digits after an optional "#": six or more
// give red, green and blue as pairs, three to five give them as single digits
// taken as they are (#f00 has red 15, not 255); a pair or digit that is not
// hexadecimal gives 0 for its channel. Nothing for a word of fewer than three
// characters after the "#", which is no colour.
std::optional<ColorValue> parseColor(std::string_view word);

} // namespace image
