/* The libtls client calls the game-room client uses, implemented over OpenSSL
 * for builds where no libtls is available (the Windows build). */
#ifndef ORVC_PLATFORM_TLS_H
#define ORVC_PLATFORM_TLS_H

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Protocol versions for tls_config_set_protocols (bit values as in libtls). */
#define TLS_PROTOCOL_TLSv1_0 (1 << 1)
#define TLS_PROTOCOL_TLSv1_1 (1 << 2)
#define TLS_PROTOCOL_TLSv1_2 (1 << 3)
#define TLS_PROTOCOL_TLSv1_3 (1 << 4)
#define TLS_PROTOCOL_TLSv1                                                                         \
    (TLS_PROTOCOL_TLSv1_0 | TLS_PROTOCOL_TLSv1_1 | TLS_PROTOCOL_TLSv1_2 | TLS_PROTOCOL_TLSv1_3)
#define TLS_PROTOCOLS_ALL TLS_PROTOCOL_TLSv1
#define TLS_PROTOCOLS_DEFAULT (TLS_PROTOCOL_TLSv1_2 | TLS_PROTOCOL_TLSv1_3)

/* Returned by tls_handshake, tls_read, tls_write and tls_close on a
 * non-blocking socket: repeat the call once the socket is readable (POLLIN)
 * or writable (POLLOUT). */
#define TLS_WANT_POLLIN -2
#define TLS_WANT_POLLOUT -3

/* OCSP values (RFC 6960, RFC 5280); this layer never receives an OCSP
 * response, so the tls_peer_ocsp_* status calls return -1. */
#define TLS_OCSP_RESPONSE_SUCCESSFUL 0
#define TLS_OCSP_RESPONSE_MALFORMED 1
#define TLS_OCSP_RESPONSE_INTERNALERROR 2
#define TLS_OCSP_RESPONSE_TRYLATER 3
#define TLS_OCSP_RESPONSE_SIGREQUIRED 4
#define TLS_OCSP_RESPONSE_UNAUTHORIZED 5
#define TLS_OCSP_CERT_GOOD 0
#define TLS_OCSP_CERT_REVOKED 1
#define TLS_OCSP_CERT_UNKNOWN 2

struct tls;
struct tls_config;

/* Sets up OpenSSL once for the process; safe to call again and from several
 * threads. Returns 0, or -1 when OpenSSL cannot be initialised. */
int tls_init(void);

/* A new configuration: TLS 1.2 and 1.3, certificate and name verification on,
 * no trusted certificates. NULL when out of memory. */
struct tls_config* tls_config_new(void);
/* Drops the caller's reference; contexts configured with it keep theirs.
 * NULL is ignored. */
void tls_config_free(struct tls_config* config);
/* The text of the last error on config, or NULL when there was none. */
const char* tls_config_error(struct tls_config* config);
/* Trusts the certificates in ca (len bytes of PEM text; lines outside the
 * BEGIN/END blocks, such as titles, are skipped). The text is copied and only
 * parsed when a context connects, where unusable text makes
 * tls_connect_socket fail. Returns 0, or -1 with tls_config_error set. */
int tls_config_set_ca_mem(struct tls_config* config, const uint8_t* ca, size_t len);
/* Sets the allowed versions (TLS_PROTOCOL_* bits). Returns 0. */
int tls_config_set_protocols(struct tls_config* config, uint32_t protocols);
/* Parses a comma or colon separated list of "tlsv1.0".."tlsv1.3", "tlsv1"
 * (all four), "all", "legacy", "default", "secure" (any case, blanks before
 * an item allowed), each optionally prefixed with '!' to remove it; a list
 * that starts with a removal removes from all versions. NULL gives the
 * default. Returns 0, or -1 for an unknown keyword or an empty item. */
int tls_config_parse_protocols(uint32_t* protocols, const char* protostr);
/* Turns certificate chain verification off (the server name is still
 * checked). For tests only. */
void tls_config_insecure_noverifycert(struct tls_config* config);

/* A new client context, or NULL when out of memory. */
struct tls* tls_client(void);
/* Gives ctx the configuration (a reference is kept; NULL means a default
 * configuration). Returns 0, or -1 with tls_error set. */
int tls_configure(struct tls* ctx, struct tls_config* config);
/* Binds ctx to the connected TCP socket s (blocking or not; the caller keeps
 * owning and closes it) and sets the server name to verify, which is also
 * sent as SNI unless it is an IP address. Returns 0 or -1. */
int tls_connect_socket(struct tls* ctx, int s, const char* servername);
/* Runs the handshake and verifies the server. Returns 0, -1 with tls_error
 * set, or TLS_WANT_POLLIN / TLS_WANT_POLLOUT on a non-blocking socket. */
int tls_handshake(struct tls* ctx);
/* Reads up to buflen bytes (handshaking first if needed). Returns the count,
 * 0 after the peer's close notify (or for buflen 0), -1 with tls_error set,
 * or TLS_WANT_*. A connection that failed keeps failing. */
ssize_t tls_read(struct tls* ctx, void* buf, size_t buflen);
/* Writes up to buflen bytes (handshaking first if needed); may write fewer.
 * Returns the count (0 for buflen 0), -1 with tls_error set, or TLS_WANT_*. */
ssize_t tls_write(struct tls* ctx, const void* buf, size_t buflen);
/* Sends the TLS close notification when a handshake completed and the
 * connection has not failed. Does not close the socket. Returns 0, -1 with
 * tls_error set, or TLS_WANT_*. */
int tls_close(struct tls* ctx);
/* Frees ctx and everything it holds. NULL is ignored. */
void tls_free(struct tls* ctx);
/* The text of the last error on ctx, or NULL when the last call succeeded. */
const char* tls_error(struct tls* ctx);

/* Details of the established connection; NULL or 0 before a successful
 * handshake. */
int tls_peer_cert_provided(struct tls* ctx);
const char* tls_conn_version(struct tls* ctx);
const char* tls_conn_cipher(struct tls* ctx);
const char* tls_peer_cert_subject(struct tls* ctx);
const char* tls_peer_cert_issuer(struct tls* ctx);

/* OCSP details. No OCSP response is requested, so the status calls return -1
 * and tls_peer_ocsp_result NULL; tls_peer_ocsp_url gives the responder named
 * in the server certificate, if any, once the handshake is complete. */
int tls_peer_ocsp_cert_status(struct tls* ctx);
int tls_peer_ocsp_crl_reason(struct tls* ctx);
int tls_peer_ocsp_response_status(struct tls* ctx);
const char* tls_peer_ocsp_result(struct tls* ctx);
const char* tls_peer_ocsp_url(struct tls* ctx);

#ifdef __cplusplus
}
#endif

#endif
