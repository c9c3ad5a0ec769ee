// The command loop: recognition order, argument syntax, replies, and
// messages that match nothing or are broken.
#include <algorithm>
#include <future>
#include <random>

#include <gtest/gtest.h>

#include "RecordingHandler.h"
#include "ScriptedSocket.h"
#include "client/net/Connection.h"
#include "client/net/WorkerThread.h"
#include "client/ui/headless/HeadlessFrontEnd.h"

namespace {

using Calls = std::vector<std::string>;

// Logs in over a scripted transport, runs the loop over the given server
// messages and keeps what the owners received and what the client sent.
struct LoopRun {
    RecordingHandler handler;
    Connection connection;
    std::shared_ptr<ScriptedSocket> socket;
    std::string sentBeforeLoop;

    void run(const std::vector<std::string>& messages, bool stayLoggedIn = true)
    {
        std::string stream = upgradeAndOk();
        for (const std::string& m : messages) stream += textFrame(m);
        socket = std::make_shared<ScriptedSocket>(stream);
        connection.setSocketFactory([s = socket](bool) { return s; });
        connection.setHandler(&handler);
        ASSERT_EQ(connection.connect("h", 1, false, "a", "b", "en", 0), 0);
        if (!stayLoggedIn) connection.loggedIn = false;
        sentBeforeLoop = socket->output();
        connection.run();
        waitForWorker();
    }

    // The text frames the client sent during the loop.
    std::vector<std::string> sent() const
    {
        return clientFramePayloads(socket->output().substr(sentBeforeLoop.size()));
    }

    static void waitForWorker()
    {
        std::promise<void> done;
        submitTask([&] { done.set_value(); });
        done.get_future().wait();
    }
};

const std::string D = "\x7F";

// Tasks run on the worker thread while the loop goes on: only the set of
// calls is fixed, not their interleaving.
Calls sorted(Calls calls)
{
    std::sort(calls.begin(), calls.end());
    return calls;
}

} // namespace

TEST(CommandLoop, HistoryAndSoundCommands)
{
    LoopRun r;
    r.run({"say3 Hello", "say 3 Hello", "sai7 Urgent news", "sayx", "say", "play5 ding 0.5", "play ding",
           "sndl a  b", "sndl ", "sai-2 caf\xC3\xA9"});
    EXPECT_EQ(r.handler.calls(), (Calls{
        "history 3 Hello", "history 3 3 Hello", "history 7 interrupt Urgent news", "history 0 sayx",
        "play 5 ding 0.5", "play 0 ding", "load [a]", "load []", "load [b]", "load []",
        "history -2 interrupt caf\xC3\xA9",
    }));
    // "say" alone is three bytes: ignored.
}

TEST(CommandLoop, MenuCommands)
{
    LoopRun r;
    r.handler.menuId = 12;
    r.handler.openMenus = {3, 12};
    r.run({"mupi 1" + D + "x", "menu 2" + D + "y", "mupd 3", "mcls 7", "mcls", "mcla", "mmve 1" + D + "2",
           "midt 0 pick &&", "midt 12 again && and &&", "midt 5 nope", "midt -3 neg", "midc 3 inside",
           "midc 4 outside", "midt 12"});
    EXPECT_EQ(r.handler.calls(), (Calls{
        "menu 0 1" + D + "x", "menu 1 2" + D + "y", "menu 2 3", "closeMenu 7", "closeMenu 0",
        "closeMenu -1000000000", "moveInMenu 1" + D + "2", "bounds 0 1 0",
    }));
    EXPECT_EQ(r.sent(), (Calls{"pick 12", "again 12 and 12", "neg", "inside", "midt 12"}));

    LoopRun none;
    none.run({"midt 0 pick &&", "midt 5", "midc 5 x"});
    EXPECT_EQ(none.sent(), (Calls{"pick -1"}));

    LoopRun five;
    five.handler.menuId = 5;
    five.run({"midt 5"});
    EXPECT_EQ(five.sent(), (Calls{"midt 5"}));
}

TEST(CommandLoop, BoxesAnswerThroughTheWorkerWhileLoggedIn)
{
    LoopRun r;
    r.run({"inbx 12" + D + "Your name?" + D + "default", "inbm 13" + D + "Story", "inbp 14" + D + "Password",
           "msgb 20" + D + "Text" + D + "Title" + D + "4", "msbm 21" + D + "Sync"});
    EXPECT_EQ(sorted(r.handler.calls()), sorted({
        "inputBox 12|Your name?|default", "inputBox 13|Story multiline", "inputBox 14|Password password",
        "messageBox 20|Text|Title|4", "messageBox 21|Sync",
    }));
    EXPECT_EQ(sorted(r.sent()), sorted({"inbx 12" + D + "answer", "inbx 13" + D + "answer", "inbx 14" + D + "answer",
                                        "msgb 20" + D + "2", "msgb 21" + D + "2"}));

    LoopRun declined;
    declined.handler.confirmInput = false;
    declined.handler.button = -1;
    declined.run({"inbx 1" + D + "q", "msgb 2" + D + "t"});
    EXPECT_TRUE(declined.sent().empty());

    LoopRun loggedOut;
    loggedOut.handler.moveReply = "inbx 28" + D + "3";
    loggedOut.run({"inbx 1" + D + "q", "msgb 2" + D + "t", "soundstate 5 ding", "ProposeUpdate 9 1", "cn4m 1 2 3", "ping"},
                  false);
    EXPECT_EQ(loggedOut.sent(), (Calls{"pong"}));
}

TEST(CommandLoop, OtherOwnersAndReplies)
{
    LoopRun r;
    r.handler.moveReply = "cn4r 3";
    HeadlessFrontEnd front;
    setFrontEnd(&front);
    r.run({"lmnu 4", "lcmd 2033", "lcmd", "webu https://example.org/a b", "clng french", "cn4m 1 2 3",
           "udta hello game", "dlll kivo2d", "dllu *", "focuschat /msg ", "soundstate 5 ding dong",
           "soundstate 0x10 hex", "dwnl 3 sounds/x.ogg 1234", "dwnl 4", "dwnl x", "flsh2 5", "flsh", "ProposeUpdate 9 1",
           "pingpong", "abc", "abcd"});
    setFrontEnd(nullptr);
    EXPECT_EQ(sorted(r.handler.calls()), sorted({
        "localMenu 4", "command 2033", "command 0", "link https://example.org/a b", "language french",
        "udta hello game", "loadGame dlll kivo2d", "unloadGame dllu *", "focusChat /msg ",
        "soundState ding dong", "soundState hex", "download 3 sounds/x.ogg 1234", "flash 2 5", "flash 0 0",
        "proposeUpdate 9 1", "unknown abcd", "moveSearch cn4m 1 2 3",
    }));
    EXPECT_EQ(sorted(r.sent()),
              sorted({"inbx 5" + D + "3", "inbx 16" + D + "3", "msgb 9" + D + "1", "pong", "cn4r 3"}));
}

TEST(CommandLoop, QuitEndsTheConnectionForGoodWithoutReadingFurther)
{
    for (const std::string& last : {std::string("quit"), std::string("runUpdater /S /D=x")}) {
        HeadlessFrontEnd front;
        setFrontEnd(&front);
        LoopRun r;
        r.run({"say1 before", last, "say1 after"});
        setFrontEnd(nullptr);
        EXPECT_FALSE(r.connection.running);
        EXPECT_FALSE(r.connection.loggedIn);
        EXPECT_EQ(r.connection.socket(), nullptr);
        EXPECT_TRUE(r.socket->isClosed());
        EXPECT_GT(r.socket->unread(), 0u);
        const auto events = front.events();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].kind, "quit");
        const Calls expected = last == "quit" ? Calls{"history 1 before"}
                                              : Calls{"history 1 before", "runUpdater /S /D=x"};
        EXPECT_EQ(r.handler.calls(), expected);
    }
}

TEST(CommandLoop, BinaryMessagesGoToTheGameWhateverTheyHold)
{
    LoopRun r;
    std::string stream = upgradeAndOk() + serverFrame(0x82, "ab") + serverFrame(0x82, "quit") + serverFrame(0x82, "");
    r.socket = std::make_shared<ScriptedSocket>(stream);
    r.connection.setSocketFactory([s = r.socket](bool) { return s; });
    r.connection.setHandler(&r.handler);
    ASSERT_EQ(r.connection.connect("h", 1, false, "a", "b", "en", 0), 0);
    r.connection.run();
    EXPECT_EQ(r.handler.calls(), (Calls{"binary ab", "binary quit", "binary "}));
    EXPECT_TRUE(r.connection.running);
}

TEST(CommandLoop, UnknownCommandsArePrinted)
{
    LoopRun r;
    testing::internal::CaptureStdout();
    r.run({"abc", "xyzw", "hello there"});
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "Unknown command: xyzw\r\nUnknown command: hello there\r\n");
}

TEST(CommandLoop, RandomMessagesNeverCrash)
{
    const std::string prefixes[] = {"ping", "sai", "say", "play", "sndl ", "inbx ", "inbm ", "inbp ", "mupi ", "menu ",
                                    "mupd ", "mcls", "mcla", "mmve ", "midt ", "midc ", "lmnu ", "lcmd", "msgb ",
                                    "msbm ", "webu ", "clng ", "cn4m ", "rv1m ", "udta ", "dlll", "dllu",
                                    "focuschat ", "soundstate", "dwnl ", "flsh", "ProposeUpdate ", ""};
    const char alphabet[] = {' ', '\x7F', '0', '1', '9', 'x', '-', '+', '&', '\0', '\xFF', '\xC3', 'a'};
    std::mt19937 rng(7);
    std::vector<std::string> messages;
    for (int i = 0; i < 3000; ++i) {
        std::string m = prefixes[rng() % std::size(prefixes)];
        const std::size_t extra = rng() % 24;
        for (std::size_t k = 0; k < extra; ++k) m.push_back(alphabet[rng() % sizeof alphabet]);
        messages.push_back(m);
    }
    LoopRun r;
    testing::internal::CaptureStdout();
    r.run(messages);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(r.connection.running);
    EXPECT_EQ(r.socket->unread(), 0u);
}
