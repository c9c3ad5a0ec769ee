// Windows's engines in the order of the automatic choice: the screen reader
// the player runs comes before the synthesiser.
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"
#include "platform/speech/win32/WindowsEngines.h"

std::vector<std::unique_ptr<SpeechEngine>> systemSpeechEngines()
{
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    engines.push_back(makeJawsEngine());
    engines.push_back(makeNvdaEngine());
    engines.push_back(makeSapiEngine());
    return engines;
}
