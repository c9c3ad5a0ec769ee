// Telling the format by the first bytes, then handing them and the rest to
// the decoder that reads it.
#include <cstring>
#include <vector>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/StreamDecoders.h"

namespace audio {

namespace {

constexpr std::size_t kSniffBytes = 4096;

// The bytes read to tell the format, given again before the rest.
class ReplaySource final : public ByteSource {
public:
    ReplaySource(std::vector<std::uint8_t> head, std::unique_ptr<ByteSource> rest, bool restEnded)
        : head_(std::move(head)), rest_(std::move(rest)), restEnded_(restEnded)
    {
    }

    long read(void* buffer, std::size_t size) override
    {
        if (at_ < head_.size()) {
            const std::size_t n = std::min(size, head_.size() - at_);
            std::memcpy(buffer, head_.data() + at_, n);
            at_ += n;
            return static_cast<long>(n);
        }
        return restEnded_ ? kEnd : rest_->read(buffer, size);
    }

    bool seek(std::uint64_t offset) override
    {
        if (!rest_->seek(offset)) return false;
        at_ = head_.size();
        restEnded_ = false;
        return true;
    }

    std::optional<std::uint64_t> size() const override { return rest_->size(); }

private:
    std::vector<std::uint8_t> head_;
    std::size_t at_ = 0;
    std::unique_ptr<ByteSource> rest_;
    bool restEnded_;
};

class AnyDecoder final : public StreamDecoder {
public:
    explicit AnyDecoder(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

    Probe probe() override
    {
        if (!inner_) {
            if (error_) return Probe::Failed;
            bool ended = false;
            while (head_.size() < kSniffBytes) {
                std::uint8_t block[kSniffBytes];
                const long n = source_->read(block, kSniffBytes - head_.size());
                if (n == 0) return Probe::NeedBytes;
                if (n < 0) {
                    ended = true;
                    break;
                }
                head_.insert(head_.end(), block, block + n);
            }
            const std::uint8_t* b = head_.data();
            const std::size_t n = head_.size();
            auto replay = std::make_unique<ReplaySource>(head_, std::move(source_), ended);
            if (n >= 4 && std::memcmp(b, "OggS", 4) == 0) {
                inner_ = vorbisStreamDecoder(std::move(replay));
            } else if (n >= 12 && std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "WAVE", 4) == 0) {
                inner_ = wavStreamDecoder(std::move(replay));
            } else if (looksLikeMp3(b, n)) {
                inner_ = mp3StreamDecoder(std::move(replay));
            } else {
                // MIDI and every other format: not one this layer plays.
                error_ = kErrorFileForm;
                return Probe::Failed;
            }
            head_.clear();
        }
        const Probe p = inner_->probe();
        if (p == Probe::Failed) error_ = inner_->error();
        return p;
    }

    const Pcm& format() const override { return inner_ ? inner_->format() : none_; }
    long read(float* out, std::size_t frames) override
    {
        if (!inner_) {
            const Probe p = probe();
            if (p != Probe::Ready) return p == Probe::NeedBytes ? 0 : kEnd;
        }
        return inner_->read(out, frames);
    }
    bool seek(std::uint64_t frame) override { return inner_ && inner_->seek(frame); }
    std::optional<std::uint64_t> length() const override { return inner_ ? inner_->length() : std::nullopt; }

private:
    std::unique_ptr<ByteSource> source_;
    std::vector<std::uint8_t> head_;
    std::unique_ptr<StreamDecoder> inner_;
    Pcm none_;
};

} // namespace

std::unique_ptr<StreamDecoder> openStreamDecoder(std::unique_ptr<ByteSource> bytes)
{
    return std::make_unique<AnyDecoder>(std::move(bytes));
}

} // namespace audio
