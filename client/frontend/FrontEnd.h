// The front-end seam: everything the client's logic needs from the screen.
// The Win32 window implements it with real windows; the headless front-end
// implements it without any, answering boxes from a script and recording
// what was shown. The logic never talks to windows in any other way.
#pragma once

#include <functional>
#include <string>

// Message box styles and answers, with the values of the Windows API so that
// the numbers the server sends in box types mean the same everywhere.
namespace MessageBoxStyle {
constexpr unsigned kOk = 0x0;
constexpr unsigned kOkCancel = 0x1;
constexpr unsigned kAbortRetryIgnore = 0x2;
constexpr unsigned kYesNoCancel = 0x3;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kRetryCancel = 0x5;
constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconWarning = 0x30;
constexpr unsigned kIconInformation = 0x40;
} // namespace MessageBoxStyle

namespace MessageBoxAnswer {
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kAbort = 3;
constexpr int kRetry = 4;
constexpr int kIgnore = 5;
constexpr int kYes = 6;
constexpr int kNo = 7;
} // namespace MessageBoxAnswer

class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    // Runs the closure on the GUI thread and returns when it has finished, so
    // that it may refer to the caller's locals. On the GUI thread itself the
    // closure runs at once.
    virtual void runInEDT(const std::function<void()>& work) = 0;

    // Queues the closure for the GUI thread and returns without waiting for
    // it, so that a flood of server messages does not cost a thread switch
    // each. Queued closures run in order, and before the closure of any
    // later runInEDT. A queue that is too long makes the caller wait until
    // the GUI thread has caught up. Closures queued once the main window is
    // gone are dropped, as runInEDT's would not run. Front-ends without a
    // queue run it as runInEDT does.
    virtual void postToEDT(std::function<void()> work) { runInEDT(work); }

    // Shows a modal message box owned by the main window and returns the
    // answer (MessageBoxAnswer). Callable from any thread.
    virtual int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) = 0;

    // Ends the GUI thread's message loop with this exit code.
    virtual void postQuit(int exitCode) = 0;

    // Sounds a tone on the computer's beeper for the given milliseconds;
    // returns when it has ended. Callable from any thread, even a crashing one.
    virtual void beep(unsigned frequencyHz, unsigned milliseconds) = 0;

    // Hands an address (a web page, a mail address) to the system's handler
    // for it, as the user's "open" action would. The text is passed on as it
    // is. Callable from any thread.
    virtual void openAddress(const std::string& address) = 0;
};

// The process-wide front-end, installed once at start-up before any other
// thread exists. frontEnd() must not be called before setFrontEnd().
void setFrontEnd(FrontEnd* frontEnd);
FrontEnd& frontEnd();
bool hasFrontEnd();
