// The drawing surface that image items draw on: exactly the GDI operations
// that images use, one method each, with GDI's meaning and results. The GDI
// canvas forwards them to a device context; the recording canvas logs them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "client/image/Color.h"
#include "client/image/Geometry.h"

namespace image {

// A GDI object (pen, brush, region) as the canvas hands it out: an HGDIOBJ
// on Windows. 0 is no object, the result of a failed creation or selection.
using CanvasObject = std::uintptr_t;

// Stock objects (GetStockObject).
inline constexpr int kStockNullBrush = 5; // NULL_BRUSH: nothing is filled
inline constexpr int kStockDcBrush = 18;  // DC_BRUSH: the DC brush colour
inline constexpr int kStockDcPen = 19;    // DC_PEN: one pixel in the DC pen colour

inline constexpr int kArcClockwise = 2;   // AD_CLOCKWISE
inline constexpr int kWindingFill = 2;    // WINDING polygon fill mode

// How SelectClipPath combines the path with the clip area.
inline constexpr int kClipAnd = 1;        // RGN_AND
inline constexpr int kClipOr = 2;         // RGN_OR
inline constexpr int kClipDiff = 4;       // RGN_DIFF
inline constexpr int kClipCopy = 5;       // RGN_COPY

class Canvas {
public:
    virtual ~Canvas() = default;

    // Objects.
    virtual CanvasObject getStockObject(int which) = 0;
    // Selects a pen, brush or region; the object of that kind selected before,
    // or 0 on failure.
    virtual CanvasObject selectObject(CanvasObject object) = 0;
    // Fails (false) for an object still selected.
    virtual bool deleteObject(CanvasObject object) = 0;
    // A solid pen of the width in pixels and the colour (CreatePenIndirect).
    virtual CanvasObject createPenIndirect(int width, ColorValue color) = 0;

    // Colours of the device context; the setters return the previous one.
    virtual ColorValue setDCPenColor(ColorValue color) = 0;
    virtual ColorValue setDCBrushColor(ColorValue color) = 0;
    virtual ColorValue setTextColor(ColorValue color) = 0;
    virtual ColorValue getDCPenColor() = 0;
    virtual ColorValue getDCBrushColor() = 0;
    virtual ColorValue getBkColor() = 0;

    // Regions and clipping. selectClipRgn copies the region: the caller
    // still deletes it.
    virtual CanvasObject createRectRgn(const Rect& box) = 0;
    virtual CanvasObject createEllipticRgn(const Rect& box) = 0;
    virtual CanvasObject createRoundRectRgn(const Rect& box, int cornerWidth, int cornerHeight) = 0;
    virtual CanvasObject createPolygonRgn(const Point* points, std::size_t count, int fillMode) = 0;
    virtual int selectClipRgn(CanvasObject region) = 0;

    // Shapes: filled with the brush and outlined with the pen.
    virtual bool rectangle(const Rect& box) = 0;
    virtual bool ellipse(const Rect& box) = 0;
    virtual bool roundRect(const Rect& box, int cornerWidth, int cornerHeight) = 0;
    virtual bool pie(const Rect& box, const Point& start, const Point& end) = 0;
    virtual bool chord(const Rect& box, const Point& start, const Point& end) = 0;
    virtual bool polygon(const Point* points, std::size_t count) = 0;

    // Lines, from and to the current position where named "To".
    virtual int setArcDirection(int direction) = 0;
    virtual bool arcTo(const Rect& box, const Point& start, const Point& end) = 0;
    virtual bool moveToEx(const Point& to) = 0;
    virtual bool polyline(const Point* points, std::size_t count) = 0;
    virtual bool polylineTo(const Point* points, std::size_t count) = 0;
    virtual bool polyBezier(const Point* points, std::size_t count) = 0;
    virtual bool polyBezierTo(const Point* points, std::size_t count) = 0;

    // Paths.
    virtual bool beginPath() = 0;
    virtual bool endPath() = 0;
    virtual bool abortPath() = 0;
    virtual bool strokePath() = 0;
    virtual bool strokeAndFillPath() = 0;
    virtual bool selectClipPath(int mode) = 0;
};

} // namespace image
