// The bytes of a sound on the network (http, https, ftp), downloaded by
// libcurl on a thread of its own into a bounded buffer that decoders read.
// A read never waits on the network: when the download is behind, the
// stream stalls. Destroying the source stops its download at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio/decode/ByteSource.h"

namespace audio {

using NetClock = std::chrono::steady_clock;

struct NetOptions {
    std::uint32_t connectTimeoutMs = 5000;
    std::uint32_t readTimeoutMs = 0; // 0: wait for data without end
    std::size_t bufferBytes = 200 * 1024; // at least 4 KiB
    std::string caBundle;            // PEM of the authorities https trusts
    // The read time-out's clock.
    std::function<NetClock::time_point()> now = [] { return NetClock::now(); };
};

// The buffer that holds `ms` milliseconds of a sound of up to 320 kbit/s.
std::size_t netBufferBytes(std::uint32_t ms);

class UrlSource : public ByteSource {
public:
    // Starts downloading `url` from byte `offset` on.
    UrlSource(const std::string& url, std::uint64_t offset, NetOptions options);
    ~UrlSource() override;
    UrlSource(const UrlSource&) = delete;
    UrlSource& operator=(const UrlSource&) = delete;

    long read(void* buffer, std::size_t size) override;

    // For the thread that opens the stream, never the mixing thread: waits
    // until at least `bytes` bytes are buffered, the buffer is as full as it
    // gets, or the download has ended; true when they are buffered.
    bool waitFor(std::size_t bytes);
    // Up to `size` of the buffered bytes, left in the buffer.
    std::string peek(std::size_t size) const;
    // The download has ended (all received, cut, or failed).
    bool finished() const;
    // Why the download failed before any of the body arrived: 0, or
    // kErrorFileOpen (no connection, refused, an HTTP error, an untrusted
    // certificate) or kErrorTimeout.
    int error() const;
    // The Content-Type the server gave, "" when none.
    std::string contentType() const;
    // The buffer's size in bytes.
    std::size_t capacity() const { return ring_.size(); }

private:
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    static int onProgress(void* self, std::int64_t, std::int64_t, std::int64_t, std::int64_t);
    void run();
    void finish(int error);

    NetOptions options_;
    void* easy_ = nullptr;  // CURL*
    void* multi_ = nullptr; // CURLM*, woken to stop or to go on after a pause

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> ring_;
    std::size_t head_ = 0, size_ = 0; // the unread bytes, from head_ on
    std::uint64_t received_ = 0;
    bool paused_ = false;  // the buffer was full: the download waits
    bool finished_ = false;
    int error_ = 0;
    std::string contentType_;
    bool stopping_ = false;

    std::thread thread_;
};

} // namespace audio
