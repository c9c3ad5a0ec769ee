// A tempo stream's frames: its source's, through SoundTouch when tempo,
// pitch or rate differ from their neutral values, straight through when
// they do not.
#include "platform/audio/tempo/TempoStream.h"

#include <soundtouch/SoundTouch.h>

#include <cmath>
#include <vector>

namespace audio {

namespace {

constexpr std::size_t kChunk = 1024; // source frames handed to SoundTouch at a time

class TempoSource final : public FrameSource {
public:
    TempoSource(Mixer& mixer, Handle source, const Pcm& format) : mixer_(&mixer), source_(source), rate_(format.rate)
    {
        format_.rate = format.rate;
        format_.channels = format.channels;
        format_.format = format.format;
        touch_.setSampleRate(static_cast<unsigned>(format.rate));
        touch_.setChannels(static_cast<unsigned>(format.channels));
        // Quick seeking: a fraction of the work for a small loss in quality.
        touch_.setSetting(SETTING_USE_QUICKSEEK, 1);
        chunk_.resize(kChunk * static_cast<std::size_t>(format.channels));
    }

    const Pcm& format() const override { return format_; }

    long read(float* out, std::size_t frames) override
    {
        if (neutral() && touch_.numSamples() == 0) {
            // What was still inside SoundTouch when the values became
            // neutral is let go: a few milliseconds.
            if (processing_) touch_.clear();
            processing_ = false;
            const long n = mixer_->readFrames(source_, out, frames);
            return n < 0 ? kEnd : n;
        }
        processing_ = true;
        // Neutral again: what SoundTouch has made is given out first, and
        // nothing more goes in.
        while (!neutral() && touch_.numSamples() < frames && !sourceEnded_) {
            const long n = mixer_->readFrames(source_, chunk_.data(), kChunk);
            if (n < 0) {
                sourceEnded_ = true;
                touch_.flush();
                break;
            }
            if (n == 0) break; // the source stalls, and so does this
            touch_.putSamples(chunk_.data(), static_cast<unsigned>(n));
        }
        const unsigned got = touch_.receiveSamples(out, static_cast<unsigned>(frames));
        if (got == 0) return sourceEnded_ ? kEnd : 0;
        return static_cast<long>(got);
    }

    bool seek(std::uint64_t frame) override
    {
        if (!mixer_->setPosition(source_, frame * format_.bytesPerFrame())) return false;
        touch_.clear();
        sourceEnded_ = false;
        return true;
    }

    std::optional<std::uint64_t> length() const override
    {
        const auto bytes = mixer_->length(source_);
        if (!bytes) return std::nullopt;
        return *bytes / format_.bytesPerFrame();
    }

    std::optional<std::uint64_t> position() const override
    {
        const auto bytes = mixer_->position(source_);
        if (!bytes) return std::nullopt;
        return *bytes / format_.bytesPerFrame();
    }

    bool hasAttribute(int attribute) const override
    {
        return attribute == kAttribTempo || attribute == kAttribTempoPitch || attribute == kAttribTempoFreq;
    }

    bool setAttribute(int attribute, float value) override
    {
        if (!std::isfinite(value)) return false;
        switch (attribute) {
        case kAttribTempo:
            if (value < -95.f || value > 5000.f) return false;
            tempo_ = value;
            touch_.setTempoChange(value);
            return true;
        case kAttribTempoPitch:
            if (value < -60.f || value > 60.f) return false;
            pitch_ = value;
            touch_.setPitchSemiTones(static_cast<double>(value));
            return true;
        case kAttribTempoFreq:
            if (value == 0.f) value = static_cast<float>(rate_);
            // Five octaves either way, as far as the pitch goes.
            if (value < rate_ / 32.f || value > rate_ * 32.f) return false;
            freq_ = value;
            touch_.setRate(static_cast<double>(value) / rate_);
            return true;
        default: return false;
        }
    }

    std::optional<float> attribute(int attribute) const override
    {
        switch (attribute) {
        case kAttribTempo: return tempo_;
        case kAttribTempoPitch: return pitch_;
        case kAttribTempoFreq: return freq_ > 0 ? freq_ : static_cast<float>(rate_);
        default: return std::nullopt;
        }
    }

    Handle readsFrom() const override { return source_; }
    void movedTo(Mixer& mixer) override { mixer_ = &mixer; }

private:
    bool neutral() const { return tempo_ == 0.f && pitch_ == 0.f && (freq_ == 0.f || freq_ == static_cast<float>(rate_)); }

    Mixer* mixer_;
    const Handle source_;
    const int rate_;
    Pcm format_;
    soundtouch::SoundTouch touch_;
    std::vector<float> chunk_;
    float tempo_ = 0, pitch_ = 0, freq_ = 0;
    bool processing_ = false, sourceEnded_ = false;
};

} // namespace

std::unique_ptr<FrameSource> tempoSource(Mixer& mixer, Handle source)
{
    if (!mixer.decoding(source)) return failed(kErrorDecode, std::unique_ptr<FrameSource>{});
    const auto format = mixer.info(source);
    if (!format) return nullptr;
    return std::make_unique<TempoSource>(mixer, source, *format);
}

} // namespace audio
