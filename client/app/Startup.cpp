// Start-up and shutdown steps of the client process.
#include "client/app/Startup.h"

#include "client/core/CrashHandler.h"
#include "client/core/DebugLog.h"
#include "client/core/Environment.h"
#include "client/core/HistoryLog.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/net/Connection.h"
#include "client/net/Network.h"
#include "client/net/WorkerThread.h"

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

void shutdownClient(const std::function<void()>& afterDisconnect)
{
    debugLog("Exiting app main loop");
    closeHistoryLog();
    debugLog("Saving config...");
    saveSettings();
    debugLog("Disconnecting...");
    theConnection().close();
    if (afterDisconnect) afterDisconnect();
    debugLog("Closing WSA socket runtime");
    closeNetwork();
    debugLog("*END*");
}
