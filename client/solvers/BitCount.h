// Bit counting without the POPCNT instruction, which the shipped 32-bit build
// may not assume a player's processor to have. Counts are kept per byte so
// that several masks can be added before the one final sum.
#pragma once

#include <cstdint>

namespace solvers {

// The number of set bits of each byte, in that byte (0 ... 8).
inline std::uint64_t byteCounts(std::uint64_t x)
{
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    return (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
}

// The sum of the bytes of a value from added byteCounts; right while that sum
// stays below 256.
inline int sumOfBytes(std::uint64_t counts) { return static_cast<int>((counts * 0x0101010101010101ULL) >> 56); }

inline int bitCount(std::uint64_t x) { return sumOfBytes(byteCounts(x)); }

} // namespace solvers
