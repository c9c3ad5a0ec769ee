// The connection over real loopback sockets against the development server,
// plain and TLS: login, refusals, certificates, a close while a read waits,
// and frames of two sending threads that must never interleave.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "client/core/DebugLog.h"
#include "client/net/Connection.h"
#include "client/net/Network.h"
#include "client/net/SocketPlatform.h"
#include "common/file.h"
#include "common/numbers.h"
#include "support/FixtureState.h"
#include "support/TempDir.h"

namespace {

using test::hostPath;

struct Servers {
    int plain = 0, tls = 0, untrusted = 0;
    std::string ca, record;
};

const Servers& servers()
{
    static const Servers s = [] {
        Servers out;
        const UnorderedIniFile ini = test::fixtureState("ORVC_DEVSERVER_STATE");
        if (!ini.get("plain_port").empty()) {
            out.plain = ini.getInt("plain_port", 0);
            out.tls = ini.getInt("tls_port", 0);
            out.untrusted = ini.getInt("untrusted_port", 0);
            out.ca = hostPath(ini.get("ca"));
            out.record = hostPath(ini.get("record"));
        }
        return out;
    }();
    return s;
}

class Loopback : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The test authority is trusted the way a player's "cacerts.pem" is.
        ASSERT_TRUE(initNetwork(servers().ca));
    }
    static void TearDownTestSuite() { closeNetwork(); }

    void SetUp() override
    {
        ASSERT_NE(servers().plain, 0) << "ORVC_DEVSERVER_STATE does not name a running development server";
        ASSERT_TRUE(openDebugLog(logPath_));
    }
    void TearDown() override { closeDebugLog(); }

    std::string log() const
    {
        std::string text;
        common::readWholeFile(logPath_, text);
        return text;
    }

    TempDir dir_;
    std::string logPath_ = dir_.file("debug.txt");
};

std::string freePort()
{
    // A port nobody listens on: bound, never listened on, then released.
    net::startSocketRuntime();
    const net::SocketHandle s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    net::closeSocketHandle(s);
    return std::to_string(ntohs(a.sin_port));
}

} // namespace

TEST_F(Loopback, PlainLoginThenMessagesBothWays)
{
    Connection c;
    ASSERT_EQ(c.connect("127.0.0.1", servers().plain, false, "alice", "secret", "en", 77), 0);
    EXPECT_TRUE(c.loggedIn);
    c.sendText("ping");
    std::string m;
    EXPECT_EQ(c.readMessage(m), 0x81);
    EXPECT_EQ(m, "pong");
    c.close();
    EXPECT_FALSE(c.loggedIn);
    EXPECT_NE(log().find("Login successful\r\n"), std::string::npos);
    EXPECT_NE(log().find("Connection closed !\r\n"), std::string::npos);
}

TEST_F(Loopback, RefusedLoginAndRefusedConnection)
{
    Connection c;
    EXPECT_EQ(c.connect("localhost", servers().plain, false, "alice", "wrong", "en", 0), Connection::kLoginFailed);
    EXPECT_EQ(c.lastError, "Wrong password");
    EXPECT_EQ(c.connect("127.0.0.1", std::atoi(freePort().c_str()), false, "alice", "secret", "en", 0),
              Connection::kUnreachable);
    EXPECT_NE(log().find("Connection error code: 10061\r\n"), std::string::npos);
    EXPECT_NE(c.connect("no-such-host.invalid", 1, false, "a", "b", "en", 0), 0);
}

TEST_F(Loopback, TrustedTlsServerLogsIn)
{
    Connection c;
    ASSERT_EQ(c.connect("localhost", servers().tls, true, "bob", "hunter2", "en", 0), 0);
    c.sendText("ping");
    std::string m;
    EXPECT_EQ(c.readMessage(m), 0x81);
    EXPECT_EQ(m, "pong");
    c.close();
    const std::string text = log();
    EXPECT_NE(text.find(" using secure connection...\r\n"), std::string::npos);
    EXPECT_NE(text.find("after handshake TLS error = 0: "), std::string::npos) << text;
    EXPECT_NE(text.find("tls_peer_cert_provided = 1\r\n"), std::string::npos);
    EXPECT_NE(text.find("tls_conn_version = TLSv1."), std::string::npos);
}

TEST_F(Loopback, UntrustedTlsServerIsRefusedWithTheDetailLines)
{
    Connection c;
    EXPECT_EQ(c.connect("localhost", servers().untrusted, true, "bob", "hunter2", "en", 0), SSLSocket::kHandshakeFailed);
    EXPECT_FALSE(c.loggedIn);
    const std::string text = log();
    const char* lines[] = {"before handshake TLS error = ", "after handshake TLS error = -1: ",
                           "tls_peer_cert_provided = ", "tls_conn_version = ", "tls_conn_cipher = ",
                           "tls_peer_cert_subject = ", "tls_peer_cert_issuer = ", "tls_peer_ocsp_cert_status = ",
                           "tls_peer_ocsp_crl_reason = ", "tls_peer_ocsp_response_status = ",
                           "tls_peer_ocsp_result = ", "tls_peer_ocsp_url = "};
    std::size_t at = 0;
    for (const char* line : lines) {
        const std::size_t found = text.find(std::string("\r\n") + line, at);
        ASSERT_NE(found, std::string::npos) << line << " missing or out of order in:\n" << text;
        at = found + 2;
    }
    EXPECT_EQ(text.find("Connection successful\r\n"), std::string::npos);
}

TEST_F(Loopback, CloseFromAnotherThreadLetsABlockedReadGo)
{
    for (const bool secure : {false, true}) {
        Connection c;
        ASSERT_EQ(c.connect("localhost", secure ? servers().tls : servers().plain, secure, "alice", "secret", "en", 0), 0);
        auto reader = std::async(std::launch::async, [&c] {
            std::string m;
            return c.readMessage(m);
        });
        // The server is idle: the read can only end through the close.
        EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
        c.close();
        ASSERT_EQ(reader.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "read still blocked";
        EXPECT_EQ(reader.get(), 0);
        EXPECT_EQ(c.send("after close"), -1);
    }
}

TEST_F(Loopback, FramesOfTwoSendingThreadsNeverInterleave)
{
    const char* env = std::getenv("ORVC_SOAK_SECONDS");
    const int seconds = env ? std::atoi(env) : 2;
    Connection c;
    ASSERT_EQ(c.connect("localhost", servers().tls, true, "carol", "pa:ss w\xC3\xB6rd", "en", 0), 0);
    const std::string marker = "T" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::atomic<int> sent[2] = {0, 0};
    auto sender = [&](int who) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (int n = 0; std::chrono::steady_clock::now() < end; ++n) {
            // Lengths cross the 125 and 65535 boundaries of the header forms.
            const std::size_t pad = (n * 7919u + static_cast<unsigned>(who) * 104729u) % (n % 50 == 0 ? 70000 : 300);
            c.sendText("chat " + marker + "-" + std::to_string(who) + "-" + std::to_string(n) + "-" + std::string(pad, 'a' + who));
            sent[who] = n + 1;
        }
    };
    std::thread a(sender, 0), b(sender, 1);
    a.join();
    b.join();
    c.sendText("ping");
    std::string m;
    ASSERT_EQ(c.readMessage(m), 0x81); // the server has read everything before it
    ASSERT_EQ(m, "pong");
    c.close();

    std::string record;
    ASSERT_TRUE(common::readWholeFile(servers().record, record));
    int next[2] = {0, 0};
    const std::string prefix = "\"text\": \"chat " + marker + "-";
    for (std::size_t at = record.find(prefix); at != std::string::npos; at = record.find(prefix, at + 1)) {
        std::size_t used = 0;
        const std::size_t whoAt = at + prefix.size();
        const int who = common::readLong(std::string_view(record).substr(whoAt, 1));
        const int n = common::readLong(std::string_view(record).substr(whoAt + 2), &used);
        ASSERT_TRUE(who == 0 || who == 1);
        ASSERT_GT(used, 0u);
        EXPECT_EQ(n, next[who]) << "frame lost or out of order";
        next[who] = n + 1;
    }
    EXPECT_EQ(next[0], sent[0].load());
    EXPECT_EQ(next[1], sent[1].load());
    EXPECT_GT(sent[0] + sent[1], 100);
    EXPECT_EQ(record.find("\"kind\": \"error\""), std::string::npos) << "the server saw a broken frame";
}
