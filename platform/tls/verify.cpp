// Server verification helpers: the trusted certificates from PEM text and the
// match of the server certificate against the name the caller connected to.
#include <memory>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include "tls_internal.h"

namespace orvc_tls {

bool loadCaPem(X509_STORE* store, const std::string& pem)
{
    std::unique_ptr<BIO, decltype(&BIO_free)> in(
        BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
    if (!in) return false;
    // PEM_read_bio_X509 passes over any text before each BEGIN line, so title
    // lines between the certificates are simply skipped.
    int loaded = 0;
    ERR_clear_error();
    while (X509* cert = PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr)) {
        const bool added = X509_STORE_add_cert(store, cert) == 1;
        X509_free(cert);
        if (!added) return false;
        ++loaded;
    }
    // Reading stops with "no start line" at the end of the text; any other
    // error means a damaged certificate block.
    const unsigned long code = ERR_peek_last_error();
    const bool endOfText =
        ERR_GET_LIB(code) == ERR_LIB_PEM && ERR_GET_REASON(code) == PEM_R_NO_START_LINE;
    ERR_clear_error();
    return (code == 0 || endOfText) && loaded > 0;
}

bool isIpAddress(const std::string& name)
{
    ASN1_OCTET_STRING* address = a2i_IPADDRESS(name.c_str());
    if (!address) {
        ERR_clear_error();
        return false;
    }
    ASN1_OCTET_STRING_free(address);
    return true;
}

bool certificateMatchesName(X509* cert, const std::string& name)
{
    if (isIpAddress(name)) return X509_check_ip_asc(cert, name.c_str(), 0) == 1;
    return X509_check_host(cert, name.data(), name.size(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS,
                           nullptr)
           == 1;
}

} // namespace orvc_tls
