// Menu entry images through GDI.
#include "client/image/win32/EntryImage.h"

#include "client/image/ImageCache.h"
#include "client/image/win32/GdiCanvas.h"

namespace image {

bool drawEntryImage(HDC dc, const RECT& area, COLORREF textColor, std::span<const std::uint32_t> palette,
                    const std::wstring& name)
{
    Image* picture = getImage(name);
    if (!picture) return false;
    const int saved = SaveDC(dc);
    if (saved == 0) return false;
    GdiCanvas canvas(dc);
    drawImage(canvas, gdiPens(), palette, *picture, {area.left, area.top, area.right, area.bottom}, textColor);
    RestoreDC(dc, saved);
    return true;
}

} // namespace image
