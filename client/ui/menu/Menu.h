// The menus the server (and the client itself) shows in the main window's
// list: items, one menu, its grid layout, and the reading of the protocol's
// menu descriptions. Plain data and rules, free of any window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Menu flags, as the server sends them.
namespace MenuFlag {
constexpr std::uint32_t kKeepOpen = 0x01;      // a choice leaves the menu open
constexpr std::uint32_t kTypeAhead = 0x02;     // typed letters search the items
constexpr std::uint32_t kTypeAheadSelects = 0x04; // a found item is chosen; misses go to the server
constexpr std::uint32_t kMenuKeys = 0x08;      // key events go out as "mkey" with the menu's context
constexpr std::uint32_t kCheckMarks = 0x10;    // check-box markers are drawn
} // namespace MenuFlag

// Background colours that are not palette indexes.
constexpr int kMenuBackDefault = -1;
constexpr int kMenuBackBlack = -2;
constexpr int kMenuBackWhite = -3;

// Image names that mark check-box items in a menu with kCheckMarks.
inline constexpr std::wstring_view kMenuChecked = L"menuchecked";
inline constexpr std::wstring_view kMenuUnchecked = L"menuunchecked";

struct MenuItem {
    std::wstring text;   // shown and spoken
    std::wstring tag;    // the server's value, sent back in "msel" and "mkey"
    std::wstring sound;  // played when the item becomes current; empty: none
    std::wstring image;  // drawn instead of the text; empty: none
    int textColor = -1;  // palette index (signed 8-bit); -1: the configured colour
    int backColor = -1;  // palette index (signed 8-bit); see kMenuBack*

    // A single blank: an empty cell that can never become current.
    bool placeholder() const { return text == L" "; }
};

struct Menu {
    std::vector<MenuItem> items;
    int id = 0;
    int columns = 1;
    int selected = 0;
    std::uint32_t flags = 0;
    int cellAspectX = 1;
    int cellAspectY = 1;
    // One of the client's own menus. Only the client opens them; a server
    // description, whatever its id, never reaches or becomes one.
    bool local = false;

    int count() const { return static_cast<int>(items.size()); }
    bool has(std::uint32_t flag) const { return (flags & flag) != 0; }
    bool contains(int index) const { return index >= 0 && index < count(); }
    // The current item, null when the selection is outside the items.
    const MenuItem* current() const { return contains(selected) ? &items[selected] : nullptr; }

    // The grid as it is laid out: the column count used (the server's,
    // at least 1 and at most the item count, so that an absurd count costs
    // nothing) and the rows. A count that is not a multiple of the columns
    // leaves the last row short; the list shows blank lines in its gaps.
    int gridColumns() const;
    int gridRows() const;
    bool grid() const { return gridColumns() > 1; }
    // How many lines the list shows: the items, plus the gaps of a short
    // last row in a grid.
    int lineCount() const;
    // The list fills column after column while a grid is given row by row:
    // the line that shows an item, and the item on a line (-1 for a gap).
    int lineOf(int index) const;
    int itemAtLine(int line) const;
};

// Reads a full description ("menu", "mupd") into the menu: id, columns,
// count, selected, flags and cell, then count groups of text, tag, sound and
// options. Only the groups whose text was received are built (missing
// trailing fields empty), so a count larger than the text holds costs
// nothing; the cell aspect changes only for the ":x:y"
// form. The items, id, columns, selection and flags are replaced.
void parseMenuDescription(std::string_view text, Menu& menu);

// The one-item change of "mupi": the index and the item's four fields.
struct MenuItemChange {
    int index = 0;
    MenuItem item;
};
MenuItemChange parseMenuItemChange(std::string_view text);

// Builds an item from its four protocol fields; "null" stands for an empty
// tag, sound or options field (never for the text).
MenuItem makeMenuItem(std::string_view text, std::string_view tag, std::string_view sound, std::string_view options);

// The size of one grid cell in pixels for a list area of width × height:
// the cell width that fits the columns across, with the height from the
// cell aspect; when the rows do not fit down, the height that fits them,
// with the width from the aspect. An aspect of 0 counts as 1. An area too
// small for either gives cells of one pixel.
struct CellSize {
    int width;
    int height;
};
CellSize gridCellSize(int width, int height, const Menu& menu);
