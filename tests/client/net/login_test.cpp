// The login exchange: the payload, its encoding, the verdicts and the
// diagnostic lines of every outcome.
#include <gtest/gtest.h>

#include "ScriptedSocket.h"
#include "client/core/DebugLog.h"
#include "client/net/Connection.h"
#include "client/net/LoginPayload.h"
#include "common/fields.h"
#include "common/file.h"
#include "support/TempDir.h"

namespace {

struct Attempt {
    int result;
    std::string lastError;
    std::string log;
    bool loggedIn;
};

Attempt attempt(const std::string& response, int connectResult = 0, bool secure = false)
{
    TempDir dir;
    const std::string logPath = dir.file("debug.txt");
    openDebugLog(logPath);
    Connection c;
    auto s = std::make_shared<ScriptedSocket>(response, connectResult);
    c.setSocketFactory([s](bool) { return s; });
    Attempt a;
    a.result = c.connect("game.example", 65535, secure, "alice", "secret", "fr", 1);
    a.lastError = c.lastError;
    a.loggedIn = c.loggedIn;
    closeDebugLog();
    common::readWholeFile(logPath, a.log);
    return a;
}

const std::string kUpgrade = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n\r\n";

} // namespace

TEST(Login, EncodingUsesTheUrlSafeAlphabetWithDotPadding)
{
    EXPECT_EQ(encodeLogin(""), "");
    EXPECT_EQ(encodeLogin("a"), "YQ..");
    EXPECT_EQ(encodeLogin("ab"), "YWI.");
    EXPECT_EQ(encodeLogin("abc"), "YWJj");
    EXPECT_EQ(encodeLogin("\xFB\xFF\xBF"), "-_-_");
    EXPECT_EQ(encodeLogin(std::string("\0\0\0\0", 4)), "AAAAAA..");
}

TEST(Login, PayloadHoldsElevenFieldsInOrder)
{
    ClientIdentity id;
    id.osMajor = 6;
    id.osMinor = 1;
    id.volumeSerial = 36;
    id.userName = "n\x01m";
    id.is64BitSystem = false;
    id.screenReader = (std::uint64_t(9) << 32) | 0x0102;
    const auto fields = common::splitFields(buildLoginPayload("alice", "p w", "fr", 35, id));
    const std::vector<std::string> expected = {
        "alice", "p w", "fr", "2tjc", "z", "2tjc", "1fr5" /* 0x10601 */, "hra0hz6" /* screen reader */,
        "10", "n\x01m", "32",
    };
    EXPECT_EQ(fields, expected);

    // A payload is cut where its 1024-byte buffer ends.
    EXPECT_EQ(buildLoginPayload(std::string(2000, 'L'), "pw", "en", 0, id).size(), 1023u);
}

TEST(Login, VerdictsAndTheirLogLines)
{
    Attempt ok = attempt(kUpgrade + textFrame("ok"));
    EXPECT_EQ(ok.result, 0);
    EXPECT_TRUE(ok.loggedIn);
    EXPECT_EQ(ok.log,
              "Connecting to game.example:65535...\r\n"
              "Connection successful\r\n"
              "Login: alice, language: fr\r\n"
              "Upgrade: websocket\r\n"
              "Headers complete\r\n"
              "Login successful\r\n");

    Attempt refused = attempt(kUpgrade + textFrame("fail Wrong password"));
    EXPECT_EQ(refused.result, Connection::kLoginFailed);
    EXPECT_EQ(refused.lastError, "Wrong password");
    EXPECT_FALSE(refused.loggedIn);
    EXPECT_NE(refused.log.find("Login failed: Wrong password\r\n"), std::string::npos);

    Attempt bare = attempt(kUpgrade + textFrame("fail"));
    EXPECT_EQ(bare.result, Connection::kLoginFailed);
    EXPECT_EQ(bare.lastError, "Invalid message received,: 'fail'");

    Attempt odd = attempt(kUpgrade + textFrame("welcome"));
    EXPECT_EQ(odd.lastError, "Invalid message received,: 'welcome'");

    Attempt huge = attempt(kUpgrade + textFrame(std::string(3000, 'w')));
    EXPECT_EQ(huge.lastError.size(), 1023u);

    Attempt none = attempt(kUpgrade);
    EXPECT_EQ(none.result, Connection::kLoginFailed);
    EXPECT_EQ(none.lastError, "Connection lost before reading first message");

    Attempt closed = attempt(kUpgrade + serverFrame(0x88, ""));
    EXPECT_EQ(closed.result, Connection::kLoginFailed);
}

TEST(Login, UnreachableServersAndBadUpgrades)
{
    Attempt forbidden = attempt("HTTP/1.1 403 Forbidden\r\n\r\n");
    EXPECT_EQ(forbidden.result, Connection::kUnreachable);
    EXPECT_NE(forbidden.log.find("Status!=101: 403; status line = HTTP/1.1 403 Forbidden\r\n"), std::string::npos);

    EXPECT_EQ(attempt("garbage\r\n").result, Connection::kUnreachable);
    EXPECT_EQ(attempt("HTTP/1.1\r\n").result, Connection::kUnreachable);
    EXPECT_EQ(attempt("HTTP/1.1 101").result, Connection::kUnreachable);

    Attempt silent = attempt("");
    EXPECT_EQ(silent.result, Connection::kUnreachable);
    EXPECT_NE(silent.log.find("Connection lost before response\r\n"), std::string::npos);

    Attempt cut = attempt("HTTP/1.1 101 OK\r\nUpgrade: websocket\r\n");
    EXPECT_EQ(cut.result, Connection::kUnreachable);
    EXPECT_NE(cut.log.find("Connection lost while reading headers\r\n"), std::string::npos);

    Attempt refused = attempt("", 10061, true);
    EXPECT_EQ(refused.result, Connection::kUnreachable);
    EXPECT_EQ(refused.log, "Connecting to game.example:65535 using secure connection...\r\nConnection error code: 10061\r\n");
    EXPECT_EQ(attempt("", 10060).result, Connection::kUnreachable);
    EXPECT_EQ(attempt("", 59695).result, 59695);
    EXPECT_EQ(attempt("", 11001).result, 11001);
}
