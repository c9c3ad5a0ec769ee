// The main window's controls, layout, keys and messages.
#include "client/ui/win32/MainWindow.h"

#include <commctrl.h>
#include <richedit.h>

#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/net/Connection.h"
#include "client/ui/KeyRules.h"
#include "client/ui/win32/HistoryControl.h"
#include "client/ui/win32/MenuList.h"
#include "client/ui/win32/Win32FrontEnd.h"

namespace {

constexpr int kChatLimit = 3999;
constexpr LPARAM kHistoryTextLimit = 0xFFFFFF;
constexpr UINT kAboutMenuPosition = 5;
// Child window ids, apart from the command ids.
constexpr int kHistoryId = 100, kChatId = 101, kListId = 102;

KeyModifiers currentModifiers()
{
    return KeyModifiers{GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0};
}

COLORREF settingColour(int value, int systemColour)
{
    return value == -1 ? GetSysColor(systemColour) : static_cast<COLORREF>(value);
}

std::wstring windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(read > 0 ? read : 0));
    return text;
}

} // namespace

bool MainWindow::registerClass(HINSTANCE instance)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512)); // IDI_APPLICATION
    wc.hIconSm = wc.hIcon;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&wc) != 0;
}

bool MainWindow::create(HINSTANCE instance)
{
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, startWindowTitle().c_str(),
                              WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (!window_) return false;
    createControls(instance);
    if (HMENU systemMenu = GetSystemMenu(window_, FALSE)) {
        InsertMenuW(systemMenu, kAboutMenuPosition, MF_BYPOSITION | MF_STRING, CommandId::kAbout,
                    translate("about").c_str());
    }
    applySettings();
    layout();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    return true;
}

void MainWindow::createControls(HINSTANCE instance)
{
    const auto child = [&](const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w, int h,
                           int id) {
        return CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    };
    // Off screen: it only names the history for screen readers.
    historyLabel_ = child(L"STATIC", translate("history"), 0, -200, -200, 200, 100, 0);
    history_ = child(L"RichEdit20W", L"",
                     WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_WANTRETURN
                         | ES_DISABLENOSCROLL | ES_SAVESEL | ES_NOOLEDRAGDROP,
                     0, 0, 0, 0, kHistoryId);
    chatLabel_ = child(L"STATIC", translate("chat"), SS_NOTIFY, 0, 0, 0, 0, 0);
    chat_ = child(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER, 0, 0, 0, 0, kChatId);
    menuLabel_ = child(L"STATIC", translate("menulbl"), 0, 0, 0, 0, 0, 0);
    list_ = child(L"LISTBOX", L"",
                  WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_HASSTRINGS | LBS_USETABSTOPS, 0, 0, 0,
                  0, kListId);
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, 2000, 0);

    if (history_) {
        SendMessageW(history_, EM_EXLIMITTEXT, 0, kHistoryTextLimit);
        SendMessageW(history_, EM_SETEVENTMASK, 0, ENM_LINK);
        SendMessageW(history_, EM_SETUNDOLIMIT, 0, 0);
        SetWindowSubclass(history_, controlProc, kHistoryId, reinterpret_cast<DWORD_PTR>(this));
    }
    SendMessageW(chat_, EM_LIMITTEXT, kChatLimit, 0);
    SetWindowSubclass(chat_, controlProc, kChatId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(list_, controlProc, kListId, reinterpret_cast<DWORD_PTR>(this));
}

void MainWindow::applySettings()
{
    applyFont();
    applyHistorySettings();
    if (list_) InvalidateRect(list_, nullptr, TRUE);
}

void MainWindow::applyFont()
{
    const Settings& s = settings();
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(s.styleFontSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             s.styleFontName.c_str());
    if (!font) return;
    for (HWND w : {window_, history_, chat_, chatLabel_, menuLabel_, list_}) {
        if (w) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (history_) {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_FACE | CFM_SIZE;
        format.yHeight = s.styleFontSize * 20;
        lstrcpynW(format.szFaceName, s.styleFontName.c_str(), LF_FACESIZE);
        SendMessageW(history_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    }
    if (font_) DeleteObject(font_);
    font_ = font;
}

void MainWindow::applyHistorySettings()
{
    if (!history_) return;
    const Settings& s = settings();
    SendMessageW(history_, EM_AUTOURLDETECT, s.userAllowAutoLinks ? TRUE : FALSE, 0);
    if (s.styleRtfBgColor == -1) SendMessageW(history_, EM_SETBKGNDCOLOR, 1, 0);
    else SendMessageW(history_, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(s.styleRtfBgColor));
}

void MainWindow::layout()
{
    RECT r;
    if (!GetClientRect(window_, &r)) return;
    const int w = r.right, h = r.bottom;
    MoveWindow(chatLabel_, 10, h - 45, 50, 40, TRUE);
    MoveWindow(chat_, 60, h - 45, w - 70, 40, TRUE);
    const int showNormal = arcadeMode_ ? SW_HIDE : SW_SHOW;
    if (history_) {
        MoveWindow(history_, 10, 10, w / 2 - 10, h - 60, TRUE);
        ShowWindow(history_, showNormal);
    }
    MoveWindow(menuLabel_, w / 2 + 15, 15, w / 2 - 20, h - 70, TRUE);
    ShowWindow(menuLabel_, showNormal);
    const int gridHeight = menuList_ ? menuList_->gridHeight() : 0;
    MoveWindow(list_, w / 2 + 10, 10, w / 2 - 10, gridHeight > 0 ? gridHeight : h - 60, TRUE);
    ShowWindow(list_, showNormal);
}

SIZE MainWindow::listArea() const
{
    RECT r{};
    GetClientRect(window_, &r);
    return SIZE{r.right / 2 - 10, r.bottom - 60};
}

HWND MainWindow::replaceList(DWORD style)
{
    const bool focused = list_ && GetFocus() == list_;
    if (list_) DestroyWindow(list_);
    list_ = CreateWindowExW(0, L"LISTBOX", L"", style, 0, 0, 0, 0, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), GetModuleHandleW(nullptr), nullptr);
    if (!list_) return nullptr;
    SetWindowSubclass(list_, controlProc, kListId, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, 2000, 0);
    if (font_) SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    layout();
    if (focused) SetFocus(list_);
    return list_;
}

void MainWindow::setArcadeMode(bool on)
{
    arcadeMode_ = on;
    layout();
}

HWND MainWindow::controlOf(FocusTarget target) const
{
    switch (target) {
    case FocusTarget::List: return list_;
    case FocusTarget::History: return history_;
    case FocusTarget::Chat: return chat_;
    case FocusTarget::Arcade: return nullptr; // the game's window comes with the plug-in host
    }
    return nullptr;
}

void MainWindow::focusControl(FocusTarget target)
{
    if (HWND control = controlOf(target)) SetFocus(control);
}

void MainWindow::focusChatSelectAll()
{
    SetFocus(chat_);
    SendMessageW(chat_, EM_SETSEL, 0, -1);
}

void MainWindow::showAbout()
{
    MessageBoxW(window_, aboutText().c_str(), translate("about2").c_str(), MB_OK | MB_ICONINFORMATION);
}

void MainWindow::focusChat(const FocusChatRequest& request)
{
    const FocusChatSteps steps = focusChatSteps(request.flags);
    if (steps.insertAtCaret) SendMessageW(chat_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(request.text.c_str()));
    if (steps.replaceText) SetWindowTextW(chat_, request.text.c_str());
    if (steps.focus) SetFocus(chat_);
    if (steps.selectAll) {
        SendMessageW(chat_, EM_SETSEL, 0, -1);
    } else if (steps.caretToEnd) {
        const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(chat_));
        SendMessageW(chat_, EM_SETSEL, end, static_cast<LPARAM>(end));
    }
}

void MainWindow::sendChatLine()
{
    const std::optional<std::wstring> text = chatLineToSend(windowText(chat_));
    if (!text) return;
    theConnection().sendChat(*text);
    chatInput_.add(*text);
    SetWindowTextW(chat_, L"");
}

void MainWindow::recall(int step)
{
    const ChatInputHistory::Recall shown = chatInput_.recall(step);
    SetWindowTextW(chat_, shown.text.c_str());
    SendMessageW(chat_, EM_SETSEL, shown.selectionStart, static_cast<LPARAM>(shown.selectionEnd));
}

void MainWindow::clickAtCaret()
{
    // A click on the character after the caret, so that a link there
    // reports itself exactly as under the mouse.
    CHARRANGE selection{};
    SendMessageW(history_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINTL point{};
    SendMessageW(history_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), selection.cpMin);
    const LPARAM at = MAKELPARAM(point.x + 1, point.y + 1);
    SendMessageW(history_, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(history_, WM_LBUTTONUP, 0, at);
}

void MainWindow::showHistoryMenu(LPARAM position)
{
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, CommandId::kSaveHistory, translate("saveHistory").c_str());
    AppendMenuW(menu, MF_STRING, CommandId::kSaveView, translate("saveView").c_str());
    AppendMenuW(menu, MF_STRING, CommandId::kCopyView, translate("copyView").c_str());
    AppendMenuW(menu, MF_STRING, CommandId::kClearHistory, translate("clearHistory").c_str());
    POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (position == -1) { // from the keyboard: at the control's corner
        RECT r;
        GetWindowRect(history_, &r);
        at = POINT{r.left + 10, r.top + 10};
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window_, nullptr);
    DestroyMenu(menu);
}

void MainWindow::moveFocusFrom(FocusTarget from)
{
    focusControl(tabTarget(from, currentModifiers().shift, arcadeMode_));
}

HBRUSH MainWindow::listBrush()
{
    const COLORREF colour = settingColour(settings().styleLbBgColor, COLOR_WINDOW);
    if (!listBrush_ || colour != listBrushColor_) {
        if (listBrush_) DeleteObject(listBrush_);
        listBrush_ = CreateSolidBrush(colour);
        listBrushColor_ = colour;
    }
    return listBrush_;
}

bool MainWindow::handleChatKey(UINT message, WPARAM wParam)
{
    const int key = static_cast<int>(wParam);
    const KeyModifiers m = currentModifiers();
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    switch (down ? chatKeyDown(key, m) : chatKeyUp(key, m)) {
    case KeyAction::Default: return false;
    case KeyAction::Swallow: return true;
    case KeyAction::MoveFocus: moveFocusFrom(FocusTarget::Chat); return true;
    case KeyAction::SendLine: sendChatLine(); return true;
    case KeyAction::ClearLine: SetWindowTextW(chat_, L""); return true;
    case KeyAction::ReviewHistory: owners_->reviewHistory(key, m.shift, m.control, m.alt); return true;
    case KeyAction::RecallPrevious: recall(-1); return true;
    case KeyAction::RecallNext: recall(+1); return true;
    case KeyAction::KeyEvent: owners_->sendKeyEvent(key, m.shift, m.control, m.alt); return true;
    case KeyAction::ClickAtCaret: return false;
    }
    return false;
}

bool MainWindow::handleHistoryKey(UINT message, WPARAM wParam)
{
    const int key = static_cast<int>(wParam);
    const KeyModifiers m = currentModifiers();
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    switch (down ? historyKeyDown(key, m) : historyKeyUp(key, m)) {
    case KeyAction::Swallow: return true;
    case KeyAction::MoveFocus: moveFocusFrom(FocusTarget::History); return true;
    case KeyAction::ReviewHistory: owners_->reviewHistory(key, m.shift, m.control, m.alt); return true;
    case KeyAction::KeyEvent: owners_->sendKeyEvent(key, m.shift, m.control, m.alt); return true;
    case KeyAction::ClickAtCaret: clickAtCaret(); return true;
    default: return false;
    }
}

bool MainWindow::handleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool isKey = message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN
                       || message == WM_SYSKEYUP;
    if (control == chat_) {
        if (message == WM_SETFOCUS) {
            remember(FocusTarget::Chat);
            SendMessageW(chat_, EM_SETSEL, 0, -1);
            return false;
        }
        if (isKey) return handleChatKey(message, wParam);
        if (message == WM_CHAR) return chatDropsCharacter(static_cast<wchar_t>(wParam), currentModifiers());
        return false;
    }
    if (control == history_) {
        if (message == WM_SETFOCUS) {
            remember(FocusTarget::History);
            return false;
        }
        if (isKey) return handleHistoryKey(message, wParam);
        if (message == WM_CHAR) return true; // read-only
        if (message == WM_CONTEXTMENU) {
            showHistoryMenu(lParam);
            return true;
        }
        return false;
    }
    if (control == list_) {
        if (message == WM_SETFOCUS) {
            remember(FocusTarget::List);
            return false;
        }
        if (menus_) return handleListMessage(message, wParam, lParam);
        // Without menus the list only takes part in the Tab cycle.
        if (isKey && wParam == VK_TAB) {
            if (message == WM_KEYUP || message == WM_SYSKEYUP) moveFocusFrom(FocusTarget::List);
            return true;
        }
        if (message == WM_CHAR && wParam == L'\t') return true;
    }
    return false;
}

bool MainWindow::handleListMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Filling a long list sends thousands of messages: only input reads the
    // keyboard's state.
    const bool input = (message >= WM_KEYFIRST && message <= WM_KEYLAST) || message == WM_CONTEXTMENU;
    const KeyModifiers m = input ? currentModifiers() : KeyModifiers{};
    const auto lineAt = [&](LPARAM point) {
        const LRESULT hit = SendMessageW(list_, LB_ITEMFROMPOINT, 0, point);
        return HIWORD(hit) ? -1 : static_cast<int>(LOWORD(hit));
    };
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        const int key = static_cast<int>(wParam);
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        switch (down ? menus_->listKeyDown(key, m) : menus_->listKeyUp(key, m)) {
        case ListKeyAction::Handled: return true;
        case ListKeyAction::MoveFocus: moveFocusFrom(FocusTarget::List); return true;
        case ListKeyAction::ReviewHistory: owners_->reviewHistory(key, m.shift, m.control, m.alt); return true;
        case ListKeyAction::Default: return false;
        }
        return false;
    }
    case WM_CHAR:
        // The list's own search by first letter would move the line behind
        // the menu's back; type-ahead is the menu's.
        menus_->listCharacter(static_cast<wchar_t>(wParam), m);
        return true;
    case WM_CONTEXTMENU:
        menus_->listContextMenu(KeyModifiers{m.shift && GetKeyState(VK_F10) >= 0, m.control, false});
        return true;
    case WM_MOUSEMOVE:
        if (menuList_) menuList_->pointerAt(lineAt(lParam));
        return false;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        SetFocus(list_);
        const int line = lineAt(lParam);
        if (line >= 0) menus_->lineClicked(line, message == WM_LBUTTONUP);
        // The right button goes on to the context-menu request.
        return message != WM_RBUTTONUP;
    }
    default: return false;
    }
}

LRESULT CALLBACK MainWindow::controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self)
{
    if (message == WM_NCDESTROY) RemoveWindowSubclass(control, controlProc, id);
    // A message the window handled itself is answered with 0.
    if (reinterpret_cast<MainWindow*>(self)->handleControlMessage(control, message, wParam, lParam)) return 0;
    return DefSubclassProc(control, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handleMessage(message, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kRunInEdtMessage:
        return Win32FrontEnd::runPosted(lParam);
    case kRunQueuedMessage:
        Win32FrontEnd::runQueued();
        return 0;
    case kFlushHistoryMessage:
        if (historyControl_) historyControl_->flushTurn();
        return 0;
    case WM_TIMER:
        if ((wParam == kHistoryRedrawTimer || wParam == kHistoryFlushTimer) && historyControl_) {
            historyControl_->timer(wParam);
            return 0;
        }
        if (menuList_ && menuList_->timer(wParam)) return 0;
        break;
    case kInstanceQueryMessage:
        return 1;
    case WM_ACTIVATE:
        active_ = LOWORD(wParam) != WA_INACTIVE;
        break;
    case WM_SIZE:
        if (menuList_) menuList_->resized();
        layout();
        return 0;
    case WM_MEASUREITEM:
        if (menuList_ && wParam == static_cast<WPARAM>(kListId)) {
            menuList_->measure(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_DRAWITEM:
        if (menuList_ && wParam == static_cast<WPARAM>(kListId)) {
            menuList_->draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_SETFOCUS:
        focusControl(lastFocus_);
        return 0;
    case WM_CLOSE:
        if (settings().userConfirmOnExit
            && MessageBoxW(window_, translate("confirmquit").c_str(), startWindowTitle().c_str(),
                           MB_YESNO | MB_ICONEXCLAMATION)
                   != IDYES) {
            return 0;
        }
        quittingFlag() = true;
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        theConnection().sendQuit();
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        if (font_) DeleteObject(font_);
        if (listBrush_) DeleteObject(listBrush_);
        font_ = nullptr;
        listBrush_ = nullptr;
        window_ = nullptr;
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == static_cast<WPARAM>(CommandId::kAbout)) {
            showAbout();
            return 0;
        }
        // The keyboard menu stays shut for Alt and F10, which a player
        // presses for other reasons; Alt+Space still opens it.
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam != L' ') return 0;
        break;
    case WM_CTLCOLORLISTBOX: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, settingColour(settings().styleLbFgColor, COLOR_WINDOWTEXT));
        SetBkColor(dc, settingColour(settings().styleLbBgColor, COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(listBrush());
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == history_ && header->code == EN_LINK) {
            const auto* link = reinterpret_cast<const ENLINK*>(lParam);
            if (link->msg == WM_LBUTTONDOWN) {
                owners_->followLink(link->chrg.cpMin, link->chrg.cpMax);
                return 1;
            }
        }
        break;
    }
    case WM_COMMAND:
        // Accelerators, menus and "lcmd" come without a control.
        if (lParam == 0) {
            runWindowCommand(LOWORD(wParam), *this, *owners_);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}
