// Carrying out the history's decisions.
#include "client/ui/history/HistoryOwner.h"

#include "client/core/Language.h"
#include "client/ui/history/PresentationDefaults.h"
#include "client/ui/history/PresentationFiles.h"

namespace {

constexpr int kKeyPageUp = 0x21;   // VK_PRIOR
constexpr int kKeyPageDown = 0x22; // VK_NEXT
constexpr unsigned kUnknownChannelToneHz = 800;
constexpr unsigned kUnknownChannelToneMs = 150;

} // namespace

HistoryOwner::HistoryOwner(HistoryDisplay& display, SpeechOutput& speech, Send send, Clock clock)
    : display_(display), speech_(speech), send_(std::move(send)), clock_(std::move(clock))
{
}

void HistoryOwner::loadPresentation(int serverIndex, int protocol, bool dark)
{
    history_.setPresentation(::loadPresentation(serverIndex, defaultPresentation(protocol, dark, builtInResource)));
}

void HistoryOwner::add(std::wstring text, int channelArgument)
{
    const bool foreground = display_.windowActive() || display_.boxOpen();
    const HistoryAddition a = history_.add(std::move(text), channelArgument, foreground);
    if (a.unknownChannel) display_.tone(kUnknownChannelToneHz, kUnknownChannelToneMs);
    if (a.speak) speech_.say(a.spoken, a.interrupt);
    if (a.kept) display_.appendMessage(a.segments);
}

void HistoryOwner::flash(int channel, int count)
{
    if (count > 0 && history_.flashes(channel, display_.windowActive())) display_.flash(static_cast<unsigned>(count));
}

void HistoryOwner::reviewKey(int virtualKey, bool shift, bool control)
{
    const int step = shift || control ? kReviewToEnd : 1;
    if (virtualKey == kKeyPageUp) reviewMove(-step);
    else if (virtualKey == kKeyPageDown) reviewMove(step);
}

void HistoryOwner::reviewMove(int delta)
{
    const std::optional<std::wstring> text = history_.reviewMove(delta);
    if (!text) return;
    speech_.say(*text, true);
    speech_.braille(*text);
}

void HistoryOwner::changeView(int n, bool absolute)
{
    const ViewChange change = history_.changeView(n, absolute);
    if (!change.changed) {
        display_.refusalBeep();
        return;
    }
    speech_.say(change.name, true);
}

void HistoryOwner::copyView()
{
    display_.setClipboard(history_.viewText());
    speech_.say(translate("copied"), true);
}

void HistoryOwner::copyReviewedMessage()
{
    const HistoryMessage* message = history_.reviewedMessage();
    if (!message) {
        display_.refusalBeep();
        return;
    }
    display_.setClipboard(message->text);
    speech_.say(translate("copied"), true);
}

void HistoryOwner::sendReviewedMessage()
{
    const std::optional<std::string> line = history_.lineToServer();
    if (!line) {
        display_.refusalBeep();
        return;
    }
    send_(*line);
}

void HistoryOwner::report(int view)
{
    const std::optional<std::string> text = history_.report(view, clock_());
    if (!text) {
        display_.refusalBeep();
        return;
    }
    send_(*text);
}

void HistoryOwner::clear()
{
    history_.clear();
    display_.clearMessages();
}

void HistoryOwner::toggleMute()
{
    history_.setMuted(!history_.muted());
    speech_.say(translate(history_.muted() ? "disabled" : "enabled"), true);
}
