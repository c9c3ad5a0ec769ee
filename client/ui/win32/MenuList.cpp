// The menu list box: style, filling, measuring and owner drawing.
#include "client/ui/win32/MenuList.h"

#include <algorithm>
#include <cstdio>

#include "client/core/Settings.h"
#include "client/image/win32/EntryImage.h"
#include "client/ui/win32/MainWindow.h"

namespace {

constexpr COLORREF kCheckedColour = 0x339900;
constexpr COLORREF kUncheckedColour = 0x808080;

bool usable(int index, const std::vector<std::uint32_t>& palette)
{
    return index >= 0 && index < static_cast<int>(palette.size());
}

// The list box class's own procedure: messages that only the list box has
// to do with go there straight, past the main window's subclass.
LRESULT listCall(HWND list, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    const auto procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
    return CallWindowProcW(procedure, list, message, wParam, lParam);
}

// The vertical scroll bar as the list box last set it.
struct ScrollBarState {
    bool shown = false;
    int min = 0, max = 0, pos = 0;
    UINT page = 0;

    explicit ScrollBarState(HWND list)
    {
        shown = (GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) != 0;
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        if (!GetScrollInfo(list, SB_VERT, &info)) return;
        min = info.nMin;
        max = info.nMax;
        pos = info.nPos;
        page = info.nPage;
    }
    bool operator!=(const ScrollBarState& o) const
    {
        return shown != o.shown || min != o.min || max != o.max || pos != o.pos || page != o.page;
    }
};

// While it lives, the list draws nothing: the list box updates its scroll
// bars after every line added or removed and every scroll, and drawing a
// scroll bar costs more than everything else a one-line change does (over a
// millisecond each under Wine's themes, two bars each time). Only the
// visibility bit is cleared, as WM_SETREDRAW does for any window, so the
// pixels on the screen, the focus and the list's state stay; what waited
// to be painted is painted afterwards, and the caller invalidates what it
// changed. A hidden list stays hidden.
class DrawingPaused {
public:
    explicit DrawingPaused(HWND list) : list_(list)
    {
        if (!(GetWindowLongW(list_, GWL_STYLE) & WS_VISIBLE)) return;
        paused_ = true;
        pending_ = CreateRectRgn(0, 0, 0, 0);
        if (pending_ && GetUpdateRgn(list_, pending_, FALSE) == NULLREGION) {
            DeleteObject(pending_);
            pending_ = nullptr;
        }
        DefWindowProcW(list_, WM_SETREDRAW, FALSE, 0);
    }
    ~DrawingPaused()
    {
        if (!paused_) return;
        DefWindowProcW(list_, WM_SETREDRAW, TRUE, 0);
        if (pending_) {
            InvalidateRgn(list_, pending_, TRUE);
            DeleteObject(pending_);
        } else {
            // Wine asks for the frame to be painted after any change of the
            // style, which would draw both scroll bars at the next paint;
            // with nothing waiting to be painted before, the frame on the
            // screen is still right.
            RedrawWindow(list_, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME);
        }
    }
    DrawingPaused(const DrawingPaused&) = delete;
    DrawingPaused& operator=(const DrawingPaused&) = delete;

private:
    HWND list_;
    bool paused_ = false;
    HRGN pending_ = nullptr;
};

} // namespace

MenuList::MenuList(MainWindow& window, Palette palette, std::function<bool()> plainList)
    : window_(window), palette_(std::move(palette)), plainList_(std::move(plainList))
{
}

MenuList::~MenuList()
{
    for (const auto& entry : timers_) KillTimer(window_.handle(), entry.first);
}

DWORD MenuList::style(bool ownerDrawn, bool multiColumn) const
{
    DWORD s = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LBS_NOTIFY | LBS_HASSTRINGS | LBS_USETABSTOPS;
    if (ownerDrawn) s |= LBS_OWNERDRAWFIXED;
    if (multiColumn) s |= LBS_MULTICOLUMN;
    else s |= WS_VSCROLL | WS_HSCROLL;
    return s;
}

void MenuList::checkListStyle(const Menu* top)
{
    const bool ownerDrawn = !settings().styleDisableMenuColors && !plainList_();
    const bool multiColumn = ownerDrawn && top && top->grid();
    const int columns = multiColumn ? top->gridColumns() : 0;
    const int rows = multiColumn ? top->gridRows() : 0;
    if (ownerDrawn == ownerDrawn_ && multiColumn == multiColumn_ && columns == columns_ && rows == rows_) return;
    ownerDrawn_ = ownerDrawn;
    multiColumn_ = multiColumn;
    columns_ = columns;
    rows_ = rows;
    recreateListControl();
}

void MenuList::recreateListControl()
{
    if (recreating_) {
        std::fputs("Rerun!\n", stdout);
        return;
    }
    recreating_ = true;
    const int line = static_cast<int>(SendMessageW(window_.list(), LB_GETCURSEL, 0, 0));
    HWND list = window_.replaceList(style(ownerDrawn_, multiColumn_));
    if (list) {
        if (multiColumn_) SendMessageW(list, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(cellSize().width), 0);
        fillList(menus_ ? menus_->top() : nullptr);
        if (line >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    }
    recreating_ = false;
}

void MenuList::resized()
{
    // A grid's cells follow the window's size; only a new list measures anew.
    if (multiColumn_) recreateListControl();
}

CellSize MenuList::cellSize() const
{
    const Menu* top = menus_ ? menus_->top() : nullptr;
    if (!top) return {1, 1};
    const SIZE area = window_.listArea();
    return gridCellSize(area.cx, area.cy, *top);
}

int MenuList::gridHeight() const { return multiColumn_ ? rows_ * cellSize().height : 0; }

void MenuList::fillList(const Menu* top)
{
    HWND list = window_.list();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    if (top) {
        const int lines = top->lineCount();
        SendMessageW(list, LB_INITSTORAGE, static_cast<WPARAM>(lines), 0);
        // The lines go straight to the list box's own procedure: the main
        // window's subclass has nothing to do with them, and under Wine
        // passing ten thousand of them through the subclass chain takes
        // over a second.
        const auto listProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
        for (int p = 0; p < lines; ++p) {
            const int index = top->itemAtLine(p);
            const wchar_t* text = index < 0 ? L"" : top->items[static_cast<std::size_t>(index)].text.c_str();
            CallWindowProcW(listProc, list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void MenuList::appendLine(const std::wstring& text)
{
    SendMessageW(window_.list(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void MenuList::deleteLine(int line) { SendMessageW(window_.list(), LB_DELETESTRING, static_cast<WPARAM>(line), 0); }

void MenuList::replaceLine(int line, const std::wstring& text)
{
    HWND list = window_.list();
    if (line < 0 || line >= lineCount()) return;
    // A list box line's text cannot be changed in place: the line is
    // removed and inserted anew, as screen readers must read the new text.
    // Neither shows in the end but on the line itself.
    const LRESULT top = listCall(list, LB_GETTOPINDEX);
    const ScrollBarState bar(list);
    {
        DrawingPaused paused(list);
        listCall(list, LB_DELETESTRING, static_cast<WPARAM>(line));
        listCall(list, LB_INSERTSTRING, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (listCall(list, LB_GETTOPINDEX) != top || ScrollBarState(list) != bar) {
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        return;
    }
    RECT r;
    if (listCall(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&r)) != LB_ERR) {
        InvalidateRect(list, &r, TRUE);
    }
}

int MenuList::lineCount() const
{
    const LRESULT n = listCall(window_.list(), LB_GETCOUNT);
    return n < 0 ? 0 : static_cast<int>(n);
}

void MenuList::selectLine(int line)
{
    HWND list = window_.list();
    if (!multiColumn_) scrollToLine(line);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
}

void MenuList::scrollToLine(int line)
{
    HWND list = window_.list();
    if (line < 0 || line >= lineCount()) return;
    // The top line the list box itself would choose to show the line whole.
    const int top = static_cast<int>(listCall(list, LB_GETTOPINDEX));
    const int height = static_cast<int>(listCall(list, LB_GETITEMHEIGHT));
    RECT client{};
    GetClientRect(list, &client);
    const int page = std::max(1, height > 0 ? static_cast<int>(client.bottom) / height : 1);
    int newTop = top;
    if (line < top) newTop = line;
    else if (line >= top + page) newTop = line - page + 1;
    if (newTop == top) return;
    {
        DrawingPaused paused(list);
        listCall(list, LB_SETTOPINDEX, static_cast<WPARAM>(newTop));
    }
    InvalidateRect(list, nullptr, TRUE);
    // The thumb moved while nothing was drawn; the horizontal bar did not.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if ((GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL) && GetScrollInfo(list, SB_VERT, &info)) {
        SetScrollInfo(list, SB_VERT, &info, TRUE);
    }
}

void MenuList::runLater(unsigned milliseconds, std::function<void()> work)
{
    const UINT_PTR id = nextTimer_++;
    if (nextTimer_ > 0x4DFF) nextTimer_ = 0x4D00;
    timers_[id] = std::move(work);
    SetTimer(window_.handle(), id, milliseconds, nullptr);
}

bool MenuList::timer(UINT_PTR id)
{
    const auto found = timers_.find(id);
    if (found == timers_.end()) return false;
    KillTimer(window_.handle(), id);
    std::function<void()> work = std::move(found->second);
    timers_.erase(found);
    work();
    return true;
}

void MenuList::pointerAt(int line)
{
    if (line == hovered_) return;
    hovered_ = line;
    InvalidateRect(window_.list(), nullptr, FALSE);
}

void MenuList::measure(MEASUREITEMSTRUCT& item)
{
    const Menu* top = menus_ ? menus_->top() : nullptr;
    const SIZE area = window_.listArea();
    if (top && top->grid()) {
        const CellSize cell = gridCellSize(area.cx, area.cy, *top);
        item.itemWidth = static_cast<UINT>(cell.width);
        item.itemHeight = static_cast<UINT>(std::min(cell.height, 255)); // a list box line holds at most 255
        return;
    }
    HDC dc = GetDC(window_.handle());
    HGDIOBJ old = SelectObject(dc, window_.font() ? window_.font() : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window_.handle(), dc);
    const long leading = std::max<long>(metrics.tmExternalLeading, 0);
    item.itemHeight = static_cast<UINT>(std::clamp<long>((metrics.tmHeight + leading + 1) * 11 / 10, 1, 255));
    item.itemWidth = static_cast<UINT>(std::max<LONG>(area.cx / std::max(top ? top->gridColumns() : 1, 1), 1));
}

void MenuList::draw(const DRAWITEMSTRUCT& item)
{
    const Menu* top = menus_ ? menus_->top() : nullptr;
    if (!top || (item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) == 0) return;
    HDC dc = item.hDC;
    RECT cell = item.rcItem;
    const int line = static_cast<int>(item.itemID);
    const int index = top->itemAtLine(line);
    const MenuItem* menuItem = index >= 0 ? &top->items[static_cast<std::size_t>(index)] : nullptr;
    const std::vector<std::uint32_t> palette = palette_();

    COLORREF back = GetBkColor(dc);
    if (menuItem) {
        if (menuItem->backColor == kMenuBackBlack) back = RGB(0, 0, 0);
        else if (menuItem->backColor == kMenuBackWhite) back = RGB(255, 255, 255);
        else if (usable(menuItem->backColor, palette)) back = palette[static_cast<std::size_t>(menuItem->backColor)];
    }
    RECT fill = cell;
    ++fill.right;
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &fill, brush);
    DeleteObject(brush);
    if (menuItem && !menuItem->placeholder()) {
        RECT text = cell;
        const int height = cell.bottom - cell.top;
        if (top->has(MenuFlag::kCheckMarks)) {
            const bool checked = menuItem->image == kMenuChecked;
            if (checked || menuItem->image == kMenuUnchecked) {
                const POINT triangle[3] = {{cell.left, cell.top + 2},
                                           {cell.left, cell.bottom - 2},
                                           {cell.left + height - 4, (cell.top + cell.bottom) / 2}};
                const COLORREF colour = checked ? kCheckedColour : kUncheckedColour;
                HBRUSH mark = CreateSolidBrush(colour);
                HPEN pen = CreatePen(PS_SOLID, 1, colour);
                HGDIOBJ oldBrush = SelectObject(dc, mark);
                HGDIOBJ oldPen = SelectObject(dc, pen);
                Polygon(dc, triangle, 3);
                SelectObject(dc, oldBrush);
                SelectObject(dc, oldPen);
                DeleteObject(mark);
                DeleteObject(pen);
            }
            text.left += height - 4;
        }
        COLORREF fore;
        if (usable(menuItem->textColor, palette)) fore = palette[static_cast<std::size_t>(menuItem->textColor)];
        else if (settings().styleLbFgColor != -1) fore = static_cast<COLORREF>(settings().styleLbFgColor);
        else fore = GetSysColor(COLOR_WINDOWTEXT);
        // An item with an image shows the image in its text area, in the
        // text's colour; an image that cannot be loaded leaves it empty.
        if (menuItem->image.empty()) {
            SetTextColor(dc, fore);
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, menuItem->text.c_str(), static_cast<int>(menuItem->text.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | DT_NOPREFIX);
        } else {
            image::drawEntryImage(dc, text, fore, palette, menuItem->image);
        }
    }
    if (item.itemState & ODS_SELECTED) DrawFocusRect(dc, &cell);
    if (line == hovered_) InvertRect(dc, &cell);
}
