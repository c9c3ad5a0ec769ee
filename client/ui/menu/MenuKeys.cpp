// The menu list's keys, mouse choices and type-ahead.
#include <algorithm>
#include <cwctype>

#include "client/ui/menu/MenuOwner.h"

namespace {
constexpr int kF4 = 0x73;
} // namespace

bool isForwardedListKey(int k)
{
    if (k == 0x0D || k == 0x0A || k == 0x20 || k == 0x2E) return true;
    if ((k >= '0' && k <= '9') || (k >= 'A' && k <= 'Z') || (k >= 0x60 && k <= 0x6F)) return true;
    // F5 to F8, F10 and F12 belong to the main window's shortcuts.
    if (k >= 0x70 && k <= 0x87) return !(k >= 0x74 && k <= 0x77) && k != 0x79 && k != 0x7B;
    return false;
}

int MenuOwner::firstSelectable(const Menu& menu, int from, int step, int steps) const
{
    for (int i = 0, index = from; i < steps; ++i, index += step) {
        if (selectable(menu, index)) return index;
    }
    return from;
}

void MenuOwner::speakCurrent(bool interrupt)
{
    if (const Menu* menu = top()) {
        if (const MenuItem* item = menu->current()) speech_.say(item->text, interrupt);
    }
}

// The pause after an arrow's key event lets the server's answer arrive
// first; when it changed the current item, that change was announced
// already.
void MenuOwner::speakLater(unsigned milliseconds, bool onlyIfUnchanged)
{
    const Menu* menu = top();
    const MenuItem* item = menu ? menu->current() : nullptr;
    std::wstring before = item ? item->text : std::wstring();
    display_.runLater(milliseconds, [this, before = std::move(before), onlyIfUnchanged] {
        const Menu* now = top();
        const MenuItem* current = now ? now->current() : nullptr;
        if (!current) return;
        if (onlyIfUnchanged && (display_.altHeld() || current->text != before)) return;
        speech_.say(current->text, true);
    });
}

ListKeyAction MenuOwner::listKeyDown(int key, KeyModifiers m)
{
    const Menu* menu = top();
    const bool grid = menu && menu->grid();
    const int c = menu ? menu->gridColumns() : 1;
    const int n = menu ? menu->count() : 0;
    const int selected = menu ? menu->selected : 0;
    const bool controlOnly = m.control && !m.shift && !m.alt;

    switch (key) {
    case VirtualKey::kTab: return ListKeyAction::Handled; // the release moves the focus
    case ListKey::kEnter:
        if (menu && !m.any()) menuSelect(selected);
        else sendKeyEvent(key, m);
        return ListKeyAction::Handled;
    case ListKey::kEscape:
        if (!menu) return ListKeyAction::Default;
        menuSelect(-1);
        return ListKeyAction::Handled;
    case VirtualKey::kPageUp:
    case VirtualKey::kPageDown: return ListKeyAction::ReviewHistory;
    case ListKey::kHome:
    case ListKey::kEnd: {
        if (!menu) return ListKeyAction::Handled;
        const bool home = key == ListKey::kHome;
        int target;
        if (grid && !m.control && !m.shift) {
            const int rowStart = selected / c * c;
            target = home ? firstSelectable(*menu, rowStart, 1, c)
                          : firstSelectable(*menu, std::min(rowStart + c - 1, n - 1), -1, c);
        } else {
            target = home ? firstSelectable(*menu, 0, 1, n) : firstSelectable(*menu, n - 1, -1, n);
        }
        moveSelection(target, true, true);
        return ListKeyAction::Handled;
    }
    case ListKey::kLeft:
    case ListKey::kRight: {
        const bool left = key == ListKey::kLeft;
        if (grid && controlOnly) {
            const int rowStart = selected / c * c;
            moveSelection(left ? firstSelectable(*menu, rowStart, 1, c)
                               : firstSelectable(*menu, std::min(rowStart + c - 1, n - 1), -1, c),
                          true, true);
        } else if (grid && !m.any()) {
            moveSelection(left ? -1 : 1, true, false);
        } else {
            sendKeyEvent(key, m);
            speakLater(kSidewaysRepeatMs, true);
        }
        return ListKeyAction::Handled;
    }
    case ListKey::kUp:
    case ListKey::kDown: {
        const bool up = key == ListKey::kUp;
        if (!up && m.alt) return ListKeyAction::Handled;
        if (grid && controlOnly) {
            const int column = selected % c;
            const int lastInColumn = column + (menu->gridRows() - 1) * c;
            const int bottom = lastInColumn < n ? lastInColumn : lastInColumn - c;
            moveSelection(up ? firstSelectable(*menu, column, c, menu->gridRows())
                             : firstSelectable(*menu, bottom, -c, menu->gridRows()),
                          true, true);
        } else if (m.shift || m.control) {
            sendKeyEvent(key, m);
            speakLater(kUpDownRepeatMs, false);
        } else {
            moveSelection(up ? -c : c, true, false);
        }
        return ListKeyAction::Handled;
    }
    default: break;
    }
    // Alt+F4 closes the window from the list as from anywhere else; as a
    // key event it would leave the player no keyboard way out.
    if (key == kF4 && m.alt) return ListKeyAction::Default;
    const bool typeAheadKey = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || key == ' ';
    if (menu && menu->has(MenuFlag::kTypeAhead) && !m.any() && typeAheadKey) return ListKeyAction::Default;
    if (isForwardedListKey(key)) {
        sendKeyEvent(key, m);
        return ListKeyAction::Handled;
    }
    return ListKeyAction::Default;
}

ListKeyAction MenuOwner::listKeyUp(int key, KeyModifiers)
{
    return key == VirtualKey::kTab ? ListKeyAction::MoveFocus : ListKeyAction::Default;
}

void MenuOwner::listCharacter(wchar_t character, KeyModifiers modifiers)
{
    const Menu* menu = top();
    if (!menu || !menu->has(MenuFlag::kTypeAhead) || static_cast<unsigned long>(character) < 0x20) return;
    typeAhead(character, modifiers);
}

namespace {

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(text[i])) != std::towlower(static_cast<wint_t>(prefix[i]))) return false;
    }
    return true;
}

} // namespace

void MenuOwner::typeAhead(wchar_t character, KeyModifiers modifiers)
{
    const auto now = clock_();
    if (!lastTyped_ || now - *lastTyped_ > kTypeAheadPause) search_.clear();
    lastTyped_ = now;
    search_ += character;

    const Menu& menu = stack_.front();
    const int lines = menu.lineCount();
    const int start = menu.contains(menu.selected) ? menu.lineOf(menu.selected) : -1;
    for (int k = 1; k <= lines; ++k) {
        const int index = menu.itemAtLine((start + k) % lines);
        if (!selectable(menu, index) || !startsWithNoCase(menu.items[index].text, search_)) continue;
        const bool choose = menu.has(MenuFlag::kTypeAheadSelects);
        moveSelection(index, true, true);
        if (choose) menuSelect(index);
        return;
    }
    const bool asKey = (character >= L'a' && character <= L'z') || (character >= L'A' && character <= L'Z')
                       || (character >= L'0' && character <= L'9') || character == L' ';
    if (menu.has(MenuFlag::kTypeAheadSelects) && asKey) {
        sendKeyEvent(static_cast<int>(std::towupper(static_cast<wint_t>(character))), modifiers);
    } else {
        display_.refusalBeep();
    }
}

void MenuOwner::listContextMenu(KeyModifiers modifiers)
{
    sendKeyEvent(ListKey::kApps, KeyModifiers{modifiers.shift, modifiers.control, false});
}

void MenuOwner::lineClicked(int line, bool choose)
{
    const Menu* menu = top();
    if (!menu) return;
    const int index = menu->itemAtLine(line);
    if (index < 0) return;
    // A placeholder cannot become current, nor be chosen.
    if (moveSelection(index, true, true) && choose) menuSelect(index);
}
