// The sounds through the audio layer on an offline device: what plays, at
// what level and pitch, what stops, the tables, the settings, names that
// would leave the sounds folders, fades, and several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "SoundTestFolders.h"
#include "client/audio/Sounds.h"
#include "orvaudio.h"

namespace {

// Every "audio:" line, for the whole process (the observer outlives the
// device).
struct Recorder : SoundObserver {
    std::mutex mutex;
    std::vector<std::string> lines;
    void soundEvent(const SoundEvent& e) override
    {
        std::lock_guard lock(mutex);
        lines.push_back(formatSoundEvent(e));
    }
    std::vector<std::string> take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(lines, {});
    }
};
Recorder recorder;

void bringUpLayer()
{
    static const bool up = [] {
#ifdef _WIN32
        _putenv_s("ORVC_AUDIO_OFFLINE", "1");
#else
        setenv("ORVC_AUDIO_OFFLINE", "1", 1);
#endif
#ifdef _WIN32
        _putenv_s("ORVC_AUDIO_DEVICES", "Second");
#else
        setenv("ORVC_AUDIO_DEVICES", "Second", 1);
#endif
        return oaInit(-1, 44100, OA_DEVICE_3D) != 0;
    }();
    ASSERT_TRUE(up);
}

std::vector<float> render(std::size_t frames)
{
    std::vector<float> out(frames * 2);
    EXPECT_EQ(oaRender(out.data(), static_cast<uint32_t>(frames)), frames);
    return out;
}

float leftAt(const std::vector<float>& mix, std::size_t frame) { return mix[2 * frame]; }

int risingCrossings(const std::vector<float>& mix)
{
    int n = 0;
    for (std::size_t i = 2; i < mix.size(); i += 2) n += mix[i - 2] < 0 && mix[i] >= 0;
    return n;
}

class SoundsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bringUpLayer();
        recorder.take();
        folders.put(true, "door.ogg", soundtest::level(0.5f, 44100));
        folders.put(false, "bell.ogg", soundtest::tone(441, 44100));
        folders.put(true, "cards/shuffle.ogg", soundtest::level(0.25f, 4410));
        // Streams within the first block a file stream reads before it is
        // made, so that the offline mix never waits for the file's reader.
        folders.put(false, "music/theme.wav", soundtest::level(0.8f, 30000, false));
        folders.put(false, "music/tone.wav", soundtest::tone(441, 30000, 0.5f, false));
    }
    void TearDown() override
    {
        sounds.stopAllSounds();
        sounds.stopAllStreams();
        render(441);
    }

    soundtest::Folders folders{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    std::atomic<bool> foreground{true};
    AudioSettings settings{1.0f, 0.25f, true, true, ""};
    Sounds sounds{soundsFolderOf(folders.user), soundsFolderOf(folders.app), settings, [this](int channel) { return channel != 2 || foreground; },
                  &recorder};
};

} // namespace

TEST_F(SoundsTest, SamplesPlayAtTheSoundsVolumeAndStopOnVolumeZero)
{
    const uint32_t h = sounds.playSound("door", -1);
    ASSERT_NE(h, 0u);
    EXPECT_NEAR(leftAt(render(100), 50), 0.5f, 1e-4);
    sounds.stopAllSounds();
    EXPECT_NEAR(leftAt(render(100), 50), 0.f, 1e-6);

    sounds.changeSoundsVolume(50, false);
    ASSERT_NE(sounds.playSound("door 0.5", -1), 0u);
    EXPECT_NEAR(leftAt(render(100), 50), 0.125f, 1e-4); // 0.5 × 0.5 × 0.5
    // Above 1: full volume, the setting left out.
    ASSERT_NE(sounds.playSound("door 2", 0), 0u);
    EXPECT_NEAR(leftAt(render(100), 50), 0.125f + 0.5f, 1e-4);

    // A word instead of a volume, or 0: every playback stops, 0 returned.
    EXPECT_EQ(sounds.playSound("door loop", 0), 0u);
    EXPECT_NEAR(leftAt(render(100), 50), 0.f, 1e-6);
    EXPECT_EQ(sounds.playSound("bell 0", 0), 0u); // loaded, then stopped
    EXPECT_NE(sounds.sampleHandle("bell"), 0u);

    // With the sounds volume at 0 a playback is made and stopped.
    sounds.changeSoundsVolume(-100, true);
    const uint32_t muted = sounds.playSound("door 1", -1);
    ASSERT_NE(muted, 0u);
    EXPECT_EQ(oaChannelIsActive(muted), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    EXPECT_NEAR(leftAt(render(100), 50), 0.f, 1e-6);
}

TEST_F(SoundsTest, ChannelFilterAndNegativeVolumes)
{
    foreground = false;
    EXPECT_EQ(sounds.playSound("door 0.5", 2), 0u);
    EXPECT_EQ(sounds.sampleHandle("door"), 0u); // not even loaded
    EXPECT_NE(sounds.playSound("door -0.5", 2), 0u); // negative: no filter
    EXPECT_NEAR(leftAt(render(100), 50), 0.25f, 1e-4);
    foreground = true;
    EXPECT_NE(sounds.playSound("door 0.5", 2), 0u);
}

TEST_F(SoundsTest, PitchOptionsAndFolders)
{
    // The user's folder first for samples; subfolders allowed.
    folders.put(false, "door.ogg", soundtest::level(0.1f, 44100));
    sounds.playSound("door", -1);
    EXPECT_NEAR(leftAt(render(10), 5), 0.5f, 1e-4);
    sounds.stopAllSounds();
    ASSERT_NE(sounds.playSound("cards/shuffle", -1), 0u);
    ASSERT_NE(sounds.playSound("cards\\shuffle", -1), 0u);
    EXPECT_NEAR(leftAt(render(10), 5), 0.5f, 1e-4);
    sounds.stopAllSounds();

    // 441 Hz: 44 rising crossings in 0.1 s; an octave up by a bare number,
    // by absfreq and by freq relative to the present rate.
    sounds.playSound("bell", -1);
    const int plain = risingCrossings(render(4410));
    EXPECT_NEAR(plain, 44, 1);
    sounds.stopAllSounds();
    for (const char* spec : {"bell 1 12", "bell 1 absfreq 12", "bell 1 freq 12", "bell 1 absfreq 24 freq -12"}) {
        const uint32_t h = sounds.playSound(spec, -1);
        float rate = 0;
        oaChannelGetAttribute(h, OA_ATTRIB_FREQ, &rate);
        EXPECT_NEAR(rate, 88200.f, 1) << spec;
        EXPECT_NEAR(risingCrossings(render(4410)), 2 * plain, 2) << spec;
        sounds.stopAllSounds();
    }
    // Pan, loop and position; tempo words do nothing on samples.
    const uint32_t h = sounds.playSound("cards/shuffle 1 pan 1 loop pos 0.05 speed 2 pitch 3 rate 1", -1);
    const auto mix = render(4410);
    EXPECT_NEAR(mix[2 * 100], 0.f, 1e-6);
    EXPECT_NEAR(mix[2 * 100 + 1], 0.25f, 1e-4);
    EXPECT_EQ(oaChannelIsActive(h), static_cast<uint32_t>(OA_ACTIVE_PLAYING)); // looped past its end
}

TEST_F(SoundsTest, NamesOutsideTheSoundsFoldersLoadNothing)
{
    folders.put(true, "../outside.ogg", soundtest::level(0.5f, 100));
    for (const char* name : {"../outside", "cards/../../outside", "..\\outside", "/etc/passwd", "\\x", "C:x", "a:b",
                             "CON", "cards/nul.x", "file://../outside.ogg", "file:///etc/passwd", "file://C:/x",
                             "file://a\\..\\..\\b"}) {
        EXPECT_EQ(sounds.playSound(std::string(name) + " 1", -1), 0u) << name;
        EXPECT_FALSE(sounds.preloadSound(name)) << name;
        EXPECT_FALSE(sounds.isSoundActive(name)) << name;
        EXPECT_EQ(sounds.sampleHandle(name), 0u) << name;
    }
}

TEST_F(SoundsTest, StateAndPreloading)
{
    EXPECT_FALSE(sounds.isSoundActive("door"));
    EXPECT_TRUE(sounds.preloadSound("door"));
    EXPECT_FALSE(sounds.preloadSound("missing"));
    EXPECT_TRUE(sounds.isSoundActive("door")); // loaded, never played
    EXPECT_FALSE(sounds.isSoundActive("missing"));
    folders.put(false, "missing.ogg", soundtest::level(0.5f, 100));
    EXPECT_TRUE(sounds.preloadSound("missing")); // tried again at its next use
    render(441);
    EXPECT_TRUE(sounds.isSoundActive("door"));

    sounds.setSoundsEnabled(false);
    EXPECT_EQ(sounds.playSound("door", -1), 0u);
    EXPECT_EQ(sounds.playSound("door 0", -1), 0u);
    sounds.setSoundsEnabled(true);
    const auto lines = recorder.take();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "audio: state door 0");
    EXPECT_EQ(lines[1], "audio: load door -> " + std::to_string(sounds.sampleHandle("door")));
    EXPECT_EQ(lines[2], "audio: load missing -> 0");
    EXPECT_EQ(lines.back(), "audio: play -1 door 0 -> 0");
}

TEST_F(SoundsTest, FadesEndStoppedAndOtherSlidesDoNotCutThemShort)
{
    const uint32_t h = sounds.playSound("door 1 slide vol 0.1 0 slide pan 0.02 0.5", -1);
    ASSERT_NE(h, 0u);
    const auto mix = render(2205); // 50 ms: the pan slide is over, the fade half done
    EXPECT_EQ(oaChannelIsActive(h), static_cast<uint32_t>(OA_ACTIVE_PLAYING));
    EXPECT_NEAR(mix[2 * 2204 + 1], 0.25f, 0.01f); // right side at half the level
    render(2205 + 441);
    EXPECT_EQ(oaChannelIsActive(h), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    // A slide to silence through negative targets stops too.
    const uint32_t g = sounds.playSound("door 1 slide vol 0.01 -1", -1);
    render(882);
    EXPECT_EQ(oaChannelIsActive(g), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    // A slide that does not reach silence leaves the sound playing.
    const uint32_t k = sounds.playSound("door 1 slide vol 0.01 0.5", -1);
    EXPECT_NEAR(leftAt(render(882), 881), 0.25f, 1e-3);
    EXPECT_EQ(oaChannelIsActive(k), static_cast<uint32_t>(OA_ACTIVE_PLAYING));
}

TEST_F(SoundsTest, StreamsFromTheApplicationFolderFirst)
{
    folders.put(true, "music/theme.wav", soundtest::level(0.1f, 44100));
    const uint32_t s = sounds.playSound("file://music/theme.wav 1", -1);
    ASSERT_NE(s, 0u);
    EXPECT_NEAR(leftAt(render(100), 50), 0.8f * 0.25f, 1e-4); // the streams volume
    EXPECT_TRUE(sounds.isSoundActive("file://music/theme.wav"));
    // Played again: the same stream, its volume reset.
    EXPECT_EQ(sounds.playSound("file://music/theme.wav 0.5", -1), s);
    EXPECT_NEAR(leftAt(render(100), 50), 0.8f * 0.125f, 1e-4);
    // Running streams follow the streams volume in proportion.
    EXPECT_EQ(sounds.changeStreamsVolume(50, false), 50);
    float volume = 0;
    oaChannelGetAttribute(s, OA_ATTRIB_VOL, &volume);
    EXPECT_NEAR(volume, 0.25f, 1e-5);
    EXPECT_EQ(sounds.changeStreamsVolume(-200, true), 0); // 0.001 at least
    EXPECT_NEAR(sounds.audioSettings().streamsVolume, 0.001f, 1e-7);
    EXPECT_EQ(sounds.changeStreamsVolume(300, false), 100);
    // Lookup only with volume ≤ 0: a stream not running is not created.
    sounds.stopAllStreams();
    EXPECT_EQ(sounds.streamHandle("file://music/theme.wav"), 0u);
    EXPECT_EQ(sounds.playSound("file://music/theme.wav -1 slide vol 4 0", -1), 0u);
    EXPECT_EQ(sounds.streamHandle("file://music/theme.wav"), 0u);
    // Volume 0 on a running stream stops it, and returns it.
    const uint32_t t = sounds.playSound("file://music/theme.wav 1", -1);
    EXPECT_EQ(sounds.playSound("file://music/theme.wav 0", -1), t);
    EXPECT_FALSE(sounds.isSoundActive("file://music/theme.wav"));
    sounds.setStreamsEnabled(false);
    EXPECT_EQ(sounds.playSound("file://music/theme.wav 1", -1), 0u);
}

TEST_F(SoundsTest, VolumeChangesClampAndAreHeard)
{
    EXPECT_EQ(sounds.changeSoundsVolume(2, true), 100);
    EXPECT_EQ(sounds.changeSoundsVolume(-2, true), 98);
    EXPECT_EQ(sounds.changeSoundsVolume(-500, false), 0);
    EXPECT_EQ(sounds.changeSoundsVolume(40, false), 40);
    sounds.setAudioSettings(AudioSettings{7.f, 0.f, false, true, "ignored"});
    const AudioSettings now = sounds.audioSettings();
    EXPECT_EQ(now.soundsVolume, 1.f);
    EXPECT_EQ(now.streamsVolume, 0.001f);
    EXPECT_FALSE(now.soundsEnabled);
    EXPECT_EQ(now.deviceName, "");
    const auto lines = recorder.take();
    EXPECT_EQ(lines[0], "audio: sounds volume 100");
    EXPECT_EQ(lines[1], "audio: play -1 menubounds -> 0"); // no such file here
    EXPECT_EQ(lines.back(), "audio: play -1 menubounds -> 0");
    sounds.stopAllSounds();
    sounds.stopAllStreams();
    EXPECT_EQ(recorder.take(), (std::vector<std::string>{"audio: stop sounds", "audio: stop streams"}));
}

TEST_F(SoundsTest, EndsAreReported)
{
    folders.put(true, "tick.ogg", soundtest::level(0.5f, 100));
    const uint32_t h = sounds.playSound("tick", -1);
    render(441);
    const auto lines = recorder.take();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "audio: ended " + std::to_string(h));
}

TEST_F(SoundsTest, ManyThreadsAtOnce)
{
    std::atomic<bool> done{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                sounds.playSound(t == 0 ? "door 0.1" : t == 1 ? "bell -0.2 pan -1" : "file://music/theme.wav 0.5", t);
                sounds.isSoundActive("door");
                sounds.preloadSound("cards/shuffle");
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < 100; ++i) {
            sounds.changeSoundsVolume(i % 2 ? 2 : -2, true);
            sounds.changeStreamsVolume(i % 2 ? 2 : -2, true);
            sounds.stopAllStreams();
            foreground = i % 3 != 0;
        }
    });
    std::thread mixing([&] {
        while (!done) render(64);
    });
    for (auto& t : threads) t.join();
    done = true;
    mixing.join();
    EXPECT_NE(sounds.sampleHandle("door"), 0u);
    EXPECT_NE(sounds.sampleHandle("cards/shuffle"), 0u);
}

TEST_F(SoundsTest, EverythingMovesToAnotherDevice)
{
    const uint32_t looping = sounds.playSound("door 1 loop", -1);
    sounds.preloadSound("bell");
    const uint32_t stream = sounds.playSound("file://music/theme.wav 1", -1);
    render(100);
    recorder.take();
    for (const int same : {1, 0, -1, 9}) sounds.setAudioDevice(same); // in use, none, not a device
    EXPECT_EQ(sounds.device(), 1);
    EXPECT_TRUE(recorder.take().empty());

    sounds.setAudioDevice(2);
    EXPECT_EQ(sounds.device(), 2);
    EXPECT_EQ(sounds.deviceName(), "Second");
    EXPECT_EQ(oaGetDevice(), 2);
    EXPECT_EQ(recorder.take(), (std::vector<std::string>{"audio: device 2 Second"}));
    // The loop and the stream go on there under their handles; the sample
    // that was not playing moved too.
    EXPECT_NEAR(leftAt(render(100), 50), 0.5f + 0.8f * 0.25f, 1e-4);
    EXPECT_EQ(oaChannelIsActive(looping), static_cast<uint32_t>(OA_ACTIVE_PLAYING));
    EXPECT_EQ(oaChannelIsActive(stream), static_cast<uint32_t>(OA_ACTIVE_PLAYING));
    ASSERT_NE(sounds.playSound("bell", -1), 0u);
    sounds.stopAllSounds();
    sounds.stopAllStreams();
    sounds.setAudioDevice(1);
    EXPECT_EQ(sounds.device(), 1);
    EXPECT_EQ(sounds.deviceName(), "Default");
}

TEST_F(SoundsTest, StreamsChangeTempoPitchAndRate)
{
    sounds.changeStreamsVolume(100, false);
    const auto crossingsAfterwards = [] {
        render(4410); // past the tempo processing's latency
        return risingCrossings(render(2205));
    };
    uint32_t s = sounds.playSound("file://music/tone.wav 1", -1);
    ASSERT_NE(s, 0u);
    const int plain = crossingsAfterwards();
    EXPECT_NEAR(plain, 22, 1);
    sounds.stopAllStreams();
    for (const char* spec : {"file://music/tone.wav 1 pitch 12", "file://music/tone.wav 1 12", "file://music/tone.wav 1 rate 12"}) {
        ASSERT_NE(sounds.playSound(spec, -1), 0u) << spec;
        EXPECT_NEAR(crossingsAfterwards(), 2 * plain, 2) << spec;
        sounds.stopAllStreams();
    }
    s = sounds.playSound("file://music/tone.wav 1 speed 1.5", -1);
    float tempo = 0;
    ASSERT_TRUE(oaChannelGetAttribute(s, OA_ATTRIB_TEMPO, &tempo));
    EXPECT_NEAR(tempo, 50.f, 1e-3);
    EXPECT_NEAR(crossingsAfterwards(), plain, 2); // faster, same pitch
    // Back to normal speed over 200 ms (tenths of the seconds given).
    EXPECT_EQ(sounds.playSound("file://music/tone.wav 1 slide speed 2 1", -1), s);
    render(4410);
    ASSERT_TRUE(oaChannelGetAttribute(s, OA_ATTRIB_TEMPO, &tempo));
    EXPECT_NEAR(tempo, 25.f, 1.f);
    render(4410 + 441);
    ASSERT_TRUE(oaChannelGetAttribute(s, OA_ATTRIB_TEMPO, &tempo));
    EXPECT_NEAR(tempo, 0.f, 1e-3);
}
