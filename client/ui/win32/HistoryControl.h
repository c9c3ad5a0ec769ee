// The history control of the main window (a rich-edit control) as the
// history's display: each message on a new line in its segments' formats,
// the clipboard, flashing and the beeps.
#pragma once

#include <windows.h>

#include <richedit.h>

#include "client/ui/history/HistoryOwner.h"

class MainWindow;

class HistoryControl : public HistoryDisplay {
public:
    explicit HistoryControl(MainWindow& window) : window_(window) {}

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

    // The whole text of the control, as the player sees it.
    std::wstring text() const;

private:
    MainWindow& window_;
    int boxes_ = 0;
};

// The character format a segment is inserted with. Colours are left out of
// the mask when the history shows no colours.
CHARFORMAT2W segmentFormat(const TextFormat& format, bool colours);
