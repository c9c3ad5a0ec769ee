// Appending to the rich-edit history, and the window's other history duties.
#include "client/ui/win32/HistoryControl.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "client/core/Settings.h"
#include "client/ui/history/HistoryRtf.h"
#include "client/ui/win32/MainWindow.h"

namespace {

struct RtfSource {
    const std::string* text;
    std::size_t at;
};

// Hands the control the next piece of the RTF.
DWORD CALLBACK readRtf(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* given)
{
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const std::size_t n = std::min(static_cast<std::size_t>(size), source->text->size() - source->at);
    std::memcpy(buffer, source->text->data() + source->at, n);
    source->at += n;
    *given = static_cast<LONG>(n);
    return 0;
}

LONG textLength(HWND edit)
{
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

} // namespace

HistoryControl::HistoryControl(MainWindow& window, Clock clock) : window_(window), clock_(std::move(clock))
{
    window_.setHistoryControl(this);
}

HistoryControl::~HistoryControl()
{
    if (window_.handle()) {
        KillTimer(window_.handle(), kHistoryRedrawTimer);
        KillTimer(window_.handle(), kHistoryFlushTimer);
    }
    window_.setHistoryControl(nullptr);
}

void HistoryControl::appendMessage(const std::vector<Segment>& segments)
{
    pending_.push_back(segments);
    askTurn();
}

void HistoryControl::askTurn()
{
    if (flushPosted_ || !window_.handle()) return;
    // Posted messages come before input: while keys or clicks wait, the
    // next turn comes by a timer, which comes after them.
    if (GetQueueStatus(QS_INPUT) != 0) {
        flushPosted_ = SetTimer(window_.handle(), kHistoryFlushTimer, USER_TIMER_MINIMUM, nullptr) != 0;
    } else {
        flushPosted_ = PostMessageW(window_.handle(), kFlushHistoryMessage, 0, 0) != 0;
    }
}

void HistoryControl::flush() { insertWaiting(std::chrono::steady_clock::time_point::max()); }

void HistoryControl::flushTurn() { insertWaiting(clock_() + std::chrono::milliseconds(kTurnMs)); }

void HistoryControl::timer(UINT_PTR id)
{
    if (id == kHistoryFlushTimer) {
        KillTimer(window_.handle(), kHistoryFlushTimer);
        flushTurn();
    } else if (id == kHistoryRedrawTimer) {
        if (HWND edit = window_.history()) redraw(edit);
    }
}

void HistoryControl::redraw(HWND edit)
{
    if (redrawPending_) KillTimer(window_.handle(), kHistoryRedrawTimer);
    redrawPending_ = false;
    SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(edit, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    lastRedraw_ = clock_();
}

void HistoryControl::insertWaiting(std::chrono::steady_clock::time_point until)
{
    if (flushPosted_ && window_.handle()) KillTimer(window_.handle(), kHistoryFlushTimer);
    flushPosted_ = false;
    HWND edit = window_.history();
    if (pending_.empty() || !edit) {
        pending_.clear();
        return;
    }
    CHARRANGE kept{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    LONG end = textLength(edit);
    SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
    // The control's RTF reader slows down more than in proportion to the
    // length of what it reads: the batch goes in pieces of a few hundred.
    std::size_t first = 0;
    do {
        const std::size_t count = std::min(kMessagesPerInsertion, pending_.size() - first);
        end += insert(edit, end, std::vector<std::vector<Segment>>(pending_.begin() + first, pending_.begin() + first + count));
        first += count;
    } while (first < pending_.size() && clock_() < until);
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(first));

    // The player reading the history keeps their place; otherwise the
    // newest line is in view.
    if (GetFocus() == edit) {
        SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    } else {
        CHARRANGE last{end, end};
        SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&last));
        SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
    }

    // At once after a quiet spell; during a flood, once per interval.
    const auto now = clock_();
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastRedraw_).count();
    if (since >= kRedrawIntervalMs || since < 0) {
        redraw(edit);
    } else if (!redrawPending_) {
        redrawPending_ = SetTimer(window_.handle(), kHistoryRedrawTimer, static_cast<UINT>(kRedrawIntervalMs - since), nullptr) != 0;
        if (!redrawPending_) redraw(edit);
    }
    if (!pending_.empty()) askTurn();
}

LONG HistoryControl::insert(HWND edit, LONG end, const std::vector<std::vector<Segment>>& messages)
{
    const Settings& s = settings();
    const HistoryRtf batch = historyRtf(messages, s.styleFontName, s.styleFontSize, !s.styleDisableHistoryColors);
    CHARRANGE caret{end, end};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    RtfSource source{&batch.rtf, 0};
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, readRtf};
    SendMessageW(edit, EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&stream));
    for (const auto& [start, stop] : batch.links) {
        CHARRANGE range{end + start, end + stop};
        SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        // RTF readers differ on protection; the control is told directly.
        CHARFORMAT2W link{};
        link.cbSize = sizeof link;
        link.dwMask = CFM_LINK | CFM_PROTECTED;
        link.dwEffects = CFE_LINK | CFE_PROTECTED;
        SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&link));
    }
    return batch.length;
}

void HistoryControl::clearMessages()
{
    pending_.clear();
    if (HWND edit = window_.history(); edit && redrawPending_) redraw(edit);
    if (HWND edit = window_.history()) SetWindowTextW(edit, L"");
}

void HistoryControl::setClipboard(const std::wstring& text)
{
    if (!OpenClipboard(window_.handle())) return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            // The clipboard owns the memory once it took it.
            if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
        } else {
            GlobalFree(memory);
        }
    }
    CloseClipboard();
}

void HistoryControl::flash(unsigned count)
{
    FLASHWINFO info{sizeof info, window_.handle(), FLASHW_ALL, count, 0};
    FlashWindowEx(&info);
}

void HistoryControl::refusalBeep() { MessageBeep(0); }

void HistoryControl::tone(unsigned frequencyHz, unsigned milliseconds) { Beep(frequencyHz, milliseconds); }

bool HistoryControl::windowActive() const { return window_.isActive(); }

bool HistoryControl::boxOpen() const { return boxes_ > 0; }

std::wstring HistoryControl::text()
{
    flush();
    HWND edit = window_.history();
    if (!edit) return {};
    GETTEXTLENGTHEX length{GTL_USECRLF | GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT size = SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::wstring out(static_cast<std::size_t>(size) + 1, L'\0');
    GETTEXTEX get{static_cast<DWORD>(out.size() * sizeof(wchar_t)), GT_USECRLF, 1200, nullptr, nullptr};
    const LRESULT got = SendMessageW(edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get), reinterpret_cast<LPARAM>(out.data()));
    out.resize(static_cast<std::size_t>(got));
    return out;
}
