// Outside Windows the programs choose their engine themselves
// (speech-dispatcher or the recording engine): the system offers none here.
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"

std::vector<std::unique_ptr<SpeechEngine>> systemSpeechEngines() { return {}; }
