// The image of a menu entry, drawn into the entry's text area.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

namespace image {

// Draws the named image (from the image cache) into area with textColor as
// its default colour and palette for its palette colours. The drawing runs
// between SaveDC and RestoreDC, so the clip area, path, arc direction,
// colours and objects it changes never reach what the list draws next.
// False, with nothing drawn, when the image cannot be loaded. For the
// owner-drawn menu list, called on the GUI thread while an entry is painted.
bool drawEntryImage(HDC dc, const RECT& area, COLORREF textColor, std::span<const std::uint32_t> palette,
                    const std::wstring& name);

} // namespace image
