// Decoded sound as the mixer holds it: interleaved float frames, one or two
// channels, at the rate the sound was made at.
#pragma once

#include <cstddef>
#include <vector>

namespace audio {

// How the sound was stored before decoding; positions and lengths are told
// in bytes of this format, as the callers count them.
enum class SampleFormat { Int8 = 1, Int16 = 2, Float32 = 4 };

struct Pcm {
    int rate = 44100;
    int channels = 1; // 1 or 2
    SampleFormat format = SampleFormat::Int16;
    std::vector<float> samples; // frames × channels, interleaved

    std::size_t frames() const { return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0; }
    std::size_t bytesPerFrame() const { return static_cast<std::size_t>(channels) * static_cast<std::size_t>(format); }
};

} // namespace audio
