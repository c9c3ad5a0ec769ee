// The front-end over real Win32 windows: the GUI-thread call is the window
// message WM_USER+100 sent to the main window, boxes are MessageBoxW owned
// by it, the beeper is Beep and addresses go to ShellExecuteA.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>

#include "client/frontend/FrontEnd.h"

// The message that carries a closure to the GUI thread (lParam: its address).
constexpr UINT kRunInEdtMessage = WM_USER + 100;
// Posted to the main window when queued closures wait.
constexpr UINT kRunQueuedMessage = WM_USER + 101;

class Win32FrontEnd : public FrontEnd {
public:
    // The calling thread is the GUI thread; mainWindow may be set later.
    Win32FrontEnd();
    ~Win32FrontEnd() override;
    Win32FrontEnd(const Win32FrontEnd&) = delete;
    Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;

    void setMainWindow(HWND window) { mainWindow_ = window; }
    HWND mainWindow() const { return mainWindow_; }

    void runInEDT(const std::function<void()>& work) override;
    void postToEDT(std::function<void()> work) override;
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override;
    void postQuit(int exitCode) override;
    void beep(unsigned frequencyHz, unsigned milliseconds) override;
    void openAddress(const std::string& address) override;

    // For the main window procedure: runs the closure of a kRunInEdtMessage,
    // after the queued ones.
    static LRESULT runPosted(LPARAM lParam);
    // For the main window procedure: runs the queued closures
    // (kRunQueuedMessage).
    static void runQueued();

    // The most closures that wait before postToEDT waits too.
    static constexpr std::size_t kMaxQueued = 4096;

private:
    void drainQueue();

    HWND mainWindow_ = nullptr;
    DWORD guiThread_;
    std::mutex queueLock_;
    std::condition_variable queueShorter_;
    std::deque<std::function<void()>> queue_;
    bool wakePosted_ = false;
};

// SendMessageW on the GUI thread, from any thread; returns its result.
LRESULT SendMessageInEDT(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
