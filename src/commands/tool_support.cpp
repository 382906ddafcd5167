#include "commands/tool_support.h"

#include <cmath>
#include <numbers>

#include "commands/draw_common.h"
#include "commands/edit_tools.h"
#include "commands/features.h"
#include "model/afterload.h"

namespace rz {

bool Refuse(Engine& e, int hz) {
    e.tone(hz);
    return true;
}

float PickHalf(const Engine& e) { return e.vs.view.s > 0 ? 5.0f / e.vs.view.s : 5.0f; }

void HighlightPen(Canvas& c, int width) {
    c.setColour(kHighlightColour);
    c.setWidth(width);
    c.setDash(0, 0);
}

void DrawPolyline(Engine& e, Canvas& c, const Polyline& pl) {
    std::vector<PixelPoint> px;
    px.reserve(pl.size());
    for (PointF q : pl) px.push_back(e.vs.view.toWindow(q));
    if (px.size() > 1) c.polyline(px.data(), px.size());
}

void DrawArrow(Engine& e, Canvas& c, PointF from, PointF toward) {
    PixelPoint a = e.vs.view.toWindow(from), t = e.vs.view.toWindow(toward);
    double dx = t.x - a.x, dy = t.y - a.y, len = std::hypot(dx, dy);
    if (len < 1e-9) return;
    dx /= len, dy /= len;
    PixelPoint b{a.x + int(std::lround(30 * dx)), a.y + int(std::lround(30 * dy))};
    c.setColour(kHighlightColour);
    c.setWidth(1);
    c.setDash(0, 0);
    c.line(a, b);
    // The head: two strokes 8 pixels back from the tip, 30° either side.
    for (double turn : {std::numbers::pi / 6, -std::numbers::pi / 6}) {
        double hx = -(dx * std::cos(turn) - dy * std::sin(turn)), hy = -(dx * std::sin(turn) + dy * std::cos(turn));
        c.line(b, {b.x + int(std::lround(8 * hx)), b.y + int(std::lround(8 * hy))});
    }
}

bool HighlightPicked(Engine& e, Canvas& c, const Line* picked) {
    if (e.step() == 0 || !picked) return false;
    HighlightPen(c);
    DrawPolyline(e, c, picked->eval);
    return true;
}

bool CancelPendingStep(Engine& e) {
    if (e.step() == 0) return false;
    e.CancelStep();
    return true;
}

void RebuildPart(Design& d, Part& p) {
    auto& h = derivedHooks();
    if (h.rebuildPart) {
        h.rebuildPart(d, p);
    } else {
        CompletePart(p);
        RebuildPartFeatures(p);
    }
}

bool CommitStep(Engine& e, Tool& t, Part& part) {
    e.setStep(0);
    t.releaseData();
    CommitEdit(e, {&part});
    e.UpdateModeStatus();
    return true;
}

}  // namespace rz
