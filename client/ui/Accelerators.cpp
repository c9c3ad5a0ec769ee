// The shortcut table and key names.
#include "client/ui/Accelerators.h"

#include <cctype>
#include <string>
#include <string_view>

#include "client/ui/WindowCommands.h"

namespace {

constexpr int kF1 = 0x70;
constexpr int kDelete = 0x2E;
constexpr int kLeft = 0x25;
constexpr int kRight = 0x27;

Accelerator key(int vk, int command, bool second, bool shift = false, bool control = false, bool alt = false)
{
    return Accelerator{vk, shift, control, alt, command, second};
}

std::vector<Accelerator> buildTable()
{
    using namespace CommandId;
    constexpr bool kFirst = false, kSecond = true;
    std::vector<Accelerator> t = {
        key(kF1 + 7, kSoundVolumeUp, kFirst),
        key(kF1 + 6, kSoundVolumeDown, kFirst),
        key(kF1 + 5, kStreamVolumeUp, kFirst),
        key(kF1 + 4, kStreamVolumeDown, kFirst),
        key('C', kFocusChat, kFirst, false, false, true),
        key(kRight, kNextView, kFirst, false, false, true),
        key(kLeft, kPreviousView, kFirst, false, false, true),
        key(VirtualKey::kSpace, kCopyReviewed, kFirst, false, true),
        key(VirtualKey::kSpace, kSendReviewed, kFirst, true, true),
        key(kDelete, kToggleArcade, kFirst, true, true),
        key(kF1 + 11, kSaveHistory, kSecond),
        key(kF1 + 5, kNextVoice, kSecond, false, true),
        key(kF1 + 7, kSpeechRateUp, kSecond, false, true),
        key(kF1 + 6, kSpeechRateDown, kSecond, false, true),
        key(kF1 + 9, kF10, kSecond),
        key(kF1 + 6, kStopSounds, kSecond, true),
        key(kF1 + 4, kStopStreams, kSecond, true),
        key(kF1 + 7, kOpenMenu1020, kSecond, true),
        key(kF1 + 4, kSpeechMute, kSecond, false, true),
        key(kF1 + 5, kOpenMenu1014, kSecond, true),
        key(kF1 + 11, kSaveView, kSecond, true),
        key('H', kFocusHistory, kSecond, false, false, true),
        key('L', kFocusList, kSecond, false, false, true),
        key('M', kFocusList, kSecond, false, false, true),
        key(VirtualKey::kReturn, kOpenReviewedLink, kSecond, false, true),
        key(kF1 + 11, kCopyView, kSecond, false, true),
    };
    // Alt+1 ... Alt+9 choose views 0 to 8, Alt+0 view 9.
    for (int digit = 1; digit <= 9; ++digit) t.push_back(key('0' + digit, kChooseView0 + digit - 1, kFirst, false, false, true));
    t.push_back(key('0', kChooseView0 + 9, kFirst, false, false, true));
    return t;
}

} // namespace

const std::vector<Accelerator>& accelerators()
{
    static const std::vector<Accelerator> table = buildTable();
    return table;
}

std::optional<int> acceleratorCommand(int virtualKey, KeyModifiers m, bool arcadeMode)
{
    for (const Accelerator& a : accelerators()) {
        if (a.secondTable && arcadeMode) continue;
        if (a.virtualKey == virtualKey && a.shift == m.shift && a.control == m.control && a.alt == m.alt) {
            return a.command;
        }
    }
    return std::nullopt;
}

std::optional<int> virtualKeyNamed(std::string_view name)
{
    std::string n;
    for (const char c : name) n.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0]))) {
        return std::toupper(static_cast<unsigned char>(n[0]));
    }
    if (n.size() >= 2 && n[0] == 'f' && std::isdigit(static_cast<unsigned char>(n[1]))) {
        const int number = std::stoi(n.substr(1, 2));
        if (n.size() <= 3 && std::to_string(number) == n.substr(1) && number >= 1 && number <= 24) return kF1 + number - 1;
        return std::nullopt;
    }
    struct Named {
        std::string_view name;
        int key;
    };
    static constexpr Named kNames[] = {
        {"pageup", VirtualKey::kPageUp}, {"prior", VirtualKey::kPageUp}, {"pagedown", VirtualKey::kPageDown},
        {"next", VirtualKey::kPageDown}, {"home", 0x24}, {"end", 0x23}, {"left", kLeft}, {"right", kRight},
        {"up", VirtualKey::kUp}, {"down", VirtualKey::kDown}, {"return", VirtualKey::kReturn},
        {"enter", VirtualKey::kReturn}, {"escape", VirtualKey::kEscape}, {"tab", VirtualKey::kTab},
        {"space", VirtualKey::kSpace}, {"delete", kDelete}, {"back", 0x08}, {"backspace", 0x08},
        {"insert", 0x2D}, {"apps", 0x5D},
    };
    for (const Named& k : kNames) {
        if (k.name == n) return k.key;
    }
    return std::nullopt;
}
