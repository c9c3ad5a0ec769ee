// Builds the test certificates with OpenSSL's C API so that the tests need no
// files or tools from outside the process.
#include "TestPki.h"

#include <stdexcept>

#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace tlstest {
namespace {

void check(bool ok, const char* what)
{
    if (!ok) throw std::runtime_error(std::string("test PKI: ") + what);
}

EVP_PKEY* newKey()
{
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    check(key != nullptr, "key generation");
    return key;
}

X509_NAME* makeName(const char* commonName)
{
    X509_NAME* name = X509_NAME_new();
    check(name != nullptr, "name");
    check(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>("orvc tests"), -1, -1,
                                     0) == 1,
          "name O");
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(commonName), -1, -1,
                                     0) == 1,
          "name CN");
    return name;
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    check(ext != nullptr, "extension");
    check(X509_add_ext(cert, ext, -1) == 1, "add extension");
    X509_EXTENSION_free(ext);
}

// A certificate for key named commonName, signed by issuerKey; issuer null
// makes it self-signed.
X509* makeCert(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
               long serial, bool isCa)
{
    X509* cert = X509_new();
    check(cert != nullptr, "certificate");
    check(X509_set_version(cert, 2) == 1, "version");
    check(ASN1_INTEGER_set(X509_get_serialNumber(cert), serial) == 1, "serial");
    check(X509_gmtime_adj(X509_getm_notBefore(cert), -3600) != nullptr, "notBefore");
    check(X509_gmtime_adj(X509_getm_notAfter(cert), 30L * 24 * 3600) != nullptr, "notAfter");
    check(X509_set_pubkey(cert, key) == 1, "public key");
    X509_NAME* name = makeName(commonName);
    check(X509_set_subject_name(cert, name) == 1, "subject");
    check(X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name) == 1,
          "issuer");
    X509_NAME_free(name);

    X509* signer = issuer ? issuer : cert;
    addExtension(cert, signer, NID_subject_key_identifier, "hash");
    addExtension(cert, signer, NID_authority_key_identifier, "keyid:always");
    if (isCa) {
        addExtension(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert, signer, NID_basic_constraints, "critical,CA:FALSE");
        addExtension(cert, signer, NID_key_usage, "critical,digitalSignature");
        addExtension(cert, signer, NID_ext_key_usage, "serverAuth");
        addExtension(cert, signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
        addExtension(cert, signer, NID_info_access, "OCSP;URI:http://ocsp.orvc.test/");
    }
    check(X509_sign(cert, issuerKey, EVP_sha256()) > 0, "signature");
    return cert;
}

std::string toPem(X509* cert)
{
    BIO* bio = BIO_new(BIO_s_mem());
    check(bio != nullptr, "memory BIO");
    check(PEM_write_bio_X509(bio, cert) == 1, "PEM");
    char* data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(len));
    BIO_free(bio);
    return pem;
}

TestPki build()
{
    TestPki pki;
    EVP_PKEY* caKey = newKey();
    X509* ca = makeCert(caKey, "orvc test root", nullptr, caKey, 1, true);
    EVP_PKEY* otherKey = newKey();
    X509* other = makeCert(otherKey, "unrelated root", nullptr, otherKey, 2, true);
    pki.serverKey = newKey();
    pki.serverCert = makeCert(pki.serverKey, "localhost", ca, caKey, 3, false);
    pki.caPem = toPem(ca);
    pki.otherCaPem = toPem(other);
    X509_free(ca);
    X509_free(other);
    EVP_PKEY_free(caKey);
    EVP_PKEY_free(otherKey);
    return pki;
}

} // namespace

const TestPki& TestPki::get()
{
    static const TestPki pki = build();
    return pki;
}

} // namespace tlstest
