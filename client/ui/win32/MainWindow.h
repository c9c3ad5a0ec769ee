// The main window: history, chat line and menu list with the hidden labels
// that name them for screen readers, the keyboard handling of history and
// chat line, focus memory, layout and font, and the window procedure where
// the other threads' GUI-thread calls arrive. What to do is decided by the
// portable interface logic; this class carries it out with Win32 calls.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "client/ui/ChatInput.h"
#include "client/ui/Focus.h"
#include "client/ui/InterfaceOwners.h"
#include "client/ui/WindowCommands.h"

// The window class of the main window; a second instance finds the first
// through it.
inline constexpr wchar_t kMainWindowClass[] = L"OrvelleClient21";
// Answered with 1 by the main window: "a client runs here".
constexpr UINT kInstanceQueryMessage = WM_USER + 400;

class HistoryControl;
class MenuList;
class MenuOwner;

class MainWindow : public MainWindowView {
public:
    // The class "OrvelleClient21": double clicks, the default application
    // icon and the arrow cursor.
    static bool registerClass(HINSTANCE instance);

    // Creates the window, titled startWindowTitle(), with its controls in
    // their order, sets up history and chat line, adds the about item to the
    // system menu, applies the settings and shows it. False on failure.
    bool create(HINSTANCE instance);

    HWND handle() const { return window_; }
    HWND history() const { return history_; }
    HWND chatLine() const { return chat_; }
    HWND list() const { return list_; }

    // The owners of history, menus, sound, speech and arcade mode; the
    // defaults until the caller gives its own.
    void setOwners(InterfaceOwners* owners) { owners_ = owners ? owners : &defaultOwners_; }
    InterfaceOwners& owners() { return *owners_; }

    // The history's display, which adds waiting messages when the window
    // gets kFlushHistoryMessage.
    void setHistoryControl(HistoryControl* control) { historyControl_ = control; }

    // The menus and the list that shows them; without them the list only
    // takes part in the Tab cycle.
    void setMenus(MenuOwner* menus, MenuList* list)
    {
        menus_ = menus;
        menuList_ = list;
    }
    // Destroys the list box and creates one with this style in its place
    // (subclassed, with the window's font and a horizontal extent of 2000
    // pixels), laid out, focused when the old one was; returns it.
    HWND replaceList(DWORD style);
    // The list's area: half the client width less 10, the client height
    // less 60.
    SIZE listArea() const;
    HFONT font() const { return font_; }
    // Lays the controls out again (the list's height follows a grid).
    void relayout() { layout(); }

    bool arcadeMode() const { return arcadeMode_; }
    // Arcade mode: the game's window takes the place of history, menu label
    // and list, and the second accelerator table is off.
    void setArcadeMode(bool on);
    bool isActive() const { return active_; }

    // The server's "focuschat".
    void focusChat(const FocusChatRequest& request);

    // MainWindowView
    void focusControl(FocusTarget target) override;
    void focusChatSelectAll() override;
    void showAbout() override;
    void applySettings() override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR id, DWORD_PTR self);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool handleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    bool handleChatKey(UINT message, WPARAM wParam);
    bool handleHistoryKey(UINT message, WPARAM wParam);
    bool handleListMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls(HINSTANCE instance);
    void layout();
    void applyFont();
    void applyHistorySettings();
    void sendChatLine();
    void recall(int step);
    void clickAtCaret();
    void showHistoryMenu(LPARAM position);
    void moveFocusFrom(FocusTarget from);
    void remember(FocusTarget target) { lastFocus_ = target; }
    HWND controlOf(FocusTarget target) const;
    HBRUSH listBrush();

    HWND window_ = nullptr;
    HWND historyLabel_ = nullptr;
    HWND history_ = nullptr;
    HWND chatLabel_ = nullptr;
    HWND chat_ = nullptr;
    HWND menuLabel_ = nullptr;
    HWND list_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH listBrush_ = nullptr;
    COLORREF listBrushColor_ = 0;
    FocusTarget lastFocus_ = FocusTarget::List;
    std::atomic<bool> active_{false}; // also read by the threads that play sounds
    bool arcadeMode_ = false;
    ChatInputHistory chatInput_;
    InterfaceOwners defaultOwners_;
    InterfaceOwners* owners_ = &defaultOwners_;
    HistoryControl* historyControl_ = nullptr;
    MenuOwner* menus_ = nullptr;
    MenuList* menuList_ = nullptr;
};
