// The script language: what each line makes, broken and odd lines, the
// file's line ends and limits, and the scrambled form.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScriptFolder.h"

namespace {

struct LineCase {
    std::vector<std::string> lines;
    std::vector<std::string> items;
};

} // namespace

TEST(ImageScript, Lines)
{
    const LineCase cases[] = {
        // Shapes: a missing or negative fourth number repeats the third.
        {{"fill rect 10 10 30"}, {"IIRectangle 10 10 40 40 3"}},
        {{"fill rect 10 10 30 -5"}, {"IIRectangle 10 10 40 40 3"}},
        {{"draw rect 10 20 30 40"}, {"IIRectangle 10 20 40 60 1"}},
        {{"draw circle 50 50 20"}, {"IIEllipse 30 30 70 70 1"}},
        {{"fill circle 50 50 20 10"}, {"IIEllipse 30 40 70 60 3"}},
        {{"fill ellipse 10 20 30 40"}, {"IIEllipse 10 20 40 60 3"}},
        {{"fill roundrect 10 10 80 60 20 10"}, {"IIRoundRectangle 10 10 90 70 3 20 10"}},
        {{"clip roundrect 10 10 80 60 20 10"}, {"IIRoundRectangle 10 10 90 70 4 20 10"}},
        {{"fill poly 0 0 10 0 10 10"}, {"IIPolygon 3 0 0 10 0 10 10 3"}},
        // Curves: the quarter from 12 to 3 o'clock; five numbers give ry = rx.
        {{"fill pie 50 50 40 0 90"}, {"IIPie 10 10 90 90 50 10 90 50 3"}},
        {{"fill pie 50 50 40 20 0 90"}, {"IIPie 10 30 90 70 50 30 90 50 3"}},
        {{"draw arc 50 50 40 90 180"}, {"IIPie 10 10 90 90 90 50 50 90 1"}},
        {{"fill chord 50 50 40 0 180"}, {"IIChord 10 10 90 90 50 10 50 90 3"}},
        {{"fill pie 50 50 40 -90 450"}, {"IIPie 10 10 90 90 10 50 90 50 3"}},
        {{"fill pie"}, {"IIPie 0 0 0 0 0 0 0 0 3"}},
        // Clip modes: the word after "clip" picks how it combines.
        {{"clip rect 0 0 50 50"}, {"IIRectangle 0 0 50 50 4"}},
        {{"clip intersect rect 0 0 50 50"}, {"IIRectangle 0 0 50 50 5"}},
        {{"clip difference ellipse 0 0 50"}, {"IIEllipse 0 0 50 50 6"}},
        {{"clip union rect 0 0 50 50"}, {"IIRectangle 0 0 50 50 7"}},
        {{"clip pie 50 50 40 0 90"}, {"IIPie 10 10 90 90 50 10 90 50 4"}},
        // Paths.
        {{"fill {", "line 0 0 10 10", "}"}, {"IIBeginPath 3", "IIPolyLine 2 0 0 10 10", "IIEndPath"}},
        {{"clip intersect {"}, {"IIBeginPath 5"}},
        {{"} whatever"}, {"IIEndPath"}},
        // Point lists: pairs until the line ends, a value of −10000 or below
        // or a word that is no number; an odd last value is dropped.
        {{"line 1 2 3 4"}, {"IIPolyLine 2 1 2 3 4"}},
        {{"lines 1 2 3 4 5"}, {"IIPolyLine 2 1 2 3 4"}},
        {{"bezier 0 0 1 1 2 2 3 3"}, {"IIPolyBezier 4 0 0 1 1 2 2 3 3"}},
        {{"line 1 2 -10000 4 5 6"}, {"IIPolyLine 1 1 2"}},
        {{"line 1 2 3 -10000 5 6"}, {"IIPolyLine 1 1 2"}},
        {{"line 1 2 -9999 -9999"}, {"IIPolyLine 2 1 2 -9999 -9999"}},
        {{"line 1 2 x 4 5 6"}, {"IIPolyLine 1 1 2"}},
        {{"line 1 2 3x 4"}, {"IIPolyLine 1 1 2"}},
        {{"line", "line 5", "line -10000 0", "fill poly x"}, {}},
        // Pen and brush.
        {{"color red"}, {"IIChangePen 0x01000004 -1", "IIChangeBrush 0x01000004"}},
        {{"set #ff0000"}, {"IIChangePen 0x000000FF -1", "IIChangeBrush 0x000000FF"}},
        {{"select white"}, {"IIChangePen 0x00FFFFFF -1", "IIChangeBrush 0x00FFFFFF"}},
        {{"brush red"}, {"IIChangeBrush 0x01000004"}},
        {{"pen x #ff0000 2"}, {"IIChangePen 0x000000FF 2"}},
        {{"pen solid blue"}, {"IIChangePen 0x0100000B 1"}},
        {{"pen solid blue wide"}, {"IIChangePen 0x0100000B 1"}},
        // Colour words under three characters add nothing.
        {{"pen blue", "pen x", "brush ab", "brush", "color #f", "set"}, {}},
        // Numbers stop at the first word that is not wholly a 32-bit integer;
        // the rest keep their start values.
        {{"fill rect 10 abc 30 40"}, {"IIRectangle 10 -1 9 -2 3"}},
        {{"fill rect 2147483648 0 10"}, {"IIRectangle -1 -1 -2 -2 3"}},
        {{"fill rect +10 10 30"}, {"IIRectangle 10 10 40 40 3"}},
        {{"fill pie 50 50 40 0 9o"}, {"IIPie 10 10 90 90 50 10 50 10 3"}},
        // Sums saturate instead of wrapping.
        {{"fill rect 2147483647 0 10"}, {"IIRectangle 2147483647 0 2147483647 10 3"}},
        {{"fill circle -2147483648 0 1"}, {"IIEllipse -2147483648 -1 -2147483647 1 3"}},
        {{"fill pie 2147483647 0 2147483647 0 90"},
         {"IIPie 0 -2147483647 2147483647 2147483647 2147483647 -2147483647 2147483647 0 3"}},
        // Missing numbers in "roundrect" add nothing.
        {{"fill roundrect 10 10 80 60 20", "fill roundrect"}, {}},
        // Unknown commands and shapes, empty and blank lines.
        {{"paint rect 1 2 3", "", "   \t", "fill triangle 1 2 3", "draw", "clip", "clip union", "Fill rect 1 1 1"}, {}},
        // Words are separated by any white space.
        {{"\tfill  rect\t10 10\v30 "}, {"IIRectangle 10 10 40 40 3"}},
    };
    ScriptFolder folder;
    for (const LineCase& c : cases) {
        std::string script;
        for (const std::string& l : c.lines) script += "[" + l + "]";
        EXPECT_EQ(folder.items(c.lines), c.items) << script;
    }
}

TEST(ImageScript, ImageLinesNeedANameAndFourNumbers)
{
    ScriptFolder folder;
    folder.add("dot", {"fill circle 50 50 50"});
    EXPECT_EQ(folder.items({"image dot 1 2 3 4"}), (std::vector<std::string>{"IIImage 1 2 4 6 dot"}));
    EXPECT_EQ(folder.items({"image dot 1 2 3", "image dot 1 2 3 x", "image", "image nothing 1 2 3 4"}),
              std::vector<std::string>{});
}

TEST(ImageScript, SizeAnywhereSetsTheSpace)
{
    ScriptFolder folder;
    folder.add("sized", {"fill rect 0 0 10", "size 200 100"});
    EXPECT_EQ(image::dumpImage(*folder.get("sized")).front(), "space 0 0 200 100");
    folder.add("unsized", {"size 200", "size 300 x"});
    EXPECT_EQ(image::dumpImage(*folder.get("unsized")).front(), "space 0 0 100 100");
    folder.add("flat", {"size 0 100"});
    EXPECT_EQ(image::dumpImage(*folder.get("flat")).front(), "space 0 0 0 100");
}

TEST(ImageScript, ScriptWithoutRecognisableLinesIsAnEmptyImage)
{
    ScriptFolder folder;
    folder.addPlain("empty", "");
    folder.addPlain("junk", "hello\nworld\n");
    for (const char* name : {"empty", "junk"}) {
        image::Image* img = folder.get(name);
        ASSERT_NE(img, nullptr) << name;
        EXPECT_TRUE(img->items.empty());
    }
}

TEST(ImageScript, LineEnds)
{
    // LF, CR LF and a last line without an end; a carriage return elsewhere
    // in a line is part of it (here it spoils the command word it ends).
    const auto scrambled = [](const std::string& plain) {
        std::string out;
        for (char c : plain) out += c == '\n' ? '\n' : static_cast<char>(c ^ 0xA7);
        return out;
    };
    ScriptFolder folder;
    folder.addBytes("ends", scrambled("fill rect 1 1 1\n") + scrambled("fill rect 2 2 2") + "\r\n" +
                                scrambled("fill") + "\r" + scrambled(" rect 3 3 3\n") +
                                scrambled("fill rect 4 4 4\r") + "\n" + scrambled("fill rect 5 5 5"));
    EXPECT_EQ(image::dumpImage(*folder.get("ends")),
              (std::vector<std::string>{"space 0 0 100 100", "IIRectangle 1 1 2 2 3", "IIRectangle 2 2 4 4 3",
                                        "IIRectangle 4 4 8 8 3", "IIRectangle 5 5 10 10 3"}));
}

TEST(ImageScript, FileBeyondOneMebibyteIsIgnored)
{
    const std::string rect = "fill rect 1 1 1";
    // A long junk line, then a line that ends exactly at the limit, then one
    // that starts beyond it.
    std::string plain(image::kMaxScriptBytes - rect.size() - 2, 'j');
    plain += "\n" + rect + "\n" + rect + "\n";
    std::string scrambled;
    std::size_t bad = 0;
    ASSERT_TRUE(image::scrambleScript(plain, scrambled, bad));
    // scrambleScript writes CR LF; keep LF ends so that the sizes are as
    // counted above.
    std::string lf;
    for (char c : scrambled) if (c != '\r') lf += c;
    ASSERT_EQ(lf.size(), image::kMaxScriptBytes + rect.size() + 1);
    ScriptFolder folder;
    folder.addBytes("big", lf);
    EXPECT_EQ(folder.get("big")->items.size(), 1u);
}

TEST(ImageScript, ItemAndPointLimits)
{
    std::string many;
    for (int i = 0; i < 70000; ++i) many += "brush red\n";
    std::string points = "line";
    for (int i = 0; i < 70000; ++i) points += " 1 1";
    ScriptFolder folder;
    folder.addPlain("many", many);
    folder.addPlain("points", points + "\n");
    EXPECT_EQ(folder.get("many")->items.size(), image::kMaxItems);
    auto* lines = dynamic_cast<image::IIPolyLine*>(folder.get("points")->items.at(0).get());
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(lines->points.size(), image::kMaxPoints);
}

TEST(ImageScript, ColorLinesAtTheItemLimitAddWhatFits)
{
    std::string plain;
    for (std::size_t i = 0; i + 1 < image::kMaxItems; ++i) plain += "}\n";
    plain += "color red\n";
    ScriptFolder folder;
    folder.addPlain("full", plain);
    const image::Image* img = folder.get("full");
    ASSERT_EQ(img->items.size(), image::kMaxItems);
    EXPECT_NE(dynamic_cast<image::IIChangePen*>(img->items.back().get()), nullptr);
}

TEST(ImageScript, ScrambleAndUnscramble)
{
    std::string scrambled;
    std::size_t bad = 0;
    ASSERT_TRUE(image::scrambleScript("size 10 10\r\nfill rect 1 1 1\nbrush red", scrambled, bad));
    std::string expected;
    for (const std::string line : {"size 10 10", "fill rect 1 1 1", "brush red"}) {
        for (char c : line) expected += static_cast<char>(c ^ 0xA7);
        expected += "\r\n";
    }
    EXPECT_EQ(scrambled, expected);
    EXPECT_EQ(image::unscrambleScript(scrambled), "size 10 10\r\nfill rect 1 1 1\r\nbrush red\r\n");
    // The loader's own reading of lines: LF alone ends a line too.
    EXPECT_EQ(image::unscrambleScript(std::string(1, 'a' ^ 0xA7) + "\n"), "a\r\n");
    EXPECT_EQ(image::unscrambleScript(""), "");
}

TEST(ImageScript, BytesThatWouldEndALineCannotBeScrambled)
{
    for (const char byte : {'\xAA', '\xAD'}) {
        std::string scrambled = "untouched";
        std::size_t bad = 0;
        EXPECT_FALSE(image::scrambleScript(std::string("ok\nok\r\nbad ") + byte + " line\nok\n", scrambled, bad));
        EXPECT_EQ(bad, 3u);
        EXPECT_EQ(scrambled, "untouched");
    }
    // Other bytes, such as a carriage return inside a line, can.
    std::string scrambled;
    std::size_t bad = 0;
    EXPECT_TRUE(image::scrambleScript("a\rb\n\xA7\n", scrambled, bad));
}
