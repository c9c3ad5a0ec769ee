// The built-in presentation records, the light/dark rule and the
// presentation files with their fallbacks.
#include <gtest/gtest.h>

#include "client/core/CoreTestEnv.h"
#include "client/core/DebugLog.h"
#include "client/ui/history/PresentationDefaults.h"
#include "client/ui/history/PresentationFiles.h"

namespace {

std::vector<std::uint32_t> words(const std::string& bytes)
{
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::uint32_t w = 0;
        for (int b = 3; b >= 0; --b) w = w << 8 | static_cast<unsigned char>(bytes[i + b]);
        out.push_back(w);
    }
    return out;
}

Presentation builtIn(bool dark)
{
    std::optional<Presentation> p = defaultPresentation(kBuiltInPresentationProtocol, dark, builtInResource);
    EXPECT_TRUE(p.has_value());
    return p.value_or(Presentation{});
}

} // namespace

TEST(PresentationDefaults, RecordsAsBuiltIn)
{
    constexpr std::uint32_t B = kEffectBold, A = kEffectAutoColor;
    const std::vector<std::uint32_t> channels = {
        0x1F, B, 0x0000FF, 0x0000FF, 0x09, A, 0, 0, 0x09, 0, 0x800000, 0xFFC0C0,
        0x1B, 0, 0x808000, 0xFFFF00, 0x1B, 0, 0x408000, 0x80FF10, 0x19, 0, 0x006000, 0x00FF00,
        0x09, 0, 0x606060, 0xB0B0B0, 0x13, A, 0, 0, 0x1B, 0, 0x408000, 0x80FF10,
        0x1F, B, 0x0000FF, 0x0000FF};
    const std::vector<std::uint32_t> views = {0x3FF, 0x083, 0x33D, 0x308, 0x311, 0x301, 0x325};
    const std::vector<std::uint32_t> palette = {
        0x000000, 0xFFFFFF, 0x990044, 0xFF0088, 0x990099, 0xFF00FF, 0x440099, 0xCCCCFF, 0x0000FF, 0x0000FF,
        0x003366, 0x004499, 0x0099FF, 0x0099FF, 0x009999, 0x00FFFF, 0x006622, 0x00FF55, 0x005500, 0x00CC00,
        0x808000, 0xFFFF00, 0xFF0000, 0xFF0000, 0x660000, 0xFF7760, 0x606060, 0xB0B0B0, 0xB0B0B0, 0x606060};
    // Resource names are matched without regard to case.
    EXPECT_EQ(words(builtInResource("DEFC20000").value_or("")), channels);
    EXPECT_EQ(words(builtInResource("defv20000").value_or("")), views);
    EXPECT_EQ(words(builtInResource("DefColors20000").value_or("")), palette);
    EXPECT_FALSE(builtInResource("defc10000"));
}

TEST(PresentationDefaults, LightOrDark)
{
    EXPECT_FALSE(isDarkBackground(0xFFFFFF));
    EXPECT_TRUE(isDarkBackground(0x000000));
    EXPECT_TRUE(isDarkBackground(0x8C8C8C));  // grey 140: 0.549
    EXPECT_FALSE(isDarkBackground(0x8D8D8D)); // grey 141: 0.553
    EXPECT_TRUE(isDarkBackground(0xFF0000));  // pure blue weighs little
    EXPECT_FALSE(isDarkBackground(0x00FFFF)); // yellow

    CoreTestEnv env;
    const Presentation light = builtIn(false), dark = builtIn(true);
    ASSERT_EQ(light.channels.size(), 10u);
    ASSERT_EQ(light.views.size(), 7u);
    ASSERT_EQ(light.palette.size(), 15u);
    EXPECT_EQ(light.channels[2].color, 0x800000u);
    EXPECT_EQ(dark.channels[2].color, 0xFFC0C0u);
    EXPECT_EQ(light.palette[0], 0u);
    EXPECT_EQ(dark.palette[0], 0xFFFFFFu);
    EXPECT_EQ(light.channels[7].flags, 0x13u);
    EXPECT_EQ(light.channels[7].effects, kEffectAutoColor);
    EXPECT_EQ(light.views[3].mask, 0x308u);
    // Names come from the interface texts "channel<n>" and "view<n>".
    EXPECT_EQ(light.channels[9].name, L"channel9");
    EXPECT_EQ(light.views[6].name, L"view6");
}

TEST(PresentationDefaults, ProtocolsWithoutASetAndShortRecords)
{
    CoreTestEnv env;
    EXPECT_EQ(defaultPresentation(0x10000, false, builtInResource), builtIn(false));
    EXPECT_EQ(defaultPresentation(-1, false, builtInResource), builtIn(false));
    EXPECT_EQ(presentationResourceName("defcolors", 0x20000), "defcolors20000");

    auto none = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    EXPECT_FALSE(defaultPresentation(0x20000, false, none));

    // Records cut short: only whole ones count.
    auto shortRecords = [](const std::string& name) -> std::optional<std::string> {
        if (name == "defc20000") return std::string(16 + 15, '\x01');
        if (name == "defv20000") return std::string(3, '\x01');
        return std::string(8 + 4, '\x02');
    };
    const std::optional<Presentation> p = defaultPresentation(0x20000, true, shortRecords);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->channels.size(), 1u);
    EXPECT_EQ(p->channels[0].color, 0x01010101u);
    EXPECT_TRUE(p->views.empty());
    EXPECT_EQ(p->palette, std::vector<std::uint32_t>{0x02020202u});
}

class PresentationFilesTest : public ::testing::Test {
protected:
    PresentationFilesTest() { openDebugLog(env.userFile("debug.txt")); }
    std::string log() const
    {
        closeDebugLog();
        return CoreTestEnv::read(env.userFile("debug.txt"));
    }
    CoreTestEnv env;
};

TEST_F(PresentationFilesTest, MissingFilesGiveTheDefaultsWrittenBack)
{
    const Presentation defaults = builtIn(false);
    EXPECT_EQ(loadPresentation(3, defaults), defaults);
    const std::string text = log();
    EXPECT_NE(text.find("No valid presentation found, fallback to default"), std::string::npos);
    EXPECT_NE(text.find("No valid view found, fallback to default"), std::string::npos);
    const std::string channels = CoreTestEnv::read(env.userFile("channels3.ini"));
    EXPECT_NE(channels.find("flags0=31\r\n"), std::string::npos);
    EXPECT_NE(channels.find("effects7=1073741824\r\n"), std::string::npos);
    EXPECT_NE(channels.find("custcol11=16711680\r\n"), std::string::npos);
    EXPECT_NE(CoreTestEnv::read(env.userFile("views3.ini")).find("channels3=776\r\n"), std::string::npos);
    // Read back, nothing falls back.
    EXPECT_EQ(loadPresentation(3, std::nullopt), defaults);
}

TEST_F(PresentationFilesTest, RoundTripOfAnEditedPresentation)
{
    Presentation p = builtIn(true);
    p.channels[4].name = L"Tables, côté jeu";
    p.channels[4].flags = 0x3F;
    p.channels[1].effects = kEffectItalic | kEffectUnderline;
    p.views.push_back(View{0xFFFFFFFFu, L"Tout"});
    p.palette.push_back(0x123456);
    ASSERT_TRUE(savePresentation(0, p));
    EXPECT_EQ(loadPresentation(0, std::nullopt), p);
    EXPECT_NE(CoreTestEnv::read(env.userFile("views0.ini")).find("channels7=-1\r\n"), std::string::npos);
}

TEST_F(PresentationFilesTest, OddFiles)
{
    const Presentation defaults = builtIn(false);
    // Channels without a palette, views without names: both fall back.
    CoreTestEnv::write(env.userFile("channels1.ini"), "name0=Only\nflags0=1\n");
    CoreTestEnv::write(env.userFile("views1.ini"), "channels0=5\n");
    Presentation p = loadPresentation(1, defaults);
    EXPECT_EQ(p, defaults);

    // Numbers in any base, missing ones as 0, the list ending at a gap,
    // repeated keys (the last wins), at most 32 channels.
    std::string text = "name0=A\nflags0=0x1F\neffects0=010\ncolor0=-1\nname1=B\nname3=D\ncustcol0=0xFF\n"
                       "custcol1=junk\nname0=A2\nview=9\n";
    CoreTestEnv::write(env.userFile("channels2.ini"), text);
    CoreTestEnv::write(env.userFile("views2.ini"), "name0=All\nchannels0=4294967295\nname1=\nchannels1=3\n");
    p = loadPresentation(2, defaults);
    ASSERT_EQ(p.channels.size(), 2u);
    EXPECT_EQ(p.channels[0], (HistoryChannel{0x1F, 8, 0xFFFFFFFFu, L"A2"}));
    EXPECT_EQ(p.channels[1], (HistoryChannel{0, 0, 0, L"B"}));
    EXPECT_EQ(p.palette, (std::vector<std::uint32_t>{0xFF, 0}));
    ASSERT_EQ(p.views.size(), 2u);
    EXPECT_EQ(p.views[0], (View{0xFFFFFFFFu, L"All"}));
    EXPECT_EQ(p.views[1], (View{3, L""}));

    text.clear();
    for (int i = 0; i < 40; ++i) text += "name" + std::to_string(i) + "=c\n";
    CoreTestEnv::write(env.userFile("channels5.ini"), text + "custcol0=1\n");
    EXPECT_EQ(loadPresentation(5, defaults).channels.size(), static_cast<std::size_t>(kMaxChannels));

    // A name with a line break cannot forge a key of the next line.
    p = defaults;
    p.channels[0].name = L"x\nflags1=63";
    ASSERT_TRUE(saveChannels(6, p));
    EXPECT_EQ(loadPresentation(6, defaults).channels[1].flags, defaults.channels[1].flags);
}
