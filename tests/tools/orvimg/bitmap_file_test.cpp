// orvimg's picture files: the checksums, the PNG chunks and stored deflate
// blocks (also across the 65,535-byte block limit), and the BMP layout.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BitmapFile.h"

namespace {

std::uint32_t be32(const std::string& s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

std::uint32_t le32(const std::string& s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

} // namespace

TEST(BitmapFile, Checksums)
{
    EXPECT_EQ(orvimg::crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(orvimg::crc32(""), 0u);
    EXPECT_EQ(orvimg::adler32("Wikipedia"), 0x11E60398u);
    EXPECT_EQ(orvimg::adler32(""), 1u);
}

TEST(BitmapFile, PngOfStoredBlocks)
{
    // 200 x 120 RGB rows of 601 bytes: 72,120 bytes, two stored blocks.
    std::vector<std::uint32_t> pixels(200 * 120, 0x00FF8040);
    const std::string png = orvimg::pngFile(200, 120, pixels);
    ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(be32(png, 8), 13u);
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(be32(png, 16), 200u);
    EXPECT_EQ(be32(png, 20), 120u);
    EXPECT_EQ(png.substr(24, 5), std::string("\x08\x02\x00\x00\x00", 5));
    EXPECT_EQ(be32(png, 29), orvimg::crc32(png.substr(12, 17)));
    const std::size_t idat = 33;
    EXPECT_EQ(png.substr(idat + 4, 4), "IDAT");
    const std::string z = png.substr(idat + 8, be32(png, idat));
    ASSERT_EQ(z.substr(0, 2), "\x78\x01");
    // Block 1: not last, 65,535 bytes; block 2: last, the rest.
    EXPECT_EQ(z[2], 0);
    EXPECT_EQ(static_cast<unsigned char>(z[3]) | static_cast<unsigned char>(z[4]) << 8, 65535);
    const std::size_t second = 2 + 5 + 65535;
    EXPECT_EQ(z[second], 1);
    const int rest = static_cast<unsigned char>(z[second + 1]) | static_cast<unsigned char>(z[second + 2]) << 8;
    EXPECT_EQ(rest, 120 * 601 - 65535);
    std::string raw = z.substr(7, 65535) + z.substr(second + 5, rest);
    EXPECT_EQ(raw.substr(0, 4), std::string("\x00\xFF\x80\x40", 4)); // no filter, then R G B
    EXPECT_EQ(be32(z, z.size() - 4), orvimg::adler32(raw));
    EXPECT_EQ(png.substr(png.size() - 12), std::string("\x00\x00\x00\x00IEND\xAE\x42\x60\x82", 12));
}

TEST(BitmapFile, BmpRowsArePaddedTopDown)
{
    const std::vector<std::uint32_t> pixels = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456, 0x00ABCDEF, 0};
    const std::string bmp = orvimg::bmpFile(3, 2, pixels);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(bmp.size(), 54u + 2 * 12);
    EXPECT_EQ(static_cast<std::int32_t>(le32(bmp, 22)), -2);
    // Blue, green, red bytes; rows of 9 bytes padded to 12.
    EXPECT_EQ(bmp.substr(54, 12), std::string("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00", 12));
    EXPECT_EQ(bmp.substr(66, 3), std::string("\x56\x34\x12", 3));
}
