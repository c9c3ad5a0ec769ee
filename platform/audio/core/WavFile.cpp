// Reading and writing RIFF WAVE.
#include "platform/audio/core/WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace audio {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kMaxRate = 384000;

std::uint32_t le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// One stored sample as a float in [-1, 1].
float decode(const std::uint8_t* p, std::uint16_t format, int bits)
{
    if (format == kFormatFloat) {
        if (bits == 32) {
            float f;
            const std::uint32_t u = le32(p);
            std::memcpy(&f, &u, 4);
            return std::isfinite(f) ? std::clamp(f, -1.f, 1.f) : 0.f;
        }
        double d;
        const std::uint64_t u = le32(p) | static_cast<std::uint64_t>(le32(p + 4)) << 32;
        std::memcpy(&d, &u, 8);
        return std::isfinite(d) ? static_cast<float>(std::clamp(d, -1.0, 1.0)) : 0.f;
    }
    switch (bits) {
    case 8: return (static_cast<int>(p[0]) - 128) / 128.f;
    case 16: return static_cast<std::int16_t>(le16(p)) / 32768.f;
    case 24: {
        const std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 | p[1] << 16 | static_cast<std::uint32_t>(p[2]) << 24) >> 8;
        return static_cast<float>(v / 8388608.0);
    }
    default: return static_cast<float>(static_cast<std::int32_t>(le32(p)) / 2147483648.0);
    }
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

} // namespace

WavRead readWav(const std::uint8_t* data, std::size_t size)
{
    WavRead out;
    if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return out;
    out.status = WavStatus::Unsupported;

    std::uint16_t format = 0, channels = 0, bits = 0, blockAlign = 0;
    std::uint32_t rate = 0;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= size) {
        const std::uint8_t* chunk = data + at;
        const std::uint32_t length = le32(chunk + 4);
        const std::size_t body = at + 8;
        const std::size_t available = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || available < 16) return out;
            format = le16(data + body);
            channels = le16(data + body + 2);
            rate = le32(data + body + 4);
            blockAlign = le16(data + body + 12);
            bits = le16(data + body + 14);
            if (format == kFormatExtensible) {
                // The sub-format's first two bytes are the plain format tag.
                if (length < 40 || available < 40) return out;
                format = le16(data + body + 24);
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return out;
            const bool integers = format == kFormatPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
            const bool floats = format == kFormatFloat && (bits == 32 || bits == 64);
            if (!(integers || floats) || channels == 0 || rate == 0 || rate > kMaxRate
                || blockAlign != channels * (bits / 8)) {
                return out;
            }
            std::size_t bytes = length;
            if (bytes > available) {
                bytes = available;
                out.truncated = true;
            }
            const std::size_t frames = bytes / blockAlign;
            if (frames * blockAlign != bytes) out.truncated = true;
            Pcm& pcm = out.pcm;
            pcm.rate = static_cast<int>(rate);
            pcm.channels = channels >= 2 ? 2 : 1;
            pcm.format = floats ? SampleFormat::Float32 : bits == 8 ? SampleFormat::Int8 : SampleFormat::Int16;
            pcm.samples.resize(frames * static_cast<std::size_t>(pcm.channels));
            const int width = bits / 8;
            for (std::size_t f = 0; f < frames; ++f) {
                const std::uint8_t* frame = data + body + f * blockAlign;
                for (int c = 0; c < pcm.channels; ++c) {
                    pcm.samples[f * static_cast<std::size_t>(pcm.channels) + static_cast<std::size_t>(c)] =
                        decode(frame + c * width, format, bits);
                }
            }
            out.status = WavStatus::Ok;
            return out;
        }
        // Chunks are padded to an even length.
        const std::size_t next = body + static_cast<std::size_t>(length) + (length & 1);
        if (next <= at || next > size) break;
        at = next;
    }
    return out;
}

float wavSample(const std::uint8_t* p, std::uint16_t format, int bits) { return decode(p, format, bits); }

std::vector<std::uint8_t> wavBytes(const float* samples, std::size_t frames, int channels, int rate, bool asFloat)
{
    const std::uint16_t width = asFloat ? 4 : 2;
    const std::size_t count = frames * static_cast<std::size_t>(channels);
    const auto dataBytes = static_cast<std::uint32_t>(count * width);
    std::vector<std::uint8_t> out;
    out.reserve(44 + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, 36 + dataBytes);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, asFloat ? kFormatFloat : kFormatPcm);
    put16(out, static_cast<std::uint16_t>(channels));
    put32(out, static_cast<std::uint32_t>(rate));
    put32(out, static_cast<std::uint32_t>(rate) * static_cast<std::uint32_t>(channels) * width);
    put16(out, static_cast<std::uint16_t>(channels * width));
    put16(out, static_cast<std::uint16_t>(width * 8));
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, dataBytes);
    for (std::size_t i = 0; i < count; ++i) {
        const float s = std::isfinite(samples[i]) ? samples[i] : 0.f;
        if (asFloat) {
            std::uint32_t u;
            std::memcpy(&u, &s, 4);
            put32(out, u);
        } else {
            const long v = std::lround(std::clamp(s, -1.f, 1.f) * 32767.f);
            put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
        }
    }
    return out;
}

} // namespace audio
