// The option words of a sound description applied to a channel, and the end of
// fades.
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "client/audio/Sounds.h"
#include "orvaudio.h"

namespace {

double semitones(double x) { return std::pow(2.0, x / 12.0); }

// Attribute values are floats; a number beyond them reaches the layer as the
// largest float, which it refuses, rather than as undefined behaviour.
float toFloat(double value)
{
    if (!(value == value)) return 0.f;
    return static_cast<float>(std::fmax(-FLT_MAX, std::fmin(FLT_MAX, value)));
}

// Seconds to whole milliseconds (truncated), kept to what the layer takes.
std::uint32_t toMilliseconds(double seconds, double perSecond)
{
    const double ms = std::trunc(seconds * perSecond);
    if (!(ms > 0)) return 0;
    return ms >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(ms);
}

double nativeRate(std::uint32_t h)
{
    OaChannelInfo info{};
    return oaChannelGetInfo(h, &info) ? static_cast<double>(info.freq) : 0.0;
}

double presentRate(std::uint32_t h)
{
    float rate = 0;
    return oaChannelGetAttribute(h, OA_ATTRIB_FREQ, &rate) ? static_cast<double>(rate) : 0.0;
}

} // namespace

// The tempo attributes act on streams only; a sample's channel refuses them.
void Sounds::applyOption(std::uint32_t h, const SoundOption& o, bool stream, float volumeFactor)
{
    switch (o.kind) {
    case SoundOptionKind::Freq:
        oaChannelSetAttribute(h, OA_ATTRIB_FREQ, toFloat(presentRate(h) * semitones(o.x)));
        break;
    case SoundOptionKind::AbsFreq:
        oaChannelSetAttribute(h, OA_ATTRIB_FREQ, toFloat(nativeRate(h) * semitones(o.x)));
        break;
    case SoundOptionKind::Pan:
        if (o.x >= -1 && o.x <= 1) oaChannelSetAttribute(h, OA_ATTRIB_PAN, toFloat(o.x));
        break;
    case SoundOptionKind::Loop: oaChannelFlags(h, OA_SAMPLE_LOOP, OA_SAMPLE_LOOP); break;
    case SoundOptionKind::Pos:
    case SoundOptionKind::Seek: {
        double seconds = o.x;
        if (o.kind == SoundOptionKind::Seek) {
            const uint64_t at = oaChannelGetPosition(h, 0);
            if (at == static_cast<uint64_t>(-1)) break;
            seconds += oaChannelBytes2Seconds(h, at);
        }
        const uint64_t bytes = oaChannelSeconds2Bytes(h, seconds);
        if (bytes != static_cast<uint64_t>(-1)) oaChannelSetPosition(h, bytes, 0);
        break;
    }
    case SoundOptionKind::Pitch: oaChannelSetAttribute(h, OA_ATTRIB_TEMPO_PITCH, toFloat(o.x)); break;
    case SoundOptionKind::Speed: oaChannelSetAttribute(h, OA_ATTRIB_TEMPO, toFloat((o.x - 1) * 100)); break;
    case SoundOptionKind::Rate: oaChannelSetAttribute(h, OA_ATTRIB_TEMPO_FREQ, toFloat(nativeRate(h) * semitones(o.x))); break;
    case SoundOptionKind::Number:
        if (stream) oaChannelSetAttribute(h, OA_ATTRIB_TEMPO_PITCH, toFloat(o.x));
        else oaChannelSetAttribute(h, OA_ATTRIB_FREQ, toFloat(nativeRate(h) * semitones(o.x)));
        break;
    case SoundOptionKind::Slide: {
        const std::uint32_t ms = toMilliseconds(o.x, o.target == SlideTarget::Speed ? 100 : 1000);
        switch (o.target) {
        case SlideTarget::Volume: {
            double target = o.y * volumeFactor;
            if (target <= 0) {
                oaChannelSetSync(h, OA_SYNC_SLIDE, 0, &Sounds::onSlideEnd, nullptr);
                // Below silence is the layer's fade that stops the channel.
                if (target < 0) target = -1;
            }
            oaChannelSlideAttribute(h, OA_ATTRIB_VOL, toFloat(std::fmin(target, 1.0)), ms);
            break;
        }
        case SlideTarget::Pan: oaChannelSlideAttribute(h, OA_ATTRIB_PAN, toFloat(o.y), ms); break;
        case SlideTarget::Freq:
            oaChannelSlideAttribute(h, OA_ATTRIB_FREQ, toFloat(presentRate(h) * semitones(o.y)), ms);
            break;
        case SlideTarget::Pitch: oaChannelSlideAttribute(h, OA_ATTRIB_TEMPO_PITCH, toFloat(o.y), ms); break;
        case SlideTarget::Speed: oaChannelSlideAttribute(h, OA_ATTRIB_TEMPO, toFloat((o.y - 1) * 100), ms); break;
        case SlideTarget::None: break;
        }
        break;
    }
    }
}

void Sounds::onSlideEnd(std::uint32_t, std::uint32_t channel, std::uint32_t, void*)
{
    // Any slide of the channel ends here: only silence stops it, so that a
    // shorter pan or pitch slide does not cut a fade short.
    float volume = 1;
    if (oaChannelGetAttribute(channel, OA_ATTRIB_VOL, &volume) && volume <= 0) oaChannelStop(channel);
}
