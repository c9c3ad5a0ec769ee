// A canvas without a screen: it logs every call with its arguments as one
// line ("Rectangle 10 10 40 40") and keeps the device context's state as GDI
// would (colours, selected pen and brush, objects alive, the path), so that
// tests and orvimg see what a drawing does.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "client/image/Canvas.h"

namespace image {

class RecordingCanvas : public Canvas {
public:
    explicit RecordingCanvas(ColorValue background = 0xFFFFFF);

    // The calls so far, one line each (while logging is on).
    std::vector<std::string> calls;
    bool logging = true;
    // Every object creation fails (returns 0) while set.
    bool failCreations = false;

    // State, as GDI keeps it.
    std::size_t liveObjects(char kind) const; // 'p' pens, 'r' regions
    std::size_t created(char kind) const;
    std::string selectedPen() const { return nameOf(pen_); }
    std::string selectedBrush() const { return nameOf(brush_); }
    bool pathOpen() const { return path_ == Path::Open; }
    int arcDirection() const { return arcDirection_; }
    // Misuses of objects that GDI would refuse: deleting a selected or
    // unknown object, selecting or clipping with one that is not alive.
    const std::vector<std::string>& errors() const { return errors_; }
    // The name the log gives an object ("stock18", "pen3", "rgn4").
    std::string nameOf(CanvasObject object) const;

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
    enum class Path { None, Open, Closed };
    struct Object {
        char kind; // 'p' pen, 'r' region, 's' stock
        bool alive;
        int number;
    };

    void log(std::string line);
    CanvasObject create(char kind, std::string line);
    bool usePath();

    std::map<CanvasObject, Object> objects_;
    int nextNumber_ = 1;
    CanvasObject pen_, brush_;
    ColorValue penColor_ = 0x000000, brushColor_ = 0xFFFFFF, textColor_ = 0x000000, background_;
    int arcDirection_ = 1;
    Path path_ = Path::None;
    std::vector<std::string> errors_;
};

} // namespace image
