// RIFF WAVE files: reading PCM (8, 16, 24 and 32 bits) and float (32 and 64
// bits) from bytes in memory, and writing 16-bit or float files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/audio/core/Pcm.h"

namespace audio {

enum class WavStatus {
    Ok,          // decoded; `truncated` tells whether the data ran short
    NotWav,      // no RIFF WAVE header: some other decoder may know it
    Unsupported, // a WAV file of an encoding, channel count or rate not played
};

struct WavRead {
    WavStatus status = WavStatus::NotWav;
    Pcm pcm;
    bool truncated = false;
};

// Reads only the `size` bytes at `data`. A file cut short plays the whole
// frames it holds; files of more than two channels keep the first two.
WavRead readWav(const std::uint8_t* data, std::size_t size);

// One stored sample of a WAV file's data as a float in [-1, 1]: `format` 1
// (PCM, 8 to 32 bits) or 3 (float, 32 or 64 bits).
float wavSample(const std::uint8_t* p, std::uint16_t format, int bits);

// A WAV file of the frames, as 16-bit PCM (clipped) or 32-bit float.
std::vector<std::uint8_t> wavBytes(const float* samples, std::size_t frames, int channels, int rate, bool asFloat);

} // namespace audio
