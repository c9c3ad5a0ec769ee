// Decoding a whole sound held in memory, the format told by its content and
// not by its name: WAV, Ogg Vorbis (chained streams too), MP3.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio/core/Pcm.h"

namespace audio {

struct Decoded {
    int error = 0; // 0, or kErrorFileForm (a format not played), kErrorCodec
    Pcm pcm;
    bool damaged = false; // it played what decoded before a fault
};

Decoded decodeSound(const std::uint8_t* data, std::size_t size);

// The decoders, for callers that know what they hold.
Decoded decodeVorbis(const std::uint8_t* data, std::size_t size);
Decoded decodeMp3(const std::uint8_t* data, std::size_t size);

} // namespace audio
