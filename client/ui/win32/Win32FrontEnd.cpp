// The Win32 front-end's cross-thread call, boxes and beeper.
#include "client/ui/win32/Win32FrontEnd.h"

#include <shellapi.h>

Win32FrontEnd::Win32FrontEnd() : guiThread_(GetCurrentThreadId()) {}

void Win32FrontEnd::runInEDT(const std::function<void()>& work)
{
    if (GetCurrentThreadId() == guiThread_ || !mainWindow_) {
        work();
        return;
    }
    // SendMessage returns only when the window procedure has run the closure;
    // a window already destroyed returns at once without running it.
    SendMessageW(mainWindow_, kRunInEdtMessage, 0, reinterpret_cast<LPARAM>(&work));
}

LRESULT Win32FrontEnd::runPosted(LPARAM lParam)
{
    const auto* work = reinterpret_cast<const std::function<void()>*>(lParam);
    if (work && *work) (*work)();
    return 0;
}

int Win32FrontEnd::messageBox(const std::wstring& text, const std::wstring& title, unsigned style)
{
    return MessageBoxW(mainWindow_, text.c_str(), title.c_str(), style);
}

void Win32FrontEnd::postQuit(int exitCode)
{
    if (GetCurrentThreadId() == guiThread_) PostQuitMessage(exitCode);
    else PostThreadMessageW(guiThread_, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

void Win32FrontEnd::beep(unsigned frequencyHz, unsigned milliseconds) { Beep(frequencyHz, milliseconds); }

void Win32FrontEnd::openAddress(const std::string& address)
{
    // On the GUI thread, which has COM set up for the shell's handlers. The
    // 8-bit text goes to the shell as it came.
    runInEDT([&] { ShellExecuteA(mainWindow_, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL); });
}

LRESULT SendMessageInEDT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    frontEnd().runInEDT([&] { result = SendMessageW(window, message, wParam, lParam); });
    return result;
}
