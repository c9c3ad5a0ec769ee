// The main window under Wine: its controls, layout and system menu, the Tab
// cycle, the chat line's keys, "focuschat" and "lcmd", closing, and finding a
// client that already runs.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/net/Connection.h"
#include "support/CountingClock.h"
#include "client/net/ScriptedSocket.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/MessageLoop.h"
#include "client/ui/win32/ServerOwners.h"
#include "client/ui/win32/SingleInstance.h"
#include "client/ui/win32/Win32FrontEnd.h"

namespace {

std::wstring textOf(HWND window)
{
    wchar_t buffer[4096] = {};
    GetWindowTextW(window, buffer, 4096);
    return buffer;
}

std::wstring className(HWND window)
{
    wchar_t buffer[64] = {};
    GetClassNameW(window, buffer, 64);
    return buffer;
}

std::pair<DWORD, DWORD> selection(HWND edit)
{
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
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

// Holds a modifier key down in this thread's key state, as GetKeyState sees it.
class HeldKey {
public:
    explicit HeldKey(int key) : key_(key) { set(0x80); }
    ~HeldKey() { set(0); }

private:
    void set(BYTE state)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[key_] = state;
        SetKeyboardState(keys);
    }
    int key_;
};

// Owners that note the view and history commands they get.
class ViewOwners : public InterfaceOwners {
public:
    std::vector<std::string> calls;
    void chooseView(int index) override { calls.push_back("view " + std::to_string(index)); }
    void saveHistory() override { calls.push_back("save history"); }
    void changeSoundVolume(int points) override { calls.push_back("sound " + std::to_string(points)); }
};

void keyDown(HWND control, int key) { SendMessageW(control, WM_KEYDOWN, static_cast<WPARAM>(key), 1); }
void keyUp(HWND control, int key) { SendMessageW(control, WM_KEYUP, static_cast<WPARAM>(key), 0xC0000001); }

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadLibraryW(L"riched20.dll");
        ASSERT_TRUE(MainWindow::registerClass(GetModuleHandleW(nullptr)));
    }

    void SetUp() override
    {
        setFrontEnd(&front);
        settings().userConfirmOnExit = false;
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr)));
        front.setMainWindow(window.handle());
        SetForegroundWindow(window.handle());
        pump();
    }

    void TearDown() override
    {
        if (IsWindow(window.handle())) DestroyWindow(window.handle());
        pump();
        Connection& c = theConnection();
        c.close();
        c.setSocketFactory(nullptr);
        c.setClock(nullptr);
        quittingFlag() = false;
        setFrontEnd(nullptr);
    }

    // Logs the process-wide connection in on a scripted transport.
    std::shared_ptr<ScriptedSocket> logIn()
    {
        auto socket = std::make_shared<ScriptedSocket>(upgradeAndOk());
        theConnection().setSocketFactory([socket](bool) { return socket; });
        theConnection().setClock(&noWait);
        EXPECT_EQ(theConnection().connect("h", 1, false, "a", "b", "en", 0), 0);
        sentMark = socket->output().size();
        return socket;
    }
    std::vector<std::string> sentSince(const ScriptedSocket& socket)
    {
        return clientFramePayloads(socket.output().substr(sentMark));
    }

    CoreTestEnv env;
    Win32FrontEnd front;
    MainWindow window;
    CountingClock noWait;
    std::size_t sentMark = 0;
};

} // namespace

TEST_F(MainWindowTest, ControlsInTheirOrderWithTheirStylesAndLayout)
{
    HWND w = window.handle();
    EXPECT_EQ(className(w), L"OrvelleClient21");
    EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    EXPECT_EQ(SendMessageW(w, WM_USER + 400, 0, 0), 1);

    std::vector<HWND> children;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    ASSERT_EQ(children.size(), 6u);
    const wchar_t* classes[] = {L"Static", L"RichEdit20W", L"Static", L"Edit", L"Static", L"ListBox"};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(lstrcmpiW(className(children[i]).c_str(), classes[i]), 0) << i;
    EXPECT_EQ(textOf(children[0]), L"history");
    EXPECT_EQ(textOf(children[2]), L"chat");
    EXPECT_EQ(textOf(children[4]), L"menulbl");
    EXPECT_EQ(children[1], window.history());
    EXPECT_EQ(children[3], window.chatLine());
    EXPECT_EQ(children[5], window.list());

    const DWORD history = static_cast<DWORD>(GetWindowLongW(window.history(), GWL_STYLE));
    const DWORD wanted = WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY | ES_WANTRETURN;
    EXPECT_EQ(history & wanted, wanted);
    EXPECT_EQ(SendMessageW(window.history(), EM_GETLIMITTEXT, 0, 0), 0xFFFFFF);
    EXPECT_EQ(SendMessageW(window.history(), EM_GETEVENTMASK, 0, 0), ENM_LINK);
    EXPECT_EQ(SendMessageW(window.chatLine(), EM_GETLIMITTEXT, 0, 0), 3999);
    EXPECT_TRUE(GetWindowLongW(children[2], GWL_STYLE) & SS_NOTIFY);

    // The history's name sits off screen.
    RECT label;
    GetWindowRect(children[0], &label);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&label), 2);
    EXPECT_EQ(label.left, -200);
    EXPECT_EQ(label.top, -200);

    SetWindowPos(w, nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE);
    RECT client;
    GetClientRect(w, &client);
    const int W = client.right, H = client.bottom;
    const auto placed = [w](HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
        return std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top};
    };
    EXPECT_EQ(placed(children[2]), (std::vector<long>{10, H - 45, 50, 40}));
    EXPECT_EQ(placed(window.chatLine()), (std::vector<long>{60, H - 45, W - 70, 40}));
    EXPECT_EQ(placed(window.history()), (std::vector<long>{10, 10, W / 2 - 10, H - 60}));
    EXPECT_EQ(placed(children[4]), (std::vector<long>{W / 2 + 15, 15, W / 2 - 20, H - 70}));
    const std::vector<long> list = placed(window.list());
    EXPECT_EQ(list[0], W / 2 + 10);
    EXPECT_EQ(list[1], 10);
    EXPECT_EQ(list[2], W / 2 - 10);

    HMENU systemMenu = GetSystemMenu(w, FALSE);
    EXPECT_EQ(GetMenuItemID(systemMenu, 5), 1036u);
}

TEST_F(MainWindowTest, TabCyclesBothWaysAndTheWindowRemembersTheFocus)
{
    window.focusControl(FocusTarget::List);
    ASSERT_EQ(GetFocus(), window.list());
    keyDown(window.list(), VK_TAB);
    EXPECT_EQ(GetFocus(), window.list()); // pressing does nothing; releasing moves
    keyUp(window.list(), VK_TAB);
    EXPECT_EQ(GetFocus(), window.chatLine());
    keyUp(window.chatLine(), VK_TAB);
    EXPECT_EQ(GetFocus(), window.history());
    keyUp(window.history(), VK_TAB);
    EXPECT_EQ(GetFocus(), window.list());
    {
        HeldKey shift(VK_SHIFT);
        keyUp(window.list(), VK_TAB);
        EXPECT_EQ(GetFocus(), window.history());
        keyUp(window.history(), VK_TAB);
        EXPECT_EQ(GetFocus(), window.chatLine());
        keyUp(window.chatLine(), VK_TAB);
        EXPECT_EQ(GetFocus(), window.list());
    }
    // Alt+H through the command table, then the focus comes back to the
    // history whenever the window itself gets it.
    SendMessageW(window.handle(), WM_COMMAND, 2021, 0);
    EXPECT_EQ(GetFocus(), window.history());
    SetFocus(window.handle());
    EXPECT_EQ(GetFocus(), window.history());
}

TEST_F(MainWindowTest, ChatLineSendsRecallsAndFilters)
{
    auto socket = logIn();
    HWND chat = window.chatLine();
    window.focusControl(FocusTarget::Chat);

    SetWindowTextW(chat, L"it\u2035s me");
    keyDown(chat, VK_RETURN);
    EXPECT_EQ(textOf(chat), L"");
    SetWindowTextW(chat, L"/msg bob hi");
    keyDown(chat, VK_RETURN);
    SetWindowTextW(chat, L"x");
    keyDown(chat, VK_RETURN);
    EXPECT_EQ(textOf(chat), L"x"); // too short: neither sent nor cleared
    EXPECT_EQ(sentSince(*socket), (std::vector<std::string>{"chat it's me", "chat /msg bob hi"}));

    keyDown(chat, VK_UP);
    EXPECT_EQ(textOf(chat), L"/msg bob hi");
    EXPECT_EQ(selection(chat), (std::pair<DWORD, DWORD>{5, 11}));
    keyDown(chat, VK_UP);
    EXPECT_EQ(textOf(chat), L"it's me");
    EXPECT_EQ(selection(chat), (std::pair<DWORD, DWORD>{0, 7}));
    keyDown(chat, VK_DOWN);
    keyDown(chat, VK_DOWN);
    EXPECT_EQ(textOf(chat), L"");

    SetWindowTextW(chat, L"typed");
    keyDown(chat, VK_ESCAPE);
    EXPECT_EQ(textOf(chat), L"");

    // Characters typed with Control alone are dropped, but for copy, cut and
    // paste; plain characters go in.
    SendMessageW(chat, WM_CHAR, L'a', 1);
    {
        HeldKey control(VK_CONTROL);
        SendMessageW(chat, WM_CHAR, 0x11, 1);
        SendMessageW(chat, WM_CHAR, L'\t', 1);
    }
    EXPECT_EQ(textOf(chat), L"a");

    // Control+letter in the chat line is a key event for the server.
    {
        HeldKey control(VK_CONTROL);
        keyDown(chat, 'K');
    }
    EXPECT_EQ(sentSince(*socket).back(), "key 587");
}

TEST_F(MainWindowTest, ServerCommandsFocusChatAndWindowCommands)
{
    ServerOwners owners(window);
    window.focusControl(FocusTarget::List);
    owners.focusChat("3 hi");
    EXPECT_EQ(textOf(window.chatLine()), L"hi");
    EXPECT_EQ(GetFocus(), window.chatLine());
    EXPECT_EQ(selection(window.chatLine()), (std::pair<DWORD, DWORD>{0, 2}));

    owners.focusChat("4 there");  // inserted at the caret, which is the selection
    EXPECT_EQ(textOf(window.chatLine()), L"there");
    owners.focusChat("8 ignored"); // text kept, caret to the end
    EXPECT_EQ(textOf(window.chatLine()), L"there");
    EXPECT_EQ(selection(window.chatLine()), (std::pair<DWORD, DWORD>{5, 5}));

    window.focusControl(FocusTarget::History);
    owners.windowCommand(2020); // posted: runs in the message loop's turn
    EXPECT_EQ(GetFocus(), window.history());
    pump();
    EXPECT_EQ(GetFocus(), window.chatLine());
    EXPECT_EQ(selection(window.chatLine()), (std::pair<DWORD, DWORD>{0, 5}));
}

TEST_F(MainWindowTest, ClosingSendsQuitAndEndsTheLoop)
{
    auto socket = logIn();
    HWND w = window.handle();
    SendMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_TRUE(quittingFlag().load());
    EXPECT_EQ(sentSince(*socket), std::vector<std::string>{"quit"});
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindowTest, ASecondStartFindsTheRunningClientAndRestoresIt)
{
    EXPECT_EQ(findRunningClient(window.handle()), nullptr);
    MainWindow other;
    ASSERT_TRUE(other.create(GetModuleHandleW(nullptr)));
    EXPECT_EQ(findRunningClient(window.handle()), other.handle());
    EXPECT_EQ(findRunningClient(other.handle()), window.handle());

    ShowWindow(other.handle(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(other.handle()));
    bringForward(other.handle());
    EXPECT_FALSE(IsIconic(other.handle()));
    front.setMainWindow(window.handle());
    DestroyWindow(other.handle());
    pump();
}

TEST_F(MainWindowTest, InArcadeModeOnlyTheFirstAcceleratorTableWorks)
{
    ViewOwners owners;
    window.setOwners(&owners);
    HACCEL accel = LoadAcceleratorsW(GetModuleHandleW(nullptr), L"accel");
    HACCEL accel2 = LoadAcceleratorsW(GetModuleHandleW(nullptr), L"accel2");
    ASSERT_TRUE(accel && accel2);
    const auto press = [&](UINT message, int key, LPARAM flags) {
        MSG msg{window.chatLine(), message, static_cast<WPARAM>(key), flags, 0, {0, 0}};
        const bool translated = translateAccelerators(msg, window, accel, accel2);
        pump();
        return translated;
    };
    constexpr LPARAM kAltDown = 1 << 29;

    EXPECT_TRUE(press(WM_KEYDOWN, VK_F12, 1));
    EXPECT_TRUE(press(WM_KEYDOWN, VK_F8, 1));
    {
        HeldKey alt(VK_MENU);
        EXPECT_TRUE(press(WM_SYSKEYDOWN, '1', 1 | kAltDown));
    }
    EXPECT_FALSE(press(WM_KEYDOWN, 'Q', 1));

    window.setArcadeMode(true);
    EXPECT_FALSE(IsWindowVisible(window.history()));
    EXPECT_FALSE(IsWindowVisible(window.list()));
    EXPECT_TRUE(IsWindowVisible(window.chatLine()));
    EXPECT_FALSE(press(WM_KEYDOWN, VK_F12, 1)); // accel2: off in arcade mode
    EXPECT_TRUE(press(WM_KEYDOWN, VK_F8, 1));   // accel: still on
    {
        HeldKey alt(VK_MENU);
        EXPECT_TRUE(press(WM_SYSKEYDOWN, '1', 1 | kAltDown));
    }
    window.setArcadeMode(false);
    EXPECT_TRUE(IsWindowVisible(window.history()));
    EXPECT_EQ(owners.calls, (std::vector<std::string>{"save history", "sound 2", "view 0", "sound 2", "view 0"}));
    window.setOwners(nullptr);
    DestroyAcceleratorTable(accel);
    DestroyAcceleratorTable(accel2);
}
