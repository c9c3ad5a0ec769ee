// The printed menu list.
#include "client/ui/headless/HeadlessMenuDisplay.h"

#include <cstdio>

#include "common/utf8.h"

void HeadlessMenuDisplay::fillList(const Menu* top)
{
    lines_.clear();
    if (!top) {
        frontEnd_.show("menu", "none");
        return;
    }
    char head[160];
    std::snprintf(head, sizeof head, "%d (%d items, %d column%s, flags 0x%x):", top->id, top->count(), top->gridColumns(),
                  top->gridColumns() == 1 ? "" : "s", static_cast<unsigned>(top->flags));
    std::string line = head;
    lines_.reserve(static_cast<std::size_t>(top->lineCount()));
    // Row by row, as the player sees a grid.
    for (int index = 0; index < top->count(); ++index) {
        line += (index == 0 ? " " : " | ") + common::wideToUtf8(top->items[index].text);
    }
    for (int p = 0; p < top->lineCount(); ++p) {
        const int index = top->itemAtLine(p);
        lines_.push_back(index < 0 ? std::wstring() : top->items[index].text);
    }
    frontEnd_.show("menu", printable(line));
}

void HeadlessMenuDisplay::appendLine(const std::wstring& text)
{
    lines_.push_back(text);
    frontEnd_.show("menu", "added " + printable(common::wideToUtf8(text)));
}

void HeadlessMenuDisplay::deleteLine(int line)
{
    if (line < 0 || line >= lineCount()) return;
    frontEnd_.show("menu", "removed " + printable(common::wideToUtf8(lines_[static_cast<std::size_t>(line)])));
    lines_.erase(lines_.begin() + line);
}

void HeadlessMenuDisplay::replaceLine(int line, const std::wstring& text)
{
    if (line < 0 || line >= lineCount()) return;
    lines_[static_cast<std::size_t>(line)] = text;
    frontEnd_.show("menu", "changed " + printable(common::wideToUtf8(text)));
}

void HeadlessMenuDisplay::selectLine(int line)
{
    const Menu* top = menus_ ? menus_->top() : nullptr;
    const int index = top ? top->itemAtLine(line) : -1;
    if (index < 0) return;
    frontEnd_.show("menu", "current " + std::to_string(index) + " " + printable(common::wideToUtf8(top->items[index].text)));
}

void HeadlessMenuDisplay::playSound(const std::wstring& name) { frontEnd_.show("sound", printable(common::wideToUtf8(name))); }
