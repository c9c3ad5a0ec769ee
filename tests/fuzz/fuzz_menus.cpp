// Menus under random descriptions, item changes and command sequences: the
// selection stays inside the menu (or the menu is empty), an accepted move
// never lands on a placeholder, the list's lines match the menu, every
// reply names an item of the menu, and a grid shows every item once.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "client/ui/menu/Menu.h"
#include "client/ui/menu/MenuOwner.h"
#include "common/numbers.h"

namespace {

void check(bool ok)
{
    if (!ok) std::abort();
}

struct Harness : MenuDisplay, SpeechOutput, MenuReplies {
    MenuOwner menus{*this, *this, *this, [](const std::wstring&, int) {}, [] { return true; },
                    [this] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(now)); }};
    std::vector<int> lines; // the item on each line
    std::vector<std::function<void()>> timers;
    long long now = 0;

    void checkListStyle(const Menu*) override {}
    void fillList(const Menu* top) override
    {
        lines.clear();
        if (!top) return;
        std::vector<int> seen(static_cast<std::size_t>(top->count()), 0);
        for (int p = 0; p < top->lineCount(); ++p) {
            const int i = top->itemAtLine(p);
            if (i >= 0) {
                check(i < top->count() && top->lineOf(i) == p);
                ++seen[static_cast<std::size_t>(i)];
            }
            lines.push_back(i);
        }
        for (int n : seen) check(n == 1);
    }
    void appendLine(const std::wstring&) override { lines.push_back(static_cast<int>(lines.size())); }
    void deleteLine(int line) override
    {
        check(line >= 0 && line < static_cast<int>(lines.size()));
        lines.pop_back();
    }
    void replaceLine(int line, const std::wstring&) override
    {
        const Menu* top = menus.top();
        check(top && line >= 0 && line < static_cast<int>(lines.size()) && top->itemAtLine(line) >= 0);
    }
    int lineCount() const override { return static_cast<int>(lines.size()); }
    void selectLine(int line) override
    {
        const Menu* top = menus.top();
        check(top && line >= 0 && line < top->lineCount() && top->itemAtLine(line) == top->selected);
    }
    void refusalBeep() override {}
    bool altHeld() const override { return false; }
    void runLater(unsigned, std::function<void()> work) override { timers.push_back(std::move(work)); }
    void say(const std::wstring&, bool) override {}
    void braille(const std::wstring&) override {}
    void choice(int id, int index, const std::string&) override
    {
        const Menu* top = menus.top();
        check(top && top->id == id && top->contains(index));
    }
    void cancel(int) override {}
    void menuKey(int code, int id, int index, const std::string&) override
    {
        const Menu* top = menus.top();
        check(top && top->id == id && top->contains(index) && code >= 0 && code < 0x800);
    }
    void key(int code) override { check(code >= 0 && code < 0x800); }

    void invariants() const
    {
        for (const Menu& m : menus.stack()) check(m.count() == 0 ? m.selected == 0 : m.contains(m.selected));
        if (const Menu* top = menus.top()) check(lineCount() == top->lineCount());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Harness h;
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Commands are separated by newlines; the first byte picks the command.
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        const std::string line = input.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        const unsigned char op = static_cast<unsigned char>(line[0]);
        const std::string rest = line.substr(1);
        const int number = common::readLong(rest);
        const KeyModifiers m{(op & 0x20) != 0, (op & 0x40) != 0, (op & 0x80) != 0};
        switch (op % 12) {
        case 0: h.menus.menuUpdate(rest, 1); break;
        case 1: h.menus.menuUpdate(rest, 2); break;
        case 2: h.menus.menuUpdate(rest, 0); break;
        case 3: h.menus.menuClose(number); break;
        case 4: h.menus.menuMove(rest); break;
        case 5: h.menus.menuSelect(number); break;
        case 6: {
            const Menu* top = h.menus.top();
            const bool absolute = (op & 0x10) != 0;
            if (h.menus.moveSelection(number, true, absolute)) check(!top->current()->placeholder());
            break;
        }
        case 7: h.menus.listKeyDown(number & 0xFF, m); break;
        case 8:
            for (char c : rest) h.menus.listCharacter(static_cast<wchar_t>(static_cast<unsigned char>(c)), m);
            break;
        case 9: h.menus.lineClicked(number, (op & 0x10) != 0); break;
        case 10: h.now += number & 0x3FF; break;
        case 11:
            for (auto& work : h.timers) work();
            h.timers.clear();
            break;
        }
        h.invariants();
    }
    return 0;
}
