// PNG and BMP writers, small enough to need no library.
#include "BitmapFile.h"

#include <algorithm>
#include <array>

namespace orvimg {

namespace {

void put32be(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(v >> shift & 0xFF);
}

void put32le(std::string& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(v >> shift & 0xFF);
}

void put16le(std::string& out, std::uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void chunk(std::string& out, const char* type, const std::string& data)
{
    put32be(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    put32be(out, crc32(typed));
}

// A zlib stream of stored deflate blocks.
std::string storedZlib(const std::string& raw)
{
    constexpr std::size_t kMaxBlock = 65535;
    std::string out = "\x78\x01";
    std::size_t at = 0;
    do {
        const std::size_t n = std::min(kMaxBlock, raw.size() - at);
        const bool last = at + n == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        put16le(out, static_cast<std::uint16_t>(n));
        put16le(out, static_cast<std::uint16_t>(~n));
        out.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    put32be(out, adler32(raw));
    return out;
}

} // namespace

std::uint32_t crc32(std::string_view bytes, std::uint32_t crc)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (const char b : bytes) crc = table[(crc ^ static_cast<unsigned char>(b)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t adler32(std::string_view bytes)
{
    std::uint32_t a = 1, b = 0;
    for (const char c : bytes) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

std::string pngFile(int width, int height, const std::vector<std::uint32_t>& pixels)
{
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // no filter
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            raw += static_cast<char>(p >> 16 & 0xFF);
            raw += static_cast<char>(p >> 8 & 0xFF);
            raw += static_cast<char>(p & 0xFF);
        }
    }
    std::string header;
    put32be(header, static_cast<std::uint32_t>(width));
    put32be(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter set, no interlace
    std::string out = "\x89PNG\r\n\x1a\n";
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", storedZlib(raw));
    chunk(out, "IEND", "");
    return out;
}

std::string bmpFile(int width, int height, const std::vector<std::uint32_t>& pixels)
{
    const std::uint32_t rowBytes = (3 * static_cast<std::uint32_t>(width) + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::string out = "BM";
    put32le(out, 14 + 40 + imageBytes);
    put32le(out, 0);
    put32le(out, 14 + 40);
    put32le(out, 40);
    put32le(out, static_cast<std::uint32_t>(width));
    put32le(out, static_cast<std::uint32_t>(-height)); // top-down rows
    put16le(out, 1);
    put16le(out, 24);
    put32le(out, 0); // BI_RGB
    put32le(out, imageBytes);
    put32le(out, 2835); // 72 dpi
    put32le(out, 2835);
    put32le(out, 0);
    put32le(out, 0);
    for (int y = 0; y < height; ++y) {
        const std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            out += static_cast<char>(p & 0xFF);
            out += static_cast<char>(p >> 8 & 0xFF);
            out += static_cast<char>(p >> 16 & 0xFF);
        }
        out.resize(start + rowBytes, '\0');
    }
    return out;
}

} // namespace orvimg
