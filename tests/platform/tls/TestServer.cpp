// The tests' one-connection TLS server over OpenSSL.
#include "TestServer.h"

#include <exception>

#include <openssl/err.h>

#include "TestPki.h"

namespace tlstest {
namespace {

constexpr int kServerTimeoutMs = 20000;

} // namespace

TestServer::TestServer(Handler handler)
{
    listener_ = listenLoopback(port_);
    if (!listener_.valid()) {
        fail("cannot listen on 127.0.0.1");
        return;
    }
    thread_ = std::thread([this, handler = std::move(handler)] {
        try {
            OwnedSocket conn = acceptWithin(listener_.get(), kServerTimeoutMs);
            if (!conn.valid()) {
                fail("no connection arrived");
                return;
            }
            setIoTimeout(conn.get(), kServerTimeoutMs);
            handler(*this, conn);
        } catch (const std::exception& e) {
            fail(std::string("server exception: ") + e.what());
        }
    });
}

TestServer::~TestServer() { join(); }

void TestServer::join()
{
    if (thread_.joinable()) thread_.join();
}

void TestServer::fail(const std::string& what)
{
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.push_back(what);
}

std::vector<std::string> TestServer::failures()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return failures_;
}

ServerTls::ServerTls(NativeSocket s, const ServerOptions& options)
{
    const TestPki& pki = TestPki::get();
    ctx_ = SSL_CTX_new(TLS_server_method());
    if (!ctx_) return;
    SSL_CTX_use_certificate(ctx_, pki.serverCert);
    SSL_CTX_use_PrivateKey(ctx_, pki.serverKey);
    if (options.minVersion) SSL_CTX_set_min_proto_version(ctx_, options.minVersion);
    if (options.maxVersion) SSL_CTX_set_max_proto_version(ctx_, options.maxVersion);
    ssl_ = SSL_new(ctx_);
    if (ssl_) SSL_set_fd(ssl_, static_cast<int>(s));
}

ServerTls::~ServerTls()
{
    SSL_free(ssl_);
    SSL_CTX_free(ctx_);
}

bool ServerTls::accept()
{
    ERR_clear_error();
    return ssl_ && SSL_accept(ssl_) == 1;
}

bool ServerTls::readExactly(void* buf, std::size_t len)
{
    char* p = static_cast<char*>(buf);
    while (len > 0) {
        const int n = SSL_read(ssl_, p, static_cast<int>(len));
        if (n <= 0) return false;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ServerTls::writeAll(const void* data, std::size_t len)
{
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        const int n = SSL_write(ssl_, p, static_cast<int>(len));
        if (n <= 0) return false;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

int ServerTls::readSome(void* buf, std::size_t len)
{
    const int n = SSL_read(ssl_, buf, static_cast<int>(len));
    if (n > 0) return n;
    return SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

bool ServerTls::shutdown() { return SSL_shutdown(ssl_) >= 0; }

std::string ServerTls::servername() const
{
    const char* name = SSL_get_servername(ssl_, TLSEXT_NAMETYPE_host_name);
    return name ? name : "";
}

} // namespace tlstest
