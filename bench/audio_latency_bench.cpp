// From a play call to its first mixed frame through the system's output
// (SDL; choose its driver with SDL_AUDIODRIVER): 1,000 short sounds started
// at random moments of the output's cycle. The figure that counts is the
// worst wait plus one output buffer, which is how long the mixed frame can
// still take to reach the speaker.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "platform/audio/core/Mixer.h"
#include "platform/audio/output/AudioOutput.h"

using Clock = std::chrono::steady_clock;

int main()
{
    audio::Mixer mixer(44100);
    std::unique_ptr<audio::AudioOutput> output = audio::makeSystemOutput("");
    if (!output->start(mixer)) {
        std::fprintf(stderr, "audio_latency_bench: no output device (try SDL_AUDIODRIVER=disk)\n");
        return 1;
    }
    auto click = std::make_shared<audio::Pcm>();
    click->samples.assign(441, 0.25f);
    const audio::Handle sample = mixer.loadSample(click, 8, false);

    std::mt19937 random(7);
    std::uniform_int_distribution<int> pause(0, 15000);
    std::vector<double> waits;
    const int rounds = 1000;
    for (int i = 0; i < rounds; ++i) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        const audio::Handle channel = mixer.sampleChannel(sample);
        const auto started = Clock::now();
        mixer.play(channel, false);
        while (mixer.position(channel).value_or(0) == 0 && mixer.state(channel) == audio::kStatePlaying) {
            std::this_thread::yield();
        }
        waits.push_back(std::chrono::duration<double, std::milli>(Clock::now() - started).count());
    }
    output->stop();
    std::sort(waits.begin(), waits.end());
    const double buffer = 1000.0 * output->blockFrames() / mixer.rate();
    const double worst = waits.back();
    std::printf("play call to first mixed frame, %d sounds: p50 %.2f ms, p99 %.2f ms, worst %.2f ms\n", rounds,
                waits[waits.size() / 2], waits[waits.size() * 99 / 100], worst);
    std::printf("output buffer %d frames = %.2f ms; worst + buffer = %.2f ms (goal <= 30 ms)\n", output->blockFrames(),
                buffer, worst + buffer);
    return 0;
}
