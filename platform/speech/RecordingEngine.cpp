// The recording engine's lines, values and its set-up from the environment.
#include "platform/speech/RecordingEngine.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "common/file.h"
#include "common/numbers.h"
#include "common/printable.h"
#include "common/utf8.h"
#include "platform/speech/Speech.h"

namespace {

bool isRangeValue(int number)
{
    return number >= SpeechValue::kVolume && number <= SpeechValue::kInflexion + SpeechValue::kSupportedOffset;
}

std::string environmentText(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

int engineNumberFromEnvironment()
{
    const std::string text = environmentText("ORVC_SPEECH_ENGINE");
    std::size_t used = 0;
    const long number = common::readLong(text, &used);
    if (text.empty() || used != text.size() || number < 0 || number > 0xFFFF) return SpeechEngineNumber::kSynthesiser;
    return static_cast<int>(number);
}

std::vector<std::wstring> voicesFromEnvironment()
{
    std::vector<std::wstring> voices;
    const std::string text = environmentText("ORVC_SPEECH_VOICES");
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) voices.push_back(common::utf8ToWide(text.substr(start, end - start)));
        start = end + 1;
    }
    return voices;
}

// Appends whole lines to a file and flushes each at once, so that a reader
// polling the file never sees half a line and nothing waits in a buffer when
// the program is killed.
class LineFile {
public:
    explicit LineFile(common::FilePtr file) : file_(std::move(file)) {}

    void write(const std::string& line)
    {
        std::lock_guard<std::mutex> guard(lock_);
        std::string whole = line;
        whole.push_back('\n');
        std::fwrite(whole.data(), 1, whole.size(), file_.get());
        std::fflush(file_.get());
    }

private:
    std::mutex lock_;
    common::FilePtr file_;
};

} // namespace

std::string recordedText(std::wstring_view text) { return common::printable(common::wideToUtf8(text)); }

RecordingEngine::RecordingEngine(std::function<void(const std::string&)> writeLine, RecordingStyle style,
                                 int engineNumber, std::vector<std::wstring> voices)
    : writeLine_(std::move(writeLine)), style_(style), ownNumber_(engineNumber), number_(engineNumber),
      voices_(std::move(voices))
{
    const int middle = (kMinimum + kMaximum) / 2;
    values_[SpeechValue::kVolume] = kMaximum;
    values_[SpeechValue::kRate] = middle;
    values_[SpeechValue::kPitch] = middle;
    values_[SpeechValue::kVoice] = voices_.empty() ? -1 : 0;
}

bool RecordingEngine::takeNumber(int engine)
{
    if (engine < 0) return false;
    number_ = engine;
    return true;
}

bool RecordingEngine::say(std::wstring_view text, bool interrupt)
{
    if (style_ == RecordingStyle::Log) {
        writeLine_(std::string("say ") + (interrupt ? "1 " : "0 ") + recordedText(text));
    } else {
        writeLine_("spoken: " + recordedText(text));
    }
    return true;
}

bool RecordingEngine::braille(std::wstring_view text)
{
    writeLine_((style_ == RecordingStyle::Log ? "braille " : "braille: ") + recordedText(text));
    return true;
}

void RecordingEngine::writeSet(int number, int value)
{
    if (style_ == RecordingStyle::Log) writeLine_("set " + std::to_string(number) + " " + std::to_string(value));
}

void RecordingEngine::valueKept(int number, int value) { writeSet(number, value); }

bool RecordingEngine::setValue(int number, int value)
{
    writeSet(number, value);
    switch (number) {
    case SpeechValue::kVolume:
    case SpeechValue::kRate:
    case SpeechValue::kPitch:
        if (value < kMinimum || value > kMaximum) return false;
        values_[number] = value;
        return true;
    case SpeechValue::kVoice:
        if (value < 0 || static_cast<std::size_t>(value) >= voices_.size()) return false;
        values_[number] = value;
        return true;
    default:
        return false;
    }
}

int RecordingEngine::getValue(int number)
{
    if (isRangeValue(number)) {
        const int base = number & ~3;
        if (base == SpeechValue::kInflexion) return 0;
        switch (number - base) {
        case SpeechValue::kMaximumOffset: return kMaximum;
        case SpeechValue::kMinimumOffset: return kMinimum;
        case SpeechValue::kSupportedOffset: return 1;
        default: return values_[base];
        }
    }
    if (number == SpeechValue::kVoice) return values_[number];
    return 0;
}

std::wstring RecordingEngine::getString(int number)
{
    const int index = number - SpeechValue::kVoice - 1;
    if (index >= 0 && static_cast<std::size_t>(index) < voices_.size()) return voices_[index];
    return {};
}

std::unique_ptr<SpeechEngine> recordingEngineFromEnvironment(bool& requested)
{
    const std::string path = environmentText("ORVC_SPEECH_LOG");
    requested = !path.empty();
    if (!requested) return nullptr;
    common::FilePtr file = common::openFile(path, "ab");
    if (!file) return nullptr;
    auto sink = std::make_shared<LineFile>(std::move(file));
    return std::make_unique<RecordingEngine>([sink](const std::string& line) { sink->write(line); },
                                             RecordingStyle::Log, engineNumberFromEnvironment(),
                                             voicesFromEnvironment());
}

std::unique_ptr<SpeechEngine> printingRecordingEngine(std::function<void(const std::string&)> printLine)
{
    return std::make_unique<RecordingEngine>(std::move(printLine), RecordingStyle::Printer,
                                             engineNumberFromEnvironment(), voicesFromEnvironment());
}
