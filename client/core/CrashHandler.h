// The last-resort handler of faults: it tells a player who may not see the
// screen, by a short tune on the beeper and a message box, that the program
// is ending, writes the fact to the diagnostic log and ends the process with
// exit code 1.
#pragma once

#include <array>

// One note of the crash tune; a frequency of 0 is a pause.
struct CrashNote {
    unsigned frequencyHz;
    unsigned milliseconds;
};

// The frequency of note n (0 = C) in octave o, counted so that note 9 of
// octave 0 is 440 Hz: 440 × 2^((n + 12·o + 3) / 12) Hz, truncated.
unsigned crashNoteFrequency(int note, int octave);

// The tune: 1567, 1318, 1760, 1567, 1318, 1174, pause, 1174, pause, 783,
// pause, 783, pause, 1046 Hz.
const std::array<CrashNote, 14>& crashTune();

// Writes "Crash !" to the diagnostic log, plays the tune, shows the "crash"
// box (title "crash2", icon error) through the front-end when one is
// installed, writes "Crash: exit process" and ends the process with exit
// code 1. Never returns. A fault inside the handler ends the process at
// once; a second thread that faults meanwhile waits for the first report.
[[noreturn]] void crashHandler();

// Installs crashHandler for access violations and the other fatal signals
// (illegal instruction, arithmetic fault, abort, bus error where it exists),
// as the terminate handler, and on Windows as the unhandled-exception filter.
void installCrashHandler();

// The platform part of installCrashHandler (win32/ or posix/).
void installPlatformCrashHooks();
