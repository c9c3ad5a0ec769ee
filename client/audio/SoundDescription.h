// The sound description: one line naming a sound, its volume and the
// effect words applied to it ("door 0.5 pan -1 slide vol 3 0"). Reading only;
// what the words do to a playing channel is the sounds' business.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Stream names denote sounds decoded as they play; every other name is a
// sample in the sounds folders.
bool isStreamName(std::string_view name);

enum class SoundOptionKind {
    Freq,    // x: rate × 2^(x/12) of the present rate
    AbsFreq, // x: the sound's own rate × 2^(x/12)
    Pan,     // x
    Loop,
    Pos,     // x: seconds from the start
    Seek,    // x: seconds from the present position
    Pitch,   // x: semitones of the tempo processing
    Speed,   // x: 1 is the normal tempo
    Rate,    // x: the tempo processing's rate, the own rate × 2^(x/12)
    Slide,   // slideAttribute to y over x seconds
    Number,  // a bare number x: pitch in semitones
};

// What "slide" moves, from its attribute word.
enum class SlideTarget { Volume, Pan, Freq, Pitch, Speed, None };

struct SoundOption {
    SoundOptionKind kind = SoundOptionKind::Loop;
    double x = 0;
    double y = 0;
    SlideTarget target = SlideTarget::None;
};

struct SoundDescription {
    std::string name;
    // 1 when missing; 0 when the second word is not a number (the options
    // are then not read).
    float volume = 1.0f;
    std::vector<SoundOption> options;
};

// Reads the `text` it is given and nothing beyond. Words are separated by
// white space; unknown words are skipped. An option whose number is missing
// or not a number ends the reading, and that option is not kept: a broken
// line from a server changes nothing more than its well-formed start says.
// "slide" takes its time and target as missing when the line ends first
// (5 seconds, 0), not when they are malformed.
SoundDescription parseSoundDescription(std::string_view text);

// A whole word as a finite number ("0.5", "-3", "1e2"); false for anything
// else, "inf" and "nan" included.
bool readSoundNumber(std::string_view word, double& out);
