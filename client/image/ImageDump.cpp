// Text form of parsed images.
#include "client/image/ImageDump.h"

#include <cstdio>

namespace image {

namespace {

std::string box(const Rect& r)
{
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

std::string points(const std::vector<Point>& list)
{
    std::string text = std::to_string(list.size());
    for (const Point& p : list) {
        text += ' ';
        text += std::to_string(p.x);
        text += ' ';
        text += std::to_string(p.y);
    }
    return text;
}

std::string color(ColorValue c)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(c));
    return text;
}

std::string describe(const ImageItem& item)
{
    const auto m = [](int mode) { return std::string(1, ' ') + std::to_string(mode); };
    if (const auto* i = dynamic_cast<const IIRoundRectangle*>(&item))
        return "IIRoundRectangle " + box(i->box) + m(i->mode) + " " + std::to_string(i->cornerWidth) + " " +
               std::to_string(i->cornerHeight);
    if (const auto* i = dynamic_cast<const IIRectangle*>(&item)) return "IIRectangle " + box(i->box) + m(i->mode);
    if (const auto* i = dynamic_cast<const IIEllipse*>(&item)) return "IIEllipse " + box(i->box) + m(i->mode);
    if (const auto* i = dynamic_cast<const IICurveShape*>(&item)) {
        const char* name = dynamic_cast<const IIChord*>(&item) ? "IIChord " : "IIPie ";
        return name + box(i->box) + " " + std::to_string(i->start.x) + " " + std::to_string(i->start.y) + " " +
               std::to_string(i->end.x) + " " + std::to_string(i->end.y) + m(i->mode);
    }
    if (const auto* i = dynamic_cast<const IIPolyBezier*>(&item)) return "IIPolyBezier " + points(i->points);
    if (const auto* i = dynamic_cast<const IIPolyLine*>(&item)) return "IIPolyLine " + points(i->points);
    if (const auto* i = dynamic_cast<const IIPolygon*>(&item)) return "IIPolygon " + points(i->points) + m(i->mode);
    if (const auto* i = dynamic_cast<const IIBeginPath*>(&item)) return "IIBeginPath" + m(i->mode);
    if (dynamic_cast<const IIEndPath*>(&item)) return "IIEndPath";
    if (const auto* i = dynamic_cast<const IIChangePen*>(&item))
        return "IIChangePen " + color(i->color) + " " + std::to_string(i->width);
    if (const auto* i = dynamic_cast<const IIChangeBrush*>(&item)) return "IIChangeBrush " + color(i->color);
    if (const auto* i = dynamic_cast<const IIImage*>(&item)) return "IIImage " + box(i->box) + " " + i->nested->name;
    return "unknown item";
}

} // namespace

std::vector<std::string> dumpImage(const Image& image)
{
    std::vector<std::string> lines{"space " + box(image.space)};
    for (const auto& item : image.items) lines.push_back(describe(*item));
    return lines;
}

} // namespace image
