// How each item draws itself on a canvas, and the drawing of a whole image.
#include "client/image/Image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace image {

namespace {

// Selects the null brush for an outline ("draw") item and the brush before
// it again afterwards; in other modes changes nothing.
class OutlineOnly {
public:
    OutlineOnly(Canvas& canvas, int mode) : canvas_(canvas)
    {
        if (mode == kModeOutline) previous_ = canvas_.selectObject(canvas_.getStockObject(kStockNullBrush));
    }
    ~OutlineOnly()
    {
        if (previous_ != 0) canvas_.selectObject(previous_);
    }
    OutlineOnly(const OutlineOnly&) = delete;
    OutlineOnly& operator=(const OutlineOnly&) = delete;

private:
    Canvas& canvas_;
    CanvasObject previous_ = 0;
};

// Makes the region the clip area and deletes it (the clip area is a copy).
void clipTo(Canvas& canvas, CanvasObject region)
{
    if (region == 0) return;
    canvas.selectClipRgn(region);
    canvas.deleteObject(region);
}

const Point* mapPoints(DrawContext& dc, const std::vector<Point>& points, const Rect& dest, const Rect& space)
{
    dc.mappedPoints.clear();
    for (const Point& p : points) dc.mappedPoints.push_back(mapPoint(p, dest, space));
    return dc.mappedPoints.data();
}

// The outline of a pie (from the centre) or chord as a polygon, for clipping:
// GDI has no region of these figures. The arc runs clockwise from where the
// line from the centre through start meets the ellipse to where the line
// through end does, all the way round when the two meet.
void curveOutline(const Rect& box, const Point& start, const Point& end, bool fromCentre, std::vector<Point>& out)
{
    constexpr int kSegmentsPerTurn = 256;
    constexpr double kTurn = 2 * std::numbers::pi;
    const double l = std::fmin(box.left, box.right), r = std::fmax(box.left, box.right);
    const double t = std::fmin(box.top, box.bottom), b = std::fmax(box.top, box.bottom);
    const double cx = (l + r) / 2, cy = (t + b) / 2, a = (r - l) / 2, c = (b - t) / 2;
    // The ellipse's parameter angle of the line from the centre through p
    // (with y down, growing angles turn clockwise).
    const auto angleOf = [&](const Point& p) { return std::atan2((p.y - cy) * a, (p.x - cx) * c); };
    const double from = angleOf(start);
    double sweep = std::fmod(angleOf(end) - from, kTurn);
    if (sweep <= 0) sweep += kTurn;
    const int segments = std::max(2, static_cast<int>(std::ceil(sweep / kTurn * kSegmentsPerTurn)));
    out.clear();
    if (fromCentre) out.push_back({saturate32(std::llround(cx)), saturate32(std::llround(cy))});
    for (int i = 0; i <= segments; ++i) {
        const double angle = from + sweep * i / segments;
        out.push_back({saturate32(std::llround(cx + a * std::cos(angle))),
                       saturate32(std::llround(cy + c * std::sin(angle)))});
    }
}

std::uint8_t blend(ColorValue current, int shift, int target)
{
    const int channel = current >> shift & 0xFF;
    return static_cast<std::uint8_t>((target * 25 + channel * 75) / 100);
}

ColorValue blendToward(ColorValue current, int target)
{
    return rgb(blend(current, 0, target), blend(current, 8, target), blend(current, 16, target));
}

} // namespace

ColorValue resolveColor(DrawContext& dc, ColorValue value, ColorValue defaultColor, ColorValue current)
{
    if (!isSpecialColor(value)) return value;
    const std::uint8_t which = value & 0xFF;
    switch (which) {
    case kColorDefault: return defaultColor;
    case kColorBackground: return dc.canvas.getBkColor();
    case kColorDarker: return blendToward(current, 0);
    case kColorLighter: return blendToward(current, 255);
    default: return which < dc.palette.size() ? dc.palette[which] : defaultColor;
    }
}

int penWidth(std::int32_t width, const Rect& dest, const Rect& space)
{
    const double w = (width + 0.66) * static_cast<double>(image::width(dest)) / static_cast<double>(image::width(space));
    if (!(w < kMaxPenWidth)) return kMaxPenWidth;
    return static_cast<int>(std::fmax(w, -1.0));
}

// Shapes.

bool IIShape::draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue)
{
    const Rect mapped = mapRect(box, dest, image.space);
    if (isClipMode(mode)) {
        clipTo(dc.canvas, makeRegion(dc, mapped));
        return true;
    }
    OutlineOnly outline(dc.canvas, mode);
    return drawShape(dc, mapped);
}

CanvasObject IIRectangle::makeRegion(DrawContext& dc, const Rect& mapped) { return dc.canvas.createRectRgn(mapped); }
bool IIRectangle::drawShape(DrawContext& dc, const Rect& mapped) { return dc.canvas.rectangle(mapped); }

CanvasObject IIEllipse::makeRegion(DrawContext& dc, const Rect& mapped) { return dc.canvas.createEllipticRgn(mapped); }
bool IIEllipse::drawShape(DrawContext& dc, const Rect& mapped) { return dc.canvas.ellipse(mapped); }

CanvasObject IIRoundRectangle::makeRegion(DrawContext& dc, const Rect& mapped)
{
    return dc.canvas.createRoundRectRgn(mapped, cornerWidth, cornerHeight);
}

bool IIRoundRectangle::drawShape(DrawContext& dc, const Rect& mapped)
{
    return dc.canvas.roundRect(mapped, cornerWidth, cornerHeight);
}

// Curves.

IICurveShape::IICurveShape(Image* owner, std::int32_t cx, std::int32_t cy, std::int32_t rx, std::int32_t ry,
                           std::int32_t startAngle, std::int32_t endAngle, int mode)
    : owner(owner), mode(mode)
{
    box = {saturate32(std::int64_t{cx} - rx), saturate32(std::int64_t{cy} - ry), saturate32(std::int64_t{cx} + rx),
           saturate32(std::int64_t{cy} + ry)};
    const auto onEllipse = [&](std::int32_t degrees) {
        const double t = (degrees - 90.0) * std::numbers::pi / 180.0;
        return Point{saturate32(cx + static_cast<std::int64_t>(std::round(std::cos(t) * rx))),
                     saturate32(cy + static_cast<std::int64_t>(std::round(std::sin(t) * ry)))};
    };
    start = onEllipse(startAngle);
    end = onEllipse(endAngle);
}

bool IICurveShape::draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue)
{
    const Rect mappedBox = mapRect(box, dest, image.space);
    const Point mappedStart = mapPoint(start, dest, image.space);
    const Point mappedEnd = mapPoint(end, dest, image.space);
    if (isClipMode(mode)) {
        // Replaces the clip area, as the other shapes do.
        clipTo(dc.canvas, makeRegion(dc, mappedBox, mappedStart, mappedEnd));
        return true;
    }
    dc.canvas.setArcDirection(kArcClockwise);
    if (owner->pathMode != 0 && owner->pathStart) {
        dc.canvas.moveToEx(mappedStart);
        owner->pathStart = false;
    }
    OutlineOnly outline(dc.canvas, mode);
    return drawCurve(dc, mappedBox, mappedStart, mappedEnd, mode);
}

bool IIPie::drawCurve(DrawContext& dc, const Rect& box, const Point& start, const Point& end, int mode)
{
    if (mode == kModeFill) return dc.canvas.pie(box, start, end);
    if (mode == kModeOutline) return dc.canvas.arcTo(box, start, end);
    return false;
}

CanvasObject IIPie::makeRegion(DrawContext& dc, const Rect& box, const Point& start, const Point& end)
{
    curveOutline(box, start, end, true, dc.mappedPoints);
    return dc.canvas.createPolygonRgn(dc.mappedPoints.data(), dc.mappedPoints.size(), kWindingFill);
}

bool IIChord::drawCurve(DrawContext& dc, const Rect& box, const Point& start, const Point& end, int mode)
{
    if (mode == kModeFill) return dc.canvas.chord(box, start, end);
    if (mode == kModeOutline) return dc.canvas.arcTo(box, start, end);
    return false;
}

CanvasObject IIChord::makeRegion(DrawContext& dc, const Rect& box, const Point& start, const Point& end)
{
    curveOutline(box, start, end, false, dc.mappedPoints);
    return dc.canvas.createPolygonRgn(dc.mappedPoints.data(), dc.mappedPoints.size(), kWindingFill);
}

// Lines.

bool IIAbstractLines::draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue)
{
    if (points.empty()) return true;
    const Point* mapped = mapPoints(dc, points, dest, image.space);
    return drawLines(dc, mapped, points.size());
}

bool IIPolyLine::drawLines(DrawContext& dc, const Point* mapped, std::size_t count)
{
    if (owner->pathMode == 0) return dc.canvas.polyline(mapped, count);
    if (owner->pathStart) {
        dc.canvas.moveToEx(mapped[0]);
        owner->pathStart = false;
    }
    return dc.canvas.polylineTo(mapped, count);
}

bool IIPolyBezier::drawLines(DrawContext& dc, const Point* mapped, std::size_t count)
{
    if (owner->pathMode == 0) return dc.canvas.polyBezier(mapped, count);
    if (owner->pathStart) {
        dc.canvas.moveToEx(mapped[0]);
        owner->pathStart = false;
    }
    // The first point is where the pen already is.
    return count < 2 || dc.canvas.polyBezierTo(mapped + 1, count - 1);
}

bool IIPolygon::draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue)
{
    if (points.empty()) return true;
    const Point* mapped = mapPoints(dc, points, dest, image.space);
    if (isClipMode(mode)) {
        clipTo(dc.canvas, dc.canvas.createPolygonRgn(mapped, points.size(), kWindingFill));
        return true;
    }
    OutlineOnly outline(dc.canvas, mode);
    return dc.canvas.polygon(mapped, points.size());
}

// Paths.

bool IIBeginPath::draw(DrawContext& dc, const Rect&, Image&, ColorValue)
{
    owner->pathMode = mode;
    owner->pathStart = true;
    return dc.canvas.beginPath();
}

bool IIEndPath::draw(DrawContext& dc, const Rect&, Image&, ColorValue)
{
    const int mode = owner->pathMode;
    owner->pathMode = 0;
    owner->pathStart = false;
    dc.canvas.endPath();
    switch (mode) {
    case kModeOutline: return dc.canvas.strokePath();
    case kModeFill: return dc.canvas.strokeAndFillPath();
    case kModeClip: return dc.canvas.selectClipPath(kClipCopy);
    case kModeClipIntersect: return dc.canvas.selectClipPath(kClipAnd);
    case kModeClipDifference: return dc.canvas.selectClipPath(kClipDiff);
    case kModeClipUnion: return dc.canvas.selectClipPath(kClipOr);
    default: return true;
    }
}

// Pen, brush and nested images.

bool IIChangePen::draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue defaultColor)
{
    Canvas& canvas = dc.canvas;
    const ColorValue c = resolveColor(dc, color, defaultColor, canvas.getDCPenColor());
    const int w = penWidth(width, dest, image.space);
    canvas.setTextColor(c);
    canvas.setDCPenColor(c);
    const CanvasObject pen = w > 1 ? dc.pens.pen(canvas, w, c) : 0;
    if (pen == 0) {
        canvas.selectObject(canvas.getStockObject(kStockDcPen));
        return true;
    }
    canvas.selectObject(pen);
    canvas.setDCPenColor(c);
    return true;
}

bool IIChangeBrush::draw(DrawContext& dc, const Rect&, Image&, ColorValue defaultColor)
{
    dc.canvas.setDCBrushColor(resolveColor(dc, color, defaultColor, dc.canvas.getDCBrushColor()));
    return true;
}

bool IIImage::draw(DrawContext& dc, const Rect& dest, Image& image, ColorValue)
{
    const Rect mapped = mapRect(box, dest, image.space);
    return nested->draw(dc, mapped, dc.canvas.getDCBrushColor());
}

// The whole image.

namespace {

void resetColorsAndObjects(Canvas& canvas, ColorValue color)
{
    canvas.setDCPenColor(color);
    canvas.setDCBrushColor(color);
    canvas.setTextColor(color);
    canvas.selectObject(canvas.getStockObject(kStockDcBrush));
    canvas.selectObject(canvas.getStockObject(kStockDcPen));
}

} // namespace

bool Image::draw(DrawContext& dc, const Rect& dest, ColorValue defaultColor)
{
    if (width(space) == 0 || height(space) == 0 || width(dest) == 0 || height(dest) == 0) return true;
    if (dc.depth >= kMaxDrawNesting) return true;
    ++dc.depth;
    resetColorsAndObjects(dc.canvas, defaultColor);
    for (const auto& item : items) {
        if (dc.itemDrawsLeft <= 0) break;
        --dc.itemDrawsLeft;
        item->draw(dc, dest, *this, defaultColor);
    }
    if (pathMode != 0) dc.canvas.abortPath();
    pathMode = 0;
    pathStart = false;
    resetColorsAndObjects(dc.canvas, defaultColor);
    --dc.depth;
    return true;
}

void drawImage(Canvas& canvas, PenCache& pens, std::span<const ColorValue> palette, Image& image, const Rect& dest,
               ColorValue defaultColor)
{
    DrawContext dc{canvas, pens, palette, kMaxItemDraws, 0, {}};
    image.draw(dc, dest, defaultColor);
}

} // namespace image
