// DIB sections in memory device contexts.
#include "client/image/win32/DibSection.h"

#include <algorithm>

namespace image {

DibSection::DibSection(int width, int height, COLORREF background) : width_(width), height_(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) return;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return;
    bits_ = static_cast<std::uint32_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
    const std::uint32_t fill = GetRValue(background) << 16 | GetGValue(background) << 8 | GetBValue(background);
    std::fill(bits_, bits_ + static_cast<std::size_t>(width) * height, fill);
    SetBkColor(dc_, background);
}

DibSection::~DibSection()
{
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
}

COLORREF DibSection::pixel(int x, int y) const
{
    GdiFlush();
    const std::uint32_t v = bits_[static_cast<std::size_t>(y) * width_ + x];
    return RGB(v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF);
}

std::vector<std::uint32_t> DibSection::pixels() const
{
    GdiFlush();
    std::vector<std::uint32_t> out(bits_, bits_ + static_cast<std::size_t>(width_) * height_);
    for (std::uint32_t& v : out) v &= 0x00FFFFFF;
    return out;
}

} // namespace image
