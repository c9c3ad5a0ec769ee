// Helpers shared by the TLS client tests: configurations, a connected client
// context, and loops that drive libtls calls on blocking or polled sockets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <tls.h>

#include "TestPki.h"
#include "TestServer.h"
#include "TestSockets.h"

namespace tlstest {

// True in the build that runs these tests against the system's libtls.
#ifdef ORVC_TLS_TEST_SYSTEM_LIBTLS
inline constexpr bool kSystemLibtls = true;
#else
inline constexpr bool kSystemLibtls = false;
#endif

struct ConfigFree {
    void operator()(tls_config* c) const { tls_config_free(c); }
};
struct TlsFree {
    void operator()(tls* t) const { tls_free(t); }
};
using ConfigPtr = std::unique_ptr<tls_config, ConfigFree>;
using TlsPtr = std::unique_ptr<tls, TlsFree>;

// A configuration trusting caPem (nothing when empty).
inline ConfigPtr makeConfig(const std::string& caPem)
{
    ConfigPtr config(tls_config_new());
    if (config && !caPem.empty())
        tls_config_set_ca_mem(config.get(), reinterpret_cast<const std::uint8_t*>(caPem.data()),
                              caPem.size());
    return config;
}

// A TCP connection to the test server with a client context bound to it.
struct Client {
    OwnedSocket socket;
    TlsPtr ctx;
    int connectResult = -1;
};

inline Client connectClient(int port, tls_config* config, const char* servername)
{
    Client c;
    c.socket = connectLoopback(port);
    c.ctx.reset(tls_client());
    if (!c.socket.valid() || !c.ctx) return c;
    if (tls_configure(c.ctx.get(), config) != 0) return c;
    c.connectResult = tls_connect_socket(c.ctx.get(), c.socket.fd(), servername);
    return c;
}

// tls_error as a string that also shows "NULL".
inline std::string errorText(tls* ctx)
{
    const char* e = tls_error(ctx);
    return e ? e : "NULL";
}

inline std::string textOrNull(const char* s) { return s ? s : "NULL"; }

// Prints a value the implementations may word differently, so that a test
// log shows both side by side.
inline void note(const char* label, const std::string& value)
{
    std::printf("[tls %s] %s: %s\n", kSystemLibtls ? "libtls" : "orvc_tls", label,
                value.c_str());
    std::fflush(stdout);
}

// Bytes 0..len-1 of a repeating pattern that differs with seed.
inline std::vector<unsigned char> pattern(std::size_t len, unsigned seed)
{
    std::vector<unsigned char> out(len);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x = x * 1103515245u + 12345u;
        b = static_cast<unsigned char>(x >> 16);
    }
    return out;
}

} // namespace tlstest
