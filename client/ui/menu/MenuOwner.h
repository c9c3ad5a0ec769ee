// The owner of the menu stack on the GUI thread: the server's menu commands,
// the player's moves, choices and keys in the menu list, type-ahead, and the
// replies "msel", "mkey" and "key". What is shown goes through MenuDisplay,
// what is said through the speech output, what is sent through MenuReplies.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/ui/KeyRules.h"
#include "client/ui/history/HistoryOwner.h"
#include "client/ui/menu/Menu.h"

// What the menus need of the list on the screen. All calls come on the GUI
// thread.
class MenuDisplay {
public:
    virtual ~MenuDisplay() = default;
    // The list's style for the top menu (null: none open): a list whose
    // layout no longer fits (multi-column or not, other columns or rows) is
    // made anew, keeping its line and the focus.
    virtual void checkListStyle(const Menu* top) = 0;
    // Replaces the list's lines by the top menu's (in its lineOf order);
    // empties it when no menu is open.
    virtual void fillList(const Menu* top) = 0;
    // Single-column menus only: one line added at the end, one removed.
    virtual void appendLine(const std::wstring& text) = 0;
    virtual void deleteLine(int line) = 0;
    // One line's text replaced in place (the item on it was rebuilt).
    virtual void replaceLine(int line, const std::wstring& text) = 0;
    virtual int lineCount() const = 0;
    // Makes the line the list's current line (the screen reader follows it).
    virtual void selectLine(int line) = 0;
    // The short refusal sound (MessageBeep 0).
    virtual void refusalBeep() = 0;
    // Alt is held at this moment.
    virtual bool altHeld() const = 0;
    // Runs the work on the GUI thread once the milliseconds have passed,
    // without holding the thread up in between.
    virtual void runLater(unsigned milliseconds, std::function<void()> work) = 0;
};

// The replies to the server; each is sent only while logged in and cut to
// its buffer at a character boundary. Tags are UTF-8.
class MenuReplies {
public:
    virtual ~MenuReplies() = default;
    virtual void choice(int menuId, int index, const std::string& tag) = 0; // msel id·index·tag
    virtual void cancel(int menuId) = 0;                                   // msel id·-1·-1
    virtual void menuKey(int code, int menuId, int index, const std::string& tag) = 0; // mkey
    virtual void key(int code) = 0;                                        // key
};

// The client's own menus (the options): their choices and keys.
class LocalMenuHandler {
public:
    virtual ~LocalMenuHandler() = default;
    // number: the menu's id without its sign; index -1: cancelled.
    virtual void localMenuChoice(Menu& menu, int number, int index) = 0;
    virtual void localMenuKey(Menu& menu, int number, int code) = 0;
};

// What the list does with a key beyond what the menus did themselves.
enum class ListKeyAction {
    Handled,       // done (the list does nothing more)
    Default,       // the list box's normal handling
    MoveFocus,     // Tab released: to the chat line (Shift: the history)
    ReviewHistory, // Page Up / Page Down: the history review
};

// Virtual keys the list handles.
namespace ListKey {
constexpr int kEnter = 0x0D;
constexpr int kEscape = 0x1B;
constexpr int kEnd = 0x23;
constexpr int kHome = 0x24;
constexpr int kLeft = 0x25;
constexpr int kUp = 0x26;
constexpr int kRight = 0x27;
constexpr int kDown = 0x28;
constexpr int kApps = 0x5D;
} // namespace ListKey

// The name of the sound of a refused move.
inline constexpr std::wstring_view kMenuBoundsSound = L"menubounds";

// Keys that become key events when pressed in the list: Enter, 0x0A, Space,
// Delete, digits, letters, the numeric keypad, F1 to F24 except the
// main window's F5 to F8, F10 and F12.
bool isForwardedListKey(int virtualKey);

class MenuOwner {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // A sound description on a history channel: items' sounds on channel
    // 0, "menubounds" on none (-1).
    using PlaySound = std::function<void(const std::wstring& sound, int channel)>;

    // Typed characters further apart than this start a new search.
    static constexpr std::chrono::milliseconds kTypeAheadPause{500};
    // After a key event for an arrow, the current item is spoken again
    // (unless the server changed it meanwhile) once these have passed.
    static constexpr unsigned kSidewaysRepeatMs = 100;
    static constexpr unsigned kUpDownRepeatMs = 10;

    // selfSpeaking: the synthesiser speaks (no screen reader announces the
    // list's changes), so moves speak the item themselves.
    MenuOwner(MenuDisplay& display, SpeechOutput& speech, MenuReplies& replies, PlaySound playSound,
              std::function<bool()> selfSpeaking,
              Clock clock = [] { return std::chrono::steady_clock::now(); });

    void setLocalMenuHandler(LocalMenuHandler* handler) { local_ = handler; }

    // The stack, top first; the top menu (null when none).
    const std::deque<Menu>& stack() const { return stack_; }
    const Menu* top() const { return stack_.empty() ? nullptr : &stack_.front(); }
    // The top menu's id, -1 when none; a menu with this id is open.
    int currentMenuId() const { return stack_.empty() ? -1 : stack_.front().id; }
    bool menuIsOpen(int id) const;

    // "mupi" (mode 0), "menu" (1), "mupd" (2).
    void menuUpdate(std::string_view text, int mode);
    // Pushes a server menu built from a full description.
    void menuOpen(std::string_view text);
    // Pushes one of the client's own menus (a negative id); a title is
    // spoken first.
    void menuOpen(int id, std::uint32_t flags, int selected, const std::wstring& title, std::vector<MenuItem> items);
    // n >= 1: the menu with that id; 0: all; n < 0: -n menus from the top.
    void menuClose(int n);
    // Chooses the index in the top menu (-1: cancel).
    void menuSelect(int index);
    // "mmve": id·index, an absolute move when the id is the top menu's.
    void menuMove(std::string_view text);
    // The one change of the current item; false when refused (or no menu).
    bool moveSelection(int delta, bool interrupt, bool absolute);
    // A key of the player: "mkey" in a menu that asks for it, else "key".
    void sendKeyEvent(int virtualKey, KeyModifiers modifiers);

    // The list's keys: a key pressed, a key released, a typed character,
    // the context-menu request (Applications key or Shift+F10), and a mouse
    // button released over a line (choose: the left button).
    ListKeyAction listKeyDown(int virtualKey, KeyModifiers modifiers);
    ListKeyAction listKeyUp(int virtualKey, KeyModifiers modifiers);
    void listCharacter(wchar_t character, KeyModifiers modifiers);
    void listContextMenu(KeyModifiers modifiers);
    void lineClicked(int line, bool choose);

private:
    // Check the list, fill it, announce (zero relative move).
    void refresh(bool interrupt);
    void clampSelection(Menu& menu);
    void menuItemChange(std::string_view text);
    void speakCurrent(bool interrupt);
    void speakLater(unsigned milliseconds, bool onlyIfUnchanged);
    void typeAhead(wchar_t character, KeyModifiers modifiers);
    bool selectable(const Menu& menu, int index) const;
    int firstSelectable(const Menu& menu, int from, int step, int steps) const;

    MenuDisplay& display_;
    SpeechOutput& speech_;
    MenuReplies& replies_;
    PlaySound playSound_;
    std::function<bool()> selfSpeaking_;
    Clock clock_;
    LocalMenuHandler* local_ = nullptr;
    std::deque<Menu> stack_;
    std::wstring search_;
    std::optional<std::chrono::steady_clock::time_point> lastTyped_;
};
