// The client's version, shown in the window title and the about box and sent
// at login.
#pragma once

#include <cstdint>

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 2;
inline constexpr int kVersionPatch = 8;
// One byte per number, most significant first: 131592 for 2.2.8.
inline constexpr std::uint32_t kVersionCode =
    (static_cast<std::uint32_t>(kVersionMajor) << 16) | (static_cast<std::uint32_t>(kVersionMinor) << 8)
    | static_cast<std::uint32_t>(kVersionPatch);
static_assert(kVersionCode == 131592);
