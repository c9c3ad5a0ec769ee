// Loopback TCP sockets for the TLS tests, the same on Windows and Linux:
// listening, connecting, non-blocking mode, waiting and abortive close.
#pragma once

#include <cstddef>
#include <utility>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace tlstest {

#ifdef _WIN32
using NativeSocket = SOCKET;
inline constexpr NativeSocket kNoSocket = INVALID_SOCKET;
#else
using NativeSocket = int;
inline constexpr NativeSocket kNoSocket = -1;
#endif

// Starts the socket runtime once (WSAStartup) and, on POSIX, ignores SIGPIPE
// as a program using libtls must.
void initSockets();

// A socket closed when the object goes.
class OwnedSocket {
public:
    OwnedSocket() = default;
    explicit OwnedSocket(NativeSocket s) : s_(s) {}
    ~OwnedSocket() { close(); }
    OwnedSocket(OwnedSocket&& o) noexcept : s_(std::exchange(o.s_, kNoSocket)) {}
    OwnedSocket& operator=(OwnedSocket&& o) noexcept
    {
        if (this != &o) {
            close();
            s_ = std::exchange(o.s_, kNoSocket);
        }
        return *this;
    }
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;

    NativeSocket get() const { return s_; }
    bool valid() const { return s_ != kNoSocket; }
    // The socket as the int that tls_connect_socket takes.
    int fd() const { return static_cast<int>(s_); }
    void close();

private:
    NativeSocket s_ = kNoSocket;
};

// A socket listening on 127.0.0.1 at a free port; port receives the port.
OwnedSocket listenLoopback(int& port);
// A blocking socket connected to 127.0.0.1:port (invalid on failure).
OwnedSocket connectLoopback(int port);
// Waits up to timeoutMs for a connection; invalid socket on timeout.
OwnedSocket acceptWithin(NativeSocket listener, int timeoutMs);

void setNonBlocking(NativeSocket s, bool on);
// Limits blocking receives and sends to timeoutMs so a broken test ends.
void setIoTimeout(NativeSocket s, int timeoutMs);
// Makes the next close send a TCP reset instead of an orderly FIN.
void setResetOnClose(NativeSocket s);
// Waits until s is readable (or writable); false on timeout.
bool waitReady(NativeSocket s, bool forWrite, int timeoutMs);
// Receives up to len bytes; the count, 0 at EOF, -1 on error.
long recvSome(NativeSocket s, void* buf, std::size_t len);
// Sends all of data; false on error.
bool sendAll(NativeSocket s, const void* data, std::size_t len);

} // namespace tlstest
