// The recording engine: one line per call in both styles, text kept on one
// line, its values, and its set-up from the environment (the file it
// appends to, the engine number and voices it reports).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/file.h"
#include "platform/speech/RecordingEngine.h"
#include "platform/speech/Speech.h"
#include "support/TempDir.h"

namespace {

void setEnvironment(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    if (value.empty()) unsetenv(name);
    else setenv(name, value.c_str(), 1);
#endif
}

// Clears the recording engine's variables before and after a test.
class RecordingEnvironment : public ::testing::Test {
protected:
    RecordingEnvironment() { clear(); }
    ~RecordingEnvironment() override
    {
        speechStop();
        clear();
    }
    static void clear()
    {
        for (const char* name : {"ORVC_SPEECH_LOG", "ORVC_SPEECH_ENGINE", "ORVC_SPEECH_VOICES"}) {
            setEnvironment(name, "");
        }
    }
    TempDir dir;
};

TEST(RecordedText, ControlCharactersAndBackslashesAreEscaped)
{
    const struct {
        std::wstring text;
        std::string line;
    } cases[] = {
        {L"plain text", "plain text"},
        {L"two\r\nlines", "two\\x0d\\x0alines"},
        {L"tab\there", "tab\\x09here"},
        {L"back\\slash", "back\\x5cslash"},
        {L"del\x7f", "del\\x7f"},
        {L"caf\u00e9 \u20ac", "caf\xc3\xa9 \xe2\x82\xac"},
        {L"", ""},
        {std::wstring(L"nul\0in", 6), "nul\\x00in"},
    };
    for (const auto& c : cases) EXPECT_EQ(recordedText(c.text), c.line);
}

TEST(RecordingEngineLines, LogAndPrinterStyles)
{
    std::vector<std::string> lines;
    RecordingEngine log([&](const std::string& line) { lines.push_back(line); }, RecordingStyle::Log);
    log.say(L"hello", false);
    log.say(L"now\n", true);
    log.braille(L"dots");
    log.setValue(SpeechValue::kRate, 60);
    log.valueKept(SpeechValue::kEngine, -1);
    EXPECT_EQ(lines, (std::vector<std::string>{"say 0 hello", "say 1 now\\x0a", "braille dots", "set 4 60",
                                                "set 262144 -1"}));

    lines.clear();
    RecordingEngine printer([&](const std::string& line) { lines.push_back(line); }, RecordingStyle::Printer);
    printer.say(L"hello", true);
    printer.braille(L"dots");
    printer.setValue(SpeechValue::kRate, 60);
    EXPECT_EQ(lines, (std::vector<std::string>{"spoken: hello", "braille: dots"}));
}

TEST(RecordingEngineValues, RangesVoicesAndEngineNumbers)
{
    RecordingEngine engine([](const std::string&) {}, RecordingStyle::Log, 7, {L"Anna", L"Bert"});
    for (int p : {SpeechValue::kVolume, SpeechValue::kRate, SpeechValue::kPitch}) {
        EXPECT_EQ(engine.getValue(p + SpeechValue::kMaximumOffset), 100);
        EXPECT_EQ(engine.getValue(p + SpeechValue::kMinimumOffset), 0);
        EXPECT_EQ(engine.getValue(p + SpeechValue::kSupportedOffset), 1);
        EXPECT_TRUE(engine.setValue(p, 100));
        EXPECT_FALSE(engine.setValue(p, 101));
        EXPECT_FALSE(engine.setValue(p, -1));
        EXPECT_EQ(engine.getValue(p), 100);
    }
    EXPECT_EQ(engine.getValue(SpeechValue::kInflexion + SpeechValue::kSupportedOffset), 0);
    EXPECT_FALSE(engine.setValue(SpeechValue::kInflexion, 5));
    EXPECT_EQ(engine.getString(0x10001), L"Anna");
    EXPECT_EQ(engine.getString(0x10002), L"Bert");
    EXPECT_EQ(engine.getString(0x10003), L"");
    EXPECT_TRUE(engine.setValue(SpeechValue::kVoice, 1));
    EXPECT_FALSE(engine.setValue(SpeechValue::kVoice, 2));
    EXPECT_EQ(engine.getValue(SpeechValue::kVoice), 1);
    EXPECT_TRUE(engine.takeNumber(0));
    EXPECT_EQ(engine.number(), 0);
    EXPECT_FALSE(engine.takeNumber(-1));
    engine.resetNumber();
    EXPECT_EQ(engine.number(), 7);
}

TEST_F(RecordingEnvironment, UnsetLogMeansNoRecordingEngine)
{
    bool requested = true;
    EXPECT_EQ(recordingEngineFromEnvironment(requested), nullptr);
    EXPECT_FALSE(requested);
}

TEST_F(RecordingEnvironment, UnopenableLogIsReported)
{
    setEnvironment("ORVC_SPEECH_LOG", dir.file("missing-folder/speech.log"));
    bool requested = false;
    EXPECT_EQ(recordingEngineFromEnvironment(requested), nullptr);
    EXPECT_TRUE(requested);
}

TEST_F(RecordingEnvironment, LogIsAppendedThroughTheLayer)
{
    const std::string path = dir.file("speech.log");
    ASSERT_TRUE(common::writeWholeFile(path, "earlier line\n"));
    setEnvironment("ORVC_SPEECH_LOG", path);
    setEnvironment("ORVC_SPEECH_ENGINE", "2");
    setEnvironment("ORVC_SPEECH_VOICES", "One;Two");
    bool requested = false;
    std::vector<std::unique_ptr<SpeechEngine>> engines;
    engines.push_back(recordingEngineFromEnvironment(requested));
    ASSERT_TRUE(engines.back());
    ASSERT_EQ(speechStart(std::move(engines)), kSpeechDone);
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 2);
    EXPECT_EQ(speechGetString(0x10002), L"Two");
    speechSay(L"first", 0);
    speechSetValue(SpeechValue::kEngine, 7);
    speechSay(L"second\r\nline", 1);
    brailleDisplay(L"dots");
    EXPECT_EQ(speechGetValue(SpeechValue::kEngine), 7);
    std::string text;
    // Each line is in the file as soon as the call returns.
    ASSERT_TRUE(common::readWholeFile(path, text));
    EXPECT_EQ(text, "earlier line\nsay 0 first\nset 262144 7\nsay 1 second\\x0d\\x0aline\nbraille dots\n");
}

TEST_F(RecordingEnvironment, BadEngineNumbersFallBackToTheSynthesiser)
{
    for (const char* value : {"x", "-3", "7x", ""}) {
        setEnvironment("ORVC_SPEECH_ENGINE", value);
        auto engine = printingRecordingEngine([](const std::string&) {});
        EXPECT_EQ(engine->number(), 7) << value;
    }
    setEnvironment("ORVC_SPEECH_ENGINE", "0");
    EXPECT_EQ(printingRecordingEngine([](const std::string&) {})->number(), 0);
}

} // namespace
