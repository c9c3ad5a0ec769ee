// Checking sound names against the sounds folders.
#include "client/audio/SoundPaths.h"

#include <cctype>

#include "client/core/Environment.h"

namespace {

bool isDeviceName(std::string_view part)
{
    // Windows takes the name before the first dot, trailing blanks ignored.
    part = part.substr(0, part.find('.'));
    while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
    std::string upper(part);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL" || upper == "CONIN$" || upper == "CONOUT$")
        return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' && upper[3] <= '9';
}

} // namespace

std::optional<std::string> soundRelativePath(std::string_view name)
{
    if (!name.empty() && (name.front() == '/' || name.front() == '\\')) return std::nullopt;
    std::string path;
    std::size_t at = 0;
    while (true) {
        const std::size_t end = std::min(name.find_first_of("/\\", at), name.size());
        const std::string_view part = name.substr(at, end - at);
        if (part == ".." || (!part.empty() && isDeviceName(part))) return std::nullopt;
        for (const char c : part) {
            if (c == ':' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        }
        path += part;
        if (end == name.size()) return path;
        path += kPathSeparator;
        at = end + 1;
    }
}
