// The client's process-wide set-up and shutdown, shared by orvc.exe and the
// headless client: crash handler, folders and machine values, the network,
// settings, language, history log and worker thread; then, at the end, the
// shutdown steps in their fixed order.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class SpeechEngine;

// Start-up failures (0 is success).
constexpr int kStartupNetworkFailed = -1;
constexpr int kStartupLanguageFailed = -5;

// Sets the process up. userDirOverride replaces the per-user data folder
// (tests and the headless client). Returns 0 or a negative failure code:
// -1 network, -2/-3/-4 folders and machine values, -5 language.
int initEnvironment(const std::string& userDirOverride = {});

// The speech start, once the language is loaded: starts the speech layer on `engines` (the
// system's, or the headless client's choice) and initialises it from the
// settings. The recording engine of ORVC_SPEECH_LOG takes the engines' place
// when recordingMayReplace is set. False when no engine can speak or the
// recording file cannot be opened: the programs then stop with "Unable to
// initialize UniversalSpeech".
bool initSpeech(std::vector<std::unique_ptr<SpeechEngine>> engines, bool recordingMayReplace = true);

// After the settings went back to their defaults: the automatic engine
// choice, then the initialisation again.
bool restartSpeech();

// The shutdown after the message loop: history log, settings, connection,
// sound, network, with their log lines, ending with "*END*". afterDisconnect runs
// once the connection is closed and before the network is torn down (the
// programs wait there for their connection thread).
void shutdownClient(const std::function<void()>& afterDisconnect = {});
