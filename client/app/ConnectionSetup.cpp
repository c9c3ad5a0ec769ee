// The connection's collaborators and target.
#include "client/app/ConnectionSetup.h"

#include "client/core/Environment.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "client/net/ConnectionThread.h"
#include "client/ui/speech/SpeechSetup.h"
#include "common/utf8.h"

ConnectionTarget selectedServerTarget()
{
    const ServerEntry& entry = selectedServer();
    return ConnectionTarget{entry.host,     entry.port,
                            entry.secure,   entry.login,
                            entry.password, common::wideToUtf8(translate("isocode")),
                            environment().machineId};
}

void prepareConnection(ServerCommandHandler& handler, std::function<ConnectionTarget()> selector)
{
    const Environment& env = environment();
    ClientIdentity identity;
    identity.osMajor = env.osVersion.major;
    identity.osMinor = env.osVersion.minor;
    identity.volumeSerial = env.volumeSerial;
    identity.userName = env.userName;
    identity.is64BitSystem = env.is64BitSystem;
    identity.screenReader = speechSetup().screenReaderDescription();
    Connection& connection = theConnection();
    connection.setIdentity(identity);
    connection.setHandler(&handler);
    setInterfaceStrings([](const std::string& key) { return translate(key); });
    setServerSelector(selector ? std::move(selector) : std::function<ConnectionTarget()>(selectedServerTarget));
}
