// The speech set-up and keys against a fake speech library: the values set
// and their order, the log lines, JAWS's file, the screen-reader description
// and the Control+F6 to Control+F8 keys.
#include <gtest/gtest.h>

#include <cwchar>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "client/core/CoreTestEnv.h"
#include "client/ui/speech/SpeechSetup.h"
#include "platform/speech/Speech.h"

namespace {

// A speech library whose engine, values, voices and screen readers a test
// states, and which records what the set-up did with it.
class FakeSpeechLibrary : public SpeechLibrary {
public:
    bool startResult = true;
    int automaticEngine = 7;
    std::map<int, int> values;
    std::vector<std::wstring> voices;
    std::wstring jawsVersion, jawsFolder, nvdaVersion;

    std::vector<std::pair<int, int>> sets;
    std::vector<std::pair<std::wstring, bool>> spoken;
    std::vector<int> bufferSizes;

    FakeSpeechLibrary() { values[SpeechValue::kEngine] = automaticEngine; }

    // A value with its range, as an engine that supports it answers.
    void range(int p, int current, int minimum, int maximum)
    {
        values[p] = current;
        values[p + SpeechValue::kMaximumOffset] = maximum;
        values[p + SpeechValue::kMinimumOffset] = minimum;
        values[p + SpeechValue::kSupportedOffset] = 1;
    }

    bool start() override { return startResult; }
    int say(const std::wstring& text, bool interrupt) override
    {
        spoken.emplace_back(text, interrupt);
        return 1;
    }
    int setValue(int number, int value) override
    {
        sets.emplace_back(number, value);
        values[number] = number == SpeechValue::kEngine && value < 0 ? automaticEngine : value;
        return 1;
    }
    int getValue(int number) override { return values.count(number) ? values[number] : 0; }
    std::wstring getString(int number) override
    {
        const int index = number - SpeechValue::kVoice - 1;
        return index >= 0 && index < static_cast<int>(voices.size()) ? voices[index] : std::wstring();
    }
    int jfwGetRunningVersion(wchar_t* buffer, int size) override { return answer(jawsVersion, buffer, size); }
    int jfwGetUserSettingsDirectory(wchar_t* buffer, int size) override { return answer(jawsFolder, buffer, size); }
    int nvdaGetRunningVersion(wchar_t* buffer, int size) override { return answer(nvdaVersion, buffer, size); }

private:
    int answer(const std::wstring& text, wchar_t* buffer, int size)
    {
        bufferSizes.push_back(size);
        std::wcsncpy(buffer, text.c_str(), static_cast<std::size_t>(size) - 1);
        buffer[size - 1] = L'\0';
        return text.empty() ? 0 : 1;
    }
};

class SpeechSetupTest : public ::testing::Test {
protected:
    SpeechSetupTest() { openDebugLog(env.userFile("debug.txt")); }

    std::string log()
    {
        closeDebugLog();
        std::string text = CoreTestEnv::read(env.userFile("debug.txt"));
        openDebugLog(env.userFile("debug.txt"));
        return text;
    }

    CoreTestEnv env;
    FakeSpeechLibrary library;
    SpeechSetup setup{library};
    Settings& s = settings();
};

constexpr std::uint64_t high(std::uint32_t word) { return static_cast<std::uint64_t>(word) << 32; }

TEST_F(SpeechSetupTest, ConfiguredValuesAreSetInOrderAndLogged)
{
    s.srEngine = 7;
    s.srSubengine = 1;
    s.srLanguage = 2;
    s.srVoice = 3;
    s.srVolume = 40;
    s.srRate = 5;
    s.srPitch = 6;
    s.srInflexion = 0;
    ASSERT_TRUE(setup.initialize(s));
    const std::vector<std::pair<int, int>> expected{{0xFFFF, 1},  {0x40000, 7}, {0x30000, 1}, {0x20000, 2},
                                                    {0x10000, 3}, {0, 40},      {4, 5},       {8, 6},
                                                    {12, 0}};
    EXPECT_EQ(library.sets, expected);
    EXPECT_EQ(log(), "Initializing UniversalSpeech...\r\nSpeech engine selected: #7\r\nSpeech initialized OK\r\n");
    EXPECT_TRUE(setup.selfSpeaking());
    EXPECT_FALSE(setup.plainControls());
    EXPECT_FALSE(setup.jawsPresent());
    EXPECT_EQ(setup.screenReaderDescription(), high(9));
}

TEST_F(SpeechSetupTest, AutomaticEngineLeavesNativeSpeechOffAndTheLibrarysChoice)
{
    library.automaticEngine = 2;
    library.values[SpeechValue::kEngine] = 2;
    s.srRate = 3;
    ASSERT_TRUE(setup.initialize(s));
    const std::vector<std::pair<int, int>> expected{{0xFFFF, 0}, {4, 3}};
    EXPECT_EQ(library.sets, expected);
    EXPECT_FALSE(setup.selfSpeaking());
    // No running NVDA: nothing logged, the low word stays 0.
    EXPECT_EQ(log().find("NVDA"), std::string::npos);
    EXPECT_EQ(setup.screenReaderDescription(), high(4));
}

TEST_F(SpeechSetupTest, FailedStartStopsBeforeAnyValue)
{
    library.startResult = false;
    EXPECT_FALSE(setup.initialize(s));
    EXPECT_TRUE(library.sets.empty());
    EXPECT_EQ(log(), "Initializing UniversalSpeech...\r\n");
}

TEST_F(SpeechSetupTest, NvdaYearVersionCountsFromTwoThousand)
{
    struct Case {
        std::wstring version;
        std::uint32_t low;
        std::string logged;
    } cases[] = {
        {L"2019.3.1", (19u << 24) | (3u << 16) | 1u, "NVDA Version: 19.3.1"},
        {L"2017.4", (17u << 24) | (4u << 16), "NVDA Version: 17.4.0"},
        {L"2000.1.2", (2000u << 24) | (1u << 16) | 2u, "NVDA Version: 2000.1.2"}, // not above 2000
        {L"2.1.70000", (2u << 24) | (1u << 16) | (70000u & 0xFFFF), "NVDA Version: 2.1.70000"},
        {L"garbage", 4u << 24, "NVDA Version: 4.0.0"},
    };
    for (const Case& c : cases) {
        library.values[SpeechValue::kEngine] = 2;
        library.nvdaVersion = c.version;
        library.bufferSizes.clear();
        ASSERT_TRUE(setup.initialize(s));
        const std::uint32_t highWord = (static_cast<std::int32_t>(c.low) < 0 ? 0xFFFFFFFFu : 0u) | 4u;
        EXPECT_EQ(setup.screenReaderDescription(), high(highWord) | c.low) << common::wideToUtf8(c.version);
        EXPECT_NE(log().find(c.logged + "\r\n"), std::string::npos) << c.logged;
        EXPECT_EQ(library.bufferSizes, std::vector<int>{255});
    }
}

TEST_F(SpeechSetupTest, JawsWritesItsFileOnceAndReportsItsVersion)
{
    library.values[SpeechValue::kEngine] = 0;
    const std::string folder = env.dir.file("jaws") + kPathSeparator;
    std::filesystem::create_directories(CoreTestEnv::fs(folder));
    library.jawsFolder = common::utf8ToWide(folder);
    library.jawsVersion = L"17.0.2619";
    ASSERT_TRUE(setup.initialize(s));
    EXPECT_TRUE(setup.jawsPresent());
    EXPECT_FALSE(setup.selfSpeaking());
    EXPECT_EQ(CoreTestEnv::read(folder + "orvc.jcf"), "[options]\r\nMSAAMode=3\r\n[MSAAClasses]\r\nSysListView32=0\r\n");
    EXPECT_EQ(setup.screenReaderDescription(), high(2) | (17u << 24) | 2619u);
    EXPECT_NE(log().find("JFW Version: 17.0.2619\r\nSpeech engine selected: #0\r\n"), std::string::npos);
    EXPECT_EQ(library.bufferSizes, (std::vector<int>{511, 255}));

    // The player's own file stays as it is.
    CoreTestEnv::write(folder + "orvc.jcf", "[options]\r\nMSAAMode=1\r\n");
    ASSERT_TRUE(setup.initialize(s));
    EXPECT_EQ(CoreTestEnv::read(folder + "orvc.jcf"), "[options]\r\nMSAAMode=1\r\n");
}

TEST_F(SpeechSetupTest, JawsVersionPartsDefaultAndAYearVersionTurnsTheWordNegative)
{
    library.values[SpeechValue::kEngine] = 0;
    struct Case {
        std::wstring version;
        std::uint64_t description;
    } cases[] = {
        {L"", high(2)},                                    // not running: nothing
        {L"18", high(2) | (18u << 24)},                    // 18.0.0
        {L"x.5", high(2) | (4u << 24)},                    // nothing read: 4.0.0
        {L"16.0.x", high(2) | (16u << 24)},                // 16.0.0
        {L"2019.1912.1", high(0xFFFFFFFFu) | 0xE3000000u | (1912u << 16) | 1u},
    };
    for (const Case& c : cases) {
        library.jawsVersion = c.version;
        ASSERT_TRUE(setup.initialize(s));
        EXPECT_EQ(setup.screenReaderDescription(), c.description) << common::wideToUtf8(c.version);
    }
    // No settings folder: no file anywhere, and still a version.
    EXPECT_FALSE(std::filesystem::exists(CoreTestEnv::fs(env.userFile("orvc.jcf"))));
}

TEST_F(SpeechSetupTest, PlainControlEnginesTurnTheColoursOff)
{
    for (int engine : {1, 6}) {
        settings() = Settings{};
        library.values[SpeechValue::kEngine] = engine;
        ASSERT_TRUE(setup.initialize(s));
        EXPECT_TRUE(setup.plainControls());
        EXPECT_TRUE(s.styleDisableMenuColors);
        EXPECT_TRUE(s.styleDisableHistoryColors);
        EXPECT_EQ(setup.screenReaderDescription(), high(static_cast<std::uint32_t>(engine + 2)));
    }
    for (int engine : {0, 2, 3, 7}) {
        settings() = Settings{};
        library.values[SpeechValue::kEngine] = engine;
        ASSERT_TRUE(setup.initialize(s));
        EXPECT_FALSE(setup.plainControls()) << engine;
        EXPECT_FALSE(s.styleDisableMenuColors) << engine;
        EXPECT_FALSE(s.styleDisableHistoryColors) << engine;
    }
}

TEST_F(SpeechSetupTest, RestartChoosesAutomaticallyFirst)
{
    library.values[SpeechValue::kEngine] = 0;
    ASSERT_TRUE(setup.restart(s));
    ASSERT_GE(library.sets.size(), 2u);
    EXPECT_EQ(library.sets[0], std::make_pair(SpeechValue::kEngine, -1));
    EXPECT_EQ(library.sets[1], std::make_pair(0xFFFF, 0));
    EXPECT_TRUE(setup.selfSpeaking());
    EXPECT_FALSE(setup.jawsPresent());
}

TEST_F(SpeechSetupTest, AdjustSpeechValueStepsATwentiethAndClamps)
{
    struct Case {
        int current, minimum, maximum, steps;
        int expectedValue, expectedPercent;
    } cases[] = {
        {0, -10, 10, 1, 1, 55},      // range 20: step 1
        {0, 0, 100, 1, 5, 5},        // range 100: step 5
        {50, 0, 100, -3, 35, 35},
        {98, 0, 100, 1, 100, 100},   // clamped at the maximum
        {2, 0, 100, -1, 0, 0},       // clamped at the minimum
        {5, 0, 10, 1, 6, 60},        // range 10: at least 1
        {100, 0, 100, 1, 100, 100},  // already at the maximum
    };
    for (const Case& c : cases) {
        library.range(SpeechValue::kRate, c.current, c.minimum, c.maximum);
        EXPECT_EQ(setup.adjustSpeechValue(SpeechValue::kRate, c.steps), c.expectedPercent) << c.current;
        EXPECT_EQ(library.values[SpeechValue::kRate], c.expectedValue) << c.current;
    }
}

TEST_F(SpeechSetupTest, UnsupportedOrEmptyRangesChangeNothing)
{
    library.values[SpeechValue::kPitch] = 3;
    EXPECT_EQ(setup.adjustSpeechValue(SpeechValue::kPitch, 1), 0);
    library.range(SpeechValue::kVolume, 5, 5, 5);
    EXPECT_EQ(setup.adjustSpeechValue(SpeechValue::kVolume, 1), 0);
    EXPECT_TRUE(library.sets.empty());
}

TEST_F(SpeechSetupTest, RateKeysSpeakThePercentage)
{
    std::wstring spoken;
    library.range(SpeechValue::kRate, 10, -10, 10);
    ASSERT_TRUE(setup.runSpeechCommand(1009, s, spoken));
    EXPECT_EQ(spoken, L"100%");
    EXPECT_EQ(library.values[SpeechValue::kRate], 10);
    ASSERT_TRUE(setup.runSpeechCommand(1010, s, spoken));
    EXPECT_EQ(spoken, L"95%");
    EXPECT_EQ(library.values[SpeechValue::kRate], 9);
    ASSERT_EQ(library.spoken.size(), 2u);
    EXPECT_EQ(library.spoken[0], std::make_pair(std::wstring(L"100%"), true));

    library.values[SpeechValue::kRate + SpeechValue::kSupportedOffset] = 0;
    ASSERT_TRUE(setup.runSpeechCommand(1009, s, spoken));
    EXPECT_EQ(spoken, L"0%");
    EXPECT_FALSE(setup.runSpeechCommand(1033, s, spoken));
}

TEST_F(SpeechSetupTest, NextVoiceWalksEveryVoiceThenGoesBackToAutomatic)
{
    library.values[SpeechValue::kEngine] = 0;
    library.automaticEngine = 0;
    library.voices = {L"Anna", L"Bert", L"Carl"};
    std::wstring spoken;
    std::vector<std::wstring> heard;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(setup.runSpeechCommand(1008, s, spoken));
        heard.push_back(spoken);
        if (i < 3) {
            EXPECT_EQ(s.srEngine, 7);
            EXPECT_EQ(s.srVoice, i);
            EXPECT_EQ(library.values[SpeechValue::kVoice], i);
            EXPECT_TRUE(setup.selfSpeaking());
        }
    }
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"Anna", L"Bert", L"Carl", L"sapidisabled"}));
    EXPECT_EQ(s.srEngine, -1);
    EXPECT_EQ(library.sets.back(), std::make_pair(SpeechValue::kEngine, -1));
    EXPECT_FALSE(setup.selfSpeaking());
    for (const auto& said : library.spoken) EXPECT_TRUE(said.second);
    // The engine was switched to the synthesiser once, at the first press.
    int switches = 0;
    for (const auto& set : library.sets) switches += set == std::make_pair(SpeechValue::kEngine, 7);
    EXPECT_EQ(switches, 1);
}

TEST_F(SpeechSetupTest, NextVoiceWithoutVoicesAnnouncesAutomaticAtOnce)
{
    library.automaticEngine = 2;
    library.values[SpeechValue::kEngine] = 2;
    EXPECT_EQ(setup.nextVoice(s), L"sapidisabled");
    EXPECT_EQ(s.srEngine, -1);
    EXPECT_EQ(s.srVoice, -1);
    EXPECT_EQ(setup.engine(), 2);
}

TEST(ScreenReaderVersion, ReadAsScanfWould)
{
    struct Case {
        std::wstring text;
        std::array<int, 3> parts;
    } cases[] = {
        {L"1.2.3", {1, 2, 3}},  {L" 7 . 8", {7, 0, 0}}, {L"7. 8.9", {7, 8, 9}}, {L"", {4, 0, 0}},
        {L"-1.2", {-1, 2, 0}},  {L"3..4", {3, 0, 0}},   {L"99999999999.1", {2147483647, 1, 0}},
        {L"5.6.7.8", {5, 6, 7}}, {L"+5", {5, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(readScreenReaderVersion(c.text), c.parts) << common::wideToUtf8(c.text);
}

} // namespace
