// GDI rendering of an image into a DIB section, through the same canvas as
// the client's menus.
#include "Render.h"

#include "client/image/win32/DibSection.h"
#include "client/image/win32/GdiCanvas.h"

namespace orvimg {

bool renderImage(image::Image& img, const image::Rect& dest, int width, int height, image::ColorValue defaultColor,
                 image::ColorValue background, std::span<const image::ColorValue> palette,
                 std::vector<std::uint32_t>& pixels)
{
    image::DibSection picture(width, height, background);
    if (!picture.ok()) return false;
    image::GdiCanvas canvas(picture.dc());
    image::PenCache pens;
    image::drawImage(canvas, pens, palette, img, dest, defaultColor);
    pens.release(canvas);
    pixels = picture.pixels();
    return true;
}

} // namespace orvimg
