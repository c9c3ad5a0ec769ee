// An image: a coordinate space and the ordered drawing items that a script
// made, and the item classes that draw themselves on a canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "client/image/Canvas.h"
#include "client/image/Color.h"
#include "client/image/Geometry.h"
#include "client/image/PenCache.h"

namespace image {

// Drawing modes of shape lines.
inline constexpr int kModeOutline = 1;        // "draw": outline only
inline constexpr int kModeFill = 3;           // "fill": filled with the brush, outlined with the pen
inline constexpr int kModeClip = 4;           // "clip": the shape replaces the clip area
inline constexpr int kModeClipIntersect = 5;  // "clip intersect"
inline constexpr int kModeClipDifference = 6; // "clip difference"
inline constexpr int kModeClipUnion = 7;      // "clip union"
inline constexpr bool isClipMode(int mode) { return mode >= kModeClip && mode <= kModeClipUnion; }

// Bounds that keep any script harmless.
inline constexpr long kMaxItemDraws = 100000;  // item draws of one top-level drawing, nested ones counted
inline constexpr int kMaxDrawNesting = 16;     // images drawn inside each other
inline constexpr int kMaxPenWidth = 1024;      // pixels

class Image;

// What one top-level drawing shares among its images and items.
struct DrawContext {
    Canvas& canvas;
    PenCache& pens;
    // The colour palette that special colours 0 to 14 index.
    std::span<const ColorValue> palette;
    long itemDrawsLeft = kMaxItemDraws;
    int depth = 0;
    std::vector<Point> mappedPoints; // reused by the point-list items
};

class ImageItem {
public:
    // Draws the item of image, mapped onto dest, with defaultColor as the
    // image's default colour.
    virtual bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) = 0;
    virtual ~ImageItem() = default;
};

// Rectangles, ellipses and round rectangles.
class IIShape : public ImageItem {
public:
    IIShape(const Rect& box, int mode) : box(box), mode(mode) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;
    // The region of the shape on the mapped box; 0 on failure.
    virtual CanvasObject makeRegion(DrawContext& dc, const Rect& mapped) = 0;
    virtual bool drawShape(DrawContext& dc, const Rect& mapped) = 0;

    Rect box; // script coordinates
    int mode;
};

class IIRectangle : public IIShape {
public:
    using IIShape::IIShape;
    CanvasObject makeRegion(DrawContext& dc, const Rect& mapped) override;
    bool drawShape(DrawContext& dc, const Rect& mapped) override;
};

class IIEllipse : public IIShape {
public:
    using IIShape::IIShape;
    CanvasObject makeRegion(DrawContext& dc, const Rect& mapped) override;
    bool drawShape(DrawContext& dc, const Rect& mapped) override;
};

class IIRoundRectangle : public IIShape {
public:
    IIRoundRectangle(const Rect& box, int mode, std::int32_t cornerWidth, std::int32_t cornerHeight)
        : IIShape(box, mode), cornerWidth(cornerWidth), cornerHeight(cornerHeight) {}
    CanvasObject makeRegion(DrawContext& dc, const Rect& mapped) override;
    bool drawShape(DrawContext& dc, const Rect& mapped) override;

    std::int32_t cornerWidth, cornerHeight; // device pixels, not mapped
};

// Pies and chords: a part of an ellipse between two angles in degrees,
// measured clockwise from 12 o'clock.
class IICurveShape : public ImageItem {
public:
    IICurveShape(Image* owner, std::int32_t cx, std::int32_t cy, std::int32_t rx, std::int32_t ry,
                 std::int32_t startAngle, std::int32_t endAngle, int mode);
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;
    virtual bool drawCurve(DrawContext& dc, const Rect& box, const Point& start, const Point& end, int mode) = 0;
    // The region of the figure that a "fill" line draws, for "clip" lines;
    // 0 on failure.
    virtual CanvasObject makeRegion(DrawContext& dc, const Rect& box, const Point& start, const Point& end) = 0;

    Image* owner;
    Rect box;
    Point start, end; // on the ellipse, script coordinates
    int mode;
};

// Pie in "fill" lines, an arc from the current position in "draw" lines.
class IIPie : public IICurveShape {
public:
    using IICurveShape::IICurveShape;
    bool drawCurve(DrawContext& dc, const Rect& box, const Point& start, const Point& end, int mode) override;
    CanvasObject makeRegion(DrawContext& dc, const Rect& box, const Point& start, const Point& end) override;
};

class IIChord : public IICurveShape {
public:
    using IICurveShape::IICurveShape;
    bool drawCurve(DrawContext& dc, const Rect& box, const Point& start, const Point& end, int mode) override;
    CanvasObject makeRegion(DrawContext& dc, const Rect& box, const Point& start, const Point& end) override;
};

// Open point lists.
class IIAbstractLines : public ImageItem {
public:
    IIAbstractLines(Image* owner, std::vector<Point> points) : owner(owner), points(std::move(points)) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;
    virtual bool drawLines(DrawContext& dc, const Point* mapped, std::size_t count) = 0;

    Image* owner;
    std::vector<Point> points;
};

class IIPolyLine : public IIAbstractLines {
public:
    using IIAbstractLines::IIAbstractLines;
    bool drawLines(DrawContext& dc, const Point* mapped, std::size_t count) override;
};

class IIPolyBezier : public IIAbstractLines {
public:
    using IIAbstractLines::IIAbstractLines;
    bool drawLines(DrawContext& dc, const Point* mapped, std::size_t count) override;
};

class IIPolygon : public ImageItem {
public:
    IIPolygon(std::vector<Point> points, int mode) : points(std::move(points)), mode(mode) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;

    std::vector<Point> points;
    int mode;
};

// "{": the following items build a path that IIEndPath strokes, fills or
// turns into the clip area, by the mode.
class IIBeginPath : public ImageItem {
public:
    IIBeginPath(Image* owner, int mode) : owner(owner), mode(mode) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;

    Image* owner;
    int mode;
};

class IIEndPath : public ImageItem {
public:
    explicit IIEndPath(Image* owner) : owner(owner) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;

    Image* owner;
};

class IIChangePen : public ImageItem {
public:
    IIChangePen(ColorValue color, std::int32_t width) : color(color), width(width) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;

    ColorValue color;
    std::int32_t width; // script units; −1 from "color" lines: the thin DC pen
};

class IIChangeBrush : public ImageItem {
public:
    explicit IIChangeBrush(ColorValue color) : color(color) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;

    ColorValue color;
};

class IIImage : public ImageItem {
public:
    IIImage(const Rect& box, Image* nested) : box(box), nested(nested) {}
    bool draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor) override;

    Rect box;
    Image* nested; // belongs to the image cache
};

class Image {
public:
    // Draws every item in order onto dest: the pen, brush and text colours
    // start as defaultColor with the stock DC brush and pen selected, and are
    // set so again at the end. Nothing is drawn when the space or dest has no
    // width or height, when images are nested too deep, or once the
    // drawing's item draws are used up. A path left open is aborted. The clip
    // area that clip items set stays.
    bool draw(DrawContext& dc, const Rect& dest, ColorValue defaultColor);

    std::string name;                  // UTF-8, as loaded
    Rect space{0, 0, 100, 100};        // the script's own coordinates
    std::vector<std::unique_ptr<ImageItem>> items;
    // State of the path being built while drawing.
    std::int32_t pathMode = 0;         // 0 when none
    bool pathStart = false;            // the path's first element has not moved the pen yet
};

// One top-level drawing of an image onto a canvas.
void drawImage(Canvas& canvas, PenCache& pens, std::span<const ColorValue> palette, Image& image, const Rect& dest,
               ColorValue defaultColor);

// The RGB colour of a colour value: a plain colour as it is; special colours
// the default colour (255), the canvas's background colour (254), current
// blended 25 % toward black (225) or white (226), or the palette entry; an
// index beyond the palette gives the default colour.
ColorValue resolveColor(DrawContext& dc, ColorValue value, ColorValue defaultColor, ColorValue current);

// The pen width in pixels of a script width drawn onto dest:
// (width + 0.66) × dest width / space width, truncated, at most kMaxPenWidth.
int penWidth(std::int32_t width, const Rect& dest, const Rect& space);

} // namespace image
