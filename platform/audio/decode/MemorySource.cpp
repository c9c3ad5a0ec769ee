// A byte source over bytes held in memory.
#include <algorithm>
#include <cstring>

#include "platform/audio/decode/ByteSources.h"

namespace audio {

namespace {

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    long read(void* buffer, std::size_t size) override
    {
        if (at_ >= bytes_.size()) return kEnd;
        const std::size_t n = std::min({size, bytes_.size() - at_, std::size_t{1} << 30});
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<long>(n);
    }

    bool seek(std::uint64_t offset) override
    {
        if (offset > bytes_.size()) return false;
        at_ = static_cast<std::size_t>(offset);
        return true;
    }

    std::optional<std::uint64_t> size() const override { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

} // namespace

std::unique_ptr<ByteSource> memorySource(std::vector<std::uint8_t> bytes)
{
    return std::make_unique<MemorySource>(std::move(bytes));
}

} // namespace audio
