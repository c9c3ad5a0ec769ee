// The history owner carries out the model's decisions: tones, beeps,
// speech, braille, the clipboard, flashing and lines for the server.
#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/ui/history/HistoryOwner.h"
#include "client/ui/history/PresentationDefaults.h"
#include "common/utf8.h"

namespace {

// Records everything as lines, in order.
class Recorder : public HistoryDisplay, public SpeechOutput {
public:
    void appendMessage(const std::vector<Segment>& segments) override
    {
        std::wstring shown;
        for (const Segment& s : segments) shown += s.text + L"|";
        log("show " + common::wideToUtf8(shown));
    }
    void clearMessages() override { log("clear"); }
    void setClipboard(const std::wstring& text) override { log("clipboard " + common::wideToUtf8(text)); }
    void flash(unsigned count) override { log("flash " + std::to_string(count)); }
    void refusalBeep() override { log("beep"); }
    void tone(unsigned hz, unsigned ms) override { log("tone " + std::to_string(hz) + " " + std::to_string(ms)); }
    bool windowActive() const override { return active; }
    bool boxOpen() const override { return box; }
    void say(const std::wstring& text, bool interrupt) override
    {
        log(std::string(interrupt ? "say! " : "say ") + common::wideToUtf8(text));
    }
    void braille(const std::wstring& text) override { log("braille " + common::wideToUtf8(text)); }

    void log(const std::string& line) { lines.push_back(line); }
    std::vector<std::string> take() { return std::exchange(lines, {}); }

    bool active = true;
    bool box = false;
    std::vector<std::string> lines;
};

class HistoryOwnerTest : public ::testing::Test {
protected:
    HistoryOwnerTest()
        : owner(recorder, recorder, [this](const std::string& s) { recorder.log("send " + s); }, [this] { return now; })
    {
        CoreTestEnv::write(env.appFile("english.lng"), "copied=Copied.\nenabled=On\ndisabled=Off\nview2=Games\n");
        loadLanguage(true);
        owner.model().setPresentation(defaultPresentation(0x20000, false, builtInResource).value());
    }

    CoreTestEnv env;
    Recorder recorder;
    History::TimePoint now{};
    HistoryOwner owner;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(HistoryOwnerTest, MessagesAreHeardThenShown)
{
    owner.add(std::wstring(L"A\x0C\x11" L"B"), 2);
    owner.add(L"now", 5 | kChannelArgInterrupt);
    owner.add(L"stray", 17);
    EXPECT_EQ(recorder.take(), (Lines{"say AB", "show A|B|", "say! now", "show now|", "tone 800 150", "say stray",
                                      "show stray|"}));

    // In the background only background channels speak; a box counts as the
    // foreground.
    recorder.active = false;
    owner.add(L"quiet", 5);
    owner.add(L"notice", 7);
    recorder.box = true;
    owner.add(L"asked", 5);
    EXPECT_EQ(recorder.take(), (Lines{"show quiet|", "say notice", "show notice|", "say asked", "show asked|"}));

    owner.toggleMute();
    owner.add(L"silent", 7);
    owner.toggleMute();
    EXPECT_EQ(recorder.take(), (Lines{"say! Off", "show silent|", "say! On"}));
}

TEST_F(HistoryOwnerTest, ReviewCopyAndSendTheReviewedMessage)
{
    owner.copyReviewedMessage();
    owner.sendReviewedMessage();
    owner.reviewKey(0x21, false, false); // Page Up on an empty history
    EXPECT_EQ(recorder.take(), (Lines{"beep", "beep"}));

    owner.add(L"one", 2);
    owner.add(std::wstring(L"two\x11"), 2);
    owner.add(L"three", 2);
    recorder.take();
    owner.reviewKey(0x22, false, false);
    owner.reviewKey(0x22, false, true);
    owner.reviewKey(0x21, true, false);
    owner.reviewKey(0x22, false, false);
    owner.reviewKey(0x41, false, false); // not a review key
    owner.copyReviewedMessage();
    owner.sendReviewedMessage();
    EXPECT_EQ(recorder.take(), (Lines{"say! one", "braille one", "say! three", "braille three", "say! one", "braille one",
                                      "say! two", "braille two", "clipboard two\x11", "say! Copied.",
                                      "send hlin two\x11"}));
}

TEST_F(HistoryOwnerTest, ViewsReportsClearAndFlash)
{
    owner.add(L"chat", 2);
    owner.add(L"game", 1);
    recorder.take();
    owner.changeView(2, true);
    owner.changeView(10, true);
    owner.copyView(); // view 2: 0x33D holds channel 2 but not 1
    owner.report(1);  // view 1: 0x083 holds channel 1
    now += std::chrono::seconds(10);
    owner.report(2);
    owner.clear();
    EXPECT_EQ(recorder.take(), (Lines{"say! Games", "beep", "clipboard chat\r\n", "say! Copied.",
                                      "send HistoryReport game\r\n", "beep", "clear"}));

    owner.flash(3, 4); // active window: nothing
    recorder.active = false;
    owner.flash(3, 4);
    owner.flash(2, 4); // channel 2 does not flash
    owner.flash(3, 0);
    EXPECT_EQ(recorder.take(), (Lines{"flash 4"}));
}
