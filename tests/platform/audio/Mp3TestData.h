// The committed MP3 (data/tone-1k.mp3, made by data/make-tone-mp3.sh: half a
// second of a 1 kHz sine at half scale), built into the tests so that they
// need no path to it under Wine.
#pragma once

#include <cstdint>
#include <vector>

namespace audio::test {

const std::vector<std::uint8_t>& toneMp3();

} // namespace audio::test
