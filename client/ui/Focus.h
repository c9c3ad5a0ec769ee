// Where the keyboard focus goes in the main window: the Tab cycle between
// its controls, and the server's "focuschat" request.
#pragma once

#include <string>

// The controls that take the focus in the main window.
enum class FocusTarget { List, History, Chat, Arcade };

// The control that Tab (Shift+Tab with backwards) leads to from `from`:
// list → chat line → history → list, and the other way round backwards. In
// arcade mode the chat line leads to the arcade window either way, and the
// arcade window back to the chat line.
FocusTarget tabTarget(FocusTarget from, bool backwards, bool arcadeMode);

// "focuschat": a number of flags, a blank, and the text (UTF-8).
struct FocusChatRequest {
    int flags = 0;
    std::wstring text;
};

namespace FocusChatFlag {
constexpr int kFocus = 0x01;      // the chat line takes the focus
constexpr int kSelectAll = 0x02;  // all of its text is selected
constexpr int kInsert = 0x04;     // the text goes in at the caret
constexpr int kKeepText = 0x08;   // without kInsert: the line keeps its text
constexpr int kKeepCaret = 0x10;  // without kSelectAll: the caret stays
} // namespace FocusChatFlag

// Reads the argument: the number as strtol reads it, then everything after
// the first blank that follows the number. No blank: no text.
FocusChatRequest parseFocusChat(const std::string& argument);

// What the chat line does for a request, in this order.
struct FocusChatSteps {
    bool insertAtCaret = false;
    bool replaceText = false;
    bool focus = false;
    bool selectAll = false;
    bool caretToEnd = false;
};
FocusChatSteps focusChatSteps(int flags);
