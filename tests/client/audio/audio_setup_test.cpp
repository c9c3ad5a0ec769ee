// Start-up of the audio layer: its log lines in order, the device found by
// name (the first of two with the same name), a name no device has, the
// shutdown, and a start-up that cannot open the default device.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "client/audio/Sounds.h"
#include "client/core/DebugLog.h"
#include "common/file.h"
#include "orvaudio.h"

namespace {

void setVariable(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

struct Log {
    std::string path = (std::filesystem::temp_directory_path() / "orvc-audio-setup-debug.txt").string();
    Log() { openDebugLog(path); }
    std::string take()
    {
        closeDebugLog();
        std::string text;
        common::readWholeFile(path, text);
        openDebugLog(path);
        return text;
    }
};

struct Recorder : SoundObserver {
    std::vector<std::string> lines;
    void soundEvent(const SoundEvent& e) override { lines.push_back(formatSoundEvent(e)); }
};

} // namespace

TEST(AudioSetup, StartsFindsTheDeviceByNameAndCloses)
{
    setVariable("ORVC_AUDIO_OFFLINE", "1");
    setVariable("ORVC_AUDIO_DEVICES", "Desk;Desk;Phones");
    Log log;
    static Recorder recorder;
    Sounds sounds("u/", "a/", AudioSettings{1, 0.25f, true, true, "Desk"}, {}, &recorder);
    ASSERT_EQ(sounds.initAudio(), 0);
    EXPECT_EQ(sounds.device(), 2);
    EXPECT_EQ(oaGetDevice(), 2);
    EXPECT_EQ(oaGetConfig(36), 1u);
    EXPECT_EQ(oaGetConfig(1), 50u);
    EXPECT_EQ(oaGetConfig(0), 150u);
    EXPECT_EQ(oaGetConfig(0x10401), 256u);
    sounds.closeAudio();
    EXPECT_EQ(log.take(), "Initializing bass...\r\nLoading bass plugins...\r\nConfiguring bass...\r\n"
                          "Listing bass devices...\r\nInit bass device #2 [Desk ]\r\nBass initialized OK\r\n"
                          "Closing BASS...\r\n");
    EXPECT_EQ(recorder.lines, (std::vector<std::string>{"audio: device 2 Desk"}));

    // Both devices it brought up are released.
    EXPECT_FALSE(oaSetDevice(1));
    EXPECT_FALSE(oaSetDevice(2));

    // A name no device has: device 1, and the line names the last one listed.
    Sounds other("u/", "a/", AudioSettings{1, 0.25f, true, true, "Gone"}, {}, nullptr);
    ASSERT_EQ(other.initAudio(), 0);
    EXPECT_EQ(other.device(), 1);
    EXPECT_EQ(oaGetDevice(), 1);
    EXPECT_EQ(other.deviceName(), "Gone"); // kept for the next start
    EXPECT_NE(log.take().find("Init bass device #1 [Phones ]\r\nBass initialized OK\r\n"), std::string::npos);

    // The default device already open: the layer's code, and nothing more.
    EXPECT_EQ(other.initAudio(), OA_ERROR_ALREADY);
    EXPECT_EQ(log.take(), "Initializing bass...\r\n");
    closeDebugLog();
}
