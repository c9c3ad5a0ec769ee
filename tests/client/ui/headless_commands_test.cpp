// The headless main window: keys and commands of standard input through the
// shortcut table, the key rules and the window commands, and what it prints.
#include <sstream>

#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/ui/Accelerators.h"
#include "client/ui/headless/HeadlessCommands.h"
#include "client/ui/history/PresentationDefaults.h"
#include "common/utf8.h"

namespace {

class Speech : public SpeechOutput {
public:
    void say(const std::wstring& text, bool interrupt) override
    {
        lines.push_back((interrupt ? "say! " : "say ") + common::wideToUtf8(text));
    }
    void braille(const std::wstring& text) override { lines.push_back("braille " + common::wideToUtf8(text)); }
    std::vector<std::string> lines;
};

class HeadlessCommandsTest : public ::testing::Test {
protected:
    HeadlessCommandsTest()
    {
        front.setPrinter([this](const std::string& line) { printed.push_back(line); });
        setFrontEnd(&front);
        CoreTestEnv::write(env.appFile("english.lng"), "view1=Games\nview0=All\ndisabled=Off\n");
        loadLanguage(true);
        setDefaultSettings();
        commands.loadPresentation();
    }
    ~HeadlessCommandsTest() override { setFrontEnd(nullptr); }

    std::vector<std::string> take() { return std::exchange(printed, {}); }

    CoreTestEnv env;
    HeadlessFrontEnd front; // this thread is its GUI thread
    HeadlessHistory display{front};
    Speech speech;
    std::vector<unsigned> slept;
    HeadlessCommands commands{front, display, speech, [this](unsigned ms) { slept.push_back(ms); }};
    std::vector<std::string> printed;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(HeadlessCommandsTest, KeysReachTheHistoryThroughShortcutsAndFocus)
{
    commands.history().add(L"one", 2);
    commands.history().add(L"two", 1);
    speech.lines.clear();
    take();
    std::istringstream input("key PageDown\nkey ctrl+pagedown\nkey alt+Right\nkey ctrl+F5\n"
                             "focus chat\nkey shift+Next\nkey alt+1\nkey Tab\nsleep 250\n\n");
    commands.runAll(input);
    EXPECT_EQ(speech.lines, (Lines{"say! one", "braille one", "say! two", "braille two", "say! Games", "say! Off",
                                   "say! two", "braille two", "say! All"}));
    EXPECT_EQ(take(), (Lines{"focus: chat", "focus: history"}));
    EXPECT_EQ(commands.focus(), FocusTarget::History);
    EXPECT_EQ(slept, std::vector<unsigned>{250});
    EXPECT_TRUE(commands.history().model().muted());
}

TEST_F(HeadlessCommandsTest, CommandsForegroundAndRefusedLines)
{
    EXPECT_TRUE(commands.run("command 2030")); // clear the history
    EXPECT_TRUE(commands.run("key alt+h"));
    EXPECT_TRUE(commands.run("foreground off"));
    commands.history().add(L"quiet", 2); // foreground only: not spoken now
    EXPECT_TRUE(speech.lines.empty());
    EXPECT_TRUE(commands.run("key ctrl+space")); // nothing reviewed: refusal
    EXPECT_EQ(take(), (Lines{"history: (cleared)", "focus: history", "history: quiet", "beep: default"}));

    for (const char* bad : {"key", "key ctrl+", "key hyper+F5", "key F25", "key F0", "focus menu", "command",
                            "command 12x", "sleep -5", "sleep", "foreground maybe", "dance"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(commands.run(bad));
        EXPECT_EQ(take(), Lines{std::string("input: not a command: ") + bad});
    }
    EXPECT_FALSE(commands.run("command 9999")); // not a window command
}

TEST(Accelerators, NamesAndTable)
{
    EXPECT_EQ(virtualKeyNamed("F12"), 0x7B);
    EXPECT_EQ(virtualKeyNamed("f1"), 0x70);
    EXPECT_EQ(virtualKeyNamed("a"), 'A');
    EXPECT_EQ(virtualKeyNamed("7"), '7');
    EXPECT_EQ(virtualKeyNamed("PAGEUP"), 0x21);
    EXPECT_FALSE(virtualKeyNamed(""));
    EXPECT_EQ(virtualKeyNamed("F"), 'F'); // the letter
    EXPECT_FALSE(virtualKeyNamed("Fx"));
    EXPECT_FALSE(virtualKeyNamed("F012"));
    EXPECT_EQ(acceleratorCommand(0x7B, {}, false), 1002);
    EXPECT_EQ(acceleratorCommand(0x7B, {true, false, false}, false), 1035);
    EXPECT_EQ(acceleratorCommand('0', {false, false, true}, false), 2909);
    // The second table is off in arcade mode; the first stays.
    EXPECT_FALSE(acceleratorCommand(0x7B, {}, true));
    EXPECT_EQ(acceleratorCommand(0x27, {false, false, true}, true), 2023);
    EXPECT_FALSE(acceleratorCommand(0x7B, {false, true, true}, false));
}
