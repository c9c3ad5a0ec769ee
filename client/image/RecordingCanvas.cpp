// The recording canvas: a log of calls over a model of a device context.
#include "client/image/RecordingCanvas.h"

#include <cstdio>

namespace image {

namespace {

// Above any number given to created objects.
constexpr CanvasObject kStockBase = 0x70000000;
constexpr int kStockWhiteBrush = 0;
constexpr int kStockBlackPen = 7;

CanvasObject stock(int which) { return kStockBase + static_cast<CanvasObject>(which); }
bool isStockPen(int which) { return which == 6 || which == 7 || which == 8 || which == kStockDcPen; }

std::string color(ColorValue c)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(c));
    return text;
}

std::string box(const Rect& r)
{
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

std::string point(const Point& p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

std::string pointList(const Point* points, std::size_t count)
{
    std::string text = std::to_string(count);
    for (std::size_t i = 0; i < count; ++i) {
        text += ' ';
        text += point(points[i]);
    }
    return text;
}

const char* clipMode(int mode)
{
    switch (mode) {
    case kClipAnd: return "RGN_AND";
    case kClipOr: return "RGN_OR";
    case kClipDiff: return "RGN_DIFF";
    case kClipCopy: return "RGN_COPY";
    default: return "?";
    }
}

} // namespace

RecordingCanvas::RecordingCanvas(ColorValue background)
    : pen_(stock(kStockBlackPen)), brush_(stock(kStockWhiteBrush)), background_(background)
{
}

void RecordingCanvas::log(std::string line)
{
    if (logging) calls.push_back(std::move(line));
}

std::string RecordingCanvas::nameOf(CanvasObject object) const
{
    if (object == 0) return "NULL";
    if (object >= kStockBase) return "stock" + std::to_string(object - kStockBase);
    const auto found = objects_.find(object);
    if (found == objects_.end()) return "unknown";
    return (found->second.kind == 'p' ? "pen" : "rgn") + std::to_string(found->second.number);
}

std::size_t RecordingCanvas::liveObjects(char kind) const
{
    std::size_t n = 0;
    for (const auto& [handle, o] : objects_) n += o.kind == kind && o.alive;
    return n;
}

std::size_t RecordingCanvas::created(char kind) const
{
    std::size_t n = 0;
    for (const auto& [handle, o] : objects_) n += o.kind == kind;
    return n;
}

CanvasObject RecordingCanvas::create(char kind, std::string line)
{
    if (failCreations) {
        log(line + " -> NULL");
        return 0;
    }
    const int number = nextNumber_++;
    const auto handle = static_cast<CanvasObject>(number);
    objects_[handle] = {kind, true, number};
    log(line + " -> " + nameOf(handle));
    return handle;
}

CanvasObject RecordingCanvas::getStockObject(int which)
{
    log("GetStockObject " + std::to_string(which) + " -> " + nameOf(stock(which)));
    return stock(which);
}

CanvasObject RecordingCanvas::selectObject(CanvasObject object)
{
    CanvasObject* slot = nullptr;
    if (object >= kStockBase) {
        slot = isStockPen(static_cast<int>(object - kStockBase)) ? &pen_ : &brush_;
    } else if (const auto found = objects_.find(object); found != objects_.end() && found->second.alive) {
        if (found->second.kind == 'p') slot = &pen_;
    }
    if (!slot) {
        log("SelectObject " + nameOf(object) + " -> NULL");
        if (object != 0) errors_.push_back("SelectObject of " + nameOf(object));
        return 0;
    }
    const CanvasObject previous = *slot;
    *slot = object;
    log("SelectObject " + nameOf(object) + " -> " + nameOf(previous));
    return previous;
}

bool RecordingCanvas::deleteObject(CanvasObject object)
{
    log("DeleteObject " + nameOf(object));
    if (object >= kStockBase) return true;
    const auto found = objects_.find(object);
    if (found == objects_.end() || !found->second.alive) {
        errors_.push_back("DeleteObject of " + nameOf(object) + " (not alive)");
        return false;
    }
    if (object == pen_ || object == brush_) {
        errors_.push_back("DeleteObject of selected " + nameOf(object));
        return false;
    }
    found->second.alive = false;
    return true;
}

CanvasObject RecordingCanvas::createPenIndirect(int width, ColorValue c)
{
    return create('p', "CreatePenIndirect PS_SOLID " + std::to_string(width) + " " + color(c));
}

ColorValue RecordingCanvas::setDCPenColor(ColorValue c)
{
    log("SetDCPenColor " + color(c));
    const ColorValue previous = penColor_;
    penColor_ = c;
    return previous;
}

ColorValue RecordingCanvas::setDCBrushColor(ColorValue c)
{
    log("SetDCBrushColor " + color(c));
    const ColorValue previous = brushColor_;
    brushColor_ = c;
    return previous;
}

ColorValue RecordingCanvas::setTextColor(ColorValue c)
{
    log("SetTextColor " + color(c));
    const ColorValue previous = textColor_;
    textColor_ = c;
    return previous;
}

ColorValue RecordingCanvas::getDCPenColor()
{
    log("GetDCPenColor -> " + color(penColor_));
    return penColor_;
}

ColorValue RecordingCanvas::getDCBrushColor()
{
    log("GetDCBrushColor -> " + color(brushColor_));
    return brushColor_;
}

ColorValue RecordingCanvas::getBkColor()
{
    log("GetBkColor -> " + color(background_));
    return background_;
}

CanvasObject RecordingCanvas::createRectRgn(const Rect& r) { return create('r', "CreateRectRgn " + box(r)); }

CanvasObject RecordingCanvas::createEllipticRgn(const Rect& r) { return create('r', "CreateEllipticRgn " + box(r)); }

CanvasObject RecordingCanvas::createRoundRectRgn(const Rect& r, int cornerWidth, int cornerHeight)
{
    return create('r', "CreateRoundRectRgn " + box(r) + " " + std::to_string(cornerWidth) + " " +
                           std::to_string(cornerHeight));
}

CanvasObject RecordingCanvas::createPolygonRgn(const Point* points, std::size_t count, int fillMode)
{
    return create('r', "CreatePolygonRgn " + pointList(points, count) +
                           (fillMode == kWindingFill ? " WINDING" : " ALTERNATE"));
}

int RecordingCanvas::selectClipRgn(CanvasObject region)
{
    log("SelectClipRgn " + nameOf(region));
    const auto found = objects_.find(region);
    if (region != 0 && (found == objects_.end() || !found->second.alive || found->second.kind != 'r')) {
        errors_.push_back("SelectClipRgn of " + nameOf(region));
        return 0;
    }
    return 2; // SIMPLEREGION
}

bool RecordingCanvas::rectangle(const Rect& r)
{
    log("Rectangle " + box(r));
    return true;
}

bool RecordingCanvas::ellipse(const Rect& r)
{
    log("Ellipse " + box(r));
    return true;
}

bool RecordingCanvas::roundRect(const Rect& r, int cornerWidth, int cornerHeight)
{
    log("RoundRect " + box(r) + " " + std::to_string(cornerWidth) + " " + std::to_string(cornerHeight));
    return true;
}

bool RecordingCanvas::pie(const Rect& r, const Point& start, const Point& end)
{
    log("Pie " + box(r) + " " + point(start) + " " + point(end));
    return true;
}

bool RecordingCanvas::chord(const Rect& r, const Point& start, const Point& end)
{
    log("Chord " + box(r) + " " + point(start) + " " + point(end));
    return true;
}

bool RecordingCanvas::polygon(const Point* points, std::size_t count)
{
    log("Polygon " + pointList(points, count));
    return count >= 2;
}

int RecordingCanvas::setArcDirection(int direction)
{
    log(std::string("SetArcDirection ") + (direction == kArcClockwise ? "AD_CLOCKWISE" : "AD_COUNTERCLOCKWISE"));
    const int previous = arcDirection_;
    arcDirection_ = direction;
    return previous;
}

bool RecordingCanvas::arcTo(const Rect& r, const Point& start, const Point& end)
{
    log("ArcTo " + box(r) + " " + point(start) + " " + point(end));
    return true;
}

bool RecordingCanvas::moveToEx(const Point& to)
{
    log("MoveToEx " + point(to));
    return true;
}

bool RecordingCanvas::polyline(const Point* points, std::size_t count)
{
    log("Polyline " + pointList(points, count));
    return count >= 2;
}

bool RecordingCanvas::polylineTo(const Point* points, std::size_t count)
{
    log("PolylineTo " + pointList(points, count));
    return count >= 1;
}

bool RecordingCanvas::polyBezier(const Point* points, std::size_t count)
{
    log("PolyBezier " + pointList(points, count));
    return count % 3 == 1 && count > 1;
}

bool RecordingCanvas::polyBezierTo(const Point* points, std::size_t count)
{
    log("PolyBezierTo " + pointList(points, count));
    return count % 3 == 0 && count > 0;
}

bool RecordingCanvas::beginPath()
{
    log("BeginPath");
    path_ = Path::Open;
    return true;
}

bool RecordingCanvas::endPath()
{
    log("EndPath");
    if (path_ != Path::Open) return false;
    path_ = Path::Closed;
    return true;
}

bool RecordingCanvas::abortPath()
{
    log("AbortPath");
    path_ = Path::None;
    return true;
}

bool RecordingCanvas::usePath()
{
    // Without a closed path GDI fails and changes nothing, as images nested
    // in a path can make it do.
    if (path_ != Path::Closed) return false;
    path_ = Path::None;
    return true;
}

bool RecordingCanvas::strokePath()
{
    log("StrokePath");
    return usePath();
}

bool RecordingCanvas::strokeAndFillPath()
{
    log("StrokeAndFillPath");
    return usePath();
}

bool RecordingCanvas::selectClipPath(int mode)
{
    log(std::string("SelectClipPath ") + clipMode(mode));
    return usePath();
}

} // namespace image
