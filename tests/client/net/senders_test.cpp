// The client's commands: formats, bounds, and the logged-in rule.
#include <gtest/gtest.h>

#include "ScriptedSocket.h"
#include "client/net/Connection.h"
#include "common/utf8.h"
#include "support/CountingClock.h"

namespace {

const std::string D = "\x7F";

// A logged-in connection whose sent frames can be read back as payloads.
struct Sender {
    Connection c;
    std::shared_ptr<ScriptedSocket> socket = std::make_shared<ScriptedSocket>(upgradeAndOk());
    std::size_t mark = 0;
    CountingClock clock;

    Sender()
    {
        c.setSocketFactory([s = socket](bool) { return s; });
        c.setClock(&clock);
        EXPECT_EQ(c.connect("h", 1, false, "a", "b", "en", 0), 0);
        mark = socket->output().size();
    }

    // Payloads of the frames sent since the last call.
    std::vector<std::string> taken()
    {
        const std::string out = socket->output().substr(mark);
        mark = socket->output().size();
        return clientFramePayloads(out);
    }
};

using Frames = std::vector<std::string>;

} // namespace

TEST(ClientCommands, Formats)
{
    Sender s;
    const std::vector<std::string> tags = {"first", "second", "caf\xC3\xA9"};
    s.c.sendMenuSelection(7, 2, tags);
    s.c.sendMenuSelection(7, 3, tags);
    s.c.sendMenuSelection(7, -1, tags);
    s.c.sendKey(0x10D);
    s.c.sendMenuKey(0x41, 7, 9, tags);
    s.c.sendMenuKey(0x41, 7, -4, tags);
    s.c.sendMenuKey(0x41, 8, 0, {});
    s.c.sendChat(L"Hello \u00E9t\u00E9");
    s.c.sendF10();
    s.c.sendInputBoxAnswer(12, L"line1\nline2");
    s.c.sendMessageBoxAnswer(20, 6);
    s.c.sendUpdateAnswer(3, 2);
    s.c.sendSoundState(5, 1);
    s.c.sendHistoryReport(L"a\r\nb\r\n");
    s.c.sendHistoryLine(L"said");
    s.c.sendText("anything");
    EXPECT_EQ(s.taken(), (Frames{
        "msel 7" + D + "2" + D + "caf\xC3\xA9", "msel 7" + D + "-1" + D + "-1", "msel 7" + D + "-1" + D + "-1",
        "key 269", "mkey 65" + D + "7" + D + "2" + D + "caf\xC3\xA9", "mkey 65" + D + "7" + D + "0" + D + "first",
        "mkey 65" + D + "8" + D + "0" + D, "chat Hello \xC3\xA9t\xC3\xA9", "key 121",
        "inbx 12" + D + "line1\nline2", "msgb 20" + D + "6", "msgb 3" + D + "2", "inbx 5" + D + "1",
        "HistoryReport a\r\nb\r\n", "hlin said", "anything",
    }));
    s.c.sendQuit();
    EXPECT_EQ(s.taken(), (Frames{"quit"}));
    EXPECT_EQ(s.clock.slept, 400u);
}

TEST(ClientCommands, CommandsAreCutToTheirBuffers)
{
    Sender s;
    s.c.sendChat(std::wstring(5000, L'x'));
    s.c.sendInputBoxAnswer(1, std::wstring(50000, L'y'));
    s.c.sendMenuSelection(1, 0, {std::string(600, 't')});
    s.c.sendHistoryLine(std::wstring(70000, L'h'));
    // Cut before a character that would not fit whole.
    std::string tags;
    for (int i = 0; i < 300; ++i) tags += "\xC3\xA9";
    s.c.sendMenuChoice(1, 0, tags);
    s.c.sendMenuItemKey(65, 1, 0, tags);
    s.c.sendInputBoxAnswer(1, std::wstring(30000, L'\u20AC'));
    const Frames f = s.taken();
    ASSERT_EQ(f.size(), 7u);
    EXPECT_EQ(f[4].size(), 511u);   // "msel 1·0·" is 9 bytes, then 251 é
    EXPECT_EQ(f[5].size(), 510u);   // "mkey 65·1·0·" is 12 bytes, then 249 é
    EXPECT_EQ(f[6].size(), 39997u); // "inbx 1·" is 7 bytes, then 13,330 €
    for (int i : {4, 5, 6}) EXPECT_EQ(common::wideToUtf8(common::utf8ToWide(f[i])), f[i]);
    EXPECT_EQ(f[0].size(), 4095u);
    EXPECT_EQ(f[0].substr(0, 6), "chat x");
    EXPECT_EQ(f[1].size(), 39999u);
    EXPECT_EQ(f[2].size(), 511u);
    EXPECT_EQ(f[3].size(), 70005u); // no buffer: sent whole
}

TEST(ClientCommands, NothingButTheExceptionsIsSentWhenLoggedOut)
{
    Sender s;
    s.c.loggedIn = false;
    s.c.sendMenuSelection(1, 0, {"t"});
    s.c.sendKey(1);
    s.c.sendMenuKey(1, 1, 0, {"t"});
    s.c.sendChat(L"hi");
    s.c.sendQuit();
    s.c.sendF10();
    s.c.sendInputBoxAnswer(1, L"a");
    s.c.sendMessageBoxAnswer(1, 1);
    s.c.sendUpdateAnswer(1, 1);
    s.c.sendSoundState(1, 1);
    s.c.sendHistoryReport(L"r");
    s.c.sendHistoryLine(L"l");
    s.c.sendText("t");
    EXPECT_EQ(s.taken(), (Frames{"HistoryReport r", "hlin l", "t"}));
    EXPECT_EQ(s.clock.slept, 0u);
}
