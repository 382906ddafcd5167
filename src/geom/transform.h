// In-place transforms of point arrays.
#pragma once

#include <span>

#include "geom/types.h"

namespace rz {

void Translate(std::span<PointF> pts, float dx, float dy);

// Sine and cosine of one angle, computed once and applied to many points.
// A default or zero-angle rotation is the identity.
struct Rotation {
    double sin = 0.0;
    double cos = 1.0;
    PointF Apply(PointF v) const;                 // about the origin
    PointF Apply(PointF centre, PointF p) const;  // about a centre
};

Rotation SetRotation(float angle);
PointF RotateVector(PointF v, float angle);
PointF RotatePoint(const Rotation& rot, PointF centre, PointF p);
void RotatePoints(const Rotation& rot, PointF centre, std::span<PointF> pts);

enum class MirrorAxis { Vertical = 0, Horizontal = 1 };
// Vertical: x' = 2*axis.x - x (mirror in the vertical line through `axis`); Horizontal: y' = 2*axis.y - y.
void MirrorPoints(PointF axis, std::span<PointF> pts, MirrorAxis which);

}  // namespace rz
