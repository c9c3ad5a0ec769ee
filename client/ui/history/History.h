// The history of what the server said: the list of messages with their
// channels, the presentation that decides how each is spoken and shown, the
// current view and the review cursor. It decides; the window (or the
// headless front-end) speaks, draws, beeps and copies as it is told. Used on
// the GUI thread only.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "client/ui/history/MessageFormat.h"
#include "client/ui/history/Presentation.h"

// Set in a channel argument by "sai" (and by plug-ins): speak this message
// with interruption whatever the channel says.
inline constexpr int kChannelArgInterrupt = 0x1000000;
inline constexpr int kChannelNumberMask = 0x1F;

// Review deltas of Page Up / Page Down with Control or Shift: to the first or
// last message of the view.
inline constexpr int kReviewToEnd = 1000000000;

// Reports of the same history are at least this far apart.
inline constexpr std::chrono::seconds kHistoryReportInterval{30};

struct HistoryMessage {
    int channel = 0;
    std::wstring text; // as received, inline codes included
};

// What adding a message asks of the front-end, in this order: beep for an
// unknown channel, speak, then show the segments on a new line.
struct HistoryAddition {
    bool unknownChannel = false; // beep 800 Hz, 150 ms
    bool speak = false;
    bool interrupt = false;
    std::wstring spoken;
    bool kept = false; // shown and added to the review list
    std::vector<Segment> segments;
};

// A view chosen (its name is spoken with interruption) or refused (a beep).
struct ViewChange {
    bool changed = false;
    std::wstring name;
};

class History {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    const Presentation& presentation() const { return presentation_; }
    // Replaces the presentation (a server entry was chosen, the options
    // changed it); messages, view number and cursor stay.
    void setPresentation(Presentation presentation);

    // A message of the server (or of the client itself). The channel
    // argument holds the channel number in its low five bits and may carry
    // kChannelArgInterrupt. Foreground: the main window is active or a box
    // is open. Kept messages are also written to the history log when it is
    // open. A channel the presentation does not define beeps; its message is
    // then spoken in the foreground and kept in the plain format (automatic
    // colour, no effects), so that nothing the server said is lost.
    HistoryAddition add(std::wstring text, int channelArgument, bool foreground);

    const std::vector<HistoryMessage>& messages() const { return messages_; }

    // Speech mute (new messages are not spoken; review still speaks).
    bool muted() const { return muted_; }
    void setMuted(bool muted) { muted_ = muted; }

    // Whether the channel's sounds play, and whether "flsh" flashes the
    // window (only when it is not active). playsSounds may be asked from any
    // thread: sounds are played from the connection thread.
    bool playsSounds(int channel, bool foreground) const;
    bool flashes(int channel, bool windowActive) const;

    // Moves the review cursor by delta messages of the current view (see
    // kReviewToEnd) and returns the text to speak with interruption and show
    // in braille: the message now under the cursor, stripped of control
    // characters, when it belongs to the view. Nothing while the list is
    // empty.
    std::optional<std::wstring> reviewMove(int delta);
    int reviewCursor() const { return cursor_; }

    // Chooses view n, or the current one plus n when not absolute.
    ViewChange changeView(int n, bool absolute);
    int currentView() const { return view_; }
    std::uint32_t viewMask(int view) const;

    // The texts of the current view's messages, each followed by CR LF.
    std::wstring viewText() const;
    // The saved form of a view other than 0: each message in UTF-8 on a line.
    std::string viewFileText(int view) const;
    // The message under the review cursor, when there is one.
    const HistoryMessage* reviewedMessage() const;
    // "hlin " and the reviewed message for the server; nothing without one.
    std::optional<std::string> lineToServer() const;
    // The report of view n for the server ("HistoryReport " and the view's
    // texts, each followed by CR LF), or nothing (a beep) within 30 seconds
    // of the last report.
    std::optional<std::string> report(int view, TimePoint now);

    // Empties the list; the cursor keeps its value.
    void clear() { messages_.clear(); }

private:
    std::wstring joinView(std::uint32_t mask) const;

    Presentation presentation_;
    // The channels' flags once more, for the threads that ask about sounds
    // while the GUI thread may be replacing the presentation.
    std::unique_ptr<std::array<std::atomic<std::uint32_t>, kChannelNumberMask + 1>> soundFlags_ =
        std::make_unique<std::array<std::atomic<std::uint32_t>, kChannelNumberMask + 1>>();
    std::vector<HistoryMessage> messages_;
    int view_ = 0;
    int cursor_ = -1;
    bool muted_ = false;
    std::optional<TimePoint> lastReport_;
};
