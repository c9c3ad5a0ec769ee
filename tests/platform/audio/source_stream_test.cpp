// Streams whose frames come from a source as they play: stalls while it has
// nothing, the end, looping by going back to the start, positions and
// lengths, decoding streams read as floats or stored bytes, a source's own
// attributes with their slides, and a companion freed with a stream.
#include <gtest/gtest.h>

#include "AudioTestSignals.h"
#include "platform/audio/core/Mixer.h"

using namespace audio;
using namespace audio::test;

namespace {

constexpr int kAttribGain = 0x20000; // the fake source's own attribute

// Frames 0, 1, 2 … scaled, held back past `limit` until released.
class CountingSource : public FrameSource {
public:
    CountingSource(std::size_t frames, bool seekable) : limit_(frames), frames_(frames), seekable_(seekable)
    {
        format_.rate = 44100;
        format_.channels = 1;
        format_.format = SampleFormat::Float32;
    }

    const Pcm& format() const override { return format_; }
    long read(float* out, std::size_t frames) override
    {
        if (at_ >= frames_) return kEnd;
        const std::size_t n = std::min(frames, limit_ - std::min(limit_, at_));
        for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<float>(at_ + i) / 65536.f * gain_;
        at_ += n;
        return static_cast<long>(n);
    }
    bool seek(std::uint64_t frame) override
    {
        if (!seekable_ || frame > frames_) return false;
        at_ = static_cast<std::size_t>(frame);
        return true;
    }
    std::optional<std::uint64_t> length() const override
    {
        return seekable_ ? std::optional<std::uint64_t>(frames_) : std::nullopt;
    }
    bool hasAttribute(int attribute) const override { return attribute == kAttribGain; }
    bool setAttribute(int, float value) override
    {
        if (!(value >= 0.f && value <= 2.f)) return false;
        gain_ = value;
        return true;
    }
    std::optional<float> attribute(int) const override { return gain_; }

    std::size_t limit_;

private:
    Pcm format_;
    std::size_t frames_;
    bool seekable_;
    std::size_t at_ = 0;
    float gain_ = 1.f;
};

std::vector<float> render(Mixer& mixer, std::size_t frames)
{
    std::vector<float> out(frames * 2);
    mixer.render(out.data(), frames);
    return out;
}

} // namespace

TEST(SourceStream, StallsEndsLoopsAndSeeks)
{
    Mixer mixer;
    auto owned = std::make_unique<CountingSource>(1000, true);
    CountingSource* source = owned.get();
    source->limit_ = 300; // the rest has not come yet
    int ends = 0;
    const Handle h = mixer.createStream(std::move(owned), 0);
    ASSERT_NE(h, 0u);
    mixer.setSync(h, kSyncEnd, [&](Handle, Handle, std::uint32_t) { ++ends; });
    EXPECT_EQ(mixer.length(h), std::optional<std::uint64_t>(4000u));
    ASSERT_TRUE(mixer.play(h, false));
    auto out = render(mixer, 512);
    EXPECT_FLOAT_EQ(out[2 * 100], 100.f / 65536.f); // at its own rate: frame for frame
    EXPECT_EQ(mixer.state(h), kStateStalled);
    EXPECT_EQ(out[2 * 400], 0.f);
    render(mixer, 512); // still nothing: stalled, not ended
    EXPECT_EQ(mixer.state(h), kStateStalled);
    source->limit_ = 1000;
    out = render(mixer, 256);
    EXPECT_EQ(mixer.state(h), kStatePlaying);
    EXPECT_NEAR(out[0] * 65536.f, 298.f, 1.f); // it goes on where it stopped, nothing lost
    render(mixer, 1024);
    EXPECT_EQ(mixer.state(h), kStateStopped);
    EXPECT_EQ(ends, 1);

    // Played again: from the start. Looping: back to the start at the end.
    ASSERT_TRUE(mixer.setLoop(h, true));
    ASSERT_TRUE(mixer.play(h, false));
    out = render(mixer, 1500);
    EXPECT_EQ(mixer.state(h), kStatePlaying);
    EXPECT_NEAR(out[2 * 1100] * 65536.f, 100.f, 1.f);
    EXPECT_EQ(ends, 1);

    // Positions in bytes of the stored format (float mono: four a frame).
    ASSERT_TRUE(mixer.setPosition(h, 4 * 600));
    EXPECT_EQ(mixer.position(h), std::optional<std::uint64_t>(2400u));
    out = render(mixer, 10);
    EXPECT_NEAR(out[2 * 5] * 65536.f, 605.f, 1.f);
    EXPECT_FALSE(mixer.setPosition(h, 4 * 1000));
    EXPECT_EQ(lastError(), kErrorPosition);

    // A source that cannot seek: no position to set, no length, and no loop.
    const Handle radio = mixer.createStream(std::make_unique<CountingSource>(100, false), kStreamLoop);
    EXPECT_FALSE(mixer.setPosition(radio, 8));
    EXPECT_EQ(lastError(), kErrorNotAvailable);
    EXPECT_FALSE(mixer.length(radio));
    mixer.play(radio, false);
    render(mixer, 300);
    EXPECT_EQ(mixer.state(radio), kStateStopped);
}

TEST(SourceStream, DecodingStreamsAttributesAndCompanions)
{
    Mixer mixer;
    // Read as floats and as stored bytes, never played.
    const Handle decoding = mixer.createStream(std::make_unique<CountingSource>(10, true), kStreamDecode);
    float frames[8];
    EXPECT_EQ(mixer.readFrames(decoding, frames, 4), 4);
    EXPECT_FLOAT_EQ(frames[3], 3.f / 65536.f);
    float bytes[8];
    EXPECT_EQ(mixer.getData(decoding, bytes, sizeof bytes), 24);
    EXPECT_FLOAT_EQ(bytes[0], 4.f / 65536.f);
    EXPECT_EQ(mixer.readFrames(decoding, frames, 4), -1);
    EXPECT_EQ(lastError(), kErrorEnded);
    EXPECT_FALSE(mixer.play(decoding, false));

    // The source's own attribute: set, refused out of range, slid with the
    // slide's sync naming it; a new slide replaces the running one.
    const Handle h = mixer.createStream(std::make_unique<CountingSource>(44100, true), 0);
    EXPECT_FALSE(mixer.setAttribute(h, kAttribGain, 3.f));
    EXPECT_EQ(mixer.attribute(h, kAttribGain), std::optional<float>(1.f));
    EXPECT_FALSE(mixer.slideAttribute(h, kAttribGain, -1.f, 100));
    std::vector<std::uint32_t> slides;
    mixer.setSync(h, kSyncSlide, [&](Handle, Handle, std::uint32_t data) { slides.push_back(data); });
    ASSERT_TRUE(mixer.slideAttribute(h, kAttribGain, 0.f, 1000));
    ASSERT_TRUE(mixer.slideAttribute(h, kAttribGain, 2.f, 100)); // 4410 frames
    EXPECT_TRUE(mixer.sliding(h, kAttribGain));
    mixer.play(h, false);
    render(mixer, 2205);
    EXPECT_NEAR(*mixer.attribute(h, kAttribGain), 1.5f, 0.01f);
    render(mixer, 2205);
    EXPECT_EQ(mixer.attribute(h, kAttribGain), std::optional<float>(2.f));
    EXPECT_FALSE(mixer.sliding(h, kAttribGain));
    EXPECT_EQ(slides, std::vector<std::uint32_t>{kAttribGain});
    EXPECT_FALSE(mixer.setAttribute(decoding, kAttribGain + 1, 1.f)); // not the source's, nor the mixer's
    EXPECT_EQ(lastError(), kErrorIllegalType);

    // A stream freed with its companion; a companion freed first is no fault.
    const Handle inner = mixer.createStream(std::make_unique<CountingSource>(10, true), kStreamDecode);
    const Handle outer = mixer.createStream(std::make_unique<CountingSource>(10, true), kStreamAutoFree, inner);
    mixer.play(outer, false);
    render(mixer, 100);
    EXPECT_FALSE(mixer.knows(outer));
    EXPECT_FALSE(mixer.knows(inner));
    const Handle inner2 = mixer.createStream(std::make_unique<CountingSource>(10, true), kStreamDecode);
    const Handle outer2 = mixer.createStream(std::make_unique<CountingSource>(10, true), 0, inner2);
    EXPECT_TRUE(mixer.freeStream(inner2));
    EXPECT_TRUE(mixer.freeStream(outer2));
    EXPECT_EQ(mixer.channelCount(), 2u); // decoding and h
}
