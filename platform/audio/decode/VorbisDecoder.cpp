// Ogg Vorbis through libvorbisfile, read from memory. The links of a chained
// stream are joined at the first link's rate and channel count.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/SoundDecoder.h"

namespace audio {

namespace {

struct Memory {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

std::size_t readMemory(void* out, std::size_t size, std::size_t count, void* source)
{
    auto* m = static_cast<Memory*>(source);
    const std::size_t n = std::min(size * count, m->size - m->at);
    std::memcpy(out, m->data + m->at, n);
    m->at += n;
    return size ? n / size : 0;
}

constexpr std::size_t kMaxFrames = std::size_t{1} << 28; // about 100 minutes at 44.1 kHz

} // namespace

Decoded decodeVorbis(const std::uint8_t* data, std::size_t size)
{
    Decoded out;
    Memory memory{data, size, 0};
    OggVorbis_File file;
    // Read straight through, as a stream: a seekable file is first scanned to
    // its end, which a file cut short or damaged on the way fails, where
    // reading through gives all that decodes.
    const ov_callbacks callbacks{readMemory, nullptr, nullptr, nullptr};
    if (!data || ov_open_callbacks(&memory, &file, nullptr, 0, callbacks) != 0) {
        out.error = kErrorFileForm;
        return out;
    }
    const vorbis_info* first = ov_info(&file, -1);
    Pcm& pcm = out.pcm;
    pcm.rate = static_cast<int>(first->rate);
    pcm.channels = first->channels >= 2 ? 2 : 1;
    pcm.format = SampleFormat::Int16;
    if (first->rate <= 0 || first->rate > 384000 || first->channels <= 0) {
        ov_clear(&file);
        out.error = kErrorFileForm;
        return out;
    }
    // A later link at another rate is stepped through at the first one's
    // rate (nearest frame): chained streams of differing rates are rare and
    // only need to stay in time.
    long link = -1;
    double carry = 0;
    for (;;) {
        float** channels = nullptr;
        int current = 0;
        const long got = ov_read_float(&file, &channels, 1024, &current);
        // A hole is lost or damaged pages, and also where a chained
        // stream's links meet: reading goes on after it.
        if (got == OV_HOLE) continue;
        if (got < 0) {
            out.damaged = true;
            break;
        }
        if (got == 0) break;
        const vorbis_info* info = ov_info(&file, -1);
        if (!info || info->rate <= 0 || info->channels <= 0) {
            out.damaged = true;
            break;
        }
        if (ov_serialnumber(&file, -1) != link) {
            link = ov_serialnumber(&file, -1);
            carry = 0;
        }
        const double step = static_cast<double>(info->rate) / pcm.rate;
        double f = carry;
        for (; f < got; f += step) {
            const auto i = static_cast<long>(f);
            const float left = channels[0][i];
            const float right = info->channels >= 2 ? channels[1][i] : left;
            if (pcm.channels == 2) {
                pcm.samples.push_back(left);
                pcm.samples.push_back(right);
            } else {
                pcm.samples.push_back(info->channels >= 2 ? (left + right) * 0.5f : left);
            }
        }
        carry = f - static_cast<double>(got);
        if (pcm.frames() > kMaxFrames) {
            out.damaged = true;
            break;
        }
    }
    ov_clear(&file);
    if (pcm.frames() == 0) out.error = kErrorCodec;
    return out;
}

} // namespace audio
