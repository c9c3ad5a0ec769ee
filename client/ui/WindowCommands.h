// The main window's commands: their numbers (the ids of the accelerator
// tables, the history's context menu, the options and the server's "lcmd")
// and what each one does.
#pragma once

#include <string>

#include "client/ui/Focus.h"
#include "client/ui/InterfaceOwners.h"

namespace CommandId {
constexpr int kSaveHistory = 1002;
constexpr int kSoundVolumeUp = 1003;
constexpr int kSoundVolumeDown = 1004;
constexpr int kStreamVolumeUp = 1005;
constexpr int kStreamVolumeDown = 1006;
constexpr int kNextVoice = 1008;
constexpr int kSpeechRateUp = 1009;
constexpr int kSpeechRateDown = 1010;
constexpr int kF10 = 1012;
constexpr int kStopSounds = 1030;
constexpr int kStopStreams = 1031;
constexpr int kOpenMenu1020 = 1032;
constexpr int kSpeechMute = 1033;
constexpr int kOpenMenu1014 = 1034;
constexpr int kSaveView = 1035;
constexpr int kAbout = 1036;
constexpr int kFocusChat = 2020;
constexpr int kFocusHistory = 2021;
constexpr int kFocusList = 2022;
constexpr int kNextView = 2023;
constexpr int kPreviousView = 2024;
constexpr int kCopyReviewed = 2025;
constexpr int kOpenReviewedLink = 2026;
constexpr int kCopyView = 2027;
constexpr int kAskRestoreDefaults = 2028;
constexpr int kRestoreDefaults = 2029;
constexpr int kClearHistory = 2030;
constexpr int kQuit = 2031;
constexpr int kSendReviewed = 2032;
constexpr int kHistoryReport1 = 2033;
constexpr int kHistoryReport2 = 2034;
constexpr int kChooseView0 = 2900; // … 2909 for view 9
constexpr int kToggleArcade = 3001;
} // namespace CommandId

// The main window's own part of the commands.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;
    virtual void focusControl(FocusTarget target) = 0;
    // The chat line takes the focus with all of its text selected.
    virtual void focusChatSelectAll() = 0;
    virtual void showAbout() = 0;
    // The settings went back to their defaults: apply the font and colours.
    virtual void applySettings() = 0;
};

// Runs the command; false for an id that is no command.
bool runWindowCommand(int id, MainWindowView& window, InterfaceOwners& owners);

// Every default back: the "*.ini" files of the per-user data folder go
// (settings included), the settings return to their defaults, then the
// owners rebuild what depends on them and the window applies them.
void restoreAllDefaults(MainWindowView& window, InterfaceOwners& owners);

// The about box's text: "about3", a blank, the version, and a second line.
std::wstring aboutText();
