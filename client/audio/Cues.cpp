// The client's own cues.
#include "client/audio/Cues.h"

#include "client/audio/Sounds.h"
#include "orvaudio.h"

namespace {

constexpr std::uint32_t kWelcomeFadeMs = 1500;

} // namespace

void Cues::welcome() { welcome_ = sounds_.playSound("welcome 0.11", -1); }

void Cues::fadeWelcome()
{
    if (const std::uint32_t channel = welcome_.exchange(0)) oaChannelSlideAttribute(channel, OA_ATTRIB_VOL, 0.f, kWelcomeFadeMs);
}

void Cues::connecting(bool on)
{
    const std::uint32_t channel = on ? sounds_.playSound("connecting 0.25", -1) : 0;
    if (channel) oaChannelFlags(channel, OA_SAMPLE_LOOP, OA_SAMPLE_LOOP);
    if (const std::uint32_t old = connecting_.exchange(channel)) oaChannelStop(old);
}

void Cues::connected() { sounds_.playSound("connected 0.1875", -1); }
