// 修正 (mode 115): a part or a line gets new measurements typed into a dialog, or, while a
// graded size is shown alone, the part's base lines take the shape of that size.
#pragma once

#include <memory>

#include "commands/edit_ops.h"
#include "interact/engine.h"

namespace rz {

// The size index whose graded copies 全号显示 shows alone, or -1: grading results exist, 全号显示
// is on and the current size index (kept in the design's base index field while graded) is not
// the base index computed from the size range.
int ShownGradedSize(const TDoc& doc);

// The graded copy of `line` for size `size` (following the graded-copy chain), provided it is
// one of the part's graded lines and has at least two nodes; null otherwise.
const Line* GradedCopyOf(const Part& part, const Line& line, int size);

// Every base line (lines A and B) of the part that has a usable graded copy of `size` takes that
// copy's nodes (the run's transient node marks cleared) and is re-evaluated. Pins, motifs and
// the graded copies themselves are left as they are. Returns the number of lines changed.
int AdoptGradedSize(Part& part, int size, const TSmooth& smooth);

// Scales the nodes uniformly about the first node so that the evaluated arc length becomes
// `target` (a few correction passes after the first, for curves whose length is not exactly
// proportional). False, with nothing changed, when the line has no length or target <= 0.
bool ScaleLineToLength(Line& line, float target, const TSmooth& smooth);

// The part scaled by fx along x and fy along y about `fixed`: its lines, pins, motifs, texts,
// base points, notches and size labels.
void ScalePart(Part& part, PointF fixed, double fx, double fy, const TSmooth& smooth);

// The fixed point of a part correction: the part's first base point, else its box corner.
PointF CorrectionAnchor(const Part& part);

std::unique_ptr<Tool> MakeCorrectTool();

}  // namespace rz
