// Certificates for the TLS tests, made at run time with OpenSSL: a test CA, a
// server certificate it signs for "localhost" and 127.0.0.1, and an unrelated CA.
#pragma once

#include <string>

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace tlstest {

struct TestPki {
    std::string caPem;          // the CA that signed the server certificate
    std::string otherCaPem;     // a CA that signed nothing we use
    X509* serverCert = nullptr; // CN=localhost, SAN DNS:localhost and IP:127.0.0.1
    EVP_PKEY* serverKey = nullptr;

    // Made once per process; never freed (the tests share it to the end).
    static const TestPki& get();
};

// The subject and issuer of the server certificate as one-line names.
inline constexpr const char* kServerSubject = "/O=orvc tests/CN=localhost";
inline constexpr const char* kServerIssuer = "/O=orvc tests/CN=orvc test root";
// The OCSP responder named in the server certificate.
inline constexpr const char* kServerOcspUrl = "http://ocsp.orvc.test/";

} // namespace tlstest
