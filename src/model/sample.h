// Designs made by code: the shipped sample pattern and large designs for benchmarks.
#pragma once

#include "model/design.h"

namespace rz {

// A small shoe pattern: parts on pages 0–2 with lines A and B, base points, pins, a motif, a
// Chinese text string, a size label, a notch, a seam allowance, a slot line, a mark, a fixed
// distance and one piece.
void BuildSampleDesign(Design& d);

// A design of `parts` parts, each with `linesPerPart` closed lines of `nodesPerLine` nodes.
void BuildLargeDesign(Design& d, int parts, int linesPerPart, int nodesPerLine, int pinsPerPart,
                      int motifsPerPart);

}  // namespace rz
