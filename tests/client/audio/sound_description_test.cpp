// Sound descriptions: names, volumes, every option word with its
// arguments, and broken, truncated and odd lines.
#include <gtest/gtest.h>

#include "client/audio/SoundDescription.h"

namespace {

using K = SoundOptionKind;

struct Case {
    const char* text;
    const char* name;
    float volume;
    std::vector<SoundOption> options;
};

bool same(const std::vector<SoundOption>& a, const std::vector<SoundOption>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].target != b[i].target || std::abs(a[i].x - b[i].x) > 1e-6 ||
            std::abs(a[i].y - b[i].y) > 1e-6)
            return false;
    }
    return true;
}

} // namespace

TEST(SoundDescription, ReadsNamesVolumesAndOptions)
{
    const Case cases[] = {
        {"", "", 1.f, {}},
        {"   ", "", 1.f, {}},
        {"door", "door", 1.f, {}},
        {"  door\t0.5 ", "door", 0.5f, {}},
        {"door loop", "door", 0.f, {}},           // not a number: volume 0, nothing more
        {"door 0x10 pan 1", "door", 0.f, {}},     // decimal only
        {"door nan pan 1", "door", 0.f, {}},
        {"door 1e40", "door", 0.f, {}},           // beyond a float
        {"door -1 slide vol 4 0", "door", -1.f, {{K::Slide, 4, 0, SlideTarget::Volume}}},
        {"door +2", "door", 2.f, {}},
        {"door 1 freq 3 absfreq -2 pan -1 loop pos 1.5 seek -0.5 pitch 2 speed 1.5 rate 1",
         "door",
         1.f,
         {{K::Freq, 3, 0, SlideTarget::None},
          {K::AbsFreq, -2, 0, SlideTarget::None},
          {K::Pan, -1, 0, SlideTarget::None},
          {K::Loop, 0, 0, SlideTarget::None},
          {K::Pos, 1.5, 0, SlideTarget::None},
          {K::Seek, -0.5, 0, SlideTarget::None},
          {K::Pitch, 2, 0, SlideTarget::None},
          {K::Speed, 1.5, 0, SlideTarget::None},
          {K::Rate, 1, 0, SlideTarget::None}}},
        {"door 0.5 -3", "door", 0.5f, {{K::Number, -3, 0, SlideTarget::None}}},
        {"door 1 wobble 7 loop", "door", 1.f, {{K::Number, 7, 0, SlideTarget::None}, {K::Loop, 0, 0, SlideTarget::None}}},
        {"door 1 slide pan 2 -1 slide fre 1 12 slide freq 1 -12 slide pitch 3 4 slide speed 2 1",
         "door",
         1.f,
         {{K::Slide, 2, -1, SlideTarget::Pan},
          {K::Slide, 1, 12, SlideTarget::Freq},
          {K::Slide, 1, -12, SlideTarget::Freq},
          {K::Slide, 3, 4, SlideTarget::Pitch},
          {K::Slide, 2, 1, SlideTarget::Speed}}},
        {"door 1 slide vol", "door", 1.f, {{K::Slide, 5, 0, SlideTarget::Volume}}}, // defaults
        {"door 1 slide vol 2", "door", 1.f, {{K::Slide, 2, 0, SlideTarget::Volume}}},
        {"door 1 slide wobble x y loop", "door", 1.f, {{K::Loop, 0, 0, SlideTarget::None}}}, // three words consumed
        {"door 1 slide", "door", 1.f, {}},
        // A malformed or missing number ends the reading; that option is dropped.
        {"door 1 loop pan", "door", 1.f, {{K::Loop, 0, 0, SlideTarget::None}}},
        {"door 1 loop pan left loop", "door", 1.f, {{K::Loop, 0, 0, SlideTarget::None}}},
        {"door 1 pos 1e400 loop", "door", 1.f, {}},
        {"door 1 slide vol x 0 loop", "door", 1.f, {}},
        {"door 1 slide vol 3 zero loop", "door", 1.f, {}},
        {"door 1 1-2 loop", "door", 1.f, {}},
        {"door 1 - loop", "door", 1.f, {}},
        {"door 1 freq inf loop", "door", 1.f, {}},
    };
    for (const Case& c : cases) {
        const SoundDescription sound = parseSoundDescription(c.text);
        EXPECT_EQ(sound.name, c.name) << c.text;
        EXPECT_FLOAT_EQ(sound.volume, c.volume) << c.text;
        EXPECT_TRUE(same(sound.options, c.options)) << c.text;
    }
}

TEST(SoundDescription, ReadsOnlyTheBytesItIsGiven)
{
    const char line[] = "door 0.5 pan 1";
    // Cut in the middle of a number and of a word: what is there is read.
    EXPECT_FLOAT_EQ(parseSoundDescription(std::string_view(line, 7)).volume, 0.f); // "door 0."
    EXPECT_FLOAT_EQ(parseSoundDescription(std::string_view(line, 8)).volume, 0.5f);
    EXPECT_TRUE(parseSoundDescription(std::string_view(line, 12)).options.empty()); // "pan" without its number
    const std::string withNul("do\0or 1", 7);
    EXPECT_EQ(parseSoundDescription(withNul).name, std::string("do\0or", 5));
}

TEST(SoundDescription, StreamNames)
{
    for (const char* name : {"http://a/b", "https://a", "ftp://x", "file://music/a.ogg"}) EXPECT_TRUE(isStreamName(name)) << name;
    for (const char* name : {"HTTP://a", " http://a", "door", "file:/x", "", "http:/"}) EXPECT_FALSE(isStreamName(name)) << name;
}
