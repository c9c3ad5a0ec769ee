// Sound files of any bytes (WAV, Ogg Vorbis, MP3, anything else): the
// decoders read only what they were given, whole or a few bytes at a time
// with reads that find nothing yet, and what they decode plays through the
// mixer as finite samples.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/audio/core/Mixer.h"
#include "platform/audio/decode/SoundDecoder.h"
#include "platform/audio/decode/StreamDecoder.h"

namespace {

// The bytes in pieces of a size the input chooses, every other read empty.
class Trickle : public audio::ByteSource {
public:
    Trickle(const std::uint8_t* data, std::size_t size, std::size_t piece) : data_(data), size_(size), piece_(piece) {}
    long read(void* buffer, std::size_t size) override
    {
        if (at_ >= size_) return kEnd;
        if ((++reads_ & 1) == 0) return 0;
        const std::size_t n = std::min({size, piece_, size_ - at_});
        std::memcpy(buffer, data_ + at_, n);
        at_ += n;
        return static_cast<long>(n);
    }
    bool seek(std::uint64_t offset) override
    {
        if (offset > size_) return false;
        at_ = static_cast<std::size_t>(offset);
        return true;
    }
    std::optional<std::uint64_t> size() const override { return size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_, piece_, at_ = 0;
    unsigned reads_ = 0;
};

void checkFinite(const float* samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(samples[i]) || std::fabs(samples[i]) > 4.f) std::abort();
    }
}

void decodeWhole(const std::uint8_t* data, std::size_t size)
{
    audio::Decoded read = audio::decodeSound(data, size);
    if (read.error != 0 || read.pcm.frames() == 0) return;
    if (read.pcm.samples.size() % static_cast<std::size_t>(read.pcm.channels) != 0) std::abort();
    audio::Mixer mixer(8000);
    const audio::Handle ch = mixer.sampleChannel(mixer.loadSample(std::make_shared<audio::Pcm>(std::move(read.pcm)), 1, false));
    mixer.setLoop(ch, size % 2 == 0);
    mixer.play(ch, false);
    float out[2 * 256];
    mixer.render(out, 256);
    checkFinite(out, 512);
}

void decodeAsItPlays(const std::uint8_t* data, std::size_t size)
{
    const std::size_t piece = size > 0 ? 1 + data[size - 1] % 64 * 37 : 1;
    auto decoder = audio::openStreamDecoder(std::make_unique<Trickle>(data, size, piece));
    audio::StreamDecoder::Probe p = audio::StreamDecoder::Probe::NeedBytes;
    for (int i = 0; i < 100000 && p == audio::StreamDecoder::Probe::NeedBytes; ++i) p = decoder->probe();
    if (p != audio::StreamDecoder::Probe::Ready) return;
    const int width = decoder->format().channels;
    if (width != 1 && width != 2) std::abort();
    // Through the mixer, looping (back to the start by seeking), then
    // positioned somewhere inside.
    audio::Mixer mixer(8000);
    const audio::Handle h = mixer.createStream(std::move(decoder), size % 3 == 0 ? audio::kStreamLoop : 0u);
    mixer.play(h, false);
    float out[2 * 256];
    for (int block = 0; block < 64 && mixer.state(h) != audio::kStateStopped; ++block) {
        mixer.render(out, 256);
        checkFinite(out, 512);
        if (block == 8) mixer.setPosition(h, size * 7);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    decodeWhole(data, size);
    decodeAsItPlays(data, size);
    return 0;
}
