// Bringing the audio layer up at start-up, moving to another output device,
// and releasing the layer at shutdown.
#include "client/audio/Sounds.h"
#include "client/core/DebugLog.h"
#include "orvaudio.h"

namespace {

constexpr uint32_t kRate = 44100;

// The layer's options, in the order they are set: the value each had in the
// library the client was first written for. Those our layer has no use for
// (MIDI, tracker music) are kept for whoever reads them back.
constexpr struct {
    uint32_t option, value;
} kOptions[] = {
    {1, 50},        // update period, ms
    {0, 150},       // playback buffer, ms
    {21, 1},        // playlists followed when a stream is made from an address
    {12, 3000},     // network buffer, ms
    {37, 5000},     // network read time-out, ms
    {11, 2000},     // network connect time-out, ms
    {0x10402, 2},   // MIDI: soundfonts loaded automatically
    {0x10400, 1},   // MIDI: compact soundfonts
    {9, 1},         // floating-point effects
    {22, 256},      // tracker music: virtual channels
    {0x10401, 256}, // MIDI: voices
};

// Format plug-ins: none exists for our layer, so each fails and its formats
// (MIDI among them) do not play.
constexpr const char* kPlugins[] = {"bassmidi.dll", "bass_aac.dll", "basswma.dll", "bassflac.dll", "basswv.dll"};

} // namespace

int Sounds::initAudio()
{
    std::unique_lock lock(mutex_);
    debugLog("Initializing bass...");
    oaSetConfig(36, 1); // the default device follows the system's choice
    if (!oaInit(-1, kRate, OA_DEVICE_3D)) return oaErrorGetCode();
    debugLog("Loading bass plugins...");
    for (const char* plugin : kPlugins) oaPluginLoad(plugin, 0);
    debugLog("Configuring bass...");
    for (const auto& o : kOptions) oaSetConfig(o.option, o.value);
    // The default MIDI soundfont ("bassmidi.dlb") would be installed here;
    // without MIDI there is nothing to install it in.
    debugLog("Listing bass devices...");
    OaDeviceInfo info{};
    std::string lastName;
    bool matched = false;
    for (int n = 1; oaGetDeviceInfo(n, &info); ++n) {
        lastName = info.name ? info.name : "";
        if (!audioDeviceName.empty() && lastName == audioDeviceName) {
            audioDevice = n;
            matched = true;
            break;
        }
    }
    // Without a device listed at all the line shows an empty name.
    debugLog("Init bass device #" + std::to_string(audioDevice) + " [" + (matched ? audioDeviceName : lastName) + " ]");
    if (oaInit(audioDevice, kRate, OA_DEVICE_3D)) oaSetDevice(audioDevice);
    debugLog("Bass initialized OK");
    SoundEvent event{SoundEvent::Kind::Device, audioDevice, matched ? audioDeviceName : lastName, 0};
    lock.unlock();
    report(event);
    return 0;
}

void Sounds::setAudioDevice(int device)
{
    std::unique_lock lock(mutex_);
    const int old = oaGetDevice();
    if (device == old || device <= 0) return;
    if (!oaInit(device, kRate, OA_DEVICE_3D) && oaErrorGetCode() != OA_ERROR_ALREADY) return;
    OaDeviceInfo info{};
    audioDevice = device;
    audioDeviceName = oaGetDeviceInfo(device, &info) && info.name ? info.name : "";
    // A stream that has ended stays where it was: it is gone anyway.
    for (const auto& [name, stream] : streamTable) {
        if (stream != 0 && oaChannelIsActive(stream) != OA_ACTIVE_STOPPED) oaChannelSetDevice(stream, device);
    }
    for (const auto& [name, sample] : sampleTable) {
        if (sample != 0) oaChannelSetDevice(sample, device);
    }
    oaSetDevice(old);
    oaFree();
    oaSetDevice(device);
    SoundEvent event{SoundEvent::Kind::Device, audioDevice, audioDeviceName, 0};
    lock.unlock();
    report(event);
}

void Sounds::closeAudio()
{
    debugLog("Closing BASS...");
    oaFree();
    // The default device, brought up first, may still be up beside the one
    // chosen by name; nothing of the layer should outlive this.
    if (oaSetDevice(1)) oaFree();
}
