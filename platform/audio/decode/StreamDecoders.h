// The incremental decoders, for the factory that tells them apart and for
// callers that know what they hold. Each reads its source from the start.
#pragma once

#include <memory>

#include "platform/audio/decode/StreamDecoder.h"

namespace audio {

std::unique_ptr<StreamDecoder> wavStreamDecoder(std::unique_ptr<ByteSource> source);
std::unique_ptr<StreamDecoder> vorbisStreamDecoder(std::unique_ptr<ByteSource> source);
std::unique_ptr<StreamDecoder> mp3StreamDecoder(std::unique_ptr<ByteSource> source);

// Whether the first bytes look like MP3: an ID3v2 tag, or two MPEG audio
// frame headers in a row (one when the bytes end after it).
bool looksLikeMp3(const std::uint8_t* data, std::size_t size);

} // namespace audio
