// Finding a client that already runs.
#include "client/ui/win32/SingleInstance.h"

#include "client/ui/win32/MainWindow.h"

namespace {

// A client hung in a long operation still counts as not answering after
// this long, so that a new start is not stuck behind it.
constexpr UINT kAnswerTimeoutMs = 3000;

struct Search {
    HWND self;
    HWND found = nullptr;
};

BOOL CALLBACK visit(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    if (window == search->self) return TRUE;
    wchar_t name[64];
    if (GetClassNameW(window, name, 64) == 0 || lstrcmpW(name, kMainWindowClass) != 0) return TRUE;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, kInstanceQueryMessage, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer)
        && answer != 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND findRunningClient(HWND self)
{
    Search search{self};
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void bringForward(HWND window)
{
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}
