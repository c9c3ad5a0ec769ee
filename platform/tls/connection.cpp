// Using a connected context: handshake with server verification, reads,
// writes and the close notification, with libtls's results and error texts.
#include <cerrno>
#include <climits>

#include <openssl/err.h>

#include "tls_internal.h"

namespace orvc_tls {
namespace {

// OpenSSL's description of its oldest queued error, e.g.
// "error:0A000086:SSL routines::certificate verify failed".
std::string opensslErrorText(unsigned long code)
{
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// Turns the result ret of an SSL call into libtls's result: 0 for an orderly
// end, TLS_WANT_* when the socket is not ready, -1 with the error text
// "<action> failed: <reason>" otherwise.
int sslResult(tls* ctx, int ret, const char* action)
{
    std::string reason;
    switch (SSL_get_error(ctx->ssl, ret)) {
    case SSL_ERROR_NONE:
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_WANT_READ:
        return TLS_WANT_POLLIN;
    case SSL_ERROR_WANT_WRITE:
        return TLS_WANT_POLLOUT;
    case SSL_ERROR_SYSCALL:
        if (ctx->io.lastError != 0) {
            reason = socketErrorText(ctx->io.lastError);
        } else if (const unsigned long code = ERR_peek_error()) {
            reason = opensslErrorText(code);
        } else if (ret == 0 || ctx->io.sawEof) {
            reason = "unexpected EOF";
        } else {
            reason = "unknown error";
        }
        break;
    case SSL_ERROR_SSL: {
        const unsigned long code = ERR_peek_error();
        const long verify = SSL_get_verify_result(ctx->ssl);
        if (ERR_GET_LIB(code) == ERR_LIB_SSL
            && ERR_GET_REASON(code) == SSL_R_CERTIFICATE_VERIFY_FAILED && verify != X509_V_OK) {
            // Worded as libtls words a refused certificate chain.
            ctx->state |= kStateFailed;
            ctx->failure = std::string("certificate verification failed: ")
                           + X509_verify_cert_error_string(verify);
            setError(ctx, ctx->failure);
            return -1;
        }
        // A failed recv or send is the cause of whatever OpenSSL made of it.
        if (ctx->io.lastError != 0)
            reason = socketErrorText(ctx->io.lastError);
        else
            reason = code ? opensslErrorText(code) : "unknown error";
        break;
    }
    default:
        reason = "unexpected SSL error";
        break;
    }
    ctx->state |= kStateFailed;
    ctx->failure = reason;
    setError(ctx, std::string(action) + " failed: " + reason);
    return -1;
}

// Gets ready for one SSL call: no stale errors from an earlier one.
void beginCall(tls* ctx)
{
    ERR_clear_error();
    ctx->io.lastError = 0;
}

int handshake(tls* ctx)
{
    if (!(ctx->state & kStateConnected)) {
        setError(ctx, "context not connected");
        return -1;
    }
    if (ctx->state & kStateHandshakeComplete) {
        setError(ctx, "handshake already completed");
        return -1;
    }
    if (ctx->state & kStateFailed) {
        setError(ctx, "handshake failed: " + ctx->failure);
        return -1;
    }
    beginCall(ctx);
    const int ret = SSL_connect(ctx->ssl);
    if (ret != 1) return sslResult(ctx, ret, "handshake");
    ctx->state |= kStateNeedsShutdown;

    if (ctx->config->verifyName) {
        X509* cert = SSL_get0_peer_certificate(ctx->ssl);
        if (!cert) {
            setError(ctx, "no server certificate");
            return -1;
        }
        if (!ctx->servername) {
            setError(ctx, "no server name to verify");
            return -1;
        }
        if (!certificateMatchesName(cert, *ctx->servername)) {
            setError(ctx, "name `" + *ctx->servername + "' not present in server certificate");
            return -1;
        }
    }
    ctx->state |= kStateHandshakeComplete;
    recordConnectionInfo(ctx);
    return 0;
}

// Runs the handshake first when it has not completed; 0 when ready for data.
// A connection that failed stays failed (OpenSSL must not be used on it
// again) and reports its first failure.
int ensureUsable(tls* ctx, const char* action)
{
    if (ctx->state & kStateFailed) {
        setError(ctx, std::string(action) + " failed: " + ctx->failure);
        return -1;
    }
    if (ctx->state & kStateHandshakeComplete) return 0;
    return handshake(ctx);
}

} // namespace
} // namespace orvc_tls

using namespace orvc_tls;

namespace {

// The common part of tls_read and tls_write; `io` is SSL_read or SSL_write.
template <class Buffer, class Io>
ssize_t transfer(struct tls* ctx, Buffer buf, size_t buflen, const char* what, Io io)
{
    if (!ctx) return -1;
    clearError(ctx);
    ssize_t rv = ensureUsable(ctx, what);
    if (rv == 0) {
        if (buflen > INT_MAX) {
            setError(ctx, "buflen too long");
            rv = -1;
        } else if (buflen == 0) {
            rv = 0; // OpenSSL would take a zero-length call for a closed stream
        } else {
            beginCall(ctx);
            const int n = io(ctx->ssl, buf, static_cast<int>(buflen));
            rv = n > 0 ? n : sslResult(ctx, n, what);
        }
    }
    errno = 0; // as libtls: callers must not look at errno
    return rv;
}

} // namespace

extern "C" {

int tls_handshake(struct tls* ctx)
{
    if (!ctx) return -1;
    clearError(ctx);
    const int rv = handshake(ctx);
    errno = 0; // as libtls: callers must not look at errno
    return rv;
}


ssize_t tls_read(struct tls* ctx, void* buf, size_t buflen)
{
    return transfer(ctx, buf, buflen, "read", SSL_read);
}

ssize_t tls_write(struct tls* ctx, const void* buf, size_t buflen)
{
    return transfer(ctx, buf, buflen, "write", SSL_write);
}

int tls_close(struct tls* ctx)
{
    if (!ctx) return -1;
    clearError(ctx);
    int rv = 0;
    // OpenSSL must not send anything after a fatal error, so a failed
    // connection is closed without a close notify.
    if ((ctx->state & kStateNeedsShutdown) && !(ctx->state & kStateFailed)) {
        beginCall(ctx);
        const int ret = SSL_shutdown(ctx->ssl);
        if (ret < 0) {
            rv = sslResult(ctx, ret, "shutdown");
            if (rv == TLS_WANT_POLLIN || rv == TLS_WANT_POLLOUT) {
                errno = 0;
                return rv;
            }
        }
        ctx->state &= ~kStateNeedsShutdown;
    }
    errno = 0;
    return rv;
}

} // extern "C"
