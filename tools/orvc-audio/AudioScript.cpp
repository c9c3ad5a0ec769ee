// Reading and running audio scripts.
#include "AudioScript.h"

#include <charconv>
#include <sstream>

#include "client/audio/Sounds.h"
#include "orvaudio.h"

namespace {

constexpr std::uint64_t kRate = 44100;
constexpr std::uint32_t kDefaultFlags = 8 | 16;
constexpr std::uint64_t kLongestScript = 24ull * 3600 * 1000; // ms

template <class T> bool number(const std::string& word, T& out)
{
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), out);
    return error == std::errc() && end == word.data() + word.size();
}

// The rest of a line after `words` words and the blanks that follow them.
std::string restAfter(const std::string& line, int words)
{
    std::size_t at = 0;
    for (int i = 0; i < words; ++i) {
        at = line.find_first_not_of(" \t", at);
        at = at == std::string::npos ? line.size() : line.find_first_of(" \t", at);
        if (at == std::string::npos) at = line.size();
    }
    const std::size_t start = line.find_first_not_of(" \t", at);
    return start == std::string::npos ? std::string() : line.substr(start);
}

} // namespace

AudioScript::AudioScript(Sounds& sounds, std::function<void(std::uint32_t)> mix) : sounds_(sounds), mix_(std::move(mix)) {}

bool AudioScript::channelMayPlay(int channel) const
{
    const auto found = flags_.find(channel);
    const std::uint32_t flags = found == flags_.end() ? kDefaultFlags : found->second;
    return (flags & (background_ ? 16u : 8u)) != 0;
}

bool AudioScript::advanceTo(std::uint64_t ms, std::string& error)
{
    if (ms > kLongestScript) {
        error = "time beyond 24 hours";
        return false;
    }
    const std::uint64_t target = ms * kRate / 1000;
    if (target < frames_) {
        error = "time goes back";
        return false;
    }
    while (frames_ < target) {
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(target - frames_, 4410));
        mix_(n);
        frames_ += n;
    }
    return true;
}

ScriptError AudioScript::run(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    for (int n = 1; std::getline(lines, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string error;
        if (!runLine(line, error)) return {n, error};
    }
    return {};
}

bool AudioScript::runLine(const std::string& whole, std::string& error)
{
    std::string line = whole;
    for (std::size_t at = 0; (at = line.find('#', at)) != std::string::npos; ++at) {
        if (at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t') {
            line.erase(at);
            break;
        }
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;) w.push_back(word);
    if (w.empty()) return true;
    std::string command = line;
    if (w[0] == "at" || w[0] == "end") {
        std::uint64_t ms = 0;
        if (w.size() < 2 || !number(w[1], ms)) {
            error = "a time in milliseconds is missing";
            return false;
        }
        if (!advanceTo(ms, error)) return false;
        if (w[0] == "end") return true;
        command = restAfter(line, 2);
        w.erase(w.begin(), w.begin() + 2);
        if (w.empty()) return true;
    }
    const std::string& verb = w[0];
    int channel = 0;
    if (verb == "play" && w.size() >= 2 && number(w[1], channel)) {
        last_ = sounds_.playSound(restAfter(command, 2), channel);
        filters_.clear();
        return true;
    }
    if (verb == "load" && w.size() == 2) return sounds_.preloadSound(w[1]), true;
    if (verb == "state" && w.size() == 2) return sounds_.isSoundActive(w[1]), true;
    if (verb == "stop" && w.size() == 2 && (w[1] == "sounds" || w[1] == "streams")) {
        if (w[1] == "sounds") sounds_.stopAllSounds();
        else sounds_.stopAllStreams();
        return true;
    }
    int percent = 0;
    if (verb == "volume" && (w.size() == 3 || (w.size() == 4 && w[3] == "relative")) &&
        (w[1] == "sounds" || w[1] == "streams") && number(w[2], percent)) {
        if (w[1] == "sounds") sounds_.changeSoundsVolume(percent, w.size() == 4);
        else sounds_.changeStreamsVolume(percent, w.size() == 4);
        return true;
    }
    int device = 0;
    if (verb == "device" && w.size() == 2 && number(w[1], device)) {
        sounds_.setAudioDevice(device);
        return true;
    }
    std::uint32_t flags = 0;
    if (verb == "channel" && w.size() == 3 && number(w[1], channel) && number(w[2], flags)) {
        flags_[channel] = flags;
        return true;
    }
    if (verb == "background" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        background_ = w[1] == "on";
        return true;
    }
    if (verb == "filter" && w.size() == 2 && w[1] == "off") {
        for (const std::uint32_t fx : filters_) oaChannelRemoveFX(last_, fx);
        filters_.clear();
        return true;
    }
    float hz = 0, q = 0.707f;
    if (verb == "filter" && (w.size() == 3 || w.size() == 4) && (w[1] == "lowpass" || w[1] == "highpass") &&
        number(w[2], hz) && (w.size() == 3 || number(w[3], q))) {
        const std::uint32_t fx = oaChannelSetFX(last_, OA_FX_BIQUAD, 0);
        const OaBiquadParameters p{w[1] == "lowpass" ? OA_BIQUAD_LOWPASS : OA_BIQUAD_HIGHPASS, hz, 0, 0, q, 0, -1};
        if (fx != 0 && oaFXSetParameters(fx, &p)) filters_.push_back(fx);
        return true;
    }
    OaVector at{};
    if (verb == "3d" && w.size() == 4 && number(w[1], at.x) && number(w[2], at.y) && number(w[3], at.z)) {
        oaChannelSet3DAttributes(last_, OA_3DMODE_NORMAL, 1, 100, 360, 360, 1);
        oaChannelSet3DPosition(last_, &at, nullptr, nullptr);
        oaApply3D();
        return true;
    }
    error = "not understood: " + command;
    return false;
}
