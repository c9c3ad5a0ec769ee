// The download thread: libcurl's multi interface, so that the thread can be
// woken to stop or to go on after the buffer was full, and a read time-out
// of our own that does not count the time the buffer was full.
#include "platform/audio/net/UrlSource.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <curl/curl.h>

#include "platform/audio/core/AudioErrors.h"

namespace audio {

namespace {

constexpr std::size_t kMinBuffer = 4096;
constexpr std::size_t kMaxBuffer = 8 * 1024 * 1024;
constexpr std::size_t kBytesPerMs = 40; // 320 kbit/s
constexpr long kMaxChunk = 16 * 1024;
constexpr int kPollMs = 100;

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* easyOf(void* p) { return static_cast<CURL*>(p); }
CURLM* multiOf(void* p) { return static_cast<CURLM*>(p); }

} // namespace

std::size_t netBufferBytes(std::uint32_t ms)
{
    return std::clamp<std::size_t>(static_cast<std::size_t>(ms) * kBytesPerMs, 64 * 1024, kMaxBuffer);
}

UrlSource::UrlSource(const std::string& url, std::uint64_t offset, NetOptions options)
    : options_(std::move(options))
{
    initCurl();
    ring_.resize(std::clamp(options_.bufferBytes, kMinBuffer, kMaxBuffer));
    CURL* easy = curl_easy_init();
    CURLM* multi = curl_multi_init();
    easy_ = easy;
    multi_ = multi;
    if (!easy || !multi) {
        finish(kErrorFileOpen);
        return;
    }
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    // Only the network's protocols, redirections included: a server never
    // gets a sound stream to read the player's own files.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // Freeing a stream while its host name is being looked up must not wait
    // for the lookup (the mixing thread frees streams that end).
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "orvc");
    // Pieces of at most a quarter of the buffer, so that one always fits
    // once the reader has emptied half of it.
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, std::min(kMaxChunk, static_cast<long>(ring_.size() / 4)));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeoutMs));
    if (offset > 0) curl_easy_setopt(easy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(offset));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &UrlSource::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &UrlSource::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    // Exactly the authorities the game connection trusts, never the
    // system's store nor a path from the machine curl was built on.
    curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
    curl_blob ca{const_cast<char*>(options_.caBundle.data()), options_.caBundle.size(), CURL_BLOB_COPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &ca);
    curl_multi_add_handle(multi, easy);
    thread_ = std::thread([this] { run(); });
}

UrlSource::~UrlSource()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    if (multi_) curl_multi_wakeup(multiOf(multi_));
    if (thread_.joinable()) thread_.join();
    if (multi_ && easy_) curl_multi_remove_handle(multiOf(multi_), easyOf(easy_));
    if (easy_) curl_easy_cleanup(easyOf(easy_));
    if (multi_) curl_multi_cleanup(multiOf(multi_));
}

std::size_t UrlSource::onBody(char* data, std::size_t size, std::size_t count, void* self)
{
    auto& s = *static_cast<UrlSource*>(self);
    const std::size_t bytes = size * count;
    std::lock_guard lock(s.mutex_);
    if (s.stopping_) return 0; // ends the transfer
    if (s.received_ == 0 && s.contentType_.empty()) {
        const char* type = nullptr;
        curl_easy_getinfo(easyOf(s.easy_), CURLINFO_CONTENT_TYPE, &type);
        if (type) s.contentType_ = type;
    }
    if (bytes > s.ring_.size() - s.size_) {
        s.paused_ = true;
        s.changed_.notify_all();
        return CURL_WRITEFUNC_PAUSE; // offered again once there is room
    }
    std::size_t tail = (s.head_ + s.size_) % s.ring_.size();
    for (std::size_t done = 0; done < bytes;) {
        const std::size_t n = std::min(bytes - done, s.ring_.size() - tail);
        std::memcpy(s.ring_.data() + tail, data + done, n);
        done += n;
        tail = (tail + n) % s.ring_.size();
    }
    s.size_ += bytes;
    s.received_ += bytes;
    s.changed_.notify_all();
    return bytes;
}

int UrlSource::onProgress(void* self, std::int64_t, std::int64_t, std::int64_t, std::int64_t)
{
    auto& s = *static_cast<UrlSource*>(self);
    std::lock_guard lock(s.mutex_);
    return s.stopping_ ? 1 : 0; // non-zero aborts the transfer
}

void UrlSource::run()
{
    CURL* easy = easyOf(easy_);
    CURLM* multi = multiOf(multi_);
    NetClock::time_point lastData = options_.now();
    std::uint64_t seen = 0;
    bool connected = false;
    for (;;) {
        bool resume = false;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            // Go on once the reader has made room for half the buffer.
            if (paused_ && size_ <= ring_.size() / 2) {
                paused_ = false;
                resume = true;
            }
        }
        // The body held back meanwhile may come at once, from in here.
        if (resume) curl_easy_pause(easy, CURLPAUSE_CONT);
        int running = 0;
        curl_multi_perform(multi, &running);
        if (running == 0) break;

        const NetClock::time_point now = options_.now();
        bool paused;
        std::uint64_t received;
        {
            std::lock_guard lock(mutex_);
            paused = paused_;
            received = received_;
        }
        if (!connected) {
            curl_off_t connectTime = 0;
            curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
            connected = connectTime > 0;
            if (connected) lastData = now;
        }
        // A full buffer is the reader's doing, not the server's.
        if (received != seen || paused || !connected) {
            seen = received;
            lastData = now;
        } else if (options_.readTimeoutMs > 0
                   && now - lastData >= std::chrono::milliseconds(options_.readTimeoutMs)) {
            finish(kErrorTimeout);
            return;
        }
        curl_multi_poll(multi, nullptr, 0, kPollMs, nullptr);
    }
    int error = 0;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        switch (message->data.result) {
        case CURLE_OK: break;
        case CURLE_OPERATION_TIMEDOUT: error = kErrorTimeout; break;
        default: error = kErrorFileOpen; break;
        }
    }
    finish(error);
}

void UrlSource::finish(int error)
{
    std::lock_guard lock(mutex_);
    finished_ = true;
    // A stream cut short after its body began plays what came.
    if (received_ == 0) error_ = error;
    changed_.notify_all();
}

long UrlSource::read(void* buffer, std::size_t size)
{
    bool wake = false;
    long got;
    {
        std::lock_guard lock(mutex_);
        if (size_ == 0) return finished_ ? kEnd : 0;
        const std::size_t n = std::min(size, size_);
        auto* out = static_cast<std::uint8_t*>(buffer);
        const std::size_t first = std::min(n, ring_.size() - head_);
        std::memcpy(out, ring_.data() + head_, first);
        std::memcpy(out + first, ring_.data(), n - first);
        head_ = (head_ + n) % ring_.size();
        size_ -= n;
        wake = paused_ && size_ <= ring_.size() / 2;
        got = static_cast<long>(n);
    }
    // Wakes the download to go on; this never blocks.
    if (wake) curl_multi_wakeup(multiOf(multi_));
    return got;
}

bool UrlSource::waitFor(std::size_t bytes)
{
    std::unique_lock lock(mutex_);
    bytes = std::min(bytes, ring_.size());
    changed_.wait(lock, [&] { return size_ >= bytes || finished_ || paused_; });
    return size_ >= bytes;
}

std::string UrlSource::peek(std::size_t size) const
{
    std::lock_guard lock(mutex_);
    std::string out;
    for (std::size_t i = 0; i < std::min(size, size_); ++i) out.push_back(static_cast<char>(ring_[(head_ + i) % ring_.size()]));
    return out;
}

bool UrlSource::finished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

int UrlSource::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

std::string UrlSource::contentType() const
{
    std::lock_guard lock(mutex_);
    return contentType_;
}

} // namespace audio
