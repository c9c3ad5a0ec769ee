// GDI calls behind the canvas.
#include "client/image/win32/GdiCanvas.h"

#include <climits>
#include <cstddef>


namespace image {

static_assert(sizeof(Point) == sizeof(POINT) && offsetof(Point, y) == offsetof(POINT, y));

namespace {

HGDIOBJ gdi(CanvasObject object) { return reinterpret_cast<HGDIOBJ>(object); }
CanvasObject canvasObject(HGDIOBJ object) { return reinterpret_cast<CanvasObject>(object); }
const POINT* gdi(const Point* points) { return reinterpret_cast<const POINT*>(points); }
// GDI counts points in an int or a DWORD; the items hold far fewer.
int count32(std::size_t count) { return count > INT_MAX ? INT_MAX : static_cast<int>(count); }

} // namespace

CanvasObject GdiCanvas::getStockObject(int which) { return canvasObject(GetStockObject(which)); }
CanvasObject GdiCanvas::selectObject(CanvasObject object) { return canvasObject(SelectObject(dc_, gdi(object))); }
bool GdiCanvas::deleteObject(CanvasObject object) { return DeleteObject(gdi(object)); }

CanvasObject GdiCanvas::createPenIndirect(int width, ColorValue color)
{
    LOGPEN pen{PS_SOLID, {width, 0}, color};
    return canvasObject(CreatePenIndirect(&pen));
}

ColorValue GdiCanvas::setDCPenColor(ColorValue color) { return SetDCPenColor(dc_, color); }
ColorValue GdiCanvas::setDCBrushColor(ColorValue color) { return SetDCBrushColor(dc_, color); }
ColorValue GdiCanvas::setTextColor(ColorValue color) { return SetTextColor(dc_, color); }
ColorValue GdiCanvas::getDCPenColor() { return GetDCPenColor(dc_); }
ColorValue GdiCanvas::getDCBrushColor() { return GetDCBrushColor(dc_); }
ColorValue GdiCanvas::getBkColor() { return GetBkColor(dc_); }

CanvasObject GdiCanvas::createRectRgn(const Rect& b)
{
    return canvasObject(CreateRectRgn(b.left, b.top, b.right, b.bottom));
}

CanvasObject GdiCanvas::createEllipticRgn(const Rect& b)
{
    return canvasObject(CreateEllipticRgn(b.left, b.top, b.right, b.bottom));
}

CanvasObject GdiCanvas::createRoundRectRgn(const Rect& b, int cornerWidth, int cornerHeight)
{
    return canvasObject(CreateRoundRectRgn(b.left, b.top, b.right, b.bottom, cornerWidth, cornerHeight));
}

CanvasObject GdiCanvas::createPolygonRgn(const Point* points, std::size_t count, int fillMode)
{
    return canvasObject(CreatePolygonRgn(gdi(points), count32(count), fillMode));
}

int GdiCanvas::selectClipRgn(CanvasObject region) { return SelectClipRgn(dc_, static_cast<HRGN>(gdi(region))); }

bool GdiCanvas::rectangle(const Rect& b) { return Rectangle(dc_, b.left, b.top, b.right, b.bottom); }
bool GdiCanvas::ellipse(const Rect& b) { return Ellipse(dc_, b.left, b.top, b.right, b.bottom); }

bool GdiCanvas::roundRect(const Rect& b, int cornerWidth, int cornerHeight)
{
    return RoundRect(dc_, b.left, b.top, b.right, b.bottom, cornerWidth, cornerHeight);
}

bool GdiCanvas::pie(const Rect& b, const Point& s, const Point& e)
{
    return Pie(dc_, b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
}

bool GdiCanvas::chord(const Rect& b, const Point& s, const Point& e)
{
    return Chord(dc_, b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
}

bool GdiCanvas::polygon(const Point* points, std::size_t count) { return Polygon(dc_, gdi(points), count32(count)); }
int GdiCanvas::setArcDirection(int direction) { return SetArcDirection(dc_, direction); }

bool GdiCanvas::arcTo(const Rect& b, const Point& s, const Point& e)
{
    return ArcTo(dc_, b.left, b.top, b.right, b.bottom, s.x, s.y, e.x, e.y);
}

bool GdiCanvas::moveToEx(const Point& to) { return MoveToEx(dc_, to.x, to.y, nullptr); }
bool GdiCanvas::polyline(const Point* points, std::size_t count) { return Polyline(dc_, gdi(points), count32(count)); }

bool GdiCanvas::polylineTo(const Point* points, std::size_t count)
{
    return PolylineTo(dc_, gdi(points), static_cast<DWORD>(count32(count)));
}

bool GdiCanvas::polyBezier(const Point* points, std::size_t count)
{
    return PolyBezier(dc_, gdi(points), static_cast<DWORD>(count32(count)));
}

bool GdiCanvas::polyBezierTo(const Point* points, std::size_t count)
{
    return PolyBezierTo(dc_, gdi(points), static_cast<DWORD>(count32(count)));
}

bool GdiCanvas::beginPath() { return BeginPath(dc_); }
bool GdiCanvas::endPath() { return EndPath(dc_); }
bool GdiCanvas::abortPath() { return AbortPath(dc_); }
bool GdiCanvas::strokePath() { return StrokePath(dc_); }
bool GdiCanvas::strokeAndFillPath() { return StrokeAndFillPath(dc_); }
bool GdiCanvas::selectClipPath(int mode) { return SelectClipPath(dc_, mode); }

PenCache& gdiPens()
{
    static PenCache pens;
    return pens;
}

} // namespace image
