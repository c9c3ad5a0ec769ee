// The speech-dispatcher engine over libspeechd. All libspeechd calls run on
// the engine's thread: a connection in single mode takes one call at a time,
// and a slow daemon then never holds up the caller of speechSay.
#include "platform/speech/posix/SpeechDispatcherEngine.h"

#include <libspeechd.h>

#include <csignal>
#include <map>
#include <cstdlib>
#include <vector>

#include "common/utf8.h"
#include "platform/speech/Speech.h"
#include "platform/speech/SpeechQueue.h"

namespace {

// speech-dispatcher's own range for volume, rate and pitch.
constexpr int kSpdMinimum = -100;
constexpr int kSpdMaximum = 100;

struct ConnectionCloser {
    void operator()(SPDConnection* c) const { spd_close(c); }
};
using ConnectionPtr = std::unique_ptr<SPDConnection, ConnectionCloser>;

struct VoicesFree {
    void operator()(SPDVoice** v) const { free_spd_voices(v); }
};
struct ModulesFree {
    void operator()(char** m) const { free_spd_modules(m); }
};

std::vector<std::string> voiceNames(SPDConnection* c)
{
    std::vector<std::string> names;
    std::unique_ptr<SPDVoice*, VoicesFree> voices(spd_list_synthesis_voices(c));
    for (SPDVoice** v = voices.get(); v && *v; ++v) names.push_back((*v)->name ? (*v)->name : "");
    return names;
}

std::vector<std::string> moduleNames(SPDConnection* c)
{
    std::vector<std::string> names;
    std::unique_ptr<char*, ModulesFree> modules(spd_list_modules(c));
    for (char** m = modules.get(); m && *m; ++m) names.push_back(*m);
    return names;
}

class SpeechDispatcherEngine : public SpeechEngine {
public:
    explicit SpeechDispatcherEngine(ConnectionPtr connection)
        : connection_(std::move(connection)), queue_({}, [this] { connection_.reset(); })
    {
    }

    int number() const override { return SpeechEngineNumber::kSynthesiser; }
    std::wstring name() const override { return L"Speech Dispatcher"; }
    bool isUsable() override { return true; }

    bool say(std::wstring_view text, bool interrupt) override
    {
        std::string utf8 = common::wideToUtf8(text);
        queue_.post(
            [this, utf8 = std::move(utf8), interrupt] {
                if (!connection_) return;
                if (interrupt) spd_cancel(connection_.get());
                // "message" priority: the daemon queues each behind the one
                // it speaks; "text" would let a newer text stop the one
                // being spoken, and a burst would lose lines.
                if (!utf8.empty()) spd_say(connection_.get(), SPD_MESSAGE, utf8.c_str());
            },
            interrupt);
        return true;
    }

    bool braille(std::wstring_view) override { return false; }

    bool setValue(int number, int value) override
    {
        bool ok = false;
        queue_.call([&] { ok = connection_ && apply(number, value); });
        return ok;
    }

    int getValue(int number) override
    {
        int value = 0;
        queue_.call([&] {
            if (connection_) value = read(number);
        });
        return value;
    }

    std::wstring getString(int number) override
    {
        std::string text;
        queue_.call([&] {
            if (!connection_) return;
            std::vector<std::string> names;
            int index = -1;
            if (number > SpeechValue::kVoice && number < SpeechValue::kLanguage) {
                names = voiceNames(connection_.get());
                index = number - SpeechValue::kVoice - 1;
            } else if (number > SpeechValue::kSubengine && number < SpeechValue::kEngine) {
                names = moduleNames(connection_.get());
                index = number - SpeechValue::kSubengine - 1;
            }
            if (index >= 0 && static_cast<std::size_t>(index) < names.size()) text = names[index];
        });
        return common::utf8ToWide(text);
    }

private:
    bool apply(int number, int value)
    {
        SPDConnection* c = connection_.get();
        const bool inRange = value >= kSpdMinimum && value <= kSpdMaximum;
        switch (number) {
        case SpeechValue::kVolume:
            return inRange && spd_set_volume(c, value) == 0 && remember(number, value);
        case SpeechValue::kRate:
            return inRange && spd_set_voice_rate(c, value) == 0 && remember(number, value);
        case SpeechValue::kPitch:
            return inRange && spd_set_voice_pitch(c, value) == 0 && remember(number, value);
        case SpeechValue::kVoice: {
            const std::vector<std::string> names = voiceNames(c);
            if (value < 0 || static_cast<std::size_t>(value) >= names.size()) return false;
            return spd_set_synthesis_voice(c, names[value].c_str()) == 0 && remember(number, value);
        }
        case SpeechValue::kSubengine: {
            const std::vector<std::string> names = moduleNames(c);
            if (value < 0 || static_cast<std::size_t>(value) >= names.size()) return false;
            return spd_set_output_module(c, names[value].c_str()) == 0 && remember(number, value);
        }
        default: return false;
        }
    }

    bool remember(int number, int value)
    {
        chosen_[number] = value;
        return true;
    }

    int read(int number)
    {
        SPDConnection* c = connection_.get();
        if (number >= SpeechValue::kVolume && number < SpeechValue::kInflexion) {
            const int base = number & ~3;
            switch (number - base) {
            case SpeechValue::kMaximumOffset: return kSpdMaximum;
            case SpeechValue::kMinimumOffset: return kSpdMinimum;
            case SpeechValue::kSupportedOffset: return 1;
            default: break;
            }
            if (base == SpeechValue::kVolume) return spd_get_volume(c);
            if (base == SpeechValue::kRate) return spd_get_voice_rate(c);
            return spd_get_voice_pitch(c);
        }
        if (number == SpeechValue::kVoice || number == SpeechValue::kSubengine) {
            const auto found = chosen_.find(number);
            // The daemon's default until one is chosen: the first entry.
            return found == chosen_.end() ? 0 : found->second;
        }
        return 0;
    }

    ConnectionPtr connection_;
    std::map<int, int> chosen_;
    SpeechQueue queue_;
};

} // namespace

std::unique_ptr<SpeechEngine> openSpeechDispatcher(bool autospawn, std::string& error)
{
    // A daemon that goes away must not end the client through a write to its
    // closed socket.
    std::signal(SIGPIPE, SIG_IGN);
    char* reason = nullptr;
    ConnectionPtr connection(spd_open2("orvc", "main", nullptr, SPD_MODE_SINGLE, nullptr, autospawn ? 1 : 0, &reason));
    if (!connection) {
        error = reason ? reason : "speech-dispatcher did not answer";
        std::free(reason);
        return nullptr;
    }
    std::free(reason);
    spd_set_data_mode(connection.get(), SPD_DATA_TEXT);
    return std::make_unique<SpeechDispatcherEngine>(std::move(connection));
}
