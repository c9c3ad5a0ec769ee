// What the main window's history and chat line do with a key: the decisions
// of their key handling, apart from the windows that carry them out.
#pragma once

// Windows virtual-key codes, the numbers the server also receives in key
// events.
namespace VirtualKey {
constexpr int kTab = 0x09;
constexpr int kReturn = 0x0D;
constexpr int kEscape = 0x1B;
constexpr int kSpace = 0x20;
constexpr int kPageUp = 0x21;
constexpr int kPageDown = 0x22;
constexpr int kUp = 0x26;
constexpr int kDown = 0x28;
} // namespace VirtualKey

struct KeyModifiers {
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool any() const { return shift || control || alt; }
};

enum class KeyAction {
    Default,        // the control's normal handling
    Swallow,        // nothing happens
    MoveFocus,      // Tab released: tabTarget of this control
    SendLine,       // chat line: send it
    ClearLine,      // chat line: empty it
    ReviewHistory,  // Page Up / Page Down: history review
    RecallPrevious, // chat line: Up
    RecallNext,     // chat line: Down
    KeyEvent,       // forwarded to the server as a key event
    ClickAtCaret,   // history: a click on the character after the caret
};

// Key presses and releases in the chat line and in the history.
KeyAction chatKeyDown(int virtualKey, KeyModifiers modifiers);
KeyAction chatKeyUp(int virtualKey, KeyModifiers modifiers);
KeyAction historyKeyDown(int virtualKey, KeyModifiers modifiers);
KeyAction historyKeyUp(int virtualKey, KeyModifiers modifiers);

// Whether the chat line drops a typed character: Tab and Enter, and what is
// typed with only one of Control and Alt (Control+Alt is AltGr on many
// keyboards and types real characters), except Control+C, +V and +X. The
// history is read-only and drops every typed character.
bool chatDropsCharacter(wchar_t character, KeyModifiers modifiers);

// The code of a key event: the virtual key in the low byte, plus 0x100 with
// Shift, 0x200 with Control, 0x400 with Alt.
int keyEventCode(int virtualKey, KeyModifiers modifiers);
