// Keys and commands of the headless client's standard input.
#include "client/ui/headless/HeadlessCommands.h"

#include "client/net/Connection.h"
#include "client/ui/Accelerators.h"
#include "common/numbers.h"
#include "common/utf8.h"

namespace {

std::string firstWord(const std::string& line, std::string& rest)
{
    const std::size_t space = line.find(' ');
    rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    return line.substr(0, space);
}

// "shift+ctrl+F5": the modifiers, then the key's name.
bool parseKey(std::string text, int& virtualKey, KeyModifiers& m)
{
    for (;;) {
        const std::size_t plus = text.find('+');
        if (plus == std::string::npos || plus + 1 == text.size()) break;
        const std::string modifier = text.substr(0, plus);
        if (modifier == "shift") m.shift = true;
        else if (modifier == "ctrl" || modifier == "control") m.control = true;
        else if (modifier == "alt") m.alt = true;
        else return false;
        text = text.substr(plus + 1);
    }
    const std::optional<int> key = virtualKeyNamed(text);
    if (!key) return false;
    virtualKey = *key;
    return true;
}

const char* focusName(FocusTarget target)
{
    switch (target) {
    case FocusTarget::Chat: return "chat";
    case FocusTarget::History: return "history";
    case FocusTarget::Arcade: return "arcade";
    case FocusTarget::List: break;
    }
    return "list";
}

} // namespace

HeadlessCommands::HeadlessCommands(HeadlessFrontEnd& frontEnd, HeadlessHistory& display, SpeechOutput& speech,
                                   Sleep sleep)
    : HistoryCommands(display, speech, [](const std::string& text) { theConnection().sendText(text); }),
      frontEnd_(frontEnd), headlessDisplay_(display), sleep_(std::move(sleep))
{
}

bool HeadlessCommands::run(const std::string& rawLine)
{
    std::string line = rawLine;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return true;
    std::string rest;
    const std::string word = firstWord(line, rest);
    bool ok = true;
    if (word == "sleep") {
        std::size_t used = 0;
        const long ms = common::readLong(rest, &used);
        ok = used > 0 && used == rest.size() && ms >= 0;
        if (ok) sleep_(static_cast<unsigned>(ms));
    } else if (word == "key") {
        int virtualKey = 0;
        KeyModifiers m;
        ok = parseKey(rest, virtualKey, m);
        if (ok) frontEnd_.runInEDT([&] { key(virtualKey, m); });
    } else if (word == "type") {
        ok = !rest.empty();
        const std::wstring text = common::utf8ToWide(rest);
        if (ok) frontEnd_.runInEDT([&] {
            if (focus_ != FocusTarget::List || !menus_) return;
            for (wchar_t c : text) menus_->listCharacter(c, {});
        });
    } else if (word == "answer") {
        frontEnd_.typeAnswer({true, false, rest});
    } else if (word == "button") {
        std::size_t used = 0;
        common::readLong(rest, &used);
        ok = used > 0 && used == rest.size();
        if (ok) frontEnd_.typeAnswer({true, false, rest});
    } else if (word == "cancel") {
        ok = rest.empty();
        if (ok) frontEnd_.typeAnswer({true, true, {}});
    } else if (word == "focus") {
        ok = rest == "chat" || rest == "history" || rest == "list";
        const FocusTarget target = rest == "chat" ? FocusTarget::Chat
                                   : rest == "history" ? FocusTarget::History
                                                       : FocusTarget::List;
        if (ok) frontEnd_.runInEDT([&] { focusControl(target); });
    } else if (word == "command") {
        std::size_t used = 0;
        const int id = common::readLong(rest, &used);
        ok = used > 0 && used == rest.size();
        if (ok) frontEnd_.runInEDT([&] { ok = runWindowCommand(id, *this, *this); });
    } else if (word == "foreground") {
        ok = rest == "on" || rest == "off";
        if (ok) headlessDisplay_.setWindowActive(rest == "on");
    } else if (word == "quit") {
        frontEnd_.runInEDT([&] { runWindowCommand(CommandId::kQuit, *this, *this); });
    } else {
        ok = false;
    }
    if (!ok) frontEnd_.show("input", "not a command: " + line);
    return ok;
}

void HeadlessCommands::runAll(std::istream& in)
{
    std::string line;
    while (std::getline(in, line)) run(line);
    // Boxes that still wait for the player get their defaults.
    frontEnd_.endInput();
}

void HeadlessCommands::key(int virtualKey, KeyModifiers m)
{
    // Shortcuts come first, as the message loop's accelerator tables do.
    if (const std::optional<int> command = acceleratorCommand(virtualKey, m, false)) {
        runWindowCommand(*command, *this, *this);
        return;
    }
    switch (focus_) {
    case FocusTarget::Chat:
        keyAction(chatKeyDown(virtualKey, m), virtualKey, m);
        keyAction(chatKeyUp(virtualKey, m), virtualKey, m);
        break;
    case FocusTarget::History:
        keyAction(historyKeyDown(virtualKey, m), virtualKey, m);
        keyAction(historyKeyUp(virtualKey, m), virtualKey, m);
        break;
    case FocusTarget::List:
    case FocusTarget::Arcade:
        if (!menus_) {
            // Without menus the list only reviews and moves on with Tab.
            if (virtualKey == VirtualKey::kPageUp || virtualKey == VirtualKey::kPageDown) {
                reviewHistory(virtualKey, m.shift, m.control, m.alt);
            } else if (virtualKey == VirtualKey::kTab) {
                focusControl(tabTarget(focus_, m.shift, false));
            } else {
                sendKeyEvent(virtualKey, m.shift, m.control, m.alt);
            }
            break;
        }
        if (virtualKey == ListKey::kApps) {
            menus_->listContextMenu(m);
            break;
        }
        for (const ListKeyAction action : {menus_->listKeyDown(virtualKey, m), menus_->listKeyUp(virtualKey, m)}) {
            if (action == ListKeyAction::ReviewHistory) reviewHistory(virtualKey, m.shift, m.control, m.alt);
            if (action == ListKeyAction::MoveFocus) focusControl(tabTarget(focus_, m.shift, false));
        }
        // The list lets a letter, digit or space of a type-ahead menu through
        // to be typed, as the window's message loop would.
        if (const Menu* top = menus_->top(); top && top->has(MenuFlag::kTypeAhead) && !m.any()) {
            const bool letter = virtualKey >= 'A' && virtualKey <= 'Z';
            if (letter || virtualKey == ' ' || (virtualKey >= '0' && virtualKey <= '9')) {
                menus_->listCharacter(static_cast<wchar_t>(letter ? virtualKey + ('a' - 'A') : virtualKey), m);
            }
        }
        break;
    }
}

void HeadlessCommands::sendKeyEvent(int virtualKey, bool shift, bool control, bool alt)
{
    if (menus_) menus_->sendKeyEvent(virtualKey, KeyModifiers{shift, control, alt});
    else HistoryCommands::sendKeyEvent(virtualKey, shift, control, alt);
}

void HeadlessCommands::keyAction(KeyAction action, int virtualKey, KeyModifiers m)
{
    switch (action) {
    case KeyAction::MoveFocus: focusControl(tabTarget(focus_, m.shift, false)); break;
    case KeyAction::ReviewHistory: reviewHistory(virtualKey, m.shift, m.control, m.alt); break;
    case KeyAction::KeyEvent: sendKeyEvent(virtualKey, m.shift, m.control, m.alt); break;
    // The headless chat line holds no text and the history no caret.
    case KeyAction::Default:
    case KeyAction::Swallow:
    case KeyAction::SendLine:
    case KeyAction::ClearLine:
    case KeyAction::RecallPrevious:
    case KeyAction::RecallNext:
    case KeyAction::ClickAtCaret: break;
    }
}

void HeadlessCommands::saveHistory() { frontEnd_.show("save", "history (no save dialog without a window)"); }

void HeadlessCommands::saveView() { frontEnd_.show("save", "view (no save dialog without a window)"); }

void HeadlessCommands::focusControl(FocusTarget target)
{
    focus_ = target;
    frontEnd_.show("focus", focusName(target));
}

void HeadlessCommands::showAbout() { frontEnd_.show("box", common::wideToUtf8(aboutText())); }

void HeadlessCommands::openAddress(const std::wstring& address) { frontEnd_.openAddress(common::wideToUtf8(address)); }
