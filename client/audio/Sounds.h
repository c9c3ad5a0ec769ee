// The client's sounds: short samples loaded once from the sounds folders and
// played many times at once, and streams (URLs and "file://" paths) played
// once at a time per name and changed while they play, all from one-line
// sound descriptions. Also the audio settings they use and the output device.
// Every member may be called from any thread: one lock covers the tables,
// the settings and the device.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "client/audio/SoundEvents.h"
#include "client/audio/SoundDescription.h"

struct Settings;

// The audio part of the settings, as the sounds keep it.
struct AudioSettings {
    float soundsVolume = 1.0f;   // 0 … 1
    float streamsVolume = 0.25f; // 0.001 … 1
    bool soundsEnabled = true;
    bool streamsEnabled = true;
    std::string deviceName;      // "sounds.device"; empty: the default device
};
AudioSettings audioSettingsOf(const Settings& settings);
void storeAudioSettings(const AudioSettings& audio, Settings& settings);

// The "sounds" folder of a base folder that ends with a separator, with one.
std::string soundsFolderOf(const std::string& base);

class Sounds {
public:
    // Whether sounds of a history channel may play in the present window
    // state (its flags 8 or 16). Never called for channel -1.
    using ChannelFilter = std::function<bool(int channel)>;

    // `userSounds`, `appSounds`: the "sounds" folders of the per-user data
    // folder and of the application folder, UTF-8, each ending with a
    // separator (soundsFolderOf gives them). `filter` null: every channel
    // plays.
    // `observer` may be null; else it must outlive the audio device.
    Sounds(std::string userSounds, std::string appSounds, AudioSettings settings, ChannelFilter filter,
           SoundObserver* observer = nullptr);
    Sounds(const Sounds&) = delete;
    Sounds& operator=(const Sounds&) = delete;

    // Plays a sound description on a history channel (-1: none, the filter is
    // not asked). The channel handle, or 0 when nothing plays.
    std::uint32_t playSound(std::string_view sound, int channel);
    // The sample or stream of a name, loaded or created when needed; for a
    // stream, `lookupOnly` finds only one that is active. 0 when none.
    std::uint32_t loadSound(std::string_view name, bool lookupOnly);
    // loadSound without lookupOnly: whether a handle resulted.
    bool preloadSound(std::string_view name);
    // A sample: whether it was loaded. A stream: whether it is active.
    bool isSoundActive(std::string_view name);
    // Every playback of every sample stops; the samples stay loaded.
    void stopAllSounds();
    // Every stream stops; the stream table is emptied.
    void stopAllStreams();
    // A new sounds volume (percent; added to the present one when
    // `relative`), clamped to 0 … 100 and played back with "menubounds".
    // The new percentage.
    int changeSoundsVolume(int percent, bool relative);
    // A new streams volume, clamped to 0.1 … 100 %; running streams follow
    // in proportion. The new percentage.
    int changeStreamsVolume(int percent, bool relative);

    // The audio settings as they are now, for saving and showing.
    AudioSettings audioSettings() const;
    // The volumes and the enabled flags at once (restoring the defaults);
    // the device changes only through setAudioDevice. Volumes are clamped as
    // the changes clamp them.
    void setAudioSettings(const AudioSettings& audio);
    void setSoundsEnabled(bool enabled);
    void setStreamsEnabled(bool enabled);
    // The output device in use (numbered from 1) and its name.
    int device() const;
    std::string deviceName() const;
    // What the tables hold for a name, 0 when nothing (no entry is made).
    std::uint32_t sampleHandle(std::string_view name) const;
    std::uint32_t streamHandle(std::string_view name) const;

    // Start-up of the audio layer: the device of the default output, the
    // layer's options, the device named by the settings. 0, or the layer's
    // error code when no output could be opened at all (the only failure).
    int initAudio();
    // Moves everything to another output device (from 1): the streams that
    // play and every sample; then the old device is released. Nothing
    // happens for the device in use, for device ≤ 0 and when the device
    // cannot be opened.
    void setAudioDevice(int device);
    // Releases the audio layer at shutdown ("Closing BASS...").
    void closeAudio();

    // The sync that ends a fade: stops the channel once its volume is 0.
    static void onSlideEnd(std::uint32_t sync, std::uint32_t channel, std::uint32_t data, void* user);

private:
    std::uint32_t loadLocked(const std::string& name, bool lookupOnly);
    std::uint32_t loadSampleLocked(const std::string& name);
    std::uint32_t loadStreamLocked(const std::string& name, bool lookupOnly);
    std::uint32_t playLocked(const SoundDescription& sound, int channel);
    void applyOption(std::uint32_t handle, const SoundOption& option, bool stream, float volumeFactor);
    void watchEnd(std::uint32_t channel);
    void report(SoundEvent event) const;

    mutable std::mutex mutex_;
    const std::string userSounds_;
    const std::string appSounds_;
    ChannelFilter filter_;
    SoundObserver* observer_;
    AudioSettings settings_;
    int audioDevice = 1;
    std::string audioDeviceName;
    std::unordered_map<std::string, std::uint32_t> sampleTable;
    std::unordered_map<std::string, std::uint32_t> streamTable;
};
