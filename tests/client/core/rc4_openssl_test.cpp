// Our RC4 gives the same bytes as OpenSSL's (its legacy provider) for keys
// and messages of many lengths.
#include "client/core/Rc4.h"

#include <memory>
#include <random>
#include <string>

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

namespace {

std::string opensslRc4(const std::string& key, const std::string& data)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> rc4(EVP_CIPHER_fetch(nullptr, "RC4", nullptr),
                                                                EVP_CIPHER_free);
    if (!ctx || !rc4) return "(no RC4)";
    if (EVP_EncryptInit_ex(ctx.get(), rc4.get(), nullptr, nullptr, nullptr) != 1) return "(init)";
    if (EVP_CIPHER_CTX_set_key_length(ctx.get(), static_cast<int>(key.size())) != 1) return "(key length)";
    if (EVP_EncryptInit_ex(ctx.get(), nullptr, nullptr, reinterpret_cast<const unsigned char*>(key.data()), nullptr) != 1) {
        return "(key)";
    }
    std::string out(data.size() + 16, '\0');
    int length = 0;
    if (EVP_EncryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(out.data()), &length,
                          reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size())) != 1) {
        return "(update)";
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

} // namespace

TEST(Rc4, MatchesOpenSsl)
{
    OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER* base = OSSL_PROVIDER_load(nullptr, "default");
    ASSERT_NE(legacy, nullptr) << "OpenSSL's legacy provider (RC4) is not available";
    std::mt19937 random(20260305);
    for (const std::size_t keyLength : {1u, 5u, 8u, 16u, 32u, 256u}) {
        for (const std::size_t dataLength : {0u, 1u, 17u, 63u, 4099u}) {
            std::string key(keyLength, '\0'), data(dataLength, '\0');
            for (char& c : key) c = static_cast<char>(random());
            for (char& c : data) c = static_cast<char>(random());
            SCOPED_TRACE(std::to_string(keyLength) + "/" + std::to_string(dataLength));
            EXPECT_EQ(rc4Transform(key, data), opensslRc4(key, data));
        }
    }
    OSSL_PROVIDER_unload(legacy);
    if (base) OSSL_PROVIDER_unload(base);
}
