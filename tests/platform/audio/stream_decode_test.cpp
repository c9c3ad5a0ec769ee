// Decoders that decode as the sound plays, fed a few bytes at a time with
// reads that find nothing yet: WAV of every stored format, Ogg Vorbis single
// and chained, MP3; seeking, lengths, damaged and foreign bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "AudioTestSignals.h"
#include "OggEncoder.h"
#include "TrickleSource.h"
#include "Mp3TestData.h"
#include "common/file.h"
#include "platform/audio/core/AudioErrors.h"
#include "platform/audio/core/WavFile.h"
#include "platform/audio/decode/ByteSources.h"
#include "platform/audio/decode/SoundDecoder.h"
#include "platform/audio/decode/StreamDecoder.h"

using namespace audio;
using namespace audio::test;

namespace {

// Probes until ready (NeedBytes is only a pause), then reads to the end in
// blocks of `block` frames; the reads that found nothing are counted.
struct Drained {
    StreamDecoder::Probe probe = StreamDecoder::Probe::NeedBytes;
    std::vector<float> samples;
    int stalls = 0;
};

Drained drain(StreamDecoder& d, std::size_t block = 333, std::size_t limit = SIZE_MAX)
{
    Drained out;
    for (int i = 0; i < 100000 && out.probe == StreamDecoder::Probe::NeedBytes; ++i) out.probe = d.probe();
    if (out.probe != StreamDecoder::Probe::Ready) return out;
    const auto width = static_cast<std::size_t>(d.format().channels);
    std::vector<float> buffer(block * width);
    for (int i = 0; i < 1000000 && out.samples.size() < limit * width; ++i) {
        const long n = d.read(buffer.data(), block);
        if (n == FrameSource::kEnd) break;
        if (n == 0) ++out.stalls;
        out.samples.insert(out.samples.end(), buffer.begin(), buffer.begin() + n * static_cast<long>(width));
    }
    return out;
}

std::unique_ptr<StreamDecoder> trickled(const std::vector<std::uint8_t>& bytes, std::size_t piece = 97,
                                         TrickleSource** handle = nullptr)
{
    auto source = std::make_unique<TrickleSource>(bytes, piece);
    if (handle) *handle = source.get();
    return openStreamDecoder(std::move(source));
}

// A WAV file of the frames in a stored format (format tag, bits per sample).
std::vector<std::uint8_t> wavOf(const std::vector<float>& frames, int channels, std::uint16_t tag, int bits)
{
    std::vector<std::uint8_t> body;
    for (const float s : frames) {
        if (tag == 3 && bits == 32) {
            std::uint8_t b[4];
            std::memcpy(b, &s, 4);
            body.insert(body.end(), b, b + 4);
            continue;
        }
        if (tag == 3) {
            const double d = s;
            std::uint8_t b[8];
            std::memcpy(b, &d, 8);
            body.insert(body.end(), b, b + 8);
            continue;
        }
        const auto v = static_cast<std::int64_t>(std::lround(static_cast<double>(s) * ((1LL << (bits - 1)) - 1)));
        if (bits == 8) {
            body.push_back(static_cast<std::uint8_t>(v + 128));
            continue;
        }
        for (int k = 0; k < bits / 8; ++k) body.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * k)));
    }
    const auto put = [](std::vector<std::uint8_t>& o, std::uint32_t v, int n) {
        for (int k = 0; k < n; ++k) o.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    };
    std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
    put(out, static_cast<std::uint32_t>(36 + 10 + body.size()), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'L', 'I', 'S', 'T'}); // a chunk to pass over first
    put(out, 2, 4);
    out.insert(out.end(), {'x', 'y', 'f', 'm', 't', ' '});
    put(out, 16, 4);
    put(out, tag, 2);
    put(out, static_cast<std::uint32_t>(channels), 2);
    put(out, 8000, 4);
    put(out, static_cast<std::uint32_t>(8000 * channels * bits / 8), 4);
    put(out, static_cast<std::uint32_t>(channels * bits / 8), 2);
    put(out, static_cast<std::uint32_t>(bits), 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<std::uint8_t> oggTone(double hz, std::size_t frames, int serial, int rate = 44100, int channels = 1)
{
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = channels;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto s = static_cast<float>(0.5 * std::sin(2 * 3.14159265358979323846 * hz * static_cast<double>(i) / rate));
        for (int c = 0; c < channels; ++c) pcm.samples.push_back(s);
    }
    return encodeOgg(pcm, serial);
}

std::vector<float> asStereo(const std::vector<float>& mono)
{
    std::vector<float> out;
    for (const float s : mono) out.insert(out.end(), {s, s});
    return out;
}

} // namespace

TEST(StreamDecoder, WavOfEveryStoredFormatMatchesTheWholeFileReader)
{
    std::vector<float> frames;
    for (int i = 0; i < 3001; ++i) frames.push_back(static_cast<float>(std::sin(i * 0.01) * 0.9));
    const struct {
        std::uint16_t tag;
        int bits, channels;
        SampleFormat stored;
    } cases[] = {{1, 8, 1, SampleFormat::Int8},     {1, 16, 2, SampleFormat::Int16},  {1, 24, 1, SampleFormat::Int16},
                 {1, 32, 2, SampleFormat::Int16},   {3, 32, 1, SampleFormat::Float32}, {3, 64, 2, SampleFormat::Float32}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        const auto wav = wavOf(frames, c.channels, c.tag, c.bits);
        const WavRead whole = readWav(wav.data(), wav.size());
        ASSERT_EQ(whole.status, WavStatus::Ok);
        auto d = trickled(wav);
        const Drained got = drain(*d);
        ASSERT_EQ(got.probe, StreamDecoder::Probe::Ready);
        EXPECT_EQ(d->format().rate, 8000);
        EXPECT_EQ(d->format().channels, c.channels);
        EXPECT_EQ(d->format().format, c.stored);
        EXPECT_EQ(d->length(), std::optional<std::uint64_t>(frames.size() / static_cast<std::size_t>(c.channels)));
        EXPECT_EQ(got.samples, whole.pcm.samples);

        // Seeking lands on the frame asked for.
        ASSERT_TRUE(d->seek(1000));
        const Drained after = drain(*d);
        ASSERT_EQ(after.samples.size(), whole.pcm.samples.size() - 1000u * static_cast<std::size_t>(c.channels));
        EXPECT_TRUE(std::equal(after.samples.begin(), after.samples.end(),
                               whole.pcm.samples.begin() + 1000 * c.channels));
        EXPECT_FALSE(d->seek(frames.size() + 1));
    }

    // Cut short in the data: the whole frames it holds; cut in the header,
    // or bytes of no known format: nothing.
    const auto wav = wavOf(frames, 1, 1, 16);
    auto cut = std::vector<std::uint8_t>(wav.begin(), wav.begin() + 1001);
    EXPECT_EQ(drain(*trickled(cut)).samples.size(), (1001u - 54u) / 2u);
    for (const std::size_t n : {std::size_t{0}, std::size_t{11}, std::size_t{40}}) {
        auto d = trickled(std::vector<std::uint8_t>(wav.begin(), wav.begin() + static_cast<long>(n)));
        EXPECT_EQ(drain(*d).probe, StreamDecoder::Probe::Failed) << n;
        EXPECT_EQ(d->error(), kErrorFileForm);
    }
    const std::vector<std::uint8_t> midi{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96};
    auto d = trickled(midi);
    EXPECT_EQ(drain(*d).probe, StreamDecoder::Probe::Failed);
    EXPECT_EQ(d->error(), kErrorFileForm);
}

TEST(StreamDecoder, VorbisChainedStallsAndSeeks)
{
    // Two links: a second mono, then half a second of stereo at half the
    // rate, joined at the first one's rate and channel count.
    auto ogg = oggTone(441, 44100, 1);
    const auto second = oggTone(882, 11025, 2, 22050, 2);
    ogg.insert(ogg.end(), second.begin(), second.end());
    const Decoded whole = decodeSound(ogg.data(), ogg.size());
    ASSERT_EQ(whole.error, 0);

    TrickleSource* source = nullptr;
    auto d = trickled(ogg, 501, &source);
    for (int i = 0; i < 10000 && d->probe() == StreamDecoder::Probe::NeedBytes; ++i) {
    }
    source->holdFrom(ogg.size() / 2); // the download stops halfway for a while
    Drained got = drain(*d, 512, 20000);
    ASSERT_EQ(got.probe, StreamDecoder::Probe::Ready);
    EXPECT_EQ(d->format().rate, 44100);
    EXPECT_EQ(d->format().channels, 1);
    // Waiting for bytes is not the end: reads give nothing, then go on.
    std::vector<float> buffer(512);
    std::size_t before = got.samples.size();
    while (d->read(buffer.data(), 512) > 0) ++before;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(d->read(buffer.data(), 512), 0);
    source->release();
    ASSERT_TRUE(d->seek(0));
    got = drain(*d, 512);
    ASSERT_EQ(got.samples.size(), whole.pcm.samples.size());
    for (std::size_t i = 0; i < got.samples.size(); i += 97) ASSERT_NEAR(got.samples[i], whole.pcm.samples[i], 1e-6) << i;
    EXPECT_NEAR(risingCrossings(asStereo(std::vector<float>(got.samples.begin(), got.samples.begin() + 44100)), 0), 441, 1);
    EXPECT_NEAR(risingCrossings(asStereo(std::vector<float>(got.samples.begin() + 44100, got.samples.end())), 0), 441, 2);

    EXPECT_EQ(d->length(), std::optional<std::uint64_t>(whole.pcm.frames())); // the links read through

    // One link, its size known: the length from its last page, then all of it.
    const auto single = oggTone(441, 30001, 3);
    auto one = trickled(single, 333);
    const Drained whole1 = drain(*one, 512);
    EXPECT_EQ(one->length(), std::optional<std::uint64_t>(30001u));
    EXPECT_EQ(whole1.samples.size(), 30001u);

    // Seeking: into the first link, to its very start, and into the second.
    for (const std::size_t frame : {std::size_t{30000}, std::size_t{5}, std::size_t{60000}}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(d->seek(frame));
        const Drained after = drain(*d, 400, 2000);
        ASSERT_EQ(after.samples.size(), 2000u);
        for (std::size_t i = 0; i < after.samples.size(); i += 7) ASSERT_NEAR(after.samples[i], whole.pcm.samples[frame + i], 1e-3) << i;
    }

    // Not seekable (a radio): seeking fails and decoding goes on.
    auto radio = openStreamDecoder(std::make_unique<TrickleSource>(ogg, 4096, false));
    ASSERT_EQ(drain(*radio, 512, 1000).probe, StreamDecoder::Probe::Ready);
    EXPECT_FALSE(radio->seek(0));
    EXPECT_EQ(radio->length(), std::nullopt);
    EXPECT_GT(drain(*radio).samples.size(), 60000u);
}

TEST(StreamDecoder, VorbisDamagedOrCutShortPlaysWhatDecodes)
{
    // Noise, so that the audio pages outweigh the headers.
    Pcm noise;
    std::uint32_t seed = 1;
    for (int i = 0; i < 88200; ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.samples.push_back(static_cast<float>(seed >> 8) / 16777216.f * 0.6f - 0.3f);
    }
    const auto ogg = encodeOgg(noise, 7);
    auto damaged = ogg;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 300; ++i) damaged[i] ^= 0x5A;
    const Drained got = drain(*trickled(damaged));
    ASSERT_EQ(got.probe, StreamDecoder::Probe::Ready);
    EXPECT_GT(got.samples.size(), 60000u); // a page or two lost, not the rest
    EXPECT_LT(got.samples.size(), 88200u);
    const Drained cut = drain(*trickled(std::vector<std::uint8_t>(ogg.begin(), ogg.begin() + static_cast<long>(ogg.size() / 2))));
    EXPECT_GT(cut.samples.size(), 20000u);
    EXPECT_LT(cut.samples.size(), 60000u);
    // Headers cut short or broken: not a sound.
    auto d = trickled(std::vector<std::uint8_t>(ogg.begin(), ogg.begin() + 60));
    EXPECT_EQ(drain(*d).probe, StreamDecoder::Probe::Failed);
    auto broken = ogg;
    for (std::size_t i = 28; i < 60; ++i) broken[i] = 0;
    EXPECT_EQ(drain(*trickled(broken)).probe, StreamDecoder::Probe::Failed);
}

TEST(StreamDecoder, Mp3ToneDamagedAndGarbage)
{
    const std::vector<std::uint8_t>& mp3 = toneMp3();
    auto d = trickled(mp3, 300);
    const Drained got = drain(*d);
    ASSERT_EQ(got.probe, StreamDecoder::Probe::Ready);
    EXPECT_EQ(d->format().rate, 44100);
    EXPECT_EQ(d->format().channels, 1);
    // Half a second: the encoder's delay and padding taken off.
    EXPECT_NEAR(static_cast<double>(got.samples.size()), 22050, 1152);
    EXPECT_EQ(d->length(), std::optional<std::uint64_t>(got.samples.size())); // from the encoder's tag
    // Seeking: the same frames again from there on.
    ASSERT_TRUE(d->seek(10000));
    const Drained after = drain(*d);
    ASSERT_EQ(after.samples.size(), got.samples.size() - 10000);
    for (std::size_t i = 0; i < after.samples.size(); i += 11) ASSERT_NEAR(after.samples[i], got.samples[10000 + i], 1e-4) << i;
    const auto stereo = asStereo(got.samples);
    EXPECT_NEAR(risingCrossings(stereo, 0), 500, 3);
    EXPECT_NEAR(peak(stereo, 0, 2000, 20000), 0.5, 0.05);

    // The whole-sound decoder takes MP3 too.
    const Decoded whole = decodeSound(mp3.data(), mp3.size());
    ASSERT_EQ(whole.error, 0);
    EXPECT_EQ(whole.pcm.samples.size(), got.samples.size());

    // Cut short: what decodes before the cut; garbage after the tag and in
    // the middle: no crash, what decodes.
    const Drained cut = drain(*trickled(std::vector<std::uint8_t>(mp3.begin(), mp3.begin() + static_cast<long>(mp3.size() / 2))));
    EXPECT_LT(cut.samples.size(), got.samples.size());
    auto garbled = mp3;
    std::uint32_t seed = 5;
    for (std::size_t i = garbled.size() / 3; i < garbled.size() * 2 / 3; ++i) {
        seed = seed * 1664525u + 1013904223u;
        garbled[i] = static_cast<std::uint8_t>(seed >> 24);
    }
    const Drained g = drain(*trickled(garbled));
    if (g.probe == StreamDecoder::Probe::Ready) {
        for (const float s : g.samples) ASSERT_TRUE(std::isfinite(s) && std::fabs(s) <= 1.f);
    }
    std::vector<std::uint8_t> noise(20000);
    for (auto& b : noise) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    auto n = trickled(noise);
    EXPECT_EQ(drain(*n).probe, StreamDecoder::Probe::Failed);
    EXPECT_EQ(n->error(), kErrorFileForm);
}

TEST(StreamDecoder, FileSourceReadsAheadAndSeeks)
{
    const auto path = (std::filesystem::temp_directory_path() / "orvc-stream-file.ogg").string();
    std::vector<std::uint8_t> ogg = oggTone(441, 44100 * 3, 9);
    // Long enough that the reader thread, not the first block, brings most.
    ASSERT_TRUE(common::writeWholeFile(path, std::string(ogg.begin(), ogg.end())));
    int error = 0;
    EXPECT_EQ(fileSource(path + ".missing", 0, 0, error), nullptr);
    EXPECT_EQ(error, kErrorFileOpen);
    auto bytes = fileSource(path, 0, 0, error);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes->size(), std::optional<std::uint64_t>(ogg.size()));
    // A raw read through the whole file, waiting only in the test.
    std::vector<std::uint8_t> read(ogg.size() + 10);
    std::size_t at = 0;
    for (int i = 0; i < 100000; ++i) {
        const long n = bytes->read(read.data() + at, 1000);
        if (n == ByteSource::kEnd) break;
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        at += static_cast<std::size_t>(std::max(0L, n));
    }
    ASSERT_EQ(at, ogg.size());
    EXPECT_TRUE(std::equal(ogg.begin(), ogg.end(), read.begin()));
    ASSERT_TRUE(bytes->seek(100));
    long n = 0;
    for (int i = 0; i < 10000 && n == 0; ++i) {
        n = bytes->read(read.data(), 8);
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(n, 8);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 8, ogg.begin() + 100));
    EXPECT_FALSE(bytes->seek(ogg.size() + 1));
    bytes.reset(); // while its reader may be reading: it must not wait for it or crash

    // A part of the file, as a stream reads it from an offset.
    std::vector<std::uint8_t> padded(37, 0xAA);
    padded.insert(padded.end(), ogg.begin(), ogg.end());
    padded.insert(padded.end(), 50, 0xBB);
    const std::string part = path + ".part";
    ASSERT_TRUE(common::writeWholeFile(part, std::string(padded.begin(), padded.end())));
    auto d = openStreamDecoder(fileSource(part, 37, ogg.size(), error));
    Drained got;
    for (int i = 0; i < 1000 && got.probe != StreamDecoder::Probe::Ready; ++i) {
        got.probe = d->probe();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(got.probe, StreamDecoder::Probe::Ready);
    std::vector<float> buffer(4096);
    std::size_t frames = 0;
    for (int i = 0; i < 100000; ++i) {
        const long r = d->read(buffer.data(), 4096);
        if (r == FrameSource::kEnd) break;
        if (r == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        frames += static_cast<std::size_t>(std::max(0L, r));
    }
    EXPECT_EQ(frames, 44100u * 3);
    d.reset();
    // The reader thread closes the file as it ends, a moment later.
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    std::filesystem::remove(part, ignored);
}
