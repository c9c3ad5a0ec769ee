// Sound files of any bytes (WAV, Ogg Vorbis, anything else): the decoders
// read only what they were given, and what they decode plays through the
// mixer as finite samples.
#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/audio/core/Mixer.h"
#include "platform/audio/decode/SoundDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    audio::Decoded read = audio::decodeSound(data, size);
    if (read.error != 0 || read.pcm.frames() == 0) return 0;
    if (read.pcm.samples.size() % static_cast<std::size_t>(read.pcm.channels) != 0) std::abort();
    audio::Mixer mixer(8000);
    const audio::Handle ch = mixer.sampleChannel(mixer.loadSample(std::make_shared<audio::Pcm>(std::move(read.pcm)), 1, false));
    mixer.setLoop(ch, size % 2 == 0);
    mixer.play(ch, false);
    float out[2 * 256];
    mixer.render(out, 256);
    for (const float s : out) {
        if (!std::isfinite(s) || std::fabs(s) > 4.f) std::abort();
    }
    return 0;
}
