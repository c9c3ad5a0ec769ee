// orvimg: image scripts by hand. Scrambles and unscrambles script files,
// dumps the items a script makes, traces the GDI calls of its drawing and,
// on Windows, renders it to a PNG or BMP file.
//
//   orvimg scramble IN OUT
//   orvimg unscramble IN OUT
//   orvimg dump [--images DIR] NAME
//   orvimg trace [--images DIR] [--dest L,T,R,B] [--default RRGGBB]
//                [--background RRGGBB] [--palette light|dark] NAME
//   orvimg render [the options of trace] --out FILE.png|FILE.bmp NAME
//
// NAME is looked up as the client does, DIR/NAME.gfx with "images" in the
// current folder as DIR. The destination defaults to the image's own space;
// a render is R+L wide and B+T high, so that the destination has equal
// margins. Exit status: 0 done, 1 a file could not be read or written or a
// script cannot be scrambled, 2 wrong usage, 3 the image does not load.
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BitmapFile.h"
#include "Render.h"
#include "client/core/Environment.h"
#include "client/image/ImageCache.h"
#include "client/image/ImageDump.h"
#include "client/image/ImageScript.h"
#include "client/image/RecordingCanvas.h"
#include "client/ui/history/PresentationDefaults.h"
#include "common/file.h"
#include "common/utf8.h"

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotLoaded = 3;
constexpr int kMaxRenderSide = 8192;

const char kUsageText[] =
    "usage: orvimg scramble IN OUT\n"
    "       orvimg unscramble IN OUT\n"
    "       orvimg dump [--images DIR] NAME\n"
    "       orvimg trace [--images DIR] [--dest L,T,R,B] [--default RRGGBB] [--background RRGGBB]\n"
    "                    [--palette light|dark] NAME\n"
    "       orvimg render [the options of trace] --out FILE.png|FILE.bmp NAME   (Windows)\n";

int usage(const char* problem)
{
    std::fprintf(stderr, "orvimg: %s\n%s", problem, kUsageText);
    return kUsage;
}

struct Options {
    std::string images = "images";
    std::optional<image::Rect> dest;
    image::ColorValue defaultColor = 0x000000;
    image::ColorValue background = 0xFFFFFF;
    bool dark = false;
    std::string out;
    std::string name;
};

std::optional<image::ColorValue> readRgb(const char* text)
{
    unsigned value = 0;
    int used = 0;
    if (std::strlen(text) != 6 || std::sscanf(text, "%6x%n", &value, &used) != 1 || used != 6) return std::nullopt;
    return image::rgb(value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF);
}

std::optional<image::Rect> readRect(const char* text)
{
    image::Rect r;
    int used = 0;
    if (std::sscanf(text, "%d,%d,%d,%d%n", &r.left, &r.top, &r.right, &r.bottom, &used) != 4 ||
        text[used] != '\0')
        return std::nullopt;
    return r;
}

// The options of dump, trace and render; nothing (after saying why) when
// they are wrong.
std::optional<Options> readOptions(int argc, char** argv, bool drawing, bool rendering)
{
    Options o;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--images" && hasValue) o.images = argv[++i];
        else if (drawing && a == "--dest" && hasValue) {
            if (!(o.dest = readRect(argv[++i]))) return usage("--dest takes L,T,R,B"), std::nullopt;
        } else if (drawing && (a == "--default" || a == "--background") && hasValue) {
            const auto c = readRgb(argv[++i]);
            if (!c) return usage("colours are written RRGGBB"), std::nullopt;
            (a == "--default" ? o.defaultColor : o.background) = *c;
        } else if (drawing && a == "--palette" && hasValue) {
            const std::string p = argv[++i];
            if (p != "light" && p != "dark") return usage("--palette takes light or dark"), std::nullopt;
            o.dark = p == "dark";
        } else if (rendering && a == "--out" && hasValue) o.out = argv[++i];
        else if (a.starts_with("--") || !o.name.empty()) return usage(("unexpected " + a).c_str()), std::nullopt;
        else o.name = a;
    }
    if (o.name.empty()) return usage("no image name"), std::nullopt;
    if (rendering && !o.out.ends_with(".png") && !o.out.ends_with(".bmp"))
        return usage("render needs --out FILE.png or FILE.bmp"), std::nullopt;
    return o;
}

int scramble(const char* in, const char* out, bool forward)
{
    std::string bytes, result;
    if (!common::readWholeFile(in, bytes)) {
        std::fprintf(stderr, "orvimg: cannot read %s\n", in);
        return kFailed;
    }
    if (forward) {
        std::size_t badLine = 0;
        if (!image::scrambleScript(bytes, result, badLine)) {
            std::fprintf(stderr,
                         "orvimg: %s line %zu: a byte 0xAA or 0xAD would end the line once scrambled; nothing "
                         "written\n",
                         in, badLine);
            return kFailed;
        }
    } else {
        result = image::unscrambleScript(bytes);
    }
    if (!common::writeWholeFile(out, result)) {
        std::fprintf(stderr, "orvimg: cannot write %s\n", out);
        return kFailed;
    }
    return 0;
}

image::Image* loadNamed(image::ImageCache& cache, const Options& o)
{
    image::Image* img = cache.get(common::utf8ToWide(o.name));
    if (!img) std::fprintf(stderr, "orvimg: the image %s does not load from %s\n", o.name.c_str(), o.images.c_str());
    return img;
}

std::vector<image::ColorValue> palette(bool dark)
{
    const auto p = defaultPresentation(kBuiltInPresentationProtocol, dark, builtInResource);
    return p ? p->palette : std::vector<image::ColorValue>{};
}

int drawingCommand(const std::string& command, int argc, char** argv)
{
    const bool drawing = command != "dump", rendering = command == "render";
    const auto o = readOptions(argc, argv, drawing, rendering);
    if (!o) return kUsage;
    std::string folder = o->images;
    if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator) folder += kPathSeparator;
    image::ImageCache cache(std::make_shared<image::DiskImageFolder>(folder));
    image::Image* img = loadNamed(cache, *o);
    if (!img) return kNotLoaded;

    if (command == "dump") {
        for (const std::string& line : image::dumpImage(*img)) std::printf("%s\n", line.c_str());
        return 0;
    }
    const std::vector<image::ColorValue> colors = palette(o->dark);
    image::Rect dest = o->dest.value_or(img->space);
    if (command == "trace") {
        image::RecordingCanvas canvas(o->background);
        image::PenCache pens;
        image::drawImage(canvas, pens, colors, *img, dest, o->defaultColor);
        for (const std::string& line : canvas.calls) std::printf("%s\n", line.c_str());
        return 0;
    }
#ifdef _WIN32
    if (!o->dest) {
        const auto side = [](std::int64_t v) { return v >= 1 && v <= kMaxRenderSide; };
        if (!side(image::width(dest)) || !side(image::height(dest))) dest = {0, 0, 100, 100};
        dest = {0, 0, static_cast<std::int32_t>(image::width(dest)), static_cast<std::int32_t>(image::height(dest))};
    }
    const std::int64_t w = std::int64_t{dest.right} + dest.left, h = std::int64_t{dest.bottom} + dest.top;
    if (dest.left < 0 || dest.top < 0 || w < 1 || h < 1 || w > kMaxRenderSide || h > kMaxRenderSide)
        return usage("a render needs 0 <= L, 0 <= T and R+L, B+T from 1 to 8192");
    std::vector<std::uint32_t> pixels;
    if (!orvimg::renderImage(*img, dest, static_cast<int>(w), static_cast<int>(h), o->defaultColor, o->background,
                             colors, pixels)) {
        std::fprintf(stderr, "orvimg: GDI could not make the picture\n");
        return kFailed;
    }
    const std::string file = o->out.ends_with(".png") ? orvimg::pngFile(static_cast<int>(w), static_cast<int>(h), pixels)
                                                      : orvimg::bmpFile(static_cast<int>(w), static_cast<int>(h), pixels);
    if (!common::writeWholeFile(o->out, file)) {
        std::fprintf(stderr, "orvimg: cannot write %s\n", o->out.c_str());
        return kFailed;
    }
    return 0;
#else
    return usage("render needs the Windows build");
#endif
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage("no command");
    const std::string command = argv[1];
    if (command == "--help") {
        std::printf("%s", kUsageText);
        return 0;
    }
    if (command == "scramble" || command == "unscramble") {
        if (argc != 4) return usage((command + " takes IN and OUT").c_str());
        return scramble(argv[2], argv[3], command == "scramble");
    }
    if (command == "dump" || command == "trace" || command == "render") return drawingCommand(command, argc, argv);
    return usage(("unknown command " + command).c_str());
}
