// The mixer rendered offline: levels and balance, slides frame by frame and
// their syncs, rates and ends, the playback limit, stale handles and syncs
// that call back into the mixer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "AudioTestSignals.h"
#include "platform/audio/core/Mixer.h"

using namespace audio;
using namespace audio::test;

namespace {

std::vector<float> render(Mixer& mixer, std::size_t frames)
{
    std::vector<float> out(frames * 2, 7.f); // whatever was there is replaced
    mixer.render(out.data(), frames);
    return out;
}

} // namespace

TEST(Mixer, LevelsAndBalance)
{
    Mixer mixer;
    const Handle sample = mixer.loadSample(constant(0.5f, 1000), 4, false);
    const Handle a = mixer.sampleChannel(sample);
    ASSERT_TRUE(mixer.play(a, false));
    auto out = render(mixer, 10);
    EXPECT_FLOAT_EQ(out[10], 0.5f);
    EXPECT_FLOAT_EQ(out[11], 0.5f);

    // Pan is a balance: the far side is turned down, the near one kept.
    ASSERT_TRUE(mixer.setAttribute(a, kAttribPan, 0.5f));
    ASSERT_TRUE(mixer.setAttribute(a, kAttribVolume, 0.5f));
    out = render(mixer, 10);
    EXPECT_FLOAT_EQ(out[10], 0.125f);
    EXPECT_FLOAT_EQ(out[11], 0.25f);

    // Two channels add up; a paused one is silent and resumes where it was.
    const Handle b = mixer.sampleChannel(sample);
    ASSERT_TRUE(mixer.play(b, false));
    ASSERT_TRUE(mixer.pause(a));
    EXPECT_EQ(mixer.state(a), kStatePaused);
    out = render(mixer, 10);
    EXPECT_FLOAT_EQ(out[11], 0.5f);
    const auto before = mixer.position(a);
    ASSERT_TRUE(mixer.play(a, false));
    EXPECT_EQ(mixer.position(a), before);
    EXPECT_EQ(*before, 20u * 2); // 16-bit mono: two bytes a frame

    // Values out of range or not finite change nothing.
    for (const auto& [attribute, value] : std::vector<std::pair<int, float>>{
             {kAttribVolume, 1.5f}, {kAttribVolume, -1.f}, {kAttribPan, -1.01f}, {kAttribPan, NAN},
             {kAttribFrequency, 50.f}, {kAttribFrequency, INFINITY}, {kAttribVolume, NAN}}) {
        EXPECT_FALSE(mixer.setAttribute(a, attribute, value)) << attribute << " " << value;
        EXPECT_EQ(lastError(), kErrorIllegalParameter);
        EXPECT_FALSE(mixer.slideAttribute(a, attribute, attribute == kAttribVolume && value == -1.f ? NAN : value, 10));
    }
    EXPECT_FALSE(mixer.setAttribute(a, 9, 1.f));
    EXPECT_EQ(lastError(), kErrorIllegalType);
    EXPECT_FLOAT_EQ(*mixer.attribute(a, kAttribVolume), 0.5f);
    EXPECT_FLOAT_EQ(*mixer.attribute(a, kAttribPan), 0.5f);
    EXPECT_FLOAT_EQ(*mixer.attribute(a, kAttribFrequency), 44100.f);
}

TEST(Mixer, SlidesAreLinearFrameByFrameAndEndWithTheirSync)
{
    Mixer mixer(1000); // one frame a millisecond
    const Handle ch = mixer.sampleChannel(mixer.loadSample(constant(1.f, 100000, 1000), 1, false));
    std::vector<std::pair<std::uint32_t, std::size_t>> ended; // attribute, at frame
    std::size_t rendered = 0;
    ASSERT_NE(mixer.setSync(ch, kSyncSlide, [&](Handle, Handle, std::uint32_t data) { ended.push_back({data, rendered}); }), 0u);
    ASSERT_TRUE(mixer.play(ch, false));
    ASSERT_TRUE(mixer.slideAttribute(ch, kAttribVolume, 0.f, 100));
    auto out = render(mixer, 50);
    rendered += 50;
    // Frame k is played at the level before the k-th step.
    EXPECT_FLOAT_EQ(out[0], 1.f);
    EXPECT_NEAR(out[2 * 49], 0.51f, 1e-6);
    EXPECT_TRUE(mixer.sliding(ch, kAttribVolume));

    // A new slide of the same attribute replaces the running one, from
    // where it stood; a slide of another attribute runs beside it.
    ASSERT_TRUE(mixer.slideAttribute(ch, kAttribVolume, 1.f, 10));
    ASSERT_TRUE(mixer.slideAttribute(ch, kAttribPan, 1.f, 20));
    out = render(mixer, 30);
    rendered += 30;
    EXPECT_NEAR(out[2 * 9 + 1], 0.5f + 0.05f * 9, 1e-5); // the right side: the pan moves right
    EXPECT_FLOAT_EQ(*mixer.attribute(ch, kAttribVolume), 1.f);
    EXPECT_FLOAT_EQ(*mixer.attribute(ch, kAttribPan), 1.f);
    EXPECT_FLOAT_EQ(out[2 * 29], 0.f); // all the way right
    ASSERT_EQ(ended.size(), 2u);       // the replaced slide never ended
    EXPECT_EQ(ended[0].first, static_cast<std::uint32_t>(kAttribVolume));
    EXPECT_EQ(ended[1].first, static_cast<std::uint32_t>(kAttribPan));

    // To -1: a fade to silence that stops the channel when it ends.
    ASSERT_TRUE(mixer.slideAttribute(ch, kAttribVolume, -1.f, 40));
    render(mixer, 39);
    EXPECT_EQ(mixer.state(ch), kStatePlaying);
    render(mixer, 1);
    EXPECT_EQ(mixer.state(ch), kStateStopped);
    EXPECT_FLOAT_EQ(*mixer.attribute(ch, kAttribVolume), 0.f);
    EXPECT_EQ(ended.size(), 3u);

    // No time at all: the value is reached with the next frame, and the
    // slide still ends with its sync.
    mixer.play(ch, false);
    ASSERT_TRUE(mixer.slideAttribute(ch, kAttribVolume, 0.25f, 0));
    rendered = 1000;
    out = render(mixer, 2);
    EXPECT_FLOAT_EQ(out[3], 0.25f);
    ASSERT_EQ(ended.size(), 4u);
    EXPECT_EQ(ended[3].second, 1000u);
}

TEST(Mixer, RatesEndsAndLoops)
{
    Mixer mixer;
    // A second of 441 Hz made at 22,050 Hz: at its own rate it keeps its
    // pitch; at twice the rate the pitch doubles and it ends in half the time.
    const Handle sample = mixer.loadSample(sine(441, 22050, 22050), 2, false);
    const Handle ch = mixer.sampleChannel(sample);
    int ends = 0;
    mixer.setSync(ch, kSyncEnd, [&](Handle, Handle, std::uint32_t) { ++ends; });
    ASSERT_TRUE(mixer.play(ch, false));
    auto out = render(mixer, 22050);
    EXPECT_NEAR(risingCrossings(out, 0), 220, 1);
    EXPECT_EQ(mixer.state(ch), kStatePlaying);
    ASSERT_TRUE(mixer.setAttribute(ch, kAttribFrequency, 44100.f));
    ASSERT_TRUE(mixer.setPosition(ch, 0));
    out = render(mixer, 22050 + 100);
    EXPECT_NEAR(risingCrossings(out, 0), 441, 1);
    EXPECT_EQ(mixer.state(ch), kStateStopped);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(peak(out, 0, 22051, 22150), 0.f); // silence after the end
    EXPECT_FALSE(mixer.setPosition(ch, 44100));  // past the end
    EXPECT_EQ(lastError(), kErrorPosition);

    // Looping: it plays on across the end, with no end sync.
    ASSERT_TRUE(mixer.setLoop(ch, true));
    ASSERT_TRUE(mixer.play(ch, true));
    out = render(mixer, 44100);
    EXPECT_EQ(mixer.state(ch), kStatePlaying);
    EXPECT_NEAR(risingCrossings(out, 0), 882, 2);
    EXPECT_GT(peak(out, 0, 44000, 44100), 0.9f);
    EXPECT_EQ(ends, 1);

    // A loop keeps the fraction of a frame it had passed the end by: ten
    // frames at one and a half a step are at frame 1 after fourteen steps.
    const Handle shortLoop = mixer.sampleChannel(mixer.loadSample(constant(0.1f, 10), 1, false));
    mixer.setLoop(shortLoop, true);
    mixer.setAttribute(shortLoop, kAttribFrequency, 66150.f);
    mixer.play(shortLoop, false);
    render(mixer, 14);
    EXPECT_EQ(mixer.position(shortLoop), 2u);
}

// Every frame of a resampled sound is the four-point cubic through its
// neighbours, whether it lies inside the sound or at its edges, on either
// side of a stereo sound, across the ends of blocks of odd lengths.
TEST(Mixer, ResampledFramesFollowTheCubicThroughTheirNeighbours)
{
    auto pcm = std::make_shared<Pcm>();
    pcm->channels = 2;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 2 * 3000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        pcm->samples.push_back(static_cast<float>(seed >> 8) / 8388608.f - 1.f);
    }
    const auto frame = [&](std::ptrdiff_t k, int side) {
        if (k < 0) k = 0;
        return k >= 3000 ? 0.f : pcm->samples[static_cast<std::size_t>(2 * k + side)];
    };
    const auto cubicAt = [&](double position, int side) {
        const auto i = static_cast<std::ptrdiff_t>(position);
        const double t = position - static_cast<double>(i);
        const double a = frame(i - 1, side), b = frame(i, side), c = frame(i + 1, side), d = frame(i + 2, side);
        return b + 0.5 * t * (c - a + t * (2 * a - 5 * b + 4 * c - d + t * (3 * (b - c) + d - a)));
    };
    for (const double rate : {0.73, 1.37}) {
        Mixer mixer;
        const Handle ch = mixer.sampleChannel(mixer.loadSample(pcm, 1, false));
        ASSERT_TRUE(mixer.setAttribute(ch, kAttribFrequency, static_cast<float>(44100 * rate)));
        ASSERT_TRUE(mixer.play(ch, false));
        std::vector<float> out;
        while (mixer.state(ch) == kStatePlaying) {
            const auto block = render(mixer, 333);
            out.insert(out.end(), block.begin(), block.end());
        }
        const auto frames = static_cast<std::size_t>(std::ceil(3000 / rate));
        ASSERT_GE(out.size() / 2, frames);
        double worst = 0;
        for (std::size_t f = 0; f < frames; ++f) {
            for (int side = 0; side < 2; ++side) {
                worst = std::max(worst, std::abs(out[2 * f + side] - cubicAt(static_cast<double>(f) * rate, side)));
            }
        }
        EXPECT_LT(worst, 5e-4) << rate;
        EXPECT_EQ(peak(out, 0, frames + 1, out.size() / 2), 0.f) << rate;
    }
}

TEST(Mixer, PlaybackLimitAndStaleHandles)
{
    Mixer mixer;
    const Handle sample = mixer.loadSample(constant(0.1f, 44100), 2, false);
    const Handle first = mixer.sampleChannel(sample);
    const Handle second = mixer.sampleChannel(sample);
    std::vector<Handle> freed;
    for (const Handle h : {first, second}) mixer.setSync(h, kSyncFree, [&](Handle, Handle c, std::uint32_t) { freed.push_back(c); });
    mixer.play(first, false);
    render(mixer, 100);
    mixer.play(second, false);
    render(mixer, 10);

    // Both busy: the one that has played longest makes way.
    const Handle third = mixer.sampleChannel(sample);
    EXPECT_EQ(freed, std::vector<Handle>{first});
    EXPECT_EQ(mixer.channelCount(), 2u);
    EXPECT_NE(third, first);
    EXPECT_FALSE(mixer.setAttribute(first, kAttribVolume, 1.f));
    EXPECT_EQ(lastError(), kErrorHandle);
    EXPECT_EQ(mixer.state(first), kStateStopped);
    // A stopped one goes before a playing one.
    mixer.play(third, false);
    mixer.stop(third);
    render(mixer, 10);
    const Handle fourth = mixer.sampleChannel(sample);
    EXPECT_EQ(mixer.state(second), kStatePlaying);
    EXPECT_FALSE(mixer.position(third));

    // Freeing the sample frees its channels; no handle is given twice.
    EXPECT_TRUE(mixer.freeSample(sample));
    EXPECT_EQ(mixer.channelCount(), 0u);
    EXPECT_FALSE(mixer.play(fourth, false));
    EXPECT_FALSE(mixer.freeSample(sample));
    EXPECT_EQ(mixer.sampleChannel(sample), 0u);
    const Handle again = mixer.loadSample(constant(0.1f, 10), 1, false);
    EXPECT_GT(again, fourth);
    EXPECT_EQ(mixer.loadSample(constant(0.1f, 0), 1, false), 0u);
    EXPECT_EQ(mixer.loadSample(constant(0.1f, 10), 0, false), 0u);
}

TEST(Mixer, SyncsMayCallTheMixer)
{
    Mixer mixer(1000);
    const Handle sample = mixer.loadSample(constant(1.f, 20, 1000), 1, false);
    const Handle ch = mixer.sampleChannel(sample);
    Handle next = 0;
    // At the end the sync starts it again at half volume and frees a filter.
    const Handle filter = mixer.addFilter(ch, BiquadParameters{kBiquadLowPass, 400.f});
    ASSERT_NE(filter, 0u);
    mixer.setSync(ch, kSyncEnd, [&](Handle, Handle c, std::uint32_t) {
        mixer.setAttribute(c, kAttribVolume, 0.5f);
        mixer.removeFilter(c, filter);
        mixer.play(c, true);
        next = mixer.sampleChannel(sample); // replaces c: c is freed here
    });
    mixer.play(ch, false);
    render(mixer, 25);
    EXPECT_NE(next, 0u);
    EXPECT_EQ(mixer.channelCount(), 1u);
    EXPECT_FALSE(mixer.filter(filter));
}

TEST(Mixer, StreamsFreeThemselvesAndDecodingStreamsAreRead)
{
    Mixer mixer(1000);
    std::vector<Handle> freed;
    const auto watch = [&](Handle h) { mixer.setSync(h, kSyncFree, [&](Handle, Handle c, std::uint32_t) { freed.push_back(c); }); };
    // One that frees itself at its end, one when stopped, one when its fade
    // to -1 ends; one that stays.
    const Handle ends = mixer.createStream(constant(0.5f, 10, 1000), kStreamAutoFree);
    const Handle stopped = mixer.createStream(constant(0.5f, 100, 1000), kStreamAutoFree);
    const Handle faded = mixer.createStream(constant(0.5f, 100, 1000), kStreamAutoFree);
    const Handle stays = mixer.createStream(constant(0.5f, 10, 1000), 0);
    for (const Handle h : {ends, stopped, faded, stays}) {
        watch(h);
        mixer.play(h, false);
    }
    mixer.slideAttribute(faded, kAttribVolume, -1.f, 20);
    std::vector<float> out(2 * 30);
    mixer.render(out.data(), 30);
    mixer.stop(stopped);
    EXPECT_EQ(freed, (std::vector<Handle>{ends, faded, stopped}));
    EXPECT_EQ(mixer.channelCount(), 1u);
    EXPECT_EQ(mixer.state(stays), kStateStopped);
    EXPECT_TRUE(mixer.play(stays, false)); // it ended but stays: it plays again
    EXPECT_TRUE(mixer.freeStream(stays));
    EXPECT_FALSE(mixer.freeStream(stays));

    // A decoding stream is read in its stored format, not played.
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = 8000;
    pcm->channels = 2;
    pcm->samples = {0.5f, -0.5f, 1.f, -1.f, 0.f, 0.25f};
    const Handle decoding = mixer.createStream(pcm, kStreamDecode);
    EXPECT_FALSE(mixer.play(decoding, false));
    EXPECT_EQ(lastError(), kErrorDecode);
    std::int16_t data[4] = {};
    EXPECT_EQ(mixer.getData(decoding, data, 9), 8); // whole frames only
    EXPECT_EQ(data[0], 16384);
    EXPECT_EQ(data[1], -16384);
    EXPECT_EQ(data[2], 32767);
    EXPECT_EQ(mixer.getData(decoding, data, sizeof data), 4); // what is left
    EXPECT_EQ(data[1], 8192);
    EXPECT_EQ(mixer.getData(decoding, data, sizeof data), -1);
    EXPECT_EQ(lastError(), kErrorEnded);
    EXPECT_EQ(mixer.getData(stays, data, sizeof data), -1);
    EXPECT_EQ(lastError(), kErrorHandle);
}

TEST(Mixer, ProcedureStreamsPlayStallAndEnd)
{
    Mixer mixer(8000);
    // 16-bit mono: frame k is k, in a block of `chunk` frames at a time,
    // nothing while `dry`, and the end after `total` frames.
    std::int16_t next = 0;
    bool dry = false;
    int calls = 0;
    const int total = 3000;
    Pcm format;
    format.rate = 8000;
    const Handle stream = mixer.createStream(format, kStreamAutoFree, [&](Handle h, void* buffer, std::uint32_t bytes) {
        ++calls;
        if (dry) return std::uint32_t{0};
        mixer.setAttribute(h, kAttribPan, 0.f); // the procedure may call the mixer
        auto* out = static_cast<std::int16_t*>(buffer);
        std::uint32_t n = 0;
        while (n < bytes / 2 && next < total) out[n++] = next++;
        return n * 2 | (next == total ? kStreamProcEnd : 0u);
    });
    ASSERT_NE(stream, 0u);
    int ended = 0;
    mixer.setSync(stream, kSyncEnd, [&](Handle, Handle, std::uint32_t) { ++ended; });
    mixer.play(stream, false);
    std::vector<float> out(2 * 1000);
    mixer.render(out.data(), 1000);
    for (int k = 0; k < 1000; k += 97) EXPECT_FLOAT_EQ(out[2 * k], k / 32768.f) << k;

    // Dry: it stalls where it is, asked once a block, silent.
    dry = true;
    // (what was fetched ahead plays first)
    for (int block = 0; block < 5; ++block) mixer.render(out.data(), 1000);
    EXPECT_EQ(mixer.state(stream), kStateStalled);
    calls = 0;
    mixer.render(out.data(), 1000);
    EXPECT_EQ(calls, 1);
    EXPECT_FLOAT_EQ(out[2 * 999], 0.f);
    const std::uint64_t stalledAt = *mixer.position(stream) / 2;

    // Wet again: on from the very next frame, to the end, then freed.
    dry = false;
    mixer.render(out.data(), 1000);
    EXPECT_EQ(mixer.state(stream), kStatePlaying);
    EXPECT_FLOAT_EQ(out[0], static_cast<float>(stalledAt) / 32768.f);
    for (int block = 0; block < 3 && mixer.channelCount() > 0; ++block) mixer.render(out.data(), 1000);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(mixer.channelCount(), 0u);

    // One that ends before it gives anything: it ends at once, silent.
    const Handle other = mixer.createStream(format, 0, [](Handle, void*, std::uint32_t) { return kStreamProcEnd; });
    ended = 0;
    mixer.setSync(other, kSyncEnd, [&](Handle, Handle, std::uint32_t) { ++ended; });
    mixer.play(other, false);
    mixer.render(out.data(), 1000);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(mixer.state(other), kStateStopped);
    EXPECT_FLOAT_EQ(out[0], 0.f);
    // No position to set, no length, no procedure, no decoding.
    EXPECT_FALSE(mixer.setPosition(other, 0));
    EXPECT_FALSE(mixer.length(other));
    EXPECT_EQ(mixer.createStream(format, 0, StreamProc{}), 0u);
    EXPECT_EQ(mixer.createStream(format, kStreamDecode, [](Handle, void*, std::uint32_t) { return 0u; }), 0u);
    format.channels = 3;
    EXPECT_EQ(mixer.createStream(format, 0, [](Handle, void*, std::uint32_t) { return 0u; }), 0u);
}
