// Placing a source relative to the listener.
#include "platform/audio/core/Space3D.h"

#include <algorithm>

namespace audio {

namespace {

constexpr double kSpeedOfSound = 343.3; // metres per second

double dot(const Vector3& a, const Vector3& b) { return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z; }

Vector3 cross(const Vector3& a, const Vector3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 minus(const Vector3& a, const Vector3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

double length(const Vector3& v) { return std::sqrt(dot(v, v)); }

} // namespace

Placement place(const Listener& listener, const Factors& factors, const Source3D& source)
{
    Placement out;
    if (source.mode == kMode3DOff) return out;

    // The source as seen from the listener, in the listener's own axes
    // (x to the right, y up, z ahead) when the mode is relative.
    Vector3 toSource, right{1, 0, 0}, sourceVelocity = source.velocity, listenerVelocity{};
    if (source.mode == kMode3DRelative) {
        toSource = source.position;
    } else {
        toSource = minus(source.position, listener.position);
        right = cross(listener.top, listener.front);
        listenerVelocity = listener.velocity;
    }
    const double distance = length(toSource);

    // Full level inside the minimum distance, then falling off with
    // distance as far as the maximum, where it stays.
    const double minD = std::max(1e-6, double(source.minDistance));
    const double d = std::clamp(distance, minD, std::max(minD, double(source.maxDistance)));
    out.gain = static_cast<float>(minD / (minD + factors.rolloff * (d - minD)));

    if (distance > 1e-9) {
        const double rightLength = length(right);
        if (rightLength > 1e-9) {
            out.pan = static_cast<float>(std::clamp(dot(toSource, right) / (distance * rightLength), -1.0, 1.0));
        }
        // Doppler: motion along the line between them, in units per second.
        const double c = kSpeedOfSound / std::max(1e-6, double(factors.distance));
        const double k = factors.doppler;
        const double listenerToward = k * dot(listenerVelocity, toSource) / distance;
        const double sourceAway = k * dot(sourceVelocity, toSource) / distance;
        const double numerator = std::max(c * 0.05, c + listenerToward);
        const double denominator = std::max(c * 0.05, c + sourceAway);
        out.frequency = static_cast<float>(std::clamp(numerator / denominator, 0.05, 20.0));
    }
    return out;
}

} // namespace audio
