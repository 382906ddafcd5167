// Small shape helpers for tests, computed independently of the geometry kernel.
#pragma once

#include <cmath>
#include <vector>

#include "geom/types.h"

namespace rz::test {

// Nodes without flags at the given points.
inline std::vector<Node> Nodes(const std::vector<PointF>& pts) {
    std::vector<Node> v;
    for (auto q : pts) v.push_back({q.x, q.y, 0});
    return v;
}

// Signed shoelace area of a closed polyline (positive counter-clockwise), in double precision.
inline double SignedArea(const Polyline& pl) {
    double a = 0;
    for (size_t i = 0; i + 1 < pl.size(); ++i) a += double(pl[i].x) * pl[i + 1].y - double(pl[i + 1].x) * pl[i].y;
    return a / 2;
}

inline double Shoelace(const Polyline& pl) { return std::fabs(SignedArea(pl)); }

}  // namespace rz::test
