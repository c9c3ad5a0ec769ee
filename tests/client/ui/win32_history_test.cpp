// The rich-edit history under Wine: segments read back with their formats,
// the text as the player sees it, colours off, the clipboard.
#include <windows.h>

#include <richedit.h>

#include <gtest/gtest.h>

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

    control.clearMessages();
    EXPECT_EQ(control.text(), L"");
}

TEST_F(HistoryControlTest, ColoursOffLeaveTheColourAlone)
{
    const CHARFORMAT2W on = segmentFormat(TextFormat{CFE_BOLD | CFE_AUTOCOLOR, RGB(5, 6, 7)}, true);
    EXPECT_TRUE(on.dwMask & CFM_COLOR);
    EXPECT_EQ(on.dwEffects, static_cast<DWORD>(CFE_BOLD | CFE_AUTOCOLOR));
    const CHARFORMAT2W off = segmentFormat(TextFormat{CFE_BOLD | CFE_AUTOCOLOR, RGB(5, 6, 7)}, false);
    EXPECT_FALSE(off.dwMask & CFM_COLOR);
    EXPECT_EQ(off.dwEffects, static_cast<DWORD>(CFE_BOLD));

    settings().styleDisableHistoryColors = true;
    control.appendMessage({Segment{{0, RGB(200, 0, 0)}, L"plain"}});
    EXPECT_NE(formatAt(window.history(), 1).crTextColor, RGB(200, 0, 0));
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
