// The state behind struct tls_config and struct tls, and the helpers the
// source files of the libtls-compatible layer share.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include <openssl/ssl.h>

#include <tls.h>

#include "socket_bio.h"

struct tls_config {
    std::atomic<int> references{1}; // the caller's plus one per configured context
    std::optional<std::string> error;
    std::optional<std::string> caPem; // trusted certificates, parsed when a context connects
    std::uint32_t protocols = TLS_PROTOCOLS_DEFAULT;
    bool verifyCert = true;
    bool verifyName = true;
    int verifyDepth = 6;
};

struct tls {
    tls_config* config = nullptr;
    SSL_CTX* sslCtx = nullptr;
    SSL* ssl = nullptr;
    orvc_tls::SocketIo io;
    std::optional<std::string> servername;
    unsigned state = 0; // orvc_tls::kState* bits
    std::optional<std::string> error;
    std::string failure; // why the connection failed, once kStateFailed is set

    // Filled when the handshake completes.
    X509* peerCert = nullptr;
    std::optional<std::string> version;
    std::optional<std::string> cipher;
    std::optional<std::string> subject;
    std::optional<std::string> issuer;
    std::optional<std::string> ocspUrl;
};

namespace orvc_tls {

inline constexpr unsigned kStateConnected = 1u << 0;         // tls_connect_socket succeeded
inline constexpr unsigned kStateHandshakeComplete = 1u << 1; // verified and usable
inline constexpr unsigned kStateNeedsShutdown = 1u << 2;     // a close notify is owed
inline constexpr unsigned kStateFailed = 1u << 3;            // a fatal TLS or socket error

// The configuration used by tls_configure(ctx, NULL).
tls_config* defaultConfig();
void retainConfig(tls_config* config);

void setError(tls* ctx, std::string text);
void clearError(tls* ctx);

// Creates the SSL_CTX and SSL of ctx from its configuration for socket s.
// False with the error set when something could not be set up.
bool setUpConnection(tls* ctx, std::intptr_t s);

// Loads the PEM certificates of pem into store, skipping text outside the
// certificate blocks. False when there is no certificate or a certificate
// block is damaged.
bool loadCaPem(X509_STORE* store, const std::string& pem);

// True when name is an IPv4 or IPv6 address literal.
bool isIpAddress(const std::string& name);
// True when cert is valid for name: a DNS name (wildcards only as a whole
// left-most label) or an IP address.
bool certificateMatchesName(X509* cert, const std::string& name);

// Records what the completed handshake negotiated and who the peer is.
void recordConnectionInfo(tls* ctx);

} // namespace orvc_tls
