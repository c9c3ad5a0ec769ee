// The chat line: what Enter sends, and the memory of sent lines.
#include <gtest/gtest.h>

#include "client/ui/ChatInput.h"

TEST(ChatLine, SendsLinesOfTwoCharactersOrMoreWithApostrophesMended)
{
    EXPECT_FALSE(chatLineToSend(L""));
    EXPECT_FALSE(chatLineToSend(L"a"));
    EXPECT_EQ(chatLineToSend(L"ok"), L"ok");
    EXPECT_EQ(chatLineToSend(L"it\u2035s \u2035quoted\u2035"), L"it's 'quoted'");
    // A character outside the basic plane is two UTF-16 units, as the edit
    // control counts it, so it goes on its own.
    EXPECT_EQ(chatLineToSend(L"\U0001F600"), L"\U0001F600");
    EXPECT_EQ(chatLineToSend(L"\u2035\u2035"), L"''");
}

TEST(ChatInputHistory, KeepsEachLineOnceAndTheNewestFifty)
{
    ChatInputHistory h;
    h.add(L"hello");
    h.add(L"again");
    h.add(L"hello");
    ASSERT_EQ(h.lines().size(), 2u);
    EXPECT_EQ(h.lines()[0], L"again");
    EXPECT_EQ(h.lines()[1], L"hello");
    EXPECT_EQ(h.position(), 2u);

    ChatInputHistory full;
    for (int i = 0; i < 51; ++i) full.add(L"line " + std::to_wstring(i));
    ASSERT_EQ(full.lines().size(), ChatInputHistory::kMaxLines);
    EXPECT_EQ(full.lines().front(), L"line 1");
    EXPECT_EQ(full.lines().back(), L"line 50");
    EXPECT_EQ(full.position(), 50u);
}

TEST(ChatInputHistory, RecallMovesWithinTheLinesAndEmptiesPastTheNewest)
{
    ChatInputHistory h;
    EXPECT_EQ(h.recall(-1).text, L""); // nothing sent yet: stays empty
    EXPECT_EQ(h.position(), 0u);

    h.add(L"first");
    h.add(L"second");
    ChatInputHistory::Recall r = h.recall(-1);
    EXPECT_EQ(r.text, L"second");
    EXPECT_EQ(r.selectionStart, 0u);
    EXPECT_EQ(r.selectionEnd, 6u);
    EXPECT_EQ(h.recall(-1).text, L"first");
    EXPECT_EQ(h.recall(-1).text, L"first"); // clamped at the oldest
    EXPECT_EQ(h.position(), 0u);
    EXPECT_EQ(h.recall(+1).text, L"second");
    r = h.recall(+1);
    EXPECT_EQ(r.text, L"");
    EXPECT_EQ(r.selectionEnd, 0u);
    EXPECT_EQ(h.recall(+1).text, L""); // clamped past the newest
    EXPECT_EQ(h.position(), 2u);

    // Sending resets the position past the newest line.
    h.recall(-1);
    h.recall(-1);
    h.add(L"third");
    EXPECT_EQ(h.recall(-1).text, L"third");
}

TEST(ChatInputHistory, RecalledCommandsKeepTheirWordUnselected)
{
    ChatInputHistory h;
    for (const wchar_t* line : {L"/msg bob hello", L"#join", L"@ alice", L"plain words", L"#\U0001F600 x"}) h.add(line);

    ChatInputHistory::Recall r = h.recall(-1); // "#😀 x": the word holds two UTF-16 units
    EXPECT_EQ(r.selectionStart, 4u);
    EXPECT_EQ(r.selectionEnd, 5u);
    r = h.recall(-1); // "plain words": not a command
    EXPECT_EQ(r.selectionStart, 0u);
    EXPECT_EQ(r.selectionEnd, 11u);
    r = h.recall(-1); // "@ alice": the blank right after the "@" counts
    EXPECT_EQ(r.selectionStart, 2u);
    EXPECT_EQ(r.selectionEnd, 7u);
    r = h.recall(-1); // "#join": no blank, all selected
    EXPECT_EQ(r.selectionStart, 0u);
    EXPECT_EQ(r.selectionEnd, 5u);
    r = h.recall(-1); // "/msg bob hello": the text after the first blank
    EXPECT_EQ(r.selectionStart, 5u);
    EXPECT_EQ(r.selectionEnd, 14u);
}
