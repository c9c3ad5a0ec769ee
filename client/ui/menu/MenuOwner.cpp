// The menu stack's commands, moves and choices.
#include "client/ui/menu/MenuOwner.h"

#include <algorithm>
#include <limits>

#include "common/fields.h"
#include "common/numbers.h"
#include "common/utf8.h"

namespace {

// The number of a local menu: its id without the sign.
int localNumber(int id) { return id == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -id; }

} // namespace

MenuOwner::MenuOwner(MenuDisplay& display, SpeechOutput& speech, MenuReplies& replies, PlaySound playSound,
                     std::function<bool()> selfSpeaking, Clock clock)
    : display_(display), speech_(speech), replies_(replies), playSound_(std::move(playSound)),
      selfSpeaking_(std::move(selfSpeaking)), clock_(std::move(clock))
{
}

bool MenuOwner::menuIsOpen(int id) const
{
    return std::any_of(stack_.begin(), stack_.end(), [id](const Menu& m) { return m.id == id; });
}

void MenuOwner::clampSelection(Menu& menu)
{
    // A selection the server put outside the items would leave the list
    // without a current line and "mkey" guessing; it goes to the nearest end.
    if (menu.selected >= menu.count()) menu.selected = menu.count() - 1;
    if (menu.selected < 0) menu.selected = 0;
}

void MenuOwner::refresh(bool interrupt)
{
    display_.checkListStyle(top());
    display_.fillList(top());
    moveSelection(0, interrupt, false);
}

void MenuOwner::menuUpdate(std::string_view text, int mode)
{
    if (mode == 0) {
        menuItemChange(text);
        return;
    }
    const int id = common::readLong(text);
    auto found = std::find_if(stack_.begin(), stack_.end(), [id](const Menu& m) { return !m.local && m.id == id; });
    if (found == stack_.end()) {
        menuOpen(text);
        return;
    }
    const int oldSelected = found->selected;
    std::optional<std::wstring> oldTag;
    if (found->contains(oldSelected)) oldTag = found->items[oldSelected].tag;
    parseMenuDescription(text, *found);
    if (found->selected == -2 && oldTag) {
        const auto same = std::find_if(found->items.begin(), found->items.end(),
                                       [&](const MenuItem& item) { return item.tag == *oldTag; });
        if (same != found->items.end()) found->selected = static_cast<int>(same - found->items.begin());
    }
    if (found->selected < 0) found->selected = found->contains(oldSelected) ? oldSelected : found->count() - 1;
    clampSelection(*found);
    if (mode == 2 && found != stack_.begin()) {
        Menu raised = std::move(*found);
        stack_.erase(found);
        stack_.push_front(std::move(raised));
    }
    refresh(false);
}

void MenuOwner::menuOpen(std::string_view text)
{
    stack_.emplace_front();
    parseMenuDescription(text, stack_.front());
    clampSelection(stack_.front());
    refresh(false);
}

void MenuOwner::menuOpen(int id, std::uint32_t flags, int selected, const std::wstring& title, std::vector<MenuItem> items)
{
    Menu menu;
    menu.id = id;
    menu.flags = flags;
    menu.selected = selected;
    menu.items = std::move(items);
    menu.local = true;
    clampSelection(menu);
    stack_.push_front(std::move(menu));
    if (!title.empty()) speech_.say(title, true);
    refresh(false);
}

void MenuOwner::menuItemChange(std::string_view text)
{
    if (stack_.empty()) return;
    Menu& menu = stack_.front();
    MenuItemChange change = parseMenuItemChange(text);
    const bool remove = change.index < 0;
    const int index = remove ? ~change.index : change.index;
    // Lines are added and removed one by one only where the list shows the
    // items in their order; a grid's columns all shift, so it is refilled.
    const bool singleColumn = !menu.grid();
    if (index >= menu.count()) {
        menu.items.push_back(std::move(change.item));
        menu.selected = menu.count() - 1;
        if (singleColumn && !menu.grid()) display_.appendLine(menu.items.back().text);
        else display_.fillList(&menu);
    } else if (remove) {
        menu.items.erase(menu.items.begin() + index);
        // The cursor stays on the item it was on; on the removed one it goes
        // to the one before (the first stays first).
        if (menu.selected > index || (menu.selected == index && menu.selected > 0)) --menu.selected;
        if (singleColumn && !menu.grid()) display_.deleteLine(index);
        else display_.fillList(&menu);
    } else {
        menu.items[index] = std::move(change.item);
        menu.selected = index;
        // The layout stays: only the item's own line changes, which keeps a
        // long list from being filled anew for one item.
        display_.replaceLine(menu.lineOf(index), menu.items[index].text);
    }
    clampSelection(menu);
    display_.checkListStyle(&menu);
    if (display_.lineCount() != menu.lineCount()) display_.fillList(&menu);
    moveSelection(0, false, false);
}

void MenuOwner::menuClose(int n)
{
    if (n == 0) n = -1000000000;
    if (n >= 1) {
        const auto found = std::find_if(stack_.begin(), stack_.end(), [n](const Menu& m) { return m.id == n; });
        if (found != stack_.end()) stack_.erase(found);
    } else {
        for (long long k = -static_cast<long long>(n); k > 0 && !stack_.empty(); --k) stack_.pop_front();
    }
    refresh(true);
}

void MenuOwner::menuSelect(int index)
{
    if (stack_.empty()) return;
    Menu& menu = stack_.front();
    const bool keepOpen = menu.has(MenuFlag::kKeepOpen);
    if (!menu.local) {
        if (menu.contains(index)) replies_.choice(menu.id, index, common::wideToUtf8(menu.items[index].tag));
        else replies_.cancel(menu.id);
    } else if (local_) {
        local_->localMenuChoice(menu, localNumber(menu.id), index);
    }
    if (!keepOpen) menuClose(-1);
}

void MenuOwner::menuMove(std::string_view text)
{
    if (stack_.empty()) return;
    const std::vector<std::string> fields = common::splitFields(text);
    if (common::readLong(fields[0]) != stack_.front().id) return;
    moveSelection(fields.size() > 1 ? common::readLong(fields[1]) : 0, true, true);
}

bool MenuOwner::selectable(const Menu& menu, int index) const
{
    return menu.contains(index) && !menu.items[index].placeholder();
}

bool MenuOwner::moveSelection(int delta, bool interrupt, bool absolute)
{
    if (stack_.empty()) return false;
    Menu& menu = stack_.front();
    const long long c = menu.gridColumns();
    const long long target = absolute ? delta : static_cast<long long>(menu.selected) + delta;
    bool accepted = target >= 0 && target < menu.count();
    if (accepted && !absolute && c >= 2 && std::llabs(static_cast<long long>(delta)) < c
        && target / c != menu.selected / c) {
        accepted = false; // sideways out of its row
    }
    if (accepted && menu.items[target].placeholder()) accepted = false;
    if (accepted) menu.selected = static_cast<int>(target);
    else playSound_(std::wstring(kMenuBoundsSound), -1);
    if (const MenuItem* item = menu.current()) {
        if (!item->sound.empty()) playSound_(item->sound, 0);
        display_.selectLine(menu.lineOf(menu.selected));
        // A screen reader announces the list's new line itself.
        if (!accepted || selfSpeaking_()) speech_.say(item->text, interrupt);
    }
    return accepted;
}

void MenuOwner::sendKeyEvent(int virtualKey, KeyModifiers modifiers)
{
    const int code = keyEventCode(virtualKey, modifiers);
    if (!stack_.empty() && stack_.front().has(MenuFlag::kMenuKeys) && stack_.front().count() > 0) {
        Menu& menu = stack_.front();
        if (!menu.local) {
            const int index = std::clamp(menu.selected, 0, menu.count() - 1);
            replies_.menuKey(code, menu.id, index, common::wideToUtf8(menu.items[index].tag));
        } else if (local_) {
            local_->localMenuKey(menu, localNumber(menu.id), code);
        }
        return;
    }
    replies_.key(code);
}
