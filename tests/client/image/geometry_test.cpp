// Mapping script coordinates onto the destination, and pen widths.
#include <cstdint>
#include <limits>
#include <optional>
#include <random>

#include <gtest/gtest.h>

#include "client/image/Geometry.h"
#include "client/image/Image.h"

using image::mapCoordinate;
using image::Rect;

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kBound = image::kMaxDeviceCoordinate;

// The formula in 32-bit arithmetic; nothing where a step overflows.
std::optional<std::int32_t> map32(std::int32_t v, std::int32_t from0, std::int32_t from1, std::int32_t to0,
                                  std::int32_t to1)
{
    std::int32_t a, b, c, product, sum;
    if (__builtin_sub_overflow(v, from0, &a) || __builtin_sub_overflow(to1, to0, &b) ||
        __builtin_sub_overflow(from1, from0, &c) || __builtin_mul_overflow(a, b, &product))
        return std::nullopt;
    if (c == -1 && product == kMin) return std::nullopt;
    if (__builtin_add_overflow(product / c, to0, &sum)) return std::nullopt;
    return sum;
}

} // namespace

TEST(ImageGeometry, MapsOntoTheDestination)
{
    const Rect space{0, 0, 100, 100};
    EXPECT_EQ(image::mapRect({10, 10, 40, 40}, {0, 0, 200, 200}, space), (Rect{20, 20, 80, 80}));
    EXPECT_EQ(image::mapRect({10, 10, 40, 40}, {100, 50, 150, 100}, space), (Rect{105, 55, 120, 70}));
    EXPECT_EQ(image::mapRect({0, 0, 200, 100}, {0, 0, 100, 100}, {0, 0, 200, 100}), (Rect{0, 0, 100, 100}));
    EXPECT_EQ(image::mapPoint({50, 25}, {0, 0, 10, 10}, {-50, -50, 50, 50}), (image::Point{10, 7}));
    // Division truncates toward zero, also below the origin.
    EXPECT_EQ(mapCoordinate(-1, 0, 3, 0, 1), 0);
    EXPECT_EQ(mapCoordinate(-5, 0, 3, 0, 1), -1);
    // A mirrored destination or space.
    EXPECT_EQ(mapCoordinate(10, 0, 100, 100, 0), 90);
    EXPECT_EQ(mapCoordinate(10, 100, 0, 0, 100), 90);
}

TEST(ImageGeometry, SameAsThirtyTwoBitsWhereThoseDoNotOverflow)
{
    std::mt19937 random(14);
    const auto any = [&](int bits) {
        const std::int64_t range = std::int64_t{1} << bits;
        return static_cast<std::int32_t>(std::uniform_int_distribution<std::int64_t>(-range, range - 1)(random));
    };
    int compared = 0;
    for (int i = 0; i < 200000; ++i) {
        const int bits = 4 + i % 28;
        const std::int32_t v = any(bits), f0 = any(bits), f1 = any(bits), t0 = any(bits), t1 = any(bits);
        if (f0 == f1) continue;
        const auto expected = map32(v, f0, f1, t0, t1);
        const std::int32_t got = mapCoordinate(v, f0, f1, t0, t1);
        ASSERT_LE(got, kBound);
        ASSERT_GE(got, -kBound);
        if (!expected || *expected > kBound || *expected < -kBound) continue;
        ASSERT_EQ(got, *expected) << v << " " << f0 << " " << f1 << " " << t0 << " " << t1;
        ++compared;
    }
    EXPECT_GT(compared, 80000);
}

TEST(ImageGeometry, ExtremesAreClamped)
{
    EXPECT_EQ(mapCoordinate(kMax, kMin, kMax, kMin, kMax), kBound);
    EXPECT_EQ(mapCoordinate(kMin, kMax, kMin, kMax, kMin), -kBound);
    EXPECT_EQ(mapCoordinate(kMin, 0, 1, 0, kMax), -kBound);
    EXPECT_EQ(mapCoordinate(kMax, 0, 1, 0, kMax), kBound);
    EXPECT_EQ(mapCoordinate(kMax, kMax - 1, kMax, kMin, kMax), kBound);
    // A huge product that the offset brings back: exact, not clamped.
    EXPECT_EQ(mapCoordinate(kMax, 0, kMax, kMin, kMax), kBound);
    EXPECT_EQ(mapCoordinate(kMax, 0, kMax, kMin, 0), 0);
}

TEST(ImageGeometry, PenWidths)
{
    const Rect space{0, 0, 100, 100};
    // (2 + 0.66) × 2 = 5.32: 5 pixels.
    EXPECT_EQ(image::penWidth(2, {0, 0, 200, 200}, space), 5);
    EXPECT_EQ(image::penWidth(2, {0, 0, 100, 100}, space), 2);
    EXPECT_EQ(image::penWidth(1, {0, 0, 100, 100}, space), 1);
    EXPECT_EQ(image::penWidth(1, {0, 0, 32, 32}, space), 0);
    EXPECT_LE(image::penWidth(-1, {0, 0, 400, 400}, space), 1);
    EXPECT_EQ(image::penWidth(258, {0, 0, 100, 100}, space), 258);
    EXPECT_EQ(image::penWidth(5000, {0, 0, 100, 100}, space), image::kMaxPenWidth);
    EXPECT_EQ(image::penWidth(kMax, {kMin, 0, kMax, 1}, {0, 0, 1, 1}), image::kMaxPenWidth);
    EXPECT_LE(image::penWidth(kMin, {kMin, 0, kMax, 1}, {0, 0, 1, 1}), 1);
}
