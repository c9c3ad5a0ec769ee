// The front-end without windows: the GUI thread is whichever thread runs the
// message loop, boxes are answered from a script (or with their first
// button), and everything shown is recorded and can be printed as it happens.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
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
    // The client's own boxes take the next line of the script, else their
    // first button; they never wait for the player.
    int messageBox(const std::wstring& text, const std::wstring& title, unsigned style) override;
    // A server's message box: answered as waitAnswer says; unanswered, its
    // first button (Cancel when it was cancelled and has one).
    int serverMessageBox(const std::wstring& text, const std::wstring& title, unsigned style);
    void postQuit(int exitCode) override;
    void beep(unsigned frequencyHz, unsigned milliseconds) override;
    void openAddress(const std::string& address) override;

    // Runs the work on the GUI thread once the milliseconds have passed (a
    // timer of the message loop); dropped when the loop has ended first.
    void runLater(unsigned milliseconds, std::function<void()> work);

    // Serves GUI-thread calls on the calling thread until postQuit; returns
    // the exit code. Calls that arrive afterwards find no window and return
    // without running, as a message sent to a destroyed window would.
    int runMessageLoop();

    // Answers for the boxes, in order: a button number for message boxes.
    void setAnswers(std::deque<std::string> answers);

    // The answer to a box: the next line of the script; when that is used
    // up, the next answer the player types (waiting for it while standard
    // input is open). `given` is false once both have ended.
    struct BoxAnswer {
        bool given = false;
        bool cancelled = false;
        std::string text;
    };
    BoxAnswer waitAnswer();
    // The next answer as text; false when none was given or it cancels.
    bool nextAnswer(std::string& answer);
    // The next line of the script only; false when it is used up.
    bool scriptedAnswer(std::string& answer);
    // The player's answers from standard input, and its end.
    void typeAnswer(BoxAnswer answer);
    void endInput();

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
    std::deque<BoxAnswer> typed_;
    bool inputEnded_ = false;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> timers_;
    std::vector<Event> events_;
    std::function<void(const std::string&)> printer_;
};

// Protocol text made printable on one line (control bytes, DEL and the
// backslash as \xNN).
using common::printable;
