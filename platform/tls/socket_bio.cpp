// The socket BIO: recv/send on the caller's TCP socket, non-blocking sockets
// reported to OpenSSL as "retry", and socket errors kept for the error text.
#include "socket_bio.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#include <winsock2.h>
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/types.h>
#endif

namespace orvc_tls {
namespace {

BIO_METHOD* gMethod = nullptr;

#ifdef _WIN32
using Handle = SOCKET;
int lastSocketError() { return WSAGetLastError(); }
bool wouldBlock(int error) { return error == WSAEWOULDBLOCK; }
bool interrupted(int error) { return error == WSAEINTR; }
#else
using Handle = int;
int lastSocketError() { return errno; }
bool wouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }
bool interrupted(int error) { return error == EINTR; }
#endif

Handle handleOf(const SocketIo* io) { return static_cast<Handle>(io->socket); }

int socketRead(BIO* bio, char* buf, int len)
{
    auto* io = static_cast<SocketIo*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    if (len <= 0) return 0;
    for (;;) {
        const auto n = ::recv(handleOf(io), buf, len, 0);
        if (n > 0) return static_cast<int>(n);
        if (n == 0) {
            io->sawEof = true;
            return 0;
        }
        const int error = lastSocketError();
        if (interrupted(error)) continue;
        if (wouldBlock(error)) {
            BIO_set_retry_read(bio);
            return -1;
        }
        io->lastError = error;
        return -1;
    }
}

int socketWrite(BIO* bio, const char* data, int len)
{
    auto* io = static_cast<SocketIo*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    if (len <= 0) return 0;
#ifdef MSG_NOSIGNAL
    // A peer that is gone is an error to report, not a signal that ends the program.
    constexpr int flags = MSG_NOSIGNAL;
#else
    constexpr int flags = 0;
#endif
    for (;;) {
        const auto n = ::send(handleOf(io), data, len, flags);
        if (n >= 0) return static_cast<int>(n);
        const int error = lastSocketError();
        if (interrupted(error)) continue;
        if (wouldBlock(error)) {
            BIO_set_retry_write(bio);
            return -1;
        }
        io->lastError = error;
        return -1;
    }
}

long socketCtrl(BIO* bio, int cmd, long, void* ptr)
{
    auto* io = static_cast<SocketIo*>(BIO_get_data(bio));
    switch (cmd) {
    case BIO_CTRL_FLUSH:
        return 1; // nothing is buffered here
    case BIO_CTRL_EOF:
        return io && io->sawEof ? 1 : 0;
    case BIO_C_GET_FD:
        if (!io) return -1;
        if (ptr) *static_cast<int*>(ptr) = static_cast<int>(io->socket);
        return static_cast<long>(io->socket);
    default:
        return 0;
    }
}

int socketCreate(BIO* bio)
{
    BIO_set_init(bio, 0);
    BIO_set_data(bio, nullptr);
    return 1;
}

int socketDestroy(BIO* bio)
{
    // The socket belongs to the caller of tls_connect_socket.
    BIO_set_data(bio, nullptr);
    BIO_set_init(bio, 0);
    return 1;
}

bool brokenTransport(int error)
{
#ifdef _WIN32
    switch (error) {
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
    case WSAENOTCONN:
    case WSAESHUTDOWN:
    case WSAETIMEDOUT:
        return true;
    default:
        return false;
    }
#else
    switch (error) {
    case EPIPE:
    case ECONNRESET:
    case ECONNABORTED:
    case ENETRESET:
    case ENOTCONN:
    case ESHUTDOWN:
    case ETIMEDOUT:
        return true;
    default:
        return false;
    }
#endif
}

} // namespace

bool initSocketBioMethod()
{
    const int type = BIO_get_new_index();
    if (type == -1) return false;
    BIO_METHOD* method = BIO_meth_new(type | BIO_TYPE_SOURCE_SINK, "orvc socket");
    if (!method) return false;
    if (BIO_meth_set_read(method, socketRead) != 1 || BIO_meth_set_write(method, socketWrite) != 1
        || BIO_meth_set_ctrl(method, socketCtrl) != 1
        || BIO_meth_set_create(method, socketCreate) != 1
        || BIO_meth_set_destroy(method, socketDestroy) != 1) {
        BIO_meth_free(method);
        return false;
    }
    gMethod = method;
    return true;
}

BIO* newSocketBio(SocketIo* io)
{
    if (!gMethod) return nullptr;
    BIO* bio = BIO_new(gMethod);
    if (!bio) return nullptr;
    BIO_set_data(bio, io);
    BIO_set_init(bio, 1);
    return bio;
}

std::string socketErrorText(int error)
{
    // libtls on Windows turns these into EPIPE; callers look for this text to
    // tell a dropped connection from a refused certificate.
    if (brokenTransport(error)) return "Broken pipe";
#ifdef _WIN32
    char text[256];
    const DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, static_cast<DWORD>(error), 0, text, sizeof text,
                                     nullptr);
    std::string out(text, len);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'
                            || out.back() == ' '))
        out.pop_back();
    if (out.empty()) out = "socket error " + std::to_string(error);
    return out;
#else
    return std::generic_category().message(error);
#endif
}

} // namespace orvc_tls
