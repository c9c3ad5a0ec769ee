// Appending to the rich-edit history, and the window's other history duties.
#include "client/ui/win32/HistoryControl.h"

#include <richedit.h>

#include <cstring>

#include "client/core/Settings.h"
#include "client/ui/win32/MainWindow.h"

namespace {

LONG textLength(HWND edit)
{
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<LONG>(SendMessageW(edit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
}

} // namespace

CHARFORMAT2W segmentFormat(const TextFormat& format, bool colours)
{
    CHARFORMAT2W cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_PROTECTED | CFM_LINK | CFM_SUBSCRIPT;
    cf.dwEffects = format.effects & ~static_cast<DWORD>(CFE_AUTOCOLOR);
    if (colours) {
        cf.dwMask |= CFM_COLOR;
        cf.dwEffects |= format.effects & CFE_AUTOCOLOR;
        cf.crTextColor = format.color;
    }
    return cf;
}

void HistoryControl::appendMessage(const std::vector<Segment>& segments)
{
    HWND edit = window_.history();
    if (!edit) return;
    CHARRANGE kept{};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    const LONG end = textLength(edit);
    CHARRANGE caret{end, end};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"\r\n"));

    const bool colours = !settings().styleDisableHistoryColors;
    for (const Segment& s : segments) {
        CHARFORMAT2W cf = segmentFormat(s.format, colours);
        SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
        SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(s.text.c_str()));
    }

    // The player reading the history keeps their place; otherwise the
    // newest line is in view.
    if (GetFocus() == edit) SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    else SendMessageW(edit, WM_VSCROLL, SB_BOTTOM, 0);
}

void HistoryControl::clearMessages()
{
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

std::wstring HistoryControl::text() const
{
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
