// Loopback TCP helpers for the TLS tests over Windows Sockets or POSIX sockets.
#include "TestSockets.h"

#include <cstring>
#include <mutex>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/time.h>
#include <unistd.h>
#endif

namespace tlstest {
namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

} // namespace

void initSockets()
{
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef _WIN32
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
#else
        std::signal(SIGPIPE, SIG_IGN);
#endif
    });
}

void OwnedSocket::close()
{
    if (s_ == kNoSocket) return;
#ifdef _WIN32
    ::closesocket(s_);
#else
    ::close(s_);
#endif
    s_ = kNoSocket;
}

OwnedSocket listenLoopback(int& port)
{
    initSockets();
    OwnedSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s.valid()) return s;
    sockaddr_in addr = loopback(0);
    if (::bind(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || ::listen(s.get(), 4) != 0)
        return OwnedSocket();
    socklen_t len = sizeof addr;
    if (::getsockname(s.get(), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        return OwnedSocket();
    port = ntohs(addr.sin_port);
    return s;
}

OwnedSocket connectLoopback(int port)
{
    initSockets();
    OwnedSocket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s.valid()) return s;
    sockaddr_in addr = loopback(port);
    if (::connect(s.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return OwnedSocket();
    return s;
}

OwnedSocket acceptWithin(NativeSocket listener, int timeoutMs)
{
    if (!waitReady(listener, false, timeoutMs)) return OwnedSocket();
    return OwnedSocket(::accept(listener, nullptr, nullptr));
}

void setNonBlocking(NativeSocket s, bool on)
{
#ifdef _WIN32
    u_long mode = on ? 1 : 0;
    ::ioctlsocket(s, FIONBIO, &mode);
#else
    const int flags = ::fcntl(s, F_GETFL, 0);
    ::fcntl(s, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
#endif
}

void setIoTimeout(NativeSocket s, int timeoutMs)
{
#ifdef _WIN32
    DWORD value = static_cast<DWORD>(timeoutMs);
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
#else
    timeval value{};
    value.tv_sec = timeoutMs / 1000;
    value.tv_usec = (timeoutMs % 1000) * 1000;
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
    ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
#endif
}

void setResetOnClose(NativeSocket s)
{
    linger value{};
    value.l_onoff = 1;
    value.l_linger = 0;
    ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value), sizeof value);
}

bool waitReady(NativeSocket s, bool forWrite, int timeoutMs)
{
#ifdef _WIN32
    WSAPOLLFD pfd{};
    pfd.fd = s;
    pfd.events = forWrite ? POLLOUT : POLLIN;
    return ::WSAPoll(&pfd, 1, timeoutMs) > 0;
#else
    pollfd pfd{};
    pfd.fd = s;
    pfd.events = forWrite ? POLLOUT : POLLIN;
    return ::poll(&pfd, 1, timeoutMs) > 0;
#endif
}

long recvSome(NativeSocket s, void* buf, std::size_t len)
{
    return static_cast<long>(::recv(s, static_cast<char*>(buf), static_cast<int>(len), 0));
}

bool sendAll(NativeSocket s, const void* data, std::size_t len)
{
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        const long n = static_cast<long>(::send(s, p, static_cast<int>(len), 0));
        if (n <= 0) return false;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace tlstest
