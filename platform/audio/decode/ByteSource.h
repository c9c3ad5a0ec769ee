// The encoded bytes of a sound that is decoded while it plays: a file, a
// block of memory, or what a network download has brought so far. Decoders
// read it on the mixing thread, so a read never waits: when the bytes are
// not there yet it says so, and the stream stalls until they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace audio {

class ByteSource {
public:
    static constexpr long kEnd = -1; // the source ended or failed for good

    virtual ~ByteSource() = default;

    // Copies up to `size` bytes into `buffer`: how many (> 0), 0 when none
    // have arrived yet, kEnd when no more will come.
    virtual long read(void* buffer, std::size_t size) = 0;

    // Moves the next read to `offset` from the start; false when the source
    // cannot go back or forth (a network stream).
    virtual bool seek(std::uint64_t /*offset*/) { return false; }

    // The whole size, when it is known.
    virtual std::optional<std::uint64_t> size() const { return std::nullopt; }
};

} // namespace audio
