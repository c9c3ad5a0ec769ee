// RIFF WAVE decoded as it plays: PCM of 8, 16, 24 and 32 bits and float of 32
// and 64 bits; files of more than two channels keep the first two. A data
// chunk whose length is 0 or unknown (a recording still being written, a
// download) plays to the end of the bytes.
#include <cstring>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/core/WavFile.h"
#include "platform/audio/decode/BufferedDecoder.h"
#include "platform/audio/decode/StreamDecoders.h"

namespace audio {

namespace {

constexpr std::size_t kMaxHeader = 1 << 20;
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

class WavStreamDecoder final : public BufferedDecoder {
public:
    explicit WavStreamDecoder(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

    Probe probe() override
    {
        if (ready()) return Probe::Ready;
        if (error_) return Probe::Failed;
        for (;;) {
            const Probe p = parse();
            if (p != Probe::NeedBytes) return p;
            if (raw_.size() >= kMaxHeader) return fail(kErrorFileForm);
            std::uint8_t block[4096];
            const long n = source_->read(block, sizeof block);
            if (n == 0) return Probe::NeedBytes;
            if (n < 0) return fail(kErrorFileForm);
            raw_.insert(raw_.end(), block, block + n);
        }
    }

    bool seek(std::uint64_t frame) override
    {
        if (!ready()) return false;
        const std::uint64_t offset = frame * blockAlign_;
        if (known_ && offset > dataLength_) return false;
        if (!source_->seek(dataStart_ + offset)) return false;
        raw_.clear();
        dataLeft_ = known_ ? dataLength_ - offset : 0;
        restart(0);
        return true;
    }

    std::optional<std::uint64_t> length() const override
    {
        if (!ready()) return std::nullopt;
        if (known_) return dataLength_ / blockAlign_;
        if (const auto size = source_->size(); size && *size >= dataStart_) return (*size - dataStart_) / blockAlign_;
        return std::nullopt;
    }

private:
    Probe fail(int code)
    {
        error_ = code;
        return Probe::Failed;
    }

    // The header, when all of it has come: the format and where the data
    // starts; what follows it in raw_ is the first data.
    Probe parse()
    {
        const std::uint8_t* data = raw_.data();
        const std::size_t size = raw_.size();
        if (size < 12) return Probe::NeedBytes;
        if (std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return fail(kErrorFileForm);
        std::size_t at = 12;
        bool haveFormat = false;
        for (;;) {
            if (at + 8 > size) return Probe::NeedBytes;
            const std::uint32_t length = le32(data + at + 4);
            const std::size_t body = at + 8;
            if (std::memcmp(data + at, "fmt ", 4) == 0) {
                if (length < 16) return fail(kErrorFileForm);
                if (size < body + 16) return Probe::NeedBytes;
                format_ = le16(data + body);
                channels_ = le16(data + body + 2);
                rate_ = le32(data + body + 4);
                blockAlign_ = le16(data + body + 12);
                bits_ = le16(data + body + 14);
                if (format_ == kFormatExtensible) {
                    if (length < 40) return fail(kErrorFileForm);
                    if (size < body + 40) return Probe::NeedBytes;
                    format_ = le16(data + body + 24);
                }
                haveFormat = true;
            } else if (std::memcmp(data + at, "data", 4) == 0) {
                if (!haveFormat) return fail(kErrorFileForm);
                const bool integers = format_ == kFormatPcm && (bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32);
                const bool floats = format_ == kFormatFloat && (bits_ == 32 || bits_ == 64);
                if (!(integers || floats) || channels_ == 0 || rate_ == 0 || rate_ > 384000
                    || blockAlign_ != channels_ * (bits_ / 8)) {
                    return fail(kErrorFileForm);
                }
                known_ = length != 0 && length != 0xFFFFFFFFu;
                dataLength_ = length;
                if (known_ && source_->size() && *source_->size() >= body) {
                    dataLength_ = std::min<std::uint64_t>(dataLength_, *source_->size() - body);
                }
                dataLength_ -= dataLength_ % blockAlign_;
                dataLeft_ = dataLength_;
                dataStart_ = body;
                raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(body));
                setFormat(static_cast<int>(rate_), channels_,
                          floats ? SampleFormat::Float32 : bits_ == 8 ? SampleFormat::Int8 : SampleFormat::Int16);
                setInput(static_cast<int>(rate_), channels_);
                return Probe::Ready;
            }
            // Chunks are padded to an even length.
            const std::uint64_t next = body + static_cast<std::uint64_t>(length) + (length & 1);
            if (next > kMaxHeader) return fail(kErrorFileForm);
            at = static_cast<std::size_t>(next);
        }
    }

    Step decodeMore() override
    {
        if (known_ && dataLeft_ < blockAlign_) return Step::End;
        bool sourceEnded = false;
        std::uint8_t block[16384];
        std::uint64_t want = sizeof block;
        if (known_) want = std::min<std::uint64_t>(want, dataLeft_ - std::min<std::uint64_t>(dataLeft_, raw_.size()));
        if (want > 0 && raw_.size() < sizeof block) {
            const long n = source_->read(block, static_cast<std::size_t>(want));
            if (n < 0) sourceEnded = true; // a file cut short plays the frames it held
            if (n > 0) raw_.insert(raw_.end(), block, block + n);
        }
        std::uint64_t available = raw_.size();
        if (known_) available = std::min(available, dataLeft_);
        const auto frames = static_cast<std::size_t>(available / blockAlign_);
        if (frames == 0) return sourceEnded ? Step::End : Step::NoBytes;
        const int width = bits_ / 8;
        samples_.resize(frames * channels_);
        for (std::size_t i = 0; i < samples_.size(); ++i) samples_[i] = wavSample(raw_.data() + i * static_cast<std::size_t>(width), format_, bits_);
        fold(nullptr, samples_.data(), static_cast<long>(frames));
        const std::size_t used = frames * blockAlign_;
        raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(used));
        if (known_) dataLeft_ -= std::min<std::uint64_t>(dataLeft_, used);
        return Step::Decoded;
    }

    std::unique_ptr<ByteSource> source_;
    std::vector<std::uint8_t> raw_; // the header while probing, then data not yet decoded
    std::vector<float> samples_;
    std::uint16_t format_ = 0, channels_ = 0, bits_ = 0, blockAlign_ = 1;
    std::uint32_t rate_ = 0;
    bool known_ = false; // the data chunk's length is known
    std::uint64_t dataStart_ = 0, dataLength_ = 0, dataLeft_ = 0;
};

} // namespace

std::unique_ptr<StreamDecoder> wavStreamDecoder(std::unique_ptr<ByteSource> source)
{
    return std::make_unique<WavStreamDecoder>(std::move(source));
}

} // namespace audio
