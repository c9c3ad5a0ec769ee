// The history control of the main window (a rich-edit control) as the
// history's display: each message on a new line in its segments' formats,
// the clipboard, flashing and the beeps. Messages are added in batches: the
// control gets what arrived since its last turn in one piece of RTF when the
// message loop comes back to it (kFlushHistoryMessage), so a flood costs one
// insertion per batch rather than per message. The control repaints at most
// every kRedrawIntervalMs while messages keep coming: repainting a long
// history costs more than adding a batch to it. One turn of the loop adds
// messages for at most kTurnMs, so keys and the mouse are served during a
// flood.
#pragma once

#include <windows.h>

#include <richedit.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <vector>

#include "client/ui/history/HistoryOwner.h"

class MainWindow;

// Posted to the main window when messages wait to be added to the history.
constexpr UINT kFlushHistoryMessage = WM_USER + 102;

// The main window's timers of the history.
constexpr UINT_PTR kHistoryRedrawTimer = 0x4801;
constexpr UINT_PTR kHistoryFlushTimer = 0x4802;

class HistoryControl : public HistoryDisplay {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // Registers itself with the window, which gives it its turns.
    explicit HistoryControl(MainWindow& window, Clock clock = [] { return std::chrono::steady_clock::now(); });
    ~HistoryControl() override;
    HistoryControl(const HistoryControl&) = delete;
    HistoryControl& operator=(const HistoryControl&) = delete;

    void appendMessage(const std::vector<Segment>& segments) override;
    void clearMessages() override;
    void setClipboard(const std::wstring& text) override;
    void flash(unsigned count) override;
    void refusalBeep() override;
    void tone(unsigned frequencyHz, unsigned milliseconds) override;
    bool windowActive() const override;
    bool boxOpen() const override;

    // A box of the server opens or closes (boxes may nest).
    void boxOpened() { ++boxes_; }
    void boxClosed() { if (boxes_ > 0) --boxes_; }

    // Adds all the waiting messages to the control.
    void flush();

    // The window's turn for the history: adds waiting messages for at most
    // kTurnMs and leaves the rest for the next turn.
    void flushTurn();

    // One of the history's timers fired.
    void timer(UINT_PTR id);

    // How many messages wait for their turn.
    std::size_t waiting() const { return pending_.size(); }

    // The whole text of the control, as the player sees it (waiting
    // messages included).
    std::wstring text();

    // The most messages one insertion into the control takes.
    static constexpr std::size_t kMessagesPerInsertion = 256;
    static constexpr int kRedrawIntervalMs = 100;
    static constexpr int kTurnMs = 40;

private:
    // Adds waiting messages until none wait or the time is past `until`.
    void insertWaiting(std::chrono::steady_clock::time_point until);
    // Asks for the next turn: after the keys and the mouse if some wait.
    void askTurn();
    void redraw(HWND edit);

    // Inserts the messages at the end of the control; returns how many
    // characters they took.
    LONG insert(HWND edit, LONG end, const std::vector<std::vector<Segment>>& messages);

    MainWindow& window_;
    Clock clock_;
    std::atomic<int> boxes_{0}; // also read by the threads that play sounds
    std::chrono::steady_clock::time_point lastRedraw_{};
    bool redrawPending_ = false;
    std::vector<std::vector<Segment>> pending_;
    bool flushPosted_ = false;
};
