// The sound card through SDL: the system's default device opened without a
// name, so that it follows the system's choice; other devices by name.
#include <SDL.h>

#include <mutex>

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

#include "platform/audio/core/Mixer.h"
#include "platform/audio/output/AudioOutput.h"

namespace audio {

namespace {

#if !defined(_WIN32)
void quietAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// On a machine without a sound card, libasound prints a screenful of
// messages on every attempt to open its default device, and the layer
// attempts it every few seconds while it waits for a card. What failed
// reaches the caller as an error code; the messages go nowhere. Only a
// libasound that SDL has already loaded is touched.
void quietenAlsa()
{
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto setHandler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"))) {
        setHandler(&quietAlsaMessage);
    }
    dlclose(alsa);
}
#else
void quietenAlsa() {}
#endif

// SDL's audio part is started once for the process and left running.
bool sdlAudio()
{
    static const bool ready = [] {
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "orvc");
        const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        quietenAlsa();
        return started;
    }();
    return ready;
}

// 512 frames (11.6 ms at 44.1 kHz): SDL keeps about two such buffers, so a
// sound started now is heard within about 25 ms, and the mixing thread still
// has a comfortable margin on a slow machine.
constexpr Uint16 kBufferFrames = 512;

class SdlOutput : public AudioOutput {
public:
    explicit SdlOutput(std::string name) : name_(std::move(name)) {}
    ~SdlOutput() override { stop(); }

    bool start(Mixer& mixer) override
    {
        stop();
        if (!sdlAudio()) return false;
        SDL_AudioSpec want{};
        want.freq = mixer.rate();
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kBufferFrames;
        want.callback = &SdlOutput::pull;
        want.userdata = &mixer;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(name_.empty() ? nullptr : name_.c_str(), 0, &want, &have, 0);
        if (device_ == 0) return false;
        frames_ = have.samples;
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    void stop() override
    {
        if (device_ != 0) {
            SDL_CloseAudioDevice(device_);
            device_ = 0;
        }
    }

    int blockFrames() const override { return frames_; }

private:
    static void SDLCALL pull(void* mixer, Uint8* stream, int bytes)
    {
        static_cast<Mixer*>(mixer)->render(reinterpret_cast<float*>(stream), static_cast<std::size_t>(bytes) / (2 * sizeof(float)));
    }

    std::string name_;
    SDL_AudioDeviceID device_ = 0;
    int frames_ = kBufferFrames;
};

} // namespace

std::vector<std::string> systemOutputDevices()
{
    std::vector<std::string> names;
    if (!sdlAudio()) return names;
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        if (const char* name = SDL_GetAudioDeviceName(i, 0)) names.emplace_back(name);
    }
    return names;
}

std::unique_ptr<AudioOutput> makeSystemOutput(const std::string& deviceName)
{
    return std::make_unique<SdlOutput>(deviceName);
}

void releaseSystemAudioThreadState()
{
    // SDL keeps an error text for each thread that met one.
    SDL_TLSCleanup();
}

} // namespace audio
