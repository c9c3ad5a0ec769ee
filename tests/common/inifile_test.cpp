// The configuration-file format: reading, writing and the typed getters.
#include "common/inifile/IniFile.h"

#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "common/file.h"
#include "support/TempDir.h"

namespace {

UnorderedIniFile parsed(std::string_view text)
{
    UnorderedIniFile ini;
    ini.parse(text);
    return ini;
}

std::string fileText(const std::string& path)
{
    std::string text;
    EXPECT_TRUE(common::readWholeFile(path, text));
    return text;
}

} // namespace

TEST(IniFile, KeyValueLinesAreSplitAtTheFirstEqualsAndNotTrimmed)
{
    const auto ini = parsed(" a = b \nk=x=y\nempty=\n=nokey\nno equals here\n#c=1\n;d=2\n\nservers[0].host=h\n");
    EXPECT_EQ(ini.get(" a "), " b ");
    EXPECT_FALSE(ini.has("a"));
    EXPECT_EQ(ini.get("k"), "x=y");
    EXPECT_TRUE(ini.has("empty"));
    EXPECT_EQ(ini.get("empty", "def"), "");
    EXPECT_EQ(ini.get(""), "nokey");
    EXPECT_EQ(ini.get("servers[0].host"), "h");
    EXPECT_FALSE(ini.has("#c"));
    EXPECT_FALSE(ini.has(";d"));
    EXPECT_EQ(ini.size(), 5u);
}

TEST(IniFile, EscapesInValuesOnly)
{
    const auto ini = parsed("a=one\\ntwo\nb=tab\\there\\r!\nc=keep\\q\\\\\nd=\\\\n\nk\\n=v\n");
    EXPECT_EQ(ini.get("a"), "one\ntwo");
    EXPECT_EQ(ini.get("b"), "tab\there\r!");
    EXPECT_EQ(ini.get("c"), "keep\\q\\\\");
    // No escape for the backslash: the second backslash and n make a line feed.
    EXPECT_EQ(ini.get("d"), "\\\n");
    EXPECT_EQ(ini.get("k\\n"), "v");
}

TEST(IniFile, LineEndsAndRepeatedKeys)
{
    const auto ini = parsed("a=1\r\nb=2\r\na=3\nc=x\ry\nlast=no newline");
    EXPECT_EQ(ini.get("a"), "3");
    EXPECT_EQ(ini.get("b"), "2");
    EXPECT_EQ(ini.get("c"), "x\ry");
    EXPECT_EQ(ini.get("last"), "no newline");
}

TEST(IniFile, TextBlocks)
{
    const auto ini = parsed("key=value\n[help]trailing ignored\none\n\n# comment\ntwo=2\n[open\nx\n[]\ny\n[help2]\n");
    EXPECT_EQ(ini.get("key"), "value");
    EXPECT_EQ(ini.get("help"), "\none\ntwo=2");
    EXPECT_FALSE(ini.has("two"));
    EXPECT_EQ(ini.get("open"), "\nx");
    EXPECT_EQ(ini.get(""), "\ny");
    EXPECT_TRUE(ini.has("help2"));
    EXPECT_EQ(ini.get("help2", "def"), "");

    // Reopening a block starts it afresh.
    EXPECT_EQ(parsed("[b]\nold\n[b]\nnew\n").get("b"), "\nnew");
}

TEST(IniFile, TypedGetters)
{
    const auto ini = parsed("t1=On\nt2=TRUE\nt3=1\nf1=yes\nf2=0\nf3=\nf4=true \n"
                            "i1=0x10\ni2=010\ni3=abc\ni4=-42kg\ni5=9999999999\n"
                            "u1=18446744073709551615\nu2=-1\nx1=2.5\nx2=abc\nx3= -1e3\n");
    EXPECT_TRUE(ini.getBool("t1", false));
    EXPECT_TRUE(ini.getBool("t2", false));
    EXPECT_TRUE(ini.getBool("t3", false));
    EXPECT_FALSE(ini.getBool("f1", true));
    EXPECT_FALSE(ini.getBool("f2", true));
    EXPECT_FALSE(ini.getBool("f3", true));
    EXPECT_FALSE(ini.getBool("f4", true));
    EXPECT_TRUE(ini.getBool("absent", true));
    EXPECT_FALSE(ini.getBool("absent", false));

    EXPECT_EQ(ini.getInt("i1", 5), 16);
    EXPECT_EQ(ini.getInt("i2", 5), 8);
    EXPECT_EQ(ini.getInt("i3", 5), 0);
    EXPECT_EQ(ini.getInt("i4", 5), -42);
    EXPECT_EQ(ini.getInt("i5", 5), 2147483647);
    EXPECT_EQ(ini.getInt("absent", 5), 5);

    EXPECT_EQ(ini.getUInt64("u1", 1), 18446744073709551615ull);
    EXPECT_EQ(ini.getUInt64("u2", 1), 18446744073709551615ull);
    EXPECT_EQ(ini.getUInt64("absent", 7), 7u);

    EXPECT_FLOAT_EQ(ini.getFloat("x1", 9.f), 2.5f);
    EXPECT_EQ(ini.getFloat("x2", 9.f), 0.f);
    EXPECT_FLOAT_EQ(ini.getFloat("x3", 9.f), -1000.f);
    EXPECT_EQ(ini.getFloat("absent", 9.f), 9.f);
}

TEST(IniFile, SettersFormatValues)
{
    OrderedIniFile ini;
    ini.setFloat("f1", 0.1f);
    ini.setFloat("f2", 1.5f);
    ini.setFloat("f3", -3.3f);
    ini.setInt("i", -5);
    ini.setUInt("u", 4294967295u);
    ini.setBool("b1", true);
    ini.setBool("b2", false);
    ini.set("w", std::wstring(L"Zo\u00EB"));
    ini.set("n", "plain");
    EXPECT_EQ(ini.get("f1"), "0.10000000149012");
    EXPECT_EQ(ini.get("f2"), "1.5");
    EXPECT_EQ(ini.get("f3"), "-3.2999999523163");
    EXPECT_EQ(ini.get("i"), "-5");
    EXPECT_EQ(ini.get("u"), "4294967295");
    EXPECT_EQ(ini.get("b1"), "true");
    EXPECT_EQ(ini.get("b2"), "false");
    EXPECT_EQ(ini.get("w"), "Zo\xC3\xAB");
    EXPECT_EQ(ini.get("n"), "plain");
}

TEST(IniFile, SaveWritesCrLfLinesInByteOrderAndLoadsBack)
{
    TempDir dir;
    const std::string path = dir.file("r\xC3\xA9glages.ini");
    OrderedIniFile out;
    out.set("b", "2");
    out.set("a", "1");
    out.set("A", "0");
    out.set("\xC3\xA9t\xC3\xA9", "summer");
    out.set("z", "with = and spaces ");
    ASSERT_TRUE(out.save(path));
    EXPECT_EQ(fileText(path), "A=0\r\na=1\r\nb=2\r\nz=with = and spaces \r\n\xC3\xA9t\xC3\xA9=summer\r\n");

    UnorderedIniFile in;
    in.set("kept", "yes");
    ASSERT_TRUE(in.load(path));
    EXPECT_EQ(in.size(), 6u);
    EXPECT_EQ(in.get("kept"), "yes");
    for (const auto& [key, value] : out) EXPECT_EQ(in.get(key), value) << key;

    // Saving again truncates: keys no longer set are dropped.
    OrderedIniFile smaller;
    smaller.set("only", "one");
    ASSERT_TRUE(smaller.save(path));
    EXPECT_EQ(fileText(path), "only=one\r\n");
}

TEST(IniFile, UnreadableFilesLeaveTheMapUnchanged)
{
    TempDir dir;
    UnorderedIniFile ini;
    ini.set("a", "1");
    EXPECT_FALSE(ini.load(dir.file("missing.ini")));
    EXPECT_FALSE(ini.load(dir.file("")));  // the folder itself
    EXPECT_EQ(ini.size(), 1u);
    EXPECT_EQ(ini.get("a"), "1");
    EXPECT_FALSE(ini.save(dir.file("no-such-folder/x.ini")));
}

TEST(IniFile, ArbitraryBytesNeverBreakTheReader)
{
    // Configuration texts also come from game servers: any bytes must parse.
    std::mt19937 rng(12345);
    const char alphabet[] = {'a', 'b', '=', '[', ']', '\n', '\r', '\\', 'n', '#', ';', ' ', '\0', '\x7F', '\xC3'};
    for (int round = 0; round < 2000; ++round) {
        std::string text(rng() % 64, ' ');
        for (char& c : text) c = alphabet[rng() % sizeof alphabet];
        const auto ini = parsed(text);
        for (const auto& [key, value] : ini) {
            EXPECT_EQ(key.find('\n'), std::string::npos);
            EXPECT_LE(key.size() + value.size(), text.size() * 2);
        }
    }
}
