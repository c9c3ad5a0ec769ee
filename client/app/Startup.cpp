// Start-up and shutdown steps of the client process.
#include "client/app/Startup.h"

#include "client/app/ClientAudio.h"
#include "client/core/CrashHandler.h"
#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "client/core/HistoryLog.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/net/Connection.h"
#include "client/net/Network.h"
#include "client/net/WorkerThread.h"
#include "client/ui/speech/SpeechSetup.h"
#include "platform/speech/RecordingEngine.h"
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"

int initEnvironment(const std::string& userDirOverride)
{
    installCrashHandler();

    // The folders come before the network: the optional "cacerts.pem" of a
    // private certificate authority lives in the per-user data folder.
    const int folders = prepareEnvironment(userDirOverride);
    if (folders != 0) return folders;
    if (!initNetwork(environment().userDir + "cacerts.pem")) return kStartupNetworkFailed;

    debugLog("Loading config...");
    loadSettings();
    debugLog("Loading language...");
    if (!loadLanguage(true)) {
        debugLog("Failed to load language file !");
        return kStartupLanguageFailed;
    }
    if (settings().logOn) openHistoryLog();

    debugLog("Creating worker thread...");
    worker();
    return 0;
}

bool initSpeech(std::vector<std::unique_ptr<SpeechEngine>> engines, bool recordingMayReplace)
{
    if (recordingMayReplace) {
        bool requested = false;
        std::unique_ptr<SpeechEngine> recording = recordingEngineFromEnvironment(requested);
        if (requested) {
            // A test that asked for the record must not run on unrecorded.
            engines.clear();
            if (recording) engines.push_back(std::move(recording));
        }
    }
    setSpeechEngines(std::move(engines));
    return speechSetup().initialize(settings());
}

bool restartSpeech() { return speechSetup().restart(settings()); }

void shutdownClient(const std::function<void()>& afterDisconnect)
{
    debugLog("Exiting app main loop");
    closeHistoryLog();
    debugLog("Saving config...");
    keepAudioSettings();
    saveSettings();
    debugLog("Disconnecting...");
    theConnection().close();
    if (afterDisconnect) afterDisconnect();
    // Nothing plays any more once the connection thread has ended.
    closeClientAudio();
    debugLog("Closing WSA socket runtime");
    closeNetwork();
    // Engines speaking on threads of their own end them here.
    speechStop();
    debugLog("*END*");
}
