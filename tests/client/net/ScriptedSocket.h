// A transport for tests: reads come from a prepared byte string, writes are
// recorded; connect answers with a chosen code.
#pragma once

#include <algorithm>
#include <cstring>
#include <mutex>
#include <cstdint>
#include <string>
#include <vector>

#include "client/net/Socket.h"

class ScriptedSocket : public Socket {
public:
    explicit ScriptedSocket(std::string input = {}, int connectResult = 0)
        : input_(std::move(input)), connectResult_(connectResult) {}

    int connect(const char*, int) override { return connectResult_; }

    int read(char* buffer, int length) override
    {
        if (closed_.load() || length < 1) return -1;
        std::lock_guard<std::mutex> guard(mutex_);
        largestRead_ = std::max<long long>(largestRead_, length);
        if (input_.size() - position_ < static_cast<std::size_t>(length)) {
            position_ = input_.size();
            return 0;
        }
        std::memcpy(buffer, input_.data() + position_, static_cast<std::size_t>(length));
        position_ += static_cast<std::size_t>(length);
        return length;
    }

    int write(const char* data, int length) override
    {
        if (closed_.load()) return -1;
        if (length < 0) length = static_cast<int>(std::strlen(data));
        std::lock_guard<std::mutex> guard(mutex_);
        output_.append(data, static_cast<std::size_t>(length));
        return length;
    }

    void close() override { closed_.store(true); }

    std::string output() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return output_;
    }
    bool isClosed() const { return closed_.load(); }
    std::size_t unread() const
    {
        std::lock_guard<std::mutex> guard(mutex_);
        return input_.size() - position_;
    }
    long long largestRead() const { return largestRead_; }

private:
    mutable std::mutex mutex_;
    std::string input_;
    std::size_t position_ = 0;
    std::string output_;
    int connectResult_;
    long long largestRead_ = 0;
};

// A server frame of the given first byte and payload, with the shortest
// length form.
inline std::string serverFrame(unsigned char first, const std::string& payload)
{
    std::string f(1, static_cast<char>(first));
    const std::size_t n = payload.size();
    if (n <= 125) {
        f.push_back(static_cast<char>(n));
    } else if (n <= 0xFFFF) {
        f.push_back(126);
        f.push_back(static_cast<char>(n >> 8));
        f.push_back(static_cast<char>(n));
    } else {
        f.push_back(127);
        for (int i = 7; i >= 0; --i) f.push_back(static_cast<char>(static_cast<unsigned long long>(n) >> (8 * i)));
    }
    return f + payload;
}

inline std::string textFrame(const std::string& payload) { return serverFrame(0x81, payload); }

// The payloads of the unmasked frames a client wrote, in order.
inline std::vector<std::string> clientFramePayloads(const std::string& out)
{
    std::vector<std::string> frames;
    std::size_t i = 0;
    while (i + 2 <= out.size()) {
        std::uint64_t n = static_cast<unsigned char>(out[i + 1]);
        std::size_t header = 2;
        if (n == 126) {
            n = (std::uint64_t(static_cast<unsigned char>(out[i + 2])) << 8) | static_cast<unsigned char>(out[i + 3]);
            header = 4;
        } else if (n == 127) {
            n = 0;
            for (int k = 0; k < 8; ++k) n = (n << 8) | static_cast<unsigned char>(out[i + 2 + k]);
            header = 10;
        }
        frames.push_back(out.substr(i + header, n));
        i += header + n;
    }
    return frames;
}

// A successful upgrade response followed by the login verdict "ok".
inline std::string upgradeAndOk()
{
    return "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n\r\n" + textFrame("ok");
}
