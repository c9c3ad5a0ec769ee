// The solid pens that images draw with, created once per width and colour
// and kept for the next drawings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "client/image/Canvas.h"

namespace image {

class PenCache {
public:
    // Pens kept at most; a new pen beyond them first releases all the others,
    // so that scripts with endless colours cannot exhaust the process's GDI
    // objects.
    static constexpr std::size_t kMaxPens = 256;

    // The pen of the width and colour, created on first use with
    // createPenIndirect; 0 when the canvas cannot create it. Releasing the
    // others selects the stock DC pen first, as a selected pen cannot be
    // deleted.
    CanvasObject pen(Canvas& canvas, int width, ColorValue color);

    // Deletes every pen (selecting the stock DC pen first).
    void release(Canvas& canvas);

    std::size_t size() const { return pens_.size(); }

private:
    // The whole width and colour: no two pens share a key.
    std::unordered_map<std::uint64_t, CanvasObject> pens_;
};

} // namespace image
