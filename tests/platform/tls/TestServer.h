// The in-process TLS server of the tests: one loopback connection served on
// its own thread, with OpenSSL's server side (SSL_accept) over the socket.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <openssl/ssl.h>

#include "TestSockets.h"

namespace tlstest {

// Serves one connection on 127.0.0.1: the handler gets the accepted socket
// on the server thread. Blocking receives and sends on it time out after
// some seconds so that a broken test cannot hang.
class TestServer {
public:
    using Handler = std::function<void(TestServer&, OwnedSocket&)>;

    explicit TestServer(Handler handler);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    int port() const { return port_; }
    // Waits until the handler has returned.
    void join();
    // Records a failure seen on the server thread; the test reads them.
    void fail(const std::string& what);
    std::vector<std::string> failures();

private:
    OwnedSocket listener_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> failures_;
};

struct ServerOptions {
    int minVersion = 0; // TLS1_2_VERSION etc.; 0 = OpenSSL's default
    int maxVersion = 0;
};

// OpenSSL's server side over an accepted socket, with the test server
// certificate.
class ServerTls {
public:
    explicit ServerTls(NativeSocket s, const ServerOptions& options = {});
    ~ServerTls();
    ServerTls(const ServerTls&) = delete;
    ServerTls& operator=(const ServerTls&) = delete;

    // Runs the handshake; false when it failed.
    bool accept();
    bool readExactly(void* buf, std::size_t len);
    bool writeAll(const void* data, std::size_t len);
    // Reads once; the count, or 0 at a close notification, -1 on error.
    int readSome(void* buf, std::size_t len);
    // Sends the close notification.
    bool shutdown();
    // The server name the client sent (SNI), empty when none.
    std::string servername() const;
    SSL* ssl() const { return ssl_; }

private:
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
};

} // namespace tlstest
