// The headless client's history display: every message shown is printed as
// a "history:" line (its segments joined), and the clipboard, flashing and
// beeps as lines of their own. The window counts as active until the
// script says otherwise ("foreground off").
#pragma once

#include <atomic>

#include "client/ui/headless/HeadlessFrontEnd.h"
#include "client/ui/history/HistoryOwner.h"

class HeadlessHistory : public HistoryDisplay {
public:
    explicit HeadlessHistory(HeadlessFrontEnd& frontEnd) : frontEnd_(frontEnd) {}

    void appendMessage(const std::vector<Segment>& segments) override;
    void clearMessages() override;
    void setClipboard(const std::wstring& text) override;
    void flash(unsigned count) override;
    void refusalBeep() override;
    void tone(unsigned frequencyHz, unsigned milliseconds) override;
    bool windowActive() const override { return active_; }
    bool boxOpen() const override { return false; }

    void setWindowActive(bool active) { active_ = active; }

private:
    HeadlessFrontEnd& frontEnd_;
    std::atomic<bool> active_{true};
};
