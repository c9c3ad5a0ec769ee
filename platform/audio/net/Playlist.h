// Playlists that radio URLs give instead of sound (".m3u" and ".pls"):
// recognised by their content type or their first bytes, and read for their
// first entry that is a stream on the network.
#pragma once

#include <string>
#include <string_view>

namespace audio {

// The most of a playlist that is read; beyond it, it is not one.
constexpr std::size_t kMaxPlaylistBytes = 64 * 1024;

// Whether a response with this Content-Type and these first bytes is a
// playlist.
bool looksLikePlaylist(std::string_view contentType, std::string_view firstBytes);

// The first entry of an M3U or PLS playlist that is an http, https or ftp
// URL; "" when there is none. Entries naming local files or other schemes
// are passed over: a server must not make the client open its own files.
std::string firstPlaylistEntry(std::string_view text);

} // namespace audio
