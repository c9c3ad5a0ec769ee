// The login that rides on the WebSocket upgrade request: eleven DEL-separated
// fields, encoded into the request's query.
#pragma once

#include <cstdint>
#include <string>

// Who and where the client is, as sent with every login. Computed once at
// start-up; the identifiers are already masked.
struct ClientIdentity {
    std::uint32_t osMajor = 0;
    std::uint32_t osMinor = 0;
    std::uint64_t volumeSerial = 0;     // masked
    std::string userName = "noname";    // masked bytes, or "noname"
    bool is64BitSystem = false;
    std::uint64_t screenReader = 0;     // packed version and engine
};

// Version code of this client, one byte each for 2, 2 and 8.
constexpr std::uint32_t kClientVersionCode = (2u << 16) | (2u << 8) | 8u;

// Builds the payload (at most 1023 bytes, as a 1024-byte buffer holds).
std::string buildLoginPayload(const std::string& login, const std::string& password,
                              const std::string& language, std::uint64_t machineId,
                              const ClientIdentity& identity);

// Encodes bytes three at a time into four characters of the URL-safe Base64
// alphabet, padding with '.' instead of '='.
std::string encodeLogin(const std::string& payload);
