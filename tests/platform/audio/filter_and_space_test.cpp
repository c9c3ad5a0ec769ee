// Filters heard through the mixer (the response at and away from the
// corner, changed while playing) and sounds placed in space (fall-off, pan
// from the direction, Doppler, the relative mode).
#include <gtest/gtest.h>

#include "AudioTestSignals.h"
#include "platform/audio/core/Mixer.h"

using namespace audio;
using namespace audio::test;

namespace {

// The steady-state peak of a sine at `hz` through a filter.
float through(const BiquadParameters& parameters, double hz)
{
    Mixer mixer;
    const Handle ch = mixer.sampleChannel(mixer.loadSample(sine(hz, 44100), 1, false));
    EXPECT_NE(mixer.addFilter(ch, parameters), 0u);
    mixer.play(ch, false);
    std::vector<float> out(2 * 22050);
    mixer.render(out.data(), 22050);
    return peak(out, 0, 11025, 22050);
}

} // namespace

TEST(Filters, ResponseAtAndAwayFromTheCorner)
{
    BiquadParameters low{kBiquadLowPass, 1000.f};
    EXPECT_NEAR(through(low, 1000), 0.7071f, 0.01f); // -3 dB at the corner
    EXPECT_NEAR(through(low, 100), 1.f, 0.01f);
    EXPECT_LT(through(low, 10000), 0.012f); // two octaves a decade: about -40 dB
    BiquadParameters high{kBiquadHighPass, 1000.f};
    EXPECT_NEAR(through(high, 1000), 0.7071f, 0.01f);
    EXPECT_NEAR(through(high, 10000), 1.f, 0.01f);
    EXPECT_LT(through(high, 100), 0.012f);
    // Given a bandwidth, it wins over Q: wider is softer at the corner.
    high.bandwidth = 2.5f;
    high.q = 100.f;
    EXPECT_LT(through(high, 1000), 0.6f);
    // Only the channels asked for.
    BiquadParameters rightOnly{kBiquadLowPass, 100.f};
    rightOnly.channels = 2;
    Mixer mixer;
    const Handle ch = mixer.sampleChannel(mixer.loadSample(sine(5000, 44100), 1, false));
    const Handle fx = mixer.addFilter(ch, rightOnly);
    mixer.play(ch, false);
    std::vector<float> out(2 * 4410);
    mixer.render(out.data(), 4410);
    EXPECT_GT(peak(out, 0, 2205, 4410), 0.99f);
    EXPECT_LT(peak(out, 1, 2205, 4410), 0.01f);

    // Changed while playing: no reset, no blow-up; bad values refused.
    rightOnly.type = kBiquadHighPass;
    ASSERT_TRUE(mixer.setFilter(fx, rightOnly));
    mixer.render(out.data(), 4410);
    EXPECT_GT(peak(out, 1, 2205, 4410), 0.99f);
    for (const float bad : {0.f, -5.f, 22050.f, NAN}) {
        BiquadParameters p = rightOnly;
        p.center = bad;
        EXPECT_FALSE(mixer.setFilter(fx, p));
        EXPECT_EQ(mixer.addFilter(ch, p), 0u);
    }
    BiquadParameters unknown = rightOnly;
    unknown.type = 9;
    EXPECT_FALSE(mixer.setFilter(fx, unknown));
    BiquadParameters noWidth = rightOnly;
    noWidth.q = 0.f;
    EXPECT_FALSE(mixer.setFilter(fx, noWidth));
    EXPECT_EQ(mixer.filter(fx)->type, kBiquadHighPass);
    EXPECT_TRUE(mixer.removeFilter(ch, fx));
    EXPECT_FALSE(mixer.removeFilter(ch, fx));
}

TEST(Space, FallOffPanAndDoppler)
{
    Listener listener; // at the origin, facing +z, +y up: +x is to the right
    Factors factors;
    Source3D source;
    source.minDistance = 1.f;
    source.maxDistance = 100.f;
    source.position = {10, 0, 0};
    Placement p = place(listener, factors, source);
    EXPECT_NEAR(p.gain, 0.1f, 1e-6);
    EXPECT_NEAR(p.pan, 1.f, 1e-6);
    EXPECT_NEAR(p.frequency, 1.f, 1e-6);
    source.position = {0, 0, 0.5f}; // inside the minimum distance, ahead
    p = place(listener, factors, source);
    EXPECT_FLOAT_EQ(p.gain, 1.f);
    EXPECT_NEAR(p.pan, 0.f, 1e-6);
    source.position = {-1000, 0, 0}; // beyond the maximum: as at the maximum
    p = place(listener, factors, source);
    EXPECT_NEAR(p.gain, 0.01f, 1e-6);
    EXPECT_NEAR(p.pan, -1.f, 1e-6);
    factors.rolloff = 2.f;
    source.position = {0, 0, 5};
    EXPECT_NEAR(place(listener, factors, source).gain, 1.f / 9.f, 1e-6);

    // Turning the listener to face +x puts that source on the left.
    listener.front = {1, 0, 0};
    EXPECT_NEAR(place(listener, factors, source).pan, -1.f, 1e-6);

    // Approaching at a tenth of the speed of sound raises the pitch by 1/0.9.
    listener = Listener{};
    factors = Factors{};
    source.velocity = {0, 0, -34.33f};
    EXPECT_NEAR(place(listener, factors, source).frequency, 1.f / 0.9f, 1e-4);
    factors.doppler = 0.f;
    EXPECT_FLOAT_EQ(place(listener, factors, source).frequency, 1.f);

    // Relative: the position is in the listener's own axes.
    listener.front = {0, 0, -1};
    source.mode = kMode3DRelative;
    source.position = {3, 0, 0};
    EXPECT_NEAR(place(listener, factors, source).pan, 1.f, 1e-6);
    source.mode = kMode3DOff;
    EXPECT_FLOAT_EQ(place(listener, factors, source).gain, 1.f);
}

TEST(Space, AppliedToChannelsOnlyAtApply3D)
{
    Mixer mixer;
    const Handle flat = mixer.sampleChannel(mixer.loadSample(constant(1.f, 44100), 1, false));
    const Handle ch = mixer.sampleChannel(mixer.loadSample(constant(1.f, 44100), 1, true));
    const Vector3 left{-4, 0, 0};
    EXPECT_FALSE(mixer.setChannel3DPosition(flat, &left, nullptr, nullptr));
    EXPECT_EQ(lastError(), kErrorNo3D);
    ASSERT_TRUE(mixer.setChannel3DAttributes(ch, kMode3DNormal, 2.f, 50.f));
    ASSERT_TRUE(mixer.setChannel3DPosition(ch, &left, nullptr, nullptr));
    mixer.play(ch, false);
    std::vector<float> out(2 * 10);
    mixer.render(out.data(), 10);
    EXPECT_FLOAT_EQ(out[11], 1.f); // not yet applied
    mixer.apply3D();
    mixer.render(out.data(), 10);
    EXPECT_NEAR(out[10], 0.5f, 1e-6); // 2 / (2 + 1 × (4 − 2)), on the left
    EXPECT_FLOAT_EQ(out[11], 0.f);

    // Bad values are refused and change nothing; negative ones keep.
    const Vector3 bad{NAN, 0, 0};
    EXPECT_FALSE(mixer.setChannel3DPosition(ch, &bad, nullptr, nullptr));
    EXPECT_FALSE(mixer.setChannel3DAttributes(ch, kMode3DNormal, 10.f, 5.f));
    EXPECT_FALSE(mixer.setChannel3DAttributes(ch, 3, 1.f, 5.f));
    EXPECT_FALSE(mixer.set3DFactors(0.f, 1.f, 1.f));
    EXPECT_FALSE(mixer.set3DFactors(1.f, 11.f, 1.f));
    EXPECT_FALSE(mixer.setListener(nullptr, &bad, nullptr, nullptr));
    ASSERT_TRUE(mixer.setChannel3DAttributes(ch, -1, -1.f, -1.f));
    mixer.apply3D();
    mixer.render(out.data(), 10);
    EXPECT_NEAR(out[10], 0.5f, 1e-6);
}
