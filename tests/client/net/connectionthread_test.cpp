// The connection thread: attempts and pauses, the 4-second rule, reconnection
// after a loss, and the end-of-connection report, with an injected clock.
#include <gtest/gtest.h>

#include "RecordingHandler.h"
#include "ScriptedSocket.h"
#include "client/net/ConnectionThread.h"
#include "client/ui/headless/HeadlessFrontEnd.h"

namespace {

// Time advances only by the thread's own sleeps.
class SteppedClock : public ConnectionClock {
public:
    std::int64_t nowSeconds() override { return static_cast<std::int64_t>(ms / 1000); }
    void sleepMs(unsigned m) override
    {
        sleeps.push_back(m);
        ms += m;
    }
    std::uint64_t ms = 1'000'000'000ull;
    std::vector<unsigned> sleeps;
};

// Runs doConnect2 on its own thread against transports made by `next`,
// with the calling thread as GUI thread, and returns what was shown.
struct ThreadRun {
    SteppedClock clock;
    RecordingHandler handler;
    HeadlessFrontEnd front;
    std::vector<std::uint64_t> attemptTimes;

    std::vector<HeadlessFrontEnd::Event> run(std::function<std::shared_ptr<Socket>(int attempt)> next)
    {
        Connection& c = theConnection();
        c.close(); // a transport left over from an earlier run
        c.running = true;
        c.loggedIn = false;
        c.lastError.clear();
        c.setClock(&clock);
        c.setHandler(&handler);
        int attempt = 0;
        c.setSocketFactory([&](bool) {
            attemptTimes.push_back(clock.ms);
            return next(attempt++);
        });
        setServerSelector([] { return ConnectionTarget{"localhost", 1, false, "alice", "pw", "en", 0}; });
        setInterfaceStrings([](const std::string& key) { return L"<" + std::wstring(key.begin(), key.end()) + L">"; });
        setFrontEnd(&front);
        std::thread connectionThread(doConnect2);
        front.runMessageLoop();
        connectionThread.join();
        setFrontEnd(nullptr);
        c.setSocketFactory(nullptr);
        c.setClock(nullptr);
        c.setHandler(nullptr);
        return front.events();
    }
};

} // namespace

TEST(ConnectionThread, SixAttemptsWithGrowingPausesThenTheConnectErrorBox)
{
    ThreadRun r;
    const auto events = r.run([](int) { return std::make_shared<ScriptedSocket>("", 10061); });
    // Each attempt after the first closes the previous transport and rests
    // 50 ms before it opens a new one.
    EXPECT_EQ(r.clock.sleeps, (std::vector<unsigned>{10, 1010, 50, 3010, 50, 7010, 50, 15010, 50, 31010, 50}));
    EXPECT_EQ(r.attemptTimes.size(), 6u);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, "box");
    EXPECT_EQ(events[0].text, "<error>: <connecterror>");
    EXPECT_EQ(events[1].kind, "quit");
    EXPECT_FALSE(theConnection().running);
    EXPECT_EQ(r.handler.calls(), (std::vector<std::string>{"connecting on", "connecting off"}));
}

TEST(ConnectionThread, TransportAndLoginFailuresAreReportedAtOnce)
{
    {
        ThreadRun r;
        const auto events = r.run([](int) { return std::make_shared<ScriptedSocket>("", 59695); });
        EXPECT_EQ(r.attemptTimes.size(), 1u);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].text, "<error>: <connecterrorprolog>\r\n\r\nCode d'erreur: 59695");
    }
    {
        ThreadRun r;
        const auto events = r.run([](int) {
            return std::make_shared<ScriptedSocket>("HTTP/1.1 101 OK\r\n\r\n" + textFrame("fail Banned: too rude"));
        });
        EXPECT_EQ(r.attemptTimes.size(), 1u);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0].text, "<error>: Banned: too rude");
    }
}

TEST(ConnectionThread, ALossSoonAfterLoginWaitsUntilFourSecondsHavePassed)
{
    ThreadRun r;
    // The first connection logs in and is lost at once; the server is gone
    // afterwards.
    const auto events = r.run([&](int attempt) {
        if (attempt == 0) return std::make_shared<ScriptedSocket>(upgradeAndOk() + textFrame("say1 hi"));
        return std::make_shared<ScriptedSocket>("", 10061);
    });
    ASSERT_GE(r.attemptTimes.size(), 2u);
    const std::uint64_t login = r.attemptTimes[0];
    // Pauses after the loss: 10, 1010, 3010 ms (skipped: not yet more than
    // 4 whole seconds since the login), then 7010 ms and the real attempt,
    // which first closes the lost transport and rests 50 ms.
    EXPECT_EQ(r.attemptTimes[1] - login, 10u + 1010u + 3010u + 7010u + 50u);
    EXPECT_EQ(r.clock.sleeps, (std::vector<unsigned>{10, 10, 1010, 3010, 7010, 50, 15010, 50, 31010, 50}));
    EXPECT_EQ(r.attemptTimes.size(), 4u);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].text, "<error>: <connecterror>");
    EXPECT_EQ(r.handler.calls(), (std::vector<std::string>{"connecting on", "connecting off", "connected",
                                                           "history 1 hi", "connecting on", "connecting off"}));
}

TEST(ConnectionThread, QuitFromTheServerEndsWithoutReport)
{
    ThreadRun r;
    const auto events = r.run([](int) { return std::make_shared<ScriptedSocket>(upgradeAndOk() + textFrame("quit")); });
    EXPECT_EQ(r.attemptTimes.size(), 1u);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, "quit");
}
