// A byte source over a part of a file, read ahead on a thread of its own.
// Reads come from the mixing thread and never touch the disk: they copy what
// the reader thread has brought, and a seek outside it empties the read-ahead
// and tells the reader where to go on.
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "common/file.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/decode/ByteSources.h"

namespace audio {

namespace {

constexpr std::size_t kBlock = 64 * 1024;
constexpr std::size_t kAhead = 512 * 1024; // about 3 s of a 1.4 Mbit/s WAV, minutes of Vorbis

bool seekFile(std::FILE* f, std::uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::uint64_t fileSize(std::FILE* f)
{
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0) return 0;
    const __int64 end = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0) return 0;
    const off_t end = ftello(f);
#endif
    return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

// What the source and its reader thread share. The reader holds it too, so
// that the source goes without waiting for a disk read in progress: the
// thread ends after it.
struct Shared {
    Shared(common::FilePtr f, std::uint64_t start, std::uint64_t end)
        : file(std::move(f)), start(start), end(end), readAt(start), fileAt(start)
    {
    }

    // Reads one block at the reader's place; the disk is read outside the
    // lock, and a block read for a place a seek has left is dropped.
    void fill()
    {
        std::unique_lock lock(mutex);
        const std::uint64_t at = fileAt;
        const std::uint64_t asked = generation;
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, end - std::min(end, at)));
        lock.unlock();
        std::size_t got = 0;
        if (want > 0 && seekFile(file.get(), at)) {
            block.resize(want);
            got = std::fread(block.data(), 1, want, file.get());
        }
        lock.lock();
        if (asked != generation) return;
        buffer.insert(buffer.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(got));
        fileAt += got;
        if (got == 0) eof = true; // the end, or a file that cannot be read further
    }

    void run()
    {
        for (;;) {
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stop || (!eof && buffer.size() - head < kAhead); });
                if (stop) return;
            }
            fill();
        }
    }

    const common::FilePtr file;
    const std::uint64_t start, end;
    std::vector<std::uint8_t> block; // the reader thread's own
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<std::uint8_t> buffer; // read ahead, from head on
    std::size_t head = 0;
    std::uint64_t readAt; // the file offset of buffer[head]
    std::uint64_t fileAt; // where the reader goes on
    std::uint64_t generation = 0;
    bool eof = false, stop = false;
};

class FileSource final : public ByteSource {
public:
    explicit FileSource(std::shared_ptr<Shared> shared) : s_(std::move(shared))
    {
        s_->fill(); // the first block at once, for the headers
        std::thread([s = s_] { s->run(); }).detach();
    }

    ~FileSource() override
    {
        {
            std::lock_guard lock(s_->mutex);
            s_->stop = true;
        }
        s_->wake.notify_all();
    }

    long read(void* out, std::size_t size) override
    {
        Shared& s = *s_;
        std::lock_guard lock(s.mutex);
        const std::size_t available = s.buffer.size() - s.head;
        if (available == 0) return s.eof ? kEnd : 0;
        const std::size_t n = std::min({size, available, std::size_t{1} << 30});
        std::memcpy(out, s.buffer.data() + s.head, n);
        s.head += n;
        s.readAt += n;
        if (s.head >= kAhead / 2) {
            s.buffer.erase(s.buffer.begin(), s.buffer.begin() + static_cast<std::ptrdiff_t>(s.head));
            s.head = 0;
        }
        s.wake.notify_one();
        return static_cast<long>(n);
    }

    bool seek(std::uint64_t offset) override
    {
        Shared& s = *s_;
        std::lock_guard lock(s.mutex);
        if (offset > s.end - s.start) return false;
        const std::uint64_t target = s.start + offset;
        if (target >= s.readAt && target <= s.fileAt) {
            // Within what was read ahead: no trip to the disk.
            s.head += static_cast<std::size_t>(target - s.readAt);
        } else {
            s.buffer.clear();
            s.head = 0;
            s.fileAt = target;
            s.eof = false;
            ++s.generation;
        }
        s.readAt = target;
        s.wake.notify_one();
        return true;
    }

    std::optional<std::uint64_t> size() const override { return s_->end - s_->start; }

private:
    std::shared_ptr<Shared> s_;
};

} // namespace

std::unique_ptr<ByteSource> fileSource(const std::string& utf8Path, std::uint64_t offset, std::uint64_t length,
                                       int& error)
{
    common::FilePtr file = common::openFile(utf8Path, "rb");
    if (!file) {
        error = kErrorFileOpen;
        return nullptr;
    }
    const std::uint64_t size = fileSize(file.get());
    if (offset > size) {
        error = kErrorFileForm;
        return nullptr;
    }
    const std::uint64_t end = length == 0 ? size : std::min(size, offset + length);
    return std::make_unique<FileSource>(std::make_shared<Shared>(std::move(file), offset, end));
}

} // namespace audio
