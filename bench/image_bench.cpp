// image_bench: how fast image scripts parse, and (on Windows) how fast they
// draw with GDI.
//
//   image_bench [MEGABYTES]
//
// Everywhere: parses a generated corpus of scrambled scripts (MEGABYTES of
// them, 64 by default) and prints MB/s (10^6 bytes) and lines/s. On
// Windows also: a 20-item image drawn into a 32 x 32 DIB section, timed
// beside the same GDI calls issued directly in the same run, as items/s and
// the ratio of the two times; and a repaint of 100 menu entries showing that
// image through the menus' drawing function, in milliseconds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "client/image/ImageScript.h"

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "client/core/Environment.h"
#include "client/image/ImageCache.h"
#include "client/image/win32/DibSection.h"
#include "client/image/win32/EntryImage.h"
#include "client/image/win32/GdiCanvas.h"
#include "client/ui/history/PresentationDefaults.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Lines as scripts have them: shapes of every kind, point lists, colours,
// pens, clips and paths, with varied numbers.
std::string corpusScript(std::mt19937& random, std::size_t bytes, std::size_t& lines)
{
    std::uniform_int_distribution<int> n(0, 100), kind(0, 13);
    const char* colors[] = {"red", "def", "#ff8000", "#0af", "darker", "navy", "back", "lightgray"};
    std::string plain;
    lines = 0;
    char line[160];
    while (plain.size() < bytes) {
        switch (kind(random)) {
        case 0: std::snprintf(line, sizeof line, "fill rect %d %d %d %d", n(random), n(random), n(random), n(random)); break;
        case 1: std::snprintf(line, sizeof line, "draw circle %d %d %d", n(random), n(random), n(random)); break;
        case 2: std::snprintf(line, sizeof line, "fill pie %d %d %d %d %d", n(random), n(random), n(random), n(random), n(random)); break;
        case 3: std::snprintf(line, sizeof line, "draw chord %d %d %d %d %d %d", n(random), n(random), n(random), n(random), n(random), n(random)); break;
        case 4: std::snprintf(line, sizeof line, "lines %d %d %d %d %d %d %d %d", n(random), n(random), n(random), n(random), n(random), n(random), n(random), n(random)); break;
        case 5: std::snprintf(line, sizeof line, "bezier %d %d %d %d %d %d %d %d", n(random), n(random), n(random), n(random), n(random), n(random), n(random), n(random)); break;
        case 6: std::snprintf(line, sizeof line, "fill poly %d %d %d %d %d %d", n(random), n(random), n(random), n(random), n(random), n(random)); break;
        case 7: std::snprintf(line, sizeof line, "color %s", colors[n(random) % 8]); break;
        case 8: std::snprintf(line, sizeof line, "pen solid %s %d", colors[n(random) % 8], n(random) % 5); break;
        case 9: std::snprintf(line, sizeof line, "brush %s", colors[n(random) % 8]); break;
        case 10: std::snprintf(line, sizeof line, "clip intersect rect %d %d %d %d", n(random), n(random), n(random), n(random)); break;
        case 11: std::snprintf(line, sizeof line, "fill {"); break;
        case 12: std::snprintf(line, sizeof line, "}"); break;
        default: std::snprintf(line, sizeof line, "fill roundrect %d %d %d %d 4 4", n(random), n(random), n(random), n(random)); break;
        }
        plain += line;
        plain += '\n';
        ++lines;
    }
    std::string scrambled;
    std::size_t bad = 0;
    image::scrambleScript(plain, scrambled, bad);
    return scrambled;
}

void parseRate(std::size_t megabytes)
{
    // Files of 256 KiB, as large as real ones get and well within the limits.
    std::mt19937 random(14);
    std::vector<std::string> files;
    std::vector<std::size_t> lineCounts;
    std::size_t total = 0, lines = 0;
    while (total < megabytes * 1000000) {
        std::size_t count = 0;
        files.push_back(corpusScript(random, 256 * 1024, count));
        lineCounts.push_back(count);
        total += files.back().size();
        lines += count;
    }
    double seconds = 0;
    std::size_t items = 0;
    for (const std::string& file : files) {
        image::Image img;
        const auto start = Clock::now();
        image::parseImageScript(img, file, nullptr);
        seconds += secondsSince(start);
        items += img.items.size();
    }
    std::printf("parse: %zu files, %.1f MB, %zu lines, %zu items in %.3f s: %.1f MB/s, %.2f million lines/s\n",
                files.size(), total / 1e6, lines, items, seconds, total / 1e6 / seconds, lines / 1e6 / seconds);
}

#ifdef _WIN32

const char kBenchScript[] =
    "color #ff0000\nfill rect 10 10 30\ndraw circle 50 50 20\npen x blue 6\nfill pie 50 50 40 0 90\n"
    "brush green\nfill ellipse 60 60 30 20\nline 0 0 100 100 0 100\nfill poly 10 90 30 70 50 90\n"
    "brush #00ff00\nfill roundrect 5 5 30 30 4 4\ndraw chord 50 50 30 90 270\npen x def 1\n"
    "bezier 0 50 30 0 70 100 100 50\nclip rect 0 0 100 100\nfill {\nlines 20 20 80 20 80 80\n}\nbrush darker\n";
constexpr int kBenchItems = 20;

// The built-in palette for a light background.
const std::vector<std::uint32_t>& lightPalette()
{
    static const std::vector<std::uint32_t> palette =
        defaultPresentation(kBuiltInPresentationProtocol, false, builtInResource).value_or(Presentation{}).palette;
    return palette;
}

// The calls that drawing kBenchScript onto (0, 0, 32, 32) with black as the
// default colour makes (orvimg trace --dest 0,0,32,32), written out.
void drawDirect(HDC dc, HPEN pen)
{
    SetDCPenColor(dc, 0);
    SetDCBrushColor(dc, 0);
    SetTextColor(dc, 0);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    GetDCPenColor(dc);
    SetTextColor(dc, 0x0000FF);
    SetDCPenColor(dc, 0x0000FF);
    SelectObject(dc, GetStockObject(DC_PEN));
    GetDCBrushColor(dc);
    SetDCBrushColor(dc, 0x0000FF);
    Rectangle(dc, 3, 3, 12, 12);
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, 9, 9, 22, 22);
    SelectObject(dc, old);
    GetDCPenColor(dc);
    SetTextColor(dc, 0xFF0000);
    SetDCPenColor(dc, 0xFF0000);
    SelectObject(dc, pen);
    SetDCPenColor(dc, 0xFF0000);
    SetArcDirection(dc, AD_CLOCKWISE);
    Pie(dc, 3, 3, 28, 28, 16, 3, 28, 16);
    GetDCBrushColor(dc);
    SetDCBrushColor(dc, 0x005500);
    Ellipse(dc, 19, 19, 28, 25);
    static const POINT line[] = {{0, 0}, {32, 32}, {0, 32}};
    Polyline(dc, line, 3);
    static const POINT poly[] = {{3, 28}, {9, 22}, {16, 28}};
    Polygon(dc, poly, 3);
    GetDCBrushColor(dc);
    SetDCBrushColor(dc, 0x00FF00);
    RoundRect(dc, 1, 1, 11, 11, 4, 4);
    SetArcDirection(dc, AD_CLOCKWISE);
    old = SelectObject(dc, GetStockObject(NULL_BRUSH));
    ArcTo(dc, 6, 6, 25, 25, 25, 16, 6, 16);
    SelectObject(dc, old);
    GetDCPenColor(dc);
    SetTextColor(dc, 0);
    SetDCPenColor(dc, 0);
    SelectObject(dc, GetStockObject(DC_PEN));
    static const POINT bezier[] = {{0, 16}, {9, 0}, {22, 32}, {32, 16}};
    PolyBezier(dc, bezier, 4);
    HRGN region = CreateRectRgn(0, 0, 32, 32);
    SelectClipRgn(dc, region);
    DeleteObject(region);
    BeginPath(dc);
    MoveToEx(dc, 6, 6, nullptr);
    static const POINT path[] = {{6, 6}, {25, 6}, {25, 25}};
    PolylineTo(dc, path, 3);
    EndPath(dc);
    StrokeAndFillPath(dc);
    GetDCBrushColor(dc);
    SetDCBrushColor(dc, 0x00BF00);
    SetDCPenColor(dc, 0);
    SetDCBrushColor(dc, 0);
    SetTextColor(dc, 0);
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
}

using image::DibSection;

void drawRate(image::Image& img)
{
    const image::Rect dest{0, 0, 32, 32};
    HPEN pen = CreatePen(PS_SOLID, 2, 0xFF0000);
    // Both ways must give the same picture.
    {
        DibSection a(32, 32, 0xFFFFFF), b(32, 32, 0xFFFFFF);
        image::GdiCanvas canvas(a.dc());
        image::drawImage(canvas, image::gdiPens(), lightPalette(), img, dest, 0);
        drawDirect(b.dc(), pen);
        std::printf("draw: the image and the direct calls give %s pictures\n",
                    a.pixels() == b.pixels() ? "the same" : "DIFFERENT");
    }
    DibSection viaImage(32, 32, 0xFFFFFF), direct(32, 32, 0xFFFFFF);
    image::GdiCanvas canvas(viaImage.dc());
    constexpr int kRounds = 20, kBatch = 500;
    double imageSeconds = 0, directSeconds = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i) image::drawImage(canvas, image::gdiPens(), lightPalette(), img, dest, 0);
        imageSeconds += secondsSince(start);
        start = Clock::now();
        for (int i = 0; i < kBatch; ++i) drawDirect(direct.dc(), pen);
        directSeconds += secondsSince(start);
    }
    const double draws = double{kRounds} * kBatch;
    std::printf("draw: %d-item image into 32x32, %.0f draws: %.0f items/s (%.2f us a draw); direct GDI calls %.0f "
                "items/s (%.2f us); ratio %.3f\n",
                kBenchItems, draws, draws * kBenchItems / imageSeconds, imageSeconds / draws * 1e6,
                draws * kBenchItems / directSeconds, directSeconds / draws * 1e6, imageSeconds / directSeconds);
    DeleteObject(pen);
}

void repaintTime()
{
    // The menus' drawing function finds the image in the application's
    // images folder.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "orvc-image-bench";
    std::filesystem::create_directories(folder / "images");
    std::string scrambled;
    std::size_t bad = 0;
    image::scrambleScript(kBenchScript, scrambled, bad);
    std::ofstream(folder / "images" / "bench.gfx", std::ios::binary) << scrambled;
    Environment env;
    env.appDir = folder.string() + "\\";
    setEnvironment(env);

    constexpr int kEntries = 100, kRepaints = 100;
    DibSection list(32, 32 * kEntries, 0xFFFFFF);
    std::vector<double> times;
    for (int r = 0; r < kRepaints; ++r) {
        const auto start = Clock::now();
        for (int e = 0; e < kEntries; ++e) {
            const RECT area{0, 32 * e, 32, 32 * e + 32};
            image::drawEntryImage(list.dc(), area, 0, lightPalette(), L"bench");
        }
        GdiFlush();
        times.push_back(secondsSince(start) * 1000);
    }
    std::sort(times.begin(), times.end());
    std::printf("repaint: %d entries of the %d-item image through the menu function: median %.2f ms, worst %.2f ms "
                "(%d repaints)\n",
                kEntries, kBenchItems, times[times.size() / 2], times.back(), kRepaints);
    std::filesystem::remove_all(folder);
}

#endif

} // namespace

int main(int argc, char** argv)
{
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64;
    parseRate(megabytes == 0 ? 1 : megabytes);
#ifdef _WIN32
    std::string scrambled;
    std::size_t bad = 0;
    image::scrambleScript(kBenchScript, scrambled, bad);
    image::Image img;
    image::parseImageScript(img, scrambled, nullptr);
    if (img.items.size() != kBenchItems) std::printf("the bench image has %zu items\n", img.items.size());
    drawRate(img);
    repaintTime();
#endif
    return 0;
}
