// What the incremental decoders share: the frames decoded ahead of the
// reader, folded to the stream's rate and channel count (a chained stream's
// later links may differ), and frames to drop after a seek that landed
// before its target.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/audio/decode/StreamDecoder.h"

namespace audio {

class BufferedDecoder : public StreamDecoder {
public:
    const Pcm& format() const override { return format_; }

    long read(float* out, std::size_t frames) override
    {
        if (!ready_) {
            const Probe p = probe();
            if (p == Probe::NeedBytes) return 0;
            if (p == Probe::Failed) return kEnd;
        }
        const auto width = static_cast<std::size_t>(format_.channels);
        // A few blocks decoded per read at most: what is missing then comes
        // at the next read.
        for (int blocks = 0; pendingFrames() < frames && !ended_ && blocks < 64; ++blocks) {
            const Step step = decodeMore();
            if (step == Step::NoBytes) break;
            if (step == Step::End) ended_ = true;
        }
        const std::size_t n = std::min(frames, pendingFrames());
        if (n == 0) return ended_ ? kEnd : 0;
        std::memcpy(out, pending_.data() + head_, n * width * sizeof(float));
        head_ += n * width;
        if (head_ == pending_.size()) {
            pending_.clear();
            head_ = 0;
        }
        return static_cast<long>(n);
    }

protected:
    enum class Step { Decoded, NoBytes, End };

    // Decodes a little more into the pending frames (through fold*), or says
    // why it cannot.
    virtual Step decodeMore() = 0;

    // After a successful probe: the stream's rate and channel count.
    void setFormat(int rate, int channels, SampleFormat stored)
    {
        format_.rate = rate;
        format_.channels = channels >= 2 ? 2 : 1;
        format_.format = stored;
        ready_ = true;
    }

    // The input's rate and channel count from here on (a new link).
    void setInput(int rate, int channels)
    {
        inRate_ = rate > 0 ? rate : format_.rate;
        inChannels_ = channels > 0 ? channels : 1;
        carry_ = 0;
    }

    // Drops what was decoded and not read, and then `frames` frames more.
    void restart(std::uint64_t discard)
    {
        pending_.clear();
        head_ = 0;
        discard_ = discard;
        ended_ = false;
        carry_ = 0;
    }

    // Adds `count` frames, planar (`planes`) or interleaved (`frames`). A link
    // at another rate is stepped through at the stream's rate (nearest
    // frame): rare, and it only needs to keep its time.
    void fold(const float* const* planes, const float* frames, long count)
    {
        const double step = static_cast<double>(inRate_) / format_.rate;
        const auto value = [&](long i, int c) {
            const float v = planes ? planes[c][i] : frames[static_cast<std::size_t>(i) * static_cast<std::size_t>(inChannels_) + static_cast<std::size_t>(c)];
            return std::isfinite(v) ? std::clamp(v, -1.f, 1.f) : 0.f;
        };
        double f = carry_;
        for (; f < static_cast<double>(count); f += step) {
            if (discard_ > 0) {
                --discard_;
                continue;
            }
            const auto i = static_cast<long>(f);
            const float left = value(i, 0);
            const float right = inChannels_ >= 2 ? value(i, 1) : left;
            if (format_.channels == 2) {
                pending_.push_back(left);
                pending_.push_back(right);
            } else {
                pending_.push_back(inChannels_ >= 2 ? (left + right) * 0.5f : left);
            }
        }
        carry_ = f - static_cast<double>(count);
    }

    std::size_t pendingFrames() const { return (pending_.size() - head_) / static_cast<std::size_t>(format_.channels); }
    bool ready() const { return ready_; }

private:
    Pcm format_;
    bool ready_ = false, ended_ = false;
    int inRate_ = 44100, inChannels_ = 1;
    double carry_ = 0;
    std::uint64_t discard_ = 0;
    std::vector<float> pending_;
    std::size_t head_ = 0;
};

} // namespace audio
