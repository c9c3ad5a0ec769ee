// WAV files: what is read back from what was written, the stored formats,
// and broken or foreign files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/audio/core/WavFile.h"

using namespace audio;

namespace {

// A WAV header for `dataBytes` of data in the given format, then the data.
std::vector<std::uint8_t> wav(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                              std::vector<std::uint8_t> data, std::uint32_t declared = 0xFFFFFFFF)
{
    std::vector<float> none;
    std::vector<std::uint8_t> out = wavBytes(none.data(), 0, 1, 44100, false);
    const auto put16 = [&](std::size_t at, std::uint16_t v) { out[at] = v & 0xFF; out[at + 1] = v >> 8; };
    const auto put32 = [&](std::size_t at, std::uint32_t v) { put16(at, v & 0xFFFF); put16(at + 2, v >> 16); };
    put16(20, format);
    put16(22, channels);
    put32(24, rate);
    put16(32, static_cast<std::uint16_t>(channels * bits / 8));
    put16(34, bits);
    put32(40, declared == 0xFFFFFFFF ? static_cast<std::uint32_t>(data.size()) : declared);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

} // namespace

TEST(WavFile, WrittenFilesReadBack)
{
    const std::vector<float> stereo = {0.f, 1.f, -1.f, 0.5f, 0.25f, -0.25f};
    for (const bool asFloat : {false, true}) {
        const auto bytes = wavBytes(stereo.data(), 3, 2, 22050, asFloat);
        const WavRead read = readWav(bytes.data(), bytes.size());
        ASSERT_EQ(read.status, WavStatus::Ok);
        EXPECT_FALSE(read.truncated);
        EXPECT_EQ(read.pcm.rate, 22050);
        EXPECT_EQ(read.pcm.channels, 2);
        EXPECT_EQ(read.pcm.format, asFloat ? SampleFormat::Float32 : SampleFormat::Int16);
        ASSERT_EQ(read.pcm.samples.size(), stereo.size());
        for (std::size_t i = 0; i < stereo.size(); ++i) EXPECT_NEAR(read.pcm.samples[i], stereo[i], 1e-4) << i;
    }
    // Out-of-range and non-finite values are written clipped or silent.
    const float odd[] = {2.f, NAN};
    const auto bytes = wavBytes(odd, 2, 1, 8000, false);
    const WavRead read = readWav(bytes.data(), bytes.size());
    ASSERT_EQ(read.pcm.samples.size(), 2u);
    EXPECT_NEAR(read.pcm.samples[0], 1.f, 1e-4);
    EXPECT_EQ(read.pcm.samples[1], 0.f);
}

TEST(WavFile, StoredFormatsDecode)
{
    // 8-bit is offset by 128; 24-bit little-endian; 32-bit integers; 64-bit
    // floats; three channels keep the first two.
    EXPECT_EQ(readWav(wav(1, 1, 8000, 8, {0, 128, 255}).data(), 47).pcm.samples,
              (std::vector<float>{-1.f, 0.f, 127.f / 128.f}));
    const auto s24 = wav(1, 1, 8000, 24, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F});
    const WavRead r24 = readWav(s24.data(), s24.size());
    ASSERT_EQ(r24.pcm.samples.size(), 2u);
    EXPECT_FLOAT_EQ(r24.pcm.samples[0], -1.f);
    EXPECT_NEAR(r24.pcm.samples[1], 1.f, 1e-6);
    const auto s32 = wav(1, 1, 8000, 32, {0, 0, 0, 0x40});
    EXPECT_FLOAT_EQ(readWav(s32.data(), s32.size()).pcm.samples.at(0), 0.5f);
    double half = -0.5;
    std::vector<std::uint8_t> d(8);
    std::memcpy(d.data(), &half, 8);
    const auto f64 = wav(3, 1, 8000, 64, d);
    EXPECT_FLOAT_EQ(readWav(f64.data(), f64.size()).pcm.samples.at(0), -0.5f);
    const auto three = wav(1, 3, 8000, 16, {0, 0x40, 0, 0xC0, 0xFF, 0x7F});
    const WavRead r3 = readWav(three.data(), three.size());
    EXPECT_EQ(r3.pcm.channels, 2);
    EXPECT_EQ(r3.pcm.samples, (std::vector<float>{0.5f, -0.5f}));
}

TEST(WavFile, BrokenAndForeignFiles)
{
    const std::vector<std::uint8_t> frames = {1, 0, 2, 0, 3, 0, 4, 0};
    struct Case {
        std::string name;
        std::vector<std::uint8_t> bytes;
        WavStatus status;
        std::size_t samples;
        bool truncated;
    };
    std::vector<Case> cases = {
        {"empty", {}, WavStatus::NotWav, 0, false},
        {"ogg", {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}, WavStatus::NotWav, 0, false},
        {"12-bit", wav(1, 1, 8000, 12, frames), WavStatus::Unsupported, 0, false},
        {"a-law", wav(6, 1, 8000, 8, frames), WavStatus::Unsupported, 0, false},
        {"no channels", wav(1, 0, 8000, 16, frames), WavStatus::Unsupported, 0, false},
        {"rate 0", wav(1, 1, 0, 16, frames), WavStatus::Unsupported, 0, false},
        {"declared longer", wav(1, 1, 8000, 16, frames, 1000), WavStatus::Ok, 4, true},
        {"half a frame", wav(1, 1, 8000, 16, {1, 0, 2}), WavStatus::Ok, 1, true},
    };
    // The header alone, cut at every length: nothing read past the end.
    const auto whole = wav(1, 2, 8000, 16, frames);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        cases.push_back({"cut at " + std::to_string(n), std::vector<std::uint8_t>(whole.begin(), whole.begin() + n),
                         n < 12 ? WavStatus::NotWav : n < 44 ? WavStatus::Unsupported : WavStatus::Ok,
                         n < 44 ? 0 : (n - 44) / 4 * 2, n >= 44});
    }
    for (const Case& c : cases) {
        // A copy of exactly the case's size, so that the sanitizer sees any
        // read beyond it.
        std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[c.bytes.size() + 1]);
        if (!c.bytes.empty()) std::memcpy(exact.get(), c.bytes.data(), c.bytes.size());
        const WavRead read = readWav(exact.get(), c.bytes.size());
        EXPECT_EQ(read.status, c.status) << c.name;
        EXPECT_EQ(read.pcm.samples.size(), c.samples) << c.name;
        if (c.status == WavStatus::Ok) {
            EXPECT_EQ(read.truncated, c.truncated) << c.name;
        }
    }
}
