// Picture files written from 32-bit pixels (0x00RRGGBB, rows top to bottom,
// as a top-down DIB section holds them): PNG with stored (uncompressed)
// deflate blocks, and BMP.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvimg {

// The CRC-32 of PNG chunks and the Adler-32 of zlib streams.
std::uint32_t crc32(std::string_view bytes, std::uint32_t crc = 0);
std::uint32_t adler32(std::string_view bytes);

// An 8-bit RGB PNG of the pixels (width × height of them).
std::string pngFile(int width, int height, const std::vector<std::uint32_t>& pixels);

// A 24-bit BMP of the pixels.
std::string bmpFile(int width, int height, const std::vector<std::uint32_t>& pixels);

} // namespace orvimg
