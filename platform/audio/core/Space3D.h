// Where a sound is heard from: distance fall-off, the pan of its direction
// and the Doppler shift of the listener's and the source's motion.
#pragma once

#include <cmath>

namespace audio {

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

inline bool finite(const Vector3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

constexpr int kMode3DNormal = 0;   // position in the world
constexpr int kMode3DRelative = 1; // position relative to the listener
constexpr int kMode3DOff = 2;      // not placed: heard as an ordinary sound

struct Listener {
    Vector3 position, velocity;
    Vector3 front{0, 0, 1}, top{0, 1, 0};
};

struct Factors {
    float distance = 1.f; // metres in one unit of the positions
    float rolloff = 1.f;  // 0 none, 1 as in the real world, up to 10
    float doppler = 1.f;  // 0 none, 1 as in the real world, up to 10
};

struct Source3D {
    int mode = kMode3DNormal;
    float minDistance = 1.f, maxDistance = 1e9f;
    Vector3 position, orientation, velocity;
};

// What a source sounds like from the listener.
struct Placement {
    float gain = 1.f;
    float pan = 0.f;       // -1 left … 1 right
    float frequency = 1.f; // factor of the playback rate
};

Placement place(const Listener& listener, const Factors& factors, const Source3D& source);

} // namespace audio
