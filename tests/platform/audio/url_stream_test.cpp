// Streams from the network through the C interface, against the development
// server's radio host, on a device written to a WAV file: the format known at
// creation over http, https and ftp, the options (playlists, read time-out),
// the authorities https trusts, a stream cut short, decoding streams, and
// freeing while the download runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "common/file.h"
#include "support/FixtureState.h"
#include "orvaudio.h"

namespace {

const ::test::RadioHost& radio() { return ::test::radioHost(); }

void onSync(OaHandle, OaHandle channel, uint32_t, void* user) { static_cast<std::atomic<OaHandle>*>(user)->store(channel); }

// Waits (on the device's clock) until the flag is set, for at most 10 s.
bool waitFor(const std::atomic<OaHandle>& flag)
{
    for (int i = 0; i < 10000 && flag == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return flag != 0;
}

class UrlStream : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // The device is a WAV file, written as the device's clock runs.
        // One file for each process, as ctest runs them side by side.
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const std::string out = (std::filesystem::temp_directory_path() / ("orvc-url-out-" + std::to_string(stamp) + ".wav")).string();
#ifdef _WIN32
        _putenv_s("ORVC_AUDIO_OUT", out.c_str());
#else
        setenv("ORVC_AUDIO_OUT", out.c_str(), 1);
#endif
        ASSERT_TRUE(oaInit(-1, 44100, 0));
    }
    static void TearDownTestSuite()
    {
        oaFree();
        std::error_code ignored;
        if (const char* out = std::getenv("ORVC_AUDIO_OUT")) std::filesystem::remove(out, ignored);
    }

    void SetUp() override
    {
        ASSERT_FALSE(radio().plain.empty()) << "ORVC_RADIO_STATE does not name a running radio host";
        oaSetConfig(OA_CONFIG_NET_TIMEOUT, 5000);
        oaSetConfig(OA_CONFIG_NET_READTIMEOUT, 10000);
        oaSetConfig(OA_CONFIG_NET_BUFFER, 3000);
        oaSetConfig(OA_CONFIG_NET_PLAYLIST, 0);
        // The test authority is trusted the way a player's "cacerts.pem" is.
        oaSetConfigPtr(OA_CONFIG_NET_CAFILE, radio().ca.c_str());
    }

    static OaChannelInfo info(OaHandle stream)
    {
        OaChannelInfo i{};
        EXPECT_TRUE(oaChannelGetInfo(stream, &i));
        return i;
    }
};

} // namespace

TEST_F(UrlStream, FormatKnownAtCreationOverEveryProtocolThenItPlays)
{
    struct Case {
        std::string url;
        uint32_t rate, chans;
    } cases[] = {
        {radio().plain + "/radio.ogg", 44100, 2},
        {radio().secure + "/radio.mp3", 22050, 1},
        {radio().ftp + "/radio.ogg", 44100, 2},
        {radio().ftp + "/radio.mp3", 22050, 1},
    };
    for (const Case& c : cases) {
        const OaHandle s = oaStreamCreateURL(c.url.c_str(), 0, 0);
        ASSERT_NE(s, 0u) << c.url << " " << oaErrorGetCode();
        EXPECT_EQ(info(s).freq, c.rate) << c.url;
        EXPECT_EQ(info(s).chans, c.chans) << c.url;
        ASSERT_TRUE(oaChannelPlay(s, 0));
        // It plays on: its position moves while the radio goes on.
        const uint64_t start = oaChannelGetPosition(s, 0);
        for (int i = 0; i < 5000 && oaChannelGetPosition(s, 0) <= start + 4096; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_GT(oaChannelGetPosition(s, 0), start + 4096) << c.url;
        const uint32_t state = oaChannelIsActive(s);
        EXPECT_TRUE(state == OA_ACTIVE_PLAYING || state == OA_ACTIVE_STALLED) << state;
        EXPECT_TRUE(oaStreamFree(s));
        EXPECT_EQ(oaChannelIsActive(s), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    }
}

TEST_F(UrlStream, HttpsTrustsOnlyTheProgramsAuthoritiesAndTheUsersFile)
{
    const std::string url = radio().secure + "/radio.ogg";
    oaSetConfigPtr(OA_CONFIG_NET_CAFILE, nullptr);
    EXPECT_EQ(oaStreamCreateURL(url.c_str(), 0, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_FILEOPEN);
    oaSetConfigPtr(OA_CONFIG_NET_CAFILE, (radio().ca + ".missing").c_str());
    EXPECT_EQ(oaStreamCreateURL(url.c_str(), 0, 0), 0u);
    oaSetConfigPtr(OA_CONFIG_NET_CAFILE, radio().ca.c_str());
    const OaHandle s = oaStreamCreateURL(url.c_str(), 0, 0);
    EXPECT_NE(s, 0u);
    oaStreamFree(s);
    EXPECT_FALSE(oaSetConfigPtr(12345, nullptr));
}

TEST_F(UrlStream, PlaylistsPlayTheirFirstEntryWhenTheOptionIsOn)
{
    const std::string m3u = radio().plain + "/radio.m3u", pls = radio().secure + "/radio.pls";
    EXPECT_EQ(oaStreamCreateURL(m3u.c_str(), 0, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_FILEFORM);
    oaSetConfig(OA_CONFIG_NET_PLAYLIST, 1);
    const OaHandle ogg = oaStreamCreateURL(m3u.c_str(), 0, 0);
    ASSERT_NE(ogg, 0u) << oaErrorGetCode();
    EXPECT_EQ(info(ogg).freq, 44100u);
    const OaHandle mp3 = oaStreamCreateURL(pls.c_str(), 0, 0);
    ASSERT_NE(mp3, 0u) << oaErrorGetCode();
    EXPECT_EQ(info(mp3).freq, 22050u);
    oaStreamFree(ogg);
    oaStreamFree(mp3);
}

TEST_F(UrlStream, FailuresGiveTheirCodes)
{
    oaSetConfig(OA_CONFIG_NET_READTIMEOUT, 300);
    const std::string silent = radio().plain + "/silent.ogg", page = radio().plain + "/page.html",
                      missing = radio().plain + "/missing.ogg", missingFtp = radio().ftp + "/missing.ogg";
    EXPECT_EQ(oaStreamCreateURL(silent.c_str(), 0, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_TIMEOUT);
    EXPECT_EQ(oaStreamCreateURL(page.c_str(), 0, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_FILEFORM);
    for (const std::string& url : {missing, missingFtp, std::string("http://127.0.0.1:1/x.ogg"), std::string("file:///etc/hostname")}) {
        EXPECT_EQ(oaStreamCreateURL(url.c_str(), 0, 0), 0u) << url;
        EXPECT_EQ(oaErrorGetCode(), OA_ERROR_FILEOPEN) << url;
    }
    EXPECT_EQ(oaStreamCreateURL(nullptr, 0, 0), 0u);
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_ILLPARAM);
}

TEST_F(UrlStream, AStreamCutShortEndsWithItsSyncAndFreesItselfWhenAsked)
{
    const std::string url = radio().plain + "/short.ogg";
    const OaHandle s = oaStreamCreateURL(url.c_str(), 0, 0);
    ASSERT_NE(s, 0u) << oaErrorGetCode();
    std::atomic<OaHandle> ended{0};
    ASSERT_NE(oaChannelSetSync(s, OA_SYNC_END, 0, onSync, &ended), 0u);
    ASSERT_TRUE(oaChannelSetAttribute(s, OA_ATTRIB_FREQ, 4 * 44100.f)); // four times as fast
    ASSERT_TRUE(oaChannelPlay(s, 0));
    ASSERT_TRUE(waitFor(ended));
    EXPECT_EQ(ended.load(), s);
    EXPECT_EQ(oaChannelIsActive(s), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    // What came before the cut played: all but the last page of the 2 s.
    const double played = oaChannelBytes2Seconds(s, oaChannelGetPosition(s, 0));
    EXPECT_GT(played, 1.5);
    EXPECT_LT(played, 2.0);
    EXPECT_TRUE(oaStreamFree(s));

    const OaHandle a = oaStreamCreateURL(url.c_str(), 0, OA_STREAM_AUTOFREE);
    ASSERT_NE(a, 0u);
    std::atomic<OaHandle> freed{0};
    oaChannelSetSync(a, OA_SYNC_FREE, 0, onSync, &freed);
    oaChannelSetAttribute(a, OA_ATTRIB_FREQ, 4 * 44100.f);
    ASSERT_TRUE(oaChannelPlay(a, 0));
    ASSERT_TRUE(waitFor(freed));
    EXPECT_FALSE(oaChannelPlay(a, 0));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_HANDLE);
}

TEST_F(UrlStream, ATempoStreamOverAUrlStreamPlaysFasterAndGoesWithIt)
{
    // As the client plays a radio: a decoding stream inside a tempo stream
    // that frees itself and its source at the end.
    const std::string url = radio().plain + "/short.ogg";
    const OaHandle source = oaStreamCreateURL(url.c_str(), 0, OA_STREAM_DECODE);
    ASSERT_NE(source, 0u) << oaErrorGetCode();
    const OaHandle tempo = oaTempoCreate(source, OA_FX_FREESOURCE | OA_STREAM_AUTOFREE);
    ASSERT_NE(tempo, 0u) << oaErrorGetCode();
    std::atomic<OaHandle> freed{0};
    oaChannelSetSync(tempo, OA_SYNC_FREE, 0, onSync, &freed);
    ASSERT_TRUE(oaChannelSetAttribute(tempo, OA_ATTRIB_TEMPO, 300.f));
    ASSERT_TRUE(oaChannelPlay(tempo, 0));
    ASSERT_TRUE(waitFor(freed));
    EXPECT_EQ(oaChannelIsActive(source), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    EXPECT_FALSE(oaStreamFree(source)); // gone with the tempo stream
}

TEST_F(UrlStream, DecodingStreamsAreReadNotPlayed)
{
    const std::string url = radio().plain + "/radio.mp3";
    const OaHandle s = oaStreamCreateURL(url.c_str(), 0, OA_STREAM_DECODE);
    ASSERT_NE(s, 0u) << oaErrorGetCode();
    EXPECT_FALSE(oaChannelPlay(s, 0));
    EXPECT_EQ(oaErrorGetCode(), OA_ERROR_DECODE);
    // 16-bit mono: a second of the tone, read as it comes.
    std::vector<int16_t> pcm(22050);
    std::size_t got = 0;
    for (int i = 0; i < 10000 && got < pcm.size(); ++i) {
        const int32_t n = oaChannelGetData(s, pcm.data() + got, static_cast<uint32_t>((pcm.size() - got) * 2));
        ASSERT_GE(n, 0);
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        got += static_cast<std::size_t>(n) / 2;
    }
    ASSERT_EQ(got, pcm.size());
    int loudest = 0;
    for (const int16_t v : pcm) loudest = std::max(loudest, std::abs(static_cast<int>(v)));
    EXPECT_GT(loudest, 4000); // the tone at -12 dB
    EXPECT_TRUE(oaStreamFree(s));
}

TEST_F(UrlStream, FreeingWhileTheDownloadRunsReturnsAndLeavesNothing)
{
    // Sanitizers see any thread or memory left behind; nothing waits for
    // the radio to stop sending.
    for (const std::string& url : {radio().plain + "/radio.ogg", radio().secure + "/radio.mp3", radio().ftp + "/radio.ogg"}) {
        const OaHandle s = oaStreamCreateURL(url.c_str(), 0, OA_STREAM_AUTOFREE);
        ASSERT_NE(s, 0u) << url;
        ASSERT_TRUE(oaChannelPlay(s, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_TRUE(oaChannelStop(s)); // frees it, download and all
        EXPECT_EQ(oaChannelIsActive(s), static_cast<uint32_t>(OA_ACTIVE_STOPPED));
    }
}
