// A byte source that hands its bytes out a few at a time, with reads that
// find nothing yet in between, as a download does; it can be told to hold
// back everything past a point until released.
#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/audio/decode/ByteSource.h"

namespace audio::test {

class TrickleSource : public ByteSource {
public:
    TrickleSource(std::vector<std::uint8_t> bytes, std::size_t piece, bool seekable = true)
        : bytes_(std::move(bytes)), piece_(piece), seekable_(seekable), limit_(bytes_.size())
    {
    }

    // Bytes from `offset` on are held back (the download has not got there).
    void holdFrom(std::size_t offset) { limit_ = std::min(offset, bytes_.size()); }
    void release() { limit_ = bytes_.size(); }

    long read(void* buffer, std::size_t size) override
    {
        if (at_ >= bytes_.size()) return kEnd;
        // Every other read finds nothing yet.
        if ((++reads_ & 1) == 0 || at_ >= limit_) return 0;
        const std::size_t n = std::min({size, piece_, limit_ - at_});
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<long>(n);
    }

    bool seek(std::uint64_t offset) override
    {
        if (!seekable_ || offset > bytes_.size()) return false;
        at_ = static_cast<std::size_t>(offset);
        return true;
    }

    std::optional<std::uint64_t> size() const override
    {
        return seekable_ ? std::optional<std::uint64_t>(bytes_.size()) : std::nullopt;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t piece_;
    bool seekable_;
    std::size_t limit_;
    std::size_t at_ = 0;
    unsigned reads_ = 0;
};

} // namespace audio::test
