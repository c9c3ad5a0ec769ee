// Cutting a history message into formatted segments.
#include "client/ui/history/MessageFormat.h"

namespace {

Segment formatSegment(std::wstring_view part, const HistoryChannel& channel, const std::vector<std::uint32_t>& palette)
{
    Segment s;
    s.format.effects = channel.effects & kChannelEffects;
    s.format.color = channel.color;
    std::size_t i = 0;
    for (; i < part.size() && part[i] < 0x20; ++i) {
        switch (part[i]) {
        case kCodePaletteColor:
        case kCodePaletteColorAlt:
            if (i + 1 < part.size()) {
                ++i;
                const long index = static_cast<long>(part[i]) - kCodePaletteBase;
                if (index >= 0 && static_cast<std::size_t>(index) < palette.size()) {
                    s.format.color = palette[static_cast<std::size_t>(index)];
                    s.format.effects &= ~kEffectAutoColor;
                }
            }
            break;
        case kCodeLink: s.format.effects |= kEffectProtected | kEffectLink; break;
        case kCodeBold: s.format.effects |= kEffectBold; break;
        case kCodeItalic: s.format.effects |= kEffectItalic; break;
        case kCodeUnderline: s.format.effects |= kEffectUnderline; break;
        case kCodeStrikeOut: s.format.effects |= kEffectStrikeOut; break;
        case kCodeSuperscript: s.format.effects |= kEffectSuperscript; break;
        case kCodeSubscript: s.format.effects |= kEffectSubscript; break;
        default: break;
        }
    }
    s.text.assign(part.substr(i));
    return s;
}

} // namespace

std::vector<Segment> formatMessage(std::wstring_view text, const HistoryChannel& channel,
                                   const std::vector<std::uint32_t>& palette)
{
    std::vector<Segment> segments;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(kCodeSegmentBreak, start);
        if (end == std::wstring_view::npos) end = text.size();
        Segment s = formatSegment(text.substr(start, end - start), channel, palette);
        if (!s.text.empty()) segments.push_back(std::move(s));
        start = end + 1;
    }
    return segments;
}

std::wstring speakableText(std::wstring_view text)
{
    std::wstring out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        if (c >= 0x20 || c == L'\r' || c == L'\n') out.push_back(c);
    }
    return out;
}
