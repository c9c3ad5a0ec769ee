// history_bench: the history of the real main window under a flood of
// server messages. A thread of its own, as the connection thread does, hands
// 100,000 "say" messages to the window's history as the server owners do;
// every 10,000 messages it waits until all of them are shown. The figures
// are the time per message overall and over each stretch, the peak memory
// of the process, and how long the window took to answer: a probe thread
// sends it a message every 10 ms and times the answer.
#include <windows.h>

#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "client/core/Environment.h"
#include "client/core/Settings.h"
#include "common/utf8.h"
#include "client/ui/win32/HistoryControl.h"
#include "client/ui/win32/MainWindow.h"
#include "client/ui/win32/ServerOwners.h"
#include "client/ui/win32/Win32FrontEnd.h"
#include "client/ui/win32/WindowOwners.h"

namespace {

class CountingSpeech : public SpeechOutput {
public:
    void say(const std::wstring&, bool) override { ++said; }
    void braille(const std::wstring&) override {}
    long said = 0;
};

double megabytes(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

} // namespace

int main(int argc, char** argv)
{
    const int total = argc > 1 ? std::atoi(argv[1]) : 100000;
    // The presentation files it writes go to a folder of its own.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"orvc-history-bench\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    Environment values;
    values.userDir = common::wideToUtf8(folder);
    setEnvironment(values);
    LoadLibraryW(L"riched20.dll");
    Win32FrontEnd front;
    setFrontEnd(&front);
    settings().userConfirmOnExit = false;
    setDefaultSettings();
    MainWindow::registerClass(GetModuleHandleW(nullptr));
    MainWindow window;
    if (!window.create(GetModuleHandleW(nullptr))) {
        std::fprintf(stderr, "no main window\n");
        return 1;
    }
    front.setMainWindow(window.handle());
    CountingSpeech speech;
    HistoryControl control(window);
    WindowOwners owners(window, control, speech);
    owners.loadPresentation();
    ServerOwners server(window);
    server.setHistory(&owners.history());

    using Clock = std::chrono::steady_clock;
    std::atomic<bool> done{false};
    std::thread sender([&] {
        const Clock::time_point start = Clock::now();
        Clock::time_point last = start;
        int lastCount = 0;
        std::printf("%9s %14s %14s\n", "messages", "us/message", "stretch us/msg");
        for (int i = 1; i <= total; ++i) {
            const int channel = i % 10;
            server.historyMessage(channel,
                                  L"Player " + std::to_wstring(i % 97) + L" says: message number " + std::to_wstring(i)
                                      + (i % 3 == 0 ? std::wstring(L"\x0C\x11 bold part") : std::wstring()),
                                  false);
            if (i % 10000 == 0 || i == total) {
                // Everything sent so far shown: the queue drained and the
                // control's batches added in the window's own turns.
                for (bool waiting = true; waiting; ) {
                    front.runInEDT([&] { waiting = control.waiting() > 0; });
                    if (waiting) Sleep(1);
                }
                const Clock::time_point now = Clock::now();
                const double all = std::chrono::duration<double, std::micro>(now - start).count() / i;
                const double stretch =
                    std::chrono::duration<double, std::micro>(now - last).count() / (i - lastCount);
                std::printf("%9d %14.1f %14.1f\n", i, all, stretch);
                std::fflush(stdout);
                last = now;
                lastCount = i;
            }
        }
        done = true;
        PostMessageW(window.handle(), WM_NULL, 0, 0);
    });
    std::vector<double> answers;
    std::atomic<bool> probed{false};
    std::thread probe([&] {
        while (!done) {
            const Clock::time_point asked = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window.handle(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
            answers.push_back(std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
            Sleep(10);
        }
        probed = true;
    });
    MSG msg;
    while (!done && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    sender.join();
    // The probe's last question is answered here.
    while (!probed) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(1);
    }
    probe.join();
    std::sort(answers.begin(), answers.end());
    if (!answers.empty()) {
        std::printf("window answered %zu probes: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n", answers.size(),
                    answers[answers.size() / 2], answers[answers.size() * 99 / 100], answers.back());
    }

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("messages kept %zu, spoken %ld, history characters %zu\n",
                owners.history().model().messages().size(), speech.said, control.text().size());
    std::printf("peak working set %.1f MB, peak private bytes %.1f MB\n", megabytes(memory.PeakWorkingSetSize),
                megabytes(memory.PeakPagefileUsage));
    DestroyWindow(window.handle());
    setFrontEnd(nullptr);
    return 0;
}
