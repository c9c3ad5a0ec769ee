// Opening a sound on the network while its stream is created: the
// connection, a playlist followed to its first entry, the first bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/audio/net/UrlSource.h"

namespace audio {

struct OpenedUrl {
    std::unique_ptr<UrlSource> source; // null when it failed
    int error = 0; // kErrorFileOpen, kErrorTimeout, or kErrorFileForm (nothing, or a playlist without a network entry)
};

// Waits (on the calling thread, never the mixing thread) until the first
// bytes of the sound are in. With followPlaylists, a playlist is read and
// its first network entry opened in its place; an entry that is itself a
// playlist is not followed further.
OpenedUrl openUrl(const std::string& url, std::uint64_t offset, const NetOptions& options, bool followPlaylists);

} // namespace audio
