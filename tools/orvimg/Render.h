// Drawing an image with GDI into a 32-bit DIB section (Windows only).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "client/image/Image.h"

namespace orvimg {

// Draws the image onto dest of a picture width × height filled with the
// background (also the device context's background colour); the pixels as
// 0x00RRGGBB, top row first. False when GDI cannot make the picture.
bool renderImage(image::Image& img, const image::Rect& dest, int width, int height, image::ColorValue defaultColor,
                 image::ColorValue background, std::span<const image::ColorValue> palette,
                 std::vector<std::uint32_t>& pixels);

} // namespace orvimg
