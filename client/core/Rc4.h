// The RC4 stream cipher, used to keep remembered passwords in "config.ini"
// unreadable on any other computer than the one that saved them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class Rc4 {
public:
    // Runs the key schedule. The algorithm needs at least one key byte, so an
    // empty key is taken as the one-byte key 0x00.
    Rc4(const std::uint8_t* key, std::size_t length);
    explicit Rc4(std::string_view key);

    // XORs the next bytes of the keystream onto the data, in place.
    void apply(std::uint8_t* data, std::size_t length);
    void apply(std::string& data);

private:
    std::array<std::uint8_t, 256> state_{};
    std::uint8_t i_ = 0;
    std::uint8_t j_ = 0;
};

// Encrypts or decrypts (the same operation) bytes with a fresh cipher.
std::string rc4Transform(std::string_view key, std::string_view data);
