// Second-order filters of the low- and high-pass kind, with coefficients that
// can change while the sound plays without a click from a reset state.
#pragma once

#include <array>

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

    // Filters one frame in place (two channels).
    void process(float& left, float& right)
    {
        if (p_.channels & 1) left = static_cast<float>(step(left, state_[0]));
        if (p_.channels & 2) right = static_cast<float>(step(right, state_[1]));
    }

    // Filters one frame of a sound that is the same on both sides: once, in
    // the left channel's state; false, with nothing done, when the filter
    // is not on both channels.
    bool processBoth(float& sample)
    {
        if ((p_.channels & 3) != 3) return false;
        sample = static_cast<float>(step(sample, state_[0]));
        return true;
    }

private:
    struct State {
        double z1 = 0, z2 = 0;
    };
    double step(double x, State& s)
    {
        // Transposed direct form II: two state values per channel.
        const double y = b0_ * x + s.z1;
        s.z1 = b1_ * x - a1_ * y + s.z2;
        s.z2 = b2_ * x - a2_ * y;
        return y;
    }

    BiquadParameters p_;
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    std::array<State, 2> state_{};
};

} // namespace audio
