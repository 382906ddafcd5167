#include "interact/canvas.h"

#include <cstdio>

namespace rz {

void Canvas::fillRect(const PixelRect& r) {
    PixelPoint p[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    fillPolygon(p, 4, FillStyle::Solid);
}

std::string CssColour(uint32_t c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", unsigned(c & 0xFF), unsigned((c >> 8) & 0xFF),
                  unsigned((c >> 16) & 0xFF));
    return buf;
}

namespace {

std::string Escape(std::string_view t) {
    std::string out;
    for (char ch : t) {
        switch (ch) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        default: out += ch;
        }
    }
    return out;
}

}  // namespace

SvgCanvas::SvgCanvas(int width, int height, PixelPoint origin)
    : w_(width), h_(height), origin_(origin) {}

void SvgCanvas::points(const PixelPoint* p, std::size_t n) {
    char buf[32];
    for (std::size_t i = 0; i < n; ++i) {
        // Pixel centres, so that one-pixel lines fall on whole pixels as on the screen.
        std::snprintf(buf, sizeof buf, "%s%d.5,%d.5", i ? " " : "", p[i].x - origin_.x,
                      p[i].y - origin_.y);
        body_ += buf;
    }
}

void SvgCanvas::polyline(const PixelPoint* p, std::size_t n) {
    if (n < 2) return;
    body_ += "<polyline fill=\"none\" stroke=\"" + CssColour(colour_) + "\" stroke-width=\"" +
             std::to_string(width_ > 1 ? width_ : 1) + "\"";
    if (on_ > 0 && off_ > 0)
        body_ += " stroke-dasharray=\"" + std::to_string(on_) + " " + std::to_string(off_) + "\"";
    body_ += " points=\"";
    points(p, n);
    body_ += "\"/>\n";
}

void SvgCanvas::fillPolygon(const PixelPoint* p, std::size_t n, FillStyle s) {
    if (n < 3) return;
    std::string fill = CssColour(colour_);
    if (s == FillStyle::BackHatch) {
        if (!hatchDefined_) {
            body_ += "<defs><pattern id=\"hatch\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\">"
                     "<path d=\"M0,8 L8,0\" stroke=\"" + fill + "\"/></pattern></defs>\n";
            hatchDefined_ = true;
        }
        fill = "url(#hatch)";
    }
    // Filled rectangles cover whole pixels: corners at pixel edges, not centres.
    body_ += "<polygon stroke=\"none\" fill=\"" + fill + "\" points=\"";
    char buf[32];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%s%d,%d", i ? " " : "", p[i].x - origin_.x, p[i].y - origin_.y);
        body_ += buf;
    }
    body_ += "\"/>\n";
}

void SvgCanvas::text(PixelPoint at, std::string_view t, std::optional<uint32_t> bg) {
    int x = at.x - origin_.x, y = at.y - origin_.y;
    if (bg)
        body_ += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
                 std::to_string(int(t.size()) * 8) + "\" height=\"" + std::to_string(textHeight()) +
                 "\" fill=\"" + CssColour(*bg) + "\"/>\n";
    body_ += "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y + textHeight() - 3) +
             "\" font-size=\"" + std::to_string(textHeight() - 2) + "\" fill=\"" + CssColour(colour_) +
             "\">" + Escape(t) + "</text>\n";
}

std::string SvgCanvas::finish() const {
    std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(w_) +
                       "\" height=\"" + std::to_string(h_) + "\" viewBox=\"0 0 " + std::to_string(w_) +
                       " " + std::to_string(h_) + "\" shape-rendering=\"crispEdges\">\n";
    return head + body_ + "</svg>\n";
}

}  // namespace rz
