// Platform calls behind the portable socket code.
#include "client/net/SocketPlatform.h"

#ifndef _WIN32
#include <csignal>
#endif

namespace net {

#ifdef _WIN32

int lastSocketError() { return WSAGetLastError(); }

int resolverError(int result) { return result; }

bool setNonBlocking(SocketHandle s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

bool isWouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS; }

static Readiness waitFor(SocketHandle s, short events, int timeoutMs)
{
    WSAPOLLFD p{};
    p.fd = s;
    p.events = events;
    const int r = WSAPoll(&p, 1, timeoutMs);
    if (r == 0) return Readiness::Timeout;
    if (r < 0) return Readiness::Error;
    return Readiness::Ready;
}

Readiness waitReadable(SocketHandle s, int timeoutMs) { return waitFor(s, POLLRDNORM, timeoutMs); }
Readiness waitWritable(SocketHandle s, int timeoutMs) { return waitFor(s, POLLWRNORM, timeoutMs); }

void shutdownSocket(SocketHandle s) { shutdown(s, SD_BOTH); }
void closeSocketHandle(SocketHandle s) { closesocket(s); }

int receiveSome(SocketHandle s, char* buffer, int length) { return recv(s, buffer, length, 0); }
int sendSome(SocketHandle s, const char* data, int length) { return send(s, data, length, 0); }

std::wstring systemErrorText(int code)
{
    wchar_t buffer[1024];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                                   1024, nullptr);
    return std::wstring(buffer, n);
}

bool startSocketRuntime()
{
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 0), &data) == 0;
}

void stopSocketRuntime() { WSACleanup(); }

#else

int lastSocketError()
{
    switch (errno) {
    case EWOULDBLOCK: return kErrorWouldBlock;
    case EINPROGRESS: return kErrorInProgress;
    case EINTR: return 10004;
    case EACCES: return 10013;
    case EINVAL: return 10022;
    case EMFILE: return 10024;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ECONNABORTED: return 10053;
    case ECONNRESET: return 10054;
    case EPIPE: return 10058;
    case ETIMEDOUT: return kErrorTimedOut;
    case ECONNREFUSED: return kErrorRefused;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return errno > 0 ? errno : 10022;
    }
}

int resolverError(int result)
{
    switch (result) {
    case 0: return 0;
    case EAI_AGAIN: return 11002;      // WSATRY_AGAIN
    case EAI_NONAME: return kErrorHostNotFound;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;     // WSANO_DATA
#endif
    case EAI_FAMILY: return 10047;
    case EAI_MEMORY: return 8;         // WSA_NOT_ENOUGH_MEMORY
    case EAI_SERVICE: return 10109;    // WSATYPE_NOT_FOUND
    case EAI_SOCKTYPE: return 10044;
    default: return 11003;             // WSANO_RECOVERY
    }
}

bool setNonBlocking(SocketHandle s)
{
    const int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool isWouldBlock(int error) { return error == kErrorWouldBlock || error == kErrorInProgress || error == 10004; }

static Readiness waitFor(SocketHandle s, short events, int timeoutMs)
{
    pollfd p{};
    p.fd = s;
    p.events = events;
    const int r = poll(&p, 1, timeoutMs);
    if (r == 0) return Readiness::Timeout;
    if (r < 0) return errno == EINTR ? Readiness::Timeout : Readiness::Error;
    return Readiness::Ready;
}

Readiness waitReadable(SocketHandle s, int timeoutMs) { return waitFor(s, POLLIN, timeoutMs); }
Readiness waitWritable(SocketHandle s, int timeoutMs) { return waitFor(s, POLLOUT, timeoutMs); }

void shutdownSocket(SocketHandle s) { shutdown(s, SHUT_RDWR); }
void closeSocketHandle(SocketHandle s) { ::close(s); }

int receiveSome(SocketHandle s, char* buffer, int length)
{
    return static_cast<int>(recv(s, buffer, static_cast<size_t>(length), 0));
}

int sendSome(SocketHandle s, const char* data, int length)
{
    // A peer that went away must not kill the process with SIGPIPE.
    return static_cast<int>(send(s, data, static_cast<size_t>(length), MSG_NOSIGNAL));
}

std::wstring systemErrorText(int code)
{
    // This build reports Windows Sockets numbers (see lastSocketError); a
    // short explanation of each, ending with a line break as system texts do.
    switch (code) {
    case 10013: return L"Access to the network was denied.\r\n";
    case 10048: return L"The local address is already in use.\r\n";
    case 10049: return L"The address is not valid here.\r\n";
    case 10050: return L"The network is down.\r\n";
    case 10051: return L"The network cannot be reached.\r\n";
    case 10053: return L"The connection was aborted on this computer.\r\n";
    case 10054: return L"The server reset the connection.\r\n";
    case kErrorTimedOut: return L"The server did not answer in time.\r\n";
    case kErrorRefused: return L"The server refused the connection.\r\n";
    case 10064: return L"The server's computer is down.\r\n";
    case 10065: return L"The server's computer cannot be reached.\r\n";
    case kErrorHostNotFound: return L"The server's name is unknown.\r\n";
    case 11002: return L"The server's name could not be looked up for now.\r\n";
    case 11003: return L"Looking up the server's name failed.\r\n";
    case 11004: return L"The server's name has no address.\r\n";
    default: return {};
    }
}

bool startSocketRuntime()
{
    // The TLS library writes with plain send(): a peer that went away (or a
    // close alert after our own shutdown) must give EPIPE, not kill us.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}
void stopSocketRuntime() {}

#endif

} // namespace net
