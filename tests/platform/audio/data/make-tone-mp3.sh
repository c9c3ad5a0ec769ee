#!/bin/sh
# Makes tone-1k.mp3, the MP3 the audio tests decode: half a second of a
# 1 kHz sine at half scale, mono, 44.1 kHz, 64 kbit/s, synthesised by sox
# and encoded by lame (both installed by scripts/setup-native).
set -eu
cd "$(dirname "$0")"
sox -n -r 44100 -c 1 -b 16 -t wav - synth 0.5 sine 1000 vol 0.5 \
  | lame --quiet --noreplaygain -b 64 - tone-1k.mp3
