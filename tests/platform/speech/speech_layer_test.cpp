// The speech layer's calls over fake engines: the automatic and explicit
// engine choice, what the layer keeps itself, names, and the calls before a
// start and after a stop.
#include <gtest/gtest.h>

#include <cwchar>

#include "FakeEngine.h"
#include "platform/speech/Speech.h"

namespace {

class SpeechLayerTest : public ::testing::Test {
protected:
    ~SpeechLayerTest() override { speechStop(); }

    // Starts the layer on engines (number, usable), each recording into its
    // own record.
    int start(std::initializer_list<std::pair<int, bool>> engines)
    {
        std::vector<std::unique_ptr<SpeechEngine>> list;
        records.clear();
        for (const auto& [number, usable] : engines) {
            records.push_back(std::make_shared<FakeEngineRecord>());
            list.push_back(std::make_unique<FakeEngine>(number, usable, records.back()));
        }
        return speechStart(std::move(list));
    }

    std::vector<std::shared_ptr<FakeEngineRecord>> records;
};

TEST_F(SpeechLayerTest, AutomaticChoiceTakesTheFirstUsableEngine)
{
    ASSERT_EQ(start({{0, false}, {2, true}, {7, true}}), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 2);
    EXPECT_EQ(speechSay(L"hello", 0), kSpeechDone);
    EXPECT_EQ(brailleDisplay(L"dots"), kSpeechDone);
    EXPECT_EQ(records[1]->said, std::vector<std::wstring>{L"hello"});
    EXPECT_EQ(records[1]->brailled, std::vector<std::wstring>{L"dots"});
    EXPECT_TRUE(records[2]->said.empty());
}

TEST_F(SpeechLayerTest, ExplicitChoiceOfAnEngineThatCannotSpeakKeepsTheCurrentOne)
{
    ASSERT_EQ(start({{0, false}, {2, true}, {7, true}}), kSpeechDone);
    EXPECT_EQ(speechSetValue(SpeechValue::kEngine, 7), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 7);
    EXPECT_EQ(speechSetValue(SpeechValue::kEngine, 0), kSpeechFailed);
    EXPECT_EQ(speechSetValue(SpeechValue::kEngine, 5), kSpeechFailed);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 7);
    EXPECT_EQ(speechSetValue(SpeechValue::kEngine, -1), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 2);
}

TEST_F(SpeechLayerTest, ValuesGoToTheActiveEngineButTheLayerKeepsItsOwn)
{
    ASSERT_EQ(start({{7, true}}), kSpeechDone);
    EXPECT_EQ(speechSetValue(SpeechValue::kVolume, 30), kSpeechDone);
    EXPECT_EQ(speechSetValue(SpeechValue::kRate, 3), kSpeechFailed); // refused by the engine
    EXPECT_EQ(speechGetValue(SpeechValue::kVolume), 30);
    EXPECT_EQ(speechSetValue(SpeechValue::kNativeSpeechAllowed, 1), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kNativeSpeechAllowed), 1);
    const std::vector<std::pair<int, int>> engineSaw{{0, 30}, {4, 3}};
    EXPECT_EQ(records[0]->sets, engineSaw);
    EXPECT_EQ(speechGetString(0x10001), L"voice of fake 7");
}

TEST_F(SpeechLayerTest, EnginesAreNamedByNumber)
{
    ASSERT_EQ(start({{0, false}, {2, true}, {7, true}}), kSpeechDone);
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 0), L"fake 0");
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 7), L"fake 7");
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 1), L"");
    EXPECT_EQ(speechGetString(SpeechValue::kEngine + 1 + 8), L"");
}

TEST_F(SpeechLayerTest, NothingSpeaksWithoutAStartedLayer)
{
    EXPECT_EQ(start({{0, false}, {2, false}}), kSpeechFailed);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(speechSay(L"lost", 1), kSpeechFailed);
        EXPECT_EQ(brailleDisplay(L"lost"), kSpeechFailed);
        EXPECT_EQ(speechSetValue(SpeechValue::kVolume, 1), kSpeechFailed);
        EXPECT_EQ(speechGetValue(SpeechValue::kEngine), -1);
        EXPECT_EQ(speechGetValue(SpeechValue::kVolume), 0);
        EXPECT_EQ(speechGetString(0x10001), L"");
        ASSERT_EQ(start({{7, true}}), kSpeechDone);
        speechStop();
    }
    EXPECT_TRUE(records[0]->said.empty());
}

TEST_F(SpeechLayerTest, ScreenReaderQueriesFillTheBufferWithinItsSize)
{
    // Neither JAWS nor NVDA runs on a test machine: an empty answer.
    wchar_t buffer[8];
    for (auto query : {jfwGetRunningVersion, jfwGetUserSettingsDirectory, nvdaGetRunningVersion}) {
        std::wmemset(buffer, L'x', 8);
        EXPECT_EQ(query(buffer, 8), kSpeechFailed);
        EXPECT_EQ(buffer[0], L'\0');
        EXPECT_EQ(buffer[1], L'x');
        EXPECT_EQ(query(nullptr, 8), kSpeechFailed);
        EXPECT_EQ(query(buffer, 0), kSpeechFailed);
    }
    EXPECT_EQ(uninstallKeyboardHook(), kSpeechDone);
}

} // namespace
