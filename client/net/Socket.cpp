// TCP and TLS transports of the server connection.
#include "client/net/Socket.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include <tls.h>

#include "client/core/DebugLog.h"
#include "client/net/Network.h"

using namespace net;

namespace {

// Connects one address within the time limit, giving up early when the
// socket is closed from another thread. 0 or a Windows Sockets error.
int connectOne(SocketHandle s, const addrinfo* ai, const std::atomic<bool>& closed)
{
    if (!setNonBlocking(s)) return lastSocketError();
    if (::connect(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0) return 0;
    const int started = lastSocketError();
    if (!isWouldBlock(started)) return started;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Socket::kConnectTimeoutMs);
    for (;;) {
        if (closed.load()) return kErrorTimedOut;
        const Readiness r = waitWritable(s, Socket::kWaitSliceMs);
        if (r == Readiness::Error) return lastSocketError();
        if (r == Readiness::Ready) break;
        if (std::chrono::steady_clock::now() >= deadline) return kErrorTimedOut;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0) return lastSocketError();
    if (error == 0) return 0;
#ifdef _WIN32
    return error;
#else
    errno = error;
    return lastSocketError();
#endif
}

const char* orNull(const char* text) { return text ? text : "NULL"; }

} // namespace

Socket::~Socket()
{
    if (fd_ != kNoSocket) closeSocketHandle(fd_);
}

int Socket::connect(const char* host, int port)
{
    char portText[8];
    std::snprintf(portText, sizeof portText, "%d", port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* list = nullptr;
    const int resolved = getaddrinfo(host, portText, &hints, &list);
    if (resolved != 0) return resolverError(resolved);

    int error = kErrorHostNotFound;
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        const SocketHandle s = ::socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (s == kNoSocket) {
            error = lastSocketError();
            continue;
        }
        error = connectOne(s, ai, closed_);
        if (error == 0) {
            const int on = 1;
            setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
            std::lock_guard<std::recursive_mutex> guard(lock_);
            if (closed_.load()) {
                closeSocketHandle(s);
                error = kErrorTimedOut;
            } else {
                fd_ = s;
            }
            break;
        }
        closeSocketHandle(s);
    }
    freeaddrinfo(list);
    return error;
}

bool Socket::waitReadable()
{
    for (;;) {
        if (!isOpen()) return false;
        const Readiness r = net::waitReadable(fd_, kWaitSliceMs);
        if (r == Readiness::Ready) return isOpen();
        if (r == Readiness::Error) return false;
    }
}

bool Socket::waitWritable()
{
    for (;;) {
        if (!isOpen()) return false;
        const Readiness r = net::waitWritable(fd_, kWaitSliceMs);
        if (r == Readiness::Ready) return isOpen();
        if (r == Readiness::Error) return false;
    }
}

int Socket::read(char* buffer, int length)
{
    if (!isOpen() || length < 1) return -1;
    constexpr int kReceiveSize = 64 * 1024;
    int got = 0;
    while (got < length) {
        const std::size_t buffered = receivedEnd_ - receivedAt_;
        if (buffered > 0) {
            const std::size_t take = std::min<std::size_t>(buffered, static_cast<std::size_t>(length - got));
            std::memcpy(buffer + got, received_.data() + receivedAt_, take);
            receivedAt_ += take;
            got += static_cast<int>(take);
            continue;
        }
        if (received_.empty()) received_.resize(kReceiveSize);
        receivedAt_ = receivedEnd_ = 0;
        const int n = receiveSome(fd_, received_.data(), kReceiveSize);
        if (n > 0) {
            receivedEnd_ = static_cast<std::size_t>(n);
        } else if (n == 0 || !isWouldBlock(lastSocketError()) || !waitReadable()) {
            return 0;
        }
    }
    return got;
}

int Socket::write(const char* data, int length)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!isOpen()) return -1;
    if (length < 0) length = static_cast<int>(std::strlen(data));
    int sent = 0;
    while (sent < length) {
        const int n = sendSome(fd_, data + sent, length - sent);
        if (n > 0) {
            sent += n;
        } else if (n < 0 && isWouldBlock(lastSocketError())) {
            if (!waitWritable()) break;
        } else {
            close();
            break;
        }
    }
    return sent;
}

void Socket::close()
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    closed_.store(true);
    if (fd_ != kNoSocket) shutdownSocket(fd_);
}

SSLSocket::~SSLSocket() { freeContext(); }

void SSLSocket::freeContext()
{
    std::lock_guard<std::mutex> guard(tlsLock_);
    if (tls_) {
        tls_close(tls_);
        tls_free(tls_);
        tls_ = nullptr;
    }
}

int SSLSocket::connect(const char* host, int port)
{
    const int err = Socket::connect(host, port);
    if (err != 0) return err;

    int rc, rc2;
    {
        std::lock_guard<std::mutex> guard(tlsLock_);
        tls_ = tls_client();
        if (tls_ && tlsConfig()) tls_configure(tls_, tlsConfig());
        rc = tls_ ? tls_connect_socket(tls_, static_cast<int>(fd_), host) : -1;
    }
    debugLog("before handshake TLS error = " + std::to_string(rc) + ": " + orNull(tls_ ? tls_error(tls_) : nullptr));
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(tlsLock_);
            rc2 = tls_ ? tls_handshake(tls_) : -1;
        }
        if (rc2 == TLS_WANT_POLLIN) {
            if (!waitReadable()) break;
        } else if (rc2 == TLS_WANT_POLLOUT) {
            if (!waitWritable()) break;
        } else {
            break;
        }
    }
    if (rc2 == TLS_WANT_POLLIN || rc2 == TLS_WANT_POLLOUT) rc2 = -1; // closed meanwhile

    std::string error;
    {
        std::lock_guard<std::mutex> guard(tlsLock_);
        ::tls* t = tls_;
        const char* e = t ? tls_error(t) : nullptr;
        if (e) error = e;
        debugLog("after handshake TLS error = " + std::to_string(rc2) + ": " + orNull(e));
        debugLog("tls_peer_cert_provided = " + std::to_string(t ? tls_peer_cert_provided(t) : 0));
        debugLog(std::string("tls_conn_version = ") + orNull(t ? tls_conn_version(t) : nullptr));
        debugLog(std::string("tls_conn_cipher = ") + orNull(t ? tls_conn_cipher(t) : nullptr));
        debugLog(std::string("tls_peer_cert_subject = ") + orNull(t ? tls_peer_cert_subject(t) : nullptr));
        debugLog(std::string("tls_peer_cert_issuer = ") + orNull(t ? tls_peer_cert_issuer(t) : nullptr));
        debugLog("tls_peer_ocsp_cert_status = " + std::to_string(t ? tls_peer_ocsp_cert_status(t) : -1));
        debugLog("tls_peer_ocsp_crl_reason = " + std::to_string(t ? tls_peer_ocsp_crl_reason(t) : -1));
        debugLog("tls_peer_ocsp_response_status = " + std::to_string(t ? tls_peer_ocsp_response_status(t) : -1));
        debugLog(std::string("tls_peer_ocsp_result = ") + orNull(t ? tls_peer_ocsp_result(t) : nullptr));
        debugLog(std::string("tls_peer_ocsp_url = ") + orNull(t ? tls_peer_ocsp_url(t) : nullptr));
    }
    if (!error.empty() && error.find("Broken pipe") != std::string::npos) return kErrorRefused;
    if (rc2 == -1) return kHandshakeFailed;
    return rc2;
}

int SSLSocket::read(char* buffer, int length)
{
    if (!isOpen() || length < 1) return -1;
    int got = 0;
    while (got < length) {
        ssize_t n;
        {
            std::lock_guard<std::mutex> guard(tlsLock_);
            if (!tls_) return got == 0 ? -1 : 0;
            n = tls_read(tls_, buffer + got, static_cast<size_t>(length - got));
        }
        if (n > 0) {
            got += static_cast<int>(n);
        } else if (n == TLS_WANT_POLLIN) {
            if (!waitReadable()) return 0;
        } else if (n == TLS_WANT_POLLOUT) {
            if (!waitWritable()) return 0;
        } else {
            return 0;
        }
    }
    return got;
}

int SSLSocket::write(const char* data, int length)
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    if (!isOpen()) return -1;
    if (length < 0) length = static_cast<int>(std::strlen(data));
    int sent = 0;
    while (sent < length) {
        ssize_t n;
        {
            std::lock_guard<std::mutex> tguard(tlsLock_);
            if (!tls_) return sent == 0 ? -1 : sent;
            n = tls_write(tls_, data + sent, static_cast<size_t>(length - sent));
        }
        if (n > 0) {
            sent += static_cast<int>(n);
        } else if (n == TLS_WANT_POLLOUT) {
            if (!waitWritable()) break;
        } else if (n == TLS_WANT_POLLIN) {
            if (!waitReadable()) break;
        } else {
            close();
            break;
        }
    }
    return sent;
}

void SSLSocket::close()
{
    std::lock_guard<std::recursive_mutex> guard(lock_);
    // The transport goes first: a reader waiting for data wakes up and leaves
    // the context alone before it is freed.
    Socket::close();
    freeContext();
}
