// Sounds folders made for a test in a temporary folder, and the sounds put in
// them, synthesised (WAV bytes: the layer decodes by content, whatever the
// name says; Ogg through the encoder where the format matters).
#pragma once

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "common/file.h"
#include "platform/audio/core/WavFile.h"

namespace soundtest {

struct Folders {
    std::filesystem::path root;
    std::string user, app; // each ends with a separator

    explicit Folders(const std::string& name)
    {
        root = std::filesystem::temp_directory_path() / ("orvc-sounds-" + name);
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
        std::filesystem::create_directories(root / "user" / "sounds");
        std::filesystem::create_directories(root / "app" / "sounds");
        user = (root / "user").string() + std::string(1, std::filesystem::path::preferred_separator);
        app = (root / "app").string() + std::string(1, std::filesystem::path::preferred_separator);
    }
    // A stream's file may still be open on Windows for a moment after the
    // stream is freed; what cannot be removed then stays.
    ~Folders()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    // Writes bytes to "<user|app>/sounds/<relative>".
    void put(bool inUser, const std::string& relative, const std::vector<std::uint8_t>& bytes) const
    {
        const auto path = root / (inUser ? "user" : "app") / "sounds" / std::filesystem::path(relative);
        std::filesystem::create_directories(path.parent_path());
        common::writeWholeFile(path.string(), std::string(bytes.begin(), bytes.end()));
    }
};

// A mono WAV of `frames` frames at a constant level, float or 16-bit.
inline std::vector<std::uint8_t> level(float value, std::size_t frames, bool asFloat = true)
{
    const std::vector<float> samples(frames, value);
    return audio::wavBytes(samples.data(), frames, 1, 44100, asFloat);
}

// A mono WAV sine, float or 16-bit.
inline std::vector<std::uint8_t> tone(double hz, std::size_t frames, float amplitude = 0.5f, bool asFloat = true)
{
    std::vector<float> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = amplitude * static_cast<float>(std::sin(2 * 3.14159265358979323846 * hz * static_cast<double>(i) / 44100));
    return audio::wavBytes(samples.data(), frames, 1, 44100, asFloat);
}

} // namespace soundtest
