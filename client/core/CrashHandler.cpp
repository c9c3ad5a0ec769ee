// The crash report: log lines, the beeper tune and the box.
#include "client/core/CrashHandler.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <thread>

#include "client/core/DebugLog.h"
#include "client/core/Language.h"
#include "client/core/SystemInfo.h"
#include "client/frontend/FrontEnd.h"

namespace {

std::atomic<bool> reporting{false};
thread_local bool inHandler = false;

extern "C" void onFatalSignal(int) { crashHandler(); }

void sound(const CrashNote& note)
{
    if (note.frequencyHz == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(note.milliseconds));
    } else if (hasFrontEnd()) {
        frontEnd().beep(note.frequencyHz, note.milliseconds);
    } else {
        platformBeep(note.frequencyHz, note.milliseconds);
    }
}

} // namespace

unsigned crashNoteFrequency(int note, int octave)
{
    return static_cast<unsigned>(440.0 * std::pow(2.0, (note + 12 * octave + 3) / 12.0));
}

const std::array<CrashNote, 14>& crashTune()
{
    static const std::array<CrashNote, 14> tune = {{
        {crashNoteFrequency(7, 1), 400},
        {crashNoteFrequency(4, 1), 200},
        {crashNoteFrequency(9, 1), 200},
        {crashNoteFrequency(7, 1), 400},
        {crashNoteFrequency(4, 1), 400},
        {crashNoteFrequency(2, 1), 150},
        {0, 50},
        {crashNoteFrequency(2, 1), 150},
        {0, 50},
        {crashNoteFrequency(7, 0), 150},
        {0, 50},
        {crashNoteFrequency(7, 0), 150},
        {0, 50},
        {crashNoteFrequency(0, 1), 600},
    }};
    return tune;
}

void crashHandler()
{
    if (inHandler) std::_Exit(1);
    inHandler = true;
    if (reporting.exchange(true)) {
        // Another thread is already reporting and will end the process.
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    debugLogWhileCrashing("Crash !");
    for (const CrashNote& note : crashTune()) sound(note);
    if (hasFrontEnd()) {
        frontEnd().messageBox(translate("crash"), translate("crash2"), MessageBoxStyle::kIconError);
    }
    debugLogWhileCrashing("Crash: exit process");
    std::_Exit(1);
}

void installCrashHandler()
{
    for (const int sig : {SIGSEGV, SIGILL, SIGFPE, SIGABRT}) std::signal(sig, onFatalSignal);
    std::set_terminate(crashHandler);
    installPlatformCrashHooks();
}
