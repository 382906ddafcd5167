// The entry points the document model calls after loading and after every edit of a line.
#pragma once

#include <cstdint>
#include <vector>

#include "geom/polyline.h"
#include "geom/smooth.h"
#include "geom/types.h"

namespace rz {

// Evaluates a line's nodes into its drawn polyline: the self-symmetric step when the line
// flags carry bit 23 (this may rewrite `nodes`; a second call leaves them unchanged), the curve
// method of bits 12-15 with automatic sample counts (written into the node words), then the
// simplification every evaluated line gets. Returns false, with `out` empty and the nodes
// untouched, when the line cannot be evaluated (no nodes, or a node outside the model range):
// such a line is a bad line.
bool EvaluateLine(const TSmooth& smooth, std::vector<Node>& nodes, uint32_t lineFlags, Polyline& out);

// Work space of EvaluateLine: the dense curve before simplification and the simplification's
// own buffers. Evaluating many lines with one scratch allocates only their results, sized to fit.
struct EvalScratch {
    Polyline dense;
    SimplifyScratch simplify;
};
bool EvaluateLine(const TSmooth& smooth, std::vector<Node>& nodes, uint32_t lineFlags, Polyline& out,
                  EvalScratch& scratch);

// A line's second polyline: its evaluated polyline offset by the signed margin (positive to the
// right of the direction of travel), with loop removal. Empty when the margin is 0 or the
// evaluated polyline has fewer than 2 points.
Polyline MarginPolyline(const Polyline& evaluated, float margin);

}  // namespace rz
