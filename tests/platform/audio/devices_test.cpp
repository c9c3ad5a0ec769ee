// The devices: numbering and information, bringing up and down, the current
// device of each thread, handles across devices, outputs that fail, and the
// outputs named by the environment.
#include <gtest/gtest.h>

#include <cstdlib>
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
}
