// Writing history messages as RTF.
#include "client/ui/history/HistoryRtf.h"

#include <algorithm>
#include <cstdio>

namespace {

// One UTF-16 unit as RTF text: ASCII as it is (the three special characters
// escaped), everything else as \uN with "?" for readers without Unicode.
void appendUnit(std::string& out, unsigned unit)
{
    if (unit == '\\' || unit == '{' || unit == '}') {
        out.push_back('\\');
        out.push_back(static_cast<char>(unit));
    } else if (unit >= 0x20 && unit < 0x7F) {
        out.push_back(static_cast<char>(unit));
    } else {
        out += "\\u" + std::to_string(static_cast<int>(static_cast<short>(unit))) + "?";
    }
}

// Appends a character, in UTF-16 units; returns how many it took.
long appendCharacter(std::string& out, unsigned long c)
{
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c >= 0x10000) {
        c -= 0x10000;
        appendUnit(out, 0xD800 + static_cast<unsigned>(c >> 10));
        appendUnit(out, 0xDC00 + static_cast<unsigned>(c & 0x3FF));
        return 2;
    }
    appendUnit(out, static_cast<unsigned>(c));
    return 1;
}

// Appends the text of a segment; returns its length in the control.
long appendText(std::string& out, const std::wstring& text)
{
    long length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned long c = static_cast<unsigned long>(text[i]) & 0xFFFFFFFFul;
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            out += "\\par ";
            ++length;
        } else if (c == L'\t') {
            out += "\\tab ";
            ++length;
        } else if (c >= 0x20) {
            length += appendCharacter(out, c);
        }
    }
    return length;
}

} // namespace

HistoryRtf historyRtf(const std::vector<std::vector<Segment>>& messages, const std::wstring& fontName, int fontPoints,
                      bool colours)
{
    std::vector<std::uint32_t> table;
    if (colours) {
        for (const auto& message : messages) {
            for (const Segment& s : message) {
                if (!(s.format.effects & kEffectAutoColor) && std::find(table.begin(), table.end(), s.format.color) == table.end()) {
                    table.push_back(s.format.color);
                }
            }
        }
    }

    HistoryRtf out;
    std::string& rtf = out.rtf;
    rtf = "{\\rtf1\\ansi\\deff0\\uc1{\\fonttbl{\\f0\\fnil ";
    for (const wchar_t c : fontName) {
        if (c != L';' && static_cast<unsigned long>(c) >= 0x20) appendCharacter(rtf, static_cast<unsigned long>(c));
    }
    rtf += ";}}{\\colortbl;";
    for (const std::uint32_t c : table) {
        char entry[48];
        std::snprintf(entry, sizeof entry, "\\red%u\\green%u\\blue%u;", c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
        rtf += entry;
    }
    rtf += "}";
    // The font once for the whole batch, and after it only the changes of
    // format from one segment to the next: some readers make a new style at
    // every format word. The format at the insertion point is not assumed:
    // all of it is set once at the start.
    rtf += "\\f0\\fs" + std::to_string(std::max(1, fontPoints) * 2)
           + "\\b0\\i0\\ul0\\strike0\\nosupersub\\protect0\\cf0";
    constexpr std::uint32_t kWritten =
        kEffectBold | kEffectItalic | kEffectUnderline | kEffectStrikeOut | kEffectProtected;
    std::uint32_t effects = 0;    // of the kWritten ones, as the reader has them
    int position = 0;             // 0 on the line, 1 superscript, 2 subscript
    std::size_t colour = 0;       // index in the colour table, 0 automatic
    for (const auto& message : messages) {
        rtf += "\\par ";
        ++out.length;
        for (const Segment& s : message) {
            const std::uint32_t e = s.format.effects;
            const std::uint32_t wanted = e & kWritten;
            const int wantedPosition = (e & kEffectSuperscript) ? 1 : (e & kEffectSubscript) ? 2 : 0;
            std::size_t wantedColour = 0;
            if (colours && !(e & kEffectAutoColor)) {
                wantedColour = static_cast<std::size_t>(std::find(table.begin(), table.end(), s.format.color) - table.begin()) + 1;
            }
            const std::size_t before = rtf.size();
            const auto toggle = [&](std::uint32_t bit, const char* word) {
                if ((wanted ^ effects) & bit) {
                    rtf += word;
                    if (!(wanted & bit)) rtf += '0';
                }
            };
            toggle(kEffectBold, "\\b");
            toggle(kEffectItalic, "\\i");
            toggle(kEffectUnderline, "\\ul");
            toggle(kEffectStrikeOut, "\\strike");
            toggle(kEffectProtected, "\\protect");
            if (wantedPosition != position) {
                rtf += wantedPosition == 1 ? "\\super" : wantedPosition == 2 ? "\\sub" : "\\nosupersub";
            }
            if (wantedColour != colour) rtf += "\\cf" + std::to_string(wantedColour);
            effects = wanted;
            position = wantedPosition;
            colour = wantedColour;
            // A control word ends at a space, which the reader drops.
            if (rtf.size() != before) rtf += ' ';
            const long start = out.length;
            out.length += appendText(rtf, s.text);
            if ((e & kEffectLink) && out.length > start) out.links.emplace_back(start, out.length);
        }
    }
    rtf += "}";
    return out;
}
