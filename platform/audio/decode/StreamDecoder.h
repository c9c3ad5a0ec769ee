// Decoders that decode a sound block by block as it plays, from encoded
// bytes that may still be on their way, the format told by the content:
// WAV (PCM and float), Ogg Vorbis (chained streams too) and MP3.
//
// How a caller uses them (never on the mixing thread while probing):
//
//     auto decoder = openStreamDecoder(std::move(bytes));
//     StreamDecoder::Probe p;
//     while ((p = decoder->probe()) == StreamDecoder::Probe::NeedBytes) {
//         // wait until the ByteSource has more, or give up after a time-out
//     }
//     if (p == StreamDecoder::Probe::Failed) return failed(decoder->error(), 0);
//     Handle h = mixer.createStream(std::move(decoder), flags);
//
// After Ready, format() holds, and the mixer reads the decoder on its mixing
// thread: a read that finds no bytes yet gives 0 and the stream stalls
// (state 2) until they come; kEnd from the ByteSource ends the stream after
// what decoded. A damaged file plays what decodes.
#pragma once

#include <memory>

#include "platform/audio/core/FrameSource.h"
#include "platform/audio/decode/ByteSource.h"

namespace audio {

class StreamDecoder : public FrameSource {
public:
    enum class Probe {
        Ready,     // the format is known; frames may be read
        NeedBytes, // the headers are not all there yet: probe again later
        Failed,    // not a sound this layer plays: see error()
    };

    // Reads the headers as far as the bytes that have come allow; reads no
    // more than it needs and never waits.
    virtual Probe probe() = 0;

    // After Failed: kErrorFileForm (a format not played, MIDI included) or
    // kErrorCodec (a known format with something unplayable in it).
    int error() const { return error_; }

protected:
    int error_ = 0;
};

// A decoder for the bytes, whichever format they turn out to be; the first
// bytes decide at the first probe.
std::unique_ptr<StreamDecoder> openStreamDecoder(std::unique_ptr<ByteSource> bytes);

} // namespace audio
