// The software mixer: sounds decoded once and played on channels with their
// own rate, volume, pan, slides, filters and place in space, mixed into
// float stereo at the output's rate. Every object has a handle that is never
// given again, so a stale handle fails cleanly. Calls may come from any
// thread, syncs included; syncs run after the mixing, outside its lock.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/core/Biquad.h"
#include "platform/audio/core/FrameSource.h"
#include "platform/audio/core/Pcm.h"
#include "platform/audio/core/Space3D.h"

namespace audio {

using Handle = std::uint32_t;

// Channel attributes.
constexpr int kAttribFrequency = 1; // playback rate in Hz; 0 the sound's own
constexpr int kAttribVolume = 2;    // 0 … 1; a slide to -1 fades out and stops
constexpr int kAttribPan = 3;       // -1 left … 1 right, as a balance

// Sync types.
constexpr int kSyncEnd = 2;   // the sound reached its end (not when looping)
constexpr int kSyncSlide = 5; // a slide ended; the data is the attribute
constexpr int kSyncFree = 8;  // the channel was freed

// Stream flags.
constexpr unsigned kStreamLoop = 4;
constexpr unsigned kStream3D = 8;
constexpr unsigned kStreamAutoFree = 0x40000; // freed when it stops or ends
constexpr unsigned kStreamDecode = 0x200000;  // not played: read with getData

// Channel states.
constexpr int kStateStopped = 0;
constexpr int kStatePlaying = 1;
constexpr int kStateStalled = 2;
constexpr int kStatePaused = 3;

// A stream's procedure: fills `buffer` with up to `bytes` bytes of the
// stream's format and returns how many, with kStreamProcEnd set when the
// stream ends after them. Called on the mixing thread; it may call the mixer.
using StreamProc = std::function<std::uint32_t(Handle stream, void* buffer, std::uint32_t bytes)>;
constexpr std::uint32_t kStreamProcEnd = 0x80000000;

// Called with the sync's handle, the channel and the data of the event.
using SyncProc = std::function<void(Handle sync, Handle channel, std::uint32_t data)>;

class Mixer {
public:
    // Handles come from `handles` when given, so that several mixers (one a
    // device) never give the same one; else from the mixer's own count.
    explicit Mixer(int rate = 44100, std::atomic<Handle>* handles = nullptr);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    int rate() const { return rate_; }

    // A sound for up to `maxPlaybacks` channels at once (1 … 65535). When all
    // are taken, a new one replaces a stopped one, else the one that has
    // played longest. 0 and kErrorIllegalParameter for an empty sound.
    Handle loadSample(std::shared_ptr<const Pcm> pcm, int maxPlaybacks, bool threeD);
    Handle sampleChannel(Handle sample);
    bool stopSample(Handle sample);
    bool freeSample(Handle sample);

    // A channel of its own for a decoded sound, with the kStream… flags.
    Handle createStream(std::shared_ptr<const Pcm> pcm, unsigned flags);
    // A stream whose sound comes from a procedure, as it plays, in the
    // format of `format` (rate, channel count, stored format; no samples).
    // A procedure that gives nothing and does not end the stream stalls it
    // until it gives again; it is asked once per mixed block meanwhile.
    Handle createStream(const Pcm& format, unsigned flags, StreamProc proc);
    // A stream whose frames come from `source` as it plays (a decoder, a
    // tempo stream), read on the mixing thread; its position and length are
    // the source's, and it stalls while the source has nothing yet.
    // `freeWith`: a stream freed together with this one (0: none).
    Handle createStream(std::unique_ptr<FrameSource> source, unsigned flags, Handle freeWith = 0);
    bool freeStream(Handle stream);
    // A decoding stream's next frames as floats, for a stream that reads
    // another: how many, 0 when none have come yet, -1 at the end or with
    // the error (kErrorDecode for a stream that plays).
    long readFrames(Handle stream, float* out, std::size_t frames);
    // Whether the handle is a decoding stream.
    bool decoding(Handle stream) const;
    // A decoding stream's next bytes, in its stored format, from its
    // position on; the count given, or -1 (kErrorEnded at the end,
    // kErrorDecode for a stream that plays).
    long getData(Handle stream, void* buffer, std::uint32_t bytes);

    bool play(Handle channel, bool restart);
    bool stop(Handle channel);
    bool pause(Handle channel);
    // kStateStopped for a handle that is not a channel.
    int state(Handle channel) const;
    bool setLoop(Handle channel, bool loop);
    std::optional<bool> loop(Handle channel) const;

    // Values outside an attribute's range, and values that are not finite,
    // are refused (kErrorIllegalParameter) and change nothing.
    bool setAttribute(Handle channel, int attribute, float value);
    std::optional<float> attribute(Handle channel, int attribute) const;
    // A linear slide from the present value, frame by frame; a new slide of
    // the attribute replaces the running one; 0 ms sets the value at once
    // and still ends with the slide's sync.
    bool slideAttribute(Handle channel, int attribute, float value, std::uint32_t milliseconds);
    bool sliding(Handle channel, int attribute) const;

    // Positions and lengths in bytes of the sound's stored format.
    std::optional<std::uint64_t> position(Handle channel) const;
    bool setPosition(Handle channel, std::uint64_t bytes);
    std::optional<std::uint64_t> length(Handle channel) const;
    // The sound's own rate, channel count and stored format.
    std::optional<Pcm> info(Handle channel) const;

    Handle setSync(Handle channel, int type, SyncProc proc);
    bool removeSync(Handle channel, Handle sync);

    // Filters on a channel, applied in the order they were added.
    Handle addFilter(Handle channel, const BiquadParameters& parameters);
    // A filter that lets everything through until its parameters are set.
    Handle addFilter(Handle channel);
    bool setFilter(Handle filter, const BiquadParameters& parameters);
    std::optional<BiquadParameters> filter(Handle filter) const;
    bool removeFilter(Handle channel, Handle filter);

    // Space. What is set takes effect at apply3D.
    bool set3DFactors(float distance, float rolloff, float doppler);
    // Any of the vectors may be null: it stays as it was.
    bool setListener(const Vector3* position, const Vector3* velocity, const Vector3* front, const Vector3* top);
    bool setChannel3DAttributes(Handle channel, int mode, float minDistance, float maxDistance);
    bool setChannel3DPosition(Handle channel, const Vector3* position, const Vector3* orientation,
                              const Vector3* velocity);
    void apply3D();

    // Mixes `frames` frames of interleaved stereo into `out` (replacing what
    // is there), then runs the syncs that the frames caused.
    void render(float* out, std::size_t frames);

    // Channels that exist, playing or not.
    std::size_t channelCount() const;

    // Whether the handle is one of this mixer's samples, channels or filters.
    bool knows(Handle handle) const;

    // Moves a sample (with all its playbacks) or a channel, with everything
    // it carries (position, state, attributes and slides, filters, syncs,
    // place in space), to `target`; its handle stays the same. A playback
    // moved alone leaves its sample behind and keeps its sound.
    bool moveTo(Handle handle, Mixer& target);

private:
    struct Sample;
    struct Channel;
    struct Event {
        SyncProc proc;
        Handle sync, channel;
        std::uint32_t data;
    };

    Handle next() { return handles_->fetch_add(1); }
    Channel* find(Handle channel) const;
    void freeChannel(Channel& channel, std::vector<Event>& events);
    void mix(Channel& channel, float* out, std::size_t frames, std::vector<Event>& events);
    // Asks a procedure stream's procedure for what the next frames need.
    void pull(Channel& channel, std::size_t frames);
    void emit(Channel& channel, int type, std::uint32_t data, std::vector<Event>& events);
    // Takes a channel out of this mixer's lists and gives it to `target`;
    // both locks are held.
    void transfer(Handle channel, Mixer& target);
    long readFrames(Channel& channel, float* out, std::size_t frames);
    // A source stream back at its start; false when its source cannot seek.
    static bool rewind(Channel& channel);
    void advanceSourceSlides(Channel& channel, std::size_t frames, std::vector<Event>& events);
    static void runEvents(std::vector<Event>& events);

    const int rate_;
    mutable std::recursive_mutex mutex_;
    std::atomic<Handle> ownHandles_{1};
    std::atomic<Handle>* handles_;
    std::unordered_map<Handle, std::unique_ptr<Sample>> samples_;
    std::vector<std::unique_ptr<Channel>> channels_;
    std::unordered_map<Handle, Channel*> index_;
    std::unordered_map<Handle, Channel*> filterOwners_;
    // The block of the channel being mixed, before its volume and balance.
    std::vector<float> left_, right_;
    std::vector<float> scratch_; // what a source gave, before it joins its channel's frames
    Listener listener_;
    Factors factors_;
};

} // namespace audio
