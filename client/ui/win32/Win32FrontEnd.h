// The front-end over real Win32 windows: the GUI-thread call is the window
// message WM_USER+100 sent to the main window, boxes are MessageBoxW owned
// by it, the beeper is Beep and addresses go to ShellExecuteA.
#pragma once

#include <windows.h>

#include "client/frontend/FrontEnd.h"

// The message that carries a closure to the GUI thread (lParam: its address).
constexpr UINT kRunInEdtMessage = WM_USER + 100;

class Win32FrontEnd : public FrontEnd {
public:
    // The calling thread is the GUI thread; mainWindow may be set later.
    Win32FrontEnd();

    void setMainWindow(HWND window) { mainWindow_ = window; }
    HWND mainWindow() const { return mainWindow_; }

    void runInEDT(const std::function<void()>& work) override;
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override;
    void postQuit(int exitCode) override;
    void beep(unsigned frequencyHz, unsigned milliseconds) override;
    void openAddress(const std::string& address) override;

    // For the main window procedure: runs the closure of a kRunInEdtMessage.
    static LRESULT runPosted(LPARAM lParam);

private:
    HWND mainWindow_ = nullptr;
    DWORD guiThread_;
};

// SendMessageW on the GUI thread, from any thread; returns its result.
LRESULT SendMessageInEDT(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
