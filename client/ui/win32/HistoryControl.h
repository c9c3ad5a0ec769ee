// The history control of the main window (a rich-edit control) as the
// history's display: each message on a new line in its segments' formats,
// the clipboard, flashing and the beeps. Messages are added in batches: the
// control gets what arrived since its last turn in one piece of RTF when the
// message loop comes back to it (kFlushHistoryMessage), so a flood costs one
// insertion and one repaint per batch rather than per message.
#pragma once

#include <windows.h>

#include <richedit.h>

#include <vector>

#include "client/ui/history/HistoryOwner.h"

class MainWindow;

// Posted to the main window when messages wait to be added to the history.
constexpr UINT kFlushHistoryMessage = WM_USER + 102;

class HistoryControl : public HistoryDisplay {
public:
    // Registers itself with the window, which gives it its turns.
    explicit HistoryControl(MainWindow& window);
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

    // Adds the waiting messages to the control.
    void flush();

    // The whole text of the control, as the player sees it (waiting
    // messages included).
    std::wstring text();

    // The most messages one insertion into the control takes.
    static constexpr std::size_t kMessagesPerInsertion = 256;

private:
    // Inserts the messages at the end of the control; returns how many
    // characters they took.
    LONG insert(HWND edit, LONG end, const std::vector<std::vector<Segment>>& messages);

    MainWindow& window_;
    int boxes_ = 0;
    std::vector<std::vector<Segment>> pending_;
    bool flushPosted_ = false;
};
