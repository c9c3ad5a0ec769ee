// WebSocket framing in both directions, the upgrade response and the login
// exchange, over a scripted transport.
#include <gtest/gtest.h>

#include "ScriptedSocket.h"
#include "client/core/DebugLog.h"
#include "client/net/Connection.h"
#include "client/net/WebSocketFrame.h"
#include "common/file.h"
#include "support/TempDir.h"

namespace {

std::string bytes(std::initializer_list<int> list)
{
    std::string s;
    for (int b : list) s.push_back(static_cast<char>(b));
    return s;
}

// A connection whose next transport is the given socket, already connected.
struct Wired {
    Connection connection;
    std::shared_ptr<ScriptedSocket> socket;

    explicit Wired(std::string input, int connectResult = 0)
        : socket(std::make_shared<ScriptedSocket>(std::move(input), connectResult))
    {
        connection.setSocketFactory([s = socket](bool) { return s; });
    }

    int login(const std::string& name = "alice", const std::string& password = "secret")
    {
        return connection.connect("localhost", 7777, false, name, password, "en", 42);
    }
};

class LogCapture {
public:
    LogCapture() { EXPECT_TRUE(openDebugLog(path_)); }
    ~LogCapture() { closeDebugLog(); }
    std::string text() const
    {
        std::string t;
        common::readWholeFile(path_, t);
        return t;
    }

private:
    TempDir dir_;
    std::string path_ = dir_.file("debug.txt");
};

} // namespace

TEST(WebSocket, ClientFrameHeadersUseTheShortestLengthForm)
{
    struct Case {
        std::uint64_t length;
        std::string header;
    } cases[] = {
        {0, bytes({0x81, 0})},
        {125, bytes({0x81, 125})},
        {126, bytes({0x81, 0x7E, 0x00, 0x7E})},
        {65535, bytes({0x81, 0x7E, 0xFF, 0xFF})},
        {65536, bytes({0x81, 0x7F, 0, 0, 0, 0, 0, 1, 0, 0})},
        {70000, bytes({0x81, 0x7F, 0, 0, 0, 0, 0, 0x01, 0x11, 0x70})},
    };
    for (const Case& c : cases) {
        unsigned char out[10];
        const std::size_t n = ws::encodeHeader(ws::kText, c.length, out);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), c.header) << c.length;
    }
}

TEST(WebSocket, SendFrameWritesHeaderAndPayload)
{
    Wired w(upgradeAndOk());
    ASSERT_EQ(w.login(), 0);
    const std::size_t before = w.socket->output().size();
    EXPECT_EQ(w.connection.sendFrame("hello\0ignored", -1, false), 5);
    EXPECT_EQ(w.connection.send(std::string(126, 'x')), 126);
    EXPECT_EQ(w.connection.sendFrame("\x01\x02", 2, true), 2);
    const std::string big(70000, 'b');
    EXPECT_EQ(w.connection.send(big), 70000);
    EXPECT_EQ(w.socket->output().substr(before),
              bytes({0x81, 5}) + "hello" + bytes({0x81, 0x7E, 0, 0x7E}) + std::string(126, 'x')
                  + bytes({0x82, 2, 1, 2}) + bytes({0x81, 0x7F, 0, 0, 0, 0, 0, 0x01, 0x11, 0x70}) + big);

    Connection unconnected;
    EXPECT_EQ(unconnected.send("x"), -1);
}

TEST(WebSocket, ReadMessageDeliversDataAndAnswersControlFrames)
{
    const std::string big(70000, 'z');
    Wired w(upgradeAndOk() + textFrame("say hi") + serverFrame(0x82, bytes({0, 1, 2}))
            + bytes({0x89, 0x01, 'x'}) + textFrame("after ping") + textFrame(big)
            + bytes({0x81, 0x7F, 0x12, 0x34, 0x56, 0x78, 0, 0, 0, 3}) + "abc"
            + bytes({0x88, 0x02, 0x03, 0xE8}) + textFrame("never read"));
    ASSERT_EQ(w.login(), 0);
    std::string m;
    EXPECT_EQ(w.connection.readMessage(m), 0x81);
    EXPECT_EQ(m, "say hi");
    EXPECT_EQ(w.connection.readMessage(m), 0x82);
    EXPECT_EQ(m, bytes({0, 1, 2}));
    const std::size_t before = w.socket->output().size();
    EXPECT_EQ(w.connection.readMessage(m), 0x81);
    EXPECT_EQ(m, "after ping");
    EXPECT_EQ(w.socket->output().substr(before), bytes({0x8A, 0x01, 'x'}));
    EXPECT_EQ(w.connection.readMessage(m), 0x81);
    EXPECT_EQ(m, big);
    // Of an 8-byte length only the last four bytes count.
    EXPECT_EQ(w.connection.readMessage(m), 0x81);
    EXPECT_EQ(m, "abc");
    const std::size_t beforeClose = w.socket->output().size();
    EXPECT_EQ(w.connection.readMessage(m), 0);
    EXPECT_EQ(w.socket->output().substr(beforeClose), bytes({0x88, 0x02, 0x03, 0xE8}));
}

TEST(WebSocket, UnsupportedAndBrokenFramesEndTheConnection)
{
    // Complete frames of kinds the client does not take, each followed by a
    // message that must not be reached.
    const std::string unsupported[] = {
        bytes({0x01, 0x03}) + "abc",             // fragmented text
        bytes({0x00, 0x03}) + "abc",             // continuation
        bytes({0x80, 0x03}) + "abc",             // final continuation
        bytes({0x8A, 0x00}),                     // unsolicited pong
        bytes({0xC1, 0x03}) + "abc",             // reserved bit
        bytes({0x81, 0x83, 1, 2, 3, 4}) + "abc", // masked
    };
    // Frames cut short by the end of the connection.
    const std::string truncated[] = {
        "",
        bytes({0x81}),
        bytes({0x81, 0x7E, 0x01}),
        bytes({0x81, 0x7F, 0, 0, 0, 0}),
        bytes({0x81, 0x05}) + "abc",
        bytes({0x89, 0x03}) + "ab",
    };
    auto endsConnection = [](const std::string& stream) {
        Wired w(upgradeAndOk() + stream);
        EXPECT_EQ(w.login(), 0);
        std::string m;
        EXPECT_EQ(w.connection.readMessage(m), 0) << testing::PrintToString(stream);
    };
    for (const std::string& f : unsupported) endsConnection(f + textFrame("unreachable"));
    for (const std::string& f : truncated) endsConnection(f);
}

TEST(WebSocket, OversizedLengthsAreRefusedWithoutAllocating)
{
    const std::string cases[] = {
        bytes({0x81, 0x7F, 0, 0, 0, 0, 0x80, 0, 0, 0}),        // 2 GiB
        bytes({0x82, 0x7F, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), // 4 GiB - 1
        bytes({0x81, 0x7F, 0, 0, 0, 0, 0x04, 0, 0, 1}),        // 64 MiB + 1
    };
    for (const std::string& frame : cases) {
        LogCapture log;
        Wired w(upgradeAndOk() + frame + std::string(64, 'p'));
        ASSERT_EQ(w.login(), 0);
        std::string m;
        EXPECT_EQ(w.connection.readMessage(m), 0);
        EXPECT_LE(w.socket->largestRead(), 8);
        EXPECT_LT(m.capacity(), 1u << 20);
        EXPECT_NE(log.text().find("bytes refused, connection ended"), std::string::npos);
    }
}

TEST(WebSocket, ReadLineDropsCarriageReturnsAndStopsAtLineFeed)
{
    Wired w(upgradeAndOk() + "a\rb\r\nbare\n\rmi\rxed\r\r\n\npartial");
    ASSERT_EQ(w.login(), 0);
    std::string line;
    const char* expected[] = {"ab", "bare", "mixed", ""};
    for (const char* e : expected) {
        ASSERT_TRUE(w.connection.readLine(line));
        EXPECT_EQ(line, e);
    }
    EXPECT_FALSE(w.connection.readLine(line));
    EXPECT_EQ(line, "partial");

    // A response whose lines end with a bare line feed logs in the same.
    Wired bare("HTTP/1.1 101 Switching\nUpgrade: websocket\n\n" + textFrame("ok"));
    EXPECT_EQ(bare.login(), 0);
}

TEST(WebSocket, UpgradeRequestCarriesTheEncodedLogin)
{
    ClientIdentity id;
    id.osMajor = 10;
    id.osMinor = 0;
    id.volumeSerial = 0x1234;
    id.userName = "masked";
    id.is64BitSystem = true;
    id.screenReader = 7;
    Wired w(upgradeAndOk());
    w.connection.setIdentity(id);
    ASSERT_EQ(w.login("bob", "pw"), 0);
    EXPECT_TRUE(w.connection.loggedIn);
    const std::string payload = buildLoginPayload("bob", "pw", "en", 42, id);
    EXPECT_EQ(w.socket->output(), "GET /play?" + encodeLogin(payload)
                                      + " HTTP/1.1\r\nConnection:upgrade\r\nUpgrade:websocket\r\n"
                                        "Sec-WebSocket-Version:13\r\n\r\n");
}
