// What the sounds did, for whoever watches them (the headless front-end's
// "audio:" lines, the offline renderer, tests): one event per operation and
// per sound that ended, and the line that tells it.
#pragma once

#include <cstdint>
#include <string>

struct SoundEvent {
    enum class Kind {
        Play,          // number: the channel; text: the sound description; handle: the result
        Load,          // text: the name; handle: the result
        Ended,         // handle: the channel that played to its end
        State,         // text: the name; number: 1 or 0
        StopSounds,
        StopStreams,
        SoundsVolume,  // number: the percentage after the change
        StreamsVolume, // number: the percentage after the change
        Device,        // number: the device; text: its name
    };
    Kind kind = Kind::Play;
    int number = 0;
    std::string text;
    std::uint32_t handle = 0;
};

// Called from any thread that plays, and from the audio layer's thread for
// Ended; it must not call the sounds back. It must outlive the audio device
// (Ended comes from the sounds' own channels).
class SoundObserver {
public:
    virtual ~SoundObserver() = default;
    virtual void soundEvent(const SoundEvent& event) = 0;
};

// "audio: play 3 door 0.5 -> 12", "audio: ended 12", "audio: sounds volume
// 40" …: one line without its line break. Control characters of names and
// sound descriptions are shown as blanks (white space) or '?' (the others), so
// that a line stays one line.
std::string formatSoundEvent(const SoundEvent& event);
