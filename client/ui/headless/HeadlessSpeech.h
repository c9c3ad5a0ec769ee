// The headless client's speech: the recording engine printing "spoken:" and
// "braille:" lines (or writing ORVC_SPEECH_LOG), or speech-dispatcher.
#pragma once

#include <functional>
#include <string>

// Whether the name is one of the choices of "--speech": "log" or "spd".
bool isHeadlessSpeechChoice(const std::string& choice);

// Starts and initialises speech for the choice ("" is "log"). "log": the
// recording engine of ORVC_SPEECH_LOG when set, else one printing through
// printLine. "spd": speech-dispatcher, started by libspeechd when it is
// installed and not running. False, with a reason on stderr, when speech
// cannot start.
bool startHeadlessSpeech(const std::string& choice, const std::function<void(const std::string&)>& printLine);
