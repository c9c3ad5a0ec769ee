// Network start-up and tear-down.
#include "client/net/Network.h"

#include <cstdio>

#include <tls.h>

#include "client/core/DebugLog.h"
#include "client/net/SocketPlatform.h"
#include "client/frontend/FrontEnd.h"
#include "platform/net/CaBundle.h"

namespace {

tls_config* sharedConfig = nullptr;
bool runtimeStarted = false;

} // namespace

tls_config* tlsConfig() { return sharedConfig; }

bool initNetwork(const std::string& extraCaPath)
{
    bool extraLoaded = false;
    const std::string bundle = net::trustedCaBundle(extraCaPath, &extraLoaded);
    bool ok = !bundle.empty();
    if (extraLoaded) debugLog("Additional CA certificates loaded from " + extraCaPath);
    ok = ok && (runtimeStarted = net::startSocketRuntime());
    ok = ok && tls_init() == 0;
    ok = ok && (sharedConfig = tls_config_new()) != nullptr;
    ok = ok && tls_config_set_ca_mem(sharedConfig, reinterpret_cast<const uint8_t*>(bundle.data()), bundle.size()) == 0;
    if (!ok) {
        if (hasFrontEnd()) frontEnd().beep(1600, 100);
        const char* error = sharedConfig ? tls_config_error(sharedConfig) : nullptr;
        std::printf("Config error ! %s\n", error ? error : "");
        std::fflush(stdout);
    }
    return sharedConfig != nullptr;
}

void closeNetwork()
{
    if (sharedConfig) {
        tls_config_free(sharedConfig);
        sharedConfig = nullptr;
    }
    if (runtimeStarted) {
        net::stopSocketRuntime();
        runtimeStarted = false;
    }
}
