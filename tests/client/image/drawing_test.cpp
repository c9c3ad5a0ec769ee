// Drawing through the recording canvas: the calls each kind of item makes,
// modes, paths, clips, pens and colours, nested images, the bounds of one
// drawing, and that nothing is left behind.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ScriptFolder.h"
#include "client/image/RecordingCanvas.h"

using Lines = std::vector<std::string>;

namespace {

constexpr image::ColorValue kDefault = 0x123456;
constexpr image::ColorValue kBackground = 0xE0E0E0;

class Drawing {
public:
    ScriptFolder folder;
    image::RecordingCanvas canvas{kBackground};
    image::PenCache pens;
    // Palette entry n is 0x0A0000 + n.
    std::vector<image::ColorValue> palette = std::vector<image::ColorValue>(15);

    Drawing()
    {
        for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = 0x0A0000 + static_cast<image::ColorValue>(i);
    }

    // The calls of one drawing of the image.
    Lines draw(const std::string& name, image::Rect dest = {0, 0, 100, 100}, image::ColorValue color = kDefault)
    {
        canvas.calls.clear();
        image::Image* img = folder.get(name);
        EXPECT_NE(img, nullptr) << name;
        if (img) image::drawImage(canvas, pens, palette, *img, dest, color);
        return canvas.calls;
    }

    Lines drawScript(const Lines& script, image::Rect dest = {0, 0, 100, 100}, image::ColorValue color = kDefault)
    {
        const std::string name = "s" + std::to_string(++scripts_);
        folder.add(name, script);
        return draw(name, dest, color);
    }

    // The calls between the opening and closing set-up of the colours and
    // stock objects, which are checked to be there.
    Lines body(const Lines& script, image::Rect dest = {0, 0, 100, 100})
    {
        Lines calls = drawScript(script, dest);
        if (calls.size() < 14) {
            ADD_FAILURE() << "no opening and closing";
            return calls;
        }
        for (std::size_t i : {std::size_t{0}, calls.size() - 7}) {
            EXPECT_EQ(calls[i], "SetDCPenColor 0x00123456");
            EXPECT_EQ(calls[i + 4].substr(0, 20), "SelectObject stock18");
            EXPECT_EQ(calls[i + 6].substr(0, 20), "SelectObject stock19");
        }
        return Lines(calls.begin() + 7, calls.end() - 7);
    }

private:
    int scripts_ = 0;
};

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::size_t countOf(const Lines& calls, const std::string& prefix)
{
    std::size_t n = 0;
    for (const std::string& c : calls) n += startsWith(c, prefix);
    return n;
}

} // namespace

TEST(ImageDrawing, OpensAndClosesWithTheDefaultColourAndStockObjects)
{
    Drawing d;
    const Lines opening = {"SetDCPenColor 0x00123456", "SetDCBrushColor 0x00123456", "SetTextColor 0x00123456",
                           "GetStockObject 18 -> stock18", "SelectObject stock18 -> stock0",
                           "GetStockObject 19 -> stock19", "SelectObject stock19 -> stock7"};
    Lines expected = opening;
    expected.push_back("Rectangle 20 20 80 80");
    expected.insert(expected.end(), {"SetDCPenColor 0x00123456", "SetDCBrushColor 0x00123456",
                                     "SetTextColor 0x00123456", "GetStockObject 18 -> stock18",
                                     "SelectObject stock18 -> stock18", "GetStockObject 19 -> stock19",
                                     "SelectObject stock19 -> stock19"});
    EXPECT_EQ(d.drawScript({"fill rect 10 10 30"}, {0, 0, 200, 200}), expected);
}

TEST(ImageDrawing, OutlinesSelectTheNullBrushAndPutTheBrushBack)
{
    Drawing d;
    const Lines nullBrush = {"GetStockObject 5 -> stock5", "SelectObject stock5 -> stock18"};
    const auto around = [&](const std::string& call) {
        Lines l = nullBrush;
        l.push_back(call);
        l.push_back("SelectObject stock18 -> stock5");
        return l;
    };
    EXPECT_EQ(d.body({"draw rect 10 10 30"}), around("Rectangle 10 10 40 40"));
    EXPECT_EQ(d.body({"draw circle 50 50 20"}), around("Ellipse 30 30 70 70"));
    EXPECT_EQ(d.body({"draw roundrect 0 0 50 50 8 6"}), around("RoundRect 0 0 50 50 8 6"));
    EXPECT_EQ(d.body({"draw poly 0 0 10 0 10 10"}), around("Polygon 3 0 0 10 0 10 10"));
    EXPECT_EQ(d.body({"fill rect 10 10 30"}), (Lines{"Rectangle 10 10 40 40"}));
    EXPECT_EQ(d.body({"fill ellipse 0 0 50 20"}), (Lines{"Ellipse 0 0 50 20"}));
    EXPECT_EQ(d.body({"fill roundrect 0 0 50 50 8 6"}), (Lines{"RoundRect 0 0 50 50 8 6"}));
    EXPECT_EQ(d.body({"fill poly 0 0 10 0 10 10"}), (Lines{"Polygon 3 0 0 10 0 10 10"}));
}

TEST(ImageDrawing, CurvesDrawClockwise)
{
    Drawing d;
    EXPECT_EQ(d.body({"fill pie 50 50 40 0 90"}), (Lines{"SetArcDirection AD_CLOCKWISE", "Pie 10 10 90 90 50 10 90 50"}));
    EXPECT_EQ(d.body({"fill chord 50 50 40 0 180"}),
              (Lines{"SetArcDirection AD_CLOCKWISE", "Chord 10 10 90 90 50 10 50 90"}));
    // "draw" makes an arc from the current position, for pies and chords.
    for (const char* line : {"draw pie 50 50 40 0 90", "draw arc 50 50 40 0 90", "draw chord 50 50 40 0 90"}) {
        EXPECT_EQ(d.body({line}), (Lines{"SetArcDirection AD_CLOCKWISE", "GetStockObject 5 -> stock5",
                                         "SelectObject stock5 -> stock18", "ArcTo 10 10 90 90 50 10 90 50",
                                         "SelectObject stock18 -> stock5"}))
            << line;
    }
}

TEST(ImageDrawing, LinesOutsideAPath)
{
    Drawing d;
    EXPECT_EQ(d.body({"line 0 0 50 50 100 0"}, {0, 0, 50, 50}), (Lines{"Polyline 3 0 0 25 25 50 0"}));
    // Five points: passed on as they are, and GDI draws nothing.
    EXPECT_EQ(d.body({"bezier 0 0 1 1 2 2 3 3 4 4"}), (Lines{"PolyBezier 5 0 0 1 1 2 2 3 3 4 4"}));
}

TEST(ImageDrawing, ShapeClipsReplaceTheClipAreaWhateverTheirMode)
{
    Drawing d;
    for (const char* combine : {"", "intersect ", "difference ", "union "}) {
        const std::string line = std::string("clip ") + combine + "rect 0 0 50 50";
        const Lines calls = d.body({line});
        ASSERT_EQ(calls.size(), 3u) << line;
        EXPECT_TRUE(startsWith(calls[0], "CreateRectRgn 0 0 50 50 -> rgn")) << calls[0];
        const std::string region = calls[0].substr(calls[0].find("rgn"));
        EXPECT_EQ(calls[1], "SelectClipRgn " + region);
        EXPECT_EQ(calls[2], "DeleteObject " + region);
    }
    EXPECT_TRUE(startsWith(d.body({"clip ellipse 0 0 50"})[0], "CreateEllipticRgn 0 0 50 50 ->"));
    EXPECT_TRUE(startsWith(d.body({"clip roundrect 0 0 50 50 8 6"})[0], "CreateRoundRectRgn 0 0 50 50 8 6 ->"));
    EXPECT_TRUE(startsWith(d.body({"clip poly 0 0 10 0 10 10"})[0], "CreatePolygonRgn 3 0 0 10 0 10 10 WINDING ->"));
    EXPECT_EQ(d.canvas.liveObjects('r'), 0u);
}

TEST(ImageDrawing, CurveClipsClipToTheirFigure)
{
    Drawing d;
    // The quarter pie from 12 to 3 o'clock: the centre, then the arc.
    Lines calls = d.body({"clip pie 50 50 40 0 90"});
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(startsWith(calls[0], "CreatePolygonRgn "));
    EXPECT_NE(calls[0].find(" 50 50 50 10 "), std::string::npos) << calls[0]; // centre, then 12 o'clock
    EXPECT_NE(calls[0].find(" 90 50 WINDING"), std::string::npos) << calls[0]; // ends at 3 o'clock
    EXPECT_TRUE(startsWith(calls[1], "SelectClipRgn rgn"));
    EXPECT_TRUE(startsWith(calls[2], "DeleteObject rgn"));
    // A chord has no centre point; an arc clips like a pie.
    calls = d.body({"clip intersect chord 50 50 40 0 180"});
    EXPECT_EQ(calls[0].find(" 50 50 "), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find(" 50 10 "), std::string::npos);
    const std::string arc = d.body({"clip arc 50 50 40 0 90"})[0], pie = d.body({"clip pie 50 50 40 0 90"})[0];
    EXPECT_EQ(arc.substr(0, arc.find(" -> ")), pie.substr(0, pie.find(" -> ")));
    EXPECT_EQ(d.canvas.liveObjects('r'), 0u);
}

TEST(ImageDrawing, PathOfLinesAndAnArc)
{
    Drawing d;
    EXPECT_EQ(d.body({"fill {", "lines 50 50 50 10", "draw arc 50 50 40 0 90", "lines 90 50 50 50", "}"}),
              (Lines{"BeginPath", "MoveToEx 50 50", "PolylineTo 2 50 50 50 10", "SetArcDirection AD_CLOCKWISE",
                     "GetStockObject 5 -> stock5", "SelectObject stock5 -> stock18", "ArcTo 10 10 90 90 50 10 90 50",
                     "SelectObject stock18 -> stock5", "PolylineTo 2 90 50 50 50", "EndPath",
                     "StrokeAndFillPath"}));
    // A path that starts with an arc moves to the arc's start first.
    EXPECT_EQ(d.body({"draw {", "fill pie 50 50 40 0 90", "}"}),
              (Lines{"BeginPath", "SetArcDirection AD_CLOCKWISE", "MoveToEx 50 10", "Pie 10 10 90 90 50 10 90 50",
                     "EndPath", "StrokePath"}));
    // A Bezier in a path starts from the current position.
    EXPECT_EQ(d.body({"fill {", "bezier 0 0 10 10 20 20 30 30", "bezier 30 30 40 40 50 50 60 60", "}"}),
              (Lines{"BeginPath", "MoveToEx 0 0", "PolyBezierTo 3 10 10 20 20 30 30",
                     "PolyBezierTo 3 40 40 50 50 60 60", "EndPath", "StrokeAndFillPath"}));
    EXPECT_TRUE(d.canvas.errors().empty());
}

TEST(ImageDrawing, PathClipsCombineWithTheClipArea)
{
    const std::pair<const char*, const char*> cases[] = {
        {"clip {", "SelectClipPath RGN_COPY"},
        {"clip intersect {", "SelectClipPath RGN_AND"},
        {"clip difference {", "SelectClipPath RGN_DIFF"},
        {"clip union {", "SelectClipPath RGN_OR"},
    };
    Drawing d;
    for (const auto& [line, call] : cases) {
        EXPECT_EQ(d.body({line, "line 0 0 100 0 100 50", "}"}),
                  (Lines{"BeginPath", "MoveToEx 0 0", "PolylineTo 3 0 0 100 0 100 50", "EndPath", call}))
            << line;
    }
    // An end without a beginning ends nothing.
    EXPECT_EQ(d.body({"}"}), (Lines{"EndPath"}));
}

TEST(ImageDrawing, APathLeftOpenIsAbortedAndForgotten)
{
    Drawing d;
    d.folder.add("open", {"fill {", "line 1 1 2 2"});
    d.draw("open");
    const Lines first = d.draw("open");
    EXPECT_FALSE(d.canvas.pathOpen());
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(first[first.size() - 8], "AbortPath");
    EXPECT_EQ(d.folder.get("open")->pathMode, 0);
    EXPECT_FALSE(d.folder.get("open")->pathStart);
    // The next drawing starts the same way: no state was left.
    EXPECT_EQ(d.draw("open"), first);
}

TEST(ImageDrawing, PathsAcrossNestedImages)
{
    // The device context holds one path: a nested image can end or replace
    // the outer image's path. GDI then fails the outer end harmlessly, and
    // every image aborts a path it left open.
    Drawing d;
    d.folder.add("ender", {"}"});
    d.folder.add("opener", {"fill {", "line 0 0 1 1"});
    const Lines ended = d.body({"fill {", "line 0 0 10 10", "image ender 0 0 100 100", "line 1 1 2 2", "}"});
    EXPECT_EQ(countOf(ended, "EndPath"), 2u);
    EXPECT_EQ(countOf(ended, "StrokeAndFillPath"), 1u);
    EXPECT_EQ(countOf(ended, "Polyline 2 1 1 2 2"), 0u); // the outer image still builds its path
    EXPECT_EQ(countOf(ended, "PolylineTo 2 1 1 2 2"), 1u);
    const Lines replaced = d.body({"fill {", "line 0 0 10 10", "image opener 0 0 100 100", "}"});
    EXPECT_EQ(countOf(replaced, "AbortPath"), 1u);
    EXPECT_FALSE(d.canvas.pathOpen());
    const Lines open = d.body({"fill {", "image opener 0 0 100 100", "line 0 0 10 10"});
    EXPECT_EQ(countOf(open, "AbortPath"), 2u);
    EXPECT_FALSE(d.canvas.pathOpen());
    EXPECT_TRUE(d.canvas.errors().empty());
}

TEST(ImageDrawing, PensScaleAndAreCreatedOnce)
{
    Drawing d;
    d.folder.add("pen", {"pen x #ff0000 2"});
    EXPECT_EQ(d.draw("pen", {0, 0, 200, 200}),
              (Lines{"SetDCPenColor 0x00123456", "SetDCBrushColor 0x00123456", "SetTextColor 0x00123456",
                     "GetStockObject 18 -> stock18", "SelectObject stock18 -> stock0", "GetStockObject 19 -> stock19",
                     "SelectObject stock19 -> stock7", "GetDCPenColor -> 0x00123456", "SetTextColor 0x000000FF",
                     "SetDCPenColor 0x000000FF", "CreatePenIndirect PS_SOLID 5 0x000000FF -> pen1",
                     "SelectObject pen1 -> stock19", "SetDCPenColor 0x000000FF", "SetDCPenColor 0x00123456",
                     "SetDCBrushColor 0x00123456", "SetTextColor 0x00123456", "GetStockObject 18 -> stock18",
                     "SelectObject stock18 -> stock18", "GetStockObject 19 -> stock19",
                     "SelectObject stock19 -> pen1"}));
    EXPECT_EQ(countOf(d.draw("pen", {0, 0, 200, 200}), "CreatePenIndirect"), 0u);
    // One pixel or less: the stock DC pen; "color" lines always give it.
    EXPECT_EQ(d.body({"pen x #ff0000 1"}), (Lines{"GetDCPenColor -> 0x00123456", "SetTextColor 0x000000FF",
                                                   "SetDCPenColor 0x000000FF", "GetStockObject 19 -> stock19",
                                                   "SelectObject stock19 -> stock19"}));
    EXPECT_EQ(d.body({"color red"}, {0, 0, 400, 400}),
              (Lines{"GetDCPenColor -> 0x00123456", "SetTextColor 0x000A0004", "SetDCPenColor 0x000A0004",
                     "GetStockObject 19 -> stock19", "SelectObject stock19 -> stock19",
                     "GetDCBrushColor -> 0x00123456", "SetDCBrushColor 0x000A0004"}));
}

TEST(ImageDrawing, PenKeysHoldTheWholeWidthAndColour)
{
    Drawing d;
    // Widths 2 and 258 would share a key of (width << 24) | colour.
    const Lines calls = d.body({"pen x #000000 2", "pen x #000000 258", "pen x #000000 2", "pen x #010000 2"});
    EXPECT_EQ(countOf(calls, "CreatePenIndirect"), 3u);
    EXPECT_EQ(countOf(calls, "CreatePenIndirect PS_SOLID 258 "), 1u);
    // Widths are clamped.
    EXPECT_EQ(countOf(d.body({"pen x #000000 5000"}), "CreatePenIndirect PS_SOLID 1024 "), 1u);
}

TEST(ImageDrawing, ManyPenColoursDoNotExhaustObjects)
{
    Lines script;
    for (int i = 0; i < 300; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "pen x #%06x 3", i);
        script.push_back(line);
    }
    Drawing d;
    d.drawScript(script);
    EXPECT_EQ(d.canvas.created('p'), 300u);
    EXPECT_LE(d.canvas.liveObjects('p'), image::PenCache::kMaxPens);
    EXPECT_TRUE(d.canvas.errors().empty()) << d.canvas.errors().front();
}

TEST(ImageDrawing, RelativeAndPaletteColours)
{
    Drawing d;
    // Darker and lighter start from the colour in effect at that moment.
    EXPECT_EQ(countOf(d.body({"pen x #ff0000 1", "pen x darker 1"}), "SetDCPenColor 0x000000BF"), 1u);
    EXPECT_EQ(countOf(d.body({"pen x #ff0000 1", "pen x lighter 1"}), "SetDCPenColor 0x003F3FFF"), 1u);
    EXPECT_EQ(d.body({"brush #408000", "brush darker"}),
              (Lines{"GetDCBrushColor -> 0x00123456", "SetDCBrushColor 0x00008040", "GetDCBrushColor -> 0x00008040",
                     "SetDCBrushColor 0x00006030"}));
    // Palette entries, the background, the default colour.
    EXPECT_EQ(d.body({"brush navy"})[1], "SetDCBrushColor 0x000A000C");
    EXPECT_EQ(d.body({"brush back"}), (Lines{"GetDCBrushColor -> 0x00123456", "GetBkColor -> 0x00E0E0E0",
                                             "SetDCBrushColor 0x00E0E0E0"}));
    EXPECT_EQ(d.body({"brush #ffffff", "brush fore"})[3], "SetDCBrushColor 0x00123456");
    // An index beyond the palette gives the default colour.
    d.palette.resize(5);
    EXPECT_EQ(d.body({"brush red"})[1], "SetDCBrushColor 0x000A0004");
    EXPECT_EQ(d.body({"brush navy"})[1], "SetDCBrushColor 0x00123456");
    d.palette.clear();
    EXPECT_EQ(d.body({"brush contrast"})[1], "SetDCBrushColor 0x00123456");
}

TEST(ImageDrawing, NestedImagesTakeTheBrushColourAsDefault)
{
    Drawing d;
    d.folder.add("dot", {"fill rect 0 0 100"});
    EXPECT_EQ(d.body({"brush #00ff00", "image dot 10 10 20 20", "fill rect 0 0 10"}),
              (Lines{"GetDCBrushColor -> 0x00123456", "SetDCBrushColor 0x0000FF00", "GetDCBrushColor -> 0x0000FF00",
                     "SetDCPenColor 0x0000FF00", "SetDCBrushColor 0x0000FF00", "SetTextColor 0x0000FF00",
                     "GetStockObject 18 -> stock18", "SelectObject stock18 -> stock18", "GetStockObject 19 -> stock19",
                     "SelectObject stock19 -> stock19", "Rectangle 10 10 30 30", "SetDCPenColor 0x0000FF00",
                     "SetDCBrushColor 0x0000FF00", "SetTextColor 0x0000FF00", "GetStockObject 18 -> stock18",
                     "SelectObject stock18 -> stock18", "GetStockObject 19 -> stock19",
                     "SelectObject stock19 -> stock19", "Rectangle 0 0 10 10"}));
}

TEST(ImageDrawing, NothingForAFlatSpaceOrDestination)
{
    Drawing d;
    EXPECT_EQ(d.drawScript({"size 0 100", "fill rect 1 1 1"}), Lines{});
    EXPECT_EQ(d.drawScript({"size 100 0", "fill rect 1 1 1"}), Lines{});
    EXPECT_EQ(d.drawScript({"fill rect 1 1 1"}, {5, 5, 5, 50}), Lines{});
    EXPECT_EQ(d.drawScript({"fill rect 1 1 1"}, {5, 5, 50, 5}), Lines{});
    // A nested image mapped onto nothing draws nothing.
    d.folder.add("dot", {"fill rect 0 0 100"});
    EXPECT_EQ(countOf(d.drawScript({"image dot 10 10 0 20"}), "Rectangle"), 0u);
}

TEST(ImageDrawing, OneDrawingStopsAfterItsItemDraws)
{
    Drawing d;
    d.canvas.logging = false;
    d.folder.add("thousand", Lines(1000, "fill rect 1 1 1"));
    // 200 includes of 1000 items: each include counts once, its items too.
    d.folder.add("many", Lines(200, "image thousand 0 0 100 100"));
    d.canvas.logging = true;
    const Lines calls = d.draw("many");
    EXPECT_EQ(countOf(calls, "Rectangle"), 99u * 1000 + 900);
    // Every image opened was closed again.
    EXPECT_EQ(countOf(calls, "SetTextColor"), 2u * 101);
}

TEST(ImageDrawing, ImagesNestAtMostSixteenDeepWhenDrawn)
{
    // Loaded one by one from the inside out, 30 images each include the
    // next: the cache allows that, the drawing stops at 16.
    Drawing d;
    for (int i = 30; i >= 0; --i) {
        d.folder.add("n" + std::to_string(i), {"fill rect 0 0 100", "image n" + std::to_string(i + 1) + " 0 0 100 100"});
        ASSERT_NE(d.folder.get("n" + std::to_string(i)), nullptr);
    }
    EXPECT_EQ(countOf(d.draw("n0"), "Rectangle"), 16u);
}

TEST(ImageDrawing, NothingIsLeftBehindOverTenThousandDrawings)
{
    Drawing d;
    d.folder.add("dot", {"pen x #00ff00 6", "clip ellipse 0 0 100", "fill rect 0 0 100"});
    d.folder.add("busy", {"pen x #ff0000 2", "clip rect 0 0 50 50", "clip union ellipse 0 0 60",
                          "clip roundrect 0 0 80 80 5 5", "clip poly 0 0 50 0 50 50", "clip pie 50 50 40 0 90",
                          "clip chord 50 50 40 0 90", "pen x red 4", "pen x #ff0000 2", "clip intersect {",
                          "line 0 0 100 100 0 100", "}", "image dot 0 0 50 50", "pen x darker 2", "fill {",
                          "line 0 0 10 10"});
    d.canvas.logging = false;
    for (int i = 0; i < 10000; ++i) d.draw("busy", {0, 0, 100, 100});
    // Pens: red 2, palette red 4, green 3 in the nested image (drawn at half
    // size) and the darker default colour, once each.
    EXPECT_EQ(d.canvas.created('p'), 4u);
    EXPECT_EQ(d.pens.size(), 4u);
    EXPECT_EQ(d.canvas.created('r'), 70000u);
    EXPECT_EQ(d.canvas.liveObjects('r'), 0u);
    EXPECT_FALSE(d.canvas.pathOpen());
    EXPECT_EQ(d.canvas.selectedPen(), "stock19");
    EXPECT_EQ(d.canvas.selectedBrush(), "stock18");
    EXPECT_TRUE(d.canvas.errors().empty()) << d.canvas.errors().front();
}

TEST(ImageDrawing, FailedCreationsAreSkipped)
{
    Drawing d;
    d.canvas.failCreations = true;
    EXPECT_EQ(d.body({"clip rect 0 0 50 50"}), (Lines{"CreateRectRgn 0 0 50 50 -> NULL"}));
    EXPECT_EQ(d.body({"pen x #ff0000 5"}),
              (Lines{"GetDCPenColor -> 0x00123456", "SetTextColor 0x000000FF", "SetDCPenColor 0x000000FF",
                     "CreatePenIndirect PS_SOLID 5 0x000000FF -> NULL", "GetStockObject 19 -> stock19",
                     "SelectObject stock19 -> stock19"}));
    EXPECT_EQ(d.pens.size(), 0u);
}
