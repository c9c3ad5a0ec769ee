// The history's decisions: speaking and keeping messages, their segments,
// review across views, view changes, copies and reports.
#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/ui/history/History.h"
#include "client/ui/history/PresentationDefaults.h"

namespace {

class HistoryTest : public ::testing::Test {
protected:
    HistoryTest() { history.setPresentation(defaultPresentation(0x20000, false, builtInResource).value()); }

    // Adds messages in the foreground and returns what was spoken.
    std::wstring say(int channel, const std::wstring& text) { return history.add(text, channel, true).spoken; }

    CoreTestEnv env;
    History history;
};

Segment seg(std::uint32_t effects, std::uint32_t color, const wchar_t* text) { return Segment{{effects, color}, text}; }

} // namespace

TEST_F(HistoryTest, SpeakingFollowsTheChannelForegroundBackgroundAndMute)
{
    // Channel 7 (0x13) speaks in both, channel 5 (0x19) only in the foreground.
    HistoryAddition a = history.add(L"hello", 7, false);
    EXPECT_TRUE(a.speak);
    EXPECT_FALSE(a.interrupt);
    EXPECT_TRUE(a.kept);
    a = history.add(L"quiet", 5, false);
    EXPECT_FALSE(a.speak);
    EXPECT_TRUE(a.kept);
    a = history.add(L"loud", 5, true);
    EXPECT_TRUE(a.speak);
    // "sai" interrupts; channel 0 (0x1F) interrupts by itself.
    EXPECT_TRUE(history.add(L"now", 5 | kChannelArgInterrupt, true).interrupt);
    EXPECT_TRUE(history.add(L"alert", 0, true).interrupt);
    // Only the low five bits name the channel.
    EXPECT_EQ(history.add(L"wrapped", 32 + 5, true).spoken, L"wrapped");
    EXPECT_EQ(history.messages().back().channel, 5);

    history.setMuted(true);
    a = history.add(L"muted", 7, true);
    EXPECT_FALSE(a.speak);
    EXPECT_TRUE(a.kept);
    history.setMuted(false);

    // Control characters other than CR and LF are not spoken, but kept.
    a = history.add(std::wstring(L"\x11" L"A\x0C" L"B\r\nC\x07"), 7, true);
    EXPECT_EQ(a.spoken, L"AB\r\nC");
    EXPECT_EQ(history.messages().back().text, std::wstring(L"\x11" L"A\x0C" L"B\r\nC\x07"));
}

TEST_F(HistoryTest, HiddenAndUndefinedChannels)
{
    Presentation p = history.presentation();
    p.channels[3].flags |= kChannelHidden;
    history.setPresentation(p);
    HistoryAddition a = history.add(L"secret", 3, true);
    EXPECT_TRUE(a.speak);
    EXPECT_FALSE(a.kept);
    EXPECT_TRUE(history.messages().empty());
    EXPECT_FALSE(history.reviewMove(1));

    // Channel 20 is not defined: a beep, spoken in the foreground, kept plain.
    a = history.add(L"stray", 20, true);
    EXPECT_TRUE(a.unknownChannel);
    EXPECT_TRUE(a.speak);
    EXPECT_TRUE(a.kept);
    EXPECT_EQ(a.segments, std::vector<Segment>{seg(kEffectAutoColor, 0, L"stray")});
    EXPECT_FALSE(history.add(L"stray", 20, false).speak);
    EXPECT_EQ(history.messages().size(), 2u);
    EXPECT_FALSE(history.playsSounds(20, true));
}

TEST_F(HistoryTest, SegmentsAndTheirCodes)
{
    const std::vector<std::uint32_t>& palette = history.presentation().palette;
    // Channel 2: no effects, colour 0x800000.
    EXPECT_EQ(history.add(std::wstring(L"A\x0C\x11" L"B"), 2, true).segments,
              (std::vector<Segment>{seg(0, 0x800000, L"A"), seg(kEffectBold, 0x800000, L"B")}));
    // A palette colour turns automatic colour off; an index beyond the
    // palette keeps the channel colour; both characters are consumed.
    EXPECT_EQ(history.add(std::wstring(L"\x0E\x12" L"four\x0C\x0F" L"\x7F" L"far"), 7, true).segments,
              (std::vector<Segment>{seg(0, palette[4], L"four"), seg(kEffectAutoColor, 0, L"far")}));
    // Link, the other effects, skipped codes; codes after the first visible
    // character stay in the text.
    EXPECT_EQ(history.add(std::wstring(L"\x10\x12\x13\x14\x15\x01\x16go\x11 on"), 2, true).segments,
              (std::vector<Segment>{seg(kEffectProtected | kEffectLink | kEffectItalic | kEffectUnderline |
                                            kEffectStrikeOut | kEffectSuperscript | kEffectSubscript,
                                        0x800000, L"go\x11 on")}));
    // A colour code at the very end, empty segments, codes only: no text.
    EXPECT_EQ(history.add(std::wstring(L"x\x0C\x0C\x11\x0C\x0E"), 2, true).segments,
              (std::vector<Segment>{seg(0, 0x800000, L"x")}));
    EXPECT_TRUE(history.add(L"", 2, true).segments.empty());
    // Channel effects other than the five a channel may give are ignored.
    HistoryChannel odd{1, kEffectLink | kEffectItalic, 0x10, L""};
    EXPECT_EQ(formatMessage(L"t", odd, {}), std::vector<Segment>{seg(kEffectItalic, 0x10, L"t")});
}

TEST_F(HistoryTest, ReviewWalksTheCurrentView)
{
    EXPECT_FALSE(history.reviewMove(1)); // empty list: nothing, cursor stays
    EXPECT_EQ(history.reviewCursor(), -1);
    say(1, L"m0");
    say(3, L"m1");
    say(2, std::wstring(L"m2\x11"));
    say(8, L"m3");
    say(9, L"m4");

    EXPECT_FALSE(history.reviewMove(-1)); // before the first: nothing to say
    EXPECT_EQ(history.reviewMove(1), L"m0");
    EXPECT_EQ(history.reviewMove(1), L"m1");
    EXPECT_EQ(history.reviewMove(1), L"m2");
    EXPECT_EQ(history.reviewMove(kReviewToEnd), L"m4");
    EXPECT_EQ(history.reviewMove(1), L"m4"); // at the end it says the last again
    EXPECT_EQ(history.reviewMove(-kReviewToEnd), L"m0");

    // View 3 (0x308): channels 3, 8 and 9 only.
    ASSERT_TRUE(history.changeView(3, true).changed);
    EXPECT_EQ(history.reviewMove(1), L"m1");
    EXPECT_EQ(history.reviewMove(1), L"m3");
    EXPECT_EQ(history.reviewMove(2), L"m4");
    EXPECT_EQ(history.reviewMove(-2), L"m1");
    EXPECT_EQ(history.reviewMove(-1), L"m1");
    EXPECT_EQ(history.reviewCursor(), 1);

    // A cursor on a message outside the new view says nothing until it moves.
    history.changeView(0, true);
    history.reviewMove(-1); // m0, channel 1
    history.changeView(3, true);
    EXPECT_FALSE(history.reviewMove(0));
    EXPECT_EQ(history.reviewMove(1), L"m1");

    // After a clear the cursor keeps its value; new messages are reached
    // from the end backwards.
    history.reviewMove(kReviewToEnd);
    history.clear();
    EXPECT_FALSE(history.reviewMove(-1));
    say(3, L"n0");
    EXPECT_FALSE(history.reviewMove(1));
    EXPECT_EQ(history.reviewMove(-1), L"n0");
}

TEST_F(HistoryTest, ViewsCopiesAndLines)
{
    EXPECT_EQ(history.changeView(6, true).name, L"view6");
    EXPECT_FALSE(history.changeView(1, false).changed); // no view 7
    EXPECT_FALSE(history.changeView(-7, false).changed);
    EXPECT_EQ(history.currentView(), 6);
    EXPECT_EQ(history.changeView(-2, false).name, L"view4");

    say(0, L"zero");
    say(4, L"four");
    say(1, L"one");
    history.changeView(4, true); // 0x311: channels 0, 4, 8, 9
    EXPECT_EQ(history.viewText(), L"zero\r\nfour\r\n");
    EXPECT_EQ(history.viewFileText(1), "zero\r\none\r\n"); // 0x083
    EXPECT_FALSE(history.lineToServer());
    EXPECT_FALSE(history.reviewedMessage());
    history.reviewMove(kReviewToEnd);
    EXPECT_EQ(history.lineToServer(), "hlin four");
    EXPECT_EQ(history.reviewedMessage()->text, L"four");
}

TEST_F(HistoryTest, ReportsAreThirtySecondsApart)
{
    say(2, L"caf\u00e9");
    say(5, L"game");
    const History::TimePoint t0{};
    EXPECT_EQ(history.report(1, t0), "HistoryReport ");
    EXPECT_FALSE(history.report(2, t0 + std::chrono::seconds(29)));
    EXPECT_EQ(history.report(2, t0 + std::chrono::seconds(30)), "HistoryReport caf\xC3\xA9\r\ngame\r\n");
    EXPECT_FALSE(history.report(2, t0 + std::chrono::seconds(59)));
}

TEST_F(HistoryTest, SoundsAndFlashing)
{
    EXPECT_TRUE(history.playsSounds(3, false));  // 0x1B
    EXPECT_FALSE(history.playsSounds(2, false)); // 0x09: foreground only
    EXPECT_TRUE(history.playsSounds(2, true));
    EXPECT_TRUE(history.flashes(3, false));
    EXPECT_FALSE(history.flashes(3, true)); // an active window does not flash
    EXPECT_FALSE(history.flashes(2, false));
    EXPECT_TRUE(history.flashes(32 + 3, false));
}
