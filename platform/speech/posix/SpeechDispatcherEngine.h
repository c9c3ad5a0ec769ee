// The speech-dispatcher engine: the synthesiser of a Linux desktop, reached
// through libspeechd on a thread of its own. It answers as the synthesiser
// (engine 7): its output modules are the sub-engines, its voices the voices.
#pragma once

#include <memory>
#include <string>

#include "platform/speech/SpeechEngine.h"

// Connects to the speech-dispatcher daemon (the address of SPEECHD_ADDRESS,
// else the user's default socket); with autospawn, libspeechd may start the
// daemon first. Null, with the reason in `error`, when no daemon answers:
// connecting to a socket nobody listens on fails at once.
std::unique_ptr<SpeechEngine> openSpeechDispatcher(bool autospawn, std::string& error);
