// Remembered passwords as "config.ini" stores them: RC4 keyed with the eight
// little-endian bytes of the masked machine identifier, written as lowercase
// hexadecimal. A password saved on one computer reads back as other bytes on
// any other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The RC4 key: the identifier's bytes, least significant first.
std::string passwordKey(std::uint64_t machineId);

// The clear password encrypted and written as two lowercase hex digits per
// byte; an empty password gives an empty text.
std::string encodeStoredPassword(std::string_view clear, std::uint64_t machineId);

// The stored text turned back into the password. Text that is not an even
// number of hex digits (an edited file) gives an empty password rather than
// half-decoded bytes.
std::string decodeStoredPassword(std::string_view stored, std::uint64_t machineId);
