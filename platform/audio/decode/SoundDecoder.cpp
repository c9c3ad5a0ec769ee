// Choosing the decoder by the first bytes.
#include "platform/audio/decode/SoundDecoder.h"

#include <cstring>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/core/WavFile.h"
#include "platform/audio/decode/ByteSources.h"
#include "platform/audio/decode/StreamDecoders.h"

namespace audio {

Decoded decodeSound(const std::uint8_t* data, std::size_t size)
{
    Decoded out;
    if (data && size >= 4 && std::memcmp(data, "OggS", 4) == 0) return decodeVorbis(data, size);
    if (data && looksLikeMp3(data, size)) return decodeMp3(data, size);
    const WavRead wav = readWav(data, size);
    if (wav.status == WavStatus::Ok && wav.pcm.frames() > 0) {
        out.pcm = wav.pcm;
        out.damaged = wav.truncated;
        return out;
    }
    // MIDI and every other format: not one this layer plays.
    out.error = wav.status == WavStatus::Ok ? kErrorCodec : kErrorFileForm;
    return out;
}

Decoded decodeMp3(const std::uint8_t* data, std::size_t size)
{
    Decoded out;
    auto decoder = mp3StreamDecoder(memorySource(std::vector<std::uint8_t>(data, data + size)));
    if (decoder->probe() != StreamDecoder::Probe::Ready) {
        out.error = decoder->error() ? decoder->error() : kErrorFileForm;
        return out;
    }
    out.pcm.rate = decoder->format().rate;
    out.pcm.channels = decoder->format().channels;
    out.pcm.format = decoder->format().format;
    std::vector<float> block(4096 * 2);
    for (;;) {
        const long n = decoder->read(block.data(), 4096);
        if (n <= 0) break; // memory never lacks bytes: 0 is a decoder that gives up
        out.pcm.samples.insert(out.pcm.samples.end(), block.begin(), block.begin() + n * out.pcm.channels);
        if (out.pcm.frames() > (std::size_t{1} << 28)) {
            out.damaged = true;
            break;
        }
    }
    if (out.pcm.frames() == 0) out.error = kErrorCodec;
    return out;
}

} // namespace audio
