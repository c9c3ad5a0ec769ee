// Where the programs connect: the selected server entry with the login
// values, or the caller's own choice, and the identity sent at login.
#include <gtest/gtest.h>

#include "client/app/ConnectionSetup.h"
#include "client/core/CoreTestEnv.h"
#include "client/net/ConnectionThread.h"
#include "client/net/ScriptedSocket.h"
#include "client/net/ServerCommandHandler.h"

TEST(ConnectionSetup, TheSelectedEntryWithItsLoginIsTheTarget)
{
    CoreTestEnv env(0xABCDEFull);
    settings().servers.resize(6);
    ServerEntry& entry = settings().servers[5];
    entry.host = "games.example.org";
    entry.port = 4321;
    entry.secure = true;
    entry.login = "alice";
    entry.password = "p\xC3\xA4ss";
    settings().serversDefault = 5;

    const ConnectionTarget t = selectedServerTarget();
    EXPECT_EQ(t.host, "games.example.org");
    EXPECT_EQ(t.port, 4321);
    EXPECT_TRUE(t.secure);
    EXPECT_EQ(t.login, "alice");
    EXPECT_EQ(t.password, "p\xC3\xA4ss");
    EXPECT_EQ(t.language, "isocode"); // no language loaded: the key stands for its text
    EXPECT_EQ(t.machineId, 0xABCDEFull);

    // An index outside the list falls back to the first entry.
    settings().serversDefault = 9;
    settings().servers[0].host = "first.example.org";
    EXPECT_EQ(selectedServerTarget().host, "first.example.org");
}

TEST(ConnectionSetup, PreparedConnectionGoesWhereTheSelectorSays)
{
    CoreTestEnv env;
    ServerCommandHandler owners;
    auto socket = std::make_shared<ScriptedSocket>(upgradeAndOk());
    Connection& c = theConnection();
    std::string asked;
    c.setSocketFactory([socket](bool) { return socket; });
    prepareConnection(owners, [&asked] {
        asked = "yes";
        ConnectionTarget t;
        t.host = "chosen.example.org";
        t.port = 99;
        t.login = "bob";
        t.password = "pw";
        return t;
    });
    EXPECT_EQ(&c.handler(), &owners);
    EXPECT_EQ(connectSelectedServer(), 0);
    EXPECT_EQ(asked, "yes");
    EXPECT_NE(socket->output().find("GET /play?"), std::string::npos);
    c.close();
    c.setSocketFactory(nullptr);
    c.setHandler(nullptr);
    setServerSelector({});
}
