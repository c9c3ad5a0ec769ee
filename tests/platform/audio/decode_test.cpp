// Sounds decoded by their content: Ogg Vorbis (single and chained), WAV,
// and what no decoder takes; damaged files give what decoded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "AudioTestSignals.h"
#include "OggEncoder.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/core/WavFile.h"
#include "platform/audio/decode/SoundDecoder.h"

using namespace audio;
using namespace audio::test;

TEST(SoundDecoder, OggVorbisSingleAndChained)
{
    const auto tone = sine(441, 44100); // one second
    const auto ogg = encodeOgg(*tone, 1);
    ASSERT_GT(ogg.size(), 100u);
    Decoded d = decodeSound(ogg.data(), ogg.size());
    ASSERT_EQ(d.error, 0);
    EXPECT_FALSE(d.damaged);
    EXPECT_EQ(d.pcm.rate, 44100);
    EXPECT_EQ(d.pcm.channels, 1);
    EXPECT_EQ(d.pcm.frames(), 44100u);
    std::vector<float> stereo;
    for (const float s : d.pcm.samples) stereo.insert(stereo.end(), {s, s});
    EXPECT_NEAR(risingCrossings(stereo, 0), 441, 1);

    // A second link, stereo at half the rate: joined at the first one's
    // rate and channel count, so that it keeps its time and pitch.
    Pcm low;
    low.rate = 22050;
    low.channels = 2;
    for (std::size_t i = 0; i < 22050; ++i) {
        const float s = static_cast<float>(std::sin(2 * 3.14159265358979323846 * 882 * static_cast<double>(i) / 22050));
        low.samples.insert(low.samples.end(), {s, s});
    }
    auto chained = ogg;
    const auto second = encodeOgg(low, 2);
    chained.insert(chained.end(), second.begin(), second.end());
    d = decodeSound(chained.data(), chained.size());
    ASSERT_EQ(d.error, 0);
    EXPECT_EQ(d.pcm.channels, 1);
    EXPECT_NEAR(static_cast<double>(d.pcm.frames()), 88200, 2);
    stereo.clear();
    for (std::size_t i = 44100; i < d.pcm.frames(); ++i) stereo.insert(stereo.end(), {d.pcm.samples[i], d.pcm.samples[i]});
    EXPECT_NEAR(risingCrossings(stereo, 0), 882, 2);

    // Cut short: what decoded before the cut; cut in the headers (the first
    // few kilobytes): nothing. Noise, so that the audio pages outweigh them.
    Pcm noise;
    noise.rate = 44100;
    std::uint32_t seed = 1;
    for (int i = 0; i < 44100; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.samples.push_back(static_cast<float>(seed >> 8) / 16777216.f * 0.6f - 0.3f);
    }
    const auto loud = encodeOgg(noise, 3);
    ASSERT_GT(loud.size(), 15000u);
    d = decodeSound(loud.data(), loud.size() / 2);
    EXPECT_EQ(d.error, 0);
    EXPECT_GT(d.pcm.frames(), 10000u);
    EXPECT_LT(d.pcm.frames(), 44100u);
    for (const std::size_t n : {std::size_t{4}, std::size_t{60}, std::size_t{200}}) {
        EXPECT_NE(decodeSound(loud.data(), n).error, 0) << n;
    }
    // Damage in the middle: it goes on past it and never reads outside.
    auto damaged = loud;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 200; ++i) damaged[i] ^= 0x5A;
    d = decodeSound(damaged.data(), damaged.size());
    EXPECT_EQ(d.error, 0);
    EXPECT_GT(d.pcm.frames(), 24000u); // more than the half before the damage: a page is lost, not the rest
}

TEST(SoundDecoder, ChosenByContentNotByName)
{
    const float frames[] = {0.5f, -0.5f};
    const auto wav = wavBytes(frames, 2, 1, 8000, false);
    Decoded d = decodeSound(wav.data(), wav.size());
    EXPECT_EQ(d.error, 0);
    EXPECT_EQ(d.pcm.frames(), 2u);

    const std::uint8_t midi[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96};
    EXPECT_EQ(decodeSound(midi, sizeof midi).error, kErrorFileForm);
    EXPECT_EQ(decodeSound(nullptr, 0).error, kErrorFileForm);
    const std::uint8_t fakeOgg[] = {'O', 'g', 'g', 'S', 1, 2, 3};
    EXPECT_EQ(decodeSound(fakeOgg, sizeof fakeOgg).error, kErrorFileForm);
    // A WAV file with no frames is a sound of nothing.
    const auto empty = wavBytes(frames, 0, 1, 8000, false);
    EXPECT_EQ(decodeSound(empty.data(), empty.size()).error, kErrorCodec);
}
