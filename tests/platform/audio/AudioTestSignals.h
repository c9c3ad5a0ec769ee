// Signals and measurements shared by the audio tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/audio/core/Pcm.h"

namespace audio::test {

inline std::shared_ptr<Pcm> constant(float level, std::size_t frames, int rate = 44100)
{
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = rate;
    pcm->samples.assign(frames, level);
    return pcm;
}

inline std::shared_ptr<Pcm> sine(double hz, std::size_t frames, int rate = 44100)
{
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = rate;
    pcm->samples.resize(frames);
    for (std::size_t i = 0; i < frames; ++i) pcm->samples[i] = static_cast<float>(std::sin(2 * 3.14159265358979323846 * hz * static_cast<double>(i) / rate));
    return pcm;
}

// Rising zero crossings of one channel of interleaved stereo.
inline int risingCrossings(const std::vector<float>& stereo, int channel)
{
    int n = 0;
    for (std::size_t i = 2 + channel; i < stereo.size(); i += 2) {
        if (stereo[i - 2] < 0.f && stereo[i] >= 0.f) ++n;
    }
    return n;
}

// The peak of one channel over frames [from, to).
inline float peak(const std::vector<float>& stereo, int channel, std::size_t from, std::size_t to)
{
    float p = 0;
    for (std::size_t f = from; f < to && 2 * f + 1 < stereo.size(); ++f) p = std::max(p, std::fabs(stereo[2 * f + channel]));
    return p;
}

} // namespace audio::test
