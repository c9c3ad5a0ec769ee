// The engines of Windows: JAWS through its automation object, NVDA through
// UI Automation notifications, the SAPI 5 synthesiser. Each talks to COM on
// a thread of its own, so a slow or hanging server never holds up the
// client's windows.
#pragma once

#include <memory>

#include "platform/speech/SpeechEngine.h"

std::unique_ptr<SpeechEngine> makeJawsEngine();
std::unique_ptr<SpeechEngine> makeNvdaEngine();
std::unique_ptr<SpeechEngine> makeSapiEngine();
