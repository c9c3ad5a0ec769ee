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
    // The font once for the whole batch: naming it again in every segment
    // makes some readers slow down with the length of the whole history.
    // Each segment then switches off what the one before may have set.
    rtf += "\\f0\\fs" + std::to_string(std::max(1, fontPoints) * 2);
    const std::string plain = "\\b0\\i0\\ul0\\strike0\\nosupersub\\protect0\\cf0";

    for (const auto& message : messages) {
        rtf += "\\par ";
        ++out.length;
        for (const Segment& s : message) {
            rtf += plain;
            const std::uint32_t e = s.format.effects;
            if (e & kEffectBold) rtf += "\\b";
            if (e & kEffectItalic) rtf += "\\i";
            if (e & kEffectUnderline) rtf += "\\ul";
            if (e & kEffectStrikeOut) rtf += "\\strike";
            if (e & kEffectSuperscript) rtf += "\\super";
            else if (e & kEffectSubscript) rtf += "\\sub";
            if (e & kEffectProtected) rtf += "\\protect";
            if (colours && !(e & kEffectAutoColor)) {
                const auto at = std::find(table.begin(), table.end(), s.format.color) - table.begin();
                rtf += "\\cf" + std::to_string(at + 1);
            }
            rtf += ' ';
            const long start = out.length;
            out.length += appendText(rtf, s.text);
            if ((e & kEffectLink) && out.length > start) out.links.emplace_back(start, out.length);
        }
    }
    rtf += "}";
    return out;
}
