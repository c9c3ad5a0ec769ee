// The headless client's menu list: what the list shows and which line is
// current are printed as "menu:" lines, the menus' sounds as "sound:"
// lines; the arrow keys' pauses are timers of the headless message loop.
#pragma once

#include <vector>

#include "client/ui/headless/HeadlessFrontEnd.h"
#include "client/ui/menu/MenuOwner.h"

class HeadlessMenuDisplay : public MenuDisplay {
public:
    explicit HeadlessMenuDisplay(HeadlessFrontEnd& frontEnd) : frontEnd_(frontEnd) {}

    // "menu: 1 (3 items, 1 column, flags 0x1): a | b | c", or "menu: none".
    void checkListStyle(const Menu*) override {}
    void fillList(const Menu* top) override;
    void appendLine(const std::wstring& text) override;
    void deleteLine(int line) override;
    void replaceLine(int line, const std::wstring& text) override;
    int lineCount() const override { return static_cast<int>(lines_.size()); }
    // "menu: current 2 Yes or no" (the item's index, the line's text).
    void selectLine(int line) override;
    void refusalBeep() override { frontEnd_.show("beep", "default"); }
    bool altHeld() const override { return false; }
    void runLater(unsigned milliseconds, std::function<void()> work) override
    {
        frontEnd_.runLater(milliseconds, std::move(work));
    }

    // The menus' sounds.
    void playSound(const std::wstring& name);

    // Sets the menus whose top menu the lines show.
    void setMenus(const MenuOwner* menus) { menus_ = menus; }

private:
    HeadlessFrontEnd& frontEnd_;
    const MenuOwner* menus_ = nullptr;
    std::vector<std::wstring> lines_;
};
