// The Win32 GUI-thread call through a real window and message loop.
#include <windows.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "client/ui/win32/Win32FrontEnd.h"

namespace {

LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kRunInEdtMessage) return Win32FrontEnd::runPosted(lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND makeWindow()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = testWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvcTestWindow";
    RegisterClassW(&wc);
    return CreateWindowW(L"OrvcTestWindow", L"test", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

int runLoop()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

TEST(Win32FrontEnd, ClosuresRunOnTheGuiThreadAndTheSenderWaits)
{
    Win32FrontEnd front;
    const HWND window = makeWindow();
    ASSERT_NE(window, nullptr);
    front.setMainWindow(window);
    setFrontEnd(&front);
    const DWORD gui = GetCurrentThreadId();

    std::atomic<int> checks{0};
    std::thread other([&] {
        for (int i = 0; i < 100; ++i) {
            DWORD ranOn = 0;
            int value = 0;
            front.runInEDT([&] {
                ranOn = GetCurrentThreadId();
                value = i + 1;
            });
            // The closure has finished when runInEDT returns.
            if (ranOn == gui && value == i + 1) ++checks;
        }
        const LRESULT text = SendMessageInEDT(window, WM_GETTEXTLENGTH, 0, 0);
        if (text == 4) ++checks;
        front.runInEDT([&] { front.postQuit(7); });
    });
    EXPECT_EQ(runLoop(), 7);
    other.join();
    EXPECT_EQ(checks.load(), 101);

    // On the GUI thread itself the closure runs at once.
    bool ran = false;
    front.runInEDT([&] { ran = true; });
    EXPECT_TRUE(ran);

    // Quit posted from another thread ends the loop too.
    std::thread quitter([&] { front.postQuit(3); });
    quitter.join();
    EXPECT_EQ(runLoop(), 3);

    DestroyWindow(window);
    // A window that is gone: the call returns without running the closure.
    std::thread late([&] {
        bool lateRan = false;
        front.runInEDT([&] { lateRan = true; });
        EXPECT_FALSE(lateRan);
    });
    late.join();
    setFrontEnd(nullptr);
}
