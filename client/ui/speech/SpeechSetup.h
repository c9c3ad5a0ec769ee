// How the client sets the speech library up from the settings and adapts to
// the engine it found: self-speaking menus for the synthesiser, plain
// controls, JAWS's configuration file, the screen-reader description of the
// login; and the speech keys Control+F6 to Control+F8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "client/ui/speech/SpeechLibrary.h"

struct Settings;

// "major.minor.build" read as "%d.%d.%d" would read it: parts that are
// missing keep 4, 0 and 0.
std::array<int, 3> readScreenReaderVersion(std::wstring_view text);

// The 64-bit screen-reader description of the login for a packed version
// (major, minor, build; all zero without a screen reader) and an engine.
std::uint64_t screenReaderDescription(const std::array<int, 3>& version, bool known, int engine);

class SpeechSetup {
public:
    explicit SpeechSetup(SpeechLibrary& library) : library_(library) {}

    // The initialisation at start-up: starts the library, sets the values of
    // the settings, reads the engine and adapts to it; logs each step.
    // Engines 1 and 6 turn the two colour settings off in `settings`. False
    // only when the library cannot start.
    bool initialize(Settings& settings);

    // After the settings went back to their defaults: the automatic engine
    // choice, then initialize.
    bool restart(Settings& settings);

    // One or more steps of a twentieth of the value's range (base number p:
    // volume, rate, pitch or inflexion), clamped into the range; returns the
    // new value in percent of the range, or 0 with nothing changed when the
    // engine does not support the value.
    int adjustSpeechValue(int p, int steps);

    // Control+F6: the synthesiser's next voice, or back to the automatic
    // choice after the last one ("sapidisabled"). Updates "sr.engine" and
    // "sr.voice", speaks and returns what it spoke.
    std::wstring nextVoice(Settings& settings);

    // Control+F7 (-1) and Control+F8 (+1): the rate by one step; speaks and
    // returns the new percentage ("%d%%").
    std::wstring changeRate(int steps);

    // The main window's speech commands 1008 (next voice), 1009 (rate up)
    // and 1010 (rate down): runs it and returns what it spoke; false for any
    // other command (the mute switch 1033 belongs to the history).
    bool runSpeechCommand(int command, Settings& settings, std::wstring& spoken);

    // Engine 0 chosen: JAWS present, its configuration file written when it
    // has none, the description from JAWS's version.
    void setUpJaws();

    // Reads the active engine again for the self-speaking flag (after the
    // engine was chosen in the options).
    void updateSelfSpeaking();

    // The state other parts read.
    bool selfSpeaking() const { return selfSpeaking_; }
    bool plainControls() const { return plainControls_; }
    bool jawsPresent() const { return jawsPresent_; }
    std::uint64_t screenReaderDescription() const { return description_; }
    int engine() const { return engine_; }

private:
    void takeVersion(const std::wstring& text, const char* logPrefix, bool yearNumbered);

    SpeechLibrary& library_;
    bool selfSpeaking_ = false;
    bool plainControls_ = false;
    bool jawsPresent_ = false;
    std::array<int, 3> version_{0, 0, 0};
    bool versionKnown_ = false;
    std::uint64_t description_ = 0;
    int engine_ = -1;
};

// The process-wide set-up over the speech layer.
SpeechSetup& speechSetup();
