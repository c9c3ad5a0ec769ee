// WebSocket frame headers in the client's small dialect: unmasked,
// unfragmented client frames; server frames whose kind is decided by their
// first byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ws {

constexpr unsigned char kText = 0x81;   // FIN + text
constexpr unsigned char kBinary = 0x82; // FIN + binary
constexpr unsigned char kClose = 0x88;  // FIN + close
constexpr unsigned char kPing = 0x89;   // FIN + ping
constexpr unsigned char kPong = 0x8A;   // FIN + pong
constexpr unsigned char kMaskBit = 0x80;

// Longest server message accepted; a longer length field ends the connection
// before anything is allocated for it.
constexpr std::uint32_t kMaxMessage = 64u * 1024u * 1024u;

// Writes the header of a client frame for a payload of `length` bytes into
// out (at least 10 bytes) and returns its size: 2, 4 or 10 bytes.
std::size_t encodeHeader(unsigned char kind, std::uint64_t length, unsigned char* out);

// How many more header bytes follow the first two, from byte 1: 0, 2 or 8;
// -1 when the mask bit is set (not accepted from the server).
int extendedLengthSize(unsigned char byte1);

// The payload length from byte 1 and its extension bytes. Of an 8-byte
// extension only the last 4 bytes count.
std::uint32_t payloadLength(unsigned char byte1, const unsigned char* extension);

} // namespace ws
