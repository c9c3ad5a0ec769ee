// Byte sources over memory and over files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/decode/ByteSource.h"

namespace audio {

// The bytes themselves, kept by the source.
std::unique_ptr<ByteSource> memorySource(std::vector<std::uint8_t> bytes);

// A part of a file (`length` 0: to its end) read ahead on a thread of its
// own, so that reads, made on the mixing thread, never wait for the disk:
// bytes not read yet give 0 and the stream stalls for a moment. Null with
// `error` set (kErrorFileOpen, or kErrorFileForm for an offset past the end)
// when the file cannot be opened. The first block is read before this
// returns, so that probing finds the headers without waiting.
std::unique_ptr<ByteSource> fileSource(const std::string& utf8Path, std::uint64_t offset, std::uint64_t length,
                                       int& error);

} // namespace audio
