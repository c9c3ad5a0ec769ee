// Encoding of remembered passwords.
#include "client/core/StoredPassword.h"

#include "client/core/Rc4.h"

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::string passwordKey(std::uint64_t machineId)
{
    std::string key(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) key[i] = static_cast<char>((machineId >> (8 * i)) & 0xFF);
    return key;
}

std::string encodeStoredPassword(std::string_view clear, std::uint64_t machineId)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const std::string cipher = rc4Transform(passwordKey(machineId), clear);
    std::string hex;
    hex.reserve(cipher.size() * 2);
    for (const char c : cipher) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    return hex;
}

std::string decodeStoredPassword(std::string_view stored, std::uint64_t machineId)
{
    if (stored.size() % 2 != 0) return {};
    std::string cipher;
    cipher.reserve(stored.size() / 2);
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        const int high = hexValue(stored[i]);
        const int low = hexValue(stored[i + 1]);
        if (high < 0 || low < 0) return {};
        cipher.push_back(static_cast<char>((high << 4) | low));
    }
    return rc4Transform(passwordKey(machineId), cipher);
}
