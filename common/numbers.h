// Number reading and writing with the C library's rules, made independent of
// the platform's integer widths and locale: protocol fields and configuration
// values read the same on Windows and Linux.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace common {

// Reads an integer as strtol with base 0 does on Windows, where long has 32
// bits: leading white space, an optional sign, "0x" for hexadecimal, a
// leading 0 for octal; reading stops at the first character that does not
// fit; no digits give 0; values out of range give INT32_MIN or INT32_MAX.
// When used is given it receives the number of characters consumed (0 when
// no digits were found). Reads only the bytes of the view.
std::int32_t readLong(std::string_view text, std::size_t* used = nullptr);

// Reads an unsigned 64-bit integer as strtoull with base 0: the same prefixes
// and stopping rule; a minus sign negates the value modulo 2^64; values out of
// range give UINT64_MAX.
std::uint64_t readULongLong(std::string_view text, std::size_t* used = nullptr);

// Reads a floating-point number as strtod does in the "C" locale: leading
// white space, sign, decimal or "0x" hexadecimal forms, "inf" and "nan";
// reading stops at the first character that does not fit; nothing readable
// gives 0; overflow gives an infinity and underflow 0.
double readDouble(std::string_view text, std::size_t* used = nullptr);

// Writes the number in base 36 with the digits 0-9 and a-z, no sign and no
// leading zeros ("0" for zero).
std::string toBase36(std::uint64_t value);

} // namespace common
