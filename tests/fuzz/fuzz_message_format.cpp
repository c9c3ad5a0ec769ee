// Fuzz target: a history message of arbitrary bytes, cut into segments with
// the built-in presentation and a short palette; checks what the segments
// may hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/ui/history/History.h"
#include "common/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const HistoryChannel channel{data[0], static_cast<std::uint32_t>(data[0]) << 24 | data[0], 0x123456, L""};
    const std::wstring text = common::utf8ToWide(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    const std::vector<std::uint32_t> palette = {1, 2, 3};
    std::size_t shown = 0;
    for (const Segment& s : formatMessage(text, channel, palette)) {
        // Every segment has text, no segment break, and a colour from the
        // channel or the palette.
        if (s.text.empty() || s.text.find(kCodeSegmentBreak) != std::wstring::npos) std::abort();
        if (s.format.color != 0x123456 && (s.format.color < 1 || s.format.color > 3)) std::abort();
        shown += s.text.size();
    }
    if (shown > text.size()) std::abort();
    const std::wstring spoken = speakableText(text);
    for (const wchar_t c : spoken) {
        if (c < 0x20 && c != L'\r' && c != L'\n') std::abort();
    }
    return 0;
}
