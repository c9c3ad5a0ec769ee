// The colour names of image scripts and the hexadecimal colour forms.
#include "client/image/Color.h"

#include <string>
#include <unordered_map>

namespace image {

namespace {

const std::unordered_map<std::string_view, ColorValue>& colorNames()
{
    static const std::unordered_map<std::string_view, ColorValue> names = {
        {"back", specialColor(kColorBackground)},
        {"def", specialColor(kColorDefault)},
        {"default", specialColor(kColorDefault)},
        {"fore", specialColor(kColorDefault)},
        {"darker", specialColor(kColorDarker)},
        {"lighter", specialColor(kColorLighter)},
        {"contrast", paletteColor(0)},
        {"purple", paletteColor(1)},
        {"magenta", paletteColor(2)},
        {"pink", paletteColor(3)},
        {"red", paletteColor(4)},
        {"brown", paletteColor(5)},
        {"orange", paletteColor(6)},
        {"yellow", paletteColor(7)},
        {"yellowgreen", paletteColor(8)},
        {"green", paletteColor(9)},
        {"cyan", paletteColor(10)},
        {"azur", paletteColor(10)},
        {"blue", paletteColor(11)},
        {"navy", paletteColor(12)},
        {"lightgray", paletteColor(13)},
        {"darkgray", paletteColor(14)},
        {"black", 0x000000},
        {"white", 0xFFFFFF},
    };
    return names;
}

// The table is built before the program's own code runs, as the drawing
// thread expects to find it complete.
[[maybe_unused]] const auto& kBuiltAtStart = colorNames();

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::uint8_t hexPair(char high, char low)
{
    const int h = hexDigit(high), l = hexDigit(low);
    return h < 0 || l < 0 ? 0 : static_cast<std::uint8_t>(h << 4 | l);
}

std::uint8_t hexSingle(char c)
{
    const int d = hexDigit(c);
    return d < 0 ? 0 : static_cast<std::uint8_t>(d);
}

} // namespace

std::optional<ColorValue> parseColor(std::string_view word)
{
    const auto& names = colorNames();
    if (auto found = names.find(word); found != names.end()) return found->second;
    if (!word.empty() && word.front() == '#') word.remove_prefix(1);
    if (word.size() >= 6) return rgb(hexPair(word[0], word[1]), hexPair(word[2], word[3]), hexPair(word[4], word[5]));
    if (word.size() >= 3) return rgb(hexSingle(word[0]), hexSingle(word[1]), hexSingle(word[2]));
    return std::nullopt;
}

} // namespace image
