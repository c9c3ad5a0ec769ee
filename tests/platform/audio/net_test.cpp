// Sounds on the network: the download buffer as decoders read it, against
// the development server's radio host (http, https, ftp; endless, silent, cut
// short, missing), its bound and its time-outs; playlists and their entries.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/file.h"
#include "support/FixtureState.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/net/Playlist.h"
#include "platform/audio/net/UrlOpener.h"
#include "platform/audio/net/UrlSource.h"
#include "platform/net/CaBundle.h"

using namespace audio;

namespace {

const ::test::RadioHost& radio() { return ::test::radioHost(); }

NetOptions options(std::size_t buffer = 64 * 1024)
{
    NetOptions o;
    o.connectTimeoutMs = 5000;
    o.readTimeoutMs = 10000;
    o.bufferBytes = buffer;
    o.caBundle = net::trustedCaBundle(radio().ca);
    return o;
}

// Reads everything until the end, yielding while the download is behind.
std::string readToEnd(UrlSource& source)
{
    std::string all;
    char block[1000];
    for (;;) {
        const long n = source.read(block, sizeof block);
        if (n == ByteSource::kEnd) return all;
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        all.append(block, static_cast<std::size_t>(n > 0 ? n : 0));
    }
}

class Net : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(radio().plain.empty()) << "ORVC_RADIO_STATE does not name a running radio host";
    }
};

} // namespace

TEST_F(Net, EndlessStreamsOverHttpHttpsAndFtp)
{
    for (const std::string& base : {radio().plain, radio().secure, radio().ftp}) {
        UrlSource ogg(base + "/radio.ogg", 0, options());
        ASSERT_TRUE(ogg.waitFor(4)) << base;
        EXPECT_EQ(ogg.peek(4), "OggS");
        EXPECT_EQ(ogg.contentType(), base == radio().ftp ? "" : "audio/ogg");
        EXPECT_EQ(ogg.error(), 0);
        EXPECT_FALSE(ogg.finished());
        char head[4];
        EXPECT_EQ(ogg.read(head, 4), 4);
        EXPECT_EQ(std::string(head, 4), "OggS");
    }
    UrlSource mp3(radio().plain + "/radio.mp3", 0, options());
    ASSERT_TRUE(mp3.waitFor(2));
    const std::string sync = mp3.peek(2);
    EXPECT_EQ(static_cast<unsigned char>(sync[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(sync[1]) & 0xE0, 0xE0);
}

TEST_F(Net, HttpsRefusesAServerOutsideTheTrustedAuthorities)
{
    NetOptions o = options();
    o.caBundle = net::builtInCaBundle(); // without the test authority
    UrlSource source(radio().secure + "/radio.ogg", 0, o);
    EXPECT_FALSE(source.waitFor(1));
    EXPECT_EQ(source.error(), kErrorFileOpen);
    char b[16];
    EXPECT_EQ(source.read(b, sizeof b), ByteSource::kEnd);
}

TEST_F(Net, MissingPagesAndClosedPortsFailToOpen)
{
    for (const std::string& url : {radio().plain + "/nothing.ogg", radio().ftp + "/nothing.ogg",
                                   std::string("http://127.0.0.1:1/radio.ogg"),
                                  std::string("file:///etc/hostname"), std::string("gopher://127.0.0.1/")}) {
        UrlSource source(url, 0, options());
        EXPECT_FALSE(source.waitFor(1)) << url;
        EXPECT_EQ(source.error(), kErrorFileOpen) << url;
    }
}

TEST_F(Net, AStreamCutShortGivesWhatCameThenEnds)
{
    UrlSource source(radio().plain + "/short.ogg", 0, options());
    const std::string got = readToEnd(source);
    EXPECT_EQ(got.substr(0, 4), "OggS");
    EXPECT_GT(got.size(), 1000u);
    EXPECT_EQ(source.error(), 0); // what came plays
    EXPECT_TRUE(source.finished());
}

TEST_F(Net, ASilentServerTimesOutOnTheInjectedClock)
{
    // Each look at the clock is a second later: the time-out comes as soon as
    // the headers are in, without a real wait.
    NetOptions o = options();
    o.readTimeoutMs = 1500;
    auto seconds = std::make_shared<std::atomic<int>>(0);
    o.now = [seconds] { return NetClock::time_point(std::chrono::seconds(seconds->fetch_add(1))); };
    UrlSource source(radio().plain + "/silent.ogg", 0, o);
    EXPECT_FALSE(source.waitFor(1));
    EXPECT_EQ(source.error(), kErrorTimeout);
}

TEST_F(Net, TheBufferStaysBoundedAndTheDownloadGoesOnAsItIsRead)
{
    constexpr std::size_t kBuffer = 8192; // the radio's burst is twice as much and more
    UrlSource source(radio().plain + "/radio.ogg", 0, options(kBuffer));
    EXPECT_EQ(source.capacity(), kBuffer);
    source.waitFor(kBuffer);
    const std::size_t held = source.peek(2 * kBuffer).size();
    EXPECT_LE(held, kBuffer);
    EXPECT_GT(held, kBuffer / 2);
    // Reading three buffers' worth means the paused download went on.
    std::string all;
    char block[512];
    while (all.size() < 3 * kBuffer) {
        const long n = source.read(block, sizeof block);
        ASSERT_NE(n, ByteSource::kEnd);
        if (n == 0) source.waitFor(1);
        all.append(block, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(all.substr(0, 4), "OggS");
    EXPECT_EQ(source.error(), 0);
}

TEST_F(Net, FreeingDuringADownloadOrAConnectionStopsItAtOnce)
{
    // Sanitizers see any thread or memory left behind.
    for (const std::string& url : {radio().plain + "/radio.ogg", radio().secure + "/radio.mp3", radio().ftp + "/radio.ogg",
                                   radio().plain + "/silent.ogg", std::string("http://10.255.255.1/radio.ogg")}) {
        for (int wait = 0; wait < 2; ++wait) {
            auto source = std::make_unique<UrlSource>(url, 0, options());
            if (wait) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            source.reset();
        }
    }
}

TEST_F(Net, PlaylistsLeadToTheirFirstEntryWhenFollowed)
{
    OpenedUrl m3u = openUrl(radio().plain + "/radio.m3u", 0, options(), true);
    ASSERT_TRUE(m3u.source);
    EXPECT_EQ(m3u.source->contentType(), "audio/ogg");
    EXPECT_EQ(m3u.source->peek(4), "OggS");
    OpenedUrl pls = openUrl(radio().secure + "/radio.pls", 0, options(), true);
    ASSERT_TRUE(pls.source);
    EXPECT_EQ(pls.source->contentType(), "audio/mpeg");
    // Not followed: the playlist itself, which decoders then refuse.
    OpenedUrl kept = openUrl(radio().plain + "/radio.m3u", 0, options(), false);
    ASSERT_TRUE(kept.source);
    EXPECT_EQ(kept.source->peek(7), "#EXTM3U");
    // Failures keep their reason.
    EXPECT_EQ(openUrl(radio().plain + "/nothing.m3u", 0, options(), true).error, kErrorFileOpen);
    EXPECT_EQ(openUrl(radio().plain + "/page.html", 0, options(), true).source->contentType(), "text/html; charset=utf-8");
}

TEST(Playlist, RecognisedByTypeOrContent)
{
    struct Case {
        const char* type;
        const char* start;
        bool playlist;
    } cases[] = {
        {"audio/x-mpegurl", "", true},
        {"audio/x-scpls; charset=utf-8", "", true},
        {"Application/vnd.apple.mpegurl", "", true},
        {"text/plain", "#EXTM3U\n", true},
        {"", "\xEF\xBB\xBF  [Playlist]\r\n", true},
        {"application/octet-stream", "[playlist]", true},
        {"audio/ogg", "OggS", false},
        {"audio/mpeg", "\xFF\xFB", false},
        {"", "", false},
        {"text/html", "<html>", false},
    };
    for (const Case& c : cases) EXPECT_EQ(looksLikePlaylist(c.type, c.start), c.playlist) << c.type << " " << c.start;
}

TEST(Playlist, FirstNetworkEntry)
{
    struct Case {
        std::string text, entry;
    } cases[] = {
        {"#EXTM3U\n#EXTINF:-1,Radio\nhttp://a.example/x.ogg\nhttp://b.example/y.ogg\n", "http://a.example/x.ogg"},
        {"[playlist]\r\nNumberOfEntries=2\r\nTitle1=R\r\nFile1=HTTPS://a.example/s?x=1&y=2\r\nFile2=ftp://b/c\r\n",
         "HTTPS://a.example/s?x=1&y=2"},
        {"http://plain.example/list/entry.mp3", "http://plain.example/list/entry.mp3"},
        // Local files and other schemes are passed over.
        {"C:\\music\\a.mp3\n/etc/passwd\nfile:///etc/passwd\nsmb://x/y\n../up.ogg\nftp://ok.example/a.ogg\n",
         "ftp://ok.example/a.ogg"},
        {"[playlist]\nFile1=file:///etc/passwd\nFile2=http://x.example/ok\n", "http://x.example/ok"},
        {"http://with space.example/a.ogg\n", ""},
        {"", ""},
        {"#EXTM3U\n", ""},
        {std::string("\0\0\0http://x/", 13), "http://x/"},
        {"[playlist]\nFile1=\nFile2", ""},
        {std::string(kMaxPlaylistBytes, '\n') + "http://too.far/", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(firstPlaylistEntry(c.text), c.entry) << c.text.substr(0, 80);
}
