// The sample and stream tables, playing sound descriptions, stopping and the
// volume settings.
#include "client/audio/Sounds.h"

#include <algorithm>
#include <cmath>

#include "client/audio/SoundPaths.h"
#include "client/audio/StreamSource.h"
#include "client/core/Environment.h"
#include "client/core/Settings.h"
#include "orvaudio.h"

namespace {

constexpr std::uint32_t kMaxPlaybacks = 128;

float clampTo(float value, float low, float high) { return std::min(high, std::max(low, value)); }

} // namespace

std::string soundsFolderOf(const std::string& base) { return base + "sounds" + std::string(1, kPathSeparator); }

AudioSettings audioSettingsOf(const Settings& s)
{
    return AudioSettings{s.soundsVolume, s.streamsVolume, s.soundsEnabled, s.streamsEnabled, s.soundsDevice};
}

void storeAudioSettings(const AudioSettings& audio, Settings& s)
{
    s.soundsVolume = audio.soundsVolume;
    s.streamsVolume = audio.streamsVolume;
    s.soundsEnabled = audio.soundsEnabled;
    s.streamsEnabled = audio.streamsEnabled;
    s.soundsDevice = audio.deviceName;
}

Sounds::Sounds(std::string userSounds, std::string appSounds, AudioSettings settings, ChannelFilter filter,
               SoundObserver* observer)
    : userSounds_(std::move(userSounds)), appSounds_(std::move(appSounds)), filter_(std::move(filter)),
      observer_(observer), settings_(std::move(settings)), audioDeviceName(settings_.deviceName)
{
    // A settings file may hold anything.
    settings_.soundsVolume = clampTo(settings_.soundsVolume, 0.f, 1.f);
    settings_.streamsVolume = clampTo(settings_.streamsVolume, 0.001f, 1.f);
}

void Sounds::report(SoundEvent event) const
{
    if (observer_) observer_->soundEvent(event);
}

namespace {

void onEnded(OaHandle, OaHandle channel, uint32_t, void* user)
{
    SoundEvent event;
    event.kind = SoundEvent::Kind::Ended;
    event.handle = channel;
    static_cast<SoundObserver*>(user)->soundEvent(event);
}

} // namespace

void Sounds::watchEnd(std::uint32_t channel)
{
    if (observer_) oaChannelSetSync(channel, OA_SYNC_END, 0, onEnded, observer_);
}

std::uint32_t Sounds::loadSound(std::string_view name, bool lookupOnly)
{
    std::uint32_t handle;
    {
        std::lock_guard lock(mutex_);
        handle = loadLocked(std::string(name), lookupOnly);
    }
    report({SoundEvent::Kind::Load, 0, std::string(name), handle});
    return handle;
}

bool Sounds::preloadSound(std::string_view name) { return loadSound(name, false) != 0; }

std::uint32_t Sounds::loadLocked(const std::string& name, bool lookupOnly)
{
    return isStreamName(name) ? loadStreamLocked(name, lookupOnly) : loadSampleLocked(name);
}

std::uint32_t Sounds::loadSampleLocked(const std::string& name)
{
    if (!settings_.soundsEnabled) return 0;
    const auto relative = soundRelativePath(name);
    if (!relative) return 0;
    std::uint32_t& entry = sampleTable[name];
    if (entry != 0) return entry;
    const std::string userPath = userSounds_ + *relative + ".ogg";
    const std::string appPath = appSounds_ + *relative + ".ogg";
    oaSetDevice(audioDevice);
    entry = oaSampleLoad(0, userPath.c_str(), 0, 0, kMaxPlaybacks, OA_SAMPLE_OVER_POS);
    if (entry == 0) entry = oaSampleLoad(0, appPath.c_str(), 0, 0, kMaxPlaybacks, OA_SAMPLE_OVER_POS);
    return entry;
}

std::uint32_t Sounds::loadStreamLocked(const std::string& name, bool lookupOnly)
{
    if (!settings_.streamsEnabled) return 0;
    const auto found = streamTable.find(name);
    if (found != streamTable.end() && found->second != 0 && oaChannelIsActive(found->second) != OA_ACTIVE_STOPPED) {
        return found->second;
    }
    if (lookupOnly) return 0;
    std::uint32_t handle = 0;
    if (name.starts_with("file://")) {
        // The application's folder first: the other way round from samples.
        if (const auto relative = soundRelativePath(std::string_view(name).substr(7))) {
            oaSetDevice(audioDevice);
            handle = createFileStream(appSounds_ + *relative);
            if (handle == 0) handle = createFileStream(userSounds_ + *relative);
        }
    } else {
        oaSetDevice(audioDevice);
        handle = createUrlStream(name);
    }
    streamTable[name] = handle;
    if (handle != 0) watchEnd(handle);
    return handle;
}

std::uint32_t Sounds::playSound(std::string_view text, int channel)
{
    const SoundDescription sound = parseSoundDescription(text);
    std::uint32_t handle;
    {
        std::lock_guard lock(mutex_);
        handle = playLocked(sound, channel);
    }
    report({SoundEvent::Kind::Play, channel, std::string(text), handle});
    return handle;
}

std::uint32_t Sounds::playLocked(const SoundDescription& sound, int channel)
{
    if (sound.name.empty()) return 0;
    float v = sound.volume;
    if (v > 0 && channel >= 0 && filter_ && !filter_(channel)) return 0;
    std::uint32_t h = loadLocked(sound.name, v <= 0);
    if (h == 0) return 0;
    const bool stream = isStreamName(sound.name);
    if (v == 0 && !stream) {
        oaSampleStop(h);
        return 0;
    }
    if (!stream) {
        h = oaSampleGetChannel(h, 0);
        if (h == 0) return 0;
        watchEnd(h);
    }
    const float factor = stream ? settings_.streamsVolume : settings_.soundsVolume;
    if (v < 0) v = -v;
    if (v >= 0 && v <= 1) {
        v *= factor;
        oaChannelSetAttribute(h, OA_ATTRIB_VOL, v);
    }
    for (const SoundOption& option : sound.options) applyOption(h, option, stream, factor);
    if (v == 0) oaChannelStop(h);
    else oaChannelPlay(h, 0);
    return h;
}

bool Sounds::isSoundActive(std::string_view name)
{
    bool active = false;
    {
        std::lock_guard lock(mutex_);
        const std::string key(name);
        if (isStreamName(key)) {
            const auto found = streamTable.find(key);
            active = found != streamTable.end() && found->second != 0 &&
                     oaChannelIsActive(found->second) != OA_ACTIVE_STOPPED;
        } else if (soundRelativePath(key)) {
            active = sampleTable[key] != 0;
        }
    }
    report({SoundEvent::Kind::State, active ? 1 : 0, std::string(name), 0});
    return active;
}

void Sounds::stopAllSounds()
{
    {
        std::lock_guard lock(mutex_);
        for (const auto& [name, sample] : sampleTable) {
            if (sample != 0) oaSampleStop(sample);
        }
    }
    report({SoundEvent::Kind::StopSounds, 0, {}, 0});
}

void Sounds::stopAllStreams()
{
    {
        std::lock_guard lock(mutex_);
        for (const auto& [name, stream] : streamTable) {
            if (stream != 0) oaChannelStop(stream);
        }
        streamTable.clear();
    }
    report({SoundEvent::Kind::StopStreams, 0, {}, 0});
}

int Sounds::changeSoundsVolume(int percent, bool relative)
{
    int result;
    {
        std::lock_guard lock(mutex_);
        float volume = static_cast<float>(percent) / 100.f;
        if (relative) volume += settings_.soundsVolume;
        settings_.soundsVolume = clampTo(volume, 0.f, 1.f);
        result = static_cast<int>(std::roundf(100.f * settings_.soundsVolume));
    }
    report({SoundEvent::Kind::SoundsVolume, result, {}, 0});
    playSound("menubounds", -1);
    return result;
}

int Sounds::changeStreamsVolume(int percent, bool relative)
{
    int result;
    {
        std::lock_guard lock(mutex_);
        const float old = settings_.streamsVolume;
        float volume = static_cast<float>(percent) / 100.f;
        if (relative) volume += old;
        settings_.streamsVolume = clampTo(volume, 0.001f, 1.f);
        for (const auto& [name, stream] : streamTable) {
            if (stream == 0 || oaChannelIsActive(stream) == OA_ACTIVE_STOPPED) continue;
            float present = 0;
            if (!oaChannelGetAttribute(stream, OA_ATTRIB_VOL, &present)) present = 0;
            if (old > 0) oaChannelSetAttribute(stream, OA_ATTRIB_VOL, clampTo(settings_.streamsVolume * present / old, 0.f, 1.f));
        }
        result = static_cast<int>(std::roundf(100.f * settings_.streamsVolume));
    }
    report({SoundEvent::Kind::StreamsVolume, result, {}, 0});
    return result;
}

AudioSettings Sounds::audioSettings() const
{
    std::lock_guard lock(mutex_);
    AudioSettings out = settings_;
    out.deviceName = audioDeviceName;
    return out;
}

void Sounds::setAudioSettings(const AudioSettings& audio)
{
    std::lock_guard lock(mutex_);
    settings_.soundsVolume = clampTo(audio.soundsVolume, 0.f, 1.f);
    settings_.streamsVolume = clampTo(audio.streamsVolume, 0.001f, 1.f);
    settings_.soundsEnabled = audio.soundsEnabled;
    settings_.streamsEnabled = audio.streamsEnabled;
}

void Sounds::setSoundsEnabled(bool enabled)
{
    std::lock_guard lock(mutex_);
    settings_.soundsEnabled = enabled;
}

void Sounds::setStreamsEnabled(bool enabled)
{
    std::lock_guard lock(mutex_);
    settings_.streamsEnabled = enabled;
}

int Sounds::device() const
{
    std::lock_guard lock(mutex_);
    return audioDevice;
}

std::string Sounds::deviceName() const
{
    std::lock_guard lock(mutex_);
    return audioDeviceName;
}

std::uint32_t Sounds::sampleHandle(std::string_view name) const
{
    std::lock_guard lock(mutex_);
    const auto found = sampleTable.find(std::string(name));
    return found == sampleTable.end() ? 0 : found->second;
}

std::uint32_t Sounds::streamHandle(std::string_view name) const
{
    std::lock_guard lock(mutex_);
    const auto found = streamTable.find(std::string(name));
    return found == streamTable.end() ? 0 : found->second;
}
