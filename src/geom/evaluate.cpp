#include "geom/evaluate.h"

#include <cmath>

#include "geom/polyline.h"

namespace rz {

bool EvaluateLine(const TSmooth& smooth, std::vector<Node>& nodes, uint32_t lineFlags, Polyline& out) {
    EvalScratch scratch;
    return EvaluateLine(smooth, nodes, lineFlags, out, scratch);
}

bool EvaluateLine(const TSmooth& smooth, std::vector<Node>& nodes, uint32_t lineFlags, Polyline& out,
                  EvalScratch& scratch) {
    out.clear();
    if (nodes.empty()) return false;
    // Checked before the self-symmetric step, so that a bad line is written back unchanged.
    for (const Node& n : nodes)
        if (!InModelRange(n.pt())) return false;
    if (lineFlags & lineflag::kSelfSymmetric) MakeSelfSymmetric(nodes);
    // The line's own evaluation always uses automatic sample counts.
    smooth.EvaluateNodes(nodes, lineflag::CurveMethod(lineFlags), 0, scratch.dense);
    if (scratch.dense.empty()) return false;
    PolySimplifyTo(scratch.dense, kEvalSimplifyTolerance, kEvalSimplifyChord, out, scratch.simplify);
    return true;
}

Polyline MarginPolyline(const Polyline& evaluated, float margin) {
    if (margin == 0.0f || !std::isfinite(margin) || evaluated.size() < 2) return {};
    Polyline out = evaluated;
    PolyOffset(out, margin, true);
    return out;
}

}  // namespace rz
