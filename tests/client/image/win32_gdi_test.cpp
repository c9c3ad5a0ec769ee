// Images drawn by GDI into a 32-bit DIB section, checked pixel by pixel
// against what the script describes, at least 2 pixels away from any edge of
// a figure; and the menu entries' drawing, which leaves the device context as
// it found it.
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScriptFolder.h"
#include "client/core/Environment.h"
#include "client/image/win32/DibSection.h"
#include "client/image/win32/EntryImage.h"
#include "client/image/win32/GdiCanvas.h"
#include "support/TempDir.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A white picture in memory that counts its pixels of a colour.
class Dib : public image::DibSection {
public:
    Dib(int width, int height) : DibSection(width, height, kWhite) {}
    int count(COLORREF color) const
    {
        const std::uint32_t raw = GetRValue(color) << 16 | GetGValue(color) << 8 | GetBValue(color);
        const std::vector<std::uint32_t> all = pixels();
        return static_cast<int>(std::count(all.begin(), all.end(), raw));
    }
};

// Draws a script onto the whole DIB with black as the default colour.
void draw(Dib& dib, const std::vector<std::string>& script, image::Rect dest)
{
    static ScriptFolder folder;
    static int scripts = 0;
    const std::string name = "s" + std::to_string(++scripts);
    folder.add(name, script);
    image::Image* img = folder.get(name);
    ASSERT_NE(img, nullptr);
    image::GdiCanvas canvas(dib.dc());
    image::drawImage(canvas, image::gdiPens(), {}, *img, dest, RGB(0, 0, 0));
}

} // namespace

TEST(ImageGdi, FillAndOutline)
{
    Dib fill(100, 100), outline(100, 100);
    draw(fill, {"color #ff0000", "fill rect 10 10 30"}, {0, 0, 100, 100});
    EXPECT_EQ(fill.pixel(25, 25), kRed);
    EXPECT_EQ(fill.pixel(12, 12), kRed);
    EXPECT_EQ(fill.pixel(7, 25), kWhite);
    EXPECT_EQ(fill.pixel(42, 42), kWhite);
    // A pen 9 pixels wide centred on the outline; the inside stays empty.
    draw(outline, {"color #0000ff", "pen x #ff0000 9", "draw rect 10 10 30"}, {0, 0, 100, 100});
    EXPECT_EQ(outline.pixel(10, 25), kRed);
    EXPECT_EQ(outline.pixel(25, 10), kRed);
    EXPECT_EQ(outline.pixel(25, 25), kWhite);
    EXPECT_EQ(outline.pixel(2, 25), kWhite);
    EXPECT_EQ(outline.count(kBlue), 0);
}

TEST(ImageGdi, QuarterPieFromTwelveToThree)
{
    Dib dib(100, 100);
    draw(dib, {"color #0000ff", "fill pie 50 50 40 0 90"}, {0, 0, 100, 100});
    EXPECT_EQ(dib.pixel(70, 30), kBlue);
    EXPECT_EQ(dib.pixel(53, 14), kBlue);
    EXPECT_EQ(dib.pixel(86, 47), kBlue);
    EXPECT_EQ(dib.pixel(30, 30), kWhite);
    EXPECT_EQ(dib.pixel(70, 70), kWhite);
    EXPECT_EQ(dib.pixel(30, 70), kWhite);
    EXPECT_EQ(dib.pixel(82, 22), kWhite); // beyond the arc
}

TEST(ImageGdi, FilledPathOfLinesAndAnArc)
{
    Dib dib(100, 100);
    draw(dib, {"color #00ff00", "fill {", "lines 50 50 50 10", "draw arc 50 50 40 0 90", "lines 90 50 50 50", "}"},
         {0, 0, 100, 100});
    EXPECT_EQ(dib.pixel(70, 30), kGreen);
    EXPECT_EQ(dib.pixel(53, 14), kGreen);
    EXPECT_EQ(dib.pixel(30, 30), kWhite);
    EXPECT_EQ(dib.pixel(70, 70), kWhite);
    EXPECT_EQ(dib.pixel(82, 22), kWhite);
}

TEST(ImageGdi, ClipIntersectPathNarrowsTheClipArea)
{
    const std::vector<std::string> topHalf = {"lines 0 0 100 0 100 50 0 50 0 0", "}", "color #ff0000",
                                              "fill rect 0 0 100"};
    Dib narrowed(100, 100), replaced(100, 100);
    std::vector<std::string> script = {"clip rect 0 0 50 100", "clip intersect {"};
    script.insert(script.end(), topHalf.begin(), topHalf.end());
    draw(narrowed, script, {0, 0, 100, 100});
    EXPECT_EQ(narrowed.pixel(25, 25), kRed);
    EXPECT_EQ(narrowed.pixel(75, 25), kWhite);
    EXPECT_EQ(narrowed.pixel(25, 75), kWhite);
    EXPECT_EQ(narrowed.pixel(75, 75), kWhite);
    // "clip {" replaces instead.
    script[1] = "clip {";
    draw(replaced, script, {0, 0, 100, 100});
    EXPECT_EQ(replaced.pixel(25, 25), kRed);
    EXPECT_EQ(replaced.pixel(75, 25), kRed);
    EXPECT_EQ(replaced.pixel(25, 75), kWhite);
}

TEST(ImageGdi, ClipUnionRectReplacesTheClipArea)
{
    Dib dib(100, 100);
    draw(dib, {"clip rect 0 0 50 100", "clip union rect 50 0 50 100", "color #ff0000", "fill rect 0 0 100"},
         {0, 0, 100, 100});
    EXPECT_EQ(dib.pixel(25, 50), kWhite);
    EXPECT_EQ(dib.pixel(75, 50), kRed);
}

TEST(ImageGdi, ClipPieClipsToTheQuarter)
{
    Dib dib(100, 100);
    draw(dib, {"clip pie 50 50 40 0 90", "color #ff0000", "fill rect 0 0 100"}, {0, 0, 100, 100});
    EXPECT_EQ(dib.pixel(70, 30), kRed);
    EXPECT_EQ(dib.pixel(53, 14), kRed);
    EXPECT_EQ(dib.pixel(30, 30), kWhite);
    EXPECT_EQ(dib.pixel(70, 70), kWhite);
    EXPECT_EQ(dib.pixel(82, 22), kWhite);
}

TEST(ImageGdi, FivePointBezierDrawsNothing)
{
    Dib five(100, 100), four(100, 100);
    draw(five, {"pen x #ff0000 5", "bezier 10 10 20 80 80 20 90 90 50 50"}, {0, 0, 100, 100});
    EXPECT_EQ(five.count(kWhite), 100 * 100);
    draw(four, {"pen x #ff0000 5", "bezier 10 10 20 80 80 20 90 90"}, {0, 0, 100, 100});
    EXPECT_GT(four.count(kRed), 100);
}

TEST(ImageGdi, WidthTwoDrawnAtDoubleSizeIsFivePixels)
{
    Dib dib(200, 200);
    draw(dib, {"pen x #ff0000 2", "line 10 50 90 50"}, {0, 0, 200, 200});
    int red = 0;
    for (int y = 0; y < 200; ++y) red += dib.pixel(100, y) == kRed;
    EXPECT_EQ(red, 5);
    EXPECT_EQ(dib.pixel(100, 100), kRed);
    EXPECT_EQ(dib.pixel(100, 96), kWhite);
    EXPECT_EQ(dib.pixel(100, 104), kWhite);
}

TEST(ImageGdi, DrawsIntoTheDestinationOnly)
{
    Dib dib(100, 100);
    draw(dib, {"size 10 10", "color #0000ff", "fill rect 0 0 10"}, {20, 30, 60, 50});
    EXPECT_EQ(dib.pixel(40, 40), kBlue);
    EXPECT_EQ(dib.pixel(22, 32), kBlue);
    EXPECT_EQ(dib.pixel(17, 40), kWhite);
    EXPECT_EQ(dib.pixel(40, 53), kWhite);
    EXPECT_EQ(dib.count(kBlue), 40 * 20);
}

TEST(ImageGdi, EntryImageLeavesTheDeviceContextAsItWas)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path() / "images");
    {
        std::string scrambled;
        std::size_t bad = 0;
        // A clip, a wide pen, the arc direction, and a path left open.
        ASSERT_TRUE(image::scrambleScript("clip ellipse 0 0 100\npen x #00ff00 8\ndraw arc 50 50 40 0 90\n"
                                          "fill rect 0 0 100\nfill {\nline 0 0 100 100\n",
                                          scrambled, bad));
        std::ofstream(dir.path() / "images" / "busy.gfx", std::ios::binary) << scrambled;
    }
    Environment env;
    env.appDir = dir.file("");
    setEnvironment(env);

    Dib dib(100, 40);
    HDC dc = dib.dc();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    SetTextColor(dc, RGB(7, 8, 9));
    SetDCPenColor(dc, RGB(10, 11, 12));
    const RECT area{10, 5, 40, 35};
    const std::uint32_t palette[] = {0};
    EXPECT_TRUE(image::drawEntryImage(dc, area, kRed, palette, L"busy"));
    // The image drew where it should, in its own colour.
    EXPECT_EQ(dib.pixel(25, 20), kRed);
    EXPECT_EQ(dib.pixel(60, 20), kWhite);
    // Nothing of its state is left.
    HRGN clip = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, clip), 0);
    DeleteObject(clip);
    EXPECT_EQ(GetArcDirection(dc), AD_COUNTERCLOCKWISE);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(GetTextColor(dc), RGB(7, 8, 9));
    EXPECT_EQ(GetDCPenColor(dc), RGB(10, 11, 12));
    EXPECT_EQ(GetPath(dc, nullptr, nullptr, 0), -1); // no path
    // A missing image draws nothing.
    EXPECT_FALSE(image::drawEntryImage(dc, RECT{50, 0, 100, 40}, kRed, palette, L"nothing"));
    EXPECT_FALSE(image::drawEntryImage(dc, RECT{50, 0, 100, 40}, kRed, palette, L"..\\images\\busy"));
    EXPECT_EQ(dib.pixel(75, 20), kWhite);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}
