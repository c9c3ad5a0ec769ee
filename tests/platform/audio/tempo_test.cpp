// Tempo streams rendered offline: untouched while neutral, the pitch an
// octave up doubles the frequency, a faster tempo shortens the sound, the
// rate moves both, slides end with their sync, bad values change nothing.
#include <gtest/gtest.h>

#include <atomic>

#include "AudioTestSignals.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/tempo/TempoStream.h"

using namespace audio;
using namespace audio::test;

namespace {

// A tempo stream over a decoding stream of `pcm`, freed with it.
Handle tempoOver(Mixer& mixer, std::shared_ptr<Pcm> pcm, unsigned flags)
{
    const Handle source = mixer.createStream(std::move(pcm), kStreamDecode);
    return mixer.createStream(tempoSource(mixer, source), flags, source);
}

// Every frame a decoding tempo stream gives, to its end.
std::vector<float> readAll(Mixer& mixer, Handle tempo)
{
    std::vector<float> out, block(1000);
    for (int i = 0; i < 100000; ++i) {
        const long n = mixer.readFrames(tempo, block.data(), block.size());
        if (n < 0) break;
        out.insert(out.end(), block.begin(), block.begin() + n);
    }
    return out;
}

// Rising zero crossings per second of a mono signal between two frames.
double frequency(const std::vector<float>& mono, std::size_t from, std::size_t to)
{
    std::vector<float> stereo;
    for (std::size_t i = from; i < to; ++i) stereo.insert(stereo.end(), {mono[i], mono[i]});
    return risingCrossings(stereo, 0) * 44100.0 / static_cast<double>(to - from);
}

} // namespace

TEST(TempoStream, NeutralIsTheSourceBitForBit)
{
    Mixer mixer;
    const auto tone = sine(441, 44100);
    const Handle tempo = tempoOver(mixer, tone, kStreamDecode);
    ASSERT_NE(tempo, 0u);
    EXPECT_EQ(readAll(mixer, tempo), tone->samples);

    // Back to neutral after a change: straight through again.
    const Handle changed = tempoOver(mixer, tone, kStreamDecode);
    ASSERT_TRUE(mixer.setAttribute(changed, kAttribTempoPitch, 2.f));
    std::vector<float> block(4410);
    ASSERT_GT(mixer.readFrames(changed, block.data(), block.size()), 0);
    ASSERT_TRUE(mixer.setAttribute(changed, kAttribTempoPitch, 0.f));
    ASSERT_TRUE(mixer.setAttribute(changed, kAttribTempoFreq, 0.f)); // its own rate
    const auto rest = readAll(mixer, changed);
    ASSERT_GT(rest.size(), 20000u);
    // Whatever SoundTouch still held is given first; then the source as it is.
    const std::size_t tail = 10000;
    EXPECT_TRUE(std::equal(rest.end() - static_cast<long>(tail), rest.end(), tone->samples.end() - static_cast<long>(tail)));

    // Only a decoding stream can be a source.
    const Handle playing = mixer.createStream(tone, 0);
    EXPECT_EQ(tempoSource(mixer, playing), nullptr);
    EXPECT_EQ(lastError(), kErrorDecode);
}

TEST(TempoStream, PitchTempoAndRate)
{
    Mixer mixer;
    const auto tone = sine(1000, 44100);

    const Handle octave = tempoOver(mixer, tone, kStreamDecode);
    ASSERT_TRUE(mixer.setAttribute(octave, kAttribTempoPitch, 12.f));
    auto out = readAll(mixer, octave);
    EXPECT_NEAR(static_cast<double>(out.size()), 44100, 44100 * 0.03); // the same length
    EXPECT_NEAR(frequency(out, 5000, 35000), 2000, 40);

    const Handle faster = tempoOver(mixer, tone, kStreamDecode);
    ASSERT_TRUE(mixer.setAttribute(faster, kAttribTempo, 50.f));
    out = readAll(mixer, faster);
    EXPECT_NEAR(static_cast<double>(out.size()), 44100.0 * 2 / 3, 44100 * 0.02); // a third shorter
    EXPECT_NEAR(frequency(out, 3000, 25000), 1000, 20);                          // at the same pitch

    // The source's rate doubled: half as long, an octave up.
    const Handle rate = tempoOver(mixer, tone, kStreamDecode);
    ASSERT_TRUE(mixer.setAttribute(rate, kAttribTempoFreq, 88200.f));
    out = readAll(mixer, rate);
    EXPECT_NEAR(static_cast<double>(out.size()), 22050, 44100 * 0.02);
    EXPECT_NEAR(frequency(out, 3000, 18000), 2000, 40);

    // Out of range or not finite: refused, nothing changed.
    for (const auto& [attribute, value] : std::vector<std::pair<int, float>>{
             {kAttribTempo, -96.f}, {kAttribTempo, 5001.f}, {kAttribTempoPitch, 60.5f}, {kAttribTempoPitch, NAN},
             {kAttribTempoFreq, 1000.f}, {kAttribTempoFreq, 44100.f * 33}, {kAttribTempoFreq, INFINITY}}) {
        EXPECT_FALSE(mixer.setAttribute(rate, attribute, value)) << attribute << " " << value;
        EXPECT_FALSE(mixer.slideAttribute(rate, attribute, value, 100));
    }
    EXPECT_EQ(mixer.attribute(rate, kAttribTempoFreq), std::optional<float>(88200.f));
    EXPECT_EQ(mixer.attribute(rate, kAttribTempo), std::optional<float>(0.f));
}

TEST(TempoStream, SlidesEndWithTheirSyncAndTheSourceGoesWithIt)
{
    Mixer mixer;
    const Handle source = mixer.createStream(sine(1000, 44100 * 2), kStreamDecode);
    const Handle tempo = mixer.createStream(tempoSource(mixer, source), kStreamAutoFree, source);
    std::vector<std::pair<std::uint32_t, std::size_t>> slides; // attribute, frames rendered by then
    std::size_t rendered = 0;
    mixer.setSync(tempo, kSyncSlide, [&](Handle, Handle, std::uint32_t data) { slides.emplace_back(data, rendered); });
    ASSERT_TRUE(mixer.slideAttribute(tempo, kAttribTempo, 50.f, 100)); // 4410 frames
    ASSERT_TRUE(mixer.play(tempo, false));
    std::vector<float> out(2 * 441);
    for (int i = 0; i < 9; ++i) {
        mixer.render(out.data(), 441);
        rendered += 441;
    }
    EXPECT_TRUE(mixer.sliding(tempo, kAttribTempo));
    EXPECT_NEAR(*mixer.attribute(tempo, kAttribTempo), 45.f, 0.01f);
    mixer.render(out.data(), 441);
    rendered += 441;
    ASSERT_EQ(slides.size(), 1u);
    EXPECT_EQ(slides[0].first, static_cast<std::uint32_t>(kAttribTempo));
    EXPECT_EQ(mixer.attribute(tempo, kAttribTempo), std::optional<float>(50.f));

    // At its end it frees itself, and its source with it.
    for (int i = 0; i < 400 && mixer.knows(tempo); ++i) mixer.render(out.data(), 441);
    EXPECT_FALSE(mixer.knows(tempo));
    EXPECT_FALSE(mixer.knows(source));
}

TEST(TempoStream, MovesToAnotherMixerWithItsSource)
{
    std::atomic<Handle> handles{1};
    Mixer from(44100, &handles), to(44100, &handles);
    const Handle source = from.createStream(sine(1000, 44100), kStreamDecode);
    const Handle tempo = from.createStream(tempoSource(from, source), 0); // the source not freed with it
    ASSERT_TRUE(from.setAttribute(tempo, kAttribTempoPitch, 12.f));
    ASSERT_TRUE(from.play(tempo, false));
    std::vector<float> out(2 * 4410);
    from.render(out.data(), 4410);
    ASSERT_TRUE(from.moveTo(tempo, to));
    EXPECT_TRUE(to.knows(source));
    EXPECT_FALSE(from.knows(source));
    to.render(out.data(), 4410);
    EXPECT_EQ(to.state(tempo), kStatePlaying);
    std::vector<float> left;
    for (std::size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
    EXPECT_NEAR(frequency(left, 0, left.size()), 2000, 40);
}

TEST(TempoStream, LoopsAndTellsItsSourcesPosition)
{
    Mixer mixer;
    const Handle source = mixer.createStream(sine(1000, 4410), kStreamDecode); // 100 ms
    const Handle tempo = mixer.createStream(tempoSource(mixer, source), kStreamLoop, source);
    ASSERT_TRUE(mixer.setAttribute(tempo, kAttribTempo, 50.f));
    int ends = 0;
    mixer.setSync(tempo, kSyncEnd, [&](Handle, Handle, std::uint32_t) { ++ends; });
    ASSERT_TRUE(mixer.play(tempo, false));
    std::vector<float> out(2 * 44100);
    mixer.render(out.data(), 44100); // a second: the sound many times over
    EXPECT_EQ(mixer.state(tempo), kStatePlaying);
    EXPECT_EQ(ends, 0);
    EXPECT_GT(peak(out, 0, 40000, 44100), 0.5f); // still sounding at the end
    // Its position is the source's, in bytes of the stored format.
    EXPECT_EQ(mixer.position(tempo), mixer.position(source));
    ASSERT_TRUE(mixer.setPosition(tempo, 2 * 2000));
    EXPECT_EQ(mixer.position(source), std::optional<std::uint64_t>(4000u));
    EXPECT_EQ(mixer.length(tempo), std::optional<std::uint64_t>(8820u));
}
