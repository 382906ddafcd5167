// The area two closed outlines share, by Clipper: an independent polygon library as the oracle
// of the layouts and moves that must not overlap.
#pragma once

#include <clipper.hpp>
#include <cmath>

#include "geom/types.h"

namespace rz::test {

// Points ×100 as integers; the closing point is left out (Clipper closes the path itself).
inline ClipperLib::Path ToPath(const Polyline& p) {
    ClipperLib::Path out;
    for (size_t i = 0; i + 1 < p.size(); ++i)
        out.push_back({ClipperLib::cInt(std::llround(p[i].x * 100.0)), ClipperLib::cInt(std::llround(p[i].y * 100.0))});
    return out;
}

// The overlap of two outlines in square sheet units.
inline double Overlap(const Polyline& a, const Polyline& b) {
    ClipperLib::Clipper c;
    c.AddPath(ToPath(a), ClipperLib::ptSubject, true);
    c.AddPath(ToPath(b), ClipperLib::ptClip, true);
    ClipperLib::Paths out;
    c.Execute(ClipperLib::ctIntersection, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    double area = 0;
    for (const auto& p : out) area += std::fabs(ClipperLib::Area(p));
    return area / 10000.0;
}

}  // namespace rz::test
