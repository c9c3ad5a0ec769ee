// The canvas of a Windows device context: every call forwarded to GDI.
#pragma once

#include <windows.h>

#include "client/image/Canvas.h"
#include "client/image/PenCache.h"

namespace image {

class GdiCanvas : public Canvas {
public:
    explicit GdiCanvas(HDC dc) : dc_(dc) {}

    CanvasObject getStockObject(int which) override;
    CanvasObject selectObject(CanvasObject object) override;
    bool deleteObject(CanvasObject object) override;
    CanvasObject createPenIndirect(int width, ColorValue color) override;
    ColorValue setDCPenColor(ColorValue color) override;
    ColorValue setDCBrushColor(ColorValue color) override;
    ColorValue setTextColor(ColorValue color) override;
    ColorValue getDCPenColor() override;
    ColorValue getDCBrushColor() override;
    ColorValue getBkColor() override;
    CanvasObject createRectRgn(const Rect& box) override;
    CanvasObject createEllipticRgn(const Rect& box) override;
    CanvasObject createRoundRectRgn(const Rect& box, int cornerWidth, int cornerHeight) override;
    CanvasObject createPolygonRgn(const Point* points, std::size_t count, int fillMode) override;
    int selectClipRgn(CanvasObject region) override;
    bool rectangle(const Rect& box) override;
    bool ellipse(const Rect& box) override;
    bool roundRect(const Rect& box, int cornerWidth, int cornerHeight) override;
    bool pie(const Rect& box, const Point& start, const Point& end) override;
    bool chord(const Rect& box, const Point& start, const Point& end) override;
    bool polygon(const Point* points, std::size_t count) override;
    int setArcDirection(int direction) override;
    bool arcTo(const Rect& box, const Point& start, const Point& end) override;
    bool moveToEx(const Point& to) override;
    bool polyline(const Point* points, std::size_t count) override;
    bool polylineTo(const Point* points, std::size_t count) override;
    bool polyBezier(const Point* points, std::size_t count) override;
    bool polyBezierTo(const Point* points, std::size_t count) override;
    bool beginPath() override;
    bool endPath() override;
    bool abortPath() override;
    bool strokePath() override;
    bool strokeAndFillPath() override;
    bool selectClipPath(int mode) override;

private:
    HDC dc_;
};

// The pens of GDI drawings, kept for the whole run.
PenCache& gdiPens();

} // namespace image
