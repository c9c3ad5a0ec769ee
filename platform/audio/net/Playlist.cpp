// Reading M3U and PLS playlists line by line.
#include "platform/audio/net/Playlist.h"

#include <algorithm>
#include <cctype>

namespace audio {

namespace {

std::string lower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string_view trim(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view withoutBom(std::string_view s)
{
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
    return s;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool isNetworkUrl(std::string_view entry)
{
    const std::string l = lower(entry.substr(0, 8));
    const bool scheme = startsWith(l, "http://") || startsWith(l, "https://") || startsWith(l, "ftp://");
    // No blanks or control bytes inside: a line of something else.
    return scheme && std::none_of(entry.begin(), entry.end(), [](unsigned char c) { return c <= ' ' || c == 0x7F; });
}

} // namespace

bool looksLikePlaylist(std::string_view contentType, std::string_view firstBytes)
{
    std::string type = lower(trim(contentType.substr(0, contentType.find(';'))));
    for (const char* known : {"audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl", "application/vnd.apple.mpegurl",
                              "audio/x-scpls", "audio/scpls"}) {
        if (type == known) return true;
    }
    const std::string start = lower(trim(withoutBom(firstBytes)).substr(0, 10));
    return startsWith(start, "#extm3u") || startsWith(start, "[playlist]");
}

std::string firstPlaylistEntry(std::string_view text)
{
    text = withoutBom(text.substr(0, kMaxPlaylistBytes));
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#' || line.front() == '[') continue;
        // PLS: "FileN=URL"; the other keys (Title, Length, …) are not entries.
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && !isNetworkUrl(line)) {
            const std::string key = lower(trim(line.substr(0, equals)));
            if (!startsWith(key, "file")) continue;
            line = trim(line.substr(equals + 1));
        }
        if (isNetworkUrl(line)) return std::string(line);
    }
    return {};
}

} // namespace audio
