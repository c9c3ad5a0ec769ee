// Outputs: the clocked one keeps the clock's pace and writes a WAV file of
// exactly what it pulled; SDL's real path, through its disk driver.
#include <SDL.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "AudioTestSignals.h"
#include "common/file.h"
#include "platform/audio/core/Mixer.h"
#include "platform/audio/core/WavFile.h"
#include "platform/audio/output/ClockedOutput.h"

using namespace audio;
using namespace std::chrono;

namespace {

std::string tempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("orvc-audio-" + name)).string();
}

// Waits, a little at a time, until `done` holds or five seconds passed.
template <typename F> bool waitFor(F done)
{
    for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(milliseconds(1));
    return done();
}

std::vector<std::uint8_t> bytesOf(const std::string& path)
{
    std::string text;
    common::readWholeFile(path, text);
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

} // namespace

TEST(ClockedOutput, KeepsTheClocksPaceAndWritesWhatItPulled)
{
    std::atomic<std::int64_t> now{0}; // microseconds
    const auto clock = [&] { return steady_clock::time_point(microseconds(now.load())); };
    const auto sleep = [](microseconds) { std::this_thread::sleep_for(microseconds(200)); };
    Mixer mixer;
    const Handle ch = mixer.sampleChannel(mixer.loadSample(test::constant(0.25f, 44100 * 10), 1, false));
    mixer.play(ch, false);

    const std::string path = tempPath("clocked.wav");
    ClockedOutput output(path, 44100, 441, clock, sleep);
    ASSERT_TRUE(output.start(mixer));
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(output.frames(), 0u); // the clock has not moved
    now = 105000;                   // ten whole blocks and a half
    ASSERT_TRUE(waitFor([&] { return output.frames() == 4410; }));
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(output.frames(), 4410u); // never ahead of the clock
    now = 200000;
    ASSERT_TRUE(waitFor([&] { return output.frames() == 8820; }));
    output.stop();
    EXPECT_EQ(*mixer.position(ch), 8820u * 2);

    const auto bytes = bytesOf(path);
    const WavRead read = readWav(bytes.data(), bytes.size());
    ASSERT_EQ(read.status, WavStatus::Ok);
    EXPECT_FALSE(read.truncated);
    EXPECT_EQ(read.pcm.frames(), 8820u);
    EXPECT_EQ(read.pcm.channels, 2);
    EXPECT_FLOAT_EQ(read.pcm.samples.front(), 0.25f);
    EXPECT_FLOAT_EQ(read.pcm.samples.back(), 0.25f);
    std::filesystem::remove(path);

    // A folder that does not exist: it does not start.
    ClockedOutput nowhere(tempPath("no/such/folder/x.wav"));
    EXPECT_FALSE(nowhere.start(mixer));
    // No file at all: it pulls and throws away.
    ClockedOutput silent("", 44100, 441, clock, sleep);
    ASSERT_TRUE(silent.start(mixer));
    now = 300000;
    EXPECT_TRUE(waitFor([&] { return silent.frames() == 4410; }));
}

TEST(ClockedOutput, PacedByItsCallerPullsOnlyWhenAsked)
{
    Mixer mixer;
    const Handle ch = mixer.sampleChannel(mixer.loadSample(test::constant(0.5f, 1000), 1, false));
    mixer.play(ch, false);
    const std::string path = tempPath("paced.wav");
    auto output = ClockedOutput::pacedByCaller(path);
    ASSERT_TRUE(output->start(mixer));
    std::this_thread::sleep_for(milliseconds(20));
    EXPECT_EQ(output->frames(), 0u);
    std::vector<float> mix(2 * 1500, -1.f);
    EXPECT_EQ(output->pullNow(mix.data(), 1500), 1500u); // more than a block
    EXPECT_EQ(output->frames(), 1500u);
    EXPECT_FLOAT_EQ(mix[2 * 999], 0.5f);
    EXPECT_FLOAT_EQ(mix[2 * 1000], 0.f); // the sound ended on its last frame
    EXPECT_EQ(mixer.state(ch), kStateStopped);
    output->stop();
    const auto bytes = bytesOf(path);
    const WavRead read = readWav(bytes.data(), bytes.size());
    ASSERT_EQ(read.status, WavStatus::Ok);
    EXPECT_EQ(read.pcm.frames(), 1500u);
    std::filesystem::remove(path);

    // An output with a clock of its own pulls nothing when asked.
    ClockedOutput clocked("");
    EXPECT_EQ(clocked.pullNow(mix.data(), 10), 0u);
}

TEST(SdlOutput, DiskDriverGetsTheMix)
{
    // SDL's own disk driver stands in for a sound card: everything from the
    // device opening on is SDL's real path.
    const std::string path = tempPath("sdl-disk.raw");
    std::filesystem::remove(path);
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    // (Not SDL_DISKAUDIODELAY as well: SDL on Windows reads both into one
    // buffer, and the delay would name the file. The driver's own pace is
    // the buffer's length.)
    EXPECT_TRUE(systemOutputDevices().size() <= 1);

    Mixer mixer;
    const Handle ch = mixer.sampleChannel(mixer.loadSample(test::constant(0.5f, 44100 * 10), 1, false));
    mixer.setAttribute(ch, kAttribPan, -1.f);
    mixer.play(ch, false);
    auto output = makeSystemOutput("");
    ASSERT_TRUE(output->start(mixer)) << SDL_GetError();
    EXPECT_LE(output->blockFrames(), 1024);
    ASSERT_TRUE(waitFor([&] { return mixer.position(ch).value_or(0) > 8192 * 2; }));
    output->stop();

    const auto bytes = bytesOf(path);
    ASSERT_GE(bytes.size(), 8192u * 8);
    std::vector<float> frames(bytes.size() / sizeof(float));
    std::memcpy(frames.data(), bytes.data(), frames.size() * sizeof(float));
    // SDL writes silence while the device is still paused after opening:
    // the mix starts after it, at a buffer's start.
    std::size_t first = 0;
    while (first + 1 < frames.size() && frames[first] == 0.f) first += 2;
    ASSERT_GE(frames.size(), first + 2 * 4001);
    EXPECT_EQ(first % (2 * output->blockFrames()), 0u);
    EXPECT_FLOAT_EQ(frames[first], 0.5f);
    EXPECT_FLOAT_EQ(frames[first + 1], 0.f); // panned to the left
    EXPECT_FLOAT_EQ(frames[first + 2 * 4000], 0.5f);
    std::filesystem::remove(path);
}
