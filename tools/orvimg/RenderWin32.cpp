// GDI rendering of an image into a DIB section, through the same canvas as
// the client's menus.
#include "Render.h"

#include <windows.h>

#include "client/image/win32/GdiCanvas.h"

namespace orvimg {

bool renderImage(image::Image& img, const image::Rect& dest, int width, int height, image::ColorValue defaultColor,
                 image::ColorValue background, std::span<const image::ColorValue> palette,
                 std::vector<std::uint32_t>& pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(dc);
        return false;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH fill = CreateSolidBrush(background);
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    SetBkColor(dc, background);

    image::GdiCanvas canvas(dc);
    image::PenCache pens;
    image::drawImage(canvas, pens, palette, img, dest, defaultColor);
    pens.release(canvas);
    GdiFlush();

    const auto* p = static_cast<const std::uint32_t*>(bits);
    pixels.assign(p, p + static_cast<std::size_t>(width) * height);
    for (std::uint32_t& v : pixels) v &= 0x00FFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return true;
}

} // namespace orvimg
