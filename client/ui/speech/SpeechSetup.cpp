// The speech set-up and keys.
#include "client/ui/speech/SpeechSetup.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <cwctype>

#include "client/core/DebugLog.h"
#include "client/core/Language.h"
#include "client/core/Settings.h"
#include "common/file.h"
#include "common/format.h"
#include "common/utf8.h"
#include "platform/speech/Speech.h"

namespace {

// The buffer sizes the library is asked with, in characters.
constexpr int kVersionBufferSize = 255;
constexpr int kDirectoryBufferSize = 511;

// Engines whose screen readers follow the window only with colours off.
constexpr int kPlainEngineA = 1;
constexpr int kPlainEngineB = 6;

// NVDA numbers its versions by year since 2017: 2019.3.1 counts as 19.3.1.
constexpr int kYearVersionBase = 2000;

constexpr int kWindowCommandNextVoice = 1008;
constexpr int kWindowCommandRateUp = 1009;
constexpr int kWindowCommandRateDown = 1010;

// What JAWS is told about the client's controls: MSAA for everything, and
// the list view read by JAWS itself.
constexpr const char* kJawsConfigName = "orvc.jcf";
constexpr const char* kJawsConfig = "[options]\r\nMSAAMode=3\r\n[MSAAClasses]\r\nSysListView32=0\r\n";

std::wstring askText(SpeechLibrary& library, int (SpeechLibrary::*query)(wchar_t*, int), int size)
{
    std::wstring buffer(static_cast<std::size_t>(size), L'\0');
    if ((library.*query)(buffer.data(), size) == 0) return {};
    buffer.resize(std::wcslen(buffer.c_str()));
    return buffer;
}

// One "%d" conversion as scanf makes it: white space, a sign, digits (kept
// within int). False when there is no digit.
bool readNumber(std::wstring_view text, std::size_t& at, int& out)
{
    while (at < text.size() && std::iswspace(static_cast<wint_t>(text[at]))) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9') return false;
    long long value = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') {
        if (value <= INT_MAX) value = value * 10 + (text[at] - L'0');
        ++at;
    }
    if (value > INT_MAX) value = INT_MAX;
    out = static_cast<int>(negative ? -value : value);
    return true;
}

} // namespace

std::array<int, 3> readScreenReaderVersion(std::wstring_view text)
{
    std::array<int, 3> parts{4, 0, 0};
    std::size_t at = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            if (at >= text.size() || text[at] != L'.') break;
            ++at;
        }
        if (!readNumber(text, at, parts[i])) break;
    }
    return parts;
}

std::uint64_t screenReaderDescription(const std::array<int, 3>& version, bool known, int engine)
{
    std::uint32_t low = 0;
    if (known) {
        low = (static_cast<std::uint32_t>(version[0]) << 24) | (static_cast<std::uint32_t>(version[1]) << 16)
            | (static_cast<std::uint32_t>(version[2]) & 0xFFFFu);
    }
    std::uint32_t high = static_cast<std::int32_t>(low) < 0 ? 0xFFFFFFFFu : 0u;
    high |= static_cast<std::uint32_t>(engine + 2);
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

void SpeechSetup::takeVersion(const std::wstring& text, const char* logPrefix, bool yearNumbered)
{
    if (text.empty()) return;
    std::array<int, 3> v = readScreenReaderVersion(text);
    if (yearNumbered && v[0] > kYearVersionBase) v[0] -= kYearVersionBase;
    version_ = v;
    versionKnown_ = true;
    debugLogf(256, "%s%d.%d.%d", logPrefix, v[0], v[1], v[2]);
}

bool SpeechSetup::initialize(Settings& settings)
{
    debugLog("Initializing UniversalSpeech...");
    if (!library_.start()) return false;
    library_.setValue(SpeechValue::kNativeSpeechAllowed, settings.srEngine >= 0 ? 1 : 0);
    const std::pair<int, int> values[] = {
        {SpeechValue::kEngine, settings.srEngine},     {SpeechValue::kSubengine, settings.srSubengine},
        {SpeechValue::kLanguage, settings.srLanguage}, {SpeechValue::kVoice, settings.srVoice},
        {SpeechValue::kVolume, settings.srVolume},     {SpeechValue::kRate, settings.srRate},
        {SpeechValue::kPitch, settings.srPitch},       {SpeechValue::kInflexion, settings.srInflexion},
    };
    for (const auto& [number, value] : values) {
        if (value >= 0) library_.setValue(number, value);
    }

    version_ = {0, 0, 0};
    versionKnown_ = false;
    description_ = 0;
    jawsPresent_ = false;
    plainControls_ = false;
    engine_ = library_.getValue(SpeechValue::kEngine);
    selfSpeaking_ = engine_ == SpeechEngineNumber::kSynthesiser;
    if (engine_ == SpeechEngineNumber::kJaws) {
        setUpJaws();
    } else if (engine_ == SpeechEngineNumber::kNvda) {
        takeVersion(askText(library_, &SpeechLibrary::nvdaGetRunningVersion, kVersionBufferSize), "NVDA Version: ", true);
    } else if (engine_ == kPlainEngineA || engine_ == kPlainEngineB) {
        plainControls_ = true;
        settings.styleDisableMenuColors = true;
        settings.styleDisableHistoryColors = true;
    }
    description_ = ::screenReaderDescription(version_, versionKnown_, engine_);

    debugLogf(64, "Speech engine selected: #%d", engine_);
    debugLog("Speech initialized OK");
    return true;
}

void SpeechSetup::setUpJaws()
{
    jawsPresent_ = true;
    const std::wstring folder = askText(library_, &SpeechLibrary::jfwGetUserSettingsDirectory, kDirectoryBufferSize);
    if (!folder.empty()) {
        const std::string path = common::wideToUtf8(folder) + kJawsConfigName;
        // Whatever the player or JAWS keeps in an existing file stays.
        if (!common::openFile(path, "rb")) common::writeWholeFile(path, kJawsConfig);
    }
    takeVersion(askText(library_, &SpeechLibrary::jfwGetRunningVersion, kVersionBufferSize), "JFW Version: ", false);
    description_ = ::screenReaderDescription(version_, versionKnown_, SpeechEngineNumber::kJaws);
}

bool SpeechSetup::restart(Settings& settings)
{
    library_.setValue(SpeechValue::kEngine, SpeechEngineNumber::kAutomatic);
    return initialize(settings);
}

int SpeechSetup::adjustSpeechValue(int p, int steps)
{
    if (library_.getValue(p + SpeechValue::kSupportedOffset) == 0) return 0;
    const int maximum = library_.getValue(p + SpeechValue::kMaximumOffset);
    const int minimum = library_.getValue(p + SpeechValue::kMinimumOffset);
    // An engine with an empty range has nothing to step through.
    if (maximum <= minimum) return 0;
    const long long step = std::max(1, (maximum - minimum) / 20);
    long long value = library_.getValue(p) + step * steps;
    value = std::clamp<long long>(value, minimum, maximum);
    library_.setValue(p, static_cast<int>(value));
    return static_cast<int>((value - minimum) * 100 / (maximum - minimum));
}

std::wstring SpeechSetup::nextVoice(Settings& settings)
{
    int current = -1;
    if (library_.getValue(SpeechValue::kEngine) == SpeechEngineNumber::kSynthesiser) {
        current = library_.getValue(SpeechValue::kVoice);
    } else {
        library_.setValue(SpeechValue::kEngine, SpeechEngineNumber::kSynthesiser);
        settings.srEngine = SpeechEngineNumber::kSynthesiser;
    }
    const int next = current + 1;
    std::wstring spoken = next >= 0 ? library_.getString(SpeechValue::kVoice + 1 + next) : std::wstring();
    if (!spoken.empty()) {
        library_.setValue(SpeechValue::kVoice, next);
        settings.srVoice = next;
    } else {
        library_.setValue(SpeechValue::kEngine, SpeechEngineNumber::kAutomatic);
        settings.srEngine = SpeechEngineNumber::kAutomatic;
        spoken = translate("sapidisabled");
    }
    library_.say(spoken, true);
    updateSelfSpeaking();
    return spoken;
}

std::wstring SpeechSetup::changeRate(int steps)
{
    const std::wstring spoken = common::formatBoundedW(32, L"%d%%", adjustSpeechValue(SpeechValue::kRate, steps));
    library_.say(spoken, true);
    return spoken;
}

bool SpeechSetup::runSpeechCommand(int command, Settings& settings, std::wstring& spoken)
{
    switch (command) {
    case kWindowCommandNextVoice: spoken = nextVoice(settings); return true;
    case kWindowCommandRateUp: spoken = changeRate(1); return true;
    case kWindowCommandRateDown: spoken = changeRate(-1); return true;
    default: return false;
    }
}

void SpeechSetup::updateSelfSpeaking()
{
    engine_ = library_.getValue(SpeechValue::kEngine);
    selfSpeaking_ = engine_ == SpeechEngineNumber::kSynthesiser;
}

SpeechSetup& speechSetup()
{
    static SpeechSetup setup(systemSpeechLibrary());
    return setup;
}
