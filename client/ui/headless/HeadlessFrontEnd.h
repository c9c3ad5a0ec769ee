// The front-end without windows: the GUI thread is whichever thread runs the
// message loop, boxes are answered from a script (or with their first
// button), and everything shown is recorded and can be printed as it happens.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/frontend/FrontEnd.h"
#include "common/printable.h"

class HeadlessFrontEnd : public FrontEnd {
public:
    // One thing the front-end was asked to show or do.
    struct Event {
        std::string kind; // "box", "beep", "open", "quit"
        std::string text; // UTF-8
    };

    // The constructing thread is the GUI thread until runMessageLoop runs.
    HeadlessFrontEnd();

    void runInEDT(const std::function<void()>& work) override;
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override;
    void postQuit(int exitCode) override;
    void beep(unsigned frequencyHz, unsigned milliseconds) override;
    void openAddress(const std::string& address) override;

    // Serves GUI-thread calls on the calling thread until postQuit; returns
    // the exit code. Calls that arrive afterwards find no window and return
    // without running, as a message sent to a destroyed window would.
    int runMessageLoop();

    // Answers for the boxes, in order: a button number for message boxes.
    void setAnswers(std::deque<std::string> answers);
    // The next scripted answer; false when the script is used up.
    bool nextAnswer(std::string& answer);

    // Records and prints something shown ("history", "clipboard", ...).
    void show(const std::string& kind, const std::string& text) { record(kind, text); }

    // Called with a line for every event, as it happens.
    void setPrinter(std::function<void(const std::string&)> printer);
    std::vector<Event> events() const;

private:
    void record(const std::string& kind, const std::string& text);

    struct Call {
        const std::function<void()>* work;
        bool done = false;
    };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Call*> calls_;
    std::thread::id guiThread_;
    bool quitPosted_ = false;
    bool loopEnded_ = false;
    int exitCode_ = 0;
    std::deque<std::string> answers_;
    std::vector<Event> events_;
    std::function<void(const std::string&)> printer_;
};

// Protocol text made printable on one line (control bytes, DEL and the
// backslash as \xNN).
using common::printable;
