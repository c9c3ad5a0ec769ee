// The history's decisions: speaking, keeping, review, views and reports.
#include "client/ui/history/History.h"

#include <algorithm>

#include "client/core/HistoryLog.h"
#include "common/utf8.h"

namespace {

const HistoryChannel kPlainChannel{kChannelSpeakForeground, kEffectAutoColor, 0, L""};

} // namespace

HistoryAddition History::add(std::wstring text, int channelArgument, bool foreground)
{
    HistoryAddition out;
    const int channel = channelArgument & kChannelNumberMask;
    const bool known = static_cast<std::size_t>(channel) < presentation_.channels.size();
    const HistoryChannel& settings = known ? presentation_.channels[static_cast<std::size_t>(channel)] : kPlainChannel;
    out.unknownChannel = !known;
    std::uint32_t flags = settings.flags;
    if (channelArgument & kChannelArgInterrupt) flags |= kChannelInterrupt;

    const std::uint32_t speakBit = foreground ? kChannelSpeakForeground : kChannelSpeakBackground;
    if (!muted_ && (flags & speakBit)) {
        out.speak = true;
        out.interrupt = (flags & kChannelInterrupt) != 0;
        out.spoken = speakableText(text);
    }
    if (flags & kChannelHidden) return out;

    out.kept = true;
    out.segments = formatMessage(text, settings, presentation_.palette);
    writeHistoryLog(text);
    messages_.push_back(HistoryMessage{channel, std::move(text)});
    return out;
}

void History::setPresentation(Presentation presentation)
{
    presentation_ = std::move(presentation);
    for (std::size_t channel = 0; channel < soundFlags_->size(); ++channel) {
        (*soundFlags_)[channel] = channel < presentation_.channels.size() ? presentation_.channels[channel].flags : 0;
    }
}

bool History::playsSounds(int channel, bool foreground) const
{
    // A channel the presentation does not define plays nothing.
    if (channel < 0 || static_cast<std::size_t>(channel) >= soundFlags_->size()) return false;
    const std::uint32_t bit = foreground ? kChannelSoundForeground : kChannelSoundBackground;
    return ((*soundFlags_)[static_cast<std::size_t>(channel)] & bit) != 0;
}

bool History::flashes(int channel, bool windowActive) const
{
    return !windowActive && playsSounds(channel & kChannelNumberMask, false);
}

std::uint32_t History::viewMask(int view) const
{
    if (view < 0 || static_cast<std::size_t>(view) >= presentation_.views.size()) return 0;
    return presentation_.views[static_cast<std::size_t>(view)].mask;
}

std::optional<std::wstring> History::reviewMove(int delta)
{
    if (messages_.empty()) return std::nullopt;
    const View view{viewMask(view_), L""};
    const long size = static_cast<long>(messages_.size());
    const int direction = delta > 0 ? 1 : -1;
    long steps = delta > 0 ? delta : -static_cast<long>(delta);
    // The cursor may lie past the end after the history was cleared.
    const long start = std::min<long>(cursor_, size);
    long at = start;
    for (long i = at + direction; steps > 0 && i >= 0 && i < size; i += direction) {
        if (view.contains(messages_[static_cast<std::size_t>(i)].channel)) {
            at = i;
            --steps;
        }
    }
    if (at != start) cursor_ = static_cast<int>(at);
    const HistoryMessage* message = reviewedMessage();
    if (!message || !view.contains(message->channel)) return std::nullopt;
    return speakableText(message->text);
}

ViewChange History::changeView(int n, bool absolute)
{
    const long target = absolute ? n : static_cast<long>(view_) + n;
    if (target < 0 || target >= static_cast<long>(presentation_.views.size())) return {};
    view_ = static_cast<int>(target);
    return ViewChange{true, presentation_.views[static_cast<std::size_t>(view_)].name};
}

std::wstring History::joinView(std::uint32_t mask) const
{
    const View view{mask, L""};
    std::wstring out;
    for (const HistoryMessage& m : messages_) {
        if (!view.contains(m.channel)) continue;
        out += m.text;
        out += L"\r\n";
    }
    return out;
}

std::wstring History::viewText() const { return joinView(viewMask(view_)); }

std::string History::viewFileText(int view) const { return common::wideToUtf8(joinView(viewMask(view))); }

const HistoryMessage* History::reviewedMessage() const
{
    if (cursor_ < 0 || static_cast<std::size_t>(cursor_) >= messages_.size()) return nullptr;
    return &messages_[static_cast<std::size_t>(cursor_)];
}

std::optional<std::string> History::lineToServer() const
{
    const HistoryMessage* message = reviewedMessage();
    if (!message) return std::nullopt;
    return "hlin " + common::wideToUtf8(message->text);
}

std::optional<std::string> History::report(int view, TimePoint now)
{
    if (lastReport_ && now - *lastReport_ < kHistoryReportInterval) return std::nullopt;
    lastReport_ = now;
    return "HistoryReport " + common::wideToUtf8(joinView(viewMask(view)));
}
