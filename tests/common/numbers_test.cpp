// Integer and floating-point reading with C library rules, and base 36.
#include "common/numbers.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace common;

TEST(Numbers, ReadLongFollowsStrtolBaseZeroOn32Bits)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Case {
        std::string in;
        std::int32_t value;
        std::size_t used;
    } cases[] = {
        {"0x10", 16, 4}, {"010", 8, 3}, {"abc", 0, 0}, {"", 0, 0}, {"-", 0, 0}, {"+", 0, 0},
        {"  -12z", -12, 5}, {"+7", 7, 2}, {"\t\n\v\f\r 5", 5, 7}, {"0X1f", 31, 4},
        {"0x", 0, 1}, {"0xg", 0, 1}, {"09", 0, 1}, {"0", 0, 1}, {"- 5", 0, 0}, {"--5", 0, 0},
        {"2147483647", kMax, 10}, {"2147483648", kMax, 10}, {"-2147483648", kMin, 11},
        {"-2147483649", kMin, 11}, {"99999999999999999999999999", kMax, 26},
        {"-0x80000000", kMin, 11}, {"0xffffffff", kMax, 10}, {"12 34", 12, 2},
        {std::string("7\0" "8", 3), 7, 1},
    };
    for (const Case& c : cases) {
        std::size_t used = 99;
        EXPECT_EQ(readLong(c.in, &used), c.value) << c.in;
        EXPECT_EQ(used, c.used) << c.in;
    }
    // Only the bytes of the view are read, terminated or not.
    EXPECT_EQ(readLong(std::string_view("123456", 3)), 123);
    EXPECT_EQ(readLong(std::string_view("0x", 1)), 0);
}

TEST(Numbers, ReadULongLongFollowsStrtoull)
{
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    struct Case {
        std::string in;
        std::uint64_t value;
    } cases[] = {
        {"18446744073709551615", kMax}, {"18446744073709551616", kMax}, {"-1", kMax},
        {"0x8000000000000000", 0x8000000000000000ull}, {"abc", 0}, {"0777", 511},
        {" 42x", 42}, {"-0x10", kMax - 15},
    };
    for (const Case& c : cases) EXPECT_EQ(readULongLong(c.in), c.value) << c.in;
}

TEST(Numbers, ReadDoubleFollowsStrtodInTheCLocale)
{
    struct Case {
        std::string in;
        double value;
        std::size_t used;
    } cases[] = {
        {"3.5", 3.5, 3}, {"  -2.5e3x", -2500.0, 8}, {".5", 0.5, 2}, {"1e", 1.0, 1}, {"1e+", 1.0, 1},
        {"abc", 0.0, 0}, {"", 0.0, 0}, {"-", 0.0, 0}, {"0x1p4", 16.0, 5}, {"0x", 0.0, 1}, {"0xz", 0.0, 1},
        {"1,5", 1.0, 1}, {"+.25", 0.25, 4}, {"1e-999", 0.0, 6}, {"7.", 7.0, 2},
    };
    for (const Case& c : cases) {
        std::size_t used = 99;
        EXPECT_EQ(readDouble(c.in, &used), c.value) << c.in;
        EXPECT_EQ(used, c.used) << c.in;
    }
    EXPECT_EQ(readDouble("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(readDouble("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(readDouble("inf"), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(readDouble("nan")));
    EXPECT_EQ(readDouble(std::string_view("2.75", 3)), 2.7);
}

TEST(Numbers, Base36)
{
    EXPECT_EQ(toBase36(0), "0");
    EXPECT_EQ(toBase36(35), "z");
    EXPECT_EQ(toBase36(36), "10");
    EXPECT_EQ(toBase36(1295), "zz");
    EXPECT_EQ(toBase36(131592), "2tjc");
    EXPECT_EQ(toBase36(std::numeric_limits<std::uint64_t>::max()), "3w5e11264sgsf");
}
