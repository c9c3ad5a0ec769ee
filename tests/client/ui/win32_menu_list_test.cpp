// The menu list under Wine: the list box made for grids and lists, its lines
// in grid order, cell sizes from the measure rules, keys and characters sent
// to the real list, and the input dialogs' fields and masking.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "client/core/CoreTestEnv.h"
#include "client/core/Settings.h"
#include "client/image/ImageScript.h"
#include "client/image/win32/DibSection.h"
#include "client/ui/win32/InputBox.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/MenuList.h"
#include "client/ui/win32/Win32FrontEnd.h"
#include "client/ui/win32/resource.h"
#include "common/utf8.h"

namespace {

const std::string D = "\x7F";

std::string menuText(int id, int columns, const std::vector<std::string>& texts, int flags = 0, const std::string& cell = "")
{
    std::string s = std::to_string(id) + D + std::to_string(columns) + D + std::to_string(texts.size()) + D + "0" + D
                    + std::to_string(flags) + D + cell;
    for (const std::string& t : texts) s += D + t + D + "t" + t + D + "null" + D + "#1 _2";
    return s;
}

// "mupi": the item at the index rebuilt with this text.
std::string itemChange(int index, const std::string& text)
{
    return std::to_string(index) + D + text + D + "t" + D + "null" + D + "#1";
}

std::wstring lineText(HWND list, int line)
{
    wchar_t buffer[256] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

struct Recorder : SpeechOutput, MenuReplies {
    std::vector<std::string> sent, said;
    void say(const std::wstring& t, bool) override { said.push_back(common::wideToUtf8(t)); }
    void braille(const std::wstring&) override {}
    void choice(int id, int i, const std::string& tag) override
    {
        sent.push_back("msel " + std::to_string(id) + " " + std::to_string(i) + " " + tag);
    }
    void cancel(int id) override { sent.push_back("msel " + std::to_string(id) + " -1"); }
    void menuKey(int code, int id, int, const std::string&) override
    {
        sent.push_back("mkey " + std::to_string(code) + " " + std::to_string(id));
    }
    void key(int code) override { sent.push_back("key " + std::to_string(code)); }
};

class MenuListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadLibraryW(L"riched20.dll");
        MainWindow::registerClass(GetModuleHandleW(nullptr)); // once per process
    }

    void SetUp() override
    {
        setFrontEnd(&front);
        settings().userConfirmOnExit = false;
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr)));
        front.setMainWindow(window.handle());
        MoveWindow(window.handle(), 0, 0, 800, 600, TRUE);
        menuList.setMenus(&menus);
        window.setMenus(&menus, &menuList);
        pump();
    }

    void TearDown() override
    {
        window.setMenus(nullptr, nullptr);
        if (IsWindow(window.handle())) DestroyWindow(window.handle());
        pump();
        setFrontEnd(nullptr);
    }

    LONG listStyle() { return GetWindowLongW(window.list(), GWL_STYLE); }
    int cursor() { return static_cast<int>(SendMessageW(window.list(), LB_GETCURSEL, 0, 0)); }

    CoreTestEnv env;
    Win32FrontEnd front;
    MainWindow window;
    bool plain = false;
    MenuList menuList{window, [] { return std::vector<std::uint32_t>{0x0000FF, 0x00FF00, 0xFF0000}; },
                      [this] { return plain; }};
    Recorder recorder;
    MenuOwner menus{menuList, recorder, recorder, [](const std::wstring&, int) {}, [] { return false; }};
};

} // namespace

TEST_F(MenuListTest, GridsAreMultiColumnOwnerDrawnListsInGridOrder)
{
    menus.menuUpdate(menuText(1, 1, {"a", "b"}), 1);
    HWND single = window.list();
    EXPECT_TRUE(listStyle() & LBS_OWNERDRAWFIXED);
    EXPECT_FALSE(listStyle() & LBS_MULTICOLUMN);
    EXPECT_EQ(SendMessageW(window.list(), LB_GETHORIZONTALEXTENT, 0, 0), 2000);

    menus.menuUpdate(menuText(2, 3, {"0", "1", "2", "3", "4", "5", "6", "7", "8"}, 0, ":1:1"), 1);
    HWND grid = window.list();
    EXPECT_NE(grid, single);
    EXPECT_TRUE(listStyle() & LBS_MULTICOLUMN);
    EXPECT_FALSE(listStyle() & WS_VSCROLL);
    ASSERT_EQ(SendMessageW(grid, LB_GETCOUNT, 0, 0), 9);
    EXPECT_EQ(lineText(grid, 1), L"3"); // the list fills column after column
    EXPECT_EQ(lineText(grid, 3), L"1");
    // Cells: half the client width less 10, across three columns, square.
    const SIZE area = window.listArea();
    const int cell = area.cx / 3;
    ASSERT_LE(cell * 3, area.cy);
    EXPECT_EQ(SendMessageW(grid, LB_GETITEMHEIGHT, 0, 0), std::min(cell, 255));
    RECT r;
    GetWindowRect(grid, &r);
    EXPECT_EQ(r.bottom - r.top, 3 * cell);

    // Same layout: the list stays; other columns: made anew; back to a list.
    menus.menuUpdate(menuText(2, 3, {"a", "b", "c", "d", "e", "f", "g", "h", "i"}, 0, ":1:1"), 1);
    EXPECT_EQ(window.list(), grid);
    menus.menuUpdate(menuText(3, 4, {"0", "1", "2", "3", "4", "5", "6", "7"}), 1);
    EXPECT_NE(window.list(), grid);
    menus.menuClose(0);
    EXPECT_FALSE(listStyle() & LBS_MULTICOLUMN);
    EXPECT_EQ(SendMessageW(window.list(), LB_GETCOUNT, 0, 0), 0);

    // A plain list for screen readers that read the standard one best.
    plain = true;
    menus.menuUpdate(menuText(2, 3, {"0", "1", "2", "3", "4", "5"}), 1);
    EXPECT_FALSE(listStyle() & (LBS_OWNERDRAWFIXED | LBS_MULTICOLUMN));
    EXPECT_EQ(lineText(window.list(), 1), L"3");
}

TEST_F(MenuListTest, KeysAndCharactersSentToTheList)
{
    window.focusControl(FocusTarget::List);
    menus.menuUpdate(menuText(4, 1, {"apple", "banana", "cherry"}, 0x02), 1);
    HWND list = window.list();
    SendMessageW(list, WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(cursor(), 1);
    SendMessageW(list, WM_KEYDOWN, VK_END, 1);
    EXPECT_EQ(cursor(), 2);
    SendMessageW(list, WM_CHAR, L'a', 1); // type-ahead wraps to "apple"
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(menus.top()->selected, 0);
    SendMessageW(list, WM_KEYDOWN, VK_F1, 1);
    SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(recorder.sent, (std::vector<std::string>{"key 112", "msel 4 0 tapple"}));
    EXPECT_EQ(SendMessageW(window.list(), LB_GETCOUNT, 0, 0), 0); // chosen and closed

    // A click on a line chooses its item.
    menus.menuUpdate(menuText(5, 1, {"x", "y"}, 0x01), 1);
    const LRESULT height = SendMessageW(window.list(), LB_GETITEMHEIGHT, 0, 0);
    const LPARAM at = MAKELPARAM(5, height + height / 2);
    SendMessageW(window.list(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(window.list(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(recorder.sent.back(), "msel 5 1 ty");
    EXPECT_EQ(cursor(), 1);

    // The arrows' key events repeat the item after a timer, not a sleep.
    SendMessageW(window.list(), WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(recorder.sent.back(), "key 39");
    EXPECT_TRUE(recorder.said.empty());
    const DWORD until = GetTickCount() + 2000;
    while (recorder.said.empty() && GetTickCount() < until) {
        pump();
        Sleep(10);
    }
    EXPECT_EQ(recorder.said, (std::vector<std::string>{"y"}));
}

TEST_F(MenuListTest, OneItemChangeReplacesItsLineAndShowsItAsSelectingWould)
{
    window.focusControl(FocusTarget::List);
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) names.push_back(std::string("p").append(std::to_string(i)));
    menus.menuUpdate(menuText(8, 1, names), 1);
    HWND list = window.list();
    const auto top = [&] { return static_cast<int>(SendMessageW(list, LB_GETTOPINDEX, 0, 0)); };
    const auto thumb = [&] {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_POS;
        GetScrollInfo(list, SB_VERT, &info);
        return info.nPos;
    };
    RECT client;
    GetClientRect(list, &client);
    const int page = client.bottom / static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(page, 2);
    ASSERT_LT(page, 100);

    // Far below: the line is the last one shown, as the list box scrolls.
    menus.menuUpdate(itemChange(250, "changed"), 0);
    EXPECT_EQ(lineText(list, 250), L"changed");
    EXPECT_EQ(lineText(list, 249), L"p249");
    EXPECT_EQ(lineText(list, 251), L"p251");
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 300);
    EXPECT_EQ(cursor(), 250);
    EXPECT_EQ(top(), 250 - page + 1);
    EXPECT_EQ(thumb(), top());
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(GetFocus(), list);

    // Above: the first shown; within the page: no scroll.
    menus.menuUpdate(itemChange(20, "up"), 0);
    EXPECT_EQ(top(), 20);
    EXPECT_EQ(thumb(), 20);
    menus.menuUpdate(itemChange(22, "near"), 0);
    EXPECT_EQ(top(), 20);
    EXPECT_EQ(cursor(), 22);
    EXPECT_EQ(lineText(list, 22), L"near");

    // What waited to be painted still waits; nothing else is added to it.
    pump();
    UpdateWindow(list);
    RECT waiting{0, 0, 5, 5}, update{};
    InvalidateRect(list, &waiting, FALSE);
    menuList.replaceLine(200, L"unseen");
    ASSERT_TRUE(GetUpdateRect(list, &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &waiting));
    UpdateWindow(list);
    menuList.replaceLine(201, L"unseen too");
    EXPECT_FALSE(GetUpdateRect(list, &update, FALSE));
    EXPECT_EQ(lineText(list, 201), L"unseen too");

    // A list hidden by arcade mode stays hidden.
    window.setArcadeMode(true);
    menus.menuUpdate(itemChange(280, "hidden"), 0);
    EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(lineText(list, 280), L"hidden");
    EXPECT_EQ(cursor(), 280);
    window.setArcadeMode(false);

    // The standard list for screen readers gets the same.
    plain = true;
    menus.menuUpdate(menuText(9, 1, names), 1);
    list = window.list();
    menus.menuUpdate(itemChange(299, "last"), 0);
    EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & LBS_OWNERDRAWFIXED);
    EXPECT_EQ(lineText(list, 299), L"last");
    EXPECT_EQ(cursor(), 299);
    GetClientRect(list, &client);
    EXPECT_EQ(top(), 300 - static_cast<int>(client.bottom / SendMessageW(list, LB_GETITEMHEIGHT, 0, 0)));
}

namespace {

// Fills and confirms (or cancels) the input dialog from a timer of its modal loop.
struct DialogScript {
    static inline std::wstring typed;
    static inline bool confirm = true;
    static inline std::wstring prompt, caption, okLabel;
    static inline LRESULT passwordChar = 0;

    static BOOL CALLBACK findDialog(HWND w, LPARAM found)
    {
        if (!GetDlgItem(w, IDC_INPUT_TEXT) || !GetDlgItem(w, IDC_INPUT_PROMPT)) return TRUE;
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        // The input dialog among this thread's windows, active or not.
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), findDialog, reinterpret_cast<LPARAM>(&dialog));
        HWND edit = dialog ? GetDlgItem(dialog, IDC_INPUT_TEXT) : nullptr;
        if (!edit) return;
        KillTimer(nullptr, id);
        wchar_t buffer[256] = {};
        GetDlgItemTextW(dialog, IDC_INPUT_PROMPT, buffer, 256);
        prompt = buffer;
        GetWindowTextW(dialog, buffer, 256);
        caption = buffer;
        GetDlgItemTextW(dialog, IDOK, buffer, 256);
        okLabel = buffer;
        passwordChar = SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0);
        SetWindowTextW(edit, typed.c_str());
        SendMessageW(dialog, WM_COMMAND, confirm ? IDOK : IDCANCEL, 0);
    }
};

} // namespace

TEST_F(MenuListTest, InputDialogsShowTheirFieldsMaskPasswordsAndAnswer)
{
    std::vector<bool> opened;
    DialogScript::typed = L"s\u00E9cret";
    SetTimer(nullptr, 0, 50, DialogScript::tick);
    std::wstring result;
    EXPECT_TRUE(InputBox(result, window.handle(), L"Title", L"Prompt?", L"default", false, true,
                         [&](bool open) { opened.push_back(open); }));
    EXPECT_EQ(result, L"s\u00E9cret");
    EXPECT_EQ(DialogScript::caption, L"Title");
    EXPECT_EQ(DialogScript::prompt, L"Prompt?");
    EXPECT_EQ(DialogScript::okLabel, L"OK");
    EXPECT_EQ(DialogScript::passwordChar, L'*');
    EXPECT_EQ(opened, (std::vector<bool>{true, false}));

    // Multi-line: line breaks come back as the edit holds them (CR LF).
    DialogScript::typed = L"one\r\ntwo";
    SetTimer(nullptr, 0, 50, DialogScript::tick);
    EXPECT_TRUE(InputBox(result, window.handle(), L"T", L"P", L"", true, false));
    EXPECT_EQ(result, L"one\r\ntwo");
    EXPECT_EQ(DialogScript::passwordChar, 0);

    DialogScript::confirm = false;
    SetTimer(nullptr, 0, 50, DialogScript::tick);
    result = L"unchanged";
    EXPECT_FALSE(InputBox(result, window.handle(), L"T", L"P", L"", false, false));
    EXPECT_EQ(result, L"unchanged");
    DialogScript::confirm = true;
}

TEST_F(MenuListTest, EntryImagesAreDrawnInTheirTextArea)
{
    // A square filled in the entry's text colour.
    std::string scrambled;
    std::size_t bad = 0;
    ASSERT_TRUE(image::scrambleScript("size 10 10\ncolor def\nfill rect 0 0 10 10\n", scrambled, bad));
    std::filesystem::create_directories(CoreTestEnv::fs(env.appFile("images")));
    CoreTestEnv::write(env.appFile("images/block.gfx"), scrambled);
    // Text colour palette 1 (green), background palette 2 (blue).
    menus.menuUpdate("7" + D + "1" + D + "2" + D + "0" + D + "0" + D + D + "pic" + D + "tpic" + D + "null" + D
                         + "@block #1 _2" + D + "gone" + D + "tgone" + D + "null" + D + "@nosuch #1 _2",
                     1);
    image::DibSection dib(100, 40, RGB(255, 255, 255));
    ASSERT_TRUE(dib.ok());
    for (int line = 0; line < 2; ++line) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_LISTBOX;
        item.itemID = static_cast<UINT>(line);
        item.itemAction = ODA_DRAWENTIRE;
        item.hDC = dib.dc();
        item.rcItem = RECT{0, 20 * line, 100, 20 * line + 20};
        menuList.draw(item);
    }
    EXPECT_EQ(dib.pixel(50, 10), RGB(0, 255, 0));
    // A missing image leaves the area to the background: no text either.
    for (int x = 2; x < 98; x += 4) EXPECT_EQ(dib.pixel(x, 30), RGB(0, 0, 255)) << x;
}
