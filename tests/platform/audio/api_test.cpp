// The C interface, as the client and the game library call it: a device
// written to a WAV file through ORVC_AUDIO_OUT, samples loaded from files and
// memory, channels with attributes, syncs with their user data, filters,
// space, stale handles and bad arguments.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "AudioTestSignals.h"
#include "OggEncoder.h"
#include "common/file.h"
#include "orvaudio.h"
#include "platform/audio/core/WavFile.h"

namespace {

std::string temp(const std::string& name) { return (std::filesystem::temp_directory_path() / name).string(); }

// The process's audio goes to a file, set before the layer's first call.
const std::string& outFile()
{
    static const std::string path = [] {
        const std::string p = temp("orvc-api-out.wav");
#ifdef _WIN32
        _putenv_s("ORVC_AUDIO_OUT", p.c_str());
#else
        setenv("ORVC_AUDIO_OUT", p.c_str(), 1);
#endif
        return p;
    }();
    return path;
}

std::vector<std::uint8_t> toneWav(float level, std::size_t frames)
{
    const std::vector<float> samples(frames, level);
    return audio::wavBytes(samples.data(), frames, 1, 44100, false);
}

void onEnd(OaHandle, OaHandle channel, uint32_t, void* user) { static_cast<std::atomic<OaHandle>*>(user)->store(channel); }

} // namespace

TEST(OrvAudio, DevicesSamplesChannelsAndSyncs)
{
    outFile();
    OaDeviceInfo info{};
    ASSERT_TRUE(oaGetDeviceInfo(1, &info));
    EXPECT_STREQ(info.name, "Default");
    EXPECT_EQ(info.flags & OA_DEVICE_INIT, 0u);
    EXPECT_FALSE(oaGetDeviceInfo(2, &info));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_DEVICE);
    EXPECT_EQ(oaSampleLoad(1, "x", 0, 1, 1, 0), 0u); // nothing up yet
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_INIT);

    ASSERT_TRUE(oaInit(-1, 44100, OA_DEVICE_3D));
    EXPECT_FALSE(oaInit(1, 44100, 0));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_ALREADY);
    EXPECT_EQ(oaGetDevice(), 1);
    EXPECT_TRUE(oaSetConfig(0x10500, 5000));
    EXPECT_EQ(oaGetConfig(0x10500), 5000u);
    EXPECT_EQ(oaPluginLoad("bassmidi.dll", 0), 0u);

    // A file on disk and the same bytes in memory.
    const auto bytes = toneWav(0.5f, 4410); // 100 ms
    const std::string path = temp("orvc-api-tone.wav");
    ASSERT_TRUE(common::writeWholeFile(path, std::string(bytes.begin(), bytes.end())));
    const OaHandle fromFile = oaSampleLoad(0, path.c_str(), 0, 0, 2, OA_SAMPLE_OVER_POS);
    ASSERT_NE(fromFile, 0u) << oaErrorGetCode();
    const OaHandle fromMemory = oaSampleLoad(1, bytes.data(), 0, static_cast<uint32_t>(bytes.size()), 1, 0);
    ASSERT_NE(fromMemory, 0u);
    EXPECT_EQ(oaSampleLoad(0, temp("orvc-no-such.wav").c_str(), 0, 0, 1, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_FILEOPEN);
    const char notSound[] = "MThd and so on";
    EXPECT_EQ(oaSampleLoad(1, notSound, 0, sizeof notSound, 1, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_FILEFORM);

    const OaHandle ch = oaSampleGetChannel(fromFile, 0);
    ASSERT_NE(ch, 0u);
    OaChannelInfo ci{};
    ASSERT_TRUE(oaChannelGetInfo(ch, &ci));
    EXPECT_EQ(ci.freq, 44100u);
    EXPECT_EQ(ci.chans, 1u);
    EXPECT_EQ(oaChannelGetLength(ch, 0), 4410u * 2);
    EXPECT_EQ(oaChannelSeconds2Bytes(ch, 0.05), 2205u * 2);
    EXPECT_DOUBLE_EQ(oaChannelBytes2Seconds(ch, 4410), 0.05);
    EXPECT_EQ(oaChannelFlags(ch, OA_SAMPLE_LOOP, OA_SAMPLE_LOOP), static_cast<uint32_t>(OA_SAMPLE_LOOP));
    EXPECT_EQ(oaChannelFlags(ch, 0, OA_SAMPLE_LOOP), 0u);
    EXPECT_TRUE(oaChannelSetAttribute(ch, OA_ATTRIB_VOL, 0.5f));
    float volume = 0;
    EXPECT_TRUE(oaChannelGetAttribute(ch, OA_ATTRIB_VOL, &volume));
    EXPECT_FLOAT_EQ(volume, 0.5f);
    EXPECT_FALSE(oaChannelSetAttribute(ch, OA_ATTRIB_VOL, 2.f));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_ILLPARAM);
    EXPECT_FALSE(oaChannelGetAttribute(ch, OA_ATTRIB_VOL, nullptr));

    // A filter added, set, read back; then gone.
    const OaHandle fx = oaChannelSetFX(ch, OA_FX_BIQUAD, 0);
    ASSERT_NE(fx, 0u);
    const OaBiquadParameters high{OA_BIQUAD_HIGHPASS, 800.f, 0.f, 2.5f, 2.5f, 0.f, -1};
    EXPECT_TRUE(oaFXSetParameters(fx, &high));
    OaBiquadParameters back{};
    EXPECT_TRUE(oaFXGetParameters(fx, &back));
    EXPECT_EQ(back.filter, OA_BIQUAD_HIGHPASS);
    EXPECT_FLOAT_EQ(back.bandwidth, 2.5f);
    EXPECT_TRUE(oaChannelRemoveFX(ch, fx));
    EXPECT_EQ(oaChannelSetFX(ch, 0x10000, 0), 0u);

    // Played to its end on the device's clock: the end sync gets its user
    // data on the mixing thread.
    std::atomic<OaHandle> ended{0};
    ASSERT_NE(oaChannelSetSync(ch, OA_SYNC_END, 0, onEnd, &ended), 0u);
    ASSERT_TRUE(oaChannelPlay(ch, 0));
    EXPECT_EQ(oaChannelIsActive(ch), static_cast<uint32_t>(OA_ACTIVE_PLAYING));
    for (int i = 0; i < 5000 && ended == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(ended.load(), ch);
    EXPECT_EQ(oaChannelIsActive(ch), static_cast<uint32_t>(OA_ACTIVE_STOPPED));

    // Space: a 3D sample's channel; a plain one refuses.
    const OaHandle placed = oaSampleGetChannel(oaSampleLoad(1, bytes.data(), 0, static_cast<uint32_t>(bytes.size()), 1, OA_SAMPLE_3D), 0);
    const OaVector right{5, 0, 0};
    EXPECT_TRUE(oaChannelSet3DAttributes(placed, OA_3DMODE_NORMAL, 1.f, 50.f, -1, -1, -1.f));
    EXPECT_TRUE(oaChannelSet3DPosition(placed, &right, nullptr, nullptr));
    EXPECT_FALSE(oaChannelSet3DPosition(ch, &right, nullptr, nullptr));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_NO3D);
    EXPECT_TRUE(oaSet3DFactors(1.f, 1.f, 1.f));
    const OaVector front{0, 0, 1};
    EXPECT_TRUE(oaSet3DPosition(nullptr, nullptr, &front, nullptr));
    oaApply3D();

    // A decoding stream of the file, read as the game library reads sounds.
    const OaHandle decoding = oaStreamCreateFile(0, path.c_str(), 0, 0, OA_STREAM_DECODE);
    ASSERT_NE(decoding, 0u);
    std::vector<std::int16_t> data(5000);
    EXPECT_EQ(oaChannelGetData(decoding, data.data(), 10000), 8820);
    EXPECT_EQ(data[100], 16384);
    EXPECT_EQ(oaChannelGetData(decoding, data.data(), 10000), -1);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_ENDED);
    EXPECT_FALSE(oaChannelPlay(decoding, 0));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_DECODE);
    EXPECT_TRUE(oaStreamFree(decoding));
    EXPECT_EQ(oaChannelGetData(decoding, data.data(), 10), -1);

    // A stream from a procedure: a tenth of a second of float stereo, then
    // its end; it frees itself.
    struct Feed {
        int left = 4410;
    } feed;
    const OaHandle fed = oaStreamCreate(44100, 2, OA_SAMPLE_FLOAT | OA_STREAM_AUTOFREE,
                                        [](OaHandle, void* buffer, uint32_t length, void* user) -> uint32_t {
                                            auto* f = static_cast<Feed*>(user);
                                            const uint32_t frames = std::min<uint32_t>(length / 8, static_cast<uint32_t>(f->left));
                                            auto* out = static_cast<float*>(buffer);
                                            for (uint32_t i = 0; i < 2 * frames; ++i) out[i] = 0.125f;
                                            f->left -= static_cast<int>(frames);
                                            return frames * 8 | (f->left == 0 ? OA_STREAMPROC_END : 0u);
                                        },
                                        &feed);
    ASSERT_NE(fed, 0u);
    std::atomic<OaHandle> freed{0};
    oaChannelSetSync(fed, OA_SYNC_FREE, 0, onEnd, &freed);
    ASSERT_TRUE(oaChannelPlay(fed, 0));
    for (int i = 0; i < 5000 && freed == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(freed.load(), fed);
    EXPECT_EQ(oaStreamCreate(44100, 3, 0, [](OaHandle, void*, uint32_t, void*) -> uint32_t { return 0; }, nullptr), 0u);

    // An Ogg Vorbis file read as the game library reads its sounds: the
    // length first, then data until it is reached, the file's bytes coming
    // from its reader thread meanwhile.
    const std::string oggPath = temp("orvc-api-noise.ogg");
    {
        audio::Pcm noise;
        std::uint32_t seed = 3;
        for (int i = 0; i < 3 * 44100; ++i) {
            seed = seed * 1664525u + 1013904223u;
            noise.samples.push_back(static_cast<float>(seed >> 8) / 16777216.f * 0.6f - 0.3f);
        }
        const auto ogg = audio::test::encodeOgg(noise, 5);
        ASSERT_TRUE(common::writeWholeFile(oggPath, std::string(ogg.begin(), ogg.end())));
    }
    const OaHandle oggStream = oaStreamCreateFile(0, oggPath.c_str(), 0, 0, OA_STREAM_DECODE);
    ASSERT_NE(oggStream, 0u) << oaErrorGetCode();
    const uint64_t oggLength = oaChannelGetLength(oggStream, 0);
    EXPECT_EQ(oggLength, 3u * 44100 * 2);
    std::vector<char> decoded(static_cast<std::size_t>(oggLength));
    std::size_t got = 0;
    while (got < decoded.size()) {
        const int32_t n = oaChannelGetData(oggStream, decoded.data() + got, static_cast<uint32_t>(decoded.size() - got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(got, oggLength);
    EXPECT_TRUE(oaStreamFree(oggStream));

    // A tempo stream over a decoding stream of the file: its own attributes,
    // and at its end it frees itself and its source.
    const OaHandle source = oaStreamCreateFile(0, path.c_str(), 0, 0, OA_STREAM_DECODE);
    const OaHandle tempo = oaTempoCreate(source, OA_FX_FREESOURCE | OA_STREAM_AUTOFREE);
    ASSERT_NE(tempo, 0u) << oaErrorGetCode();
    EXPECT_EQ(oaTempoCreate(ch, 0), 0u); // a channel that plays is no source
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_DECODE);
    float value = 0;
    EXPECT_TRUE(oaChannelGetAttribute(tempo, OA_ATTRIB_TEMPO_FREQ, &value));
    EXPECT_EQ(value, 44100.f);
    EXPECT_TRUE(oaChannelSetAttribute(tempo, OA_ATTRIB_TEMPO, 50.f));
    EXPECT_FALSE(oaChannelSetAttribute(tempo, OA_ATTRIB_TEMPO_PITCH, 61.f));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_ILLPARAM);
    EXPECT_TRUE(oaChannelSlideAttribute(tempo, OA_ATTRIB_TEMPO_PITCH, -3.f, 20));
    EXPECT_FALSE(oaChannelSetAttribute(ch, OA_ATTRIB_TEMPO, 10.f));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_ILLTYPE);
    std::atomic<OaHandle> tempoFreed{0}, sourceFreed{0};
    oaChannelSetSync(tempo, OA_SYNC_FREE, 0, onEnd, &tempoFreed);
    oaChannelSetSync(source, OA_SYNC_FREE, 0, onEnd, &sourceFreed);
    EXPECT_TRUE(oaChannelSetAttribute(tempo, OA_ATTRIB_VOL, 0.4f)); // below the tone played above
    ASSERT_TRUE(oaChannelPlay(tempo, 0));
    for (int i = 0; i < 5000 && sourceFreed == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(tempoFreed.load(), tempo);
    EXPECT_EQ(sourceFreed.load(), source);
    EXPECT_EQ(oaChannelIsActive(source), static_cast<uint32_t>(OA_ACTIVE_STOPPED));

    // Down: every handle is stale.
    ASSERT_TRUE(oaFree());
    EXPECT_FALSE(oaChannelPlay(ch, 1));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_HANDLE);
    EXPECT_EQ(oaSampleGetChannel(fromMemory, 0), 0u);
    EXPECT_EQ(oaChannelIsActive(placed), static_cast<uint32_t>(OA_ACTIVE_STOPPED));

    // What the device played is in the file: the tone at half volume.
    std::string written;
    ASSERT_TRUE(common::readWholeFile(outFile(), written));
    const audio::WavRead read = audio::readWav(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    ASSERT_EQ(read.status, audio::WavStatus::Ok);
    float loudest = 0;
    for (const float s : read.pcm.samples) loudest = std::max(loudest, s);
    EXPECT_NEAR(loudest, 0.25f, 1e-6);
    std::filesystem::remove(path);
}
