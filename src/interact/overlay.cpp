#include "interact/overlay.h"

#include <cstdio>

#include "interact/colours.h"

namespace rz {

static std::string Format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

std::string FormatLength(double v) { return Format("%.2f", v); }
std::string FormatRatio(double r) { return Format("%.0f%%", r * 100.0); }
std::string FormatAngle(double rad) { return Format("%.1f°", rad * 180.0 / 3.1415927); }

void ShowValue(Canvas& c, PixelPoint p, std::span<const std::string> lines, bool cross, uint32_t bg) {
    const int h = c.textHeight();
    int x = p.x + (cross ? 20 : 10), y = p.y - 8 - h;
    c.setColour(kColValueText);
    for (const std::string& s : lines) {
        c.text({x, y}, s, bg);
        y += h;
    }
}

void ShowNumber(Canvas& c, PixelPoint p, int n, uint32_t bg) {
    c.setColour(0xFFFFFF);
    c.text({p.x + 10, p.y - 8 - c.textHeight()}, std::to_string(n), bg);
}

void HatchRegion(Canvas& c, const View& v, std::span<const PointF> polygon) {
    if (polygon.size() < 3) return;
    std::vector<PixelPoint> px;
    px.reserve(polygon.size());
    for (PointF q : polygon) px.push_back(v.toWindow(q));
    c.setColour(kColSelectedFixed);
    c.fillPolygon(px.data(), px.size(), FillStyle::BackHatch);
}

}  // namespace rz
