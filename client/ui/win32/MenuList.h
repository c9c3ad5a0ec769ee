// The menu list of the main window: the list box that shows the top menu,
// re-created when a grid needs other columns, owner-drawn with the items'
// colours and check-box markers (or plain for screen readers that read the
// standard list box best), measured for grid cells, with the hovered line
// inverted and the arrow keys' pauses as window timers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "client/ui/menu/MenuOwner.h"

class MainWindow;

class MenuList : public MenuDisplay {
public:
    using Palette = std::function<std::vector<std::uint32_t>()>;
    // plainList: the list is a standard one (colours off, or an engine that
    // wants plain controls).
    MenuList(MainWindow& window, Palette palette, std::function<bool()> plainList);
    ~MenuList() override;

    void setMenus(const MenuOwner* menus) { menus_ = menus; }

    // MenuDisplay
    void checkListStyle(const Menu* top) override;
    void fillList(const Menu* top) override;
    void appendLine(const std::wstring& text) override;
    void deleteLine(int line) override;
    void replaceLine(int line, const std::wstring& text) override;
    int lineCount() const override;
    void selectLine(int line) override;
    void refusalBeep() override { MessageBeep(0); }
    bool altHeld() const override { return GetKeyState(VK_MENU) < 0; }
    void runLater(unsigned milliseconds, std::function<void()> work) override;

    // Destroys the list box and creates it with the style the top menu
    // needs, keeping its line, the focus and the focus memory.
    void recreateListControl();

    // The main window's messages for the list: sizes of lines and cells,
    // drawing, a timer, the pointer over a line, a size change (a grid is
    // laid out anew).
    void measure(MEASUREITEMSTRUCT& item);
    void draw(const DRAWITEMSTRUCT& item);
    bool timer(UINT_PTR id);
    void pointerAt(int line);
    void resized();

    // The list's height in a grid (rows × cell height), 0 when it takes the
    // whole area.
    int gridHeight() const;
    // The layout the list was created for.
    bool multiColumn() const { return multiColumn_; }

private:
    DWORD style(bool ownerDrawn, bool multiColumn) const;
    // Scrolls a single-column list as selecting the line would, drawing the
    // lines and the vertical scroll bar once.
    void scrollToLine(int line);
    CellSize cellSize() const;

    MainWindow& window_;
    Palette palette_;
    std::function<bool()> plainList_;
    const MenuOwner* menus_ = nullptr;
    bool ownerDrawn_ = false; // the list the main window starts with is a standard one
    bool multiColumn_ = false;
    int columns_ = 0;
    int rows_ = 0;
    bool recreating_ = false;
    int hovered_ = -1;
    UINT_PTR nextTimer_ = 0x4D00;
    std::map<UINT_PTR, std::function<void()>> timers_;
};
