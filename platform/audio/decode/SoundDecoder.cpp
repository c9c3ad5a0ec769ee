// Choosing the decoder by the first bytes.
#include "platform/audio/decode/SoundDecoder.h"

#include <cstring>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/core/WavFile.h"

namespace audio {

Decoded decodeSound(const std::uint8_t* data, std::size_t size)
{
    Decoded out;
    if (data && size >= 4 && std::memcmp(data, "OggS", 4) == 0) return decodeVorbis(data, size);
    const WavRead wav = readWav(data, size);
    if (wav.status == WavStatus::Ok && wav.pcm.frames() > 0) {
        out.pcm = wav.pcm;
        out.damaged = wav.truncated;
        return out;
    }
    // MIDI and every other format: not one this layer plays.
    out.error = wav.status == WavStatus::Ok ? kErrorCodec : kErrorFileForm;
    return out;
}

} // namespace audio
