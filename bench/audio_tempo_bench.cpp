// The cost of one tempo stream: a minute of stereo music-like sound at
// speed 1.5 (tempo +50 %) rendered by the mixer, as the share of one core it
// takes in real time; the same stream at neutral values (passed straight
// through) and the plain mix of its source for comparison.
//
// Usage: audio_tempo_bench [seconds]   (default 60)
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "platform/audio/core/Mixer.h"
#include "platform/audio/tempo/TempoStream.h"

using namespace audio;

namespace {

constexpr double kPi = 3.14159265358979323846;

double cpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Chords with a slow tremolo: something SoundTouch has to work at.
std::shared_ptr<Pcm> music(double seconds)
{
    auto pcm = std::make_shared<Pcm>();
    pcm->rate = 44100;
    pcm->channels = 2;
    const auto frames = static_cast<std::size_t>(seconds * 44100);
    pcm->samples.resize(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const double chord = std::sin(2 * kPi * 220 * t) + 0.6 * std::sin(2 * kPi * 277.2 * t) + 0.5 * std::sin(2 * kPi * 329.6 * t);
        const double tremolo = 0.6 + 0.4 * std::sin(2 * kPi * 3 * t);
        pcm->samples[2 * i] = static_cast<float>(0.25 * chord * tremolo);
        pcm->samples[2 * i + 1] = static_cast<float>(0.25 * chord * (1.4 - tremolo));
    }
    return pcm;
}

// Renders until the stream ends; the CPU seconds and the seconds of output.
std::pair<double, double> run(Mixer& mixer, Handle channel)
{
    std::vector<float> out(2 * 441);
    mixer.play(channel, false);
    std::size_t frames = 0;
    const double start = cpuSeconds();
    while (mixer.state(channel) != kStateStopped) {
        mixer.render(out.data(), 441); // 10 ms blocks, as an output asks for them
        frames += 441;
    }
    return {cpuSeconds() - start, static_cast<double>(frames) / 44100};
}

void report(const char* name, std::pair<double, double> r)
{
    std::printf("%-28s %8.3f s CPU for %7.2f s of sound: %6.3f %% of a core\n", name, r.first, r.second,
                100 * r.first / r.second);
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const auto pcm = music(seconds);
    std::printf("one stream, %.0f s of 44.1 kHz stereo, 10 ms blocks\n", seconds);
    {
        Mixer mixer;
        report("plain stream", run(mixer, mixer.createStream(pcm, 0)));
    }
    {
        Mixer mixer;
        const Handle source = mixer.createStream(pcm, kStreamDecode);
        report("tempo stream, neutral", run(mixer, mixer.createStream(tempoSource(mixer, source), 0, source)));
    }
    {
        Mixer mixer;
        const Handle source = mixer.createStream(pcm, kStreamDecode);
        const Handle tempo = mixer.createStream(tempoSource(mixer, source), 0, source);
        mixer.setAttribute(tempo, kAttribTempo, 50.f);
        report("tempo stream, speed 1.5", run(mixer, tempo));
    }
    return 0;
}
