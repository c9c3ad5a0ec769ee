// The masks that disguise the machine values sent at login and key the
// stored passwords. The server applies the same constants to read the values
// back, so they must never change once a server relies on them.
#pragma once

#include <cstdint>

// XORed onto the low and high 32 bits of the 48-bit adapter address.
inline constexpr std::uint32_t kMachineIdLowMask = 0x5A3C96E1u;
inline constexpr std::uint32_t kMachineIdHighMask = 0x2F81D74Bu;
// XORed onto the 32-bit volume serial number.
inline constexpr std::uint32_t kVolumeSerialMask = 0xC4E7193Du;
// XORed onto every byte of the user name.
inline constexpr std::uint8_t kUserNameMask = 0x5D;
