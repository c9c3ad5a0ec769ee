// The engines of Windows as they are on the machine running the test (under
// Wine: no screen reader, and SAPI with or without voices): the automatic
// choice, the synthesiser's voices and values, and that speaking with
// nothing to speak with answers a failure instead of crashing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/speech/Speech.h"
#include "platform/speech/SpeechEngine.h"
#include "platform/speech/win32/ScreenReaders.h"
#include "platform/speech/win32/WindowsEngines.h"

namespace {

class WindowsEnginesTest : public ::testing::Test {
protected:
    ~WindowsEnginesTest() override { speechStop(); }
};

int voiceCount()
{
    int n = 0;
    while (!speechGetString(SpeechValue::kVoice + 1 + n).empty()) ++n;
    return n;
}

TEST_F(WindowsEnginesTest, WithoutAScreenReaderTheSynthesiserIsChosen)
{
    if (isJawsRunning() || isNvdaRunning()) GTEST_SKIP() << "a screen reader runs on this machine";
    ASSERT_EQ(speechStart(systemSpeechEngines()), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), SpeechEngineNumber::kSynthesiser);
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 0), L"JAWS");
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 2), L"NVDA");
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 7), L"SAPI 5");
    // Neither screen reader can be chosen while it does not run.
    EXPECT_EQ(speechSetValue(SpeechValue::kEngine, SpeechEngineNumber::kJaws), kSpeechFailed);
    EXPECT_EQ(speechSetValue(SpeechValue::kEngine, SpeechEngineNumber::kNvda), kSpeechFailed);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), SpeechEngineNumber::kSynthesiser);
    wchar_t buffer[255];
    EXPECT_EQ(jfwGetRunningVersion(buffer, 255), kSpeechFailed);
    EXPECT_EQ(nvdaGetRunningVersion(buffer, 255), kSpeechFailed);
    EXPECT_EQ(jfwGetUserSettingsDirectory(buffer, 255), kSpeechFailed);
}

TEST_F(WindowsEnginesTest, SynthesiserVoicesAndValues)
{
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    engines.push_back(makeSapiEngine());
    ASSERT_EQ(speechStart(std::move(engines)), kSpeechDone) << "SAPI's voice object could not be made";
    const int voices = voiceCount();
    std::printf("SAPI voices here: %d\n", voices);
    for (int n = 0; n < voices; ++n) {
        const std::wstring name = speechGetString(0x10001 + n);
        std::printf("  voice %d: %ls\n", n, name.c_str());
        // Wine lists its voice but cannot switch to it; where the switch
        // is accepted, the voice is reported back.
        if (speechSetValue(SpeechValue::kVoice, n) == kSpeechDone) {
            EXPECT_EQ(speechGetValue(SpeechValue::kVoice), n);
        } else {
            std::printf("  voice %d: SAPI refused to switch to it\n", n);
        }
    }
    EXPECT_EQ(speechSetValue(SpeechValue::kVoice, voices), kSpeechFailed);
    EXPECT_EQ(speechSetValue(SpeechValue::kVoice, -1), kSpeechFailed);

    const struct {
        int p, minimum, maximum;
    } ranges[] = {{SpeechValue::kVolume, 0, 100}, {SpeechValue::kRate, -10, 10}, {SpeechValue::kPitch, -10, 10}};
    for (const auto& r : ranges) {
        EXPECT_EQ(speechGetValue(r.p + SpeechValue::kMaximumOffset), r.maximum);
        EXPECT_EQ(speechGetValue(r.p + SpeechValue::kMinimumOffset), r.minimum);
        EXPECT_EQ(speechGetValue(r.p + SpeechValue::kSupportedOffset), 1);
        EXPECT_EQ(speechSetValue(r.p, r.maximum + 1), kSpeechFailed);
        EXPECT_EQ(speechSetValue(r.p, r.minimum - 1), kSpeechFailed);
    }
    EXPECT_EQ(speechGetValue(SpeechValue::kInflexion + SpeechValue::kSupportedOffset), 0);
    EXPECT_EQ(speechSetValue(SpeechValue::kInflexion, 0), kSpeechFailed);
    // Pitch is ours to keep; volume and rate are SAPI's, where Wine may
    // refuse them, but what it accepts it reports back.
    EXPECT_EQ(speechSetValue(SpeechValue::kPitch, 3), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kPitch), 3);
    if (speechSetValue(SpeechValue::kRate, 4) == kSpeechDone) {
        EXPECT_EQ(speechGetValue(SpeechValue::kRate), 4);
    }
    if (speechSetValue(SpeechValue::kVolume, 80) == kSpeechDone) {
        EXPECT_EQ(speechGetValue(SpeechValue::kVolume), 80);
    }

    // Speaking answers whether there is a voice to speak with, markup-like
    // text, a burst and an interruption included; nothing may crash.
    const int expected = voices > 0 ? kSpeechDone : kSpeechFailed;
    EXPECT_EQ(speechSay(L"<pitch absmiddle=\"10\">literal</pitch> & more", 0), expected);
    EXPECT_EQ(speechSetValue(SpeechValue::kPitch, 0), kSpeechDone);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(speechSay(L"line " + std::to_wstring(i), 0), expected);
    EXPECT_EQ(speechSay(L"interrupting", 1), expected);
    EXPECT_EQ(brailleDisplay(L"dots"), kSpeechFailed);
}

} // namespace
