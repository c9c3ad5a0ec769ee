// A picture in memory to draw on with GDI: a 32-bit top-down DIB section
// selected into a memory device context.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace image {

class DibSection {
public:
    // A picture width × height filled with the background colour, which is
    // also the device context's background colour. ok() tells whether GDI
    // could make it.
    DibSection(int width, int height, COLORREF background);
    ~DibSection();
    DibSection(const DibSection&) = delete;
    DibSection& operator=(const DibSection&) = delete;

    bool ok() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    // The colour at a point, after what was drawn has reached the bits.
    COLORREF pixel(int x, int y) const;
    // Every pixel as 0x00RRGGBB, top row first.
    std::vector<std::uint32_t> pixels() const;

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

} // namespace image
