// The headless client's main window: its history, view and speech commands
// over the printed history, and the player's keys and commands read from
// standard input, carried out through the same key rules, shortcut table
// and window commands as the real window.
//
// Input, one command per line:
//   key [shift+][ctrl+][alt+]NAME   a key pressed and released in the
//                                   control with the focus (see
//                                   virtualKeyNamed for the names)
//   type TEXT                       characters typed in the control with
//                                   the focus (the list's type-ahead)
//   answer TEXT                     answers the server's open (or next)
//                                   box: an input box's text
//   button N                        a message box's button (1 OK, 2 Cancel,
//                                   6 Yes, 7 No ...)
//   cancel                          cancels the open (or next) box
//   focus chat|history|list         puts the focus on a control
//   command N                       runs main-window command N, as "lcmd"
//   foreground on|off               the window is active, or not
//   sleep MS                        waits before the next line
//   quit                            the window's quit command
#pragma once

#include <functional>
#include <istream>
#include <string>

#include "client/ui/Focus.h"
#include "client/ui/KeyRules.h"
#include "client/ui/WindowCommands.h"
#include "client/ui/headless/HeadlessFrontEnd.h"
#include "client/ui/headless/HeadlessHistory.h"
#include "client/ui/history/HistoryCommands.h"
#include "client/ui/menu/MenuOwner.h"

class HeadlessCommands : public HistoryCommands, public MainWindowView {
public:
    using Sleep = std::function<void(unsigned milliseconds)>;

    HeadlessCommands(HeadlessFrontEnd& frontEnd, HeadlessHistory& display, SpeechOutput& speech, Sleep sleep);

    // Carries out one input line on the GUI thread ("sleep" waits on the
    // calling thread). False, with an "input:" line printed, for a line
    // that is not a command.
    bool run(const std::string& line);
    // Runs every line of the stream until it ends.
    void runAll(std::istream& in);

    FocusTarget focus() const { return focus_; }

    // The menus of the list; without them the list's keys are plain key
    // events.
    void setMenus(MenuOwner* menus) { menus_ = menus; }
    // Key events of the history and the chat line go through the menus too,
    // which send them with the top menu's context when it asks for that.
    void sendKeyEvent(int virtualKey, bool shift, bool control, bool alt) override;

    // InterfaceOwners: the headless client has no save dialog; the save
    // commands print what they would save.
    void saveHistory() override;
    void saveView() override;

    // MainWindowView
    void focusControl(FocusTarget target) override;
    void focusChatSelectAll() override { focusControl(FocusTarget::Chat); }
    void showAbout() override;
    void applySettings() override {}

protected:
    void openAddress(const std::wstring& address) override;

private:
    void key(int virtualKey, KeyModifiers modifiers);
    void keyAction(KeyAction action, int virtualKey, KeyModifiers modifiers);

    HeadlessFrontEnd& frontEnd_;
    HeadlessHistory& headlessDisplay_; // the same display as the base's, with its window state
    Sleep sleep_;
    MenuOwner* menus_ = nullptr;
    FocusTarget focus_ = FocusTarget::List;
};
