// The devices: numbering and information, bringing up and down, the current
// device of each thread, handles across devices, outputs that fail, and the
// outputs named by the environment.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "AudioTestSignals.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/layer/AudioDevices.h"

using namespace audio;

namespace {

// An output that pulls nothing; it fails to start for a device named "broken"
// and for the default device when `defaultFails`.
class IdleOutput : public AudioOutput {
public:
    explicit IdleOutput(bool fails) : fails_(fails) {}
    bool start(Mixer&) override { return !fails_; }
    void stop() override {}
    int blockFrames() const override { return 256; }

private:
    bool fails_;
};

AudioDevices makeDevices(bool defaultFails = false)
{
    return AudioDevices({"Speakers", "broken"}, [defaultFails](int device, const std::string& name) {
        return std::make_unique<IdleOutput>(name == "broken" || (device == 1 && defaultFails));
    });
}

void setVariable(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

} // namespace

TEST(AudioDevices, NumberingInitAndFree)
{
    AudioDevices devices = makeDevices();
    EXPECT_EQ(devices.device(), 0);
    EXPECT_EQ(devices.info(1)->name, "Default");
    EXPECT_EQ(devices.info(1)->flags, kDeviceEnabled | kDeviceDefault);
    EXPECT_EQ(devices.info(2)->name, "Speakers");
    EXPECT_FALSE(devices.info(4));
    EXPECT_EQ(lastError(), kErrorDevice);
    EXPECT_FALSE(devices.info(0));
    EXPECT_FALSE(devices.currentMixer());
    EXPECT_EQ(lastError(), kErrorInit);

    ASSERT_TRUE(devices.init(-1, 44100));
    EXPECT_EQ(devices.device(), 1);
    EXPECT_EQ(devices.info(1)->flags, kDeviceEnabled | kDeviceDefault | kDeviceInitialized);
    EXPECT_FALSE(devices.init(1, 44100));
    EXPECT_EQ(lastError(), kErrorAlready);
    EXPECT_FALSE(devices.init(3, 44100)); // its output fails
    EXPECT_EQ(lastError(), kErrorDriver);
    EXPECT_FALSE(devices.init(9, 44100));
    EXPECT_EQ(lastError(), kErrorDevice);
    EXPECT_FALSE(devices.setDevice(2)); // not up
    EXPECT_EQ(lastError(), kErrorInit);

    // Handles of two devices never meet, and each finds its own mixer.
    ASSERT_TRUE(devices.init(2, 22050));
    const Handle onTwo = devices.currentMixer()->loadSample(test::constant(0.1f, 10), 1, false);
    ASSERT_TRUE(devices.setDevice(1));
    const Handle onOne = devices.currentMixer()->loadSample(test::constant(0.1f, 10), 1, false);
    EXPECT_NE(onOne, onTwo);
    EXPECT_EQ(devices.mixerOf(onTwo)->rate(), 22050);
    EXPECT_EQ(devices.mixerOf(onOne)->rate(), 44100);

    // Down: its handles are stale; it can come up again.
    const std::shared_ptr<Mixer> held = devices.mixerOf(onOne);
    ASSERT_TRUE(devices.free());
    EXPECT_FALSE(devices.mixerOf(onOne));
    EXPECT_EQ(lastError(), kErrorHandle);
    EXPECT_TRUE(held->knows(onOne)); // a call under way keeps its mixer
    EXPECT_FALSE(devices.free());
    ASSERT_TRUE(devices.init(1, 44100));
    EXPECT_FALSE(devices.mixerOf(onOne));
}

TEST(AudioDevices, EachThreadHasItsDevice)
{
    AudioDevices devices = makeDevices();
    ASSERT_TRUE(devices.init(1, 44100));
    ASSERT_TRUE(devices.init(2, 44100));
    int seen = 0, chosen = 0;
    std::thread([&] {
        seen = devices.device(); // never chose: the last any thread chose
        devices.setDevice(1);
        chosen = devices.device();
    }).join();
    EXPECT_EQ(seen, 2);
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(devices.device(), 2); // this thread's own choice stands
    std::thread([&] { seen = devices.device(); }).join();
    EXPECT_EQ(seen, 1);
}

TEST(AudioDevices, DefaultDeviceRunsOnAClockWithoutASoundCard)
{
    AudioDevices devices = makeDevices(true);
    ASSERT_TRUE(devices.init(-1, 44100));
    EXPECT_EQ(devices.info(1)->driver, "clock");
    EXPECT_TRUE(devices.currentMixer());
}

TEST(AudioDevices, OutputsNamedByTheEnvironment)
{
    setVariable("ORVC_AUDIO_OUT", "out/mix.wav");
    setVariable("ORVC_AUDIO_DEVICES", "Left room;;Right room;");
    const OutputPlan plan = outputPlanFromEnvironment();
    EXPECT_EQ(plan.file, "out/mix.wav");
    EXPECT_EQ(plan.named, (std::vector<std::string>{"Left room", "Right room"}));
    EXPECT_FALSE(plan.offline);
    setVariable("ORVC_AUDIO_OFFLINE", "1");
    EXPECT_TRUE(outputPlanFromEnvironment().offline);
    setVariable("ORVC_AUDIO_OFFLINE", "0");
    EXPECT_FALSE(outputPlanFromEnvironment().offline);
}

TEST(AudioDevices, SoundsMoveToAnotherDeviceAndGoOnThere)
{
    AudioDevices devices = makeDevices();
    ASSERT_TRUE(devices.init(1, 44100));
    const auto one = devices.currentMixer();
    const Handle sample = one->loadSample(test::constant(0.5f, 44100), 4, false);
    const Handle playback = one->sampleChannel(sample);
    const Handle stream = one->createStream(test::constant(0.25f, 44100), 0);
    const Handle filter = one->addFilter(stream);
    ASSERT_TRUE(one->play(playback, false) && one->play(stream, false));
    ASSERT_TRUE(one->setAttribute(stream, kAttribVolume, 0.5f));
    std::vector<float> block(2 * 1000);
    one->render(block.data(), 1000);

    EXPECT_FALSE(devices.moveTo(stream, 2)); // not up
    EXPECT_EQ(lastError(), kErrorInit);
    ASSERT_TRUE(devices.init(2, 44100));
    const auto two = devices.currentMixer();
    ASSERT_TRUE(devices.moveTo(sample, 2));
    ASSERT_TRUE(devices.moveTo(stream, 2));
    EXPECT_FALSE(devices.moveTo(999999, 2));
    EXPECT_EQ(lastError(), kErrorHandle);

    // Same handles, same places in their sounds, same attributes; the old
    // device has nothing left to play.
    EXPECT_EQ(devices.mixerOf(playback), two);
    EXPECT_EQ(devices.mixerOf(filter), two);
    EXPECT_TRUE(two->filter(filter));
    EXPECT_EQ(two->position(stream), std::optional<std::uint64_t>(2000));
    EXPECT_EQ(two->attribute(stream, kAttribVolume), std::optional<float>(0.5f));
    EXPECT_EQ(two->state(playback), kStatePlaying);
    EXPECT_EQ(one->channelCount(), 0u);
    one->render(block.data(), 1000);
    EXPECT_EQ(test::peak(block, 0, 0, 1000), 0.f);
    two->render(block.data(), 1000);
    EXPECT_GT(test::peak(block, 0, 0, 1000), 0.5f);
    EXPECT_EQ(two->position(stream), std::optional<std::uint64_t>(4000));
    // The sample goes on giving playbacks there.
    const Handle again = two->sampleChannel(sample);
    EXPECT_NE(again, 0u);
}

TEST(AudioDevices, ThreadsPlayWhileTheirSoundsMove)
{
    AudioDevices devices = makeDevices();
    ASSERT_TRUE(devices.init(1, 44100));
    ASSERT_TRUE(devices.init(2, 44100));
    std::atomic<bool> done{false};
    std::vector<std::thread> players;
    std::mutex made;
    std::vector<Handle> handles;
    for (int t = 0; t < 3; ++t) {
        players.emplace_back([&, t] {
            devices.setDevice(1 + t % 2);
            for (int i = 0; i < 200; ++i) {
                const auto mixer = devices.currentMixer();
                const Handle h = mixer->createStream(test::constant(0.1f, 64), kStreamAutoFree);
                if (auto owner = devices.mixerOf(h)) owner->play(h, false);
                std::lock_guard lock(made);
                handles.push_back(h);
            }
        });
    }
    std::thread mixing([&] {
        std::vector<float> block(2 * 64);
        while (!done) {
            for (int d = 1; d <= 2; ++d) {
                devices.setDevice(d);
                if (auto mixer = devices.currentMixer()) mixer->render(block.data(), 64);
            }
        }
    });
    for (int round = 0; round < 400; ++round) {
        Handle h = 0;
        {
            std::lock_guard lock(made);
            if (!handles.empty()) h = handles[static_cast<std::size_t>(round) % handles.size()];
        }
        devices.moveTo(h, 1 + round % 2); // the sound may have ended meanwhile
    }
    for (auto& p : players) p.join();
    done = true;
    mixing.join();
    // Every sound is on exactly one device or has ended and gone.
    for (const Handle h : handles) {
        const bool onOne = devices.setDevice(1) && devices.currentMixer()->knows(h);
        const bool onTwo = devices.setDevice(2) && devices.currentMixer()->knows(h);
        EXPECT_FALSE(onOne && onTwo);
    }
}

TEST(AudioDevices, TheDefaultDeviceFindsASoundCardThatAppears)
{
    auto cardThere = std::make_shared<std::atomic<bool>>(false);
    auto pulled = std::make_shared<std::atomic<int>>(0);
    class CountingOutput : public AudioOutput {
    public:
        CountingOutput(bool fails, std::shared_ptr<std::atomic<int>> started) : fails_(fails), started_(std::move(started)) {}
        bool start(Mixer&) override { return !fails_ && ++*started_ > 0; }
        void stop() override {}
        int blockFrames() const override { return 256; }

    private:
        bool fails_;
        std::shared_ptr<std::atomic<int>> started_;
    };
    AudioDevices devices({}, [=](int, const std::string&) { return std::make_unique<CountingOutput>(!*cardThere, pulled); });
    ASSERT_TRUE(devices.init(-1, 44100));
    const auto mixer = devices.currentMixer();
    EXPECT_EQ(devices.info(1)->driver, "clock");
    EXPECT_FALSE(devices.probeDefault()); // still none
    *cardThere = true;
    EXPECT_TRUE(devices.probeDefault());
    EXPECT_EQ(*pulled, 1);
    EXPECT_EQ(devices.info(1)->driver, "");
    EXPECT_EQ(devices.currentMixer(), mixer); // its sounds play on
    EXPECT_FALSE(devices.probeDefault());     // nothing more to find
}
