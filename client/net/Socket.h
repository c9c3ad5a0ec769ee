// Blocking byte streams to the game server: Socket over plain TCP and
// SSLSocket, which runs TLS over such a connection through the libtls API.
//
// Underneath, the descriptor is non-blocking and every wait is a readiness
// wait in short slices, for two reasons: close() from another thread must let
// a blocked reader go on every platform, and a TLS context must never be
// entered by the reading and the writing thread at the same time.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "client/net/SocketPlatform.h"

struct tls;

class Socket {
public:
    Socket() = default;
    virtual ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Resolves the host and connects to the first address that accepts.
    // 0 on success, else the resolver's error or the Windows Sockets error of
    // the last address tried (10061 refused, 10060 timed out, ...).
    virtual int connect(const char* host, int port);

    // Reads exactly length bytes: length when they all arrived; 0 when the
    // peer closed, a receive failed or the socket was closed meanwhile; -1
    // when there is no socket or length < 1.
    virtual int read(char* buffer, int length);

    // Writes all bytes (length < 0: up to the first NUL), atomically with
    // respect to other writes and to close. Returns the bytes sent; a failed
    // send closes the socket. -1 when there is no socket.
    virtual int write(const char* data, int length);

    // Ends the connection. Safe from any thread while another one reads: the
    // reader returns 0; the descriptor itself is released with the object.
    virtual void close();

    // How long one connection attempt to one address may take.
    static constexpr int kConnectTimeoutMs = 20000;
    // The longest a waiting read or write sleeps before it looks again
    // whether the socket was closed.
    static constexpr int kWaitSliceMs = 200;

protected:
    bool isOpen() const { return fd_ != net::kNoSocket && !closed_.load(); }
    // Waits for readiness in slices; false when the socket was closed or
    // failed meanwhile.
    bool waitReadable();
    bool waitWritable();

    net::SocketHandle fd_ = net::kNoSocket;
    std::atomic<bool> closed_{false};
    // Bytes received ahead of what read() was asked for: one receive call
    // serves many small frames. Only the reading thread touches them.
    std::vector<char> received_;
    std::size_t receivedAt_ = 0;
    std::size_t receivedEnd_ = 0;
    std::recursive_mutex lock_; // serialises write and close
};

class SSLSocket : public Socket {
public:
    ~SSLSocket() override;

    // TCP connect, then the TLS handshake with the shared configuration,
    // verifying the certificate for host. Writes the handshake lines and the
    // ten connection details to the diagnostic log. 0 on success; 10061 when
    // the transport broke during the handshake ("Broken pipe"), so that the
    // connection retries; 59695 when the handshake failed.
    int connect(const char* host, int port) override;
    int read(char* buffer, int length) override;
    int write(const char* data, int length) override;
    void close() override;

    static constexpr int kHandshakeFailed = 59695;

private:
    void freeContext();

    ::tls* tls_ = nullptr;
    std::mutex tlsLock_; // held only inside one libtls call
};
