// Pens by width and colour.
#include "client/image/PenCache.h"

namespace image {

CanvasObject PenCache::pen(Canvas& canvas, int width, ColorValue color)
{
    const std::uint64_t key = static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32 | color;
    if (auto found = pens_.find(key); found != pens_.end()) return found->second;
    if (pens_.size() >= kMaxPens) release(canvas);
    const CanvasObject pen = canvas.createPenIndirect(width, color);
    if (pen != 0) pens_.emplace(key, pen);
    return pen;
}

void PenCache::release(Canvas& canvas)
{
    if (pens_.empty()) return;
    canvas.selectObject(canvas.getStockObject(kStockDcPen));
    for (const auto& [key, pen] : pens_) canvas.deleteObject(pen);
    pens_.clear();
}

} // namespace image
