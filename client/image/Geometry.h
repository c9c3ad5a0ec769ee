// Rectangles and points of image scripts, and their mapping from an image's
// own coordinate space onto a destination rectangle of the drawing surface.
#pragma once

#include <cstdint>

namespace image {

// Laid out as the Windows RECT and POINT, whose members are 32-bit.
struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};

struct Point {
    std::int32_t x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

inline constexpr std::int64_t width(const Rect& r) { return std::int64_t{r.right} - r.left; }
inline constexpr std::int64_t height(const Rect& r) { return std::int64_t{r.bottom} - r.top; }

// Mapped coordinates stay within this bound, the range GDI draws in.
inline constexpr std::int32_t kMaxDeviceCoordinate = 1 << 27;

// A value clamped into the signed 32-bit range: script arithmetic such as
// x + w saturates instead of wrapping.
std::int32_t saturate32(std::int64_t value);

// One coordinate mapped: (v − from0) × (to1 − to0) / (from1 − from0) + to0,
// multiplication first, division truncating toward zero, computed exactly
// and clamped to ±kMaxDeviceCoordinate; so wherever the same formula in
// 32-bit arithmetic does not overflow and lands in that range, the result is
// the same. from1 must differ from from0.
std::int32_t mapCoordinate(std::int32_t v, std::int32_t from0, std::int32_t from1, std::int32_t to0, std::int32_t to1);

// The script rectangle or point in the destination's coordinates, x through
// left and right of the space and the destination, y through top and
// bottom. The space must have a non-zero width and height.
Rect mapRect(const Rect& r, const Rect& dest, const Rect& space);
Point mapPoint(const Point& p, const Rect& dest, const Rect& space);

} // namespace image
