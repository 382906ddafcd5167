#include "geom/transform.h"

#include <cmath>

namespace rz {

void Translate(std::span<PointF> pts, float dx, float dy) {
    for (PointF& p : pts) {
        p.x += dx;
        p.y += dy;
    }
}

PointF Rotation::Apply(PointF v) const {
    return {static_cast<float>(v.x * cos - v.y * sin), static_cast<float>(v.x * sin + v.y * cos)};
}

PointF Rotation::Apply(PointF centre, PointF p) const {
    double dx = double(p.x) - centre.x, dy = double(p.y) - centre.y;
    return {static_cast<float>(centre.x + dx * cos - dy * sin), static_cast<float>(centre.y + dx * sin + dy * cos)};
}

Rotation SetRotation(float angle) {
    Rotation r;
    if (angle == 0.0f || !std::isfinite(angle)) return r;
    r.sin = std::sin(double(angle));
    r.cos = std::cos(double(angle));
    return r;
}

PointF RotateVector(PointF v, float angle) { return SetRotation(angle).Apply(v); }

PointF RotatePoint(const Rotation& rot, PointF centre, PointF p) { return rot.Apply(centre, p); }

void RotatePoints(const Rotation& rot, PointF centre, std::span<PointF> pts) {
    if (rot.sin == 0.0 && rot.cos == 1.0) return;  // identity: leave the points bit-exact
    for (PointF& p : pts) p = rot.Apply(centre, p);
}

void MirrorPoints(PointF axis, std::span<PointF> pts, MirrorAxis which) {
    for (PointF& p : pts) {
        if (which == MirrorAxis::Vertical) p.x = 2.0f * axis.x - p.x;
        else p.y = 2.0f * axis.y - p.y;
    }
}

}  // namespace rz
