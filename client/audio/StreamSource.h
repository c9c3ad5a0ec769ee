// The channels of stream names: a file below a sounds folder, or an address.
#pragma once

#include <cstdint>
#include <string>

// A stream of the file at `path`, freed by itself when it stops or ends, not
// started; 0 when the file cannot be opened or decoded.
std::uint32_t createFileStream(const std::string& path);

// A stream of an http, https or ftp address, likewise; 0 when it cannot be
// reached or decoded.
std::uint32_t createUrlStream(const std::string& url);
