// The owner of the history on the GUI thread: gives the model the server's
// messages and the player's review, view, copy and report commands, and
// carries out what the model decides through the screen's history control,
// the speech output and the connection.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "client/ui/history/History.h"

// What the history needs of the screen.
class HistoryDisplay {
public:
    virtual ~HistoryDisplay() = default;
    // Shows a message on a new line, segment after segment.
    virtual void appendMessage(const std::vector<Segment>& segments) = 0;
    // Empties the history control.
    virtual void clearMessages() = 0;
    virtual void setClipboard(const std::wstring& text) = 0;
    // Flashes the main window's caption and taskbar button count times.
    virtual void flash(unsigned count) = 0;
    // The short refusal sound (MessageBeep 0), and the tone of a message on
    // an unknown channel.
    virtual void refusalBeep() = 0;
    virtual void tone(unsigned frequencyHz, unsigned milliseconds) = 0;
    // The main window is active.
    virtual bool windowActive() const = 0;
    // A box of the server is open; with an active window, "foreground".
    virtual bool boxOpen() const = 0;
};

// Where spoken text goes.
class SpeechOutput {
public:
    virtual ~SpeechOutput() = default;
    virtual void say(const std::wstring& text, bool interrupt) = 0;
    virtual void braille(const std::wstring& text) = 0;
};

class HistoryOwner {
public:
    using Clock = std::function<History::TimePoint()>;
    using Send = std::function<void(const std::string&)>;

    // send: a text for the server (ignored while not logged in).
    HistoryOwner(HistoryDisplay& display, SpeechOutput& speech, Send send,
                 Clock clock = [] { return std::chrono::steady_clock::now(); });

    History& model() { return history_; }

    // The presentation of a server entry (its files, else the built-in set
    // of its protocol in light or dark colours, written back).
    void loadPresentation(int serverIndex, int protocol, bool dark);

    // "say"/"sai" and the client's own notices (channel 7).
    void add(std::wstring text, int channelArgument);
    // "flsh": flashes when the window is not active and the channel asks
    // for it.
    void flash(int channel, int count);

    // Page Up / Page Down (with Control or Shift: to the first or last
    // message of the view). Other keys do nothing.
    void reviewKey(int virtualKey, bool shift, bool control);
    void reviewMove(int delta);
    // Alt+Left/Right (relative), Alt+digit (absolute).
    void changeView(int n, bool absolute);
    void copyView();
    // Control+Space and Control+Shift+Space on the reviewed message.
    void copyReviewedMessage();
    void sendReviewedMessage();
    // Commands 2033 and 2034: the report of view 1 or 2 for the server.
    void report(int view);
    void clear();
    // Control+F5; speaks "disabled" or "enabled".
    void toggleMute();

private:
    HistoryDisplay& display_;
    SpeechOutput& speech_;
    Send send_;
    Clock clock_;
    History history_;
};
