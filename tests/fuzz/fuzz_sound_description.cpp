// Sound descriptions as a server may send them: read within the bytes
// given, every option's numbers finite, and names checked against the sounds
// folders.
#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "client/audio/SoundPaths.h"
#include "client/audio/SoundDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SoundDescription sound = parseSoundDescription(text);
    assert(sound.name.size() <= size);
    assert(std::isfinite(sound.volume));
    for (const SoundOption& o : sound.options) assert(std::isfinite(o.x) && std::isfinite(o.y));
    if (const auto path = soundRelativePath(sound.name)) {
        assert(path->find(':') == std::string::npos);
        assert(path->empty() || (path->front() != '/' && path->front() != '\\'));
        for (std::size_t at = 0; at <= path->size();) {
            const std::size_t end = std::min(path->find_first_of("/\\", at), path->size());
            assert(path->compare(at, end - at, "..") != 0);
            at = end + 1;
        }
    }
    isStreamName(sound.name);
    return 0;
}
