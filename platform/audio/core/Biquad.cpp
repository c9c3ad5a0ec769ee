// Coefficients after the well-known audio-EQ cookbook formulas.
#include "platform/audio/core/Biquad.h"

#include <cmath>

namespace audio {

bool Biquad::setParameters(const BiquadParameters& p, int rate)
{
    if (p.type != kBiquadLowPass && p.type != kBiquadHighPass) return false;
    if (rate <= 0 || !std::isfinite(p.center) || p.center <= 0.f || p.center >= rate / 2.f) return false;
    const bool byBandwidth = std::isfinite(p.bandwidth) && p.bandwidth > 0.f;
    if (!byBandwidth && !(std::isfinite(p.q) && p.q > 0.f)) return false;

    const double pi = 3.14159265358979323846;
    const double w0 = 2.0 * pi * p.center / rate;
    const double cosW = std::cos(w0);
    const double sinW = std::sin(w0);
    const double alpha = byBandwidth ? sinW * std::sinh(std::log(2.0) / 2.0 * p.bandwidth * w0 / sinW)
                                     : sinW / (2.0 * p.q);
    const double a0 = 1.0 + alpha;
    double b0, b1;
    if (p.type == kBiquadLowPass) {
        b0 = (1.0 - cosW) / 2.0;
        b1 = 1.0 - cosW;
    } else {
        b0 = (1.0 + cosW) / 2.0;
        b1 = -(1.0 + cosW);
    }
    b0_ = b0 / a0;
    b1_ = b1 / a0;
    b2_ = b0 / a0;
    a1_ = -2.0 * cosW / a0;
    a2_ = (1.0 - alpha) / a0;
    p_ = p;
    return true;
}

} // namespace audio
