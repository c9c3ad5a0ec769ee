// libFuzzer target: image scripts loaded from a folder in memory, with
// includes between them, then drawn through the recording canvas, which must
// end every drawing as GDI would be left clean: no region alive, no path
// open, the stock pen and brush selected, no object misused.
//
// The input holds up to four scripts ("a", "b", "c", "d/e") separated by the
// byte 0x00. The first byte chooses their form: odd, scrambled files as they
// are; even, plain text that the target scrambles line by line (so that the
// fuzzer works on the grammar).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "client/image/ImageCache.h"
#include "client/image/ImageDump.h"
#include "client/image/ImageScript.h"
#include "client/image/RecordingCanvas.h"

namespace {

std::string scrambleLines(const std::string& plain)
{
    std::string out = plain;
    for (char& c : out) {
        if (c != '\n') c = static_cast<char>(c ^ image::kScrambleKey);
    }
    return out;
}

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const bool raw = data[0] & 1;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    auto folder = std::make_shared<image::MemoryImageFolder>();
    const char* names[] = {"a", "b", "c", "d/e"};
    std::size_t at = 0;
    for (const char* name : names) {
        const std::size_t end = std::min(input.find('\0', at), input.size());
        const std::string script = input.substr(at, end - at);
        folder->files[name] = raw ? script : scrambleLines(script);
        if (end == input.size()) break;
        at = end + 1;
    }

    image::ImageCache cache(folder);
    image::Image* img = cache.get(L"a");
    check(img != nullptr, "a script that exists loads");
    check(!image::dumpImage(*img).empty(), "a dump");

    const std::uint32_t palette[] = {0x000000, 0x990044, 0x990099, 0x440099, 0x0000FF};
    image::RecordingCanvas canvas(0xFFFFFF);
    canvas.logging = size < 512;
    image::PenCache pens;
    const image::Rect dests[] = {{0, 0, 32, 32}, {10, 10, 10, 40}, {100, 0, 0, 100}, {-2147483647 - 1, 0, 2147483647, 7}};
    for (const image::Rect& dest : dests) {
        image::drawImage(canvas, pens, palette, *img, dest, 0x123456);
        check(canvas.liveObjects('r') == 0, "every region deleted");
        check(!canvas.pathOpen(), "no path left open");
        if (!canvas.errors().empty()) std::fprintf(stderr, "%s\n", canvas.errors().front().c_str());
        check(canvas.errors().empty(), "no object misused");
        // The stock DC pen and brush after a drawing; the device context's
        // first ones when nothing was drawn yet.
        check(canvas.selectedPen() == "stock19" || canvas.selectedPen() == "stock7", "the stock pen at the end");
        check(canvas.selectedBrush() == "stock18" || canvas.selectedBrush() == "stock0", "the stock brush at the end");
        check(img->pathMode == 0 && !img->pathStart, "the path state reset");
        canvas.calls.clear();
    }
    check(canvas.liveObjects('p') <= image::PenCache::kMaxPens, "pens bounded");
    return 0;
}
