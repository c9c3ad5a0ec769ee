// Frames of a sound that come as it plays (a decoder reading a file or a
// download, a tempo stream over another stream). The mixer pulls them on its
// mixing thread, so nothing here may wait for disk or network.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/audio/core/Pcm.h"

namespace audio {

class Mixer;
using Handle = std::uint32_t;

class FrameSource {
public:
    static constexpr long kEnd = -1; // no more frames will come

    virtual ~FrameSource() = default;

    // The sound's rate, channel count (1 or 2) and stored format; no samples.
    virtual const Pcm& format() const = 0;

    // Up to `frames` frames into `out`, interleaved floats in [-1, 1]: how
    // many (> 0), 0 when none can be had yet (the stream stalls), kEnd.
    virtual long read(float* out, std::size_t frames) = 0;

    // Moves the next read to `frame` from the start; false when the source
    // cannot go there (a network stream, a frame past the end).
    virtual bool seek(std::uint64_t /*frame*/) { return false; }

    // The length in frames, when it is known.
    virtual std::optional<std::uint64_t> length() const { return std::nullopt; }

    // Attributes of the source's own (tempo and pitch), beyond the mixer's.
    virtual bool hasAttribute(int /*attribute*/) const { return false; }
    // false: the value is out of range and nothing changed.
    virtual bool setAttribute(int /*attribute*/, float /*value*/) { return false; }
    virtual std::optional<float> attribute(int /*attribute*/) const { return std::nullopt; }

    // Where the next read starts, in frames, when the source counts it
    // itself (a tempo stream tells its source's); else the mixer counts.
    virtual std::optional<std::uint64_t> position() const { return std::nullopt; }

    // The stream of the same mixer that this source reads, 0 for none: it
    // goes with it to another mixer, which movedTo then names.
    virtual Handle readsFrom() const { return 0; }
    virtual void movedTo(Mixer& /*mixer*/) {}
};

} // namespace audio
