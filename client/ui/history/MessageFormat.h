// The look of one history message: its text is cut at form feeds into
// segments shown on one line, each starting from its channel's format and
// changed by the control codes that lead it (palette colours, link, bold,
// italic, underline, strike-out, superscript, subscript).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "client/ui/history/Presentation.h"

// Inline codes at the start of a segment.
inline constexpr wchar_t kCodeSegmentBreak = 0x0C;
inline constexpr wchar_t kCodePaletteColor = 0x0E; // and 0x0F; the next character minus 14 is the index
inline constexpr wchar_t kCodePaletteColorAlt = 0x0F;
inline constexpr wchar_t kCodePaletteBase = 14;
inline constexpr wchar_t kCodeLink = 0x10;
inline constexpr wchar_t kCodeBold = 0x11;
inline constexpr wchar_t kCodeItalic = 0x12;
inline constexpr wchar_t kCodeUnderline = 0x13;
inline constexpr wchar_t kCodeStrikeOut = 0x14;
inline constexpr wchar_t kCodeSuperscript = 0x15;
inline constexpr wchar_t kCodeSubscript = 0x16;

struct TextFormat {
    std::uint32_t effects = 0; // kEffect* bits
    std::uint32_t color = 0;   // 0x00BBGGRR; unused with kEffectAutoColor

    bool operator==(const TextFormat&) const = default;
};

struct Segment {
    TextFormat format;
    std::wstring text;

    bool operator==(const Segment&) const = default;
};

// The segments of a message, in order; segments without text are left out.
// A colour code whose index is outside the palette keeps the channel's
// colour; a colour code at the very end of a segment is dropped alone.
std::vector<Segment> formatMessage(std::wstring_view text, const HistoryChannel& channel,
                                   const std::vector<std::uint32_t>& palette);

// The text as it is spoken and shown in braille: every character below 0x20
// other than CR and LF removed.
std::wstring speakableText(std::wstring_view text);
