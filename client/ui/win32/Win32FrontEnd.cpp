// The Win32 front-end's cross-thread call, boxes and beeper.
#include "client/ui/win32/Win32FrontEnd.h"

#include <shellapi.h>

#include <chrono>

namespace {

// The front-end whose queue the main window procedure serves.
Win32FrontEnd* current = nullptr;

// How long a caller waits at a time for a full queue to shorten, before it
// looks again whether the window still exists.
constexpr auto kQueueWaitStep = std::chrono::milliseconds(100);

} // namespace

Win32FrontEnd::Win32FrontEnd() : guiThread_(GetCurrentThreadId()) { current = this; }

Win32FrontEnd::~Win32FrontEnd()
{
    if (current == this) current = nullptr;
}

void Win32FrontEnd::runInEDT(const std::function<void()>& work)
{
    if (GetCurrentThreadId() == guiThread_ || !mainWindow_) {
        drainQueue();
        work();
        return;
    }
    // SendMessage returns only when the window procedure has run the closure;
    // a window already destroyed returns at once without running it.
    SendMessageW(mainWindow_, kRunInEdtMessage, 0, reinterpret_cast<LPARAM>(&work));
}

void Win32FrontEnd::postToEDT(std::function<void()> work)
{
    if (GetCurrentThreadId() == guiThread_ || !mainWindow_) {
        drainQueue();
        work();
        return;
    }
    std::unique_lock<std::mutex> lock(queueLock_);
    while (queue_.size() >= kMaxQueued) {
        if (!IsWindow(mainWindow_)) return;
        queueShorter_.wait_for(lock, kQueueWaitStep);
    }
    if (!IsWindow(mainWindow_)) return;
    queue_.push_back(std::move(work));
    if (!wakePosted_) wakePosted_ = PostMessageW(mainWindow_, kRunQueuedMessage, 0, 0) != 0;
}

void Win32FrontEnd::drainQueue()
{
    // One batch: what arrives meanwhile posts a new wake-up, so that the
    // message loop gets its turn between batches however long a flood lasts.
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard<std::mutex> guard(queueLock_);
        ready.swap(queue_);
        wakePosted_ = false;
    }
    if (ready.empty()) return;
    queueShorter_.notify_all();
    for (const auto& work : ready) work();
}

void Win32FrontEnd::runQueued()
{
    if (current) current->drainQueue();
}

LRESULT Win32FrontEnd::runPosted(LPARAM lParam)
{
    if (current) current->drainQueue();
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
