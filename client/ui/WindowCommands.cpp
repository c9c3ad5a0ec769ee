// The main window's command table.
#include "client/ui/WindowCommands.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "client/core/Environment.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/core/Version.h"
#include "client/frontend/FrontEnd.h"
#include "client/net/Connection.h"
#include "common/file.h"
#include "common/format.h"

namespace {

// Volume steps of the F5 to F8 keys, in points of 100.
constexpr int kVolumeStep = 2;

// File names compare without case on Windows: "CHANNELS0.INI" goes too.
bool hasIniExtension(const std::filesystem::path& path)
{
    const std::u8string name = path.extension().u8string();
    std::string extension(name.begin(), name.end());
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == ".ini";
}

void askRestoreDefaults(MainWindowView& window, InterfaceOwners& owners)
{
    const int answer = frontEnd().messageBox(translate("restoredefaults1"), translate("restoredefaults"),
                                             MessageBoxStyle::kYesNo | MessageBoxStyle::kIconWarning);
    if (answer == MessageBoxAnswer::kYes) restoreAllDefaults(window, owners);
}

void quit()
{
    theConnection().sendQuit();
    quittingFlag() = true;
    frontEnd().postQuit(0);
}

} // namespace

bool runWindowCommand(int id, MainWindowView& window, InterfaceOwners& owners)
{
    if (id >= CommandId::kChooseView0 && id <= CommandId::kChooseView0 + 9) {
        owners.chooseView(id - CommandId::kChooseView0);
        return true;
    }
    switch (id) {
    case CommandId::kSaveHistory: owners.saveHistory(); break;
    case CommandId::kSoundVolumeUp: owners.changeSoundVolume(kVolumeStep); break;
    case CommandId::kSoundVolumeDown: owners.changeSoundVolume(-kVolumeStep); break;
    case CommandId::kStreamVolumeUp: owners.changeStreamVolume(kVolumeStep); break;
    case CommandId::kStreamVolumeDown: owners.changeStreamVolume(-kVolumeStep); break;
    case CommandId::kNextVoice: owners.nextVoice(); break;
    case CommandId::kSpeechRateUp: owners.speechRateUp(); break;
    case CommandId::kSpeechRateDown: owners.speechRateDown(); break;
    case CommandId::kF10: theConnection().sendF10(); break;
    case CommandId::kStopSounds: owners.stopAllSounds(); break;
    case CommandId::kStopStreams: owners.stopAllStreams(); break;
    case CommandId::kOpenMenu1020:
        owners.openLocalMenu(1020);
        window.focusControl(FocusTarget::List);
        break;
    case CommandId::kSpeechMute: owners.toggleSpeechMute(); break;
    case CommandId::kOpenMenu1014:
        owners.openLocalMenu(1014);
        window.focusControl(FocusTarget::List);
        break;
    case CommandId::kSaveView: owners.saveView(); break;
    case CommandId::kAbout: window.showAbout(); break;
    case CommandId::kFocusChat: window.focusChatSelectAll(); break;
    case CommandId::kFocusHistory: window.focusControl(FocusTarget::History); break;
    case CommandId::kFocusList: window.focusControl(FocusTarget::List); break;
    case CommandId::kNextView: owners.nextView(); break;
    case CommandId::kPreviousView: owners.previousView(); break;
    case CommandId::kCopyReviewed: owners.copyReviewedMessage(); break;
    case CommandId::kOpenReviewedLink: owners.openReviewedLink(); break;
    case CommandId::kCopyView: owners.copyView(); break;
    case CommandId::kAskRestoreDefaults: askRestoreDefaults(window, owners); break;
    case CommandId::kRestoreDefaults: restoreAllDefaults(window, owners); break;
    case CommandId::kClearHistory: owners.clearHistory(); break;
    case CommandId::kQuit: quit(); break;
    case CommandId::kSendReviewed: owners.sendReviewedMessage(); break;
    case CommandId::kHistoryReport1: owners.historyReport(1); break;
    case CommandId::kHistoryReport2: owners.historyReport(2); break;
    case CommandId::kToggleArcade: owners.toggleArcadeMode(); break;
    default: return false;
    }
    return true;
}

void restoreAllDefaults(MainWindowView& window, InterfaceOwners& owners)
{
    std::error_code ec;
    const std::filesystem::path folder = common::fsPath(environment().userDir);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileError;
        if (hasIniExtension(it->path()) && it->is_regular_file(fileError)) {
            std::filesystem::remove(it->path(), fileError);
        }
    }
    restoreDefaultSettings();
    owners.defaultsRestored();
    window.applySettings();
}

std::wstring aboutText()
{
    return common::formatBoundedW(1024, L"%s %d.%d.%d\r\n%s", translate("about3"), kVersionMajor, kVersionMinor,
                                  kVersionPatch, translate("about4"));
}
