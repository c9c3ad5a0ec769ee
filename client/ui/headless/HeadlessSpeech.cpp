// The engines of the headless client's "--speech" choices.
#include "client/ui/headless/HeadlessSpeech.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "client/app/Startup.h"
#include "platform/speech/RecordingEngine.h"
#include "platform/speech/SpeechEngine.h"
#ifdef ORVC_HAVE_SPEECHD
#include "platform/speech/posix/SpeechDispatcherEngine.h"
#endif

bool isHeadlessSpeechChoice(const std::string& choice) { return choice == "log" || choice == "spd"; }

bool startHeadlessSpeech(const std::string& choice, const std::function<void(const std::string&)>& printLine)
{
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    if (choice == "spd") {
#ifdef ORVC_HAVE_SPEECHD
        std::string error;
        std::unique_ptr<SpeechEngine> engine = openSpeechDispatcher(true, error);
        if (!engine) {
            std::fprintf(stderr, "speech-dispatcher: %s\n", error.c_str());
            return false;
        }
        engines.push_back(std::move(engine));
        return initSpeech(std::move(engines), false);
#else
        std::fprintf(stderr, "speech-dispatcher: not built in (libspeechd-dev was missing)\n");
        return false;
#endif
    }
    engines.push_back(printingRecordingEngine(printLine));
    return initSpeech(std::move(engines), true);
}
