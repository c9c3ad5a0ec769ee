// Printing what the history shows.
#include "client/ui/headless/HeadlessHistory.h"

#include "client/ui/headless/HeadlessOwners.h"
#include "common/utf8.h"

void HeadlessHistory::appendMessage(const std::vector<Segment>& segments)
{
    std::wstring shown;
    for (const Segment& s : segments) shown += s.text;
    frontEnd_.show("history", printable(common::wideToUtf8(shown)));
}

void HeadlessHistory::clearMessages() { frontEnd_.show("history", "(cleared)"); }

void HeadlessHistory::setClipboard(const std::wstring& text)
{
    frontEnd_.show("clipboard", printable(common::wideToUtf8(text)));
}

void HeadlessHistory::flash(unsigned count) { frontEnd_.show("flash", std::to_string(count)); }

void HeadlessHistory::refusalBeep() { frontEnd_.show("beep", "default"); }

void HeadlessHistory::tone(unsigned frequencyHz, unsigned milliseconds) { frontEnd_.beep(frequencyHz, milliseconds); }
