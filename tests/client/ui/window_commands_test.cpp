// The main window's command table: every id reaches its owner, the window's
// own commands, quitting and restoring the defaults.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "client/core/CoreTestEnv.h"
#include "client/net/Connection.h"
#include "support/CountingClock.h"
#include "client/net/ScriptedSocket.h"
#include "client/ui/WindowCommands.h"
#include "support/RecordingFrontEnd.h"

namespace {

// Owners and window that note each call as a word.
class Recorder : public InterfaceOwners, public MainWindowView {
public:
    std::vector<std::string> calls;
    void note(const std::string& call) { calls.push_back(call); }

    void sendKeyEvent(int key, bool, bool, bool) override { note("key " + std::to_string(key)); }
    void openLocalMenu(int n) override { note("local menu " + std::to_string(n)); }
    void saveHistory() override { note("save history"); }
    void saveView() override { note("save view"); }
    void copyView() override { note("copy view"); }
    void clearHistory() override { note("clear history"); }
    void nextView() override { note("next view"); }
    void previousView() override { note("previous view"); }
    void chooseView(int i) override { note("view " + std::to_string(i)); }
    void copyReviewedMessage() override { note("copy reviewed"); }
    void sendReviewedMessage() override { note("send reviewed"); }
    void openReviewedLink() override { note("open reviewed link"); }
    void historyReport(int v) override { note("report " + std::to_string(v)); }
    void defaultsRestored() override { note("defaults restored"); }
    void changeSoundVolume(int p) override { note("sound volume " + std::to_string(p)); }
    void changeStreamVolume(int p) override { note("stream volume " + std::to_string(p)); }
    void stopAllSounds() override { note("stop sounds"); }
    void stopAllStreams() override { note("stop streams"); }
    void nextVoice() override { note("next voice"); }
    void speechRateUp() override { note("rate up"); }
    void speechRateDown() override { note("rate down"); }
    void toggleSpeechMute() override { note("mute"); }
    void toggleArcadeMode() override { note("arcade"); }

    void focusControl(FocusTarget t) override { note("focus " + std::to_string(static_cast<int>(t))); }
    void focusChatSelectAll() override { note("focus chat all"); }
    void showAbout() override { note("about"); }
    void applySettings() override { note("apply settings"); }
};

// The process-wide connection logged in on a scripted transport for one
// test, and put back afterwards.
class LoggedIn {
public:
    LoggedIn()
    {
        Connection& c = theConnection();
        c.setSocketFactory([s = socket](bool) { return s; });
        c.setClock(&clock);
        EXPECT_EQ(c.connect("h", 1, false, "a", "b", "en", 0), 0);
        mark = socket->output().size();
    }
    ~LoggedIn()
    {
        Connection& c = theConnection();
        c.close();
        c.setSocketFactory(nullptr);
        c.setClock(nullptr);
        quittingFlag() = false;
    }
    std::vector<std::string> sent() const { return clientFramePayloads(socket->output().substr(mark)); }

    std::shared_ptr<ScriptedSocket> socket = std::make_shared<ScriptedSocket>(upgradeAndOk());
    CountingClock clock;
    std::size_t mark = 0;
};

} // namespace

TEST(WindowCommands, EveryCommandReachesItsOwner)
{
    const std::map<int, std::vector<std::string>> expected = {
        {1002, {"save history"}},     {1003, {"sound volume 2"}},  {1004, {"sound volume -2"}},
        {1005, {"stream volume 2"}},  {1006, {"stream volume -2"}}, {1008, {"next voice"}},
        {1009, {"rate up"}},          {1010, {"rate down"}},       {1030, {"stop sounds"}},
        {1031, {"stop streams"}},     {1032, {"local menu 1020", "focus 0"}},
        {1033, {"mute"}},             {1034, {"local menu 1014", "focus 0"}},
        {1035, {"save view"}},        {1036, {"about"}},           {2020, {"focus chat all"}},
        {2021, {"focus 1"}},          {2022, {"focus 0"}},         {2023, {"next view"}},
        {2024, {"previous view"}},    {2025, {"copy reviewed"}},   {2026, {"open reviewed link"}},
        {2027, {"copy view"}},        {2030, {"clear history"}},   {2032, {"send reviewed"}},
        {2033, {"report 1"}},         {2034, {"report 2"}},        {2900, {"view 0"}},
        {2905, {"view 5"}},           {2909, {"view 9"}},          {3001, {"arcade"}},
    };
    for (const auto& [id, calls] : expected) {
        Recorder r;
        EXPECT_TRUE(runWindowCommand(id, r, r)) << id;
        EXPECT_EQ(r.calls, calls) << id;
    }
    for (int id : {0, 1001, 1007, 1011, 1037, 2019, 2035, 2899, 2910, 3000, -2020}) {
        Recorder r;
        EXPECT_FALSE(runWindowCommand(id, r, r)) << id;
        EXPECT_TRUE(r.calls.empty()) << id;
    }
}

TEST(WindowCommands, F10AndQuitGoToTheServerOnlyWhenLoggedIn)
{
    RecordingFrontEnd front;
    ScopedFrontEnd scoped(front);
    Recorder r;
    {
        // Not logged in: nothing is sent, but quitting still ends the loop.
        CountingClock clock;
        theConnection().setClock(&clock);
        EXPECT_TRUE(runWindowCommand(1012, r, r));
        EXPECT_TRUE(runWindowCommand(2031, r, r));
        EXPECT_TRUE(quittingFlag().load());
        EXPECT_EQ(front.quits, std::vector<int>{0});
        EXPECT_EQ(clock.slept, 0u);
        theConnection().setClock(nullptr);
        quittingFlag() = false;
    }
    LoggedIn session;
    EXPECT_TRUE(runWindowCommand(1012, r, r));
    EXPECT_TRUE(runWindowCommand(2031, r, r));
    EXPECT_EQ(session.sent(), (std::vector<std::string>{"key 121", "quit"}));
    EXPECT_EQ(session.clock.slept, 400u);
    EXPECT_TRUE(quittingFlag().load());
    EXPECT_EQ(front.quits, (std::vector<int>{0, 0}));
    EXPECT_TRUE(r.calls.empty());
}

TEST(WindowCommands, DefaultKeyEventIsAPlainKeyForTheServer)
{
    LoggedIn session;
    InterfaceOwners owners;
    owners.sendKeyEvent('A', true, false, true);
    owners.sendKeyEvent(0x70, false, true, false);
    EXPECT_EQ(session.sent(), (std::vector<std::string>{"key 1345", "key 624"}));
}

TEST(WindowCommands, RestoringDefaultsAsksFirstAndRemovesTheIniFiles)
{
    CoreTestEnv env;
    RecordingFrontEnd front;
    ScopedFrontEnd scoped(front);
    const auto makeFiles = [&] {
        CoreTestEnv::write(env.userFile("config.ini"), "servers.default=2\r\n");
        CoreTestEnv::write(env.userFile("channels0.INI"), "x=1\r\n");
        CoreTestEnv::write(env.userFile("notes.txt"), "keep me");
        std::filesystem::create_directories(CoreTestEnv::fs(env.userFile("folder.ini")));
    };
    makeFiles();
    settings().styleFontSize = 30;

    Recorder r;
    front.answer = MessageBoxAnswer::kNo;
    EXPECT_TRUE(runWindowCommand(2028, r, r));
    ASSERT_EQ(front.boxes.size(), 1u);
    EXPECT_EQ(front.boxes[0].title, L"restoredefaults");
    EXPECT_EQ(front.boxes[0].text, L"restoredefaults1");
    EXPECT_EQ(front.boxes[0].style, MessageBoxStyle::kYesNo | MessageBoxStyle::kIconWarning);
    EXPECT_TRUE(r.calls.empty());
    EXPECT_TRUE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("config.ini"))));
    EXPECT_EQ(settings().styleFontSize, 30);

    front.answer = MessageBoxAnswer::kYes;
    EXPECT_TRUE(runWindowCommand(2028, r, r));
    EXPECT_EQ(r.calls, (std::vector<std::string>{"defaults restored", "apply settings"}));
    EXPECT_FALSE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("config.ini"))));
    EXPECT_FALSE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("channels0.INI"))));
    EXPECT_TRUE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("notes.txt"))));
    EXPECT_TRUE(std::filesystem::is_directory(CoreTestEnv::fs(env.userFile("folder.ini"))));
    EXPECT_EQ(settings().styleFontSize, 14);
    EXPECT_EQ(settings().servers.size(), 4u);

    // 2029 restores without asking.
    makeFiles();
    r.calls.clear();
    EXPECT_TRUE(runWindowCommand(2029, r, r));
    EXPECT_EQ(front.boxes.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("config.ini"))));
    EXPECT_EQ(r.calls, (std::vector<std::string>{"defaults restored", "apply settings"}));
}
