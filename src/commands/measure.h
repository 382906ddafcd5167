// 测量 (mode 31): areas of a page and of a part, figures of a line, and lengths measured along a
// line or round a part's outline, with tick lines and pins left at the measured points.
//
// Keys at the second step: Space sets a mark at the path point nearest the pointer (the live
// text then shows the length from the mark as a second value); Tab reverses the direction in
// which a closed path is measured round from the start (an open path has only one way between
// two points: 80 Hz).
#pragma once

#include <array>
#include <span>
#include <string>

#include "interact/engine.h"
#include "model/design.h"
#include "model/settings.h"

namespace rz {

constexpr int kPromptMeasureStart = 34010;  // 第一步：选择测量起始点！
constexpr int kPromptMeasureEnd = 34011;    // 第二步：选择测量终止点...
constexpr float kMeasureTickLength = 500.0f;  // 5 mm, centred on the path

// Area enclosed by a closed polyline (first point equal to the last), exact to the polygon;
// 0 for an open one. The measure tool reports areas to five decimals, so it does not use the
// 0.1 mm strip sum of the material estimate, which leaves out the top strip.
double OutlineArea(std::span<const PointF> pts);

// Figures of a part in model units (0.01 mm, square 0.01 mm).
struct PartFigures {
    double area = 0;       // of the outline
    double perimeter = 0;  // length of the outline
    double width = 0;      // box of the outline turned by minus the first base point's direction
    double height = 0;
    int piecesPerPair = 1;  // part flags bits 12–15 plus 1
};
PartFigures MeasurePart(const Part& p);
// Sum of the outline areas of the visible parts of a page.
double PageArea(const Design& d, int page);

// Figures of a line's evaluated polyline in model units.
struct LineFigures {
    double length = 0;       // arc length
    double endDistance = 0;  // first node to last node
    double width = 0;        // bounding box
    double height = 0;
};
LineFigures MeasureLine(const Line& l);

// The texts of the three messages, in the settings' units.
std::string PageAreaText(double area, const Settings& s);              // 总面积
std::string PartFiguresText(const PartFigures& f, const Settings& s);  // 净耗料 …
std::string LineFiguresText(const LineFigures& f, const Settings& s);  // 弧长 …

// A path measured along: arc-length positions, the start and the direction round a closed path.
class MeasurePath {
public:
    MeasurePath() = default;
    explicit MeasurePath(Polyline pts);

    const Polyline& points() const { return pts_; }
    bool closed() const { return closed_; }
    float total() const { return total_; }
    float start() const { return start_; }
    bool reversed() const { return reversed_; }
    void reverse() { reversed_ = !reversed_; }

    // The start becomes the path point nearest `p`; a closed path is re-ordered to begin there
    // (so its start is at 0 and measuring can run round it). The direction resets to forward.
    void setStart(PointF p);
    // Arc length of the path point nearest `p`.
    float position(PointF p) const;
    PointF pointAt(float s) const;
    // Length from position a to position b: along an open path the stretch between them; round a
    // closed path in the current direction.
    float lengthBetween(float a, float b) const;
    float lengthTo(PointF p) const { return lengthBetween(start_, position(p)); }
    // The stretch from a to b as lengthBetween measures it.
    Polyline stretch(float a, float b) const;
    // A straight tick of `length` across the path at s, centred on it.
    std::array<PointF, 2> tickAt(float s, float length) const;

private:
    Polyline pts_;
    Polyline given_;  // a closed path as it was given
    bool closed_ = false;
    float total_ = 0;
    float start_ = 0;
    bool reversed_ = false;
};

// Registers mode 31 with the engine.
void InstallMeasureTool(Engine& e);

}  // namespace rz
