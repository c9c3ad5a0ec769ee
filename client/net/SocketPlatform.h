// The little the socket code needs from the platform: socket handles, error
// codes in Windows Sockets numbering, non-blocking mode and waiting for
// readiness. Windows Sockets on Windows, BSD sockets elsewhere.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace net {

#ifdef _WIN32
using SocketHandle = SOCKET;
constexpr SocketHandle kNoSocket = INVALID_SOCKET;
#else
using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;
#endif

// Windows Sockets error numbers the connection gives a meaning to; on other
// systems errors are translated to them so that every build reports alike.
constexpr int kErrorTimedOut = 10060;       // WSAETIMEDOUT
constexpr int kErrorRefused = 10061;        // WSAECONNREFUSED
constexpr int kErrorWouldBlock = 10035;     // WSAEWOULDBLOCK
constexpr int kErrorInProgress = 10036;     // WSAEINPROGRESS
constexpr int kErrorHostNotFound = 11001;   // WSAHOST_NOT_FOUND

// The last socket error of this thread, in Windows Sockets numbering.
int lastSocketError();

// The error of a getaddrinfo result, in Windows Sockets numbering.
int resolverError(int result);

// Switches the socket to non-blocking mode; false on failure.
bool setNonBlocking(SocketHandle s);

// Whether an error means "try again later" on a non-blocking socket.
bool isWouldBlock(int error);

enum class Readiness { Ready, Timeout, Error };

// Waits at most timeoutMs for the socket to become readable (or writable).
Readiness waitReadable(SocketHandle s, int timeoutMs);
Readiness waitWritable(SocketHandle s, int timeoutMs);

// Ends both directions of the connection, which wakes any waiting thread.
void shutdownSocket(SocketHandle s);
void closeSocketHandle(SocketHandle s);

// recv/send on a non-blocking socket: bytes moved, 0 when the peer closed
// (recv only), -1 on error (see lastSocketError).
int receiveSome(SocketHandle s, char* buffer, int length);
int sendSome(SocketHandle s, const char* data, int length);

// The system's text for an error code, at most 1023 characters; empty when
// the system has none.
std::wstring systemErrorText(int code);

// Start-up and clean-up of the socket runtime (WSAStartup 2.0 on Windows).
bool startSocketRuntime();
void stopSocketRuntime();

} // namespace net
