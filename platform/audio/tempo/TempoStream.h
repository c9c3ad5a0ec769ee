// Tempo streams: a decoding stream played at another tempo, pitch or rate
// through SoundTouch, as a source the mixer pulls like any other stream.
#pragma once

#include <memory>

#include "platform/audio/core/Mixer.h"

namespace audio {

// The tempo stream's own attributes.
constexpr int kAttribTempo = 0x10000;      // percent, -95 … 5000; 0 normal
constexpr int kAttribTempoPitch = 0x10001; // semitones, -60 … 60; 0 normal
constexpr int kAttribTempoFreq = 0x10002;  // the source's rate in Hz (speed and pitch together); 0 its own

// Frames of `source`, a decoding stream of `mixer`, through SoundTouch.
// While tempo, pitch and rate are at their neutral values the source's
// frames pass through untouched and SoundTouch does no work. Null with
// kErrorDecode when `source` is not a decoding stream.
std::unique_ptr<FrameSource> tempoSource(Mixer& mixer, Handle source);

} // namespace audio
