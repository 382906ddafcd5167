#include <charconv>
#include <cmath>

#include "exchange/dxf.h"

namespace rz {

namespace {

// "%-.6f" of millimetres, in the C locale whatever the user's locale is.
void Number(std::string& out, float units) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, double(units) / 100.0, std::chars_format::fixed, 6);
    out.append(buf, r.ptr);
    out += "\r\n";
}

void Point(std::string& out, const char* xCode, const char* yCode, PointF p) {
    out += xCode;
    Number(out, p.x);
    out += yCode;
    Number(out, p.y);
}

void First(std::string& out, PointF p) { Point(out, " 10\r\n", " 20\r\n", p); }
void Second(std::string& out, PointF p) { Point(out, " 11\r\n", " 21\r\n", p); }

}  // namespace

std::string WriteDxf(const std::vector<DxfItem>& items, DxfLayout layout) {
    std::string out;
    PointF lo{0.0f, 0.0f}, hi{0.0f, 0.0f};
    bool any = false;
    std::size_t points = 0;
    for (const DxfItem& it : items) {
        for (PointF p : *it.points) {
            if (!any) lo = hi = p;
            any = true;
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
        }
        points += it.points->size();
    }
    out.reserve(256 + points * 64);
    out += "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1006\r\n";
    out += "  9\r\n$EXTMIN\r\n";
    First(out, lo);
    out += "  9\r\n$EXTMAX\r\n";
    First(out, hi);
    out += "  0\r\nENDSEC\r\n";
    out += "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    for (const DxfItem& it : items) {
        const Polyline& pl = *it.points;
        if (layout == DxfLayout::Polylines) {
            if (pl.empty()) continue;  // a POLYLINE needs a vertex
            out += "  0\r\nPOLYLINE\r\n  8\r\n0\r\n";
            for (PointF p : pl) {
                out += "  0\r\nVERTEX\r\n  8\r\n0\r\n";
                First(out, p);
            }
            out += "  0\r\nSEQEND\r\n  8\r\n0\r\n";
        } else if (!it.noSegments) {
            for (std::size_t i = 1; i < pl.size(); ++i) {
                out += "  0\r\nLINE\r\n  8\r\n0\r\n";
                First(out, pl[i - 1]);
                Second(out, pl[i]);
            }
        }
    }
    out += "  0\r\nENDSEC\r\n";
    out += "  0\r\nEOF\r\n";
    return out;
}

}  // namespace rz
