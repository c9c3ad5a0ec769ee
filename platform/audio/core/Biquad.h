// Second-order filters of the low- and high-pass kind, with coefficients that
// can change while the sound plays without a click from a reset state.
#pragma once

#include <array>
#include <cstddef>

namespace audio {

// The filter types callers ask for by number.
constexpr int kBiquadLowPass = 0;
constexpr int kBiquadHighPass = 1;

struct BiquadParameters {
    int type = kBiquadLowPass;
    float center = 1000.f;  // corner frequency in Hz
    float gain = 0.f;       // dB; the two pass filters do not use it
    float bandwidth = 0.f;  // octaves; used when above 0
    float q = 0.707f;       // used when no bandwidth is given
    float shelf = 0.f;      // shelf slope; the two pass filters do not use it
    int channels = -1;      // which channels: bit 0 left, bit 1 right; -1 all
};

class Biquad {
public:
    // False, and the filter unchanged, for an unknown type, a corner
    // outside (0, rate / 2), or a bandwidth or Q that is not positive and
    // finite.
    bool setParameters(const BiquadParameters& p, int rate);
    const BiquadParameters& parameters() const { return p_; }

    // Filters a block of a sound that is the same on both sides, once, in
    // the left channel's state; false, with nothing done, when the filter is
    // not on both channels.
    bool processBoth(float* samples, std::size_t frames)
    {
        if ((p_.channels & 3) != 3) return false;
        run(samples, frames, state_[0]);
        return true;
    }

    // Filters a block of two channels.
    void process(float* left, float* right, std::size_t frames)
    {
        if (p_.channels & 1) run(left, frames, state_[0]);
        if (p_.channels & 2) run(right, frames, state_[1]);
    }

private:
    // Direct form I: the last two inputs and outputs. They stay meaningful
    // when the coefficients change, and the feedback's dependency chain is
    // one multiply and one subtraction long.
    struct State {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    void run(float* x, std::size_t frames, State& s) const
    {
        const double b0 = b0_, b1 = b1_, b2 = b2_, a1 = a1_, a2 = a2_;
        double x1 = s.x1, x2 = s.x2, y1 = s.y1, y2 = s.y2;
        for (std::size_t f = 0; f < frames; ++f) {
            const double in = x[f];
            const double y = (b0 * in + b1 * x1 + b2 * x2 - a2 * y2) - a1 * y1;
            x2 = x1;
            x1 = in;
            y2 = y1;
            y1 = y;
            x[f] = static_cast<float>(y);
        }
        s = {x1, x2, y1, y2};
    }

    BiquadParameters p_;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    std::array<State, 2> state_{};
};

} // namespace audio
