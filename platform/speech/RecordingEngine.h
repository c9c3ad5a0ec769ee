// The recording engine: it speaks nothing and writes one line per call, so
// that tests (and the headless client's reader) see what the client said.
// It behaves as a synthesiser would: values with ranges, a voice list.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/speech/SpeechEngine.h"

enum class RecordingStyle {
    // "say <0|1> <text>", "braille <text>", "set <number> <value>".
    Log,
    // "spoken: <text>", "braille: <text>"; value changes are not written.
    Printer,
};

class RecordingEngine : public SpeechEngine {
public:
    // writeLine gets each line without its line break, as the calls come.
    RecordingEngine(std::function<void(const std::string&)> writeLine, RecordingStyle style,
                    int engineNumber = 7, std::vector<std::wstring> voices = {});

    int number() const override { return number_; }
    std::wstring name() const override { return L"Recording"; }
    bool isUsable() override { return true; }
    bool takeNumber(int engine) override;
    void resetNumber() override { number_ = ownNumber_; }
    bool say(std::wstring_view text, bool interrupt) override;
    bool braille(std::wstring_view text) override;
    bool setValue(int number, int value) override;
    int getValue(int number) override;
    std::wstring getString(int number) override;
    void valueKept(int number, int value) override;

    // The range of volume, rate and pitch; inflexion is not supported.
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;

private:
    void writeSet(int number, int value);

    std::function<void(const std::string&)> writeLine_;
    RecordingStyle style_;
    int ownNumber_;
    int number_;
    std::vector<std::wstring> voices_;
    std::map<int, int> values_;
};

// The text as UTF-8 on one line. Control characters (CR and LF among them),
// DEL and the backslash are written as \xNN with two lower-case hexadecimal
// digits, as the headless client prints protocol text, so a line of the log
// is always one call and "\x0a" in it is a line break of the text.
std::string recordedText(std::wstring_view text);

// The recording engine of the environment: ORVC_SPEECH_LOG=<file> appends
// Log lines to the file (flushed line by line), ORVC_SPEECH_ENGINE=<n> gives
// the engine number it reports (7 without it), ORVC_SPEECH_VOICES gives its
// voices separated by ";". Null when ORVC_SPEECH_LOG is unset or empty;
// `requested` tells whether it was set, so that a file that cannot be
// opened is told from no request.
std::unique_ptr<SpeechEngine> recordingEngineFromEnvironment(bool& requested);

// A recording engine that prints through `printLine` in the Printer style,
// with the engine number and voices of the environment as above.
std::unique_ptr<SpeechEngine> printingRecordingEngine(std::function<void(const std::string&)> printLine);
