// UTF-8 <-> wide conversion without the C library's locale-dependent calls.
#include "common/utf8.h"

#include <cstdint>

namespace common {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr bool kWide16 = sizeof(wchar_t) == 2;

void appendCodePoint(std::wstring& out, char32_t cp)
{
    if (kWide16 && cp > 0xFFFF) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(cp));
    }
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

bool isHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

} // namespace

std::wstring utf8ToWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        // The ranges of the second byte exclude overlong forms, surrogates
        // and values beyond U+10FFFF, so only well-formed text is decoded.
        int need;
        char32_t cp;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            cp = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int got = 0;
        while (got < need && j < n) {
            const unsigned char c = static_cast<unsigned char>(text[j]);
            if (c < low || c > high) break;
            cp = (cp << 6) | (c & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++got;
            ++j;
        }
        if (got < need) {
            // The maximal valid prefix counts as one malformed sequence.
            out.push_back(static_cast<wchar_t>(kReplacement));
        } else {
            appendCodePoint(out, cp);
        }
        i = j;
    }
    return out;
}

std::string wideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        char32_t u = static_cast<char32_t>(text[i]);
        if (kWide16) u &= 0xFFFF;
        if (isHighSurrogate(u) && i + 1 < n) {
            char32_t next = static_cast<char32_t>(text[i + 1]);
            if (kWide16) next &= 0xFFFF;
            if (isLowSurrogate(next)) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        if (isHighSurrogate(u) || isLowSurrogate(u) || u > 0x10FFFF) u = kReplacement;
        appendUtf8(out, u);
    }
    return out;
}

std::size_t utf16Length(std::wstring_view text)
{
    if (kWide16) return text.size();
    std::size_t units = 0;
    for (wchar_t c : text) units += (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1;
    return units;
}

void truncateUtf16(std::wstring& text, std::size_t maxUnits)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = static_cast<char32_t>(text[i]);
        const bool pairStart = kWide16 ? isHighSurrogate(c & 0xFFFF) && i + 1 < text.size()
                                             && isLowSurrogate(static_cast<char32_t>(text[i + 1]) & 0xFFFF)
                                       : c > 0xFFFF;
        const std::size_t width = pairStart ? 2 : 1;
        if (units + width > maxUnits) {
            text.resize(i);
            return;
        }
        units += width;
        if (kWide16 && pairStart) ++i;
    }
}

void truncateUtf8(std::string& text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) return;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    // text[maxBytes] is the first byte that goes; when it continues a
    // sequence, find that sequence's lead byte within the three before.
    std::size_t cut = maxBytes;
    std::size_t lead = maxBytes;
    int back = 0;
    while (lead > 0 && back < 3 && (byte(lead) & 0xC0) == 0x80) {
        --lead;
        ++back;
    }
    if (back > 0 && byte(lead) >= 0xC0) {
        const std::size_t length = byte(lead) >= 0xF0 ? 4 : byte(lead) >= 0xE0 ? 3 : 2;
        if (lead + length > maxBytes) cut = lead;
    }
    text.resize(cut);
}

} // namespace common
