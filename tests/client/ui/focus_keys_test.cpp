// Where Tab leads, what "focuschat" asks for, and the key decisions of the
// chat line and the history.
#include <gtest/gtest.h>

#include "client/ui/Focus.h"
#include "client/ui/KeyRules.h"

TEST(Focus, TabCyclesListChatHistoryAndBack)
{
    EXPECT_EQ(tabTarget(FocusTarget::List, false, false), FocusTarget::Chat);
    EXPECT_EQ(tabTarget(FocusTarget::Chat, false, false), FocusTarget::History);
    EXPECT_EQ(tabTarget(FocusTarget::History, false, false), FocusTarget::List);
    EXPECT_EQ(tabTarget(FocusTarget::List, true, false), FocusTarget::History);
    EXPECT_EQ(tabTarget(FocusTarget::History, true, false), FocusTarget::Chat);
    EXPECT_EQ(tabTarget(FocusTarget::Chat, true, false), FocusTarget::List);
    // In arcade mode only the chat line and the game window are shown.
    EXPECT_EQ(tabTarget(FocusTarget::Chat, false, true), FocusTarget::Arcade);
    EXPECT_EQ(tabTarget(FocusTarget::Chat, true, true), FocusTarget::Arcade);
    EXPECT_EQ(tabTarget(FocusTarget::Arcade, false, true), FocusTarget::Chat);
}

TEST(FocusChat, ReadsTheFlagsAndTheTextAfterTheBlank)
{
    FocusChatRequest r = parseFocusChat("3 hi");
    EXPECT_EQ(r.flags, 3);
    EXPECT_EQ(r.text, L"hi");
    r = parseFocusChat("0x4 two  words ");
    EXPECT_EQ(r.flags, 4);
    EXPECT_EQ(r.text, L"two  words ");
    r = parseFocusChat("1");
    EXPECT_EQ(r.flags, 1);
    EXPECT_EQ(r.text, L"");
    r = parseFocusChat("caf\xC3\xA9");
    EXPECT_EQ(r.flags, 0);
    EXPECT_EQ(r.text, L"");
    r = parseFocusChat(" 2 caf\xC3\xA9 \xFF");
    EXPECT_EQ(r.flags, 2);
    EXPECT_EQ(r.text, L"caf\u00E9 \uFFFD");
    EXPECT_EQ(parseFocusChat("").flags, 0);
}

TEST(FocusChat, FlagsChooseTheSteps)
{
    FocusChatSteps s = focusChatSteps(3); // replace, focus, select all
    EXPECT_TRUE(s.replaceText);
    EXPECT_FALSE(s.insertAtCaret);
    EXPECT_TRUE(s.focus);
    EXPECT_TRUE(s.selectAll);
    EXPECT_FALSE(s.caretToEnd);

    s = focusChatSteps(0); // replace, caret to the end, focus stays
    EXPECT_TRUE(s.replaceText);
    EXPECT_FALSE(s.focus);
    EXPECT_TRUE(s.caretToEnd);

    s = focusChatSteps(0x04 | 0x08); // insert wins over keep
    EXPECT_TRUE(s.insertAtCaret);
    EXPECT_FALSE(s.replaceText);

    s = focusChatSteps(0x08 | 0x10); // the line and its caret stay as they are
    EXPECT_FALSE(s.insertAtCaret);
    EXPECT_FALSE(s.replaceText);
    EXPECT_FALSE(s.caretToEnd);
}

TEST(KeyRules, ChatLine)
{
    const KeyModifiers none, shift{true, false, false}, control{false, true, false}, alt{false, false, true};
    EXPECT_EQ(chatKeyDown(VirtualKey::kTab, none), KeyAction::Swallow);
    EXPECT_EQ(chatKeyUp(VirtualKey::kTab, shift), KeyAction::MoveFocus);
    EXPECT_EQ(chatKeyDown(VirtualKey::kReturn, none), KeyAction::SendLine);
    EXPECT_EQ(chatKeyDown(VirtualKey::kReturn, control), KeyAction::Default);
    EXPECT_EQ(chatKeyUp(VirtualKey::kReturn, none), KeyAction::Swallow);
    EXPECT_EQ(chatKeyDown(VirtualKey::kEscape, none), KeyAction::ClearLine);
    EXPECT_EQ(chatKeyDown(VirtualKey::kPageUp, none), KeyAction::ReviewHistory);
    EXPECT_EQ(chatKeyDown(VirtualKey::kPageDown, shift), KeyAction::ReviewHistory);
    EXPECT_EQ(chatKeyDown(VirtualKey::kUp, none), KeyAction::RecallPrevious);
    EXPECT_EQ(chatKeyDown(VirtualKey::kDown, none), KeyAction::RecallNext);
    EXPECT_EQ(chatKeyDown(VirtualKey::kDown, alt), KeyAction::Swallow);
    // Typing goes into the line; letters and digits with Control or Alt go
    // to the server.
    EXPECT_EQ(chatKeyDown('A', none), KeyAction::Default);
    EXPECT_EQ(chatKeyDown('A', shift), KeyAction::Default);
    EXPECT_EQ(chatKeyDown('Q', control), KeyAction::KeyEvent);
    EXPECT_EQ(chatKeyDown('7', alt), KeyAction::KeyEvent);
    EXPECT_EQ(chatKeyDown(VirtualKey::kSpace, control), KeyAction::Default);
}

TEST(KeyRules, ChatLineCharacters)
{
    const KeyModifiers none, control{false, true, false}, alt{false, false, true}, altGr{false, true, true};
    EXPECT_TRUE(chatDropsCharacter(L'\t', none));
    EXPECT_TRUE(chatDropsCharacter(L'\r', none));
    EXPECT_FALSE(chatDropsCharacter(L'a', none));
    EXPECT_FALSE(chatDropsCharacter(L'\u00E9', none));
    EXPECT_FALSE(chatDropsCharacter(0x03, control)); // copy
    EXPECT_FALSE(chatDropsCharacter(0x16, control)); // paste
    EXPECT_FALSE(chatDropsCharacter(0x18, control)); // cut
    EXPECT_TRUE(chatDropsCharacter(0x01, control));
    EXPECT_TRUE(chatDropsCharacter(0x11, control));
    EXPECT_TRUE(chatDropsCharacter(L'q', alt));
    EXPECT_FALSE(chatDropsCharacter(L'@', altGr));
}

TEST(KeyRules, History)
{
    const KeyModifiers none, shift{true, false, false}, control{false, true, false}, controlShift{true, true, false};
    EXPECT_EQ(historyKeyDown(VirtualKey::kTab, none), KeyAction::Swallow);
    EXPECT_EQ(historyKeyUp(VirtualKey::kTab, shift), KeyAction::MoveFocus);
    EXPECT_EQ(historyKeyDown(VirtualKey::kReturn, none), KeyAction::ClickAtCaret);
    EXPECT_EQ(historyKeyDown(VirtualKey::kPageDown, none), KeyAction::ReviewHistory);
    EXPECT_EQ(historyKeyDown('B', none), KeyAction::KeyEvent);
    EXPECT_EQ(historyKeyDown('3', shift), KeyAction::KeyEvent);
    EXPECT_EQ(historyKeyDown('C', control), KeyAction::Default);
    EXPECT_EQ(historyKeyDown('C', controlShift), KeyAction::KeyEvent);
    EXPECT_EQ(historyKeyDown(VirtualKey::kUp, none), KeyAction::Default);
    EXPECT_EQ(historyKeyDown(VirtualKey::kEscape, none), KeyAction::Default);
}

TEST(KeyRules, KeyEventCodes)
{
    EXPECT_EQ(keyEventCode('A', {}), 0x41);
    EXPECT_EQ(keyEventCode('A', {true, false, false}), 0x141);
    EXPECT_EQ(keyEventCode('A', {false, true, true}), 0x641);
    EXPECT_EQ(keyEventCode(0x1FF, {true, true, true}), 0x7FF);
}
