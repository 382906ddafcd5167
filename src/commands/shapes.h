// The shape modes of tracing-in (两点圆弧, 三点圆弧, 圆, 椭圆, 矩形, 等腰三角形, 正多边形,
// 平行四边形, 梯形, 圆条): pure generators of the outlines, and the tool that collects the
// presses and turns a shape into a line record.
#pragma once

#include <optional>

#include "interact/engine.h"

namespace rz {

namespace mode {
constexpr int ArcTwoPoints = 5;
constexpr int ArcThreePoints = 6;
constexpr int Circle = 7;
constexpr int Ellipse = 8;
constexpr int Rectangle = 9;
constexpr int Triangle = 11;
constexpr int Polygon = 12;
constexpr int Parallelogram = 13;
constexpr int Trapezoid = 14;
constexpr int Strip = 156;
}  // namespace mode

// Shape options: circles and ellipses, rectangles get an offset copy as a second line B.
constexpr uint32_t kShapeOffsetRound = 0x80;
constexpr uint32_t kShapeOffsetRect = 0x100;

// What the shape modes remember between shapes (the last sizes and the options).
struct ShapeMemory {
    float circleDiameter = 2000.0f;
    float ellipseAcross = 3000.0f, ellipseAlong = 2000.0f;
    uint32_t options = 0;
};

// ---- generators: closed polylines (open for the arcs); empty for a degenerate shape ----
// Rectangle from the first corner toward the opposite corner.
Polyline RectangleShape(PointF corner, PointF opposite);
Polyline CircleShape(PointF centre, float diameter);
Polyline EllipseShape(PointF centre, float across, float along);
// Isosceles triangle on the base b0-b1 whose apex lies on the perpendicular bisector, at the
// signed height of `apexAt` from the base.
Polyline TriangleShape(PointF b0, PointF b1, PointF apexAt);
// Parallelogram on side a-b with the adjacent side from b to c.
Polyline ParallelogramShape(PointF a, PointF b, PointF c);
// Trapezoid with top side a-b; the bottom side is centred under the top's midpoint, its half
// length and the height are those of c measured along and across the top side.
Polyline TrapezoidShape(PointF a, PointF b, PointF c);
Polyline TrapezoidShape(PointF a, PointF b, float bottomLength, float height);
// Pill-shaped strip: it starts at p0 and runs toward p2 with total length |p2 - p0| (at least
// the width), width |p1 - p0|; half circles at both ends.
Polyline StripShape(PointF p0, float width, PointF toward);
// Regular polygon around `centre` with a vertex at `vertex`.
Polyline PolygonShape(PointF centre, PointF vertex, int sides);
// Arc from a to b whose centre is the foot of c on the perpendicular bisector of a-b.
Polyline TwoPointArc(PointF a, PointF b, PointF c);
Polyline ThreePointArc(PointF a, PointF m, PointF b);

// MakeShapeLine: a shape anchored in no part becomes the closed outline of a new part on the
// current page; anchored in a part it becomes a line B of that part. Type 4, evaluated,
// recorded for undo. `offsetCopy` adds the offset copy as a further line B.
// Returns the line made, or null when the points make no line.
Line* MakeShapeLine(Engine& e, const Polyline& pts, Part* anchorPart, bool offsetCopy = false);

class ShapeTool : public Tool {
public:
    ShapeTool(int mode, ShapeMemory& memory) : mode_(mode), mem_(memory) {}

    bool leftPress(Engine& e, const Pointer& p) override;
    bool rightPress(Engine& e, const Pointer& p) override;
    bool move(Engine& e, const Pointer& p) override;
    bool key(Engine& e, const KeyEvent& k) override;
    bool overlay(Engine& e, Canvas& c) override;
    void releaseData() override { anchorPart_ = nullptr; }

    int sides = 6;  // 正多边形: starts at 6 for every new polygon
    // The shape the presses so far and the cursor give.
    Polyline Preview(PointF cursor) const;
    int presses() const;  // presses that make the shape

private:
    bool make(Engine& e, const Polyline& pts);
    bool sizeDialog(Engine& e);
    int prompt(int step) const;

    int mode_;
    ShapeMemory& mem_;
    PointF pts_[2]{};
    Part* anchorPart_ = nullptr;
};

// Registers mode 1 and the shape modes with the engine; returns the trace tool.
class TraceTool;
struct DrawTools {
    TraceTool* trace = nullptr;
    ShapeMemory shapes;
};
void InstallDrawTools(Engine& e, DrawTools& tools);

}  // namespace rz
