// History messages as RTF: formats, colour table, escapes, lengths and the
// places of links.
#include <gtest/gtest.h>

#include "client/ui/history/HistoryRtf.h"

TEST(HistoryRtf, FormatsColoursAndLinks)
{
    const std::vector<std::vector<Segment>> messages = {
        {Segment{{kEffectBold, 0x0000FF}, L"Hi "}, Segment{{kEffectAutoColor | kEffectItalic, 0}, L"you"}},
        {Segment{{kEffectLink | kEffectProtected | kEffectUnderline, 0x0000FF}, L"http://x/"},
         Segment{{kEffectSuperscript | kEffectSubscript | kEffectStrikeOut, 0x123456}, L"2"}},
    };
    const HistoryRtf out = historyRtf(messages, L"Arial", 14, true);
    // The whole format once, then only what changes from segment to segment.
    EXPECT_EQ(out.rtf, "{\\rtf1\\ansi\\deff0\\uc1{\\fonttbl{\\f0\\fnil Arial;}}"
                       "{\\colortbl;\\red255\\green0\\blue0;\\red86\\green52\\blue18;}"
                       "\\f0\\fs28\\b0\\i0\\ul0\\strike0\\nosupersub\\protect0\\cf0"
                       "\\par \\b\\cf1 Hi \\b0\\i\\cf0 you"
                       "\\par \\i0\\ul\\protect\\cf1 http://x/\\ul0\\strike\\protect0\\super\\cf2 2}");
    // "\par" counts one: 1 + 3 + 3, then 1 + 9 + 1.
    EXPECT_EQ(out.length, 18);
    EXPECT_EQ(out.links, (std::vector<std::pair<long, long>>{{8, 17}}));

    // Without colours: no table entries, automatic colour everywhere.
    const HistoryRtf plain = historyRtf(messages, L"Arial", 14, false);
    EXPECT_EQ(plain.rtf.find("\\cf1"), std::string::npos);
    EXPECT_NE(plain.rtf.find("{\\colortbl;}"), std::string::npos);
}

TEST(HistoryRtf, TextIsEscapedAndCounted)
{
    const std::wstring text = L"{a\\b}\r\nc\rd\ne\tf\x01\x7f" L"\u00e9\u20ac" L"\U0001F600";
    const HistoryRtf out = historyRtf({{Segment{{kEffectAutoColor, 0}, text}}}, L"Fo;nt\u00e9", 0, true);
    EXPECT_NE(out.rtf.find("{\\fonttbl{\\f0\\fnil Font\\u233?;}}"), std::string::npos) << out.rtf;
    EXPECT_NE(out.rtf.find("}\\f0\\fs2\\b0"), std::string::npos); // at least one point
    EXPECT_NE(out.rtf.find(" \\{a\\\\b\\}\\par c\\par d\\par e\\tab f\\u127?\\u233?\\u8364?\\u-10179?\\u-8704?}"),
              std::string::npos)
        << out.rtf;
    // 1 + "{a\b}" 5 + 3 breaks + "cde" 3 + tab + "f" + DEL + é + € + 2 surrogates.
    EXPECT_EQ(out.length, 1 + 5 + 3 + 3 + 1 + 1 + 1 + 2 + 2);
    EXPECT_TRUE(out.links.empty());

    // Nothing at all, and an empty message.
    EXPECT_EQ(historyRtf({}, L"A", 10, true).length, 0);
    EXPECT_EQ(historyRtf({{}}, L"A", 10, true).rtf.substr(historyRtf({{}}, L"A", 10, true).rtf.size() - 6), "\\par }");
}
