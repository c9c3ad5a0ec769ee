// The real menu list under a long menu: "menu" of 1,000 and of 10,000 items
// applied and painted in the main window's owner-drawn list box, and "mupi"
// on the 10,000-item menu, each moving the cursor far down the list. Prints
// the median and worst times with goals.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "client/core/Environment.h"
#include "client/core/Settings.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/MenuList.h"
#include "client/ui/win32/Win32FrontEnd.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Quiet : SpeechOutput, MenuReplies {
    void say(const std::wstring&, bool) override {}
    void braille(const std::wstring&) override {}
    void choice(int, int, const std::string&) override {}
    void cancel(int) override {}
    void menuKey(int, int, int, const std::string&) override {}
    void key(int) override {}
};

std::string description(int id, int count)
{
    std::string s = std::to_string(id) + "\x7F" "1\x7F" + std::to_string(count) + "\x7F" "0\x7F" "2\x7F";
    for (int i = 0; i < count; ++i) s += "\x7FPlayer " + std::to_string(i) + "\x7Fp" + std::to_string(i) + "\x7Fnull\x7F#3 _1";
    return s;
}

void pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void report(const char* what, std::vector<double>& ms, double goal)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-40s median %8.2f ms  worst %8.2f ms  goal %6.0f ms\n", what, ms[ms.size() / 2], ms.back(), goal);
}

} // namespace

int main()
{
    Win32FrontEnd front;
    setFrontEnd(&front);
    setDefaultSettings();
    LoadLibraryW(L"riched20.dll");
    MainWindow::registerClass(GetModuleHandleW(nullptr));
    MainWindow window;
    if (!window.create(GetModuleHandleW(nullptr))) return 1;
    front.setMainWindow(window.handle());
    MoveWindow(window.handle(), 0, 0, 1000, 700, TRUE);
    MenuList list(window, [] { return std::vector<std::uint32_t>{0x0000FF, 0x00FF00, 0xFF0000, 0x808080}; },
                  [] { return false; });
    Quiet quiet;
    MenuOwner menus(list, quiet, quiet, [](const std::wstring&, int) {}, [] { return false; });
    list.setMenus(&menus);
    window.setMenus(&menus, &list);
    pump();

    const auto shown = [&](const std::string& text, int mode) {
        const auto start = Clock::now();
        menus.menuUpdate(text, mode);
        UpdateWindow(window.list());
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    for (const int count : {1000, 10000}) {
        const std::string text = description(count, count);
        std::vector<double> ms;
        for (int i = 0; i < 10; ++i) {
            menus.menuClose(0);
            pump();
            ms.push_back(shown(text, 1));
        }
        report(count == 1000 ? "\"menu\" of 1,000 items shown" : "\"menu\" of 10,000 items shown", ms,
               count == 1000 ? 30 : 300);
    }
    // Where the time goes: filling the list box alone, and the model alone.
    {
        std::vector<double> fill, model;
        for (int i = 0; i < 5; ++i) {
            auto start = Clock::now();
            list.fillList(menus.top());
            fill.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            Menu copy;
            const std::string text = description(10000, 10000);
            start = Clock::now();
            parseMenuDescription(text, copy);
            model.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        report("  of which: filling 10,000 lines", fill, 300);
        report("  of which: reading 10,000 items", model, 300);
    }
    std::vector<double> ms;
    for (int i = 0; i < 50; ++i) {
        ms.push_back(shown(std::to_string(i * 197 % 10000) + "\x7F" "Changed\x7Ftag\x7Fnull\x7F#2", 0));
    }
    report("\"mupi\" on 10,000 items shown", ms, 5);
    // Where a far "mupi" goes: the lines shown anew, and the scroll bar's
    // thumb drawn where it moved (Wine's themes draw a scroll bar slowly).
    {
        HWND list = window.list();
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        GetScrollInfo(list, SB_VERT, &info);
        std::vector<double> bar, lines;
        for (int i = 0; i < 50; ++i) {
            auto start = Clock::now();
            SetScrollInfo(list, SB_VERT, &info, TRUE);
            bar.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            start = Clock::now();
            InvalidateRect(list, nullptr, TRUE);
            UpdateWindow(list);
            lines.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        report("  of which: the visible lines painted", lines, 5);
        report("  of which: the scroll bar drawn", bar, 5);
    }
    window.setMenus(nullptr, nullptr);
    DestroyWindow(window.handle());
    return 0;
}
