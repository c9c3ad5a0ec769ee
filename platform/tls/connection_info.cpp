// What an established connection reports: protocol version, cipher, the
// server certificate's names and, as far as this layer knows it, OCSP data.
#include <openssl/x509v3.h>

#include "tls_internal.h"

namespace orvc_tls {
namespace {

std::optional<std::string> oneLineName(const X509_NAME* name)
{
    if (!name) return std::nullopt;
    char* text = X509_NAME_oneline(name, nullptr, 0);
    if (!text) return std::nullopt;
    std::string out(text);
    OPENSSL_free(text);
    return out;
}

const char* textOf(const std::optional<std::string>& value)
{
    return value ? value->c_str() : nullptr;
}

} // namespace

void recordConnectionInfo(tls* ctx)
{
    if (const char* version = SSL_get_version(ctx->ssl)) ctx->version = version;
    if (const SSL_CIPHER* cipher = SSL_get_current_cipher(ctx->ssl))
        ctx->cipher = SSL_CIPHER_get_name(cipher);
    X509_free(ctx->peerCert);
    ctx->peerCert = SSL_get1_peer_certificate(ctx->ssl);
    if (!ctx->peerCert) return;
    ctx->subject = oneLineName(X509_get_subject_name(ctx->peerCert));
    ctx->issuer = oneLineName(X509_get_issuer_name(ctx->peerCert));
    // The responder the certificate names, as libtls reports it even when no
    // OCSP response came with the handshake.
    if (STACK_OF(OPENSSL_STRING)* urls = X509_get1_ocsp(ctx->peerCert)) {
        if (sk_OPENSSL_STRING_num(urls) > 0) ctx->ocspUrl = sk_OPENSSL_STRING_value(urls, 0);
        X509_email_free(urls);
    }
}

} // namespace orvc_tls

using namespace orvc_tls;

extern "C" {

int tls_peer_cert_provided(struct tls* ctx) { return ctx && ctx->peerCert ? 1 : 0; }

const char* tls_conn_version(struct tls* ctx) { return ctx ? textOf(ctx->version) : nullptr; }

const char* tls_conn_cipher(struct tls* ctx) { return ctx ? textOf(ctx->cipher) : nullptr; }

const char* tls_peer_cert_subject(struct tls* ctx) { return ctx ? textOf(ctx->subject) : nullptr; }

const char* tls_peer_cert_issuer(struct tls* ctx) { return ctx ? textOf(ctx->issuer) : nullptr; }

// No OCSP response is ever requested or processed, so there is no status.
int tls_peer_ocsp_cert_status(struct tls*) { return -1; }

int tls_peer_ocsp_crl_reason(struct tls*) { return -1; }

int tls_peer_ocsp_response_status(struct tls*) { return -1; }

const char* tls_peer_ocsp_result(struct tls*) { return nullptr; }

const char* tls_peer_ocsp_url(struct tls* ctx) { return ctx ? textOf(ctx->ocspUrl) : nullptr; }

} // extern "C"
