// The rich-edit history under Wine: segments read back with their formats,
// the text as the player sees it, colours off, the clipboard.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

#include <chrono>

#include "client/core/CoreTestEnv.h"
#include "client/ui/win32/HistoryControl.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/Win32FrontEnd.h"

namespace {

CHARFORMAT2W formatAt(HWND edit, LONG at)
{
    CHARRANGE range{at, at + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    return cf;
}

std::wstring clipboardText()
{
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

class HistoryControlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        LoadLibraryW(L"riched20.dll");
        MainWindow::registerClass(GetModuleHandleW(nullptr));
    }
    void SetUp() override
    {
        setFrontEnd(&front);
        settings().userConfirmOnExit = false;
        ASSERT_TRUE(window.create(GetModuleHandleW(nullptr)));
        front.setMainWindow(window.handle());
    }
    void TearDown() override
    {
        if (IsWindow(window.handle())) DestroyWindow(window.handle());
        setFrontEnd(nullptr);
    }

    CoreTestEnv env;
    Win32FrontEnd front;
    MainWindow window;
    HistoryControl control{window};
};

} // namespace

TEST_F(HistoryControlTest, SegmentsKeepTheirFormats)
{
    const DWORD everything = CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT | CFE_LINK | CFE_PROTECTED;
    control.appendMessage({Segment{{CFE_BOLD, RGB(0, 0, 255)}, L"Hi "}, Segment{{CFE_AUTOCOLOR | CFE_ITALIC, 0}, L"there"}});
    control.appendMessage({Segment{{everything | CFE_SUPERSCRIPT, RGB(1, 2, 3)}, L"x"},
                           Segment{{CFE_SUBSCRIPT, RGB(9, 9, 9)}, L"y"}});
    // Every message starts a new line, so the control begins with one.
    EXPECT_EQ(control.text(), L"\r\nHi there\r\nxy");

    HWND edit = window.history();
    CHARFORMAT2W cf = formatAt(edit, 1); // "H"
    EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
    EXPECT_FALSE(cf.dwEffects & (CFE_ITALIC | CFE_AUTOCOLOR));
    EXPECT_EQ(cf.crTextColor, RGB(0, 0, 255));
    cf = formatAt(edit, 4); // "t"
    EXPECT_TRUE(cf.dwEffects & CFE_ITALIC);
    EXPECT_FALSE(cf.dwEffects & CFE_BOLD);
    EXPECT_TRUE(cf.dwEffects & CFE_AUTOCOLOR);
    cf = formatAt(edit, 10); // "x"
    EXPECT_EQ(cf.dwEffects & everything, everything);
    EXPECT_TRUE(cf.dwEffects & CFE_SUPERSCRIPT);
    EXPECT_EQ(cf.crTextColor, RGB(1, 2, 3));
    cf = formatAt(edit, 11); // "y"
    EXPECT_TRUE(cf.dwEffects & CFE_SUBSCRIPT);
    EXPECT_FALSE(cf.dwEffects & (CFE_BOLD | CFE_LINK));

    // A later batch does not take on the format the last one ended with.
    control.appendMessage({Segment{{0, RGB(5, 5, 5)}, L"z"}});
    EXPECT_EQ(control.text(), L"\r\nHi there\r\nxy\r\nz");
    cf = formatAt(edit, 13);
    EXPECT_FALSE(cf.dwEffects & (everything | CFE_SUBSCRIPT | CFE_SUPERSCRIPT));
    EXPECT_EQ(cf.crTextColor, RGB(5, 5, 5));

    control.clearMessages();
    EXPECT_EQ(control.text(), L"");
}

TEST_F(HistoryControlTest, ColoursOffLeaveTheColourAlone)
{
    settings().styleDisableHistoryColors = true;
    control.appendMessage({Segment{{0, RGB(200, 0, 0)}, L"plain"}});
    ASSERT_EQ(control.text(), L"\r\nplain");
    EXPECT_NE(formatAt(window.history(), 1).crTextColor, RGB(200, 0, 0));
}

TEST_F(HistoryControlTest, WaitingMessagesArriveInOneTurnOfTheLoop)
{
    // RTF's own characters, accents, a character beyond 16 bits, line
    // breaks and a tab inside a segment, a link.
    const std::wstring odd = L"{a\\b} caf\u00e9 \U0001F600 x\r\ny\tz";
    for (int i = 0; i < 300; ++i) control.appendMessage({Segment{{0, RGB(0, 0, i % 256)}, L"m" + std::to_wstring(i)}});
    control.appendMessage({Segment{{0, 0}, odd}, Segment{{CFE_LINK | CFE_PROTECTED, RGB(0, 0, 255)}, L"http://h/x"}});
    EXPECT_EQ(GetWindowTextLengthW(window.history()), 0); // nothing yet: the batch waits for the loop
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);

    std::wstring expected;
    for (int i = 0; i < 300; ++i) expected += L"\r\nm" + std::to_wstring(i);
    expected += L"\r\n{a\\b} caf\u00e9 \U0001F600 x\r\ny\tz" L"http://h/x";
    EXPECT_EQ(control.text(), expected);
    // In the control a line break is one character: 302 of them above.
    const LONG link = static_cast<LONG>(expected.size() - 302 - 10);
    EXPECT_TRUE(formatAt(window.history(), link + 2).dwEffects & CFE_LINK);
    EXPECT_FALSE(formatAt(window.history(), link - 2).dwEffects & CFE_LINK);
    EXPECT_EQ(formatAt(window.history(), 4).crTextColor, RGB(0, 0, 1)); // "m1"
}

TEST_F(HistoryControlTest, AFloodIsAddedInTurnsAndRepaintedOncePerInterval)
{
    // Every reading of the clock is 30 ms after the one before.
    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    HistoryControl timed(window, [&] { return now += std::chrono::milliseconds(30); });
    HWND edit = window.history();
    const auto redrawing = [&] { return (GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE) != 0; };
    const auto shown = [&] {
        GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
        return static_cast<std::size_t>(SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
    };
    // What the first n messages take in the control: a line break each.
    const auto taking = [](std::size_t n) {
        std::size_t chars = 0;
        for (std::size_t i = 0; i < n; ++i) chars += 2 + std::to_wstring(i).size();
        return chars;
    };

    for (int i = 0; i < 600; ++i) timed.appendMessage({Segment{{0, 0}, L"m" + std::to_wstring(i)}});
    // A turn goes on while it is under its time: two pieces here; the rest
    // waits for the next turn. The first batch after a quiet spell is shown
    // at once.
    timed.flushTurn();
    EXPECT_EQ(shown(), taking(2 * HistoryControl::kMessagesPerInsertion));
    EXPECT_TRUE(redrawing());
    // The next turn, within the interval: added, shown later.
    timed.flushTurn();
    EXPECT_EQ(shown(), taking(600));
    EXPECT_FALSE(redrawing());
    timed.timer(kHistoryRedrawTimer);
    EXPECT_TRUE(redrawing());
    // Nothing else waits, and the text is whole.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    EXPECT_EQ(shown(), taking(600));
    EXPECT_EQ(timed.text().substr(0, 8), L"\r\nm0\r\nm1");
}

TEST_F(HistoryControlTest, ClipboardAndState)
{
    control.setClipboard(L"caf\u00e9\r\nline 2");
    EXPECT_EQ(clipboardText(), L"caf\u00e9\r\nline 2");
    EXPECT_FALSE(control.boxOpen());
    control.boxOpened();
    control.boxOpened();
    control.boxClosed();
    EXPECT_TRUE(control.boxOpen());
    control.boxClosed();
    control.boxClosed();
    EXPECT_FALSE(control.boxOpen());
}
