// Coordinate mapping in exact integer arithmetic.
#include "client/image/Geometry.h"

#include <cassert>
#include <cstdint>
#include <limits>

namespace image {

std::int32_t saturate32(std::int64_t value)
{
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int32_t mapCoordinate(std::int32_t v, std::int32_t from0, std::int32_t from1, std::int32_t to0, std::int32_t to1)
{
    const std::int64_t a = std::int64_t{v} - from0;
    const std::int64_t b = std::int64_t{to1} - to0;
    const std::int64_t c = std::int64_t{from1} - from0;
    assert(c != 0);
    // Each magnitude is below 2^32, so their product fits an unsigned 64-bit
    // number exactly, and so does the quotient.
    const auto magnitude = [](std::int64_t x) { return static_cast<std::uint64_t>(x < 0 ? -x : x); };
    const std::uint64_t q = magnitude(a) * magnitude(b) / magnitude(c);
    const bool negative = ((a < 0) != (b < 0)) != (c < 0);
    // Beyond 2^33 no 32-bit offset brings the result back into range.
    constexpr std::uint64_t kFar = std::uint64_t{1} << 33;
    std::int64_t result;
    if (q > kFar) result = negative ? -std::int64_t{kFar} : std::int64_t{kFar};
    else result = (negative ? -static_cast<std::int64_t>(q) : static_cast<std::int64_t>(q)) + to0;
    if (result > kMaxDeviceCoordinate) return kMaxDeviceCoordinate;
    if (result < -kMaxDeviceCoordinate) return -kMaxDeviceCoordinate;
    return static_cast<std::int32_t>(result);
}

Rect mapRect(const Rect& r, const Rect& dest, const Rect& space)
{
    return {mapCoordinate(r.left, space.left, space.right, dest.left, dest.right),
            mapCoordinate(r.top, space.top, space.bottom, dest.top, dest.bottom),
            mapCoordinate(r.right, space.left, space.right, dest.left, dest.right),
            mapCoordinate(r.bottom, space.top, space.bottom, dest.top, dest.bottom)};
}

Point mapPoint(const Point& p, const Rect& dest, const Rect& space)
{
    return {mapCoordinate(p.x, space.left, space.right, dest.left, dest.right),
            mapCoordinate(p.y, space.top, space.bottom, dest.top, dest.bottom)};
}

} // namespace image
