// Client contexts: creation, configuration, binding to the caller's socket
// (building the OpenSSL objects from the configuration), errors and freeing.
#include <climits>
#include <new>

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include "tls_internal.h"

namespace orvc_tls {
namespace {

// libtls's "secure" cipher choice for TLS 1.2: forward secrecy and AEAD only.
// TLS 1.3 keeps OpenSSL's suites, which all qualify.
constexpr const char* kTls12Ciphers = "ECDHE+AESGCM:ECDHE+CHACHA20:DHE+AESGCM:DHE+CHACHA20";

struct VersionBit {
    std::uint32_t bit;
    int version;
    uint64_t disable;
};

constexpr VersionBit kVersions[] = {
    {TLS_PROTOCOL_TLSv1_0, TLS1_VERSION, SSL_OP_NO_TLSv1},
    {TLS_PROTOCOL_TLSv1_1, TLS1_1_VERSION, SSL_OP_NO_TLSv1_1},
    {TLS_PROTOCOL_TLSv1_2, TLS1_2_VERSION, SSL_OP_NO_TLSv1_2},
    {TLS_PROTOCOL_TLSv1_3, TLS1_3_VERSION, SSL_OP_NO_TLSv1_3},
};

bool applyProtocols(SSL_CTX* sslCtx, std::uint32_t protocols)
{
    // The versions allowed form the range from the lowest to the highest bit
    // set; versions inside the range that are not set are switched off. With
    // no bit set every version is off and the handshake fails.
    int lowest = TLS1_VERSION, highest = TLS1_3_VERSION;
    bool any = false;
    for (const auto& v : kVersions) {
        if (!(protocols & v.bit)) continue;
        if (!any) lowest = v.version;
        highest = v.version;
        any = true;
    }
    uint64_t off = 0;
    for (const auto& v : kVersions)
        if (!(protocols & v.bit)) off |= v.disable;
    if (!any) off |= SSL_OP_NO_TLSv1 | SSL_OP_NO_TLSv1_1 | SSL_OP_NO_TLSv1_2 | SSL_OP_NO_TLSv1_3;
    SSL_CTX_set_options(sslCtx, off);
    return SSL_CTX_set_min_proto_version(sslCtx, lowest) == 1
           && SSL_CTX_set_max_proto_version(sslCtx, highest) == 1;
}

} // namespace

void setError(tls* ctx, std::string text)
{
    try {
        ctx->error = std::move(text);
    } catch (const std::bad_alloc&) {
        ctx->error.reset(); // libtls also reports no text when it cannot build one
    }
}

void clearError(tls* ctx) { ctx->error.reset(); }

bool setUpConnection(tls* ctx, std::intptr_t s)
{
    const tls_config* config = ctx->config;
    ctx->sslCtx = SSL_CTX_new(TLS_client_method());
    if (!ctx->sslCtx) {
        setError(ctx, "ssl context failure");
        return false;
    }
    SSL_CTX_set_mode(ctx->sslCtx, SSL_MODE_ENABLE_PARTIAL_WRITE);
    SSL_CTX_set_mode(ctx->sslCtx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_options(ctx->sslCtx, SSL_OP_NO_COMPRESSION);
    if (!applyProtocols(ctx->sslCtx, config->protocols)) {
        setError(ctx, "failed to set protocol versions");
        return false;
    }
    if (SSL_CTX_set_cipher_list(ctx->sslCtx, kTls12Ciphers) != 1) {
        setError(ctx, "failed to set ciphers");
        return false;
    }

    if (config->verifyCert) {
        SSL_CTX_set_verify(ctx->sslCtx, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_verify_depth(ctx->sslCtx, config->verifyDepth);
        if (config->caPem) {
            if (config->caPem->size() > INT_MAX) {
                setError(ctx, "ca too long");
                return false;
            }
            if (!loadCaPem(SSL_CTX_get_cert_store(ctx->sslCtx), *config->caPem)) {
                setError(ctx, "ssl verify memory setup failure");
                return false;
            }
        }
    } else {
        SSL_CTX_set_verify(ctx->sslCtx, SSL_VERIFY_NONE, nullptr);
    }

    ctx->ssl = SSL_new(ctx->sslCtx);
    if (!ctx->ssl) {
        setError(ctx, "ssl connection failure");
        return false;
    }
    ctx->io = SocketIo{};
    ctx->io.socket = s;
    BIO* bio = newSocketBio(&ctx->io);
    if (!bio) {
        setError(ctx, "ssl connection failure");
        return false;
    }
    SSL_set_bio(ctx->ssl, bio, bio); // the SSL owns the one BIO for both directions

    if (ctx->servername && !isIpAddress(*ctx->servername)
        && SSL_set_tlsext_host_name(ctx->ssl, ctx->servername->c_str()) != 1) {
        setError(ctx, "server name indication failure");
        return false;
    }
    return true;
}

} // namespace orvc_tls

using namespace orvc_tls;

extern "C" {

struct tls* tls_client(void)
{
    if (tls_init() != 0) return nullptr;
    tls* ctx = new (std::nothrow) tls;
    if (!ctx) return nullptr;
    ctx->config = defaultConfig();
    return ctx;
}

int tls_configure(struct tls* ctx, struct tls_config* config)
{
    if (!ctx) return -1;
    if (!config) config = defaultConfig();
    if (!config) {
        setError(ctx, "out of memory");
        return -1;
    }
    retainConfig(config);
    tls_config_free(ctx->config);
    ctx->config = config;
    return 0;
}

int tls_connect_socket(struct tls* ctx, int s, const char* servername)
{
    if (!ctx) return -1;
    clearError(ctx);
    if (ctx->state & kStateConnected) {
        setError(ctx, "context already connected");
        return -1;
    }
    if (s < 0) {
        setError(ctx, "invalid file descriptors");
        return -1;
    }
    ERR_clear_error();
    try {
        if (servername) ctx->servername.emplace(servername);
    } catch (const std::bad_alloc&) {
        setError(ctx, "out of memory");
        return -1;
    }
    if (!setUpConnection(ctx, static_cast<std::intptr_t>(s))) {
        SSL_free(ctx->ssl);
        ctx->ssl = nullptr;
        SSL_CTX_free(ctx->sslCtx);
        ctx->sslCtx = nullptr;
        ERR_clear_error();
        return -1;
    }
    ctx->state |= kStateConnected;
    return 0;
}

void tls_free(struct tls* ctx)
{
    if (!ctx) return;
    SSL_free(ctx->ssl);
    SSL_CTX_free(ctx->sslCtx);
    X509_free(ctx->peerCert);
    tls_config_free(ctx->config);
    delete ctx;
}

const char* tls_error(struct tls* ctx)
{
    return ctx && ctx->error ? ctx->error->c_str() : nullptr;
}

} // extern "C"
