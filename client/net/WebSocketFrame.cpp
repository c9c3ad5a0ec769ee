// WebSocket frame header encoding and decoding.
#include "client/net/WebSocketFrame.h"

namespace ws {

std::size_t encodeHeader(unsigned char kind, std::uint64_t length, unsigned char* out)
{
    out[0] = kind;
    if (length <= 125) {
        out[1] = static_cast<unsigned char>(length);
        return 2;
    }
    if (length <= 0xFFFF) {
        out[1] = 126;
        out[2] = static_cast<unsigned char>(length >> 8);
        out[3] = static_cast<unsigned char>(length);
        return 4;
    }
    out[1] = 127;
    for (int i = 0; i < 8; ++i) out[2 + i] = static_cast<unsigned char>(length >> (56 - 8 * i));
    return 10;
}

int extendedLengthSize(unsigned char byte1)
{
    if (byte1 & kMaskBit) return -1;
    if (byte1 == 126) return 2;
    if (byte1 == 127) return 8;
    return 0;
}

std::uint32_t payloadLength(unsigned char byte1, const unsigned char* extension)
{
    if (byte1 == 126) return (std::uint32_t(extension[0]) << 8) | extension[1];
    if (byte1 == 127) {
        return (std::uint32_t(extension[4]) << 24) | (std::uint32_t(extension[5]) << 16)
               | (std::uint32_t(extension[6]) << 8) | extension[7];
    }
    return byte1;
}

} // namespace ws
