// tls_init and the configuration calls: trusted certificates, protocol
// versions and verification switches shared by client contexts.
#include <mutex>
#include <new>
#include <string_view>

#include <openssl/ssl.h>

#include "tls_internal.h"

namespace orvc_tls {

tls_config* defaultConfig()
{
    // Never freed: contexts configured with NULL may outlive any caller.
    static tls_config* config = new (std::nothrow) tls_config;
    return config;
}

void retainConfig(tls_config* config)
{
    if (config) config->references.fetch_add(1, std::memory_order_relaxed);
}

} // namespace orvc_tls

namespace {

struct ProtocolName {
    std::string_view name;
    std::uint32_t protocols;
};

constexpr ProtocolName kProtocolNames[] = {
    {"tlsv1", TLS_PROTOCOL_TLSv1},
    {"tlsv1.0", TLS_PROTOCOL_TLSv1_0},
    {"tlsv1.1", TLS_PROTOCOL_TLSv1_1},
    {"tlsv1.2", TLS_PROTOCOL_TLSv1_2},
    {"tlsv1.3", TLS_PROTOCOL_TLSv1_3},
    {"all", TLS_PROTOCOLS_ALL},
    {"legacy", TLS_PROTOCOLS_ALL},
    {"default", TLS_PROTOCOLS_DEFAULT},
    {"secure", TLS_PROTOCOLS_DEFAULT},
};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

} // namespace

extern "C" {

int tls_init(void)
{
    static int result = -1;
    static std::once_flag once;
    std::call_once(once, [] {
        if (OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                             nullptr)
                == 1
            && orvc_tls::initSocketBioMethod())
            result = 0;
    });
    return result;
}

struct tls_config* tls_config_new(void)
{
    if (tls_init() != 0) return nullptr;
    return new (std::nothrow) tls_config;
}

void tls_config_free(struct tls_config* config)
{
    if (!config || config == orvc_tls::defaultConfig()) return;
    if (config->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete config;
}

const char* tls_config_error(struct tls_config* config)
{
    return config && config->error ? config->error->c_str() : nullptr;
}

int tls_config_set_ca_mem(struct tls_config* config, const uint8_t* ca, size_t len)
{
    if (!config) return -1;
    try {
        if (ca)
            config->caPem.emplace(reinterpret_cast<const char*>(ca), len);
        else
            config->caPem.reset();
    } catch (const std::bad_alloc&) {
        config->error = "out of memory";
        return -1;
    }
    return 0;
}

int tls_config_set_protocols(struct tls_config* config, uint32_t protocols)
{
    if (!config) return -1;
    config->protocols = protocols;
    return 0;
}

int tls_config_parse_protocols(uint32_t* protocols, const char* protostr)
{
    if (!protocols) return -1;
    if (!protostr) {
        *protocols = TLS_PROTOCOLS_DEFAULT;
        return 0;
    }
    // Items are separated by ',' or ':'; blanks before an item are allowed,
    // an empty item is an error, '!' removes versions instead of adding them.
    std::uint32_t result = 0;
    std::string_view rest(protostr);
    for (;;) {
        const std::size_t end = rest.find_first_of(",:");
        std::string_view word = rest.substr(0, end);
        while (!word.empty() && (word.front() == ' ' || word.front() == '\t')) word.remove_prefix(1);
        const bool negate = !word.empty() && word.front() == '!';
        if (negate) word.remove_prefix(1);
        const ProtocolName* found = nullptr;
        for (const auto& entry : kProtocolNames)
            if (equalsIgnoringCase(word, entry.name)) found = &entry;
        if (!found) return -1;
        if (negate) {
            // Removing from nothing removes from every version.
            if (result == 0) result = TLS_PROTOCOLS_ALL;
            result &= ~found->protocols;
        } else {
            result |= found->protocols;
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    *protocols = result;
    return 0;
}

void tls_config_insecure_noverifycert(struct tls_config* config)
{
    if (config) config->verifyCert = false;
}

} // extern "C"
