// Where a device's mix goes: the sound card through SDL, a WAV file at the
// pace of a clock, or nowhere at that pace. Each output pulls frames from its
// mixer on a thread of its own; the mixing never waits on anything else.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace audio {

class Mixer;

class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts pulling from `mixer`, which must outlive the output. False when
    // the output could not start.
    virtual bool start(Mixer& mixer) = 0;
    // Stops pulling; nothing is pulled once it returns.
    virtual void stop() = 0;
    // Frames pulled at a time: what a play call may wait for at most.
    virtual int blockFrames() const = 0;
    // For an output its caller paces: mixes `frames` frames on the calling
    // thread (syncs included) and delivers them, copying them to `out`
    // (interleaved stereo) unless it is null. Outputs with a pace of their
    // own pull nothing here and return 0.
    virtual std::size_t pullNow(float* out, std::size_t frames)
    {
        (void)out;
        (void)frames;
        return 0;
    }
};

// The system's output devices as SDL names them (without the default one).
std::vector<std::string> systemOutputDevices();

// The system device of that name; an empty name is the system's default
// device, which follows the system's choice.
std::unique_ptr<AudioOutput> makeSystemOutput(const std::string& deviceName);

// Frees what the system's audio keeps for the calling thread, for a thread
// that tried the system's outputs and is not one of theirs.
void releaseSystemAudioThreadState();

} // namespace audio
