// MP3 (MPEG audio layers 1 to 3) decoded as it plays, through libmpg123's
// feed interface: the decoder is handed the bytes that have come and says
// when it needs more, which is how a source that has nothing yet behaves.
#include <mpg123.h>

#include <mutex>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/BufferedDecoder.h"
#include "platform/audio/decode/StreamDecoders.h"

namespace audio {

namespace {

constexpr std::size_t kFeedBlock = 16384;
constexpr std::size_t kMaxProbeBytes = 256 * 1024; // a large ID3 tag with pictures

// Bit rates in kbit/s by index: MPEG-1 layers 1, 2, 3, then MPEG-2 and 2.5
// layer 1, then layers 2 and 3.
constexpr int kBitRates[5][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
};
constexpr int kRates[3] = {44100, 48000, 32000};

// The length in bytes of the frame whose header is at p, or 0 when p holds
// no valid header (free-format frames are not recognised here).
std::size_t frameLength(const std::uint8_t* p)
{
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
    const int version = (p[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
    const int layer = 4 - ((p[1] >> 1) & 3); // 1 … 3
    const int bitIndex = p[2] >> 4, rateIndex = (p[2] >> 2) & 3, padding = (p[2] >> 1) & 1;
    if (version == 1 || layer == 4 || bitIndex == 0 || bitIndex == 15 || rateIndex == 3) return 0;
    const bool mpeg1 = version == 3;
    const int table = mpeg1 ? layer - 1 : layer == 1 ? 3 : 4;
    const long bits = kBitRates[table][bitIndex] * 1000L;
    const long rate = kRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
    if (layer == 1) return static_cast<std::size_t>((12 * bits / rate + padding) * 4);
    const long factor = layer == 3 && !mpeg1 ? 72 : 144;
    return static_cast<std::size_t>(factor * bits / rate + padding);
}

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

class Mp3Decoder final : public BufferedDecoder {
public:
    explicit Mp3Decoder(std::unique_ptr<ByteSource> source) : source_(std::move(source))
    {
        initLibrary();
        handle_ = mpg123_new(nullptr, nullptr);
        if (!handle_) return;
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET, 0.);
        if (mpg123_open_feed(handle_) != MPG123_OK) {
            mpg123_delete(handle_);
            handle_ = nullptr;
            return;
        }
        if (const auto size = source_->size(); size && *size < 0x7FFFFFFF) {
            mpg123_set_filesize(handle_, static_cast<off_t>(*size));
        }
    }

    ~Mp3Decoder() override
    {
        if (handle_) mpg123_delete(handle_);
    }

    Probe probe() override
    {
        if (ready()) return Probe::Ready;
        if (!handle_) error_ = kErrorMemory;
        while (!error_) {
            std::size_t done = 0;
            const int r = mpg123_read(handle_, nullptr, 0, &done);
            if (r == MPG123_NEW_FORMAT) {
                long rate = 0;
                int channels = 0, encoding = 0;
                if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0
                    || encoding != MPG123_ENC_FLOAT_32) {
                    error_ = kErrorCodec;
                    break;
                }
                channels_ = channels;
                setFormat(static_cast<int>(rate), channels, SampleFormat::Int16);
                setInput(static_cast<int>(rate), channels);
                return Probe::Ready;
            }
            if (r == MPG123_NEED_MORE) {
                if (fed_ > kMaxProbeBytes) {
                    error_ = kErrorFileForm;
                    break;
                }
                const Step step = feed();
                if (step == Step::NoBytes) return Probe::NeedBytes;
                if (step == Step::End) error_ = kErrorFileForm;
            } else if (r != MPG123_OK) {
                error_ = kErrorFileForm;
            }
        }
        return Probe::Failed;
    }

    bool seek(std::uint64_t frame) override
    {
        if (!ready() || frame > 0x7FFFFFFF) return false;
        off_t input = 0;
        const off_t at = mpg123_feedseek(handle_, static_cast<off_t>(frame), SEEK_SET, &input);
        if (at < 0 || input < 0 || !source_->seek(static_cast<std::uint64_t>(input))) return false;
        // The decoder may land a little before the frame asked for.
        restart(static_cast<std::uint64_t>(at) < frame ? frame - static_cast<std::uint64_t>(at) : 0);
        return true;
    }

    std::optional<std::uint64_t> length() const override
    {
        if (!ready()) return std::nullopt;
        const off_t n = mpg123_length(handle_);
        if (n <= 0) return std::nullopt;
        return static_cast<std::uint64_t>(n);
    }

private:
    Step feed()
    {
        std::uint8_t block[kFeedBlock];
        const long n = source_->read(block, sizeof block);
        if (n == 0) return Step::NoBytes;
        if (n < 0) return Step::End;
        fed_ += static_cast<std::size_t>(n);
        return mpg123_feed(handle_, block, static_cast<std::size_t>(n)) == MPG123_OK ? Step::Decoded : Step::End;
    }

    Step decodeMore() override
    {
        float out[4608];
        for (;;) {
            std::size_t done = 0;
            const int r = mpg123_read(handle_, out, sizeof out, &done);
            if (done > 0) {
                fold(nullptr, out, static_cast<long>(done / sizeof(float) / static_cast<std::size_t>(channels_)));
                return Step::Decoded;
            }
            if (r == MPG123_NEW_FORMAT) {
                long rate = 0;
                int encoding = 0;
                if (mpg123_getformat(handle_, &rate, &channels_, &encoding) != MPG123_OK || encoding != MPG123_ENC_FLOAT_32
                    || channels_ <= 0) {
                    return Step::End;
                }
                setInput(static_cast<int>(rate), channels_);
                continue;
            }
            if (r == MPG123_NEED_MORE) {
                const Step step = feed();
                if (step != Step::Decoded) return step;
                continue;
            }
            // The end, or damage the decoder cannot step over.
            if (r != MPG123_OK) return Step::End;
        }
    }

    std::unique_ptr<ByteSource> source_;
    mpg123_handle* handle_ = nullptr;
    std::size_t fed_ = 0;
    int channels_ = 1;
};

} // namespace

bool looksLikeMp3(const std::uint8_t* data, std::size_t size)
{
    if (size >= 3 && data[0] == 'I' && data[1] == 'D' && data[2] == '3') return true;
    for (std::size_t at = 0; at + 4 <= size; ++at) {
        const std::size_t length = frameLength(data + at);
        if (length == 0) continue;
        // The next frame's header, unless it lies past the bytes given.
        if (at + length + 4 > size || frameLength(data + at + length) != 0) return true;
    }
    return false;
}

std::unique_ptr<StreamDecoder> mp3StreamDecoder(std::unique_ptr<ByteSource> source)
{
    return std::make_unique<Mp3Decoder>(std::move(source));
}

} // namespace audio
