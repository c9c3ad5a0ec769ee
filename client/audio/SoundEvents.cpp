// The "audio:" lines.
#include "client/audio/SoundEvents.h"

namespace {

std::string printable(const std::string& text)
{
    std::string out = text;
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') c = ' ';
        else if (u < 0x20 || u == 0x7F) c = '?';
    }
    return out;
}

} // namespace

std::string formatSoundEvent(const SoundEvent& e)
{
    const std::string handle = std::to_string(e.handle);
    const std::string number = std::to_string(e.number);
    switch (e.kind) {
    case SoundEvent::Kind::Play: return "audio: play " + number + " " + printable(e.text) + " -> " + handle;
    case SoundEvent::Kind::Load: return "audio: load " + printable(e.text) + " -> " + handle;
    case SoundEvent::Kind::Ended: return "audio: ended " + handle;
    case SoundEvent::Kind::State: return "audio: state " + printable(e.text) + " " + number;
    case SoundEvent::Kind::StopSounds: return "audio: stop sounds";
    case SoundEvent::Kind::StopStreams: return "audio: stop streams";
    case SoundEvent::Kind::SoundsVolume: return "audio: sounds volume " + number;
    case SoundEvent::Kind::StreamsVolume: return "audio: streams volume " + number;
    case SoundEvent::Kind::Device: return "audio: device " + number + " " + printable(e.text);
    }
    return "audio: ?";
}
