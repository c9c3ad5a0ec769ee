// audio_mix_bench: our mixer and OpenAL Soft (loopback device, no HRTF, no
// limiter, cubic resampling) mixing the same scenes on one thread, as fast
// as they can:
//   cues — N mono voices of 1 s at rates 0.7–1.5, each with volume and pan
//          slides and a low-pass filter, restarted when they end;
//   3D   — N looping mono voices moving round the listener, positions and
//          the listener updated every 30 ms.
// Prints, for each N, the seconds of audio each mixes per second of CPU
// time, the voices one core could mix in real time, and the share of a core
// the scene takes in real time.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "platform/audio/core/Mixer.h"

#ifdef ORVC_HAVE_OPENAL
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx.h>
#endif

using namespace audio;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 441;           // 10 ms
constexpr double kSeconds = 4.0;      // audio mixed per measurement
constexpr int kBlocksPer3DUpdate = 3; // 30 ms

double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

std::vector<float> tone(int hz)
{
    std::vector<float> s(kRate);
    for (int i = 0; i < kRate; ++i) s[i] = 0.2f * static_cast<float>(std::sin(2 * 3.14159265358979 * hz * i / kRate));
    return s;
}

struct Result {
    double audioPerCpu; // seconds of audio per second of CPU
};

Result ours(int voices, bool space)
{
    Mixer mixer(kRate);
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = kRate;
    pcm->samples = tone(440);
    const Handle sample = mixer.loadSample(pcm, voices, space);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> rate(0.7f, 1.5f), unit(-1.f, 1.f);
    std::vector<Handle> channels;
    for (int v = 0; v < voices; ++v) {
        const Handle ch = mixer.sampleChannel(sample);
        mixer.setAttribute(ch, kAttribFrequency, kRate * rate(random));
        if (space) {
            mixer.setLoop(ch, true);
            mixer.setChannel3DAttributes(ch, kMode3DNormal, 1.f, 100.f);
        } else {
            BiquadParameters low{kBiquadLowPass, 2000.f};
            mixer.addFilter(ch, low);
            mixer.slideAttribute(ch, kAttribVolume, 0.2f, 800);
            mixer.slideAttribute(ch, kAttribPan, unit(random), 600);
        }
        mixer.play(ch, false);
        channels.push_back(ch);
    }
    std::vector<float> out(2 * kBlock);
    const int blocks = static_cast<int>(kSeconds * kRate / kBlock);
    const double start = cpuSeconds();
    for (int b = 0; b < blocks; ++b) {
        if (space && b % kBlocksPer3DUpdate == 0) {
            const float t = static_cast<float>(b) * kBlock / kRate;
            for (std::size_t v = 0; v < channels.size(); ++v) {
                const float a = t + static_cast<float>(v);
                const Vector3 p{10 * std::cos(a), 0, 10 * std::sin(a)};
                const Vector3 vel{-10 * std::sin(a), 0, 10 * std::cos(a)};
                mixer.setChannel3DPosition(channels[v], &p, nullptr, &vel);
            }
            const Vector3 front{std::sin(t), 0, std::cos(t)};
            mixer.setListener(nullptr, nullptr, &front, nullptr);
            mixer.apply3D();
        }
        if (!space) {
            for (const Handle ch : channels) {
                if (mixer.state(ch) == kStateStopped) {
                    mixer.setAttribute(ch, kAttribVolume, 1.f);
                    mixer.slideAttribute(ch, kAttribVolume, 0.2f, 800);
                    mixer.slideAttribute(ch, kAttribPan, unit(random), 600);
                    mixer.play(ch, true);
                }
            }
        }
        mixer.render(out.data(), kBlock);
    }
    return {kSeconds / std::max(1e-9, cpuSeconds() - start)};
}

#ifdef ORVC_HAVE_OPENAL
Result openal(int voices, bool space)
{
    auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    auto renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!openLoopback || !renderSamples) return {0};
    ALCdevice* device = openLoopback(nullptr);
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY, kRate, ALC_HRTF_SOFT, ALC_FALSE, ALC_OUTPUT_LIMITER_SOFT, ALC_FALSE,
                                 ALC_MONO_SOURCES, voices + 16, ALC_STEREO_SOURCES, 4, 0};
    ALCcontext* context = alcCreateContext(device, attributes);
    alcMakeContextCurrent(context);

    // The cubic resampler, the same kind as ours.
    ALint resampler = 0;
    auto resamplerName = reinterpret_cast<const ALchar*(AL_APIENTRY*)(ALenum, ALsizei)>(alGetProcAddress("alGetStringiSOFT"));
    const ALint count = alGetInteger(AL_NUM_RESAMPLERS_SOFT);
    for (ALint i = 0; resamplerName && i < count; ++i) {
        if (std::string(resamplerName(AL_RESAMPLER_NAME_SOFT, i)).find("ubic") != std::string::npos) resampler = i;
    }
    auto genFilters = reinterpret_cast<LPALGENFILTERS>(alGetProcAddress("alGenFilters"));
    auto filteri = reinterpret_cast<LPALFILTERI>(alGetProcAddress("alFilteri"));
    auto filterf = reinterpret_cast<LPALFILTERF>(alGetProcAddress("alFilterf"));

    ALuint buffer;
    alGenBuffers(1, &buffer);
    const std::vector<float> samples = tone(440);
    std::vector<ALshort> shorts(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) shorts[i] = static_cast<ALshort>(samples[i] * 32767);
    alBufferData(buffer, AL_FORMAT_MONO16, shorts.data(), static_cast<ALsizei>(shorts.size() * 2), kRate);

    std::mt19937 random(7);
    std::uniform_real_distribution<float> rate(0.7f, 1.5f), unit(-1.f, 1.f);
    std::vector<ALuint> sources(static_cast<std::size_t>(voices));
    alGenSources(voices, sources.data());
    std::vector<float> gainFrom(voices, 1.f), panTo(voices, 0.f);
    for (int v = 0; v < voices; ++v) {
        const ALuint s = sources[static_cast<std::size_t>(v)];
        alSourcei(s, AL_BUFFER, static_cast<ALint>(buffer));
        alSourcef(s, AL_PITCH, rate(random));
        alSourcei(s, AL_SOURCE_RESAMPLER_SOFT, resampler);
        if (space) {
            alSourcei(s, AL_LOOPING, AL_TRUE);
            alSourcef(s, AL_REFERENCE_DISTANCE, 1.f);
            alSourcef(s, AL_MAX_DISTANCE, 100.f);
        } else {
            alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
            panTo[v] = unit(random);
            if (genFilters) {
                ALuint filter;
                genFilters(1, &filter);
                filteri(filter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
                filterf(filter, AL_LOWPASS_GAINHF, 0.3f);
                alSourcei(s, AL_DIRECT_FILTER, static_cast<ALint>(filter));
            }
        }
        alSourcePlay(s);
    }
    std::vector<float> out(2 * kBlock);
    const int blocks = static_cast<int>(kSeconds * kRate / kBlock);
    const double start = cpuSeconds();
    for (int b = 0; b < blocks; ++b) {
        const float t = static_cast<float>(b) * kBlock / kRate;
        if (space && b % kBlocksPer3DUpdate == 0) {
            for (int v = 0; v < voices; ++v) {
                const float a = t + static_cast<float>(v);
                alSource3f(sources[static_cast<std::size_t>(v)], AL_POSITION, 10 * std::cos(a), 0, 10 * std::sin(a));
                alSource3f(sources[static_cast<std::size_t>(v)], AL_VELOCITY, -10 * std::sin(a), 0, 10 * std::cos(a));
            }
            const ALfloat orientation[6] = {std::sin(t), 0, std::cos(t), 0, 1, 0};
            alListenerfv(AL_ORIENTATION, orientation);
        }
        if (!space) {
            // OpenAL has no slides: the gain and the place are set each block,
            // as a client of it would.
            const float into = std::fmod(t, 1.f);
            for (int v = 0; v < voices; ++v) {
                const ALuint s = sources[static_cast<std::size_t>(v)];
                alSourcef(s, AL_GAIN, std::max(0.2f, 1.f - into));
                const float pan = panTo[v] * std::min(1.f, into / 0.6f);
                alSource3f(s, AL_POSITION, pan, 0, -std::sqrt(1 - pan * pan));
                ALint state;
                alGetSourcei(s, AL_SOURCE_STATE, &state);
                if (state == AL_STOPPED) alSourcePlay(s);
            }
        }
        renderSamples(device, out.data(), kBlock);
    }
    const double cpu = cpuSeconds() - start;
    alDeleteSources(voices, sources.data());
    alDeleteBuffers(1, &buffer);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    return {kSeconds / std::max(1e-9, cpu)};
}
#endif

} // namespace

int main(int argc, char** argv)
{
    std::vector<int> counts = {64, 256, 1024};
    if (argc > 1) counts = {std::atoi(argv[1])};
    std::printf("%-5s %6s %14s %14s %14s %14s %8s\n", "scene", "voices", "ours x rt", "ours voices/c", "openal x rt",
                "openal v/core", "ratio");
    for (const bool space : {false, true}) {
        for (const int n : counts) {
            const Result a = ours(n, space);
#ifdef ORVC_HAVE_OPENAL
            const Result b = openal(n, space);
#else
            const Result b{0};
#endif
            std::printf("%-5s %6d %14.1f %14.0f %14.1f %14.0f %8.2f   (ours: %.1f%% of a core in real time)\n",
                        space ? "3D" : "cues", n, a.audioPerCpu, a.audioPerCpu * n, b.audioPerCpu, b.audioPerCpu * n,
                        b.audioPerCpu > 0 ? a.audioPerCpu / b.audioPerCpu : 0.0, 100.0 / a.audioPerCpu);
        }
    }
    return 0;
}
