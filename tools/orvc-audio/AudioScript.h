// Scripts of timed calls on the client's sounds, run against an audio
// device whose mix advances only as the script says: the same script gives
// the same sound every time. The grammar, one command a line:
//
//   # a comment                      from a word that begins with '#' to the
//                                    end of the line; blank lines are skipped
//   at <ms> <command>                mix up to <ms> from the start, then run
//   <command>                        run at the present time
//   play <channel> <description>     playSound (channel -1: no channel)
//   load <name>                      preloadSound
//   state <name>                     isSoundActive
//   stop sounds|streams
//   volume sounds|streams <percent> [relative]
//   device <n>                       setAudioDevice
//   channel <n> <flags>              a channel's flags (8 foreground, 16
//                                    background; every channel 24 at first)
//   background on|off                the main window inactive or active
//   filter lowpass|highpass <hz> [<q>]   a filter on the last played sound
//   filter off                       removes the filters added to it
//   3d <x> <y> <z>                   places the last played sound and applies
//   end <ms>                         mix up to <ms>; the script ends there
//
// Times only move forward. A line that is not understood stops the run with
// its line number.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class Sounds;

struct ScriptError {
    int line = 0; // 0: none
    std::string message;
};

class AudioScript {
public:
    // `mix(frames)` advances the device by that many frames.
    AudioScript(Sounds& sounds, std::function<void(std::uint32_t frames)> mix);

    // The channel filter that the sounds are made with must ask this.
    bool channelMayPlay(int channel) const;

    // Runs the whole script text; the first error, or line 0.
    ScriptError run(const std::string& text);

private:
    bool runLine(const std::string& line, std::string& error);
    bool advanceTo(std::uint64_t ms, std::string& error);

    Sounds& sounds_;
    std::function<void(std::uint32_t)> mix_;
    std::uint64_t frames_ = 0;
    std::map<int, std::uint32_t> flags_;
    bool background_ = false;
    std::uint32_t last_ = 0;
    std::vector<std::uint32_t> filters_;
};
