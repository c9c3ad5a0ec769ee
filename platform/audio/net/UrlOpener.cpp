// Following a playlist to the stream it names.
#include "platform/audio/net/UrlOpener.h"

#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/net/Playlist.h"

namespace audio {

namespace {

// Connects and waits for the first byte.
OpenedUrl connect(const std::string& url, std::uint64_t offset, const NetOptions& options)
{
    OpenedUrl out;
    out.source = std::make_unique<UrlSource>(url, offset, options);
    if (!out.source->waitFor(1)) {
        // Nothing at all is not a sound either.
        out.error = out.source->error() != 0 ? out.source->error() : kErrorFileForm;
        out.source.reset();
    }
    return out;
}

// The playlist's text, as much as may be one.
std::string readPlaylist(UrlSource& source)
{
    std::string text;
    char block[4096];
    while (text.size() < kMaxPlaylistBytes) {
        const long n = source.read(block, sizeof block);
        if (n == ByteSource::kEnd) break;
        if (n == 0) {
            source.waitFor(1);
            continue;
        }
        text.append(block, static_cast<std::size_t>(n));
    }
    return text;
}

} // namespace

OpenedUrl openUrl(const std::string& url, std::uint64_t offset, const NetOptions& options, bool followPlaylists)
{
    OpenedUrl opened = connect(url, offset, options);
    if (!opened.source || !followPlaylists) return opened;
    UrlSource& source = *opened.source;
    if (!looksLikePlaylist(source.contentType(), source.peek(16))) return opened;
    const std::string entry = firstPlaylistEntry(readPlaylist(source));
    if (entry.empty()) return {nullptr, kErrorFileForm};
    return connect(entry, 0, options);
}

} // namespace audio
